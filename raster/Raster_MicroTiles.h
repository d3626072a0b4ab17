// The micro-tile repaint optimizer: changed areas are collected on a grid of 32 x 32-pixel
// tiles in which each tile keeps one bounding box of its changed pixels; before a paint the
// grid becomes a short list of rectangles. Per layer it keeps the area the layer painted
// last, so that a changed layer repaints both its old and its new area. It times each
// buffer repaint and coarsens its granularity (exact boxes, whole tiles, whole buffer)
// while partial repaints turn out slower than a full one.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "raster/Raster.h"
#include "raster/Raster_Containers.h"
#include "raster/Raster_Layers.h"
#include "raster/Raster_MicroTilesVariants.h"
#include "raster/Raster_RepaintOpt.h"
#include "raster/Raster_System.h"

namespace raster {

// A grid of tile boxes over the pixel area Extent. Its Columns x Rows tiles cover Extent
// with room to spare (one column and one row more than the area needs), and its array
// holds one more of each again: a rectangle may reach x = Columns x 32 and
// y = Rows x 32, so tile column Columns and row Rows can be written. The row stride is
// Columns, so tile column Columns of a row is the array's column 0 of the next row.
// A new grid is all zero and has no storage.
struct TTileGrid {
  TRect Extent = {};  // rectangles made from the grid are clipped to it
  int32_t Columns = 0;
  int32_t Rows = 0;
  // The tiles written since the last clear, as tile indices, inclusive; no tile is
  // (Columns, Rows, 0, 0). Every tile outside it is empty.
  TRect UsedBounds = {};
  int32_t Count = 0;  // (Columns + 1) x (Rows + 1) while the grid has storage
  std::vector<TTileBox> Tiles;
};

// The routine pointers: the union of one box, and the per-tile pass of TileGridMerge.
extern TTileBoxUnionProc TileBoxUnion;
extern TTileBlockUnionProc TileBlockUnion;

// Sizes the grid to cover R and clears it to TILE_EMPTY.
void TileGridSetSize(TTileGrid& Grid, const TRect& R);
// Frees the grid's array; Count becomes 0.
void TileGridRelease(TTileGrid& Grid);
// Sets every tile to Value; no tile is used afterwards.
void TileGridClear(TTileGrid& Grid, TTileBox Value = TILE_EMPTY);
// Sets the used tiles to Value; no tile is used afterwards.
void TileGridClearUsed(TTileGrid& Grid, TTileBox Value = TILE_EMPTY);
// Makes Dst an exact copy of Src inside Src's used tiles (Dst takes Src's geometry).
void TileGridCopy(TTileGrid& Dst, const TTileGrid& Src);
// Marks rectangle R: the exact part of each tile it covers, or with WholeTiles each tile
// it touches whole. R is normalised and clamped to the grid; a rectangle of zero width or
// height changes no box without WholeTiles but still counts its tiles as used.
void TileGridAddRect(TTileGrid& Grid, const TRect& R, bool WholeTiles = false);
// Marks a line of LineWidth pixels either side from (X1, Y1) to (X2, Y2), in steps of
// 32 pixels along its longer axis.
void TileGridAddLine(TTileGrid& Grid, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2,
                     int32_t LineWidth, bool WholeTiles = false);
// The union of Src's used tiles into the tiles of the same places of Dst (with WholeTiles:
// each of those that Src marks becomes full). Only places that both grids hold are
// touched; a grid without storage takes or gives nothing.
void TileGridMerge(TTileGrid& Dst, const TTileGrid& Src, bool WholeTiles = false);
// Appends the grid's rectangles, clipped to Clip, to List (unless CountOnly) and returns
// their number: runs of tiles in a row become one rectangle, and a run that continues a
// rectangle of the row above with the same horizontal extent extends it downwards.
int32_t TileGridToRects(const TTileGrid& Grid, TRectList& List, const TRect& Clip,
                        bool CountOnly, bool WholeTiles);
// The same with Clip = the grid's Extent and exact boxes.
int32_t TileGridToRects(const TTileGrid& Grid, TRectList& List, bool CountOnly = false);

// The last measured area of each layer, by layer. The map owns the grids.
class TMicroTilesMap : public TPointerMap {
 public:
  ~TMicroTilesMap() override { Clear(); }
  // The layer's grid; a new empty one (no storage) when the layer has none yet.
  TTileGrid& Add(const TCustomLayer* Layer);
  // The layer's grid; EListError "Item not found ($0<key>)" when it has none.
  TTileGrid& Grid(const TCustomLayer* Layer) const;
  // The layer's grid, or nullptr.
  TTileGrid* Find(const TCustomLayer* Layer) const;
  // Frees the grid of the entry; returns nullptr.
  void* Delete(int BucketIndex, int ItemIndex) override;
};

class TMicroTilesRepaintOptimizer : public TCustomRepaintOptimizer {
 public:
  TMicroTilesRepaintOptimizer(TBitmap32& Buffer, TRectList& InvalidRects);
  ~TMicroTilesRepaintOptimizer() override;

  void SetEnabled(bool Value) override;
  void NoteLayerListChange(TObject* Sender, TLayerListChange Change, TCustomLayer* Layer,
                           int32_t Index) override;
  void AttachLayerCollection(TLayerCollection& Layers) override;
  void DetachLayerCollection(TLayerCollection& Layers) override;
  void BeforeBufferPaint() override;
  void AfterBufferPaint() override;
  void DiscardPending() override;
  bool HasPendingUpdates() override;
  void BuildInvalidRects() override;
  void NoteAreaChange(TObject* Sender, const TRect& Area, uint32_t Info) override;
  void NoteLayerChange(TObject* Sender, TCustomLayer* Layer) override;
  void NoteBufferResize(int32_t NewWidth, int32_t NewHeight) override;

  // ---- state, for the controls' tests and the benchmark
  const TRect& BufferRect() const { return buffer_rect_; }
  const TTileGrid& ForcedGrid() const { return forced_grid_; }
  const TTileGrid& DirtyGrid() const { return dirty_grid_; }
  const TMicroTilesMap& LayerGrids() const { return layer_grids_; }
  int32_t DirtyLayerCount() const { return int32_t(dirty_layers_.size()); }
  bool UpdatesPending() const { return updates_pending_; }
  bool LayerGridsValid() const { return layer_grids_valid_; }
  bool Adaptive() const { return adaptive_; }
  // 0 exact boxes, 1 whole tiles, 2 whole buffer.
  int32_t Coarseness() const { return coarseness_; }
  int64_t FullRepaintTime() const { return full_repaint_time_; }
  bool AdaptionFailed() const { return adaption_failed_; }
  bool TimedCheck() const { return timed_check_; }
  int32_t CheckInterval() const { return check_interval_; }
  int32_t NextCheckTick() const { return next_check_tick_; }
  int64_t PenaltyTime() const { return penalty_time_; }
  int32_t RectCountAtStep() const { return rect_count_at_step_; }

 protected:
  // The clock of the adaption (milliseconds, wrapping at 2^32) and the duration of the
  // buffer repaint that just ended (microseconds); tests give their own.
  virtual uint32_t TickCount() const { return MillisecondTicks(); }
  virtual int64_t RepaintDuration() { return timer_.ElapsedMicroseconds(); }

 private:
  void BindCollection(TLayerCollection& Layers);
  static void UnbindCollection(TLayerCollection& Layers);
  void AddAreaToGrid(TTileGrid& Grid, const TRect& Area, uint32_t Info);
  void EnsureGridSizes();
  void MeasureLayer(TTileGrid& Grid, TCustomLayer& Layer);
  void RefreshLayerGrids();
  void AdaptBeforeRepaint();
  void AdaptAfterRepaint();
  void ResetAdaption();
  void ScheduleCheck();
  bool CheckDue() const;

  TRect buffer_rect_ = {};
  TTileGrid* measure_target_ = nullptr;
  TTileGrid scratch_grid_;
  TTileGrid dirty_grid_;
  TTileGrid forced_grid_;
  std::vector<TCustomLayer*> dirty_layers_;  // not owned
  TMicroTilesMap layer_grids_;
  bool grids_sized_ = false;
  bool layer_grids_valid_ = false;
  bool updates_pending_ = false;
  bool adaptive_ = true;
  TPerfTimer timer_;
  int32_t coarseness_ = 0;
  int64_t full_repaint_time_ = 0;
  bool adaption_failed_ = false;
  bool timed_check_ = false;
  int32_t check_interval_ = 0;
  int32_t next_check_tick_ = 0;
  uint32_t check_scheduled_tick_ = 0;  // the tick count at which the check was scheduled
  int64_t penalty_time_ = 0;
  int32_t rect_count_at_step_ = 0;
};

// Makes a TMicroTilesRepaintOptimizer: the class reference of this optimizer.
std::unique_ptr<TCustomRepaintOptimizer> NewMicroTilesRepaintOptimizer(TBitmap32& Buffer,
                                                                       TRectList& InvalidRects);

}  // namespace raster
