// The settings and menu-text files of the real viewer: files it wrote come back as the
// same state and are written again unchanged; damaged files leave it fully set up (it
// starts the emulator beside it and attaches under the pointer) with every readable line
// applied, bad positions keeping their start-up values, and the file it writes at the end
// complete.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/brisklens-soft/soft_session.h"

using namespace systest;
using namespace brisklens_test;
using namespace brisklens_soft_test;

namespace {

class SoftSettings : public AttachedViewerTest {
 protected:
  // The settings file is in place before the viewer starts (StartWithSettings).
  void SetUp() override {}
};

}  // namespace

TEST_F(SoftSettings, AFileOfTwoMonitorsLanczosWithoutAnyBorderComesBackUnchanged) {
  const std::vector<std::string> lines = {"300",    "120",      "1042", "120",  "dm",
                                          "ddd",    "clear",    "1024", "normal", "nocursor",
                                          "30",     "show",     "noneall", "right"};
  StartWithSettings(lines);
  // Two monitors: each window 742 x 557; the second docked on the right.
  EXPECT_TRUE(Becomes([&] { return WindowRect(viewer_.second).left; }, 1042));
  for (HWND window : {viewer_.main, viewer_.second}) {
    EXPECT_TRUE(Becomes([&] { return ClientSize(window).cx; }, 742));
    EXPECT_TRUE(Becomes([&] { return ClientSize(window).cy; }, 557));
  }
  EXPECT_FALSE(GetWindowLongW(viewer_.main, GWL_STYLE) & WS_CAPTION);
  EXPECT_EQ(WaitForWindowPicture(viewer_.main,
                                 ImagePicture(1, true, viewer::Rotation::Normal, kLanczos)),
            "");
  EXPECT_EQ(WaitForWindowPicture(viewer_.second,
                                 ImagePicture(-202, true, viewer::Rotation::Normal, kLanczos)),
            "");
  EXPECT_EQ(CloseAndReadSettings(), lines);
}

TEST_F(SoftSettings, AFileOfOneTurnedScreenWithTheEmulatorHiddenComesBackUnchanged) {
  // The second window stays clear of the screen's edge, where it would snap.
  const std::vector<std::string> lines = {"200",  "290",    "200",    "802",  "sm",
                                          "sss",  "fast",   "800",    "left", "cursor",
                                          "noskip", "hide", "none",   "down"};
  ExpectTurnedOneScreenHiddenEmulatorComesBack(lines);
}

// One screen, docked on the left: the second window is hidden there, and shows there when
// two screens are chosen.
TEST_F(SoftSettings, AFileOfOneScreenDockedLeftHidesTheSecondWindowOnTheLeft) {
  StartWithSettings({"700", "300", "50", "60", "sm", "sss", "none", "800", "normal", "cursor",
                     "60", "show", "border", "left"});
  ExpectHiddenDockedLeftThenShownThere();
  const std::vector<std::string> written = CloseAndReadSettings();
  ASSERT_EQ(written.size(), 14u);
  EXPECT_EQ(written[2] + "," + written[3] + " " + written[5], "316,300 ddd");
}

TEST(SoftSettingsDamaged, AnyFileLeavesTheViewerSetUpAndTheFileWrittenWhole) {
  std::string binary;
  for (int round = 0; round < 4; ++round)
    for (int byte = 0; byte < 256; ++byte) binary.push_back(char(byte));
  const std::string huge(10 << 20, 'x');
  const std::vector<std::string> start_up = {"0",      "384",    "0",      "0",      "sm",
                                             "ddd",    "none",   "1280800", "normal", "cursor",
                                             "60",     "show",   "border", "top"};
  auto with = [&](std::vector<std::string> lines, size_t at,
                  const std::vector<std::string>& values) {
    for (size_t k = 0; k < values.size(); ++k) lines[at + k] = values[k];
    return lines;
  };
  struct Row {
    const char* name;
    std::string content;
    std::vector<std::string> written;
    int main_width;
  };
  const Row rows[] = {
      {"one line, negative", "-12", with(start_up, 0, {"-12", "384", "-12"}), 512},
      {"empty", "", start_up, 512},
      {"binary", binary, start_up, 512},
      {"a 10 MB line", "300\n500\n" + huge + "\n0\nsm\nddd\nfast\n1024\nnormal\ncursor\n50",
       with(start_up, 0, {"300", "500", "300", "154", "sm", "ddd", "fast", "1024", "normal",
                          "cursor", "50"}),
       461},
      // Off every monitor: the start-up positions stay; "Fast" is no word.
      {"far off", "5000\n5000\n-5000\n-5000\ndm\nddd\nFast",
       with(start_up, 0, {"0", "384", "0", "-334", "dm"}), 947},
      {"not numbers", "12abc\n 77\n+5\n9999999999\nsm\nsss ",
       with(start_up, 0, {"0", "77", "0", "-307"}), 512},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    int main_width = 0;
    EXPECT_EQ(RunWithSettingsFile(kSoftViewer, row.content, &main_width), row.written);
    EXPECT_EQ(main_width, row.main_width);
  }
}
