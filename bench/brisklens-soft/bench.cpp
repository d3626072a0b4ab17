// Benchmark of brisklens-soft's frame loop: runs the timing build of the viewer against the
// stand-in for a few seconds in the start-up layout (two 512x384 windows) and in the largest
// single-screen layout (998x749), and prints the median and 95th percentile of the work of
// one pass (without the sleep) in microseconds.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <vector>

#include "tools/systest/systest.h"

using namespace systest;

namespace {

bool RunLayout(const char* name, bool single) {
  TempDir dir;
  StandinOptions options;
  options.x = 1600;
  options.y = 700;
  Standin emulator = Standin::Start(dir, options);
  if (!emulator.window()) return false;
  Process viewer = Process::Start(ProgramPath(L"brisklens-soft-bench.exe"), single ? L"single" : L"",
                                  dir.path());
  WindowQuery query;
  query.class_name = L"TForm1";
  query.process_id = viewer.id();
  HWND main = WaitForWindow(query);
  if (!main) return false;
  MovePointer(1880, 40);
  CaptureClientWhen(main, [](const Pixels& p) { return CentreRegion(p) == standin::Region::Touch; });
  RECT client = ClientScreenRect(main);
  WaitUntil([] { return false; }, 6000);  // let the viewer run its passes
  PostMessageW(main, WM_CLOSE, 0, 0);
  viewer.WaitForExit();
  std::vector<double> samples;
  std::istringstream lines(ReadTextFile(dir.File(L"pass-times.txt")));
  for (double value; lines >> value;) samples.push_back(value);
  if (samples.empty()) return false;
  std::sort(samples.begin(), samples.end());
  printf("%s (%ldx%ld): %zu passes, median %.0f us, p95 %.0f us\n", name,
         client.right - client.left, client.bottom - client.top, samples.size(),
         samples[samples.size() / 2], samples[samples.size() * 95 / 100]);
  return true;
}

}  // namespace

int wmain() {
  bool ok = RunLayout("start-up layout, two windows", false);
  ok = RunLayout("largest single-screen layout", true) && ok;
  return ok ? 0 : 1;
}
