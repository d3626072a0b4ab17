// The viewer's text conversion, its settings file lines and its menu captions.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "brisklens-gl/menu_tree.h"
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

// A position line as the viewer reads it.
std::optional<int> Position(const std::wstring& line) { return StrToIntVal(line); }

// What the file stores of a menu: its checked items, the dock side 0 and the positions.
viewer::StoredSettings Checked(const viewer::SettingsTable& table) {
  viewer::StoredSettings settings;
  for (const viewer::SettingsLine& line : table)
    settings.words.push_back(line.group.empty() ? 0 : viewer::CheckedIndex(line.group));
  return settings;
}

}  // namespace

TEST(SettingsLines, TheStartUpStateAndEveryWordOfEachLineBothWays) {
  GlMenu menu(nullptr);
  menu.CheckStartupItems();
  const viewer::SettingsTable table = menu.SettingsWordLines();
  EXPECT_EQ(SettingsLines(table, Checked(table)),
            Wide({L"0", L"0", L"0", L"0", L"sm", L"ddd", L"1280800", L"normal", L"cursor", L"60",
                  L"have", L"show", L"top"}));
  // Each line, every word in item order: written when its item is checked (the dock side:
  // when it has its value), read back to it.
  const std::vector<const wchar_t*> words[] = {
      {L"sm", L"dm"}, {L"sss", L"ddd"}, {L"800", L"1024", L"1280800", L"12801024"},
      {L"normal", L"left", L"right"}, {L"cursor", L"nocursor"},
      {L"noskip", L"60", L"50", L"40", L"30", L"25", L"20"}, {L"have", L"none", L"noneall"},
      {L"show", L"hide"}, {L"top", L"down", L"left", L"right"}};
  ASSERT_EQ(table.size(), std::size(words));
  for (size_t line = 0; line < table.size(); ++line) {
    for (size_t item = 0; item < words[line].size(); ++item) {
      if (!table[line].group.empty()) table[line].group.at(item)->SetChecked(true);
      viewer::StoredSettings written = Checked(table), back = written;
      if (table[line].group.empty()) written.words[line] = int(item);
      EXPECT_EQ(SettingsLines(table, written).at(line + 4), words[line][item]) << line;
      back.words[line] = -1;
      ReadSettingsLines(table, Position, SettingsLines(table, written), back);
      EXPECT_EQ(back.words, written.words) << "line " << line + 4;
    }
  }
}

TEST(SettingsLines, ShortOddAndLongFilesApplyWhatTheyHold) {
  GlMenu menu(nullptr);
  menu.CheckStartupItems();
  const viewer::SettingsTable table = menu.SettingsWordLines();
  viewer::StoredSettings start = Checked(table);
  start.positions = {5, 6, 7, 8};
  // Words match whole and case-sensitive; positions are what StrToIntVal makes of them,
  // within screen coordinates or not at all; lines past the 13th are ignored.
  viewer::StoredSettings read = start;
  ReadSettingsLines(table, Position,
                    Wide({L"32768", L"-32769", L"abc", L" -7", L"DM", L"sss ", L"1024", L"Left",
                          L"nocursor", L" 30", L"noneall", L"hide", L"right", L"top", L"800"}),
                    read);
  EXPECT_EQ(SettingsLines(table, read),
            Wide({L"5", L"6", L"0", L"-7", L"sm", L"ddd", L"1024", L"normal", L"nocursor", L"60",
                  L"noneall", L"hide", L"right"}));
  read = start;
  ReadSettingsLines(table, Position, Wide({L"32767", L"-32768", L"4294967295", L"-99999"}), read);
  EXPECT_EQ(read.positions, (std::array<int, 4>{32767, -32768, 7, 8}));
  // Three lines: the rest keeps what it was.
  read = start;
  ReadSettingsLines(table, Position, Wide({L"-12 ", L"", L"40"}), read);
  EXPECT_EQ(read.positions, (std::array<int, 4>{12, 0, 40, 8}));
  EXPECT_EQ(read.words, start.words);
  read = start;
  ReadSettingsLines(table, Position, {}, read);
  EXPECT_EQ(SettingsLines(table, read), SettingsLines(table, start));
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
