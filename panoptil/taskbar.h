// Hiding and showing the Windows taskbar (the window of class "Shell_TrayWnd"), with a
// safety net that shows a taskbar this program hid again on every way out it controls.
#pragma once

#include <windows.h>

namespace panoptil {

// Hides (`hide`) or shows the taskbar when there is one; without one nothing happens.
// A taskbar hidden here is remembered until it is shown again, for RestoreHiddenTaskbar.
void ShowTaskbar(bool show);

// Shows the taskbar again if this program hid it and has not shown it since. Safe to call
// at any time and more than once.
void RestoreHiddenTaskbar();

// Installs the safety net: RestoreHiddenTaskbar on normal exit (atexit), on a crash (the
// unhandled-exception filter) and on std::terminate (an escaping C++ exception).
void InstallTaskbarSafetyNet();

}  // namespace panoptil
