// The main window of the OpenGL viewer: shows one emulator screen as a texture drawn in its
// own rendering context, forwards keys and touches to the emulator and does all its work
// in the application's idle event, one frame per pass.
#pragma once

#include <memory>

#include "brisklens-gl/gl_surface.h"
#include "brisklens-gl/menu_tree.h"
#include "brisklens-gl/settings.h"
#include "brisklens-gl/texture_repack.h"
#include "classlib/forms.h"
#include "raster/Raster.h"
#include "viewer/emulator.h"
#include "viewer/layout.h"

namespace brisklens_gl {

class TForm1 : public classlib::TForm,
               public GlMenu,
               public viewer::EmulatorAttachment,
               public TGlSurface {
 public:
  TForm1();

  bool Dragging = false;
  bool FirstActivation = false;
  // 0 shows the lower screen, -202 the upper; CaptureLastRow is ScreenOffset + 481.
  int ScreenOffset = 0;
  std::unique_ptr<raster::TBitmap32> CaptureBitmap;
  RECT EmulatorRect = {0, 0, 0, 0};
  int CaptureLastRow = 481;
  int ResolutionIndex = 2;
  viewer::SizeTable SingleSizeTable = {};
  viewer::SizeTable DualSizeTable = {};
  // Camera row and texture set: the rotation, plus 3 without any border.
  int PresetIndex = 0;
  TextureImage TextureBuffer = {};
  HCURSOR Cursor = nullptr;
  POINT DragOrigin = {0, 0};
  POINT LastTouchPoint = {0, 0};
  float ScaleX = 2.0f;
  float ScaleY = 2.0f;
  int DockSide = viewer::kDockTop;
  int PassDelay = 20;
  int CursorOffsetX = 3;
  int CursorOffsetY = 5;

  // Start-up and shutdown (unit1.cpp).
  void FormCreate(classlib::TObject* sender);
  void FormShow(classlib::TObject* sender);
  void FormActivate(classlib::TObject* sender);
  void FormClose(classlib::TObject* sender, classlib::TCloseAction& action);

  // The frame loop (frame_loop.cpp).
  void AppIdle(classlib::TObject* sender, bool& done);
  void CaptureAndRender();

  // Layout and docking (unit1_layout.cpp).
  void ApplyLayout();
  void DockSecondWindow();
  void WMMove(classlib::TMessage& message);

  // Input (unit1_input.cpp).
  void FormKeyDown(classlib::TObject* sender, WORD& key, classlib::TShiftState shift);
  void FormKeyUp(classlib::TObject* sender, WORD& key, classlib::TShiftState shift);
  void FormMouseDown(classlib::TObject* sender, classlib::TMouseButton button,
                     classlib::TShiftState shift, int x, int y);
  void FormMouseMove(classlib::TObject* sender, classlib::TShiftState shift, int x, int y);
  void FormMouseUp(classlib::TObject* sender, classlib::TMouseButton button,
                   classlib::TShiftState shift, int x, int y);

  // Menu commands (unit1_commands.cpp).
  void SingleMonClick(classlib::TObject* sender);
  void DoubleMonClick(classlib::TObject* sender);
  void SingleScrClick(classlib::TObject* sender);
  void DoubleScrClick(classlib::TObject* sender);
  void UpScrClick(classlib::TObject* sender);
  void DownScrClick(classlib::TObject* sender);
  void N800600Click(classlib::TObject* sender);
  void N1024768Click(classlib::TObject* sender);
  void N1280800Click(classlib::TObject* sender);
  void N12801024Click(classlib::TObject* sender);
  void NormalClick(classlib::TObject* sender);
  void RotateLeftClick(classlib::TObject* sender);
  void RotateRightClick(classlib::TObject* sender);
  void CursorONClick(classlib::TObject* sender);
  void CursorOFFClick(classlib::TObject* sender);
  void SettingClick(classlib::TObject* sender);
  void NoSkipClick(classlib::TObject* sender);
  void N60fpsClick(classlib::TObject* sender);
  void N50fpsClick(classlib::TObject* sender);
  void N40fpsClick(classlib::TObject* sender);
  void N30fpsClick(classlib::TObject* sender);
  void N25fpsClick(classlib::TObject* sender);
  void N20fpsClick(classlib::TObject* sender);
  void haveClick(classlib::TObject* sender);
  void noneClick(classlib::TObject* sender);
  void noneallClick(classlib::TObject* sender);
  void HideClick(classlib::TObject* sender);
  void ShowClick(classlib::TObject* sender);

  // The settings and the menu texts (unit1_settings.cpp).
  ViewerSettings CurrentSettings() const;
  void ApplySettings(const ViewerSettings& settings);

 protected:
  void WndProc(classlib::TMessage& message) override;

 private:
  void BindCommands();
  void ReadMenuTextFile();
  void ReadSettingsFile();
  void WriteSettingsFile();
  void CopyEmulatorClient();
  void DrawCursorOverlay();
  void CheckEmulatorAlive();
  // Layout commands: the resolution, the rotation and the border mode.
  void ChooseResolution(int index, TMenuItem* item);
  void ChooseRotation(int rotation, TMenuItem* item, TMenuItem* cursor_item);
  void ChooseSpeed(int speed);
  void ChooseBorder(int border);
  // The projections of both windows after their sizes changed.
  void SetupProjections(bool second_sized);

  bool closed_ = false;
};

extern TForm1* Form1;

}  // namespace brisklens_gl
