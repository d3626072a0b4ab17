// Benchmark of brisklens-soft's frame loop: runs the timing build of the viewer against the
// stand-in for a few seconds in the start-up layout (two 512x384 windows) and in the largest
// single-screen layout (998x749), and prints the median and 95th percentile of the work of
// one pass (without the sleep) in microseconds.
#include <cstdio>

#include "bench/viewer/timed_run.h"

using namespace viewer_bench;

int wmain() {
  int width = 0, height = 0;
  const std::vector<double> start_up =
      RunTimedViewer(L"brisklens-soft-bench.exe", L"", &width, &height);
  bool ok = PrintFigures("start-up layout, two windows", start_up, width, height);
  const std::vector<double> single =
      RunTimedViewer(L"brisklens-soft-bench.exe", L"single", &width, &height);
  ok = PrintFigures("largest single-screen layout", single, width, height) && ok;
  return ok ? 0 : 1;
}
