#include "brisklens-gl/frame_render.h"

namespace brisklens_gl {

void RenderFrame(const CaptureImage& capture, int main_last_row, int preset,
                 TextureImage& texture, const TGlSurface& main, const TGlSurface* second) {
  RepackBlock(capture, main_last_row, texture);
  UploadTexture(kMainTextureName, texture.data());
  // The square covers the whole view for every preset and size: nothing is cleared.
  main.DrawScreenQuad(preset);
  main.SwapRenderedBuffers();
  if (!second) return;
  RepackBlock(capture, kUpperBlockLastRow, texture);
  second->ActivateRendering();
  UploadTexture(kSecondTextureName, texture.data());
  second->DrawScreenQuad(preset);
  second->SwapRenderedBuffers();
  main.ActivateRendering();
}

}  // namespace brisklens_gl
