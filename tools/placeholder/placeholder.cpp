// Stand-in entry point for a program whose code has not been written yet. It says so in a
// message box when started by hand and exits with code 1, so that nothing mistakes it for
// the working program. With any command-line argument it exits silently (for scripts).
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR command_line, int) {
  if (command_line == nullptr || command_line[0] == L'\0')
    MessageBoxW(nullptr, L"This program is not built yet.", PROGRAM_NAME, MB_OK | MB_ICONSTOP);
  return 1;
}
