// Blend tables and every blend routine pointer against the arithmetic it must compute,
// for each variant this processor runs, forced through the selection.
#include "raster/Raster_Blend.h"
#include "tests/raster/raster_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace raster {
namespace {

using raster_test::Channel;
using raster_test::FirstDifference;
using raster_test::SpreadX;
using raster_test::SpreadY;

// ---------------------------------------------------------------------------------------
// Reference arithmetic, channel by channel, written from the definitions.

uint32_t PlainMix(uint32_t x, uint32_t y, uint32_t w) {
  return (x * w + 128) / 256 + (y * (255 - w) + 128) / 256;
}
uint32_t MmxMix(uint32_t x, uint32_t y, uint32_t w) { return (x * w + y * (256 - w) + 128) / 256; }

TColor32 PerChannel(TColor32 a, TColor32 b, const std::function<uint32_t(uint32_t, uint32_t, int)>& f) {
  TColor32 result = 0;
  for (int c = 0; c < 4; ++c) result |= (f(Channel(a, c), Channel(b, c), c) & 0xFF) << (8 * c);
  return result;
}

TColor32 RefCombine(bool mmx, TColor32 x, TColor32 y, uint32_t w) {
  if (!mmx && w == 0) return y;
  if (!mmx && w == 255) return x;
  return PerChannel(x, y, [&](uint32_t a, uint32_t b, int) { return mmx ? MmxMix(a, b, w) : PlainMix(a, b, w); });
}

TColor32 RefCombineInto(bool mmx, TColor32 x, TColor32 y, uint32_t w) {
  if (w == 0) return y;
  if (w == 255) return x;
  return RefCombine(mmx, x, y, w);
}

TColor32 RefBlend(bool mmx, TColor32 f, TColor32 b) { return RefCombine(mmx, f, b, AlphaOf(f)); }
TColor32 RefBlendInto(bool mmx, TColor32 f, TColor32 b) { return RefCombineInto(mmx, f, b, AlphaOf(f)); }

TColor32 RefMasterBlend(bool mmx, TColor32 f, TColor32 b, uint32_t m, bool row_weight) {
  const uint32_t fa = AlphaOf(f);
  const uint32_t w = row_weight ? (fa + 1) * m / 256 : (m + 1) * fa / 256;
  if (fa == 0 || w == 0) return b;
  if (mmx) return PerChannel(f, b, [&](uint32_t x, uint32_t y, int) { return MmxMix(x, y, w); });
  return PerChannel(f, b, [&](uint32_t x, uint32_t y, int c) { return c == 3 ? 0 : PlainMix(x, y, w); });
}

// Table entries from floating point: x / 255 and x * 255 / a are never close to a half
// without being one, so double division decides every rounding exactly.
uint32_t RefProduct(uint32_t a, uint32_t b) { return uint32_t(std::nearbyint(a * b / 255.0)); }
uint32_t RefQuotient(uint32_t a, uint32_t b) {
  return a == 0 ? 0 : uint32_t(std::nearbyint(b * 255.0 / a)) & 0xFF;
}

TColor32 RefMerge(bool mmx, TColor32 f, TColor32 b) {
  const uint32_t fa = AlphaOf(f), ba = AlphaOf(b);
  if (fa == 0) return b;
  if (ba == 255) return RefBlend(mmx, f, b) | 0xFF000000;
  if (fa == 255 || ba == 0) return f;
  const uint32_t ra = fa + ba - RefProduct(ba, fa);
  return PerChannel(f, b, [&](uint32_t fc, uint32_t bc, int c) -> uint32_t {
    if (c == 3) return ra;
    const int bp = int(RefProduct(ba, bc));
    const int d = int(fc) - bp;
    const int x = d >= 0 ? bp + int(RefProduct(fa, uint32_t(d))) : bp - int(RefProduct(fa, uint32_t(-d)));
    return RefQuotient(ra, uint32_t(x));
  });
}

// ---------------------------------------------------------------------------------------

class BlendVariants : public testing::TestWithParam<raster_test::Variant> {
 protected:
  void SetUp() override {
    raster_test::SelectAll(GetParam().features);
    mmx_ = GetParam().features.MMX;
    emmx_ = GetParam().features.ExtendedMMX;
  }
  void TearDown() override {
    LeaveMmxState();
    raster_test::SelectStartupRoutines();
  }
  bool mmx_ = false;
  bool emmx_ = false;
};

// Runs op over every pair of channel values (and every weight given), and reports the
// first result that differs from the reference.
void ExpectAllPairs(const char* what, uint32_t weight, const std::function<TColor32(TColor32, TColor32)>& op,
                    const std::function<TColor32(TColor32, TColor32)>& ref) {
  TColor32 actual[256], expected[256];
  for (uint32_t x = 0; x < 256; ++x) {
    for (uint32_t y = 0; y < 256; ++y) actual[y] = op(SpreadX(x), SpreadY(y));
    LeaveMmxState();
    for (uint32_t y = 0; y < 256; ++y) expected[y] = ref(SpreadX(x), SpreadY(y));
    const std::string diff = FirstDifference(actual, expected, 256);
    if (!diff.empty()) {
      ADD_FAILURE() << what << ", weight " << weight << ", X 0x" << std::hex << SpreadX(x)
                    << std::dec << ", Y = SpreadY(index) at " << diff;
      return;
    }
  }
}

TEST_P(BlendVariants, CombineForEveryWeightAndChannelPair) {
  for (uint32_t w = 0; w < 256; ++w) {
    ExpectAllPairs("CombineColors", w, [w](TColor32 x, TColor32 y) { return CombineColors(x, y, w); },
                   [&](TColor32 x, TColor32 y) { return RefCombine(mmx_, x, y, w); });
    ExpectAllPairs("CombineInto", w,
                   [w](TColor32 x, TColor32 y) { CombineInto(x, y, w); return y; },
                   [&](TColor32 x, TColor32 y) { return RefCombineInto(mmx_, x, y, w); });
    if (HasFailure()) return;
  }
}

TEST_P(BlendVariants, BlendForEveryAlphaAndChannelPair) {
  // F carries alpha fa and colour channels that run through all values with the row.
  for (uint32_t fa = 0; fa < 256; ++fa) {
    auto with_alpha = [fa](TColor32 f) { return (f & 0x00FFFFFF) | fa << 24; };
    ExpectAllPairs("BlendColors", fa, [&](TColor32 f, TColor32 b) { return BlendColors(with_alpha(f), b); },
                   [&](TColor32 f, TColor32 b) { return RefBlend(mmx_, with_alpha(f), b); });
    ExpectAllPairs("BlendInto", fa,
                   [&](TColor32 f, TColor32 b) { BlendInto(with_alpha(f), b); return b; },
                   [&](TColor32 f, TColor32 b) { return RefBlendInto(mmx_, with_alpha(f), b); });
    if (HasFailure()) return;
  }
}

TEST_P(BlendVariants, MasterBlendForEveryAlphaAndMaster) {
  TColor32 source[256], dest[256], row[256], expected[256], single[256], into[256];
  for (uint32_t i = 0; i < 256; ++i) dest[i] = SpreadY(i);
  for (uint32_t fa = 0; fa < 256; ++fa) {
    for (uint32_t i = 0; i < 256; ++i) source[i] = (SpreadX(i) & 0x00FFFFFF) | fa << 24;
    for (uint32_t m = 0; m < 256; ++m) {
      std::copy(dest, dest + 256, row);
      MasterBlendRow(source, row, 256, m);
      for (uint32_t i = 0; i < 256; ++i) {
        single[i] = MasterBlendColors(source[i], dest[i], m);
        into[i] = dest[i];
        MasterBlendInto(source[i], into[i], m);
      }
      LeaveMmxState();
      for (uint32_t i = 0; i < 256; ++i) expected[i] = RefMasterBlend(mmx_, source[i], dest[i], m, false);
      std::string diff = FirstDifference(single, expected, 256);
      ASSERT_TRUE(diff.empty()) << "MasterBlendColors, Fa " << fa << ", M " << m << ": " << diff;
      diff = FirstDifference(into, expected, 256);
      ASSERT_TRUE(diff.empty()) << "MasterBlendInto, Fa " << fa << ", M " << m << ": " << diff;
      for (uint32_t i = 0; i < 256; ++i) expected[i] = RefMasterBlend(mmx_, source[i], dest[i], m, mmx_);
      diff = FirstDifference(row, expected, 256);
      ASSERT_TRUE(diff.empty()) << "MasterBlendRow, Fa " << fa << ", M " << m << ": " << diff;
    }
  }
}

TEST_P(BlendVariants, MergeAgainstItsDefinition) {
  const uint32_t seed = raster_test::TestSeed();
  std::mt19937 rng(seed);
  // Every pair of alphas, with random colours.
  for (uint32_t fa = 0; fa < 256; ++fa) {
    for (uint32_t ba = 0; ba < 256; ++ba) {
      TColor32 f[8], b[8], actual[8], master[8], expected[8], expected_master[8];
      const uint32_t m = rng() & 0xFF;
      for (int i = 0; i < 8; ++i) {
        f[i] = (rng() & 0x00FFFFFF) | fa << 24;
        b[i] = (rng() & 0x00FFFFFF) | ba << 24;
        actual[i] = MergeColors(f[i], b[i]);
        master[i] = b[i];
        MasterMergeInto(f[i], master[i], m);
      }
      LeaveMmxState();
      for (int i = 0; i < 8; ++i) {
        expected[i] = RefMerge(mmx_, f[i], b[i]);
        const TColor32 scaled = (f[i] & 0x00FFFFFF) | RefProduct(m, fa) << 24;
        expected_master[i] = RefMerge(mmx_, scaled, b[i]);
      }
      std::string diff = FirstDifference(actual, expected, 8);
      ASSERT_TRUE(diff.empty()) << "MergeColors, seed " << seed << ", Fa " << fa << ", Ba " << ba << ": " << diff;
      diff = FirstDifference(master, expected_master, 8);
      ASSERT_TRUE(diff.empty()) << "MasterMergeInto, seed " << seed << ", M " << m << ": " << diff;
    }
  }
}

// Every row routine against its per-pixel form, on seeded random rows of many widths and
// at unaligned starts; what lies beyond the row must stay untouched.
TEST_P(BlendVariants, RowsMatchTheirPixelForms) {
  const uint32_t seed = raster_test::TestSeed();
  std::mt19937 rng(seed);
  struct RowCase {
    const char* name;
    std::function<void(const TColor32*, TColor32*, int32_t, uint32_t)> row;
    std::function<TColor32(TColor32, TColor32, uint32_t)> pixel;
  };
  const bool mmx = mmx_;
  const RowCase cases[] = {
      {"CombineRow", [](auto s, auto d, int32_t n, uint32_t w) { CombineRow(s, d, n, w); },
       [mmx](TColor32 s, TColor32 d, uint32_t w) { return RefCombineInto(mmx, s, d, w); }},
      {"BlendRow", [](auto s, auto d, int32_t n, uint32_t) { BlendRow(s, d, n); },
       [mmx](TColor32 s, TColor32 d, uint32_t) { return RefBlendInto(mmx, s, d); }},
      {"MasterBlendRow", [](auto s, auto d, int32_t n, uint32_t m) { MasterBlendRow(s, d, n, m); },
       [mmx](TColor32 s, TColor32 d, uint32_t m) { return RefMasterBlend(mmx, s, d, m, mmx); }},
      {"MergeRow", [](auto s, auto d, int32_t n, uint32_t) { MergeRow(s, d, n); },
       [mmx](TColor32 s, TColor32 d, uint32_t) { return RefMerge(mmx, s, d); }},
      {"MasterMergeRow", [](auto s, auto d, int32_t n, uint32_t m) { MasterMergeRow(s, d, n, m); },
       [mmx](TColor32 s, TColor32 d, uint32_t m) {
         return RefMerge(mmx, (s & 0x00FFFFFF) | RefProduct(m, AlphaOf(s)) << 24, d);
       }},
  };
  const uint32_t weights[] = {0, 1, 127, 128, 200, 254, 255};
  for (const RowCase& c : cases) {
    for (size_t wi = 0; wi < raster_test::RowWidthCount; ++wi) {
      const int32_t width = raster_test::RowWidths[wi];
      for (int offset = 0; offset < 2; ++offset) {
        for (uint32_t w : weights) {
          const std::vector<TColor32> source = raster_test::RandomRow(rng, size_t(width) + 4);
          std::vector<TColor32> dest = raster_test::RandomRow(rng, size_t(width) + 4);
          std::vector<TColor32> expected = dest;
          c.row(source.data() + offset, dest.data() + offset, width, w);
          LeaveMmxState();
          for (int32_t i = 0; i < width; ++i) {
            TColor32& e = expected[size_t(offset + i)];
            e = c.pixel(source[size_t(offset + i)], e, w);
          }
          const std::string diff = FirstDifference(dest.data(), expected.data(), dest.size());
          ASSERT_TRUE(diff.empty()) << c.name << ", seed " << seed << ", width " << width
                                    << ", offset " << offset << ", weight " << w << ": " << diff;
        }
      }
    }
  }
}

TEST_P(BlendVariants, RowsWithCountZeroOrNegativeChangeNothing) {
  TColor32 source[2] = {0x80FF0000, 0xFF00FF00};
  TColor32 dest[2] = {0x12345678, 0x9ABCDEF0};
  for (int32_t count : {0, -1, -100}) {
    CombineRow(source, dest, count, 128);
    CombineRow(source, dest, count, 255);
    BlendRow(source, dest, count);
    MasterBlendRow(source, dest, count, 200);
    MergeRow(source, dest, count);
    MasterMergeRow(source, dest, count, 200);
  }
  LeaveMmxState();
  EXPECT_EQ(dest[0], 0x12345678u);
  EXPECT_EQ(dest[1], 0x9ABCDEF0u);
}

TEST_P(BlendVariants, ColourOperationsOnEveryChannelPair) {
  const bool mmx = mmx_;
  const bool emmx = emmx_;
  struct OpCase {
    const char* name;
    TColorOperation* pointer;
    std::function<uint32_t(uint32_t, uint32_t)> ref;
  };
  const OpCase cases[] = {
      {"AddColors", &AddColors, [](uint32_t a, uint32_t b) { return std::min(255u, a + b); }},
      {"SubtractColors", &SubtractColors, [](uint32_t a, uint32_t b) { return a > b ? a - b : 0u; }},
      {"DivideColors", &DivideColors,
       [](uint32_t a, uint32_t b) { return a == 0 ? 255u : std::min(255u, b * 256 / a); }},
      {"ModulateColors", &ModulateColors, [](uint32_t a, uint32_t b) { return a * b >> 8; }},
      {"MaxColors", &MaxColors, [](uint32_t a, uint32_t b) { return std::max(a, b); }},
      {"MinColors", &MinColors, [](uint32_t a, uint32_t b) { return std::min(a, b); }},
      {"DifferenceColors", &DifferenceColors, [](uint32_t a, uint32_t b) { return a > b ? a - b : b - a; }},
      {"AverageColors", &AverageColors,
       [emmx](uint32_t a, uint32_t b) { return (a + b + (emmx ? 1 : 0)) >> 1; }},
      {"ExclusionColors", &ExclusionColors, [](uint32_t a, uint32_t b) { return a + b - (a * b >> 7); }},
  };
  (void)mmx;
  for (const OpCase& c : cases) {
    const TColorOperation op = *c.pointer;
    ExpectAllPairs(c.name, 0, [op](TColor32 a, TColor32 b) { return op(a, b); },
                   [&](TColor32 a, TColor32 b) {
                     return PerChannel(a, b, [&](uint32_t x, uint32_t y, int) { return c.ref(x, y); });
                   });
  }
  for (uint32_t w = 0; w < 256; ++w) {
    ExpectAllPairs("ScaleColor", w, [w](TColor32 a, TColor32) { return ScaleColor(a, w); },
                   [w](TColor32 a, TColor32 b) {
                     return PerChannel(a, b, [w](uint32_t x, uint32_t, int) { return x * w >> 8; });
                   });
  }
}

TEST_P(BlendVariants, EdgeCasesOfTheVariant) {
  const TColor32 half = CombineColors(0x00000000, 0xFFFFFFFF, 128);
  const TColor32 full = CombineColors(0xFFFFFFFF, 0x00000000, 255);
  TColor32 into = 0x00000000;
  CombineInto(0xFFFFFFFF, into, 255);
  TColor32 row[3] = {1, 2, 3};
  const TColor32 source[3] = {0xFFFFFFFF, 0x12345678, 0x00ABCDEF};
  CombineRow(source, row, 3, 255);
  const TColor32 master = MasterBlendColors(0xFFFFFFFF, 0xFF000000, 255);
  TColor32 untouched = 0x11223344;
  BlendInto(0x00FFFFFF, untouched);
  TColor32 stored = 0x11223344;
  BlendInto(0xFF654321, stored);
  const TColor32 average = AverageColors(0x00000001, 0x00000002);
  LeaveMmxState();
  EXPECT_EQ(half, mmx_ ? 0x80808080u : 0x7F7F7F7Fu);
  EXPECT_EQ(full, mmx_ ? 0xFEFEFEFEu : 0xFFFFFFFFu);
  EXPECT_EQ(into, 0xFFFFFFFFu);
  EXPECT_EQ(row[0], source[0]);
  EXPECT_EQ(row[1], source[1]);
  EXPECT_EQ(row[2], source[2]);
  EXPECT_EQ(master, mmx_ ? 0xFFFEFEFEu : 0x00FEFEFEu);  // MMX: alpha mixed too
  EXPECT_EQ(untouched, 0x11223344u);
  EXPECT_EQ(stored, 0xFF654321u);
  EXPECT_EQ(average, emmx_ ? 0x00000002u : 0x00000001u);
  EXPECT_EQ(AlphaOf(MergeColors(0x80FF0000, 0x800000FF)), 0xC0u);
  EXPECT_EQ(AlphaOf(MergeColors(0x01FF0000, 0xFF0000FF)), 0xFFu);
  EXPECT_EQ(AlphaOf(MergeColors(0xFE123456, 0xFF0000FF)), 0xFFu);
  LeaveMmxState();
  EXPECT_EQ(raster_test::FloatingPointProbe(), 5.0);
}

INSTANTIATE_TEST_SUITE_P(Raster, BlendVariants, testing::ValuesIn(raster_test::RunnableVariants()),
                         raster_test::VariantName);

// ---------------------------------------------------------------------------------------

TEST(BlendTables, EveryEntry) {
  for (uint32_t a = 0; a < 256; ++a) {
    for (uint32_t b = 0; b < 256; ++b) {
      ASSERT_EQ(ProductTable[a][b], RefProduct(a, b)) << "ProductTable[" << a << "][" << b << "]";
      ASSERT_EQ(ProductTable[a][b], ProductTable[b][a]) << a << "," << b;
      ASSERT_EQ(QuotientTable[a][b], RefQuotient(a, b)) << "QuotientTable[" << a << "][" << b << "]";
    }
  }
  EXPECT_EQ(QuotientTable[2][1], 128);
  EXPECT_EQ(QuotientTable[6][1], 42);  // 42.5: the tie goes to even
  EXPECT_EQ(QuotientTable[0][77], 0);
}

TEST(BlendTables, WeightVectors) {
  raster_test::SelectAll({true, false, false});
  ASSERT_NE(WeightVectors, nullptr);
  EXPECT_EQ(uintptr_t(WeightVectors) % 8, 0u);
  for (uint64_t i = 0; i < 256; ++i)
    ASSERT_EQ(WeightVectors[i], i * 0x0001000100010001ull) << "entry " << i;
  EXPECT_EQ(RoundingVector, WeightVectors + 128);
  raster_test::SelectStartupRoutines();
}

}  // namespace
}  // namespace raster
