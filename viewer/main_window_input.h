// The main window's key and mouse handling of both viewers. Keys but Escape go to the
// emulator's key child. With both buttons held the window is dragged (the second window
// follows docked); the left button forwards touches at the touch-screen point of the
// pointer; a right press alone opens the popup menu; every release ends the drag and
// sends a touch release at the last touch point. The viewers differ only in whether a
// press gets the 3-row correction of the unrotated view.
//
// `Form` is the viewer's main form: Dragging, DragOrigin, LastTouchPoint, ScaleX, ScaleY,
// TouchWindow, KeyWindow, PopupMenu1, CheckedRotation() and DockSecondWindow().
#pragma once

#include <windows.h>

#include "classlib/controls.h"
#include "viewer/input.h"

namespace viewer {

template <class Form>
void MainWindowKey(Form& form, WORD key, bool release) {
  if (ForwardsKey(key)) ForwardKey(form.KeyWindow, key, release);
}

template <class Form>
void MainWindowMouseDown(Form& form, classlib::TShiftState shift, int x, int y,
                         bool press_correction) {
  using namespace classlib;
  if ((shift & ssLeft) && (shift & ssRight)) {
    form.DragOrigin = {x, y};
    form.Dragging = true;
  }
  if (shift & ssLeft) {
    form.LastTouchPoint = MapTouchPoint(x, y, form.ScaleX, form.ScaleY, form.CheckedRotation(),
                                        press_correction);
    ForwardTouch(form.TouchWindow, WM_LBUTTONDOWN, form.LastTouchPoint);
  }
  if (!form.Dragging && (shift & ssRight)) {
    POINT at = {x, y};
    ClientToScreen(form.Handle(), &at);
    form.PopupMenu1.Popup(at.x, at.y);
  }
}

template <class Form>
void MainWindowMouseMove(Form& form, classlib::TShiftState shift, int x, int y) {
  if (form.Dragging) {
    form.SetBounds(form.Left() + x - form.DragOrigin.x, form.Top() + y - form.DragOrigin.y,
                   form.Width(), form.Height());
    form.DockSecondWindow();
  }
  if (shift & classlib::ssLeft) {
    form.LastTouchPoint =
        MapTouchPoint(x, y, form.ScaleX, form.ScaleY, form.CheckedRotation(), false);
    ForwardTouch(form.TouchWindow, WM_MOUSEMOVE, form.LastTouchPoint);
  }
}

template <class Form>
void MainWindowMouseUp(Form& form) {
  form.Dragging = false;
  ForwardTouch(form.TouchWindow, WM_LBUTTONUP, form.LastTouchPoint);
}

}  // namespace viewer
