// Basic pixel types shared by every unit of the raster library.
#pragma once

#include <cstdint>
#include <vector>

namespace raster {

// A 32-bit ARGB pixel: alpha in bits 24-31, then red, green and blue. In memory the bytes
// run blue, green, red, alpha, which is the layout of a 32-bit top-down DIB section.
using TColor32 = uint32_t;
using PColor32 = TColor32*;
using TArrayOfColor32 = std::vector<TColor32>;

// How a bitmap is drawn onto another one, the blend rule of dmBlend and the edge rule of
// wrapped pixel reads. Stored in one byte, as their published properties are.
enum TDrawMode : uint8_t { dmOpaque, dmBlend, dmCustom, dmTransparent };
enum TCombineMode : uint8_t { cmBlend, cmMerge };
enum TWrapMode : uint8_t { wmClamp, wmRepeat, wmMirror };

// The channels of a pixel.
constexpr uint8_t AlphaOf(TColor32 c) { return uint8_t(c >> 24); }
constexpr uint8_t RedOf(TColor32 c) { return uint8_t(c >> 16); }
constexpr uint8_t GreenOf(TColor32 c) { return uint8_t(c >> 8); }
constexpr uint8_t BlueOf(TColor32 c) { return uint8_t(c); }
constexpr TColor32 Color32(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 0xFF) {
  return TColor32(a) << 24 | TColor32(r) << 16 | TColor32(g) << 8 | b;
}

}  // namespace raster
