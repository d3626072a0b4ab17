// 16.16 fixed-point conversions and rectangle helpers.
#include "raster/Raster_Math.h"

#include <algorithm>
#include <cmath>

namespace raster {

// lrint rounds in the current rounding mode, which the library never changes from
// round-to-nearest-even; the product is exact in double.
TFixed FixedOf(float S) { return TFixed(std::lrint(double(S) * 65536.0)); }

TRect RectOf(int32_t L, int32_t T, int32_t R, int32_t B) { return TRect{L, T, R, B}; }

TRect RectFromFloat(const TFloatRect& FR) {
  return TRect{std::lrint(FR.Left), std::lrint(FR.Top), std::lrint(FR.Right),
               std::lrint(FR.Bottom)};
}

TRect RectFromFixed(const TFixedRect& XR) {
  return TRect{FixedRound(XR.Left), FixedRound(XR.Top), FixedRound(XR.Right),
               FixedRound(XR.Bottom)};
}

TFloatRect FloatRectOf(const TRect& R) {
  return TFloatRect{float(R.left), float(R.top), float(R.right), float(R.bottom)};
}

bool IntersectRects(TRect& Dst, const TRect& R1, const TRect& R2) {
  const TRect overlap{std::max(R1.left, R2.left), std::max(R1.top, R2.top),
                      std::min(R1.right, R2.right), std::min(R1.bottom, R2.bottom)};
  const bool intersects = overlap.right >= overlap.left && overlap.bottom >= overlap.top;
  Dst = intersects ? overlap : TRect{0, 0, 0, 0};
  return intersects;
}

void GrowRect(TRect& R, int32_t Dx, int32_t Dy) {
  R.left -= Dx;
  R.top -= Dy;
  R.right += Dx;
  R.bottom += Dy;
}

bool RectIsEmpty(const TRect& R) { return R.right <= R.left || R.bottom <= R.top; }

}  // namespace raster
