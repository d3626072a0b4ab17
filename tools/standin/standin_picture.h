// The stand-in emulator's test pictures.
//
// Every pixel of the stand-in's client area carries its own position in its colour, so a
// test that looks at a copy of it (scaled, trimmed, rotated) can tell which emulator pixel
// landed where. Colours are 0x00RRGGBB as GDI and 32-bit DIBs hold them.
//
//   blue bits 7..6  region: 01 top screen, 10 touch screen, 11 the frame around them
//   top and touch screen:  red = x, green = y (screen-local), blue bits 5..0 = frame & 63
//   frame:                 red = client x & 255, green = client y & 255,
//                          blue bit 0 = client x >> 8, blue bit 1 = client y >> 8
// A pixel whose region bits are 00 never comes from the stand-in.
#pragma once

#include <cstdint>

namespace standin {

constexpr int kScreenWidth = 256;
constexpr int kScreenHeight = 192;
constexpr int kTopScreenX = 7, kTopScreenY = 7;
constexpr int kTouchScreenX = 7, kTouchScreenY = 208;
// Client area: both screens, the 7-pixel frame around them and room below the touch
// screen for the viewers' frame rectangles, which reach client row 408.
constexpr int kClientWidth = 270;
constexpr int kClientHeight = 416;
// Non-client insets: the touch screen's top-left pixel lies 11 pixels right of and 257
// pixels below the window rectangle's top-left corner.
constexpr int kInsetLeft = 4, kInsetTop = 49, kInsetRight = 4, kInsetBottom = 4;

enum class Region : uint32_t { None = 0, Top = 1, Touch = 2, Frame = 3 };

struct PixelInfo {
  Region region = Region::None;
  int x = 0;      // screen-local for Top/Touch, client for Frame
  int y = 0;
  int frame = 0;  // frame number & 63 (Top/Touch only)
};

inline uint32_t ScreenPixel(Region region, int x, int y, int frame) {
  return (uint32_t(x & 255) << 16) | (uint32_t(y & 255) << 8) |
         (uint32_t(region) << 6) | uint32_t(frame & 63);
}

inline uint32_t FramePixel(int client_x, int client_y) {
  return (uint32_t(client_x & 255) << 16) | (uint32_t(client_y & 255) << 8) | (3u << 6) |
         (uint32_t((client_y >> 8) & 1) << 1) | uint32_t((client_x >> 8) & 1);
}

// The colour the stand-in draws at a client position in a given frame.
inline uint32_t ClientPixel(int client_x, int client_y, int frame) {
  auto inside = [&](int sx, int sy) {
    return client_x >= sx && client_x < sx + kScreenWidth && client_y >= sy &&
           client_y < sy + kScreenHeight;
  };
  if (inside(kTopScreenX, kTopScreenY))
    return ScreenPixel(Region::Top, client_x - kTopScreenX, client_y - kTopScreenY, frame);
  if (inside(kTouchScreenX, kTouchScreenY))
    return ScreenPixel(Region::Touch, client_x - kTouchScreenX, client_y - kTouchScreenY,
                       frame);
  return FramePixel(client_x, client_y);
}

inline PixelInfo Decode(uint32_t colour) {
  PixelInfo info;
  uint32_t blue = colour & 255;
  info.region = Region(blue >> 6);
  info.x = int((colour >> 16) & 255);
  info.y = int((colour >> 8) & 255);
  if (info.region == Region::Frame) {
    info.x |= int(blue & 1) << 8;
    info.y |= int((blue >> 1) & 1) << 8;
  } else if (info.region != Region::None) {
    info.frame = int(blue & 63);
  }
  return info;
}

// The client position a decoded pixel came from (-1, -1 for Region::None).
inline void ClientPosition(const PixelInfo& info, int* client_x, int* client_y) {
  switch (info.region) {
    case Region::Top: *client_x = info.x + kTopScreenX; *client_y = info.y + kTopScreenY; break;
    case Region::Touch:
      *client_x = info.x + kTouchScreenX; *client_y = info.y + kTouchScreenY; break;
    case Region::Frame: *client_x = info.x; *client_y = info.y; break;
    default: *client_x = -1; *client_y = -1; break;
  }
}

}  // namespace standin
