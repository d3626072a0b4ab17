// The extended-MMX variants of the channel maximum, minimum and average: the byte
// instructions PMAXUB, PMINUB and PAVGB that came with SSE and with the AMD MMX
// extensions. They are written as inline assembly on MMX registers only: the compiler
// offers them only as SSE intrinsics (xmmintrin.h, behind the SSE target) and has no flag
// for the MMX extensions alone, and a processor with the AMD extensions but without SSE
// must not meet an SSE register. So the extended-MMX files are compiled with -mmmx like
// the MMX ones, which keeps SSE out of everything the compiler generates for them.
//
// The average rounds up, (c1 + c2 + 1) >> 1, where the plain variant rounds down. These
// routines leave the MMX state set, like the MMX variants.

#include "raster/Raster_BlendVariants.h"

namespace raster {
namespace {

#define RASTER_EMMX_CHANNEL_OP(name, instruction)                                      \
  TColor32 name(TColor32 C1, TColor32 C2) {                                            \
    TColor32 result;                                                                   \
    __asm__("movd %1, %%mm0\n\t"                                                       \
            "movd %2, %%mm1\n\t" instruction " %%mm1, %%mm0\n\t"                       \
            "movd %%mm0, %0"                                                           \
            : "=r"(result)                                                             \
            : "r"(C1), "r"(C2)                                                         \
            : "mm0", "mm1");                                                           \
    return result;                                                                     \
  }

RASTER_EMMX_CHANNEL_OP(MaxColors_EMMX, "pmaxub")
RASTER_EMMX_CHANNEL_OP(MinColors_EMMX, "pminub")
RASTER_EMMX_CHANNEL_OP(AverageColors_EMMX, "pavgb")

#undef RASTER_EMMX_CHANNEL_OP

}  // namespace

const TChannelExtremaSet EmmxChannelExtrema = {MaxColors_EMMX, MinColors_EMMX,
                                               AverageColors_EMMX};

}  // namespace raster
