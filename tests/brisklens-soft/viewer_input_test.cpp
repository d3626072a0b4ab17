// Input forwarding of the real viewer, read back from the stand-in's log: keys with their
// scan codes and flags, touches with the press correction and points beyond the window,
// the popup menu on a right click, and the two-button drag of the main window.
#include <gtest/gtest.h>

#include <vector>

#include "tools/systest/systest.h"
#include "tests/viewer/viewer_session.h"

using namespace systest;
using namespace brisklens_test;

namespace {

constexpr DWORD kQuietMs = 1500;

using ViewerInput = AttachedViewerTest;

}  // namespace

TEST_F(ViewerInput, KeysReachTheKeyChildWithScanCodeExtendedBitAndReleaseBits) {
  for (WORD key : {WORD('A'), WORD(VK_ESCAPE), WORD(VK_DELETE), WORD(VK_LEFT)}) PressKey(key);
  ASSERT_TRUE(WaitForLogEntries(emulator_.log_path(), "key", WM_KEYUP, 3));
  std::vector<LogEntry> entries;
  for (const LogEntry& entry : ReadInputLog(emulator_.log_path()))
    if (entry.window == "key" && (entry.message == WM_KEYDOWN || entry.message == WM_KEYUP))
      entries.push_back(entry);
  auto scan = [](WORD key) { return (MapVirtualKeyA(key, 0) & 0xFFFF) << 16; };
  struct Expected { UINT message; uint32_t wparam, lparam; };
  const Expected expected[] = {
      {WM_KEYDOWN, 'A', 0x001E0000},
      {WM_KEYUP, 'A', 0xC01E0000},
      {WM_KEYDOWN, VK_DELETE, scan(VK_DELETE) | 0x01000000},
      {WM_KEYUP, VK_DELETE, scan(VK_DELETE) | 0xC1000000},
      {WM_KEYDOWN, VK_LEFT, scan(VK_LEFT) | 0x01000000},
      {WM_KEYUP, VK_LEFT, scan(VK_LEFT) | 0xC1000000},
  };
  ASSERT_EQ(entries.size(), 6u) << "Escape is not forwarded";
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].message, expected[i].message) << "entry " << i;
    EXPECT_EQ(entries[i].wparam, expected[i].wparam) << "entry " << i;
    EXPECT_EQ(entries[i].lparam, expected[i].lparam) << std::hex << "entry " << i;
  }
}

TEST_F(ViewerInput, TouchPressMoveAndReleaseWithThePressCorrectionAndSixteenBitCuts) {
  // A click at client (100, 51) at scale 2: press (50, 26 + 3), release at the same point.
  MoveTo(viewer_.main, 100, 51);
  MouseButton(false, true);
  ASSERT_TRUE(WaitForLogEntries(emulator_.log_path(), "touch", WM_LBUTTONDOWN, 1));
  MouseButton(false, false);
  ASSERT_TRUE(WaitForLogEntries(emulator_.log_path(), "touch", WM_LBUTTONUP, 1));
  EXPECT_EQ(Touches(WM_LBUTTONDOWN)[0].lparam, 0x001D0032u);
  EXPECT_EQ(Touches(WM_LBUTTONDOWN)[0].wparam, uint32_t(MK_LBUTTON));
  EXPECT_EQ(Touches(WM_LBUTTONUP)[0].lparam, 0x001D0032u);
  EXPECT_TRUE(Touches(WM_MOUSEMOVE).empty()) << "moves without the button are not forwarded";

  // A drag up out of the window: the mouse stays captured; client y -31 gives
  // Trunc(-15.5 + 0.5) = -15, sent as 0xFFF1; the release reuses the last move's point.
  MouseButton(false, true);
  ASSERT_TRUE(WaitForLogEntries(emulator_.log_path(), "touch", WM_LBUTTONDOWN, 2));
  MoveTo(viewer_.main, 100, -31);
  ASSERT_TRUE(WaitUntil([&] {
    std::vector<LogEntry> moves = Touches(WM_MOUSEMOVE);
    return !moves.empty() && moves.back().lparam == 0xFFF10032u;
  })) << "last move " << std::hex << (Touches(WM_MOUSEMOVE).empty() ? 0 : Touches(WM_MOUSEMOVE).back().lparam);
  EXPECT_EQ(Touches(WM_MOUSEMOVE).back().wparam, uint32_t(MK_LBUTTON));
  MouseButton(false, false);
  ASSERT_TRUE(WaitForLogEntries(emulator_.log_path(), "touch", WM_LBUTTONUP, 2));
  EXPECT_EQ(Touches(WM_LBUTTONUP)[1].lparam, 0xFFF10032u);

  // Pressing and releasing in the second window sends nothing.
  MoveTo(viewer_.second, 200, 200);
  MouseButton(false, true);
  MouseButton(false, false);
  EXPECT_FALSE(WaitUntil([&] { return Touches(WM_LBUTTONDOWN).size() > 2; }, kQuietMs));
  EXPECT_EQ(Touches(WM_LBUTTONUP).size(), 2u);
}

TEST_F(ViewerInput, ARightClickOpensTheMenuAtThePointer) {
  POINT at = ScreenPoint(viewer_.main, 150, 120);
  PlacePointer(at.x, at.y);
  MouseButton(true, true);
  HWND menu = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (menu = OpenMenu()) != nullptr; }));
  RECT rect = WindowRect(menu);
  EXPECT_EQ(rect.left, at.x);
  EXPECT_EQ(rect.top, at.y);
  MouseButton(true, false);
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(WaitUntil([&] { return OpenMenu() == nullptr; }));
  // A right press and release sends a touch release but no press.
  EXPECT_TRUE(Touches(WM_LBUTTONDOWN).empty());
}

TEST_F(ViewerInput, BothButtonsDragTheMainWindowWithTheSecondDockedAndOpenNoMenu) {
  RECT main_before = WindowRect(viewer_.main);
  MoveTo(viewer_.main, 200, 150);
  MouseButton(false, true);
  ASSERT_TRUE(WaitForLogEntries(emulator_.log_path(), "touch", WM_LBUTTONDOWN, 1));
  MouseButton(true, true);
  // The right press with the left held re-sends the touch press at the current point.
  ASSERT_TRUE(WaitForLogEntries(emulator_.log_path(), "touch", WM_LBUTTONDOWN, 2));
  EXPECT_EQ(Touches(WM_LBUTTONDOWN)[1].lparam, Touches(WM_LBUTTONDOWN)[0].lparam);
  POINT start = ScreenPoint(viewer_.main, 200, 150);
  MovePointer(start.x + 300, start.y + 100);
  ASSERT_TRUE(WaitUntil([&] { return WindowRect(viewer_.main).left == main_before.left + 300; }))
      << "main window at " << WindowRect(viewer_.main).left;
  EXPECT_EQ(WindowRect(viewer_.main).top, main_before.top + 100);
  // The second window follows, docked on top.
  RECT main_after = WindowRect(viewer_.main);
  EXPECT_TRUE(WaitUntil([&] {
    RECT second = WindowRect(viewer_.second);
    return second.left == main_after.left && second.bottom == main_after.top;
  })) << "second window at " << WindowRect(viewer_.second).left << ","
      << WindowRect(viewer_.second).bottom << ", not docked on top of the main window at "
      << main_after.left << "," << main_after.top;
  MouseButton(true, false);
  MouseButton(false, false);
  EXPECT_EQ(OpenMenu(), nullptr);
  EXPECT_FALSE(WaitUntil([&] { return OpenMenu() != nullptr; }, kQuietMs));
}
