// The borderless second window of both viewers: it shows the other screen in dual-screen
// mode and is dragged with any button. A press remembers where it was grabbed; moving
// with the left button held moves the window by the pointer's travel; `Dragging` (set from
// the press to the release, or until the window loses the mouse) tells the frame loop to
// snap the main window to it. Nothing is forwarded to the emulator from this window.
#pragma once

#include <windows.h>

#include "classlib/forms.h"

namespace viewer {

class TSecondWindow : public classlib::TForm {
 public:
  explicit TSecondWindow(const wchar_t* class_name);

  POINT DragOrigin = {0, 0};
  bool Dragging = false;

  void FormMouseDown(classlib::TObject* sender, classlib::TMouseButton button,
                     classlib::TShiftState shift, int x, int y);
  void FormMouseMove(classlib::TObject* sender, classlib::TShiftState shift, int x, int y);
  void FormMouseUp(classlib::TObject* sender, classlib::TMouseButton button,
                   classlib::TShiftState shift, int x, int y);
  // The window (or its image) lost the mouse without a release: the drag is over.
  void MouseCaptureLost();
};

}  // namespace viewer
