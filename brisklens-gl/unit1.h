// The main window of the OpenGL viewer: shows one emulator screen as a texture drawn in its
// own rendering context, forwards keys and touches to the emulator and does all its work
// in the application's idle event, one frame per pass.
#pragma once

#include <memory>

#include "brisklens-gl/frame_render.h"
#include "brisklens-gl/gl_surface.h"
#include "brisklens-gl/menu_tree.h"
#include "brisklens-gl/texture_repack.h"
#include "classlib/forms.h"
#include "raster/Raster.h"
#include "viewer/viewer_form.h"

namespace brisklens_gl {

class TForm1 : public viewer::TViewerForm, public GlMenu, public TGlSurface {
 public:
  TForm1();

  std::unique_ptr<raster::TBitmap32> CaptureBitmap;
  // Camera row and texture set: the rotation, plus 3 without any border.
  int PresetIndex = 0;
  TextureImage TextureBuffer = {};

  // The last capture row of the main window's block.
  int CaptureLastRow() const { return ScreenOffset + kLowerBlockLastRow; }

  // The frame of one pass (frame_loop.cpp).
  void CaptureAndRender();

  // Sizes the windows and sets their projections (unit1_layout.cpp).
  void ApplyLayout() override;

  // Menu commands named this viewer's own way (unit1_commands.cpp).
  void NormalClick(classlib::TObject* sender);
  void SettingClick(classlib::TObject* sender);
  void HideClick(classlib::TObject* sender);
  void ShowClick(classlib::TObject* sender);

 protected:
  void WndProc(classlib::TMessage& message) override;
  viewer::TViewerMenu& Menu() override { return *this; }
  void CreatePictureResources() override;
  void StartPictures() override;
  void FreePictureResources() override;
  void RenderPass() override { CaptureAndRender(); }
  void RotationChosen(int rotation) override;
  void BorderChosen(int border) override;
  void ShowSecondWindow() override;
  void CloseSecondWindow() override;
  void ApplySetting(viewer::SettingKind kind, int index) override;

 private:
  void BindOwnCommands();
  void CopyEmulatorClient();
  void DrawCursorOverlay();
  // The projections of both windows after their sizes changed.
  void SetupProjections(bool second_sized);
};

extern TForm1* Form1;

}  // namespace brisklens_gl
