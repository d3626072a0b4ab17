// Binds a viewer form's handlers, named as the events they handle, to the form's events;
// and its mouse handlers (FormMouseDown, FormMouseMove, FormMouseUp) also to those of the
// image control that covers it, which behave alike (the image lies at (0, 0), so its
// coordinates are the form's).
#pragma once

#include "classlib/controls.h"
#include "classlib/forms.h"

namespace viewer {

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
}

// The form's mouse handlers, for the form and for its image control, whose events carry
// one more argument, the layer under the pointer, which the viewers ignore.
template <class Form, class Image>
void BindMouseHandlers(Form& form, Image& image) {
  using namespace classlib;
  BindFormMouseHandlers(form);
  image.OnMouseDown = [&form](TObject* s, TMouseButton b, TShiftState sh, int x, int y, auto*) {
    form.FormMouseDown(s, b, sh, x, y);
  };
  image.OnMouseMove = [&form](TObject* s, TShiftState sh, int x, int y, auto*) {
    form.FormMouseMove(s, sh, x, y);
  };
  image.OnMouseUp = [&form](TObject* s, TMouseButton b, TShiftState sh, int x, int y, auto*) {
    form.FormMouseUp(s, b, sh, x, y);
  };
}

}  // namespace viewer
