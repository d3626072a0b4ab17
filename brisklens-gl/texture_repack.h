// The texture image of a frame: a 280 x 280 block of the capture repacked for OpenGL, one
// texel per 3 bytes (red, green, blue), bottom row first, since OpenGL puts image row 0 at
// texture coordinate t = 0.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace brisklens_gl {

constexpr int kTextureSize = 280;
constexpr size_t kTextureBytes = size_t(kTextureSize) * kTextureSize * 3;
using TextureImage = std::array<uint8_t, kTextureBytes>;

// The capture the blocks are taken from: 280 pixels a row, rows top-down without gaps,
// each pixel the bytes blue, green, red, alpha.
struct CaptureImage {
  const uint8_t* bytes;
  int rows;
};

// Packs capture rows last_row - 279 .. last_row into `texture`: capture row i becomes
// texture row last_row - i, its red, green and blue bytes in that order (alpha dropped).
// Rows the capture does not hold leave their texture rows as they were.
void RepackBlock(const CaptureImage& capture, int last_row, TextureImage& texture);

}  // namespace brisklens_gl
