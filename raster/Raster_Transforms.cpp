#include "raster/Raster_Transforms.h"


namespace raster {

const TClassInfo TTransformation::ClassInfo{"TTransformation",
                                            &TNotifiablePersistent::ClassInfo, {}};

namespace {

constexpr float FixedToFloat = 1.0f / 65536.0f;  // exact: a power of two

// 16.16 to integer with exact halves going down (1.5 -> 1, -1.5 -> -2).
int32_t RoundFixedDown(TFixed v) { return int32_t(uint32_t(v) + 0x7FFFu) >> 16; }

// v x 65536 is exact in single precision; FixedOf rounds it, ties to even.
TFixed FixedFromFloat(float v) { return FixedOf(v); }

}  // namespace

void TTransformation::Changed() {
  prepared_ = false;
  TNotifiablePersistent::Changed();
}

void TTransformation::ReverseInt(int32_t X, int32_t Y, int32_t& DstX, int32_t& DstY) {
  TFixed x = 0, y = 0;
  ReverseFixed(FixedOf(X), FixedOf(Y), x, y);
  DstX = RoundFixedDown(x);
  DstY = RoundFixedDown(y);
}

void TTransformation::ReverseFixed(TFixed X, TFixed Y, TFixed& DstX, TFixed& DstY) {
  float x = 0, y = 0;
  ReverseFloat(float(X) * FixedToFloat, float(Y) * FixedToFloat, x, y);
  DstX = FixedFromFloat(x);
  DstY = FixedFromFloat(y);
}

void TTransformation::ReverseFloat(float, float, float&, float&) {
  throw ETransformNotImplemented("Reverse transformation is not implemented in " + ClassName() +
                                 ".");
}

void TTransformation::ForwardInt(int32_t X, int32_t Y, int32_t& DstX, int32_t& DstY) {
  TFixed x = 0, y = 0;
  ForwardFixed(FixedOf(X), FixedOf(Y), x, y);
  DstX = RoundFixedDown(x);
  DstY = RoundFixedDown(y);
}

void TTransformation::ForwardFixed(TFixed X, TFixed Y, TFixed& DstX, TFixed& DstY) {
  float x = 0, y = 0;
  ForwardFloat(float(X) * FixedToFloat, float(Y) * FixedToFloat, x, y);
  DstX = FixedFromFloat(x);
  DstY = FixedFromFloat(y);
}

void TTransformation::ForwardFloat(float, float, float&, float&) {
  throw ETransformNotImplemented("Forward transformation is not implemented in " + ClassName() +
                                 ".");
}

TRect TTransformation::MappedBounds(const TFloatRect& Source) { return RectFromFloat(Source); }

TPoint32 TTransformation::ReversePoint(const TPoint32& P) {
  EnsurePrepared();
  TPoint32 result{};
  ReverseInt(P.X, P.Y, result.X, result.Y);
  return result;
}

TFixedPoint TTransformation::ReverseFixedPoint(const TFixedPoint& P) {
  EnsurePrepared();
  TFixedPoint result{};
  ReverseFixed(P.X, P.Y, result.X, result.Y);
  return result;
}

TFloatPoint TTransformation::ReverseFloatPoint(const TFloatPoint& P) {
  EnsurePrepared();
  TFloatPoint result{};
  ReverseFloat(P.X, P.Y, result.X, result.Y);
  return result;
}

TPoint32 TTransformation::ForwardPoint(const TPoint32& P) {
  EnsurePrepared();
  TPoint32 result{};
  ForwardInt(P.X, P.Y, result.X, result.Y);
  return result;
}

TFixedPoint TTransformation::ForwardFixedPoint(const TFixedPoint& P) {
  EnsurePrepared();
  TFixedPoint result{};
  ForwardFixed(P.X, P.Y, result.X, result.Y);
  return result;
}

TFloatPoint TTransformation::ForwardFloatPoint(const TFloatPoint& P) {
  EnsurePrepared();
  TFloatPoint result{};
  ForwardFloat(P.X, P.Y, result.X, result.Y);
  return result;
}

}  // namespace raster
