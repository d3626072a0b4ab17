// The settings file of the real viewer: files it wrote come back as the same state and are
// written again unchanged; damaged files leave it fully set up (it starts the emulator
// beside it and attaches under the pointer) with every readable line applied, positions
// no monitor shows keeping their start-up values, and the file it writes at the end is
// complete.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/brisklens-gl/gl_picture.h"
#include "tests/brisklens-gl/gl_session.h"

using namespace systest;
using namespace brisklens_test;
using namespace brisklens_gl_test;

namespace {

class GlSettings : public GlViewerTest {
 protected:
  // The settings file is in place before the viewer starts (StartWithSettings).
  void SetUp() override {}
};

}  // namespace

TEST_F(GlSettings, AFileOfTwoMonitorsTurnedLeftWithoutAnyBorderComesBackUnchanged) {
  const std::vector<std::string> lines = {"300", "100", "857", "100",      "dm",   "ddd", "1024",
                                          "left", "nocursor", "30", "noneall", "show", "right"};
  StartWithSettings(lines);
  // Two monitors: each window 742 x 557 turned; the second docked on the right.
  EXPECT_TRUE(Becomes([&] { return WindowRect(viewer_.second).left; }, 857));
  for (HWND window : {viewer_.main, viewer_.second}) {
    EXPECT_TRUE(Becomes([&] { return ClientSize(window).cx; }, 557));
    EXPECT_TRUE(Becomes([&] { return ClientSize(window).cy; }, 742));
  }
  EXPECT_FALSE(GetWindowLongW(viewer_.main, GWL_STYLE) & WS_CAPTION);
  EXPECT_EQ(WaitForPicture(viewer_.main, ViewOf(4, kLowerBlock)), "");
  EXPECT_EQ(WaitForPicture(viewer_.second, ViewOf(4, kUpperBlock)), "");
  EXPECT_EQ(CloseAndReadSettings(), lines);
}

TEST_F(GlSettings, AFileOfOneScreenWithTheEmulatorHiddenComesBackUnchanged) {
  // The second window stays clear of the screen's edge, where it would snap.
  const std::vector<std::string> lines = {"200", "290", "200",    "802",  "sm",   "sss", "800",
                                          "right", "cursor", "noskip", "none", "hide", "down"};
  ExpectTurnedOneScreenHiddenEmulatorComesBack(lines);
}

// One screen, docked on the left: the second window is hidden there, the main window draws
// in its own context, and two screens show both pictures with the second window there.
TEST_F(GlSettings, AFileOfOneScreenDockedLeftHidesTheSecondWindowOnTheLeft) {
  StartWithSettings({"700", "300", "50", "60", "sm", "sss", "800", "normal", "cursor", "60",
                     "have", "show", "left"});
  ExpectHiddenDockedLeftThenShownThere();
  EXPECT_EQ(WaitForPicture(viewer_.main, ViewOf(0, kLowerBlock)), "");
  EXPECT_EQ(WaitForPicture(viewer_.second, ViewOf(0, kUpperBlock)), "");
  const std::vector<std::string> written = CloseAndReadSettings();
  ASSERT_EQ(written.size(), 13u);
  EXPECT_EQ(written[2] + "," + written[3] + " " + written[5], "316,300 ddd");
}

// Each row's Menu.txt is the same damaged content as its Set.conf, except the last, a whole
// menu text in the users' code page that gives the rotation submenu and its item "left"
// access keys: typed into the open menu they turn the view; other texts choose nothing.
TEST(GlSettingsDamaged, AnyFileLeavesTheViewerSetUpAndTheFileWrittenWhole) {
  std::string binary;
  for (int round = 0; round < 4; ++round)
    for (int byte = 0; byte < 256; ++byte) binary.push_back(char(byte));
  const std::string huge = "300\n500\n" + std::string(2 << 20, 'x') +
                           "\n0\nsm\nddd\n1024\nnormal\ncursor\n50\nhave\nshow\ntop";
  std::wstring captions;
  for (int line = 0; line < 27; ++line) {
    captions += line == 10 ? L"&旋转" : line == 12 ? L"向&左" : L"第" + std::to_wstring(line);
    captions += L"\r\n";
  }
  std::string menu_text(captions.size() * 2, '\0');
  menu_text.resize(size_t(WideCharToMultiByte(936, 0, captions.c_str(), int(captions.size()),
                                              &menu_text[0], int(menu_text.size()), nullptr,
                                              nullptr)));
  struct Row {
    const char* name;
    std::string content, menu_text;
    std::vector<std::string> written;
    int main_width, width_after_keys;
  };
  const Row rows[] = {
      {"empty", "", "", {"0", "384", "0", "0", "sm", "ddd", "1280800", "normal", "cursor", "60",
                         "have", "show", "top"}, 512, 512},
      // Blanks before the number count, a blank after it ends it (the sign is lost).
      {"short", "-12 \r\n 640", "-12 \r\n 640", {"12", "640", "12", "256", "sm", "ddd",
                                                    "1280800", "normal", "cursor", "60", "have",
                                                    "show", "top"}, 512, 512},
      {"binary", binary, binary, {"0", "0", "0", "-384", "sm", "ddd", "1280800", "normal",
                                  "cursor", "60", "have", "show", "top"}, 512, 512},
      {"huge line", huge, huge, {"300", "500", "300", "154", "sm", "ddd", "1024", "normal",
                                 "cursor", "50", "have", "show", "top"}, 461, 461},
      {"whole menu text", "", menu_text, {"0", "384", "0", "-128", "sm", "ddd", "1280800", "left",
                                          "nocursor", "60", "have", "show", "top"}, 512, 384},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ParkPointer();
    TempDir dir;
    ASSERT_TRUE(WriteTextFile(dir.File(L"Set.conf"), row.content));
    ASSERT_TRUE(WriteTextFile(dir.File(L"Menu.txt"), row.menu_text));
    ASSERT_TRUE(Standin::Install(dir, L"no$gba.exe", EmulatorOptions()));
    ViewerSession viewer(kGlViewer);
    ASSERT_TRUE(viewer.Start(dir.path()));
    HWND emulator = Standin::WaitForStandinWindow();
    ASSERT_TRUE(emulator) << "the viewer starts the emulator beside it";
    PointAtEmulator(emulator);
    EXPECT_TRUE(WaitUntil([&] {
      return CentreRegion(CaptureClient(viewer.main)) == standin::Region::Touch;
    })) << "attached and drawing";
    auto main_width = [&] {
      const RECT client = ClientScreenRect(viewer.main);
      return client.right - client.left;
    };
    EXPECT_EQ(main_width(), row.main_width);
    ParkPointer();
    EXPECT_TRUE(TypeIntoPopupMenu(viewer, L"旋左"));
    EXPECT_TRUE(Becomes(main_width, row.width_after_keys));
    PostMessageW(viewer.main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(viewer.process.WaitForExit());
    EXPECT_EQ(SplitLines(ReadTextFile(dir.File(L"Set.conf"))), row.written);
    PostMessageW(emulator, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(emulator); }));
  }
}

// A position that no monitor would show leaves the window at its start-up place, and that
// place is written back; one partly on the screen is taken. The positions are relative to
// the screen the test sees (on a 1280x1024 screen the first row is 1280 / 221); past
// -32768..32767 a position is none on any screen.
TEST(GlSettingsPositions, OnlyAPlaceSomeMonitorShowsIsTaken) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  struct Row {
    std::string left, top;
    bool shown;
  };
  const Row rows[] = {
      {std::to_string(w), "221", false},       {"0", std::to_string(h), false},
      {std::to_string(4 * w), std::to_string(4 * h), false},
      {"4294967295", "65536", false},         {"-99999", "-99999", false},
      {"-200", "-150", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.left + " / " + row.top);
    const std::string place = row.left + "\r\n" + row.top + "\r\n";
    int main_width = 0;
    const std::vector<std::string> written =
        RunWithSettingsFile(kGlViewer, place + place, &main_width);
    ASSERT_EQ(written.size(), 13u) << written.at(0);
    EXPECT_EQ(written[0] + " " + written[1], row.shown ? row.left + " " + row.top : "0 384");
    EXPECT_EQ(written[2] + " " + written[3],
              written[0] + " " + std::to_string(std::stoi(written[1]) - 384))
        << "docked on top";
    EXPECT_EQ(main_width, 512);
  }
}
