// The channel sums of a pixel block in MMX registers, shared by the MMX and 3DNow! block
// averages. Include only from files compiled with MMX enabled.
#pragma once

#include <mmintrin.h>

#include <algorithm>
#include <cstdint>

#include "raster/Raster_Types.h"

namespace raster {
namespace block_sums {

// Adds the four channels of a block to Sums (blue, green, red, alpha). Each row is summed
// in 16-bit lanes over runs of at most 257 pixels (255 x 257 is the largest lane sum that
// fits), then widened into the 64-bit sums. Prefetch(p) is called before pixel p is read.
template <typename Prefetch>
void Add(uint32_t Width, uint32_t Height, const TColor32* Block, int32_t Stride,
         uint64_t Sums[4], Prefetch prefetch) {
  constexpr uint32_t LaneRun = 257;
  const __m64 zero = _mm_setzero_si64();
  const uint8_t* row = reinterpret_cast<const uint8_t*>(Block);
  for (uint32_t y = 0; y < Height; ++y, row += Stride) {
    const TColor32* pixels = reinterpret_cast<const TColor32*>(row);
    for (uint32_t x = 0; x < Width;) {
      const uint32_t end = std::min(Width, x + LaneRun);
      __m64 lanes = zero;
      for (; x < end; ++x) {
        prefetch(pixels + x);
        lanes = _mm_add_pi16(lanes, _mm_unpacklo_pi8(_mm_cvtsi32_si64(int(pixels[x])), zero));
      }
      const uint32_t low = uint32_t(_mm_cvtsi64_si32(lanes));
      const uint32_t high = uint32_t(_mm_cvtsi64_si32(_mm_srli_si64(lanes, 32)));
      Sums[0] += low & 0xFFFF;
      Sums[1] += low >> 16;
      Sums[2] += high & 0xFFFF;
      Sums[3] += high >> 16;
    }
  }
  _mm_empty();
}

}  // namespace block_sums
}  // namespace raster
