#include "raster/Raster_Startup.h"

#include "raster/Raster.h"
#include "raster/Raster_Blend.h"
#include "raster/Raster_Filters.h"
#include "raster/Raster_LowLevel.h"
#include "raster/Raster_MicroTiles.h"
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
  // The fill routine.
  InitializeLowLevelUnit();
  // The blend tables, the blend routine pointers and their weight vectors.
  InitializeBlendUnit();
  // The resampler routine pointers, then the resampler and kernel classes registered.
  InitializeResamplersUnit();
  InitializeProcessorCount();
  // The line-filter routines.
  InitializeFilterUnit();
  // The bitmap unit.
  StartupRasterUnit();
  // The micro-tile routines.
  SetupTileRoutines();
}

void ShutdownRasterLibrary() {
  if (!Started) return;
  Started = false;
  ShutdownRasterUnit();
  // The line filters, the processor count and the fill routine keep nothing to release.
  FinalizeResamplersUnit();
  FinalizeBlendUnit();
  FinalizeSystemUnit();
}

bool RasterLibraryStarted() { return Started; }

}  // namespace raster
