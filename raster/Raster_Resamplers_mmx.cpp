// The MMX variants of the resampler unit's inner routines: the block average (the same
// result as the plain one) and the bilinear interpolation, which divides by 256 with
// truncation and leaves the MMX state set.
#include <mmintrin.h>

#include "raster/Raster_Resamplers.h"
#include "raster/Raster_ResamplersBlockSums.h"

namespace raster {
namespace {

__m64 Unpack(TColor32 c) { return _mm_unpacklo_pi8(_mm_cvtsi32_si64(int(c)), _mm_setzero_si64()); }

// ((a - b) w + 256 b) >> 8 per lane: the true value lies in 0..65280, so the 16-bit lane
// arithmetic, which wraps, ends on it exactly.
__m64 Mix(__m64 a, __m64 b, __m64 w) {
  return _mm_srli_pi16(_mm_add_pi16(_mm_mullo_pi16(_mm_sub_pi16(a, b), w), _mm_slli_pi16(b, 8)), 8);
}

}  // namespace

TColor32 AverageBlock_MMX(uint32_t Width, uint32_t Height, const TColor32* Block,
                          int32_t Stride) {
  uint64_t sums[4] = {};
  block_sums::Add(Width, Height, Block, Stride, sums, [](const TColor32*) {});
  return AverageOfSums(sums, uint64_t(Width) * Height);
}

namespace {

// The low 16 bits of a packed weight in all four lanes.
__m64 Lanes(uint32_t W) { return _mm_set1_pi16(short(W & 0xFFFF)); }

TColor32 Interpolate(__m64 wx, __m64 wy, const TColor32* P1, const TColor32* P2) {
  const __m64 top = Mix(Unpack(P1[0]), Unpack(P1[1]), wx);
  const __m64 bottom = Mix(Unpack(P2[0]), Unpack(P2[1]), wx);
  return TColor32(_mm_cvtsi64_si32(_mm_packs_pu16(Mix(top, bottom, wy), _mm_setzero_si64())));
}

}  // namespace

TColor32 BilinearInterpolate_MMX(uint32_t WX, uint32_t WY, const TColor32* P1,
                                 const TColor32* P2) {
  return Interpolate(Lanes(WX), Lanes(WY), P1, P2);
}

// Enlarging, neighbouring pixels read the same source pairs: each pair is unpacked once,
// with the parts of Mix that do not depend on the weight. The packed weights hold their
// weight in both halves, so one unpack spreads them over the four lanes.
void BilinearRow_MMX(const TColor32* Row, int32_t Stride, const int32_t* Positions,
                     const uint32_t* WeightsX, uint32_t WY, TColor32* Out, int32_t Count) {
  const __m64 wy = Lanes(WY);
  int32_t unpacked = -1;
  __m64 upper_difference = _mm_setzero_si64(), upper_base = upper_difference;
  __m64 lower_difference = upper_difference, lower_base = upper_difference;
  for (int32_t i = 0; i < Count; ++i) {
    if (Positions[i] != unpacked) {
      unpacked = Positions[i];
      const TColor32* p = Row + unpacked;
      const __m64 upper_right = Unpack(p[1]), lower_right = Unpack(p[Stride + 1]);
      upper_difference = _mm_sub_pi16(Unpack(p[0]), upper_right);
      upper_base = _mm_slli_pi16(upper_right, 8);
      lower_difference = _mm_sub_pi16(Unpack(p[Stride]), lower_right);
      lower_base = _mm_slli_pi16(lower_right, 8);
    }
    const __m64 packed = _mm_cvtsi32_si64(int(WeightsX[i]));
    const __m64 wx = _mm_unpacklo_pi32(packed, packed);
    const __m64 top = _mm_srli_pi16(_mm_add_pi16(_mm_mullo_pi16(upper_difference, wx), upper_base), 8);
    const __m64 bottom = _mm_srli_pi16(_mm_add_pi16(_mm_mullo_pi16(lower_difference, wx), lower_base), 8);
    Out[i] = TColor32(_mm_cvtsi64_si32(_mm_packs_pu16(Mix(top, bottom, wy), _mm_setzero_si64())));
  }
}

}  // namespace raster
