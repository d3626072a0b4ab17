// The magnifier's view geometry: window size and box bounds for a zoom mode, the refresh
// interval of a rate, the rotation transform, and painting one box from the emulator.
#pragma once

#include <windows.h>

namespace panoptil {

constexpr int kScreenWidth = 256;   // each console screen in the emulator's client area
constexpr int kScreenHeight = 192;

struct BoxBounds {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const BoxBounds& other) const {
    return left == other.left && top == other.top && width == other.width &&
           height == other.height;
  }
};

// What LayoutScreens sets: the form's client size, both boxes and the factors.
struct ScreenLayout {
  int client_width = 0, client_height = 0;
  BoxBounds static_box;  // top screen
  BoxBounds touch_box;   // touch screen
  int static_factor = 0, touch_factor = 0;
};

// `zoom_tag` is 10 x N + M for zoom "N:M"; `touch_large` is the wheel's factor swap, which
// leaves the client size alone.
ScreenLayout ComputeLayout(int zoom_tag, bool rotated, bool touch_large);

// Refresh interval in milliseconds of a refresh item's Tag (its rate per second).
inline int RefreshInterval(int rate_tag) { return rate_tag > 0 ? 1000 / rate_tag : 1000; }

// The world transform of a rotated box: 90 degrees counter-clockwise, computed in extended
// precision and stored as floats (so eM11 and eM22 hold cos(pi/2), tiny but not 0). eDy is
// the box height, set at paint time.
XFORM MakeRotationTransform();

// Copies one 256x192 screen at (source_x, source_y) of `emulator_dc` onto a box of
// `width` x `height` whose canvas is `box_dc`: straight, or rotated through `rotation`
// (whose eDy is set to the height here). An unrotated paint resets a transform left by an
// earlier rotated one. Nothing is drawn when there is no source or the box is empty.
// Where the system's GDI does not turn blits by a world transform (Wine mirrors them), the
// rotated paint turns the picture in memory instead, with the same result.
void PaintScreen(HDC box_dc, int width, int height, HDC emulator_dc, int source_x,
                 int source_y, bool rotated, XFORM& rotation);

}  // namespace panoptil
