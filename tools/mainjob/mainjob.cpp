// The main job's driver: sets up the scene that the main-job script photographs.
//
//   mainjob.exe WORK_DIR READY_FILE
// Starts the stand-in emulator in WORK_DIR, waits until its pictures are on the screen,
// then creates READY_FILE and waits (at most two minutes) until the script deletes it.
// Every process it started ends with it.
#include <windows.h>

#include <cstdio>
#include <string>

#include "systest.h"

using namespace systest;

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: mainjob WORK_DIR READY_FILE\n");
    return 2;
  }
  std::wstring work_dir = argv[1];
  std::wstring ready_file = argv[2];

  StandinOptions options;
  options.x = 40;
  options.y = 40;
  Process emulator = Process::Start(
      ProgramPath(L"standin.exe"),
      Standin::OptionArguments(options, work_dir + L"\\standin-input.log"), work_dir);
  HWND window = Standin::WaitForStandinWindow();
  if (!emulator.valid() || !window) {
    fprintf(stderr, "mainjob: the stand-in emulator did not come up\n");
    return 1;
  }
  CaptureWhenPainted(window);
  printf("mainjob: stand-in emulator at (%ld, %ld)\n", WindowRect(window).left,
         WindowRect(window).top);

  if (!WriteTextFile(ready_file, "ready\n")) return 1;
  fflush(stdout);
  WaitUntil([&] { return !FileExists(ready_file); }, 120000);
  return 0;
}
