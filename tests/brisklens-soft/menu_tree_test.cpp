// The popup menu's tree, its captions, radio groups and start-up check marks, and the
// settings the check marks stand for.
#include <gtest/gtest.h>

#include <string>

#include "brisklens-soft/menu_tree.h"
#include "classlib/sysutils.h"
#include "tools/systest/systest.h"

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

// Line k names item k in menu order, read in the ANSI code page (936 on the users'
// machines and here); `setting` is named by lines 20 and 27 and keeps line 27's text; the
// resolution and speed items keep theirs; lines past the 32nd are ignored.
TEST(SoftMenu, CaptionsFromAMenuTextFileInTheAnsiCodePage) {
  ASSERT_EQ(GetACP(), 936u);
  std::wstring text;
  for (int k = 0; k < 34; ++k)
    text += (k == 27 ? std::wstring(L"调整偏差——新") : L"菜单" + std::to_wstring(k)) + L"\r\n";
  systest::TempDir dir;
  ASSERT_TRUE(systest::WriteTextFile(dir.File(L"MenuSoft.txt"), classlib::WideToAnsi(text)));
  SoftMenu menu(nullptr);
  menu.ReadMenuText(dir.File(L"MenuSoft.txt"));
  const TMenuItem* in_order[] = {
      menu.Monitors,   menu.SingleMon,  menu.DoubleMon,   menu.ScrNum,     menu.SingleScr,
      menu.DoubleScr,  menu.Filter,     menu.NoneFilter,  menu.FastLinear, menu.ZoomMode,
      menu.UpScr,      menu.DownScr,    menu.Res,         menu.Rotate,     menu.normal,
      menu.RotateLeft, menu.RotateRight, menu.ShowCursor, menu.CursorON,   menu.CursorOFF,
      nullptr,         menu.Skip,       menu.NoSkip,      menu.Transparent, menu.AlphaOff,
      menu.AlphaOn,    menu.ClearLinear, menu.setting,    menu.Border,     menu.have,
      menu.none,       menu.noneall};
  for (size_t k = 0; k < std::size(in_order); ++k) {
    if (!in_order[k]) continue;
    const std::wstring expected = k == 27 ? L"调整偏差——新" : L"菜单" + std::to_wstring(k);
    EXPECT_EQ(Text(in_order[k]->Caption()), Text(expected)) << "line " << k;
  }
  EXPECT_EQ(Text(menu.N1024768->Caption() + menu.N25fps->Caption()), "1024x76825FPS");
  SoftMenu missing(nullptr);
  missing.ReadMenuText(dir.File(L"none.txt"));
  EXPECT_EQ(Text(missing.setting->Caption()), Text(L"调整偏差"));
}
