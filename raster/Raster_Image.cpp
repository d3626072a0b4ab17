#include "raster/Raster_Image.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "raster/Raster_MicroTiles.h"
#include "raster/Raster_Resamplers.h"

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
  if (!InCustomPaint()) RepaintDirtyRects();
}

void TCustomPaintBox32::RepaintDirtyRects() {
  // This invalidation only carries the queued rectangles to the window: it leaves a full
  // repaint pending only when one was pending before.
  const bool full_repaint_pending = full_repaint_pending_;
  Invalidate();
  full_repaint_pending_ = full_repaint_pending;
  Update();
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
  // Rectangles queued since cover only what they report: with a full repaint pending the
  // whole buffer is repainted and copied.
  if (full_repaint_pending_) dirty_rects_->Clear();
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
  // Without the optimizer nothing tells which parts of the control an invalidation
  // concerns: the next paint is a full one, whatever rectangles the direct hook queues
  // before it. (The optimizer's own invalidations come with its areas.)
  if (!OptimizerEnabled()) full_repaint_pending_ = true;
  TCustomControl::Invalidate();
}

void TCustomPaintBox32::InvalidateAll() {
  if (OptimizerEnabled()) optimizer_->DiscardPending();
  full_repaint_pending_ = true;
  Invalidate();
}

bool TCustomPaintBox32::FitBufferToClient() {
  const TRect area = GetPaintArea();
  const int32_t width = FittedExtent(area.right - area.left, buffer_->Width(), buffer_margin_);
  const int32_t height = FittedExtent(area.bottom - area.top, buffer_->Height(), buffer_margin_);
  if (width == buffer_->Width() && height == buffer_->Height()) return false;
  {
    BufferLock lock(*buffer_);
    // The resize reports the whole new buffer to the buffer's area hook: in rmDirect the
    // control is repainted whole at once, in its new size. (Painting draws into the buffer
    // inside an update, so this is the only area change the buffer reports.)
    buffer_->SetSize(width, height);
  }
  BufferResized();
  InvalidateAll();
  return true;
}

void TCustomPaintBox32::BufferResized() {
  if (OptimizerEnabled()) optimizer_->NoteBufferResize(buffer_->Width(), buffer_->Height());
}

void TCustomPaintBox32::Resize() {
  // A buffer that keeps its allocation still holds the old layout: all of it is repainted.
  if (!FitBufferToClient()) InvalidateAll();
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

void TCustomPaintBox32::Loaded() {
  buffer_current_ = false;
  TCustomControl::Loaded();
}

void TCustomPaintBox32::DoMouseEnter() {
  mouse_inside_ = true;
  if (OnMouseEnter) OnMouseEnter(this);
}

void TCustomPaintBox32::DoMouseLeave() {
  mouse_inside_ = false;
  if (OnMouseLeave) OnMouseLeave(this);
}

// ---- the image control ------------------------------------------------------------------

namespace {

// Round(V x S), halves to even, on the exact product (exact in a double for every size a
// bitmap can have); far too large products end at the 32-bit limit.
int32_t RoundProduct(int32_t V, float S) {
  const long long product = std::llrint(double(V) * double(S));
  return int32_t(std::clamp<long long>(product, INT32_MIN, INT32_MAX));
}

// The two factors of smResize, each a single-precision quotient. Runs inside
// TSinglePrecision, out of line so that nothing of it moves out of the scope.
__attribute__((noinline)) void ComputeResizeFactors(int32_t VW, int32_t W, int32_t VH, int32_t H,
                                                    float& Sx, float& Sy) {
  Sx = float(VW) / float(W);
  Sy = float(VH) / float(H);
}

bool HasArea(const TRect& R) { return R.right > R.left && R.bottom > R.top; }

// Fills what of Area lies outside Hole: the bands above and below it, then the parts left
// and right of it.
void FillAround(TBitmap32& Dest, const TRect& Area, const TRect& Hole, TColor32 Color) {
  const int32_t top = std::max(Area.top, Hole.top), bottom = std::min(Area.bottom, Hole.bottom);
  Dest.FillRectClipped(Area.left, Area.top, Area.right, std::min(Area.bottom, Hole.top), Color);
  Dest.FillRectClipped(Area.left, std::max(Area.top, Hole.bottom), Area.right, Area.bottom, Color);
  Dest.FillRectClipped(Area.left, top, std::min(Area.right, Hole.left), bottom, Color);
  Dest.FillRectClipped(std::max(Area.left, Hole.right), top, Area.right, bottom, Color);
}

// Holds a bitmap's update open for a scope.
class UpdateScope {
 public:
  explicit UpdateScope(TBitmap32& Bitmap) : bitmap_(Bitmap) { bitmap_.BeginUpdate(); }
  ~UpdateScope() { bitmap_.EndUpdate(); }
  UpdateScope(const UpdateScope&) = delete;
  UpdateScope& operator=(const UpdateScope&) = delete;

 private:
  TBitmap32& bitmap_;
};

}  // namespace

TPaintStageItem* TPaintStages::Add() {
  items_.push_back(TPaintStageItem{false, true, 0, 0});
  return &items_.back();
}

TCustomImage32::TCustomImage32(classlib::TControl* Parent) : TCustomPaintBox32(Parent) {
  // Opaque: the buffer covers the whole control, so nothing is erased. The control takes
  // the mouse capture itself, on the left button only (MouseDown).
  SetControlStyle(ControlStyle() | classlib::csOpaque | classlib::csOwnCapture);
  stages_ = std::make_unique<TPaintStages>();
  bitmap_ = std::make_unique<TBitmap32>();
  bitmap_->OnResize = [this](TObject*) { HandleBitmapResize(); };
  layers_ = std::make_unique<TLayerCollection>(this);
  HookLayers();
  if (Optimizer()) Optimizer()->AttachLayerCollection(*layers_);
  SetRepaintMode(rmFull);
  AddDefaultStages();
}

TCustomImage32::~TCustomImage32() {
  // From here on the window gets only the default handling, and neither the bitmap nor
  // the layers report into the control while its parts go: freeing a bitmap resizes it
  // to nothing, which would otherwise reach HandleBitmapResize and OnBitmapResize.
  WindowProc = [this](classlib::TMessage& message) { DefaultHandler(message); };
  UnhookEverything();
  BeginUpdate();
  stages_.reset();
  if (Optimizer()) Optimizer()->DetachLayerCollection(*layers_);
  layers_.reset();
  bitmap_.reset();
}

void TCustomImage32::HookLayers() {
  layers_->OnChange = [this](TObject*) { Changed(); };
  layers_->OnOverlayChange = [this](TObject*) { Paint(); };
  layers_->OnGetViewScale = [this](TObject*, float& ScaleX, float& ScaleY) {
    RefreshGeometry();
    ScaleX = float(map_scale_x_ / 65536.0);
    ScaleY = float(map_scale_y_ / 65536.0);
  };
  layers_->OnGetViewShift = [this](TObject*, float& ShiftX, float& ShiftY) {
    RefreshGeometry();
    ShiftX = float(map_shift_x_);
    ShiftY = float(map_shift_y_);
  };
}

void TCustomImage32::UnhookEverything() {
  bitmap_->OnResize = nullptr;
  bitmap_->OnChange = nullptr;
  bitmap_->OnAreaChanged = nullptr;
  layers_->OnChange = nullptr;
  layers_->OnOverlayChange = nullptr;
  layers_->OnGetViewScale = nullptr;
  layers_->OnGetViewShift = nullptr;
}

void TCustomImage32::AddDefaultStages() {
  const TPaintStageItem defaults[] = {
      {true, true, PST_CLEAR_BACKGND, 0},  {true, false, PST_CONTROL_FRAME, 0},
      {true, true, PST_DRAW_BITMAP, 0},    {true, false, PST_BITMAP_FRAME, 0},
      {true, true, PST_DRAW_LAYERS, LAYER_VISIBLE}};
  for (const TPaintStageItem& item : defaults) *stages_->Add() = item;
}

void TCustomImage32::Loaded() {
  TCustomPaintBox32::Loaded();
  FireInitStages();
}

void TCustomImage32::FireInitStages() {
  if (OnInitStages) OnInitStages(this);
}

void TCustomImage32::FireScaleSet() {
  if (OnScaleSet) OnScaleSet(this);
}

// ---- setters and change notification

void TCustomImage32::ForgetGeometry() {
  if (OptimizerEnabled()) Optimizer()->DiscardPending();
  geometry_current_ = false;
}

void TCustomImage32::SetBitmap(TBitmap32* Value) {
  ForgetGeometry();
  // The repaint follows from the bitmap's own change report, through the mode's hook.
  bitmap_->Assign(Value);
}

void TCustomImage32::SetBitmapAlign(TBitmapAlign Value) {
  ForgetGeometry();
  bitmap_align_ = Value;
  Changed();
}

void TCustomImage32::SetScale(float Value) {
  if (double(Value) < 0.001) Value = 0.001f;
  if (Value == horz_scale_) return;
  ForgetGeometry();
  horz_scale_ = Value;
  vert_scale_ = Value;
  FireScaleSet();
  Changed();
}

void TCustomImage32::SetScaleMode(TScaleMode Value) {
  if (Value == scale_mode_) return;
  ForgetGeometry();
  scale_mode_ = Value;
  Changed();
}

void TCustomImage32::SetRepaintMode(TRepaintMode Value) {
  TCustomPaintBox32::SetRepaintMode(Value);
  switch (Value) {
    case rmDirect:
      bitmap_->OnAreaChanged = [this](TObject* Sender, const TRect& Area, uint32_t Info) {
        BitmapDirectAreaChanged(Sender, Area, Info);
      };
      bitmap_->OnChange = nullptr;
      break;
    case rmOptimizer:
      bitmap_->OnAreaChanged = [this](TObject* Sender, const TRect& Area, uint32_t Info) {
        BitmapOptimizerAreaChanged(Sender, Area, Info);
      };
      bitmap_->OnChange = nullptr;
      break;
    default:
      bitmap_->OnAreaChanged = nullptr;
      bitmap_->OnChange = [this](TObject*) { BitmapFullChanged(); };
      break;
  }
}

void TCustomImage32::Changed() {
  if (update_count_ != 0) return;
  Invalidate();
  if (OnChange) OnChange(this);
}

void TCustomImage32::HandleBitmapChange(const TRect& /*Area*/) { Changed(); }

void TCustomImage32::Invalidate() {
  SetBufferCurrent(false);
  geometry_current_ = false;
  TCustomPaintBox32::Invalidate();
}

void TCustomImage32::Resize() {
  ForgetGeometry();
  TCustomPaintBox32::Resize();
}

// ---- the bitmap's change hooks

TRect TCustomImage32::MapBitmapArea(const TRect& Area) {
  TRect grown = Area;
  // The resampler spreads each source pixel over this many neighbours.
  const int32_t reach = int32_t(bitmap_->Resampler()->GetFilterWidth()) + 1;
  GrowArea(grown, reach, reach);
  const TPoint top_left = MapBitmapPoint(TPoint{grown.left, grown.top});
  const TPoint bottom_right = MapBitmapPoint(TPoint{grown.right, grown.bottom});
  return RectOf(top_left.x, top_left.y, bottom_right.x, bottom_right.y);
}

void TCustomImage32::ForEachTile(const TRect& Mapped,
                                 const std::function<void(const TRect&)>& Add) {
  if (bitmap_align_ != baTile) {
    Add(Mapped);
    return;
  }
  // In tile mode BitmapRect starts at (0, 0): its right and bottom are the tile size.
  const TRect& tile = bitmap_rect_;
  if (!HasArea(tile)) return;
  const int32_t nx = Buffer().Width() / tile.right, ny = Buffer().Height() / tile.bottom;
  for (int32_t j = 0; j <= ny; ++j) {
    for (int32_t i = 0; i <= nx; ++i) {
      TRect r = Mapped;
      OffsetRect(&r, i * tile.right, j * tile.bottom);
      Add(r);
    }
  }
}

void TCustomImage32::BitmapDirectAreaChanged(TObject* Sender, const TRect& Area,
                                             uint32_t /*Info*/) {
  if (Sender == bitmap_.get())
    ForEachTile(MapBitmapArea(Area), [this](const TRect& R) { DirtyRects().Add(R); });
  if (update_count_ != 0) return;
  // A change made while the control paints joins the queue; repainting would nest.
  if (!InCustomPaint()) RepaintDirtyRects();
  if (OnChange) OnChange(this);
}

void TCustomImage32::BitmapOptimizerAreaChanged(TObject* Sender, const TRect& Area,
                                                uint32_t /*Info*/) {
  if (Sender == bitmap_.get()) {
    ForEachTile(MapBitmapArea(Area), [this](const TRect& R) {
      Optimizer()->NoteAreaChange(this, R, AreaInfoRect);
    });
  }
  HandleBitmapChange(Area);
}

void TCustomImage32::BitmapFullChanged() {
  if (Optimizer()) Optimizer()->DiscardPending();
  HandleBitmapChange(bitmap_->BoundsRect());
}

TSize TCustomImage32::AutoSizeOfBitmap() const {
  TSize size{bitmap_->Width(), bitmap_->Height()};
  if (scale_mode_ == smScale) {
    // Both sides with the horizontal factor.
    size.cx = RoundProduct(size.cx, horz_scale_);
    size.cy = RoundProduct(size.cy, horz_scale_);
  }
  return size;
}

void TCustomImage32::HandleBitmapResize() {
  if (AutoSize()) {
    const TSize size = AutoSizeOfBitmap();
    if (size.cx > 0 && size.cy > 0) SetBounds(Left(), Top(), size.cx, size.cy);
  }
  // Fired in the sense Changed notifies: only while no update of the control is open (so
  // never from the destructor, which opens one).
  if (update_count_ == 0 && OnBitmapResize) OnBitmapResize(this);
  ForgetGeometry();
  InvalidateAll();
}

bool TCustomImage32::CanAutoSize(int& NewWidth, int& NewHeight) {
  ForgetGeometry();
  // The class library has neither a design mode nor alignment: the control always takes
  // the bitmap's size, as an unaligned control does at run time.
  const TSize size = AutoSizeOfBitmap();
  NewWidth = size.cx;
  NewHeight = size.cy;
  return true;
}

void TCustomImage32::FitBitmapToControl(bool DoClear, TColor32 ClearColor) {
  const TRect area = GetPaintArea();
  {
    UpdateScope update(*bitmap_);
    bitmap_->SetSize(area.right - area.left, area.bottom - area.top);
    if (DoClear) bitmap_->Clear(ClearColor);
  }
  ForgetGeometry();
  Changed();
}

// ---- geometry

TSize TCustomImage32::ComputeBitmapSize() {
  const TRect area = GetPaintArea();
  const int32_t vw = area.right - area.left, vh = area.bottom - area.top;
  const int32_t w = bitmap_->Width(), h = bitmap_->Height();
  if (bitmap_->IsEmpty() || vw == 0 || vh == 0) return TSize{0, 0};
  TScaleMode mode = scale_mode_;
  if (mode == smOptimal)
    mode = (vw < w || vh < h) ? smResize : smNormal;
  else if (mode == smOptimalScaled)
    mode = (vw < RoundProduct(w, horz_scale_) || vh < RoundProduct(h, vert_scale_)) ? smResize
                                                                                    : smScale;
  TSize size;
  switch (mode) {
    case smNormal:
      size = TSize{w, h};
      break;
    case smStretch:
      size = TSize{vw, vh};
      break;
    case smResize: {
      float sx, sy;
      {
        TSinglePrecision single;
        ComputeResizeFactors(vw, w, vh, h, sx, sy);
      }
      size = sx >= sy ? TSize{RoundProduct(w, sy), vh} : TSize{vw, RoundProduct(h, sx)};
      break;
    }
    default:
      size = TSize{RoundProduct(w, horz_scale_), RoundProduct(h, vert_scale_)};
      break;
  }
  size.cx = std::max<LONG>(size.cx, 0);
  size.cy = std::max<LONG>(size.cy, 0);
  return size;
}

TRect TCustomImage32::ComputeBitmapRect() {
  if (bitmap_->IsEmpty()) return RectOf(0, 0, 0, 0);
  const TSize size = ComputeBitmapSize();
  TRect r = RectOf(0, 0, size.cx, size.cy);
  switch (bitmap_align_) {
    case baCenter:
      // Integer division toward zero: a bitmap wider than the control starts left of it.
      OffsetRect(&r, (Width() - size.cx) / 2, (Height() - size.cy) / 2);
      break;
    case baCustom:
      OffsetRect(&r, int32_t(std::lrint(custom_offset_x_)), int32_t(std::lrint(custom_offset_y_)));
      break;
    default:
      break;
  }
  return r;
}

void TCustomImage32::RefreshGeometry() {
  if (geometry_current_) return;
  bitmap_rect_ = ComputeBitmapRect();
  if (bitmap_->IsEmpty()) {
    map_scale_x_ = map_scale_y_ = 65536;
    map_shift_x_ = map_shift_y_ = 0;
  } else {
    map_shift_x_ = bitmap_rect_.left;
    map_shift_y_ = bitmap_rect_.top;
    map_scale_x_ = MulDiv(bitmap_rect_.right - bitmap_rect_.left, 65536, bitmap_->Width());
    map_scale_y_ = MulDiv(bitmap_rect_.bottom - bitmap_rect_.top, 65536, bitmap_->Height());
  }
  geometry_current_ = true;
}

TPoint TCustomImage32::MapBitmapPoint(const TPoint& P) {
  RefreshGeometry();
  // A 64-bit product: a 16.16 scale times a coordinate passes 2^31 long before either
  // factor is unusual (x 2 at 16384 pixels). The division truncates toward zero.
  return TPoint{LONG(int64_t(P.x) * map_scale_x_ / 65536 + map_shift_x_),
                LONG(int64_t(P.y) * map_scale_y_ / 65536 + map_shift_y_)};
}

// ---- painting

TCustomImage32::TPaintStageHandler TCustomImage32::HandlerOfKind(uint32_t Kind) const {
  switch (Kind) {
    case PST_CUSTOM: return &TCustomImage32::StageCustom;
    case PST_CLEAR_BUFFER: return &TCustomImage32::StageClearBuffer;
    case PST_CLEAR_BACKGND: return &TCustomImage32::StageClearBackground;
    case PST_DRAW_BITMAP: return &TCustomImage32::StageDrawBitmap;
    case PST_DRAW_LAYERS: return &TCustomImage32::StageDrawLayers;
    case PST_CONTROL_FRAME: return &TCustomImage32::StageControlFrame;
    case PST_BITMAP_FRAME: return &TCustomImage32::StageBitmapFrame;
    default: return nullptr;
  }
}

void TCustomImage32::RunStages(TBitmap32& Dest) {
  for (size_t i = 0; i < stage_handlers_.size(); ++i)
    (this->*stage_handlers_[i])(Dest, stage_indices_[i]);
}

bool TCustomImage32::HasInvalidRects() {
  PrepareInvalidRects();
  return DirtyRects().Count() > 0;
}

void TCustomImage32::PaintBuffer() {
  if (OptimizerEnabled()) Optimizer()->BeforeBufferPaint();
  RefreshGeometry();
  // The class library has no design mode: the stages marked for run time take part.
  stage_handlers_.clear();
  stage_indices_.clear();
  stage_handlers_.reserve(size_t(stages_->Count()));
  stage_indices_.reserve(size_t(stages_->Count()));
  for (int32_t i = 0; i < stages_->Count(); ++i) {
    const TPaintStageItem& item = *stages_->Items(i);
    if (!item.AtRunTime) continue;
    if (TPaintStageHandler handler = HandlerOfKind(item.Kind)) {
      stage_handlers_.push_back(handler);
      stage_indices_.push_back(i);
    }
  }
  TBitmap32& buffer = Buffer();
  {
    // Drawing into the buffer reports nothing.
    UpdateScope update(buffer);
    const TRect area = GetPaintArea();
    if (DirtyRects().Count() == 0) {
      buffer.SetClipRect(area);
      RunStages(buffer);
    } else {
      for (int32_t i = 0; i < DirtyRects().Count(); ++i) {
        buffer.SetClipRect(DirtyRects().List()[i]);
        RunStages(buffer);
      }
      buffer.SetClipRect(area);
    }
  }
  if (OptimizerEnabled()) Optimizer()->AfterBufferPaint();
  SetBufferCurrent(true);
}

void TCustomImage32::PaintGDIOverlay() {
  for (int32_t i = 0; i < layers_->LayerCount(); ++i) {
    TCustomLayer* layer = layers_->GetLayer(i);
    if (layer->Options() & LAYER_GDI_OVERLAY) layer->DrawOverlay(Canvas());
  }
  TCustomPaintBox32::PaintGDIOverlay();
}

void TCustomImage32::RenderTo(TBitmap32& Dest, const TRect& DestRect) {
  // rmFull meanwhile, so that drawing raises no repaints of the control.
  const TRepaintMode saved_mode = RepaintMode();
  SetRepaintMode(rmFull);
  struct Restore {
    TCustomImage32& image;
    TRepaintMode mode;
    ~Restore() {
      image.geometry_current_ = false;
      image.SetRepaintMode(mode);
    }
  } restore{*this, saved_mode};
  bitmap_rect_ = DestRect;
  if (!HasArea(DestRect) || bitmap_->IsEmpty()) {
    map_scale_x_ = map_scale_y_ = 65536;
    map_shift_x_ = map_shift_y_ = 0;
  } else {
    map_shift_x_ = DestRect.left;
    map_shift_y_ = DestRect.top;
    map_scale_x_ = MulDiv(DestRect.right - DestRect.left, 65536, bitmap_->Width());
    map_scale_y_ = MulDiv(DestRect.bottom - DestRect.top, 65536, bitmap_->Height());
  }
  geometry_current_ = true;
  for (int32_t i = 0; i < stages_->Count(); ++i) {
    const TPaintStageItem& item = *stages_->Items(i);
    if (!item.AtRunTime) continue;
    if (TPaintStageHandler handler = HandlerOfKind(item.Kind)) (this->*handler)(Dest, i);
  }
}

bool TCustomImage32::NextStageCoversBitmapRect(const TBitmap32& Dest, int32_t StageNum) const {
  // An opaque bitmap is stored pixel for pixel over the whole of BitmapRect (inside the
  // clip rectangle, which both stages share).
  if (bitmap_->IsEmpty() || bitmap_->DrawMode() != dmOpaque || !HasArea(bitmap_rect_)) return false;
  // A fill left out must not be seen: not reported, nor read by a stage in between.
  if (Dest.UpdateCount() == 0 || Dest.CollectingAreas()) return false;
  for (int32_t i = StageNum + 1; i < stages_->Count(); ++i) {
    const TPaintStageItem& item = *stages_->Items(i);
    if (item.AtRunTime && HandlerOfKind(item.Kind)) return item.Kind == PST_DRAW_BITMAP;
  }
  return false;
}

void TCustomImage32::StageClearBackground(TBitmap32& Dest, int32_t StageNum) {
  const TColor32 color = ColorToColor32(Color());
  if (DirtyRects().Count() > 0) {
    // Under an opaque bitmap the fill would only be painted over: then just the parts of
    // the rectangles round BitmapRect are filled.
    const bool covered = NextStageCoversBitmapRect(Dest, StageNum);
    for (int32_t i = 0; i < DirtyRects().Count(); ++i) {
      const TRect& r = DirtyRects().List()[i];
      if (covered)
        FillAround(Dest, r, bitmap_rect_, color);
      else
        Dest.FillRectClipped(r.left, r.top, r.right, r.bottom, color);
    }
    return;
  }
  if (bitmap_->IsEmpty() || bitmap_->DrawMode() != dmOpaque) {
    Dest.Clear(color);
    return;
  }
  // Only the borders round an opaque bitmap.
  const TRect& r = bitmap_rect_;
  const int32_t width = Width(), height = Height();
  if (r.left <= 0 && r.right >= width && r.top <= 0 &&
      (r.bottom >= height || bitmap_align_ == baTile))
    return;
  Dest.FillRectClipped(0, 0, width, r.top, color);
  Dest.FillRectClipped(0, r.bottom, width, height, color);
  Dest.FillRectClipped(0, r.top, r.left, r.bottom, color);
  Dest.FillRectClipped(r.right, r.top, width, r.bottom, color);
}

void TCustomImage32::StageClearBuffer(TBitmap32& Dest, int32_t /*StageNum*/) {
  Dest.Clear(ColorToColor32(Color()));
}

void TCustomImage32::StageDrawBitmap(TBitmap32& Dest, int32_t /*StageNum*/) {
  const TRect r = bitmap_rect_;
  if (bitmap_->IsEmpty() || !HasArea(r)) return;
  BufferLock lock(*bitmap_);
  if (bitmap_align_ != baTile) {
    bitmap_->DrawInto(&Dest, r);
    return;
  }
  for (int32_t j = 0; j <= Dest.Height() / r.bottom; ++j) {
    for (int32_t i = 0; i <= Dest.Width() / r.right; ++i) {
      TRect tile = r;
      OffsetRect(&tile, i * r.right, j * r.bottom);
      bitmap_->DrawInto(&Dest, tile);
    }
  }
}

void TCustomImage32::StageDrawLayers(TBitmap32& Dest, int32_t StageNum) {
  const uint32_t mask = stages_->Items(StageNum)->Param;
  for (int32_t i = 0; i < layers_->LayerCount(); ++i) {
    TCustomLayer* layer = layers_->GetLayer(i);
    if (layer->Options() & mask) layer->DrawInto(Dest);
  }
}

void TCustomImage32::StageControlFrame(TBitmap32& Dest, int32_t /*StageNum*/) {
  const TRect r = RectOf(0, 0, Width(), Height());
  DrawFocusRect(Dest.Handle(), &r);
}

void TCustomImage32::StageBitmapFrame(TBitmap32& Dest, int32_t /*StageNum*/) {
  DrawFocusRect(Dest.Handle(), &bitmap_rect_);
}

void TCustomImage32::StageCustom(TBitmap32& Dest, int32_t StageNum) {
  if (OnPaintStage) OnPaintStage(this, Dest, uint32_t(StageNum));
}

// ---- mouse

void TCustomImage32::MouseDown(classlib::TMouseButton Button, classlib::TShiftState Shift, int X,
                               int Y) {
  TCustomPaintBox32::MouseDown(Button, Shift, X, Y);
  TCustomLayer* layer =
      layers_->RouteMouse ? layers_->RouteMouseDown(Button, Shift, X, Y) : nullptr;
  // Only the left button (or a layer that holds the mouse) captures: a right click leaves
  // the mouse free, for the popup menu.
  if (Button == classlib::TMouseButton::mbLeft || layers_->CapturingLayer())
    SetMouseCapture(true);
  DoMouseDown(Button, Shift, X, Y, layer);
}

void TCustomImage32::MouseMove(classlib::TShiftState Shift, int X, int Y) {
  TCustomPaintBox32::MouseMove(Shift, X, Y);
  TCustomLayer* layer = layers_->RouteMouse ? layers_->RouteMouseMove(Shift, X, Y) : nullptr;
  DoMouseMove(Shift, X, Y, layer);
}

void TCustomImage32::MouseUp(classlib::TMouseButton Button, classlib::TShiftState Shift, int X,
                             int Y) {
  TCustomPaintBox32::MouseUp(Button, Shift, X, Y);
  TCustomLayer* layer =
      layers_->RouteMouse ? layers_->RouteMouseUp(Button, Shift, X, Y) : nullptr;
  if (Button == classlib::TMouseButton::mbLeft && !layers_->CapturingLayer())
    SetMouseCapture(false);
  DoMouseUp(Button, Shift, X, Y, layer);
}

void TCustomImage32::DoMouseDown(classlib::TMouseButton Button, classlib::TShiftState Shift,
                                 int32_t X, int32_t Y, TCustomLayer* Layer) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y, Layer);
}

void TCustomImage32::DoMouseMove(classlib::TShiftState Shift, int32_t X, int32_t Y,
                                 TCustomLayer* Layer) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y, Layer);
}

void TCustomImage32::DoMouseUp(classlib::TMouseButton Button, classlib::TShiftState Shift,
                               int32_t X, int32_t Y, TCustomLayer* Layer) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y, Layer);
}

void TCustomImage32::DoMouseLeave() {
  if (layers_->RouteMouse && !layers_->CapturingLayer())
    classlib::Screen->SetCursor(classlib::crDefault);
  TCustomPaintBox32::DoMouseLeave();
}

}  // namespace raster
