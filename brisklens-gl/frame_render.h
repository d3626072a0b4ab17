// The OpenGL half of a frame: the main window's block of the capture repacked, uploaded and
// drawn, then in dual-screen mode the upper block in the second window's context.
#pragma once

#include "brisklens-gl/gl_surface.h"
#include "brisklens-gl/texture_repack.h"

namespace brisklens_gl {

// The main window's block of the capture is its rows ScreenOffset + 202 to ScreenOffset +
// 481: the lower screen (from client row 208) at offset 0, the upper screen (from row 7)
// at -202, where the block is rows 0..279, the second window's block in dual-screen mode.
constexpr int kLowerBlockFirstRow = 202;
constexpr int kLowerBlockLastRow = kLowerBlockFirstRow + kTextureSize - 1;
constexpr int kLowerScreenOffset = 0;
constexpr int kUpperScreenOffset = -kLowerBlockFirstRow;
constexpr int kUpperBlockLastRow = kUpperScreenOffset + kLowerBlockLastRow;

// With the main window's context current: repacks the block that ends at `main_last_row`
// into `texture`, uploads it as the main texture, draws it with `preset` and swaps the main
// window's buffers. With `second` (dual-screen mode) it then does the same for the upper
// block in the second window's context, and makes the main window's context current again.
// The main texture is uploaded before the second block overwrites `texture`.
void RenderFrame(const CaptureImage& capture, int main_last_row, int preset,
                 TextureImage& texture, const TGlSurface& main, const TGlSurface* second);

}  // namespace brisklens_gl
