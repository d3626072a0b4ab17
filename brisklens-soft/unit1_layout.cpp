#include "brisklens-soft/unit1.h"

#include "brisklens-soft/unit2.h"

namespace brisklens_soft {

using namespace classlib;

void TForm1::ApplyLayout() {
  viewer::LayoutTargets targets = {*this, *Form2, &MyBMP, &Form2->MyBMP2, DirectBitmap.get()};
  viewer::ApplyLayout(CheckedLayout(ResolutionIndex), SingleSizeTable, DualSizeTable, targets,
                      DockSide, ScaleX, ScaleY);
}

void TForm1::DockSecondWindow() { viewer::DockSecondWindow(*this, *Form2, DockSide); }

void TForm1::SizeImagesForDirectPath() {
  MyBMP.SetBounds(0, 0, 0, 0);
  Form2->MyBMP2.SetBounds(0, 0, 0, 0);
}

void TForm1::WMMove(TMessage& message) {
  // The second window follows to where the main window is being moved (the rectangle of
  // WM_MOVING), so that it does not trail one step behind.
  viewer::DockSecondWindowTo(*reinterpret_cast<const RECT*>(message.LParam), *Form2, DockSide);
  message.Result = TRUE;
}

void TForm1::WndProc(TMessage& message) {
  if (message.Msg == WM_MOVING) {
    WMMove(message);
    return;
  }
  TForm::WndProc(message);
}

}  // namespace brisklens_soft
