// The MMX variant of the bitmap unit's pixel interpolator: the four channels of a pixel
// in the four 16-bit lanes of one register. It leaves the MMX state set; callers run
// LeaveMmxState after a run of calls. It is declared in Raster.h; this file includes only
// the pixel types, so that nothing but this routine is compiled with MMX enabled.
#include <mmintrin.h>

#include <algorithm>

#include "raster/Raster_Types.h"

namespace raster {
namespace {

__m64 Unpack(TColor32 c) { return _mm_unpacklo_pi8(_mm_cvtsi32_si64(int(c)), _mm_setzero_si64()); }

// floor((right (256 - w) + left w) / 256) per lane. Each product and the sum stay within
// 255 x 256, so the 16-bit lanes hold them unsigned.
__m64 Mix(__m64 left, __m64 right, uint32_t w) {
  const __m64 left_weight = _mm_set1_pi16(short(w));
  const __m64 right_weight = _mm_set1_pi16(short(256 - w));
  const __m64 sum = _mm_add_pi16(_mm_mullo_pi16(left, left_weight),
                                 _mm_mullo_pi16(right, right_weight));
  return _mm_srli_pi16(sum, 8);
}

}  // namespace

TColor32 PixelInterpolator_MMX(uint32_t WX, uint32_t WY, const TColor32* P1,
                               const TColor32* P2) {
  WX = std::min(WX, 256u);
  WY = std::min(WY, 256u);
  const __m64 upper = Mix(Unpack(P1[0]), Unpack(P1[1]), WX);
  const __m64 lower = Mix(Unpack(P2[0]), Unpack(P2[1]), WX);
  const __m64 result = Mix(upper, lower, WY);
  return TColor32(_mm_cvtsi64_si32(_mm_packs_pu16(result, _mm_setzero_si64())));
}

}  // namespace raster
