#include "classlib/utilitywindow.h"

#include "classlib/controls.h"

namespace classlib {
namespace {

const char kUtilityWindowClass[] = "classlib.UtilityWindow";

TUtilityWindowMethod* MethodOf(HWND window) {
  return reinterpret_cast<TUtilityWindowMethod*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

LRESULT CALLBACK UtilityWindowProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
  TUtilityWindowMethod* method = MethodOf(window);
  if (method == nullptr) return DefWindowProcA(window, msg, wparam, lparam);
  try {
    return (*method)(msg, wparam, lparam);
  } catch (...) {
    HandleCurrentException();
    return 0;
  }
}

void RegisterUtilityWindowClass(HINSTANCE instance) {
  WNDCLASSA window_class = {};
  if (GetClassInfoA(instance, kUtilityWindowClass, &window_class)) return;
  window_class.lpfnWndProc = UtilityWindowProc;
  window_class.hInstance = instance;
  window_class.lpszClassName = kUtilityWindowClass;
  RegisterClassA(&window_class);
}

}  // namespace

HWND AllocateUtilityWindow(TUtilityWindowKind Kind, TUtilityWindowMethod Method) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  RegisterUtilityWindowClass(instance);
  const bool message_only = Kind == TUtilityWindowKind::MessageOnly;
  HWND window = CreateWindowExA(message_only ? 0 : WS_EX_TOOLWINDOW, kUtilityWindowClass, "",
                                message_only ? 0 : WS_POPUP, 0, 0, 0, 0,
                                message_only ? HWND_MESSAGE : nullptr, nullptr, instance,
                                nullptr);
  if (window != nullptr)
    SetWindowLongPtrA(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(new TUtilityWindowMethod(std::move(Method))));
  return window;
}

void DeallocateUtilityWindow(HWND Window) {
  if (Window == nullptr) return;
  TUtilityWindowMethod* method = MethodOf(Window);
  DestroyWindow(Window);
  delete method;
}

}  // namespace classlib
