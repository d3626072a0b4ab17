// Throughput in megapixels per second of every variant of the raster routine pointers that
// have more than one, on rows of 1 and 64 megapixels, beside a plain memory copy of the
// same bytes measured in the same run.
//   raster_bench [seconds per figure, default 0.5]
#include "raster/Raster_Blend.h"
#include "raster/Raster_BlendVariants.h"
#include "raster/Raster_Filters.h"
#include "raster/Raster_LowLevel.h"
#include "raster/Raster_Startup.h"
#include "raster/Raster_System.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace raster;

namespace {

struct Rows {
  TColor32* source;
  TColor32* dest;
  int32_t count;
};

using RowRun = std::function<void(const Rows&)>;

struct Case {
  std::string routine;
  std::string variant;
  TRoutineFeatures features;  // selected while the case runs (the merge calls BlendColors)
  RowRun run;
  bool translucent = false;   // source alphas 1..254 only: no shortcut is taken
};

double seconds_per_figure = 0.5;

TColor32* AllocateRow(int32_t count) {
  void* memory = VirtualAlloc(nullptr, size_t(count) * 4, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (memory == nullptr) {
    std::fprintf(stderr, "cannot allocate %d pixels\n", count);
    std::exit(1);
  }
  return static_cast<TColor32*>(memory);
}

// Colours with mixed alpha (a third transparent, a third opaque, a third in between), or
// translucent ones only (alpha 1..254).
void FillRandom(TColor32* row, int32_t count, uint32_t seed, bool translucent) {
  std::mt19937 rng(seed);
  for (int32_t i = 0; i < count; ++i) {
    const TColor32 color = rng() & 0x00FFFFFF;
    if (translucent) {
      row[i] = color | (1 + rng() % 254) << 24;
      continue;
    }
    const uint32_t pick = rng() % 3;
    row[i] = color | (pick == 0 ? 0 : pick == 1 ? 0xFF000000 : (rng() & 0xFF000000));
  }
}

// Megapixels per second of `run` over the rows, repeated until the time is reached.
double Throughput(const Rows& rows, const RowRun& run) {
  TPerfTimer timer;
  run(rows);  // warm up: pages touched, caches filled
  LeaveMmxState();
  int64_t pixels = 0;
  timer.Start();
  int64_t elapsed = 0;
  do {
    run(rows);
    pixels += rows.count;
    LeaveMmxState();
    elapsed = timer.ElapsedMicroseconds();
  } while (elapsed < int64_t(seconds_per_figure * 1e6));
  return double(pixels) / double(elapsed);
}

std::vector<Case> Cases() {
  const TRoutineFeatures plain{}, mmx{true, false, false}, emmx{true, true, false};
  std::vector<Case> cases;
  auto add = [&](const char* routine, const char* variant, TRoutineFeatures features, RowRun run) {
    cases.push_back({routine, variant, features, run, false});
  };
  // The blend routines branch on the source alpha: they are measured on both kinds of rows.
  auto add_both = [&](const std::string& routine, const char* variant, TRoutineFeatures features,
                      RowRun run) {
    cases.push_back({routine + ", mixed alpha", variant, features, run, false});
    cases.push_back({routine + ", translucent", variant, features, run, true});
  };
  add("FillDWords", "plain", plain, [](const Rows& r) { FillDWords_Plain(r.dest, r.count, 0x80402010); });
  add("FillDWords", "MMX", mmx, [](const Rows& r) { FillDWords_MMX(r.dest, r.count, 0x80402010); });
  for (const auto& [name, set, features] :
       {std::tuple{"plain", &PlainCombineBlend, plain}, std::tuple{"MMX", &MmxCombineBlend, mmx}}) {
    const TCombineBlendSet* s = set;
    add("CombineRow (W 100)", name, features, [s](const Rows& r) { s->CombineRow(r.source, r.dest, r.count, 100); });
    add_both("BlendRow", name, features, [s](const Rows& r) { s->BlendRow(r.source, r.dest, r.count); });
    add_both("MasterBlendRow (M 200)", name, features,
             [s](const Rows& r) { s->MasterBlendRow(r.source, r.dest, r.count, 200); });
  }
  add_both("MergeRow", "with plain blend", plain, [](const Rows& r) { MergeRow(r.source, r.dest, r.count); });
  add_both("MergeRow", "with MMX blend", mmx, [](const Rows& r) { MergeRow(r.source, r.dest, r.count); });
  for (const auto& [name, set, features] :
       {std::tuple{"plain", &PlainLineFilters, plain}, std::tuple{"MMX", &MmxLineFilters, mmx},
        std::tuple{"extended MMX", &EmmxLineFilters, emmx}}) {
    const TLineFilterSet* s = set;
    add("XorPixelsTo", name, features, [s](const Rows& r) { s->XorPixelsTo(r.source, r.dest, r.count, 0x00FFFFFF); });
    add("OrPixelsTo", name, features, [s](const Rows& r) { s->OrPixelsTo(r.source, r.dest, r.count, 0xFF000000); });
    add("AndPixelsTo", name, features, [s](const Rows& r) { s->AndPixelsTo(r.source, r.dest, r.count, 0xFF00FF00); });
  }
  return cases;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) seconds_per_figure = std::atof(argv[1]);
  StartupRasterLibrary();

  const TRoutineFeatures cpu = RoutineFeaturesOf(ThisProcessor());
  std::printf("processor: MMX %d, extended MMX %d, 3DNow! %d, SSE2 %d; %d processors\n",
              cpu.MMX, cpu.ExtendedMMX, cpu.ThreeDNow, cpu.SSE2, ProcessorCount);

  const int32_t sizes[] = {1 << 20, 64 << 20};
  const std::vector<Case> cases = Cases();
  for (int32_t count : sizes) {
    Rows rows{AllocateRow(count), AllocateRow(count), count};
    FillRandom(rows.source, count, 1, false);
    FillRandom(rows.dest, count, 2, false);
    const double copy = Throughput(rows, [](const Rows& r) {
      std::memcpy(r.dest, r.source, size_t(r.count) * 4);
    });
    std::printf("\nrow of %d megapixels; memory copy of the same bytes: %.0f MP/s\n", count >> 20, copy);
    std::printf("%-38s %-18s %10s %9s\n", "routine", "variant", "MP/s", "vs copy");
    bool source_translucent = false;
    for (const Case& c : cases) {
      if ((c.features.MMX && !cpu.MMX) || (c.features.ExtendedMMX && !cpu.ExtendedMMX)) {
        std::printf("%-38s %-18s %10s\n", c.routine.c_str(), c.variant.c_str(), "not run");
        continue;
      }
      SelectRoutines(c.features);
      if (c.translucent != source_translucent) {
        source_translucent = c.translucent;
        FillRandom(rows.source, count, 1, source_translucent);
      }
      FillRandom(rows.dest, count, 2, false);
      const double figure = Throughput(rows, c.run);
      std::printf("%-38s %-18s %10.0f %8.2fx\n", c.routine.c_str(), c.variant.c_str(), figure,
                  figure / copy);
    }
    VirtualFree(rows.source, 0, MEM_RELEASE);
    VirtualFree(rows.dest, 0, MEM_RELEASE);
  }
  ShutdownRasterLibrary();
  return 0;
}
