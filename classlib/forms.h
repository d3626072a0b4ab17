// Forms (top-level windows with their events) and the application object that creates
// them, runs the message loop with its idle event and reports errors in message boxes.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/controls.h"

namespace classlib {

class TPopupMenu;

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };
enum TBorderIcon : unsigned { biSystemMenu = 1u << 0, biMinimize = 1u << 1, biMaximize = 1u << 2 };
using TBorderIcons = unsigned;
enum class TPosition { poDesigned, poScreenCenter };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;

using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;

class TForm : public TControl {
 public:
  // `class_name` is the window class of the form (its own class name, "TForm1" for
  // example). The form starts hidden, bordered (bsSizeable) with all border icons, at
  // its design bounds.
  explicit TForm(const std::wstring& class_name, int left = 0, int top = 0, int width = 320,
                 int height = 240);
  ~TForm() override;

  std::wstring Caption() const;
  void SetCaption(const std::wstring& caption);
  TFormBorderStyle BorderStyle() const { return border_style_; }
  // A new style rebuilds the window (a new handle); the outer bounds stay. (A main form
  // that owns the other forms sets it before they are made, or changes it in place: its
  // old window would take theirs with it.)
  void SetBorderStyle(TFormBorderStyle style);
  // A new style changes the frame of the window as it is: the handle, and what is bound
  // to it (device contexts, rendering contexts), stays; the outer bounds stay and the
  // client area takes what the new frame leaves.
  void SetBorderStyleInPlace(TFormBorderStyle style);
  TBorderIcons BorderIcons() const { return border_icons_; }
  void SetBorderIcons(TBorderIcons icons);

  void SetClientWidth(int width) { SetClientSize(width, ClientHeight()); }
  void SetClientHeight(int height) { SetClientSize(ClientWidth(), height); }
  void SetClientSize(int width, int height);

  // The font of the form and of its controls.
  void SetFont(const std::wstring& name, int height);
  HFONT Font() const override { return font_; }

  // Showing fires OnShow first and centres the form on its first showing when Position
  // is poScreenCenter.
  void SetVisible(bool visible) override;
  // Fires OnClose; unless it answers caNone the form hides, or, the main form, ends the
  // application. A modal form gets mrCancel instead.
  void Close();
  // Shows the form with the other windows of the application disabled and runs messages
  // (and the idle event) until ModalResult is set; returns it.
  TModalResult ShowModal();
  TModalResult ModalResult() const { return modal_result_; }
  void SetModalResult(TModalResult result) { modal_result_ = result; }

  // Tells the form's controls that they are set up (Loaded), then fires OnCreate; the
  // application calls it once the form is constructed.
  void DoCreate();

  TPosition Position = TPosition::poDesigned;
  // Snaps the window's edges to the work area when they come within SnapBuffer pixels.
  bool ScreenSnap = false;
  int SnapBuffer = 10;
  // Opens on a right click anywhere on the form (WM_CONTEXTMENU).
  TPopupMenu* PopupMenu = nullptr;

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnActivate;
  TCloseEvent OnClose;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;

 protected:
  void WndProc(TMessage& message) override;

 private:
  void UpdateStyleSpec();
  void SnapToWorkArea(WINDOWPOS& position) const;
  void HandleKey(TMessage& message, const TKeyEvent& event);
  void CenterOnScreen();

  TFormBorderStyle border_style_ = TFormBorderStyle::bsSizeable;
  TBorderIcons border_icons_ = biSystemMenu | biMinimize | biMaximize;
  bool main_form_ = false;
  bool shown_once_ = false;
  bool modal_ = false;
  TModalResult modal_result_ = mrNone;
  HFONT font_ = nullptr;
};

class TApplication : public TObject {
 public:
  TApplication();
  ~TApplication() override;

  void Initialize() {}
  // Constructs a form of class T, stores it in `reference`, then fires its OnCreate. The
  // first form created is the main form.
  template <class T>
  void CreateForm(T*& reference) {
    creating_main_form_ = main_form_ == nullptr;
    T* form = new T();
    creating_main_form_ = false;
    forms_.emplace_back(form);
    reference = form;
    if (!main_form_) main_form_ = form;
    form->DoCreate();
  }
  // Shows the main form (and the application's window when that has the task-bar button)
  // and handles messages until the application ends.
  void Run();
  // Handles one message, or, with none waiting, runs the idle event and, if it is done,
  // waits for the next message.
  void HandleMessage();
  void ProcessMessages();
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Frees the forms, the last created first.
  void DestroyForms();
  // Lets go of the forms and of the application's window without taking them down, for a
  // program that ends its process next and leaves its windows to the system: afterwards
  // the application holds nothing, so its destructor, one of the C runtime's exit
  // functions, has nothing left to do. The forms stay alive, since their windows do.
  void LeaveFormsToSystem();

  TForm* MainForm() const { return main_form_; }
  bool CreatingMainForm() const { return creating_main_form_; }
  // The application's own top-level window, captioned Title: hidden while the main form
  // has the task-bar button, else shown (with no size) to carry it.
  HWND Handle();
  // The window that owns a form: none for the main form with the task-bar button, which
  // owns the other forms itself, so that they go and come back with it when it is
  // minimised and restored; else the application's window, the main form included.
  HWND FormOwner(bool main_form);

  // With the task-bar button the application's: hides every form that shows and minimises
  // the application's window; Restore restores the window. When the window leaves the
  // minimised state, by Restore or any other way, the forms Minimize hid show again, as
  // they were, and the form that was active is again. The main form's minimise command
  // minimises so, and the button's own minimise and restore do the same.
  void Minimize();
  void Restore();

  // Shows the exception being handled in a message box (the default handler).
  void HandleException();
  void ShowException(const std::wstring& message);

  std::wstring Title;
  // Where the task-bar button is: true (the default), the main form's own; false, the
  // application window's (set before the main form is created).
  bool MainFormOnTaskBar = true;
  // Called when no message is waiting; `done` is true on entry, false asks for another
  // call as soon as no message is waiting.
  std::function<void(TObject* sender, bool& done)> OnIdle;

 private:
  bool ProcessMessage();
  void Idle();
  static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam);
  void ShowMinimizedForms();

  std::vector<std::unique_ptr<TForm>> forms_;
  TForm* main_form_ = nullptr;
  bool creating_main_form_ = false;
  bool terminated_ = false;
  HWND handle_ = nullptr;
  std::vector<HWND> minimized_forms_;  // the forms Minimize hid
  HWND minimized_active_ = nullptr;    // and the window active before
  bool minimized_ = false;             // the application's window, at its last change
};

extern TApplication* const Application;

}  // namespace classlib
