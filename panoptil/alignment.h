// Lining the magnifier window and the emulator window up on the screen.
#pragma once

#include <windows.h>

namespace panoptil {

// Horizontal align on: moves the emulator window so that its touch window's left edge lies
// at screen x -2 (its size kept). Returns the left edge the magnifier takes: 256, right of
// the emulator's screen.
int AlignEmulatorToScreenEdge(HWND emulator, HWND touch);

// Horizontal align off: moves the emulator window back to screen x 0 (its size kept).
// Returns the left edge the magnifier takes: the emulator window's right edge.
int ReturnEmulatorToLeftEdge(HWND emulator);

// The magnifier's top edge for vertical align: with the border shown the caption and the
// top frame lie above the screen; without a border, or when not aligned, it is 0.
int VerticalAlignTop(bool vertical_align, bool no_border);

// Which auto-align steps the sizes call for: the view and the emulator's 256-pixel screen
// fill the screen width exactly (horizontal), the view fills the screen height exactly
// (vertical).
struct AutoAlignSteps {
  bool horizontal = false;
  bool vertical = false;
};
AutoAlignSteps CheckAutoAlign(int screen_width, int screen_height, int client_width,
                              int client_height);

}  // namespace panoptil
