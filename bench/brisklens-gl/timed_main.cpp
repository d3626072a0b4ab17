// The timing build of brisklens-gl: the viewer's own forms, started as its program starts
// them, with the idle handler wrapped so that the work of each attached pass (capture,
// cursor, repack, upload, draw and swap of each window shown) is measured without its
// sleep; the times go to "pass-times.txt". With the argument "single" the viewer switches
// to one screen at its first activation.
#include <windows.h>

#include <string>

#include "bench/viewer/pass_timing.h"
#include "brisklens-gl/gl_library.h"
#include "brisklens-gl/unit1.h"
#include "brisklens-gl/unit3.h"
#include "brisklens-gl/unit4.h"
#include "classlib/forms.h"
#include "raster/Raster_Startup.h"

using namespace brisklens_gl;
using classlib::Application;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR command_line, int) {
  const bool single = std::wstring(command_line) == L"single";
  if (LoadGlLibraries() != GlLoadResult::Loaded) return 1;
  raster::StartupRasterLibrary();
  Application->Initialize();
  Application->CreateForm(Form1);
  Application->CreateForm(Form3);
  Application->CreateForm(Form4);
  viewer_bench::TimeViewerPasses(*Form1, single ? [] { Form1->SingleScrClick(Form1); }
                                                 : std::function<void()>());
  Application->Run();
  Application->DestroyForms();
  viewer_bench::WritePassTimes();
  raster::ShutdownRasterLibrary();
  return 0;
}
