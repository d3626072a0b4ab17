// The borderless second window: shows the upper screen in dual-screen mode in a rendering
// context of its own, made at each show and deleted at each close, and is dragged with
// any button.
#pragma once

#include "brisklens-gl/gl_surface.h"
#include "viewer/second_window.h"

namespace brisklens_gl {

class TForm3 : public viewer::TSecondWindow, public TGlSurface {
 public:
  TForm3();
  ~TForm3() override;

  void FormCreate(classlib::TObject* sender);
  void FormShow(classlib::TObject* sender);
  void FormClose(classlib::TObject* sender, classlib::TCloseAction& action);

 protected:
  void WndProc(classlib::TMessage& message) override;
};

extern TForm3* Form3;

}  // namespace brisklens_gl
