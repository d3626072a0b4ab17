// Input through the images of the real viewer: touches mapped in each rotation from the
// image that covers the main window, and the emulator's cursor icon drawn into the main
// picture where the pointer lies on the emulator's touch screen, less the corrections.
#include <gtest/gtest.h>

#include "tests/brisklens-soft/soft_session.h"

using namespace systest;
using namespace brisklens_test;
using namespace brisklens_soft_test;

namespace {

using SoftInput = AttachedViewerTest;

}  // namespace

TEST_F(SoftInput, TouchesAreMappedInEachRotationAndWithEachFilter) {
  // At scale 2: the press lands 3 rows lower unturned only; turned, x and y swap roles.
  struct Row {
    int submenu, item;
    viewer::Rotation rotation;  // once the picture shows it, the command has been applied
    int x, y;
    uint32_t press, move;
  };
  const Row rows[] = {
      {kFilter, 1, viewer::Rotation::Normal, 100, 51, 0x001D0032u, 0x001A0032u},
      {kRotate, 1, viewer::Rotation::Left, 100, 200, 0x0032009Cu, 0x0032009Cu},
      {kRotate, 2, viewer::Rotation::Right, 100, 200, 0x008E0064u, 0x008E0064u},
  };
  PlaceMainWindow(0, 540);
  size_t presses = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "menu " << row.submenu << " item " << row.item);
    Choose(row.submenu, row.item);
    ASSERT_EQ(WaitForWindowPicture(viewer_.main, ImagePicture(1, false, row.rotation, kDraft)),
              "");
    MoveTo(viewer_.main, row.x, row.y);
    MouseButton(false, true);
    ASSERT_TRUE(WaitForLogEntries(emulator_.log_path(), "touch", WM_LBUTTONDOWN, ++presses));
    MoveTo(viewer_.main, row.x + 1, row.y);
    MoveTo(viewer_.main, row.x, row.y);
    EXPECT_TRUE(WaitUntil([&] {
      const std::vector<LogEntry> moves = Touches(WM_MOUSEMOVE);
      return !moves.empty() && moves.back().lparam == row.move;
    }));
    MouseButton(false, false);
    ASSERT_TRUE(WaitForLogEntries(emulator_.log_path(), "touch", WM_LBUTTONUP, presses));
    EXPECT_EQ(Touches(WM_LBUTTONDOWN).back().lparam, row.press);
    // The release repeats the last move's point, whichever move the viewer saw last.
    EXPECT_EQ(Touches(WM_LBUTTONUP).back().lparam, Touches(WM_MOUSEMOVE).back().lparam);
  }
}

// The pointer rests on the emulator's touch screen at (100, 50): the icon's corner lies at
// (97, 47) of the main picture's 270x208 bitmap (the corrections are 3 and 3), stretched
// to the window; everything else is the picture, and the second window has no icon.
TEST_F(SoftInput, TheCursorIconShowsInTheMainPictureOnly) {
  PlaceMainWindow(0, 540);
  Choose(kFilter, 1);
  const RECT emulator = WindowRect(emulator_.window());
  const int icon = GetSystemMetrics(SM_CXICON);
  const double scale_x = 512.0 / 270, scale_y = 384.0 / 208;
  const RECT marked = {int(97 * scale_x) - 2, int(47 * scale_y) - 2,
                       int((97 + icon) * scale_x) + 3, int((47 + icon) * scale_y) + 3};
  const ImageView main_view = {{0, 201, 270, 409}, viewer::Rotation::Normal, kDraft};
  auto icon_pixels = [&] {
    int in_icon = 0;
    std::string outside;
    CaptureClientWhen(viewer_.main, [&](const Pixels& picture) {
      outside = CheckImagePicture(picture, main_view, &marked, &in_icon);
      return outside.empty() && in_icon > 0;
    });
    EXPECT_EQ(outside, "");
    return in_icon;
  };
  PlacePointer(emulator.left + 11 + 100, emulator.top + 257 + 50);
  EXPECT_GT(icon_pixels(), 20) << "the icon shows";
  const ImageView second_view = {{0, -2, 270, 206}, viewer::Rotation::Normal, kDraft};
  EXPECT_EQ(WaitForImagePicture(viewer_.second, second_view), "");
  // Left of the touch screen there is no icon; with the overlay off neither.
  PlacePointer(emulator.left + 5, emulator.top + 300);
  EXPECT_EQ(WaitForImagePicture(viewer_.main, main_view), "");
  Choose(kCursor, 1);
  PlacePointer(emulator.left + 11 + 100, emulator.top + 257 + 50);
  EXPECT_EQ(WaitForImagePicture(viewer_.main, main_view), "");
}
