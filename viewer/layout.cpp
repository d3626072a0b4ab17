#include "viewer/layout.h"

#include <cstdlib>
#include <utility>

namespace viewer {

SizeTable MakeSingleSizeTable() { return {{{512, 384}, {742, 557}, {947, 718}, {998, 749}}}; }

SizeTable MakeDualSizeTable() { return {{{384, 288}, {461, 346}, {512, 384}, {640, 480}}}; }

LayoutPlan PlanLayout(const LayoutChoice& choice, const SizeTable& single_table,
                      const SizeTable& dual_table) {
  // Two screens on one monitor share it (the dual table); one screen, or two monitors,
  // give each window the single table.
  bool dual_windows = choice.double_screen;
  const SizeTable& table =
      dual_windows && !choice.double_monitor ? dual_table : single_table;
  SizeEntry entry = table.at(size_t(choice.resolution_index));
  SIZE client = choice.rotated ? SIZE{entry.height, entry.width} : SIZE{entry.width, entry.height};
  LayoutPlan plan;
  plan.main_client = client;
  plan.second_sized = dual_windows;
  plan.second_client = dual_windows ? client : SIZE{0, 0};
  plan.scale_x = float(entry.width / 256.0);
  plan.scale_y = float(entry.height / 192.0);
  return plan;
}

POINT DockPosition(int dock_side, const RECT& main, SIZE second_size, POINT current) {
  switch (dock_side) {
    case kDockTop: return {main.left, main.top - second_size.cy};
    case kDockDown: return {main.left, main.bottom};
    case kDockLeft: return {main.left - second_size.cx, main.top};
    case kDockRight: return {main.right, main.top};
    default: return current;
  }
}

SnapResult SnapMainWindow(const RECT& main, const RECT& second, int dock_side) {
  const int main_width = main.right - main.left, main_height = main.bottom - main.top;
  const int second_width = second.right - second.left;
  const int second_height = second.bottom - second.top;
  int left = main.left, top = main.top;
  auto within_snap = [](int a, int b) { return std::abs(a - b) <= kSnapDistance; };
  if (within_snap(left, second.left)) {
    if (within_snap(top, second.top + second_height)) {
      left = second.left;
      top = second.top + second_height;
      dock_side = kDockTop;
    }
    if (within_snap(second.top, top + main_height)) {
      left = second.left;
      top = second.top - main_height;
      dock_side = kDockDown;
    }
  }
  if (within_snap(top, second.top)) {
    if (within_snap(left, second.left + second_width)) {
      top = second.top;
      left = second.left + second_width;
      dock_side = kDockLeft;
    }
    if (within_snap(second.left, left + main_width)) {
      top = second.top;
      left = second.left - main_width;
      dock_side = kDockRight;
    }
  }
  return {{left, top}, dock_side};
}

namespace {

RECT BoundsOf(const classlib::TControl& control) {
  return {control.Left(), control.Top(), control.Left() + control.Width(),
          control.Top() + control.Height()};
}

}  // namespace

void DockSecondWindow(const classlib::TForm& main, classlib::TForm& second, int dock_side) {
  POINT current = {second.Left(), second.Top()};
  POINT position =
      DockPosition(dock_side, BoundsOf(main), {second.Width(), second.Height()}, current);
  if (position.x == current.x && position.y == current.y) return;
  const bool snaps = second.ScreenSnap;
  second.ScreenSnap = false;
  second.SetBounds(position.x, position.y, second.Width(), second.Height());
  second.ScreenSnap = snaps;
}

void SnapToSecondWindow(classlib::TForm& main, const classlib::TForm& second, int& dock_side) {
  SnapResult result = SnapMainWindow(BoundsOf(main), BoundsOf(second), dock_side);
  dock_side = result.dock_side;
  if (result.main_position.x != main.Left() || result.main_position.y != main.Top())
    main.SetBounds(result.main_position.x, result.main_position.y, main.Width(), main.Height());
}

void ApplyLayout(const LayoutChoice& choice, const SizeTable& single_table,
                 const SizeTable& dual_table, const LayoutTargets& targets, int dock_side,
                 float& scale_x, float& scale_y,
                 const std::function<void(const LayoutPlan&)>& after_sizing) {
  LayoutPlan plan = PlanLayout(choice, single_table, dual_table);
  targets.main.SetClientSize(plan.main_client.cx, plan.main_client.cy);
  if (plan.second_sized) targets.second.SetClientSize(plan.second_client.cx, plan.second_client.cy);
  if (targets.main_image)
    targets.main_image->SetBounds(0, 0, targets.main.ClientWidth(), targets.main.ClientHeight());
  if (plan.second_sized && targets.second_image)
    targets.second_image->SetBounds(0, 0, targets.second.ClientWidth(),
                                    targets.second.ClientHeight());
  if (after_sizing) after_sizing(plan);
  scale_x = plan.scale_x;
  scale_y = plan.scale_y;
  if (targets.direct_bitmap)
    targets.direct_bitmap->SetSize(targets.main.ClientWidth(), targets.main.ClientHeight());
  DockSecondWindow(targets.main, targets.second, dock_side);
}

}  // namespace viewer
