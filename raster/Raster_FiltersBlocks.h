// The block loop of the MMX line filters: Count div 16 blocks of
// 16 pixels, each read as eight 64-bit values, combined with the doubled mask and written
// by Store; EMMS after the blocks; then the rest one pixel at a time in 32-bit code.
// Included only by the variant files, which are compiled with the instruction sets used.
#pragma once

#include <mmintrin.h>

#include "Raster_Filters.h"

namespace raster {
// Internal linkage: each variant file gets its own copy, compiled with its own flags, so
// the linker cannot pick the copy of one instruction set for the other.
namespace filter_blocks {
namespace {

struct Xor {
  static __m64 Apply(__m64 c, __m64 m) { return _mm_xor_si64(c, m); }
  static TColor32 Apply(TColor32 c, TColor32 m) { return c ^ m; }
};
struct Or {
  static __m64 Apply(__m64 c, __m64 m) { return _mm_or_si64(c, m); }
  static TColor32 Apply(TColor32 c, TColor32 m) { return c | m; }
};
struct And {
  static __m64 Apply(__m64 c, __m64 m) { return _mm_and_si64(c, m); }
  static TColor32 Apply(TColor32 c, TColor32 m) { return c & m; }
};

template <class Op, class Store>
void MaskLineTo(const TColor32* Source, TColor32* Dest, int32_t Count, TColor32 Mask) {
  if (Count <= 0) return;
  const int32_t blocks = Count / 16;
  if (blocks > 0) {
    const __m64 mask = _mm_set1_pi32(int(Mask));
    for (int32_t b = 0; b < blocks; ++b, Source += 16, Dest += 16) {
      const __m64* in = reinterpret_cast<const __m64*>(Source);
      __m64* out = reinterpret_cast<__m64*>(Dest);
      // All eight reads before the writes, so that Source and Dest may be the same row.
      const __m64 v0 = in[0], v1 = in[1], v2 = in[2], v3 = in[3];
      const __m64 v4 = in[4], v5 = in[5], v6 = in[6], v7 = in[7];
      Store::Put(out + 0, Op::Apply(v0, mask));
      Store::Put(out + 1, Op::Apply(v1, mask));
      Store::Put(out + 2, Op::Apply(v2, mask));
      Store::Put(out + 3, Op::Apply(v3, mask));
      Store::Put(out + 4, Op::Apply(v4, mask));
      Store::Put(out + 5, Op::Apply(v5, mask));
      Store::Put(out + 6, Op::Apply(v6, mask));
      Store::Put(out + 7, Op::Apply(v7, mask));
    }
    Store::Finish();
    _mm_empty();
  }
  for (int32_t i = 0; i < Count % 16; ++i) Dest[i] = Op::Apply(Source[i], Mask);
}

template <class Store>
constexpr TLineFilterSet LineFilterSet() {
  return {MaskLineTo<Xor, Store>, MaskLineTo<Or, Store>, MaskLineTo<And, Store>};
}

}  // namespace
}  // namespace filter_blocks
}  // namespace raster
