#include "panoptil/alignment.h"

namespace panoptil {
namespace {

// Moves a window to (left, top), keeping its size.
void MoveKeepingSize(HWND window, int left, int top, const RECT& rect) {
  MoveWindow(window, left, top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

}  // namespace

int AlignEmulatorToScreenEdge(HWND emulator, HWND touch) {
  RECT emulator_rect = {}, touch_rect = {};
  GetWindowRect(emulator, &emulator_rect);
  GetWindowRect(touch, &touch_rect);
  MoveKeepingSize(emulator, emulator_rect.left - touch_rect.left - 2, emulator_rect.top,
                  emulator_rect);
  return 256;
}

int ReturnEmulatorToLeftEdge(HWND emulator) {
  RECT rect = {};
  GetWindowRect(emulator, &rect);
  MoveKeepingSize(emulator, 0, rect.top, rect);
  GetWindowRect(emulator, &rect);
  return rect.right;
}

int VerticalAlignTop(bool vertical_align, bool no_border) {
  if (!vertical_align || no_border) return 0;
  return -(GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CXFRAME));
}

AutoAlignSteps CheckAutoAlign(int screen_width, int screen_height, int client_width,
                              int client_height) {
  AutoAlignSteps steps;
  steps.horizontal = screen_width == client_width + 256;
  steps.vertical = screen_height == client_height;
  return steps;
}

}  // namespace panoptil
