// The main window both viewers share: it shows one emulator screen enlarged, forwards keys
// and touches to the emulator, and does all the viewer's work in the application's idle
// event, one pass after another. Here are its state, its start-up and shutdown, the pass
// around the picture, the layout's docking, the input and the menu commands both viewers
// have. Each viewer's form adds how it draws (the steps below that it implements), its
// own commands, and its effects of the settings file's words; its TViewerDesign gives
// what differs in numbers and names.
#pragma once

#include <windows.h>

#include <array>

#include "classlib/forms.h"
#include "viewer/cursor_offset_dialog.h"
#include "viewer/emulator.h"
#include "viewer/layout.h"
#include "viewer/second_window.h"
#include "viewer/settings_file.h"
#include "viewer/viewer_menu.h"

namespace viewer {

struct TViewerDesign {
  const wchar_t* caption;
  const wchar_t* font_name;
  // The settings file and the menu-text file, in the working folder.
  const wchar_t* settings_file;
  const wchar_t* menu_text_file;
  PositionConversion convert_position;
  // Milliseconds slept after each pass, by speed item in menu order.
  std::array<int, 7> pass_delays;
  // ScreenOffset of the lower (DownScr) and the upper (UpScr) screen, and of the main
  // window in dual-screen mode.
  int lower_screen_offset, upper_screen_offset, dual_screen_offset;
  // Whether a touch press in the unturned view lands 3 rows lower.
  bool press_correction;
  // The second window and the cursor-offset dialog, created after the main window.
  TSecondWindow& (*second_window)();
  TCursorOffsetDialog& (*offset_dialog)();
};

class TViewerForm : public classlib::TForm, public EmulatorAttachment {
 public:
  TViewerForm(const wchar_t* class_name, const TViewerDesign& design);

  bool Dragging = false;
  bool FirstActivation = true;
  int ScreenOffset;
  RECT EmulatorRect = {0, 0, 0, 0};
  int ResolutionIndex = 2;
  SizeTable SingleSizeTable = MakeSingleSizeTable();
  SizeTable DualSizeTable = MakeDualSizeTable();
  HCURSOR Cursor = nullptr;
  POINT DragOrigin = {0, 0};
  POINT LastTouchPoint = {0, 0};
  float ScaleX = 2.0f;
  float ScaleY = 2.0f;
  int DockSide = kDockTop;
  int PassDelay;
  int CursorOffsetX = 0;
  int CursorOffsetY = 0;

  // Start-up and shutdown.
  void FormCreate(classlib::TObject* sender);
  void FormShow(classlib::TObject* sender);
  void FormActivate(classlib::TObject* sender);
  void FormClose(classlib::TObject* sender, classlib::TCloseAction& action);

  // The frame loop.
  void AppIdle(classlib::TObject* sender, bool& done);

  // Layout and docking.
  virtual void ApplyLayout() = 0;
  void DockSecondWindow();
  // WM_WINDOWPOSCHANGED of the main window: once the start-up has placed both windows,
  // the second window follows each move and new size of the main window, docked to where
  // it really is, however it got there (the system's move loop with the snap to the
  // screen's edges, a drag, a layout, a program's move). Not while minimised, and not
  // while the second window is being dragged: then the main window follows the second.
  // Leaving the minimised state, it shows again the windows it owns that minimising hid.
  void WMWindowPosChanged(classlib::TMessage& message);

  // Input.
  void FormKeyDown(classlib::TObject* sender, WORD& key, classlib::TShiftState shift);
  void FormKeyUp(classlib::TObject* sender, WORD& key, classlib::TShiftState shift);
  void FormMouseDown(classlib::TObject* sender, classlib::TMouseButton button,
                     classlib::TShiftState shift, int x, int y);
  void FormMouseMove(classlib::TObject* sender, classlib::TShiftState shift, int x, int y);
  void FormMouseUp(classlib::TObject* sender, classlib::TMouseButton button,
                   classlib::TShiftState shift, int x, int y);
  // The window (or its image) lost the mouse without a release: a two-button drag is over.
  void MouseCaptureLost();

  // Menu commands both viewers have.
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
  void RotateLeftClick(classlib::TObject* sender);
  void RotateRightClick(classlib::TObject* sender);
  void CursorONClick(classlib::TObject* sender);
  void CursorOFFClick(classlib::TObject* sender);
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

  // The settings file: the state it stores, and applying a stored state onto the
  // start-up state as reading the file does.
  StoredSettings CurrentSettings() const;
  void ApplySettings(const StoredSettings& settings);

 protected:
  void WndProc(classlib::TMessage& message) override;

  // What each viewer's form gives.
  virtual TViewerMenu& Menu() = 0;
  const TViewerMenu& Menu() const { return const_cast<TViewerForm*>(this)->Menu(); }
  TSecondWindow& SecondWindow() const { return design_.second_window(); }
  TCursorOffsetDialog& OffsetDialog() const { return design_.offset_dialog(); }
  // FormCreate's, FormShow's and FormClose's steps of the picture, and the picture work of
  // one pass.
  virtual void CreatePictureResources() = 0;
  virtual void StartPictures() = 0;
  virtual void FreePictureResources() = 0;
  virtual void RenderPass() = 0;
  // After the rotation or the border item was checked, before the layout.
  virtual void RotationChosen(int rotation) = 0;
  virtual void BorderChosen(int border) = 0;
  // Showing the second window for two screens, and closing it when a settings file
  // chose one.
  virtual void ShowSecondWindow();
  virtual void CloseSecondWindow();
  // The effect of one word line read from the settings file, after its item was checked.
  virtual void ApplySetting(SettingKind kind, int index);

  // Binds the shared items to the handlers above (once the menu is built).
  void BindCommands();
  void CheckEmulatorAlive();
  void ChooseRotation(int rotation);
  void ChooseCursorOffsets();
  void ChooseEmulatorHidden(bool hidden);

 private:
  void ReadSettingsFile();
  void WriteSettingsFile();
  void ApplyPositions(const StoredSettings& settings);
  void ChooseResolution(int index);
  void ChooseSpeed(int speed);
  void ChooseBorder(int border);

  const TViewerDesign& design_;
  bool closed_ = false;
  bool minimized_ = false;  // the main window, at its last change of place
};

// Runs a viewer until its main window has closed: the application, its task-bar button
// where `main_form_on_task_bar` puts it, creates the main form, the second window and the
// cursor-offset dialog, in this order, and runs its main loop.
template <class MainForm, class SecondForm, class DialogForm>
void RunViewerForms(bool main_form_on_task_bar, MainForm*& main_form, SecondForm*& second,
                    DialogForm*& dialog) {
  classlib::Application->Initialize();
  classlib::Application->MainFormOnTaskBar = main_form_on_task_bar;
  classlib::Application->CreateForm(main_form);
  classlib::Application->CreateForm(second);
  classlib::Application->CreateForm(dialog);
  classlib::Application->Run();
}

// Ends the viewer's process once its main loop is over. What the viewer must do at its end
// is done by then, when its main window closed (the settings file written, the emulator
// given back, the emulator's device context and the main rendering context released); the
// system frees the rest with the process, the windows too. Taking the windows down one by
// one first would make the process linger for nothing: under Wine on a desktop without a
// window manager, hiding a shown window waits 2 s for a confirmation that never comes,
// once for each window.
//
// So the application first lets go of its forms and its window (LeaveViewerWindowsToSystem),
// and then the process ends through the C runtime's exit, which runs the exit functions
// (the destructors of the global objects among them) while every DLL is still loaded; they
// find nothing left to take down. (The application is the one global object that holds
// windows; the others with destructors, the class information of the class library and of
// the raster library and the dialog's list of corrections, only give back memory.) Ended by
// ExitProcess instead, Windows' msvcrt would run those functions itself in its DLL
// shutdown, under the loader lock and after the DLLs that depend on it (opengl32 and the GL
// driver) have shut down: no code of the viewer's may run there. The main rendering
// context is deleted as the main window closes; the second window's, if it shows, goes
// with the process.
[[noreturn]] void EndViewerProcess();
// The step of EndViewerProcess before the process ends: the application lets go of its
// forms and its window, leaving them to the system.
void LeaveViewerWindowsToSystem();

}  // namespace viewer
