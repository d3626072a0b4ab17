// 16.16 fixed-point numbers and the rectangle helpers of the raster library.
#pragma once

#include <windows.h>

#include <cstdint>

namespace raster {

// Signed 16.16 fixed-point number: the value n / 65536, so 65536 is one.
using TFixed = int32_t;
constexpr TFixed FixedOne = 0x10000;
constexpr TFixed FixedHalf = 0x8000;

// The platform's rectangle: Right and Bottom are exclusive.
using TRect = RECT;

struct TFloatRect {
  float Left, Top, Right, Bottom;
};

struct TFixedRect {
  TFixed Left, Top, Right, Bottom;
};

// S x 65536 rounded to the nearest integer, halves to even.
TFixed FixedOf(float S);
// I shifted left by 16, wrapping in 32 bits.
constexpr TFixed FixedOf(int32_t I) { return TFixed(uint32_t(I) << 16); }

// The integer at or below A.
constexpr int32_t FixedFloor(TFixed A) { return A >> 16; }
// The integer at or above A; the addition wraps in 32 bits.
constexpr int32_t FixedCeil(TFixed A) { return int32_t(uint32_t(A) + 0xFFFFu) >> 16; }
// The nearest integer with halves downwards (0.5 gives 0, -0.5 gives -1); wraps like FixedCeil.
constexpr int32_t FixedRound(TFixed A) { return int32_t(uint32_t(A) + 0x7FFFu) >> 16; }
// A x B: the 64-bit product shifted right arithmetically by 16, low 32 bits kept.
constexpr TFixed FixedMul(TFixed A, TFixed B) {
  return TFixed(uint32_t(uint64_t((int64_t(A) * B) >> 16)));
}
// A / B truncated towards zero. B must not be 0 and the quotient must fit in 32 bits.
constexpr TFixed FixedDiv(TFixed A, TFixed B) { return TFixed(int64_t(A) * 65536 / B); }

TRect RectOf(int32_t L, int32_t T, int32_t R, int32_t B);
// Each coordinate rounded to the nearest integer, halves to even.
TRect RectFromFloat(const TFloatRect& FR);
// Each coordinate by FixedRound.
TRect RectFromFixed(const TFixedRect& XR);
TFloatRect FloatRectOf(const TRect& R);

// The overlap of R1 and R2 in Dst. Rectangles that only touch intersect in an empty
// rectangle and give true; disjoint ones give false and Dst = (0, 0, 0, 0). Dst may be
// one of the arguments.
bool IntersectRects(TRect& Dst, const TRect& R1, const TRect& R2);
void GrowRect(TRect& R, int32_t Dx, int32_t Dy);
bool RectIsEmpty(const TRect& R);

}  // namespace raster
