// brisklens-gl: the OpenGL zoom viewer for the No$gba emulator.
#include <windows.h>

#include "brisklens-gl/gl_library.h"
#include "brisklens-gl/unit1.h"
#include "brisklens-gl/unit3.h"
#include "brisklens-gl/unit4.h"
#include "classlib/forms.h"
#include "raster/Raster_Startup.h"
#include "viewer/viewer_form.h"

using namespace brisklens_gl;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // OpenGL comes before anything else; without it the viewer cannot show anything: it says
  // so and ends.
  const GlLoadResult loaded = LoadGlLibraries();
  if (loaded != GlLoadResult::Loaded) {
    MessageBoxW(nullptr, GlLoadFailureText(loaded), L"Brisklens for No$gba", MB_OK | MB_ICONSTOP);
    return 1;
  }
  raster::StartupRasterLibrary();
  classlib::Application->Initialize();
  // The task-bar button is the application's own window's, not the main window's:
  // minimising the main window minimises the application, every window with it.
  classlib::Application->MainFormOnTaskBar = false;
  classlib::Application->CreateForm(Form1);
  classlib::Application->CreateForm(Form3);
  classlib::Application->CreateForm(Form4);
  classlib::Application->Run();
  viewer::EndViewerProcess();
}
