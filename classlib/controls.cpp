#include "classlib/controls.h"

#include <windowsx.h>

#include <algorithm>

#include "classlib/sysutils.h"

namespace classlib {

namespace {

const wchar_t kObjectProperty[] = L"classlib.object";

}  // namespace

HFONT CreatePlainFont(const std::wstring& name, int height) {
  return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, name.c_str());
}

TShiftState MouseShiftState(WPARAM wparam) {
  TShiftState shift = 0;
  if (wparam & MK_SHIFT) shift |= ssShift;
  if (wparam & MK_CONTROL) shift |= ssCtrl;
  if (wparam & MK_LBUTTON) shift |= ssLeft;
  if (wparam & MK_RBUTTON) shift |= ssRight;
  if (wparam & MK_MBUTTON) shift |= ssMiddle;
  if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
  return shift;
}

TShiftState KeyboardShiftState() {
  TShiftState shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
  return shift;
}

HCURSOR CursorHandle(TCursor cursor) {
  static const struct {
    TCursor cursor;
    const wchar_t* id;
  } kSystemCursors[] = {
      {crArrow, IDC_ARROW}, {crCross, IDC_CROSS}, {crIBeam, IDC_IBEAM}, {crHandPoint, IDC_HAND}};
  if (cursor == crNone) return nullptr;
  for (const auto& entry : kSystemCursors)
    if (entry.cursor == cursor) return LoadCursorW(nullptr, entry.id);
  return LoadCursorW(nullptr, IDC_ARROW);
}

namespace {
TScreen TheScreen;
}  // namespace
TScreen* const Screen = &TheScreen;

void TScreen::SetCursor(TCursor cursor) {
  if (cursor == cursor_) return;
  cursor_ = cursor;
  if (cursor != crDefault) {
    ::SetCursor(CursorHandle(cursor));
    return;
  }
  // Back to the windows' own cursors: the window under the pointer sets its cursor, as
  // it would at the next move, when it is one of this thread's.
  POINT pointer;
  if (!GetCursorPos(&pointer)) return;
  HWND window = WindowFromPoint(pointer);
  if (!window || GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) return;
  LRESULT hit = SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(pointer.x, pointer.y));
  SendMessageW(window, WM_SETCURSOR, WPARAM(window), MAKELPARAM(hit, WM_MOUSEMOVE));
}

TControl::TControl(TControl* parent) : parent_(parent) {
  WindowProc = [this](TMessage& message) { WndProc(message); };
  if (parent_) parent_->children_.push_back(this);
}

TControl::~TControl() {
  WindowProc = [this](TMessage& message) { DefaultHandler(message); };
  for (TControl* child : children_) child->parent_ = nullptr;
  if (handle_) DestroyWindow(handle_);
  if (parent_) {
    auto& siblings = parent_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}

TControl* TControl::FromHandle(HWND window) {
  return window ? static_cast<TControl*>(GetPropW(window, kObjectProperty)) : nullptr;
}

void TControl::RegisterOwnClass(const std::wstring& class_name, HBRUSH background) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW existing = {};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, class_name.c_str(), &existing)) return;
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = StaticWindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  window_class.hbrBackground = background;
  window_class.lpszClassName = class_name.c_str();
  RegisterClassExW(&window_class);
}

void TControl::CreateHandle() {
  HWND parent_window = parent_ ? parent_->Handle() : spec_.owner;
  // The window is made at the size it keeps: no Resize for that.
  last_size_ = {Width(), Height()};
  DWORD style = spec_.style | (visible_ ? WS_VISIBLE : 0);
  if (parent_) style |= WS_CHILD | WS_CLIPSIBLINGS;
  if (!spec_.system_class) RegisterOwnClass(spec_.class_name, spec_.background);
  HWND window = CreateWindowExW(spec_.ex_style, spec_.class_name.c_str(), spec_.text.c_str(),
                                style, Left(), Top(), Width(), Height() + spec_.extra_height,
                                parent_window, nullptr, GetModuleHandleW(nullptr),
                                spec_.system_class ? nullptr : this);
  if (!window) throw Exception(L"Error creating window of class " + spec_.class_name);
  if (spec_.system_class) {
    Attach(window);
    system_proc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TControl::StaticWindowProc)));
  }
  AfterCreateHandle();
}

void TControl::CreateSystemControl(const wchar_t* class_name, const std::wstring& text,
                                   DWORD style, const RECT& bounds) {
  spec_.class_name = class_name;
  spec_.system_class = true;
  spec_.text = text;
  spec_.style = style;
  visible_ = true;
  bounds_ = bounds;
  CreateHandle();
}

void TControl::AfterCreateHandle() {
  if (HFONT font = Font()) SendMessageW(handle_, WM_SETFONT, WPARAM(font), FALSE);
  UpdateBoundsFromWindow();
}

void TControl::RecreateWnd() {
  std::function<void(TControl*)> save = [&](TControl* control) {
    for (TControl* child : control->children_) save(child);
    control->BeforeDestroyHandle();
  };
  save(this);
  if (handle_) DestroyWindow(handle_);
  CreateHandle();
  RecreateChildren();
}

void TControl::RecreateChildren() {
  for (TControl* child : children_) {
    child->CreateHandle();
    child->RecreateChildren();
  }
}

void TControl::Attach(HWND window) {
  handle_ = window;
  SetPropW(window, kObjectProperty, this);
}

void TControl::Detach() {
  ReleaseCanvas();
  if (system_proc_) {
    SetWindowLongPtrW(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(system_proc_));
    system_proc_ = nullptr;
  }
  RemovePropW(handle_, kObjectProperty);
  handle_ = nullptr;
}

LRESULT CALLBACK TControl::StaticWindowProc(HWND window, UINT msg, WPARAM wparam,
                                            LPARAM lparam) {
  TControl* control = FromHandle(window);
  if (!control && msg == WM_NCCREATE) {
    control = static_cast<TControl*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    if (control) control->Attach(window);
  }
  if (!control) return DefWindowProcW(window, msg, wparam, lparam);
  TMessage message{msg, wparam, lparam, 0};
  // Errors of event handlers end here, in the application's default handler; they must
  // not unwind through the system's frames.
  try {
    control->WindowProc(message);
  } catch (...) {
    HandleCurrentException();
  }
  if (msg == WM_NCDESTROY) {
    if (control->handle_ == window) control->Detach();
  }
  return message.Result;
}

void TControl::DefaultHandler(TMessage& message) {
  message.Result = system_proc_
                       ? CallWindowProcW(system_proc_, handle_, message.Msg, message.WParam,
                                         message.LParam)
                       : DefWindowProcW(handle_, message.Msg, message.WParam, message.LParam);
}

void TControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_COMMAND:
      // Notifications of child controls go to the child's own object.
      if (TControl* child = FromHandle(reinterpret_cast<HWND>(message.LParam))) {
        child->Notify(HIWORD(message.WParam));
        return;
      }
      break;
    case WM_WINDOWPOSCHANGED:
      DefaultHandler(message);
      UpdateBoundsFromWindow();
      NoteSize();
      return;
    case WM_SIZE:
      DefaultHandler(message);
      UpdateBoundsFromWindow();
      NoteSize();
      return;
    case WM_SETCURSOR:
      if (HandleSetCursor(message)) return;
      break;
    case CM_INVALIDATE:
      if (handle_) InvalidateRect(handle_, nullptr, !(control_style_ & csOpaque));
      message.Result = 0;
      return;
    case WM_MOUSEWHEEL:
      if (HandleWheel(message)) return;
      break;
    default:
      if (HandleMouse(message)) return;
      break;
  }
  DefaultHandler(message);
}

bool TControl::HandleMouse(TMessage& message) {
  TMouseButton button = TMouseButton::mbLeft;
  bool down = false;
  switch (message.Msg) {
    case WM_LBUTTONDOWN: down = true; break;
    case WM_RBUTTONDOWN: down = true; button = TMouseButton::mbRight; break;
    case WM_MBUTTONDOWN: down = true; button = TMouseButton::mbMiddle; break;
    case WM_LBUTTONUP: break;
    case WM_RBUTTONUP: button = TMouseButton::mbRight; break;
    case WM_MBUTTONUP: button = TMouseButton::mbMiddle; break;
    case WM_MOUSEMOVE: break;
    default: return false;
  }
  DefaultHandler(message);
  // Client coordinates are signed: while the mouse is captured they leave the window.
  int x = GET_X_LPARAM(message.LParam);
  int y = GET_Y_LPARAM(message.LParam);
  TShiftState shift = MouseShiftState(message.WParam);
  if (message.Msg == WM_MOUSEMOVE) {
    MouseMove(shift, x, y);
  } else if (down) {
    // The window keeps the mouse while a button is held, unless it keeps it itself.
    if (!(control_style_ & csOwnCapture)) SetMouseCapture(true);
    MouseDown(button, shift, x, y);
  } else {
    if (!(control_style_ & csOwnCapture) && !(shift & (ssLeft | ssRight | ssMiddle)))
      SetMouseCapture(false);
    MouseUp(button, shift, x, y);
  }
  return true;
}

void TControl::SetMouseCapture(bool capture) {
  if (!handle_ || capture == MouseCapture()) return;
  if (capture)
    SetCapture(handle_);
  else
    ReleaseCapture();
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

bool TControl::HandleSetCursor(TMessage& message) {
  if (LOWORD(message.LParam) != HTCLIENT || HWND(message.WParam) != handle_) return false;
  TCursor cursor = Screen->Cursor() != crDefault ? Screen->Cursor() : cursor_;
  if (cursor == crDefault) return false;
  ::SetCursor(CursorHandle(cursor));
  message.Result = TRUE;
  return true;
}

void TControl::NoteSize() {
  if (Width() == last_size_.cx && Height() == last_size_.cy) return;
  last_size_ = {Width(), Height()};
  Resize();
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::Invalidate() { Perform(CM_INVALIDATE, 0, 0); }

void TControl::Update() {
  if (handle_) UpdateWindow(handle_);
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

void TControl::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Invalidate();
}

bool TControl::CanFocus() const {
  for (HWND window = handle_; window; window = GetAncestor(window, GA_PARENT)) {
    if (window == GetDesktopWindow()) break;
    if (!IsWindowVisible(window) || !IsWindowEnabled(window)) return false;
  }
  return handle_ != nullptr;
}

void TControl::SetFocus() {
  if (handle_) ::SetFocus(handle_);
}

bool TControl::HandleWheel(TMessage& message) {
  int delta = GET_WHEEL_DELTA_WPARAM(message.WParam);
  const TMouseWheelUpDownEvent& event = delta < 0 ? OnMouseWheelDown : OnMouseWheelUp;
  if (!event || delta == 0) return false;
  POINT position = {GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
  bool handled = false;
  event(this, MouseShiftState(GET_KEYSTATE_WPARAM(message.WParam)), position, handled);
  // Unhandled, the default procedure passes the wheel on to the parent.
  return handled;
}

void TControl::UpdateBoundsFromWindow() {
  if (!handle_ || IsIconic(handle_)) return;
  RECT rect;
  GetWindowRect(handle_, &rect);
  if (parent_ && parent_->Handle())
    MapWindowPoints(HWND_DESKTOP, parent_->Handle(), reinterpret_cast<POINT*>(&rect), 2);
  bounds_ = rect;
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (auto_size_) {
    int new_width = width, new_height = height;
    if (CanAutoSize(new_width, new_height)) {
      width = new_width;
      height = new_height;
    }
  }
  bounds_ = {left, top, left + width, top + height};
  if (!handle_) return;
  SetWindowPos(handle_, nullptr, left, top, width, height + spec_.extra_height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  // The window may have ended elsewhere (snapped) or not moved at all: keep what it shows.
  UpdateBoundsFromWindow();
}

void TControl::SetAutoSize(bool auto_size) {
  if (auto_size == auto_size_) return;
  auto_size_ = auto_size;
  if (auto_size_) SetBounds(Left(), Top(), Width(), Height());
}

void TControl::LoadChildren() {
  for (TControl* child : children_) {
    child->Loaded();
    child->LoadChildren();
  }
}

int TControl::ClientWidth() const {
  RECT client = {};
  if (!handle_) return Width();
  GetClientRect(handle_, &client);
  return client.right;
}

int TControl::ClientHeight() const {
  RECT client = {};
  if (!handle_) return Height();
  GetClientRect(handle_, &client);
  return client.bottom;
}

void TControl::SetVisible(bool visible) {
  visible_ = visible;
  if (handle_) ShowWindow(handle_, visible ? SW_SHOWNA : SW_HIDE);
}

TCanvas& TControl::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TCanvas>();
  if (!canvas_->HandleAllocated() && handle_) {
    window_dc_ = GetDC(handle_);
    canvas_->SetHandle(window_dc_);
  }
  return *canvas_;
}

HDC TControl::BindCanvas(HDC dc) {
  if (!canvas_) canvas_ = std::make_unique<TCanvas>();
  HDC previous = canvas_->HandleAllocated() ? canvas_->Handle() : nullptr;
  canvas_->SetHandle(dc);
  return previous;
}

void TControl::ReleaseCanvas() {
  if (window_dc_) ReleaseDC(handle_, window_dc_);
  window_dc_ = nullptr;
  canvas_.reset();
}

HFONT TControl::Font() const { return parent_ ? parent_->Font() : nullptr; }

LRESULT TControl::Perform(UINT msg, WPARAM wparam, LPARAM lparam) {
  TMessage message{msg, wparam, lparam, 0};
  WindowProc(message);
  return message.Result;
}

TCustomControl::TCustomControl(TControl* parent, int left, int top, int width, int height)
    : TControl(parent) {
  spec_.class_name = L"classlib.Control";
  visible_ = true;
  bounds_ = {left, top, left + width, top + height};
  CreateHandle();
}

void TCustomControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_PAINT:
      PaintHandler();
      message.Result = 0;
      return;
    case WM_MOUSEMOVE:
    case WM_MOUSELEAVE:
      TrackMouse(message);
      break;
    default:
      break;
  }
  TControl::WndProc(message);
}

void TCustomControl::PaintHandler() {
  // Restores the canvas, the state and the paint context however Paint ends.
  struct PaintScope {
    TCustomControl& control;
    PAINTSTRUCT paint = {};
    HDC previous = nullptr;
    explicit PaintScope(TCustomControl& owner) : control(owner) {
      HDC dc = BeginPaint(control.handle_, &paint);
      previous = control.BindCanvas(dc);
      control.custom_paint_ = true;
    }
    ~PaintScope() {
      control.custom_paint_ = false;
      control.BindCanvas(previous);
      EndPaint(control.handle_, &paint);
    }
  } scope(*this);
  Paint();
}

void TCustomControl::TrackMouse(const TMessage& message) {
  if (message.Msg == WM_MOUSELEAVE) {
    mouse_tracked_ = false;
    Perform(CM_MOUSELEAVE, 0, 0);
    return;
  }
  if (mouse_tracked_) return;
  // Windows reports the leave once per request: ask again at each entry.
  TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, handle_, 0};
  mouse_tracked_ = TrackMouseEvent(&track) != FALSE;
  Perform(CM_MOUSEENTER, 0, 0);
}

void TCustomControl::Paint() {}

}  // namespace classlib
