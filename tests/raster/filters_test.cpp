// The line filters: every variant this processor runs against the plain operation.
#include "raster/Raster_Filters.h"
#include "tests/raster/raster_test_support.h"

#include <gtest/gtest.h>

#include <sstream>

namespace raster {
namespace {

using raster_test::FirstDifference;

class FilterVariants : public testing::TestWithParam<raster_test::Variant> {
 protected:
  void SetUp() override { raster_test::SelectAll(GetParam().features); }
  void TearDown() override { raster_test::SelectStartupRoutines(); }
};

struct FilterCase {
  const char* name;
  TLogicalMaskLine* in_place;
  TLogicalMaskLineTo* copying;
  TColor32 (*op)(TColor32, TColor32);
};

const FilterCase FilterCases[] = {
    {"Xor", &XorPixels, &XorPixelsTo, [](TColor32 c, TColor32 m) { return c ^ m; }},
    {"Or", &OrPixels, &OrPixelsTo, [](TColor32 c, TColor32 m) { return c | m; }},
    {"And", &AndPixels, &AndPixelsTo, [](TColor32 c, TColor32 m) { return c & m; }},
};

TEST_P(FilterVariants, MatchThePlainOperationAtEveryWidthAndStart) {
  const uint32_t seed = raster_test::TestSeed();
  std::mt19937 rng(seed);
  for (const FilterCase& c : FilterCases) {
    for (size_t wi = 0; wi < raster_test::RowWidthCount; ++wi) {
      const int32_t width = raster_test::RowWidths[wi];
      for (int offset = 0; offset < 4; ++offset) {
        const TColor32 mask = rng();
        const std::vector<TColor32> source = raster_test::RandomRow(rng, size_t(width) + 8);
        std::vector<TColor32> copied = raster_test::RandomRow(rng, source.size());
        std::vector<TColor32> in_place = source;
        std::vector<TColor32> same_row = source;
        std::vector<TColor32> expected = copied;
        std::vector<TColor32> expected_in_place = source;
        for (int32_t i = 0; i < width; ++i) {
          const size_t at = size_t(offset + i);
          expected[at] = c.op(source[at], mask);
          expected_in_place[at] = expected[at];
        }
        (*c.copying)(source.data() + offset, copied.data() + offset, width, mask);
        (*c.in_place)(in_place.data() + offset, mask, width);
        (*c.copying)(same_row.data() + offset, same_row.data() + offset, width, mask);
        // The processor variants leave no MMX state behind: no LeaveMmxState here.
        ASSERT_EQ(raster_test::FloatingPointProbe(), 5.0) << c.name << " width " << width;
        const auto where = [&](const char* form) {
          std::ostringstream text;
          text << c.name << form << ", seed " << seed << ", width " << width << ", offset " << offset;
          return text.str();
        };
        std::string diff = FirstDifference(copied.data(), expected.data(), copied.size());
        ASSERT_TRUE(diff.empty()) << where("PixelsTo") << ": " << diff;
        diff = FirstDifference(in_place.data(), expected_in_place.data(), in_place.size());
        ASSERT_TRUE(diff.empty()) << where("Pixels") << ": " << diff;
        diff = FirstDifference(same_row.data(), expected_in_place.data(), same_row.size());
        ASSERT_TRUE(diff.empty()) << where("PixelsTo on one row") << ": " << diff;
      }
    }
  }
}

TEST_P(FilterVariants, CountZeroChangesNothing) {
  TColor32 row[20], copy[20];
  for (int i = 0; i < 20; ++i) row[i] = copy[i] = 0x01010101u * TColor32(i);
  for (const FilterCase& c : FilterCases) {
    (*c.copying)(row, copy, 0, 0xFFFFFFFF);
    (*c.copying)(row, copy, -16, 0xFFFFFFFF);
    (*c.in_place)(row, 0xFFFFFFFF, 0);
    (*c.in_place)(row, 0xFFFFFFFF, -16);
  }
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(row[i], 0x01010101u * TColor32(i)) << i;
    EXPECT_EQ(copy[i], 0x01010101u * TColor32(i)) << i;
  }
}

TEST_P(FilterVariants, XorTwiceRestoresAndAndKeepsAlpha) {
  std::mt19937 rng(raster_test::TestSeed());
  const std::vector<TColor32> original = raster_test::RandomRow(rng, 37);
  std::vector<TColor32> row = original;
  XorPixels(row.data(), 0x5A5AA5A5, 37);
  XorPixels(row.data(), 0x5A5AA5A5, 37);
  EXPECT_EQ(row, original);
  std::vector<TColor32> alpha(37);
  AndPixelsTo(original.data(), alpha.data(), 37, 0xFF000000);
  for (size_t i = 0; i < alpha.size(); ++i) EXPECT_EQ(alpha[i], original[i] & 0xFF000000) << i;
}

INSTANTIATE_TEST_SUITE_P(Raster, FilterVariants, testing::ValuesIn(raster_test::RunnableVariants()),
                         raster_test::VariantName);

}  // namespace
}  // namespace raster
