#include "viewer/viewer_form.h"

#include <cstdlib>

#include "classlib/sysutils.h"
#include "viewer/line_list.h"
#include "viewer/mouse_binding.h"

namespace viewer {

using namespace classlib;

TViewerForm::TViewerForm(const wchar_t* class_name, const TViewerDesign& design)
    : TForm(class_name),
      ScreenOffset(design.lower_screen_offset),
      PassDelay(design.pass_delays[1]),  // N60fps is checked at start
      design_(design) {
  SetCaption(design.caption);
  SetBorderStyle(TFormBorderStyle::bsSingle);
  SetBorderIcons(biSystemMenu | biMinimize);
  Position = TPosition::poScreenCenter;
  ScreenSnap = true;
  SetFont(design.font_name, -11);
  OnCreate = [this](TObject* sender) { FormCreate(sender); };
  OnShow = [this](TObject* sender) { FormShow(sender); };
  OnActivate = [this](TObject* sender) { FormActivate(sender); };
  OnClose = [this](TObject* sender, TCloseAction& action) { FormClose(sender, action); };
  OnKeyDown = [this](TObject* s, WORD& key, TShiftState sh) { FormKeyDown(s, key, sh); };
  OnKeyUp = [this](TObject* s, WORD& key, TShiftState sh) { FormKeyUp(s, key, sh); };
  BindFormMouseHandlers(*this);
}

void TViewerForm::FormCreate(TObject*) {
  if (FileExists(design_.menu_text_file)) Menu().ReadMenuText(design_.menu_text_file);
  Menu().CheckStartupItems();
  BindCanvasToScreen();
  // The start-up layout: two screens on one monitor, each window the dual table's entry.
  const LayoutPlan start =
      PlanLayout(Menu().CheckedLayout(ResolutionIndex), SingleSizeTable, DualSizeTable);
  SetClientSize(start.main_client.cx, start.main_client.cy);
  ScaleX = start.scale_x;
  ScaleY = start.scale_y;
  CreatePictureResources();
  AllocateCaptionBuffer();
  FindRunningEmulator();
}

// The second window shows first; the idle handler comes last, once everything it uses is
// in place.
void TViewerForm::FormShow(TObject*) {
  SecondWindow().Show();
  StartPictures();
  CursorOffsetX = OffsetDialog().XCorrection;
  CursorOffsetY = OffsetDialog().YCorrection;
  Application->OnIdle = [this](TObject* sender, bool& done) { AppIdle(sender, done); };
}

void TViewerForm::FormActivate(TObject*) {
  if (!FirstActivation) return;
  const TSecondWindow& second = SecondWindow();
  SetBounds(second.Left(), second.Top() + second.Height(), Width(), Height());
  FirstActivation = false;
  if (FileExists(design_.settings_file)) ReadSettingsFile();
  ApplyLayout();
  // A file of one screen closes the second window only now, once the layout has docked
  // it: hiding can take the system a while, and the window is not to be seen hidden
  // anywhere but on its side of the main window.
  if (Menu().SingleScr->Checked()) CloseSecondWindow();
  if (!EmulatorWindow) StartEmulator();
}

void TViewerForm::FormClose(TObject*, TCloseAction&) {
  if (closed_) return;
  closed_ = true;
  if (EmulatorHidden) RestoreEmulatorWindow();
  ReleaseEmulatorCanvas();
  FreePictureResources();
  WriteSettingsFile();
}

void TViewerForm::AppIdle(TObject*, bool& done) {
  done = false;
  if (closed_) return;
  RenderPass();
  if (Menu().DoubleScr->Checked() && SecondWindow().Dragging)
    SnapToSecondWindow(*this, SecondWindow(), DockSide);
  Sleep(DWORD(PassDelay));
}

void TViewerForm::CheckEmulatorAlive() {
  if (!MatchesEmulatorCaption(EmulatorWindow)) Close();
}

void TViewerForm::DockSecondWindow() { viewer::DockSecondWindow(*this, SecondWindow(), DockSide); }

void TViewerForm::WMWindowPosChanged(TMessage& message) {
  TForm::WndProc(message);  // the bounds follow the window first
  const WINDOWPOS& position = *reinterpret_cast<const WINDOWPOS*>(message.LParam);
  const bool moved = (position.flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE);
  // While the user holds the second window, the main window follows it (the snap of the
  // frame loop, and then the main window's own snap to the screen's edges): docking would
  // pull the held window out from under the pointer.
  const bool minimized = IsIconic(Handle()) != FALSE;
  if (moved && !FirstActivation && !minimized && !SecondWindow().Dragging) DockSecondWindow();
  // Restored however it was (the restore command, another program's ShowWindow, the
  // system's switch to it), the main window brings back the windows its minimising hid,
  // as the restore command does; a window hidden before (one screen) stays hidden. Wine
  // shows them again on the restore command only.
  if (minimized_ && !minimized) ShowOwnedPopups(Handle(), TRUE);
  minimized_ = minimized;
}

void TViewerForm::WndProc(TMessage& message) {
  if (message.Msg == WM_WINDOWPOSCHANGED) {
    WMWindowPosChanged(message);
    return;
  }
  TForm::WndProc(message);
}

// ---- Input ----

void TViewerForm::FormKeyDown(TObject*, WORD& key, TShiftState) {
  if (ForwardsKey(key)) ForwardKey(KeyWindow, key, false);
}

void TViewerForm::FormKeyUp(TObject*, WORD& key, TShiftState) {
  if (ForwardsKey(key)) ForwardKey(KeyWindow, key, true);
}

// Both buttons drag the window; the left button forwards a touch at the touch-screen
// point of the pointer; a right press alone opens the popup menu.
void TViewerForm::FormMouseDown(TObject*, TMouseButton, TShiftState shift, int x, int y) {
  if ((shift & ssLeft) && (shift & ssRight)) {
    DragOrigin = {x, y};
    Dragging = true;
  }
  if (shift & ssLeft) {
    LastTouchPoint = MapTouchPoint(x, y, ScaleX, ScaleY, Menu().CheckedRotation(),
                                   design_.press_correction);
    ForwardTouch(TouchWindow, WM_LBUTTONDOWN, LastTouchPoint);
  }
  if (!Dragging && (shift & ssRight)) {
    POINT at = {x, y};
    ClientToScreen(Handle(), &at);
    Menu().PopupMenu1.Popup(at.x, at.y);
  }
}

void TViewerForm::FormMouseMove(TObject*, TShiftState shift, int x, int y) {
  if (Dragging) {
    SetBounds(Left() + x - DragOrigin.x, Top() + y - DragOrigin.y, Width(), Height());
    DockSecondWindow();
  }
  if (shift & ssLeft) {
    LastTouchPoint = MapTouchPoint(x, y, ScaleX, ScaleY, Menu().CheckedRotation(), false);
    ForwardTouch(TouchWindow, WM_MOUSEMOVE, LastTouchPoint);
  }
}

// Every release ends the drag and sends a touch release at the last touch point.
void TViewerForm::FormMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  Dragging = false;
  ForwardTouch(TouchWindow, WM_LBUTTONUP, LastTouchPoint);
}

// A drag the mouse was taken from ends as at a release, so that the window does not follow
// the pointer afterwards with no button held. The touch is left to the release as before:
// the popup menu, opened by a press, takes the mouse too.
void TViewerForm::MouseCaptureLost() { Dragging = false; }

// ---- Commands ----

void TViewerForm::BindCommands() {
  TViewerMenu& menu = Menu();
  auto bind = [this](TMenuItem* item, void (TViewerForm::*handler)(TObject*)) {
    BindClick(item, *this, handler);
  };
  bind(menu.SingleMon, &TViewerForm::SingleMonClick);
  bind(menu.DoubleMon, &TViewerForm::DoubleMonClick);
  bind(menu.SingleScr, &TViewerForm::SingleScrClick);
  bind(menu.DoubleScr, &TViewerForm::DoubleScrClick);
  bind(menu.UpScr, &TViewerForm::UpScrClick);
  bind(menu.DownScr, &TViewerForm::DownScrClick);
  bind(menu.N800600, &TViewerForm::N800600Click);
  bind(menu.N1024768, &TViewerForm::N1024768Click);
  bind(menu.N1280800, &TViewerForm::N1280800Click);
  bind(menu.N12801024, &TViewerForm::N12801024Click);
  bind(menu.RotateLeft, &TViewerForm::RotateLeftClick);
  bind(menu.RotateRight, &TViewerForm::RotateRightClick);
  bind(menu.CursorON, &TViewerForm::CursorONClick);
  bind(menu.CursorOFF, &TViewerForm::CursorOFFClick);
  bind(menu.NoSkip, &TViewerForm::NoSkipClick);
  bind(menu.N60fps, &TViewerForm::N60fpsClick);
  bind(menu.N50fps, &TViewerForm::N50fpsClick);
  bind(menu.N40fps, &TViewerForm::N40fpsClick);
  bind(menu.N30fps, &TViewerForm::N30fpsClick);
  bind(menu.N25fps, &TViewerForm::N25fpsClick);
  bind(menu.N20fps, &TViewerForm::N20fpsClick);
  bind(menu.have, &TViewerForm::haveClick);
  bind(menu.none, &TViewerForm::noneClick);
  bind(menu.noneall, &TViewerForm::noneallClick);
}

void TViewerForm::SingleMonClick(TObject*) {
  Menu().SingleMon->SetChecked(true);
  ApplyLayout();
}

void TViewerForm::DoubleMonClick(TObject*) {
  Menu().DoubleMon->SetChecked(true);
  ApplyLayout();
}

void TViewerForm::ShowSecondWindow() { SecondWindow().Show(); }

void TViewerForm::CloseSecondWindow() { SecondWindow().Close(); }

void TViewerForm::SingleScrClick(TObject*) {
  SecondWindow().Close();
  Menu().SingleScr->SetChecked(true);
  Menu().ScreenChoice->SetEnabled(true);
  ApplyLayout();
}

// Two screens always show the lower (touch) screen in the main window.
void TViewerForm::DoubleScrClick(TObject*) {
  ShowSecondWindow();
  Menu().DoubleScr->SetChecked(true);
  Menu().ScreenChoice->SetEnabled(false);
  Menu().DownScr->SetChecked(true);
  ScreenOffset = design_.dual_screen_offset;
  ApplyLayout();
}

void TViewerForm::UpScrClick(TObject*) {
  ScreenOffset = design_.upper_screen_offset;
  Menu().UpScr->SetChecked(true);
}

void TViewerForm::DownScrClick(TObject*) {
  ScreenOffset = design_.lower_screen_offset;
  Menu().DownScr->SetChecked(true);
}

void TViewerForm::ChooseResolution(int index) {
  ResolutionIndex = index;
  ApplyLayout();
  Menu().ResolutionItems()[size_t(index)]->SetChecked(true);
}

void TViewerForm::N800600Click(TObject*) { ChooseResolution(0); }
void TViewerForm::N1024768Click(TObject*) { ChooseResolution(1); }
void TViewerForm::N1280800Click(TObject*) { ChooseResolution(2); }
void TViewerForm::N12801024Click(TObject*) { ChooseResolution(3); }

void TViewerForm::ChooseRotation(int rotation) {
  Menu().RotationItems()[size_t(rotation)]->SetChecked(true);
  RotationChosen(rotation);
  ApplyLayout();
}

void TViewerForm::RotateLeftClick(TObject*) { ChooseRotation(1); }
void TViewerForm::RotateRightClick(TObject*) { ChooseRotation(2); }

void TViewerForm::CursorONClick(TObject*) { Menu().CursorON->SetChecked(true); }
void TViewerForm::CursorOFFClick(TObject*) { Menu().CursorOFF->SetChecked(true); }

// The dialog keeps its corrections between openings; they count only after "OK".
void TViewerForm::ChooseCursorOffsets() {
  if (OffsetDialog().ShowModal() != mrOk) return;
  CursorOffsetX = OffsetDialog().XCorrection;
  CursorOffsetY = OffsetDialog().YCorrection;
}

void TViewerForm::ChooseSpeed(int speed) {
  PassDelay = design_.pass_delays[size_t(speed)];
  Menu().SpeedItems()[size_t(speed)]->SetChecked(true);
}

void TViewerForm::NoSkipClick(TObject*) { ChooseSpeed(0); }
void TViewerForm::N60fpsClick(TObject*) { ChooseSpeed(1); }
void TViewerForm::N50fpsClick(TObject*) { ChooseSpeed(2); }
void TViewerForm::N40fpsClick(TObject*) { ChooseSpeed(3); }
void TViewerForm::N30fpsClick(TObject*) { ChooseSpeed(4); }
void TViewerForm::N25fpsClick(TObject*) { ChooseSpeed(5); }
void TViewerForm::N20fpsClick(TObject*) { ChooseSpeed(6); }

// Hiding and restoring guard themselves: only an attached emulator that is not hidden is
// hidden (one attached later is hidden at attach), only a hidden one is restored.
void TViewerForm::ChooseEmulatorHidden(bool hidden) {
  if (hidden)
    HideEmulatorWindow();
  else
    RestoreEmulatorWindow();
  (hidden ? Menu().HideItem : Menu().ShowItem)->SetChecked(true);
}

// The style changes in place: the window keeps its handle, and what is bound to it.
void TViewerForm::ChooseBorder(int border) {
  Menu().BorderItems()[size_t(border)]->SetChecked(true);
  SetBorderStyleInPlace(border == 0 ? TFormBorderStyle::bsSingle : TFormBorderStyle::bsNone);
  BorderChosen(border);
  ApplyLayout();
}

void TViewerForm::haveClick(TObject*) { ChooseBorder(0); }
void TViewerForm::noneClick(TObject*) { ChooseBorder(1); }
void TViewerForm::noneallClick(TObject*) { ChooseBorder(2); }

// ---- The settings file ----

// Every line there is applies; a short or damaged file leaves the rest as it was.
void TViewerForm::ReadSettingsFile() {
  const SettingsTable table = Menu().SettingsWordLines();
  auto lines = ReadLineList(design_.settings_file, kPositionLineCount + table.size());
  if (!lines) return;
  StoredSettings settings = CurrentSettings();
  ReadSettingsLines(table, design_.convert_position, *lines, settings);
  ApplySettings(settings);
}

void TViewerForm::WriteSettingsFile() {
  WriteLineList(design_.settings_file, SettingsLines(Menu().SettingsWordLines(), CurrentSettings()));
}

StoredSettings TViewerForm::CurrentSettings() const {
  const TSecondWindow& second = SecondWindow();
  StoredSettings settings;
  settings.positions = {Left(), Top(), second.Left(), second.Top()};
  for (const SettingsLine& line : Menu().SettingsWordLines())
    settings.words.push_back(line.group.empty() ? DockSide : CheckedIndex(line.group));
  return settings;
}

namespace {

// True when some monitor shows part of `window` at (left, top).
bool ShownAt(const TForm& window, int left, int top) {
  const RECT place = {left, top, left + window.Width(), top + window.Height()};
  return MonitorFromRect(&place, MONITOR_DEFAULTTONULL) != nullptr;
}

}  // namespace

// A window that no monitor would show keeps where it is: a position the file holds for a
// monitor no longer attached, or a damaged one, cannot lose the window off every screen
// (and be written back so at the end).
void TViewerForm::ApplyPositions(const StoredSettings& settings) {
  const auto& p = settings.positions;
  if (ShownAt(*this, p[0], p[1])) SetBounds(p[0], p[1], Width(), Height());
  TSecondWindow& second = SecondWindow();
  if (ShownAt(second, p[2], p[3])) second.SetBounds(p[2], p[3], second.Width(), second.Height());
}

// Applied in the order of the file's lines onto the start-up state; what the start-up
// state holds already changes nothing.
void TViewerForm::ApplySettings(const StoredSettings& settings) {
  ApplyPositions(settings);
  const SettingsTable table = Menu().SettingsWordLines();
  for (size_t line = 0; line < table.size(); ++line) {
    const int index = settings.words.at(line);
    if (!table[line].group.empty()) table[line].group[size_t(index)]->SetChecked(true);
    ApplySetting(table[line].kind, index);
  }
}

// One screen is chosen here, its window closed after the layout (FormActivate); without a
// border the frame goes at once, the rest of the border's effect is each viewer's.
void TViewerForm::ApplySetting(SettingKind kind, int index) {
  switch (kind) {
    case SettingKind::Screens:
      if (index == 0) Menu().ScreenChoice->SetEnabled(true);
      break;
    case SettingKind::Resolution: ResolutionIndex = index; break;
    case SettingKind::Speed: PassDelay = design_.pass_delays[size_t(index)]; break;
    case SettingKind::Border:
      if (index != 0) SetBorderStyleInPlace(TFormBorderStyle::bsNone);
      break;
    case SettingKind::DockSide: DockSide = index; break;
    default: break;
  }
}

void LeaveViewerWindowsToSystem() { Application->LeaveFormsToSystem(); }

void EndViewerProcess() {
  LeaveViewerWindowsToSystem();
  std::exit(0);
}

}  // namespace viewer
