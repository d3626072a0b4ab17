#include "graphics.h"

namespace classlib {

void TCanvas::CopyRect(const RECT& dest_rect, TCanvas& source, const RECT& source_rect) {
  StretchBlt(Handle(), dest_rect.left, dest_rect.top, dest_rect.right - dest_rect.left,
             dest_rect.bottom - dest_rect.top, source.Handle(), source_rect.left,
             source_rect.top, source_rect.right - source_rect.left,
             source_rect.bottom - source_rect.top, CopyMode);
}

void TCanvas::Draw(int x, int y, TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  BitBlt(Handle(), x, y, bitmap.Width(), bitmap.Height(), bitmap.Canvas().Handle(), 0, 0,
         SRCCOPY);
}

void TCanvas::StretchDraw(const RECT& dest_rect, TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  StretchBlt(Handle(), dest_rect.left, dest_rect.top, dest_rect.right - dest_rect.left,
             dest_rect.bottom - dest_rect.top, bitmap.Canvas().Handle(), 0, 0, bitmap.Width(),
             bitmap.Height(), SRCCOPY);
}

TBitmap::~TBitmap() { Release(); }

void TBitmap::Release() {
  HDC dc = canvas_.HandleAllocated() ? canvas_.Handle() : nullptr;
  if (dc) {
    if (previous_) SelectObject(dc, previous_);
    DeleteDC(dc);
    canvas_.SetHandle(nullptr);
  }
  if (bitmap_) DeleteObject(bitmap_);
  bitmap_ = nullptr;
  previous_ = nullptr;
  width_ = height_ = 0;
}

void TBitmap::SetSize(int width, int height) {
  Release();
  if (width <= 0 || height <= 0) return;
  HDC screen = GetDC(nullptr);
  bitmap_ = CreateCompatibleBitmap(screen, width, height);
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  if (!bitmap_ || !dc) {
    if (dc) DeleteDC(dc);
    if (bitmap_) DeleteObject(bitmap_);
    bitmap_ = nullptr;
    return;
  }
  previous_ = SelectObject(dc, bitmap_);
  canvas_.SetHandle(dc);
  width_ = width;
  height_ = height;
}

}  // namespace classlib
