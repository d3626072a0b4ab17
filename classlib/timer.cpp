#include "classlib/timer.h"

namespace classlib {
namespace {

constexpr wchar_t kTimerWindowClass[] = L"classlib.TTimer";
constexpr UINT_PTR kTimerId = 1;

void RegisterTimerClass(WNDPROC procedure) {
  static bool registered = false;
  if (registered) return;
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = kTimerWindowClass;
  registered = RegisterClassW(&window_class) != 0;
}

}  // namespace

TTimer::TTimer() {
  RegisterTimerClass(WindowProc);
  window_ = CreateWindowExW(0, kTimerWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  UpdateTimer();
}

TTimer::~TTimer() {
  if (running_) KillTimer(window_, kTimerId);
  DestroyWindow(window_);
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

LRESULT CALLBACK TTimer::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_TIMER && wparam == kTimerId) {
    auto* timer = reinterpret_cast<TTimer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (timer && timer->running_ && timer->OnTimer) timer->OnTimer(timer);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace classlib
