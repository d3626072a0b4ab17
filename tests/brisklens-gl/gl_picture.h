// What a window of the OpenGL viewer should show, computed here from the camera, the
// square and the texture coordinates as a pinhole model: every window pixel looks along
// its ray onto the square, whose texture is a 280 x 280 block of the emulator's client
// area. A picture is checked against the stand-in's position-coded pixels wherever the
// texels that linear filtering mixes all come from one screen of the stand-in.
#pragma once

#include <windows.h>

#include <string>

#include "tools/systest/systest.h"

namespace brisklens_gl_test {

struct GlView {
  double camera_x, camera_y, camera_z;  // the model is moved by (x, y, -z)
  int coords[8];  // (s, t) for the square's corners (-5, -5), (5, -5), (5, 5), (-5, 5)
  int block_last_row;                   // the client row shown at t = 0
};

// Preset 0..5 (normal, turned left, turned right; the same without any border) showing
// the block of client rows block_last_row - 279 .. block_last_row.
GlView ViewOf(int preset, int block_last_row);
constexpr int kLowerBlock = 481, kUpperBlock = 279;

struct PictureCheck {
  int checked = 0;          // pixels that could be decoded and compared
  int wrong = 0;            // of those, pixels that show something else
  int marked = 0;           // checked pixels inside `marked`
  int marked_wrong = 0;     // of those, pixels that show something else
  std::string first_wrong;  // where the first wrong pixel outside `marked` is
};

// Compares every window pixel; pixels whose client position lies in `marked` (client
// rectangle, or null) are counted apart.
PictureCheck ComparePicture(const systest::Pixels& picture, const GlView& view,
                            const RECT* marked = nullptr);
// Empty when the picture matches the view and most of it could be checked, else why not.
std::string CheckPicture(const systest::Pixels& picture, const GlView& view);
// Waits until the window shows the view; returns the last verdict.
std::string WaitForPicture(HWND window, const GlView& view);

}  // namespace brisklens_gl_test
