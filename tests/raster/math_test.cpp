// 16.16 fixed point and rectangle helpers.
#include "raster/Raster_Math.h"

#include <gtest/gtest.h>

#include <climits>

namespace raster {
namespace {

TEST(FixedOf, FromSingleRoundsHalvesToEven) {
  struct Row { float value; TFixed expected; };
  // 2^-17 is half a unit of the last place: ties go to the even neighbour.
  const float half_unit = 1.0f / 131072.0f;
  const Row rows[] = {
      {0.0f, 0}, {1.0f, 0x10000}, {-1.0f, -0x10000}, {0.5f, 0x8000},
      {half_unit, 0}, {3 * half_unit, 2}, {-half_unit, 0}, {-3 * half_unit, -2},
      {5 * half_unit, 2}, {1.25f, 0x14000},
  };
  for (size_t i = 0; i < std::size(rows); ++i)
    EXPECT_EQ(FixedOf(rows[i].value), rows[i].expected) << "row " << i;
}

TEST(FixedOf, FromIntegerShiftsAndWraps) {
  EXPECT_EQ(FixedOf(int32_t(3)), 0x30000);
  EXPECT_EQ(FixedOf(int32_t(-1)), -0x10000);
  EXPECT_EQ(FixedOf(int32_t(0x8000)), INT32_MIN);  // wraps
  EXPECT_EQ(FixedOf(int32_t(0x18000)), INT32_MIN);
}

TEST(Fixed, FloorCeilRound) {
  struct Row { TFixed value; int32_t floor, ceil, round; };
  const Row rows[] = {
      {0, 0, 0, 0},
      {1, 0, 1, 0},
      {-1, -1, 0, 0},
      {0x8000, 0, 1, 0},        // one half: rounds down
      {0x18000, 1, 2, 1},       // one and a half
      {-0x8000, -1, 0, -1},     // minus one half
      {0x8001, 0, 1, 1},
      {-0x10000, -1, -1, -1},
      {INT32_MAX, 0x7FFF, INT32_MIN >> 16, INT32_MIN >> 16},  // the additions wrap
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(FixedFloor(rows[i].value), rows[i].floor) << "row " << i;
    EXPECT_EQ(FixedCeil(rows[i].value), rows[i].ceil) << "row " << i;
    EXPECT_EQ(FixedRound(rows[i].value), rows[i].round) << "row " << i;
  }
}

TEST(Fixed, MulAndDiv) {
  EXPECT_EQ(FixedMul(0x20000, 0x18000), 0x30000);
  EXPECT_EQ(FixedMul(-1, 1), -1);               // arithmetic shift: towards minus infinity
  EXPECT_EQ(FixedMul(0x7FFF0000, 0x7FFF0000), int32_t(0x00010000));  // low 32 bits kept
  EXPECT_EQ(FixedDiv(0x10000, 0x30000), 0x5555);
  EXPECT_EQ(FixedDiv(-0x10000, 0x30000), -0x5555);  // truncated towards zero
  EXPECT_EQ(FixedDiv(0x30000, 0x8000), 0x60000);
}

TEST(Rects, Conversions) {
  const TRect r = RectFromFloat({0.5f, 1.5f, 2.5f, -0.5f});
  EXPECT_EQ(r.left, 0); EXPECT_EQ(r.top, 2); EXPECT_EQ(r.right, 2); EXPECT_EQ(r.bottom, 0);
  const TRect x = RectFromFixed({0x8000, 0x18000, -0x8000, 0x8001});
  EXPECT_EQ(x.left, 0); EXPECT_EQ(x.top, 1); EXPECT_EQ(x.right, -1); EXPECT_EQ(x.bottom, 1);
  const TFloatRect f = FloatRectOf(RectOf(-1, 2, 3, 4));
  EXPECT_EQ(f.Left, -1.0f); EXPECT_EQ(f.Bottom, 4.0f);
}

TEST(Rects, IntersectTouchingAndDisjoint) {
  struct Row { TRect a, b; bool result; TRect expected; };
  const Row rows[] = {
      {{0, 0, 10, 10}, {10, 0, 20, 10}, true, {10, 0, 10, 10}},
      {{0, 0, 10, 10}, {11, 0, 20, 10}, false, {0, 0, 0, 0}},
      {{0, 0, 10, 10}, {2, 3, 5, 20}, true, {2, 3, 5, 10}},
      {{0, 0, 10, 10}, {0, 11, 10, 12}, false, {0, 0, 0, 0}},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    TRect dst{7, 7, 7, 7};
    EXPECT_EQ(IntersectRects(dst, rows[i].a, rows[i].b), rows[i].result) << "row " << i;
    EXPECT_TRUE(EqualRect(&dst, &rows[i].expected)) << "row " << i << ": (" << dst.left
        << "," << dst.top << "," << dst.right << "," << dst.bottom << ")";
  }
  TRect alias{0, 0, 10, 10};
  EXPECT_TRUE(IntersectRects(alias, alias, TRect{5, 5, 20, 20}));
  EXPECT_EQ(alias.left, 5); EXPECT_EQ(alias.right, 10);
}

TEST(Rects, GrowAndEmpty) {
  TRect r = RectOf(10, 10, 20, 30);
  GrowRect(r, 2, -3);
  EXPECT_EQ(r.left, 8); EXPECT_EQ(r.top, 13); EXPECT_EQ(r.right, 22); EXPECT_EQ(r.bottom, 27);
  EXPECT_TRUE(RectIsEmpty(RectOf(5, 0, 5, 10)));
  EXPECT_TRUE(RectIsEmpty(RectOf(0, 3, 10, 2)));
  EXPECT_FALSE(RectIsEmpty(RectOf(0, 0, 1, 1)));
}

}  // namespace
}  // namespace raster
