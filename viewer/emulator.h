// The viewer's link to the emulator window: finding it (at start-up by enumeration, later
// under the mouse pointer), taking its device context and child windows, the caption
// test of the alive check, hiding it off-screen while it keeps drawing and putting it back,
// and starting the emulator program.
#pragma once

#include <windows.h>

#include <memory>

#include "classlib/graphics.h"

namespace viewer {

// The caption every emulator main window begins with, and the buffer size the caption is
// read with: 16 characters, so at most 15 are read and compared.
constexpr char kEmulatorCaption[] = "No$gba Emulator";
constexpr int kCaptionRequest = 16;
constexpr int kCaptionBufferSize = 64;

// The emulator's screens in its client area: a frame is 270x208 pixels whose top-left
// corner lies at (0, offset + 200); `trim` pixels are cut from each side. The second
// window's frame is one column and one row smaller.
RECT MainFrameRect(int offset, int trim);
// The frame offsets and the screen each frame holds.
constexpr int kTouchFrameOffset = 1;       // client rows 201..408: the touch screen at (7, 7)
constexpr int kDualMainFrameOffset = 0;    // rows 200..407: the touch screen at (7, 8)
constexpr int kTopFrameOffset = -200;      // rows 0..207: the top screen at (7, 7)
constexpr int kSecondFrameOffset = -202;   // rows -2..205: the top screen at (7, 9)
RECT SecondFrameRect(int offset, int trim);

// Where the emulator's cursor icon goes: the pointer's place relative to the emulator's
// touch screen (whose top-left pixel lies 11 pixels right of and 257 below the window's
// top-left corner), less the corrections. False, and no place, while the pointer lies left
// of or above the touch screen; there is no bound to the right or below. `emulator_rect`
// receives the window's rectangle.
bool CursorIconPlace(HWND emulator, int correction_x, int correction_y, RECT& emulator_rect,
                     POINT& place);

class EmulatorAttachment {
 public:
  EmulatorAttachment() = default;
  EmulatorAttachment(const EmulatorAttachment&) = delete;
  EmulatorAttachment& operator=(const EmulatorAttachment&) = delete;
  virtual ~EmulatorAttachment();

  // Binds EmulatorCanvas to the screen's device context (start-up).
  void BindCanvasToScreen();
  void AllocateCaptionBuffer();
  // Reads the window's caption (16 characters requested) into the caption buffer and
  // compares the text read exactly with kEmulatorCaption.
  bool MatchesEmulatorCaption(HWND window);
  // EnumWindows callback; `attachment` is the EmulatorAttachment. Stops at the first match,
  // which becomes EmulatorWindow.
  static BOOL CALLBACK FindEmulatorWindowProc(HWND window, LPARAM attachment);
  void FindRunningEmulator();
  // The attach step of a pass: looks under the pointer while no emulator is known, and
  // takes the device context and children of a known one not yet attached. A new
  // attachment hides the emulator when `hide` (the hide setting) is on.
  void AttachToEmulator(bool hide);
  void HideEmulatorWindow();
  void RestoreEmulatorWindow();
  // Gives EmulatorCanvas's device context back to its window and frees the canvas and the
  // caption buffer (shutdown).
  void ReleaseEmulatorCanvas();

  bool Attached = false;
  std::unique_ptr<classlib::TCanvas> EmulatorCanvas;
  HWND KeyWindow = nullptr;
  HWND TouchWindow = nullptr;
  HWND CandidateWindow = nullptr;
  HWND EmulatorWindow = nullptr;
  std::unique_ptr<char[]> CaptionBuffer;
  WINDOWINFO SavedWindowInfo = {};
  bool EmulatorHidden = false;

 private:
  void BindCanvas(HWND window);
  HWND canvas_window_ = nullptr;  // the window EmulatorCanvas's context came from
};

// Starts ".\no$gba.exe" if it exists, else "..\no$gba.exe" if that exists; does not wait.
// Returns whether one was started.
bool StartEmulator();

}  // namespace viewer
