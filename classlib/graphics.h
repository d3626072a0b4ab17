// Graphics classes of the class-library layer: colours, the font, pen and brush of a canvas,
// the canvas over a device context, and the graphics a canvas can draw (bitmap, icon,
// enhanced metafile) with the picture that holds one of them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "classlib/persistent.h"

namespace classlib {

class TStream;

// A Windows colour: a COLORREF 0x00BBGGRR, or a negative value naming the system colour
// in its low byte (clSystemColor | COLOR_...).
using TColor = int32_t;
constexpr TColor clSystemColor = static_cast<TColor>(0x80000000u);
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;

// The COLORREF a colour stands for now (system colours looked up).
COLORREF ColorToRGB(TColor color);

// The base of fonts, pens and brushes: attributes behind a GDI handle made on demand. Every
// change drops the handle and fires OnChange. A graphics object owned by another object can
// share that owner's lock (SetOwnerLock); Lock and Unlock then use it.
class TGraphicsObject : public TPersistent {
 public:
  TGraphicsObject() = default;
  TGraphicsObject(const TGraphicsObject&) = delete;
  TGraphicsObject& operator=(const TGraphicsObject&) = delete;
  ~TGraphicsObject() override { ReleaseHandle(); }

  TNotifyEvent OnChange;

  void SetOwnerLock(CRITICAL_SECTION* lock) { owner_lock_ = lock; }
  void Lock() { if (owner_lock_) EnterCriticalSection(owner_lock_); }
  void Unlock() { if (owner_lock_) LeaveCriticalSection(owner_lock_); }
  bool HandleAllocated() const { return handle_ != nullptr; }

 protected:
  // Called after every change of an attribute.
  void Changed();
  // Stores a new attribute value; a change drops the handle and notifies.
  template <typename Value>
  void SetAttribute(Value& attribute, const Value& value) {
    if (attribute == value) return;
    attribute = value;
    Changed();
  }
  HGDIOBJ CachedHandle() const { return handle_; }
  void CacheHandle(HGDIOBJ handle) { handle_ = handle; }
  void ReleaseHandle();

 private:
  HGDIOBJ handle_ = nullptr;
  CRITICAL_SECTION* owner_lock_ = nullptr;
};

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = uint8_t;

class TFont : public TGraphicsObject {
 public:
  TFont();

  const std::wstring& Name() const { return name_; }
  void SetName(const std::wstring& name);
  // Height in pixels of the character cell; negative: of the characters (as LOGFONT).
  int Height() const { return height_; }
  void SetHeight(int height);
  // Size in points at the screen's resolution.
  int Size() const;
  void SetSize(int points);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles style);
  BYTE Charset() const { return charset_; }
  void SetCharset(BYTE charset);

  HFONT Handle();
  // Takes over every attribute of another TFont with one change notification.
  void Assign(TPersistent* source) override;

 private:
  std::wstring name_;
  int height_;
  TColor color_ = clWindowText;
  TFontStyles style_ = 0;
  BYTE charset_ = DEFAULT_CHARSET;
};

enum class TPenStyle { psSolid, psDash, psDot, psClear };

class TPen : public TGraphicsObject {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  int Width() const { return width_; }
  void SetWidth(int width);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle style);
  HPEN Handle();
  void Assign(TPersistent* source) override;

 private:
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = TPenStyle::psSolid;
};

enum class TBrushStyle { bsSolid, bsClear };

class TBrush : public TGraphicsObject {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle style);
  // A solid brush of Color; the null brush for bsClear.
  HBRUSH Handle();
  void Assign(TPersistent* source) override;

 private:
  TColor color_ = clWhite;
  TBrushStyle style_ = TBrushStyle::bsSolid;
};

class TGraphic;
class TBitmap;

// A drawing surface over a device context. The canvas does not own a handle given to it
// with SetHandle; subclasses that make their own context (a bitmap's) do. Every drawing
// call fires OnChanging before and OnChange after it draws. The pen, brush and font are
// selected into the context only for the call that uses them, so the context never holds
// one of their handles between calls.
class TCanvas : public TPersistent {
 public:
  TCanvas();
  explicit TCanvas(HDC dc);
  ~TCanvas() override;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  HDC Handle() { RequireHandle(); return handle_; }
  void SetHandle(HDC dc) { handle_ = dc; }
  bool HandleAllocated() const { return handle_ != nullptr; }

  // The raster operation of CopyRect; SRCCOPY by default.
  DWORD CopyMode = SRCCOPY;
  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

  TFont& Font() { return *font_; }
  TPen& Pen() { return *pen_; }
  TBrush& Brush() { return *brush_; }

  // Serialises users of the canvas across threads; nests.
  void Lock();
  void Unlock();
  int LockCount() const { return lock_count_; }

  // Stretches `source_rect` of `source` onto `dest_rect` of this canvas with StretchBlt,
  // in the target context's current stretch mode.
  void CopyRect(const RECT& dest_rect, TCanvas& source, const RECT& source_rect);
  // Draws a graphic unscaled with its top-left corner at (x, y).
  void Draw(int x, int y, TGraphic& graphic);
  // Draws a graphic stretched onto `dest_rect`.
  void StretchDraw(const RECT& dest_rect, TGraphic& graphic);
  // Fills a rectangle (right and bottom exclusive) with the brush.
  void FillRect(const RECT& rect);
  // Outlines with the pen and fills with the brush.
  void Rectangle(int left, int top, int right, int bottom);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  // Writes text with the font; the background is the brush's colour, or left alone when
  // the brush is clear.
  void TextOut(int x, int y, const std::wstring& text);
  COLORREF Pixel(int x, int y);
  void SetPixel(int x, int y, TColor color);

 protected:
  // Called before the handle is used; a canvas that makes its context on demand does so.
  virtual void RequireHandle() {}
  void Changing();
  void Changed();

  HDC handle_ = nullptr;

 private:
  std::unique_ptr<TFont> font_;
  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TBrush> brush_;
  CRITICAL_SECTION lock_;
  int lock_count_ = 0;
};

// Something a canvas can draw: a bitmap, icon or metafile.
class TGraphic : public TPersistent {
 public:
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Empty() const = 0;
  // Draws the graphic into `rect` of `canvas`.
  virtual void Draw(TCanvas& canvas, const RECT& rect) = 0;
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent) { transparent_ = transparent; }

 private:
  bool transparent_ = false;
};

enum class TBitmapHandleType { bmDIB, bmDDB };
// pfDevice: a device-dependent bitmap in the screen's format; the others are DIB sections
// of that many bits per pixel.
enum class TPixelFormat { pfDevice, pf24bit, pf32bit };
// tmAuto: the transparent colour is that of the bottom-left pixel; tmFixed: the one set.
enum class TTransparentMode { tmAuto, tmFixed };

// A bitmap selected into a memory context of its own, which is the handle of its canvas.
// Changing the size, handle type or pixel format makes a new bitmap and copies over what
// the old one held in the area both share.
class TBitmap : public TGraphic {
 public:
  TBitmap();
  TBitmap(int width, int height);
  ~TBitmap() override;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, height_); }
  void SetHeight(int height) { SetSize(width_, height); }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  bool Empty() const override { return bitmap_ == nullptr; }
  HBITMAP Handle() const { return bitmap_; }
  TCanvas& Canvas();

  TBitmapHandleType HandleType() const { return handle_type_; }
  void SetHandleType(TBitmapHandleType type);
  TPixelFormat PixelFormat() const { return pixel_format_; }
  void SetPixelFormat(TPixelFormat format);

  TTransparentMode TransparentMode() const { return transparent_mode_; }
  void SetTransparentMode(TTransparentMode mode) { transparent_mode_ = mode; }
  TColor TransparentColor();
  // Sets the colour and the tmFixed mode.
  void SetTransparentColor(TColor color);

  void Draw(TCanvas& canvas, const RECT& rect) override;
  // Writes the bitmap as a BMP file: file header, 40-byte info header, bottom-up rows of
  // 24 or 32 bits per pixel (32 for device bitmaps). An empty bitmap writes nothing.
  void SaveToStream(TStream& stream);

 private:
  void Recreate(int width, int height, TBitmapHandleType type, TPixelFormat format);
  HBITMAP CreateStorage(int width, int height, TBitmapHandleType type, TPixelFormat format);

  int width_ = 0;
  int height_ = 0;
  TBitmapHandleType handle_type_ = TBitmapHandleType::bmDDB;
  TPixelFormat pixel_format_ = TPixelFormat::pfDevice;
  TTransparentMode transparent_mode_ = TTransparentMode::tmAuto;
  TColor transparent_color_ = clWhite;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  std::unique_ptr<TCanvas> canvas_;
};

// An icon; it owns the icon handle it is given.
class TIcon : public TGraphic {
 public:
  TIcon() = default;
  ~TIcon() override;
  TIcon(const TIcon&) = delete;
  TIcon& operator=(const TIcon&) = delete;

  HICON Handle() const { return icon_; }
  // Takes over `icon` (destroying the one held before) and reads its size.
  void SetHandle(HICON icon);
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  bool Empty() const override { return icon_ == nullptr; }
  // DrawIconEx into `rect` with the icon's mask.
  void Draw(TCanvas& canvas, const RECT& rect) override;

 private:
  HICON icon_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// An enhanced metafile; it owns the handle it is given.
class TMetafile : public TGraphic {
 public:
  TMetafile() = default;
  ~TMetafile() override;
  TMetafile(const TMetafile&) = delete;
  TMetafile& operator=(const TMetafile&) = delete;

  HENHMETAFILE Handle() const { return metafile_; }
  // Takes over `metafile` and takes its size in pixels from its header's bounds.
  void SetHandle(HENHMETAFILE metafile);
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int width) { width_ = width; }
  void SetHeight(int height) { height_ = height; }
  bool Empty() const override { return metafile_ == nullptr; }
  // Plays the metafile into `rect`.
  void Draw(TCanvas& canvas, const RECT& rect) override;

 private:
  HENHMETAFILE metafile_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// Holds one graphic of any kind, or none.
class TPicture : public TPersistent {
 public:
  TGraphic* Graphic() const { return graphic_.get(); }
  void SetGraphic(std::unique_ptr<TGraphic> graphic) { graphic_ = std::move(graphic); }
  // The picture's bitmap; a picture that holds another graphic, or none, gets a new empty
  // bitmap in its place.
  TBitmap& Bitmap();
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

 private:
  std::unique_ptr<TGraphic> graphic_;
};

}  // namespace classlib
