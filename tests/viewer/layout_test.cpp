// Size tables, the layout of every monitor/screen/rotation case, docking on each side and
// snapping of the main window to the second one.
#include <gtest/gtest.h>

#include "viewer/layout.h"

using namespace viewer;

TEST(SizeTables, HoldTheClientSizesByResolutionIndex) {
  const SizeTable single = MakeSingleSizeTable(), dual = MakeDualSizeTable();
  const int expected_single[4][2] = {{512, 384}, {742, 557}, {947, 718}, {998, 749}};
  const int expected_dual[4][2] = {{384, 288}, {461, 346}, {512, 384}, {640, 480}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(single[i].width, expected_single[i][0]) << "single " << i;
    EXPECT_EQ(single[i].height, expected_single[i][1]) << "single " << i;
    EXPECT_EQ(dual[i].width, expected_dual[i][0]) << "dual " << i;
    EXPECT_EQ(dual[i].height, expected_dual[i][1]) << "dual " << i;
  }
}

TEST(PlanLayout, EveryMonitorScreenAndRotationCase) {
  struct Row {
    bool double_monitor, double_screen, rotated;
    int index;
    int main_w, main_h;
    bool second_sized;
    int second_w, second_h;
    float scale_x, scale_y;
  };
  const Row rows[] = {
      // one monitor, one screen: the single table, the second window keeps its size
      {false, false, false, 0, 512, 384, false, 0, 0, 2.0f, 2.0f},
      {false, false, false, 1, 742, 557, false, 0, 0, 2.8984375f, float(557 / 192.0)},
      {false, false, true, 1, 557, 742, false, 0, 0, 2.8984375f, float(557 / 192.0)},
      {false, false, false, 3, 998, 749, false, 0, 0, 3.8984375f, float(749 / 192.0)},
      // one monitor, two screens: the dual table for both windows
      {false, true, false, 2, 512, 384, true, 512, 384, 2.0f, 2.0f},
      {false, true, false, 1, 461, 346, true, 461, 346, 1.80078125f, float(346 / 192.0)},
      {false, true, true, 3, 480, 640, true, 480, 640, 2.5f, 2.5f},
      {false, true, false, 0, 384, 288, true, 384, 288, 1.5f, 1.5f},
      // two monitors, one screen: as one monitor
      {true, false, false, 2, 947, 718, false, 0, 0, 3.69921875f, float(718 / 192.0)},
      {true, false, true, 2, 718, 947, false, 0, 0, 3.69921875f, float(718 / 192.0)},
      // two monitors, two screens: the single table for both windows
      {true, true, false, 0, 512, 384, true, 512, 384, 2.0f, 2.0f},
      {true, true, true, 3, 749, 998, true, 749, 998, 3.8984375f, float(749 / 192.0)},
  };
  const SizeTable single = MakeSingleSizeTable(), dual = MakeDualSizeTable();
  int row_number = 0;
  for (const Row& row : rows) {
    LayoutChoice choice{row.double_monitor, row.double_screen, row.rotated, row.index};
    LayoutPlan plan = PlanLayout(choice, single, dual);
    EXPECT_EQ(plan.main_client.cx, row.main_w) << "row " << row_number;
    EXPECT_EQ(plan.main_client.cy, row.main_h) << "row " << row_number;
    EXPECT_EQ(plan.second_sized, row.second_sized) << "row " << row_number;
    if (row.second_sized) {
      EXPECT_EQ(plan.second_client.cx, row.second_w) << "row " << row_number;
      EXPECT_EQ(plan.second_client.cy, row.second_h) << "row " << row_number;
    }
    EXPECT_EQ(plan.scale_x, row.scale_x) << "row " << row_number;
    EXPECT_EQ(plan.scale_y, row.scale_y) << "row " << row_number;
    ++row_number;
  }
}

TEST(PlanLayout, ScaleFactorsAreTheSinglePrecisionQuotients) {
  // 718 / 192 = 3.7395833...; 557 / 192 = 2.9010416...
  LayoutPlan plan = PlanLayout({false, false, false, 2}, MakeSingleSizeTable(), MakeDualSizeTable());
  EXPECT_FLOAT_EQ(plan.scale_y, 3.7395833f);
  plan = PlanLayout({false, false, true, 1}, MakeSingleSizeTable(), MakeDualSizeTable());
  EXPECT_FLOAT_EQ(plan.scale_y, 2.9010417f);
}

TEST(DockPosition, PutsTheSecondWindowOnEachSide) {
  const RECT main = {100, 400, 620, 810};  // 520 x 410
  const SIZE second = {512, 384};
  const POINT current = {3, 4};
  struct Row { int side; POINT expected; };
  const Row rows[] = {{kDockTop, {100, 16}},   {kDockDown, {100, 810}}, {kDockLeft, {-412, 400}},
                      {kDockRight, {620, 400}}, {4, {3, 4}},           {-1, {3, 4}}};
  for (const Row& row : rows) {
    POINT at = DockPosition(row.side, main, second, current);
    EXPECT_EQ(at.x, row.expected.x) << "side " << row.side;
    EXPECT_EQ(at.y, row.expected.y) << "side " << row.side;
  }
}

TEST(SnapMainWindow, JumpsNextToTheSecondWindowWithinTenPixels) {
  // The second window is 512 x 384 at (300, 200); the main window 520 x 410.
  const RECT second = {300, 200, 812, 584};
  auto main_at = [](int left, int top) { return RECT{left, top, left + 520, top + 410}; };
  struct Row { int left, top, start_side; int left_after, top_after, side_after; const char* what; };
  const Row rows[] = {
      {305, 590, 3, 300, 584, kDockTop, "below, within"},
      {290, 574, 3, 300, 584, kDockTop, "below, 10 off both ways"},
      {311, 584, 3, 311, 584, 3, "below, 11 off"},
      {300, 595, 3, 300, 595, 3, "below, 11 off down"},
      {296, -214, 0, 300, -210, kDockDown, "above, within"},
      {818, 205, 0, 812, 200, kDockLeft, "right of it, within"},
      {-216, 192, 0, -220, 200, kDockRight, "left of it, within"},
      {600, 600, 1, 600, 600, 1, "far away"},
  };
  for (const Row& row : rows) {
    SnapResult result = SnapMainWindow(main_at(row.left, row.top), second, row.start_side);
    EXPECT_EQ(result.main_position.x, row.left_after) << row.what;
    EXPECT_EQ(result.main_position.y, row.top_after) << row.what;
    EXPECT_EQ(result.dock_side, row.side_after) << row.what;
  }
}

TEST(SnapMainWindow, LaterTestsSeeThePositionEarlierOnesLeft) {
  // A main window as tall as the gap test allows: after the jump below the second window
  // its left edge equals the second's, and the side tests use the new top.
  const RECT second = {0, 0, 100, 100};
  // Main 100 x 10 at (5, 95): jump below (top 100); then |0 - (100 + 10)| = 110, no
  // "above" jump; then |100 - 0| > 10: no side jumps.
  SnapResult result = SnapMainWindow({5, 95, 105, 105}, second, 2);
  EXPECT_EQ(result.main_position.x, 0);
  EXPECT_EQ(result.main_position.y, 100);
  EXPECT_EQ(result.dock_side, kDockTop);
  // Main 100 x 95 at (0, 3): not below (|3 - 100| > 10); above test: |0 - (3 + 95)| = 98,
  // no; same top within 10 and the second's right edge at 100 vs main left 0: no; the
  // main's right edge at 100 vs second left 0: no.
  result = SnapMainWindow({0, 3, 100, 98}, second, 2);
  EXPECT_EQ(result.dock_side, 2);
  // Square 10 x 10 second window, main 10 x 10 at (3, 12): below -> (0, 10); then above:
  // |0 - (10 + 10)| = 20, no; then same top? |10 - 0| <= 10 yes: right of it? |0 - 10| = 10
  // -> left := 10, top := 0, side 2; then |0 - (10 + 10)| = 20, no.
  result = SnapMainWindow({3, 12, 13, 22}, {0, 0, 10, 10}, 1);
  EXPECT_EQ(result.main_position.x, 10);
  EXPECT_EQ(result.main_position.y, 0);
  EXPECT_EQ(result.dock_side, kDockLeft);
}
