// Hiding and showing the taskbar, and showing it again when the program ends abnormally.
#include <gtest/gtest.h>

#include "tools/systest/magnifier.h"
#include "panoptil/taskbar.h"
#include "tests/panoptil/taskbar_window.h"

namespace panoptil {
namespace {

using systest::Process;

TEST(Taskbar, HiddenAndShownAgain) {
  TaskbarWindow taskbar;
  ASSERT_TRUE(taskbar.window());
  ShowTaskbar(false);
  EXPECT_FALSE(IsWindowVisible(taskbar.window()));
  ShowTaskbar(true);
  EXPECT_TRUE(IsWindowVisible(taskbar.window()));
  // Shown by hand, nothing is left to restore.
  ShowWindow(taskbar.window(), SW_HIDE);
  RestoreHiddenTaskbar();
  EXPECT_FALSE(IsWindowVisible(taskbar.window()));
}

TEST(Taskbar, ShownAgainOnEveryWayOut) {
  const char* ways[] = {"exit", "throw", "crash"};
  for (const char* way : ways) {
    TaskbarWindow taskbar;
    ASSERT_TRUE(taskbar.window());
    std::wstring argument(way, way + strlen(way));
    Process helper = Process::Start(systest::ProgramPath(L"panoptil_taskbar_helper.exe"), argument);
    ASSERT_TRUE(helper.valid()) << way;
    // The helper hides the window; keep answering its messages until it has ended. After
    // the access violation the system's crash handling may keep the process waiting for a
    // debugger: by then the taskbar must be back.
    ASSERT_TRUE(systest::WaitUntil([&] {
      return !helper.Running() || (taskbar.WasHidden() && IsWindowVisible(taskbar.window()));
    })) << way;
    EXPECT_TRUE(taskbar.WasHidden()) << "the helper never hid the taskbar (" << way << ")";
    EXPECT_TRUE(IsWindowVisible(taskbar.window())) << "after the helper's " << way;
    helper.Kill();
  }
}

TEST(Taskbar, MagnifierHidesItAndShowsItAgainAtExit) {
  TaskbarWindow taskbar;
  ASSERT_TRUE(taskbar.window());
  systest::TempDir dir;
  panoptil_test::Magnifier magnifier;
  ASSERT_TRUE(magnifier.Start(dir));
  HWND window = taskbar.window();
  using panoptil_test::kHideTaskbar;
  ASSERT_TRUE(magnifier.ChooseMenuItem(kHideTaskbar));
  EXPECT_TRUE(systest::WaitUntil([&] { return !IsWindowVisible(window); })) << "hide";
  ASSERT_TRUE(magnifier.ChooseMenuItem(kHideTaskbar));
  EXPECT_TRUE(systest::WaitUntil([&] { return IsWindowVisible(window) != FALSE; })) << "show";
  ASSERT_TRUE(magnifier.ChooseMenuItem(kHideTaskbar));
  EXPECT_TRUE(systest::WaitUntil([&] { return !IsWindowVisible(window); })) << "hide again";
  ASSERT_TRUE(magnifier.ChooseMenuItem(panoptil_test::kExit));
  ASSERT_TRUE(systest::WaitUntil([&] { return !magnifier.process().Running(); }));
  EXPECT_EQ(magnifier.process().ExitCode(), 0u);
  EXPECT_TRUE(IsWindowVisible(window)) << "after the exit item";
}

}  // namespace
}  // namespace panoptil
