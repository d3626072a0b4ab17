// Driving a running magnifier beside the stand-in emulator, for panoptil's system tests and
// its refresh benchmark: starting both, choosing popup menu items, turning the wheel,
// finding the boxes and checking the pictures in them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tools/systest/systest.h"

namespace panoptil_test {

// Positions of the popup menu's items (separators are skipped by the menu's keyboard
// handling) and of the submenus' items.
enum MenuItem {
  kRefreshMenu = 0, kPause, kRotate, kZoomMenu, kHorzAlign, kVertAlign, kNoBorder,
  kHideTaskbar, kAutoAlign, kAbout, kExit
};
int RefreshIndex(int rate);  // index in the refresh submenu
int ZoomIndex(int tag);      // index in the zoom submenu

// The stand-in stands far right, where no magnifier layout covers it: Wine reads another
// process's window from the screen.
systest::StandinOptions StandinBesideTheMagnifier();

struct Box {
  RECT client = {};  // in the form's client coordinates
  HWND window = nullptr;
  int width() const { return client.right - client.left; }
  int height() const { return client.bottom - client.top; }
};

class Magnifier {
 public:
  // Starts the stand-in (unless `with_emulator` is false) and then the magnifier, both in
  // `dir`, and waits for the magnifier's window.
  bool Start(const systest::TempDir& dir, bool with_emulator = true);

  HWND form() const { return form_; }
  // Finds the form's window again (a new border style gives it a new one).
  HWND Refind();
  systest::Process& process() { return process_; }
  systest::Standin& emulator() { return emulator_; }
  SIZE ClientSize() const;
  // The form's two boxes (child windows), in the order Windows lists them.
  std::vector<Box> Boxes() const;

  // Opens the popup menu with a right click at a client point and chooses an item, and in
  // a submenu the item `sub_index`. Returns when the menu has closed. A menu that is still
  // open when an attempt fails is closed and the choice made again, up to three times.
  bool ChooseMenuItem(int index, int sub_index = -1);
  // Turns the wheel one notch over the form (up: away from the user).
  void TurnWheel(bool up);
  // Waits until the screen shows a stand-in picture at a client point. Pointer input is
  // placed by the display's own idea of the window, which follows a resize a little later;
  // once the new place shows the new picture, input there reaches the magnifier.
  bool WaitForPaintedAt(int client_x, int client_y) const;
  // A point of the form's client area on the screen.
  POINT ScreenPoint(int client_x, int client_y) const;

 private:
  // One attempt of ChooseMenuItem: "" when the item is chosen, else what went wrong.
  std::string TryMenuItem(int index, int sub_index);

  systest::Standin emulator_;
  systest::Process process_;
  HWND form_ = nullptr;
};

// Moves the pointer and waits until the system reports it there, so that a button pressed
// next is pressed at that place.
bool MovePointerThere(POINT at);
// Clicks at a screen point (MOUSEEVENTF_ button flags), the pointer moved there first.
bool ClickThere(POINT at, DWORD down_flag, DWORD up_flag);
bool LeftClickAt(POINT at);
// Presses or releases the left button at a screen point.
bool LeftButtonAt(POINT at, bool down);

// Waits until the client size is as expected.
bool WaitForClientSize(const Magnifier& magnifier, int width, int height);

// Checks the pixels of one box of a client capture against the stand-in's picture of one
// screen, enlarged by `factor` and maybe rotated; returns the number of wrong pixels and
// describes the first in `first_error`.
int CountWrongBoxPixels(const systest::Pixels& client, const RECT& box, standin::Region screen,
                        int factor, bool rotated, std::string* first_error);

// Waits until the box shows the screen as CountWrongBoxPixels checks it; returns the first
// error of the last look, or empty when right.
std::string WaitForBoxPicture(const Magnifier& magnifier, const RECT& box, standin::Region screen,
                              int factor, bool rotated);

}  // namespace panoptil_test
