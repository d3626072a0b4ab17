// Window sizes from the two size tables, the layout of the main and the second window,
// docking the second window to a side of the main one, and snapping the main window to
// a second window that is being dragged.
#pragma once

#include <windows.h>

#include <array>
#include <functional>

#include "classlib/forms.h"
#include "classlib/graphics.h"

namespace viewer {

struct SizeEntry {
  int width;
  int height;
};
using SizeTable = std::array<SizeEntry, 4>;

// Client sizes by resolution index: one screen per monitor and two screens on one.
SizeTable MakeSingleSizeTable();
SizeTable MakeDualSizeTable();

// DockSide values: where the second window sits next to the main window.
enum DockSideValue : int { kDockTop = 0, kDockDown = 1, kDockLeft = 2, kDockRight = 3 };
// How far apart two edges may be for the main window to snap to the second one.
constexpr int kSnapDistance = 10;

// The menu state that chooses a layout.
struct LayoutChoice {
  bool double_monitor = false;  // DoubleMon checked (else SingleMon)
  bool double_screen = true;    // DoubleScr checked (else SingleScr)
  bool rotated = false;         // a rotation other than normal is checked
  int resolution_index = 2;
};

struct LayoutPlan {
  SIZE main_client;
  bool second_sized;  // false: the second window keeps its size
  SIZE second_client;
  float scale_x;
  float scale_y;
};

// Which table, which entry and the scale factors (from the unswapped entry); a rotated
// view swaps each window's width and height.
LayoutPlan PlanLayout(const LayoutChoice& choice, const SizeTable& single_table,
                      const SizeTable& dual_table);

// The second window's position on `dock_side` of a main window at `main` (whole window
// rectangles); any other side leaves it at `current`.
POINT DockPosition(int dock_side, const RECT& main, SIZE second_size, POINT current);

struct SnapResult {
  POINT main_position;
  int dock_side;
};
// One snapping step: the main window's new position and the dock side, from both whole
// window rectangles. Each test sees the position the previous test left.
SnapResult SnapMainWindow(const RECT& main, const RECT& second, int dock_side);

// The same on forms. Docking puts the second window exactly on its side: its own snap to
// the screen's edges is for the moves of the user alone.
void DockSecondWindow(const classlib::TForm& main, classlib::TForm& second, int dock_side);
void SnapToSecondWindow(classlib::TForm& main, const classlib::TForm& second, int& dock_side);

// What ApplyLayout sizes: the windows, their images (null when the viewer has none) and
// the direct path's bitmap.
struct LayoutTargets {
  classlib::TForm& main;
  classlib::TForm& second;
  classlib::TControl* main_image;
  classlib::TControl* second_image;
  classlib::TBitmap* direct_bitmap;
};

// Sizes the windows and images, calls `after_sizing` (when given) with the plan, sets the
// scale factors, sizes the direct bitmap to the main window's client and docks the second
// window.
void ApplyLayout(const LayoutChoice& choice, const SizeTable& single_table,
                 const SizeTable& dual_table, const LayoutTargets& targets, int dock_side,
                 float& scale_x, float& scale_y,
                 const std::function<void(const LayoutPlan&)>& after_sizing = nullptr);

}  // namespace viewer
