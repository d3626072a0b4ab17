// The image path: with a filter or a rotation chosen each frame is copied 1:1 into
// CaptureBitmap and handed to the image controls, which stretch it through its resampler;
// the main picture also gets the emulator's cursor icon.
#include "brisklens-soft/unit1.h"
#include "brisklens-soft/unit2.h"

namespace brisklens_soft {

using namespace classlib;

namespace {

constexpr int kFrameWidth = 270, kFrameHeight = 208;

// The image's own bitmap, fresh and at the frame's size, stretched over the control.
void StartImage(raster::TImage32& image) {
  raster::TBitmap32 fresh;
  image.SetBitmap(&fresh);
  image.Bitmap()->SetSize(kFrameWidth, kFrameHeight);
  image.SetScaleMode(raster::smStretch);
}

}  // namespace

void TForm1::StartImagePath() {
  StartImage(MyBMP);
  CaptureBitmap = std::make_unique<raster::TBitmap32>();
  CaptureBitmap->SetSize(kFrameWidth, kFrameHeight);
  CaptureBitmap->SetResamplerClassName("TDraftResampler");
}

void TForm2::StartImagePath() { StartImage(MyBMP2); }

// The copy fills the whole of CaptureBitmap: the 270x208 frame at the offset, or without
// any border the 256x192 screen inside it.
void TForm1::DrawImagePathPicture(int offset, raster::TImage32& image) {
  const int width = CaptureBitmap->Width(), height = CaptureBitmap->Height();
  const int left = noneall->Checked() ? BorderTrim : 0;
  const int top = offset + 200 + (noneall->Checked() ? BorderTrim : 0);
  const RECT whole = {0, 0, width, height};
  const RECT source = {left, top, left + width, top + height};
  CaptureBitmap->Canvas().CopyRect(whole, *EmulatorCanvas, source);
  // The pixels are read directly next: GDI's copy into them must be done.
  GdiFlush();
  switch (CheckedRotation()) {
    case viewer::Rotation::Left: CaptureBitmap->RotateCounterClockwise(image.Bitmap()); break;
    case viewer::Rotation::Right: CaptureBitmap->RotateClockwise(image.Bitmap()); break;
    case viewer::Rotation::Normal: image.SetBitmap(CaptureBitmap.get()); break;
  }
}

// The icon's top-left corner lies, in the picture just placed in MyBMP's bitmap, where the
// pointer lies relative to the emulator's touch screen, less the corrections. What falls
// outside the bitmap is clipped.
void TForm1::DrawCursorOverlay() {
  Cursor = GetCursor();
  POINT place;
  if (!viewer::CursorIconPlace(EmulatorWindow, CursorOffsetX, CursorOffsetY, EmulatorRect, place))
    return;
  DrawIcon(MyBMP.Bitmap()->Handle(), place.x, place.y, Cursor);
  GdiFlush();
}

}  // namespace brisklens_soft
