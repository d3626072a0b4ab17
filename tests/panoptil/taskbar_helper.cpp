// Helper of the taskbar tests: hides the taskbar with the safety net installed, then
// leaves the way its argument says, without showing the taskbar itself:
//   throw   an exception no one catches
//   crash   an access violation
//   exit    a plain exit
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "panoptil/taskbar.h"

int main(int argc, char** argv) {
  // No crash dialog: the test waits for this process to end.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  panoptil::InstallTaskbarSafetyNet();
  panoptil::ShowTaskbar(false);
  const char* way = argc > 1 ? argv[1] : "exit";
  if (std::strcmp(way, "throw") == 0) throw std::runtime_error("escaping exception");
  if (std::strcmp(way, "crash") == 0) {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
  }
  std::exit(0);
}
