// brisklens-gl: the OpenGL zoom viewer for the No$gba emulator.
#include <windows.h>

#include "brisklens-gl/program.h"
#include "viewer/viewer_form.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  if (!brisklens_gl::RunViewer()) return 1;
  viewer::EndViewerProcess();
}
