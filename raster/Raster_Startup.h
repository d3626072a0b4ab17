// Start-up and shut-down of the raster library as a whole. A program calls
// StartupRasterLibrary once before its own start-up code and ShutdownRasterLibrary once at
// its end; the units' routine pointers, tables and registries are written only then.
#pragma once

namespace raster {

// Starts every unit of the library in order. Only the first call does anything.
void StartupRasterLibrary();
// Shuts the units down in the reverse order. Does nothing unless the library is started.
void ShutdownRasterLibrary();
bool RasterLibraryStarted();

}  // namespace raster
