// The transfer routines against references written here with plain loops: every resampler
// class drawn through TransferBitmap at the viewer's sizes and their rotations, one-pixel
// spans, clipped and partly outside destinations, every draw mode, and each variant this
// processor runs.
#include "raster/Raster.h"
#include "raster/Raster_Blend.h"
#include "raster/Raster_Resamplers.h"
#include "tests/raster/raster_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <sstream>

namespace raster {

// Cluster entries compared and printed by the expectations (found by argument lookup).
bool operator==(const TClusterEntry& a, const TClusterEntry& b) {
  return a.Pos == b.Pos && a.Weight == b.Weight;
}
void PrintTo(const TClusterEntry& e, std::ostream* out) { *out << "(" << e.Pos << ", " << e.Weight << ")"; }

namespace {

using raster_test::Channel;

// ---------------------------------------------------------------------------------------
// References. Their maps (positions, weights, blocks, clusters) are single-precision
// arithmetic like the library's, so they are made as the library makes its own: all at
// once, out of line, inside TSinglePrecision (MapAxis). Elsewhere the i686 build keeps
// extended precision between the operations and picks other columns and weights.

enum Kind { kNearest, kLinear, kDraft, kKernel };
const char* const KindNames[] = {"TNearestResampler", "TLinearResampler", "TDraftResampler",
                                 "TKernelResampler"};

// Source position of destination index i (relative to the destination span's start):
// the left edge of the destination pixel mapped in single precision.
int NearestPosition(int i, int dst, int lo, int src) {
  if (dst < 2) return (2 * lo + src - 1) / 2;
  const float scale = float(src) / float(dst);
  return int(float(i) * scale + float(lo));
}

// Bilinear position and weight (of the pixel at the position, 0..256) of index i; the
// pixel centre mapped, clamped to the span, never the last pixel as the left of a pair.
void LinearPosition(int i, int dst, int lo, int src, int& pos, int& weight) {
  const float scale = float(src) / float(dst);
  float x = scale * (float(i) + 0.5f) + (float(lo) - 0.5f);
  x = std::min(std::max(x, float(lo)), float(lo + src - 1));
  pos = int(std::floor(x));
  weight = 256 - int(std::lrint((x - std::floor(x)) * 256.0f));
  if (pos + 1 == lo + src) {
    --pos;
    weight = 0;
  }
}

using Cluster = std::vector<std::pair<int, int>>;  // position, weight

Cluster KernelCluster(int i, int dst, int lo, int src, const TCustomKernel& kernel) {
  if (src == 1) return {{lo, 256}};
  const float scale = float(dst) / float(src), step = 1.0f / scale;
  const float center = (float(lo) - 0.5f) + (float(i) + 0.5f) * step;
  const bool shrink = scale < 1.0f;
  const float width = shrink ? kernel.GetWidth() * step : kernel.GetWidth();
  Cluster cluster;
  for (int j = int(std::floor(center - width)); j <= int(std::ceil(center + width)); ++j) {
    const float d = center - float(j);
    const int w = shrink ? int(std::lrint(kernel.Filter(d * scale) * 256.0f * scale))
                         : int(std::lrint(kernel.Filter(d) * 256.0f));
    if (w != 0) cluster.push_back({std::min(std::max(j, lo), lo + src - 1), w});
  }
  if (cluster.empty()) return {{int(std::floor(center)), 256}};
  int sum = 0;
  for (auto& entry : cluster) sum += entry.second;
  cluster[(cluster.size() - 1) / 2].second -= sum - 256;
  return cluster;
}

// Block start and size of index i of the draft's block average (relative to lo).
void DraftBlock(int i, int offset, int dst, int src, int& start, int& size) {
  const float scale = float(src) / float(dst);
  const int64_t fixed_step = int64_t(scale * 65536.0f);
  auto boundary = [&](int64_t k) { return k == 0 ? 0 : k == 1 ? int64_t(int(scale)) : (k * fixed_step) >> 16; };
  start = int(float(offset) * scale) + int(boundary(i));
  size = int(boundary(i + 1) - boundary(i));
}

// Every map of one axis for the shown destination indices first..first + count - 1 of a
// destination span dst read from the source span lo..lo + src: index - first in each.
struct AxisMaps {
  std::vector<int> nearest;
  std::vector<std::pair<int, int>> linear;  // position, weight
  std::vector<std::pair<int, int>> blocks;  // start (relative to lo), size
  std::vector<Cluster> clusters;
};

// Called inside TSinglePrecision only.
__attribute__((noinline)) AxisMaps MapAxis(int first, int count, int dst, int lo, int src,
                                           const TCustomKernel& kernel) {
  AxisMaps maps;
  for (int i = first; i < first + count; ++i) {
    maps.nearest.push_back(NearestPosition(i, dst, lo, src));
    auto& [pos, weight] = maps.linear.emplace_back();
    LinearPosition(i, dst, lo, src, pos, weight);
    auto& [start, size] = maps.blocks.emplace_back();
    DraftBlock(i - first, first, dst, src, start, size);  // blocks count from the shown part
    maps.clusters.push_back(KernelCluster(i, dst, lo, src, kernel));
  }
  return maps;
}

TColor32 Average(const TBitmap32& src, int x0, int y0, int w, int h) {
  uint64_t sum[4] = {};
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x)
      for (int c = 0; c < 4; ++c) sum[c] += Channel(src.Pixel(x, y), c);
  const uint64_t n = uint64_t(w) * h;
  TColor32 result = 0;
  for (int c = 0; c < 4; ++c) result |= TColor32((sum[c] + n / 2) / n) << (8 * c);
  return result;
}

// The plain interpolation mixes with the 0..255 combine (weight 256 acting as 255), the
// MMX one with 256ths truncated.
TColor32 Interpolate(TColor32 c1, TColor32 c2, TColor32 c3, TColor32 c4, int wx, int wy, bool mmx) {
  auto mix = [&](TColor32 a, TColor32 b, int w) {
    TColor32 r = 0;
    for (int c = 0; c < 4; ++c) {
      const uint32_t x = Channel(a, c), y = Channel(b, c);
      uint32_t v;
      if (mmx) v = (x * w + y * (256 - w)) >> 8;
      else if (w >= 255) v = x;
      else if (w == 0) v = y;
      else v = ((x * w + 128) >> 8) + ((y * (255 - w) + 128) >> 8);
      r |= v << (8 * c);
    }
    return r;
  };
  return mix(mix(c1, c2, wx), mix(c3, c4, wx), wy);
}

struct Draw {
  Kind kind;
  TRect src_rect, dst_rect, clip;
  TDrawMode mode;
  bool mmx;
  std::function<TCustomKernel*()> new_kernel = nullptr;  // the kernel resampler's; Lanczos without
};

// The maps of the shown columns and rows of one draw; first_x and first_y are the shown
// part's offsets in the destination rectangle.
struct Maps {
  int first_x = 0, first_y = 0;
  AxisMaps x, y;
};

Maps MapsOf(const Draw& d, const TRect& shown, const TCustomKernel& kernel) {
  const TRect &sr = d.src_rect, &dr = d.dst_rect;
  Maps maps{shown.left - dr.left, shown.top - dr.top, {}, {}};
  TSinglePrecision single;
  maps.x = MapAxis(maps.first_x, shown.right - shown.left, dr.right - dr.left, sr.left, sr.right - sr.left, kernel);
  maps.y = MapAxis(maps.first_y, shown.bottom - shown.top, dr.bottom - dr.top, sr.top, sr.bottom - sr.top, kernel);
  return maps;
}

// The colour of destination pixel (x, y), relative to DstRect, before the draw mode.
TColor32 ReferenceColour(const Draw& d, const TBitmap32& src, const TCustomKernel& kernel, const Maps& maps,
                         int x, int y) {
  const int sw = d.src_rect.right - d.src_rect.left, sh = d.src_rect.bottom - d.src_rect.top;
  const int dw = d.dst_rect.right - d.dst_rect.left, dh = d.dst_rect.bottom - d.dst_rect.top;
  const int sl = d.src_rect.left, st = d.src_rect.top;
  if (sw == dw && sh == dh) return src.Pixel(sl + x, st + y);
  const size_t ix = size_t(x - maps.first_x), iy = size_t(y - maps.first_y);
  Kind kind = d.kind;
  if (kind == kDraft && (sw < dw || sh < dh)) kind = sw < 2 || sh < 2 ? kKernel : kLinear;
  else if (kind == kLinear && !(dw > sw && dh > sh && sw > 1 && sh > 1)) kind = kKernel;
  switch (kind) {
    case kNearest:
      return src.Pixel(maps.x.nearest[ix], maps.y.nearest[iy]);
    case kLinear: {
      const auto [px, wx] = maps.x.linear[ix];
      const auto [py, wy] = maps.y.linear[iy];
      return Interpolate(src.Pixel(px, py), src.Pixel(px + 1, py), src.Pixel(px, py + 1),
                         src.Pixel(px + 1, py + 1), wx, wy, d.mmx);
    }
    case kDraft: {
      const auto [bx, bw] = maps.x.blocks[ix];
      const auto [by, bh] = maps.y.blocks[iy];
      return Average(src, sl + bx, st + by, bw, bh);
    }
    case kKernel: {
      const Cluster& cx = maps.x.clusters[ix];
      const Cluster& cy = maps.y.clusters[iy];
      TColor32 result = 0;
      for (int c = 0; c < 4; ++c) {
        int64_t sum = 0;
        for (auto [px, wx] : cx) {
          int64_t column = 0;
          for (auto [py, wy] : cy) column += int64_t(Channel(src.Pixel(px, py), c)) * wy;
          sum += column * wx;
        }
        // The sum is a 32-bit one: it wraps before the clamp.
        const int32_t wrapped = int32_t(uint32_t(uint64_t(sum)));
        const int32_t v = kernel.RangeCheck() ? std::min(std::max(wrapped, 0), 0xFF0000) : wrapped;
        result |= TColor32((v >> 16) & 0xFF) << (8 * c);
      }
      return result;
    }
  }
  return 0;
}

// The custom callback of the tests: any mix of the three values.
void CustomMix(TColor32 F, TColor32& B, TColor32 M) { B = (F ^ (B >> 1)) + M; }

// A whole line mode (block copy, nearest) blends with the row routines, the filters pixel
// by pixel.
void ApplyMode(const Draw& d, const TBitmap32& src, TColor32 c, TColor32& dest) {
  const bool line = d.kind == kNearest || (d.src_rect.right - d.src_rect.left == d.dst_rect.right - d.dst_rect.left &&
                                          d.src_rect.bottom - d.src_rect.top == d.dst_rect.bottom - d.dst_rect.top);
  const uint32_t m = src.MasterAlpha();
  switch (d.mode) {
    case dmOpaque: dest = c; break;
    case dmTransparent: if (c != src.OuterColor()) dest = c; break;
    case dmCustom: CustomMix(c, dest, m); break;
    case dmBlend:
      if (line && m >= 255) BlendRowByMode[src.CombineMode()](&c, &dest, 1);
      else if (line) MasterBlendRowByMode[src.CombineMode()](&c, &dest, 1, m);
      else MasterBlendIntoByMode[src.CombineMode()](c, dest, m);
      LeaveMmxState();
      break;
  }
}

// Draws with the library and compares every destination pixel with the reference; the
// message names the case and the first pixel that differs.
void CheckDraw(const Draw& d, TBitmap32& src, TBitmap32& dst, const std::string& name) {
  src.SetResamplerClassName(KindNames[d.kind]);
  src.SetDrawMode(d.mode);
  src.OnPixelCombine = CustomMix;
  if (auto* k = dynamic_cast<TKernelResampler*>(src.Resampler())) {
    if (d.new_kernel) k->SetKernel(d.new_kernel());
    else k->SetKernelClassName("TLanczosKernel");
  }
  TLinearKernel linear;
  const TCustomKernel& kernel = d.kind == kKernel ? *static_cast<TKernelResampler*>(src.Resampler())->Kernel()
                                                  : static_cast<const TCustomKernel&>(linear);
  std::vector<TColor32> expected(dst.Bits(), dst.Bits() + size_t(dst.Width()) * dst.Height());
  TRect shown;
  IntersectRects(shown, d.clip, dst.BoundsRect());
  IntersectRects(shown, shown, d.dst_rect);
  const Maps maps = MapsOf(d, shown, kernel);
  for (int y = shown.top; y < shown.bottom; ++y)
    for (int x = shown.left; x < shown.right; ++x) {
      const TColor32 c = ReferenceColour(d, src, kernel, maps, x - d.dst_rect.left, y - d.dst_rect.top);
      ApplyMode(d, src, c, expected[size_t(y) * dst.Width() + x]);
    }
  TransferBitmap(&dst, d.dst_rect, d.clip, &src, d.src_rect, src.Resampler(), d.mode, src.OnPixelCombine);
  const std::string difference = raster_test::FirstDifference(dst.Bits(), expected.data(), expected.size());
  EXPECT_EQ(difference, "") << name << " " << KindNames[d.kind] << " mode " << int(d.mode);
}

void FillRandom(TBitmap32& b, std::mt19937& rng) {
  for (int i = 0; i < b.Width() * b.Height(); ++i) b.Bits()[i] = raster_test::RandomPixel(rng);
}

// ---------------------------------------------------------------------------------------
// The variants this processor runs, forced through the selection. The 3DNow! variant adds
// only the 3DNow! prefetch, which every processor with long mode (CPUID 0x80000001 EDX
// bit 29) also executes, in 32-bit code too: so the processor decides, not the build, and
// both builds list the same tests on one host.

bool RunsThreeDNowPrefetch() {
  constexpr uint32_t long_mode = 1u << 29;
  return CpuHas3DNow() || (ExtendedCpuidPresent() && (ExtendedFeatureBits() & long_mode) != 0);
}

std::vector<raster_test::Variant> Variants() {
  std::vector<raster_test::Variant> variants = raster_test::RunnableVariants();
  if (RunsThreeDNowPrefetch()) variants.push_back({"ThreeDNow", {true, false, true}});
  return variants;
}

class Transfers : public testing::TestWithParam<raster_test::Variant> {
 protected:
  void SetUp() override { raster_test::SelectAll(GetParam().features); }
  void TearDown() override { raster_test::SelectStartupRoutines(); }
  bool Mmx() const { return GetParam().features.MMX; }
};

INSTANTIATE_TEST_SUITE_P(Variants, Transfers, testing::ValuesIn(Variants()), raster_test::VariantName);

// The viewer's sizes and their rotations, whole bitmaps into whole destinations.
TEST_P(Transfers, ViewerSizesAreBitExact) {
  std::mt19937 rng(raster_test::TestSeed());
  const SIZE sources[] = {{270, 208}, {256, 192}};
  const SIZE targets[] = {{512, 384}, {742, 557}, {947, 718}, {998, 749}};
  for (bool rotated : {false, true}) {
    for (SIZE s : sources) {
      if (rotated) std::swap(s.cx, s.cy);
      TBitmap32 src;
      src.SetSize(s.cx, s.cy);
      FillRandom(src, rng);
      for (SIZE t : targets) {
        if (rotated) std::swap(t.cx, t.cy);
        TBitmap32 dst;
        dst.SetSize(t.cx, t.cy);
        for (Kind kind : {kNearest, kDraft, kKernel}) {
          Draw d{kind, src.BoundsRect(), dst.BoundsRect(), dst.BoundsRect(), dmOpaque, Mmx()};
          std::ostringstream name;
          name << s.cx << "x" << s.cy << "->" << t.cx << "x" << t.cy;
          CheckDraw(d, src, dst, name.str());
        }
      }
    }
  }
}

// Random source rectangles (also 1-pixel spans), destination rectangles partly outside the
// destination, narrowed clips, every class and every draw mode.
TEST_P(Transfers, RandomRectanglesClipsAndDrawModes) {
  std::mt19937 rng(raster_test::TestSeed() + 1);
  auto pick = [&](int lo, int hi) { return lo + int(rng() % uint32_t(hi - lo + 1)); };
  for (int round = 0; round < 160; ++round) {
    TBitmap32 src, dst;
    src.SetSize(pick(1, 40), pick(1, 40));
    dst.SetSize(pick(1, 60), pick(1, 60));
    FillRandom(src, rng);
    FillRandom(dst, rng);
    src.SetMasterAlpha(round % 3 == 0 ? 255 : rng() % 256);
    src.SetCombineMode(TCombineMode(rng() % 2));
    src.SetOuterColor(src.Bits()[0]);  // dmTransparent then skips a colour that occurs
    TRect sr;
    sr.left = pick(0, src.Width() - 1);
    sr.top = pick(0, src.Height() - 1);
    sr.right = round % 7 == 0 ? sr.left + 1 : pick(sr.left + 1, src.Width());
    sr.bottom = round % 5 == 0 ? sr.top + 1 : pick(sr.top + 1, src.Height());
    TRect dr = RectOf(pick(-20, dst.Width()), pick(-20, dst.Height()), 0, 0);
    dr.right = dr.left + (round % 11 == 0 ? 1 : pick(1, 80));
    dr.bottom = dr.top + (round % 13 == 0 ? 1 : pick(1, 80));
    const TRect clip = RectOf(pick(-5, dst.Width()), pick(-5, dst.Height()), pick(0, dst.Width() + 5),
                              pick(0, dst.Height() + 5));
    const Draw d{Kind(round % 4), sr, dr, clip, TDrawMode(round / 4 % 4), Mmx()};
    std::ostringstream name;
    name << "round " << round << " seed " << raster_test::TestSeed();
    CheckDraw(d, src, dst, name.str());
  }
}

// The kernel resampler where its passes meet an edge: clusters of one entry (a box
// enlarging by 2, a source of one column), a clip of one column, the widest kernel,
// negative weights at the edges and at the clamp (0 and 255 side by side), and sums past
// the 32-bit limit, which wrap: weights that fit in 16 bits and ones that do not,
// horizontal sums beyond 32 bits, and sums composed without a clamp.
class UnclampedCubic : public TCubicKernel {
 public:
  bool RangeCheck() const override { return false; }
};

TCustomKernel* NewLanczos(float width) {
  auto* kernel = new TLanczosKernel;
  kernel->SetWidth(width);
  return kernel;
}

template <class K>
TCustomKernel* NewCubic(float coeff) {
  auto* kernel = new K;
  kernel->SetCoeff(coeff);
  return kernel;
}

TEST_P(Transfers, KernelPassEdges) {
  enum Picture { kRandom, kStripes };
  struct Row {
    const char* name;
    std::function<TCustomKernel*()> new_kernel;
    SIZE src, dst;
    TRect clip;  // within dst; empty: all of it
    Picture picture;
  };
  const TRect all{};
  const Row rows[] = {
      {"box, clusters of 1 and 2", [] { return new TBoxKernel; }, {5, 4}, {10, 8}, all, kRandom},
      {"one source column", [] { return NewLanczos(3); }, {1, 9}, {7, 31}, all, kRandom},
      {"clip of one column", [] { return NewLanczos(3); }, {270, 208}, {947, 718}, RectOf(500, 0, 501, 718), kRandom},
      {"clip of one row", [] { return NewLanczos(3); }, {270, 208}, {947, 718}, RectOf(3, 300, 946, 301), kRandom},
      {"width 4 enlarging", [] { return NewLanczos(4); }, {23, 19}, {101, 77}, all, kRandom},
      {"width 4 shrinking", [] { return NewLanczos(4); }, {101, 77}, {23, 19}, all, kStripes},
      {"stripes enlarging", [] { return NewLanczos(3); }, {17, 13}, {61, 50}, all, kStripes},
      {"stripes shrinking", [] { return NewLanczos(3); }, {61, 50}, {29, 21}, all, kStripes},
      {"16-bit weights, wrapping sums", [] { return NewCubic<TCubicKernel>(-100); }, {13, 11}, {47, 41}, all, kRandom},
      {"wider weights", [] { return NewCubic<TCubicKernel>(-2000); }, {13, 11}, {47, 41}, all, kRandom},
      {"horizontal sums beyond 32 bits", [] { return NewCubic<TCubicKernel>(-1e6f); }, {13, 11}, {47, 41}, all, kRandom},
      {"no clamp, 16-bit weights", [] { return NewCubic<UnclampedCubic>(-100); }, {13, 11}, {47, 41}, all, kRandom},
      {"no clamp, wider weights", [] { return NewCubic<UnclampedCubic>(-2000); }, {13, 11}, {47, 41}, all, kRandom},
  };
  std::mt19937 rng(raster_test::TestSeed() + 3);
  for (const Row& row : rows) {
    TBitmap32 src, dst;
    src.SetSize(row.src.cx, row.src.cy);
    dst.SetSize(row.dst.cx, row.dst.cy);
    FillRandom(src, rng);
    if (row.picture == kStripes) {
      for (int i = 0; i < row.src.cx * row.src.cy; ++i) {
        const int x = i % row.src.cx, y = i / row.src.cx;
        src.Bits()[i] = (x / 2 + y / 3) % 2 == 0 ? 0xFF000000u | (src.Bits()[i] & 0x0000FF) : 0x00FFFF00u;
      }
    }
    const TRect clip = RectIsEmpty(row.clip) ? dst.BoundsRect() : row.clip;
    Draw d{kKernel, src.BoundsRect(), dst.BoundsRect(), clip, dmOpaque, Mmx(), row.new_kernel};
    CheckDraw(d, src, dst, row.name);
  }
}

// ---------------------------------------------------------------------------------------
// Single cases

void DrawWith(const char* resampler, TBitmap32& src, TBitmap32& dst) {
  src.SetResamplerClassName(resampler);
  src.DrawInto(&dst, dst.BoundsRect());
}

// At the viewer's sizes an extended-precision product picks the source column before.
TEST(TransferMaps, SinglePrecisionColumnsAndRows) {
  struct Row { int src, dst, index, expected; bool vertical; };
  const Row rows[] = {{256, 742, 371, 128, false}, {270, 998, 499, 135, false}, {208, 346, 173, 104, true}};
  for (const Row& row : rows) {
    TBitmap32 src, dst;
    src.SetSize(row.vertical ? 1 : row.src, row.vertical ? row.src : 1);
    for (int i = 0; i < row.src; ++i) src.Bits()[i] = TColor32(i);
    dst.SetSize(row.vertical ? 1 : row.dst, row.vertical ? row.dst : 1);
    DrawWith("TNearestResampler", src, dst);
    EXPECT_EQ(dst.Bits()[row.index], TColor32(row.expected)) << row.src << "->" << row.dst;
  }
}

TEST(TransferMaps, NearestAndLinearEdges) {
  TBitmap32 src, dst;
  src.SetSize(2, 1);
  src.Bits()[0] = 0xFF000011;
  src.Bits()[1] = 0xFF000022;
  dst.SetSize(8, 4);
  DrawWith("TNearestResampler", src, dst);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(dst.Pixel(x, y), x < 4 ? 0xFF000011u : 0xFF000022u) << x << "," << y;
  // One destination column samples the middle column of the source rectangle.
  src.SetSize(5, 1);
  for (int i = 0; i < 5; ++i) src.Bits()[i] = TColor32(i);
  dst.SetSize(1, 1);
  TransferBitmap(&dst, dst.BoundsRect(), dst.BoundsRect(), &src, RectOf(1, 0, 5, 1), src.Resampler(), dmOpaque, nullptr);
  EXPECT_EQ(dst.Bits()[0], 2u);
  // A linear stretch of a rectangle that starts right of 0 never blends a pixel left of it.
  src.SetSize(4, 2);
  for (int i = 0; i < 8; ++i) src.Bits()[i] = i % 4 == 0 ? 0xFFFFFFFF : 0xFF000000;
  dst.SetSize(12, 4);
  src.SetResamplerClassName("TLinearResampler");
  TransferBitmap(&dst, dst.BoundsRect(), dst.BoundsRect(), &src, RectOf(1, 0, 4, 2), src.Resampler(), dmOpaque, nullptr);
  for (int i = 0; i < 48; ++i) ASSERT_EQ(dst.Bits()[i], 0xFF000000u) << "pixel " << i;
}

// Uniform blocks keep their colour whatever their size (blocks of 3, 5, 6 and 9 pixels
// once lost a step), and every variant agrees with the plain one on random blocks,
// including rows longer than a 16-bit lane sum holds.
TEST(TransferMaps, BlockAverageRoundsAndVariantsAgree) {
  std::vector<TColor32> block(600 * 3, 0xFFFFFFFF);
  const std::vector<raster_test::Variant> variants = Variants();
  for (uint32_t w : {1u, 3u, 5u, 2u, 9u, 300u})
    for (uint32_t h : {1u, 2u, 3u}) {
      EXPECT_EQ(AverageBlock_Plain(w, h, block.data(), 600 * 4), 0xFFFFFFFFu) << w << "x" << h;
      EXPECT_EQ(AverageBlock_MMX(w, h, block.data(), 600 * 4), 0xFFFFFFFFu) << w << "x" << h;
    }
  // Two thirds of a step round up.
  const TColor32 thirds[3] = {0, 0x01010101, 0x01010101};
  EXPECT_EQ(AverageBlock_Plain(3, 1, thirds, 12), 0x01010101u);
  EXPECT_EQ(AverageBlock_MMX(1, 3, thirds, 4), 0x01010101u);
  std::mt19937 rng(raster_test::TestSeed() + 2);
  for (TColor32& c : block) c = rng();
  for (int round = 0; round < 200; ++round) {
    const uint32_t w = 1 + rng() % 599, h = 1 + rng() % 3;
    const TColor32 plain = AverageBlock_Plain(w, h, block.data(), 600 * 4);
    EXPECT_EQ(AverageBlock_MMX(w, h, block.data(), 600 * 4), plain) << w << "x" << h;
    if (variants.back().features.ThreeDNow) {
      EXPECT_EQ(AverageBlock_3DNow(w, h, block.data(), 600 * 4), plain) << w << "x" << h;
    }
  }
  LeaveMmxState();
}

TEST(TransferMaps, LanczosClustersWhenEnlarging) {
  TLanczosKernel lanczos;
  for (auto [src, dst] : {std::pair{270, 947}, {208, 718}, {192, 384}, {256, 998}}) {
    const TMappingTable table = BuildClusterTable(0, dst, 0, dst, 0, src, lanczos);
    ASSERT_EQ(table.size(), size_t(dst));
    for (const TCluster& cluster : table) {
      ASSERT_FALSE(cluster.empty());
      EXPECT_LE(cluster.size(), 6u);
      int sum = 0;
      for (const TClusterEntry& e : cluster) sum += e.Weight;
      EXPECT_EQ(sum, 256);
    }
  }
  // A one-pixel source span: the single entry (SrcLo, 256); a centre on a source pixel
  // (2 -> 6, destination pixel 1): one entry of 256.
  const TMappingTable single = BuildClusterTable(0, 3, 0, 3, 7, 8, lanczos);
  EXPECT_EQ(single[1], (TCluster{{7, 256}}));
  const TMappingTable on_pixel = BuildClusterTable(0, 6, 0, 6, 0, 2, lanczos);
  EXPECT_EQ(on_pixel[1], (TCluster{{0, 256}}));
  // An empty source span gives no table; the clip's part only.
  EXPECT_TRUE(BuildClusterTable(0, 6, 0, 6, 3, 3, lanczos).empty());
  EXPECT_EQ(BuildClusterTable(0, 600, 100, 110, 0, 50, lanczos).size(), 10u);
}

// What TransferBitmap reports and refuses.
TEST(TransferBitmapChecks, ReportsRefusesAndClips) {
  TBitmap32 src, dst;
  src.SetSize(4, 4);
  dst.SetSize(8, 8);
  std::vector<TRect> areas;
  dst.OnAreaChanged = [&](TObject*, const TRect& area, uint32_t) { areas.push_back(area); };
  const TRect outside = RectOf(-3, 5, 11, 20);
  TransferBitmap(&dst, outside, dst.BoundsRect(), &src, src.BoundsRect(), src.Resampler(), dmOpaque, nullptr);
  ASSERT_EQ(areas.size(), 1u);
  EXPECT_TRUE(EqualRect(&areas[0], &outside)) << "the unclipped destination rectangle";
  EXPECT_THROW(TransferBitmap(nullptr, outside, outside, &src, src.BoundsRect(), nullptr, dmOpaque, nullptr),
               EBitmapException);
  EXPECT_THROW(TransferBitmap(&dst, outside, outside, nullptr, src.BoundsRect(), nullptr, dmOpaque, nullptr),
               EBitmapException);
  EXPECT_THROW(TransferBitmap(&dst, outside, outside, &src, RectOf(1, 1, 5, 2), nullptr, dmOpaque, nullptr),
               ESrcInvalidException);
  EXPECT_THROW(ResampleNearest(dst, outside, outside, src, RectOf(-1, 0, 2, 2), dmOpaque, nullptr), Exception);
  EXPECT_THROW(ResampleKernel(dst, outside, outside, src, RectOf(0, 0, 2, 9), TBoxKernel(), dmOpaque, nullptr),
               ESrcInvalidException);
  src.SetMasterAlpha(0);
  areas.clear();
  TransferBitmap(&dst, outside, outside, &src, src.BoundsRect(), nullptr, dmBlend, nullptr);
  TransferBitmap(&dst, outside, outside, &src, RectOf(2, 2, 2, 3), nullptr, dmOpaque, nullptr);
  EXPECT_TRUE(areas.empty()) << "nothing to draw: no report";
  // Collecting areas: nothing drawn, the area still reported.
  dst.Clear(0x12345678);
  src.Clear(0xFFFFFFFF);
  areas.clear();
  dst.StartAreaCollection([&](TObject*, const TRect& area, uint32_t) { areas.push_back(area); });
  TransferBitmap(&dst, dst.BoundsRect(), dst.BoundsRect(), &src, src.BoundsRect(), nullptr, dmOpaque, nullptr);
  dst.StopAreaCollection();
  EXPECT_EQ(areas.size(), 1u);
  EXPECT_EQ(dst.Bits()[0], 0x12345678u);
  // A block copy at a source position partly outside the source copies what exists.
  dst.Clear(0);
  CopyBlockCombined(dst, RectOf(0, 0, 8, 8), src, 2, -1, dmOpaque, nullptr);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(dst.Pixel(x, y), (x < 2 && y >= 1 && y < 5) ? 0xFFFFFFFFu : 0u) << x << "," << y;
}

}  // namespace
}  // namespace raster
