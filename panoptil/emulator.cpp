#include "panoptil/emulator.h"

#include <shellapi.h>

namespace panoptil {

bool FindEmulator(EmulatorWindows& windows) {
  HWND main = FindWindowA("No$dlgClass", nullptr);
  if (!main) return false;
  windows.main = main;
  windows.dc = GetDC(main);
  windows.touch = FindWindowExA(main, nullptr, "No$touchClass", nullptr);
  return true;
}

void StartEmulatorIfPresent() {
  DWORD attributes = GetFileAttributesA("NO$GBA.EXE");
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  ShellExecuteA(nullptr, "open", "NO$GBA.EXE", nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace panoptil
