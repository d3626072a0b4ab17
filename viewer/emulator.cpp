#include "viewer/emulator.h"

#include <shellapi.h>

#include <cstring>

#include "classlib/sysutils.h"

namespace viewer {

RECT MainFrameRect(int offset, int trim) {
  return {trim, offset + 200 + trim, 270 - trim, offset + 408 - trim};
}

RECT SecondFrameRect(int offset, int trim) {
  return {trim, offset + 200 + trim, 269 - trim, offset + 407 - trim};
}

bool CursorIconPlace(HWND emulator, int correction_x, int correction_y, RECT& emulator_rect,
                     POINT& place) {
  constexpr int kTouchScreenInsetX = 11, kTouchScreenInsetY = 257;
  GetWindowRect(emulator, &emulator_rect);
  POINT pointer;
  GetCursorPos(&pointer);
  if (pointer.x < emulator_rect.left + kTouchScreenInsetX ||
      pointer.y < emulator_rect.top + kTouchScreenInsetY)
    return false;
  place = {pointer.x - emulator_rect.left - kTouchScreenInsetX - correction_x,
           pointer.y - emulator_rect.top - kTouchScreenInsetY - correction_y};
  return true;
}

EmulatorAttachment::~EmulatorAttachment() { ReleaseEmulatorCanvas(); }

void EmulatorAttachment::BindCanvas(HWND window) {
  HDC previous = EmulatorCanvas ? EmulatorCanvas->Handle() : nullptr;
  HWND previous_window = canvas_window_;
  canvas_window_ = window;
  if (!EmulatorCanvas) EmulatorCanvas = std::make_unique<classlib::TCanvas>();
  EmulatorCanvas->SetHandle(GetDC(window));
  // The context taken before (the screen's) is given back, not left behind.
  if (previous) ReleaseDC(previous_window, previous);
}

void EmulatorAttachment::BindCanvasToScreen() { BindCanvas(nullptr); }

void EmulatorAttachment::AllocateCaptionBuffer() {
  CaptionBuffer = std::make_unique<char[]>(kCaptionBufferSize);
}

bool EmulatorAttachment::MatchesEmulatorCaption(HWND window) {
  if (!CaptionBuffer) AllocateCaptionBuffer();
  CaptionBuffer[0] = '\0';
  GetWindowTextA(window, CaptionBuffer.get(), kCaptionRequest);
  return std::strcmp(CaptionBuffer.get(), kEmulatorCaption) == 0;
}

BOOL CALLBACK EmulatorAttachment::FindEmulatorWindowProc(HWND window, LPARAM attachment) {
  auto* self = reinterpret_cast<EmulatorAttachment*>(attachment);
  if (!self->MatchesEmulatorCaption(window)) return TRUE;
  self->EmulatorWindow = window;
  return FALSE;
}

void EmulatorAttachment::FindRunningEmulator() {
  EnumWindows(FindEmulatorWindowProc, reinterpret_cast<LPARAM>(this));
}

void EmulatorAttachment::AttachToEmulator(bool hide) {
  if (!EmulatorWindow) {
    POINT pointer;
    GetCursorPos(&pointer);
    CandidateWindow = WindowFromPoint(pointer);
    if (!MatchesEmulatorCaption(CandidateWindow)) return;
    EmulatorWindow = CandidateWindow;
  } else if (Attached) {
    return;
  }
  BindCanvas(EmulatorWindow);
  TouchWindow = FindWindowExA(EmulatorWindow, nullptr, "No$touchClass", "");
  KeyWindow = FindWindowExA(EmulatorWindow, nullptr, "Static", "");
  // Attached is set first: hiding applies only to an attached emulator.
  Attached = true;
  if (hide) HideEmulatorWindow();
}

void EmulatorAttachment::HideEmulatorWindow() {
  if (!Attached || EmulatorHidden) return;
  SavedWindowInfo = {};
  SavedWindowInfo.cbSize = sizeof SavedWindowInfo;
  GetWindowInfo(EmulatorWindow, &SavedWindowInfo);
  ShowWindow(EmulatorWindow, SW_HIDE);
  SetWindowLongA(EmulatorWindow, GWL_EXSTYLE, WS_EX_LAYERED | WS_EX_TOOLWINDOW);
  SetLayeredWindowAttributes(EmulatorWindow, 0xFFFFFF, 255, LWA_ALPHA);
  ShowWindow(EmulatorWindow, SW_SHOWNORMAL);
  SetWindowPos(EmulatorWindow, nullptr, -288, 0, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  EmulatorHidden = true;
}

void EmulatorAttachment::RestoreEmulatorWindow() {
  if (!EmulatorHidden) return;
  SetWindowLongA(EmulatorWindow, GWL_EXSTYLE, LONG(SavedWindowInfo.dwExStyle));
  SetWindowPos(EmulatorWindow, nullptr, SavedWindowInfo.rcWindow.left,
               SavedWindowInfo.rcWindow.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  EmulatorHidden = false;
}

void EmulatorAttachment::ReleaseEmulatorCanvas() {
  if (EmulatorCanvas && EmulatorCanvas->HandleAllocated())
    ReleaseDC(canvas_window_, EmulatorCanvas->Handle());
  EmulatorCanvas.reset();
  CaptionBuffer.reset();
  canvas_window_ = nullptr;
}

bool StartEmulator() {
  for (const char* file : {".\\no$gba.exe", "..\\no$gba.exe"}) {
    if (!classlib::FileExists(classlib::AnsiToWide(file))) continue;
    ShellExecuteA(nullptr, "open", file, nullptr, nullptr, SW_SHOWNORMAL);
    return true;
  }
  return false;
}

}  // namespace viewer
