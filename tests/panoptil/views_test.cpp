// Layout of the zoom modes, refresh intervals, the rotation transform and auto-align sizes.
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>

#include "panoptil/alignment.h"
#include "panoptil/views.h"

namespace panoptil {

std::ostream& operator<<(std::ostream& out, const BoxBounds& box) {
  return out << box.width << "x" << box.height << " at (" << box.left << ", " << box.top << ")";
}

namespace {

struct LayoutCase {
  const char* name;
  int zoom_tag;
  bool rotated, touch_large;
  int client_width, client_height;
  BoxBounds top, touch;
  int touch_factor;
};

const LayoutCase kLayoutCases[] = {
    {"2:0", 20, false, false, 512, 384, {0, 0, 512, 384}, {256, 384, 0, 0}, 0},
    {"2:0 wheel up", 20, false, true, 512, 384, {256, 0, 0, 0}, {0, 0, 512, 384}, 2},
    {"3:2", 32, false, false, 768, 960, {0, 0, 768, 576}, {128, 576, 512, 384}, 2},
    {"3:2 wheel up", 32, false, true, 768, 960, {128, 0, 512, 384}, {0, 384, 768, 576}, 3},
    {"4:1 rotated", 41, true, false, 960, 1024, {0, 0, 768, 1024}, {768, 384, 192, 256}, 1},
    {"4:1 rotated wheel up", 41, true, true, 960, 1024, {0, 384, 192, 256}, {192, 0, 768, 1024},
     4},
    {"2:1", 21, false, false, 512, 576, {0, 0, 512, 384}, {128, 384, 256, 192}, 1},
    {"2:2 rotated", 22, true, false, 768, 512, {0, 0, 384, 512}, {384, 0, 384, 512}, 2},
    {"3:0 rotated", 30, true, false, 576, 768, {0, 0, 576, 768}, {576, 384, 0, 0}, 0},
};

TEST(Layout, ZoomModesRotationAndWheel) {
  for (const LayoutCase& row : kLayoutCases) {
    ScreenLayout layout = ComputeLayout(row.zoom_tag, row.rotated, row.touch_large);
    EXPECT_EQ(layout.client_width, row.client_width) << row.name;
    EXPECT_EQ(layout.client_height, row.client_height) << row.name;
    EXPECT_EQ(layout.static_box, row.top) << row.name;
    EXPECT_EQ(layout.touch_box, row.touch) << row.name;
    EXPECT_EQ(layout.touch_factor, row.touch_factor) << row.name;
  }
}

TEST(Refresh, IntervalIsAThousandDividedByTheRate) {
  const int rates[] = {100, 60, 50, 40, 30, 25, 20, 15, 10, 8, 6, 5, 4, 3, 2, 1};
  const int intervals[] = {10, 16, 20, 25, 33, 40, 50, 66, 100, 125, 166, 200, 250, 333, 500,
                           1000};
  for (size_t i = 0; i < std::size(rates); ++i)
    EXPECT_EQ(RefreshInterval(rates[i]), intervals[i]) << "rate " << rates[i];
}

TEST(Rotation, QuarterTurnCounterClockwiseWithTinyCosine) {
  XFORM transform = MakeRotationTransform();
  EXPECT_NE(transform.eM11, 0.0f);
  EXPECT_LT(std::fabs(transform.eM11), 1e-15f);
  EXPECT_EQ(transform.eM11, transform.eM22);
  EXPECT_EQ(transform.eM12, -1.0f);
  EXPECT_EQ(transform.eM21, 1.0f);
  EXPECT_EQ(transform.eDx, 0.0f);
}

TEST(AutoAlign, SizesThatFillTheScreenExactly) {
  struct Row {
    int screen_width, screen_height, client_width, client_height;
    bool horizontal, vertical;
  } rows[] = {
      {1280, 1024, 1024, 960, true, false},   // "4:1" on a 1280-wide screen
      {1280, 1024, 960, 1024, false, true},   // "4:1" rotated
      {1280, 960, 1024, 960, true, true},
      {1920, 1200, 1024, 960, false, false},
  };
  for (const Row& row : rows) {
    AutoAlignSteps steps =
        CheckAutoAlign(row.screen_width, row.screen_height, row.client_width, row.client_height);
    EXPECT_EQ(steps.horizontal, row.horizontal) << row.screen_width << "x" << row.screen_height;
    EXPECT_EQ(steps.vertical, row.vertical) << row.screen_width << "x" << row.screen_height;
  }
}

}  // namespace
}  // namespace panoptil
