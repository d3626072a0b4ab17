#include "classlib/timer.h"

#include "classlib/utilitywindow.h"

namespace classlib {
namespace {

constexpr UINT_PTR kTimerId = 1;

}  // namespace

TTimer::TTimer() {
  window_ = AllocateUtilityWindow(
      TUtilityWindowKind::MessageOnly,
      [this](UINT message, WPARAM wparam, LPARAM lparam) {
        return TimerMessage(message, wparam, lparam);
      });
  UpdateTimer();
}

TTimer::~TTimer() {
  if (running_) KillTimer(window_, kTimerId);
  DeallocateUtilityWindow(window_);
}

void TTimer::SetInterval(UINT interval) {
  if (interval == interval_) return;
  interval_ = interval;
  UpdateTimer();
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  if (running_) KillTimer(window_, kTimerId);
  running_ = false;
  if (enabled_ && interval_ > 0 && window_)
    running_ = SetTimer(window_, kTimerId, interval_, nullptr) != 0;
}

LRESULT TTimer::TimerMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_TIMER && wparam == kTimerId) {
    if (running_ && OnTimer) OnTimer(this);
    return 0;
  }
  return DefWindowProcA(window_, message, wparam, lparam);
}

}  // namespace classlib
