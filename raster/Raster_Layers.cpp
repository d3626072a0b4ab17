#include "raster/Raster_Layers.h"

#include <algorithm>
#include <string>

namespace raster {

namespace {

uint8_t ButtonBit(TMouseButton Button) {
  switch (Button) {
    case TMouseButton::mbLeft: return 1u << 0;
    case TMouseButton::mbRight: return 1u << 1;
    case TMouseButton::mbMiddle: return 1u << 2;
  }
  return 0;
}

constexpr uint8_t AllButtons = 0x07;

}  // namespace

// ---- TLayerCollection ---------------------------------------------------------------

TLayerCollection::TLayerCollection(TObject* Owner)
    : owner_(Owner), owner_control_(dynamic_cast<classlib::TControl*>(Owner)) {}

TLayerCollection::~TLayerCollection() {
  // From here on no change is reported: the owner is going too. Each freed layer still
  // reports its removal from the list.
  update_count_ = 1;
  ClearLayers();
}

template <typename Steps>
void TLayerCollection::WithinUpdate(Steps steps) {
  BeginUpdate();
  try {
    steps();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TCustomLayer* TLayerCollection::AddLayer(TLayerClass LayerClass) {
  TCustomLayer* layer = LayerClass(this);
  layer->SetPosition(LayerCount() - 1);
  NotifyListChange(lcAdded, layer, layer->Position());
  return layer;
}

void TLayerCollection::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TLayerCollection*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  // A collection assigned to itself would free the very layers it is to copy.
  if (source == this) return;
  WithinUpdate([&] {
    while (!layers_.empty()) layers_.back()->Free();
    for (TCustomLayer* original : source->layers_) {
      TCustomLayer* copy = AddLayer(original->LayerClass());
      copy->Assign(original);
    }
  });
}

void TLayerCollection::BeginUpdate() {
  if (update_count_ == 0) Changing();
  ++update_count_;
}

void TLayerCollection::EndUpdate() {
  if (--update_count_ == 0) Changed();
}

void TLayerCollection::Changed() {
  if (OnChange) OnChange(this);
}

void TLayerCollection::Changing() {
  if (OnChanging) OnChanging(this);
}

void TLayerCollection::OverlayChanged() {
  if (update_count_ == 0 && OnOverlayChange) OnOverlayChange(this);
}

void TLayerCollection::ClearLayers() {
  WithinUpdate([&] {
    // Each layer leaves the list as it goes.
    while (!layers_.empty()) layers_.back()->Free();
    NotifyListChange(lcCleared, nullptr, 0);
  });
}

TCustomLayer* TLayerCollection::GetLayer(int32_t Index) const {
  if (Index < 0 || Index >= LayerCount())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return layers_[size_t(Index)];
}

TCustomLayer* TLayerCollection::LayerAt(int32_t X, int32_t Y, uint32_t OptionMask) const {
  for (auto layer = layers_.rbegin(); layer != layers_.rend(); ++layer)
    if (((*layer)->Options() & OptionMask) != 0 && (*layer)->HitsPoint(X, Y)) return *layer;
  return nullptr;
}

int32_t TLayerCollection::IndexOf(const TCustomLayer* Layer) const {
  auto found = std::find(layers_.begin(), layers_.end(), Layer);
  return found == layers_.end() ? -1 : int32_t(found - layers_.begin());
}

void TLayerCollection::MoveLayer(int32_t CurIndex, int32_t NewIndex) {
  TCustomLayer* layer = layers_[size_t(CurIndex)];
  layers_.erase(layers_.begin() + CurIndex);
  layers_.insert(layers_.begin() + NewIndex, layer);
}

void TLayerCollection::InsertLayer(TCustomLayer* Layer) {
  if (!Layer || Layer->collection_ == this) return;
  // A layer belongs to one collection at a time.
  if (Layer->collection_) Layer->collection_->RemoveLayer(Layer);
  WithinUpdate([&] {
    layers_.push_back(Layer);
    Layer->collection_ = this;
    NotifyListChange(lcAdded, Layer, LayerCount() - 1);
  });
}

void TLayerCollection::RemoveLayer(TCustomLayer* Layer) {
  WithinUpdate([&] {
    int32_t index = IndexOf(Layer);
    if (index < 0) return;
    if (capturing_layer_ == Layer) CaptureLayer(nullptr);
    layers_.erase(layers_.begin() + index);
    Layer->collection_ = nullptr;
    NotifyListChange(lcDeleted, Layer, index);
  });
}

void TLayerCollection::NotifyListChange(TLayerListChange Change, TCustomLayer* Layer,
                                        int32_t Index) {
  if (OnListChange) OnListChange(this, Change, Layer, Index);
}

void TLayerCollection::LayerChanged(TCustomLayer* Layer) {
  if (OnLayerChange) OnLayerChange(this, Layer);
  Changed();
}

void TLayerCollection::CaptureLayer(TCustomLayer* Layer) {
  if (capturing_layer_ && capturing_layer_ != Layer) capturing_layer_->button_states_ = 0;
  capturing_layer_ = Layer;
}

TCustomLayer* TLayerCollection::MouseTarget(int32_t X, int32_t Y) const {
  return capturing_layer_ ? capturing_layer_ : LayerAt(X, Y, LAYER_MOUSE_EVENTS);
}

TCustomLayer* TLayerCollection::RouteMouseDown(TMouseButton Button, TShiftState Shift,
                                               int32_t X, int32_t Y) {
  TCustomLayer* target = MouseTarget(X, Y);
  if (target != capturing_layer_ && (!target || !(target->Options() & LAYER_NO_CAPTURE)))
    CaptureLayer(target);
  if (capturing_layer_) {
    capturing_layer_->button_states_ |= ButtonBit(Button);
    capturing_layer_->HandleMouseDown(Button, Shift, X, Y);
  }
  return target;
}

TCustomLayer* TLayerCollection::RouteMouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TCustomLayer* target = MouseTarget(X, Y);
  if (target)
    target->HandleMouseMove(Shift, X, Y);
  else if (owner_control_)
    classlib::Screen->SetCursor(owner_control_->Cursor());
  return target;
}

TCustomLayer* TLayerCollection::RouteMouseUp(TMouseButton Button, TShiftState Shift, int32_t X,
                                             int32_t Y) {
  TCustomLayer* target = MouseTarget(X, Y);
  if (target) {
    target->button_states_ &= uint8_t(~ButtonBit(Button));
    target->HandleMouseUp(Button, Shift, X, Y);
  }
  // The capture lasts while any button is held on the capturing layer.
  if (capturing_layer_ && (capturing_layer_->button_states_ & AllButtons) == 0)
    CaptureLayer(nullptr);
  return target;
}

void TLayerCollection::QueryViewScale(float& ScaleX, float& ScaleY) {
  ScaleX = 1.0f;
  ScaleY = 1.0f;
  if (OnGetViewScale) OnGetViewScale(this, ScaleX, ScaleY);
}

void TLayerCollection::QueryViewShift(float& ShiftX, float& ShiftY) {
  ShiftX = 0.0f;
  ShiftY = 0.0f;
  if (OnGetViewShift) OnGetViewShift(this, ShiftX, ShiftY);
}

// ---- TCustomLayer -------------------------------------------------------------------

const TClassInfo TCustomLayer::ClassInfo{"TCustomLayer", &TNotifiablePersistent::ClassInfo,
                                         {}};

TCustomLayer::TCustomLayer(TLayerCollection* Collection) {
  SetCollection(Collection);
  options_ = LAYER_VISIBLE;
}

void TCustomLayer::Free() {
  if (OnDestroy) OnDestroy(this);
  delete this;
}

TCustomLayer::~TCustomLayer() {
  if (destroy_watchers_) {
    // A watcher may drop the list while it is told.
    for (size_t i = destroy_watchers_->size(); i > 0 && destroy_watchers_; --i)
      (*destroy_watchers_)[i - 1]->WatchedDestroyed(this);
    destroy_watchers_.reset();
  }
  SetCollection(nullptr);
}

void TCustomLayer::SetCollection(TLayerCollection* Value) {
  if (Value == collection_) return;
  if (collection_) {
    if (collection_->CapturingLayer() == this) collection_->CaptureLayer(nullptr);
    collection_->RemoveLayer(this);
  }
  if (Value) Value->InsertLayer(this);
}

void TCustomLayer::SetOptions(uint32_t Value) {
  Changing();
  options_ = Value;
  Changed();
}

void TCustomLayer::SetHoverCursor(TCursor Value) {
  if (Value == hover_cursor_) return;
  hover_cursor_ = Value;
  if (collection_ && collection_->CapturingLayer() == this) classlib::Screen->SetCursor(Value);
}

int32_t TCustomLayer::Position() const { return collection_ ? collection_->IndexOf(this) : -1; }

void TCustomLayer::SetPosition(int32_t NewIndex) {
  if (!collection_) return;
  const int32_t current = Position();
  if (NewIndex == current) return;
  NewIndex = std::clamp(NewIndex, 0, collection_->LayerCount() - 1);
  if (NewIndex == current) return;
  if (IsVisible())
    collection_->WithinUpdate([&] { collection_->MoveLayer(current, NewIndex); });
  else
    collection_->MoveLayer(current, NewIndex);
}

void TCustomLayer::SetPendingUpdate(bool Value) {
  options_ = Value ? options_ | LAYER_PENDING : options_ & ~LAYER_PENDING;
}

void TCustomLayer::Changed() {
  if (UpdateCount() > 0 || !collection_ || (options_ & LAYER_NO_UPDATE)) return;
  ReportChange();
  if (IsVisible())
    collection_->Changed();
  else if (options_ & LAYER_GDI_OVERLAY)
    collection_->OverlayChanged();
  TNotifiablePersistent::Changed();
}

void TCustomLayer::Changing() {
  if (UpdateCount() <= 0 && IsVisible() && collection_ && !(options_ & LAYER_NO_UPDATE))
    collection_->Changing();
}

void TCustomLayer::ReportChange() {
  if (collection_ && (IsVisible() || (options_ & LAYER_FORCE_UPDATE)))
    collection_->LayerChanged(this);
}

void TCustomLayer::DrawInto(TBitmap32& Buffer) {
  DrawLayer(Buffer);
  if (OnPaint) OnPaint(this, Buffer);
}

bool TCustomLayer::HitsPoint(int32_t X, int32_t Y) {
  bool passed = HitQuery(X, Y);
  if (OnHitQuery) OnHitQuery(this, X, Y, passed);
  return passed;
}

bool TCustomLayer::HitQuery(int32_t /*X*/, int32_t /*Y*/) { return true; }

void TCustomLayer::HandleMouseDown(TMouseButton Button, TShiftState Shift, int32_t X,
                                   int32_t Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TCustomLayer::HandleMouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  classlib::Screen->SetCursor(hover_cursor_);
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TCustomLayer::HandleMouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  classlib::Screen->SetCursor(classlib::crDefault);
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

}  // namespace raster
