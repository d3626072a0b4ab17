// Graphics classes of the class-library layer: a canvas bound to a device context and a
// bitmap with a canvas of its own.
#pragma once

#include <windows.h>

namespace classlib {

class TBitmap;

// A drawing surface over a device context. The canvas does not own a handle given to it
// with SetHandle; subclasses that make their own context (a bitmap's) do.
class TCanvas {
 public:
  TCanvas() = default;
  explicit TCanvas(HDC dc) : handle_(dc) {}
  virtual ~TCanvas() = default;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  HDC Handle() { RequireHandle(); return handle_; }
  void SetHandle(HDC dc) { handle_ = dc; }
  bool HandleAllocated() const { return handle_ != nullptr; }

  // The raster operation of CopyRect; SRCCOPY by default.
  DWORD CopyMode = SRCCOPY;

  // Stretches `source_rect` of `source` onto `dest_rect` of this canvas with StretchBlt,
  // in the target context's current stretch mode.
  void CopyRect(const RECT& dest_rect, TCanvas& source, const RECT& source_rect);
  // Draws a bitmap unscaled with its top-left corner at (x, y).
  void Draw(int x, int y, TBitmap& bitmap);
  // Draws a bitmap stretched onto `dest_rect`.
  void StretchDraw(const RECT& dest_rect, TBitmap& bitmap);

 protected:
  // Called before the handle is used; a canvas that makes its context on demand does so.
  virtual void RequireHandle() {}

  HDC handle_ = nullptr;
};

// A device-dependent bitmap (compatible with the screen) selected into a memory context of
// its own, which is the handle of its canvas.
class TBitmap {
 public:
  TBitmap() = default;
  TBitmap(int width, int height) { SetSize(width, height); }
  ~TBitmap();
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  // Makes the bitmap `width` x `height`; its content is undefined afterwards.
  void SetSize(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  HBITMAP Handle() const { return bitmap_; }
  TCanvas& Canvas() { return canvas_; }
  bool Empty() const { return bitmap_ == nullptr; }

 private:
  void Release();

  int width_ = 0;
  int height_ = 0;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  TCanvas canvas_;
};

}  // namespace classlib
