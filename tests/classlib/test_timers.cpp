#include "tests/classlib/test_timers.h"

#include <map>

namespace classlib_test {

namespace {

std::map<UINT_PTR, std::function<bool()>>& Steps() {
  static std::map<UINT_PTR, std::function<bool()>> steps;
  return steps;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
  auto found = Steps().find(id);
  if (found == Steps().end()) return;
  std::function<bool()> step = found->second;
  if (step()) {
    KillTimer(nullptr, id);
    Steps().erase(id);
  }
}

struct Search {
  const wchar_t* class_name;
  const wchar_t* caption;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t class_name[64] = {}, caption[256] = {};
  GetClassNameW(window, class_name, 64);
  GetWindowTextW(window, caption, 256);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
      wcscmp(class_name, search->class_name) == 0 &&
      (!search->caption || wcscmp(caption, search->caption) == 0)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindOwnWindow(const wchar_t* class_name, const wchar_t* caption) {
  Search search = {class_name, caption, nullptr};
  EnumWindows(MatchWindow, LPARAM(&search));
  return search.found;
}

}  // namespace

void RepeatUntil(std::function<bool()> step, UINT interval_ms) {
  UINT_PTR id = SetTimer(nullptr, 0, interval_ms, OnTimer);
  Steps()[id] = std::move(step);
}

HWND FindOpenMenu() { return FindOwnWindow(L"#32768", nullptr); }

HWND FindMessageBox(const std::wstring& caption) {
  return FindOwnWindow(L"#32770", caption.c_str());
}

std::wstring MessageBoxText(HWND box) {
  wchar_t text[512] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 512);
  return text;
}

}  // namespace classlib_test
