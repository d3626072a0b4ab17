#include "brisklens-soft/unit3.h"

#include "classlib/sysutils.h"

namespace brisklens_soft {

using namespace classlib;

TForm3* Form3 = nullptr;

namespace {

const std::vector<std::wstring> kCorrectionItems = {L"-6", L"-5", L"-4", L"-3", L"-2", L"-1",
                                                    L"1",  L"2",  L"3",  L"4",  L"5",  L"6"};

}  // namespace

TForm3::TForm3()
    : TForm(L"TForm3"),
      ComboBox1(this, 16, 8, 145, 21),
      ComboBox2(this, 176, 8, 145, 21),
      Label1(this, 16, 35, L"X的修正值"),
      Label2(this, 267, 35, L"Y的修正值"),
      Button1(this, 134, 35, 75, 25, L"OK") {
  SetCaption(L"Setting...");
  SetBorderStyle(TFormBorderStyle::bsDialog);
  SetFont(L"Tahoma", -11);
  SetClientSize(340, 68);
  for (TComboBox* combo : {&ComboBox1, &ComboBox2}) {
    combo->SetItems(kCorrectionItems);
    combo->SetText(L"3");
  }
  OnCreate = [this](TObject* sender) { FormCreate(sender); };
  Button1.OnClick = [this](TObject* sender) { Button1Click(sender); };
}

void TForm3::FormCreate(TObject*) {
  XCorrection = 3;
  YCorrection = 3;
}

void TForm3::Button1Click(TObject*) {
  XCorrection = StrToInt(ComboBox1.Text());
  YCorrection = StrToInt(ComboBox2.Text());
  SetModalResult(mrOk);
}

}  // namespace brisklens_soft
