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

TColor32 BilinearInterpolate_MMX(uint32_t WX, uint32_t WY, const TColor32* P1,
                                 const TColor32* P2) {
  const __m64 wx = _mm_set1_pi16(short(WX & 0xFFFF)), wy = _mm_set1_pi16(short(WY & 0xFFFF));
  const __m64 top = Mix(Unpack(P1[0]), Unpack(P1[1]), wx);
  const __m64 bottom = Mix(Unpack(P2[0]), Unpack(P2[1]), wx);
  return TColor32(_mm_cvtsi64_si32(_mm_packs_pu16(Mix(top, bottom, wy), _mm_setzero_si64())));
}

}  // namespace raster
