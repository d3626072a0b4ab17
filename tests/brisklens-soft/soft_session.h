// The real brisklens-soft.exe attached to a stand-in it found running, driven through its
// popup menu, with the pictures of its windows checked for the frames they should show.
#pragma once

#include <windows.h>

#include <string>

#include "tests/brisklens-soft/soft_picture.h"
#include "tests/viewer/viewer_session.h"

namespace brisklens_soft_test {

// Submenus of the popup menu, in menu order.
enum Submenu {
  kMonitors, kScreens, kFilter, kZoomMode, kRes, kRotate, kCursor, kSkip, kEmulator, kBorder
};

// What a window shows: the direct path's stretch of a frame rectangle, or an image.
struct WindowPicture {
  bool direct;
  RECT frame;       // the direct path's rectangle
  ImageView image;  // the image path's
};

// The emulator rectangles of each window: `offset` is the window's frame offset, `trim`
// the border trim (7 without any border).
WindowPicture DirectPicture(bool main, int offset, int trim);
WindowPicture ImagePicture(int offset, bool screen_only, viewer::Rotation rotation,
                           Filter filter);
// Waits until the window shows the picture; empty, or why not.
std::string WaitForWindowPicture(HWND window, const WindowPicture& picture);

}  // namespace brisklens_soft_test
