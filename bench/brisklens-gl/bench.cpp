// Benchmark of brisklens-gl's frame: runs the timing build of the viewer against the
// stand-in in dual-screen mode (two 512x384 windows) and in single-screen mode (one
// 947x718 window), times the repack of one 280x280 block alone, and runs brisklens-soft's
// timing build in its start-up layout (the direct path, two 512x384 windows) in the same
// run; prints the median and 95th percentile of each in microseconds.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/viewer/timed_run.h"
#include "brisklens-gl/texture_repack.h"

using namespace viewer_bench;

namespace {

std::vector<double> TimeRepacks(int runs) {
  std::vector<uint8_t> capture(280 * 482 * 4);
  for (size_t i = 0; i < capture.size(); ++i) capture[i] = uint8_t(i * 31 + 7);
  static brisklens_gl::TextureImage texture;
  std::vector<double> times;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  for (int run = 0; run < runs; ++run) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    brisklens_gl::RepackBlock({capture.data(), 482}, run % 2 ? 481 : 279, texture);
    QueryPerformanceCounter(&end);
    times.push_back(double(end.QuadPart - start.QuadPart) * 1e6 / double(frequency.QuadPart));
  }
  std::sort(times.begin(), times.end());
  return times;
}

}  // namespace

int wmain() {
  int width = 0, height = 0;
  const std::vector<double> dual = RunTimedViewer(L"brisklens-gl-bench.exe", L"", &width, &height);
  bool ok = PrintFigures("brisklens-gl frame, dual screen, two windows", dual, width, height);
  const std::vector<double> single =
      RunTimedViewer(L"brisklens-gl-bench.exe", L"single", &width, &height);
  ok = PrintFigures("brisklens-gl frame, single screen, one window", single, width, height) && ok;
  const std::vector<double> repack = TimeRepacks(2000);
  printf("repack of one 280x280 block: %zu runs, median %.1f us, p95 %.1f us\n", repack.size(),
         repack[repack.size() / 2], repack[repack.size() * 95 / 100]);
  const std::vector<double> soft =
      RunTimedViewer(L"brisklens-soft-bench.exe", L"", &width, &height);
  ok = PrintFigures("brisklens-soft direct-path pass, two windows", soft, width, height) && ok;
  if (ok)
    printf("dual-screen frame / soft direct-path pass (medians): %.2f\n",
           dual[dual.size() / 2] / soft[soft.size() / 2]);
  return ok ? 0 : 1;
}
