// brisklens-gl started as a user would: the start-up layout, the alive check with the
// settings written at the end, a machine without OpenGL or GLU; the two windows moved,
// snapped, dragged, minimised and restored as one, the application's task-bar button, and
// what is left of the windows at the end.
#include <gtest/gtest.h>

#include "tests/brisklens-gl/gl_session.h"

using namespace systest;
using namespace brisklens_test;
using namespace brisklens_gl_test;

namespace {

using GlStart = GlViewerTest;

class GlEnd : public AttachedViewerTest {
 protected:
  GlEnd() : AttachedViewerTest(kGlEndProbe) {}
};

}  // namespace

// Started beside a running emulator: the second window at (0, 0) without a border, the
// main window directly below it (the pictures: the commands' test).
TEST_F(GlStart, TheLayoutAtStartAndTheSettingsWrittenWhenTheEmulatorEnds) {
  EXPECT_EQ(WindowCaption(viewer_.main), L"Brisklens for No$gba");
  EXPECT_EQ(WindowCaption(viewer_.second), L"Brisklens for No$gba");
  const RECT second = WindowRect(viewer_.second), main = WindowRect(viewer_.main);
  EXPECT_EQ(second.left + second.top + main.left, 0);
  EXPECT_EQ(second.bottom - second.top, 384) << "no border";
  EXPECT_EQ(main.top, second.bottom);
  const LONG style = GetWindowLongW(viewer_.main, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
            WS_CAPTION | WS_MINIMIZEBOX);
  PostMessageW(emulator_.window(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(emulator_.process().WaitForExit());
  EXPECT_TRUE(EndsPromptly(viewer_.process));
  EXPECT_EQ(viewer_.process.ExitCode(), 0u);
  const std::vector<std::string> expected = {"0", "384", "0", "0", "sm", "ddd", "1280800",
                                             "normal", "cursor", "60", "have", "show", "top"};
  EXPECT_EQ(SplitLines(ReadTextFile(dir_.File(L"Set.conf"))), expected);
}

TEST_F(GlStart, TheMainWindowSnapsOnEachSideAndTheSecondStaysDockedToWhereItLands) {
  ExpectSnapOnEachSideThenDockedThroughMoveLoops();
}

TEST_F(GlStart, TheDraggedSecondWindowStaysUnderThePointerWhileTheMainSnapsToAnEdge) {
  ExpectHeldSecondWindowUnderThePointerAlongTheBottomEdge();
}

// A drag that loses the mouse without a release is over, in either window.
TEST_F(GlStart, ADragThatLosesTheMouseEnds) { ExpectDragsEndWhenTheyLoseTheMouse(); }

// Once its main loop is over the viewer lets go of its windows: the C runtime's exit
// functions, which Windows runs in its DLL shutdown when a process ends by ExitProcess,
// find none of them to take down, and make no OpenGL call (the second window's rendering
// context is still there).
TEST_F(GlEnd, TheExitFunctionsFindNothingOfTheViewerToTakeDown) {
  ExpectNothingLeftForTheExitFunctions();
}

// The task-bar button is the application's own window's, captioned with the program's
// name; the main window has none and belongs to that window. Minimising the main window
// minimises the application, every window with it; the windows come back however the
// application's window is restored; the button's close ends the viewer at once.
TEST_F(GlStart, TheApplicationsWindowHasTheTaskBarButtonAndEveryWindowMinimisesWithIt) {
  const std::vector<HWND> buttons = TaskbarWindows(viewer_.process.id());
  ASSERT_EQ(buttons.size(), 1u);
  const HWND application = buttons[0];
  EXPECT_NE(application, viewer_.main);
  EXPECT_NE(application, viewer_.second);
  EXPECT_EQ(WindowCaption(application), L"brisklens-gl");
  EXPECT_EQ(GetWindow(viewer_.main, GW_OWNER), application);
  ExpectMinimisedAndRestoredTogether(application);
  // The button's close closes the viewer as its main window's does.
  PostMessageW(application, WM_CLOSE, 0, 0);
  EXPECT_TRUE(EndsPromptly(viewer_.process));
  EXPECT_FALSE(IsWindow(viewer_.main));
}

// Without either library the viewer says so in a message box and ends; it shows no
// window of its own. A copy of the program under a name of its own gets a DLL override
// for that name in the test's Wine prefix, which takes the library away from it alone.
TEST(GlStartAlone, WithoutOpenGlOrGluTheViewerSaysSoAndEnds) {
  struct Row { const wchar_t* library; const wchar_t* text; };
  const Row rows[] = {
      {L"opengl32", L"无法加载 OpenGL 库 opengl32.dll，无法显示画面，程序将退出。"},
      {L"glu32", L"无法加载 GLU 库 glu32.dll，无法显示画面，程序将退出。"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.library);
    TempDir dir;
    const std::wstring program = std::wstring(L"brisklens-gl-without-") + row.library + L".exe";
    const std::wstring key = L"Software\\Wine\\AppDefaults\\" + program + L"\\DllOverrides";
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), row.library, REG_SZ, L"", 2), 0);
    ASSERT_TRUE(CopyProgram(L"brisklens-gl.exe", dir.File(program)));
    Process viewer = Process::Start(dir.File(program), L"", dir.path());
    ASSERT_TRUE(viewer.valid());
    WindowQuery query;
    query.class_name = L"#32770";
    query.process_id = viewer.id();
    HWND box = WaitForWindow(query);
    RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\Wine\\AppDefaults\\" + program).c_str());
    ASSERT_TRUE(box);
    EXPECT_EQ(WindowCaption(box), L"Brisklens for No$gba");
    wchar_t text[256] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 256);
    EXPECT_EQ(std::wstring(text), row.text);
    query.class_name = L"TForm1";
    EXPECT_EQ(FindTopWindow(query), nullptr);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(viewer.WaitForExit());
    EXPECT_EQ(viewer.ExitCode(), 1u);
    EXPECT_FALSE(FileExists(dir.File(L"Set.conf")));
  }
}
