#include "tests/viewer/viewer_session.h"

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

}  // namespace brisklens_test
