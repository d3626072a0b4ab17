// The bitmap's pixel operations: the gamma table, the interpolator variants, the checked and
// bilinear reads, clipped fills, quarter turns and their events, and the sampler base.
#include "raster/Raster.h"
#include "raster/Raster_Blend.h"
#include "raster/Raster_Resamplers.h"
#include "tests/raster/bitmap_events.h"
#include "tests/raster/raster_test_support.h"

#include <gtest/gtest.h>

#include <random>

namespace raster {
namespace {

using raster_test::Channel;

TEST(GammaTable, HoldsTheCurveOfGammaSevenTenths) {
  const std::pair<int, int> entries[] = {{0, 0},    {1, 5},     {2, 9},     {16, 37},   {64, 97},
                                         {128, 157}, {192, 209}, {254, 254}, {255, 255}};
  for (auto [index, value] : entries) EXPECT_EQ(GammaTable[index], value) << "entry " << index;
}

// The plain interpolator mixes with the 0..255 combine; the MMX one floors 256ths.
TColor32 ReferenceInterpolation(uint32_t wx, uint32_t wy, const TColor32* p1, const TColor32* p2, bool mmx) {
  auto mix = [&](TColor32 a, TColor32 b, uint32_t w) {
    TColor32 r = 0;
    for (int c = 0; c < 4; ++c) {
      const uint32_t x = Channel(a, c), y = Channel(b, c);
      const uint32_t v = mmx ? (x * w + y * (256 - w)) >> 8
                             : w == 0 ? y : w >= 255 ? x : ((x * w + 128) >> 8) + ((y * (255 - w) + 128) >> 8);
      r |= v << (8 * c);
    }
    return r;
  };
  return mix(mix(p1[0], p1[1], wx), mix(p2[0], p2[1], wx), wy);
}

class Interpolator : public testing::TestWithParam<raster_test::Variant> {
 protected:
  void SetUp() override { raster_test::SelectAll(GetParam().features); }
  void TearDown() override { raster_test::SelectStartupRoutines(); }
};

INSTANTIATE_TEST_SUITE_P(Variants, Interpolator, testing::ValuesIn(raster_test::RunnableVariants()),
                         raster_test::VariantName);

TEST_P(Interpolator, MatchesItsRoundingAndFeedsTheBilinearReads) {
  const bool mmx = GetParam().features.MMX;
  std::mt19937 rng(raster_test::TestSeed());
  for (int round = 0; round < 4000; ++round) {
    const TColor32 p1[2] = {rng(), rng()}, p2[2] = {rng(), rng()};
    const uint32_t wx = round < 256 ? round : rng() % 256, wy = rng() % 256;
    const TColor32 actual = PixelInterpolator(wx, wy, p1, p2);
    ASSERT_EQ(actual, ReferenceInterpolation(wx, wy, p1, p2, mmx)) << "weights " << wx << ", " << wy;
  }
  TBitmap32 bitmap;
  bitmap.SetSize(3, 3);
  for (int i = 0; i < 9; ++i) bitmap.Bits()[i] = rng();
  // Fraction 0 weighs the upper-left pixel with 255 (alone, in the plain variant); other
  // fractions go through the gamma table.
  EXPECT_EQ(bitmap.PixelBilinear256(256, 256),
            ReferenceInterpolation(255, 255, bitmap.PixelPointer(1, 1), bitmap.PixelPointer(1, 2), mmx));
  if (!mmx) {
    EXPECT_EQ(bitmap.PixelBilinear256(256, 256), bitmap.Pixel(1, 1));
  }
  EXPECT_EQ(bitmap.PixelFixed(0x10000 + 0x4000, 0x8000),
            ReferenceInterpolation(GammaTable[255 - 0x40], GammaTable[255 - 0x80], bitmap.PixelPointer(1, 0),
                                   bitmap.PixelPointer(1, 1), mmx));
  LeaveMmxState();
  EXPECT_EQ(raster_test::FloatingPointProbe(), 5.0);
}

TEST(CheckedReads, ClipWrapAndEdges) {
  TBitmap32 b;
  b.SetSize(6, 4);
  for (int i = 0; i < 24; ++i) b.Bits()[i] = 0xFF000000u | TColor32(i);
  b.SetOuterColor(0xDEADBEEF);
  b.SetClipRect(RectOf(1, 1, 5, 3));
  EXPECT_EQ(b.PixelClipped(1, 1), b.Pixel(1, 1));
  EXPECT_EQ(b.PixelClipped(5, 1), 0xDEADBEEFu);
  EXPECT_EQ(b.PixelClipped(0, 2), 0xDEADBEEFu);
  struct Row { TWrapMode mode; int x, y, ex, ey; };
  const Row rows[] = {{wmClamp, -3, 9, 1, 2},  {wmClamp, 7, 0, 4, 1},  {wmRepeat, 5, 3, 1, 1},
                      {wmRepeat, 0, 0, 4, 2},  {wmMirror, 5, 3, 4, 2}, {wmMirror, 0, 0, 1, 1}};
  for (const Row& r : rows) {
    b.SetWrapMode(r.mode);
    EXPECT_EQ(b.PixelWrapped(r.x, r.y), b.Pixel(r.ex, r.ey)) << int(r.mode) << " at " << r.x << "," << r.y;
  }
  // The last column of the clip is read without blending; one step further is outside.
  EXPECT_EQ(b.PixelBilinear256Clipped(4 * 256, 1 * 256 + 77), b.Pixel(4, 1));
  EXPECT_EQ(b.PixelBilinear256Clipped(4 * 256 + 1, 1 * 256), 0xDEADBEEFu);
  EXPECT_EQ(b.PixelBilinear256Clipped(2 * 256 + 5, 2 * 256), b.Pixel(2, 2));
  EXPECT_EQ(b.PixelBilinear256Clipped(255, 300), 0xDEADBEEFu);
  EXPECT_EQ(b.PixelFixedClipped(-0x10000, 0x10000), 0xDEADBEEFu);
  // Wrapped fixed reads weigh with the fraction's top byte: halfway between columns 1 and 2.
  b.SetWrapMode(wmClamp);
  EXPECT_EQ(b.PixelFixedWrapped(0x18000, 0x10000), CombineColors(b.Pixel(2, 1), b.Pixel(1, 1), 0x80));
  LeaveMmxState();
  // An empty clip rectangle has no pixel to wrap to.
  b.SetClipRect(RectOf(9, 9, 12, 12));
  EXPECT_EQ(b.PixelWrapped(3, 3), 0xDEADBEEFu);
  EXPECT_EQ(b.PixelFixedWrapped(0, 0), 0xDEADBEEFu);
}

TEST(FillRectClipped, FillsTheClippedPartAndReports) {
  TBitmap32 b;
  b.SetSize(10, 10);
  std::vector<TRect> areas;
  b.OnAreaChanged = [&](TObject*, const TRect& a, uint32_t) { areas.push_back(a); };
  b.FillRectClipped(-10, -10, 5, 5, 0xFF112233);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(b.Pixel(x, y), x < 5 && y < 5 ? 0xFF112233u : 0u);
  ASSERT_EQ(areas.size(), 2u);
  EXPECT_EQ(areas[1].right, 5);
  EXPECT_EQ(areas[1].left, 0);
  areas.clear();
  b.FillRectClipped(20, 20, 30, 30, 0xFFFFFFFF);
  ASSERT_EQ(areas.size(), 1u);
  EXPECT_EQ(areas[0].left, 20);
}

// Target index of source pixel (x, y) of a w x h bitmap, turned clockwise or not.
size_t Turned(int x, int y, int w, int h, bool clockwise) {
  return clockwise ? size_t(h - 1 - y + x * h) : size_t((w - 1 - x) * h + y);
}

TEST(Rotation, TurnsIntoAnotherBitmapItselfOrInPlace) {
  std::mt19937 rng(raster_test::TestSeed());
  for (bool clockwise : {true, false}) {
    for (SIZE size : {SIZE{270, 208}, SIZE{1, 5}, SIZE{3, 2}, SIZE{4, 4}}) {
      TBitmap32 src;
      src.SetSize(size.cx, size.cy);
      for (int i = 0; i < size.cx * size.cy; ++i) src.Bits()[i] = rng();
      std::vector<TColor32> expected(size_t(size.cx * size.cy));
      for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x) expected[Turned(x, y, size.cx, size.cy, clockwise)] = src.Pixel(x, y);
      auto turn = [&](TBitmap32* dst) { clockwise ? src.RotateClockwise(dst) : src.RotateCounterClockwise(dst); };
      TBitmap32 dst;
      dst.SetSize(256, 192);
      turn(&dst);
      ASSERT_EQ(dst.Width(), size.cy);
      ASSERT_EQ(raster_test::FirstDifference(dst.Bits(), expected.data(), expected.size()), "");
      const std::vector<TColor32> original(src.Bits(), src.Bits() + expected.size());
      turn(&src);  // into itself: a copy is turned
      ASSERT_EQ(src.Width(), size.cy);
      ASSERT_EQ(raster_test::FirstDifference(src.Bits(), expected.data(), expected.size()), "");
      clockwise ? src.RotateCounterClockwise(nullptr) : src.RotateClockwise(nullptr);
      ASSERT_EQ(raster_test::FirstDifference(src.Bits(), original.data(), original.size()), "") << "turned back";
    }
  }
  // The viewer's frame: source (0, 0) and (269, 207) land where the picture's corners go.
  TBitmap32 frame, shown;
  frame.SetSize(270, 208);
  frame.Pixel(0, 0) = 1;
  frame.Pixel(269, 207) = 2;
  frame.RotateClockwise(&shown);
  EXPECT_EQ(shown.Pixel(207, 0), 1u);
  EXPECT_EQ(shown.Pixel(0, 269), 2u);
  frame.RotateCounterClockwise(&shown);
  EXPECT_EQ(shown.Pixel(0, 269), 1u);
}

TEST(Rotation, NotifiesOnceAfterThePixels) {
  TBitmap32 src, dst;
  src.SetSize(3, 2);
  src.Clear(0xFF0000FF);
  dst.SetSize(5, 5);
  EventLog log;
  log.Watch(dst);
  src.RotateClockwise(&dst);
  EXPECT_EQ(log.Take(), (std::vector<std::string>{"handle", "resize 2x3", EventLog::Bounds(2, 3), "change"}));
  // In place, even a square bitmap that keeps its size reports its new pixels once.
  TBitmap32 square;
  square.SetSize(4, 4);
  EventLog own;
  own.Watch(square);
  square.RotateCounterClockwise(nullptr);
  EXPECT_EQ(own.Take(), (std::vector<std::string>{EventLog::Bounds(4, 4), "change"}));
}

TEST(SamplerBase, BoundsAndForwarding) {
  TCustomSampler base;
  const TRect bounds = base.GetSampleBounds();
  EXPECT_EQ(bounds.left, INT32_MIN);
  EXPECT_EQ(bounds.bottom, INT32_MAX);
  EXPECT_FALSE(base.HasSampleBounds());
  // A sampler that answers only in float sees integer and fixed requests converted.
  struct FloatSampler : TCustomSampler {
    TColor32 SampleAtFloat(float X, float Y) override { return TColor32(X * 4) << 16 | TColor32(Y * 4); }
  } sampler;
  EXPECT_EQ(sampler.SampleAtInt(3, 5), TColor32(12 << 16 | 20));
  EXPECT_EQ(sampler.SampleAtFixed(0x18000, 0x4000), TColor32(6 << 16 | 1));
}

}  // namespace
}  // namespace raster
