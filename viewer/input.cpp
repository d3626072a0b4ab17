#include "viewer/input.h"

#include <cstdint>

namespace viewer {

namespace {

// Trunc(value / scale + 0.5), the division and addition in extended precision.
int ScaledCoordinate(int value, float scale) {
  long double scaled = static_cast<long double>(value) / static_cast<long double>(scale) + 0.5L;
  return static_cast<int>(scaled);  // toward zero
}

}  // namespace

POINT MapTouchPoint(int x, int y, float scale_x, float scale_y, Rotation rotation, bool press) {
  switch (rotation) {
    case Rotation::Left:
      return {256 - ScaledCoordinate(y, scale_x), ScaledCoordinate(x, scale_y)};
    case Rotation::Right:
      return {ScaledCoordinate(y, scale_x), 192 - ScaledCoordinate(x, scale_y)};
    case Rotation::Normal:
    default:
      return {ScaledCoordinate(x, scale_x), ScaledCoordinate(y, scale_y) + (press ? 3 : 0)};
  }
}

LPARAM TouchLParam(POINT point) {
  return LPARAM((uint32_t(point.y) & 0xFFFF) << 16 | (uint32_t(point.x) & 0xFFFF));
}

bool ForwardsKey(WORD key) { return key != VK_ESCAPE; }

LPARAM KeyLParam(WORD key, bool release) {
  uint32_t scan = MapVirtualKeyA(key, 0) & 0xFFFF;
  uint32_t lparam = scan << 16;
  bool extended = (key >= VK_PRIOR && key <= VK_DOWN) || key == VK_INSERT || key == VK_DELETE;
  if (extended) lparam |= 0x01000000;
  if (release) lparam |= 0xC0000000;
  return LPARAM(lparam);
}

// Without the child (not attached, or not found) the message is dropped: posted to no
// window it would land in the viewer's own thread queue.
void ForwardKey(HWND key_window, WORD key, bool release) {
  if (!key_window) return;
  PostMessageA(key_window, release ? WM_KEYUP : WM_KEYDOWN, key, KeyLParam(key, release));
}

void ForwardTouch(HWND touch_window, UINT message, POINT point) {
  if (!touch_window) return;
  PostMessageA(touch_window, message, MK_LBUTTON, TouchLParam(point));
}

}  // namespace viewer
