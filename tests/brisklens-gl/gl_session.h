// The real brisklens-gl.exe attached to a stand-in it found running, driven through its
// popup menu, and its settings file read back after it closed.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/viewer/viewer_session.h"

namespace brisklens_gl_test {

// Submenus of the popup menu and their items, in menu order.
enum Submenu { kMonitors, kScreens, kChangeScr, kRes, kRotate, kCursor, kSkip, kBorder, kEmu };

class GlViewerTest : public brisklens_test::AttachedViewerTest {
 protected:
  GlViewerTest() : AttachedViewerTest(brisklens_test::kGlViewer) {}

  // Opens the popup menu with a right click on the main window and clicks item `item` of
  // submenu `submenu` with the mouse, as a user does; waits until the menu has closed.
  void Choose(int submenu, int item);
  // Moves the main window as its title bar would: the second window follows docked.
  void PlaceMainWindow(int left, int top);
  // Closes the viewer as the user would and returns the lines of the Set.conf it wrote.
  std::vector<std::string> CloseAndReadSettings();
  // The client size of a window.
  static SIZE ClientSize(HWND window);
};

std::vector<std::string> SplitLines(const std::string& text);

// Opens the popup menu with a right click on the main window; returns the menu's window,
// or null when none opens.
HWND OpenPopupMenu(const brisklens_test::ViewerSession& viewer);
// Opens the popup menu, types `keys` into it as the keyboard of any language gives them
// (access keys choose items), then Escape; true when the menu opened and has closed.
bool TypeIntoPopupMenu(const brisklens_test::ViewerSession& viewer, const std::wstring& keys);

// Waits until `value()` equals `expected` (the viewer may still be at work when its menu
// has closed: a call it makes into another window lets other messages in meanwhile).
::testing::AssertionResult Becomes(const std::function<long long()>& value, long long expected);

}  // namespace brisklens_gl_test
