// The variant sets behind the blend routine pointers. The plain set is complete; the MMX
// set replaces the combine, blend and colour routines it speeds up, the extended-MMX set
// the three channel operations it has instructions for. Used by the routine selection
// (Raster_System_Selection.cpp), its tests and the benchmark; callers of the library use
// the pointers of Raster_Blend.h.
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

// The plain variants (Raster_Blend_plain.cpp).
TColor32 CombineColors_Plain(TColor32 X, TColor32 Y, uint32_t W);
void CombineInto_Plain(TColor32 X, TColor32& Y, uint32_t W);
void CombineRow_Plain(const TColor32* Source, TColor32* Dest, int32_t Count, uint32_t W);
TColor32 BlendColors_Plain(TColor32 F, TColor32 B);
void BlendInto_Plain(TColor32 F, TColor32& B);
TColor32 MasterBlendColors_Plain(TColor32 F, TColor32 B, uint32_t M);
void MasterBlendInto_Plain(TColor32 F, TColor32& B, uint32_t M);
void BlendRow_Plain(const TColor32* Source, TColor32* Dest, int32_t Count);
void MasterBlendRow_Plain(const TColor32* Source, TColor32* Dest, int32_t Count, uint32_t M);
TColor32 AddColors_Plain(TColor32 C1, TColor32 C2);
TColor32 SubtractColors_Plain(TColor32 C1, TColor32 C2);
TColor32 ModulateColors_Plain(TColor32 C1, TColor32 C2);
TColor32 MaxColors_Plain(TColor32 C1, TColor32 C2);
TColor32 MinColors_Plain(TColor32 C1, TColor32 C2);
TColor32 DifferenceColors_Plain(TColor32 C1, TColor32 C2);
TColor32 AverageColors_Plain(TColor32 C1, TColor32 C2);
TColor32 ExclusionColors_Plain(TColor32 C1, TColor32 C2);
TColor32 ScaleColor_Plain(TColor32 C, uint32_t W);

// Constant, so that the routine pointers can start at them before any code runs.
inline constexpr TCombineBlendSet PlainCombineBlend = {
    CombineColors_Plain,     CombineInto_Plain,     CombineRow_Plain,
    BlendColors_Plain,       BlendInto_Plain,       MasterBlendColors_Plain,
    MasterBlendInto_Plain,   BlendRow_Plain,        MasterBlendRow_Plain,
    AddColors_Plain,         SubtractColors_Plain,  ModulateColors_Plain,
    DifferenceColors_Plain,  ExclusionColors_Plain, ScaleColor_Plain,
};
inline constexpr TChannelExtremaSet PlainChannelExtrema = {MaxColors_Plain, MinColors_Plain,
                                                           AverageColors_Plain};

extern const TCombineBlendSet MmxCombineBlend;
extern const TChannelExtremaSet EmmxChannelExtrema;

// Sets the mode tables to the current pointer values: the selection calls it after
// installing a set.
void FillModeTables();

// The single-variant routines.
TColor32 DivideColors_Plain(TColor32 C1, TColor32 C2);
TColor32 MergeColors_Plain(TColor32 F, TColor32 B);

}  // namespace raster
