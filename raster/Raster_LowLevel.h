// Integer routines of the raster library: fill and move of 32-bit cells, swapping,
// ordering, clamping, wrapping and mirroring.
#pragma once

#include "raster/Raster_Types.h"

#include <cstdint>

namespace raster {

// Stores Value into Count consecutive 32-bit cells; nothing when Count <= 0.
using TFillDWordsProc = void (*)(uint32_t* Dest, int32_t Count, uint32_t Value);
extern TFillDWordsProc FillDWords;

// Copies Count cells upwards, cell by cell; nothing when Count <= 0 or Source = Dest.
void MoveDWords(const uint32_t* Source, uint32_t* Dest, int32_t Count);

void SwapInts(int32_t& A, int32_t& B);
// Afterwards A <= B.
void OrderInts(int32_t& A, int32_t& B);
// Max when Value > Max (tested first, so a negative Max comes back), else 0 when Value < 0.
int32_t ClampZeroTo(int32_t Value, int32_t Max);
// Value raised to Min, then lowered to Max: Min > Max gives Max.
int32_t ClampRange(int32_t Value, int32_t Min, int32_t Max);
// Value reduced periodically into Min..Max (Max >= Min).
int32_t WrapRange(int32_t Value, int32_t Min, int32_t Max);
// Value reflected into Min..Max, the edge value repeated at each reflection (Max >= Min).
int32_t MirrorRange(int32_t Value, int32_t Min, int32_t Max);
// Truncating division; Remainder takes the sign of Dividend. Divisor must not be 0.
int32_t DivRem(int32_t Dividend, int32_t Divisor, int32_t& Remainder);

using TWrapProc = int32_t (*)(int32_t Value, int32_t Min, int32_t Max);
// Indexed by TWrapMode: clamp, repeat, mirror.
extern const TWrapProc WrapProcs[3];

// The variants behind FillDWords, for the routine selection, its tests and the benchmark.
// The MMX one (Raster_LowLevel_mmx.cpp) clears the MMX state itself.
void FillDWords_Plain(uint32_t* Dest, int32_t Count, uint32_t Value);
void FillDWords_MMX(uint32_t* Dest, int32_t Count, uint32_t Value);

}  // namespace raster
