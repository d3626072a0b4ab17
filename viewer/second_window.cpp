#include "viewer/second_window.h"

#include "viewer/mouse_binding.h"

namespace viewer {

using namespace classlib;

TSecondWindow::TSecondWindow(const wchar_t* class_name) : TForm(class_name) {
  SetBorderStyle(TFormBorderStyle::bsNone);
  SetBorderIcons(0);
  ScreenSnap = true;
  BindFormMouseHandlers(*this);
}

void TSecondWindow::FormMouseDown(TObject*, TMouseButton, TShiftState, int x, int y) {
  DragOrigin = {x, y};
  Dragging = true;
}

void TSecondWindow::FormMouseMove(TObject*, TShiftState shift, int x, int y) {
  // Dragging does not gate the move; it tells the frame loop to snap the main window.
  if (!(shift & ssLeft)) return;
  SetBounds(Left() + x - DragOrigin.x, Top() + y - DragOrigin.y, Width(), Height());
}

void TSecondWindow::FormMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  Dragging = false;
}

// Taken away mid-drag (the system cancelled the mode, another window took the mouse), the
// drag ends as at a release, wherever the button goes up: else the main window would go on
// snapping to this one, and never dock it again.
void TSecondWindow::MouseCaptureLost() { Dragging = false; }

}  // namespace viewer
