// Repaint costs of a 947 x 718 paint box on a desktop: a full repaint, and repaints in
// rmOptimizer after changes of 1 %, 10 % and 50 % of the area in scattered rectangles
// (marking the changes, building the rectangles, rendering and copying them); the cost of
// marking alone per small rectangle for each union variant; and the walk of an empty layer
// collection that every paint and mouse move makes; and the image control's assignment of
// a stretched frame in rmDirect. Figures are medians over repetitions.
//   raster_paint_bench [repetitions, default 30]
#include "raster/Raster_Image.h"
#include "raster/Raster_Layers.h"
#include "raster/Raster_MicroTiles.h"
#include "raster/Raster_Startup.h"
#include "raster/Raster_System.h"
#include "classlib/forms.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

using namespace raster;

namespace {

constexpr int kWidth = 947, kHeight = 718;

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  return double(count.QuadPart) * 1e6 / double(frequency.QuadPart);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

// A paint box that fills its buffer as the image control does in the viewer: a 256 x 192
// picture stretched over the control (nearest pixel), only inside the dirty rectangles
// when there are any, with the buffer repaint bracketed for the optimizer. It keeps the
// time spent building the rectangles and rendering.
class TBenchBox : public TCustomPaintBox32 {
 public:
  explicit TBenchBox(classlib::TControl* parent) : TCustomPaintBox32(parent) {
    picture_.resize(256 * 192);
    for (int i = 0; i < 256 * 192; ++i) picture_[size_t(i)] = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
  }
  double build_us = 0, render_us = 0, direct_us = 0, in_paint_us = 0;
  int painted_rects = 0;

 protected:
  void Paint() override {
    const double start = Now();
    const bool in_paint = InCustomPaint();
    TCustomPaintBox32::Paint();
    (in_paint ? in_paint_us : direct_us) += Now() - start;
  }
  bool HasInvalidRects() override {
    const double start = Now();
    PrepareInvalidRects();
    build_us += Now() - start;
    return DirtyRects().Count() > 0;
  }
  void PaintBuffer() override {
    const double start = Now();
    if (OptimizerEnabled()) Optimizer()->BeforeBufferPaint();
    Buffer().BeginUpdate();
    painted_rects = DirtyRects().Count();
    if (DirtyRects().Count() == 0) Render(GetPaintArea());
    for (int32_t i = 0; i < DirtyRects().Count(); ++i) Render(DirtyRects().List()[i]);
    Buffer().EndUpdate();
    if (OptimizerEnabled()) Optimizer()->AfterBufferPaint();
    SetBufferCurrent(true);
    render_us += Now() - start;
  }

 private:
  void Render(const TRect& area) {
    const TRect paint_area = GetPaintArea();
    TRect r;
    if (!IntersectRect(&r, &area, &paint_area)) return;
    for (int y = r.top; y < r.bottom; ++y) {
      const TColor32* source = &picture_[size_t(y * 192 / kHeight) * 256];
      TColor32* row = Buffer().Bits() + size_t(y) * Buffer().Width();
      for (int x = r.left; x < r.right; ++x) row[x] = source[x * 256 / kWidth];
    }
  }
  std::vector<TColor32> picture_;
};

// Rectangles of 6 to 40 pixels a side at random places until their areas add up to the
// share of the control.
std::vector<TRect> Scattered(std::mt19937& rng, double share) {
  std::vector<TRect> rects;
  double area = 0;
  while (area < share * kWidth * kHeight) {
    const int w = 6 + int(rng() % 35), h = 6 + int(rng() % 35);
    const int x = int(rng() % (kWidth - w)), y = int(rng() % (kHeight - h));
    rects.push_back(RectOf(x, y, x + w, y + h));
    area += double(w) * h;
  }
  return rects;
}

struct Row {
  const char* name;
  size_t marked = 0;
  int painted = 0;
  int level = 0;
  double marking = 0, build = 0, paint = 0, total = 0;
};

struct Sample {
  double marking, build, paint, total;
};

// One repaint: the changes are reported to the buffer (none: the whole control is to be
// repainted), the control is invalidated and its messages are handled. `paint` is the
// control's own work: building the rectangles, rendering and copying them.
Sample Repaint(TBenchBox& box, const std::vector<TRect>& changes, bool whole) {
  box.build_us = box.render_us = box.direct_us = box.in_paint_us = 0;
  const double start = Now();
  for (const TRect& rect : changes) box.Buffer().AreaChanged(rect, AreaInfoRect);
  const double marked = Now();
  if (whole)
    box.InvalidateAll();
  else
    box.Invalidate();
  Pump();
  return {marked - start, box.build_us, box.build_us + box.direct_us + box.in_paint_us,
          Now() - start};
}

// A full repaint when share is 0, else changes of that share of the area. Repaints for
// 1.5 s first, so that the optimizer settles its level (it checks back once a second at
// the most), then takes the medians.
Row Measure(TBenchBox& box, const char* name, double share, int repetitions, std::mt19937& rng) {
  const double warm_until = Now() + 1.5e6;
  while (Now() < warm_until) Repaint(box, Scattered(rng, share), share == 0);
  std::vector<double> marking, build, paint, total;
  Row row{name};
  for (int i = 0; i < repetitions; ++i) {
    const std::vector<TRect> changes = Scattered(rng, share);
    const Sample sample = Repaint(box, changes, share == 0);
    marking.push_back(sample.marking);
    build.push_back(sample.build);
    paint.push_back(sample.paint);
    total.push_back(sample.total);
    row.marked = changes.size();
    row.painted = box.painted_rects;
  }
  row.marking = Median(marking);
  row.build = Median(build);
  row.paint = Median(paint);
  row.total = Median(total);
  row.level = static_cast<TMicroTilesRepaintOptimizer*>(box.Optimizer())->Coarseness();
  return row;
}

// A posted message and its handling: what every repaint here pays for its WM_PAINT.
double MessageRoundTrip(HWND window, int repetitions) {
  std::vector<double> times;
  for (int i = 0; i < repetitions; ++i) {
    const double start = Now();
    PostMessageW(window, WM_NULL, 0, 0);
    Pump();
    times.push_back(Now() - start);
  }
  return Median(times);
}

// Nanoseconds per marked rectangle of 4 to 19 pixels a side in a grid of the control's
// size, with the tile routines of these features.
double MarkingCost(const TRoutineFeatures& features) {
  SelectRoutines(features);
  std::mt19937 rng(7);
  std::vector<TRect> rects(1 << 16);
  for (TRect& r : rects) {
    const int x = int(rng() % kWidth), y = int(rng() % kHeight);
    r = RectOf(x, y, x + 4 + int(rng() % 16), y + 4 + int(rng() % 16));
  }
  TTileGrid grid;
  TileGridSetSize(grid, RectOf(0, 0, kWidth, kHeight));
  const int rounds = 16;
  const double start = Now();
  for (int round = 0; round < rounds; ++round) {
    for (const TRect& r : rects) TileGridAddRect(grid, r);
    TileGridClearUsed(grid);
  }
  return (Now() - start) * 1000.0 / (double(rounds) * rects.size());
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(3, std::atoi(argv[1])) : 30;
  StartupRasterLibrary();
  classlib::TForm form(L"TPaintBenchForm", 0, 0, kWidth, kHeight);
  form.SetBorderStyle(classlib::TFormBorderStyle::bsNone);
  TBenchBox box(&form);
  box.SetBounds(0, 0, kWidth, kHeight);
  form.Show();
  SetForegroundWindow(form.Handle());
  Pump();

  std::vector<Row> rows;
  box.SetRepaintMode(rmOptimizer);
  Pump();
  std::mt19937 rng(11);
  rows.push_back(Measure(box, "full repaint", 0, repetitions, rng));
  rows.push_back(Measure(box, "1 % changed", 0.01, repetitions, rng));
  rows.push_back(Measure(box, "10 % changed", 0.10, repetitions, rng));
  rows.push_back(Measure(box, "50 % changed", 0.50, repetitions, rng));

  std::printf("Repaint of a %dx%d paint box in rmOptimizer, medians of %d, microseconds\n",
              kWidth, kHeight, repetitions);
  std::printf("| case | rects marked | rects painted | level | marking | build | paint | "
              "with WM_PAINT | paint of full | with WM_PAINT of full |\n");
  std::printf("|---|---|---|---|---|---|---|---|---|---|\n");
  for (const Row& row : rows)
    std::printf("| %s | %zu | %d | %d | %.1f | %.1f | %.0f | %.0f | %.0f %% | %.0f %% |\n", row.name,
                row.marked, row.painted, row.level, row.marking, row.build, row.paint, row.total,
                100.0 * row.paint / rows[0].paint, 100.0 * row.total / rows[0].total);
  std::printf("A posted message and its handling alone: %.0f microseconds\n",
              MessageRoundTrip(form.Handle(), repetitions));

  std::printf("\nMarking alone, nanoseconds per rectangle of 4 to 19 pixels a side\n");
  std::printf("| union | ns per rectangle |\n|---|---|\n");
  std::printf("| plain | %.1f |\n", MarkingCost(TRoutineFeatures{}));
  if (CpuHasExtendedMMX())
    std::printf("| extended MMX | %.1f |\n", MarkingCost(TRoutineFeatures{false, true, false}));
  SelectRoutines(StartupRoutineFeatures());

  // The walk of an empty layer collection, as on every paint and mouse move.
  TLayerCollection layers(&box);
  const int calls = 1 << 20;
  double start = Now();
  for (int i = 0; i < calls; ++i) layers.RouteMouseMove(0, i & 511, 100);
  const double route = (Now() - start) * 1000.0 / calls;
  start = Now();
  int found = 0;
  for (int i = 0; i < calls; ++i) found += layers.LayerAt(i & 511, 100, LAYER_MOUSE_EVENTS) != nullptr;
  const double hit = (Now() - start) * 1000.0 / calls;
  std::printf("\nEmpty layer collection, nanoseconds per call\n| call | ns |\n|---|---|\n");
  std::printf("| RouteMouseMove | %.1f |\n| LayerAt | %.1f |\n", route, hit);
  if (found) std::printf("(a layer was found in an empty collection)\n");

  // The image control as the viewer's main window uses it: each new frame assigned in
  // rmDirect, stretched (nearest pixel) and on screen when SetBitmap returns.
  box.Hide();
  TImage32 image(&form);
  image.SetBounds(0, 0, kWidth, kHeight);
  image.SetScaleMode(raster::smStretch);
  image.SetRepaintMode(rmDirect);
  TBitmap32 frame;
  frame.SetSize(256, 192);
  std::vector<double> assign;
  for (int i = 0; i < repetitions + 5; ++i) {
    frame.Clear(0xFF000000u | uint32_t(i * 0x10203));
    start = Now();
    image.SetBitmap(&frame);
    if (i >= 5) assign.push_back(Now() - start);
  }
  std::printf("\nImage control, rmDirect, SetBitmap of 256x192 stretched to %dx%d: %.0f "
              "microseconds (median of %d)\n", kWidth, kHeight, Median(assign), repetitions);
  ShutdownRasterLibrary();
  return 0;
}
