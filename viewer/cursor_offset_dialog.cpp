#include "viewer/cursor_offset_dialog.h"

#include <vector>

namespace viewer {

using namespace classlib;

namespace {

// Every correction from -6 to 6 but 0.
const std::vector<std::wstring> kCorrectionItems = {L"-6", L"-5", L"-4", L"-3", L"-2", L"-1",
                                                    L"1",  L"2",  L"3",  L"4",  L"5",  L"6"};

}  // namespace

TCursorOffsetDialog::TCursorOffsetDialog(const TCursorOffsetDesign& design)
    : TForm(design.class_name),
      ComboBox1(this, 16, 8, 145, 21),
      ComboBox2(this, design.combo2_left, 8, 145, 21),
      Label1(this, 16, 35, L"X的修正值"),
      Label2(this, design.label2_left, 35, L"Y的修正值"),
      Button1(this, design.button_left, 35, 75, 25, L"OK"),
      design_(design) {
  SetCaption(L"Setting...");
  SetBorderStyle(TFormBorderStyle::bsDialog);
  SetFont(L"Tahoma", -11);
  if (design.label_font_height != 0) {
    Label1.SetFont(L"Tahoma", design.label_font_height);
    Label2.SetFont(L"Tahoma", design.label_font_height);
  }
  SetClientSize(design.client_width, design.client_height);
  ComboBox1.SetItems(kCorrectionItems);
  ComboBox2.SetItems(kCorrectionItems);
  ComboBox1.SetText(design.text_x);
  ComboBox2.SetText(design.text_y);
  OnCreate = [this](TObject* sender) { FormCreate(sender); };
  Button1.OnClick = [this](TObject* sender) { Button1Click(sender); };
}

void TCursorOffsetDialog::FormCreate(TObject*) {
  XCorrection = design_.correction_x;
  YCorrection = design_.correction_y;
}

void TCursorOffsetDialog::Button1Click(TObject*) {
  XCorrection = design_.convert(ComboBox1.Text());
  YCorrection = design_.convert(ComboBox2.Text());
  SetModalResult(mrOk);
}

}  // namespace viewer
