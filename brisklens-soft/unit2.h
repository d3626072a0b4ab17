// The borderless second window: shows the other screen in dual-screen mode and can be
// dragged with any button.
#pragma once

#include "raster/Raster_Image.h"
#include "viewer/second_window.h"

namespace brisklens_soft {

class TForm2 : public viewer::TSecondWindow {
 public:
  TForm2();

  raster::TImage32 MyBMP2;

  void FormCreate(classlib::TObject* sender);
  // MyBMP2's start-up: a fresh bitmap at the frame's size, stretched.
  void StartImagePath();
};

extern TForm2* Form2;

}  // namespace brisklens_soft
