#include "raster/Raster_Image.h"

#include <algorithm>

#include "raster/Raster_MicroTiles.h"

namespace raster {

using classlib::TMessage;

TRepaintOptimizerClass DefaultRepaintOptimizerClass = NewMicroTilesRepaintOptimizer;

namespace {

// Holds a bitmap's lock for a scope: released on every way out.
class BufferLock {
 public:
  explicit BufferLock(TBitmap32& Bitmap) : bitmap_(Bitmap) { bitmap_.Lock(); }
  ~BufferLock() { bitmap_.Unlock(); }
  BufferLock(const BufferLock&) = delete;
  BufferLock& operator=(const BufferLock&) = delete;

 private:
  TBitmap32& bitmap_;
};

// One extent of the buffer for a paint-area extent: grown with the margin when too small,
// shrunk only when the area is more than the margin smaller, never below 1.
int32_t FittedExtent(int32_t Area, int32_t Current, int32_t Margin) {
  Area = std::max(Area, 0);
  int32_t extent = Current;
  if (Current < Area)
    extent = Area + Margin;
  else if (Area < Current - Margin)
    extent = Area;
  return std::max(extent, 1);
}

}  // namespace

TCustomPaintBox32::TCustomPaintBox32(classlib::TControl* Parent) : TCustomControl(Parent) {
  buffer_ = std::make_unique<TBitmap32>();
  dirty_rects_ = std::make_unique<TRectList>();
  if (DefaultRepaintOptimizerClass)
    optimizer_ = DefaultRepaintOptimizerClass(*buffer_, *dirty_rects_);
  SetHeight(192);
  SetWidth(192);
}

TCustomPaintBox32::~TCustomPaintBox32() {
  // From here on the window gets only the default handling: the parts go first.
  WindowProc = [this](TMessage& message) { DefaultHandler(message); };
  buffer_->OnAreaChanged = nullptr;
  optimizer_.reset();
  dirty_rects_.reset();
  buffer_.reset();
}

void TCustomPaintBox32::SetRepaintMode(TRepaintMode Value) {
  if (!optimizer_) return;
  switch (Value) {
    case rmOptimizer:
      if (BufferFeedsOptimizer()) {
        buffer_->OnAreaChanged = [this](TObject* Sender, const TRect& Area, uint32_t Info) {
          optimizer_->NoteAreaChange(Sender, Area, Info);
        };
      } else {
        buffer_->OnAreaChanged = nullptr;
      }
      break;
    case rmDirect:
      buffer_->OnAreaChanged = [this](TObject* Sender, const TRect& Area, uint32_t Info) {
        DirectAreaUpdateHandler(Sender, Area, Info);
      };
      break;
    default:
      buffer_->OnAreaChanged = nullptr;
      break;
  }
  optimizer_->SetEnabled(Value == rmOptimizer);
  repaint_mode_ = Value;
  Invalidate();
}

void TCustomPaintBox32::DirectAreaUpdateHandler(TObject* /*Sender*/, const TRect& Area,
                                                uint32_t /*Info*/) {
  dirty_rects_->Add(Area);
  // A change reported while the control paints only joins the queue: repainting from
  // inside the paint would nest.
  if (!InCustomPaint()) Repaint();
}

bool TCustomPaintBox32::CanRepaintPartially() {
  return OptimizerEnabled() && !full_repaint_pending_ && optimizer_->HasPendingUpdates();
}

bool TCustomPaintBox32::HasInvalidRects() { return true; }

void TCustomPaintBox32::PrepareInvalidRects() {
  if (OptimizerEnabled() && !full_repaint_pending_) optimizer_->BuildInvalidRects();
}

void TCustomPaintBox32::PaintBuffer() {
  if (full_repaint_pending_) {
    full_repaint_pending_ = false;
    dirty_rects_->Clear();
  } else {
    PrepareInvalidRects();
  }
  buffer_current_ = true;
}

void TCustomPaintBox32::Paint() {
  if (OptimizerEnabled()) optimizer_->BeforePaint();
  if (!buffer_current_) PaintBuffer();
  CopyBufferToWindow();
  PaintGDIOverlay();
  if (OptimizerEnabled()) optimizer_->AfterPaint();
  dirty_rects_->Clear();
  full_repaint_pending_ = false;
}

void TCustomPaintBox32::CopyBufferToWindow() {
  BufferLock lock(*buffer_);
  HDC window = Canvas().Handle();
  HDC buffer = buffer_->Handle();
  auto copy = [&](const TRect& R) {
    BitBlt(window, R.left, R.top, R.right - R.left, R.bottom - R.top, buffer, R.left, R.top,
           SRCCOPY);
  };
  if (dirty_rects_->Count() > 0) {
    for (int32_t i = 0; i < dirty_rects_->Count(); ++i) copy(dirty_rects_->List()[i]);
  } else {
    copy(GetPaintArea());
  }
}

void TCustomPaintBox32::PaintGDIOverlay() {
  if (OnGDIOverlay) OnGDIOverlay(this);
}

void TCustomPaintBox32::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_ERASEBKGND:
      // The buffer covers everything: nothing to erase.
      message.Result = 1;
      return;
    case WM_GETDLGCODE:
      if (BoxOptions & WantArrowKeys)
        message.Result |= DLGC_WANTARROWS;
      else
        message.Result &= ~LRESULT(DLGC_WANTARROWS);
      return;
    case WM_PAINT:
      // A partial repaint copies the optimizer's rectangles at once; the class library's
      // paint then follows as for any WM_PAINT (over an empty update region when the
      // message was the bare one posted by the invalidation).
      if (CanRepaintPartially()) {
        if (HasInvalidRects())
          Paint();
        else
          InvalidateRect(Handle(), nullptr, FALSE);
      }
      break;
    case classlib::CM_INVALIDATE:
      // With pending updates the optimizer knows what changed: a bare WM_PAINT instead of
      // an invalid window.
      if (CanRepaintPartially() && HandleAllocated()) {
        PostMessageW(Handle(), WM_PAINT, 0, 0);
        message.Result = 0;
        return;
      }
      break;
    case classlib::CM_MOUSEENTER:
      TCustomControl::WndProc(message);
      DoMouseEnter();
      return;
    case classlib::CM_MOUSELEAVE:
      DoMouseLeave();
      break;
    default:
      break;
  }
  TCustomControl::WndProc(message);
}

void TCustomPaintBox32::Invalidate() {
  buffer_current_ = false;
  TCustomControl::Invalidate();
}

void TCustomPaintBox32::InvalidateAll() {
  if (OptimizerEnabled()) optimizer_->DiscardPending();
  full_repaint_pending_ = true;
  Invalidate();
}

void TCustomPaintBox32::FitBufferToClient() {
  const TRect area = GetPaintArea();
  const int32_t width = FittedExtent(area.right - area.left, buffer_->Width(), buffer_margin_);
  const int32_t height = FittedExtent(area.bottom - area.top, buffer_->Height(), buffer_margin_);
  if (width == buffer_->Width() && height == buffer_->Height()) return;
  {
    BufferLock lock(*buffer_);
    // The resize must not reach the buffer's area hook: in rmDirect that would repaint at
    // once, inside the resize, and InvalidateAll below repaints everything again. Held
    // back, a resize is repainted once. (The image control's own bitmap has a hook of its
    // own; the buffer raises area changes only here, since painting draws into it inside
    // an update as well.)
    buffer_->BeginUpdate();
    struct EndUpdate {
      TBitmap32& bitmap;
      ~EndUpdate() { bitmap.EndUpdate(); }
    } end_update{*buffer_};
    buffer_->SetSize(width, height);
  }
  BufferResized();
  InvalidateAll();
}

void TCustomPaintBox32::BufferResized() {
  if (OptimizerEnabled()) optimizer_->NoteBufferResize(buffer_->Width(), buffer_->Height());
}

void TCustomPaintBox32::Resize() {
  FitBufferToClient();
  buffer_current_ = false;
  TCustomControl::Resize();
}

void TCustomPaintBox32::SetBounds(int left, int top, int width, int height) {
  TCustomControl::SetBounds(left, top, width, height);
  buffer_current_ = false;
}

TRect TCustomPaintBox32::GetPaintArea() const { return RectOf(0, 0, Width(), Height()); }

void TCustomPaintBox32::MouseDown(classlib::TMouseButton button, classlib::TShiftState shift,
                                  int x, int y) {
  if ((BoxOptions & FocusOnClick) && CanFocus()) SetFocus();
  TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomPaintBox32::DoMouseEnter() {
  mouse_inside_ = true;
  if (OnMouseEnter) OnMouseEnter(this);
}

void TCustomPaintBox32::DoMouseLeave() {
  mouse_inside_ = false;
  if (OnMouseLeave) OnMouseLeave(this);
}

}  // namespace raster
