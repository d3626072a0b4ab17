// The 3DNow! block average: the MMX one with a prefetch 512 bytes ahead of each pixel read.
#include <mm3dnow.h>

#include "raster/Raster_Resamplers.h"
#include "raster/Raster_ResamplersBlockSums.h"

namespace raster {

TColor32 AverageBlock_3DNow(uint32_t Width, uint32_t Height, const TColor32* Block,
                            int32_t Stride) {
  uint64_t sums[4] = {};
  block_sums::Add(Width, Height, Block, Stride, sums, [](const TColor32* p) {
    _m_prefetch(reinterpret_cast<void*>(uintptr_t(p) + 512));  // never faults
  });
  return AverageOfSums(sums, uint64_t(Width) * Height);
}

}  // namespace raster
