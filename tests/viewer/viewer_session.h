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

// A viewer program: its file and the window class of its second window (the main window's
// is "TForm1" in both).
struct ViewerProgram {
  const wchar_t* file;
  const wchar_t* second_class;
};
constexpr ViewerProgram kSoftViewer = {L"brisklens-soft.exe", L"TForm2"};
constexpr ViewerProgram kGlViewer = {L"brisklens-gl.exe", L"TForm3"};

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

  systest::Process process;
  HWND main = nullptr;    // Form1
  HWND second = nullptr;  // the second window

 private:
  ViewerProgram program_;
};

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

  systest::TempDir dir_;
  systest::Standin emulator_;
  ViewerSession viewer_;
};

}  // namespace brisklens_test
