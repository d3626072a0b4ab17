#include "brisklens-gl/menu_tree.h"

namespace brisklens_gl {

GlMenu::GlMenu(classlib::TControl* owner) : PopupMenu1(owner) {
  viewer::RadioMenuBuilder menu(PopupMenu1);
  MonitorNumbers = menu.AddSubmenu(L"MonitorNumbers", L"显示器数量");
  SingleMon = menu.AddRadioItem(MonitorNumbers, L"SingleMon", L"一台");
  DoubleMon = menu.AddRadioItem(MonitorNumbers, L"DoubleMon", L"多台");
  ZoomNum = menu.AddSubmenu(L"ZoomNum", L"放大模式");
  SingleScr = menu.AddRadioItem(ZoomNum, L"SingleScr", L"单屏幕");
  DoubleScr = menu.AddRadioItem(ZoomNum, L"DoubleScr", L"双屏幕");
  ChangeScr = menu.AddSubmenu(L"ChangeScr", L"交换上下屏");
  UpScr = menu.AddRadioItem(ChangeScr, L"UpScr", L"上屏");
  DownScr = menu.AddRadioItem(ChangeScr, L"DownScr", L"下屏");
  Res = menu.AddSubmenu(L"Res", L"适合的屏幕分辨率");
  N800600 = menu.AddRadioItem(Res, L"N800600", L"800x600");
  N1024768 = menu.AddRadioItem(Res, L"N1024768", L"1024x768");
  N1280800 = menu.AddRadioItem(Res, L"N1280800", L"1280x800");
  N12801024 = menu.AddRadioItem(Res, L"N12801024", L"1280x1024");
  Rotate = menu.AddSubmenu(L"Rotate", L"旋转屏幕");
  Normal = menu.AddRadioItem(Rotate, L"Normal", L"正常");
  RotateLeft = menu.AddRadioItem(Rotate, L"RotateLeft", L"向左旋转");
  RotateRight = menu.AddRadioItem(Rotate, L"RotateRight", L"向右旋转");
  ShowCursor = menu.AddSubmenu(L"ShowCursor", L"同步光标");
  CursorON = menu.AddRadioItem(ShowCursor, L"CursorON", L"开启");
  CursorOFF = menu.AddRadioItem(ShowCursor, L"CursorOFF", L"关闭");
  Setting = menu.AddPlainItem(ShowCursor, L"Setting", L"偏差调整");
  Skip = menu.AddSubmenu(L"Skip", L"刷新速度");
  NoSkip = menu.AddRadioItem(Skip, L"NoSkip", L"和模拟器同步");
  N60fps = menu.AddRadioItem(Skip, L"N60fps", L"60FPS");
  N50fps = menu.AddRadioItem(Skip, L"N50fps", L"50FPS");
  N40fps = menu.AddRadioItem(Skip, L"N40fps", L"40FPS");
  N30fps = menu.AddRadioItem(Skip, L"N30fps", L"30FPS");
  N25fps = menu.AddRadioItem(Skip, L"N25fps", L"25FPS");
  N20fps = menu.AddRadioItem(Skip, L"N20fps", L"20FPS");
  border = menu.AddSubmenu(L"border", L"边框");
  have = menu.AddRadioItem(border, L"have", L"有");
  none = menu.AddRadioItem(border, L"none", L"没有");
  noneall = menu.AddRadioItem(border, L"noneall", L"完全没有");
  Emu = menu.AddSubmenu(L"Emu", L"模拟器");
  Hide = menu.AddRadioItem(Emu, L"Hide", L"隐藏");
  Show = menu.AddRadioItem(Emu, L"Show", L"显示");
}

void GlMenu::CheckStartupItems() {
  for (TMenuItem* item :
       {SingleMon, DoubleScr, DownScr, N1280800, Normal, CursorON, N60fps, have, Show})
    item->SetChecked(true);
  ChangeScr->SetEnabled(false);
}

viewer::Rotation GlMenu::CheckedRotation() const {
  if (RotateLeft->Checked()) return viewer::Rotation::Left;
  if (RotateRight->Checked()) return viewer::Rotation::Right;
  return viewer::Rotation::Normal;
}

std::vector<TMenuItem*> GlMenu::ResolutionItems() const {
  return {N800600, N1024768, N1280800, N12801024};
}

std::vector<TMenuItem*> GlMenu::RotationItems() const { return {Normal, RotateLeft, RotateRight}; }

std::vector<TMenuItem*> GlMenu::SpeedItems() const {
  return {NoSkip, N60fps, N50fps, N40fps, N30fps, N25fps, N20fps};
}

std::vector<TMenuItem*> GlMenu::BorderItems() const { return {have, none, noneall}; }

std::vector<TMenuItem*> GlMenu::MenuTextItems() const {
  return {MonitorNumbers, SingleMon, DoubleMon,  ZoomNum,   SingleScr, DoubleScr, ChangeScr,
          UpScr,          DownScr,   Res,        Rotate,    Normal,    RotateLeft, RotateRight,
          ShowCursor,     CursorON,  CursorOFF,  Skip,      NoSkip,    Setting,   border,
          have,           none,      noneall,    Emu,       Hide,      Show};
}

void GlMenu::ApplyMenuText(const std::vector<std::wstring>& lines) {
  viewer::ApplyMenuText(MenuTextItems(), lines);
}

}  // namespace brisklens_gl
