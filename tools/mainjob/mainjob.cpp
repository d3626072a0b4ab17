// The main job's driver: sets up the scene that the main-job script photographs.
//
//   mainjob.exe WORK_DIR READY_FILE [VIEWER]
// Installs the stand-in emulator as "no$gba.exe" in WORK_DIR with the viewer beside it
// (VIEWER: brisklens-soft, the default, or brisklens-gl) and starts the viewer there, as a
// user would; the viewer starts the emulator. The pointer
// then rests on the emulator window, where the viewer finds it, and once both viewer
// windows show the emulator's pictures the driver creates READY_FILE and waits (at most two
// minutes) until the script deletes it. Every process it started ends with it.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tools/systest/systest.h"

using namespace systest;

namespace {

bool InstallScene(const std::wstring& work_dir, const std::wstring& viewer_file) {
  std::string config = "--pos 700,40\n--log standin-input.log\n";
  return WriteTextFile(work_dir + L"\\standin.cfg", config) &&
         CopyProgram(L"standin.exe", work_dir + L"\\no$gba.exe") &&
         CopyProgram(viewer_file, work_dir + L"\\" + viewer_file);
}

HWND WaitForViewerWindow(const wchar_t* class_name, DWORD process_id) {
  WindowQuery query;
  query.class_name = class_name;
  query.process_id = process_id;
  return WaitForWindow(query);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring viewer_name = argc == 4 ? argv[3] : L"brisklens-soft";
  if ((argc != 3 && argc != 4) ||
      (viewer_name != L"brisklens-soft" && viewer_name != L"brisklens-gl")) {
    fprintf(stderr, "usage: mainjob WORK_DIR READY_FILE [brisklens-soft|brisklens-gl]\n");
    return 2;
  }
  std::wstring work_dir = argv[1];
  std::wstring ready_file = argv[2];
  const std::wstring viewer_file = viewer_name + L".exe";
  // The second window's class: TForm2 in the software viewer, TForm3 in the OpenGL one.
  const wchar_t* second_class = viewer_name == L"brisklens-gl" ? L"TForm3" : L"TForm2";
  if (!InstallScene(work_dir, viewer_file)) {
    fprintf(stderr, "mainjob: could not install the viewer and the stand-in\n");
    return 1;
  }
  Process viewer = Process::Start(work_dir + L"\\" + viewer_file, L"", work_dir);
  HWND main_window = viewer.valid() ? WaitForViewerWindow(L"TForm1", viewer.id()) : nullptr;
  HWND second_window = main_window ? WaitForViewerWindow(second_class, viewer.id()) : nullptr;
  HWND emulator = second_window ? Standin::WaitForStandinWindow() : nullptr;
  if (!emulator) {
    fprintf(stderr, "mainjob: the viewer or the emulator it starts did not come up\n");
    return 1;
  }
  // The viewer attaches to an emulator it started once the pointer rests on it.
  RECT client = ClientScreenRect(emulator);
  MovePointer(client.left + 100, client.top + 100);
  // The main window shows the touch screen, the second window the top screen.
  Pixels main_picture = CaptureClientWhen(main_window, [](const Pixels& pixels) {
    return CentreRegion(pixels) == standin::Region::Touch;
  });
  Pixels second_picture = CaptureClientWhen(second_window, [](const Pixels& pixels) {
    return CentreRegion(pixels) == standin::Region::Top;
  });
  if (CentreRegion(main_picture) != standin::Region::Touch ||
      CentreRegion(second_picture) != standin::Region::Top) {
    fprintf(stderr, "mainjob: the viewer does not show the emulator's pictures\n");
    return 1;
  }
  MovePointer(1200, 1000);
  printf("mainjob: viewer at (%ld, %ld), emulator at (%ld, %ld)\n", WindowRect(main_window).left,
         WindowRect(main_window).top, WindowRect(emulator).left, WindowRect(emulator).top);

  if (!WriteTextFile(ready_file, "ready\n")) return 1;
  fflush(stdout);
  WaitUntil([&] { return !FileExists(ready_file); }, 120000);
  return 0;
}
