// Line filters: a bitwise operation with a 32-bit mask over a row of pixels, in place or
// from a source row into a destination row (which may be the same row).
#pragma once

#include "raster/Raster_Types.h"

#include <cstdint>

namespace raster {

using TLogicalMaskLine = void (*)(TColor32* Dest, TColor32 Mask, int32_t Count);
using TLogicalMaskLineTo = void (*)(const TColor32* Source, TColor32* Dest, int32_t Count,
                                    TColor32 Mask);

// Dest[i] := Dest[i] op Mask.
extern TLogicalMaskLine XorPixels;
extern TLogicalMaskLine OrPixels;
extern TLogicalMaskLine AndPixels;
// Dest[i] := Source[i] op Mask. The processor variants clear the MMX state themselves.
extern TLogicalMaskLineTo XorPixelsTo;
extern TLogicalMaskLineTo OrPixelsTo;
extern TLogicalMaskLineTo AndPixelsTo;

// The variants of the copying forms, for the routine selection, its tests and the
// benchmark. The in-place forms have one variant for every processor.
struct TLineFilterSet {
  TLogicalMaskLineTo XorPixelsTo;
  TLogicalMaskLineTo OrPixelsTo;
  TLogicalMaskLineTo AndPixelsTo;
};
extern const TLineFilterSet PlainLineFilters;
extern const TLineFilterSet MmxLineFilters;
extern const TLineFilterSet EmmxLineFilters;

}  // namespace raster
