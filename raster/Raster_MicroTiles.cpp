#include "raster/Raster_MicroTiles.h"

#include <algorithm>
#include <limits>

namespace raster {

// ---- the union routines -------------------------------------------------------------

namespace {

TTileBox MinMaxBytes_Plain(TTileBox Dst, TTileBox Src) {
  return TileBoxOf(std::min(TileLeft(Dst), TileLeft(Src)), std::min(TileTop(Dst), TileTop(Src)),
                   std::max(TileRight(Dst), TileRight(Src)),
                   std::max(TileBottom(Dst), TileBottom(Src)));
}

void TileBoxUnion_Plain(TTileBox& Dst, TTileBox Src) {
  if (UnionKeepsDestination(Dst, Src)) return;
  Dst = UnionTakesSource(Dst, Src) ? Src : MinMaxBytes_Plain(Dst, Src);
}

void TileBlockUnion_Plain(TTileBox* Dst, int32_t DstStride, const TTileBox* Src,
                          int32_t SrcStride, int32_t Columns, int32_t Rows) {
  for (int32_t row = 0; row < Rows; ++row, Dst += DstStride, Src += SrcStride)
    for (int32_t column = 0; column < Columns; ++column) TileBoxUnion_Plain(Dst[column], Src[column]);
}

}  // namespace

const TTileRoutineSet PlainTileRoutines = {TileBoxUnion_Plain, TileBlockUnion_Plain};

TTileBoxUnionProc TileBoxUnion = TileBoxUnion_Plain;
TTileBlockUnionProc TileBlockUnion = TileBlockUnion_Plain;

// ---- grids --------------------------------------------------------------------------

namespace {

TRect NoTileUsed(const TTileGrid& Grid) { return RectOf(Grid.Columns, Grid.Rows, 0, 0); }

void GrowUsedBounds(TTileGrid& Grid, int32_t Left, int32_t Top, int32_t Right, int32_t Bottom) {
  TRect& used = Grid.UsedBounds;
  used.left = std::min<int32_t>(used.left, Left);
  used.top = std::min<int32_t>(used.top, Top);
  used.right = std::max<int32_t>(used.right, Right);
  used.bottom = std::max<int32_t>(used.bottom, Bottom);
}

// Raised to Min, then lowered to Max (so Max when Min > Max).
int32_t ClampTo(int32_t Value, int32_t Min, int32_t Max) {
  return std::min(std::max(Value, Min), Max);
}

int32_t Saturated(int64_t Value) {
  return int32_t(std::clamp<int64_t>(Value, std::numeric_limits<int32_t>::min(),
                                     std::numeric_limits<int32_t>::max()));
}

// A 16.16 value to the nearest pixel, halves upwards.
int32_t RoundFixed(int64_t Value) { return Saturated((Value + 0x7FFF) >> 16); }

// Tile (Column, Row) of the array: the row stride is Columns.
TTileBox& TileAt(TTileGrid& Grid, int32_t Column, int32_t Row) {
  return Grid.Tiles[size_t(Row) * size_t(Grid.Columns) + size_t(Column)];
}
TTileBox TileAt(const TTileGrid& Grid, int32_t Column, int32_t Row) {
  return Grid.Tiles[size_t(Row) * size_t(Grid.Columns) + size_t(Column)];
}

}  // namespace

void TileGridSetSize(TTileGrid& Grid, const TRect& R) {
  Grid.Extent = R;
  // A reversed extent covers nothing (rather than a huge unsigned width).
  const uint32_t width = uint32_t(std::max<int64_t>(int64_t(R.right) - R.left, 0));
  const uint32_t height = uint32_t(std::max<int64_t>(int64_t(R.bottom) - R.top, 0));
  Grid.Columns = int32_t(width >> TILE_SHIFT) + 1;
  Grid.Rows = int32_t(height >> TILE_SHIFT) + 1;
  Grid.Count = (Grid.Columns + 1) * (Grid.Rows + 1);
  Grid.Tiles.resize(size_t(Grid.Count));
  TileGridClear(Grid, TILE_EMPTY);
}

void TileGridRelease(TTileGrid& Grid) {
  std::vector<TTileBox>().swap(Grid.Tiles);
  Grid.Count = 0;
}

void TileGridClear(TTileGrid& Grid, TTileBox Value) {
  Grid.UsedBounds = NoTileUsed(Grid);
  std::fill(Grid.Tiles.begin(), Grid.Tiles.begin() + Grid.Count, Value);
}

void TileGridClearUsed(TTileGrid& Grid, TTileBox Value) {
  const TRect used = Grid.UsedBounds;
  Grid.UsedBounds = NoTileUsed(Grid);
  if (Grid.Count == 0) return;
  for (int32_t row = used.top; row <= used.bottom; ++row)
    for (int32_t column = used.left; column <= used.right; ++column)
      TileAt(Grid, column, row) = Value;
}

void TileGridCopy(TTileGrid& Dst, const TTileGrid& Src) {
  if (Dst.Count > 0) TileGridClearUsed(Dst, TILE_EMPTY);
  Dst.Extent = Src.Extent;
  Dst.Columns = Src.Columns;
  Dst.Rows = Src.Rows;
  Dst.UsedBounds = Src.UsedBounds;
  Dst.Tiles.resize(size_t(Src.Count), TILE_EMPTY);  // a new tail starts empty
  Dst.Count = Src.Count;
  if (Src.Count == 0) return;
  const TRect& used = Src.UsedBounds;
  for (int32_t row = used.top; row <= used.bottom; ++row)
    for (int32_t column = used.left; column <= used.right; ++column)
      TileAt(Dst, column, row) = TileAt(Src, column, row);
}

void TileGridAddRect(TTileGrid& Grid, const TRect& R, bool WholeTiles) {
  if (Grid.Count == 0) return;
  int32_t left = std::min(R.left, R.right), right = std::max(R.left, R.right);
  int32_t top = std::min(R.top, R.bottom), bottom = std::max(R.top, R.bottom);
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, Grid.Columns * TILE_SIZE);
  bottom = std::min(bottom, Grid.Rows * TILE_SIZE);
  // A rectangle of zero width or height still counts its tiles as used.
  if (right < left || bottom < top) return;

  const int32_t left_tile = left >> TILE_SHIFT, top_tile = top >> TILE_SHIFT;
  const int32_t right_tile = right >> TILE_SHIFT, bottom_tile = bottom >> TILE_SHIFT;
  if (WholeTiles) {
    for (int32_t row = top_tile; row <= bottom_tile; ++row)
      for (int32_t column = left_tile; column <= right_tile; ++column)
        TileAt(Grid, column, row) = TILE_FULL;
  } else {
    const uint32_t m_left = uint32_t(left) & (TILE_SIZE - 1);
    const uint32_t m_top = uint32_t(top) & (TILE_SIZE - 1);
    const uint32_t m_right = uint32_t(right) & (TILE_SIZE - 1);
    const uint32_t m_bottom = uint32_t(bottom) & (TILE_SIZE - 1);
    // Each tile takes the part of R it holds: the edges of R cut the first and last
    // columns and rows, the tiles strictly inside are whole. A right (bottom) edge on a
    // tile boundary gives the last column (row) a box of zero size, which the union
    // ignores.
    for (int32_t row = top_tile; row <= bottom_tile; ++row) {
      const bool first_row = row == top_tile, last_row = row == bottom_tile;
      for (int32_t column = left_tile; column <= right_tile; ++column) {
        const bool first_column = column == left_tile, last_column = column == right_tile;
        TTileBox& tile = TileAt(Grid, column, row);
        if (!first_row && !last_row && !first_column && !last_column) {
          tile = TILE_FULL;
          continue;
        }
        TileBoxUnion(tile, TileBoxOf(first_column ? m_left : 0, first_row ? m_top : 0,
                                     last_column ? m_right : TILE_SIZE,
                                     last_row ? m_bottom : TILE_SIZE));
      }
    }
  }
  GrowUsedBounds(Grid, left_tile, top_tile, right_tile, bottom_tile);
}

void TileGridAddLine(TTileGrid& Grid, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2,
                     int32_t LineWidth, bool WholeTiles) {
  const int32_t grow = Saturated(2 * int64_t(LineWidth));
  const int64_t dx = int64_t(X2) - X1, dy = int64_t(Y2) - Y1;
  if (dx == 0 || dy == 0) {
    TRect area = RectOf(X1, Y1, X2, Y2);
    GrowArea(area, grow, grow);
    TileGridAddRect(Grid, area, WholeTiles);
    return;
  }
  // Along the longer axis in steps of 32 pixels, along the other in proportion; all in
  // 16.16 fixed point (64-bit, so that no coordinate difference overflows).
  int64_t major = (dx < 0 ? -dx : dx) << 16, minor = (dy < 0 ? -dy : dy) << 16;
  const bool x_major = major >= minor;
  if (!x_major) std::swap(major, minor);
  const int64_t steps = major / TILE_SIZE;  // 16.16; at least 2048, since major >= 1.0
  const int64_t major_step = int64_t(TILE_SIZE) << 16;
  const int64_t minor_step = int64_t((uint64_t(minor) << 16) / uint64_t(steps));
  int64_t step_x = x_major ? major_step : minor_step;
  int64_t step_y = x_major ? minor_step : major_step;
  if (dx < 0) step_x = -step_x;
  if (dy < 0) step_y = -step_y;
  int64_t x = int64_t(X1) << 16, y = int64_t(Y1) << 16;
  const int64_t segments = (steps + 0xFFFF) >> 16;
  for (int64_t i = 0; i < segments; ++i) {
    const int64_t next_x = x + step_x, next_y = y + step_y;
    TRect segment = RectOf(RoundFixed(x), RoundFixed(y), RoundFixed(next_x), RoundFixed(next_y));
    GrowArea(segment, grow, grow);
    TileGridAddRect(Grid, segment, WholeTiles);
    x = next_x;
    y = next_y;
  }
}

void TileGridMerge(TTileGrid& Dst, const TTileGrid& Src, bool WholeTiles) {
  if (Src.Count == 0 || Dst.Count == 0) return;
  // Src's used tiles that Dst holds too (the grids of one optimizer share their size; a
  // grid sized elsewhere must not make the union write past Dst's array).
  const int32_t left = Src.UsedBounds.left, top = Src.UsedBounds.top;
  const int32_t right = std::min<int32_t>(Src.UsedBounds.right, Dst.Columns);
  const int32_t bottom = std::min<int32_t>(Src.UsedBounds.bottom, Dst.Rows);
  if (right < left || bottom < top) return;
  if (WholeTiles) {
    for (int32_t row = top; row <= bottom; ++row)
      for (int32_t column = left; column <= right; ++column) {
        TTileBox& tile = TileAt(Dst, column, row);
        const TTileBox source = TileAt(Src, column, row);
        if (tile != TILE_FULL && source != TILE_EMPTY && TileBoxHasArea(source))
          tile = TILE_FULL;
      }
  } else {
    const TTileBox* source = Src.Tiles.data() + size_t(top) * size_t(Src.Columns) + size_t(left);
    TileBlockUnion(&TileAt(Dst, left, top), Dst.Columns, source, Src.Columns, right - left + 1,
                   bottom - top + 1);
  }
  GrowUsedBounds(Dst, left, top, right, bottom);
}

int32_t TileGridToRects(const TTileGrid& Grid, TRectList& List, const TRect& Clip,
                        bool CountOnly, bool WholeTiles) {
  const TRect& used = Grid.UsedBounds;
  if (Grid.Count == 0 || used.right < used.left || used.bottom < used.top) return 0;
  const int32_t columns = Grid.Columns, rows = Grid.Rows;
  std::vector<TRect> found;
  // Per tile: the rectangle that a run starting at this tile would continue downwards.
  std::vector<int32_t> links(size_t(columns) * size_t(rows), -1);
  auto clamp_x = [&](int32_t x) { return ClampTo(x, Clip.left, Clip.right); };
  auto clamp_y = [&](int32_t y) { return ClampTo(y, Clip.top, Clip.bottom); };

  for (int32_t row = 0; row < rows; ++row) {
    const int32_t row_y = row * TILE_SIZE;
    int32_t column = 0;
    while (column < columns) {
      const TTileBox first = TileAt(Grid, column, row);
      if (first == TILE_EMPTY) {
        ++column;
        continue;
      }
      int32_t last = column;
      TRect run;
      if (WholeTiles) {
        while (last + 1 < columns && TileAt(Grid, last + 1, row) != TILE_EMPTY) ++last;
        run = RectOf(clamp_x(column * TILE_SIZE), clamp_y(row_y),
                     clamp_x(last * TILE_SIZE + TILE_SIZE), clamp_y(row_y + TILE_SIZE));
      } else {
        // A box reaching the tile's right edge runs on into following tiles of the same
        // height that start at their left edge.
        if (TileRight(first) == uint32_t(TILE_SIZE)) {
          while (last + 1 < columns) {
            const TTileBox next = TileAt(Grid, last + 1, row);
            if (TileTop(next) != TileTop(first) || TileBottom(next) != TileBottom(first) ||
                TileLeft(next) != 0)
              break;
            ++last;
          }
        }
        run = RectOf(clamp_x(column * TILE_SIZE + int32_t(TileLeft(first))),
                     clamp_y(row_y + int32_t(TileTop(first))),
                     clamp_x(last * TILE_SIZE + int32_t(TileRight(TileAt(Grid, last, row)))),
                     clamp_y(row_y + int32_t(TileBottom(first))));
      }
      int32_t index = links[size_t(row) * columns + column];
      if (index >= 0 && found[size_t(index)].left == run.left &&
          found[size_t(index)].right == run.right && found[size_t(index)].bottom == run.top) {
        found[size_t(index)].bottom = run.bottom;
      } else {
        index = int32_t(found.size());
        found.push_back(run);
      }
      if (row + 1 < rows) links[size_t(row + 1) * columns + column] = index;
      column = last + 1;
    }
  }
  if (!CountOnly)
    for (const TRect& rect : found) List.Add(rect);
  return int32_t(found.size());
}

int32_t TileGridToRects(const TTileGrid& Grid, TRectList& List, bool CountOnly) {
  return TileGridToRects(Grid, List, Grid.Extent, CountOnly, false);
}

// ---- the layer map ------------------------------------------------------------------

TTileGrid& TMicroTilesMap::Add(const TCustomLayer* Layer) {
  bool created = false;
  void** slot = TPointerMap::Add(const_cast<TCustomLayer*>(Layer), created);
  if (created) *slot = new TTileGrid();
  return *static_cast<TTileGrid*>(*slot);
}

TTileGrid& TMicroTilesMap::Grid(const TCustomLayer* Layer) const {
  return *static_cast<TTileGrid*>(Data(Layer));
}

TTileGrid* TMicroTilesMap::Find(const TCustomLayer* Layer) const {
  int bucket = 0, item = 0;
  if (!Exists(Layer, bucket, item)) return nullptr;
  return static_cast<TTileGrid*>(Bucket(bucket).Items[size_t(item)].Data);
}

void* TMicroTilesMap::Delete(int BucketIndex, int ItemIndex) {
  delete static_cast<TTileGrid*>(TPointerMap::Delete(BucketIndex, ItemIndex));
  return nullptr;
}

// ---- the optimizer ------------------------------------------------------------------

namespace {

// The Info of an area change that is a line: width in bits 23-0.
constexpr uint32_t AreaInfoLine = 0x40000000u;
constexpr uint32_t AreaInfoLineWidth = 0x00FFFFFFu;

constexpr int32_t CoarsenessMin = 0, CoarsenessMax = 2;
constexpr int32_t RectCountMargin = 10;
constexpr int32_t IntervalPenalty = 250;    // milliseconds
constexpr int32_t IntervalStep = 1000;      // milliseconds
constexpr int32_t IntervalMin = 1000, IntervalMax = 5000;

int32_t ClampCoarseness(int32_t Value) { return std::clamp(Value, CoarsenessMin, CoarsenessMax); }
int32_t ClampInterval(int32_t Value) { return std::clamp(Value, IntervalMin, IntervalMax); }

}  // namespace

TMicroTilesRepaintOptimizer::TMicroTilesRepaintOptimizer(TBitmap32& Buffer,
                                                         TRectList& InvalidRects)
    : TCustomRepaintOptimizer(Buffer, InvalidRects) {}

TMicroTilesRepaintOptimizer::~TMicroTilesRepaintOptimizer() {
  // The collections must not keep events bound to this object.
  while (!LayerCollections().empty()) DetachLayerCollection(*LayerCollections().back());
}

void TMicroTilesRepaintOptimizer::BindCollection(TLayerCollection& Layers) {
  Layers.OnListChange = [this](TObject* Sender, TLayerListChange Change, TCustomLayer* Layer,
                               int32_t Index) { NoteLayerListChange(Sender, Change, Layer, Index); };
  Layers.OnAreaChange = [this](TObject* Sender, const TRect& Area, uint32_t Info) {
    NoteAreaChange(Sender, Area, Info);
  };
  Layers.OnLayerChange = [this](TObject* Sender, TCustomLayer* Layer) {
    NoteLayerChange(Sender, Layer);
  };
}

void TMicroTilesRepaintOptimizer::UnbindCollection(TLayerCollection& Layers) {
  Layers.OnListChange = nullptr;
  Layers.OnAreaChange = nullptr;
  Layers.OnLayerChange = nullptr;
}

void TMicroTilesRepaintOptimizer::SetEnabled(bool Value) {
  if (Value == Enabled()) return;
  if (Value) {
    for (TLayerCollection* layers : LayerCollections()) BindCollection(*layers);
    NoteBufferResize(Buffer().Width(), Buffer().Height());
  } else {
    for (TLayerCollection* layers : LayerCollections()) UnbindCollection(*layers);
    TileGridRelease(dirty_grid_);
    TileGridRelease(scratch_grid_);
    TileGridRelease(forced_grid_);
    updates_pending_ = false;
    layer_grids_valid_ = false;
    layer_grids_.Clear();
    dirty_layers_.clear();
  }
  TCustomRepaintOptimizer::SetEnabled(Value);
}

void TMicroTilesRepaintOptimizer::AttachLayerCollection(TLayerCollection& Layers) {
  TCustomRepaintOptimizer::AttachLayerCollection(Layers);
  if (!Enabled()) return;
  BindCollection(Layers);
  // Layers that were in the collection before have no measured area yet; a change of one
  // would find none. Measure them all and repaint the whole buffer once.
  DiscardPending();
}

void TMicroTilesRepaintOptimizer::DetachLayerCollection(TLayerCollection& Layers) {
  UnbindCollection(Layers);
  TCustomRepaintOptimizer::DetachLayerCollection(Layers);
}

void TMicroTilesRepaintOptimizer::AddAreaToGrid(TTileGrid& Grid, const TRect& Area,
                                                uint32_t Info) {
  const bool whole_tiles = coarseness_ > 0;
  if (Info & AreaInfoLine) {
    const int32_t width = int32_t(Info & AreaInfoLineWidth);
    TRect line = Area;
    GrowArea(line, width, width);
    TileGridAddLine(Grid, line.left, line.top, line.right, line.bottom, width, whole_tiles);
  } else {
    TileGridAddRect(Grid, Area, whole_tiles);
  }
}

void TMicroTilesRepaintOptimizer::EnsureGridSizes() {
  if (grids_sized_) return;
  TileGridSetSize(scratch_grid_, buffer_rect_);
  TileGridSetSize(dirty_grid_, buffer_rect_);
  TileGridSetSize(forced_grid_, buffer_rect_);
  grids_sized_ = true;
}

void TMicroTilesRepaintOptimizer::MeasureLayer(TTileGrid& Grid, TCustomLayer& Layer) {
  // While the buffer collects areas, drawing changes no pixels and reports each area it
  // would change, so the grid receives exactly what the layer would paint.
  struct Collection {
    TBitmap32& buffer;
    ~Collection() { buffer.StopAreaCollection(); }
  } collection{Buffer()};
  Buffer().StartAreaCollection([this](TObject*, const TRect& Area, uint32_t Info) {
    AddAreaToGrid(*measure_target_, Area, Info);
  });
  measure_target_ = &Grid;
  Layer.DrawInto(Buffer());
}

void TMicroTilesRepaintOptimizer::RefreshLayerGrids() {
  if (layer_grids_valid_) return;
  EnsureGridSizes();
  for (TLayerCollection* layers : LayerCollections()) {
    for (int32_t i = 0; i < layers->LayerCount(); ++i) {
      TCustomLayer* layer = layers->GetLayer(i);
      TTileGrid& grid = layer_grids_.Add(layer);
      TileGridSetSize(grid, buffer_rect_);
      MeasureLayer(grid, *layer);
      layer->SetPendingUpdate(false);
    }
  }
  dirty_layers_.clear();
  layer_grids_valid_ = true;
  updates_pending_ = false;
}

void TMicroTilesRepaintOptimizer::NoteAreaChange(TObject* /*Sender*/, const TRect& Area,
                                                 uint32_t Info) {
  EnsureGridSizes();
  AddAreaToGrid(forced_grid_, Area, Info);
  updates_pending_ = true;
}

void TMicroTilesRepaintOptimizer::NoteLayerChange(TObject* /*Sender*/, TCustomLayer* Layer) {
  if (!layer_grids_valid_ || Layer->PendingUpdate()) return;
  dirty_layers_.push_back(Layer);
  Layer->SetPendingUpdate(true);
  updates_pending_ = true;
}

void TMicroTilesRepaintOptimizer::NoteLayerListChange(TObject* /*Sender*/,
                                                      TLayerListChange Change,
                                                      TCustomLayer* Layer, int32_t /*Index*/) {
  switch (Change) {
    case lcAdded:
    case lcInserted:
      TileGridSetSize(layer_grids_.Add(Layer), RectOf(0, 0, Buffer().Width(), Buffer().Height()));
      layer_grids_valid_ = true;
      break;
    case lcDeleted:
      if (layer_grids_valid_) {
        if (const TTileGrid* old_area = layer_grids_.Find(Layer))
          TileGridMerge(dirty_grid_, *old_area);
        updates_pending_ = true;
      }
      dirty_layers_.erase(std::remove(dirty_layers_.begin(), dirty_layers_.end(), Layer),
                          dirty_layers_.end());
      layer_grids_.Remove(Layer);
      break;
    case lcCleared:
      if (layer_grids_valid_) {
        TPointerMapIterator grids(layer_grids_);
        while (grids.Next()) TileGridMerge(dirty_grid_, *static_cast<TTileGrid*>(grids.Data));
        updates_pending_ = true;
        ResetAdaption();
      }
      layer_grids_.Clear();
      layer_grids_valid_ = true;
      break;
  }
}

void TMicroTilesRepaintOptimizer::DiscardPending() {
  grids_sized_ = false;
  layer_grids_valid_ = false;
  RefreshLayerGrids();
  TileGridClear(forced_grid_, TILE_FULL);
  forced_grid_.UsedBounds = RectOf(0, 0, forced_grid_.Columns, forced_grid_.Rows);
  updates_pending_ = true;
}

void TMicroTilesRepaintOptimizer::NoteBufferResize(int32_t NewWidth, int32_t NewHeight) {
  buffer_rect_ = RectOf(0, 0, NewWidth, NewHeight);
  DiscardPending();
}

bool TMicroTilesRepaintOptimizer::HasPendingUpdates() {
  RefreshLayerGrids();
  return updates_pending_;
}

void TMicroTilesRepaintOptimizer::BuildInvalidRects() {
  if (updates_pending_) {
    EnsureGridSizes();
    const bool whole_tiles = coarseness_ > 0;
    for (TCustomLayer* layer : dirty_layers_) {
      // The layer's new area and its old one are both to repaint.
      TileGridClearUsed(scratch_grid_);
      MeasureLayer(scratch_grid_, *layer);
      TileGridMerge(dirty_grid_, scratch_grid_, whole_tiles);
      TTileGrid& old_area = layer_grids_.Grid(layer);
      TileGridMerge(dirty_grid_, old_area, whole_tiles);
      TileGridCopy(old_area, scratch_grid_);
      layer->SetPendingUpdate(false);
    }
    dirty_layers_.clear();
    TileGridToRects(dirty_grid_, InvalidRects());
    TileGridToRects(forced_grid_, InvalidRects());
  }
  AdaptBeforeRepaint();
  TileGridClearUsed(dirty_grid_);
  TileGridClearUsed(forced_grid_);
}

void TMicroTilesRepaintOptimizer::BeforeBufferPaint() {
  if (adaptive_) timer_.Start();
}

void TMicroTilesRepaintOptimizer::AfterBufferPaint() {
  updates_pending_ = false;
  AdaptAfterRepaint();
}

// ---- adaption -----------------------------------------------------------------------
// The periodic re-check is due when more time than the interval has passed since it was
// scheduled. Tick counts wrap at 2^32 (every 49.7 days) and, read as signed numbers,
// change sign halfway; comparing them as plain signed numbers would hold the check back
// for weeks once a scheduled tick crosses the sign change. So the elapsed time is taken as
// the 32-bit difference from the tick at scheduling, which is right across either point.

void TMicroTilesRepaintOptimizer::ScheduleCheck() {
  check_scheduled_tick_ = TickCount();
  next_check_tick_ = int32_t(check_scheduled_tick_ + uint32_t(check_interval_));
}

bool TMicroTilesRepaintOptimizer::CheckDue() const {
  const uint32_t elapsed = TickCount() - check_scheduled_tick_;
  const uint32_t interval = uint32_t(next_check_tick_) - check_scheduled_tick_;
  return elapsed > interval;
}

void TMicroTilesRepaintOptimizer::AdaptBeforeRepaint() {
  if (!adaptive_ || coarseness_ <= 0) return;
  if (CheckDue()) {
    coarseness_ = ClampCoarseness(coarseness_ - 1);
    timed_check_ = true;
  } else if (!adaption_failed_ && InvalidRects().Count() < rect_count_at_step_ - RectCountMargin) {
    coarseness_ = ClampCoarseness(coarseness_ - 1);
  } else if (coarseness_ == CoarsenessMax) {
    // The whole buffer: an empty list makes the paint box repaint and copy all of it.
    InvalidRects().Clear();
  }
}

void TMicroTilesRepaintOptimizer::AdaptAfterRepaint() {
  const int64_t elapsed = RepaintDuration();
  if (InvalidRects().Count() == 0) {
    full_repaint_time_ = elapsed;
    return;
  }
  if (!adaptive_) return;
  if (elapsed > full_repaint_time_) {
    // Partial repainting cost more than a full one: coarser.
    const int32_t level = ClampCoarseness(coarseness_ + 1);
    if (level == coarseness_) return;
    rect_count_at_step_ = InvalidRects().Count();
    coarseness_ = level;
    if (timed_check_) {
      check_interval_ = ClampInterval(check_interval_ + IntervalPenalty);
      ScheduleCheck();
      penalty_time_ = elapsed;
      timed_check_ = false;
    }
    adaption_failed_ = true;
  } else if (elapsed < full_repaint_time_) {
    if (timed_check_) {
      check_interval_ = IntervalMin;
      ScheduleCheck();
      timed_check_ = false;
    } else if (check_interval_ > IntervalMin) {
      check_interval_ = ClampInterval(check_interval_ - IntervalStep);
      ScheduleCheck();
    }
    adaption_failed_ = false;
  } else if (elapsed < penalty_time_ && timed_check_) {
    check_interval_ = ClampInterval(check_interval_ - IntervalPenalty);
    ScheduleCheck();
    timed_check_ = false;
  }
}

void TMicroTilesRepaintOptimizer::ResetAdaption() {
  check_interval_ = IntervalMin;
  adaption_failed_ = false;
  coarseness_ = CoarsenessMin;
}

std::unique_ptr<TCustomRepaintOptimizer> NewMicroTilesRepaintOptimizer(TBitmap32& Buffer,
                                                                       TRectList& InvalidRects) {
  return std::make_unique<TMicroTilesRepaintOptimizer>(Buffer, InvalidRects);
}

}  // namespace raster
