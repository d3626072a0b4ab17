// The repaint optimizer interface of the paint box: an object that collects the changed
// areas of a control's back buffer (and of the layers drawn into it) between paints and
// turns them into the rectangles to repaint, appended to the control's invalid-rect list.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "raster/Raster.h"
#include "raster/Raster_Containers.h"
#include "raster/Raster_Layers.h"

namespace raster {

// Grows R by Dx and Dy on every side, outward also for an inverted rectangle (a side whose
// right lies left of its left grows the other way).
void GrowArea(TRect& R, int32_t Dx, int32_t Dy);

class TCustomRepaintOptimizer : public TObject {
 public:
  // Buffer and InvalidRects belong to the paint box; the optimizer keeps references.
  TCustomRepaintOptimizer(TBitmap32& Buffer, TRectList& InvalidRects);
  // Detaches every collection still attached.
  ~TCustomRepaintOptimizer() override;
  TCustomRepaintOptimizer(const TCustomRepaintOptimizer&) = delete;
  TCustomRepaintOptimizer& operator=(const TCustomRepaintOptimizer&) = delete;

  bool Enabled() const { return GetEnabled(); }
  virtual bool GetEnabled() const { return enabled_; }
  virtual void SetEnabled(bool Value) { enabled_ = Value; }

  // Has the shape of the collections' OnListChange.
  virtual void NoteLayerListChange(TObject* Sender, TLayerListChange Change,
                                   TCustomLayer* Layer, int32_t Index) = 0;
  // Adds the collection once and binds its OnListChange to NoteLayerListChange.
  virtual void AttachLayerCollection(TLayerCollection& Layers);
  // Clears the collection's OnListChange and forgets the collection.
  virtual void DetachLayerCollection(TLayerCollection& Layers);

  // Brackets of the whole paint and of the buffer's repaint.
  virtual void BeforePaint() {}
  virtual void AfterPaint() {}
  virtual void BeforeBufferPaint() {}
  virtual void AfterBufferPaint() {}

  // Forgets what was collected: the whole buffer is to be repainted.
  virtual void DiscardPending() = 0;
  virtual bool HasPendingUpdates() = 0;
  // Appends the rectangles to repaint to the invalid-rect list.
  virtual void BuildInvalidRects() = 0;
  // Has the shape of a bitmap's OnAreaChanged, so that it can take a buffer's changes.
  virtual void NoteAreaChange(TObject* Sender, const TRect& Area, uint32_t Info) = 0;
  virtual void NoteLayerChange(TObject* Sender, TCustomLayer* Layer) = 0;
  virtual void NoteBufferResize(int32_t NewWidth, int32_t NewHeight) = 0;

  const std::vector<TLayerCollection*>& LayerCollections() const { return layer_collections_; }
  TBitmap32& Buffer() const { return buffer_; }
  TRectList& InvalidRects() const { return invalid_rects_; }

 private:
  bool enabled_ = false;
  std::vector<TLayerCollection*> layer_collections_;  // not owned
  TRectList& invalid_rects_;
  TBitmap32& buffer_;
};

// The class reference of repaint optimizers: makes one for a buffer and its invalid-rect
// list.
using TRepaintOptimizerClass =
    std::unique_ptr<TCustomRepaintOptimizer> (*)(TBitmap32& Buffer, TRectList& InvalidRects);

}  // namespace raster
