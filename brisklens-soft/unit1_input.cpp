#include "brisklens-soft/unit1.h"

#include "viewer/input.h"

namespace brisklens_soft {

using namespace classlib;

void TForm1::FormKeyDown(TObject*, WORD& key, TShiftState) {
  if (viewer::ForwardsKey(key)) viewer::ForwardKey(KeyWindow, key, false);
}

void TForm1::FormKeyUp(TObject*, WORD& key, TShiftState) {
  if (viewer::ForwardsKey(key)) viewer::ForwardKey(KeyWindow, key, true);
}

void TForm1::FormMouseDown(TObject*, TMouseButton, TShiftState shift, int x, int y) {
  if ((shift & ssLeft) && (shift & ssRight)) {
    DragOrigin = {x, y};
    Dragging = true;
  }
  if (shift & ssLeft) {
    LastTouchPoint = viewer::MapTouchPoint(x, y, ScaleX, ScaleY, CheckedRotation(), true);
    viewer::ForwardTouch(TouchWindow, WM_LBUTTONDOWN, LastTouchPoint);
  }
  if (!Dragging && (shift & ssRight)) {
    POINT at = {x, y};
    ClientToScreen(Handle(), &at);
    PopupMenu1.Popup(at.x, at.y);
  }
}

void TForm1::FormMouseMove(TObject*, TShiftState shift, int x, int y) {
  if (Dragging) {
    SetBounds(Left() + x - DragOrigin.x, Top() + y - DragOrigin.y, Width(), Height());
    DockSecondWindow();
  }
  if (shift & ssLeft) {
    LastTouchPoint = viewer::MapTouchPoint(x, y, ScaleX, ScaleY, CheckedRotation(), false);
    viewer::ForwardTouch(TouchWindow, WM_MOUSEMOVE, LastTouchPoint);
  }
}

void TForm1::FormMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  Dragging = false;
  viewer::ForwardTouch(TouchWindow, WM_LBUTTONUP, LastTouchPoint);
}

}  // namespace brisklens_soft
