// Fill and move of 32-bit cells and the integer routines.
#include "raster/Raster_LowLevel.h"
#include "tests/raster/raster_test_support.h"

#include <gtest/gtest.h>

namespace raster {
namespace {

using raster_test::FirstDifference;

class FillVariants : public testing::TestWithParam<raster_test::Variant> {
 protected:
  void SetUp() override { raster_test::SelectAll(GetParam().features); }
  void TearDown() override { raster_test::SelectStartupRoutines(); }
};

TEST_P(FillVariants, FillsExactlyCountCellsAtAnyStart) {
  const uint32_t seed = raster_test::TestSeed();
  std::mt19937 rng(seed);
  for (size_t w = 0; w < raster_test::RowWidthCount; ++w) {
    const int32_t width = raster_test::RowWidths[w];
    for (int offset = 0; offset < 4; ++offset) {
      std::vector<uint32_t> row = raster_test::RandomRow(rng, size_t(width) + 8);
      std::vector<uint32_t> expected = row;
      const uint32_t value = rng();
      for (int32_t i = 0; i < width; ++i) expected[size_t(offset + i)] = value;
      FillDWords(row.data() + offset, width, value);
      EXPECT_EQ(raster_test::FloatingPointProbe(), 5.0) << "the fill leaves the MMX state";
      const std::string diff = FirstDifference(row.data(), expected.data(), row.size());
      EXPECT_TRUE(diff.empty()) << "seed " << seed << ", width " << width << ", offset "
                                << offset << ": " << diff;
    }
  }
}

TEST_P(FillVariants, CountZeroOrNegativeStoresNothing) {
  uint32_t cells[4] = {1, 2, 3, 4};
  FillDWords(cells, 0, 9);
  FillDWords(cells, -3, 9);
  EXPECT_EQ(cells[0], 1u);
  EXPECT_EQ(cells[3], 4u);
}

INSTANTIATE_TEST_SUITE_P(Raster, FillVariants,
                         testing::ValuesIn(raster_test::RunnableVariants()),
                         raster_test::VariantName);

TEST(MoveDWords, CopiesUpwardsCellByCell) {
  uint32_t cells[8] = {0, 1, 2, 3, 4, 5, 6, 7};
  MoveDWords(cells, cells + 1, 5);  // overlapping upwards: each copy sees the previous one
  const uint32_t expected[8] = {0, 0, 0, 0, 0, 0, 6, 7};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(cells[i], expected[i]) << i;
  // Every placement of source and destination in one buffer, against an ascending copy.
  for (int from = 0; from < 8; ++from)
    for (int to = 0; to < 8; ++to)
      for (int count = 0; from + count <= 8 && to + count <= 8; ++count) {
        uint32_t moved[8], copied[8];
        for (int i = 0; i < 8; ++i) moved[i] = copied[i] = uint32_t(i + 10);
        MoveDWords(moved + from, moved + to, count);
        for (int i = 0; i < count; ++i) copied[to + i] = copied[from + i];
        for (int i = 0; i < 8; ++i)
          ASSERT_EQ(moved[i], copied[i]) << "from " << from << " to " << to << " count " << count << " cell " << i;
      }
  uint32_t same[2] = {5, 6};
  MoveDWords(same, same, 2);
  MoveDWords(same, same + 1, 0);
  MoveDWords(same, same + 1, -1);
  EXPECT_EQ(same[1], 6u);
}

TEST(IntegerRoutines, SwapOrderClamp) {
  int32_t a = 5, b = -2;
  SwapInts(a, b);
  EXPECT_EQ(a, -2); EXPECT_EQ(b, 5);
  OrderInts(b, a);
  EXPECT_EQ(b, -2); EXPECT_EQ(a, 5);
  OrderInts(b, a);
  EXPECT_EQ(b, -2);
  struct Row { int32_t value, max, expected; };
  for (const Row& r : {Row{5, -3, -3}, Row{-1, 10, 0}, Row{11, 10, 10}, Row{4, 10, 4}})
    EXPECT_EQ(ClampZeroTo(r.value, r.max), r.expected) << r.value << "," << r.max;
  EXPECT_EQ(ClampRange(5, 10, 2), 2);
  EXPECT_EQ(ClampRange(-5, 0, 9), 0);
  EXPECT_EQ(ClampRange(5, 0, 9), 5);
}

// Reference forms: the periodic and reflected positions counted out step by step.
int32_t StepwiseWrap(int32_t value, int32_t min, int32_t max) {
  while (value < min) value += max - min + 1;
  while (value > max) value -= max - min + 1;
  return value;
}

int32_t StepwiseMirror(int32_t value, int32_t min, int32_t max) {
  // Walk from min towards value, turning at each edge after repeating the edge value.
  const int32_t range = max - min + 1;
  int64_t offset = int64_t(value) - min;
  const int64_t period = 2 * int64_t(range);
  offset = ((offset % period) + period) % period;
  return offset < range ? int32_t(min + offset) : int32_t(max - (offset - range));
}

TEST(IntegerRoutines, WrapAndMirrorMatchTheirStepwiseForms) {
  EXPECT_EQ(WrapRange(-1, 0, 9), 9);
  EXPECT_EQ(WrapRange(10, 0, 9), 0);
  EXPECT_EQ(WrapRange(23, 0, 9), 3);
  EXPECT_EQ(MirrorRange(10, 0, 9), 9);
  EXPECT_EQ(MirrorRange(11, 0, 9), 8);
  EXPECT_EQ(MirrorRange(-1, 0, 9), 0);
  EXPECT_EQ(MirrorRange(-2, 0, 9), 1);
  const int32_t ranges[][2] = {{0, 9}, {-3, 4}, {5, 5}, {2, 3}, {-20, -11}};
  for (const auto& range : ranges) {
    for (int32_t v = -60; v <= 60; ++v) {
      EXPECT_EQ(WrapRange(v, range[0], range[1]), StepwiseWrap(v, range[0], range[1]))
          << "wrap " << v << " into " << range[0] << ".." << range[1];
      EXPECT_EQ(MirrorRange(v, range[0], range[1]), StepwiseMirror(v, range[0], range[1]))
          << "mirror " << v << " into " << range[0] << ".." << range[1];
    }
  }
  EXPECT_EQ(WrapProcs[wmClamp](12, 0, 9), 9);
  EXPECT_EQ(WrapProcs[wmRepeat](12, 0, 9), 2);
  EXPECT_EQ(WrapProcs[wmMirror](12, 0, 9), 7);
}

TEST(IntegerRoutines, DivRemTruncates) {
  struct Row { int32_t dividend, divisor, quotient, remainder; };
  for (const Row& r : {Row{7, 2, 3, 1}, Row{-7, 2, -3, -1}, Row{7, -2, -3, 1}, Row{-7, -2, 3, -1},
                       Row{0, 5, 0, 0}}) {
    int32_t remainder = 99;
    EXPECT_EQ(DivRem(r.dividend, r.divisor, remainder), r.quotient) << r.dividend << "/" << r.divisor;
    EXPECT_EQ(remainder, r.remainder) << r.dividend << "/" << r.divisor;
  }
}

}  // namespace
}  // namespace raster
