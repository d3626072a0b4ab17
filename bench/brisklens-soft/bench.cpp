// Benchmark of brisklens-soft's frame loop: runs the timing build of the viewer against the
// stand-in for a few seconds per configuration and prints the median and 95th percentile
// of the work of one pass (without the sleep) in microseconds: the direct path and each
// filter, unrotated and turned, in the start-up layout (two 512x384 windows, both
// pictures per pass) and in the one-screen layouts of 947x718 and 998x749, beside the copy
// of one frame from the emulator's window alone.
#include <cstdio>
#include <string>

#include "bench/viewer/timed_run.h"

using namespace viewer_bench;

int wmain() {
  struct Layout { const wchar_t* argument; const char* name; };
  const Layout layouts[] = {{L"", "two windows"}, {L"947", "one screen"}, {L"998", "one screen"}};
  struct Run { const wchar_t* arguments; const char* name; };
  const Run runs[] = {
      {L"", "direct"},          {L"left", "nearest, left"}, {L"fast", "draft"},
      {L"fast left", "draft, left"}, {L"clear", "Lanczos"},  {L"clear left", "Lanczos, left"},
      {L"capture", "capture of one frame alone"},
  };
  bool ok = true;
  for (const Layout& layout : layouts) {
    for (const Run& run : runs) {
      int width = 0, height = 0;
      const std::wstring arguments = std::wstring(layout.argument) + L" " + run.arguments;
      const std::vector<double> times =
          RunTimedViewer(L"brisklens-soft-bench.exe", arguments, &width, &height);
      const std::string name = std::string(layout.name) + ", " + run.name;
      ok = PrintFigures(name.c_str(), times, width, height) && ok;
    }
  }
  return ok ? 0 : 1;
}
