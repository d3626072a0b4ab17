#include "brisklens-soft/unit1.h"

#include "brisklens-soft/unit2.h"

namespace brisklens_soft {

using namespace classlib;

namespace {

RECT WholeBitmap(const TBitmap& bitmap) { return {0, 0, bitmap.Width(), bitmap.Height()}; }

}  // namespace

void TForm1::AppIdle(TObject*, bool& done) {
  done = false;
  if (closed_) return;
  AttachToEmulator(AlphaOn->Checked());
  if (Attached) {
    DrawMainPicture();
    DrawCursorOverlay();
    DrawSecondPicture();
    CheckEmulatorAlive();
  }
  if (DoubleScr->Checked() && Form2->Dragging) viewer::SnapToSecondWindow(*this, *Form2, DockSide);
  Sleep(DWORD(PassDelay));
}

void TForm1::DrawMainPicture() {
  if (DirectPathChecked())
    DrawDirectPicture(viewer::MainFrameRect(ScreenOffset, BorderTrim), *this);
  else
    DrawImagePathPicture(ScreenOffset, *this);
}

void TForm1::DrawSecondPicture() {
  if (DirectPathChecked())
    DrawDirectPicture(viewer::SecondFrameRect(SecondScreenOffset, BorderTrim), *Form2);
  else
    DrawImagePathPicture(SecondScreenOffset, *Form2);
}

// Stretches the frame rectangle onto the whole of DirectBitmap and draws it at (0, 0) on
// the window's canvas.
void TForm1::DrawDirectPicture(const RECT& frame, TForm& window) {
  DirectBitmap->Canvas().CopyRect(WholeBitmap(*DirectBitmap), *EmulatorCanvas, frame);
  window.Canvas().Draw(0, 0, *DirectBitmap);
}

void TForm1::CheckEmulatorAlive() {
  if (!MatchesEmulatorCaption(EmulatorWindow)) Close();
}

}  // namespace brisklens_soft
