// The library start-up: once per program, the units in order, shut-down in reverse.
#include "raster/Raster_Startup.h"

#include <gtest/gtest.h>

#include <string>

#include "raster/Raster.h"
#include "raster/Raster_Blend.h"
#include "raster/Raster_BlendVariants.h"
#include "raster/Raster_Filters.h"
#include "raster/Raster_LowLevel.h"
#include "raster/Raster_MicroTiles.h"
#include "raster/Raster_Resamplers.h"
#include "raster/Raster_System.h"

namespace raster {
namespace {

// "" when every routine pointer holds its variant for a processor with MMX and extended
// MMX (or, with `plain`, its plain variant), else the name of the first that does not.
std::string RoutinesDiffer(bool plain) {
  const struct { const char* name; bool same; } pointers[] = {
      {"FillDWords", FillDWords == (plain ? FillDWords_Plain : FillDWords_MMX)},
      {"CombineColors",
       CombineColors == (plain ? PlainCombineBlend : MmxCombineBlend).CombineColors},
      {"MasterBlendRowByMode", MasterBlendRowByMode[cmBlend] ==
                                   (plain ? PlainCombineBlend : MmxCombineBlend).MasterBlendRow},
      {"MaxColors", MaxColors == (plain ? PlainChannelExtrema : EmmxChannelExtrema).MaxColors},
      {"MergeRow", BlendRowByMode[cmMerge] == MergeRow},
      {"XorPixelsTo", XorPixelsTo == (plain ? PlainLineFilters : EmmxLineFilters).XorPixelsTo},
      {"AverageBlock", AverageBlock == (plain ? AverageBlock_Plain : AverageBlock_MMX)},
      {"BilinearInterpolate",
       BilinearInterpolate == (plain ? BilinearInterpolate_Plain : BilinearInterpolate_MMX)},
      {"PixelInterpolator",
       PixelInterpolator == (plain ? PixelInterpolator_Plain : PixelInterpolator_MMX)},
      {"TileBlockUnion",
       TileBlockUnion == (plain ? PlainTileRoutines : EmmxTileRoutines).BlockUnion},
      {"MmxInUse", MmxInUse == !plain},
  };
  for (const auto& pointer : pointers)
    if (!pointer.same) return pointer.name;
  return "";
}

TEST(RasterStartup, StartsOnceAndShutsDownInReverse) {
  ASSERT_FALSE(RasterLibraryStarted());
  EXPECT_EQ(SharedThemeNexus, nullptr);
  // Before the start-up every pointer holds its plain variant.
  EXPECT_EQ(RoutinesDiffer(true), "");
  // The processors this library is tested on have MMX and SSE but not 3DNow!.
  ASSERT_TRUE(CpuHasMMX() && CpuHasExtendedMMX() && !CpuHas3DNow());
  StartupRasterLibrary();
  EXPECT_TRUE(RasterLibraryStarted());
  EXPECT_EQ(RoutinesDiffer(false), "") << "every unit's selection made at start-up";
  TThemeNexus* nexus = SharedThemeNexus;
  TPerfTimer* timer = SharedPerfTimer;
  ASSERT_NE(nexus, nullptr);
  ASSERT_NE(timer, nullptr);
  EXPECT_EQ(WeightVectors != nullptr, MmxInUse) << "the blend unit built its vectors";
  EXPECT_GE(ProcessorCount, 1);
  ASSERT_NE(ResamplerRegistry, nullptr);
  EXPECT_EQ(ResamplerRegistry->Count(), 4) << "the resampler classes registered once";
  EXPECT_EQ(KernelRegistry->Count(), 13);
  EXPECT_EQ(GammaTable[128], 157) << "the bitmap unit's gamma table";

  StartupRasterLibrary();  // a second start-up is a no-op
  EXPECT_EQ(SharedThemeNexus, nexus);
  EXPECT_EQ(SharedPerfTimer, timer);

  // The units work once started: a bitmap clears through the selected fill routine.
  TBitmap32 bitmap;
  bitmap.SetSize(33, 3);
  bitmap.Clear(0xFF123456);
  for (int i = 0; i < 99; ++i) ASSERT_EQ(bitmap.Bits()[i], 0xFF123456u) << "pixel " << i;

  ShutdownRasterLibrary();
  EXPECT_FALSE(RasterLibraryStarted());
  EXPECT_EQ(SharedThemeNexus, nullptr);
  EXPECT_EQ(SharedPerfTimer, nullptr);
  EXPECT_EQ(WeightVectors, nullptr);
  EXPECT_EQ(ResamplerRegistry, nullptr);
  EXPECT_EQ(KernelRegistry, nullptr);
  ShutdownRasterLibrary();  // nothing left to shut down
  EXPECT_EQ(SharedThemeNexus, nullptr);
}

}  // namespace
}  // namespace raster
