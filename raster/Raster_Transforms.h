// The base of coordinate transformations. A transformation maps points forward (source to
// destination) and in reverse, in integer, 16.16 fixed-point and single-precision form; the
// integer and fixed forms are derived from the floating-point ones, which a concrete
// transformation provides. The base itself maps nothing: its floating-point mappings raise
// ETransformNotImplemented.
#pragma once

#include "raster/Raster.h"

#include <cstdint>

namespace raster {

class ETransformNotImplemented : public Exception {
 public:
  using Exception::Exception;
};

struct TPoint32 {
  int32_t X, Y;
};
struct TFixedPoint {
  TFixed X, Y;
};
struct TFloatPoint {
  float X, Y;
};

class TTransformation : public TNotifiablePersistent {
 public:
  static const TClassInfo ClassInfo;
  TClass ClassType() const override { return &ClassInfo; }

  // Every change makes the cached state of a concrete transformation stale.
  void Changed() override;
  bool Prepared() const { return prepared_; }

  // Computes the cached state of a concrete transformation; the base has none.
  virtual void Prepare() {}
  // Integer forms: the fixed form at X x 65536, its results rounded as (v + 0x7FFF) >> 16
  // (arithmetic), so that exact halves go down. Valid for -32768 <= X, Y <= 32767.
  virtual void ReverseInt(int32_t X, int32_t Y, int32_t& DstX, int32_t& DstY);
  // Fixed forms: the float form at X / 65536, its results as round(v x 65536), ties to even.
  virtual void ReverseFixed(TFixed X, TFixed Y, TFixed& DstX, TFixed& DstY);
  virtual void ReverseFloat(float X, float Y, float& DstX, float& DstY);
  virtual void ForwardInt(int32_t X, int32_t Y, int32_t& DstX, int32_t& DstY);
  virtual void ForwardFixed(TFixed X, TFixed Y, TFixed& DstX, TFixed& DstY);
  virtual void ForwardFloat(float X, float Y, float& DstX, float& DstY);
  virtual bool HasMappedBounds() const { return true; }
  // Each side rounded to the nearest integer, ties to even.
  virtual TRect MappedBounds(const TFloatRect& Source);

  // The point forms prepare the transformation first when it is not prepared.
  TPoint32 ReversePoint(const TPoint32& P);
  TFixedPoint ReverseFixedPoint(const TFixedPoint& P);
  TFloatPoint ReverseFloatPoint(const TFloatPoint& P);
  TPoint32 ForwardPoint(const TPoint32& P);
  TFixedPoint ForwardFixedPoint(const TFixedPoint& P);
  TFloatPoint ForwardFloatPoint(const TFloatPoint& P);

 protected:
  // For concrete transformations, once their state is computed.
  void SetPrepared(bool Value) { prepared_ = Value; }

 private:
  void EnsurePrepared() {
    if (!prepared_) Prepare();
  }

  bool prepared_ = false;
};

}  // namespace raster
