#include "brisklens-gl/program.h"

#include <windows.h>

#include "brisklens-gl/gl_library.h"
#include "brisklens-gl/unit1.h"
#include "brisklens-gl/unit3.h"
#include "brisklens-gl/unit4.h"
#include "raster/Raster_Startup.h"
#include "viewer/viewer_form.h"

namespace brisklens_gl {

bool RunViewer() {
  // OpenGL comes before anything else; without it the viewer cannot show anything.
  const GlLoadResult loaded = LoadGlLibraries();
  if (loaded != GlLoadResult::Loaded) {
    MessageBoxW(nullptr, GlLoadFailureText(loaded), L"Brisklens for No$gba", MB_OK | MB_ICONSTOP);
    return false;
  }
  raster::StartupRasterLibrary();
  // The task-bar button is the application's own window's, not the main window's:
  // minimising the main window minimises the application, every window with it.
  viewer::RunViewerForms(false, Form1, Form3, Form4);
  return true;
}

}  // namespace brisklens_gl
