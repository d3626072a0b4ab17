#include "brisklens-gl/gl_context.h"

#include "brisklens-gl/gl_library.h"

namespace brisklens_gl {

PIXELFORMATDESCRIPTOR PixelFormatRecord(int variant, int colour_bits, int depth_bits,
                                        int stencil_bits, int accumulation_bits,
                                        int auxiliary_buffers) {
  PIXELFORMATDESCRIPTOR record = {};
  record.nSize = sizeof record;
  record.nVersion = 1;
  record.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
  if (variant == 0) record.dwFlags |= PFD_DOUBLEBUFFER;
  if (variant == 1) record.dwFlags |= PFD_SUPPORT_GDI;
  record.iPixelType = PFD_TYPE_RGBA;
  record.cColorBits = BYTE(colour_bits);
  record.cDepthBits = BYTE(depth_bits);
  record.cStencilBits = BYTE(stencil_bits);
  record.cAccumBits = BYTE(accumulation_bits);
  record.cAuxBuffers = BYTE(auxiliary_buffers);
  record.iLayerType = PFD_MAIN_PLANE;
  return record;
}

HGLRC CreateRenderingContext(HDC dc, int variant, int colour_bits, int depth_bits,
                             int stencil_bits, int accumulation_bits, int auxiliary_buffers) {
  const PIXELFORMATDESCRIPTOR record = PixelFormatRecord(
      variant, colour_bits, depth_bits, stencil_bits, accumulation_bits, auxiliary_buffers);
  const int format = GlCall(Gl().ChoosePixelFormat, dc, &record);
  if (format == 0) MessageBoxW(nullptr, L"选择像素格式", L"Error", MB_OK);
  if (!GlCall(Gl().SetPixelFormat, dc, format, &record))
    MessageBoxW(nullptr, L"设置像素格式", L"Error", MB_OK);
  return GlCall(Gl().wglCreateContext, dc);
}

void ActivateRenderingContext(HDC dc, HGLRC rc) { GlCall(Gl().wglMakeCurrent, dc, rc); }

void DestroyRenderingContext(HDC dc, HGLRC rc) {
  GlCall(Gl().wglMakeCurrent, dc, HGLRC(nullptr));
  GlCall(Gl().wglDeleteContext, rc);
}

}  // namespace brisklens_gl
