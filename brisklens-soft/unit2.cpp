#include "brisklens-soft/unit2.h"

#include "brisklens-soft/mouse_binding.h"

namespace brisklens_soft {

using namespace classlib;

TForm2* Form2 = nullptr;

TForm2::TForm2() : TForm(L"TForm2"), MyBMP2(this) {
  SetCaption(L"Form2");
  SetBorderStyle(TFormBorderStyle::bsNone);
  SetBorderIcons(0);
  ScreenSnap = true;
  OnCreate = [this](TObject* sender) { FormCreate(sender); };
  // The image's events behave as the window's (MyBMP2MouseDown and the others).
  BindMouseHandlers(*this, MyBMP2);
}

void TForm2::FormCreate(TObject*) {
  Dragging = false;
  // The image path's start-up of MyBMP2 comes with the raster image control.
}

void TForm2::FormMouseDown(TObject*, TMouseButton, TShiftState, int x, int y) {
  DragOrigin = {x, y};
  Dragging = true;
}

void TForm2::FormMouseMove(TObject*, TShiftState shift, int x, int y) {
  // Dragging does not gate the move; it tells the frame loop to snap the main window.
  if (!(shift & ssLeft)) return;
  SetBounds(Left() + x - DragOrigin.x, Top() + y - DragOrigin.y, Width(), Height());
}

void TForm2::FormMouseUp(TObject*, TMouseButton, TShiftState, int, int) { Dragging = false; }

}  // namespace brisklens_soft
