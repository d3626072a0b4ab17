#include "views.h"

#include <cmath>
#include <utility>

namespace panoptil {

namespace {

BoxBounds Transposed(const BoxBounds& box) { return {box.top, box.left, box.height, box.width}; }

}  // namespace

ScreenLayout ComputeLayout(int zoom_tag, bool rotated, bool touch_large) {
  int top_factor = zoom_tag / 10;
  int bottom_factor = zoom_tag % 10;
  ScreenLayout layout;
  layout.static_factor = touch_large ? bottom_factor : top_factor;
  layout.touch_factor = touch_large ? top_factor : bottom_factor;
  // Unrotated: stacked, the top screen above, each centred horizontally. The client size
  // follows the zoom mode, not the wheel's swap.
  layout.client_width = top_factor * kScreenWidth;
  layout.client_height = (top_factor + bottom_factor) * kScreenHeight;
  BoxBounds& top = layout.static_box;
  BoxBounds& touch = layout.touch_box;
  top.width = layout.static_factor * kScreenWidth;
  top.height = layout.static_factor * kScreenHeight;
  top.left = (layout.client_width - top.width) / 2;
  touch.top = top.height;
  touch.width = layout.touch_factor * kScreenWidth;
  touch.height = layout.touch_factor * kScreenHeight;
  touch.left = (layout.client_width - touch.width) / 2;
  if (rotated) {
    // The rotated layout is the same one mirrored on the diagonal: side by side, the top
    // screen on the left, each centred vertically.
    std::swap(layout.client_width, layout.client_height);
    top = Transposed(top);
    touch = Transposed(touch);
  }
  return layout;
}

XFORM MakeRotationTransform() {
  const long double quarter_turn = std::acos(-1.0L) / 2;
  XFORM transform = {};
  transform.eM11 = float(std::cos(quarter_turn));
  transform.eM12 = float(-std::sin(quarter_turn));
  transform.eM21 = float(std::sin(quarter_turn));
  transform.eM22 = float(std::cos(quarter_turn));
  transform.eDx = 0;
  transform.eDy = 0;
  return transform;
}

void PaintScreen(HDC box_dc, int width, int height, HDC emulator_dc, int source_x,
                 int source_y, bool rotated, XFORM& rotation) {
  if (!box_dc || !emulator_dc || width <= 0 || height <= 0) return;
  if (rotated) {
    rotation.eDy = float(height);
    SetGraphicsMode(box_dc, GM_ADVANCED);
    SetWorldTransform(box_dc, &rotation);
    // In the rotated space the box is `height` wide and `width` high.
    StretchBlt(box_dc, 0, 0, height, width, emulator_dc, source_x, source_y, kScreenWidth,
               kScreenHeight, SRCCOPY);
    return;
  }
  if (GetGraphicsMode(box_dc) == GM_ADVANCED) ModifyWorldTransform(box_dc, nullptr, MWT_IDENTITY);
  StretchBlt(box_dc, 0, 0, width, height, emulator_dc, source_x, source_y, kScreenWidth,
             kScreenHeight, SRCCOPY);
}

}  // namespace panoptil
