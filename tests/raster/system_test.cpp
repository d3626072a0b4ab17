// Processor feature tests with given CPUID answers, the routine selection they lead to,
// the MMX state rule, time measurement, the processor count and the theme object.
#include "raster/Raster.h"
#include "raster/Raster_Blend.h"
#include "raster/Raster_BlendVariants.h"
#include "raster/Raster_Filters.h"
#include "raster/Raster_LowLevel.h"
#include "raster/Raster_MicroTiles.h"
#include "raster/Raster_Resamplers.h"
#include "raster/Raster_ResamplersKernelPasses.h"
#include "raster/Raster_System.h"
#include "tests/raster/raster_test_support.h"

#include <gtest/gtest.h>

#include <float.h>

#include <cmath>

namespace raster {
namespace {

constexpr uint32_t Family5 = 0x500, Family4 = 0x400, Family6 = 0x6F0;
constexpr uint32_t MmxBit = 0x00800000, SseBit = 0x02000000, Sse2Bit = 0x04000000;
constexpr uint32_t ExtMmxBit = 0x00400000, Amd3DNowBit = 0x80000000, Amd3DNowExtBit = 0x40000000;

TCpuidAnswers Answers(bool cpuid, uint32_t signature, uint32_t edx, uint32_t ext_max,
                      uint32_t ext_edx) {
  TCpuidAnswers answers;
  answers.CpuidPresent = cpuid;
  answers.Signature = signature;
  answers.FeatureBits = edx;
  answers.ExtendedMaxLeaf = ext_max;
  answers.ExtendedFeatureBits = ext_edx;
  return answers;
}

struct FeatureRow {
  const char* name;
  TCpuidAnswers answers;
  bool mmx, extended_mmx, sse, sse2, three_dnow, three_dnow_ext;
};

const FeatureRow FeatureRows[] = {
    {"no CPUID", Answers(false, Family6, ~0u, 0x80000008, ~0u), 0, 0, 0, 0, 0, 0},
    {"family 4", Answers(true, Family4, ~0u, 0x80000008, ~0u), 0, 0, 0, 0, 0, 0},
    {"family 15 counts as 15", Answers(true, 0xF00, MmxBit, 0, 0), 1, 0, 0, 0, 0, 0},
    {"extended family bits ignored", Answers(true, 0x0FF00400, MmxBit, 0, 0), 0, 0, 0, 0, 0, 0},
    {"MMX only", Answers(true, Family5, MmxBit, 0, 0), 1, 0, 0, 0, 0, 0},
    {"SSE without the extended bit", Answers(true, Family6, MmxBit | SseBit, 0x80000001, 0),
     1, 1, 1, 0, 0, 0},
    {"SSE2", Answers(true, Family6, MmxBit | SseBit | Sse2Bit, 0, 0), 1, 1, 1, 1, 0, 0},
    {"extended bit without SSE", Answers(true, Family6, MmxBit, 0x80000001, ExtMmxBit),
     1, 1, 0, 0, 0, 0},
    {"leaf 0x80000000 answers exactly 0x80000000",
     Answers(true, Family6, MmxBit, 0x80000000, ExtMmxBit | Amd3DNowBit | Amd3DNowExtBit),
     1, 0, 0, 0, 0, 0},
    {"3DNow! and its extension", Answers(true, Family6, MmxBit, 0x80000001,
                                         Amd3DNowBit | Amd3DNowExtBit), 1, 0, 0, 0, 1, 1},
    {"3DNow! without MMX", Answers(true, Family5, 0, 0x80000001, Amd3DNowBit), 0, 0, 0, 0, 1, 0},
    {"extended leaf bits on leaf 1 are not 3DNow!", Answers(true, Family6, Amd3DNowBit, 0, 0),
     0, 0, 0, 0, 0, 0},
};

TEST(CpuHasFeature, GivenAnswers) {
  for (const FeatureRow& row : FeatureRows) {
    const bool expected[] = {row.mmx, row.extended_mmx, row.sse, row.sse2, row.three_dnow,
                             row.three_dnow_ext};
    for (int f = 0; f < ProcessorFeatureCount; ++f) {
      EXPECT_EQ(CpuHasFeature(TProcessorFeature(f), row.answers), expected[f])
          << row.name << ", feature " << f;
    }
  }
}

TEST(CpuHasFeature, ThisProcessorHasMmxAndSse) {
  // The machines this library is built and tested on run MMX and SSE.
  EXPECT_TRUE(CpuidPresent());
  EXPECT_GE((ProcessorSignature() >> 8) & 0xF, 5u);
  EXPECT_TRUE(CpuHasMMX());
  EXPECT_TRUE(CpuHasFeature(pfSSE));
  EXPECT_TRUE(CpuHasExtendedMMX());
  EXPECT_EQ(CpuHasMMX(), (ProcessorFeatureBits() & MmxBit) != 0);
  EXPECT_EQ(CpuHas3DNow(), ExtendedCpuidPresent() && (ExtendedFeatureBits() & Amd3DNowBit));
}

// ---------------------------------------------------------------------------------------
// The selection table, applied to given answers.

enum Kind { Plain, Mmx, Emmx, ThreeDNow, Sse2 };

// `interpolation` stands for BilinearInterpolate and PixelInterpolator, which follow one
// rule.
struct SelectionRow {
  const char* name;
  TCpuidAnswers answers;
  Kind fill, combine, extrema, filters, average, interpolation, tiles, kernel;
};

const SelectionRow SelectionRows[] = {
    {"no CPUID", Answers(false, Family6, ~0u, 0x80000008, ~0u),
     Plain, Plain, Plain, Plain, Plain, Plain, Plain, Plain},
    {"family 4", Answers(true, Family4, MmxBit | SseBit | Sse2Bit, 0, 0),
     Plain, Plain, Plain, Plain, Plain, Plain, Plain, Plain},
    {"MMX only", Answers(true, Family5, MmxBit, 0, 0), Mmx, Mmx, Plain, Mmx, Mmx, Mmx, Plain, Plain},
    {"MMX and SSE", Answers(true, Family6, MmxBit | SseBit, 0x80000001, 0),
     Mmx, Mmx, Emmx, Emmx, Mmx, Mmx, Emmx, Plain},
    {"MMX and AMD extended MMX", Answers(true, Family6, MmxBit, 0x80000001, ExtMmxBit),
     Mmx, Mmx, Emmx, Emmx, Mmx, Mmx, Emmx, Plain},
    {"MMX and 3DNow!", Answers(true, Family6, MmxBit, 0x80000001, Amd3DNowBit),
     Mmx, Mmx, Plain, Mmx, ThreeDNow, Mmx, Plain, Plain},
    {"3DNow! without MMX", Answers(true, Family6, 0, 0x80000001, Amd3DNowBit),
     Plain, Plain, Plain, Plain, ThreeDNow, Mmx, Plain, Plain},
    {"extended MMX without MMX", Answers(true, Family6, SseBit, 0, 0),
     Plain, Plain, Emmx, Emmx, Plain, Plain, Emmx, Plain},
    {"MMX, SSE and SSE2", Answers(true, Family6, MmxBit | SseBit | Sse2Bit, 0, 0),
     Mmx, Mmx, Emmx, Emmx, Mmx, Mmx, Emmx, Sse2},
    {"SSE2 without MMX", Answers(true, Family6, Sse2Bit, 0, 0),
     Plain, Plain, Plain, Plain, Plain, Plain, Plain, Sse2},
};

class Selection : public testing::Test {
 protected:
  void TearDown() override { raster_test::SelectStartupRoutines(); }
};

TEST_F(Selection, FollowsTheTableForGivenAnswers) {
  for (const SelectionRow& row : SelectionRows) {
    raster_test::SelectAll(RoutineFeaturesOf(row.answers));
    EXPECT_EQ(FillDWords, row.fill == Mmx ? FillDWords_MMX : FillDWords_Plain) << row.name;
    const TCombineBlendSet& blend = row.combine == Mmx ? MmxCombineBlend : PlainCombineBlend;
    EXPECT_EQ(CombineColors, blend.CombineColors) << row.name;
    EXPECT_EQ(CombineRow, blend.CombineRow) << row.name;
    EXPECT_EQ(BlendRow, blend.BlendRow) << row.name;
    EXPECT_EQ(MasterBlendRow, blend.MasterBlendRow) << row.name;
    EXPECT_EQ(ScaleColor, blend.ScaleColor) << row.name;
    EXPECT_EQ(AddColors, blend.AddColors) << row.name;
    EXPECT_EQ(MmxInUse, row.combine == Mmx) << row.name;
    const TChannelExtremaSet& extrema = row.extrema == Emmx ? EmmxChannelExtrema
                                                            : PlainChannelExtrema;
    EXPECT_EQ(MaxColors, extrema.MaxColors) << row.name;
    EXPECT_EQ(AverageColors, extrema.AverageColors) << row.name;
    EXPECT_EQ(DivideColors, DivideColors_Plain) << row.name;
    EXPECT_EQ(MergeColors, MergeColors_Plain) << row.name;
    const TLineFilterSet& filters = row.filters == Emmx  ? EmmxLineFilters
                                    : row.filters == Mmx ? MmxLineFilters
                                                         : PlainLineFilters;
    EXPECT_EQ(XorPixelsTo, filters.XorPixelsTo) << row.name;
    EXPECT_EQ(AndPixelsTo, filters.AndPixelsTo) << row.name;
    EXPECT_EQ(AverageBlock, row.average == ThreeDNow ? AverageBlock_3DNow
                            : row.average == Mmx     ? AverageBlock_MMX
                                                     : AverageBlock_Plain) << row.name;
    const bool mmx_interpolation = row.interpolation == Mmx;
    EXPECT_EQ(BilinearInterpolate,
              mmx_interpolation ? BilinearInterpolate_MMX : BilinearInterpolate_Plain) << row.name;
    EXPECT_EQ(PixelInterpolator,
              mmx_interpolation ? PixelInterpolator_MMX : PixelInterpolator_Plain) << row.name;
    const TTileRoutineSet& tiles = row.tiles == Emmx ? EmmxTileRoutines : PlainTileRoutines;
    EXPECT_EQ(TileBoxUnion, tiles.BoxUnion) << row.name;
    EXPECT_EQ(TileBlockUnion, tiles.BlockUnion) << row.name;
    EXPECT_EQ(KernelPasses, row.kernel == Sse2 ? &Sse2KernelPasses : &PlainKernelPasses) << row.name;
    // The mode tables follow the pointers.
    EXPECT_EQ(BlendRowByMode[cmBlend], BlendRow) << row.name;
    EXPECT_EQ(BlendRowByMode[cmMerge], MergeRow) << row.name;
    EXPECT_EQ(MasterBlendIntoByMode[cmBlend], MasterBlendInto) << row.name;
    EXPECT_EQ(MasterBlendIntoByMode[cmMerge], MasterMergeInto) << row.name;
    EXPECT_EQ(BlendColorsByMode[cmMerge], MergeColors) << row.name;
  }
}

TEST_F(Selection, StartupChoosesThisProcessorsVariantsUnlessPlainIsForced) {
  const TRoutineFeatures cpu = RoutineFeaturesOf(ThisProcessor());
  struct Case { bool force; bool mmx, emmx, sse2; };
  for (const Case c : {Case{false, cpu.MMX, cpu.ExtendedMMX, cpu.SSE2}, Case{true, false, false, false}}) {
    ForcePlainRoutines(c.force);
    raster_test::SelectStartupRoutines();
    const char* what = c.force ? "plain forced" : "this processor";
    EXPECT_EQ(FillDWords, c.mmx ? FillDWords_MMX : FillDWords_Plain) << what;
    EXPECT_EQ(CombineColors, (c.mmx ? MmxCombineBlend : PlainCombineBlend).CombineColors) << what;
    EXPECT_EQ(XorPixelsTo, (c.emmx ? EmmxLineFilters : c.mmx ? MmxLineFilters : PlainLineFilters)
                               .XorPixelsTo) << what;
    EXPECT_EQ(TileBoxUnion, (c.emmx ? EmmxTileRoutines : PlainTileRoutines).BoxUnion) << what;
    EXPECT_EQ(MmxInUse, c.mmx) << what;
    EXPECT_EQ(KernelPasses, c.sse2 ? &Sse2KernelPasses : &PlainKernelPasses) << what;
  }
  ForcePlainRoutines(false);
  raster_test::SelectStartupRoutines();
}

// ---------------------------------------------------------------------------------------
// Single precision: the mapped source column Trunc(I x (Src / Dst)). At these sizes an
// extended-precision product falls just below the integer and picks the column before.

__attribute__((noinline)) int SingleSourceColumn(int I, int Src, int Dst) {
  volatile int i = I, src = Src, dst = Dst;  // nothing folded at compile time
  const float scale = float(src) / float(dst);
  return int(float(i) * scale);
}

TEST(SinglePrecision, MappedColumnsAreTheSameOnEveryBuild) {
  struct Row { int i, src, dst, column; };
  const Row rows[] = {{371, 256, 742, 128}, {499, 270, 998, 135}, {173, 208, 346, 104}};
  for (const Row& row : rows) {
    TSinglePrecision single;
    EXPECT_EQ(SingleSourceColumn(row.i, row.src, row.dst), row.column)
        << row.src << "->" << row.dst << " at " << row.i;
  }
  // The caller's floating-point control comes back whole.
  const unsigned int before = _control87(0, 0);
  { TSinglePrecision single; }
  EXPECT_EQ(_control87(0, 0), before);
}

// ---------------------------------------------------------------------------------------
// MMX state

TEST_F(Selection, FloatingPointWorksAfterLeavingMmxState) {
  raster_test::SelectAll({true, true, false});
  volatile TColor32 sink = 0;
  for (uint32_t w = 0; w < 256; ++w) sink = sink + CombineColors(0x12345678, 0x9ABCDEF0, w);
  sink = sink + MaxColors(sink, 0x01020304);
  LeaveMmxState();
  EXPECT_EQ(raster_test::FloatingPointProbe(), 5.0);
}

// An MMX instruction with no EMMS after it, and the EMMS; out of line, so that no x87 value
// of the caller lives across them. (No clobber of mm0: the i686 build has no MMX registers
// for the compiler, which never uses them in this file anyway.)
__attribute__((noinline)) void EnterMmxState() { __asm__ volatile("pxor %%mm0, %%mm0" ::: "memory"); }
__attribute__((noinline)) void ClearMmxState() { __asm__ volatile("emms" ::: "memory"); }

// The probe that every MMX test ends with can fail, on both builds.
TEST(MmxState, TheProbeFailsUntilEmms) {
  if (!CpuHasMMX()) GTEST_SKIP() << "no MMX on this processor";
  EnterMmxState();
  const double in_mmx_state = raster_test::FloatingPointProbe();
  ClearMmxState();
  EXPECT_NE(in_mmx_state, 5.0) << "the probe missed the MMX state";
  EXPECT_EQ(raster_test::FloatingPointProbe(), 5.0) << "after EMMS";
}

TEST(MmxState, LeaveDoesNothingWithoutMmx) {
  const bool saved = MmxInUse;
  MmxInUse = false;
  LeaveMmxState();  // must not fault, whatever the processor
  MmxInUse = saved;
  EXPECT_EQ(raster_test::FloatingPointProbe(), 5.0);
}

// ---------------------------------------------------------------------------------------
// Time, processors

TEST(PerfTimer, RoundsMicrosecondsHalvesToEven) {
  struct Row { int64_t counts, frequency, expected; };
  const Row rows[] = {
      {1, 2000000, 0},        // 0.5 -> 0
      {3, 2000000, 2},        // 1.5 -> 2
      {5, 2000000, 2},        // 2.5 -> 2
      {7, 2000000, 4},        // 3.5 -> 4
      {10000000, 10000000, 1000000},
      {1, 3, 333333},
      {2, 3, 666667},
      {-3, 2000000, -2},
  };
  for (const Row& row : rows)
    EXPECT_EQ(CountsToMicroseconds(row.counts, row.frequency), row.expected)
        << row.counts << "/" << row.frequency;
}

TEST(PerfTimer, MeasuresFromStartAndRepeatedly) {
  TPerfTimer timer;
  EXPECT_EQ(timer.Frequency, 0);
  EXPECT_EQ(timer.StartCount, 0);
  // Without Start, the measure runs from count 0.
  const int64_t since_zero = timer.ElapsedMicroseconds();
  EXPECT_EQ(since_zero, CountsToMicroseconds(timer.StopCount, timer.Frequency));
  EXPECT_GT(timer.Frequency, 0);
  timer.Start();
  Sleep(20);
  const int64_t first = timer.ElapsedMicroseconds();
  const int64_t second = timer.ElapsedMicroseconds();
  EXPECT_GE(first, 15000);
  EXPECT_GE(second, first);
  EXPECT_LT(second, 10000000);
}

TEST(SystemInfo, TicksAndProcessorCount) {
  const uint32_t before = GetTickCount();
  const uint32_t ticks = MillisecondTicks();
  EXPECT_LE(ticks - before, 1000u);
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  EXPECT_EQ(GetProcessorCount(), int(info.dwNumberOfProcessors));
  EXPECT_EQ(ProcessorCount, GetProcessorCount());  // set by the start-up step
  ASSERT_NE(SharedPerfTimer, nullptr);
  ASSERT_NE(SharedThemeNexus, nullptr);
}

// ---------------------------------------------------------------------------------------
// Theme object

TEST(ThemeNexus, LoadsTheLibraryByNameAndResolvesEntries) {
  ASSERT_TRUE(LoadThemeLibrary());
  EXPECT_EQ(ThemeLibrary.Module, GetModuleHandleA("uxtheme.dll"));
  for (int i = 0; i < ThemeEntryCount; ++i) {
    EXPECT_EQ(ThemeLibrary.Entries[i], GetProcAddress(ThemeLibrary.Module, ThemeEntryNames[i]))
        << ThemeEntryNames[i];
  }
  EXPECT_NE(ThemeLibrary.Entries[teOpenThemeData], nullptr);
  EXPECT_TRUE(LoadThemeLibrary()) << "a loaded library stays loaded";
  EXPECT_FALSE(RunsInsideLibrary());
}

TEST(ThemeNexus, HandlesFollowUsabilityAndThemeChanges) {
  TThemeNexus nexus;
  ASSERT_NE(nexus.Window(), nullptr);
  auto check = [](const char* when) {
    EXPECT_EQ(ThemeLibrary.ThemesInUse, ThemesUsable()) << when;
    EXPECT_EQ(ThemeLibrary.ScrollBarTheme != nullptr && ThemeLibrary.GlobalsTheme != nullptr,
              ThemeLibrary.ThemesInUse) << when;
  };
  check("after construction");
  EXPECT_EQ(SendMessageA(nexus.Window(), WM_THEMECHANGED, 0, 0), 0);
  check("after WM_THEMECHANGED");
  EXPECT_NE(ThemeLibrary.Module, nullptr);
  nexus.CloseThemes();
  EXPECT_EQ(ThemeLibrary.Module, nullptr);
  EXPECT_EQ(ThemeLibrary.Entries[teIsAppThemed], nullptr);
  EXPECT_EQ(ThemeLibrary.ScrollBarTheme, nullptr);
  EXPECT_EQ(ThemeLibrary.GlobalsTheme, nullptr);
  EXPECT_FALSE(ThemeLibrary.ThemesInUse);
  EXPECT_FALSE(ThemesUsable());
  nexus.OpenThemes();
  check("reopened");
  // Other messages reach the default procedure: a window text set through it is kept.
  SendMessageA(nexus.Window(), WM_SETTEXT, 0, LPARAM("nexus"));
  char text[16] = {};
  GetWindowTextA(nexus.Window(), text, sizeof text);
  EXPECT_STREQ(text, "nexus");
}

}  // namespace
}  // namespace raster
