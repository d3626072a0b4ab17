// A window-message timer: OnTimer runs from the message loop every Interval milliseconds
// while Enabled. Each timer has a hidden message-only utility window of its own that
// receives its WM_TIMER, so it needs no form. An exception of OnTimer ends in the
// application's default handler, and the timer goes on.
#pragma once

#include <windows.h>

#include "classlib/controls.h"

namespace classlib {

class TTimer : public TObject {
 public:
  TTimer();
  ~TTimer() override;
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  // Milliseconds between ticks; 0 stops the ticks while keeping Enabled.
  UINT Interval() const { return interval_; }
  void SetInterval(UINT interval);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  // Called with the timer as sender.
  TNotifyEvent OnTimer;

  // The window that receives the timer's messages (for tests).
  HWND Handle() const { return window_; }

 private:
  LRESULT TimerMessage(UINT message, WPARAM wparam, LPARAM lparam);
  // Starts or stops the system timer from Interval and Enabled.
  void UpdateTimer();

  HWND window_ = nullptr;
  UINT interval_ = 1000;
  bool enabled_ = true;
  bool running_ = false;
};

}  // namespace classlib
