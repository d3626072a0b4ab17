// The custom control: which messages and calls an invalidation, an update, a repaint, a
// resize, the mouse coming and going produce (recorded and compared with the expected
// sequence), the canvas inside and outside WM_PAINT, cursors and focus.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/forms.h"

using namespace classlib;

namespace {

// Records the messages of interest and the control's own calls, in order.
class TRecordingControl : public TCustomControl {
 public:
  TRecordingControl(TControl* parent, int left, int top, int width, int height)
      : TCustomControl(parent, left, top, width, height) {
    TWndMethod previous = WindowProc;
    WindowProc = [this, previous](TMessage& message) {
      if (const char* name = Name(message.Msg)) log.push_back(name);
      previous(message);
    };
  }

  void PaintNow() { Paint(); }
  std::vector<std::string> Take() {
    std::vector<std::string> taken;
    taken.swap(log);
    return taken;
  }

  std::vector<std::string> log;
  HDC last_dc = nullptr;

 protected:
  void Paint() override {
    last_dc = Canvas().Handle();
    log.push_back(InCustomPaint() ? "Paint(in WM_PAINT)" : "Paint");
  }
  void Resize() override {
    log.push_back("Resize " + std::to_string(Width()) + "x" + std::to_string(Height()));
    TCustomControl::Resize();
  }

 private:
  static const char* Name(UINT msg) {
    switch (msg) {
      case WM_PAINT: return "WM_PAINT";
      case WM_ERASEBKGND: return "WM_ERASEBKGND";
      case CM_INVALIDATE: return "CM_INVALIDATE";
      case CM_MOUSEENTER: return "CM_MOUSEENTER";
      case CM_MOUSELEAVE: return "CM_MOUSELEAVE";
      default: return nullptr;
    }
  }
};

using Log = std::vector<std::string>;

}  // namespace

TEST(CustomControl, InvalidateUpdateRepaintAndDirectPaintGiveTheirMessageSequences) {
  TForm form(L"TCustomPaintForm", 100, 100, 300, 200);
  TRecordingControl control(&form, 10, 10, 120, 80);
  form.Show();
  UpdateWindow(form.Handle());
  control.Update();
  control.Take();

  control.Invalidate();
  EXPECT_EQ(control.Take(), Log({"CM_INVALIDATE"})) << "nothing painted before the update";
  control.Update();
  EXPECT_EQ(control.Take(), Log({"WM_PAINT", "WM_ERASEBKGND", "Paint(in WM_PAINT)"}));
  control.Update();
  EXPECT_EQ(control.Take(), Log()) << "nothing left to paint";

  // An opaque control is not erased; Repaint paints before it returns.
  control.SetControlStyle(csOpaque);
  control.Repaint();
  EXPECT_EQ(control.Take(), Log({"CM_INVALIDATE", "WM_PAINT", "Paint(in WM_PAINT)"}));

  // Outside WM_PAINT, Paint draws through the window's own context (the paint context
  // was bound only for the paint).
  control.PaintNow();
  EXPECT_EQ(control.Take(), Log({"Paint"}));
  const HDC window_dc = control.last_dc;
  EXPECT_NE(window_dc, nullptr);
  EXPECT_EQ(control.Canvas().Handle(), window_dc);

  // A new colour is a change to show.
  EXPECT_EQ(control.Color(), clWindow);
  control.SetColor(clRed);
  control.SetColor(clRed);
  EXPECT_EQ(control.Take(), Log({"CM_INVALIDATE"}));
}

TEST(CustomControl, ResizeComesOncePerNewSizeAndMouseEnterAndLeaveOncePerVisit) {
  TForm form(L"TCustomResizeForm", 100, 100, 300, 200);
  TRecordingControl control(&form, 10, 10, 120, 80);
  int on_resize = 0;
  control.OnResize = [&](TObject*) { ++on_resize; };
  std::vector<std::string> moves;
  control.OnMouseMove = [&](TObject*, TShiftState, int x, int y) {
    moves.push_back(std::to_string(x) + "," + std::to_string(y));
  };
  control.Take();

  control.SetBounds(20, 30, 120, 80);  // moved only
  control.SetWidth(150);
  control.SetHeight(60);
  control.SetBounds(0, 0, 150, 60);  // moved only
  EXPECT_EQ(control.Take(), Log({"Resize 150x80", "Resize 150x60"}));
  EXPECT_EQ(on_resize, 2);

  HWND window = control.Handle();
  SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(5, 6));
  SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(7, 8));
  SendMessageW(window, WM_MOUSELEAVE, 0, 0);
  SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(9, 9));
  EXPECT_EQ(control.Take(), Log({"CM_MOUSEENTER", "CM_MOUSELEAVE", "CM_MOUSEENTER"}));
  EXPECT_EQ(moves, std::vector<std::string>({"5,6", "7,8", "9,9"}));
}

TEST(CustomControl, CursorsFollowTheScreenCursorFirstAndFocusNeedsAVisibleEnabledChain) {
  TForm form(L"TCustomCursorForm", 100, 100, 300, 200);
  TRecordingControl control(&form, 10, 10, 120, 80);
  HWND window = control.Handle();
  auto set_cursor = [&] {
    return SendMessageW(window, WM_SETCURSOR, WPARAM(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  };
  const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  const HCURSOR cross = LoadCursorW(nullptr, IDC_CROSS);
  const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);

  set_cursor();
  EXPECT_EQ(GetCursor(), arrow) << "crDefault: the class cursor";
  control.SetCursor(crCross);
  EXPECT_EQ(set_cursor(), TRUE);
  EXPECT_EQ(GetCursor(), cross);
  Screen->SetCursor(crHandPoint);
  EXPECT_EQ(GetCursor(), hand) << "shown at once";
  set_cursor();
  EXPECT_EQ(GetCursor(), hand) << "the screen cursor wins over the control's";
  Screen->SetCursor(crDefault);
  set_cursor();
  EXPECT_EQ(GetCursor(), cross);
  EXPECT_EQ(CursorHandle(crNone), nullptr);

  EXPECT_FALSE(control.CanFocus()) << "the form is hidden";
  form.Show();
  ASSERT_TRUE(control.CanFocus());
  EnableWindow(window, FALSE);
  EXPECT_FALSE(control.CanFocus());
  EnableWindow(window, TRUE);
  SetForegroundWindow(form.Handle());
  control.SetFocus();
  EXPECT_TRUE(control.Focused());
}

namespace {

// Sizes itself to a fixed size when asked, keeps the mouse capture to itself, and logs
// when its form tells it that it is set up.
class TSelfSizingControl : public TCustomControl {
 public:
  TSelfSizingControl(TControl* parent, std::vector<std::string>& log)
      : TCustomControl(parent, 5, 5, 40, 30), log_(log) {
    SetControlStyle(csOwnCapture);
  }

 protected:
  bool CanAutoSize(int& width, int& height) override {
    width = 77;
    height = 11;
    return true;
  }
  void Loaded() override { log_.push_back("Loaded"); }

 private:
  std::vector<std::string>& log_;
};

}  // namespace

TEST(CustomControl, AutoSizeAsksTheControlLoadedPrecedesOnCreateAndOwnCaptureIsLeftAlone) {
  TForm form(L"TAutoSizeForm", 100, 100, 300, 200);
  std::vector<std::string> log;
  TSelfSizingControl control(&form, log);
  TCustomControl plain(&form, 100, 5, 40, 30);
  control.SetBounds(5, 5, 50, 50);
  EXPECT_EQ(control.Width() * 1000 + control.Height(), 50 * 1000 + 50) << "AutoSize is off";
  control.SetAutoSize(true);
  EXPECT_EQ(control.Width() * 1000 + control.Height(), 77 * 1000 + 11);
  control.SetBounds(1, 2, 300, 300);
  EXPECT_EQ(control.Left() * 1000 + control.Width(), 1 * 1000 + 77);

  form.OnCreate = [&](TObject*) { log.push_back("OnCreate"); };
  form.DoCreate();
  EXPECT_EQ(log, Log({"Loaded", "OnCreate"}));

  // A press captures the mouse of a plain control but not of one that captures itself.
  form.Show();
  for (TControl* c : {static_cast<TControl*>(&plain), static_cast<TControl*>(&control)}) {
    SendMessageW(c->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 3));
    EXPECT_EQ(c->MouseCapture(), c == &plain);
    c->SetMouseCapture(true);
    SendMessageW(c->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(c->MouseCapture(), c == &control);
    c->SetMouseCapture(false);
  }
}
