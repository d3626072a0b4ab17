// The real brisklens-gl.exe attached to a stand-in it found running, driven through its
// popup menu (the viewer test session's Choose), and its settings file read back after it
// closed.
#pragma once

#include "tests/viewer/viewer_session.h"

namespace brisklens_gl_test {

// Submenus of the popup menu and their items, in menu order.
enum Submenu { kMonitors, kScreens, kChangeScr, kRes, kRotate, kCursor, kSkip, kBorder, kEmu };

class GlViewerTest : public brisklens_test::AttachedViewerTest {
 protected:
  GlViewerTest() : AttachedViewerTest(brisklens_test::kGlViewer) {}
};

}  // namespace brisklens_gl_test
