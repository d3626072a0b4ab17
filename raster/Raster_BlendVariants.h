// The variant sets behind the blend routine pointers. The plain set is complete; the MMX
// set replaces the combine, blend and colour routines it speeds up, the extended-MMX set
// the three channel operations it has instructions for. Used by the selection, its tests
// and the benchmark; callers of the library use the pointers of Raster_Blend.h.
#pragma once

#include "raster/Raster_Blend.h"

namespace raster {

struct TCombineBlendSet {
  TCombineColors CombineColors;
  TCombineInto CombineInto;
  TCombineRow CombineRow;
  TBlendColors BlendColors;
  TBlendInto BlendInto;
  TMasterBlendColors MasterBlendColors;
  TMasterBlendInto MasterBlendInto;
  TBlendRow BlendRow;
  TMasterBlendRow MasterBlendRow;
  TColorOperation AddColors;
  TColorOperation SubtractColors;
  TColorOperation ModulateColors;
  TColorOperation DifferenceColors;
  TColorOperation ExclusionColors;
  TScaleColorProc ScaleColor;
};

struct TChannelExtremaSet {
  TColorOperation MaxColors;
  TColorOperation MinColors;
  TColorOperation AverageColors;
};

extern const TCombineBlendSet PlainCombineBlend;
extern const TCombineBlendSet MmxCombineBlend;
extern const TChannelExtremaSet PlainChannelExtrema;
extern const TChannelExtremaSet EmmxChannelExtrema;

// The single-variant routines.
TColor32 DivideColors_Plain(TColor32 C1, TColor32 C2);
TColor32 MergeColors_Plain(TColor32 F, TColor32 B);

}  // namespace raster
