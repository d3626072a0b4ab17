#include "tests/viewer/viewer_session.h"

#include <cstdio>

namespace brisklens_test {

using namespace systest;

StandinOptions EmulatorOptions(const std::wstring& caption) {
  StandinOptions options;
  options.caption = caption;
  options.x = kEmulatorX;
  options.y = kEmulatorY;
  return options;
}

bool ViewerSession::Start(const std::wstring& working_dir, bool second_shown) {
  process = Process::Start(ProgramPath(program_.file), L"", working_dir);
  if (!process.valid()) return false;
  WindowQuery query;
  query.process_id = process.id();
  query.class_name = L"TForm1";
  main = WaitForWindow(query);
  query.class_name = program_.second_class;
  query.visible_only = second_shown;
  second = WaitForWindow(query);
  return main && second;
}

bool ViewerSession::ShowsPictures() const {
  return CentreRegion(CaptureClient(main)) == standin::Region::Touch &&
         CentreRegion(CaptureClient(second)) == standin::Region::Top;
}

bool ViewerSession::WaitForPictures(DWORD timeout_ms) const {
  return WaitUntil([this] { return ShowsPictures(); }, timeout_ms);
}

POINT ScreenPoint(HWND window, int client_x, int client_y) {
  POINT point = {client_x, client_y};
  ClientToScreen(window, &point);
  return point;
}

void PlacePointer(int screen_x, int screen_y) {
  MovePointer(screen_x, screen_y);
  WaitUntil([&] {
    POINT at;
    return GetCursorPos(&at) && at.x == screen_x && at.y == screen_y;
  }, 5000);
}

static bool PointerIsAt(POINT at) {
  POINT now;
  return GetCursorPos(&now) && now.x == at.x && now.y == at.y;
}

bool DragPointerTo(POINT at, const std::function<bool()>& arrived) {
  constexpr DWORD kSettleMs = 500;  // time for a late pointer event to show up
  constexpr DWORD kNudgeMs = 1000;  // a pointer at rest this long without arriving moves again
  auto there = [&] { return PointerIsAt(at) && arrived(); };
  DWORD last_move = GetTickCount();
  auto there_again = [&] {
    if (!PointerIsAt(at)) {
      MovePointer(at.x, at.y);
      last_move = GetTickCount();
    } else if (!arrived() && GetTickCount() - last_move > kNudgeMs) {
      // Now and then Wine drops the move message of a pointer placed outside the window
      // that holds the mouse; a real mouse sends many, so one more move comes by the way.
      MovePointer(at.x - 1, at.y - 1);
      MovePointer(at.x, at.y);
      last_move = GetTickCount();
    }
    return there();
  };
  MovePointer(at.x, at.y);
  const DWORD start = GetTickCount();
  for (DWORD spent = 0; spent < kDefaultTimeoutMs; spent = GetTickCount() - start) {
    if (!WaitUntil(there_again, kDefaultTimeoutMs - spent)) return false;
    if (!WaitUntil([&] { return !there(); }, kSettleMs)) return true;
  }
  return false;
}

HWND CaptureOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndCapture;
}

void ParkPointer() { PlacePointer(1880, 40); }

void PointAtEmulator(HWND emulator) {
  POINT point = ScreenPoint(emulator, 100, 100);
  PlacePointer(point.x, point.y);
}

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

void AttachedViewerTest::SetUp() {
  ParkPointer();
  emulator_ = Standin::Start(dir_, EmulatorOptions());
  ASSERT_TRUE(emulator_.window());
  ASSERT_TRUE(viewer_.Start(dir_.path()));
  ASSERT_TRUE(viewer_.WaitForPictures());
  ASSERT_TRUE(BringToFront(viewer_.main));
}

void AttachedViewerTest::TearDown() {
  MouseButton(true, false);
  MouseButton(false, false);
  ParkPointer();
}

std::vector<LogEntry> AttachedViewerTest::Touches(UINT message) const {
  return LogEntriesFor(emulator_.log_path(), "touch", message);
}

void AttachedViewerTest::MoveTo(HWND window, int client_x, int client_y) {
  POINT point = ScreenPoint(window, client_x, client_y);
  PlacePointer(point.x, point.y);
}

HWND AttachedViewerTest::OpenMenu() const {
  WindowQuery query;
  query.class_name = L"#32768";
  query.process_id = viewer_.process.id();
  return FindTopWindow(query);
}

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

void AttachedViewerTest::Choose(int submenu, int item) {
  // After one choice has failed the next would only wait out its own timeouts; the test's
  // first failure is the one worth reading, before ctest's timeout hides it.
  if (HasFatalFailure()) return;
  const DWORD viewer = viewer_.process.id();
  const ViewerProgram& program = viewer_.program();
  const HWND root = OpenPopupMenu(viewer_);
  ASSERT_TRUE(root) << "no menu";
  auto closed = [&] { return MenuWindows(viewer).empty(); };
  // Now and then, on a loaded machine, Wine lets a click on an open menu pass unseen. While
  // the menu stays open nothing has been chosen, so the clicks are made again.
  for (int attempt = 0; attempt < 3 && !closed(); ++attempt) {
    std::vector<HWND> menus = MenuWindows(viewer);
    if (menus.size() == 1) {
      ClickMenuItem(root, submenu, program.submenu_count);
      if (!WaitUntil([&] { return (menus = MenuWindows(viewer)).size() == 2; }, 10000)) continue;
    }
    if (menus.size() != 2) continue;
    const HWND items = menus[0] == root ? menus[1] : menus[0];
    ClickMenuItem(items, item, program.submenu_items[submenu]);
    if (WaitUntil(closed, 10000)) break;
    printf("submenu %d item %d: the menu stays open after the click\n", submenu, item);
  }
  ASSERT_TRUE(WaitUntil(closed)) << "the menu stays open";
  ParkPointer();
}

bool AttachedViewerTest::TakeWindowStep(const WindowStep& step) {
  if (step.main_top != kNoStep) PlaceMainWindow(0, step.main_top);
  if (step.submenu != kNoStep) Choose(step.submenu, step.item);
  if (HasFatalFailure()) return false;
  const HWND main = viewer_.main, second = viewer_.second;
  EXPECT_TRUE(Becomes([&] { return IsWindowVisible(second) != FALSE; }, step.second_shown));
  EXPECT_TRUE(Becomes([&] { return (GetWindowLongW(main, GWL_STYLE) & WS_CAPTION) != 0; },
                      step.caption));
  for (HWND window : {main, second}) {
    if (window == second && !step.second_shown) continue;
    EXPECT_TRUE(Becomes([&] { return ClientSize(window).cx; }, step.width));
    EXPECT_TRUE(Becomes([&] { return ClientSize(window).cy; }, step.height));
  }
  return !HasFailure();
}

void AttachedViewerTest::PlaceMainWindow(int left, int top) {
  RECT moving = WindowRect(viewer_.main);
  OffsetRect(&moving, left - moving.left, top - moving.top);
  SendMessageW(viewer_.main, WM_MOVING, WMSZ_TOP, reinterpret_cast<LPARAM>(&moving));
  SetWindowPos(viewer_.main, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::vector<std::string> AttachedViewerTest::CloseAndReadSettings() {
  PostMessageW(viewer_.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(viewer_.process.WaitForExit());
  return SplitLines(ReadTextFile(dir_.File(viewer_.program().settings_file)));
}

void AttachedViewerTest::StartWithSettings(const std::vector<std::string>& lines) {
  ParkPointer();
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  ASSERT_TRUE(WriteTextFile(dir_.File(viewer_.program().settings_file), text));
  emulator_ = Standin::Start(dir_, EmulatorOptions());
  ASSERT_TRUE(emulator_.window());
  NoteEmulatorPlace();
  // A file of one screen hides the second window at the first activation.
  ASSERT_TRUE(viewer_.Start(dir_.path(), lines.at(5) != "sss"));
}

void AttachedViewerTest::ExpectTurnedOneScreenHiddenEmulatorComesBack(
    const std::vector<std::string>& lines) {
  StartWithSettings(lines);
  EXPECT_TRUE(EmulatorHidden()) << "hidden at attach";
  EXPECT_FALSE(IsWindowVisible(viewer_.second));
  EXPECT_TRUE(Becomes([&] { return ClientSize(viewer_.main).cx; }, 384));
  EXPECT_TRUE(Becomes([&] { return ClientSize(viewer_.main).cy; }, 512));
  EXPECT_EQ(CloseAndReadSettings(), lines);
  EXPECT_TRUE(EmulatorBack()) << "given back at the end";
}

void AttachedViewerTest::ExpectHiddenDockedLeftThenShownThere() {
  auto docked_left = [&] {
    const RECT main = WindowRect(viewer_.main), second = WindowRect(viewer_.second);
    return second.right == main.left && second.top == main.top;
  };
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(viewer_.second); }));
  EXPECT_TRUE(docked_left()) << "hidden at " << WindowRect(viewer_.second).left << ","
                             << WindowRect(viewer_.second).top;
  constexpr int kScreensSubmenu = 1, kTwoScreens = 1;
  Choose(kScreensSubmenu, kTwoScreens);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(viewer_.second) && docked_left(); }));
}

void AttachedViewerTest::NoteEmulatorPlace() {
  emulator_ex_style_ = GetWindowLongW(emulator_.window(), GWL_EXSTYLE);
  emulator_place_ = WindowRect(emulator_.window());
}

::testing::AssertionResult AttachedViewerTest::EmulatorHidden() const {
  const HWND emulator = emulator_.window();
  ::testing::AssertionResult style = Becomes(
      [&] { return GetWindowLongW(emulator, GWL_EXSTYLE); }, WS_EX_LAYERED | WS_EX_TOOLWINDOW);
  if (!style) return style << " (extended style)";
  return Becomes([&] { return WindowRect(emulator).left; }, -288);
}

::testing::AssertionResult AttachedViewerTest::EmulatorBack() const {
  const HWND emulator = emulator_.window();
  ::testing::AssertionResult style =
      Becomes([&] { return GetWindowLongW(emulator, GWL_EXSTYLE); }, emulator_ex_style_);
  if (!style) return style << " (extended style)";
  ::testing::AssertionResult left =
      Becomes([&] { return WindowRect(emulator).left; }, emulator_place_.left);
  if (!left) return left;
  return Becomes([&] { return WindowRect(emulator).top; }, emulator_place_.top);
}

std::vector<std::string> RunWithSettingsFile(const ViewerProgram& program,
                                             const std::string& settings, int* main_width) {
  ParkPointer();
  TempDir dir;
  EXPECT_TRUE(WriteTextFile(dir.File(program.settings_file), settings));
  EXPECT_TRUE(Standin::Install(dir, L"no$gba.exe", EmulatorOptions()));
  ViewerSession viewer(program);
  if (!viewer.Start(dir.path())) return {"the viewer does not start"};
  const HWND emulator = Standin::WaitForStandinWindow();
  if (!emulator) return {"the viewer starts no emulator beside it"};
  PointAtEmulator(emulator);
  // Only the middle of the client area is read: part of the window may lie off the
  // screen, where reading the screen gives nothing.
  auto middle = [&] {
    const RECT client = ClientScreenRect(viewer.main);
    const int x = (client.left + client.right) / 2, y = (client.top + client.bottom) / 2;
    return CentreRegion(CaptureScreen({x - 1, y - 1, x + 2, y + 2}));
  };
  EXPECT_TRUE(WaitUntil([&] { return middle() == standin::Region::Touch; }))
      << "attached and drawing";
  *main_width = ClientSize(viewer.main).cx;
  ParkPointer();
  PostMessageW(viewer.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(viewer.process.WaitForExit());
  std::vector<std::string> lines = SplitLines(ReadTextFile(dir.File(program.settings_file)));
  PostMessageW(emulator, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(emulator); }));
  return lines;
}

SIZE ClientSize(HWND window) {
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

::testing::AssertionResult Becomes(const std::function<long long()>& value, long long expected) {
  long long last = 0;
  if (WaitUntil([&] { return (last = value()) == expected; })) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the value stays " << last << ", expected " << expected;
}

}  // namespace brisklens_test
