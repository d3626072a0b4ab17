// Key, mouse and wheel events of forms and controls, mouse capture, replaced window
// procedures and the form's popup menu, through sent messages and through real input.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "classlib/forms.h"
#include "classlib/menus.h"
#include "tools/systest/systest.h"
#include "tests/classlib/test_timers.h"

using namespace classlib;
using classlib_test::RepeatUntil;

namespace {

std::string ShiftText(TShiftState shift) {
  std::string text;
  if (shift & ssShift) text += "S";
  if (shift & ssCtrl) text += "C";
  if (shift & ssLeft) text += "L";
  if (shift & ssRight) text += "R";
  if (shift & ssMiddle) text += "M";
  return text.empty() ? "-" : text;
}

const char* ButtonText(TMouseButton button) {
  switch (button) {
    case TMouseButton::mbLeft: return "left";
    case TMouseButton::mbRight: return "right";
    default: return "middle";
  }
}

// Records a control's mouse events as text lines.
void RecordMouse(TControl& control, const std::string& name, std::vector<std::string>& log) {
  control.OnMouseDown = [&log, name](TObject*, TMouseButton button, TShiftState shift, int x,
                                     int y) {
    std::ostringstream line;
    line << name << " down " << ButtonText(button) << " " << ShiftText(shift) << " " << x << ","
         << y;
    log.push_back(line.str());
  };
  control.OnMouseMove = [&log, name](TObject*, TShiftState shift, int x, int y) {
    std::ostringstream line;
    line << name << " move " << ShiftText(shift) << " " << x << "," << y;
    log.push_back(line.str());
  };
  control.OnMouseUp = [&log, name](TObject*, TMouseButton button, TShiftState shift, int x,
                                   int y) {
    std::ostringstream line;
    line << name << " up " << ButtonText(button) << " " << ShiftText(shift) << " " << x << ","
         << y;
    log.push_back(line.str());
  };
}

LPARAM Point(int x, int y) { return LPARAM((uint32_t(y) & 0xFFFF) << 16 | (uint32_t(x) & 0xFFFF)); }

}  // namespace

TEST(FormInput, MouseEventsCarryTheButtonsAfterThePressAndCaptureTheMouse) {
  TForm form(L"TMouseForm", 100, 100, 300, 200);
  form.Show();
  std::vector<std::string> log;
  RecordMouse(form, "form", log);
  HWND window = form.Handle();
  std::vector<bool> captured;
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, Point(10, 20));
  captured.push_back(GetCapture() == window);
  SendMessageW(window, WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, Point(11, 21));
  SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, Point(-5, -7));
  SendMessageW(window, WM_RBUTTONUP, MK_LBUTTON, Point(-5, -7));
  captured.push_back(GetCapture() == window);
  SendMessageW(window, WM_LBUTTONUP, 0, Point(-6, 300));
  captured.push_back(GetCapture() == window);
  const std::vector<std::string> expected = {
      "form down left L 10,20", "form down right LR 11,21", "form move LR -5,-7",
      "form up right L -5,-7",  "form up left - -6,300"};
  EXPECT_EQ(log, expected);
  EXPECT_EQ(captured, std::vector<bool>({true, true, false}));
}

TEST(FormInput, RealDragOutOfTheWindowKeepsReportingWhileTheButtonIsHeld) {
  TForm form(L"TDragForm", 200, 200, 300, 200);
  form.SetBorderStyle(TFormBorderStyle::bsNone);
  form.Show();
  ASSERT_TRUE(systest::BringToFront(form.Handle()));
  std::vector<std::string> log;
  RecordMouse(form, "form", log);
  systest::MovePointer(250, 250);
  systest::MouseButton(false, true);
  ASSERT_TRUE(systest::WaitUntil([&] { return !log.empty(); }));
  systest::MovePointer(190, 240);  // 10 pixels left of the window
  ASSERT_TRUE(systest::WaitUntil([&] { return log.back() == "form move L -10,40"; }))
      << log.back();
  systest::MouseButton(false, false);
  ASSERT_TRUE(systest::WaitUntil([&] { return log.back() == "form up left - -10,40"; }))
      << log.back();
  EXPECT_NE(std::find(log.begin(), log.end(), "form down left L 50,50"), log.end());
  EXPECT_NE(GetCapture(), form.Handle());
}

TEST(FormInput, ControlsReceiveTheirOwnMouseEventsInTheirOwnCoordinates) {
  TForm form(L"TControlMouseForm", 200, 200, 300, 200);
  form.SetBorderStyle(TFormBorderStyle::bsNone);
  TCustomControl control(&form, 40, 30, 100, 80);
  form.Show();
  ASSERT_TRUE(systest::BringToFront(form.Handle()));
  std::vector<std::string> log;
  RecordMouse(form, "form", log);
  RecordMouse(control, "control", log);
  systest::ClickAt(200 + 40 + 25, 200 + 30 + 15);
  ASSERT_TRUE(systest::WaitUntil([&] { return log.size() >= 2; }));
  systest::ClickAt(200 + 5, 200 + 6);
  ASSERT_TRUE(systest::WaitUntil([&] { return log.size() >= 4; }));
  std::vector<std::string> clicks;
  for (const std::string& line : log)
    if (line.find(" move ") == std::string::npos) clicks.push_back(line);
  const std::vector<std::string> expected = {"control down left L 25,15", "control up left - 25,15",
                                             "form down left L 5,6", "form up left - 5,6"};
  EXPECT_EQ(clicks, expected);
}

TEST(FormInput, KeyEventsGiveTheVirtualKeyAndAConsumedKeyStops) {
  TForm form(L"TKeyForm");
  std::vector<std::string> log;
  bool consume = true;
  form.OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
    log.push_back("down " + std::to_string(key));
    if (consume) key = 0;
  };
  form.OnKeyUp = [&](TObject*, WORD& key, TShiftState) { log.push_back("up " + std::to_string(key)); };
  int closes = 0;
  form.OnClose = [&](TObject*, TCloseAction& action) {
    ++closes;
    action = TCloseAction::caNone;
  };
  SendMessageW(form.Handle(), WM_KEYDOWN, VK_DELETE, 0x01530001);
  SendMessageW(form.Handle(), WM_KEYUP, VK_DELETE, 0xC1530001);
  // Alt+F4: the default handling closes the form unless the handler consumed the key.
  const LPARAM alt_f4 = 0x203E0001;
  SendMessageW(form.Handle(), WM_SYSKEYDOWN, VK_F4, alt_f4);
  consume = false;
  SendMessageW(form.Handle(), WM_SYSKEYDOWN, VK_F4, alt_f4);
  // The close command is posted; one close (from the second, unconsumed key) arrives.
  EXPECT_TRUE(systest::WaitUntil([&] { return closes > 0; }));
  Application->ProcessMessages();
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(log, std::vector<std::string>({"down 46", "up 46", "down 115", "down 115"}));
}

TEST(FormInput, WheelEventsUpAndDownWithTheScreenPoint) {
  TForm form(L"TWheelForm", 100, 100, 300, 200);
  std::vector<std::string> log;
  form.OnMouseWheelUp = [&](TObject*, TShiftState shift, POINT at, bool& handled) {
    log.push_back("up " + ShiftText(shift) + " " + std::to_string(at.x) + "," + std::to_string(at.y));
    handled = true;
  };
  form.OnMouseWheelDown = [&](TObject*, TShiftState shift, POINT at, bool& handled) {
    log.push_back("down " + ShiftText(shift) + " " + std::to_string(at.x) + "," + std::to_string(at.y));
    handled = true;
  };
  SendMessageW(form.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, 120), Point(150, 160));
  SendMessageW(form.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-240)), Point(-3, 170));
  EXPECT_EQ(log, std::vector<std::string>({"up C 150,160", "down - -3,170"}));
}

TEST(FormInput, ReplacedWindowProcsSeeEveryMessageAndChainToThePreviousOne) {
  TForm form(L"TProcForm", 100, 100, 300, 200);
  TCustomControl control(&form, 10, 10, 50, 50);
  struct Target { TControl* control; std::vector<UINT> seen; TWndMethod previous; int downs = 0; };
  Target targets[] = {{&form, {}, {}}, {&control, {}, {}}};
  for (Target& target : targets) {
    target.previous = target.control->WindowProc;
    target.control->OnMouseDown = [&target](TObject*, TMouseButton, TShiftState, int, int) {
      ++target.downs;
    };
    target.control->WindowProc = [&target](TMessage& message) {
      target.seen.push_back(message.Msg);
      if (message.Msg == WM_APP + 1) {
        message.Result = 42;
        return;
      }
      target.previous(message);
    };
  }
  for (Target& target : targets) {
    HWND window = target.control->Handle();
    EXPECT_EQ(SendMessageW(window, WM_APP + 1, 0, 0), 42);
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, Point(1, 1));
    SendMessageW(window, WM_LBUTTONUP, 0, Point(1, 1));
    EXPECT_EQ(target.downs, 1);
    // The capture taken at the press and released at the release adds WM_CAPTURECHANGED.
    EXPECT_EQ(target.seen, std::vector<UINT>({WM_APP + 1, WM_LBUTTONDOWN, WM_LBUTTONUP,
                                              WM_CAPTURECHANGED}));
    EXPECT_EQ(target.control->Perform(WM_APP + 1, 0, 0), 42);
    target.control->WindowProc = target.previous;
    EXPECT_EQ(SendMessageW(window, WM_APP + 1, 0, 0), 0);
  }
}

TEST(FormInput, RightClickOpensTheFormsPopupMenuAtThePointerAndRunsTheChosenItem) {
  TForm form(L"TPopupForm", 200, 200, 300, 200);
  form.SetBorderStyle(TFormBorderStyle::bsNone);
  TPopupMenu menu(&form);
  TMenuItem* go = menu.Items().Add(L"执行");
  TMenuItem* group = menu.Items().Add(L"组");
  TMenuItem* first = group->Add(L"一");
  TMenuItem* second = group->Add(L"二");
  for (TMenuItem* item : {first, second}) item->SetRadioItem(true);
  second->SetChecked(true);
  TMenuItem* disabled = menu.Items().Add(L"停用");
  disabled->SetEnabled(false);
  int go_clicks = 0;
  TObject* go_sender = nullptr;
  go->OnClick = [&](TObject* sender) { ++go_clicks; go_sender = sender; };
  form.PopupMenu = &menu;
  form.Show();
  ASSERT_TRUE(systest::BringToFront(form.Handle()));

  struct Seen { std::wstring caption; UINT type = 0, state = 0; bool submenu = false; };
  std::vector<Seen> top, sub;
  RECT menu_rect = {};
  auto read = [](HMENU handle, std::vector<Seen>& into) {
    for (int i = 0; i < GetMenuItemCount(handle); ++i) {
      wchar_t text[64] = {};
      MENUITEMINFOW info = {};
      info.cbSize = sizeof info;
      info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU;
      info.dwTypeData = text;
      info.cch = 64;
      GetMenuItemInfoW(handle, UINT(i), TRUE, &info);
      into.push_back({text, info.fType, info.fState, info.hSubMenu != nullptr});
    }
  };
  RepeatUntil([&] {
    HWND open = classlib_test::FindOpenMenu();
    if (!open) return false;
    HMENU handle = reinterpret_cast<HMENU>(SendMessageW(open, MN_GETHMENU, 0, 0));
    read(handle, top);
    if (top.size() == 3) read(GetSubMenu(handle, 1), sub);
    GetWindowRect(open, &menu_rect);
    // Off the menu, so that no pointer move at its corner changes what the keys select.
    systest::MovePointer(menu_rect.left + 10, menu_rect.bottom + 20);
    systest::PressKey(VK_DOWN);
    systest::PressKey(VK_RETURN);
    return true;
  });
  systest::ClickAt(260, 250, true);
  ASSERT_TRUE(systest::WaitUntil([&] { return go_clicks > 0; }));
  EXPECT_EQ(go_clicks, 1);
  EXPECT_EQ(go_sender, go);
  ASSERT_EQ(top.size(), 3u);
  EXPECT_EQ(top[0].caption, L"执行");
  EXPECT_EQ(top[1].caption, L"组");
  EXPECT_TRUE(top[1].submenu);
  EXPECT_TRUE(top[2].state & MFS_DISABLED);
  EXPECT_FALSE(top[0].state & (MFS_DISABLED | MFS_CHECKED));
  ASSERT_EQ(sub.size(), 2u);
  EXPECT_TRUE(sub[0].type & MFT_RADIOCHECK);
  EXPECT_FALSE(sub[0].state & MFS_CHECKED);
  EXPECT_TRUE(sub[1].state & MFS_CHECKED);
  EXPECT_EQ(menu_rect.left, 260);
  EXPECT_EQ(menu_rect.top, 250);
}
