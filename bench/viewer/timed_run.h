// For the viewers' benchmark drivers: runs a timing build of a viewer against the stand-in
// and reads back the times of its passes; prints median and 95th percentile.
#pragma once

#include <string>
#include <vector>

namespace viewer_bench {

// Starts the stand-in and `program` (from the build folder, with `arguments`) in a fresh
// folder, lets the viewer run its passes for a few seconds once it shows the emulator,
// closes it and returns the times it wrote, sorted; empty on failure. `client` receives
// the main window's client size.
std::vector<double> RunTimedViewer(const std::wstring& program, const std::wstring& arguments,
                                   int* client_width, int* client_height);

// "name (WxH): N passes, median M us, p95 P us"; false for no samples.
bool PrintFigures(const char* name, const std::vector<double>& sorted, int width, int height);

}  // namespace viewer_bench
