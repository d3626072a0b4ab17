#include "panoptil/views.h"

#include <cmath>
#include <cstdint>
#include <utility>

namespace panoptil {

namespace {

BoxBounds Transposed(const BoxBounds& box) { return {box.top, box.left, box.height, box.width}; }

}  // namespace

ScreenLayout ComputeLayout(int zoom_tag, bool rotated, bool touch_large) {
  int top_factor = zoom_tag / 10;
  int bottom_factor = zoom_tag % 10;
  ScreenLayout layout;
  layout.static_factor = touch_large ? bottom_factor : top_factor;
  layout.touch_factor = touch_large ? top_factor : bottom_factor;
  // Unrotated: stacked, the top screen above, each centred horizontally. The client size
  // follows the zoom mode, not the wheel's swap.
  layout.client_width = top_factor * kScreenWidth;
  layout.client_height = (top_factor + bottom_factor) * kScreenHeight;
  BoxBounds& top = layout.static_box;
  BoxBounds& touch = layout.touch_box;
  top.width = layout.static_factor * kScreenWidth;
  top.height = layout.static_factor * kScreenHeight;
  top.left = (layout.client_width - top.width) / 2;
  touch.top = top.height;
  touch.width = layout.touch_factor * kScreenWidth;
  touch.height = layout.touch_factor * kScreenHeight;
  touch.left = (layout.client_width - touch.width) / 2;
  if (rotated) {
    // The rotated layout is the same one mirrored on the diagonal: side by side, the top
    // screen on the left, each centred vertically.
    std::swap(layout.client_width, layout.client_height);
    top = Transposed(top);
    touch = Transposed(touch);
  }
  return layout;
}

XFORM MakeRotationTransform() {
  const long double quarter_turn = std::acos(-1.0L) / 2;
  XFORM transform = {};
  transform.eM11 = float(std::cos(quarter_turn));
  transform.eM12 = float(-std::sin(quarter_turn));
  transform.eM21 = float(std::sin(quarter_turn));
  transform.eM22 = float(std::cos(quarter_turn));
  transform.eDx = 0;
  transform.eDy = 0;
  return transform;
}

namespace {

// A 32-bit top-down DIB selected into a memory context of its own.
struct MemoryDib {
  HDC dc = nullptr;
  uint32_t* pixels = nullptr;
  int width = 0, height = 0;

  bool Create(int dib_width, int dib_height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = dib_width;
    info.bmiHeader.biHeight = -dib_height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc = CreateCompatibleDC(nullptr);
    if (!bitmap || !dc) return false;
    SelectObject(dc, bitmap);  // the bitmap lives as long as the program
    pixels = static_cast<uint32_t*>(bits);
    width = dib_width;
    height = dib_height;
    return true;
  }
};

// Whether this system's GDI turns blits by a rotating world transform. Windows does; some
// GDI implementations (Wine's) map only the corners of the target rectangle and so mirror
// instead of turning. Tried once on a 2x1 picture: turned, its right pixel lands on top.
bool BlitsFollowRotation() {
  static const bool rotates = [] {
    MemoryDib source, target;
    if (!source.Create(2, 1) || !target.Create(1, 2)) return false;
    source.pixels[0] = 0x000001;
    source.pixels[1] = 0x000002;
    target.pixels[0] = target.pixels[1] = 0;
    XFORM rotation = MakeRotationTransform();
    rotation.eDy = 2;
    SetGraphicsMode(target.dc, GM_ADVANCED);
    SetWorldTransform(target.dc, &rotation);
    StretchBlt(target.dc, 0, 0, 2, 1, source.dc, 0, 0, 2, 1, SRCCOPY);
    GdiFlush();
    return target.pixels[0] == 0x000002 && target.pixels[1] == 0x000001;
  }();
  return rotates;
}

// The same quarter turn for a GDI that does not turn blits: the screen is copied into a
// memory picture, turned there and stretched onto the box with the identity transform.
void PaintTurnedThroughMemory(HDC box_dc, int width, int height, HDC emulator_dc,
                              int source_x, int source_y) {
  static MemoryDib screen, turned;
  if (!screen.dc && !(screen.Create(kScreenWidth, kScreenHeight) &&
                      turned.Create(kScreenHeight, kScreenWidth)))
    return;
  BitBlt(screen.dc, 0, 0, kScreenWidth, kScreenHeight, emulator_dc, source_x, source_y, SRCCOPY);
  GdiFlush();
  // Turned picture (x, y) shows screen pixel (255 - y, x): the top edge along the left side.
  for (int y = 0; y < kScreenWidth; ++y) {
    uint32_t* row = turned.pixels + size_t(y) * kScreenHeight;
    const uint32_t* column = screen.pixels + (kScreenWidth - 1 - y);
    for (int x = 0; x < kScreenHeight; ++x) row[x] = column[size_t(x) * kScreenWidth];
  }
  if (GetGraphicsMode(box_dc) == GM_ADVANCED) ModifyWorldTransform(box_dc, nullptr, MWT_IDENTITY);
  StretchBlt(box_dc, 0, 0, width, height, turned.dc, 0, 0, kScreenHeight, kScreenWidth, SRCCOPY);
}

}  // namespace

void PaintScreen(HDC box_dc, int width, int height, HDC emulator_dc, int source_x,
                 int source_y, bool rotated, XFORM& rotation) {
  if (!box_dc || !emulator_dc || width <= 0 || height <= 0) return;
  if (rotated && !BlitsFollowRotation()) {
    PaintTurnedThroughMemory(box_dc, width, height, emulator_dc, source_x, source_y);
    return;
  }
  if (rotated) {
    rotation.eDy = float(height);
    SetGraphicsMode(box_dc, GM_ADVANCED);
    SetWorldTransform(box_dc, &rotation);
    // In the rotated space the box is `height` wide and `width` high.
    StretchBlt(box_dc, 0, 0, height, width, emulator_dc, source_x, source_y, kScreenWidth,
               kScreenHeight, SRCCOPY);
    return;
  }
  if (GetGraphicsMode(box_dc) == GM_ADVANCED) ModifyWorldTransform(box_dc, nullptr, MWT_IDENTITY);
  StretchBlt(box_dc, 0, 0, width, height, emulator_dc, source_x, source_y, kScreenWidth,
             kScreenHeight, SRCCOPY);
}

}  // namespace panoptil
