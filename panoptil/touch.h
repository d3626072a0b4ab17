// Mapping a point of the magnified touch view to a point of the emulator's touch screen.
#pragma once

#include <windows.h>

#include <cstdint>

namespace panoptil {

// Divides a view coordinate by the zoom factor and rounds to the nearest integer, halves
// to the even neighbour (2.5 gives 2, 3.5 gives 4).
int RoundedDivide(unsigned view_coordinate, int factor);

// The lParam posted to the emulator's touch window for a mouse message whose lParam is
// `view_lparam` (coordinates inside the touch view, unsigned 16-bit). Rotated, the view is
// the screen turned a quarter counter-clockwise: x = 255 - Round(Y / scale) kept in 16 bits
// (so -1 is 0xFFFF), y = Round(X / scale). `scale` must be at least 1.
uint32_t MapTouchPoint(uint32_t view_lparam, int scale_x, int scale_y, bool rotated);

}  // namespace panoptil
