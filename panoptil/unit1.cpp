// The form, its components and popup menu, start-up, the timers, painting and layout.
#include "panoptil/unit1.h"

#include "panoptil/screenshot.h"
#include "panoptil/taskbar.h"
#include "panoptil/views.h"

namespace panoptil {
namespace {

// The screens' places in the emulator's client area.
constexpr int kTopSourceX = 7, kTopSourceY = 7;
constexpr int kTouchSourceX = 7, kTouchSourceY = 208;

const int kRefreshRates[] = {100, 60, 50, 40, 30, 25, 20, 15, 10, 8, 6, 5, 4, 3, 2, 1};
constexpr int kDefaultRate = 4;
const int kZoomTags[] = {20, 21, 22, 30, 31, 32, 40, 41};
constexpr int kDefaultZoomTag = 20;
constexpr int kZoomGroup = 1;

TMenuItem* FirstChecked(const TMenuItem& parent) {
  for (int i = 0; i < parent.Count(); ++i)
    if (parent.Items(i)->Checked()) return parent.Items(i);
  return parent.Count() > 0 ? parent.Items(0) : nullptr;
}

}  // namespace

TForm1::TForm1() : TForm(L"TForm1", 200, 120) {
  SetCaption(L"Panoptil");
  SetBorderIcons(classlib::biSystemMenu | classlib::biMinimize);
  SetClientSize(508, 380);  // replaced by the layout at once
  CreateComponents();
  CreateMenu();
  PopupMenu = PopupMenu1.get();
  OnCreate = [this](TObject* sender) { FormCreate(sender); };
  OnShow = [this](TObject* sender) { FormShow(sender); };
  OnClose = [this](TObject* sender, classlib::TCloseAction& action) { FormClose(sender, action); };
  OnMouseWheelUp = [this](TObject* sender, classlib::TShiftState shift, POINT at, bool& handled) {
    FormMouseWheelUp(sender, shift, at, handled);
  };
  OnMouseWheelDown = [this](TObject* sender, classlib::TShiftState shift, POINT at,
                            bool& handled) { FormMouseWheelDown(sender, shift, at, handled); };
}

void TForm1::CreateComponents() {
  PtxTouch_ = std::make_unique<classlib::TPaintBox>(this);
  PtxStatic_ = std::make_unique<classlib::TPaintBox>(this);
  PtxTouch = PtxTouch_.get();
  PtxStatic = PtxStatic_.get();
  PtxTouch->OnPaint = [this](TObject* sender) { PtxTouchPaint(sender); };
  PtxStatic->OnPaint = [this](TObject* sender) { PtxStaticPaint(sender); };
  Timer1 = std::make_unique<classlib::TTimer>();
  Timer1->SetEnabled(false);
  Timer1->SetInterval(100);
  Timer1->OnTimer = [this](TObject* sender) { Timer1Timer(sender); };
  Timer2 = std::make_unique<classlib::TTimer>();
  Timer2->SetEnabled(false);
  Timer2->SetInterval(100);
  Timer2->OnTimer = [this](TObject* sender) { Timer2Timer(sender); };
}

TMenuItem* TForm1::AddItem(TMenuItem& parent, const std::wstring& caption,
                           void (TForm1::*handler)(TObject*)) {
  TMenuItem* item = parent.Add(caption);
  if (handler) item->OnClick = [this, handler](TObject* sender) { (this->*handler)(sender); };
  return item;
}

void TForm1::CreateMenu() {
  PopupMenu1 = std::make_unique<classlib::TPopupMenu>(this);
  TMenuItem& items = PopupMenu1->Items();
  miRefresh = AddItem(items, L"刷新率", nullptr);
  for (int rate : kRefreshRates) {
    TMenuItem* item = AddItem(*miRefresh, std::to_wstring(rate), &TForm1::N101Click);
    item->Tag = rate;
    item->SetRadioItem(true);
    item->SetChecked(rate == kDefaultRate);
  }
  miStopRefresh1 = AddItem(items, L"暂停刷新(&P)", &TForm1::miStopRefresh1Click);
  AddItem(items, L"-", nullptr);
  miRotate = AddItem(items, L"旋转屏幕(&R)", &TForm1::miRotateClick);
  miScaleMode = AddItem(items, L"放大模式", nullptr);
  for (int tag : kZoomTags) {
    TMenuItem* item = AddItem(
        *miScaleMode, std::to_wstring(tag / 10) + L":" + std::to_wstring(tag % 10),
        &TForm1::N202Click);
    item->Tag = tag;
    item->SetRadioItem(true);
    item->SetGroupIndex(kZoomGroup);
    item->SetChecked(tag == kDefaultZoomTag);
  }
  AddItem(items, L"-", nullptr);
  miHorzAlign = AddItem(items, L"水平对齐(&H)", &TForm1::miHorzAlignClick);
  miVertAlign = AddItem(items, L"垂直对齐(&V)", &TForm1::miVertAlignClick);
  miNoBorder = AddItem(items, L"隐藏边框(&B)", &TForm1::miNoBorderClick);
  miHideTaskbar = AddItem(items, L"隐藏任务栏(&T)", &TForm1::miHideTaskbarClick);
  miAutoAlign = AddItem(items, L"自动对齐(&A)", &TForm1::miAutoAlignClick);
  miAutoAlign->SetChecked(true);
  AddItem(items, L"-", nullptr);
  miAbout = AddItem(items, L"关于...", &TForm1::miAboutClick);
  AddItem(items, L"-", nullptr);
  About1 = AddItem(items, L"退出程序(&X)", &TForm1::About1Click);
}

void TForm1::FormCreate(TObject*) {
  LastShotTick = 0;
  PictureFolder = GetShellFolder(L"My Pictures");
  form_previous_proc_ = WindowProc;
  WindowProc = [this](TMessage& message) { FormMessageHook(message); };
  touch_previous_proc_ = PtxTouch->WindowProc;
  PtxTouch->WindowProc = [this](TMessage& message) { TouchMessageHook(message); };

  Rotated = false;
  miRotate->SetChecked(false);
  Timer1->SetInterval(UINT(RefreshInterval(FirstChecked(*miRefresh)->Tag)));
  if (FindEmulator(Emulator)) Timer1->SetEnabled(true);
  else Timer2->SetEnabled(true);
  LayoutScreens();
}

void TForm1::FormShow(TObject*) {
  if (!Emulator.main) StartEmulatorIfPresent();
}

void TForm1::FormClose(TObject*, classlib::TCloseAction&) { Timer1->SetEnabled(false); }

TForm1::~TForm1() {
  // FormDestroy. The hooks go first: they use components that are about to go.
  WindowProc = form_previous_proc_ ? form_previous_proc_ : WindowProc;
  if (touch_previous_proc_) PtxTouch->WindowProc = touch_previous_proc_;
  if (Emulator.dc) ReleaseDC(Emulator.main, Emulator.dc);
  Emulator.dc = nullptr;
  if (miHideTaskbar->Checked()) miHideTaskbarClick(miHideTaskbar);
}

void TForm1::Timer2Timer(TObject*) {
  if (!FindEmulator(Emulator)) return;
  Timer2->SetEnabled(false);
  Timer1->SetEnabled(true);
}

void TForm1::Timer1Timer(TObject*) {
  PtxTouchPaint(PtxTouch);
  PtxStaticPaint(PtxStatic);
}

void TForm1::PaintBox(classlib::TPaintBox& box, int source_x, int source_y) {
  PaintScreen(box.Canvas().Handle(), box.Width(), box.Height(), Emulator.dc, source_x,
              source_y, Rotated, RotationTransform);
}

void TForm1::PtxTouchPaint(TObject*) { PaintBox(*PtxTouch, kTouchSourceX, kTouchSourceY); }

void TForm1::PtxStaticPaint(TObject*) { PaintBox(*PtxStatic, kTopSourceX, kTopSourceY); }

void TForm1::LayoutScreens() {
  TMenuItem* zoom = FirstChecked(*miScaleMode);
  ScreenLayout layout = ComputeLayout(zoom ? zoom->Tag : kDefaultZoomTag, Rotated, TouchLarge);
  SetClientSize(layout.client_width, layout.client_height);
  TouchScaleX = TouchScaleY = layout.touch_factor;
  const BoxBounds& top = layout.static_box;
  const BoxBounds& touch = layout.touch_box;
  PtxStatic->SetBounds(top.left, top.top, top.width, top.height);
  PtxTouch->SetBounds(touch.left, touch.top, touch.width, touch.height);
  if (miAutoAlign->Checked()) ApplyAutoAlign();
}

void TForm1::FormMouseWheelUp(TObject*, classlib::TShiftState, POINT, bool&) {
  if (TouchLarge) return;
  TouchLarge = true;
  LayoutScreens();
}

void TForm1::FormMouseWheelDown(TObject*, classlib::TShiftState, POINT, bool&) {
  if (!TouchLarge) return;
  TouchLarge = false;
  LayoutScreens();
}

void TForm1::N202Click(TObject* sender) {
  static_cast<TMenuItem*>(sender)->SetChecked(true);
  LayoutScreens();
}

void TForm1::N101Click(TObject* sender) {
  auto* item = static_cast<TMenuItem*>(sender);
  item->SetChecked(true);
  Timer1->SetInterval(UINT(RefreshInterval(item->Tag)));
}

void TForm1::miStopRefresh1Click(TObject*) {
  Toggle(*miStopRefresh1);
  Timer1->SetEnabled(!miStopRefresh1->Checked());
}

void TForm1::miRotateClick(TObject*) {
  Toggle(*miRotate);
  Rotated = miRotate->Checked();
  if (Rotated) RotationTransform = MakeRotationTransform();
  LayoutScreens();
}

}  // namespace panoptil
