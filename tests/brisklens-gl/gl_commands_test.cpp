// The popup menu's commands of the real viewer, each chosen in the open menu as a user
// does, from the start-up state on: after each, the window sizes, the border, whether the
// second window shows, and the picture of each window for its camera preset and block.
#include <gtest/gtest.h>

#include "tests/brisklens-gl/gl_picture.h"
#include "tests/brisklens-gl/gl_session.h"

using namespace systest;
using namespace brisklens_test;
using namespace brisklens_gl_test;

namespace {

using GlCommands = GlViewerTest;

constexpr int kNone = kNoStep;  // no command: the state as it is, or no picture to check

}  // namespace

TEST_F(GlCommands, EachCommandSizesTheWindowsAndChoosesPresetAndBlock) {
  struct Step : WindowStep {
    int preset, main_block;  // kNone: a window partly off the screen reads black
  };
  const Step steps[] = {
      {kNone, 0, kNone, 512, 384, true, true, 0, kLowerBlock},  // the start-up state
      {kRotate, 1, 560, 384, 512, true, true, 1, kLowerBlock},
      {kRotate, 2, kNone, 384, 512, true, true, 2, kLowerBlock},
      {kBorder, 2, kNone, 384, 512, false, true, 5, kLowerBlock},  // no border at all
      {kRotate, 1, kNone, 384, 512, false, true, 4, kLowerBlock},
      {kRotate, 0, kNone, 512, 384, false, true, 3, kLowerBlock},
      {kBorder, 1, kNone, 512, 384, false, true, 0, kLowerBlock},
      {kBorder, 0, kNone, 512, 384, true, true, 0, kLowerBlock},
      {kRes, 1, kNone, 461, 346, true, true, 0, kLowerBlock},
      {kRes, 0, kNone, 384, 288, true, true, 0, kLowerBlock},
      {kRes, 3, kNone, 640, 480, true, true, 0, kLowerBlock},
      {kMonitors, 1, kNone, 998, 749, true, true, kNone, kNone},  // the single table
      {kScreens, 0, kNone, 998, 749, true, false, kNone, kNone},
      {kMonitors, 0, kNone, 998, 749, true, false, kNone, kNone},
      {kRes, 2, 400, 947, 718, true, false, 0, kLowerBlock},
      {kChangeScr, 0, kNone, 947, 718, true, false, 0, kUpperBlock},
      {kChangeScr, 1, kNone, 947, 718, true, false, 0, kLowerBlock},
      {kChangeScr, 0, kNone, 947, 718, true, false, 0, kUpperBlock},
      // Two screens again: the lower one below, also after going back to one screen.
      {kScreens, 1, kNone, 512, 384, true, true, 0, kLowerBlock},
      {kScreens, 0, kNone, 947, 718, true, false, 0, kLowerBlock},
  };
  const HWND main = viewer_.main;
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message() << "menu " << step.submenu << " item " << step.item);
    if (!TakeWindowStep(step)) return;
    if (step.preset == kNone) continue;
    EXPECT_EQ(WaitForPicture(main, ViewOf(step.preset, step.main_block)), "");
    if (step.second_shown) {
      EXPECT_EQ(WaitForPicture(viewer_.second, ViewOf(step.preset, kUpperBlock)), "");
    }
  }
  if (HasFailure()) return;
  EXPECT_EQ(CloseAndReadSettings(), (std::vector<std::string>{
                                        "0", "400", "0", "16", "sm", "sss", "1280800", "normal",
                                        "cursor", "60", "have", "show", "top"}));
}

// Hiding moves the emulator off the screen as a layered tool window and showing puts it
// back; the last speed, the cursor and the emulator choice go into the settings file, and
// an emulator hidden at the end is given back its place first.
TEST_F(GlCommands, EmulatorSpeedAndCursorChoices) {
  NoteEmulatorPlace();
  Choose(kEmu, 0);
  EXPECT_TRUE(EmulatorHidden());
  Choose(kEmu, 1);
  EXPECT_TRUE(EmulatorBack());
  for (int speed = 0; speed < 7; ++speed) Choose(kSkip, speed);
  Choose(kCursor, 1);
  Choose(kEmu, 0);
  EXPECT_TRUE(EmulatorHidden());
  const std::vector<std::string> lines = CloseAndReadSettings();
  EXPECT_TRUE(EmulatorBack());
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[8] + " " + lines[9] + " " + lines[11], "nocursor 20 hide");
}
