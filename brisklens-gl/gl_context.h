// Rendering contexts of the viewer's windows: the pixel format every window asks for, and
// making, activating and deleting a context on a window's device context.
#pragma once

#include <windows.h>

namespace brisklens_gl {

// The pixel format record: drawing to a window through OpenGL, RGBA, on the main plane;
// variant 0 double-buffered, variant 1 with GDI drawing, any other neither.
PIXELFORMATDESCRIPTOR PixelFormatRecord(int variant, int colour_bits, int depth_bits,
                                        int stencil_bits, int accumulation_bits,
                                        int auxiliary_buffers);

// Chooses and sets the pixel format of the record on `dc` (each failure is shown in a
// message box, and the steps go on) and returns the new context, or null.
HGLRC CreateRenderingContext(HDC dc, int variant, int colour_bits, int depth_bits,
                             int stencil_bits, int accumulation_bits, int auxiliary_buffers);
void ActivateRenderingContext(HDC dc, HGLRC rc);
// Leaves no context current, then deletes `rc`.
void DestroyRenderingContext(HDC dc, HGLRC rc);

}  // namespace brisklens_gl
