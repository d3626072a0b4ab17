// Binds a viewer form's mouse handlers (FormMouseDown, FormMouseMove, FormMouseUp) to the
// form's events and to those of the image control that covers it, which behave alike (the
// image lies at (0, 0), so its coordinates are the form's).
#pragma once

#include "classlib/controls.h"

namespace viewer {

template <class Form>
void BindMouseHandlers(Form& form, classlib::TControl& image) {
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
  image.OnMouseDown = form.OnMouseDown;
  image.OnMouseMove = form.OnMouseMove;
  image.OnMouseUp = form.OnMouseUp;
}

}  // namespace viewer
