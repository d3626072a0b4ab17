// The "Setting..." dialog of both viewers: two editable combo boxes with the X and the Y
// correction of the cursor overlay, confirmed with "OK". The viewers differ in the
// dialog's measures, its start values and how a text becomes a number; those come in a
// TCursorOffsetDesign, everything else is here.
#pragma once

#include <string>

#include "classlib/forms.h"
#include "classlib/stdctrls.h"

namespace viewer {

struct TCursorOffsetDesign {
  const wchar_t* class_name;
  int client_width, client_height;
  // ComboBox1 is at (16, 8) and Label1 at (16, 35); these place the rest on their row.
  int combo2_left, label2_left, button_left;
  // The combo boxes' texts as designed, and the corrections FormCreate sets.
  const wchar_t* text_x;
  const wchar_t* text_y;
  int correction_x, correction_y;
  // Turns a combo box's text into a correction; may raise, which keeps the dialog open.
  int (*convert)(const std::wstring& text);
  // The labels' Tahoma font height; 0: the dialog's font.
  int label_font_height;
};

class TCursorOffsetDialog : public classlib::TForm {
 public:
  explicit TCursorOffsetDialog(const TCursorOffsetDesign& design);

  classlib::TComboBox ComboBox1;
  classlib::TComboBox ComboBox2;
  classlib::TLabel Label1;
  classlib::TLabel Label2;
  classlib::TButton Button1;
  int XCorrection = 0;
  int YCorrection = 0;

  void FormCreate(classlib::TObject* sender);
  // Converts the X text, then the Y text, then closes the dialog with mrOk. A conversion
  // that raises leaves what was converted before it and the dialog open.
  void Button1Click(classlib::TObject* sender);

 private:
  const TCursorOffsetDesign& design_;
};

}  // namespace viewer
