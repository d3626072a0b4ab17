#include "brisklens-soft/menu_tree.h"

#include "viewer/line_list.h"

namespace brisklens_soft {

SoftMenu::SoftMenu(classlib::TControl* owner) : PopupMenu1(owner) {
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
  ZoomMode = menu.AddSubmenu(L"ZoomMode", L"交换上下屏");
  ZoomMode->SetEnabled(false);
  UpScr = menu.AddRadioItem(ZoomMode, L"UpScr", L"上屏");
  DownScr = menu.AddRadioItem(ZoomMode, L"DownScr", L"下屏");
  Res = menu.AddSubmenu(L"Res", L"适合的分辨率");
  N800600 = menu.AddRadioItem(Res, L"N800600", L"800x600");
  N1024768 = menu.AddRadioItem(Res, L"N1024768", L"1024x768");
  N1280800 = menu.AddRadioItem(Res, L"N1280800", L"1280x800");
  N12801024 = menu.AddRadioItem(Res, L"N12801024", L"1280x1024");
  Rotate = menu.AddSubmenu(L"Rotate", L"旋转画面");
  normal = menu.AddRadioItem(Rotate, L"normal", L"正常");
  RotateLeft = menu.AddRadioItem(Rotate, L"RotateLeft", L"左转");
  RotateRight = menu.AddRadioItem(Rotate, L"RotateRight", L"右转");
  ShowCursor = menu.AddSubmenu(L"ShowCursor", L"光标同步");
  CursorON = menu.AddRadioItem(ShowCursor, L"CursorON", L"开启");
  CursorOFF = menu.AddRadioItem(ShowCursor, L"CursorOFF", L"关闭");
  setting = menu.AddPlainItem(ShowCursor, L"setting", L"调整偏差");
  Skip = menu.AddSubmenu(L"Skip", L"刷新速度");
  NoSkip = menu.AddRadioItem(Skip, L"NoSkip", L"和模拟器同步");
  N60fps = menu.AddRadioItem(Skip, L"N60fps", L"60FPS");
  N50fps = menu.AddRadioItem(Skip, L"N50fps", L"50FPS");
  N40fps = menu.AddRadioItem(Skip, L"N40fps", L"40FPS");
  N30fps = menu.AddRadioItem(Skip, L"N30fps", L"30FPS");
  N25fps = menu.AddRadioItem(Skip, L"N25fps", L"25FPS");
  N20fps = menu.AddRadioItem(Skip, L"N20fps", L"20FPS");
  Transparent = menu.AddSubmenu(L"Transparent", L"模拟器");
  AlphaOff = menu.AddRadioItem(Transparent, L"AlphaOff", L"不隐藏");
  AlphaOn = menu.AddRadioItem(Transparent, L"AlphaOn", L"隐藏");
  Border = menu.AddSubmenu(L"Border", L"边框");
  have = menu.AddRadioItem(Border, L"have", L"有");
  none = menu.AddRadioItem(Border, L"none", L"无");
  noneall = menu.AddRadioItem(Border, L"noneall", L"彻底没有边框");
}

void SoftMenu::CheckStartupItems() {
  for (TMenuItem* item : {NoneFilter, DownScr, N1280800, CursorON, DoubleScr, N60fps, SingleMon,
                          normal, AlphaOff, have})
    item->SetChecked(true);
}

viewer::Rotation SoftMenu::CheckedRotation() const {
  if (RotateLeft->Checked()) return viewer::Rotation::Left;
  if (RotateRight->Checked()) return viewer::Rotation::Right;
  return viewer::Rotation::Normal;
}

viewer::LayoutChoice SoftMenu::CheckedLayout(int resolution_index) const {
  viewer::LayoutChoice choice;
  choice.double_monitor = DoubleMon->Checked();
  choice.double_screen = DoubleScr->Checked();
  choice.rotated = !normal->Checked();
  choice.resolution_index = resolution_index;
  return choice;
}

bool SoftMenu::DirectPathChecked() const { return normal->Checked() && NoneFilter->Checked(); }

std::vector<std::vector<TMenuItem*>> SoftMenu::SettingsGroups() const {
  return {{SingleMon, DoubleMon},  {SingleScr, DoubleScr}, FilterItems(),
          ResolutionItems(),       RotationItems(),        {CursorON, CursorOFF},
          SpeedItems(),            {AlphaOff, AlphaOn},    BorderItems()};
}

std::vector<TMenuItem*> SoftMenu::MenuTextItems() const {
  return {Monitors,   SingleMon,  DoubleMon, ScrNum,      SingleScr,  DoubleScr,  Filter,
          NoneFilter, FastLinear, ZoomMode,  UpScr,       DownScr,    Res,        Rotate,
          normal,     RotateLeft, RotateRight, ShowCursor, CursorON,  CursorOFF,  setting,
          Skip,       NoSkip,     Transparent, AlphaOff,   AlphaOn,   ClearLinear, setting,
          Border,     have,       none,      noneall};
}

void SoftMenu::ReadMenuText(const std::wstring& path) {
  if (auto lines = viewer::ReadLineList(path, kMenuTextLineCount))
    viewer::ApplyMenuText(MenuTextItems(), *lines);
}

}  // namespace brisklens_soft
