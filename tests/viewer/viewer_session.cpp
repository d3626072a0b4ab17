#include "tests/viewer/viewer_session.h"

#include <cstdio>
#include <cstdlib>

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

// The open menu windows of a process, in z-order (the last opened first).
std::vector<HWND> MenuWindows(DWORD process_id) {
  return VisibleWindowsOf(process_id, [](HWND window) { return WindowClass(window) == L"#32768"; });
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
  SetWindowPos(viewer_.main, nullptr, moving.left, moving.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

// `part` is `window` itself or its picture (a child window).
bool IsWindowOrPicture(HWND window, HWND part) {
  return part && (part == window || IsChild(window, part));
}

// Waits until the window under the pointer at `at` is `window`, or its picture.
bool PointerRestsOn(HWND window, POINT at) {
  return WaitUntil([&] { return IsWindowOrPicture(window, WindowFromPoint(at)); }, 5000);
}

// The window, or its picture, holds the mouse capture.
bool HoldsTheMouse(HWND window) { return IsWindowOrPicture(window, CaptureOf(window)); }

}  // namespace

POINT AttachedViewerTest::PressBothButtonsOnMain() {
  const POINT start = ScreenPoint(viewer_.main, 200, 150);
  PlacePointer(start.x, start.y);
  if (!PointerRestsOn(viewer_.main, start)) ADD_FAILURE() << "pointer not on the main window";
  // Each press reaches the viewer (it forwards a touch press) before the next input.
  const size_t presses = Touches(WM_LBUTTONDOWN).size();
  MouseButton(false, true);
  if (!WaitForLogEntries(emulator_.log_path(), "touch", WM_LBUTTONDOWN, presses + 1))
    ADD_FAILURE() << "the left press did not reach the main window";
  MouseButton(true, true);
  if (!WaitForLogEntries(emulator_.log_path(), "touch", WM_LBUTTONDOWN, presses + 2))
    ADD_FAILURE() << "the right press did not reach the main window";
  return start;
}

bool AttachedViewerTest::DragMainBy(int dx, int dy) {
  RECT before = WindowRect(viewer_.main);
  const POINT start = PressBothButtonsOnMain();
  bool moved = DragPointerTo({start.x + dx, start.y + dy}, [&] {
    RECT now = WindowRect(viewer_.main);
    return now.left == before.left + dx && now.top == before.top + dy;
  });
  MouseButton(true, false);
  MouseButton(false, false);
  if (!moved) {
    RECT now = WindowRect(viewer_.main);
    ADD_FAILURE() << "main window from " << before.left << "," << before.top << " to "
                  << now.left << "," << now.top << ", expected a move by " << dx << "," << dy;
  }
  return moved;
}

bool AttachedViewerTest::DragSecondTo(int left, int top, const POINT* main_expected) {
  RECT before = WindowRect(viewer_.second);
  POINT start = {before.left + 100, before.top + 100};
  PlacePointer(start.x, start.y);
  if (!PointerRestsOn(viewer_.second, start)) ADD_FAILURE() << "pointer not on the second window";
  MouseButton(false, true);
  // Until the viewer has handled the press and holds the mouse, a pointer move goes to
  // the window under the new place (the desktop, the main window) and never to this one.
  if (!WaitUntil([&] { return CaptureOf(viewer_.second) == viewer_.second; }))
    ADD_FAILURE() << "the press did not reach the second window";
  bool ok = DragPointerTo({left + 100, top + 100}, [&] {
    RECT now = WindowRect(viewer_.second), main = WindowRect(viewer_.main);
    return now.left == left && now.top == top &&
           (!main_expected || (main.left == main_expected->x && main.top == main_expected->y));
  });
  if (!ok) {
    POINT at = {};
    GetCursorPos(&at);
    ADD_FAILURE() << "second window at " << WindowRect(viewer_.second).left << ","
                  << WindowRect(viewer_.second).top << ", expected " << left << "," << top
                  << "; second window holds the mouse: "
                  << (CaptureOf(viewer_.second) == viewer_.second)
                  << ", left button down: " << (GetAsyncKeyState(VK_LBUTTON) < 0)
                  << ", pointer at " << at.x << "," << at.y;
  }
  MouseButton(false, false);
  // The release ends the viewer's drag (and with it the snapping of the main window)
  // when the viewer handles it; moves made before then would be undone by a snap.
  if (!WaitUntil([&] { return CaptureOf(viewer_.second) != viewer_.second; }))
    ADD_FAILURE() << "the release did not reach the second window";
  return ok;
}

namespace {

// With the left button held on the borderless second window, grabbed `grab` pixels from
// its corner: moves the pointer to `at` and waits until the window has followed, then
// watches it for a number of passes of the frame loop. Fails at once when the window
// leaves its place under the pointer while the pointer rests there.
::testing::AssertionResult StaysUnderPointer(HWND window, POINT grab, POINT at) {
  constexpr DWORD kWatchMs = 300;   // 15 passes and more of either viewer at its start-up pace
  constexpr DWORD kNudgeMs = 1000;  // as in DragPointerTo
  const POINT under = {at.x - grab.x, at.y - grab.y};
  POINT seen = {};
  bool followed = false, departed = false;
  DWORD moved_at = 0, followed_at = 0;
  auto move = [&] {
    MovePointer(at.x, at.y);
    moved_at = GetTickCount();
    followed = false;
  };
  move();
  const bool watched = WaitUntil([&] {
    const RECT now = WindowRect(window);
    seen = {now.left, now.top};
    if (!PointerIsAt(at)) {  // a late pointer event of Wine's put the pointer back
      move();
      return false;
    }
    if (seen.x == under.x && seen.y == under.y) {
      if (!followed) followed_at = GetTickCount();
      followed = true;
      return GetTickCount() - followed_at >= kWatchMs;
    }
    if (followed) return departed = true;
    if (GetTickCount() - moved_at > kNudgeMs) {  // a move message that never came
      MovePointer(at.x - 1, at.y - 1);
      move();
    }
    return false;
  });
  if (watched && !departed) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << (departed ? "the window left the pointer: at " : "it never came under the pointer: at ")
         << seen.x << "," << seen.y << ", expected " << under.x << "," << under.y;
}

RECT WorkAreaOf(HWND window) {
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
  return monitor.rcWork;
}

}  // namespace

void AttachedViewerTest::ExpectHeldSecondWindowUnderThePointerAlongTheBottomEdge() {
  constexpr DWORD kQuietMs = 1500;
  constexpr int kLeft = 400, kGap = 30, kDownSteps = 3, kDownStep = 8, kAlongSteps = 10,
                kAlongStep = 3;
  const HWND main = viewer_.main, second = viewer_.second;
  const RECT area = WorkAreaOf(main);
  const int main_h = WindowRect(main).bottom - WindowRect(main).top;
  const int second_h = WindowRect(second).bottom - WindowRect(second).top;
  PlaceMainWindow(kLeft, area.bottom - main_h - kGap);
  ASSERT_EQ(WindowRect(second).left, DockedPlace(0).x);
  ASSERT_EQ(WindowRect(second).top, DockedPlace(0).y) << "docked above the main window";
  const POINT grab = {100, 100};
  POINT at = {WindowRect(second).left + grab.x, WindowRect(second).top + grab.y};
  PlacePointer(at.x, at.y);
  if (!PointerRestsOn(second, at)) ADD_FAILURE() << "pointer not on the second window";
  MouseButton(false, true);
  if (!WaitUntil([&] { return CaptureOf(second) == second; }))
    ADD_FAILURE() << "the press did not reach the second window";
  for (int step = 0; step < kDownSteps + kAlongSteps && !HasFailure(); ++step) {
    SCOPED_TRACE("step " + std::to_string(step + 1));
    if (step < kDownSteps)
      at.y += kDownStep;
    else
      at.x += kAlongStep;
    EXPECT_TRUE(StaysUnderPointer(second, grab, at));
    // The main window follows: docked below the second window until the last step down
    // takes it within 10 pixels of the edge, then flush with the edge.
    const int main_top = step < kDownSteps - 1 ? at.y - grab.y + second_h : area.bottom - main_h;
    EXPECT_TRUE(WaitUntil([&] {
      const RECT now = WindowRect(main);
      return now.left == at.x - grab.x && now.top == main_top;
    }, 5000)) << "main window at " << WindowRect(main).left << "," << WindowRect(main).top
              << ", expected " << at.x - grab.x << "," << main_top;
  }
  MouseButton(false, false);
  EXPECT_TRUE(WaitUntil([&] { return CaptureOf(second) != second; }))
      << "the release did not reach the second window";
  const RECT let_go = WindowRect(second);
  EXPECT_EQ(let_go.left, at.x - grab.x);
  EXPECT_EQ(let_go.top, at.y - grab.y);
  EXPECT_FALSE(WaitUntil([&] {
    const RECT now = WindowRect(second);
    return now.left != let_go.left || now.top != let_go.top;
  }, kQuietMs)) << "moved after the release to " << WindowRect(second).left << ","
                << WindowRect(second).top;
}

void AttachedViewerTest::ExpectDragsEndWhenTheyLoseTheMouse() {
  constexpr DWORD kQuietMs = 1500;
  const HWND main = viewer_.main, second = viewer_.second;
  {
    SCOPED_TRACE("the second window's drag");
    // Clear of the screen's edges, which the second window would snap to.
    PlaceMainWindow(450, 500);
    const POINT grab = {100, 100};
    POINT at = {WindowRect(second).left + grab.x, WindowRect(second).top + grab.y};
    PlacePointer(at.x, at.y);
    if (!PointerRestsOn(second, at)) ADD_FAILURE() << "pointer not on the second window";
    MouseButton(false, true);
    ASSERT_TRUE(WaitUntil([&] { return HoldsTheMouse(second); }))
        << "the press did not reach the second window";
    at = {at.x + 8, at.y + 8};
    EXPECT_TRUE(DragPointerTo(at, [&] {
      const RECT now = WindowRect(second);
      return now.left == at.x - grab.x && now.top == at.y - grab.y;
    })) << "the second window did not follow the pointer";
    SendMessageW(CaptureOf(second), WM_CANCELMODE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return CaptureOf(second) == nullptr; }))
        << "the second window kept the mouse";
    ParkPointer();
    MouseButton(false, false);
    PlaceMainWindow(200, 520);
    EXPECT_TRUE(WaitUntil([&] {
      const RECT now = WindowRect(second);
      return now.left == DockedPlace(0).x && now.top == DockedPlace(0).y;
    })) << "the second window stays at " << WindowRect(second).left << ","
        << WindowRect(second).top << ", expected docked above the main window at "
        << DockedPlace(0).x << "," << DockedPlace(0).y;
  }
  {
    SCOPED_TRACE("the main window's two-button drag");
    PressBothButtonsOnMain();
    EXPECT_TRUE(HoldsTheMouse(main));
    SendMessageW(CaptureOf(main), WM_CANCELMODE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return CaptureOf(main) == nullptr; }))
        << "the main window kept the mouse";
    ParkPointer();
    MouseButton(true, false);
    MouseButton(false, false);
    const RECT before = WindowRect(main);
    const POINT over = ScreenPoint(main, 300, 200);
    PlacePointer(over.x, over.y);
    EXPECT_FALSE(WaitUntil([&] {
      const RECT now = WindowRect(main);
      return now.left != before.left || now.top != before.top;
    }, kQuietMs)) << "the main window follows the pointer with no button held: from "
                  << before.left << "," << before.top << " to " << WindowRect(main).left << ","
                  << WindowRect(main).top;
  }
}

void AttachedViewerTest::ExpectNothingLeftForTheExitFunctions() {
  EXPECT_FALSE(CloseAndReadSettings().empty()) << "no settings file written";
  const DWORD code = viewer_.process.ExitCode();
  EXPECT_EQ(code, 0u) << "the exit functions destroyed " << code / 256
                      << " of the viewer's windows and made " << code % 256 << " OpenGL calls";
}

POINT AttachedViewerTest::DockedPlace(int side) const {
  const RECT main = WindowRect(viewer_.main), second = WindowRect(viewer_.second);
  const SIZE size = {second.right - second.left, second.bottom - second.top};
  switch (side) {
    case 0: return {main.left, main.top - size.cy};  // top
    case 1: return {main.left, main.bottom};         // down
    case 2: return {main.left - size.cx, main.top};  // left
    default: return {main.right, main.top};          // right
  }
}

void AttachedViewerTest::ExpectSnapOnEachSideThenDockedThroughMoveLoops() {
  ASSERT_TRUE(DragMainBy(450, 66));
  const char* const sides[] = {"top", "down", "left", "right"};
  for (int side = 0; side < 4; ++side) {
    SCOPED_TRACE(sides[side]);
    RECT main = WindowRect(viewer_.main), second = WindowRect(viewer_.second);
    const int main_w = main.right - main.left, main_h = main.bottom - main.top;
    const int second_w = second.right - second.left, second_h = second.bottom - second.top;
    // The second window is dropped a few pixels off its place on `side`; the main window
    // jumps so that the two meet there.
    POINT target = {}, expected = {};
    switch (side) {
      case 0: target = {main.left + 4, main.top - second_h - 6}; break;
      case 1: target = {main.left - 5, main.bottom + 7}; break;
      case 2: target = {main.left - second_w - 8, main.top + 3}; break;
      default: target = {main.right + 6, main.top - 4}; break;
    }
    switch (side) {
      case 0: expected = {target.x, target.y + second_h}; break;
      case 1: expected = {target.x, target.y - main_h}; break;
      case 2: expected = {target.x + second_w, target.y}; break;
      default: expected = {target.x - main_w, target.y}; break;
    }
    ASSERT_TRUE(DragSecondTo(target.x, target.y, &expected))
        << "main at " << WindowRect(viewer_.main).left << "," << WindowRect(viewer_.main).top
        << ", expected " << expected.x << "," << expected.y;
    ParkPointer();
    ExpectDockedThroughMoveLoops(side);
    // Back to the middle for the next side.
    PlaceMainWindow(450, 450);
    const RECT docked = WindowRect(viewer_.second);
    EXPECT_EQ(docked.left, DockedPlace(side).x);
    EXPECT_EQ(docked.top, DockedPlace(side).y);
    if (HasFailure()) return;
  }
}

void AttachedViewerTest::ExpectDockedThroughMoveLoops(int side) {
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(viewer_.main, MONITOR_DEFAULTTONEAREST), &monitor));
  const RECT area = monitor.rcWork;
  const RECT main = WindowRect(viewer_.main), second = WindowRect(viewer_.second);
  const int main_h = main.bottom - main.top, second_h = second.bottom - second.top;
  // The second window's top below the main window's top, docked on `side`.
  const int second_dy = DockedPlace(side).y - main.top;
  constexpr int kLeft = 400;  // clear of the left and right edges
  struct Step {
    bool bottom;       // toward the bottom edge, else the top edge
    bool second_edge;  // the second window's edge comes near it, else the main window's
    int gap;           // pixels between that edge and the screen's
  };
  const Step steps[] = {{true, false, 40}, {true, false, 6},  {true, false, 4},
                        {true, true, 6},   {false, false, 40}, {false, false, 6},
                        {false, false, 4}, {false, true, 6}};
  for (const Step& step : steps) {
    int top = 0;
    if (step.bottom)
      top = step.second_edge ? area.bottom - step.gap - second_h - second_dy
                             : area.bottom - step.gap - main_h;
    else
      top = step.second_edge ? area.top + step.gap - second_dy : area.top + step.gap;
    // The main window snaps flush to an edge of the screen within 10 pixels of it.
    int landed = top;
    if (std::abs(top - area.top) <= 10)
      landed = area.top;
    else if (std::abs(top + main_h - area.bottom) <= 10)
      landed = area.bottom - main_h;
    PlaceMainWindow(kLeft, top);
    const RECT main_now = WindowRect(viewer_.main), second_now = WindowRect(viewer_.second);
    const POINT docked = DockedPlace(side);
    EXPECT_TRUE(main_now.left == kLeft && main_now.top == landed &&
                second_now.left == docked.x && second_now.top == docked.y)
        << (step.bottom ? "toward the bottom" : "toward the top") << ", the "
        << (step.second_edge ? "second" : "main") << " window's edge " << step.gap
        << " pixels from it: main window at " << main_now.left << "," << main_now.top
        << " (expected " << kLeft << "," << landed << "), second window at "
        << second_now.left << "," << second_now.top << " (expected " << docked.x << ","
        << docked.y << ")";
  }
}

void AttachedViewerTest::ExpectMinimisedAndRestoredTogether(HWND button) {
  constexpr int kScreensSubmenu = 1, kOneScreen = 0;
  constexpr DWORD kQuietMs = 1500;
  const char* const way_names[] = {"the restore command", "ShowWindow", "SwitchToThisWindow"};
  const HWND main = viewer_.main, second = viewer_.second;
  auto shows = [](HWND window) { return IsWindowVisible(window) && !IsIconic(window); };
  for (bool two_screens : {true, false}) {
    if (!two_screens) Choose(kScreensSubmenu, kOneScreen);
    for (RestoreWay way :
         {RestoreWay::kRestoreCommand, RestoreWay::kShowWindow, RestoreWay::kSwitchToWindow}) {
      SCOPED_TRACE(std::string(two_screens ? "two screens, " : "one screen, ") +
                   way_names[int(way)]);
      ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(second) == two_screens; }));
      ASSERT_TRUE(BringToFront(main));
      SendMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
      EXPECT_TRUE(WaitUntil([&] { return !shows(main) && !IsWindowVisible(second); }))
          << "main window shows: " << shows(main) << ", second: " << IsWindowVisible(second);
      EXPECT_TRUE(IsIconic(button));
      EXPECT_EQ(TaskbarWindows(viewer_.process.id()), std::vector<HWND>{button})
          << "the button stays while minimised";
      switch (way) {
        case RestoreWay::kRestoreCommand: SendMessageW(button, WM_SYSCOMMAND, SC_RESTORE, 0); break;
        case RestoreWay::kShowWindow: ShowWindow(button, SW_RESTORE); break;
        case RestoreWay::kSwitchToWindow: SwitchToThisWindow(button, TRUE); break;
      }
      // Not restored, every later check would only wait out its own timeout.
      ASSERT_TRUE(WaitUntil([&] {
        return shows(main) && !IsIconic(button) && IsWindowVisible(second) == two_screens;
      })) << "main window shows: " << shows(main) << ", second: " << IsWindowVisible(second)
          << ", button minimised: " << IsIconic(button);
      if (two_screens) {
        const RECT second_now = WindowRect(second), main_now = WindowRect(main);
        EXPECT_TRUE(second_now.left == main_now.left && second_now.bottom == main_now.top)
            << "second window at " << second_now.left << "," << second_now.top
            << ", main window at " << main_now.left << "," << main_now.top;
        EXPECT_TRUE(viewer_.WaitForPictures());
      } else {
        EXPECT_FALSE(WaitUntil([&] { return IsWindowVisible(second) != FALSE; }, kQuietMs));
      }
      EXPECT_TRUE(Becomes([&] { return GetForegroundWindow() == main; }, true));
      if (HasFailure()) return;
    }
  }
}

std::vector<std::string> AttachedViewerTest::CloseAndReadSettings() {
  PostMessageW(viewer_.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(EndsPromptly(viewer_.process));
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
  EXPECT_TRUE(EndsPromptly(viewer.process));
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

::testing::AssertionResult EndsPromptly(const Process& viewer) {
  constexpr DWORD kPromptMs = 1000;
  const DWORD start = GetTickCount();
  if (viewer.WaitForExit(kPromptMs)) return ::testing::AssertionSuccess();
  const bool ended = viewer.WaitForExit();
  return ::testing::AssertionFailure() << "the viewer lingers: "
                                       << (ended ? "ended after " : "still running after ")
                                       << GetTickCount() - start << " ms";
}

::testing::AssertionResult Becomes(const std::function<long long()>& value, long long expected) {
  long long last = 0;
  if (WaitUntil([&] { return (last = value()) == expected; })) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the value stays " << last << ", expected " << expected;
}

}  // namespace brisklens_test
