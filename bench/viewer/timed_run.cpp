#include "bench/viewer/timed_run.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "tools/systest/systest.h"

namespace viewer_bench {

using namespace systest;

std::vector<double> RunTimedViewer(const std::wstring& program, const std::wstring& arguments,
                                   int* client_width, int* client_height) {
  TempDir dir;
  StandinOptions options;
  options.x = 1600;
  options.y = 700;
  Standin emulator = Standin::Start(dir, options);
  if (!emulator.window()) return {};
  Process viewer = Process::Start(ProgramPath(program), arguments, dir.path());
  WindowQuery query;
  query.class_name = L"TForm1";
  query.process_id = viewer.id();
  HWND main = WaitForWindow(query);
  if (!main) return {};
  MovePointer(1880, 40);
  CaptureClientWhen(main,
                    [](const Pixels& p) { return CentreRegion(p) == standin::Region::Touch; });
  RECT client = ClientScreenRect(main);
  *client_width = client.right - client.left;
  *client_height = client.bottom - client.top;
  WaitUntil([] { return false; }, 6000);  // let the viewer run its passes
  PostMessageW(main, WM_CLOSE, 0, 0);
  viewer.WaitForExit();
  std::vector<double> samples;
  std::istringstream lines(ReadTextFile(dir.File(L"pass-times.txt")));
  for (double value; lines >> value;) samples.push_back(value);
  std::sort(samples.begin(), samples.end());
  return samples;
}

bool PrintFigures(const char* name, const std::vector<double>& sorted, int width, int height) {
  if (sorted.empty()) {
    printf("%s: no passes\n", name);
    return false;
  }
  printf("%s (%dx%d): %zu passes, median %.0f us, p95 %.0f us\n", name, width, height,
         sorted.size(), sorted[sorted.size() / 2], sorted[sorted.size() * 95 / 100]);
  return true;
}

}  // namespace viewer_bench
