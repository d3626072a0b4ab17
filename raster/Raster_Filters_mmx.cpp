// MMX line filters: 64-bit loads and stores, EMMS after the block loop.
#include "Raster_FiltersBlocks.h"

namespace raster {
namespace {

struct PlainStore {
  static void Put(__m64* at, __m64 value) { *at = value; }
  static void Finish() {}
};

}  // namespace

const TLineFilterSet MmxLineFilters = filter_blocks::LineFilterSet<PlainStore>();

}  // namespace raster
