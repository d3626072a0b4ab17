// Hiding and showing the taskbar, and showing it again when the program ends abnormally.
#include <gtest/gtest.h>

#include "taskbar.h"
#include "taskbar_window.h"

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

}  // namespace
}  // namespace panoptil
