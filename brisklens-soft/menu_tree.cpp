#include "brisklens-soft/menu_tree.h"

namespace brisklens_soft {

using viewer::SettingKind;

SoftMenu::SoftMenu(classlib::TControl* owner) : TViewerMenu(owner) {
  viewer::RadioMenuBuilder menu(PopupMenu1);
  Monitors = menu.AddSubmenu(L"Monitors", L"显示器数量");
  SingleMon = menu.AddRadioItem(Monitors, L"SingleMon", L"单显示器");
  DoubleMon = menu.AddRadioItem(Monitors, L"DoubleMon", L"多显示器");
  ScrNum = menu.AddSubmenu(L"ScrNum", L"放大模式");
  SingleScr = menu.AddRadioItem(ScrNum, L"SingleScr", L"单屏");
  DoubleScr = menu.AddRadioItem(ScrNum, L"DoubleScr", L"双屏");
  Filter = menu.AddSubmenu(L"Filter", L"滤镜");
  NoneFilter = menu.AddRadioItem(Filter, L"NoneFilter", L"无滤镜");
  FastLinear = menu.AddRadioItem(Filter, L"FastLinear", L"快速线性滤镜");
  ClearLinear = menu.AddRadioItem(Filter, L"ClearLinear", L"较清晰的线性滤镜——很慢 > <");
  ScreenChoice = ZoomMode = menu.AddSubmenu(L"ZoomMode", L"交换上下屏");
  UpScr = menu.AddRadioItem(ZoomMode, L"UpScr", L"上屏");
  DownScr = menu.AddRadioItem(ZoomMode, L"DownScr", L"下屏");
  AddResSubmenu(menu, L"适合的分辨率");
  Rotate = menu.AddSubmenu(L"Rotate", L"旋转画面");
  NormalItem = normal = menu.AddRadioItem(Rotate, L"normal", L"正常");
  RotateLeft = menu.AddRadioItem(Rotate, L"RotateLeft", L"左转");
  RotateRight = menu.AddRadioItem(Rotate, L"RotateRight", L"右转");
  ShowCursor = menu.AddSubmenu(L"ShowCursor", L"光标同步");
  CursorON = menu.AddRadioItem(ShowCursor, L"CursorON", L"开启");
  CursorOFF = menu.AddRadioItem(ShowCursor, L"CursorOFF", L"关闭");
  setting = menu.AddPlainItem(ShowCursor, L"setting", L"调整偏差");
  AddSkipSubmenu(menu);
  Transparent = menu.AddSubmenu(L"Transparent", L"模拟器");
  ShowItem = AlphaOff = menu.AddRadioItem(Transparent, L"AlphaOff", L"不隐藏");
  HideItem = AlphaOn = menu.AddRadioItem(Transparent, L"AlphaOn", L"隐藏");
  Border = menu.AddSubmenu(L"Border", L"边框");
  have = menu.AddRadioItem(Border, L"have", L"有");
  none = menu.AddRadioItem(Border, L"none", L"无");
  noneall = menu.AddRadioItem(Border, L"noneall", L"彻底没有边框");
}

void SoftMenu::CheckStartupItems() {
  TViewerMenu::CheckStartupItems();
  NoneFilter->SetChecked(true);
}

bool SoftMenu::DirectPathChecked() const { return normal->Checked() && NoneFilter->Checked(); }

viewer::SettingsTable SoftMenu::SettingsWordLines() const {
  return {CommonLine(SettingKind::Monitors),
          CommonLine(SettingKind::Screens),
          {SettingKind::Filter, {L"none", L"fast", L"clear"}, FilterItems()},
          CommonLine(SettingKind::Resolution),
          CommonLine(SettingKind::Rotation),
          CommonLine(SettingKind::Cursor),
          CommonLine(SettingKind::Speed),
          CommonLine(SettingKind::Emulator),
          BorderLine(L"border"),
          CommonLine(SettingKind::DockSide)};
}

std::vector<TMenuItem*> SoftMenu::MenuTextItems() const {
  return {Monitors,   SingleMon,  DoubleMon, ScrNum,      SingleScr,  DoubleScr,  Filter,
          NoneFilter, FastLinear, ZoomMode,  UpScr,       DownScr,    Res,        Rotate,
          normal,     RotateLeft, RotateRight, ShowCursor, CursorON,  CursorOFF,  setting,
          Skip,       NoSkip,     Transparent, AlphaOff,   AlphaOn,   ClearLinear, setting,
          Border,     have,       none,      noneall};
}

}  // namespace brisklens_soft
