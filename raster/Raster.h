// The bitmap unit of the raster library: the notifying and lockable object bases, the
// sized-map base and TBitmap32, a 32-bit ARGB image in a top-down DIB section selected into
// a memory device context of its own, so that the same pixels can be read and written
// through Bits and drawn on with GDI through Handle or the canvas.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "raster/Raster_Containers.h"
#include "raster/Raster_Math.h"
#include "raster/Raster_System.h"
#include "raster/Raster_Types.h"
#include "classlib/graphics.h"
#include "classlib/streams.h"

namespace raster {

// The Info of an area-changed event: Area is a plain rectangle that changed.
constexpr uint32_t AreaInfoRect = 0x80000000u;

// A Windows colour (a COLORREF, or a negative value naming a system colour) as an opaque
// TColor32.
TColor32 ColorToColor32(classlib::TColor Color);

// The storage of a bitmap could not be made: "Can't allocate the DIB handle", "Can't
// create compatible DC" or "Can't select an object into DC".
class EBitmapError : public Exception {
 public:
  using Exception::Exception;
};

// The per-pixel callback of dmCustom: foreground F, background B (changed in place) and
// the master value M.
using TPixelCombineEvent = std::function<void(TColor32 F, TColor32& B, TColor32 M)>;
using TAreaChangedEvent =
    std::function<void(TObject* Sender, const TRect& Area, uint32_t Info)>;

// Change notification: BeginUpdate and EndUpdate nest without firing; Changed fires
// OnChange only while no update is open. Callers that close an update where a change is
// due call Changed themselves.
class TNotifiablePersistent : public TPersistent {
 public:
  static const TClassInfo ClassInfo;
  TClass ClassType() const override { return &ClassInfo; }

  virtual void Changed();
  virtual void BeginUpdate() { ++update_count_; }
  virtual void EndUpdate() { --update_count_; }
  int32_t UpdateCount() const { return update_count_; }

  TNotifyEvent OnChange;

 private:
  int32_t update_count_ = 0;
};

// Adds a lock for users that share the object between threads. LockCount is the number of
// threads inside or waiting.
class TThreadPersistent : public TNotifiablePersistent {
 public:
  static const TClassInfo ClassInfo;
  TClass ClassType() const override { return &ClassInfo; }

  TThreadPersistent() { InitializeCriticalSection(&lock_); }
  ~TThreadPersistent() override { DeleteCriticalSection(&lock_); }

  void Lock();
  void Unlock();
  int32_t LockCount() const { return lock_count_; }

 protected:
  CRITICAL_SECTION* LockObject() { return &lock_; }

 private:
  CRITICAL_SECTION lock_;
  volatile LONG lock_count_ = 0;
};

// An object with a width and a height that are never negative.
class TCustomMap : public TThreadPersistent {
 public:
  static const TClassInfo ClassInfo;
  TClass ClassType() const override { return &ClassInfo; }

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // Negative sizes count as 0. The current size returns false and does nothing; a new
  // one reallocates, then calls Changed and NotifyResized and returns true.
  virtual bool SetSize(int32_t NewWidth, int32_t NewHeight);
  void SetWidth(int32_t Value) { SetSize(Value, height_); }
  void SetHeight(int32_t Value) { SetSize(width_, Value); }
  virtual void MakeEmpty() { SetSize(0, 0); }
  virtual bool IsEmpty() const { return width_ == 0 || height_ == 0; }

  TNotifyEvent OnResize;

 protected:
  virtual void ResizeStorage(int32_t& Width, int32_t& Height, int32_t NewWidth,
                             int32_t NewHeight);
  virtual void NotifyResized();

 private:
  int32_t height_ = 0;
  int32_t width_ = 0;
};

// The weight curve of the bilinear reads: entry i = 255 x (i / 255)^gamma, rounded to the
// nearest integer with halves to even. Start-up builds it with gamma 0.7.
extern uint8_t GammaTable[256];
void SetGamma(float Gamma);

// The blend of a 2 x 2 block: WX and WY (0..255) weigh the left and the upper pixels; P1 is
// the upper-left pixel (the upper-right follows it), P2 the lower-left (the lower-right
// follows it). The plain variant takes weights above 255 as 255 and mixes with
// CombineColors; the MMX variant floors ((right (256 - WX) + left WX) / 256) per channel
// and leaves the MMX state set. The two can differ by one step in a channel.
using TPixelInterpolator = TColor32 (*)(uint32_t WX, uint32_t WY, const TColor32* P1,
                                        const TColor32* P2);
extern TPixelInterpolator PixelInterpolator;
TColor32 PixelInterpolator_Plain(uint32_t WX, uint32_t WY, const TColor32* P1,
                                 const TColor32* P2);
// In Raster_mmx.cpp.
TColor32 PixelInterpolator_MMX(uint32_t WX, uint32_t WY, const TColor32* P1,
                               const TColor32* P2);

// The resampler a bitmap is drawn through (Raster_Resamplers.h).
class TCustomResampler;

class TBitmap32 : public TCustomMap {
 public:
  static const TClassInfo ClassInfo;
  TClass ClassType() const override { return &ClassInfo; }

  TBitmap32();
  ~TBitmap32() override;

  // ---- storage
  // The first pixel of the top row; row y starts at Bits() + y * Width(). Null while empty.
  TColor32* Bits() const { return bits_; }
  // The memory device context holding the DIB section; null while empty.
  HDC Handle() const { return handle_; }
  HBITMAP BitmapHandle() const { return bitmap_handle_; }
  const BITMAPINFO& BitmapInfo() const { return bitmap_info_; }
  bool IsEmpty() const override;
  // The canvas over Handle, made on first use; every drawing call through it is a change
  // of the bitmap. It lives until the next reallocation.
  classlib::TCanvas& Canvas();
  bool CanvasAllocated() const { return canvas_ != nullptr; }
  classlib::TFont& Font() { return *font_; }
  // Takes a copy of Value.
  void SetFont(classlib::TFont& Value) { font_->Assign(&Value); }
  // The font currently selected into Handle by this library: never any, so always null.
  HFONT FontHandle() const { return font_handle_; }

  // ---- clip rectangle, always inside the bounds
  TRect BoundsRect() const { return RectOf(0, 0, Width(), Height()); }
  const TRect& ClipRect() const { return clip_rect_; }
  void SetClipRect(const TRect& Value);
  void ResetClipRect() { SetClipRect(BoundsRect()); }
  const TFixedRect& FixedClipRect() const { return fixed_clip_rect_; }
  const TRect& ClipRect256() const { return clip_rect_256_; }
  bool Clipping() const { return clipping_; }

  // ---- published properties; the setters notify only a new value
  TDrawMode DrawMode() const { return draw_mode_; }
  void SetDrawMode(TDrawMode Value);
  TCombineMode CombineMode() const { return combine_mode_; }
  void SetCombineMode(TCombineMode Value);
  TWrapMode WrapMode() const { return wrap_mode_; }
  void SetWrapMode(TWrapMode Value);
  uint32_t MasterAlpha() const { return master_alpha_; }
  void SetMasterAlpha(uint32_t Value);
  // The colour of reads outside the clip rectangle; a plain field, no event.
  TColor32 OuterColor() const { return outer_color_; }
  void SetOuterColor(TColor32 Value) { outer_color_ = Value; }
  TColor32 PenColor() const { return pen_color_; }
  float StippleStep() const { return stipple_step_; }
  // Never null after construction: a new bitmap holds a TNearestResampler.
  TCustomResampler* Resampler() const { return resampler_; }
  // Takes Value over: frees the current resampler and calls Changed. Null, or the current
  // resampler, is ignored.
  void SetResampler(TCustomResampler* Value);
  // The class name of the resampler.
  std::string ResamplerClassName() const;
  // Replaces the resampler by a new one of the registered class of exactly that name;
  // empty, current or unknown names are ignored.
  void SetResamplerClassName(const std::string& Value);

  TNotifyEvent OnHandleChanged;
  TPixelCombineEvent OnPixelCombine;
  TAreaChangedEvent OnAreaChanged;

  // ---- change notification
  void Changed() override;
  // Reports that Area changed, with the same rules as Changed.
  virtual void AreaChanged(const TRect& Area, uint32_t Info);
  // Until StopAreaCollection, Callback takes the area events, whatever the update count,
  // OnChange is silent, and the operations that test the flag only report their areas.
  void StartAreaCollection(TAreaChangedEvent Callback);
  void StopAreaCollection();
  bool CollectingAreas() const { return collecting_areas_; }

  // ---- assignment; each Assign notifies exactly once at its end
  // A TBitmap32 (pixels, then properties), a class-library bitmap, picture or other
  // graphic, or nil (empties the bitmap).
  void Assign(TPersistent* Source) override;
  // Copies this bitmap into a class-library bitmap or picture.
  void AssignTo(TPersistent* Dest) override;
  virtual void CopyPixelsTo(TBitmap32& Dst) const;
  virtual void CopyPropertiesTo(TBitmap32& Dst) const;

  // ---- pixel addressing without checks: the caller keeps X and Y inside the bitmap
  TColor32* RowPointer(int32_t Y) const { return bits_ + size_t(Y) * size_t(Width()); }
  TColor32* PixelPointer(int32_t X, int32_t Y) const { return RowPointer(Y) + X; }
  TColor32& Pixel(int32_t X, int32_t Y) const { return *PixelPointer(X, Y); }

  // ---- checked reads
  // The pixel inside the clip rectangle, else OuterColor.
  TColor32 PixelClipped(int32_t X, int32_t Y) const;
  // X and Y brought into the clip rectangle by the WrapMode's edge rule; OuterColor while
  // the clip rectangle is empty.
  TColor32 PixelWrapped(int32_t X, int32_t Y) const;
  // Bilinear read at 24.8 coordinates through GammaTable and PixelInterpolator. It reads
  // the pixel right of and below (X >> 8, Y >> 8): the caller keeps X >> 8 < Width - 1
  // and Y >> 8 < Height - 1. Leaves the MMX state as the interpolator does.
  TColor32 PixelBilinear256(uint32_t X, uint32_t Y) const;
  // The same inside the clip rectangle; the last column and row are read without blending
  // and everything else outside gives OuterColor.
  TColor32 PixelBilinear256Clipped(int32_t X, int32_t Y) const;
  // Bilinear reads at 16.16 coordinates; each leaves the MMX state clear.
  TColor32 PixelFixed(TFixed X, TFixed Y) const;
  TColor32 PixelFixedClipped(TFixed X, TFixed Y) const;
  // Wrapped like PixelWrapped, weighted by the top eight bits of each fraction.
  TColor32 PixelFixedWrapped(TFixed X, TFixed Y) const;

  // ---- filling
  // Fills the clip rectangle (all pixels when not clipping), then Changed.
  void Clear(TColor32 Color);
  // Fills X1 <= x < X2, Y1 <= y < Y2, which the caller keeps inside the bitmap.
  void FillRect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TColor32 Color);
  // Fills the part of the rectangle inside the clip rectangle and reports the rectangle.
  void FillRectClipped(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TColor32 Color);
  void SetAlpha(uint8_t A);
  void MakeOpaque() { SetAlpha(255); }

  // ---- drawing
  // Copies the whole bitmap one to one to (X, Y) of DC, alpha ignored.
  void DrawToDC(HDC DC, int32_t X, int32_t Y) const;
  // Draws the whole bitmap into DstRect of Dst, inside Dst's clip rectangle, through this
  // bitmap's resampler, DrawMode and OnPixelCombine (TransferBitmap).
  void DrawInto(TBitmap32* Dst, const TRect& DstRect);
  // Quarter turns into Dst, which takes the turned size (Height x Width) and pixels and
  // notifies once; null (or this bitmap itself) turns this bitmap in place.
  void RotateClockwise(TBitmap32* Dst);
  void RotateCounterClockwise(TBitmap32* Dst);

  // ---- stream property "Data": Width and Height (signed 32-bit), then the pixels, top
  // row first, each as bytes blue, green, red, alpha.
  // A filer's ancestor, when it has one, is a const TPersistent* (std::any).
  void DefineProperties(classlib::TFiler& Filer) override;
  virtual void ReadPixelData(classlib::TStream& Stream);
  virtual void WritePixelData(classlib::TStream& Stream) const;
  // Same class, same size and the same pixels; empty bitmaps equal only empty ones. A nil
  // Other is never the same.
  bool SameAs(const TBitmap32* Other) const;
  // Writes the bitmap as a 32-bit BMP file.
  void SaveAsBmp(classlib::TStream& Stream) const;

 protected:
  void ResizeStorage(int32_t& Width, int32_t& Height, int32_t NewWidth,
                     int32_t NewHeight) override;
  virtual void NotifyHandleChanged();

 private:
  void AllocateStorage(int32_t NewWidth, int32_t NewHeight);
  void ReleaseStorage();
  void ReleaseFontSelection();
  void ReportArea(const TRect& Area, uint32_t Info);
  void FreeCanvas();
  template <typename Steps>
  void WithinUpdate(Steps steps);
  template <typename Value>
  void SetNotifying(Value& Field, Value NewValue);
  void AssignFromGuiBitmap(classlib::TBitmap& Src);
  void AssignFromPicture(classlib::TPicture& Picture);
  void AssignMaskedGraphic(classlib::TGraphic& Graphic, const TRect& Area);
  void DrawGraphic(classlib::TGraphic& Graphic, const TRect& Area);
  void CopyToGuiBitmap(classlib::TBitmap& Dest) const;
  template <typename Place>
  void RotateInto(TBitmap32* Dst, Place place);

  TColor32* bits_ = nullptr;
  std::unique_ptr<classlib::TCanvas> canvas_;
  TRect clip_rect_ = {};
  TFixedRect fixed_clip_rect_ = {};
  TRect clip_rect_256_ = {};
  bool clipping_ = false;
  TDrawMode draw_mode_ = dmOpaque;
  TCombineMode combine_mode_ = cmBlend;
  TWrapMode wrap_mode_ = wmClamp;
  std::unique_ptr<classlib::TFont> font_;
  HBITMAP bitmap_handle_ = nullptr;
  HDC handle_ = nullptr;
  BITMAPINFO bitmap_info_ = {};
  uint32_t master_alpha_ = 0;
  TColor32 outer_color_ = 0;
  TColor32 pen_color_ = 0;
  float stipple_step_ = 0;
  TAreaChangedEvent saved_area_changed_;
  bool collecting_areas_ = false;
  TCustomResampler* resampler_ = nullptr;
  HFONT font_handle_ = nullptr;
};

// The abstract base of everything that can be sampled at a point. The three sampling forms
// forward to each other (integer to fixed, fixed to float, float to fixed), so a concrete
// sampler overrides SampleAtFixed or SampleAtFloat. Samples are taken between
// BeginSampling and EndSampling.
class TCustomSampler : public TNotifiablePersistent {
 public:
  static const TClassInfo ClassInfo;
  TClass ClassType() const override { return &ClassInfo; }

  // SampleAtFixed(X << 16, Y << 16).
  virtual TColor32 SampleAtInt(int32_t X, int32_t Y);
  // SampleAtFloat(X / 65536, Y / 65536) in single precision.
  virtual TColor32 SampleAtFixed(TFixed X, TFixed Y);
  // SampleAtFixed(round(X x 65536), round(Y x 65536)), ties to even.
  virtual TColor32 SampleAtFloat(float X, float Y);
  virtual void BeginSampling() {}
  virtual void EndSampling() {}
  virtual bool HasSampleBounds() { return false; }
  // The full integer range.
  virtual TRect GetSampleBounds();
};

// Start-up and shut-down of this unit (see Raster_Startup.h): the gamma table with gamma
// 0.7, and the stock system font that releasing a font selection puts back.
void StartupRasterUnit();
void ShutdownRasterUnit();

}  // namespace raster
