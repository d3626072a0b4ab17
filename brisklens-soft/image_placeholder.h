// Stand-in for the raster library's image control (TImage32) until it is there: a child
// window that owns a TBitmap32, takes copies into it, and shows it stretched to its client
// area through the bitmap's resampler. Changes of the bitmap repaint at once while no
// update is open (the direct mode); BeginUpdate and EndUpdate only count. Mouse events
// carry a layer argument, always null. The raster image control replaces this class.
#pragma once

#include <functional>
#include <memory>

#include "classlib/controls.h"
#include "raster/Raster.h"
#include "raster/Raster_Image.h"

namespace brisklens_soft {

enum TScaleMode { smNormal, smStretch };

class TImage32Placeholder : public classlib::TCustomControl {
 public:
  using TImgMouseEvent = std::function<void(classlib::TObject*, classlib::TMouseButton,
                                            classlib::TShiftState, int, int, void*)>;
  using TImgMouseMoveEvent =
      std::function<void(classlib::TObject*, classlib::TShiftState, int, int, void*)>;

  explicit TImage32Placeholder(classlib::TControl* parent);

  raster::TBitmap32* Bitmap() const { return bitmap_.get(); }
  void SetBitmap(raster::TBitmap32* value) { bitmap_->Assign(value); }
  void SetScaleMode(TScaleMode) {}
  void SetRepaintMode(raster::TRepaintMode) {}
  void BeginUpdate() { ++update_count_; }
  void EndUpdate() { --update_count_; }

  TImgMouseEvent OnMouseDown;
  TImgMouseMoveEvent OnMouseMove;
  TImgMouseEvent OnMouseUp;

 protected:
  void Paint() override;
  void MouseDown(classlib::TMouseButton button, classlib::TShiftState shift, int x,
                 int y) override;
  void MouseMove(classlib::TShiftState shift, int x, int y) override;
  void MouseUp(classlib::TMouseButton button, classlib::TShiftState shift, int x,
               int y) override;

 private:
  std::unique_ptr<raster::TBitmap32> bitmap_;
  raster::TBitmap32 buffer_;
  int update_count_ = 0;
};

}  // namespace brisklens_soft
