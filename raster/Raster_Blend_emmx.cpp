// The extended-MMX variants of the channel maximum, minimum and average: the byte
// instructions PMAXUB, PMINUB and PAVGB that came with SSE and with the AMD MMX
// extensions. They are written as inline assembly on MMX registers only: a processor with
// the AMD extensions but without SSE must not meet an SSE register, which the compiler
// would use for the intrinsics' moves.
//
// The average rounds up, (c1 + c2 + 1) >> 1, where the plain variant rounds down. These
// routines leave the MMX state set, like the MMX variants.
// The build gives extended-MMX files the SSE flag; this file takes it back, so that the
// compiler cannot use SSE registers for its own code (a vectorized tail loop, say).
#pragma GCC target("no-sse")

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
