#include "tests/panoptil/taskbar_window.h"

namespace panoptil {
namespace {

bool hidden_seen = false;

LRESULT CALLBACK TrayProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SHOWWINDOW && !wparam) hidden_seen = true;
  return DefWindowProcW(window, message, wparam, lparam);
}

HWND CreateOwnTaskbar() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = TrayProc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"Shell_TrayWnd";
    registered = RegisterClassW(&window_class) != 0;
  }
  int width = GetSystemMetrics(SM_CXSCREEN);
  int height = GetSystemMetrics(SM_CYSCREEN);
  // Topmost and newest, so it comes first in the z-order where FindWindow looks.
  HWND window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, L"Shell_TrayWnd", L"",
                                WS_POPUP, 0, height - 30, width, 30, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  if (window) ShowWindow(window, SW_SHOWNA);
  return window;
}

}  // namespace

TaskbarWindow::TaskbarWindow() {
  hidden_seen = false;
  own_window_ = CreateOwnTaskbar();
  window_ = FindWindowA("Shell_TrayWnd", nullptr);
  if (window_ && window_ != own_window_) {
    // Wine's explorer may show a taskbar of its own that comes first: work on that one.
    was_visible_ = IsWindowVisible(window_);
    ShowWindow(window_, SW_SHOWNA);
  }
}

TaskbarWindow::~TaskbarWindow() {
  if (window_ && window_ != own_window_) ShowWindow(window_, was_visible_ ? SW_SHOWNA : SW_HIDE);
  if (own_window_) DestroyWindow(own_window_);
}

bool TaskbarWindow::WasHidden() const {
  // The hiding of another process's window is not seen here; its visibility is checked.
  return window_ == own_window_ ? hidden_seen : true;
}

}  // namespace panoptil
