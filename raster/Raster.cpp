#include "raster/Raster.h"

#include "raster/Raster_Blend.h"
#include "raster/Raster_LowLevel.h"
#include "raster/Raster_Resamplers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace raster {

namespace {

// Put back into a bitmap's context when a font selection is released; fetched at start-up.
HGDIOBJ StockFont = nullptr;

constexpr TColor32 kColourBits = 0x00FFFFFF;
constexpr TColor32 kWhite = 0xFFFFFFFF;
constexpr TColor32 kRed = 0xFFFF0000;

int32_t ShiftedLeft(int32_t value, int bits) { return int32_t(uint32_t(value) << bits); }

size_t PixelCount(const TBitmap32& bitmap) {
  return size_t(bitmap.Width()) * size_t(bitmap.Height());
}

}  // namespace

TColor32 ColorToColor32(classlib::TColor Color) {
  COLORREF rgb = Color < 0 ? GetSysColor(Color & 0xFF) : COLORREF(Color);
  return 0xFF000000u | (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF);
}

// ---- the bases --------------------------------------------------------------------------

const TClassInfo TNotifiablePersistent::ClassInfo{"TNotifiablePersistent",
                                                  &TPersistent::ClassInfo, {}};
const TClassInfo TThreadPersistent::ClassInfo{"TThreadPersistent",
                                              &TNotifiablePersistent::ClassInfo, {}};
const TClassInfo TCustomMap::ClassInfo{"TCustomMap", &TThreadPersistent::ClassInfo, {}};

void TNotifiablePersistent::Changed() {
  if (update_count_ == 0 && OnChange) OnChange(this);
}

void TThreadPersistent::Lock() {
  InterlockedIncrement(&lock_count_);
  EnterCriticalSection(&lock_);
}

void TThreadPersistent::Unlock() {
  LeaveCriticalSection(&lock_);
  InterlockedDecrement(&lock_count_);
}

bool TCustomMap::SetSize(int32_t NewWidth, int32_t NewHeight) {
  NewWidth = std::max(NewWidth, 0);
  NewHeight = std::max(NewHeight, 0);
  if (NewWidth == width_ && NewHeight == height_) return false;
  ResizeStorage(width_, height_, NewWidth, NewHeight);
  Changed();
  NotifyResized();
  return true;
}

void TCustomMap::ResizeStorage(int32_t& Width, int32_t& Height, int32_t NewWidth,
                               int32_t NewHeight) {
  Width = NewWidth;
  Height = NewHeight;
}

void TCustomMap::NotifyResized() {
  if (OnResize) OnResize(this);
}

// ---- TBitmap32: published properties --------------------------------------------------------

namespace {

const TBitmap32& BitmapOf(const TPersistent& instance) {
  return static_cast<const TBitmap32&>(instance);
}
TBitmap32& BitmapOf(TPersistent& instance) { return static_cast<TBitmap32&>(instance); }

// An event: listed with its kind, neither read nor written by value.
TPropInfo EventProperty(const char* name) { return {name, tkMethod, nullptr, nullptr, nullptr}; }

}  // namespace

const TClassInfo TBitmap32::ClassInfo{
    "TBitmap32",
    &TCustomMap::ClassInfo,
    {{"DrawMode", tkEnumeration,
      [](const TPersistent& o) -> TPropertyValue { return int64_t(BitmapOf(o).DrawMode()); },
      [](TPersistent& o, const TPropertyValue& v) {
        BitmapOf(o).SetDrawMode(TDrawMode(OrdinalOf(v)));
      },
      nullptr},
     {"CombineMode", tkEnumeration,
      [](const TPersistent& o) -> TPropertyValue { return int64_t(BitmapOf(o).CombineMode()); },
      [](TPersistent& o, const TPropertyValue& v) {
        BitmapOf(o).SetCombineMode(TCombineMode(OrdinalOf(v)));
      },
      nullptr},
     {"WrapMode", tkEnumeration,
      [](const TPersistent& o) -> TPropertyValue { return int64_t(BitmapOf(o).WrapMode()); },
      [](TPersistent& o, const TPropertyValue& v) {
        BitmapOf(o).SetWrapMode(TWrapMode(OrdinalOf(v)));
      },
      nullptr},
     {"MasterAlpha", tkInteger,
      [](const TPersistent& o) -> TPropertyValue { return int64_t(BitmapOf(o).MasterAlpha()); },
      [](TPersistent& o, const TPropertyValue& v) {
        BitmapOf(o).SetMasterAlpha(uint32_t(OrdinalOf(v)));
      },
      nullptr},
     {"OuterColor", tkInteger,
      [](const TPersistent& o) -> TPropertyValue { return int64_t(BitmapOf(o).OuterColor()); },
      [](TPersistent& o, const TPropertyValue& v) {
        BitmapOf(o).SetOuterColor(TColor32(OrdinalOf(v)));
      },
      nullptr},
     {"ResamplerClassName", tkLString,
      [](const TPersistent& o) -> TPropertyValue { return BitmapOf(o).ResamplerClassName(); },
      [](TPersistent& o, const TPropertyValue& v) {
        BitmapOf(o).SetResamplerClassName(StringOf(v));
      },
      nullptr},
     {"Resampler", tkClass, nullptr, nullptr,
      [](const TPersistent& o) -> TPersistent* { return BitmapOf(o).Resampler(); }},
     EventProperty("OnChange"), EventProperty("OnHandleChanged"),
     EventProperty("OnPixelCombine"), EventProperty("OnAreaChanged"),
     EventProperty("OnResize")}};

// ---- TBitmap32: construction and storage -----------------------------------------------

TBitmap32::TBitmap32() {
  bitmap_info_.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bitmap_info_.bmiHeader.biPlanes = 1;
  bitmap_info_.bmiHeader.biBitCount = 32;
  bitmap_info_.bmiHeader.biCompression = BI_RGB;
  outer_color_ = 0;
  font_ = std::make_unique<classlib::TFont>();
  font_->OnChange = [this](TObject*) { ReleaseFontSelection(); };
  font_->SetOwnerLock(LockObject());
  master_alpha_ = 255;
  pen_color_ = 0xFFFFFFFF;
  stipple_step_ = 1.0f;
  combine_mode_ = cmBlend;
  // The new resampler installs itself through SetResampler.
  TBitmap32Resampler::Create<TNearestResampler>(this);
}

TBitmap32::~TBitmap32() {
  BeginUpdate();
  Lock();
  FreeCanvas();
  SetSize(0, 0);
  font_.reset();
  delete resampler_;
  resampler_ = nullptr;
  Unlock();
}

bool TBitmap32::IsEmpty() const { return bitmap_handle_ == nullptr || TCustomMap::IsEmpty(); }

void TBitmap32::ReleaseFontSelection() {
  if (!font_handle_) return;
  if (handle_) SelectObject(handle_, StockFont);
  font_handle_ = nullptr;
}

void TBitmap32::FreeCanvas() {
  if (!canvas_) return;
  canvas_->SetHandle(nullptr);
  canvas_.reset();
}

void TBitmap32::ReleaseStorage() {
  if (handle_) DeleteDC(handle_);
  handle_ = nullptr;
  if (bitmap_handle_) DeleteObject(bitmap_handle_);
  bitmap_handle_ = nullptr;
  bits_ = nullptr;
}

void TBitmap32::AllocateStorage(int32_t NewWidth, int32_t NewHeight) {
  // A pixel array beyond what a signed 32-bit size can count is refused before the platform
  // sees it: not every CreateDIBSection checks the byte count for overflow.
  if (uint64_t(NewWidth) * uint64_t(NewHeight) * sizeof(TColor32) > uint64_t(INT32_MAX)) {
    throw EBitmapError("Can't allocate the DIB handle");
  }
  bitmap_info_.bmiHeader.biWidth = NewWidth;
  bitmap_info_.bmiHeader.biHeight = -NewHeight;  // negative: the top row comes first
  void* bits = nullptr;
  bitmap_handle_ =
      CreateDIBSection(nullptr, &bitmap_info_, DIB_RGB_COLORS, &bits, nullptr, 0);
  bits_ = static_cast<TColor32*>(bits);
  if (!bits_) {
    ReleaseStorage();
    throw EBitmapError("Can't allocate the DIB handle");
  }
  handle_ = CreateCompatibleDC(nullptr);
  if (!handle_) {
    ReleaseStorage();
    throw EBitmapError("Can't create compatible DC");
  }
  if (!SelectObject(handle_, bitmap_handle_)) {
    ReleaseStorage();
    throw EBitmapError("Can't select an object into DC");
  }
}

void TBitmap32::ResizeStorage(int32_t& Width, int32_t& Height, int32_t NewWidth,
                              int32_t NewHeight) {
  try {
    ReleaseFontSelection();
    FreeCanvas();
    ReleaseStorage();
    Width = 0;
    Height = 0;
    if (NewWidth > 0 && NewHeight > 0) AllocateStorage(NewWidth, NewHeight);
    Width = NewWidth;
    Height = NewHeight;
    ResetClipRect();
  } catch (...) {
    NotifyHandleChanged();
    throw;
  }
  NotifyHandleChanged();
}

void TBitmap32::NotifyHandleChanged() {
  if (canvas_) canvas_->SetHandle(handle_);
  if (OnHandleChanged) OnHandleChanged(this);
}

classlib::TCanvas& TBitmap32::Canvas() {
  if (!canvas_) {
    canvas_ = std::make_unique<classlib::TCanvas>(handle_);
    canvas_->Font().Assign(font_.get());
    canvas_->OnChange = [this](TObject*) { Changed(); };
  }
  return *canvas_;
}

void TBitmap32::SetClipRect(const TRect& Value) {
  IntersectRects(clip_rect_, Value, BoundsRect());
  fixed_clip_rect_ = {ShiftedLeft(clip_rect_.left, 16), ShiftedLeft(clip_rect_.top, 16),
                      ShiftedLeft(clip_rect_.right, 16), ShiftedLeft(clip_rect_.bottom, 16)};
  clip_rect_256_ = RectOf(ShiftedLeft(clip_rect_.left, 8), ShiftedLeft(clip_rect_.top, 8),
                          ShiftedLeft(clip_rect_.right, 8), ShiftedLeft(clip_rect_.bottom, 8));
  TRect bounds = BoundsRect();
  clipping_ = !EqualRect(&clip_rect_, &bounds);
}

// ---- TBitmap32: properties and change notification ---------------------------------------

template <typename Value>
void TBitmap32::SetNotifying(Value& Field, Value NewValue) {
  if (Field == NewValue) return;
  Field = NewValue;
  Changed();
}

void TBitmap32::SetDrawMode(TDrawMode Value) { SetNotifying(draw_mode_, Value); }
void TBitmap32::SetCombineMode(TCombineMode Value) { SetNotifying(combine_mode_, Value); }
void TBitmap32::SetWrapMode(TWrapMode Value) { SetNotifying(wrap_mode_, Value); }
void TBitmap32::SetMasterAlpha(uint32_t Value) { SetNotifying(master_alpha_, Value); }

void TBitmap32::SetResampler(TCustomResampler* Value) {
  if (Value == nullptr || Value == resampler_) return;
  delete resampler_;
  resampler_ = Value;
  Changed();
}

std::string TBitmap32::ResamplerClassName() const {
  return resampler_ ? resampler_->ClassName() : std::string();
}

void TBitmap32::SetResamplerClassName(const std::string& Value) {
  if (Value.empty() || Value == ResamplerClassName()) return;
  const TResamplerClassInfo* found = FindResamplerClass(Value);
  // The new resampler installs itself, which frees the old one and calls Changed.
  if (found != nullptr) found->CreateFor(this);
}

void TBitmap32::Changed() { ReportArea(BoundsRect(), AreaInfoRect); }

void TBitmap32::AreaChanged(const TRect& Area, uint32_t Info) { ReportArea(Area, Info); }

void TBitmap32::ReportArea(const TRect& Area, uint32_t Info) {
  if ((UpdateCount() == 0 || collecting_areas_) && OnAreaChanged) OnAreaChanged(this, Area, Info);
  if (!collecting_areas_) TNotifiablePersistent::Changed();
}

void TBitmap32::StartAreaCollection(TAreaChangedEvent Callback) {
  collecting_areas_ = true;
  saved_area_changed_ = std::move(OnAreaChanged);
  OnAreaChanged = std::move(Callback);
}

void TBitmap32::StopAreaCollection() {
  collecting_areas_ = false;
  OnAreaChanged = std::move(saved_area_changed_);
  saved_area_changed_ = nullptr;
}

// ---- TBitmap32: pixel operations ------------------------------------------------------------

void TBitmap32::Clear(TColor32 Color) {
  if (IsEmpty()) return;
  if (!collecting_areas_) {
    if (clipping_) {
      FillRect(clip_rect_.left, clip_rect_.top, clip_rect_.right, clip_rect_.bottom, Color);
    } else {
      FillDWords(bits_, int32_t(PixelCount(*this)), Color);
    }
  }
  Changed();
}

void TBitmap32::FillRect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TColor32 Color) {
  for (int32_t y = Y1; y < Y2; ++y) {
    FillDWords(bits_ + size_t(y) * Width() + X1, X2 - X1, Color);
  }
  AreaChanged(RectOf(X1, Y1, X2, Y2), AreaInfoRect);
}

void TBitmap32::SetAlpha(uint8_t A) {
  if (!collecting_areas_) {
    TColor32 alpha = TColor32(A) << 24;
    for (TColor32* p = bits_, *end = bits_ + (bits_ ? PixelCount(*this) : 0); p < end; ++p) {
      *p = (*p & kColourBits) | alpha;
    }
  }
  Changed();
}

void TBitmap32::DrawToDC(HDC DC, int32_t X, int32_t Y) const {
  if (IsEmpty()) return;
  StretchDIBits(DC, X, Y, Width(), Height(), 0, 0, Width(), Height(), bits_, &bitmap_info_,
                DIB_RGB_COLORS, SRCCOPY);
}

// ---- TBitmap32: checked and bilinear reads --------------------------------------------------

uint8_t GammaTable[256];

void SetGamma(float Gamma) {
  for (int i = 0; i < 256; ++i) {
    // lrint rounds halves to even in the library's rounding mode.
    GammaTable[i] = uint8_t(std::lrint(255.0 * std::pow(i / 255.0, double(Gamma))));
  }
}

TColor32 PixelInterpolator_Plain(uint32_t WX, uint32_t WY, const TColor32* P1,
                                 const TColor32* P2) {
  WX = std::min(WX, 255u);
  WY = std::min(WY, 255u);
  const TColor32 upper = CombineColors(P1[0], P1[1], WX);
  const TColor32 lower = CombineColors(P2[0], P2[1], WX);
  return CombineColors(upper, lower, WY);
}

TPixelInterpolator PixelInterpolator = PixelInterpolator_Plain;

TColor32 TBitmap32::PixelClipped(int32_t X, int32_t Y) const {
  if (X >= clip_rect_.left && X < clip_rect_.right && Y >= clip_rect_.top &&
      Y < clip_rect_.bottom) {
    return Pixel(X, Y);
  }
  return outer_color_;
}

TColor32 TBitmap32::PixelWrapped(int32_t X, int32_t Y) const {
  if (RectIsEmpty(clip_rect_)) return outer_color_;  // no pixel to bring the point to
  const TWrapProc edge = WrapProcs[wrap_mode_];
  const int32_t y = edge(Y, clip_rect_.top, clip_rect_.bottom - 1);
  const int32_t x = edge(X, clip_rect_.left, clip_rect_.right - 1);
  return Pixel(x, y);
}

TColor32 TBitmap32::PixelBilinear256(uint32_t X, uint32_t Y) const {
  const TColor32* upper = bits_ + (X >> 8) + size_t(Y >> 8) * size_t(Width());
  return PixelInterpolator(GammaTable[255 - (X & 255)], GammaTable[255 - (Y & 255)], upper,
                           upper + Width());
}

TColor32 TBitmap32::PixelBilinear256Clipped(int32_t X, int32_t Y) const {
  if (X < clip_rect_256_.left || Y < clip_rect_256_.top) return outer_color_;
  const int32_t last_x = (clip_rect_.right - 1) * 256;
  const int32_t last_y = (clip_rect_.bottom - 1) * 256;
  if (X < last_x && Y < last_y) return PixelBilinear256(uint32_t(X), uint32_t(Y));
  if (X == last_x && Y <= last_y) return Pixel(clip_rect_.right - 1, Y >> 8);
  if (X <= last_x && Y == last_y) return Pixel(X >> 8, clip_rect_.bottom - 1);
  return outer_color_;
}

TColor32 TBitmap32::PixelFixed(TFixed X, TFixed Y) const {
  const TColor32 result = PixelBilinear256(uint32_t((X + 127) >> 8), uint32_t((Y + 127) >> 8));
  LeaveMmxState();
  return result;
}

TColor32 TBitmap32::PixelFixedClipped(TFixed X, TFixed Y) const {
  const TColor32 result = PixelBilinear256Clipped((X + 127) >> 8, (Y + 127) >> 8);
  LeaveMmxState();
  return result;
}

TColor32 TBitmap32::PixelFixedWrapped(TFixed X, TFixed Y) const {
  if (RectIsEmpty(clip_rect_)) return outer_color_;
  const TWrapProc edge = WrapProcs[wrap_mode_];
  const int32_t ix = X >> 16, iy = Y >> 16;
  const int32_t x1 = edge(ix, clip_rect_.left, clip_rect_.right - 1);
  const int32_t x2 = edge(ix + 1, clip_rect_.left, clip_rect_.right - 1);
  const int32_t y1 = edge(iy, clip_rect_.top, clip_rect_.bottom - 1);
  const int32_t y2 = edge(iy + 1, clip_rect_.top, clip_rect_.bottom - 1);
  const uint32_t wx = (uint32_t(X) >> 8) & 255, wy = (uint32_t(Y) >> 8) & 255;
  const TColor32 upper = CombineColors(Pixel(x2, y1), Pixel(x1, y1), wx);
  const TColor32 lower = CombineColors(Pixel(x2, y2), Pixel(x1, y2), wx);
  const TColor32 result = CombineColors(lower, upper, wy);
  LeaveMmxState();
  return result;
}

// ---- TBitmap32: filling, drawing and turning ------------------------------------------------

void TBitmap32::FillRectClipped(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2,
                                TColor32 Color) {
  if (!collecting_areas_ && X1 < X2 && Y1 < Y2 && X1 < clip_rect_.right &&
      Y1 < clip_rect_.bottom && X2 > clip_rect_.left && Y2 > clip_rect_.top) {
    X1 = std::max<int32_t>(X1, clip_rect_.left);
    Y1 = std::max<int32_t>(Y1, clip_rect_.top);
    X2 = std::min<int32_t>(X2, clip_rect_.right);
    Y2 = std::min<int32_t>(Y2, clip_rect_.bottom);
    FillRect(X1, Y1, X2, Y2, Color);
  }
  AreaChanged(RectOf(X1, Y1, X2, Y2), AreaInfoRect);
}

void TBitmap32::DrawInto(TBitmap32* Dst, const TRect& DstRect) {
  const TRect clip = Dst ? Dst->ClipRect() : TRect{};
  TransferBitmap(Dst, DstRect, clip, this, BoundsRect(), resampler_, draw_mode_,
                 OnPixelCombine);
}

// Turns the pixels into Dst, which takes the turned size; `place` gives the target index
// of source pixel (x, y). Turning into this bitmap itself (or into nothing) turns a copy:
// the target's new storage would otherwise free the pixels before they are read.
template <typename Place>
void TBitmap32::RotateInto(TBitmap32* Dst, Place place) {
  if (Dst == nullptr || Dst == this) {
    TBitmap32 turned;
    RotateInto(&turned, place);
    WithinUpdate([&] { turned.CopyPixelsTo(*this); });
    return;
  }
  Dst->WithinUpdate([&] {
    Dst->SetSize(Height(), Width());
    if (IsEmpty() || Dst->IsEmpty()) return;
    GdiFlush();
    const int32_t width = Width(), height = Height();
    const TColor32* source = bits_;
    TColor32* target = Dst->bits_;
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) target[place(x, y, width, height)] = *source++;
    }
  });
}

void TBitmap32::RotateClockwise(TBitmap32* Dst) {
  RotateInto(Dst, [](int32_t x, int32_t y, int32_t, int32_t height) {
    return size_t(height - 1 - y) + size_t(x) * size_t(height);
  });
}

void TBitmap32::RotateCounterClockwise(TBitmap32* Dst) {
  RotateInto(Dst, [](int32_t x, int32_t y, int32_t width, int32_t height) {
    return size_t(width - 1 - x) * size_t(height) + size_t(y);
  });
}

// ---- the sampler base ---------------------------------------------------------------------

const TClassInfo TCustomSampler::ClassInfo{"TCustomSampler", &TNotifiablePersistent::ClassInfo,
                                           {}};

TColor32 TCustomSampler::SampleAtInt(int32_t X, int32_t Y) {
  return SampleAtFixed(FixedOf(X), FixedOf(Y));
}

TColor32 TCustomSampler::SampleAtFixed(TFixed X, TFixed Y) {
  constexpr float FixedToFloat = 1.0f / 65536.0f;  // a power of two: exact
  return SampleAtFloat(float(X) * FixedToFloat, float(Y) * FixedToFloat);
}

TColor32 TCustomSampler::SampleAtFloat(float X, float Y) {
  return SampleAtFixed(FixedOf(X), FixedOf(Y));
}

TRect TCustomSampler::GetSampleBounds() { return RectOf(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX); }


// ---- TBitmap32: assignment ------------------------------------------------------------------

template <typename Steps>
void TBitmap32::WithinUpdate(Steps steps) {
  BeginUpdate();
  try {
    steps();
  } catch (...) {
    EndUpdate();
    Changed();
    throw;
  }
  EndUpdate();
  Changed();
}

void TBitmap32::Assign(TPersistent* Source) {
  WithinUpdate([&] {
    if (Source == nullptr) {
      SetSize(0, 0);
    } else if (auto* source = dynamic_cast<TBitmap32*>(Source)) {
      source->CopyPixelsTo(*this);
      source->CopyPropertiesTo(*this);
    } else if (auto* bitmap = dynamic_cast<classlib::TBitmap*>(Source)) {
      AssignFromGuiBitmap(*bitmap);
    } else if (auto* graphic = dynamic_cast<classlib::TGraphic*>(Source)) {
      SetSize(graphic->Width(), graphic->Height());
      if (IsEmpty()) return;
      DrawGraphic(*graphic, BoundsRect());
      MakeOpaque();
    } else if (auto* picture = dynamic_cast<classlib::TPicture*>(Source)) {
      AssignFromPicture(*picture);
    } else {
      TCustomMap::Assign(Source);
    }
  });
}

void TBitmap32::DrawGraphic(classlib::TGraphic& Graphic, const TRect& Area) {
  classlib::TCanvas canvas(handle_);
  canvas.StretchDraw(Area, Graphic);
}

void TBitmap32::AssignFromGuiBitmap(classlib::TBitmap& Src) {
  SetSize(Src.Width(), Src.Height());
  if (IsEmpty()) return;
  classlib::TCanvas& source = Src.Canvas();
  source.Lock();
  BitBlt(handle_, 0, 0, Width(), Height(), source.Handle(), 0, 0, SRCCOPY);
  source.Unlock();
  if (Src.PixelFormat() != classlib::TPixelFormat::pf32bit) MakeOpaque();
  if (Src.Transparent()) {
    TColor32 transparent = ColorToColor32(Src.TransparentColor()) & kColourBits;
    for (TColor32* p = bits_, *end = bits_ + PixelCount(*this); p < end; ++p) {
      if ((*p & kColourBits) == transparent) *p &= kColourBits;
    }
  }
  font_->Assign(&source.Font());
}

void TBitmap32::AssignFromPicture(classlib::TPicture& Picture) {
  classlib::TGraphic* graphic = Picture.Graphic();
  if (graphic == nullptr) {
    // A picture without a graphic holds nothing: the bitmap becomes empty.
    SetSize(0, 0);
    return;
  }
  if (auto* bitmap = dynamic_cast<classlib::TBitmap*>(graphic)) return AssignFromGuiBitmap(*bitmap);
  SetSize(graphic->Width(), graphic->Height());
  if (IsEmpty()) return;
  TRect area = RectOf(0, 0, Picture.Width(), Picture.Height());
  if (dynamic_cast<classlib::TIcon*>(graphic) || dynamic_cast<classlib::TMetafile*>(graphic)) {
    AssignMaskedGraphic(*graphic, area);
  } else {
    DrawGraphic(*graphic, area);
    MakeOpaque();
  }
}

// Draws the graphic on white here and on red in a second bitmap: the pixels that come out
// the same on both belong to the graphic and become opaque, the others are background and
// become transparent.
void TBitmap32::AssignMaskedGraphic(classlib::TGraphic& Graphic, const TRect& Area) {
  Clear(kWhite);
  DrawGraphic(Graphic, Area);
  TBitmap32 on_red;
  on_red.SetSize(Width(), Height());
  on_red.Clear(kRed);
  on_red.DrawGraphic(Graphic, Area);
  GdiFlush();
  const TColor32* red = on_red.Bits();
  for (TColor32* p = bits_, *end = bits_ + PixelCount(*this); p < end; ++p, ++red) {
    TColor32 colour = *p & kColourBits;
    *p = (*red & kColourBits) == colour ? colour | 0xFF000000u : colour;
  }
}

void TBitmap32::CopyPixelsTo(TBitmap32& Dst) const {
  Dst.SetSize(Width(), Height());
  if (IsEmpty()) return;
  GdiFlush();
  // Assigning a bitmap to itself copies nothing.
  MoveDWords(bits_, Dst.bits_, int32_t(PixelCount(*this)));
}

void TBitmap32::CopyPropertiesTo(TBitmap32& Dst) const {
  Dst.SetDrawMode(draw_mode_);
  Dst.SetCombineMode(combine_mode_);
  Dst.SetWrapMode(wrap_mode_);
  Dst.SetMasterAlpha(master_alpha_);
  Dst.outer_color_ = outer_color_;
  Dst.SetResamplerClassName(ResamplerClassName());
  // With the class name copied first, the target has every published property of this
  // resampler (a kernel resampler's kernel class before its kernel).
  if (resampler_ && Dst.resampler_) Dst.resampler_->Assign(resampler_);
  Dst.font_->Assign(font_.get());
}

void TBitmap32::AssignTo(TPersistent* Dest) {
  if (auto* picture = dynamic_cast<classlib::TPicture*>(Dest)) {
    CopyToGuiBitmap(picture->Bitmap());
  } else if (auto* bitmap = dynamic_cast<classlib::TBitmap*>(Dest)) {
    CopyToGuiBitmap(*bitmap);
  } else if (Dest == nullptr) {
    throw EAssignError("Cannot assign a " + ClassName() + " to a nil");
  } else {
    TCustomMap::AssignTo(Dest);
  }
}

void TBitmap32::CopyToGuiBitmap(classlib::TBitmap& Dest) const {
  Dest.SetHandleType(classlib::TBitmapHandleType::bmDIB);
  Dest.SetPixelFormat(classlib::TPixelFormat::pf32bit);
  Dest.Canvas().Font().Assign(font_.get());
  Dest.SetWidth(Width());
  Dest.SetHeight(Height());
  GdiFlush();
  DrawToDC(Dest.Canvas().Handle(), 0, 0);
}

// ---- TBitmap32: the stream property ---------------------------------------------------------

void TBitmap32::DefineProperties(classlib::TFiler& Filer) {
  bool has_data = !IsEmpty();
  if (auto* ancestor = std::any_cast<const TPersistent*>(&Filer.Ancestor()); ancestor && *ancestor) {
    auto* ancestor_bitmap = dynamic_cast<const TBitmap32*>(*ancestor);
    has_data = ancestor_bitmap == nullptr || !SameAs(ancestor_bitmap);
  }
  Filer.DefineBinaryProperty(
      "Data", [this](classlib::TStream& Stream) { ReadPixelData(Stream); },
      [this](classlib::TStream& Stream) { WritePixelData(Stream); }, has_data);
}

void TBitmap32::ReadPixelData(classlib::TStream& Stream) {
  try {
    int32_t width = 0;
    int32_t height = 0;
    Stream.ReadBuffer(&width, sizeof width);
    Stream.ReadBuffer(&height, sizeof height);
    SetSize(width, height);
    if (!IsEmpty()) Stream.ReadBuffer(bits_, int64_t(PixelCount(*this)) * sizeof(TColor32));
  } catch (...) {
    Changed();
    throw;
  }
  Changed();
}

void TBitmap32::WritePixelData(classlib::TStream& Stream) const {
  int32_t width = Width();
  int32_t height = Height();
  Stream.WriteBuffer(&width, sizeof width);
  Stream.WriteBuffer(&height, sizeof height);
  GdiFlush();
  if (!IsEmpty()) Stream.WriteBuffer(bits_, int64_t(PixelCount(*this)) * sizeof(TColor32));
}

bool TBitmap32::SameAs(const TBitmap32* Other) const {
  if (Other == nullptr) return false;
  if (IsEmpty() || Other->IsEmpty()) return IsEmpty() && Other->IsEmpty();
  if (ClassType() != Other->ClassType()) return false;
  classlib::TMemoryStream mine;
  classlib::TMemoryStream theirs;
  SaveAsBmp(mine);
  Other->SaveAsBmp(theirs);
  return mine.Bytes() == theirs.Bytes();
}

void TBitmap32::SaveAsBmp(classlib::TStream& Stream) const {
  classlib::TBitmap bitmap;
  CopyToGuiBitmap(bitmap);
  bitmap.SaveToStream(Stream);
}

// ---- the unit's start-up ------------------------------------------------------------------

void StartupRasterUnit() {
  SetGamma(0.7f);
  StockFont = GetStockObject(SYSTEM_FONT);
}

void ShutdownRasterUnit() { StockFont = nullptr; }

}  // namespace raster
