#include "brisklens-gl/menu_tree.h"

namespace brisklens_gl {

using viewer::SettingKind;

GlMenu::GlMenu(classlib::TControl* owner) : TViewerMenu(owner) {
  viewer::RadioMenuBuilder menu(PopupMenu1);
  MonitorNumbers = menu.AddSubmenu(L"MonitorNumbers", L"显示器数量");
  SingleMon = menu.AddRadioItem(MonitorNumbers, L"SingleMon", L"一台");
  DoubleMon = menu.AddRadioItem(MonitorNumbers, L"DoubleMon", L"多台");
  ZoomNum = menu.AddSubmenu(L"ZoomNum", L"放大模式");
  SingleScr = menu.AddRadioItem(ZoomNum, L"SingleScr", L"单屏幕");
  DoubleScr = menu.AddRadioItem(ZoomNum, L"DoubleScr", L"双屏幕");
  ScreenChoice = ChangeScr = menu.AddSubmenu(L"ChangeScr", L"交换上下屏");
  UpScr = menu.AddRadioItem(ChangeScr, L"UpScr", L"上屏");
  DownScr = menu.AddRadioItem(ChangeScr, L"DownScr", L"下屏");
  AddResSubmenu(menu, L"适合的屏幕分辨率");
  Rotate = menu.AddSubmenu(L"Rotate", L"旋转屏幕");
  NormalItem = Normal = menu.AddRadioItem(Rotate, L"Normal", L"正常");
  RotateLeft = menu.AddRadioItem(Rotate, L"RotateLeft", L"向左旋转");
  RotateRight = menu.AddRadioItem(Rotate, L"RotateRight", L"向右旋转");
  ShowCursor = menu.AddSubmenu(L"ShowCursor", L"同步光标");
  CursorON = menu.AddRadioItem(ShowCursor, L"CursorON", L"开启");
  CursorOFF = menu.AddRadioItem(ShowCursor, L"CursorOFF", L"关闭");
  Setting = menu.AddPlainItem(ShowCursor, L"Setting", L"偏差调整");
  AddSkipSubmenu(menu);
  border = menu.AddSubmenu(L"border", L"边框");
  have = menu.AddRadioItem(border, L"have", L"有");
  none = menu.AddRadioItem(border, L"none", L"没有");
  noneall = menu.AddRadioItem(border, L"noneall", L"完全没有");
  Emu = menu.AddSubmenu(L"Emu", L"模拟器");
  HideItem = Hide = menu.AddRadioItem(Emu, L"Hide", L"隐藏");
  ShowItem = Show = menu.AddRadioItem(Emu, L"Show", L"显示");
}

viewer::SettingsTable GlMenu::SettingsWordLines() const {
  return {CommonLine(SettingKind::Monitors), CommonLine(SettingKind::Screens),
          CommonLine(SettingKind::Resolution), CommonLine(SettingKind::Rotation),
          CommonLine(SettingKind::Cursor),   CommonLine(SettingKind::Speed),
          BorderLine(L"have"),               CommonLine(SettingKind::Emulator),
          CommonLine(SettingKind::DockSide)};
}

std::vector<TMenuItem*> GlMenu::MenuTextItems() const {
  return {MonitorNumbers, SingleMon, DoubleMon,  ZoomNum,   SingleScr, DoubleScr, ChangeScr,
          UpScr,          DownScr,   Res,        Rotate,    Normal,    RotateLeft, RotateRight,
          ShowCursor,     CursorON,  CursorOFF,  Skip,      NoSkip,    Setting,   border,
          have,           none,      noneall,    Emu,       Hide,      Show};
}

}  // namespace brisklens_gl
