// The MMX variant of FillDWords. An odd count stores one cell first (a single cell never
// touches the MMX state); the rest goes in 64-bit stores of two copies of Value, then
// EMMS, so callers need not leave the MMX state.
#include <mmintrin.h>

#include "raster/Raster_LowLevel.h"

namespace raster {

void FillDWords_MMX(uint32_t* Dest, int32_t Count, uint32_t Value) {
  if (Count <= 0) return;
  if (Count & 1) {
    *Dest++ = Value;
    if (--Count == 0) return;
  }
  const __m64 pair = _mm_set1_pi32(int(Value));
  __m64* cells = reinterpret_cast<__m64*>(Dest);
  for (int32_t i = 0; i < Count / 2; ++i) cells[i] = pair;
  _mm_empty();
}

}  // namespace raster
