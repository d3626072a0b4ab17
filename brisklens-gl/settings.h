// The settings file "Set.conf": 13 lines, one value a line, in this order: the main
// window's left and top, the second window's left and top, then one word for each of the
// monitor mode, the screen mode, the resolution, the rotation, the cursor icon, the speed,
// the border, the emulator's hiding and the second window's side.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace brisklens_gl {

constexpr size_t kSettingsLineCount = 13;

// What the file holds. Radio groups are indexes of their items in menu order.
struct ViewerSettings {
  int main_left = 0, main_top = 0, second_left = 0, second_top = 0;
  bool double_monitor = false;  // DoubleMon (else SingleMon)
  bool double_screen = true;    // DoubleScr (else SingleScr)
  int resolution = 2;           // N800600, N1024768, N1280800, N12801024
  int rotation = 0;             // Normal, RotateLeft, RotateRight
  bool cursor_on = true;        // CursorON (else CursorOFF)
  int speed = 1;                // NoSkip, N60fps, N50fps, N40fps, N30fps, N25fps, N20fps
  int border = 0;               // have, none, noneall
  bool hide_emulator = false;   // Hide (else Show)
  int dock_side = 0;            // top, down, left, right
};

// Milliseconds slept after each pass for each speed item.
int PassDelayOfSpeed(int speed);

// The 13 lines that store `settings`.
std::vector<std::wstring> SettingsLines(const ViewerSettings& settings);

// Applies the lines there are, in order, onto `settings`: lines 0 to 3 are converted with
// StrToIntVal (and kept within the range of screen coordinates), each later line sets its
// setting when it is exactly one of its words (case-sensitive, no trimming) and is
// ignored otherwise; lines after the 13th are ignored.
void ReadSettingsLines(const std::vector<std::wstring>& lines, ViewerSettings& settings);

}  // namespace brisklens_gl
