// The application object and forms: start-up order, the idle event, the task-bar window,
// border styles with the rebuilt window, client sizes, centring, screen snapping, modal
// forms and the default exception handler. Events are recorded and compared with the
// expected sequence.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/forms.h"
#include "classlib/stdctrls.h"
#include "classlib/sysutils.h"
#include "tools/systest/systest.h"
#include "tests/classlib/test_timers.h"

using namespace classlib;
using classlib_test::RepeatUntil;

namespace {

std::vector<std::string> g_events;

class TSecond;
TSecond* Second = nullptr;

class TSecond : public TForm {
 public:
  TSecond() : TForm(L"TSecondForm", 40, 40, 200, 100) {
    OnCreate = [](TObject*) { g_events.push_back("second.create"); };
    OnShow = [](TObject*) { g_events.push_back("second.show"); };
  }
};

class TFirst : public TForm {
 public:
  TFirst() : TForm(L"TFirstForm", 300, 300, 300, 200) {
    OnCreate = [](TObject*) { g_events.push_back("first.create"); };
    OnShow = [](TObject*) {
      g_events.push_back("first.show");
      Second->Show();
    };
    OnActivate = [](TObject*) { g_events.push_back("first.activate"); };
    OnClose = [](TObject*, TCloseAction&) { g_events.push_back("first.close"); };
  }
};

class TThird : public TForm {
 public:
  TThird() : TForm(L"TThirdForm") {
    OnCreate = [](TObject*) { g_events.push_back("third.create"); };
  }
};

std::string Join(const std::vector<std::string>& events) {
  std::string text;
  for (const std::string& event : events) text += event + " ";
  return text;
}

}  // namespace

TEST(Application, CreatesFormsInOrderShowsTheMainFormAndIdlesUntilClosed) {
  TFirst* first = nullptr;
  TThird* third = nullptr;
  Application->CreateForm(first);
  Application->CreateForm(Second);
  Application->CreateForm(third);
  EXPECT_EQ(Application->MainForm(), first);

  int idle_calls = 0;
  Application->OnIdle = [&](TObject*, bool& done) {
    done = false;  // called again at once, with no message waiting
    if (++idle_calls == 1) g_events.push_back("idle");
    if (idle_calls == 200) first->Close();
  };
  Application->Run();

  const std::vector<std::string> expected = {
      "first.create", "second.create", "third.create", "first.show",
      "second.show",  "first.activate", "idle",        "first.close"};
  EXPECT_EQ(Join(g_events), Join(expected));
  EXPECT_GE(idle_calls, 200);
  // The main form is the task-bar window and the others belong to it; the application's
  // window stays hidden.
  EXPECT_TRUE(GetWindowLongW(first->Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_EQ(GetWindow(first->Handle(), GW_OWNER), nullptr);
  EXPECT_EQ(GetWindow(Second->Handle(), GW_OWNER), first->Handle());
  EXPECT_EQ(GetWindow(third->Handle(), GW_OWNER), first->Handle());
  EXPECT_FALSE(IsWindowVisible(Application->Handle()));
  Application->DestroyForms();
}

TEST(Application, IdleThatIsDoneWaitsForTheNextMessage) {
  TFirst* first = nullptr;
  Application->CreateForm(first);
  Application->CreateForm(Second);
  int idle_calls = 0, ticks = 0;
  Application->OnIdle = [&](TObject*, bool&) { ++idle_calls; };
  RepeatUntil([&] {
    if (++ticks < 10) return false;
    first->Close();
    return true;
  }, 30);
  Application->Run();
  // Each tick (and the few messages around it) wakes the loop once or a few times; an
  // idle event called in a loop would count in the thousands.
  EXPECT_LE(idle_calls, 10 * ticks + 50) << "ticks " << ticks;
  Application->DestroyForms();
}

TEST(Form, NewBorderStyleRebuildsTheWindowAndItsControls) {
  TForm form(L"TRebuildForm", 50, 60, 400, 300);
  form.SetFont(L"Tahoma", -11);
  TComboBox combo(&form, 16, 8, 145, 21);
  combo.SetItems({L"-1", L"1", L"2"});
  combo.SetText(L"九");
  TLabel label(&form, 16, 40, L"X的修正值");
  form.Show();
  HWND old_window = form.Handle();
  RECT before = systest::WindowRect(old_window);

  form.SetBorderStyle(TFormBorderStyle::bsNone);

  ASSERT_NE(form.Handle(), old_window);
  EXPECT_FALSE(IsWindow(old_window));
  LONG style = GetWindowLongW(form.Handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & WS_CAPTION);
  EXPECT_TRUE(IsWindowVisible(form.Handle()));
  RECT after = systest::WindowRect(form.Handle());
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
  EXPECT_EQ(after.right - after.left, before.right - before.left);
  EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
  ASSERT_TRUE(IsWindow(combo.Handle()));
  EXPECT_EQ(GetParent(combo.Handle()), form.Handle());
  EXPECT_EQ(combo.Text(), L"九");
  EXPECT_EQ(SendMessageW(combo.Handle(), CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(combo.Left(), 16);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(label.Handle(), WM_GETFONT, 0, 0)),
            form.Font());
  EXPECT_EQ(systest::WindowCaption(label.Handle()), L"X的修正值");
}

TEST(Form, ClientSizeHoldsForEveryBorderStyle) {
  struct Row { TFormBorderStyle style; const char* name; };
  const Row rows[] = {{TFormBorderStyle::bsSingle, "bsSingle"},
                      {TFormBorderStyle::bsNone, "bsNone"},
                      {TFormBorderStyle::bsDialog, "bsDialog"},
                      {TFormBorderStyle::bsSizeable, "bsSizeable"}};
  for (const Row& row : rows) {
    TForm form(L"TClientForm");
    form.SetBorderStyle(row.style);
    form.Show();
    form.SetClientSize(512, 384);
    RECT client;
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, 512) << row.name;
    EXPECT_EQ(client.bottom, 384) << row.name;
    EXPECT_EQ(form.ClientWidth(), 512) << row.name;
    EXPECT_EQ(form.ClientHeight(), 384) << row.name;
    RECT window = systest::WindowRect(form.Handle());
    EXPECT_EQ(form.Width(), window.right - window.left) << row.name;
    EXPECT_EQ(form.Height(), window.bottom - window.top) << row.name;
  }
}

TEST(Form, BorderIconsGiveTheCaptionButtons) {
  TForm form(L"TIconForm");
  form.SetBorderStyle(TFormBorderStyle::bsSingle);
  form.SetBorderIcons(biSystemMenu | biMinimize);
  LONG style = GetWindowLongW(form.Handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  form.SetBorderIcons(0);
  style = GetWindowLongW(form.Handle(), GWL_STYLE);
  EXPECT_FALSE(style & (WS_SYSMENU | WS_MINIMIZEBOX));
}

TEST(Form, ScreenCentreOnTheFirstShowingOnly) {
  TForm form(L"TCentreForm", 0, 0, 300, 200);
  form.Position = TPosition::poScreenCenter;
  form.Show();
  EXPECT_EQ(form.Left(), (GetSystemMetrics(SM_CXSCREEN) - 300) / 2);
  EXPECT_EQ(form.Top(), (GetSystemMetrics(SM_CYSCREEN) - 200) / 2);
  form.Hide();
  form.SetBounds(100, 120, 300, 200);
  form.Show();
  EXPECT_EQ(form.Left(), 100);
  EXPECT_EQ(form.Top(), 120);
}

TEST(Form, ScreenSnapPullsEdgesWithinTenPixelsToTheWorkArea) {
  TForm form(L"TSnapForm", 200, 200, 300, 200);
  form.ScreenSnap = true;
  form.Show();
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(form.Handle(), MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT area = monitor.rcWork;
  struct Row { int left, top, expected_left, expected_top; };
  const Row rows[] = {
      {area.left + 10, area.top + 200, area.left, area.top + 200},
      {area.left + 11, area.top + 200, area.left + 11, area.top + 200},
      {area.left + 200, area.top + 5, area.left + 200, area.top},
      {area.left - 9, area.top - 10, area.left, area.top},
      {area.right - 300 + 10, area.top + 100, area.right - 300, area.top + 100},
      {area.right - 300 - 11, area.bottom - 200 + 4, area.right - 311, area.bottom - 200},
  };
  for (const Row& row : rows) {
    form.SetBounds(row.left, row.top, 300, 200);
    EXPECT_EQ(form.Left(), row.expected_left) << "moved to " << row.left << "," << row.top;
    EXPECT_EQ(form.Top(), row.expected_top) << "moved to " << row.left << "," << row.top;
  }
  form.ScreenSnap = false;
  form.SetBounds(area.left + 5, area.top + 5, 300, 200);
  EXPECT_EQ(form.Left(), area.left + 5);
  EXPECT_EQ(form.Top(), area.top + 5);
}

TEST(Form, ModalFormRunsTheIdleEventAndReturnsTheButtonsResult) {
  TForm owner(L"TOwnerForm", 100, 100, 300, 200);
  owner.Show();
  TForm dialog(L"TDialogForm", 150, 150, 340, 100);
  dialog.SetBorderStyle(TFormBorderStyle::bsDialog);
  TButton ok(&dialog, 134, 35, 75, 25, L"OK");
  ok.ModalResult = mrOk;
  int clicks = 0;
  ok.OnClick = [&](TObject*) { ++clicks; };
  int idle_calls = 0;
  Application->OnIdle = [&](TObject*, bool& done) {
    ++idle_calls;
    done = false;
    Sleep(1);
  };
  bool owner_disabled = false;
  int idle_before_click = 0;
  RepeatUntil([&] {
    if (!IsWindowVisible(dialog.Handle()) || idle_calls < 5) return false;
    owner_disabled = !IsWindowEnabled(owner.Handle());
    idle_before_click = idle_calls;
    SendMessageW(ok.Handle(), BM_CLICK, 0, 0);
    return true;
  });
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(owner_disabled);
  EXPECT_GE(idle_before_click, 5);
  EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
  EXPECT_FALSE(IsWindowVisible(dialog.Handle()));

  // Closing a modal form (the caption's close button) answers mrCancel.
  RepeatUntil([&] {
    if (!IsWindowVisible(dialog.Handle())) return false;
    PostMessageW(dialog.Handle(), WM_CLOSE, 0, 0);
    return true;
  });
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  EXPECT_TRUE(IsWindowVisible(owner.Handle()));
  Application->OnIdle = nullptr;
}

TEST(Application, DefaultHandlerShowsConversionErrorsInAMessageBox) {
  Application->Title = L"classlib test";
  TForm form(L"TErrorForm", 100, 100, 300, 200);
  TComboBox combo(&form, 8, 8, 145, 21);
  combo.SetText(L"三x");
  TButton button(&form, 8, 40, 75, 25, L"OK");
  bool after_conversion = false;
  button.OnClick = [&](TObject*) {
    StrToInt(combo.Text());
    after_conversion = true;
  };
  form.Show();
  std::wstring shown;
  RepeatUntil([&] {
    HWND box = classlib_test::FindMessageBox(L"classlib test");
    if (!box) return false;
    shown = classlib_test::MessageBoxText(box);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return true;
  });
  SendMessageW(button.Handle(), BM_CLICK, 0, 0);  // returns once the box is closed
  EXPECT_EQ(shown, L"'三x' is not a valid integer value");
  EXPECT_FALSE(after_conversion);
  EXPECT_TRUE(IsWindow(form.Handle()));
}

TEST(Application, ErrorsOfTheIdleEventAreShownAndTheLoopGoesOn) {
  Application->Title = L"classlib idle test";
  TFirst* first = nullptr;
  Application->CreateForm(first);
  Application->CreateForm(Second);
  int idle_calls = 0;
  std::wstring shown;
  Application->OnIdle = [&](TObject*, bool& done) {
    done = false;
    ++idle_calls;
    if (idle_calls == 3) throw EConvertError(L"'q' is not a valid integer value");
    if (idle_calls == 50) first->Close();
  };
  RepeatUntil([&] {
    HWND box = classlib_test::FindMessageBox(L"classlib idle test");
    if (!box) return false;
    shown = classlib_test::MessageBoxText(box);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return true;
  });
  Application->Run();
  EXPECT_EQ(shown, L"'q' is not a valid integer value");
  EXPECT_GE(idle_calls, 50);
  Application->DestroyForms();
}
