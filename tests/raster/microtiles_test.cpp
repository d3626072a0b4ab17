// The micro-tile grids (marking, union, merge, copy, conversion to rectangles) against a
// reference written here with plain loops, for every variant this processor runs; then the
// optimizer: layers' old and new areas, and its adaption to repaint times on a test clock.
#include "raster/Raster_MicroTiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/raster/raster_test_support.h"
#include "tests/raster/rect_layer.h"

namespace {

using namespace raster;
using raster_test::TRectLayer;
using raster_test::Variant;

std::string Text(const TRect& r) {
  std::ostringstream out;
  out << "(" << r.left << "," << r.top << "," << r.right << "," << r.bottom << ")";
  return out.str();
}
std::string Text(const std::vector<TRect>& rects) {
  std::string text;
  for (const TRect& r : rects) text += Text(r);
  return text;
}
std::vector<TRect> Rects(const TRectList& list) {
  return std::vector<TRect>(list.List(), list.List() + list.Count());
}

// ---- the reference: a grid of (cols + 1) x (rows + 1) boxes with row stride cols ----------

struct RefGrid {
  int cols = 0, rows = 0;
  TRect extent = {};
  std::vector<uint32_t> tiles;
  TRect used = {};  // inclusive tile indices; left > right when none
};

RefGrid RefSized(const TRect& extent) {
  RefGrid g;
  g.extent = extent;
  g.cols = (extent.right - extent.left) / 32 + 1;
  g.rows = (extent.bottom - extent.top) / 32 + 1;
  g.tiles.assign(size_t(g.cols + 1) * (g.rows + 1), 0);
  g.used = {g.cols, g.rows, 0, 0};
  return g;
}

uint32_t Byte(uint32_t box, int i) { return (box >> (24 - 8 * i)) & 0xFF; }  // l, t, r, b
uint32_t Box(uint32_t l, uint32_t t, uint32_t r, uint32_t b) { return l << 24 | t << 16 | r << 8 | b; }

void RefUnion(uint32_t& d, uint32_t s) {
  if (d == 0x2020 || s == 0 || Byte(s, 0) == Byte(s, 2) || Byte(s, 1) == Byte(s, 3)) return;
  if (d == 0 || s == 0x2020) {
    d = s;
    return;
  }
  d = Box(std::min(Byte(d, 0), Byte(s, 0)), std::min(Byte(d, 1), Byte(s, 1)),
          std::max(Byte(d, 2), Byte(s, 2)), std::max(Byte(d, 3), Byte(s, 3)));
}

void RefGrowUsed(RefGrid& g, int l, int t, int r, int b) {
  g.used = {std::min<int>(g.used.left, l), std::min<int>(g.used.top, t),
            std::max<int>(g.used.right, r), std::max<int>(g.used.bottom, b)};
}

// Each touched tile takes its intersection with the rectangle (or becomes full).
void RefMark(RefGrid& g, const TRect& rect, bool whole) {
  int l = std::max<int>(std::min(rect.left, rect.right), 0);
  int t = std::max<int>(std::min(rect.top, rect.bottom), 0);
  int r = std::min<int>(std::max(rect.left, rect.right), g.cols * 32);
  int b = std::min<int>(std::max(rect.top, rect.bottom), g.rows * 32);
  if (r < l || b < t) return;
  for (int ty = t / 32; ty <= b / 32; ++ty)
    for (int tx = l / 32; tx <= r / 32; ++tx) {
      uint32_t& tile = g.tiles[size_t(ty) * g.cols + tx];
      int x0 = std::max(l, tx * 32) - tx * 32, x1 = std::min(r, tx * 32 + 32) - tx * 32;
      int y0 = std::max(t, ty * 32) - ty * 32, y1 = std::min(b, ty * 32 + 32) - ty * 32;
      if (whole)
        tile = 0x2020;
      else if (x1 > x0 && y1 > y0)
        RefUnion(tile, Box(x0, y0, x1, y1));
    }
  RefGrowUsed(g, l / 32, t / 32, r / 32, b / 32);
}

void RefMerge(RefGrid& d, const RefGrid& s, bool whole) {
  for (int y = s.used.top; y <= s.used.bottom; ++y)
    for (int x = s.used.left; x <= s.used.right; ++x) {
      uint32_t src = s.tiles[size_t(y) * s.cols + x];
      uint32_t& dst = d.tiles[size_t(y) * d.cols + x];
      if (!whole)
        RefUnion(dst, src);
      else if (src != 0 && Byte(src, 0) != Byte(src, 2) && Byte(src, 1) != Byte(src, 3))
        dst = 0x2020;
    }
  if (s.used.left <= s.used.right && s.used.top <= s.used.bottom)
    RefGrowUsed(d, s.used.left, s.used.top, s.used.right, s.used.bottom);
}

// Runs of tiles per row; a run continues the rectangle that the run above, started in the
// same column, left with the same left and right edges.
std::vector<TRect> RefRects(const RefGrid& g, const TRect& clip, bool whole) {
  std::vector<TRect> out;
  if (g.used.left > g.used.right || g.used.top > g.used.bottom) return out;
  auto cx = [&](int x) { return std::min<int>(std::max<int>(x, clip.left), clip.right); };
  auto cy = [&](int y) { return std::min<int>(std::max<int>(y, clip.top), clip.bottom); };
  std::vector<int> above(size_t(g.cols), -1), below(size_t(g.cols), -1);
  for (int y = 0; y < g.rows; ++y) {
    std::fill(below.begin(), below.end(), -1);
    for (int x = 0; x < g.cols;) {
      uint32_t first = g.tiles[size_t(y) * g.cols + x];
      if (!first) {
        ++x;
        continue;
      }
      int last = x;
      auto tile = [&](int c) { return g.tiles[size_t(y) * g.cols + c]; };
      if (whole) {
        while (last + 1 < g.cols && tile(last + 1)) ++last;
      } else if (Byte(first, 2) == 32) {
        while (last + 1 < g.cols && Byte(tile(last + 1), 1) == Byte(first, 1) &&
               Byte(tile(last + 1), 3) == Byte(first, 3) && Byte(tile(last + 1), 0) == 0)
          ++last;
      }
      TRect run = whole ? TRect{cx(x * 32), cy(y * 32), cx(last * 32 + 32), cy(y * 32 + 32)}
                        : TRect{cx(x * 32 + int(Byte(first, 0))), cy(y * 32 + int(Byte(first, 1))),
                                cx(last * 32 + int(Byte(tile(last), 2))),
                                cy(y * 32 + int(Byte(first, 3)))};
      int link = above[size_t(x)];
      if (link >= 0 && out[link].left == run.left && out[link].right == run.right &&
          out[link].bottom == run.top) {
        out[link].bottom = run.bottom;
      } else {
        link = int(out.size());
        out.push_back(run);
      }
      below[size_t(x)] = link;
      x = last + 1;
    }
    std::swap(above, below);
  }
  return out;
}

::testing::AssertionResult SameGrid(const TTileGrid& grid, const RefGrid& ref) {
  if (grid.Columns != ref.cols || grid.Rows != ref.rows || !EqualRect(&grid.UsedBounds, &ref.used))
    return ::testing::AssertionFailure() << grid.Columns << "x" << grid.Rows << " used "
                                         << Text(grid.UsedBounds) << ", expected " << Text(ref.used);
  for (size_t i = 0; i < ref.tiles.size(); ++i)
    if (grid.Tiles.size() != ref.tiles.size() || grid.Tiles[i] != ref.tiles[i])
      return ::testing::AssertionFailure() << "tile " << i << ", expected " << std::hex << ref.tiles[i];
  return ::testing::AssertionSuccess();
}

TRect RandomRect(std::mt19937& rng, int width, int height) {
  std::uniform_int_distribution<int> x(-40, width + 60), y(-40, height + 60), size(0, 90);
  TRect r{x(rng), y(rng), 0, 0};
  r.right = r.left + (rng() % 4 == 0 ? 0 : size(rng));  // some of zero width
  r.bottom = r.top + size(rng);
  if (rng() % 8 == 0) std::swap(r.left, r.right);  // some reversed
  return r;
}

class MicroTileVariants : public ::testing::TestWithParam<Variant> {
 protected:
  void SetUp() override { raster_test::SelectAll(GetParam().features); }
  void TearDown() override { raster_test::SelectStartupRoutines(); }
};

TEST_P(MicroTileVariants, UnionsAndSeededAreasMarkMergeCopyAndConvertLikeTheReference) {
  const struct { uint32_t dst, src, expected; } unions[] = {
      {TILE_FULL, Box(1, 1, 2, 2), TILE_FULL},        {Box(4, 4, 9, 9), TILE_EMPTY, Box(4, 4, 9, 9)},
      {Box(4, 4, 9, 9), Box(7, 0, 7, 30), Box(4, 4, 9, 9)},  // zero width
      {TILE_EMPTY, Box(3, 5, 7, 6), Box(3, 5, 7, 6)}, {Box(4, 4, 9, 9), TILE_FULL, TILE_FULL},
      {Box(2, 3, 10, 12), Box(5, 1, 20, 8), Box(2, 1, 20, 12)}};
  for (const auto& row : unions) {
    TTileBox box = row.dst, block = row.dst;
    TileBoxUnion(box, row.src);
    TileBlockUnion(&block, 1, &row.src, 1, 1, 1);
    EXPECT_EQ(box, row.expected) << std::hex << row.dst << " + " << row.src;
    EXPECT_EQ(block, row.expected) << std::hex << row.dst << " + " << row.src;
  }
  std::mt19937 rng(raster_test::TestSeed());
  for (int trial = 0; trial < 300; ++trial) {
    const int width = 1 + int(rng() % 400), height = 1 + int(rng() % 300);
    const TRect extent = RectOf(0, 0, width, height);
    TTileGrid grids[2];
    RefGrid refs[2] = {RefSized(extent), RefSized(extent)};
    for (int g = 0; g < 2; ++g) {
      TileGridSetSize(grids[g], extent);
      const int marks = int(rng() % 14);
      for (int i = 0; i < marks; ++i) {
        const TRect rect = RandomRect(rng, width, height);
        const bool whole = rng() % 6 == 0;
        TileGridAddRect(grids[g], rect, whole);
        RefMark(refs[g], rect, whole);
      }
      ASSERT_TRUE(SameGrid(grids[g], refs[g])) << "seed " << raster_test::TestSeed() << " trial "
                                               << trial << " grid " << g;
    }
    const bool whole = rng() % 2 == 0;
    TRect clip = RectOf(int(rng() % 40) - 20, int(rng() % 40) - 20, width - int(rng() % 40),
                        height + int(rng() % 40));
    TRectList list;
    EXPECT_EQ(TileGridToRects(grids[0], list, clip, true, whole), int32_t(RefRects(refs[0], clip, whole).size()));
    EXPECT_EQ(list.Count(), 0) << "count only";
    TileGridToRects(grids[0], list, clip, false, whole);
    ASSERT_EQ(Text(Rects(list)), Text(RefRects(refs[0], clip, whole))) << "trial " << trial;
    list.Clear();
    TileGridToRects(grids[0], list);
    const std::vector<TRect> rects = Rects(list);
    ASSERT_EQ(Text(rects), Text(RefRects(refs[0], extent, false))) << "trial " << trial;
    // No marked pixel of the extent is left out.
    for (int y = 0; trial % 5 == 0 && y < refs[0].rows * 32 && y < height; ++y)
      for (int x = 0; x < refs[0].cols * 32 && x < width; ++x) {
        uint32_t box = refs[0].tiles[size_t(y / 32) * refs[0].cols + x / 32];
        if (!box || int(Byte(box, 0)) > x % 32 || x % 32 >= int(Byte(box, 2)) ||
            int(Byte(box, 1)) > y % 32 || y % 32 >= int(Byte(box, 3)))
          continue;
        POINT p{x, y};
        ASSERT_TRUE(std::any_of(rects.begin(), rects.end(), [&](const TRect& r) { return PtInRect(&r, p); }))
            << "pixel " << x << "," << y << " trial " << trial;
      }

    TileGridMerge(grids[0], grids[1], whole);
    RefMerge(refs[0], refs[1], whole);
    ASSERT_TRUE(SameGrid(grids[0], refs[0])) << "merge, trial " << trial;
    TTileGrid copy;
    TileGridSetSize(copy, RectOf(0, 0, 500, 40));
    TileGridAddRect(copy, RectOf(0, 0, 500, 40), true);
    TileGridCopy(copy, grids[0]);
    ASSERT_TRUE(SameGrid(copy, refs[0])) << "copy, trial " << trial;
    TileGridClearUsed(copy);
    ASSERT_TRUE(std::all_of(copy.Tiles.begin(), copy.Tiles.end(), [](TTileBox b) { return b == 0; }));
  }
  EXPECT_DOUBLE_EQ(raster_test::FloatingPointProbe(), 5.0) << "the MMX state was cleared";
}

INSTANTIATE_TEST_SUITE_P(Variants, MicroTileVariants,
                         ::testing::ValuesIn(raster_test::RunnableVariants()),
                         raster_test::VariantName);

TEST(MicroTiles, SizesAndTheCasesOfMarkingAtTheEdges) {
  TTileGrid grid;
  TileGridSetSize(grid, RectOf(0, 0, 256, 192));
  EXPECT_EQ(grid.Columns, 9);
  EXPECT_EQ(grid.Rows, 7);
  EXPECT_EQ(grid.Count, 80);
  struct Case {
    std::vector<TRect> marks;
    bool whole;
    std::vector<std::pair<int, TTileBox>> tiles;  // every non-empty tile (array index, box)
    TRect used;
    std::string rects;
  };
  const Case cases[] = {
      {{{10, 10, 20, 20}}, false, {{0, Box(10, 10, 20, 20)}}, {0, 0, 0, 0}, "(10,10,20,20)"},
      {{{0, 0, 64, 32}}, false, {{0, TILE_FULL}, {1, TILE_FULL}}, {0, 0, 2, 1}, "(0,0,64,32)"},
      {{{40, 0, 40, 10}}, false, {}, {1, 0, 1, 0}, ""},
      {{{40, 0, 40, 10}}, true, {{1, TILE_FULL}}, {1, 0, 1, 0}, "(32,0,64,32)"},
      {{{-30, 0, -1, 9}, {0, -9, 9, -1}, {300, 0, 310, 9}, {0, 230, 9, 240}}, false, {}, {9, 7, 0, 0}, ""},
      // A run ignores the right edges of the boxes inside it.
      {{{0, 0, 32, 32}, {32, 0, 42, 32}, {64, 0, 96, 32}}, false,
       {{0, TILE_FULL}, {1, Box(0, 0, 10, 32)}, {2, TILE_FULL}}, {0, 0, 3, 1}, "(0,0,96,32)"},
      // Whole tiles up to the grid's right edge also fill column 0 of the next row.
      {{{250, 40, 300, 50}}, true, {{16, TILE_FULL}, {17, TILE_FULL}, {18, TILE_FULL}}, {7, 1, 9, 1},
       "(224,32,256,64)(0,64,32,96)"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    TileGridClear(grid);
    for (const TRect& mark : c.marks) TileGridAddRect(grid, mark, c.whole);
    std::vector<std::pair<int, TTileBox>> tiles;
    for (int t = 0; t < grid.Count; ++t)
      if (grid.Tiles[size_t(t)]) tiles.emplace_back(t, grid.Tiles[size_t(t)]);
    EXPECT_EQ(tiles, c.tiles) << "case " << i;
    EXPECT_EQ(Text(grid.UsedBounds), Text(c.used)) << "case " << i;
    TRectList list;
    TileGridToRects(grid, list);
    EXPECT_EQ(Text(Rects(list)), c.rects) << "case " << i;
  }
  // A full grid is one rectangle: the extent.
  TileGridClear(grid, TILE_FULL);
  grid.UsedBounds = RectOf(0, 0, grid.Columns, grid.Rows);
  TRectList list;
  TileGridToRects(grid, list);
  EXPECT_EQ(Text(Rects(list)), "(0,0,256,192)");
}

TEST(MicroTiles, ALineIsMarkedInGrownStepsAlongItsLongerAxisAndGridsWithoutStorageTakeNothing) {
  TTileGrid grid;
  TileGridSetSize(grid, RectOf(0, 0, 256, 192));
  RefGrid ref = RefSized(RectOf(0, 0, 256, 192));
  // The area (0, 0, 100, 50) of a line 3 wide, as the optimizer gets it: grown by 3, then
  // four 32-pixel steps along x (y advances 56 / 3.3125 each), each grown by 6.
  TRect area = RectOf(0, 0, 100, 50);
  GrowArea(area, 3, 3);
  TileGridAddLine(grid, area.left, area.top, area.right, area.bottom, 3);
  for (TRect step : {TRect{-3, -3, 29, 14}, TRect{29, 14, 61, 31}, TRect{61, 31, 93, 48}, TRect{93, 48, 125, 65}}) {
    GrowArea(step, 6, 6);
    RefMark(ref, step, false);
  }
  EXPECT_TRUE(SameGrid(grid, ref));
  // Straight lines are one grown rectangle, reversed ones growing their own way.
  TileGridClear(grid);
  ref = RefSized(RectOf(0, 0, 256, 192));
  TileGridAddLine(grid, 100, 40, 60, 40, 2);
  RefMark(ref, RectOf(104, 36, 56, 44), false);
  EXPECT_TRUE(SameGrid(grid, ref));
  TRect reversed = RectOf(20, 20, 10, 10);
  GrowArea(reversed, 2, 2);
  EXPECT_EQ(Text(reversed), "(22,22,8,8)");

  // A released grid, or a smaller one, takes from a merge only what it holds.
  TTileGrid small, released;
  TileGridSetSize(small, RectOf(0, 0, 40, 40));
  TileGridAddRect(grid, RectOf(0, 0, 256, 192));
  TileGridMerge(released, grid);
  TileGridMerge(small, grid);
  EXPECT_EQ(released.Count, 0);
  EXPECT_EQ(Text(small.UsedBounds), "(0,0,2,2)");
  // Columns 0..2 of rows 0..2 with the row stride 2: the first seven of the nine tiles.
  EXPECT_EQ(small.Tiles, std::vector<TTileBox>({TILE_FULL, TILE_FULL, TILE_FULL, TILE_FULL, TILE_FULL,
                                                TILE_FULL, TILE_FULL, TILE_EMPTY, TILE_EMPTY}));
}

// ---- the optimizer ---------------------------------------------------------------------

// An optimizer on a test clock: the tick count and the repaint duration are set by the test.
class TTestOptimizer : public TMicroTilesRepaintOptimizer {
 public:
  using TMicroTilesRepaintOptimizer::TMicroTilesRepaintOptimizer;
  uint32_t tick = 0;
  int64_t duration = 0;

 protected:
  uint32_t TickCount() const override { return tick; }
  int64_t RepaintDuration() override { return duration; }
};

struct OptimizerFixture {
  TBitmap32 buffer;
  TRectList rects;
  TLayerCollection layers{nullptr};
  TTestOptimizer optimizer{buffer, rects};  // goes first, detaching from the layers

  OptimizerFixture() { buffer.SetSize(256, 192); }
  // What the next paint repaints, as the paint box asks for it.
  std::string Build() {
    rects.Clear();
    if (optimizer.HasPendingUpdates()) optimizer.BuildInvalidRects();
    return Text(Rects(rects));
  }
  // One buffer repaint at the given time that took the given duration; a full one when
  // `full`, else of the rectangles built for `marks`. Returns the number of rectangles.
  int Cycle(uint32_t tick, int64_t duration, const std::vector<TRect>& marks, bool full = false) {
    optimizer.tick = tick;
    optimizer.duration = duration;
    rects.Clear();
    if (!full) {
      for (const TRect& mark : marks) optimizer.NoteAreaChange(nullptr, mark, AreaInfoRect);
      optimizer.BuildInvalidRects();
    }
    optimizer.BeforeBufferPaint();
    optimizer.AfterBufferPaint();
    return rects.Count();
  }
};

TEST(MicroTilesOptimizer, LayersRepaintTheirOldAndNewAreasAndListChangesTheirLastArea) {
  OptimizerFixture f;
  f.optimizer.AttachLayerCollection(f.layers);
  f.optimizer.AttachLayerCollection(f.layers);
  EXPECT_EQ(f.optimizer.LayerCollections().size(), 1u) << "attached once";
  // Added and removed while inactive: nothing to track, nothing to break.
  f.layers.Add<TRectLayer>()->Free();
  f.optimizer.SetEnabled(true);
  EXPECT_EQ(f.Build(), "(0,0,256,192)") << "activation repaints the whole buffer";
  EXPECT_EQ(f.Build(), "");

  auto* layer = f.layers.Add<TRectLayer>();
  layer->SetArea(RectOf(10, 10, 50, 40));
  EXPECT_EQ(f.Build(), "(10,10,50,40)");
  layer->SetArea(RectOf(100, 100, 140, 130));
  layer->SetArea(RectOf(110, 100, 140, 130));  // listed once until processed
  EXPECT_EQ(f.optimizer.DirtyLayerCount(), 1);
  EXPECT_EQ(f.Build(), "(10,10,50,40)(110,100,140,130)");
  EXPECT_FALSE(layer->PendingUpdate());
  layer->Free();
  EXPECT_EQ(f.Build(), "(110,100,140,130)") << "a removed layer repaints its last area";
  f.layers.Add<TRectLayer>()->SetArea(RectOf(0, 0, 20, 20));
  f.layers.Add<TRectLayer>()->SetArea(RectOf(200, 150, 220, 170));
  f.Build();
  f.layers.ClearLayers();
  EXPECT_EQ(f.Build(), "(0,0,20,20)(200,150,220,170)");

  // A collection attached while active brings layers with no measured area yet.
  TLayerCollection late(nullptr);
  auto* late_layer = late.Add<TRectLayer>();
  late_layer->SetArea(RectOf(5, 5, 9, 9));
  f.optimizer.AttachLayerCollection(late);
  EXPECT_EQ(f.Build(), "(0,0,256,192)");
  late_layer->SetArea(RectOf(60, 5, 70, 9));
  EXPECT_EQ(f.Build(), "(5,5,9,9)(60,5,70,9)");
  f.optimizer.DetachLayerCollection(late);

  // The buffer's size sets the grids; inactive, the grids are released.
  f.optimizer.NoteBufferResize(64, 32);
  EXPECT_EQ(f.Build(), "(0,0,64,32)");
  f.optimizer.SetEnabled(false);
  EXPECT_EQ(f.optimizer.ForcedGrid().Count, 0);
  EXPECT_FALSE(f.layers.OnLayerChange);
}

TEST(MicroTilesOptimizer, CoarsensWhenPartialRepaintsAreSlowerAndChecksBackPeriodically) {
  OptimizerFixture f;
  f.optimizer.SetEnabled(true);
  f.Build();
  const std::vector<TRect> one = {RectOf(3, 3, 9, 9)};
  std::vector<TRect> many;  // 12 rectangles in tiles of their own, even at whole tiles
  for (int i = 0; i < 12; ++i) many.push_back(RectOf(i % 4 * 64 + 1, i / 4 * 64 + 1, i % 4 * 64 + 3, i / 4 * 64 + 3));
  struct Step {
    uint32_t tick;
    int64_t duration;
    const std::vector<TRect>* marks;  // nullptr: a full repaint
    int coarseness, interval, rects;
    bool failed;
  };
  const Step steps[] = {
      {0, 1000, nullptr, 0, 0, 0, false},   // full repaints take 1000
      {10, 2000, &one, 1, 0, 1, true},      // slower partial: whole tiles
      {20, 500, &one, 0, 1000, 1, false},   // the due check lowers; faster: check every 1000
      {30, 3000, &one, 1, 1000, 1, true},
      {500, 3000, &one, 2, 1000, 1, true},  // whole buffer
      {600, 3000, &one, 2, 1000, 0, true},  // the list is emptied: a full repaint (3000)
      {1100, 3500, &one, 2, 1250, 1, true},  // checked back, slower again: penalty
      {2350, 2800, &one, 2, 1250, 0, true},  // not due yet (1250 after 1100): full
      {2351, 2800, &one, 1, 1000, 1, true},  // due; as fast as full, faster than the penalty
      {2400, 100, &one, 1, 1000, 1, false},
      {2500, 5000, &many, 2, 1000, 12, true},  // coarser from 12 rectangles on
      {2600, 1000, &one, 2, 1000, 0, true},
      {3400, 500, &one, 1, 1000, 1, false},   // checked back (2351 + 1000), faster
      {3500, 500, &one, 0, 1000, 1, false},   // far fewer rectangles than at the step: finer
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    const Step& s = steps[i];
    const int rects = f.Cycle(s.tick, s.duration, s.marks ? *s.marks : one, !s.marks);
    EXPECT_EQ(rects, s.rects) << "step " << i;
    EXPECT_EQ(f.optimizer.Coarseness(), s.coarseness) << "step " << i;
    EXPECT_EQ(f.optimizer.CheckInterval(), s.interval) << "step " << i;
    EXPECT_EQ(f.optimizer.AdaptionFailed(), s.failed) << "step " << i;
  }
  EXPECT_EQ(f.optimizer.FullRepaintTime(), 1000);
  EXPECT_EQ(f.optimizer.RectCountAtStep(), 12);
  // A cleared layer list starts the adaption over.
  f.Cycle(3600, 9000, one);
  ASSERT_EQ(f.optimizer.Coarseness(), 1);
  f.optimizer.AttachLayerCollection(f.layers);
  f.layers.ClearLayers();
  EXPECT_EQ(f.optimizer.Coarseness(), 0);
  EXPECT_EQ(f.optimizer.CheckInterval(), 1000);
}

TEST(MicroTilesOptimizer, PeriodicCheckIsDueAfterItsIntervalAcrossTheTickCountersWrapPoints) {
  // Scheduled at `at` with the interval 1000; due strictly after it.
  const struct { uint32_t at, not_yet, due; } rows[] = {
      {1000, 2000, 2001},
      {0x7FFFFA00u, 0x7FFFFD00u, 0x80000100u},  // across the sign change of the count
      {0x7FFFFF00u, 0x7FFFFF10u, 0x80000300u},  // the due tick is negative, the start not
      {0xFFFFFF00u, 0x00000100u, 0x00000300u},  // across the wrap to 0
  };
  for (const auto& row : rows) {
    OptimizerFixture f;
    f.optimizer.SetEnabled(true);
    f.Cycle(row.at - 20, 1000, {}, true);
    f.Cycle(row.at - 10, 2000, {RectOf(1, 1, 2, 2)});            // level 1, nothing scheduled
    f.Cycle(row.at, 3000, {RectOf(1, 1, 2, 2)});                 // checked, slower: scheduled
    ASSERT_EQ(f.optimizer.CheckInterval(), 1000) << std::hex << row.at;
    ASSERT_EQ(f.optimizer.NextCheckTick(), int32_t(row.at + 1000));
    // Not due: level 1 stays and the slower repaint raises it to 2.
    f.Cycle(row.not_yet, 2000, {RectOf(1, 1, 2, 2)});
    EXPECT_EQ(f.optimizer.Coarseness(), 2) << "not yet, " << std::hex << row.not_yet;
    // Due: the check lowers the level, and the slower repaint penalises the interval.
    f.Cycle(row.due, 2000, {RectOf(1, 1, 2, 2)});
    EXPECT_EQ(f.optimizer.CheckInterval(), 1250) << "due at " << std::hex << row.due;
  }
}

}  // namespace
