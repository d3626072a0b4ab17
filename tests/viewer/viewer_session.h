// Running a real viewer (brisklens-soft.exe or brisklens-gl.exe) in a test: starting it in
// a folder, finding its two windows, waiting for its pictures, and pointer helpers.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tools/systest/systest.h"

namespace brisklens_test {

// Where the tests put the stand-in: clear of every place the viewer's windows go.
constexpr int kEmulatorX = 1600, kEmulatorY = 700;
systest::StandinOptions EmulatorOptions(const std::wstring& caption = L"No$gba Emulator - stand-in");

// A viewer program: its file, the window class of its second window (the main window's is
// "TForm1" in both), its settings file and the number of items of each submenu of its
// popup menu, in menu order.
struct ViewerProgram {
  const wchar_t* file;
  const wchar_t* second_class;
  const wchar_t* settings_file;
  const int* submenu_items;
  int submenu_count;
};
constexpr int kSoftSubmenuItems[] = {2, 2, 3, 2, 4, 3, 3, 7, 2, 3};
constexpr int kGlSubmenuItems[] = {2, 2, 2, 4, 3, 3, 7, 3, 2};
constexpr ViewerProgram kSoftViewer = {L"brisklens-soft.exe", L"TForm2", L"SetSoft.conf",
                                       kSoftSubmenuItems, 10};
constexpr ViewerProgram kGlViewer = {L"brisklens-gl.exe", L"TForm3", L"Set.conf",
                                     kGlSubmenuItems, 9};
// Each viewer's forms in a probe that ends as the program does, but runs the C runtime's
// exit functions itself where the process would end; its exit code says what they did:
// the number of the viewer's windows they destroyed times 256 plus the number of OpenGL
// calls they made (tests/viewer/end_probe.cpp).
constexpr ViewerProgram kSoftEndProbe = {L"brisklens_soft_end_probe.exe", L"TForm2",
                                         L"SetSoft.conf", kSoftSubmenuItems, 10};
constexpr ViewerProgram kGlEndProbe = {L"brisklens_gl_end_probe.exe", L"TForm3", L"Set.conf",
                                       kGlSubmenuItems, 9};

class ViewerSession {
 public:
  explicit ViewerSession(ViewerProgram program = kSoftViewer) : program_(program) {}
  // Starts the program from the build folder in `working_dir` and waits for both windows,
  // the second one shown unless `second_shown` is false (a settings file in single-screen
  // mode hides it at the first activation, which may come before the wait sees it).
  bool Start(const std::wstring& working_dir, bool second_shown = true);
  // True when the main window shows the touch screen and the second the top screen.
  bool ShowsPictures() const;
  bool WaitForPictures(DWORD timeout_ms = systest::kDefaultTimeoutMs) const;

  const ViewerProgram& program() const { return program_; }

  systest::Process process;
  HWND main = nullptr;    // Form1
  HWND second = nullptr;  // the second window

 private:
  ViewerProgram program_;
};

// The client size of a window.
SIZE ClientSize(HWND window);
// The lines of a file written with CR LF line ends; text after the last line end is a
// last line marked "<no line end>".
std::vector<std::string> SplitLines(const std::string& text);
// Opens the popup menu with a right click on the main window; returns the menu's window,
// or null when none opens.
HWND OpenPopupMenu(const ViewerSession& viewer);
// Opens the popup menu, types `keys` into it as the keyboard of any language gives them
// (access keys choose items), then Escape; true when the menu opened and has closed.
bool TypeIntoPopupMenu(const ViewerSession& viewer, const std::wstring& keys);
// Waits until `value()` equals `expected` (the viewer may still be at work when its menu
// has closed: a call it makes into another window lets other messages in meanwhile).
::testing::AssertionResult Becomes(const std::function<long long()>& value, long long expected);

// A viewer whose windows have closed (or whose emulator has gone) ends within a second: it
// has written its settings file as its main window closed and leaves nothing to wait for.
// When it lingers the wait goes on, so that what a test checks next finds it ended.
::testing::AssertionResult EndsPromptly(const systest::Process& viewer);
// The screen point of a client point.
POINT ScreenPoint(HWND window, int client_x, int client_y);
// Moves the pointer and waits until the system reports it there, so that a button
// pressed next lands at the new place.
void PlacePointer(int screen_x, int screen_y);
// Drags with the buttons already held (and the press handled): moves the pointer to `at`
// and waits until `arrived` holds with the pointer there, and still holds a while later.
// Under Wine a pointer event of an earlier pointer move that the viewer reads late can
// put the pointer (and the dragged window) back where it was; such a jump is undone by
// moving the pointer to `at` again; a move message that never arrives, by moving it once
// more by way of a neighbouring point.
bool DragPointerTo(POINT at, const std::function<bool()>& arrived);
// The window that holds the mouse capture in the thread of `window`, or null.
HWND CaptureOf(HWND window);
// Moves the pointer where no window of a test lies.
void ParkPointer();
// Rests the pointer on the emulator's main window itself (its top screen).
void PointAtEmulator(HWND emulator);

// One command of a table of popup-menu commands and the window state it leads to.
constexpr int kNoStep = -1;  // in `submenu`: no command; in `main_top`: the window stays
struct WindowStep {
  int submenu, item;
  int main_top;  // where the main window is put first, so both windows can be seen
  int width, height;  // the client size of both windows
  bool caption, second_shown;
};

// A viewer attached to a stand-in it found running, its main window in front.
class AttachedViewerTest : public ::testing::Test {
 protected:
  explicit AttachedViewerTest(ViewerProgram program = kSoftViewer) : viewer_(program) {}
  void SetUp() override;
  void TearDown() override;
  std::vector<systest::LogEntry> Touches(UINT message) const;
  void MoveTo(HWND window, int client_x, int client_y);
  // The open popup menu of the viewer, or null.
  HWND OpenMenu() const;
  // Opens the popup menu with a right click on the main window and chooses item `item` of
  // submenu `submenu` with the mouse, as a user can; waits until the menu has closed.
  void Choose(int submenu, int item);
  // Places the main window, chooses the step's command and checks the caption, whether the
  // second window shows and the client sizes; false when the test has failed by then, so
  // that a table of steps ends at its first failure instead of waiting out every later one.
  bool TakeWindowStep(const WindowStep& step);
  // Moves the main window as the system's move loop does when its title bar is dragged:
  // WM_MOVING with the proposed rectangle, then SetWindowPos to what came back.
  void PlaceMainWindow(int left, int top);
  // Presses the left and then the right button on the main window, each press seen by the
  // emulator (a touch press) before the next; returns the screen point pressed.
  POINT PressBothButtonsOnMain();
  // Drags the main window with both buttons by (dx, dy) and waits until it got there.
  bool DragMainBy(int dx, int dy);
  // Drags the second window to (left, top); with `main_expected` waits, still holding the
  // button, until the main window has snapped there.
  bool DragSecondTo(int left, int top, const POINT* main_expected);
  // Where the second window stands docked on `side` of the main window as it is now.
  POINT DockedPlace(int side) const;
  // From the start-up layout: the main window snaps next to the dragged second window on
  // each of the four sides in turn; after each snap the second window stays docked on
  // that side while the main window is moved toward the bottom and the top edge of the
  // screen (ExpectDockedThroughMoveLoops).
  void ExpectSnapOnEachSideThenDockedThroughMoveLoops();
  // Plays the system's move loop on the main window toward the bottom and then the top
  // edge of the screen, until the main window (or the second) is 40, 6 and 4 pixels from
  // it: the main window snaps flush within 10 pixels, and right after each step, with no
  // wait, the second window stands docked on `side` of where the main window landed.
  void ExpectDockedThroughMoveLoops(int side);
  // The second window dragged with the real pointer, the left button held, while the main
  // window (docked below it) stands 30 pixels above the bottom of the screen: down in steps
  // of 8 pixels until the main window, following it, comes within 10 pixels of the edge and
  // snaps flush to it, then sideways along the edge in steps of 3. After each step, for
  // several passes of the frame loop, the second window stays exactly under the pointer
  // and the main window follows it (flush with the edge once snapped); let go, the second
  // window stays where it was let go.
  void ExpectHeldSecondWindowUnderThePointerAlongTheBottomEdge();
  // The drag of the second window loses the mouse: docked above the main window clear of
  // the screen's edges, pressed with the left button and moved 8 pixels, the window holding
  // the mouse (the second window or its picture) is sent WM_CANCELMODE, as the system does
  // when another window takes over, and the button goes up over the desktop. The drag is
  // over: moved by the system's move loop, the main window takes the second window along,
  // docked. Then the same with the main window's two-button drag: once the mouse is taken
  // from it, the main window no longer follows the pointer.
  void ExpectDragsEndWhenTheyLoseTheMouse();
  // Closes an end probe's viewer (kSoftEndProbe, kGlEndProbe) as the user would: it ends
  // within a second with its settings file written, and the exit functions, run where the
  // process would end, took down none of its windows and made no OpenGL call.
  void ExpectNothingLeftForTheExitFunctions();
  // The ways a minimised window is brought back: the task bar's restore command
  // (WM_SYSCOMMAND SC_RESTORE), another program's ShowWindow(SW_RESTORE), and the
  // system's switch to the window (SwitchToThisWindow).
  enum class RestoreWay { kRestoreCommand, kShowWindow, kSwitchToWindow };
  // The way a user minimises and restores the viewer, first with two screens, then with
  // one: the minimise button of the active main window, then the restore of `button`, the
  // window with the task-bar button, in each of the ways in turn. Minimised, neither window
  // shows and the button stays; restored, the main window is back and active, the second
  // window docked above it with two screens, and with one screen still hidden.
  void ExpectMinimisedAndRestoredTogether(HWND button);
  // Closes the viewer as the user would and returns the lines of the settings file it
  // wrote.
  std::vector<std::string> CloseAndReadSettings();
  // Instead of SetUp: writes `lines` as the settings file, starts the stand-in, notes its
  // place, and starts the viewer, which attaches to it.
  void StartWithSettings(const std::vector<std::string>& lines);
  // Starts with `lines`, a settings file of one screen at 800x600 turned, the emulator
  // hidden: the emulator is hidden at attach, the second window hidden, the main window
  // 384x512; the file is written back unchanged and the emulator given back at the end.
  void ExpectTurnedOneScreenHiddenEmulatorComesBack(const std::vector<std::string>& lines);
  // After a start with a settings file of one screen docked on the left: the second window
  // is there by the time it is hidden (hiding can take the system a while, and nothing may
  // be seen of the place the file gave it), and shows there when two screens are chosen.
  void ExpectHiddenDockedLeftThenShownThere();
  // Notes the emulator window's extended style and place; then waits until it is hidden
  // (a layered tool window at x -288) or back as it was noted.
  void NoteEmulatorPlace();
  ::testing::AssertionResult EmulatorHidden() const;
  ::testing::AssertionResult EmulatorBack() const;

  systest::TempDir dir_;
  systest::Standin emulator_;
  ViewerSession viewer_;
  LONG emulator_ex_style_ = 0;
  RECT emulator_place_ = {};
};

// Starts the viewer in a fresh folder that holds `settings` as its settings file and the
// stand-in as the emulator it starts, lets it attach under the pointer, closes it and
// returns the lines of the settings file it wrote. `main_width` receives the main
// window's client width once it draws.
std::vector<std::string> RunWithSettingsFile(const ViewerProgram& program,
                                             const std::string& settings, int* main_width);

}  // namespace brisklens_test
