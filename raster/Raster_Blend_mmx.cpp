// The MMX variants of the combine, blend and colour routines. Each pixel is unpacked into
// one 64-bit register of four 16-bit lanes; the weight comes from WeightVectors.
//
// These routines leave the MMX state set: callers run LeaveMmxState after a run of calls.
//
// Their rounding differs from the plain variants: a combine is
//   floor((Xc W + Yc (256 - W) + 128) / 256),
// computed as ((Xc - Yc) W + Yc 256 + 128) >> 8 in 16-bit lanes (the product modulo 2^16,
// exact because the sum lies in 0..65408), with no special case for W = 255 in the value
// forms.
#include <mmintrin.h>

#include "raster/Raster_BlendVariants.h"
#include "raster/Raster_LowLevel.h"

namespace raster {
namespace {

__m64 Unpack(TColor32 c) { return _mm_unpacklo_pi8(_mm_cvtsi32_si64(int(c)), _mm_setzero_si64()); }

TColor32 Pack(__m64 lanes) {
  return TColor32(_mm_cvtsi64_si32(_mm_packs_pu16(lanes, _mm_setzero_si64())));
}

__m64 Weight(uint32_t w) { return reinterpret_cast<const __m64*>(WeightVectors)[w]; }

__m64 Rounding() { return *reinterpret_cast<const __m64*>(RoundingVector); }

// ((X - Y) W + 256 Y + 128) >> 8 on each of the four lanes.
TColor32 Mix(TColor32 X, TColor32 Y, uint32_t W) {
  const __m64 x = Unpack(X), y = Unpack(Y);
  __m64 sum = _mm_mullo_pi16(_mm_sub_pi16(x, y), Weight(W));
  sum = _mm_add_pi16(sum, _mm_slli_pi16(y, 8));
  sum = _mm_add_pi16(sum, Rounding());
  return Pack(_mm_srli_pi16(sum, 8));
}

TColor32 CombineColors_MMX(TColor32 X, TColor32 Y, uint32_t W) { return Mix(X, Y, W); }

void CombineInto_MMX(TColor32 X, TColor32& Y, uint32_t W) {
  if (W == 0) return;
  Y = W == 255 ? X : Mix(X, Y, W);
}

void CombineRow_MMX(const TColor32* Source, TColor32* Dest, int32_t Count, uint32_t W) {
  if (Count <= 0 || W == 0) return;
  if (W == 255) {
    MoveDWords(Source, Dest, Count);
    return;
  }
  for (int32_t i = 0; i < Count; ++i) Dest[i] = Mix(Source[i], Dest[i], W);
}

TColor32 BlendColors_MMX(TColor32 F, TColor32 B) { return Mix(F, B, AlphaOf(F)); }

void BlendInto_MMX(TColor32 F, TColor32& B) {
  const uint32_t fa = AlphaOf(F);
  if (fa == 0) return;
  B = fa == 255 ? F : Mix(F, B, fa);
}

void BlendRow_MMX(const TColor32* Source, TColor32* Dest, int32_t Count) {
  for (int32_t i = 0; i < Count; ++i) BlendInto_MMX(Source[i], Dest[i]);
}

TColor32 MasterBlendColors_MMX(TColor32 F, TColor32 B, uint32_t M) {
  const uint32_t w = (M + 1) * AlphaOf(F) >> 8;
  return w == 0 ? B : Mix(F, B, w);
}

void MasterBlendInto_MMX(TColor32 F, TColor32& B, uint32_t M) {
  const uint32_t w = (M + 1) * AlphaOf(F) >> 8;
  if (w != 0) B = Mix(F, B, w);
}

// The row form takes its weight as floor((Fa + 1) M / 256): the +1 on the other factor
// than in the value forms, so the two differ for about a third of the (Fa, M) pairs.
void MasterBlendRow_MMX(const TColor32* Source, TColor32* Dest, int32_t Count, uint32_t M) {
  for (int32_t i = 0; i < Count; ++i) {
    const uint32_t fa = AlphaOf(Source[i]);
    if (fa == 0) continue;
    const uint32_t w = (fa + 1) * M >> 8;
    if (w != 0) Dest[i] = Mix(Source[i], Dest[i], w);
  }
}

__m64 Load(TColor32 c) { return _mm_cvtsi32_si64(int(c)); }
TColor32 Store(__m64 v) { return TColor32(_mm_cvtsi64_si32(v)); }

TColor32 AddColors_MMX(TColor32 C1, TColor32 C2) { return Store(_mm_adds_pu8(Load(C1), Load(C2))); }

TColor32 SubtractColors_MMX(TColor32 C1, TColor32 C2) {
  return Store(_mm_subs_pu8(Load(C1), Load(C2)));
}

TColor32 ModulateColors_MMX(TColor32 C1, TColor32 C2) {
  return Pack(_mm_srli_pi16(_mm_mullo_pi16(Unpack(C1), Unpack(C2)), 8));
}

// |a - b| as the saturated difference taken both ways: one of them is 0.
TColor32 DifferenceColors_MMX(TColor32 C1, TColor32 C2) {
  const __m64 a = Load(C1), b = Load(C2);
  return Store(_mm_or_si64(_mm_subs_pu8(a, b), _mm_subs_pu8(b, a)));
}

TColor32 ExclusionColors_MMX(TColor32 C1, TColor32 C2) {
  const __m64 a = Unpack(C1), b = Unpack(C2);
  const __m64 product = _mm_srli_pi16(_mm_mullo_pi16(a, b), 7);
  return Pack(_mm_sub_pi16(_mm_add_pi16(a, b), product));
}

TColor32 ScaleColor_MMX(TColor32 C, uint32_t W) {
  return Pack(_mm_srli_pi16(_mm_mullo_pi16(Unpack(C), Weight(W)), 8));
}

}  // namespace

const TCombineBlendSet MmxCombineBlend = {
    CombineColors_MMX,    CombineInto_MMX,     CombineRow_MMX,       BlendColors_MMX,
    BlendInto_MMX,        MasterBlendColors_MMX, MasterBlendInto_MMX, BlendRow_MMX,
    MasterBlendRow_MMX,   AddColors_MMX,       SubtractColors_MMX,   ModulateColors_MMX,
    DifferenceColors_MMX, ExclusionColors_MMX, ScaleColor_MMX,
};

}  // namespace raster
