// The popup menu's commands of the real viewer, each chosen in the open menu as a user
// does, from the start-up state on: after each, the window sizes, the border, whether the
// second window shows, and the picture of each window, decoded from the stand-in's pixels
// (the direct path's stretch, or the raster library's own result for the same capture).
#include <gtest/gtest.h>

#include "tests/brisklens-soft/soft_session.h"

using namespace systest;
using namespace brisklens_test;
using namespace brisklens_soft_test;
using viewer::Rotation;

namespace {

using SoftCommands = AttachedViewerTest;

constexpr int kNone = kNoStep;

constexpr int kSecondOffset = -202;

struct Step : WindowStep {
  bool direct;
  Rotation rotation;
  Filter filter;  // the images' resampler
  int offset;     // the main window's frame offset
  bool screen_only;
};

}  // namespace

TEST_F(SoftCommands, EachCommandSizesTheWindowsAndChoosesThePicture) {
  const Rotation N = Rotation::Normal, L = Rotation::Left, R = Rotation::Right;
  const Step steps[] = {
      {kNone, 0, 400, 512, 384, true, true, true, N, kNearest, 1, false},  // the start-up state
      {kFilter, 1, kNone, 512, 384, true, true, false, N, kDraft, 1, false},
      {kFilter, 2, kNone, 512, 384, true, true, false, N, kLanczos, 1, false},
      {kRotate, 1, 540, 384, 512, true, true, false, L, kLanczos, 1, false},
      {kRotate, 2, kNone, 384, 512, true, true, false, R, kLanczos, 1, false},
      {kRotate, 0, kNone, 512, 384, true, true, false, N, kLanczos, 1, false},
      {kFilter, 0, kNone, 512, 384, true, true, true, N, kNearest, 1, false},
      // Turned from the direct path: the images keep the resampler they last received.
      {kRotate, 1, kNone, 384, 512, true, true, false, L, kLanczos, 1, false},
      {kRotate, 0, kNone, 512, 384, true, true, true, N, kNearest, 1, false},
      {kBorder, 2, kNone, 512, 384, false, true, true, N, kNearest, 1, true},
      {kFilter, 1, kNone, 512, 384, false, true, false, N, kDraft, 1, true},
      {kBorder, 1, kNone, 512, 384, false, true, false, N, kDraft, 1, false},
      {kBorder, 0, kNone, 512, 384, true, true, false, N, kDraft, 1, false},
      {kScreens, 0, 400, 947, 718, true, false, false, N, kDraft, 1, false},
      {kZoomMode, 0, kNone, 947, 718, true, false, false, N, kDraft, -200, false},
      {kRes, 0, kNone, 512, 384, true, false, false, N, kDraft, -200, false},
      {kMonitors, 1, kNone, 512, 384, true, false, false, N, kDraft, -200, false},
      // Two screens: the touch screen in the main window, the frame one row higher.
      {kScreens, 1, kNone, 512, 384, true, true, false, N, kDraft, 0, false},
      {kMonitors, 0, kNone, 384, 288, true, true, false, N, kDraft, 0, false},
      {kRes, 3, 500, 640, 480, true, true, false, N, kDraft, 0, false},
      {kFilter, 0, kNone, 640, 480, true, true, true, N, kNearest, 0, false},
  };
  const HWND main = viewer_.main;
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message() << "menu " << step.submenu << " item " << step.item);
    if (!TakeWindowStep(step)) return;
    const int trim = step.screen_only ? 7 : 0;
    auto picture = [&](bool main_window) {
      const int offset = main_window ? step.offset : kSecondOffset;
      return step.direct ? DirectPicture(main_window, offset, trim)
                         : ImagePicture(offset, step.screen_only, step.rotation, step.filter);
    };
    EXPECT_EQ(WaitForWindowPicture(main, picture(true)), "");
    if (step.second_shown) {
      EXPECT_EQ(WaitForWindowPicture(viewer_.second, picture(false)), "");
    }
  }
  if (HasFailure()) return;
  EXPECT_EQ(CloseAndReadSettings(),
            (std::vector<std::string>{"0", "500", "0", "20", "sm", "ddd", "none", "12801024",
                                      "normal", "cursor", "60", "show", "border", "top"}));
}

// Hiding moves the emulator off the screen as a layered tool window and not hiding puts it
// back; choosing the checked item again changes nothing. The speed, the cursor and the
// emulator choice go into the settings file, and an emulator hidden at the end is given
// back its place first.
TEST_F(SoftCommands, EmulatorSpeedAndCursorChoices) {
  NoteEmulatorPlace();
  Choose(kEmulator, 0);
  EXPECT_TRUE(EmulatorBack()) << "not hidden, not moved";
  for (int twice = 0; twice < 2; ++twice) {
    Choose(kEmulator, 1);
    EXPECT_TRUE(EmulatorHidden());
  }
  for (int twice = 0; twice < 2; ++twice) {
    Choose(kEmulator, 0);
    EXPECT_TRUE(EmulatorBack());
  }
  for (int speed = 0; speed < 7; ++speed) Choose(kSkip, speed);
  Choose(kCursor, 1);
  Choose(kEmulator, 1);
  EXPECT_TRUE(EmulatorHidden());
  const std::vector<std::string> lines = CloseAndReadSettings();
  EXPECT_TRUE(EmulatorBack()) << "given back at the end";
  ASSERT_EQ(lines.size(), 14u);
  EXPECT_EQ(lines[9] + " " + lines[10] + " " + lines[11], "nocursor 20 hide");
}
