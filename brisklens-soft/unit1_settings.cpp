#include "brisklens-soft/settings.h"
#include "brisklens-soft/unit1.h"
#include "brisklens-soft/unit2.h"
#include "viewer/line_list.h"

namespace brisklens_soft {

using namespace classlib;

namespace {

// True when some monitor shows part of a window of `width` x `height` at (left, top).
bool OnSomeMonitor(int left, int top, int width, int height) {
  const RECT place = {left, top, left + width, top + height};
  return MonitorFromRect(&place, MONITOR_DEFAULTTONULL) != nullptr;
}

}  // namespace

void TForm1::ReadMenuTextFile() { ReadMenuText(L".\\MenuSoft.txt"); }

// Every line there is applies; a short or damaged file leaves the rest as it was.
void TForm1::ReadSettingsFile() {
  const viewer::SettingsFormat& format = SoftSettingsFormat();
  auto lines = viewer::ReadLineList(L".\\SetSoft.conf", format.LineCount());
  if (!lines) return;
  viewer::StoredSettings settings = CurrentSettings();
  viewer::ReadSettingsLines(format, *lines, settings);
  ApplySettings(settings);
}

void TForm1::WriteSettingsFile() {
  viewer::WriteLineList(L"./SetSoft.conf",
                        viewer::SettingsLines(SoftSettingsFormat(), CurrentSettings()));
}

viewer::StoredSettings TForm1::CurrentSettings() const {
  viewer::StoredSettings settings;
  settings.positions = {Left(), Top(), Form2->Left(), Form2->Top()};
  for (const std::vector<TMenuItem*>& group : SettingsGroups())
    settings.words.push_back(viewer::CheckedIndex(group));
  settings.words.push_back(DockSide);
  return settings;
}

// A window that no monitor would show keeps where it is: a position the file holds for a
// monitor no longer attached, or a damaged one, cannot lose the window off every screen.
void TForm1::ApplyPositions(const viewer::StoredSettings& s) {
  const auto& p = s.positions;
  if (OnSomeMonitor(p[0], p[1], Width(), Height())) SetBounds(p[0], p[1], Width(), Height());
  if (OnSomeMonitor(p[2], p[3], Form2->Width(), Form2->Height()))
    Form2->SetBounds(p[2], p[3], Form2->Width(), Form2->Height());
}

// Applied in the order of the file's lines onto the start-up state; what the start-up
// state holds already changes nothing.
void TForm1::ApplySettings(const viewer::StoredSettings& s) {
  ApplyPositions(s);
  const std::vector<int>& word = s.words;
  if (word[kMonitorLine] == 1) DoubleMon->SetChecked(true);
  if (word[kScreenLine] == 0) {
    Form2->Hide();
    SingleScr->SetChecked(true);
    ZoomMode->SetEnabled(true);
  }
  if (word[kFilterLine] != 0) {
    SetCaptureFilter(word[kFilterLine]);
    FilterItems()[size_t(word[kFilterLine])]->SetChecked(true);
  }
  ResolutionItems()[size_t(word[kResolutionLine])]->SetChecked(true);
  ResolutionIndex = word[kResolutionLine];
  if (word[kRotationLine] != 0) {
    RotationItems()[size_t(word[kRotationLine])]->SetChecked(true);
    Filter->SetEnabled(false);
  }
  if (word[kCursorLine] == 1) CursorOFF->SetChecked(true);
  ChooseSpeed(word[kSpeedLine]);
  if (word[kEmulatorLine] == 1) AlphaOn->SetChecked(true);
  if (word[kBorderLine] != 0) {
    SetBorderStyleInPlace(TFormBorderStyle::bsNone);
    BorderItems()[size_t(word[kBorderLine])]->SetChecked(true);
    SetBorderFrame(word[kBorderLine]);
  }
  DockSide = word[kDockLine];
}

}  // namespace brisklens_soft
