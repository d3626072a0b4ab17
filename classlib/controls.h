// Windows wrapped as objects: one C++ object per window, its events and its bounds.
//
// The object travels as the creation parameter of windows of our own classes and is stored
// at WM_NCCREATE; system controls (combo boxes, buttons, labels) are subclassed right after
// creation. Either way the window procedure finds the object and calls its WindowProc,
// which by default is the object's WndProc: that dispatches the messages the layer handles
// to small handlers and passes the rest to the default procedure. WindowProc can be read
// and replaced to watch or change what a window receives; the replacement calls the value
// it read to keep the previous behaviour.
//
// Handles are made by the constructors of the concrete classes, so a control exists as a
// window from its construction on; a form that rebuilds its window (a new border style)
// makes its children's windows anew from the state their objects keep.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/graphics.h"

namespace classlib {

// One message as a window receives it; Result is what the window procedure returns.
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};
using TWndMethod = std::function<void(TMessage&)>;

// Shows the exception being handled with the application's default handler (defined with
// the application object). The window procedures of this layer end every exception of an
// event handler here: none may unwind through the system's frames.
void HandleCurrentException();

// Modifier keys and mouse buttons held, as flags.
enum TShiftFlag : unsigned {
  ssShift = 1u << 0,
  ssAlt = 1u << 1,
  ssCtrl = 1u << 2,
  ssLeft = 1u << 3,
  ssRight = 1u << 4,
  ssMiddle = 1u << 5,
};
using TShiftState = unsigned;
enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// Notifications of the layer's own, sent to a control through its WindowProc so that a
// control class can replace their default handling:
//   CM_INVALIDATE   Invalidate asks for a repaint; by default the whole window is
//                   invalidated (erased first unless the control is opaque).
//   CM_MOUSEENTER   the mouse came over a custom control;
//   CM_MOUSELEAVE   the mouse left it.
constexpr UINT CM_MOUSEENTER = 0xB013;
constexpr UINT CM_MOUSELEAVE = 0xB014;
constexpr UINT CM_INVALIDATE = 0xB034;

// Flags of a control's style.
enum TControlStyleFlag : unsigned {
  csOpaque = 1u << 0,  // the control paints all of its area: never erase its background
  // The control takes and releases the mouse capture itself (SetMouseCapture); without
  // this flag a press captures the mouse until every button is up.
  csOwnCapture = 1u << 1,
};
using TControlStyle = unsigned;

// A mouse cursor: 0 is the default (the window class's own cursor), the negative values
// name the system's cursors.
using TCursor = int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crHandPoint = -21;
// The system cursor that a cursor value stands for; null for crNone. Unknown values and
// crDefault give the arrow.
HCURSOR CursorHandle(TCursor cursor);

// The screen's cursor: while it is not crDefault it is shown over every window of the
// program, whatever their own cursors say.
class TScreen {
 public:
  TCursor Cursor() const { return cursor_; }
  // A new value is shown at once; back at crDefault, the window under the pointer shows
  // its own cursor again. Setting the current value does nothing.
  void SetCursor(TCursor cursor);

 private:
  TCursor cursor_ = crDefault;
};
extern TScreen* const Screen;

using TMouseEvent =
    std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TObject* sender, WORD& key, TShiftState shift)>;
using TMouseWheelUpDownEvent =
    std::function<void(TObject* sender, TShiftState shift, POINT mouse_pos, bool& handled)>;

// A plain font of a face and a height (negative: the character height in pixels), or null.
HFONT CreatePlainFont(const std::wstring& name, int height);

// The shift state of a mouse message's wParam (buttons after the event) and the Alt key.
TShiftState MouseShiftState(WPARAM wparam);
// The shift state of the keyboard now.
TShiftState KeyboardShiftState();

class TControl : public TObject {
 public:
  // `parent` is the control's parent window; null for top-level windows (forms).
  explicit TControl(TControl* parent);
  ~TControl() override;
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  HWND Handle() const { return handle_; }
  bool HandleAllocated() const { return handle_ != nullptr; }
  TControl* Parent() const { return parent_; }
  // The control that owns a window of ours, or null.
  static TControl* FromHandle(HWND window);

  // Bounds: for a form the window rectangle on the screen, for a child its rectangle in
  // the parent's client area.
  int Left() const { return bounds_.left; }
  int Top() const { return bounds_.top; }
  int Width() const { return bounds_.right - bounds_.left; }
  int Height() const { return bounds_.bottom - bounds_.top; }
  void SetLeft(int left) { SetBounds(left, Top(), Width(), Height()); }
  void SetTop(int top) { SetBounds(Left(), top, Width(), Height()); }
  void SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
  void SetHeight(int height) { SetBounds(Left(), Top(), Width(), height); }
  // With AutoSize on, the control may change the proposed size first (CanAutoSize).
  virtual void SetBounds(int left, int top, int width, int height);
  bool AutoSize() const { return auto_size_; }
  // Turning it on sizes the control at once (its bounds set again through CanAutoSize).
  void SetAutoSize(bool auto_size);
  int ClientWidth() const;
  int ClientHeight() const;

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }

  // Repainting: Invalidate sends CM_INVALIDATE (whose default handling invalidates the
  // whole window); Update paints what is invalid now (UpdateWindow); Repaint does both.
  virtual void Invalidate();
  void Update();
  virtual void Repaint();

  TControlStyle ControlStyle() const { return control_style_; }
  void SetControlStyle(TControlStyle style) { control_style_ = style; }
  // The control's colour, for controls that paint a background; clWindow unless set.
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  // The cursor over the control's client area; crDefault shows the window class's cursor.
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor) { cursor_ = cursor; }
  // The window holds the mouse capture: it receives the mouse wherever the pointer is.
  bool MouseCapture() const { return handle_ && GetCapture() == handle_; }
  void SetMouseCapture(bool capture);

  // Focus: a window can take it when it, and every window it sits in, is visible and
  // enabled.
  bool CanFocus() const;
  void SetFocus();
  bool Focused() const { return handle_ && GetFocus() == handle_; }

  // The canvas of the window's client area: the paint context while the control paints
  // in WM_PAINT, else a device context of the window held until the window goes.
  TCanvas& Canvas();
  // The font of the control: its form's.
  virtual HFONT Font() const;

  // Sends a message through WindowProc, as if the window had received it.
  LRESULT Perform(UINT msg, WPARAM wparam, LPARAM lparam);

  TWndMethod WindowProc;
  std::wstring Name;
  int Tag = 0;

  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TMouseWheelUpDownEvent OnMouseWheelUp;
  TMouseWheelUpDownEvent OnMouseWheelDown;
  // After the control's size changed (Resize).
  TNotifyEvent OnResize;

 protected:
  // How the window is made; the concrete classes fill it in their constructors.
  struct WindowSpec {
    std::wstring class_name;
    bool system_class = false;  // a system control class, subclassed after creation
    std::wstring text;
    DWORD style = 0;
    DWORD ex_style = 0;
    HWND owner = nullptr;  // top-level windows only
    int extra_height = 0;  // height added at creation only (a combo box's drop-down list)
    HBRUSH background = nullptr;  // own classes: the class background brush
  };

  // The message handling of this class; the default value of WindowProc.
  virtual void WndProc(TMessage& message);
  // The window's default procedure: DefWindowProc, or the system control's own.
  void DefaultHandler(TMessage& message);
  // Called with a child's WM_COMMAND notification code, reflected from its parent.
  virtual void Notify(WORD /*code*/) {}
  // Called after the window was made (state to apply) and before it goes (state to keep).
  virtual void AfterCreateHandle();
  virtual void BeforeDestroyHandle() {}
  // Called when the control's width or height changed; fires OnResize.
  virtual void Resize();
  // Asked by SetBounds while AutoSize is on: a control that sizes itself changes the
  // proposed size and answers true. Answers false here (the size stays as proposed).
  virtual bool CanAutoSize(int& /*new_width*/, int& /*new_height*/) { return false; }
  // Called once the control is set up, before its form's OnCreate (TForm::DoCreate calls
  // it for every control of the form), for set-up that needs the finished control. Does
  // nothing here.
  virtual void Loaded() {}
  // Loaded for every control inside this one, each before the controls inside it.
  void LoadChildren();
  // The mouse messages of the client area, in client coordinates (the press after the
  // window took the capture); each fires its event.
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  // Points the canvas at `dc` (a paint context) until the returned value is bound again.
  HDC BindCanvas(HDC dc);

  void CreateHandle();
  // Makes a visible child window of a system control class at `bounds`.
  void CreateSystemControl(const wchar_t* class_name, const std::wstring& text, DWORD style,
                           const RECT& bounds);
  // Destroys the window and makes it anew from its creation parameters, with the children's windows.
  void RecreateWnd();
  void RecreateChildren();
  // Reads the window's rectangle back into bounds_ (screen or parent-client coordinates).
  void UpdateBoundsFromWindow();

  WindowSpec spec_;
  RECT bounds_ = {0, 0, 0, 0};
  bool visible_ = false;
  HWND handle_ = nullptr;

 private:
  static LRESULT CALLBACK StaticWindowProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam);
  static void RegisterOwnClass(const std::wstring& class_name, HBRUSH background);
  void Attach(HWND window);
  void Detach();
  bool HandleMouse(TMessage& message);
  bool HandleWheel(TMessage& message);
  bool HandleSetCursor(TMessage& message);
  void NoteSize();
  void ReleaseCanvas();

  TControl* parent_ = nullptr;
  std::vector<TControl*> children_;
  WNDPROC system_proc_ = nullptr;
  std::unique_ptr<TCanvas> canvas_;
  HDC window_dc_ = nullptr;  // from GetDC, for the canvas outside painting
  SIZE last_size_ = {0, 0};  // the size Resize was last called for
  TControlStyle control_style_ = 0;
  TColor color_ = clWindow;
  TCursor cursor_ = crDefault;
  bool auto_size_ = false;
};

// A window of our own class that paints itself: the base of controls that draw. WM_PAINT
// calls Paint with the canvas bound to the paint context (the custom-paint state is set
// meanwhile); Paint may also be called at other times, and then draws through the
// window's own context. The control tells itself when the mouse comes over it and when it
// leaves (CM_MOUSEENTER, CM_MOUSELEAVE).
class TCustomControl : public TControl {
 public:
  explicit TCustomControl(TControl* parent, int left = 0, int top = 0, int width = 0,
                          int height = 0);

  // True while WM_PAINT is being handled (between BeginPaint and EndPaint).
  bool InCustomPaint() const { return custom_paint_; }

 protected:
  void WndProc(TMessage& message) override;
  // Draws the control on Canvas(). Draws nothing here.
  virtual void Paint();

 private:
  void PaintHandler();
  void TrackMouse(const TMessage& message);

  bool custom_paint_ = false;
  bool mouse_tracked_ = false;
};

}  // namespace classlib
