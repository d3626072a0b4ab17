#include "brisklens-gl/unit1.h"
#include "brisklens-gl/unit3.h"
#include "viewer/line_list.h"

namespace brisklens_gl {

using namespace classlib;

void TForm1::ReadMenuTextFile() {
  if (auto lines = viewer::ReadLineList(L".\\Menu.txt", kMenuTextLineCount)) ApplyMenuText(*lines);
}

// Every line there is applies; a short or damaged file leaves the rest as it was.
void TForm1::ReadSettingsFile() {
  auto lines = viewer::ReadLineList(L".\\Set.conf", kSettingsLineCount);
  if (!lines) return;
  ViewerSettings settings = CurrentSettings();
  ReadSettingsLines(*lines, settings);
  ApplySettings(settings);
}

void TForm1::WriteSettingsFile() {
  viewer::WriteLineList(L"./Set.conf", SettingsLines(CurrentSettings()));
}

ViewerSettings TForm1::CurrentSettings() const {
  ViewerSettings s;
  s.main_left = Left();
  s.main_top = Top();
  s.second_left = Form3->Left();
  s.second_top = Form3->Top();
  s.double_monitor = !SingleMon->Checked();
  s.double_screen = DoubleScr->Checked();
  s.resolution = viewer::CheckedIndex(ResolutionItems());
  s.rotation = viewer::CheckedIndex(RotationItems());
  s.cursor_on = CursorON->Checked();
  s.speed = viewer::CheckedIndex(SpeedItems());
  s.border = viewer::CheckedIndex(BorderItems());
  s.hide_emulator = GlMenu::Hide->Checked();
  s.dock_side = DockSide;
  return s;
}

// Applied in the order of the file's lines onto the start-up state; what the start-up
// state holds already changes nothing.
void TForm1::ApplySettings(const ViewerSettings& s) {
  SetBounds(s.main_left, s.main_top, Width(), Height());
  Form3->SetBounds(s.second_left, s.second_top, Form3->Width(), Form3->Height());
  if (s.double_monitor) DoubleMon->SetChecked(true);
  if (!s.double_screen) {
    Form3->Close();
    SingleScr->SetChecked(true);
    ChangeScr->SetEnabled(true);
  }
  ResolutionItems()[size_t(s.resolution)]->SetChecked(true);
  ResolutionIndex = s.resolution;
  RotationItems()[size_t(s.rotation)]->SetChecked(true);
  PresetIndex = s.rotation;
  if (!s.cursor_on) CursorOFF->SetChecked(true);
  SpeedItems()[size_t(s.speed)]->SetChecked(true);
  PassDelay = PassDelayOfSpeed(s.speed);
  if (s.border != 0) {
    BorderItems()[size_t(s.border)]->SetChecked(true);
    SetBorderStyleInPlace(TFormBorderStyle::bsNone);
    PresetIndex = PresetOf(s.rotation, s.border == 2);
  }
  if (s.hide_emulator) GlMenu::Hide->SetChecked(true);
  DockSide = s.dock_side;
}

}  // namespace brisklens_gl
