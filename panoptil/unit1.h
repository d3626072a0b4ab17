// The magnifier's one form: two paint boxes that show the emulator's top and touch screens
// enlarged, a refresh timer and an emulator search timer, and the popup menu of rates, zoom
// modes, rotation, alignment, border, taskbar, about and exit.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "panoptil/emulator.h"
#include "classlib/forms.h"
#include "classlib/menus.h"
#include "classlib/paintbox.h"
#include "classlib/timer.h"

namespace panoptil {

using classlib::TMenuItem;
using classlib::TMessage;
using classlib::TObject;

// Turns a check item's check over, as the check items' handlers do first.
inline void Toggle(TMenuItem& item) { item.SetChecked(!item.Checked()); }

class TForm1 : public classlib::TForm {
 public:
  TForm1();
  ~TForm1() override;  // FormDestroy

  // Components, as the form description lays them out.
  classlib::TPaintBox* PtxTouch = nullptr;
  classlib::TPaintBox* PtxStatic = nullptr;
  std::unique_ptr<classlib::TTimer> Timer1;  // refresh
  std::unique_ptr<classlib::TTimer> Timer2;  // emulator search
  std::unique_ptr<classlib::TPopupMenu> PopupMenu1;
  TMenuItem* miRefresh = nullptr;
  TMenuItem* miStopRefresh1 = nullptr;
  TMenuItem* miRotate = nullptr;
  TMenuItem* miScaleMode = nullptr;
  TMenuItem* miHorzAlign = nullptr;
  TMenuItem* miVertAlign = nullptr;
  TMenuItem* miNoBorder = nullptr;
  TMenuItem* miHideTaskbar = nullptr;
  TMenuItem* miAutoAlign = nullptr;
  TMenuItem* miAbout = nullptr;
  TMenuItem* About1 = nullptr;

  // View state (read by the tests of the layout through the window itself).
  EmulatorWindows Emulator;
  bool Rotated = false;
  bool TouchLarge = false;
  XFORM RotationTransform = {};
  int TouchScaleX = 0, TouchScaleY = 0;

  // Input and screenshot state.
  bool TouchDown = false;
  std::wstring PictureFolder;
  DWORD LastShotTick = 0;

  void LayoutScreens();
  void ApplyAutoAlign();

  // Event handlers.
  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  void FormClose(TObject* sender, classlib::TCloseAction& action);
  void FormMouseWheelUp(TObject* sender, classlib::TShiftState shift, POINT mouse_pos,
                        bool& handled);
  void FormMouseWheelDown(TObject* sender, classlib::TShiftState shift, POINT mouse_pos,
                          bool& handled);
  void Timer1Timer(TObject* sender);
  void Timer2Timer(TObject* sender);
  void PtxTouchPaint(TObject* sender);
  void PtxStaticPaint(TObject* sender);
  void N101Click(TObject* sender);
  void N202Click(TObject* sender);
  void miRotateClick(TObject* sender);
  void miStopRefresh1Click(TObject* sender);
  void miHorzAlignClick(TObject* sender);
  void miVertAlignClick(TObject* sender);
  void miNoBorderClick(TObject* sender);
  void miHideTaskbarClick(TObject* sender);
  void miAutoAlignClick(TObject* sender);
  void miAboutClick(TObject* sender);
  void About1Click(TObject* sender);

 protected:
  // The form's own handling: WM_NCHITTEST goes to BlockBorderSizing.
  void WndProc(TMessage& message) override;

 private:
  void CreateComponents();
  void CreateMenu();
  // Menu items in the menu's order; `handler` is a member of this form.
  TMenuItem* AddItem(TMenuItem& parent, const std::wstring& caption,
                     void (TForm1::*handler)(TObject*));
  void PaintBox(classlib::TPaintBox& box, int source_x, int source_y);

  // Message hooks.
  void TouchMessageHook(TMessage& message);
  void FormMessageHook(TMessage& message);
  void BlockBorderSizing(TMessage& message);
  void TakeShot();

  std::unique_ptr<classlib::TPaintBox> PtxTouch_, PtxStatic_;
  classlib::TWndMethod touch_previous_proc_;
  classlib::TWndMethod form_previous_proc_;
};

}  // namespace panoptil
