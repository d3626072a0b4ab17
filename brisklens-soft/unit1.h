// The main window of the viewer: shows one emulator screen enlarged, forwards keys and
// touches to the emulator and does all the viewer's work in the application's idle event,
// one pass after another.
#pragma once

#include <memory>

#include "brisklens-soft/menu_tree.h"
#include "classlib/forms.h"
#include "classlib/graphics.h"
#include "raster/Raster.h"
#include "raster/Raster_Image.h"
#include "viewer/emulator.h"
#include "viewer/layout.h"
#include "viewer/settings_file.h"

namespace brisklens_soft {

class TForm1 : public classlib::TForm, public SoftMenu, public viewer::EmulatorAttachment {
 public:
  TForm1();

  raster::TImage32 MyBMP;

  bool Dragging = false;
  bool FirstActivation = false;
  int ScreenOffset = 1;
  int SecondScreenOffset = -202;
  int ResolutionIndex = 2;
  viewer::SizeTable SingleSizeTable = {};
  viewer::SizeTable DualSizeTable = {};
  std::unique_ptr<classlib::TBitmap> DirectBitmap;
  std::unique_ptr<raster::TBitmap32> CaptureBitmap;
  RECT EmulatorRect = {0, 0, 0, 0};
  HCURSOR Cursor = nullptr;
  POINT DragOrigin = {0, 0};
  POINT LastTouchPoint = {0, 0};
  float ScaleX = 2.0f;
  float ScaleY = 2.0f;
  int BorderTrim = 0;
  int DockSide = viewer::kDockTop;
  int PassDelay = 15;
  int CursorOffsetX = 0;
  int CursorOffsetY = 0;

  // Start-up and shutdown (unit1.cpp).
  void FormCreate(classlib::TObject* sender);
  void FormShow(classlib::TObject* sender);
  void FormActivate(classlib::TObject* sender);
  void FormClose(classlib::TObject* sender, classlib::TCloseAction& action);

  // The frame loop (frame_loop.cpp).
  void AppIdle(classlib::TObject* sender, bool& done);

  // Layout and docking (unit1_layout.cpp).
  void ApplyLayout();
  void DockSecondWindow();
  void WMMove(classlib::TMessage& message);
  // Images at 0x0 while the direct path draws on the windows' canvases.
  void SizeImagesForDirectPath();

  // Menu commands (unit1_commands.cpp).
  void SingleMonClick(classlib::TObject* sender);
  void DoubleMonClick(classlib::TObject* sender);
  void SingleScrClick(classlib::TObject* sender);
  void DoubleScrClick(classlib::TObject* sender);
  void NoneFilterClick(classlib::TObject* sender);
  void FastLinearClick(classlib::TObject* sender);
  void ClearLinearClick(classlib::TObject* sender);
  void UpScrClick(classlib::TObject* sender);
  void DownScrClick(classlib::TObject* sender);
  void N800600Click(classlib::TObject* sender);
  void N1024768Click(classlib::TObject* sender);
  void N1280800Click(classlib::TObject* sender);
  void N12801024Click(classlib::TObject* sender);
  void normalClick(classlib::TObject* sender);
  void RotateLeftClick(classlib::TObject* sender);
  void RotateRightClick(classlib::TObject* sender);
  void CursorONClick(classlib::TObject* sender);
  void CursorOFFClick(classlib::TObject* sender);
  void settingClick(classlib::TObject* sender);
  void NoSkipClick(classlib::TObject* sender);
  void N60fpsClick(classlib::TObject* sender);
  void N50fpsClick(classlib::TObject* sender);
  void N40fpsClick(classlib::TObject* sender);
  void N30fpsClick(classlib::TObject* sender);
  void N25fpsClick(classlib::TObject* sender);
  void N20fpsClick(classlib::TObject* sender);
  void AlphaOffClick(classlib::TObject* sender);
  void AlphaOnClick(classlib::TObject* sender);
  void haveClick(classlib::TObject* sender);
  void noneClick(classlib::TObject* sender);
  void noneallClick(classlib::TObject* sender);

  // The settings file (unit1_settings.cpp): the state it stores, and applying a stored
  // state onto the start-up state as reading the file does.
  viewer::StoredSettings CurrentSettings() const;
  void ApplySettings(const viewer::StoredSettings& settings);

  // Input (unit1_input.cpp).
  void FormKeyDown(classlib::TObject* sender, WORD& key, classlib::TShiftState shift);
  void FormKeyUp(classlib::TObject* sender, WORD& key, classlib::TShiftState shift);
  void FormMouseDown(classlib::TObject* sender, classlib::TMouseButton button,
                     classlib::TShiftState shift, int x, int y);
  void FormMouseMove(classlib::TObject* sender, classlib::TShiftState shift, int x, int y);
  void FormMouseUp(classlib::TObject* sender, classlib::TMouseButton button,
                   classlib::TShiftState shift, int x, int y);

 protected:
  void WndProc(classlib::TMessage& message) override;

 private:
  void BindEvents();
  void BindCommands();
  void DrawMainPicture();
  void DrawSecondPicture();
  void DrawDirectPicture(const RECT& frame, classlib::TForm& window);
  void CheckEmulatorAlive();

  // The settings and menu-text files (unit1_settings.cpp).
  void ReadMenuTextFile();
  void ReadSettingsFile();
  void WriteSettingsFile();
  void ApplyPositions(const viewer::StoredSettings& settings);

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
  void ChooseResolution(int index);
  void ChooseRotation(int rotation);
  void ChooseSpeed(int speed);
  void ChooseBorder(int border);
  // The resampler (and kernel) of a filter item on CaptureBitmap.
  void SetCaptureFilter(int filter);
  // The bitmap sizes and border trim of a border item.
  void SetBorderFrame(int border);

  bool closed_ = false;
};

extern TForm1* Form1;

}  // namespace brisklens_soft
