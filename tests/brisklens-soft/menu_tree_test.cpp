// The popup menu's tree, its captions, radio groups and start-up check marks, and the
// settings the check marks stand for.
#include <gtest/gtest.h>

#include <string>

#include "brisklens-soft/menu_tree.h"
#include "classlib/sysutils.h"

using namespace brisklens_soft;

namespace {

std::string Text(const std::wstring& text) { return classlib::WideToAnsi(text); }

// "Name(caption)*" per item, "*" when checked, "!" when disabled; submenus in brackets.
std::wstring Describe(const TMenuItem& item) {
  std::wstring text;
  for (int i = 0; i < item.Count(); ++i) {
    const TMenuItem* child = item.Items(i);
    text += child->Name + L"(" + child->Caption() + L")";
    if (child->Checked()) text += L"*";
    if (!child->Enabled()) text += L"!";
    if (child->Count() > 0) text += L"[" + Describe(*child) + L"]";
    text += L" ";
  }
  return text;
}

}  // namespace

TEST(SoftMenu, TreeCaptionsAndStartUpCheckMarks) {
  SoftMenu menu(nullptr);
  menu.CheckStartupItems();
  const std::wstring expected =
      L"Monitors(显示器数量)[SingleMon(单显示器)* DoubleMon(多显示器) ] "
      L"ScrNum(放大模式)[SingleScr(单屏) DoubleScr(双屏)* ] "
      L"Filter(滤镜)[NoneFilter(无滤镜)* FastLinear(快速线性滤镜) "
      L"ClearLinear(较清晰的线性滤镜——很慢 > <) ] "
      L"ZoomMode(交换上下屏)![UpScr(上屏) DownScr(下屏)* ] "
      L"Res(适合的分辨率)[N800600(800x600) N1024768(1024x768) N1280800(1280x800)* "
      L"N12801024(1280x1024) ] "
      L"Rotate(旋转画面)[normal(正常)* RotateLeft(左转) RotateRight(右转) ] "
      L"ShowCursor(光标同步)[CursorON(开启)* CursorOFF(关闭) setting(调整偏差) ] "
      L"Skip(刷新速度)[NoSkip(和模拟器同步) N60fps(60FPS)* N50fps(50FPS) N40fps(40FPS) "
      L"N30fps(30FPS) N25fps(25FPS) N20fps(20FPS) ] "
      L"Transparent(模拟器)[AlphaOff(不隐藏)* AlphaOn(隐藏) ] "
      L"Border(边框)[have(有)* none(无) noneall(彻底没有边框) ] ";
  EXPECT_EQ(Text(Describe(menu.PopupMenu1.Items())), Text(expected));
}

TEST(SoftMenu, EachSubmenuIsOneRadioGroupAndSettingIsAPlainItem) {
  SoftMenu menu(nullptr);
  menu.CheckStartupItems();
  menu.N800600->SetChecked(true);
  EXPECT_FALSE(menu.N1280800->Checked());
  menu.RotateRight->SetChecked(true);
  EXPECT_FALSE(menu.normal->Checked());
  // Other submenus keep their checked items.
  EXPECT_TRUE(menu.SingleMon->Checked());
  EXPECT_TRUE(menu.CursorON->Checked());
  EXPECT_FALSE(menu.setting->RadioItem());
  menu.setting->SetChecked(true);
  EXPECT_TRUE(menu.CursorON->Checked());
}

TEST(SoftMenu, CheckMarksGiveRotationLayoutAndPath) {
  SoftMenu menu(nullptr);
  menu.CheckStartupItems();
  EXPECT_EQ(menu.CheckedRotation(), viewer::Rotation::Normal);
  EXPECT_TRUE(menu.DirectPathChecked());
  viewer::LayoutChoice choice = menu.CheckedLayout(2);
  EXPECT_FALSE(choice.double_monitor);
  EXPECT_TRUE(choice.double_screen);
  EXPECT_FALSE(choice.rotated);
  EXPECT_EQ(choice.resolution_index, 2);

  menu.RotateLeft->SetChecked(true);
  EXPECT_EQ(menu.CheckedRotation(), viewer::Rotation::Left);
  EXPECT_FALSE(menu.DirectPathChecked());
  EXPECT_TRUE(menu.CheckedLayout(2).rotated);
  menu.RotateRight->SetChecked(true);
  EXPECT_EQ(menu.CheckedRotation(), viewer::Rotation::Right);
  menu.normal->SetChecked(true);
  menu.FastLinear->SetChecked(true);
  EXPECT_FALSE(menu.DirectPathChecked());
  menu.DoubleMon->SetChecked(true);
  menu.SingleScr->SetChecked(true);
  choice = menu.CheckedLayout(3);
  EXPECT_TRUE(choice.double_monitor);
  EXPECT_FALSE(choice.double_screen);
}
