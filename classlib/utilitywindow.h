// Hidden windows that serve an object rather than show anything (a timer's, the raster
// library's theme object's). Each routes its messages to one handler. An exception that
// the handler lets out ends in the application's default handler, as in the window
// procedures of controls, and the message's result is then 0.
//
// The windows are ANSI windows: a handler passes what it does not handle to
// DefWindowProcA. Messages that arrive while the window is being created, before its
// handler is attached, get DefWindowProcA too.
#pragma once

#include <windows.h>

#include <functional>

namespace classlib {

using TUtilityWindowMethod = std::function<LRESULT(UINT Msg, WPARAM WParam, LPARAM LParam)>;

enum class TUtilityWindowKind {
  // Receives only what is sent or posted to it (and its timers).
  MessageOnly,
  // A hidden top-level tool window: also receives what the system broadcasts to top-level
  // windows (WM_THEMECHANGED, for example).
  Hidden,
};

// The new window, or null when it cannot be made.
HWND AllocateUtilityWindow(TUtilityWindowKind Kind, TUtilityWindowMethod Method);
// Destroys a window of AllocateUtilityWindow (its handler still sees the messages of the
// destruction) and then its handler. Null does nothing.
void DeallocateUtilityWindow(HWND Window);

}  // namespace classlib
