// Layers and their collection: the change reports in order, positions, mouse routing with
// the capture following the buttons and the screen cursor, destruction and assignment.
#include "raster/Raster_Layers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/forms.h"
#include "tests/raster/rect_layer.h"

namespace {

using namespace raster;
using classlib::crCross;
using classlib::crDefault;
using classlib::crHandPoint;
using classlib::crIBeam;
using classlib::Screen;
using raster_test::TRectLayer;
using Log = std::vector<std::string>;

// Records the collection's events and those of its layers (named by their Tag order).
struct Recorder {
  Log log;
  void Watch(TLayerCollection& layers) {
    layers.OnChanging = [this](TObject*) { log.push_back("changing"); };
    layers.OnChange = [this](TObject*) { log.push_back("change"); };
    layers.OnOverlayChange = [this](TObject*) { log.push_back("overlay"); };
    layers.OnLayerChange = [this](TObject*, TCustomLayer* layer) {
      log.push_back("layer " + std::to_string(layer->Position()));
    };
    layers.OnListChange = [this](TObject*, TLayerListChange change, TCustomLayer*, int index) {
      static const char* const names[] = {"added", "inserted", "deleted", "cleared"};
      log.push_back(std::string(names[change]) + " " + std::to_string(index));
    };
  }
  void Watch(TCustomLayer& layer, const std::string& name) {
    layer.OnChange = [this, name](TObject*) { log.push_back(name + ".change"); };
    layer.OnDestroy = [this, name](TObject*) { log.push_back(name + ".destroy"); };
  }
  Log Take() {
    Log taken;
    taken.swap(log);
    return taken;
  }
};

TEST(Layers, ChangesAreReportedAsTheOptionsSayAndOnceFromTheOuterUpdate) {
  Recorder r;
  auto layers = std::make_unique<TLayerCollection>(nullptr);
  r.Watch(*layers);
  TCustomLayer* a = layers->AddLayer(LayerClassOf<TCustomLayer>());
  EXPECT_EQ(r.Take(), Log({"changing", "added 0", "change", "added 0"})) << "added twice";
  EXPECT_EQ(a->Options(), LAYER_VISIBLE);
  r.Watch(*a, "a");

  layers->BeginUpdate();
  layers->BeginUpdate();
  layers->EndUpdate();
  EXPECT_EQ(r.Take(), Log({"changing"}));
  layers->OverlayChanged();
  layers->EndUpdate();
  EXPECT_EQ(r.Take(), Log({"change"})) << "no overlay change inside an update";

  const struct { uint32_t options; Log expected; } rows[] = {
      // The report of the change, then the change of a visible layer: two.
      {LAYER_VISIBLE | LAYER_MOUSE_EVENTS, {"changing", "layer 0", "change", "change", "a.change"}},
      {LAYER_VISIBLE | LAYER_NO_UPDATE, {"changing"}},  // Changing ran before the store
      {LAYER_GDI_OVERLAY, {"overlay", "a.change"}},
      {LAYER_FORCE_UPDATE, {"layer 0", "change", "a.change"}},
      {0, {"a.change"}},
  };
  for (const auto& row : rows) {
    a->SetOptions(row.options);
    EXPECT_EQ(r.Take(), row.expected) << std::hex << row.options;
  }
  a->SetOptions(LAYER_VISIBLE);
  a->BeginUpdate();
  r.Take();
  a->Changed();
  EXPECT_EQ(r.Take(), Log());
  a->EndUpdate();

  TCustomLayer* b = layers->AddLayer(LayerClassOf<TCustomLayer>());
  r.Watch(*b, "b");
  r.Take();
  a->Free();
  EXPECT_EQ(r.Take(), Log({"a.destroy", "changing", "deleted 0", "change"}));
  layers->AddLayer(LayerClassOf<TCustomLayer>());
  r.Take();
  layers->ClearLayers();
  EXPECT_EQ(r.Take(), Log({"changing", "deleted 1", "b.destroy", "deleted 0", "cleared 0", "change"}));
  layers->AddLayer(LayerClassOf<TCustomLayer>());
  r.Take();
  layers.reset();
  EXPECT_EQ(r.Take(), Log({"deleted 0", "cleared 0"})) << "no change events from the destructor";
}

TEST(Layers, PositionsClampAndTheCollectionCopiesLayersOfTheirOwnClass) {
  TLayerCollection layers(nullptr);
  TRectLayer* a = layers.Add<TRectLayer>();
  TRectLayer* b = layers.Add<TRectLayer>();
  layers.Add<TRectLayer>();  // c
  auto order = [&] {
    std::string text;
    for (int i = 0; i < layers.LayerCount(); ++i)
      text += layers.GetLayer(i) == a ? "a" : layers.GetLayer(i) == b ? "b" : "c";
    return text;
  };
  a->SetPosition(10);
  EXPECT_EQ(order(), "bca");
  a->SetPosition(-5);
  EXPECT_EQ(order(), "abc");
  int changes = 0;
  layers.OnChange = [&](TObject*) { ++changes; };
  b->SetPosition(1);
  EXPECT_EQ(changes, 0) << "its own place: nothing";
  EXPECT_THROW(layers.GetLayer(3), EListError);
  EXPECT_THROW(layers.GetLayer(-1), EListError);
  float x = 0, y = 0, sx = 5, sy = 5;
  layers.QueryViewScale(x, y);
  layers.QueryViewShift(sx, sy);
  EXPECT_EQ(x * 1000 + y * 100 + sx * 10 + sy, 1100.0f);

  b->Area = RectOf(1, 2, 3, 4);
  b->SetOptions(LAYER_VISIBLE | LAYER_MOUSE_EVENTS);
  TLayerCollection copy(nullptr);
  copy.Add<TCustomLayer>();
  copy.Assign(&layers);
  ASSERT_EQ(copy.LayerCount(), 3);
  auto* copied = dynamic_cast<TRectLayer*>(copy.GetLayer(1));
  ASSERT_NE(copied, nullptr);
  EXPECT_TRUE(EqualRect(&copied->Area, &b->Area));
  EXPECT_EQ(copied->Options(), LAYER_VISIBLE | LAYER_MOUSE_EVENTS);
  layers.Assign(&layers);
  EXPECT_EQ(layers.LayerCount(), 3) << "assigned to itself: unchanged";
  TBitmap32 bitmap;
  EXPECT_THROW(copy.Assign(&bitmap), EAssignError);
  TLayerCollection plain(nullptr);
  plain.Add<TCustomLayer>();
  EXPECT_THROW(copy.Assign(&plain), EAssignError) << "the base layer cannot be assigned";
  EXPECT_EQ(copy.UpdateCount(), 0);
}

TEST(Layers, MouseGoesToTheLayerHitOrHoldingTheCaptureAndSetsTheScreenCursor) {
  classlib::TForm form(L"TLayerMouseForm");
  form.SetCursor(crCross);
  TLayerCollection layers(&form);
  Log log;
  EXPECT_EQ(layers.LayerAt(5, 5, ~0u), nullptr);
  EXPECT_EQ(layers.RouteMouseMove(0, 5, 5), nullptr);
  EXPECT_EQ(Screen->Cursor(), crCross) << "no layer: the owner control's cursor";
  EXPECT_EQ(layers.RouteMouseDown(TMouseButton::mbLeft, 0, 5, 5), nullptr);
  EXPECT_EQ(layers.CapturingLayer(), nullptr);

  // Bottom: hit left of x = 100, hand cursor. Top: hit left of x = 50, no capture.
  TCustomLayer* bottom = layers.Add<TCustomLayer>();
  TCustomLayer* top = layers.Add<TCustomLayer>();
  const struct { TCustomLayer* layer; const char* name; int reach; TCursor hover; uint32_t extra; } setup[] = {
      {bottom, "bottom", 100, crHandPoint, 0}, {top, "top", 50, crIBeam, LAYER_NO_CAPTURE}};
  for (const auto& s : setup) {
    s.layer->SetOptions(LAYER_VISIBLE | LAYER_MOUSE_EVENTS | s.extra);
    s.layer->SetHoverCursor(s.hover);
    int reach = s.reach;
    std::string name = s.name;
    s.layer->OnHitQuery = [reach](TObject*, int x, int, bool& passed) { passed = x < reach; };
    s.layer->OnMouseDown = [&log, name](TObject*, TMouseButton b, TShiftState, int x, int y) {
      log.push_back(name + " down " + std::to_string(int(b)) + " " + std::to_string(x) + "," + std::to_string(y));
    };
    s.layer->OnMouseUp = [&log, name](TObject*, TMouseButton b, TShiftState, int, int) {
      log.push_back(name + " up " + std::to_string(int(b)));
    };
    s.layer->OnMouseMove = [&log, name](TObject*, TShiftState, int, int) { log.push_back(name + " move"); };
  }
  enum Kind { Down, Move, Up };
  const struct {
    Kind kind;
    TMouseButton button;
    int x;
    TCustomLayer* returned;
    TCustomLayer* capturing;
    uint8_t bottom_buttons;
    TCursor cursor;
    const char* event;
  } steps[] = {
      {Move, TMouseButton::mbLeft, 10, top, nullptr, 0, crIBeam, "top move"},
      {Down, TMouseButton::mbLeft, 60, bottom, bottom, 1, crIBeam, "bottom down 0 60,7"},
      {Down, TMouseButton::mbRight, 10, bottom, bottom, 3, crIBeam, "bottom down 1 10,7"},
      {Move, TMouseButton::mbLeft, 10, bottom, bottom, 3, crHandPoint, "bottom move"},
      {Up, TMouseButton::mbLeft, 200, bottom, bottom, 2, crDefault, "bottom up 0"},
      {Up, TMouseButton::mbRight, 200, bottom, nullptr, 0, crDefault, "bottom up 1"},
      {Down, TMouseButton::mbLeft, 10, top, nullptr, 0, crDefault, ""},  // hit, no press
      {Move, TMouseButton::mbLeft, 150, nullptr, nullptr, 0, crCross, ""},
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    const auto& s = steps[i];
    TCustomLayer* returned = s.kind == Down ? layers.RouteMouseDown(s.button, 0, s.x, 7)
                             : s.kind == Move ? layers.RouteMouseMove(0, s.x, 7)
                                              : layers.RouteMouseUp(s.button, 0, s.x, 7);
    EXPECT_EQ(returned, s.returned) << "step " << i;
    EXPECT_EQ(layers.CapturingLayer(), s.capturing) << "step " << i;
    EXPECT_EQ(bottom->ButtonStates(), s.bottom_buttons) << "step " << i;
    EXPECT_EQ(Screen->Cursor(), s.cursor) << "step " << i;
    EXPECT_EQ(log.empty() ? "" : log.back(), std::string(s.event)) << "step " << i;
    log.clear();
  }
  // The capturing layer's new hover cursor shows at once; leaving the collection, or
  // another layer capturing, ends its capture and its buttons.
  layers.RouteMouseDown(TMouseButton::mbLeft, 0, 60, 7);
  bottom->SetHoverCursor(crIBeam);
  EXPECT_EQ(Screen->Cursor(), crIBeam);
  layers.CaptureLayer(top);
  EXPECT_EQ(bottom->ButtonStates(), 0);
  top->SetCollection(nullptr);
  EXPECT_EQ(layers.CapturingLayer(), nullptr);
  top->Free();
  Screen->SetCursor(crDefault);
}

}  // namespace
