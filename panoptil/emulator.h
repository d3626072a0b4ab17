// Finding and starting the emulator whose screens the magnifier shows.
#pragma once

#include <windows.h>

namespace panoptil {

struct EmulatorWindows {
  HWND main = nullptr;   // class "No$dlgClass"
  HWND touch = nullptr;  // its "No$touchClass" child
  HDC dc = nullptr;      // GetDC of the main window, held until the magnifier ends
};

// Looks for the emulator's main window; when found, takes its device context and its
// touch child. Returns false (and leaves `windows` alone) when it is not there.
bool FindEmulator(EmulatorWindows& windows);

// Starts "NO$GBA.EXE" from the working directory when that file exists; does not wait.
void StartEmulatorIfPresent();

}  // namespace panoptil
