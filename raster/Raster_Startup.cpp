#include "raster/Raster_Startup.h"

#include "raster/Raster.h"
#include "raster/Raster_Blend.h"
#include "raster/Raster_Resamplers.h"
#include "raster/Raster_System.h"

namespace raster {

namespace {

bool Started = false;

}  // namespace

void StartupRasterLibrary() {
  if (Started) return;
  Started = true;
  // Processor tests with the shared theme object and timer.
  InitializeSystemUnit();
  // Every routine pointer: fill, blend (with the weight vectors the MMX variants read),
  // resampler, line-filter, the bitmap's interpolator and the micro-tile routines.
  SelectRoutines(StartupRoutineFeatures());
  // The blend tables.
  InitializeBlendUnit();
  // The resampler and kernel classes registered.
  InitializeResamplersUnit();
  InitializeProcessorCount();
  // The bitmap unit's gamma table and stock font.
  StartupRasterUnit();
}

void ShutdownRasterLibrary() {
  if (!Started) return;
  Started = false;
  ShutdownRasterUnit();
  // The routine pointers and the processor count keep nothing to release.
  FinalizeResamplersUnit();
  FinalizeBlendUnit();
  FinalizeSystemUnit();
}

bool RasterLibraryStarted() { return Started; }

}  // namespace raster
