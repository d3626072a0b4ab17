// Binds a viewer form's handlers, named as the events they handle, to the form's events;
// and its mouse handlers (FormMouseDown, FormMouseMove, FormMouseUp) also to those of the
// image control that covers it, which behave alike (the image lies at (0, 0), so its
// coordinates are the form's). A drag that a form tracks from a press to a release also
// ends when the window holding the mouse, the form's or its image's, loses it without a
// release (MouseCaptureLost).
#pragma once

#include <windows.h>

#include "classlib/controls.h"
#include "classlib/forms.h"

namespace viewer {

// Calls the form's MouseCaptureLost when `control` loses the mouse capture
// (WM_CAPTURECHANGED): the system cancelled the mode, or another window took the mouse, and
// the button may go up where the form never hears of it. The control goes on handling the
// message as before.
template <class Form>
void BindMouseCaptureLost(Form& form, classlib::TControl& control) {
  const classlib::TWndMethod previous = control.WindowProc;
  control.WindowProc = [&form, previous](classlib::TMessage& message) {
    if (message.Msg == WM_CAPTURECHANGED) form.MouseCaptureLost();
    previous(message);
  };
}

template <class Form>
void BindFormMouseHandlers(Form& form) {
  using namespace classlib;
  form.OnMouseDown = [&form](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    form.FormMouseDown(s, b, sh, x, y);
  };
  form.OnMouseMove = [&form](TObject* s, TShiftState sh, int x, int y) {
    form.FormMouseMove(s, sh, x, y);
  };
  form.OnMouseUp = [&form](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    form.FormMouseUp(s, b, sh, x, y);
  };
  BindMouseCaptureLost(form, form);
}

// The form's mouse handlers for its image control (the form binds its own when it is
// made), whose events carry one more argument, the layer under the pointer, which the
// viewers ignore.
template <class Form, class Image>
void BindMouseHandlers(Form& form, Image& image) {
  using namespace classlib;
  image.OnMouseDown = [&form](TObject* s, TMouseButton b, TShiftState sh, int x, int y, auto*) {
    form.FormMouseDown(s, b, sh, x, y);
  };
  image.OnMouseMove = [&form](TObject* s, TShiftState sh, int x, int y, auto*) {
    form.FormMouseMove(s, sh, x, y);
  };
  image.OnMouseUp = [&form](TObject* s, TMouseButton b, TShiftState sh, int x, int y, auto*) {
    form.FormMouseUp(s, b, sh, x, y);
  };
  BindMouseCaptureLost(form, image);
}

}  // namespace viewer
