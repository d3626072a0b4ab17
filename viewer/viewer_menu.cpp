#include "viewer/viewer_menu.h"

#include "viewer/line_list.h"

namespace viewer {

void TViewerMenu::CheckStartupItems() {
  for (TMenuItem* item : {SingleMon, DoubleScr, DownScr, N1280800, NormalItem, CursorON, N60fps,
                          have, ShowItem})
    item->SetChecked(true);
  ScreenChoice->SetEnabled(false);
}

Rotation TViewerMenu::CheckedRotation() const {
  if (RotateLeft->Checked()) return Rotation::Left;
  if (RotateRight->Checked()) return Rotation::Right;
  return Rotation::Normal;
}

LayoutChoice TViewerMenu::CheckedLayout(int resolution_index) const {
  LayoutChoice choice;
  choice.double_monitor = DoubleMon->Checked();
  choice.double_screen = DoubleScr->Checked();
  choice.rotated = CheckedRotation() != Rotation::Normal;
  choice.resolution_index = resolution_index;
  return choice;
}

void TViewerMenu::ApplyMenuText(const std::vector<std::wstring>& lines) {
  const std::vector<TMenuItem*> items = MenuTextItems();
  for (size_t k = 0; k < items.size() && k < lines.size(); ++k) items[k]->SetCaption(lines[k]);
}

void TViewerMenu::ReadMenuText(const std::wstring& path) {
  if (auto lines = ReadLineList(path, MenuTextItems().size())) ApplyMenuText(*lines);
}

void TViewerMenu::AddResSubmenu(RadioMenuBuilder& menu, const wchar_t* caption) {
  Res = menu.AddSubmenu(L"Res", caption);
  N800600 = menu.AddRadioItem(Res, L"N800600", L"800x600");
  N1024768 = menu.AddRadioItem(Res, L"N1024768", L"1024x768");
  N1280800 = menu.AddRadioItem(Res, L"N1280800", L"1280x800");
  N12801024 = menu.AddRadioItem(Res, L"N12801024", L"1280x1024");
}

void TViewerMenu::AddSkipSubmenu(RadioMenuBuilder& menu) {
  Skip = menu.AddSubmenu(L"Skip", L"刷新速度");
  NoSkip = menu.AddRadioItem(Skip, L"NoSkip", L"和模拟器同步");
  N60fps = menu.AddRadioItem(Skip, L"N60fps", L"60FPS");
  N50fps = menu.AddRadioItem(Skip, L"N50fps", L"50FPS");
  N40fps = menu.AddRadioItem(Skip, L"N40fps", L"40FPS");
  N30fps = menu.AddRadioItem(Skip, L"N30fps", L"30FPS");
  N25fps = menu.AddRadioItem(Skip, L"N25fps", L"25FPS");
  N20fps = menu.AddRadioItem(Skip, L"N20fps", L"20FPS");
}

SettingsLine TViewerMenu::CommonLine(SettingKind kind) const {
  switch (kind) {
    case SettingKind::Monitors: return {kind, {L"sm", L"dm"}, {SingleMon, DoubleMon}};
    case SettingKind::Screens: return {kind, {L"sss", L"ddd"}, {SingleScr, DoubleScr}};
    case SettingKind::Resolution:
      return {kind, {L"800", L"1024", L"1280800", L"12801024"}, ResolutionItems()};
    case SettingKind::Rotation: return {kind, {L"normal", L"left", L"right"}, RotationItems()};
    case SettingKind::Cursor: return {kind, {L"cursor", L"nocursor"}, {CursorON, CursorOFF}};
    case SettingKind::Speed:
      return {kind, {L"noskip", L"60", L"50", L"40", L"30", L"25", L"20"}, SpeedItems()};
    case SettingKind::Emulator: return {kind, {L"show", L"hide"}, {ShowItem, HideItem}};
    case SettingKind::DockSide: return {kind, {L"top", L"down", L"left", L"right"}, {}};
    default: return {kind, {}, {}};
  }
}

SettingsLine TViewerMenu::BorderLine(const wchar_t* bordered_word) const {
  return {SettingKind::Border, {bordered_word, L"none", L"noneall"}, BorderItems()};
}

}  // namespace viewer
