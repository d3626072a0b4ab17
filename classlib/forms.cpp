#include "classlib/forms.h"

#include <windowsx.h>

#include <cstdlib>

#include "classlib/menus.h"
#include "classlib/sysutils.h"

namespace classlib {

namespace {

TApplication g_application;

std::wstring ProgramBaseName() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring name = path;
  size_t slash = name.find_last_of(L"\\/");
  if (slash != std::wstring::npos) name.erase(0, slash + 1);
  size_t dot = name.rfind(L'.');
  if (dot != std::wstring::npos) name.erase(dot);
  return name;
}

// Children take the form's font, except those with a font of their own.
BOOL CALLBACK SetFontOfChild(HWND child, LPARAM font) {
  const TControl* control = TControl::FromHandle(child);
  SendMessageW(child, WM_SETFONT, control ? WPARAM(control->Font()) : WPARAM(font), TRUE);
  return TRUE;
}

// Posted to the application's window when it has left the minimised state.
constexpr UINT CM_SHOWMINIMIZEDFORMS = WM_APP + 0x100;

BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM list) {
  if (IsWindowVisible(window) && IsWindowEnabled(window))
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

}  // namespace

TApplication* const Application = &g_application;

void HandleCurrentException() { Application->HandleException(); }

// ---- TForm ----

TForm::TForm(const std::wstring& class_name, int left, int top, int width, int height)
    : TControl(nullptr) {
  main_form_ = Application->CreatingMainForm();
  spec_.class_name = class_name;
  spec_.background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  bounds_ = {left, top, left + width, top + height};
  UpdateStyleSpec();
  CreateHandle();
}

TForm::~TForm() {
  // The derived form and its handlers are gone: the last messages get default handling.
  WindowProc = [this](TMessage& message) { DefaultHandler(message); };
  if (handle_) DestroyWindow(handle_);
  if (font_) DeleteObject(font_);
}

void TForm::DoCreate() {
  LoadChildren();
  if (OnCreate) OnCreate(this);
}

void TForm::UpdateStyleSpec() {
  DWORD style = WS_CLIPCHILDREN;
  DWORD ex_style = main_form_ && Application->MainFormOnTaskBar ? WS_EX_APPWINDOW : 0;
  DWORD icons = 0;
  if (border_icons_ & biSystemMenu) {
    icons |= WS_SYSMENU;
    if (border_icons_ & biMinimize) icons |= WS_MINIMIZEBOX;
    if (border_icons_ & biMaximize) icons |= WS_MAXIMIZEBOX;
  }
  switch (border_style_) {
    case TFormBorderStyle::bsNone: style |= WS_POPUP; break;
    case TFormBorderStyle::bsSingle: style |= WS_CAPTION | WS_BORDER | icons; break;
    case TFormBorderStyle::bsSizeable: style |= WS_CAPTION | WS_THICKFRAME | icons; break;
    case TFormBorderStyle::bsDialog:
      style |= WS_POPUP | WS_CAPTION | DS_MODALFRAME | (icons & WS_SYSMENU);
      ex_style |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
  }
  spec_.style = style;
  spec_.ex_style = ex_style;
  spec_.owner = Application->FormOwner(main_form_);
}

std::wstring TForm::Caption() const { return spec_.text; }

void TForm::SetCaption(const std::wstring& caption) {
  spec_.text = caption;
  if (handle_) SetWindowTextW(handle_, caption.c_str());
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
  if (style == border_style_) return;
  border_style_ = style;
  UpdateStyleSpec();
  RecreateWnd();
}

void TForm::SetBorderStyleInPlace(TFormBorderStyle style) {
  if (style == border_style_) return;
  border_style_ = style;
  UpdateStyleSpec();
  if (!handle_) return;
  // Only the frame bits change; visibility, the minimised state and the rest stay.
  const DWORD frame = WS_POPUP | WS_CAPTION | WS_BORDER | WS_DLGFRAME | WS_THICKFRAME |
                      WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | DS_MODALFRAME;
  const DWORD ex_frame = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
  const DWORD style_bits = DWORD(GetWindowLongW(handle_, GWL_STYLE));
  const DWORD ex_bits = DWORD(GetWindowLongW(handle_, GWL_EXSTYLE));
  SetWindowLongW(handle_, GWL_STYLE, LONG((style_bits & ~frame) | (spec_.style & frame)));
  SetWindowLongW(handle_, GWL_EXSTYLE, LONG((ex_bits & ~ex_frame) | (spec_.ex_style & ex_frame)));
  SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  UpdateBoundsFromWindow();
}

void TForm::SetBorderIcons(TBorderIcons icons) {
  if (icons == border_icons_) return;
  border_icons_ = icons;
  UpdateStyleSpec();
  RecreateWnd();
}

void TForm::SetClientSize(int width, int height) {
  RECT rect = {0, 0, width, height};
  DWORD style = handle_ ? DWORD(GetWindowLongW(handle_, GWL_STYLE)) : spec_.style;
  DWORD ex_style = handle_ ? DWORD(GetWindowLongW(handle_, GWL_EXSTYLE)) : spec_.ex_style;
  AdjustWindowRectEx(&rect, style, FALSE, ex_style);
  SetBounds(Left(), Top(), rect.right - rect.left, rect.bottom - rect.top);
}

void TForm::SetFont(const std::wstring& name, int height) {
  HFONT font = CreatePlainFont(name, height);
  if (!font) return;
  HFONT previous = font_;
  font_ = font;
  EnumChildWindows(handle_, SetFontOfChild, LPARAM(font));
  if (previous) DeleteObject(previous);
}

void TForm::CenterOnScreen() {
  int screen_width = GetSystemMetrics(SM_CXSCREEN);
  int screen_height = GetSystemMetrics(SM_CYSCREEN);
  SetBounds((screen_width - Width()) / 2, (screen_height - Height()) / 2, Width(), Height());
}

void TForm::SetVisible(bool visible) {
  if (!visible) {
    visible_ = false;
    if (handle_) ShowWindow(handle_, SW_HIDE);
    return;
  }
  if (!visible_) {
    if (!shown_once_ && Position == TPosition::poScreenCenter) CenterOnScreen();
    shown_once_ = true;
    if (OnShow) OnShow(this);
    visible_ = true;
  }
  if (handle_) {
    ShowWindow(handle_, SW_SHOWNORMAL);
    SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
}

void TForm::Close() {
  if (modal_) {
    modal_result_ = mrCancel;
    return;
  }
  TCloseAction action = TCloseAction::caHide;
  if (OnClose) OnClose(this, action);
  if (action == TCloseAction::caNone) return;
  if (main_form_) {
    Application->Terminate();
  } else if (action == TCloseAction::caMinimize) {
    ShowWindow(handle_, SW_MINIMIZE);
  } else {
    Hide();  // caFree too: the application frees its forms at the end
  }
}

TModalResult TForm::ShowModal() {
  // The other windows of the application wait while the dialog is open.
  std::vector<HWND> disabled;
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, LPARAM(&disabled));
  for (HWND window : disabled)
    if (window != handle_) EnableWindow(window, FALSE);
  modal_ = true;
  modal_result_ = mrNone;
  Show();
  while (modal_result_ == mrNone) {
    Application->HandleMessage();
    if (Application->Terminated()) {
      modal_result_ = mrCancel;
    } else if (modal_result_ != mrNone) {
      TCloseAction action = TCloseAction::caHide;
      if (OnClose) OnClose(this, action);
      if (action == TCloseAction::caNone) modal_result_ = mrNone;
    }
  }
  for (HWND window : disabled)
    if (window != handle_ && IsWindow(window)) EnableWindow(window, TRUE);
  Hide();
  modal_ = false;
  return modal_result_;
}

void TForm::SnapToWorkArea(WINDOWPOS& position) const {
  if ((position.flags & SWP_NOMOVE) || IsIconic(handle_) || IsZoomed(handle_)) return;
  int width = (position.flags & SWP_NOSIZE) ? Width() : position.cx;
  int height = (position.flags & SWP_NOSIZE) ? Height() : position.cy;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(handle_, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const RECT& area = monitor.rcWork;
  if (std::abs(area.left - position.x) <= SnapBuffer)
    position.x = area.left;
  else if (std::abs(position.x + width - area.right) <= SnapBuffer)
    position.x = area.right - width;
  if (std::abs(area.top - position.y) <= SnapBuffer)
    position.y = area.top;
  else if (std::abs(position.y + height - area.bottom) <= SnapBuffer)
    position.y = area.bottom - height;
}

void TForm::HandleKey(TMessage& message, const TKeyEvent& event) {
  WORD key = WORD(message.WParam);
  if (event) event(this, key, KeyboardShiftState());
  // A handler that sets the key to 0 has consumed it.
  if (key != 0) DefaultHandler(message);
}

void TForm::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      HandleKey(message, OnKeyDown);
      return;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      HandleKey(message, OnKeyUp);
      return;
    case WM_ACTIVATE:
      DefaultHandler(message);
      if (LOWORD(message.WParam) != WA_INACTIVE && OnActivate) OnActivate(this);
      return;
    case WM_CLOSE:
      Close();
      message.Result = 0;
      return;
    case WM_SYSCOMMAND:
      // Without a task-bar button of its own the main form goes with the whole application.
      if (main_form_ && !Application->MainFormOnTaskBar &&
          (message.WParam & 0xFFF0) == SC_MINIMIZE) {
        Application->Minimize();
        message.Result = 0;
        return;
      }
      break;
    case WM_WINDOWPOSCHANGING:
      if (ScreenSnap) SnapToWorkArea(*reinterpret_cast<WINDOWPOS*>(message.LParam));
      break;
    case WM_CONTEXTMENU:
      if (PopupMenu) {
        POINT at = {GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
        if (message.LParam == -1) GetCursorPos(&at);  // from the keyboard
        PopupMenu->Popup(at.x, at.y);
        message.Result = 0;
        return;
      }
      break;
    default:
      break;
  }
  TControl::WndProc(message);
}

// ---- TApplication ----

TApplication::TApplication() : Title(ProgramBaseName()) {}

TApplication::~TApplication() {
  DestroyForms();
  if (handle_) DestroyWindow(handle_);
}

HWND TApplication::Handle() {
  if (!handle_) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = WindowProc;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    window_class.lpszClassName = L"classlib.Application";
    RegisterClassExW(&window_class);
    // No size: shown, it is a task-bar button and a system menu, nothing on the screen.
    handle_ = CreateWindowExW(0, window_class.lpszClassName, Title.c_str(),
                              WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                              GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2,
                              0, 0, nullptr, nullptr, instance, nullptr);
  }
  return handle_;
}

HWND TApplication::FormOwner(bool main_form) {
  if (!MainFormOnTaskBar) return Handle();
  if (main_form) return nullptr;
  return main_form_ && main_form_->Handle() ? main_form_->Handle() : Handle();
}

LRESULT CALLBACK TApplication::WindowProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_SYSCOMMAND:
      // The task-bar button's own minimise and restore.
      if ((wparam & 0xFFF0) == SC_MINIMIZE) {
        Application->Minimize();
        return 0;
      }
      if ((wparam & 0xFFF0) == SC_RESTORE) {
        Application->Restore();
        return 0;
      }
      break;
    case WM_WINDOWPOSCHANGED: {
      // However the window leaves the minimised state (this restore command, a program's
      // ShowWindow, the system's switch to it), the forms come back with it: once the
      // restore is over, since its last step gives this window the focus.
      const bool minimized = IsIconic(window) != FALSE;
      if (Application->minimized_ && !minimized)
        PostMessageW(window, CM_SHOWMINIMIZEDFORMS, 0, 0);
      Application->minimized_ = minimized;
      break;
    }
    case CM_SHOWMINIMIZEDFORMS:
      if (!IsIconic(window)) Application->ShowMinimizedForms();
      return 0;
    case WM_CLOSE:
      // The button's close closes the program as its main form does.
      if (Application->main_form_) Application->main_form_->Close();
      return 0;
    case WM_ACTIVATE:
      // This window shows nothing: the form last active takes the activation on.
      if (LOWORD(wparam) != WA_INACTIVE && !HIWORD(wparam)) {
        HWND last = GetLastActivePopup(window);
        if (last != window && IsWindowVisible(last) && IsWindowEnabled(last)) {
          SetActiveWindow(last);
          return 0;
        }
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(window, msg, wparam, lparam);
}

void TApplication::Minimize() {
  if (IsIconic(Handle())) return;
  minimized_active_ = GetActiveWindow();
  for (const auto& form : forms_) {
    HWND window = form->Handle();
    if (!window || !IsWindowVisible(window)) continue;
    minimized_forms_.push_back(window);
    ShowWindow(window, SW_HIDE);
  }
  ShowWindow(Handle(), SW_MINIMIZE);
}

void TApplication::Restore() {
  if (IsIconic(Handle())) ShowWindow(Handle(), SW_RESTORE);
}

void TApplication::ShowMinimizedForms() {
  std::vector<HWND> hidden;
  hidden.swap(minimized_forms_);
  for (HWND window : hidden)
    if (IsWindow(window)) ShowWindow(window, SW_SHOWNA);
  // The form that was active before is again (hiding the forms passed the activation
  // from one to the next).
  const HWND active = minimized_active_;
  minimized_active_ = nullptr;
  if (IsWindow(active) && IsWindowVisible(active)) SetActiveWindow(active);
}

void TApplication::DestroyForms() {
  while (!forms_.empty()) {
    if (forms_.back().get() == main_form_) main_form_ = nullptr;
    forms_.pop_back();
  }
}

void TApplication::LeaveFormsToSystem() {
  for (auto& form : forms_) static_cast<void>(form.release());
  forms_.clear();
  main_form_ = nullptr;
  handle_ = nullptr;
  minimized_forms_.clear();
  minimized_active_ = nullptr;
}

void TApplication::Run() {
  terminated_ = false;
  if (!MainFormOnTaskBar) {
    SetWindowTextW(Handle(), Title.c_str());
    ShowWindow(Handle(), SW_SHOWNOACTIVATE);
  }
  if (main_form_) main_form_->Show();
  while (!terminated_) HandleMessage();
}

bool TApplication::ProcessMessage() {
  MSG message;
  if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return false;
  if (message.message == WM_QUIT) {
    terminated_ = true;
  } else {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return true;
}

void TApplication::Idle() {
  bool done = true;
  try {
    if (OnIdle) OnIdle(this, done);
  } catch (...) {
    HandleException();
  }
  if (done) WaitMessage();
}

void TApplication::HandleMessage() {
  if (!ProcessMessage()) Idle();
}

void TApplication::ProcessMessages() {
  while (ProcessMessage()) {
  }
}

void TApplication::Terminate() { PostQuitMessage(0); }

void TApplication::HandleException() {
  try {
    throw;
  } catch (const Exception& error) {
    ShowException(error.Message());
  } catch (const std::exception& error) {
    ShowException(AnsiToWide(error.what()));
  } catch (...) {
    ShowException(L"Unknown error");
  }
}

void TApplication::ShowException(const std::wstring& message) {
  MessageBoxW(GetActiveWindow(), message.c_str(), Title.c_str(), MB_OK | MB_ICONSTOP);
}

}  // namespace classlib
