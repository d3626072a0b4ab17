#include "brisklens-soft/unit1.h"

#include "brisklens-soft/unit2.h"

namespace brisklens_soft {

using namespace classlib;

namespace {

RECT WholeBitmap(const TBitmap& bitmap) { return {0, 0, bitmap.Width(), bitmap.Height()}; }

}  // namespace

void TForm1::RenderPass() {
  AttachToEmulator(AlphaOn->Checked());
  if (!Attached) return;
  DrawMainPicture();
  DrawSecondPicture();
  CheckEmulatorAlive();
}

// In the image path the main picture's repaint waits until the cursor icon is in it: the
// image's update is held open while the picture and the icon go into its bitmap, then the
// image paints once. In the direct path the image is hidden and no icon shows.
void TForm1::DrawMainPicture() {
  if (DirectPathChecked()) {
    DrawDirectPicture(viewer::MainFrameRect(ScreenOffset, BorderTrim), *this);
    return;
  }
  MyBMP.BeginUpdate();
  DrawImagePathPicture(ScreenOffset, MyBMP);
  if (CursorON->Checked()) DrawCursorOverlay();
  MyBMP.EndUpdate();
  MyBMP.Repaint();
}

void TForm1::DrawSecondPicture() {
  if (DirectPathChecked())
    DrawDirectPicture(viewer::SecondFrameRect(SecondScreenOffset, BorderTrim), *Form2);
  else
    DrawImagePathPicture(SecondScreenOffset, Form2->MyBMP2);
}

// Stretches the frame rectangle onto the whole of DirectBitmap and draws it at (0, 0) on
// the window's canvas.
void TForm1::DrawDirectPicture(const RECT& frame, TForm& window) {
  DirectBitmap->Canvas().CopyRect(WholeBitmap(*DirectBitmap), *EmulatorCanvas, frame);
  window.Canvas().Draw(0, 0, *DirectBitmap);
}

}  // namespace brisklens_soft
