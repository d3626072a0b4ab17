// The form's message hooks (touch and key forwarding, swallowed messages, screenshots, the
// border hit test) and the alignment, border, taskbar, about and exit commands.
#include "panoptil/alignment.h"
#include "panoptil/screenshot.h"
#include "panoptil/taskbar.h"
#include "panoptil/touch.h"
#include "panoptil/unit1.h"

namespace panoptil {
namespace {

bool IsForwardedKey(UINT message) {
  return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN ||
         message == WM_SYSKEYUP;
}

}  // namespace

void TForm1::TouchMessageHook(TMessage& message) {
  UINT msg = message.Msg;
  if (msg == WM_LBUTTONDOWN) TouchDown = true;
  else if (msg == WM_LBUTTONUP) TouchDown = false;
  else if (msg != WM_MOUSEMOVE || !TouchDown) {
    touch_previous_proc_(message);
    return;
  }
  // A box of factor 0 is empty and gets no mouse input; the test keeps the division sound.
  if (TouchScaleX < 1 || TouchScaleY < 1) return;
  uint32_t point = MapTouchPoint(uint32_t(message.LParam), TouchScaleX, TouchScaleY, Rotated);
  PostMessageA(Emulator.touch, msg, message.WParam, LPARAM(point));
}

void TForm1::FormMessageHook(TMessage& message) {
  UINT msg = message.Msg;
  if (msg == WM_GETDLGCODE) {
    message.Result = DLGC_WANTTAB;
  } else if (msg == WM_WINDOWPOSCHANGING || msg == WM_SETTINGCHANGE) {
    // Swallowed: no size limits of the default procedure, no reaction to system settings.
  } else if (msg == WM_MBUTTONDOWN) {
    TakeShot();
  } else if (IsForwardedKey(msg)) {
    // Every key, Alt combinations included, belongs to the emulator.
    PostMessageA(Emulator.main, msg, message.WParam, message.LParam);
  } else {
    form_previous_proc_(message);
  }
}

void TForm1::WndProc(TMessage& message) {
  if (message.Msg == WM_NCHITTEST) {
    BlockBorderSizing(message);
    return;
  }
  // The session ends without the form being destroyed: give the taskbar back now.
  if (message.Msg == WM_ENDSESSION && message.WParam) RestoreHiddenTaskbar();
  TForm::WndProc(message);
}

void TForm1::BlockBorderSizing(TMessage& message) {
  TForm::WndProc(message);
  if (message.Result >= HTLEFT && message.Result <= HTBOTTOMRIGHT) message.Result = HTCLIENT;
}

void TForm1::TakeShot() {
  RECT window = {};
  GetWindowRect(Handle(), &window);
  TakeScreenshot(window, PictureFolder, LastShotTick);
}

void TForm1::miHorzAlignClick(TObject*) {
  Toggle(*miHorzAlign);
  // Without an emulator there is nothing to line up with: only the check changes.
  if (!Emulator.main) return;
  if (miHorzAlign->Checked()) SetLeft(AlignEmulatorToScreenEdge(Emulator.main, Emulator.touch));
  else SetLeft(ReturnEmulatorToLeftEdge(Emulator.main));
}

void TForm1::miVertAlignClick(TObject*) {
  Toggle(*miVertAlign);
  SetTop(VerticalAlignTop(miVertAlign->Checked(), miNoBorder->Checked()));
}

void TForm1::miNoBorderClick(TObject*) {
  Toggle(*miNoBorder);
  bool active = GetForegroundWindow() == Handle();
  SetBorderStyle(miNoBorder->Checked() ? classlib::TFormBorderStyle::bsNone
                                       : classlib::TFormBorderStyle::bsSizeable);
  // The new style gives the form a new window; it keeps the keyboard if it had it.
  if (active) SetForegroundWindow(Handle());
  if (miVertAlign->Checked()) SetTop(VerticalAlignTop(true, miNoBorder->Checked()));
  LayoutScreens();
}

void TForm1::miHideTaskbarClick(TObject*) {
  Toggle(*miHideTaskbar);
  ShowTaskbar(!miHideTaskbar->Checked());
}

void TForm1::ApplyAutoAlign() {
  AutoAlignSteps steps = CheckAutoAlign(GetSystemMetrics(SM_CXSCREEN),
                                        GetSystemMetrics(SM_CYSCREEN), ClientWidth(),
                                        ClientHeight());
  if (steps.horizontal) {
    if (!miNoBorder->Checked()) miNoBorderClick(miNoBorder);
    miHorzAlign->SetChecked(false);
    miHorzAlignClick(miHorzAlign);
  }
  if (steps.vertical) {
    if (!miHideTaskbar->Checked()) miHideTaskbarClick(miHideTaskbar);
    if (!miVertAlign->Checked()) miVertAlignClick(miVertAlign);
  }
}

void TForm1::miAutoAlignClick(TObject*) {
  Toggle(*miAutoAlign);
  if (miAutoAlign->Checked()) ApplyAutoAlign();
}

void TForm1::miAboutClick(TObject*) {
  MessageBoxW(Handle(), L"Panoptil 放大镜 2.0 版", classlib::Application->Title.c_str(), MB_OK);
}

void TForm1::About1Click(TObject*) { Close(); }

}  // namespace panoptil
