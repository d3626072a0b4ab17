// Extended-MMX line filters: as the MMX ones, with the writes of each block done as
// non-temporal stores (MOVNTQ) that keep the written row out of the cache, fenced (SFENCE)
// before EMMS so that later reads see them in order. Inline assembly on MMX registers
// only, for the reason given in Raster_Blend_emmx.cpp.

#include "raster/Raster_Filters.h"

namespace raster {
namespace {

// Four 64-bit values at `offset` of the source, combined with the mask in mm7, streamed
// to the same offset of the destination.
#define RASTER_QUAD(instruction, offset)                                                  \
  "movq " #offset "(%0), %%mm0\n\t"                                                       \
  "movq " #offset "+8(%0), %%mm1\n\t"                                                     \
  "movq " #offset "+16(%0), %%mm2\n\t"                                                    \
  "movq " #offset "+24(%0), %%mm3\n\t"                                                    \
  instruction " %%mm7, %%mm0\n\t" instruction " %%mm7, %%mm1\n\t"                         \
  instruction " %%mm7, %%mm2\n\t" instruction " %%mm7, %%mm3\n\t"                         \
  "movntq %%mm0, " #offset "(%1)\n\t"                                                     \
  "movntq %%mm1, " #offset "+8(%1)\n\t"                                                   \
  "movntq %%mm2, " #offset "+16(%1)\n\t"                                                  \
  "movntq %%mm3, " #offset "+24(%1)\n\t"

#define RASTER_STREAMING_FILTER(name, instruction, op)                                    \
  void name(const TColor32* Source, TColor32* Dest, int32_t Count, TColor32 Mask) {       \
    if (Count <= 0) return;                                                               \
    int32_t blocks = Count / 16;                                                          \
    if (blocks > 0) {                                                                     \
      __asm__ volatile(                                                                   \
          "movd %3, %%mm7\n\t"                                                            \
          "punpckldq %%mm7, %%mm7\n"                                                      \
          "1:\n\t" RASTER_QUAD(instruction, 0) RASTER_QUAD(instruction, 32)               \
          "add $64, %0\n\t"                                                               \
          "add $64, %1\n\t"                                                               \
          "decl %2\n\t"                                                                   \
          "jnz 1b\n\t"                                                                    \
          "sfence\n\t"                                                                    \
          "emms"                                                                          \
          : "+r"(Source), "+r"(Dest), "+r"(blocks)                                        \
          : "r"(Mask)                                                                     \
          : "mm0", "mm1", "mm2", "mm3", "mm7", "memory", "cc");                           \
    }                                                                                     \
    for (int32_t i = 0; i < Count % 16; ++i) Dest[i] = Source[i] op Mask;                 \
  }

RASTER_STREAMING_FILTER(XorPixelsTo_EMMX, "pxor", ^)
RASTER_STREAMING_FILTER(OrPixelsTo_EMMX, "por", |)
RASTER_STREAMING_FILTER(AndPixelsTo_EMMX, "pand", &)

#undef RASTER_STREAMING_FILTER
#undef RASTER_QUAD

}  // namespace

const TLineFilterSet EmmxLineFilters = {XorPixelsTo_EMMX, OrPixelsTo_EMMX, AndPixelsTo_EMMX};

}  // namespace raster
