// The touch mapping: rounding halves to even, the far edges, the rotated 16-bit mapping.
#include <gtest/gtest.h>

#include "panoptil/touch.h"

namespace panoptil {
namespace {

struct TouchCase {
  int view_x, view_y, scale;
  bool rotated;
  uint32_t x, y;  // posted low and high words
};

const TouchCase kTouchCases[] = {
    {0, 0, 2, false, 0, 0},
    {1, 1, 2, false, 0, 0},      // 0.5 rounds to 0
    {2, 3, 2, false, 1, 2},      // 1.5 rounds to 2
    {3, 5, 2, false, 2, 2},      // 2.5 rounds to 2
    {7, 9, 2, false, 4, 4},      // 3.5 and 4.5 round to 4
    {510, 383, 2, false, 255, 192},
    {511, 0, 2, false, 256, 0},
    {767, 575, 3, false, 256, 192},
    {255, 191, 1, false, 255, 191},
    {0, 0, 2, true, 255, 0},
    {0, 511, 2, true, 0xFFFF, 0},  // 255 - 256 kept in 16 bits
    {383, 1, 2, true, 255, 192},   // y 191.5 rounds to 192
    {5, 2, 2, true, 254, 2},
    {100, 1020, 4, true, 0, 25},
    {100, 1023, 4, true, 0xFFFF, 25},
};

TEST(TouchMapping, RoundsHalvesToEvenAndRotatesInSixteenBits) {
  for (const TouchCase& row : kTouchCases) {
    uint32_t view = uint32_t(row.view_x) | (uint32_t(row.view_y) << 16);
    uint32_t mapped = MapTouchPoint(view, row.scale, row.scale, row.rotated);
    EXPECT_EQ(mapped & 0xFFFF, row.x) << "view (" << row.view_x << ", " << row.view_y
                                      << ") scale " << row.scale << " rotated " << row.rotated;
    EXPECT_EQ(mapped >> 16, row.y) << "view (" << row.view_x << ", " << row.view_y
                                   << ") scale " << row.scale << " rotated " << row.rotated;
  }
}

TEST(TouchMapping, ViewCoordinatesAreUnsigned) {
  // 0xFFFF in a view coordinate is 65535, not -1.
  EXPECT_EQ(MapTouchPoint(0x0000FFFFu, 1, 1, false), 0x0000FFFFu);
  EXPECT_EQ(MapTouchPoint(0xFFFF0000u, 1, 1, false), 0xFFFF0000u);
}

}  // namespace
}  // namespace panoptil
