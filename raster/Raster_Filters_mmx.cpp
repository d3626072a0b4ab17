// MMX line filters: Count div 16 blocks of 16 pixels, each read as eight 64-bit values,
// combined with the doubled mask and written back as eight 64-bit values; EMMS after the
// blocks, so callers need not leave the MMX state; then the rest one pixel at a time in
// 32-bit code.
#include <mmintrin.h>

#include "raster/Raster_Filters.h"

namespace raster {
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

template <class Op>
void MaskLineTo_MMX(const TColor32* Source, TColor32* Dest, int32_t Count, TColor32 Mask) {
  if (Count <= 0) return;
  const int32_t blocks = Count / 16;
  if (blocks > 0) {
    const __m64 mask = _mm_set1_pi32(int(Mask));
    for (int32_t b = 0; b < blocks; ++b, Source += 16, Dest += 16) {
      const __m64* in = reinterpret_cast<const __m64*>(Source);
      __m64* out = reinterpret_cast<__m64*>(Dest);
      // Two groups of four: with the mask they fit the eight MMX registers, so nothing
      // spills through memory. Each value is read before it is written, so Source and
      // Dest may be the same row.
      for (int half = 0; half < 8; half += 4) {
        const __m64 v0 = in[half], v1 = in[half + 1], v2 = in[half + 2], v3 = in[half + 3];
        out[half] = Op::Apply(v0, mask);
        out[half + 1] = Op::Apply(v1, mask);
        out[half + 2] = Op::Apply(v2, mask);
        out[half + 3] = Op::Apply(v3, mask);
      }
    }
    _mm_empty();
  }
  for (int32_t i = 0; i < Count % 16; ++i) Dest[i] = Op::Apply(Source[i], Mask);
}

}  // namespace

const TLineFilterSet MmxLineFilters = {MaskLineTo_MMX<Xor>, MaskLineTo_MMX<Or>,
                                       MaskLineTo_MMX<And>};

}  // namespace raster
