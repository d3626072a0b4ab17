// Time per frame of drawing one bitmap into another at the software viewer's sizes through
// the nearest, draft and kernel (Lanczos, width 3) resamplers, the kernel one also with the
// plain passes where the processor has faster ones, beside a memory copy of the output
// bytes measured in the same run. Prints one line per case:
//   <case> <TAB> <median ms> <TAB> <95th percentile ms>
//   resample_bench [seconds per case, default 1]
#include "raster/Raster.h"
#include "raster/Raster_Resamplers.h"
#include "raster/Raster_Startup.h"
#include "raster/Raster_System.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace raster;

namespace {

double seconds_per_case = 1.0;

double Now() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return double(count.QuadPart) / double(frequency.QuadPart);
}

// Runs frames for the set time (at least 20), then prints the median and 95th percentile.
void TimeFrames(const std::string& name, const std::function<void()>& frame) {
  frame();  // warm up: pages touched, tables built
  std::vector<double> times;
  const double end = Now() + seconds_per_case;
  while (times.size() < 20 || (Now() < end && times.size() < 100000)) {
    const double start = Now();
    frame();
    times.push_back((Now() - start) * 1000.0);
  }
  std::sort(times.begin(), times.end());
  std::printf("%s\t%.3f\t%.3f\n", name.c_str(), times[times.size() / 2],
              times[std::min(times.size() - 1, times.size() * 95 / 100)]);
  std::fflush(stdout);
}

void FillRandom(TBitmap32& bitmap, uint32_t seed) {
  std::mt19937 rng(seed);
  for (int i = 0; i < bitmap.Width() * bitmap.Height(); ++i) bitmap.Bits()[i] = rng() | 0xFF000000u;
}

// The kernel resampler (src's) with the plain passes, where start-up chose faster ones.
void TimeWithPlainPasses(const std::string& name, TBitmap32& src, TBitmap32& dst) {
  TRoutineFeatures plain_passes = StartupRoutineFeatures();
  if (!plain_passes.SSE2) return;
  plain_passes.SSE2 = false;
  SelectRoutines(plain_passes);
  TimeFrames(name, [&] { src.DrawInto(&dst, dst.BoundsRect()); });
  SelectRoutines(StartupRoutineFeatures());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) seconds_per_case = std::atof(argv[1]);
  StartupRasterLibrary();
  const SIZE cases[][2] = {{{270, 208}, {947, 718}}, {{208, 270}, {718, 947}}};
  for (const auto& sizes : cases) {
    TBitmap32 src, dst;
    src.SetSize(sizes[0].cx, sizes[0].cy);
    dst.SetSize(sizes[1].cx, sizes[1].cy);
    FillRandom(src, 1);
    const std::string size = std::to_string(sizes[0].cx) + "x" + std::to_string(sizes[0].cy) +
                             "->" + std::to_string(sizes[1].cx) + "x" + std::to_string(sizes[1].cy);
    for (const char* resampler : {"TNearestResampler", "TDraftResampler", "TKernelResampler"}) {
      src.SetResamplerClassName(resampler);
      if (auto* kernel = dynamic_cast<TKernelResampler*>(src.Resampler())) {
        kernel->SetKernel(new TLanczosKernel);
      }
      TimeFrames(size + " " + resampler, [&] { src.DrawInto(&dst, dst.BoundsRect()); });
    }
    TimeWithPlainPasses(size + " TKernelResampler, plain passes", src, dst);
    std::vector<TColor32> copy(size_t(dst.Width()) * dst.Height());
    TimeFrames(size + " memory copy of the output", [&] {
      std::memcpy(copy.data(), dst.Bits(), copy.size() * sizeof(TColor32));
    });
  }
  ShutdownRasterLibrary();
  return 0;
}
