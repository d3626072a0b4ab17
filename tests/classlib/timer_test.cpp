// The window-message timer: ticks while enabled, none while disabled or at interval 0, the
// interval set, the timer itself as the sender, and an error of its event shown by the
// application's default handler.
#include <gtest/gtest.h>

#include "tools/systest/systest.h"
#include "classlib/forms.h"
#include "classlib/sysutils.h"
#include "classlib/timer.h"
#include "tests/classlib/test_timers.h"

namespace {

using classlib::TObject;
using classlib::TTimer;

struct CountedTimer {
  TTimer timer;
  int ticks = 0;
  TObject* last_sender = nullptr;
  CountedTimer(UINT interval, bool enabled) {
    timer.SetEnabled(enabled);
    timer.SetInterval(interval);
    timer.OnTimer = [this](TObject* sender) {
      ++ticks;
      last_sender = sender;
    };
  }
};

TEST(Timer, DefaultsToEnabledAtOneSecond) {
  TTimer timer;
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u);
}

TEST(Timer, TicksOnlyWhileEnabledAndAtItsInterval) {
  // A fast reference timer keeps the test waiting while the others could tick. The slow
  // timer is held to the clock rather than to the reference: a busy machine merges missed
  // timer ticks, so the reference may count far fewer than the time that passed.
  DWORD start = GetTickCount();
  CountedTimer reference(20, true);
  CountedTimer disabled(20, false);
  CountedTimer stopped(0, true);
  CountedTimer slow(400, true);
  ASSERT_TRUE(systest::WaitUntil([&] { return reference.ticks >= 40; }));
  DWORD elapsed = GetTickCount() - start;
  EXPECT_EQ(disabled.ticks, 0);
  EXPECT_EQ(stopped.ticks, 0);
  EXPECT_LE(DWORD(slow.ticks), elapsed / 400 + 1)
      << "slow " << slow.ticks << " in " << elapsed << " ms";
  EXPECT_EQ(reference.last_sender, &reference.timer);

  // Enabled later, the timer starts; disabled, it stops at once.
  disabled.timer.SetEnabled(true);
  ASSERT_TRUE(systest::WaitUntil([&] { return disabled.ticks >= 3; }));
  disabled.timer.SetEnabled(false);
  int ticks_when_stopped = disabled.ticks;
  int reference_then = reference.ticks;
  ASSERT_TRUE(systest::WaitUntil([&] { return reference.ticks >= reference_then + 20; }));
  EXPECT_EQ(disabled.ticks, ticks_when_stopped);

  // A new interval takes effect on a running timer.
  slow.timer.SetInterval(20);
  int slow_then = slow.ticks;
  EXPECT_TRUE(systest::WaitUntil([&] { return slow.ticks >= slow_then + 10; }));
}

TEST(Timer, AnErrorOfOnTimerIsShownAndTheTimerGoesOn) {
  classlib::Application->Title = L"classlib timer test";
  CountedTimer timer(20, true);
  timer.timer.OnTimer = [&](TObject*) {
    if (++timer.ticks == 1) throw classlib::EConvertError(L"'t' is not a valid integer value");
  };
  std::wstring shown;
  classlib_test::RepeatUntil([&] {
    HWND box = classlib_test::FindMessageBox(L"classlib timer test");
    if (!box) return false;
    shown = classlib_test::MessageBoxText(box);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return true;
  });
  ASSERT_TRUE(systest::WaitUntil([&] { return !shown.empty() && timer.ticks >= 5; }))
      << timer.ticks << " ticks";
  EXPECT_EQ(shown, L"'t' is not a valid integer value");
}

}  // namespace
