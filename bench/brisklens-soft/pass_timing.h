// Pass timing for the benchmark build of brisklens-soft (never in the shipped viewer):
// the work of each attached pass, without its sleep, in microseconds, written to
// "pass-times.txt" in the working directory when the program ends. With the environment
// variable BRISKLENS_BENCH_SINGLE set, the viewer starts in the largest single-screen
// layout instead of the start-up one.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace brisklens_soft {

class PassTimer {
 public:
  PassTimer() { QueryPerformanceCounter(&start_); }
  void Stop(bool attached) {
    LARGE_INTEGER end, frequency;
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    if (attached) Samples().push_back(double(end.QuadPart - start_.QuadPart) * 1e6 / double(frequency.QuadPart));
  }
  static std::vector<double>& Samples() {
    static struct Store {
      std::vector<double> samples;
      ~Store() {
        if (FILE* file = fopen("pass-times.txt", "w")) {
          for (double sample : samples) fprintf(file, "%.1f\n", sample);
          fclose(file);
        }
      }
    } store;
    return store.samples;
  }

 private:
  LARGE_INTEGER start_;
};

inline bool BenchSingleScreenLayout() { return getenv("BRISKLENS_BENCH_SINGLE") != nullptr; }

}  // namespace brisklens_soft
