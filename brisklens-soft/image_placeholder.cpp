#include "brisklens-soft/image_placeholder.h"

namespace brisklens_soft {

using namespace classlib;

TImage32Placeholder::TImage32Placeholder(TControl* parent)
    : TCustomControl(parent), bitmap_(std::make_unique<raster::TBitmap32>()) {
  SetControlStyle(csOpaque);
  bitmap_->OnChange = [this](TObject*) {
    if (update_count_ == 0 && !InCustomPaint()) Repaint();
  };
}

void TImage32Placeholder::Paint() {
  if (ClientWidth() <= 0 || ClientHeight() <= 0 || bitmap_->IsEmpty()) return;
  buffer_.SetSize(ClientWidth(), ClientHeight());
  bitmap_->DrawInto(&buffer_, buffer_.BoundsRect());
  buffer_.DrawToDC(Canvas().Handle(), 0, 0);
}

void TImage32Placeholder::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y, nullptr);
}

void TImage32Placeholder::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y, nullptr);
}

void TImage32Placeholder::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y, nullptr);
}

}  // namespace brisklens_soft
