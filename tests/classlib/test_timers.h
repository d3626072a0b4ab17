// Code that a test runs later in its own GUI thread, also while a modal loop (a popup
// menu, a message box, a modal form) holds the thread: thread timers are dispatched there.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace classlib_test {

// Calls `step` every `interval_ms` until it returns true.
void RepeatUntil(std::function<bool()> step, UINT interval_ms = 20);

// The open popup menu window of this process, or null.
HWND FindOpenMenu();
// The message box of this process with the given caption, or null, and its text.
HWND FindMessageBox(const std::wstring& caption);
std::wstring MessageBoxText(HWND box);

}  // namespace classlib_test
