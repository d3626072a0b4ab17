// The plain line filters, and the filter routine pointers at them.
#include "raster/Raster_Filters.h"

namespace raster {
namespace {

struct Xor { static TColor32 Apply(TColor32 c, TColor32 m) { return c ^ m; } };
struct Or { static TColor32 Apply(TColor32 c, TColor32 m) { return c | m; } };
struct And { static TColor32 Apply(TColor32 c, TColor32 m) { return c & m; } };

constexpr int32_t BlockPixels = 16;

// Whole blocks of 16 cells per step, then the rest one at a time.
template <class Op>
void InPlace(TColor32* Dest, TColor32 Mask, int32_t Count) {
  if (Count <= 0) return;
  for (int32_t blocks = Count / BlockPixels; blocks > 0; --blocks, Dest += BlockPixels)
    for (int32_t i = 0; i < BlockPixels; ++i) Dest[i] = Op::Apply(Dest[i], Mask);
  for (int32_t i = 0; i < Count % BlockPixels; ++i) Dest[i] = Op::Apply(Dest[i], Mask);
}

template <class Op>
void CopyPlain(const TColor32* Source, TColor32* Dest, int32_t Count, TColor32 Mask) {
  for (int32_t i = 0; i < Count; ++i) Dest[i] = Op::Apply(Source[i], Mask);
}

}  // namespace

TLogicalMaskLine XorPixels = InPlace<Xor>;
TLogicalMaskLine OrPixels = InPlace<Or>;
TLogicalMaskLine AndPixels = InPlace<And>;
TLogicalMaskLineTo XorPixelsTo = CopyPlain<Xor>;
TLogicalMaskLineTo OrPixelsTo = CopyPlain<Or>;
TLogicalMaskLineTo AndPixelsTo = CopyPlain<And>;

const TLineFilterSet PlainLineFilters = {CopyPlain<Xor>, CopyPlain<Or>, CopyPlain<And>};

}  // namespace raster
