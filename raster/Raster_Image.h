// The controls of the raster library that show bitmaps. TCustomPaintBox32 is a window with
// a back buffer: everything is drawn into a TBitmap32 owned by the control, and painting
// copies the buffer to the window, whole or only the rectangles of its dirty list. Which
// rectangles are dirty depends on the repaint mode:
//
// | mode        | optimizer | buffer's OnAreaChanged | Invalidate                       |
// |-------------|-----------|------------------------|----------------------------------|
// | rmFull      | disabled  | unassigned             | the whole window is invalidated  |
// | rmDirect    | disabled  | the direct area hook:  | the whole window is invalidated  |
// |             |           | queue the area and     | and the next paint repaints all  |
// |             |           | repaint at once: only  | of it, whatever was queued       |
// |             |           | the queued rectangles  |                                  |
// |             |           | are repainted, copied  |                                  |
// | rmOptimizer | enabled   | the optimizer          | with pending updates a bare      |
// |             |           |                        | WM_PAINT is posted and the       |
// |             |           |                        | optimizer's rectangles are       |
// |             |           |                        | repainted and copied; else the   |
// |             |           |                        | whole window is invalidated      |
//
// A resize repaints the control whole: in rmDirect at once, since the resized buffer
// reports its whole area to the direct hook, and in every mode at the next paint.
//
// Descendants fill the buffer in PaintBuffer (the base draws nothing) and may draw over
// the window after the copy in PaintGDIOverlay.
//
// TCustomImage32 shows a bitmap of its own, scaled and aligned inside the control, with a
// layer collection drawn over it. Its bitmap's changes become repaints by repaint mode:
//
// | mode        | bitmap hook      | what a change of the bitmap does                      |
// |-------------|------------------|-------------------------------------------------------|
// | rmFull      | OnChange         | invalidates the whole control                         |
// | rmDirect    | OnAreaChanged    | queues the mapped area and repaints before returning  |
// | rmOptimizer | OnAreaChanged    | gives the mapped area to the optimizer, invalidates   |
//
// A changed area is grown by the resampler's reach (its truncated filter width plus one
// pixel) before it is mapped to the control, since the resampler spreads every source
// pixel that far. The buffer is filled by paint stages (background, bitmap, layers, ...),
// each run once per dirty rectangle with the buffer clipped to it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "raster/Raster.h"
#include "raster/Raster_Containers.h"
#include "raster/Raster_Layers.h"
#include "raster/Raster_RepaintOpt.h"
#include "classlib/controls.h"

namespace raster {

enum TRepaintMode : uint8_t { rmFull, rmDirect, rmOptimizer };

using TPoint = POINT;
using TSize = SIZE;

// Options of a paint box (BoxOptions), as flags.
enum TPaintBoxOption : unsigned {
  WantArrowKeys = 1u << 0,  // the arrow keys come to the control in dialogs
  FocusOnClick = 1u << 1,   // a press takes the focus
};
using TPaintBoxOptions = unsigned;

// Every paint box makes its optimizer from this class reference; a micro-tile optimizer
// unless set otherwise. Set it before the paint boxes are made.
extern TRepaintOptimizerClass DefaultRepaintOptimizerClass;

class TCustomPaintBox32 : public classlib::TCustomControl {
 public:
  // A child of Parent, 192 x 192, in rmFull.
  explicit TCustomPaintBox32(classlib::TControl* Parent);
  ~TCustomPaintBox32() override;

  // The back buffer: at least as large as the paint area, never below 1 x 1 once fitted.
  TBitmap32& Buffer() const { return *buffer_; }
  // Extra pixels a growing buffer takes; it shrinks only by more than this.
  int32_t BufferMargin() const { return buffer_margin_; }
  // The buffer holds what the control should show.
  bool BufferCurrent() const { return buffer_current_; }
  TRepaintMode RepaintMode() const { return repaint_mode_; }
  virtual void SetRepaintMode(TRepaintMode Value);
  // Rectangles (control coordinates) to repaint in the buffer and to copy to the window;
  // emptied by every paint.
  TRectList& DirtyRects() const { return *dirty_rects_; }
  // The next paint repaints everything, whatever the optimizer collected or the direct
  // hook queued.
  bool FullRepaintPending() const { return full_repaint_pending_; }
  TCustomRepaintOptimizer* Optimizer() const { return optimizer_.get(); }
  bool MouseInside() const { return mouse_inside_; }

  // The buffer is stale (without the optimizer all of it: the next paint is a full one);
  // then the class library's invalidation.
  void Invalidate() override;
  // Forgets what the optimizer collected and repaints everything.
  virtual void InvalidateAll();
  void SetBounds(int left, int top, int width, int height) override;
  // (0, 0, Width, Height).
  virtual TRect GetPaintArea() const;

  TPaintBoxOptions BoxOptions = 0;
  // Called after the buffer was copied to the window, to draw on it through Canvas().
  TNotifyEvent OnGDIOverlay;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

 protected:
  void WndProc(classlib::TMessage& message) override;
  // Repaints the buffer when it is stale and copies it (the dirty rectangles, or the
  // paint area) to the window, then the overlay. Runs in WM_PAINT, and also at once, before
  // it, when a partial repaint has rectangles.
  void Paint() override;
  void Resize() override;
  void MouseDown(classlib::TMouseButton button, classlib::TShiftState shift, int x,
                 int y) override;

  virtual bool CanRepaintPartially();
  virtual bool HasInvalidRects();
  // The optimizer's rectangles into DirtyRects, unless a full repaint is pending.
  virtual void PrepareInvalidRects();
  // Fills the buffer; the base only settles which rectangles are dirty.
  virtual void PaintBuffer();
  virtual void PaintGDIOverlay();
  virtual void BufferResized();
  virtual void DoMouseEnter();
  virtual void DoMouseLeave();
  // In rmOptimizer the buffer's area changes go to the optimizer; a descendant that
  // reports its own changes to the optimizer answers false.
  virtual bool BufferFeedsOptimizer() const { return true; }

  // Sizes the buffer to the paint area, with the margin, never below 1 x 1; true when the
  // buffer was resized (and everything invalidated).
  bool FitBufferToClient();
  // rmDirect: queues Area and repaints at once, unless the control is painting now.
  void DirectAreaUpdateHandler(TObject* Sender, const TRect& Area, uint32_t Info);
  // Repaint for the direct hooks: the queued rectangles are repainted and copied now,
  // the rest of the buffer too only when a full repaint was pending.
  void RepaintDirtyRects();
  void SetBufferCurrent(bool Value) { buffer_current_ = Value; }
  bool OptimizerEnabled() const { return optimizer_ && optimizer_->Enabled(); }
  void Loaded() override;

 private:
  void CopyBufferToWindow();

  std::unique_ptr<TBitmap32> buffer_;
  int32_t buffer_margin_ = 40;
  bool buffer_current_ = false;
  TRepaintMode repaint_mode_ = rmFull;
  std::unique_ptr<TRectList> dirty_rects_;
  bool full_repaint_pending_ = true;
  std::unique_ptr<TCustomRepaintOptimizer> optimizer_;
  bool mouse_inside_ = false;
};

// ---- the image control

enum TScaleMode : uint8_t { smNormal, smStretch, smScale, smResize, smOptimal, smOptimalScaled };
enum TBitmapAlign : uint8_t { baTopLeft, baCenter, baTile, baCustom };

class TCustomImage32;

using TImgMouseEvent =
    std::function<void(TObject* Sender, classlib::TMouseButton Button, classlib::TShiftState Shift,
                       int32_t X, int32_t Y, TCustomLayer* Layer)>;
using TImgMouseMoveEvent = std::function<void(TObject* Sender, classlib::TShiftState Shift,
                                              int32_t X, int32_t Y, TCustomLayer* Layer)>;
using TPaintStageEvent =
    std::function<void(TObject* Sender, TBitmap32& Buffer, uint32_t StageNum)>;

// Kinds of paint stages; other values are skipped.
enum TPaintStageKind : uint32_t {
  PST_CUSTOM = 1,            // OnPaintStage
  PST_CLEAR_BUFFER = 2,      // the whole buffer in the control colour
  PST_CLEAR_BACKGND = 3,     // what the bitmap leaves uncovered, in the control colour
  PST_DRAW_BITMAP = 4,       // the bitmap into BitmapRect (or tiled)
  PST_DRAW_LAYERS = 5,       // the layers whose options share a bit with Param
  PST_CONTROL_FRAME = 6,     // a focus rectangle round the control
  PST_BITMAP_FRAME = 7,      // a focus rectangle round BitmapRect
};

struct TPaintStageItem {
  bool AtDesignTime;
  bool AtRunTime;
  uint32_t Kind;
  uint32_t Param;
};

// The ordered list of an image control's paint stages.
class TPaintStages {
 public:
  // A new last item: at run time only, kind 0, Param 0.
  TPaintStageItem* Add();
  void Clear() { items_.clear(); }
  int32_t Count() const { return int32_t(items_.size()); }
  // No range check: Index stays within 0 .. Count - 1.
  TPaintStageItem* Items(int32_t Index) { return &items_[size_t(Index)]; }

 private:
  std::vector<TPaintStageItem> items_;
};

class TCustomImage32 : public TCustomPaintBox32 {
 public:
  // A child of Parent, 192 x 192, rmFull, smNormal, baTopLeft, scale 1, with the default
  // stages: background, control frame, bitmap, bitmap frame, layers.
  explicit TCustomImage32(classlib::TControl* Parent);
  ~TCustomImage32() override;

  // The shown bitmap: owned by the control and never replaced.
  TBitmap32* Bitmap() const { return bitmap_.get(); }
  // Copies Value (size, pixels, properties, resampler class) into the control's bitmap;
  // null empties it. The caller keeps Value.
  void SetBitmap(TBitmap32* Value);
  TBitmapAlign BitmapAlign() const { return bitmap_align_; }
  // Stores and notifies even an unchanged value.
  void SetBitmapAlign(TBitmapAlign Value);
  TLayerCollection& Layers() const { return *layers_; }
  TPaintStages& PaintStages() const { return *stages_; }
  float Scale() const { return horz_scale_; }
  // Both scale factors; values below 0.001 become 0.001.
  void SetScale(float Value);
  float HorzScale() const { return horz_scale_; }
  float VertScale() const { return vert_scale_; }
  TScaleMode ScaleMode() const { return scale_mode_; }
  virtual void SetScaleMode(TScaleMode Value);
  // Origin of the bitmap with baCustom; nothing sets it but the caller.
  float CustomOffsetX() const { return custom_offset_x_; }
  float CustomOffsetY() const { return custom_offset_y_; }
  void SetRepaintMode(TRepaintMode Value) override;

  // The control's own change notification: BeginUpdate and EndUpdate only count; Changed
  // invalidates and fires OnChange while the count is 0.
  virtual void BeginUpdate() { ++update_count_; }
  virtual void EndUpdate() { --update_count_; }
  virtual void Changed();
  int32_t UpdateCount() const { return update_count_; }

  // Where the bitmap lies in the control, and the bitmap-to-control transform (16.16
  // scales, pixel shifts); current after RefreshGeometry.
  const TRect& BitmapRect() const { return bitmap_rect_; }
  int32_t MapScaleX() const { return map_scale_x_; }
  int32_t MapScaleY() const { return map_scale_y_; }
  int32_t MapShiftX() const { return map_shift_x_; }
  int32_t MapShiftY() const { return map_shift_y_; }
  bool GeometryCurrent() const { return geometry_current_; }
  virtual void RefreshGeometry();
  // BitmapRect and the transform are stale; what the optimizer collected is dropped.
  void ForgetGeometry();
  virtual TSize ComputeBitmapSize();
  virtual TRect ComputeBitmapRect();
  // A bitmap pixel position as a control position (truncated toward zero).
  TPoint MapBitmapPoint(const TPoint& P);

  // Sizes the bitmap to the paint area, cleared to ClearColor when DoClear.
  virtual void FitBitmapToControl(bool DoClear, TColor32 ClearColor);
  // Draws the image as the control would into DestRect of Dest.
  virtual void RenderTo(TBitmap32& Dest, const TRect& DestRect);

  // The buffer is stale and so is the geometry.
  void Invalidate() override;

  TNotifyEvent OnBitmapResize;
  TNotifyEvent OnChange;
  TNotifyEvent OnInitStages;
  TNotifyEvent OnScaleSet;
  TPaintStageEvent OnPaintStage;
  // Mouse events in control coordinates with the layer under the pointer (null without
  // one). The class library's own mouse events of the control (through a TControl) still
  // fire first, from its standard processing.
  TImgMouseEvent OnMouseDown;
  TImgMouseMoveEvent OnMouseMove;
  TImgMouseEvent OnMouseUp;

 protected:
  using TPaintStageHandler = void (TCustomImage32::*)(TBitmap32& Dest, int32_t StageNum);

  void Loaded() override;
  bool CanAutoSize(int& NewWidth, int& NewHeight) override;
  void Resize() override;
  void MouseDown(classlib::TMouseButton Button, classlib::TShiftState Shift, int X,
                 int Y) override;
  void MouseMove(classlib::TShiftState Shift, int X, int Y) override;
  void MouseUp(classlib::TMouseButton Button, classlib::TShiftState Shift, int X,
               int Y) override;
  bool HasInvalidRects() override;
  void PaintBuffer() override;
  void PaintGDIOverlay() override;
  void DoMouseLeave() override;
  // The image control gives its optimizer its bitmap's changes, not the buffer's.
  bool BufferFeedsOptimizer() const override { return false; }

  virtual void HandleBitmapResize();
  virtual void HandleBitmapChange(const TRect& Area);
  virtual void FireInitStages();
  virtual void FireScaleSet();
  virtual void AddDefaultStages();
  virtual void DoMouseDown(classlib::TMouseButton Button, classlib::TShiftState Shift,
                           int32_t X, int32_t Y, TCustomLayer* Layer);
  virtual void DoMouseMove(classlib::TShiftState Shift, int32_t X, int32_t Y,
                           TCustomLayer* Layer);
  virtual void DoMouseUp(classlib::TMouseButton Button, classlib::TShiftState Shift,
                         int32_t X, int32_t Y, TCustomLayer* Layer);

  virtual void StageBitmapFrame(TBitmap32& Dest, int32_t StageNum);
  virtual void StageClearBuffer(TBitmap32& Dest, int32_t StageNum);
  virtual void StageClearBackground(TBitmap32& Dest, int32_t StageNum);
  virtual void StageControlFrame(TBitmap32& Dest, int32_t StageNum);
  virtual void StageCustom(TBitmap32& Dest, int32_t StageNum);
  virtual void StageDrawBitmap(TBitmap32& Dest, int32_t StageNum);
  virtual void StageDrawLayers(TBitmap32& Dest, int32_t StageNum);

 private:
  // The bitmap's change hooks, one per repaint mode.
  void BitmapDirectAreaChanged(TObject* Sender, const TRect& Area, uint32_t Info);
  void BitmapOptimizerAreaChanged(TObject* Sender, const TRect& Area, uint32_t Info);
  void BitmapFullChanged();
  // A bitmap area as a control rectangle, grown by the resampler's reach.
  TRect MapBitmapArea(const TRect& Area);
  // Calls Add once with Mapped, or once per tile with baTile.
  void ForEachTile(const TRect& Mapped, const std::function<void(const TRect&)>& Add);
  // The bitmap's size after AutoSize's scaling (smScale uses the horizontal factor).
  TSize AutoSizeOfBitmap() const;
  TPaintStageHandler HandlerOfKind(uint32_t Kind) const;
  void RunStages(TBitmap32& Dest);
  // Whether the stage after StageNum paints the bitmap over every pixel of BitmapRect in
  // Dest before anything else runs, and Dest reports no changes meanwhile: then the
  // background need not be filled under BitmapRect first.
  bool NextStageCoversBitmapRect(const TBitmap32& Dest, int32_t StageNum) const;
  void DrawBitmapInto(TBitmap32& Dest);
  void HookLayers();
  void UnhookEverything();

  std::unique_ptr<TBitmap32> bitmap_;
  TBitmapAlign bitmap_align_ = baTopLeft;
  std::unique_ptr<TLayerCollection> layers_;
  float custom_offset_x_ = 0.0f;
  float custom_offset_y_ = 0.0f;
  std::unique_ptr<TPaintStages> stages_;
  std::vector<TPaintStageHandler> stage_handlers_;
  std::vector<int32_t> stage_indices_;
  float horz_scale_ = 1.0f;
  float vert_scale_ = 1.0f;
  TScaleMode scale_mode_ = smNormal;
  int32_t update_count_ = 0;
  TRect bitmap_rect_ = {};
  int32_t map_scale_x_ = 65536;
  int32_t map_scale_y_ = 65536;
  int32_t map_shift_x_ = 0;
  int32_t map_shift_y_ = 0;
  bool geometry_current_ = false;
};

// The image control as forms place it; nothing of its own.
class TImage32 : public TCustomImage32 {
 public:
  explicit TImage32(classlib::TControl* Parent) : TCustomImage32(Parent) {}
};

}  // namespace raster
