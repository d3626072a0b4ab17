#include "brisklens-gl/texture_repack.h"

namespace brisklens_gl {

void RepackBlock(const CaptureImage& capture, int last_row, TextureImage& texture) {
  constexpr size_t kCaptureRowBytes = size_t(kTextureSize) * 4;
  constexpr size_t kTextureRowBytes = size_t(kTextureSize) * 3;
  for (int texture_row = 0; texture_row < kTextureSize; ++texture_row) {
    const int capture_row = last_row - texture_row;
    if (capture_row < 0 || capture_row >= capture.rows || !capture.bytes) continue;
    const uint8_t* source = capture.bytes + size_t(capture_row) * kCaptureRowBytes;
    uint8_t* target = texture.data() + size_t(texture_row) * kTextureRowBytes;
    for (int column = 0; column < kTextureSize; ++column, source += 4, target += 3) {
      target[0] = source[2];
      target[1] = source[1];
      target[2] = source[0];
    }
  }
}

}  // namespace brisklens_gl
