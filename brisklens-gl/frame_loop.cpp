#include "brisklens-gl/frame_render.h"
#include "brisklens-gl/unit1.h"
#include "brisklens-gl/unit3.h"

namespace brisklens_gl {

using namespace classlib;

void TForm1::CaptureAndRender() {
  AttachToEmulator(HideItem->Checked());
  if (!Attached) return;
  Cursor = GetCursor();
  CopyEmulatorClient();
  if (CursorON->Checked()) DrawCursorOverlay();
  // The pixels are read directly next: GDI's drawing into them must be done.
  GdiFlush();
  const CaptureImage capture = {reinterpret_cast<const uint8_t*>(CaptureBitmap->Bits()),
                                CaptureBitmap->Height()};
  RenderFrame(capture, CaptureLastRow(), PresetIndex, TextureBuffer, *this,
              DoubleScr->Checked() ? Form3 : nullptr);
  CheckEmulatorAlive();
}

// Client pixel (x, y) of the emulator lands on pixel (x, y) of the capture.
void TForm1::CopyEmulatorClient() {
  const RECT whole = {0, 0, CaptureBitmap->Width(), CaptureBitmap->Height()};
  CaptureBitmap->Canvas().CopyRect(whole, *EmulatorCanvas, whole);
}

// The icon's top-left corner lies, relative to the main block, where the pointer lies
// relative to the emulator's lower screen, less the corrections. It is drawn before the
// repack, so it reaches the texture.
void TForm1::DrawCursorOverlay() {
  POINT place;
  if (!viewer::CursorIconPlace(EmulatorWindow, CursorOffsetX, CursorOffsetY, EmulatorRect, place))
    return;
  DrawIcon(CaptureBitmap->Handle(), place.x, place.y + kLowerBlockFirstRow + ScreenOffset,
           Cursor);
}

}  // namespace brisklens_gl
