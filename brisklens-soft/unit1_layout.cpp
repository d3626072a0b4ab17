#include "brisklens-soft/unit1.h"

#include "brisklens-soft/unit2.h"

namespace brisklens_soft {

using namespace classlib;

void TForm1::ApplyLayout() {
  viewer::LayoutTargets targets = {*this, *Form2, &MyBMP, &Form2->MyBMP2, DirectBitmap.get()};
  viewer::ApplyLayout(CheckedLayout(ResolutionIndex), SingleSizeTable, DualSizeTable, targets,
                      DockSide, ScaleX, ScaleY);
  SizeImagesIfDirect();
}

void TForm1::SizeImagesForDirectPath() {
  MyBMP.SetBounds(0, 0, 0, 0);
  Form2->MyBMP2.SetBounds(0, 0, 0, 0);
}

}  // namespace brisklens_soft
