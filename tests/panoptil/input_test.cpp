// Touches and keys given to the magnifier reach the stand-in emulator as its log shows.
#include <gtest/gtest.h>

#include "tools/systest/magnifier.h"

namespace panoptil_test {
namespace {

using systest::LogEntry;
using systest::TempDir;

struct TouchClick {
  int box_x, box_y;
  uint32_t expected_lparam;  // posted x in the low word, y in the high word
};

// Clicks the touch box (whose client rectangle is `box`) at each point and checks what the
// emulator's touch window received, down and up.
void CheckTouchClicks(Magnifier& magnifier, const RECT& box, const TouchClick* clicks,
                      size_t count, const char* what) {
  const std::wstring& log = magnifier.emulator().log_path();
  size_t before = systest::LogEntriesFor(log, "touch", WM_LBUTTONUP).size();
  for (size_t i = 0; i < count; ++i) {
    ASSERT_TRUE(magnifier.WaitForPaintedAt(box.left + clicks[i].box_x, box.top + clicks[i].box_y))
        << what << " click " << i;
    POINT at = magnifier.ScreenPoint(box.left + clicks[i].box_x, box.top + clicks[i].box_y);
    ASSERT_TRUE(LeftClickAt(at)) << what << " click " << i;
    ASSERT_TRUE(systest::WaitForLogEntries(log, "touch", WM_LBUTTONUP, before + i + 1))
        << what << " click " << i;
  }
  auto downs = systest::LogEntriesFor(log, "touch", WM_LBUTTONDOWN);
  auto ups = systest::LogEntriesFor(log, "touch", WM_LBUTTONUP);
  ASSERT_EQ(downs.size(), before + count);
  for (size_t i = 0; i < count; ++i) {
    EXPECT_EQ(downs[before + i].lparam, clicks[i].expected_lparam)
        << std::hex << what << " box (" << std::dec << clicks[i].box_x << ", "
        << clicks[i].box_y << ") down";
    EXPECT_EQ(downs[before + i].wparam, uint32_t(MK_LBUTTON)) << what << " click " << i;
    EXPECT_EQ(ups[before + i].lparam, clicks[i].expected_lparam)
        << std::hex << what << " box (" << std::dec << clicks[i].box_x << ", "
        << clicks[i].box_y << ") up";
  }
}

TEST(MagnifierInput, TouchesAreMappedWithHalvesToEven) {
  TempDir dir;
  Magnifier magnifier;
  ASSERT_TRUE(magnifier.Start(dir));
  ASSERT_TRUE(magnifier.ChooseMenuItem(kZoomMenu, ZoomIndex(22)));
  ASSERT_TRUE(WaitForClientSize(magnifier, 512, 768));
  RECT touch_box = {0, 384, 512, 768};
  // The pointer crosses the touch view before any press: those moves stay in the view.
  ASSERT_TRUE(magnifier.WaitForPaintedAt(120, 520));
  POINT inside = magnifier.ScreenPoint(100, 500);
  ASSERT_TRUE(MovePointerThere(inside));
  ASSERT_TRUE(MovePointerThere({inside.x + 20, inside.y + 20}));
  const TouchClick clicks[] = {
      {0, 0, 0x00000000}, {1, 1, 0x00000000},  // 0.5 rounds to 0
      {2, 3, 0x00020001},                      // 1.5 rounds to 2
      {3, 5, 0x00020002},                      // 2.5 rounds to 2
      {510, 382, 0x00BF00FF},
      {509, 381, 0x00BE00FE},                  // 254.5 and 190.5 round down
      {511, 383, 0x00C00100},                  // just past the screen: x 256, y 192
  };
  CheckTouchClicks(magnifier, touch_box, clicks, std::size(clicks), "2:2");
  // No move reached the emulator before the first press.
  for (const LogEntry& entry : systest::ReadInputLog(magnifier.emulator().log_path())) {
    if (entry.window != "touch") continue;
    if (entry.message == WM_LBUTTONDOWN) break;
    EXPECT_NE(entry.message, UINT(WM_MOUSEMOVE)) << "a move without a press was forwarded";
  }
}

TEST(MagnifierInput, RotatedTouchesAndDrags) {
  TempDir dir;
  Magnifier magnifier;
  ASSERT_TRUE(magnifier.Start(dir));
  // "4:1" rotated with the factors swapped: the touch view is four times its size.
  ASSERT_TRUE(magnifier.ChooseMenuItem(kZoomMenu, ZoomIndex(41)));
  ASSERT_TRUE(magnifier.ChooseMenuItem(kRotate));
  ASSERT_TRUE(WaitForClientSize(magnifier, 960, 1024));
  magnifier.TurnWheel(true);
  RECT touch_box = {192, 0, 960, 1024};
  ASSERT_TRUE(systest::WaitUntil([&] {
    for (const Box& box : magnifier.Boxes())
      if (box.client.left == touch_box.left && box.width() == 768) return true;
    return false;
  }));
  const TouchClick clicks[] = {
      {0, 0, 0x000000FF},      // box y 0 is emulator x 255
      {0, 1022, 0x0000FFFF},   // 255 - Round(255.5) = -1, kept in the low word
      {6, 2, 0x000200FF},      // 1.5 rounds to 2, 0.5 to 0
      {10, 9, 0x000200FD},     // 2.5 rounds to 2, 2.25 to 2
      {767, 4, 0x00C000FE},    // y 191.75 rounds to 192
  };
  CheckTouchClicks(magnifier, touch_box, clicks, std::size(clicks), "4:1 rotated, touch large");

  // A drag: the moves while the button is down go to the emulator, mapped the same way.
  const std::wstring& log = magnifier.emulator().log_path();
  ASSERT_TRUE(magnifier.WaitForPaintedAt(touch_box.left + 60, touch_box.top + 90));
  POINT from = magnifier.ScreenPoint(touch_box.left + 20, touch_box.top + 30);
  POINT to = magnifier.ScreenPoint(touch_box.left + 60, touch_box.top + 90);
  ASSERT_TRUE(MovePointerThere(from));
  ASSERT_TRUE(LeftButtonAt(from, true));
  ASSERT_TRUE(MovePointerThere(to));
  ASSERT_TRUE(LeftButtonAt(to, false));
  ASSERT_TRUE(systest::WaitForLogEntries(log, "touch", WM_LBUTTONUP, std::size(clicks) + 1));
  bool moved_there = false;
  for (const LogEntry& move : systest::LogEntriesFor(log, "touch", WM_MOUSEMOVE))
    moved_there |= move.lparam == ((15u << 16) | (255u - 22u));
  EXPECT_TRUE(moved_there) << "no move to emulator (233, 15) in the log";
}

TEST(MagnifierInput, KeysAndAltF4GoToTheEmulator) {
  TempDir dir;
  Magnifier magnifier;
  ASSERT_TRUE(magnifier.Start(dir));
  ASSERT_TRUE(systest::BringToFront(magnifier.form()));
  const std::wstring& log = magnifier.emulator().log_path();
  systest::PressKey('A');
  ASSERT_TRUE(systest::WaitForLogEntries(log, "main", WM_KEYUP, 1));
  auto downs = systest::LogEntriesFor(log, "main", WM_KEYDOWN);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0].wparam, uint32_t('A'));
  EXPECT_EQ(downs[0].lparam & 0x00FF0000u, uint32_t(MapVirtualKeyW('A', MAPVK_VK_TO_VSC)) << 16);

  systest::KeyStroke(VK_MENU, true);
  systest::KeyStroke(VK_F4, true);
  systest::KeyStroke(VK_F4, false);
  systest::KeyStroke(VK_MENU, false);
  ASSERT_TRUE(systest::WaitForLogEntries(log, "main", WM_SYSKEYDOWN, 2));
  bool alt_f4 = false;
  for (const LogEntry& entry : systest::LogEntriesFor(log, "main", WM_SYSKEYDOWN))
    alt_f4 |= entry.wparam == VK_F4 && (entry.lparam & (1u << 29));
  EXPECT_TRUE(alt_f4) << "Alt+F4 was not posted to the emulator";
  // A key after it is forwarded too: the magnifier is still there.
  systest::PressKey('B');
  ASSERT_TRUE(systest::WaitForLogEntries(log, "main", WM_KEYDOWN, 2));
  EXPECT_TRUE(magnifier.process().Running());
  EXPECT_TRUE(IsWindowVisible(magnifier.form()));
}

}  // namespace
}  // namespace panoptil_test
