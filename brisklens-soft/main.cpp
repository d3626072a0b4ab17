// brisklens-soft: the software zoom viewer for the No$gba emulator.
#include <windows.h>

#include "classlib/forms.h"
#include "brisklens-soft/unit1.h"
#include "brisklens-soft/unit2.h"
#include "brisklens-soft/unit3.h"
#include "raster/Raster_Startup.h"
#include "viewer/viewer_form.h"

using namespace brisklens_soft;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  raster::StartupRasterLibrary();
  classlib::Application->Initialize();
  // The main window is the program's one window on the task bar; the others belong to it
  // and are minimised and restored with it.
  classlib::Application->MainFormOnTaskBar = true;
  classlib::Application->CreateForm(Form1);
  classlib::Application->CreateForm(Form2);
  classlib::Application->CreateForm(Form3);
  classlib::Application->Run();
  viewer::EndViewerProcess();
}
