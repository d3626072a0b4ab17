// The main window of the viewer: shows one emulator screen enlarged, forwards keys and
// touches to the emulator and does all the viewer's work in the application's idle event,
// one pass after another.
#pragma once

#include <memory>

#include "viewer/emulator.h"
#include "classlib/forms.h"
#include "classlib/graphics.h"
#include "brisklens-soft/image_placeholder.h"
#include "viewer/layout.h"
#include "brisklens-soft/menu_tree.h"

namespace brisklens_soft {

class TForm1 : public classlib::TForm, public SoftMenu, public viewer::EmulatorAttachment {
 public:
  TForm1();

  TImage32Placeholder MyBMP;

  bool Dragging = false;
  bool FirstActivation = false;
  int ScreenOffset = 1;
  int SecondScreenOffset = -202;
  int ResolutionIndex = 2;
  viewer::SizeTable SingleSizeTable = {};
  viewer::SizeTable DualSizeTable = {};
  std::unique_ptr<classlib::TBitmap> DirectBitmap;
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
  void DrawMainPicture();
  void DrawSecondPicture();
  void DrawDirectPicture(const RECT& frame, classlib::TForm& window);
  void CheckEmulatorAlive();

  // The settings file and the menu-text file come with their own change; until then
  // these read and write nothing.
  void ReadMenuTextFile() {}
  void ReadSettingsFile() {}
  void WriteSettingsFile() {}

  // The image path (filters, rotation, the cursor overlay) comes with the raster image
  // control; the start-up state draws on the direct path.
  void StartImagePath() {}
  void DrawImagePathPicture(int /*offset*/, classlib::TForm& /*window*/) {}
  void DrawCursorOverlay() {}

  bool closed_ = false;
};

extern TForm1* Form1;

}  // namespace brisklens_soft
