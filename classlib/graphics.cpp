#include "classlib/graphics.h"

#include <algorithm>
#include <vector>

#include "classlib/streams.h"

namespace classlib {

namespace {

constexpr int kDefaultFontHeight = -11;  // 8 points at 96 pixels per inch

int ScreenPixelsPerInch() {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

// Selects a GDI object into a context for the lifetime of the guard.
class SelectionGuard {
 public:
  SelectionGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectionGuard() {
    if (previous_) SelectObject(dc_, previous_);
  }
  SelectionGuard(const SelectionGuard&) = delete;
  SelectionGuard& operator=(const SelectionGuard&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace

COLORREF ColorToRGB(TColor color) {
  return color < 0 ? GetSysColor(color & 0xFF) : static_cast<COLORREF>(color) & 0xFFFFFF;
}

// ---- graphics objects --------------------------------------------------------------------

void TGraphicsObject::Changed() {
  ReleaseHandle();
  if (OnChange) OnChange(this);
}

void TGraphicsObject::ReleaseHandle() {
  if (handle_) DeleteObject(handle_);
  handle_ = nullptr;
}

TFont::TFont() : name_(L"Tahoma"), height_(kDefaultFontHeight) {}

void TFont::SetName(const std::wstring& name) { SetAttribute(name_, name); }

void TFont::SetHeight(int height) { SetAttribute(height_, height); }

int TFont::Size() const { return -MulDiv(height_, 72, ScreenPixelsPerInch()); }

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, ScreenPixelsPerInch(), 72)); }

void TFont::SetColor(TColor color) { SetAttribute(color_, color); }

void TFont::SetStyle(TFontStyles style) { SetAttribute(style_, style); }

void TFont::SetCharset(BYTE charset) { SetAttribute(charset_, charset); }

HFONT TFont::Handle() {
  if (!CachedHandle()) {
    LOGFONTW font = {};
    font.lfHeight = height_;
    font.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
    font.lfItalic = (style_ & fsItalic) != 0;
    font.lfUnderline = (style_ & fsUnderline) != 0;
    font.lfStrikeOut = (style_ & fsStrikeOut) != 0;
    font.lfCharSet = charset_;
    lstrcpynW(font.lfFaceName, name_.c_str(), LF_FACESIZE);
    CacheHandle(CreateFontIndirectW(&font));
  }
  return static_cast<HFONT>(CachedHandle());
}

void TFont::Assign(TPersistent* source) {
  auto* other = dynamic_cast<TFont*>(source);
  if (!other) return TPersistent::Assign(source);
  if (other == this) return;
  Lock();
  name_ = other->name_;
  height_ = other->height_;
  color_ = other->color_;
  style_ = other->style_;
  charset_ = other->charset_;
  Unlock();
  Changed();
}

void TPen::SetColor(TColor color) { SetAttribute(color_, color); }

void TPen::SetWidth(int width) { SetAttribute(width_, width); }

void TPen::SetStyle(TPenStyle style) { SetAttribute(style_, style); }

HPEN TPen::Handle() {
  if (!CachedHandle()) {
    static constexpr int kStyles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_NULL};
    CacheHandle(CreatePen(kStyles[static_cast<int>(style_)], width_, ColorToRGB(color_)));
  }
  return static_cast<HPEN>(CachedHandle());
}

void TPen::Assign(TPersistent* source) {
  auto* other = dynamic_cast<TPen*>(source);
  if (!other) return TPersistent::Assign(source);
  color_ = other->color_;
  width_ = other->width_;
  style_ = other->style_;
  Changed();
}

void TBrush::SetColor(TColor color) {
  if (color == color_ && style_ == TBrushStyle::bsSolid) return;
  color_ = color;
  style_ = TBrushStyle::bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle style) { SetAttribute(style_, style); }

HBRUSH TBrush::Handle() {
  if (!CachedHandle()) {
    CacheHandle(style_ == TBrushStyle::bsClear ? GetStockObject(NULL_BRUSH)
                                               : CreateSolidBrush(ColorToRGB(color_)));
  }
  return static_cast<HBRUSH>(CachedHandle());
}

void TBrush::Assign(TPersistent* source) {
  auto* other = dynamic_cast<TBrush*>(source);
  if (!other) return TPersistent::Assign(source);
  color_ = other->color_;
  style_ = other->style_;
  Changed();
}

// ---- canvas ------------------------------------------------------------------------------

TCanvas::TCanvas()
    : font_(std::make_unique<TFont>()),
      pen_(std::make_unique<TPen>()),
      brush_(std::make_unique<TBrush>()) {
  InitializeCriticalSection(&lock_);
}

TCanvas::TCanvas(HDC dc) : TCanvas() { handle_ = dc; }

TCanvas::~TCanvas() { DeleteCriticalSection(&lock_); }

void TCanvas::Lock() {
  EnterCriticalSection(&lock_);
  ++lock_count_;
}

void TCanvas::Unlock() {
  --lock_count_;
  LeaveCriticalSection(&lock_);
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

void TCanvas::CopyRect(const RECT& dest_rect, TCanvas& source, const RECT& source_rect) {
  Changing();
  StretchBlt(Handle(), dest_rect.left, dest_rect.top, dest_rect.right - dest_rect.left,
             dest_rect.bottom - dest_rect.top, source.Handle(), source_rect.left,
             source_rect.top, source_rect.right - source_rect.left,
             source_rect.bottom - source_rect.top, CopyMode);
  Changed();
}

void TCanvas::Draw(int x, int y, TGraphic& graphic) {
  if (graphic.Empty()) return;
  StretchDraw(RECT{x, y, x + graphic.Width(), y + graphic.Height()}, graphic);
}

void TCanvas::StretchDraw(const RECT& dest_rect, TGraphic& graphic) {
  if (graphic.Empty()) return;
  Changing();
  graphic.Draw(*this, dest_rect);
  Changed();
}

void TCanvas::FillRect(const RECT& rect) {
  Changing();
  ::FillRect(Handle(), &rect, brush_->Handle());
  Changed();
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
  Changing();
  HDC dc = Handle();
  SelectionGuard pen(dc, pen_->Handle());
  SelectionGuard brush(dc, brush_->Handle());
  ::Rectangle(dc, left, top, right, bottom);
  Changed();
}

void TCanvas::MoveTo(int x, int y) { MoveToEx(Handle(), x, y, nullptr); }

void TCanvas::LineTo(int x, int y) {
  Changing();
  HDC dc = Handle();
  SelectionGuard pen(dc, pen_->Handle());
  ::LineTo(dc, x, y);
  Changed();
}

void TCanvas::TextOut(int x, int y, const std::wstring& text) {
  Changing();
  HDC dc = Handle();
  SelectionGuard font(dc, font_->Handle());
  SetTextColor(dc, ColorToRGB(font_->Color()));
  bool clear = brush_->Style() == TBrushStyle::bsClear;
  SetBkMode(dc, clear ? TRANSPARENT : OPAQUE);
  if (!clear) SetBkColor(dc, ColorToRGB(brush_->Color()));
  ::TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
  Changed();
}

COLORREF TCanvas::Pixel(int x, int y) { return GetPixel(Handle(), x, y); }

void TCanvas::SetPixel(int x, int y, TColor color) {
  Changing();
  ::SetPixel(Handle(), x, y, ColorToRGB(color));
  Changed();
}

// ---- bitmap ------------------------------------------------------------------------------

namespace {

// The canvas of a TBitmap: its memory context is made on first use and holds the bitmap's
// current handle.
class TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(HBITMAP bitmap) : bitmap_(bitmap) {}
  ~TBitmapCanvas() override {
    if (!handle_) return;
    if (previous_) SelectObject(handle_, previous_);
    DeleteDC(handle_);
  }
  // Selects `bitmap` (or nothing) in place of the one held before.
  void Select(HBITMAP bitmap) {
    bitmap_ = bitmap;
    if (!handle_) return;
    if (previous_) SelectObject(handle_, previous_);
    previous_ = bitmap ? SelectObject(handle_, bitmap) : nullptr;
  }

 protected:
  void RequireHandle() override {
    if (handle_) return;
    handle_ = CreateCompatibleDC(nullptr);
    if (handle_ && bitmap_) previous_ = SelectObject(handle_, bitmap_);
  }

 private:
  HBITMAP bitmap_;
  HGDIOBJ previous_ = nullptr;
};

WORD BitsPerPixel(TPixelFormat format) { return format == TPixelFormat::pf24bit ? 24 : 32; }

BITMAPINFOHEADER InfoHeader(int width, int height, WORD bits_per_pixel) {
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;  // positive: bottom-up rows
  header.biPlanes = 1;
  header.biBitCount = bits_per_pixel;
  header.biCompression = BI_RGB;
  return header;
}

}  // namespace

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height) { SetSize(width, height); }

TBitmap::~TBitmap() {
  canvas_.reset();
  if (bitmap_) DeleteObject(bitmap_);
}

TCanvas& TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(bitmap_);
  return *canvas_;
}

HBITMAP TBitmap::CreateStorage(int width, int height, TBitmapHandleType type,
                               TPixelFormat format) {
  if (width <= 0 || height <= 0) return nullptr;
  if (type == TBitmapHandleType::bmDDB) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    return bitmap;
  }
  BITMAPINFO info = {};
  info.bmiHeader = InfoHeader(width, height, BitsPerPixel(format));
  void* bits = nullptr;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

void TBitmap::Recreate(int width, int height, TBitmapHandleType type, TPixelFormat format) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  HBITMAP created = CreateStorage(width, height, type, format);
  if (created && bitmap_) {
    // Keep what the area both bitmaps share showed.
    HDC target = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(target, created);
    BitBlt(target, 0, 0, std::min(width, width_), std::min(height, height_), Canvas().Handle(),
           0, 0, SRCCOPY);
    SelectObject(target, previous);
    DeleteDC(target);
  }
  if (canvas_) static_cast<TBitmapCanvas&>(*canvas_).Select(created);
  if (bitmap_) DeleteObject(bitmap_);
  bitmap_ = created;
  width_ = width;
  height_ = height;
  handle_type_ = type;
  pixel_format_ = format;
}

void TBitmap::SetSize(int width, int height) {
  if (width == width_ && height == height_) return;
  Recreate(width, height, handle_type_, pixel_format_);
}

void TBitmap::SetHandleType(TBitmapHandleType type) {
  if (type == handle_type_) return;
  TPixelFormat format = type == TBitmapHandleType::bmDDB ? TPixelFormat::pfDevice
                        : pixel_format_ == TPixelFormat::pfDevice ? TPixelFormat::pf32bit
                                                                  : pixel_format_;
  Recreate(width_, height_, type, format);
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == pixel_format_) return;
  TBitmapHandleType type =
      format == TPixelFormat::pfDevice ? TBitmapHandleType::bmDDB : TBitmapHandleType::bmDIB;
  Recreate(width_, height_, type, format);
}

TColor TBitmap::TransparentColor() {
  if (transparent_mode_ == TTransparentMode::tmFixed) return transparent_color_;
  if (Empty()) return clWhite;
  return static_cast<TColor>(GetPixel(Canvas().Handle(), 0, height_ - 1));
}

void TBitmap::SetTransparentColor(TColor color) {
  transparent_color_ = color;
  transparent_mode_ = TTransparentMode::tmFixed;
}

void TBitmap::Draw(TCanvas& canvas, const RECT& rect) {
  if (Empty()) return;
  StretchBlt(canvas.Handle(), rect.left, rect.top, rect.right - rect.left,
             rect.bottom - rect.top, Canvas().Handle(), 0, 0, width_, height_, SRCCOPY);
}

void TBitmap::SaveToStream(TStream& stream) {
  if (Empty()) return;
  WORD bits_per_pixel = BitsPerPixel(pixel_format_);
  BITMAPINFO info = {};
  info.bmiHeader = InfoHeader(width_, height_, bits_per_pixel);
  // Rows of a BMP file are padded to four bytes.
  DWORD row_bytes = ((static_cast<DWORD>(width_) * bits_per_pixel + 31) / 32) * 4;
  std::vector<uint8_t> rows(static_cast<size_t>(row_bytes) * height_);
  GdiFlush();
  // GetDIBits wants the bitmap out of every context while it reads.
  if (canvas_) static_cast<TBitmapCanvas&>(*canvas_).Select(nullptr);
  HDC screen = GetDC(nullptr);
  int copied = GetDIBits(screen, bitmap_, 0, height_, rows.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (canvas_) static_cast<TBitmapCanvas&>(*canvas_).Select(bitmap_);
  if (copied != height_) throw EWriteError("Stream write error");

  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + static_cast<DWORD>(rows.size());
  BITMAPINFOHEADER header = InfoHeader(width_, height_, bits_per_pixel);
  header.biSizeImage = static_cast<DWORD>(rows.size());
  stream.WriteBuffer(&file, sizeof file);
  stream.WriteBuffer(&header, sizeof header);
  stream.WriteBuffer(rows.data(), static_cast<int64_t>(rows.size()));
}

// ---- icon, metafile, picture -------------------------------------------------------------

TIcon::~TIcon() {
  if (icon_) DestroyIcon(icon_);
}

void TIcon::SetHandle(HICON icon) {
  if (icon_ && icon_ != icon) DestroyIcon(icon_);
  icon_ = icon;
  width_ = height_ = 0;
  ICONINFO info = {};
  if (!icon || !GetIconInfo(icon, &info)) return;
  BITMAP mask = {};
  GetObject(info.hbmMask, sizeof mask, &mask);
  width_ = mask.bmWidth;
  // A monochrome icon keeps its image below the mask in one bitmap of double height.
  height_ = info.hbmColor ? mask.bmHeight : mask.bmHeight / 2;
  if (info.hbmColor) DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
}

void TIcon::Draw(TCanvas& canvas, const RECT& rect) {
  if (Empty()) return;
  DrawIconEx(canvas.Handle(), rect.left, rect.top, icon_, rect.right - rect.left,
             rect.bottom - rect.top, 0, nullptr, DI_NORMAL);
}

TMetafile::~TMetafile() {
  if (metafile_) DeleteEnhMetaFile(metafile_);
}

void TMetafile::SetHandle(HENHMETAFILE metafile) {
  if (metafile_ && metafile_ != metafile) DeleteEnhMetaFile(metafile_);
  metafile_ = metafile;
  width_ = height_ = 0;
  ENHMETAHEADER header = {};
  if (!metafile || !GetEnhMetaFileHeader(metafile, sizeof header, &header)) return;
  // The picture frame is in 0.01 mm; the reference device's size gives its pixels.
  if (header.szlMillimeters.cx <= 0 || header.szlMillimeters.cy <= 0) return;
  width_ = MulDiv(header.rclFrame.right - header.rclFrame.left, header.szlDevice.cx,
                  header.szlMillimeters.cx * 100);
  height_ = MulDiv(header.rclFrame.bottom - header.rclFrame.top, header.szlDevice.cy,
                   header.szlMillimeters.cy * 100);
}

void TMetafile::Draw(TCanvas& canvas, const RECT& rect) {
  if (Empty()) return;
  PlayEnhMetaFile(canvas.Handle(), metafile_, &rect);
}

TBitmap& TPicture::Bitmap() {
  auto* bitmap = dynamic_cast<TBitmap*>(graphic_.get());
  if (!bitmap) {
    graphic_ = std::make_unique<TBitmap>();
    bitmap = static_cast<TBitmap*>(graphic_.get());
  }
  return *bitmap;
}

}  // namespace classlib
