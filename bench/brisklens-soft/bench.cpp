// Benchmark of brisklens-soft's frame loop: runs the timing build of the viewer against the
// stand-in for a few seconds per configuration and prints the median and 95th percentile
// of the work of one pass (without the sleep) in microseconds: the direct path and each
// filter, unrotated and turned, in the start-up layout (two 512x384 windows, both
// pictures per pass) and in the one-screen layouts of 947x718 and 998x749, beside the copy
// of one frame from the emulator's window alone.
//   brisklens_soft_bench [TEXT ...]
// With texts, only the configurations whose name followed by the layout's size word
// ("two windows, draft", "one screen, Lanczos 998") contains one of them; for quick
// comparisons.
#include <cstdio>
#include <string>
#include <vector>

#include "bench/viewer/timed_run.h"

using namespace viewer_bench;

namespace {

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (wchar_t c : text) narrow += char(c);
  return narrow;
}

bool Chosen(const std::string& key, const std::vector<std::string>& texts) {
  if (texts.empty()) return true;
  for (const std::string& text : texts)
    if (key.find(text) != std::string::npos) return true;
  return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> texts;
  for (int i = 1; i < argc; ++i) texts.push_back(Narrow(argv[i]));
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
      const std::string name = std::string(layout.name) + ", " + run.name;
      if (!Chosen(name + " " + Narrow(layout.argument), texts)) continue;
      int width = 0, height = 0;
      const std::wstring arguments = std::wstring(layout.argument) + L" " + run.arguments;
      const std::vector<double> times =
          RunTimedViewer(L"brisklens-soft-bench.exe", arguments, &width, &height);
      ok = PrintFigures(name.c_str(), times, width, height) && ok;
    }
  }
  return ok ? 0 : 1;
}
