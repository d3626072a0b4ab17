#include "panoptil/touch.h"

#include <cmath>

namespace panoptil {

int RoundedDivide(unsigned view_coordinate, int factor) {
  // nearbyint rounds in the default mode, to nearest with ties to even.
  return int(std::nearbyint(double(view_coordinate) / double(factor)));
}

uint32_t MapTouchPoint(uint32_t view_lparam, int scale_x, int scale_y, bool rotated) {
  unsigned view_x = view_lparam & 0xFFFF;
  unsigned view_y = (view_lparam >> 16) & 0xFFFF;
  uint16_t x, y;
  if (rotated) {
    x = uint16_t(255 - RoundedDivide(view_y, scale_y));
    y = uint16_t(RoundedDivide(view_x, scale_x));
  } else {
    x = uint16_t(RoundedDivide(view_x, scale_x));
    y = uint16_t(RoundedDivide(view_y, scale_y));
  }
  return uint32_t(x) | (uint32_t(y) << 16);
}

}  // namespace panoptil
