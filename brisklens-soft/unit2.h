// The borderless second window: shows the other screen in dual-screen mode and can be
// dragged with any button.
#pragma once

#include "classlib/forms.h"
#include "brisklens-soft/image_placeholder.h"

namespace brisklens_soft {

class TForm2 : public classlib::TForm {
 public:
  TForm2();

  TImage32Placeholder MyBMP2;
  POINT DragOrigin = {0, 0};
  bool Dragging = false;

  void FormCreate(classlib::TObject* sender);
  void FormMouseDown(classlib::TObject* sender, classlib::TMouseButton button,
                     classlib::TShiftState shift, int x, int y);
  void FormMouseMove(classlib::TObject* sender, classlib::TShiftState shift, int x, int y);
  void FormMouseUp(classlib::TObject* sender, classlib::TMouseButton button,
                   classlib::TShiftState shift, int x, int y);
};

extern TForm2* Form2;

}  // namespace brisklens_soft
