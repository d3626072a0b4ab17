#include "brisklens-soft/menu_tree.h"

namespace brisklens_soft {

SoftMenu::SoftMenu(classlib::TControl* owner) : PopupMenu1(owner) {
  Monitors = AddSubmenu(L"Monitors", L"显示器数量");
  SingleMon = AddRadioItem(Monitors, L"SingleMon", L"单显示器");
  DoubleMon = AddRadioItem(Monitors, L"DoubleMon", L"多显示器");
  ScrNum = AddSubmenu(L"ScrNum", L"放大模式");
  SingleScr = AddRadioItem(ScrNum, L"SingleScr", L"单屏");
  DoubleScr = AddRadioItem(ScrNum, L"DoubleScr", L"双屏");
  Filter = AddSubmenu(L"Filter", L"滤镜");
  NoneFilter = AddRadioItem(Filter, L"NoneFilter", L"无滤镜");
  FastLinear = AddRadioItem(Filter, L"FastLinear", L"快速线性滤镜");
  ClearLinear = AddRadioItem(Filter, L"ClearLinear", L"较清晰的线性滤镜——很慢 > <");
  ZoomMode = AddSubmenu(L"ZoomMode", L"交换上下屏");
  ZoomMode->SetEnabled(false);
  UpScr = AddRadioItem(ZoomMode, L"UpScr", L"上屏");
  DownScr = AddRadioItem(ZoomMode, L"DownScr", L"下屏");
  Res = AddSubmenu(L"Res", L"适合的分辨率");
  N800600 = AddRadioItem(Res, L"N800600", L"800x600");
  N1024768 = AddRadioItem(Res, L"N1024768", L"1024x768");
  N1280800 = AddRadioItem(Res, L"N1280800", L"1280x800");
  N12801024 = AddRadioItem(Res, L"N12801024", L"1280x1024");
  Rotate = AddSubmenu(L"Rotate", L"旋转画面");
  normal = AddRadioItem(Rotate, L"normal", L"正常");
  RotateLeft = AddRadioItem(Rotate, L"RotateLeft", L"左转");
  RotateRight = AddRadioItem(Rotate, L"RotateRight", L"右转");
  ShowCursor = AddSubmenu(L"ShowCursor", L"光标同步");
  CursorON = AddRadioItem(ShowCursor, L"CursorON", L"开启");
  CursorOFF = AddRadioItem(ShowCursor, L"CursorOFF", L"关闭");
  setting = ShowCursor->Add(L"调整偏差");
  setting->Name = L"setting";
  Skip = AddSubmenu(L"Skip", L"刷新速度");
  NoSkip = AddRadioItem(Skip, L"NoSkip", L"和模拟器同步");
  N60fps = AddRadioItem(Skip, L"N60fps", L"60FPS");
  N50fps = AddRadioItem(Skip, L"N50fps", L"50FPS");
  N40fps = AddRadioItem(Skip, L"N40fps", L"40FPS");
  N30fps = AddRadioItem(Skip, L"N30fps", L"30FPS");
  N25fps = AddRadioItem(Skip, L"N25fps", L"25FPS");
  N20fps = AddRadioItem(Skip, L"N20fps", L"20FPS");
  Transparent = AddSubmenu(L"Transparent", L"模拟器");
  AlphaOff = AddRadioItem(Transparent, L"AlphaOff", L"不隐藏");
  AlphaOn = AddRadioItem(Transparent, L"AlphaOn", L"隐藏");
  Border = AddSubmenu(L"Border", L"边框");
  have = AddRadioItem(Border, L"have", L"有");
  none = AddRadioItem(Border, L"none", L"无");
  noneall = AddRadioItem(Border, L"noneall", L"彻底没有边框");
}

TMenuItem* SoftMenu::AddSubmenu(const wchar_t* name, const wchar_t* caption) {
  TMenuItem* submenu = PopupMenu1.Items().Add(caption);
  submenu->Name = name;
  ++next_group_;
  return submenu;
}

TMenuItem* SoftMenu::AddRadioItem(TMenuItem* submenu, const wchar_t* name,
                                  const wchar_t* caption) {
  TMenuItem* item = submenu->Add(caption);
  item->Name = name;
  item->SetRadioItem(true);
  item->SetGroupIndex(next_group_);
  return item;
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

}  // namespace brisklens_soft
