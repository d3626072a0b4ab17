// Touch mapping in the three rotations and the lParam of forwarded keys and touches.
#include <gtest/gtest.h>

#include "viewer/input.h"

using namespace viewer;

TEST(MapTouchPoint, AllRotationsWithThePressCorrection) {
  const float dual_x = 2.0f, dual_y = 2.0f;
  const float single_x = 742 / 256.0f, single_y = float(557 / 192.0);
  struct Row {
    int x, y;
    float sx, sy;
    Rotation rotation;
    bool press;
    int expected_x, expected_y;
    const char* what;
  };
  const Row rows[] = {
      {100, 51, dual_x, dual_y, Rotation::Normal, true, 50, 29, "press adds 3 rows"},
      {100, 51, dual_x, dual_y, Rotation::Normal, false, 50, 26, "move does not"},
      {100, 200, dual_x, dual_y, Rotation::Left, true, 156, 50, "left, no correction"},
      {100, 200, dual_x, dual_y, Rotation::Right, true, 100, 142, "right, no correction"},
      {10, 0, single_x, single_y, Rotation::Normal, false, 3, 0, "Trunc(3.95)"},
      {-5, 0, dual_x, dual_y, Rotation::Normal, false, -2, 0, "Trunc(-2.0)"},
      {-6, -31, dual_x, dual_y, Rotation::Normal, false, -2, -15, "Trunc(-2.5), Trunc(-15)"},
      {1, 1, dual_x, dual_y, Rotation::Normal, false, 1, 1, "halves round up"},
      {0, 600, dual_x, dual_y, Rotation::Left, false, -44, 0, "left beyond the screen"},
      {700, 0, dual_x, dual_y, Rotation::Right, false, 0, -158, "right beyond the screen"},
  };
  for (const Row& row : rows) {
    POINT point = MapTouchPoint(row.x, row.y, row.sx, row.sy, row.rotation, row.press);
    EXPECT_EQ(point.x, row.expected_x) << row.what;
    EXPECT_EQ(point.y, row.expected_y) << row.what;
  }
}

TEST(TouchLParam, CutsBothCoordinatesToSixteenBits) {
  EXPECT_EQ(uint32_t(TouchLParam({50, 29})), 0x001D0032u);
  EXPECT_EQ(uint32_t(TouchLParam({-2, 26})), 0x001AFFFEu);
  EXPECT_EQ(uint32_t(TouchLParam({50, -15})), 0xFFF10032u);
  EXPECT_EQ(uint32_t(TouchLParam({0x12345, 0x10002})), 0x00022345u);
}

TEST(KeyLParam, ScanCodeExtendedBitAndReleaseBits) {
  struct Row { WORD key; bool extended; };
  const Row rows[] = {{'A', false},      {VK_RETURN, false}, {VK_SPACE, false}, {VK_PRIOR, true},
                      {VK_NEXT, true},   {VK_END, true},     {VK_HOME, true},   {VK_LEFT, true},
                      {VK_UP, true},     {VK_RIGHT, true},   {VK_DOWN, true},   {VK_INSERT, true},
                      {VK_DELETE, true}, {VK_SELECT, false}, {VK_SNAPSHOT, false}, {VK_HELP, false}};
  for (const Row& row : rows) {
    uint32_t scan = MapVirtualKeyA(row.key, 0) & 0xFFFF;
    uint32_t down = scan << 16 | (row.extended ? 0x01000000u : 0u);
    EXPECT_EQ(uint32_t(KeyLParam(row.key, false)), down) << "key " << row.key;
    EXPECT_EQ(uint32_t(KeyLParam(row.key, true)), down | 0xC0000000u) << "key " << row.key;
  }
  EXPECT_EQ(uint32_t(KeyLParam('A', false)), 0x001E0000u);
}

TEST(ForwardsKey, EverythingButEscape) {
  EXPECT_FALSE(ForwardsKey(VK_ESCAPE));
  for (WORD key : {WORD('A'), WORD(VK_DELETE), WORD(VK_RETURN), WORD(VK_F1), WORD(0)})
    EXPECT_TRUE(ForwardsKey(key)) << key;
}
