// For the timing builds of the viewers: wraps the idle handler a viewer installs so that
// the work of each pass is timed without the pass's sleep, and writes the times
// (microseconds, one a line) to "pass-times.txt" in the working directory at the end.
#pragma once

#include <windows.h>

#include <cstdio>
#include <functional>
#include <vector>

#include "classlib/forms.h"

namespace viewer_bench {

inline std::vector<double>& PassTimes() {
  static std::vector<double> times;
  return times;
}

// `pass_delay` is the viewer's sleep after each pass; `counts` tells whether a pass is one
// to time (the emulator attached).
inline void TimeIdlePasses(int& pass_delay, std::function<bool()> counts) {
  using classlib::TObject;
  auto pass = classlib::Application->OnIdle;
  classlib::Application->OnIdle = [pass, &pass_delay, counts](TObject* sender, bool& done) {
    const int delay = pass_delay;
    pass_delay = 0;
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceCounter(&start);
    pass(sender, done);
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    pass_delay = delay;
    const double microseconds =
        double(end.QuadPart - start.QuadPart) * 1e6 / double(frequency.QuadPart);
    if (counts()) PassTimes().push_back(microseconds);
    Sleep(DWORD(delay));
  };
}

inline void WritePassTimes() {
  if (FILE* file = std::fopen("pass-times.txt", "w")) {
    for (double time : PassTimes()) std::fprintf(file, "%.1f\n", time);
    std::fclose(file);
  }
}

// Times the passes of a viewer's main form from its showing on (it installs its idle
// handler then) and runs `at_first_activation`, if any, after its first activation.
template <class Form>
void TimeViewerPasses(Form& form, std::function<void()> at_first_activation) {
  using classlib::TObject;
  auto show = form.OnShow;
  form.OnShow = [show, &form](TObject* sender) {
    show(sender);
    TimeIdlePasses(form.PassDelay, [&form] { return form.Attached; });
  };
  auto activate = form.OnActivate;
  form.OnActivate = [activate, &form, at_first_activation](TObject* sender) {
    const bool first = form.FirstActivation;
    activate(sender);
    if (first && at_first_activation) at_first_activation();
  };
}

}  // namespace viewer_bench
