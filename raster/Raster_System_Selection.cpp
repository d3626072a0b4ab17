// The routine selection: every routine pointer of the library gets the variant that the
// processor's features call for, here and nowhere else. Each line below is one row of the
// selection rule; a row names the feature that decides it, whatever the others (so a
// processor that reports extended MMX or 3DNow! without MMX gets what each row says).
// Compiled without processor extensions like the rest of the unit: it only stores
// addresses.
#include "raster/Raster_System.h"

#include "raster/Raster.h"
#include "raster/Raster_Blend.h"
#include "raster/Raster_BlendVariants.h"
#include "raster/Raster_Filters.h"
#include "raster/Raster_LowLevel.h"
#include "raster/Raster_MicroTiles.h"
#include "raster/Raster_Resamplers.h"
#include "raster/Raster_ResamplersKernelPasses.h"

namespace raster {
namespace {

void InstallCombineBlend(const TCombineBlendSet& set) {
  CombineColors = set.CombineColors;
  CombineInto = set.CombineInto;
  CombineRow = set.CombineRow;
  BlendColors = set.BlendColors;
  BlendInto = set.BlendInto;
  MasterBlendColors = set.MasterBlendColors;
  MasterBlendInto = set.MasterBlendInto;
  BlendRow = set.BlendRow;
  MasterBlendRow = set.MasterBlendRow;
  AddColors = set.AddColors;
  SubtractColors = set.SubtractColors;
  ModulateColors = set.ModulateColors;
  DifferenceColors = set.DifferenceColors;
  ExclusionColors = set.ExclusionColors;
  ScaleColor = set.ScaleColor;
}

void InstallChannelExtrema(const TChannelExtremaSet& set) {
  MaxColors = set.MaxColors;
  MinColors = set.MinColors;
  AverageColors = set.AverageColors;
}

void InstallLineFilters(const TLineFilterSet& set) {
  XorPixelsTo = set.XorPixelsTo;
  OrPixelsTo = set.OrPixelsTo;
  AndPixelsTo = set.AndPixelsTo;
}

void InstallTileRoutines(const TTileRoutineSet& set) {
  TileBoxUnion = set.BoxUnion;
  TileBlockUnion = set.BlockUnion;
}

}  // namespace

// The single-variant routines (merge, DivideColors, the in-place line filters) keep the
// one they start with.
void SelectRoutines(const TRoutineFeatures& Features) {
  const bool mmx = Features.MMX, extended_mmx = Features.ExtendedMMX,
             amd_3dnow = Features.ThreeDNow, sse2 = Features.SSE2;
  MmxInUse = mmx;
  if (MmxInUse) BuildWeightVectors();

  FillDWords = mmx ? FillDWords_MMX : FillDWords_Plain;

  InstallCombineBlend(mmx ? MmxCombineBlend : PlainCombineBlend);
  InstallChannelExtrema(extended_mmx ? EmmxChannelExtrema : PlainChannelExtrema);
  FillModeTables();

  InstallLineFilters(extended_mmx ? EmmxLineFilters : mmx ? MmxLineFilters : PlainLineFilters);

  AverageBlock = amd_3dnow ? AverageBlock_3DNow : mmx ? AverageBlock_MMX : AverageBlock_Plain;
  BilinearInterpolate = mmx || amd_3dnow ? BilinearInterpolate_MMX : BilinearInterpolate_Plain;
  PixelInterpolator = mmx || amd_3dnow ? PixelInterpolator_MMX : PixelInterpolator_Plain;
  KernelPasses = sse2 ? &Sse2KernelPasses : &PlainKernelPasses;

  InstallTileRoutines(extended_mmx ? EmmxTileRoutines : PlainTileRoutines);
}

}  // namespace raster
