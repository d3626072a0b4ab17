// Input of the real viewer, read back from the stand-in's log: keys, touches without a
// press correction in every rotation; and the emulator's cursor icon drawn into the
// texture at the pointer's place less the dialog's corrections.
#include <gtest/gtest.h>

#include <vector>

#include "tests/brisklens-gl/gl_picture.h"
#include "tests/brisklens-gl/gl_session.h"

using namespace systest;
using namespace brisklens_test;
using namespace brisklens_gl_test;

namespace {

using GlInput = GlViewerTest;

}  // namespace

TEST_F(GlInput, KeysAndTouchesReachTheEmulatorAndAPressMapsLikeAMove) {
  // The keys' messages themselves are the shared forwarding's (the other viewer's tests).
  for (WORD key : {WORD(VK_ESCAPE), WORD('A')}) PressKey(key);
  ASSERT_TRUE(WaitForLogEntries(emulator_.log_path(), "key", WM_KEYUP, 1));
  const std::vector<LogEntry> downs = LogEntriesFor(emulator_.log_path(), "key", WM_KEYDOWN);
  ASSERT_EQ(downs.size(), 1u) << "Escape is not forwarded";
  EXPECT_EQ(downs[0].wparam, uint32_t('A'));
  EXPECT_EQ(downs[0].lparam, 0x001E0000u);

  // Scale 2 in every view: a press at (100, 51) is (50, 26) as a move there is; the move
  // to (100, 61) gives (50, 31), which the release repeats. Turned, a press at (100, 200)
  // is (156, 50) to the left and (100, 142) to the right.
  struct Row { int rotation_item; POINT press; uint32_t expected_press; };
  const Row rows[] = {{0, {100, 51}, 0x001A0032}, {1, {100, 200}, 0x0032009C},
                      {2, {100, 200}, 0x008E0064}};
  size_t presses = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "rotation " << row.rotation_item);
    if (row.rotation_item != 0) Choose(kRotate, row.rotation_item);
    const POINT at = ScreenPoint(viewer_.main, row.press.x, row.press.y);
    MouseButtonAt(at.x, at.y, false, true);
    ASSERT_TRUE(WaitForLogEntries(emulator_.log_path(), "touch", WM_LBUTTONDOWN, ++presses));
    EXPECT_EQ(Touches(WM_LBUTTONDOWN).back().lparam, row.expected_press);
    EXPECT_EQ(Touches(WM_LBUTTONDOWN).back().wparam, uint32_t(MK_LBUTTON));
    if (row.rotation_item == 0) {
      MouseButtonAt(at.x, at.y + 10, false, false);
      ASSERT_TRUE(WaitForLogEntries(emulator_.log_path(), "touch", WM_LBUTTONUP, presses));
      EXPECT_EQ(Touches(WM_MOUSEMOVE).back().lparam, 0x001F0032u);
      EXPECT_EQ(Touches(WM_LBUTTONUP).back().lparam, 0x001F0032u);
    } else {
      MouseButtonAt(at.x, at.y, false, false);
      ASSERT_TRUE(WaitForLogEntries(emulator_.log_path(), "touch", WM_LBUTTONUP, presses));
      EXPECT_EQ(Touches(WM_LBUTTONUP).back().lparam, row.expected_press);
    }
  }
}

// The icon is drawn into the capture before the repack, so it shows in the main window.
TEST_F(GlInput, TheCursorIconReachesTheTextureAtThePointerLessTheCorrections) {
  PlaceMainWindow(0, 400);
  // The viewer's thread takes the arrow cursor while the pointer crosses its window.
  MoveTo(viewer_.main, 200, 200);
  const RECT emulator = WindowRect(emulator_.window());
  // The pointer over touch-screen pixel (100, 60): the icon's corner at capture
  // (100 - X, 60 + 202 - Y) for the corrections (X, Y); the arrow fits 32 x 32 (one more
  // texel around it may mix with it).
  auto point_at_touch_screen = [&] {
    PlacePointer(emulator.left + 11 + 100, emulator.top + 257 + 60);
  };
  auto shows_icon_at = [&](int x, int y) {
    const RECT icon = {x - 1, y - 1, x + 33, y + 33};
    PictureCheck check;
    const bool shown = WaitUntil([&] {
      check = ComparePicture(CaptureClient(viewer_.main), ViewOf(0, kLowerBlock), &icon);
      return check.wrong == 0 && check.marked_wrong > 20;
    });
    if (!shown)
      ADD_FAILURE() << "icon at " << x << "," << y << ": " << check.marked_wrong << " of "
                    << check.marked << " pixels differ there, " << check.wrong
                    << " elsewhere, first " << check.first_wrong;
    return shown;
  };
  point_at_touch_screen();
  EXPECT_TRUE(shows_icon_at(97, 257));

  // "abc" gives an X correction of 0, "-2" a Y correction of -2.
  Choose(kCursor, 2);
  WindowQuery query;
  query.class_name = L"TForm4";
  query.process_id = viewer_.process.id();
  HWND dialog = WaitForWindow(query);
  ASSERT_TRUE(dialog);
  EXPECT_EQ(WindowCaption(dialog), L"Setting...");
  HWND combo_x = FindWindowExW(dialog, nullptr, L"ComboBox", nullptr);
  HWND combo_y = FindWindowExW(dialog, combo_x, L"ComboBox", nullptr);
  ASSERT_TRUE(combo_x && combo_y);
  SetWindowTextW(combo_x, L"abc");
  SetWindowTextW(combo_y, L"-2");
  PostMessageW(FindWindowExW(dialog, nullptr, L"Button", nullptr), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }));
  point_at_touch_screen();
  EXPECT_TRUE(shows_icon_at(100, 264));

  Choose(kCursor, 1);  // no icon at all
  point_at_touch_screen();
  EXPECT_EQ(WaitForPicture(viewer_.main, ViewOf(0, kLowerBlock)), "");
  Choose(kCursor, 0);
  point_at_touch_screen();
  EXPECT_TRUE(shows_icon_at(100, 264));
  ParkPointer();
}
