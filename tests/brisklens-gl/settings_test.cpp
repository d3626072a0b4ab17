// The viewer's text conversion, its settings file lines and its menu captions.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "brisklens-gl/menu_tree.h"
#include "brisklens-gl/settings.h"
#include "brisklens-gl/str_to_int_val.h"
#include "classlib/sysutils.h"

using namespace brisklens_gl;

TEST(StrToIntVal, WholeNumbersAndTheMagnitudeBeforeABadCharacter) {
  struct Row { const wchar_t* text; int value; };
  const Row rows[] = {
      {L"", 0},          {L"12", 12},          {L"-12", -12},       {L" -12", -12},
      {L"-12 ", 12},     {L"+7", 7},           {L"$1F", 31},        {L"x10", 16},
      {L"X10", 16},      {L"0x1f", 31},        {L"-$10", -16},      {L"abc", 0},
      {L"-2", -2},       {L"12abc", 12},       {L"-", 0},           {L"  ", 0},
      {L"0", 0},         {L"0x", 0},           {L"-0x1G", 1},       {L"\t5", 0},
      {L"1 2", 1},       {L"2147483647", INT_MAX}, {L"-2147483648", INT_MIN},
      {L"2147483648", 214748364}, {L"$FFFFFFFF", -1}, {L"$123456789", 0x12345678},
      {L"３", 0},
  };
  for (const Row& row : rows)
    EXPECT_EQ(StrToIntVal(row.text), row.value) << classlib::WideToAnsi(row.text);
}

namespace {

std::vector<std::wstring> Wide(const std::vector<const wchar_t*>& lines) {
  return std::vector<std::wstring>(lines.begin(), lines.end());
}

}  // namespace

TEST(SettingsLines, TheStartUpStateAndEveryWordOfEachLineBothWays) {
  EXPECT_EQ(SettingsLines(ViewerSettings()),
            Wide({L"0", L"0", L"0", L"0", L"sm", L"ddd", L"1280800", L"normal", L"cursor", L"60",
                  L"have", L"show", L"top"}));
  ViewerSettings flags;
  flags.main_left = -12;
  flags.double_monitor = true;
  flags.double_screen = flags.cursor_on = false;
  flags.hide_emulator = true;
  EXPECT_EQ(SettingsLines(flags),
            Wide({L"-12", L"0", L"0", L"0", L"dm", L"sss", L"1280800", L"normal", L"nocursor",
                  L"60", L"have", L"hide", L"top"}));
  ViewerSettings read;
  ReadSettingsLines(SettingsLines(flags), read);
  EXPECT_EQ(SettingsLines(read), SettingsLines(flags));
  // Each radio line, every word in item order: written from its item, read back to it.
  struct Group { size_t line; std::vector<const wchar_t*> words; int ViewerSettings::*index; };
  const Group groups[] = {
      {6, {L"800", L"1024", L"1280800", L"12801024"}, &ViewerSettings::resolution},
      {7, {L"normal", L"left", L"right"}, &ViewerSettings::rotation},
      {9, {L"noskip", L"60", L"50", L"40", L"30", L"25", L"20"}, &ViewerSettings::speed},
      {10, {L"have", L"none", L"noneall"}, &ViewerSettings::border},
      {12, {L"top", L"down", L"left", L"right"}, &ViewerSettings::dock_side},
  };
  for (const Group& group : groups) {
    for (size_t item = 0; item < group.words.size(); ++item) {
      ViewerSettings written, back;
      written.*group.index = int(item);
      EXPECT_EQ(SettingsLines(written).at(group.line), group.words[item]) << group.line;
      ReadSettingsLines(SettingsLines(written), back);
      EXPECT_EQ(back.*group.index, int(item)) << "line " << group.line;
    }
  }
  const int delays[] = {10, 20, 25, 33, 50, 70, 80};
  for (int speed = 0; speed < 7; ++speed) EXPECT_EQ(PassDelayOfSpeed(speed), delays[speed]);
}

TEST(SettingsLines, ShortOddAndLongFilesApplyWhatTheyHold) {
  ViewerSettings start;
  start.main_left = 5;
  start.main_top = 6;
  // Words match whole and case-sensitive; positions are whole numbers or what StrToIntVal
  // makes of them, kept within screen coordinates; lines past the 13th are ignored.
  ViewerSettings read = start;
  ReadSettingsLines(Wide({L"99999999", L"-99999999", L"abc", L" -7", L"DM", L"sss ", L"1024",
                          L"Left", L"nocursor", L" 30", L"noneall", L"hide", L"right", L"top",
                          L"800"}),
                    read);
  EXPECT_EQ(SettingsLines(read), Wide({L"32767", L"-32768", L"0", L"-7", L"sm", L"ddd", L"1024",
                                       L"normal", L"nocursor", L"60", L"noneall", L"hide",
                                       L"right"}));
  // Three lines: the rest keeps what it was.
  read = start;
  ReadSettingsLines(Wide({L"-12 ", L"", L"40"}), read);
  ViewerSettings expected = start;
  expected.main_left = 12;
  expected.main_top = 0;
  expected.second_left = 40;
  EXPECT_EQ(SettingsLines(read), SettingsLines(expected));
  read = start;
  ReadSettingsLines({}, read);
  EXPECT_EQ(SettingsLines(read), SettingsLines(start));
}

// "Name(caption)" per item, "*" when checked, "!" when disabled, "~" a plain command.
TEST(GlMenu, TreeCaptionsStartUpChecksAndMenuText) {
  GlMenu menu(nullptr);
  menu.CheckStartupItems();
  std::wstring tree;
  const TMenuItem& root = menu.PopupMenu1.Items();
  for (int i = 0; i < root.Count(); ++i) {
    const TMenuItem* submenu = root.Items(i);
    tree += submenu->Name + L"(" + submenu->Caption() + (submenu->Enabled() ? L")[" : L")![");
    for (int k = 0; k < submenu->Count(); ++k) {
      const TMenuItem* item = submenu->Items(k);
      tree += item->Name + L"(" + item->Caption() + L")" + (item->Checked() ? L"*" : L"") +
              (item->RadioItem() ? L" " : L"~ ");
    }
    tree += L"] ";
  }
  EXPECT_EQ(classlib::WideToAnsi(tree),
            classlib::WideToAnsi(
                L"MonitorNumbers(显示器数量)[SingleMon(一台)* DoubleMon(多台) ] "
                L"ZoomNum(放大模式)[SingleScr(单屏幕) DoubleScr(双屏幕)* ] "
                L"ChangeScr(交换上下屏)![UpScr(上屏) DownScr(下屏)* ] "
                L"Res(适合的屏幕分辨率)[N800600(800x600) N1024768(1024x768) N1280800(1280x800)* "
                L"N12801024(1280x1024) ] "
                L"Rotate(旋转屏幕)[Normal(正常)* RotateLeft(向左旋转) RotateRight(向右旋转) ] "
                L"ShowCursor(同步光标)[CursorON(开启)* CursorOFF(关闭) Setting(偏差调整)~ ] "
                L"Skip(刷新速度)[NoSkip(和模拟器同步) N60fps(60FPS)* N50fps(50FPS) N40fps(40FPS) "
                L"N30fps(30FPS) N25fps(25FPS) N20fps(20FPS) ] "
                L"border(边框)[have(有)* none(没有) noneall(完全没有) ] "
                L"Emu(模拟器)[Hide(隐藏) Show(显示)* ] "));
  // Lines name the items in this order (the resolution and speed items keep theirs);
  // lines after the 27th are ignored, missing ones leave the caption.
  std::vector<std::wstring> lines;
  for (int k = 0; k < 30; ++k) lines.push_back(k == 5 ? L"" : L"L" + std::to_wstring(k));
  menu.ApplyMenuText(lines);
  const TMenuItem* in_order[] = {
      menu.MonitorNumbers, menu.SingleMon, menu.DoubleMon, menu.ZoomNum, menu.SingleScr,
      menu.DoubleScr, menu.ChangeScr, menu.UpScr, menu.DownScr, menu.Res, menu.Rotate,
      menu.Normal, menu.RotateLeft, menu.RotateRight, menu.ShowCursor, menu.CursorON,
      menu.CursorOFF, menu.Skip, menu.NoSkip, menu.Setting, menu.border, menu.have, menu.none,
      menu.noneall, menu.Emu, menu.Hide, menu.Show};
  for (size_t k = 0; k < std::size(in_order); ++k) EXPECT_EQ(in_order[k]->Caption(), lines[k]);
  EXPECT_EQ(menu.N1024768->Caption() + menu.N25fps->Caption(), L"1024x76825FPS");
  GlMenu short_text(nullptr);
  short_text.ApplyMenuText(Wide({L"a", L"b"}));
  EXPECT_EQ(short_text.SingleMon->Caption() + short_text.DoubleMon->Caption(), L"b多台");
}
