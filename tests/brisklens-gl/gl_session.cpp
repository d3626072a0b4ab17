#include "tests/brisklens-gl/gl_session.h"

#include <gtest/gtest.h>

namespace brisklens_gl_test {

using namespace systest;
using namespace brisklens_test;

namespace {

struct MenuSearch {
  DWORD process_id;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectMenuWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<MenuSearch*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->process_id && IsWindowVisible(window) && WindowClass(window) == L"#32768")
    search->found.push_back(window);
  return TRUE;
}

// The open menu windows of a process, in z-order (the last opened first).
std::vector<HWND> MenuWindows(DWORD process_id) {
  MenuSearch search = {process_id, {}};
  EnumWindows(CollectMenuWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Clicks item `index` of the `count` equally high items of an open menu.
void ClickMenuItem(HWND menu, int index, int count) {
  const RECT client = ClientScreenRect(menu);
  const int x = (client.left + client.right) / 2;
  const int y = client.top + (client.bottom - client.top) * (2 * index + 1) / (2 * count);
  MouseButtonAt(x, y, false, true);
  MouseButtonAt(x, y, false, false);
}

}  // namespace

HWND OpenPopupMenu(const ViewerSession& viewer) {
  // The right click activates the viewer where bringing it to the front is refused (the
  // emulator it just showed again keeps the focus).
  BringToFront(viewer.main);
  const POINT at = ScreenPoint(viewer.main, 20, 20);
  MouseButtonAt(at.x, at.y, true, true);
  std::vector<HWND> menus;
  WaitUntil([&] { return (menus = MenuWindows(viewer.process.id())).size() == 1; });
  MouseButtonAt(at.x, at.y, true, false);
  return menus.size() == 1 ? menus[0] : nullptr;
}

bool TypeIntoPopupMenu(const ViewerSession& viewer, const std::wstring& keys) {
  if (!OpenPopupMenu(viewer)) return false;
  for (wchar_t character : keys) {
    INPUT strokes[2] = {};
    for (INPUT& stroke : strokes) {
      stroke.type = INPUT_KEYBOARD;
      stroke.ki.wScan = WORD(character);
      stroke.ki.dwFlags = KEYEVENTF_UNICODE;
    }
    strokes[1].ki.dwFlags |= KEYEVENTF_KEYUP;
    SendInput(2, strokes, sizeof(INPUT));
  }
  PressKey(VK_ESCAPE);
  return WaitUntil([&] { return MenuWindows(viewer.process.id()).empty(); });
}

void GlViewerTest::Choose(int submenu, int item) {
  static const int kItemCounts[] = {2, 2, 2, 4, 3, 3, 7, 3, 2};
  const DWORD viewer = viewer_.process.id();
  const HWND root = OpenPopupMenu(viewer_);
  ASSERT_TRUE(root) << "no menu";
  std::vector<HWND> menus;
  ClickMenuItem(root, submenu, 9);
  ASSERT_TRUE(WaitUntil([&] { return (menus = MenuWindows(viewer)).size() == 2; }))
      << "submenu " << submenu << " does not open";
  ClickMenuItem(menus[0] == root ? menus[1] : menus[0], item, kItemCounts[submenu]);
  ASSERT_TRUE(WaitUntil([&] { return MenuWindows(viewer).empty(); })) << "the menu stays open";
  ParkPointer();
}

void GlViewerTest::PlaceMainWindow(int left, int top) {
  RECT moving = WindowRect(viewer_.main);
  OffsetRect(&moving, left - moving.left, top - moving.top);
  SendMessageW(viewer_.main, WM_MOVING, WMSZ_TOP, reinterpret_cast<LPARAM>(&moving));
  SetWindowPos(viewer_.main, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::vector<std::string> GlViewerTest::CloseAndReadSettings() {
  PostMessageW(viewer_.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(viewer_.process.WaitForExit());
  return SplitLines(ReadTextFile(dir_.File(L"Set.conf")));
}

SIZE GlViewerTest::ClientSize(HWND window) {
  RECT client = ClientScreenRect(window);
  return {client.right - client.left, client.bottom - client.top};
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  if (start < text.size()) lines.push_back(text.substr(start) + "<no line end>");
  return lines;
}

}  // namespace brisklens_gl_test

namespace brisklens_gl_test {

::testing::AssertionResult Becomes(const std::function<long long()>& value, long long expected) {
  long long last = 0;
  if (WaitUntil([&] { return (last = value()) == expected; })) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the value stays " << last << ", expected " << expected;
}

}  // namespace brisklens_gl_test
