// The plain variants of the combine, blend and colour routines: 32-bit integer code that
// runs on every processor. Two channels share one multiply (red with blue, alpha with
// green) through the mask 0x00FF00FF.
#include "raster/Raster_BlendVariants.h"

#include <algorithm>

namespace raster {
namespace {

constexpr uint32_t PairMask = 0x00FF00FF;
constexpr uint32_t PairRounding = 0x00800080;

// floor((c x W + 128) / 256) for each channel; no lane can overflow into the next since
// 255 x 255 + 128 < 65536.
uint32_t ScaleChannels(uint32_t C, uint32_t W) {
  const uint32_t red_blue = (((C & PairMask) * W + PairRounding) >> 8) & PairMask;
  const uint32_t alpha_green = ((((C >> 8) & PairMask) * W + PairRounding)) & ~PairMask;
  return red_blue | alpha_green;
}

// floor((Xc W + 128) / 256) + floor((Yc (255 - W) + 128) / 256): the sum stays within a
// byte, so the channels never carry into each other.
TColor32 Mix(TColor32 X, TColor32 Y, uint32_t W) {
  return ScaleChannels(X, W) + ScaleChannels(Y, 255 - W);
}

// Source alpha scaled by the master alpha: floor((M + 1) Fa / 256).
uint32_t MasterWeight(TColor32 F, uint32_t M) { return (M + 1) * AlphaOf(F) >> 8; }

// Colour channels mixed with W, no shortcut for W = 255; the result alpha is 0.
TColor32 MasterMix(TColor32 F, TColor32 B, uint32_t W) { return Mix(F, B, W) & 0x00FFFFFF; }

// Applies a channel operation to each of the four channels.
template <class Op>
TColor32 PerChannel(TColor32 C1, TColor32 C2, Op op) {
  TColor32 result = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t c1 = (C1 >> shift) & 0xFF, c2 = (C2 >> shift) & 0xFF;
    result |= (uint32_t(op(c1, c2)) & 0xFF) << shift;
  }
  return result;
}

}  // namespace

TColor32 CombineColors_Plain(TColor32 X, TColor32 Y, uint32_t W) {
  if (W == 0) return Y;
  if (W == 255) return X;
  return Mix(X, Y, W);
}

void CombineInto_Plain(TColor32 X, TColor32& Y, uint32_t W) {
  if (W == 0) return;
  Y = W == 255 ? X : Mix(X, Y, W);
}

void CombineRow_Plain(const TColor32* Source, TColor32* Dest, int32_t Count, uint32_t W) {
  for (int32_t i = 0; i < Count; ++i) CombineInto_Plain(Source[i], Dest[i], W);
}

TColor32 BlendColors_Plain(TColor32 F, TColor32 B) {
  const uint32_t fa = AlphaOf(F);
  if (fa == 255) return F;
  if (fa == 0) return B;
  return Mix(F, B, fa);
}

void BlendInto_Plain(TColor32 F, TColor32& B) {
  const uint32_t fa = AlphaOf(F);
  if (fa == 0) return;
  B = fa == 255 ? F : Mix(F, B, fa);
}

void BlendRow_Plain(const TColor32* Source, TColor32* Dest, int32_t Count) {
  for (int32_t i = 0; i < Count; ++i) BlendInto_Plain(Source[i], Dest[i]);
}

TColor32 MasterBlendColors_Plain(TColor32 F, TColor32 B, uint32_t M) {
  const uint32_t w = MasterWeight(F, M);
  return w == 0 ? B : MasterMix(F, B, w);
}

void MasterBlendInto_Plain(TColor32 F, TColor32& B, uint32_t M) {
  const uint32_t w = MasterWeight(F, M);
  if (w != 0) B = MasterMix(F, B, w);
}

void MasterBlendRow_Plain(const TColor32* Source, TColor32* Dest, int32_t Count, uint32_t M) {
  for (int32_t i = 0; i < Count; ++i) MasterBlendInto_Plain(Source[i], Dest[i], M);
}

TColor32 AddColors_Plain(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](uint32_t a, uint32_t b) { return std::min(255u, a + b); });
}

TColor32 SubtractColors_Plain(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](uint32_t a, uint32_t b) { return a > b ? a - b : 0; });
}

TColor32 ModulateColors_Plain(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](uint32_t a, uint32_t b) { return a * b >> 8; });
}

TColor32 MaxColors_Plain(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](uint32_t a, uint32_t b) { return std::max(a, b); });
}

TColor32 MinColors_Plain(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](uint32_t a, uint32_t b) { return std::min(a, b); });
}

TColor32 DifferenceColors_Plain(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](uint32_t a, uint32_t b) { return a > b ? a - b : b - a; });
}

TColor32 AverageColors_Plain(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](uint32_t a, uint32_t b) { return (a + b) >> 1; });
}

TColor32 ExclusionColors_Plain(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](uint32_t a, uint32_t b) { return a + b - (a * b >> 7); });
}

TColor32 ScaleColor_Plain(TColor32 C, uint32_t W) {
  return PerChannel(C, 0, [W](uint32_t c, uint32_t) { return c * W >> 8; });
}

TColor32 DivideColors_Plain(TColor32 C1, TColor32 C2) {
  return PerChannel(C1, C2, [](uint32_t a, uint32_t b) {
    return a == 0 ? 255u : std::min(255u, (b << 8) / a);
  });
}

}  // namespace raster
