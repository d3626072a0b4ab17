// brisklens-soft: the software zoom viewer for the No$gba emulator.
#include <windows.h>

#include "brisklens-soft/program.h"
#include "viewer/viewer_form.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  brisklens_soft::RunViewer();
  viewer::EndViewerProcess();
}
