// The paint box: its buffer fitted to the control, and what each repaint mode makes of a
// change, an invalidation and a paint, recorded as message sequences, with the window's
// pixels read back where only part of the buffer was to be copied.
#include "raster/Raster_Image.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/forms.h"
#include "raster/Raster_MicroTiles.h"
#include "tools/systest/systest.h"

namespace {

using namespace raster;
using classlib::TMessage;
using Log = std::vector<std::string>;

std::string Text(const TRect& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

// Records the messages of interest, each buffer repaint and each copy to the window with
// the dirty rectangles it copied ("copy in" inside the class library's WM_PAINT handling).
// Like the image control, it brackets its buffer repaints for the optimizer.
class TRecordingBox : public TCustomPaintBox32 {
 public:
  explicit TRecordingBox(classlib::TControl* parent) : TCustomPaintBox32(parent) {
    classlib::TWndMethod previous = WindowProc;
    WindowProc = [this, previous](TMessage& message) {
      if (message.Msg == WM_PAINT) log.push_back("WM_PAINT");
      if (message.Msg == classlib::CM_INVALIDATE) log.push_back("CM_INVALIDATE");
      previous(message);
    };
  }
  Log Take() {
    Log taken;
    taken.swap(log);
    return taken;
  }

  Log log;
  std::function<void()> during_paint;  // runs once, inside the next buffer repaint

 protected:
  void PaintBuffer() override {
    if (OptimizerEnabled()) Optimizer()->BeforeBufferPaint();
    TCustomPaintBox32::PaintBuffer();
    log.push_back("PaintBuffer");
    if (auto step = std::move(during_paint)) step();
    during_paint = nullptr;
    if (OptimizerEnabled()) Optimizer()->AfterBufferPaint();
  }
  void PaintGDIOverlay() override {
    std::string copied = InCustomPaint() ? "copy in " : "copy ";
    for (int32_t i = 0; i < DirtyRects().Count(); ++i) copied += Text(DirtyRects().List()[i]);
    log.push_back(copied);
    TCustomPaintBox32::PaintGDIOverlay();
  }
};

void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

bool UpdateRegionEmpty(HWND window) { return !GetUpdateRect(window, nullptr, FALSE); }
bool PaintQueued(HWND window) {
  MSG message;
  return PeekMessageW(&message, window, WM_PAINT, WM_PAINT, PM_NOREMOVE) != FALSE;
}

TEST(PaintBox, FitsItsBufferWithTheMarginAndRoutesTheBuffersChangesByMode) {
  classlib::TForm form(L"TPaintBoxFitForm", 50, 50, 600, 500);
  TRecordingBox box(&form);
  EXPECT_EQ(box.Width(), 192);
  EXPECT_EQ(box.Buffer().Width(), 232);
  EXPECT_EQ(box.Buffer().Height(), 232);
  EXPECT_TRUE(box.FullRepaintPending());
  const struct { int width, height, buffer_width, buffer_height; } sizes[] = {
      {193, 193, 232, 232}, {191, 191, 191, 191}, {0, 0, 1, 1},
      {300, 10, 340, 50},   {290, 60, 290, 100},  {300, 100, 340, 100}};
  for (const auto& s : sizes) {
    box.SetBounds(0, 0, s.width, s.height);
    EXPECT_EQ(box.Buffer().Width(), s.buffer_width) << s.width << "x" << s.height;
    EXPECT_EQ(box.Buffer().Height(), s.buffer_height) << s.width << "x" << s.height;
  }
  for (TRepaintMode mode : {rmDirect, rmOptimizer, rmFull}) {
    box.SetRepaintMode(mode);
    EXPECT_EQ(bool(box.Buffer().OnAreaChanged), mode != rmFull) << int(mode);
    EXPECT_EQ(box.Optimizer()->Enabled(), mode == rmOptimizer) << int(mode);
  }
  HWND window = box.Handle();
  EXPECT_EQ(SendMessageW(window, WM_ERASEBKGND, 0, 0), 1);
  EXPECT_EQ(SendMessageW(window, WM_GETDLGCODE, 0, 0), 0);
  box.BoxOptions = WantArrowKeys;
  EXPECT_EQ(SendMessageW(window, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);

  // The mouse coming and going, and a press taking the focus when asked to.
  int enters = 0, leaves = 0;
  box.OnMouseEnter = [&](TObject*) { ++enters; };
  box.OnMouseLeave = [&](TObject*) { ++leaves; };
  SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  EXPECT_TRUE(box.MouseInside());
  SendMessageW(window, WM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(box.MouseInside());
  EXPECT_EQ(enters * 10 + leaves, 11);
  form.Show();
  SetFocus(form.Handle());
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  EXPECT_FALSE(box.Focused());
  box.BoxOptions = FocusOnClick;
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  EXPECT_TRUE(box.Focused());
}

TEST(PaintBox, EachRepaintModeTurnsChangesAndInvalidationsIntoItsOwnPaints) {
  classlib::TForm form(L"TPaintBoxModeForm", 50, 50, 400, 300);
  form.SetBorderStyle(classlib::TFormBorderStyle::bsNone);
  TRecordingBox box(&form);
  box.SetBounds(0, 0, 200, 150);
  form.Show();
  ASSERT_TRUE(systest::BringToFront(form.Handle()));
  HWND window = box.Handle();
  Pump();
  box.Take();
  const TRect r1 = RectOf(5, 6, 20, 30), r2 = RectOf(40, 40, 41, 41);

  // rmFull: buffer changes go nowhere; an invalidation repaints and copies everything.
  box.Buffer().AreaChanged(r1, AreaInfoRect);
  box.Invalidate();
  EXPECT_FALSE(UpdateRegionEmpty(window));
  Pump();
  EXPECT_EQ(box.Take(), Log({"CM_INVALIDATE", "WM_PAINT", "PaintBuffer", "copy in "}));

  // rmDirect: a change is painted before it returns, only its rectangle copied; one made
  // during that paint joins it instead of nesting another paint.
  box.SetRepaintMode(rmDirect);
  Pump();
  box.Take();
  box.during_paint = [&] { box.Buffer().AreaChanged(r2, AreaInfoRect); };
  box.Buffer().AreaChanged(r1, AreaInfoRect);
  EXPECT_EQ(box.Take(), Log({"CM_INVALIDATE", "WM_PAINT", "PaintBuffer",
                             "copy in (5,6,20,30)(40,40,41,41)"}));
  EXPECT_TRUE(UpdateRegionEmpty(window));
  // After an invalidation of the whole control the next paint is whole, even when it is
  // a change's own.
  box.Invalidate();
  box.Buffer().AreaChanged(r1, AreaInfoRect);
  EXPECT_EQ(box.Take(), Log({"CM_INVALIDATE", "CM_INVALIDATE", "WM_PAINT", "PaintBuffer",
                             "copy in "}));
  // A resize that reallocates the buffer reports all of it to the hook, which repaints at
  // once; the full repaint it leaves pending follows at the next WM_PAINT. One within the
  // buffer's margin is repainted whole at the next WM_PAINT.
  box.SetBounds(0, 0, 260, 150);
  EXPECT_EQ(box.Take(), Log({"CM_INVALIDATE", "WM_PAINT", "PaintBuffer", "copy in (0,0,300,150)",
                             "CM_INVALIDATE"}));
  EXPECT_EQ(box.Buffer().Width(), 300);
  Pump();
  EXPECT_EQ(box.Take(), Log({"WM_PAINT", "PaintBuffer", "copy in "}));
  box.SetBounds(0, 0, 270, 140);
  EXPECT_EQ(box.Buffer().Width() * 1000 + box.Buffer().Height(), 300 * 1000 + 150);
  box.Buffer().AreaChanged(r1, AreaInfoRect);
  EXPECT_EQ(box.Take(), Log({"CM_INVALIDATE", "CM_INVALIDATE", "WM_PAINT", "PaintBuffer",
                             "copy in "}));
  box.SetBounds(0, 0, 260, 150);
  Pump();
  box.Take();

  // rmOptimizer: activation marks the whole buffer; the invalidation posts a bare WM_PAINT,
  // whose handling copies the optimizer's rectangles at once, then paints as usual over
  // an empty update region.
  box.SetRepaintMode(rmOptimizer);
  EXPECT_TRUE(UpdateRegionEmpty(window));
  EXPECT_TRUE(PaintQueued(window));
  Pump();
  EXPECT_EQ(box.Take(), Log({"CM_INVALIDATE", "WM_PAINT", "PaintBuffer", "copy (0,0,300,150)",
                             "copy in "}));
  // Nothing pending: the window is invalidated as in the other modes.
  box.Invalidate();
  EXPECT_FALSE(UpdateRegionEmpty(window));
  Pump();
  EXPECT_EQ(box.Take(), Log({"CM_INVALIDATE", "WM_PAINT", "PaintBuffer", "copy in "}));
  // A change is only collected; the next paint copies just its tiles (here tile-aligned,
  // whatever the optimizer's granularity).
  box.Buffer().BeginUpdate();
  box.Buffer().Clear(0xFFFF0000);
  box.Buffer().EndUpdate();
  const TRect tiles = RectOf(32, 32, 96, 64);
  box.Buffer().AreaChanged(tiles, AreaInfoRect);
  EXPECT_EQ(box.Take(), Log());
  box.Invalidate();
  EXPECT_TRUE(UpdateRegionEmpty(window));
  Pump();
  EXPECT_EQ(box.Take(), Log({"CM_INVALIDATE", "WM_PAINT", "PaintBuffer", "copy (32,32,96,64)",
                             "copy in "}));
  systest::Pixels pixels = systest::CaptureClient(window);
  ASSERT_EQ(pixels.width, 260);
  for (int y = 0; y < 150; y += 3)
    for (int x = 0; x < 260; x += 3) {
      POINT p{x, y};
      ASSERT_EQ(pixels.at(x, y) == 0xFF0000u, PtInRect(&tiles, p) != FALSE) << x << "," << y;
    }
}

}  // namespace
