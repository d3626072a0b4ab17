// The second window of the real viewer: dragging it, the main window snapping next to it
// on each of the four sides (seen afterwards in where the second window is docked when the
// main window moves), and docking while the main window is moved by its title bar.
#include <gtest/gtest.h>

#include "tools/systest/systest.h"
#include "tests/viewer/viewer_session.h"

using namespace systest;
using namespace brisklens_test;

namespace {

constexpr DWORD kQuietMs = 1500;

class ViewerWindows : public AttachedViewerTest {
 protected:
  // Waits until the window under the pointer at `at` is `window`.
  static bool PointerRestsOn(HWND window, POINT at) {
    return WaitUntil([&] { return WindowFromPoint(at) == window; }, 5000);
  }
  // Drags the main window with both buttons by (dx, dy) and waits until it got there.
  bool DragMainBy(int dx, int dy) {
    RECT before = WindowRect(viewer_.main);
    POINT start = ScreenPoint(viewer_.main, 200, 150);
    PlacePointer(start.x, start.y);
    if (!PointerRestsOn(viewer_.main, start)) ADD_FAILURE() << "pointer not on the main window";
    // Each press reaches the viewer (it forwards a touch press) before the next input.
    size_t presses = Touches(WM_LBUTTONDOWN).size();
    MouseButton(false, true);
    if (!WaitForLogEntries(emulator_.log_path(), "touch", WM_LBUTTONDOWN, presses + 1))
      ADD_FAILURE() << "the left press did not reach the main window";
    MouseButton(true, true);
    if (!WaitForLogEntries(emulator_.log_path(), "touch", WM_LBUTTONDOWN, presses + 2))
      ADD_FAILURE() << "the right press did not reach the main window";
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
  // Drags the second window to (left, top); with `main_expected` waits, still holding
  // the button, until the main window has snapped there.
  bool DragSecondTo(int left, int top, const POINT* main_expected) {
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
};

}  // namespace

TEST_F(ViewerWindows, TheSecondWindowMovesAloneWhenDraggedFarFromTheMainWindow) {
  ASSERT_TRUE(DragMainBy(450, 66));
  RECT main = WindowRect(viewer_.main);
  ASSERT_TRUE(DragSecondTo(1000, 100, nullptr));
  EXPECT_FALSE(WaitUntil([&] { return WindowRect(viewer_.main).left != main.left; }, kQuietMs));
  EXPECT_EQ(WindowRect(viewer_.main).top, main.top);
  size_t touches = Touches(WM_LBUTTONDOWN).size();
  EXPECT_EQ(touches, 2u) << "the second window forwards nothing";
}

TEST_F(ViewerWindows, TheMainWindowSnapsNextToTheDraggedSecondWindowOnEachSide) {
  ASSERT_TRUE(DragMainBy(450, 66));
  struct Row { const char* side; };
  const Row rows[] = {{"top"}, {"down"}, {"left"}, {"right"}};
  for (int side = 0; side < 4; ++side) {
    SCOPED_TRACE(rows[side].side);
    RECT main = WindowRect(viewer_.main), second = WindowRect(viewer_.second);
    const int main_w = main.right - main.left, main_h = main.bottom - main.top;
    const int second_w = second.right - second.left, second_h = second.bottom - second.top;
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
    // The second window now follows the main window on the side the snap chose: seen
    // while the main window is moved back to the start by its title bar (WM_MOVING).
    MouseButton(false, false);
    ParkPointer();
    main = WindowRect(viewer_.main);
    OffsetRect(&main, 450 - main.left, 450 - main.top);
    SendMessageW(viewer_.main, WM_MOVING, WMSZ_TOP, reinterpret_cast<LPARAM>(&main));
    SetWindowPos(viewer_.main, nullptr, main.left, main.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    second = WindowRect(viewer_.second);
    POINT docked = {};
    switch (side) {
      case 0: docked = {main.left, main.top - second_h}; break;
      case 1: docked = {main.left, main.bottom}; break;
      case 2: docked = {main.left - second_w, main.top}; break;
      default: docked = {main.right, main.top}; break;
    }
    EXPECT_EQ(second.left, docked.x) << "main " << main.left << "," << main.top << " "
                                     << main.right << "," << main.bottom;
    EXPECT_EQ(second.top, docked.y);
  }
}

TEST_F(ViewerWindows, MovingTheMainWindowByItsTitleBarTakesTheSecondAlong) {
  RECT moving = WindowRect(viewer_.main);
  OffsetRect(&moving, 600, 200);
  SendMessageW(viewer_.main, WM_MOVING, WMSZ_TOP, reinterpret_cast<LPARAM>(&moving));
  RECT second = WindowRect(viewer_.second);
  EXPECT_EQ(second.left, moving.left);
  EXPECT_EQ(second.bottom, moving.top) << "docked on top of where the main window goes";
}
