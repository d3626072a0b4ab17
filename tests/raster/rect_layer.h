// A layer for the tests: paints one rectangle, which it reports to the buffer as the area
// it changes, and copies its rectangle and options when assigned.
#pragma once

#include "raster/Raster_Layers.h"

namespace raster_test {

class TRectLayer : public raster::TCustomLayer {
 public:
  explicit TRectLayer(raster::TLayerCollection* Collection) : TCustomLayer(Collection) {}
  raster::TLayerClass LayerClass() const override {
    return raster::LayerClassOf<TRectLayer>();
  }

  // Moves the layer: a change it reports.
  void SetArea(const RECT& area) {
    Changing();
    Area = area;
    Changed();
  }
  void Assign(classlib::TPersistent* Source) override {
    auto* source = dynamic_cast<TRectLayer*>(Source);
    if (!source) return TCustomLayer::Assign(Source);
    Area = source->Area;
    SetOptions(source->Options());
  }
  void DrawLayer(raster::TBitmap32& Buffer) override {
    Buffer.AreaChanged(Area, raster::AreaInfoRect);
  }

  RECT Area = {0, 0, 0, 0};
};

}  // namespace raster_test
