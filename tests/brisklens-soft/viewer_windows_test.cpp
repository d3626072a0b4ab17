// The two windows of the real viewer: dragging the second window, the main window snapping
// next to it on each of the four sides, the second window docked on that side wherever the
// main window lands (the system's move loop, the snap to the screen's edges) and held under
// the pointer while it is dragged, a drag that loses the mouse, the one task-bar button,
// minimising and restoring both windows as one, and what is left of the windows at the end.
#include <gtest/gtest.h>

#include "tools/systest/systest.h"
#include "tests/viewer/viewer_session.h"

using namespace systest;
using namespace brisklens_test;

namespace {

constexpr DWORD kQuietMs = 1500;

using ViewerWindows = AttachedViewerTest;

class ViewerEnd : public AttachedViewerTest {
 protected:
  ViewerEnd() : AttachedViewerTest(kSoftEndProbe) {}
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

TEST_F(ViewerWindows, TheMainWindowSnapsOnEachSideAndTheSecondStaysDockedToWhereItLands) {
  ExpectSnapOnEachSideThenDockedThroughMoveLoops();
}

// While the main window snaps to the dragged second window and then to the screen's edge,
// the second window stays under the pointer, and where it is let go.
TEST_F(ViewerWindows, TheDraggedSecondWindowStaysUnderThePointerWhileTheMainSnapsToAnEdge) {
  ExpectHeldSecondWindowUnderThePointerAlongTheBottomEdge();
}

// A drag that loses the mouse without a release is over, in either window, whether the
// window holds the mouse itself (no filter) or its picture does (a filter).
TEST_F(ViewerWindows, ADragThatLosesTheMouseEnds) {
  ExpectDragsEndWhenTheyLoseTheMouse();
  constexpr int kFilterSubmenu = 2, kFastLinear = 1;
  Choose(kFilterSubmenu, kFastLinear);
  SCOPED_TRACE("with a filter");
  ExpectDragsEndWhenTheyLoseTheMouse();
}

// The main window is the viewer's one window on the task bar; minimised, it takes the
// second window along, and restored, however that is done, brings it back.
TEST_F(ViewerWindows, TheMainWindowAloneHasATaskBarButtonAndMinimisesBothWindows) {
  EXPECT_EQ(TaskbarWindows(viewer_.process.id()), std::vector<HWND>{viewer_.main});
  ExpectMinimisedAndRestoredTogether(viewer_.main);
}

// Once its main loop is over the viewer lets go of its windows: the C runtime's exit
// functions, which Windows runs in its DLL shutdown when a process ends by ExitProcess,
// find none of them to take down.
TEST_F(ViewerEnd, TheExitFunctionsFindNothingOfTheViewerToTakeDown) {
  ExpectNothingLeftForTheExitFunctions();
}
