#include "Raster_Startup.h"

#include "Raster.h"

namespace raster {

namespace {

bool Started = false;

}  // namespace

void StartupRasterLibrary() {
  if (Started) return;
  Started = true;
  // Processor tests with the shared timer and theme object, then the fill routine.
  // The blend tables and blend routine pointers.
  // The resampler routine pointers and the registration of the resampler and kernel
  // classes come here with the resampler unit.
  // The line-filter routines.
  StartupRasterUnit();
  // The micro-tile routines come here with the repaint optimizer.
}

void ShutdownRasterLibrary() {
  if (!Started) return;
  Started = false;
  ShutdownRasterUnit();
}

bool RasterLibraryStarted() { return Started; }

}  // namespace raster
