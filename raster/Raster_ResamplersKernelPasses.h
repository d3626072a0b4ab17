// The two passes of ResampleKernel as processor variants. The horizontal pass filters a
// source row into a row of channel sums, the vertical pass weighs and sums such rows into
// one destination row. A variant may keep its sums in a layout of its own, so the two
// passes of one variant always go together, as one set: the selection installs a set, and
// ResampleKernel uses the plain set where the installed one cannot take the call's weights.
// Used by ResampleKernel (Raster_Resamplers_Transfers.cpp), the routine selection, its
// tests and the benchmarks.
//
// Both passes give the sums the filter defines, per channel and modulo 2^32 (as 32-bit
// two's-complement sums wrap): the products of exact integers may be summed in any order.
#pragma once

#include "raster/Raster_Types.h"

#include <cstdint>
#include <vector>

namespace raster {

// The horizontal taps of one ResampleKernel call. Destination column i sums the taps
// First[i]..First[i + 1] - 1; tap t reads source column Pos[t] with weight Weight[t] (in
// 256ths). Every column has an even number of taps, so that a variant can take them in
// pairs: a cluster of odd size ends with a tap of weight 0 at its last position.
// WeightPairs[t / 2] holds the weights of taps t and t + 1 (t even) as signed 16-bit
// halves, the first in the low half; it is filled only where every weight of the call fits
// in 16 bits, and is empty otherwise.
struct TKernelTaps {
  std::vector<int32_t> First;
  std::vector<int32_t> Pos;
  std::vector<int32_t> Weight;
  std::vector<uint32_t> WeightPairs;

  size_t Columns() const { return First.empty() ? 0 : First.size() - 1; }
};

// A filtered row holds 16 bytes per destination column: the column's four channel sums
// (blue, green, red, alpha) in the form of the variant; FilterRow writes Columns x 4
// 32-bit words of them from Row (the source row, indexed by absolute source column), and
// the same variant's SumRows reads them.
using TKernelFilterRow = void (*)(const TColor32* Row, const TKernelTaps& Taps, uint32_t* Out);

// One destination row of Columns pixels from Count filtered rows: per channel, S = the sum
// over t < Count of Weights[t] x the column's sum in Rows[t], modulo 2^32 and taken as
// signed; with Clamp, S is first clamped to 0..0xFF0000; the channel is bits 16..23 of S.
using TKernelSumRows = void (*)(const uint32_t* const* Rows, const int32_t* Weights,
                                int32_t Count, int32_t Columns, bool Clamp, TColor32* Out);

struct TKernelPassSet {
  TKernelFilterRow FilterRow;
  TKernelSumRows SumRows;
  // True for a set that takes only weights within -32768..32767 on both axes.
  bool NeedsShortWeights;
};

// The plain set (Raster_Resamplers_Transfers.cpp) takes every weight and stores each sum
// as a 32-bit word; the SSE2 set (Raster_Resamplers_sse2.cpp) needs short weights and
// stores each sum as two signed 16-bit halves (see there).
extern const TKernelPassSet PlainKernelPasses;
extern const TKernelPassSet Sse2KernelPasses;

// The installed set: the plain one from the program's start.
extern const TKernelPassSet* KernelPasses;

}  // namespace raster
