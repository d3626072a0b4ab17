// The library start-up: once per program, the units in order, shut-down in reverse.
#include "raster/Raster_Startup.h"

#include <gtest/gtest.h>

#include "raster/Raster.h"
#include "raster/Raster_Blend.h"
#include "raster/Raster_Resamplers.h"
#include "raster/Raster_System.h"

namespace raster {
namespace {

TEST(RasterStartup, StartsOnceAndShutsDownInReverse) {
  ASSERT_FALSE(RasterLibraryStarted());
  EXPECT_EQ(SharedThemeNexus, nullptr);
  StartupRasterLibrary();
  EXPECT_TRUE(RasterLibraryStarted());
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
