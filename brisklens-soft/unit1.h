// The main window of the viewer: shows one emulator screen enlarged, straight from the
// emulator's window (the direct path) or through the raster library's image controls with
// a filter or a rotation (the image path), forwards keys and touches to the emulator and
// does all the viewer's work in the application's idle event, one pass after another.
#pragma once

#include <memory>

#include "brisklens-soft/menu_tree.h"
#include "classlib/forms.h"
#include "classlib/graphics.h"
#include "raster/Raster.h"
#include "raster/Raster_Image.h"
#include "viewer/viewer_form.h"

namespace brisklens_soft {

class TForm1 : public viewer::TViewerForm, public SoftMenu {
 public:
  TForm1();

  raster::TImage32 MyBMP;

  const int SecondScreenOffset = viewer::kSecondFrameOffset;
  std::unique_ptr<classlib::TBitmap> DirectBitmap;
  std::unique_ptr<raster::TBitmap32> CaptureBitmap;
  int BorderTrim = 0;

  // Sizes the windows and images; while the direct path draws, the images stay at 0x0.
  void ApplyLayout() override;
  // Images at 0x0 while the direct path draws on the windows' canvases.
  void SizeImagesForDirectPath();

  // Menu commands of this viewer alone, or named its own way (unit1_commands.cpp).
  void NoneFilterClick(classlib::TObject* sender);
  void FastLinearClick(classlib::TObject* sender);
  void ClearLinearClick(classlib::TObject* sender);
  void normalClick(classlib::TObject* sender);
  void settingClick(classlib::TObject* sender);
  void AlphaOffClick(classlib::TObject* sender);
  void AlphaOnClick(classlib::TObject* sender);

 protected:
  viewer::TViewerMenu& Menu() override { return *this; }
  void CreatePictureResources() override;
  void StartPictures() override;
  void FreePictureResources() override;
  void RenderPass() override;
  void RotationChosen(int rotation) override;
  void BorderChosen(int border) override;
  void ApplySetting(viewer::SettingKind kind, int index) override;

 private:
  void BindOwnCommands();
  void DrawMainPicture();
  void DrawSecondPicture();
  void DrawDirectPicture(const RECT& frame, classlib::TForm& window);

  // The image path (image_path.cpp).
  void StartImagePath();
  // Copies the frame at `offset` 1:1 into CaptureBitmap and hands it, turned by the
  // checked rotation, to `image`.
  void DrawImagePathPicture(int offset, raster::TImage32& image);
  void DrawCursorOverlay();

  // Shared steps of the commands (unit1_commands.cpp).
  // Images at 0x0 when the direct path draws after a layout.
  void SizeImagesIfDirect();
  // Both images at the main window's client size.
  void SizeImagesToClient();
  void ChooseFilter(int filter);
  // The resampler (and kernel) of a filter item on CaptureBitmap.
  void SetCaptureFilter(int filter);
  // The bitmap sizes and border trim of a border item.
  void SetBorderFrame(int border);
};

extern TForm1* Form1;

}  // namespace brisklens_soft
