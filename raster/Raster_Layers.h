// Layers: an ordered list of objects drawn over an image control's bitmap (index 0 lowest,
// drawn first). The collection routes the control's mouse to the layer under the pointer
// and tells the control and its repaint optimizer what changed. TCustomLayer draws nothing
// itself; drawing, hit tests and mouse handling come from its events and descendants.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "raster/Raster.h"
#include "classlib/controls.h"

namespace raster {

using classlib::TCursor, classlib::TMouseButton, classlib::TShiftState;

// The option word of a layer; the low 24 bits are free for descendants.
constexpr uint32_t LAYER_VISIBLE = 0x80000000u;       // drawn
constexpr uint32_t LAYER_GDI_OVERLAY = 0x40000000u;   // also draws on the control's canvas
constexpr uint32_t LAYER_MOUSE_EVENTS = 0x20000000u;  // takes part in mouse hit tests
constexpr uint32_t LAYER_NO_UPDATE = 0x10000000u;     // Changed and Changing do nothing
constexpr uint32_t LAYER_NO_CAPTURE = 0x08000000u;    // a press does not capture the mouse
constexpr uint32_t LAYER_PENDING = 0x04000000u;       // listed as changed by the optimizer
constexpr uint32_t LAYER_FORCE_UPDATE = 0x02000000u;  // an invisible layer still reports

enum TLayerListChange : uint8_t { lcAdded, lcInserted, lcDeleted, lcCleared };

class TLayerCollection;
class TCustomLayer;

// Makes a layer of one class in a collection: the class reference of layers.
using TLayerClass = TCustomLayer* (*)(TLayerCollection* Collection);
// The class reference of layer class T.
template <class T>
TLayerClass LayerClassOf() {
  return [](TLayerCollection* Collection) -> TCustomLayer* { return new T(Collection); };
}

using TLayerListChangeEvent = std::function<void(TObject* Sender, TLayerListChange Change,
                                                 TCustomLayer* Layer, int32_t Index)>;
using TLayerUpdateEvent = std::function<void(TObject* Sender, TCustomLayer* Layer)>;
using TGetScaleEvent = std::function<void(TObject* Sender, float& ScaleX, float& ScaleY)>;
using TGetShiftEvent = std::function<void(TObject* Sender, float& ShiftX, float& ShiftY)>;
using THitTestEvent = std::function<void(TObject* Sender, int32_t X, int32_t Y, bool& Passed)>;
using TLayerMouseEvent = std::function<void(TObject* Sender, TMouseButton Button,
                                            TShiftState Shift, int32_t X, int32_t Y)>;
using TLayerMouseMoveEvent =
    std::function<void(TObject* Sender, TShiftState Shift, int32_t X, int32_t Y)>;
using TPaintLayerEvent = std::function<void(TObject* Sender, TBitmap32& Buffer)>;

class TLayerCollection : public TPersistent {
 public:
  // Owner is the control that shows the layers (or any object); not owned.
  explicit TLayerCollection(TObject* Owner);
  // Frees every layer with change notification held back (list changes still report).
  ~TLayerCollection() override;

  TObject* Owner() const { return owner_; }

  // Makes a layer of LayerClass in this collection, at the end, and reports its addition
  // a second time (the insertion reported it first).
  TCustomLayer* AddLayer(TLayerClass LayerClass);
  template <class T>
  T* Add() {
    return static_cast<T*>(AddLayer(LayerClassOf<T>()));
  }
  // From another collection: its layers' classes and states; anything else fails with
  // EAssignError.
  void Assign(TPersistent* Source) override;

  void BeginUpdate();
  void EndUpdate();
  void Changed();
  void Changing();
  void OverlayChanged();
  // Frees every layer, the last first, then reports lcCleared.
  void ClearLayers();

  int32_t LayerCount() const { return int32_t(layers_.size()); }
  // EListError when Index is outside 0..LayerCount-1.
  TCustomLayer* GetLayer(int32_t Index) const;
  // The topmost layer whose options share a bit with OptionMask and that is hit at (X, Y).
  TCustomLayer* LayerAt(int32_t X, int32_t Y, uint32_t OptionMask) const;
  void InsertLayer(TCustomLayer* Layer);
  void RemoveLayer(TCustomLayer* Layer);
  void NotifyListChange(TLayerListChange Change, TCustomLayer* Layer, int32_t Index);
  void LayerChanged(TCustomLayer* Layer);

  TCustomLayer* CapturingLayer() const { return capturing_layer_; }
  void CaptureLayer(TCustomLayer* Layer);
  // Mouse routing; each returns the layer the event concerned, or nullptr. Coordinates
  // are passed through unchanged.
  TCustomLayer* RouteMouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  TCustomLayer* RouteMouseMove(TShiftState Shift, int32_t X, int32_t Y);
  TCustomLayer* RouteMouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);

  virtual void QueryViewScale(float& ScaleX, float& ScaleY);
  virtual void QueryViewShift(float& ShiftX, float& ShiftY);

  int32_t UpdateCount() const { return update_count_; }

  bool RouteMouse = true;
  TNotifyEvent OnChanging;
  TNotifyEvent OnChange;
  TNotifyEvent OnOverlayChange;
  TLayerListChangeEvent OnListChange;
  TLayerUpdateEvent OnLayerChange;
  // Bound by the repaint optimizer; nothing in this class fires it.
  TAreaChangedEvent OnAreaChange;
  TGetScaleEvent OnGetViewScale;
  TGetShiftEvent OnGetViewShift;

 private:
  friend class TCustomLayer;

  int32_t IndexOf(const TCustomLayer* Layer) const;
  // Moves a layer of this collection to another index (both in range).
  void MoveLayer(int32_t CurIndex, int32_t NewIndex);
  // Runs steps between BeginUpdate and EndUpdate, closing the update however they end.
  template <typename Steps>
  void WithinUpdate(Steps steps);
  TCustomLayer* MouseTarget(int32_t X, int32_t Y) const;

  std::vector<TCustomLayer*> layers_;  // owned
  TCustomLayer* capturing_layer_ = nullptr;
  int32_t update_count_ = 0;
  TObject* owner_ = nullptr;
  classlib::TControl* owner_control_ = nullptr;  // the owner when it is a control
};

class TCustomLayer : public TNotifiablePersistent {
 public:
  static const TClassInfo ClassInfo;
  TClass ClassType() const override { return &ClassInfo; }

  // Joins Collection (when given) at its end; the options become LAYER_VISIBLE.
  explicit TCustomLayer(TLayerCollection* Collection);
  // The class reference of this layer's class: descendants that a collection may copy
  // (Assign) give their own.
  virtual TLayerClass LayerClass() const { return LayerClassOf<TCustomLayer>(); }

  // Fires OnDestroy, then destroys the layer, which leaves its collection.
  void Free();

  TLayerCollection* Collection() const { return collection_; }
  TLayerCollection* Owner() const { return collection_; }
  virtual void SetCollection(TLayerCollection* Value);
  uint32_t Options() const { return options_; }
  virtual void SetOptions(uint32_t Value);
  TCursor HoverCursor() const { return hover_cursor_; }
  virtual void SetHoverCursor(TCursor Value);
  // Index in the collection, -1 without one.
  int32_t Position() const;
  virtual void SetPosition(int32_t NewIndex);
  bool IsVisible() const { return (options_ & LAYER_VISIBLE) != 0; }
  bool PendingUpdate() const { return (options_ & LAYER_PENDING) != 0; }
  void SetPendingUpdate(bool Value);
  // Buttons held on the layer: bit 0 left, bit 1 right, bit 2 middle.
  uint8_t ButtonStates() const { return button_states_; }

  void Changed() override;
  void Changing();
  // Reports the change to the collection when the layer is visible or forced to report.
  void ReportChange();

  // DrawLayer, then OnPaint.
  void DrawInto(TBitmap32& Buffer);
  // HitQuery, which OnHitQuery may overrule.
  bool HitsPoint(int32_t X, int32_t Y);

  virtual bool HitQuery(int32_t X, int32_t Y);
  virtual void HandleMouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  // Sets the screen cursor to HoverCursor, then OnMouseMove.
  virtual void HandleMouseMove(TShiftState Shift, int32_t X, int32_t Y);
  // Sets the screen cursor back to the default, then OnMouseUp.
  virtual void HandleMouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  virtual void WatchedDestroyed(TCustomLayer* /*Layer*/) {}
  virtual void DrawLayer(TBitmap32& /*Buffer*/) {}
  virtual void DrawOverlay(classlib::TCanvas& /*Canvas*/) {}

  THitTestEvent OnHitQuery;
  TLayerMouseEvent OnMouseDown;
  TLayerMouseMoveEvent OnMouseMove;
  TLayerMouseEvent OnMouseUp;
  TPaintLayerEvent OnPaint;
  TNotifyEvent OnDestroy;

 protected:
  // Layers are destroyed through Free (directly or by their collection).
  ~TCustomLayer() override;

  // Layers told when this one is destroyed; descendants that watch one another fill it.
  std::unique_ptr<std::vector<TCustomLayer*>>& DestroyWatchers() { return destroy_watchers_; }

 private:
  friend class TLayerCollection;

  TCursor hover_cursor_ = classlib::crDefault;
  std::unique_ptr<std::vector<TCustomLayer*>> destroy_watchers_;
  TLayerCollection* collection_ = nullptr;
  uint8_t button_states_ = 0;
  uint32_t options_ = 0;
};

}  // namespace raster
