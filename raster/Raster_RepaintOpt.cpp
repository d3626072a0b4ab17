#include "raster/Raster_RepaintOpt.h"

#include <algorithm>

namespace raster {

namespace {
// Coordinates wrap in 32 bits rather than overflow.
LONG Wrapped(int64_t Value) { return LONG(int32_t(uint32_t(Value))); }
}  // namespace

void GrowArea(TRect& R, int32_t Dx, int32_t Dy) {
  const int64_t dx = R.right < R.left ? -int64_t(Dx) : Dx;
  const int64_t dy = R.bottom < R.top ? -int64_t(Dy) : Dy;
  R.left = Wrapped(R.left - dx);
  R.top = Wrapped(R.top - dy);
  R.right = Wrapped(R.right + dx);
  R.bottom = Wrapped(R.bottom + dy);
}

TCustomRepaintOptimizer::TCustomRepaintOptimizer(TBitmap32& Buffer, TRectList& InvalidRects)
    : invalid_rects_(InvalidRects), buffer_(Buffer) {}

TCustomRepaintOptimizer::~TCustomRepaintOptimizer() {
  while (!layer_collections_.empty())
    TCustomRepaintOptimizer::DetachLayerCollection(*layer_collections_.back());
}

void TCustomRepaintOptimizer::AttachLayerCollection(TLayerCollection& Layers) {
  if (std::find(layer_collections_.begin(), layer_collections_.end(), &Layers) !=
      layer_collections_.end())
    return;
  layer_collections_.push_back(&Layers);
  Layers.OnListChange = [this](TObject* Sender, TLayerListChange Change, TCustomLayer* Layer,
                               int32_t Index) {
    NoteLayerListChange(Sender, Change, Layer, Index);
  };
}

void TCustomRepaintOptimizer::DetachLayerCollection(TLayerCollection& Layers) {
  Layers.OnListChange = nullptr;
  layer_collections_.erase(
      std::remove(layer_collections_.begin(), layer_collections_.end(), &Layers),
      layer_collections_.end());
}

}  // namespace raster
