#include "brisklens-soft/unit2.h"

#include "viewer/mouse_binding.h"

namespace brisklens_soft {

using namespace classlib;

TForm2* Form2 = nullptr;

TForm2::TForm2() : TSecondWindow(L"TForm2"), MyBMP2(this) {
  SetCaption(L"Form2");
  MyBMP2.SetRepaintMode(raster::rmOptimizer);
  MyBMP2.Bitmap()->SetResamplerClassName("TNearestResampler");
  OnCreate = [this](TObject* sender) { FormCreate(sender); };
  // The image's events behave as the window's (MyBMP2MouseDown and the others).
  viewer::BindMouseHandlers(*this, MyBMP2);
}

void TForm2::FormCreate(TObject*) { StartImagePath(); }

}  // namespace brisklens_soft
