// The controls of the raster library that show bitmaps. TCustomPaintBox32 is a window with
// a back buffer: everything is drawn into a TBitmap32 owned by the control, and painting
// copies the buffer to the window, whole or only the rectangles of its dirty list. Which
// rectangles are dirty depends on the repaint mode:
//
// | mode        | optimizer | buffer's OnAreaChanged | Invalidate                       |
// |-------------|-----------|------------------------|----------------------------------|
// | rmFull      | disabled  | unassigned             | the whole window is invalidated  |
// | rmDirect    | disabled  | the direct area hook:  | the whole window is invalidated; |
// |             |           | queue the area and     | only the queued rectangles are   |
// |             |           | repaint at once        | repainted and copied             |
// | rmOptimizer | enabled   | the optimizer          | with pending updates a bare      |
// |             |           |                        | WM_PAINT is posted and the       |
// |             |           |                        | optimizer's rectangles are       |
// |             |           |                        | repainted and copied; else the   |
// |             |           |                        | whole window is invalidated      |
//
// Descendants fill the buffer in PaintBuffer (the base draws nothing) and may draw over
// the window after the copy in PaintGDIOverlay.
#pragma once

#include <cstdint>
#include <memory>

#include "raster/Raster.h"
#include "raster/Raster_Containers.h"
#include "raster/Raster_RepaintOpt.h"
#include "classlib/controls.h"

namespace raster {

enum TRepaintMode : uint8_t { rmFull, rmDirect, rmOptimizer };

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
  // The next paint repaints everything, whatever the optimizer collected.
  bool FullRepaintPending() const { return full_repaint_pending_; }
  TCustomRepaintOptimizer* Optimizer() const { return optimizer_.get(); }
  bool MouseInside() const { return mouse_inside_; }

  // The buffer is stale; then the class library's invalidation.
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

  // Sizes the buffer to the paint area, with the margin, never below 1 x 1.
  void FitBufferToClient();
  // rmDirect: queues Area and repaints at once, unless the control is painting now.
  void DirectAreaUpdateHandler(TObject* Sender, const TRect& Area, uint32_t Info);
  void SetBufferCurrent(bool Value) { buffer_current_ = Value; }
  bool OptimizerEnabled() const { return optimizer_ && optimizer_->Enabled(); }

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

}  // namespace raster
