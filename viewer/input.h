// Input forwarding to the emulator: key messages for its key child with the scan code and
// flags, and client points of the main window mapped to touch-screen points.
#pragma once

#include <windows.h>

namespace viewer {

enum class Rotation { Normal, Left, Right };

// The touch-screen point of client point (x, y) at the scale factors, for the rotation;
// `press` adds the 3-row press correction of the unrotated view. No clamping.
POINT MapTouchPoint(int x, int y, float scale_x, float scale_y, Rotation rotation, bool press);

// lParam of a posted mouse message: both coordinates cut to their low 16 bits.
LPARAM TouchLParam(POINT point);

// Escape stays in the viewer; every other key is forwarded.
bool ForwardsKey(WORD key);
// lParam of a posted key message: the scan code in bits 16-23 (and above, as the system
// maps it), the extended-key bit for the navigation keys, and on release bits 30 and 31.
LPARAM KeyLParam(WORD key, bool release);
// Posts WM_KEYDOWN or WM_KEYUP for `key` to the emulator's key child (dropped when 0).
void ForwardKey(HWND key_window, WORD key, bool release);

// Posts a touch message (WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP) with MK_LBUTTON.
void ForwardTouch(HWND touch_window, UINT message, POINT point);

}  // namespace viewer
