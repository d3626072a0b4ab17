// Benchmark of brisklens-gl's frame: runs the timing build of the viewer against the
// stand-in in dual-screen mode (two 512x384 windows), again with the cursor icon drawn into
// every frame, again with each swap made after the window's rendering is finished (so that
// the draw step holds the renderer's work), and in single-screen mode (one 947x718 window).
// Prints the median and 95th percentile of each step of the frame in each window and of the
// whole pass, times the repack of one 280x280 block alone, and runs brisklens-soft's timing
// build in its start-up layout (the direct path, two 512x384 windows) in the same run.
// Figures in microseconds.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "bench/brisklens-gl/frame_steps.h"
#include "bench/viewer/timed_run.h"
#include "brisklens-gl/texture_repack.h"
#include "tools/systest/systest.h"

using namespace viewer_bench;
using gl_bench::kStepCount;
using gl_bench::kWindowCount;
using gl_bench::PassSteps;

namespace {

struct GlRun {
  const wchar_t* mode;
  const char* name;
  std::vector<double> passes;  // sorted
  std::vector<PassSteps> steps;
  int width = 0, height = 0;
};

void RunGlViewer(GlRun& run) {
  systest::TempDir dir;
  const std::wstring steps_file = dir.File(L"steps.txt");
  run.passes = RunTimedViewer(L"brisklens-gl-bench.exe", std::wstring(run.mode) + L" " + steps_file,
                              &run.width, &run.height);
  std::istringstream lines(systest::ReadTextFile(steps_file));
  for (std::string line; std::getline(lines, line);) {
    std::istringstream figures(line);
    PassSteps pass;
    for (auto& step : pass.us)
      for (double& time : step) figures >> time;
    if (figures) run.steps.push_back(pass);
  }
}

// "median/p95" of one step of one window over the passes; "-" where it never takes time.
std::string StepFigures(const std::vector<PassSteps>& passes, int step, int window) {
  std::vector<double> times;
  for (const PassSteps& pass : passes) times.push_back(pass.us[step][window]);
  std::sort(times.begin(), times.end());
  if (times.empty() || times.back() == 0) return "-";
  char text[32];
  snprintf(text, sizeof text, "%.0f/%.0f", times[times.size() / 2], times[times.size() * 95 / 100]);
  return text;
}

void PrintStepTable(const std::vector<GlRun>& runs) {
  printf("brisklens-gl frame by step, median/p95 us (main window, second window):\n%-8s", "step");
  for (const GlRun& run : runs) printf(" %-27s", run.name);
  printf("\n");
  for (int step = 0; step < kStepCount; ++step) {
    printf("%-8s", gl_bench::kStepNames[step]);
    for (const GlRun& run : runs)
      printf(" %-13s %-13s", StepFigures(run.steps, step, 0).c_str(),
             StepFigures(run.steps, step, 1).c_str());
    printf("\n");
  }
}

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
  std::vector<GlRun> runs = {{L"dual", "dual screen", {}, {}},
                             {L"icon", "dual screen, icon drawn", {}, {}},
                             {L"finish", "dual, finished before swap", {}, {}},
                             {L"single", "single screen", {}, {}}};
  bool ok = true;
  for (GlRun& run : runs) {
    RunGlViewer(run);
    const std::string name = std::string("brisklens-gl pass, ") + run.name;
    ok = PrintFigures(name.c_str(), run.passes, run.width, run.height) && ok;
  }
  PrintStepTable(runs);
  const std::vector<double> repack = TimeRepacks(2000);
  printf("repack of one 280x280 block alone: %zu runs, median %.1f us, p95 %.1f us\n",
         repack.size(), repack[repack.size() / 2], repack[repack.size() * 95 / 100]);
  int width = 0, height = 0;
  const std::vector<double> soft =
      RunTimedViewer(L"brisklens-soft-bench.exe", L"", &width, &height);
  ok = PrintFigures("brisklens-soft direct-path pass, two windows", soft, width, height) && ok;
  if (ok) {
    const std::vector<double>& dual = runs[0].passes;
    printf("dual-screen frame / soft direct-path pass (medians): %.2f\n",
           dual[dual.size() / 2] / soft[soft.size() / 2]);
  }
  return ok ? 0 : 1;
}
