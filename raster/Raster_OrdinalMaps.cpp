#include "raster/Raster_OrdinalMaps.h"

namespace raster {

const TClassInfo TIntegerMap::ClassInfo{"TIntegerMap", &TCustomMap::ClassInfo, {}};

void TIntegerMap::ResizeStorage(int32_t& Width, int32_t& Height, int32_t NewWidth,
                                int32_t NewHeight) {
  // SetSize never passes negative sizes; the product is taken in 64 bits so that a size
  // beyond memory fails in the allocation instead of wrapping to a small one.
  cells_.resize(size_t(uint64_t(NewWidth) * uint64_t(NewHeight)));
  Width = NewWidth;
  Height = NewHeight;
}

}  // namespace raster
