#include "panoptil/taskbar.h"

#include <cstdlib>
#include <exception>

namespace panoptil {
namespace {

// The taskbar this program hid, or 0.
HWND hidden_taskbar = nullptr;
LPTOP_LEVEL_EXCEPTION_FILTER previous_filter = nullptr;
std::terminate_handler previous_terminate = nullptr;

LONG WINAPI RestoreOnCrash(EXCEPTION_POINTERS* exception) {
  RestoreHiddenTaskbar();
  return previous_filter ? previous_filter(exception) : EXCEPTION_CONTINUE_SEARCH;
}

void RestoreOnTerminate() {
  RestoreHiddenTaskbar();
  if (previous_terminate) previous_terminate();
  std::abort();
}

}  // namespace

void ShowTaskbar(bool show) {
  HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
  if (!taskbar) return;
  ShowWindow(taskbar, show ? SW_SHOW : SW_HIDE);
  if (!show) hidden_taskbar = taskbar;
  else if (taskbar == hidden_taskbar) hidden_taskbar = nullptr;
}

void RestoreHiddenTaskbar() {
  HWND taskbar = hidden_taskbar;
  hidden_taskbar = nullptr;
  if (taskbar && IsWindow(taskbar)) ShowWindow(taskbar, SW_SHOW);
}

void InstallTaskbarSafetyNet() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  std::atexit(RestoreHiddenTaskbar);
  previous_filter = SetUnhandledExceptionFilter(RestoreOnCrash);
  previous_terminate = std::set_terminate(RestoreOnTerminate);
}

}  // namespace panoptil
