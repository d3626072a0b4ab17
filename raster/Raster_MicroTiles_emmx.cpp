// The extended-MMX union of tile boxes: PMINUB on the upper half word (left, top) and
// PMAXUB on the lower one (right, bottom), both at once on a whole box. Inline assembly on
// MMX registers only, for the reason given in Raster_Blend_emmx.cpp. Each routine clears
// the MMX state (EMMS) before it returns, so callers need not.

#include "raster/Raster_MicroTilesVariants.h"

namespace raster {
namespace {

// The union of two boxes that both hold an area; leaves the MMX state set.
inline TTileBox MinMaxBytes(TTileBox Dst, TTileBox Src) {
  TTileBox minimum, maximum;
  __asm__ volatile(
      "movd %2, %%mm0\n\t"
      "movd %3, %%mm1\n\t"
      "movq %%mm0, %%mm2\n\t"
      "pminub %%mm1, %%mm0\n\t"
      "pmaxub %%mm1, %%mm2\n\t"
      "movd %%mm0, %0\n\t"
      "movd %%mm2, %1"
      : "=r"(minimum), "=r"(maximum)
      : "r"(Dst), "r"(Src)
      : "mm0", "mm1", "mm2");
  return (minimum & 0xFFFF0000u) | (maximum & 0x0000FFFFu);
}

inline void LeaveMmx() { __asm__ volatile("emms" ::: "memory"); }

void TileBoxUnion_EMMX(TTileBox& Dst, TTileBox Src) {
  if (UnionKeepsDestination(Dst, Src)) return;
  if (UnionTakesSource(Dst, Src)) {
    Dst = Src;
    return;
  }
  Dst = MinMaxBytes(Dst, Src);
  LeaveMmx();
}

void TileBlockUnion_EMMX(TTileBox* Dst, int32_t DstStride, const TTileBox* Src,
                         int32_t SrcStride, int32_t Columns, int32_t Rows) {
  bool mmx_used = false;
  for (int32_t row = 0; row < Rows; ++row, Dst += DstStride, Src += SrcStride) {
    for (int32_t column = 0; column < Columns; ++column) {
      TTileBox& dst = Dst[column];
      const TTileBox src = Src[column];
      if (UnionKeepsDestination(dst, src)) continue;
      if (UnionTakesSource(dst, src)) {
        dst = src;
        continue;
      }
      dst = MinMaxBytes(dst, src);
      mmx_used = true;
    }
  }
  if (mmx_used) LeaveMmx();
}

}  // namespace

const TTileRoutineSet EmmxTileRoutines = {TileBoxUnion_EMMX, TileBlockUnion_EMMX};

}  // namespace raster
