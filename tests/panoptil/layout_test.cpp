// The magnifier window against the stand-in: client size and box bounds for the zoom modes,
// the wheel and rotation, and the pictures in the boxes pixel by pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "tools/systest/magnifier.h"

namespace panoptil_test {
namespace {

using standin::Region;
using systest::TempDir;

struct Expected {
  const char* name;
  int client_width, client_height;
  RECT top, touch;  // left, top, right, bottom in client coordinates
  int top_factor, touch_factor;
  bool rotated;
};

std::string Describe(const RECT& rect) {
  std::ostringstream text;
  text << (rect.right - rect.left) << "x" << (rect.bottom - rect.top) << " at (" << rect.left
       << ", " << rect.top << ")";
  return text.str();
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Checks the client size, that the two boxes have the expected bounds, and the pictures in
// the non-empty ones.
void CheckLayout(const Magnifier& magnifier, const Expected& expected) {
  SCOPED_TRACE(expected.name);
  ASSERT_TRUE(WaitForClientSize(magnifier, expected.client_width, expected.client_height))
      << "client " << magnifier.ClientSize().cx << "x" << magnifier.ClientSize().cy;
  std::vector<Box> boxes;
  bool placed = systest::WaitUntil([&] {
    boxes = magnifier.Boxes();
    if (boxes.size() != 2) return false;
    return (SameRect(boxes[0].client, expected.top) && SameRect(boxes[1].client, expected.touch)) ||
           (SameRect(boxes[1].client, expected.top) && SameRect(boxes[0].client, expected.touch));
  });
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_TRUE(placed) << "boxes " << Describe(boxes[0].client) << " and "
                      << Describe(boxes[1].client) << ", expected top "
                      << Describe(expected.top) << " and touch " << Describe(expected.touch);
  if (expected.top_factor > 0) {
    EXPECT_EQ(WaitForBoxPicture(magnifier, expected.top, Region::Top, expected.top_factor,
                                expected.rotated),
              "")
        << "top screen";
  }
  if (expected.touch_factor > 0) {
    EXPECT_EQ(WaitForBoxPicture(magnifier, expected.touch, Region::Touch, expected.touch_factor,
                                expected.rotated),
              "")
        << "touch screen";
  }
}

TEST(MagnifierLayout, TwoToNothingAtStartAndAfterTheWheel) {
  TempDir dir;
  Magnifier magnifier;
  ASSERT_TRUE(magnifier.Start(dir));
  CheckLayout(magnifier, {"2:0", 512, 384, {0, 0, 512, 384}, {256, 384, 256, 384}, 2, 0, false});
  magnifier.TurnWheel(true);
  CheckLayout(magnifier,
              {"2:0 wheel up", 512, 384, {256, 0, 256, 0}, {0, 0, 512, 384}, 0, 2, false});
  magnifier.TurnWheel(false);
  CheckLayout(magnifier,
              {"2:0 wheel down", 512, 384, {0, 0, 512, 384}, {256, 384, 256, 384}, 2, 0, false});
}

TEST(MagnifierLayout, ThreeToTwoWithTheFactorsSwapped) {
  TempDir dir;
  Magnifier magnifier;
  ASSERT_TRUE(magnifier.Start(dir));
  ASSERT_TRUE(magnifier.ChooseMenuItem(kZoomMenu, ZoomIndex(32)));
  CheckLayout(magnifier,
              {"3:2", 768, 960, {0, 0, 768, 576}, {128, 576, 640, 960}, 3, 2, false});
  magnifier.TurnWheel(true);
  CheckLayout(magnifier,
              {"3:2 wheel up", 768, 960, {128, 0, 640, 384}, {0, 384, 768, 960}, 2, 3, false});
}

TEST(MagnifierLayout, FourToOneRotatedThenBack) {
  TempDir dir;
  Magnifier magnifier;
  ASSERT_TRUE(magnifier.Start(dir));
  ASSERT_TRUE(magnifier.ChooseMenuItem(kZoomMenu, ZoomIndex(41)));
  CheckLayout(magnifier,
              {"4:1", 1024, 960, {0, 0, 1024, 768}, {384, 768, 640, 960}, 4, 1, false});
  ASSERT_TRUE(magnifier.ChooseMenuItem(kRotate));
  CheckLayout(magnifier,
              {"4:1 rotated", 960, 1024, {0, 0, 768, 1024}, {768, 384, 960, 640}, 4, 1, true});
  ASSERT_TRUE(magnifier.ChooseMenuItem(kRotate));
  CheckLayout(magnifier,
              {"4:1 rotation off", 1024, 960, {0, 0, 1024, 768}, {384, 768, 640, 960}, 4, 1,
               false});
}

TEST(MagnifierLayout, TwoToTwoRotated) {
  TempDir dir;
  Magnifier magnifier;
  ASSERT_TRUE(magnifier.Start(dir));
  ASSERT_TRUE(magnifier.ChooseMenuItem(kRotate));
  ASSERT_TRUE(magnifier.ChooseMenuItem(kZoomMenu, ZoomIndex(22)));
  CheckLayout(magnifier,
              {"2:2 rotated", 768, 512, {0, 0, 384, 512}, {384, 0, 768, 512}, 2, 2, true});
}

}  // namespace
}  // namespace panoptil_test
