// The cursor-offset dialog: its controls, the corrections it converts and the conversion
// error shown by the default handler while the dialog stays open.
#include <gtest/gtest.h>

#include "tests/classlib/test_timers.h"
#include "classlib/sysutils.h"
#include "tools/systest/systest.h"
#include "brisklens-soft/unit3.h"

using namespace brisklens_soft;
using namespace classlib;
using classlib_test::RepeatUntil;

TEST(Form3, ControlsAsDesigned) {
  TForm3 dialog;
  dialog.DoCreate();
  EXPECT_EQ(dialog.Caption(), L"Setting...");
  EXPECT_EQ(dialog.BorderStyle(), TFormBorderStyle::bsDialog);
  EXPECT_EQ(dialog.ClientWidth(), 340);
  EXPECT_EQ(dialog.ClientHeight(), 68);
  EXPECT_EQ(dialog.Left(), 0);
  EXPECT_EQ(dialog.Top(), 0);
  EXPECT_EQ(dialog.XCorrection, 3);
  EXPECT_EQ(dialog.YCorrection, 3);
  const std::vector<std::wstring> items = {L"-6", L"-5", L"-4", L"-3", L"-2", L"-1",
                                           L"1",  L"2",  L"3",  L"4",  L"5",  L"6"};
  struct Row { TComboBox* combo; int left; };
  for (Row row : {Row{&dialog.ComboBox1, 16}, Row{&dialog.ComboBox2, 176}}) {
    EXPECT_EQ(row.combo->Left(), row.left);
    EXPECT_EQ(row.combo->Top(), 8);
    EXPECT_EQ(row.combo->Width(), 145);
    EXPECT_EQ(row.combo->Text(), L"3");
    EXPECT_EQ(row.combo->Items(), items);
    EXPECT_EQ(SendMessageW(row.combo->Handle(), CB_GETCOUNT, 0, 0), 12);
  }
  EXPECT_EQ(dialog.Label1.Caption(), L"X的修正值");
  EXPECT_EQ(dialog.Label2.Caption(), L"Y的修正值");
  EXPECT_EQ(dialog.Label2.Left(), 267);
  EXPECT_EQ(dialog.Label2.Top(), 35);
  EXPECT_EQ(dialog.Button1.Caption(), L"OK");
  EXPECT_EQ(dialog.Button1.Left(), 134);
  EXPECT_EQ(dialog.Button1.Width(), 75);
  EXPECT_EQ(dialog.Button1.Height(), 25);
}

TEST(Form3, OkConvertsBothTextsAndAnyIntegerIsTaken) {
  TForm3 dialog;
  dialog.DoCreate();
  RepeatUntil([&] {
    if (!IsWindowVisible(dialog.Handle())) return false;
    SetWindowTextW(dialog.ComboBox1.Handle(), L"-4");
    SetWindowTextW(dialog.ComboBox2.Handle(), L"12");
    SendMessageW(dialog.Button1.Handle(), BM_CLICK, 0, 0);
    return true;
  });
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  EXPECT_EQ(dialog.XCorrection, -4);
  EXPECT_EQ(dialog.YCorrection, 12);
}

TEST(Form3, ABadTextShowsTheErrorAndKeepsTheDialogOpen) {
  Application->Title = L"brisklens form3 test";
  TForm3 dialog;
  dialog.DoCreate();
  std::wstring shown;
  bool open_after_error = false;
  int step = 0;
  RepeatUntil([&] {
    if (!IsWindowVisible(dialog.Handle())) return false;
    if (step == 0) {
      ++step;
      SetWindowTextW(dialog.ComboBox1.Handle(), L"5");
      SetWindowTextW(dialog.ComboBox2.Handle(), L"abc");
      PostMessageW(dialog.Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                   LPARAM(dialog.Button1.Handle()));
      return false;
    }
    HWND box = classlib_test::FindMessageBox(L"brisklens form3 test");
    if (step == 1 && box) {
      ++step;
      shown = classlib_test::MessageBoxText(box);
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      return false;
    }
    if (step == 2 && !box) {
      open_after_error = IsWindowVisible(dialog.Handle());
      PostMessageW(dialog.Handle(), WM_CLOSE, 0, 0);
      return true;
    }
    return false;
  });
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  EXPECT_EQ(shown, L"'abc' is not a valid integer value");
  EXPECT_TRUE(open_after_error);
  EXPECT_EQ(dialog.XCorrection, 5) << "the X text was converted before the Y text failed";
  EXPECT_EQ(dialog.YCorrection, 3);
}
