#include "brisklens-soft/unit1.h"

#include "viewer/main_window_input.h"

namespace brisklens_soft {

using namespace classlib;

void TForm1::FormKeyDown(TObject*, WORD& key, TShiftState) {
  viewer::MainWindowKey(*this, key, false);
}

void TForm1::FormKeyUp(TObject*, WORD& key, TShiftState) {
  viewer::MainWindowKey(*this, key, true);
}

// A press in the unrotated view lands 3 rows lower on the touch screen.
void TForm1::FormMouseDown(TObject*, TMouseButton, TShiftState shift, int x, int y) {
  viewer::MainWindowMouseDown(*this, shift, x, y, /*press_correction=*/true);
}

void TForm1::FormMouseMove(TObject*, TShiftState shift, int x, int y) {
  viewer::MainWindowMouseMove(*this, shift, x, y);
}

void TForm1::FormMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  viewer::MainWindowMouseUp(*this);
}

}  // namespace brisklens_soft
