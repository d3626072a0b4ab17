#include "brisklens-soft/program.h"

#include "brisklens-soft/unit1.h"
#include "brisklens-soft/unit2.h"
#include "brisklens-soft/unit3.h"
#include "raster/Raster_Startup.h"
#include "viewer/viewer_form.h"

namespace brisklens_soft {

// The main window is the program's one window on the task bar; the others belong to it and
// are minimised and restored with it.
void RunViewer() {
  raster::StartupRasterLibrary();
  viewer::RunViewerForms(true, Form1, Form2, Form3);
}

}  // namespace brisklens_soft
