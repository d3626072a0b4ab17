// The cursor-offset dialog: two editable combo boxes with the X and Y corrections of the
// cursor overlay, confirmed with "OK".
#pragma once

#include "classlib/forms.h"
#include "classlib/stdctrls.h"

namespace brisklens_soft {

class TForm3 : public classlib::TForm {
 public:
  TForm3();

  classlib::TComboBox ComboBox1;
  classlib::TComboBox ComboBox2;
  classlib::TLabel Label1;
  classlib::TLabel Label2;
  classlib::TButton Button1;
  int XCorrection = 0;
  int YCorrection = 0;

  void FormCreate(classlib::TObject* sender);
  // Converts both texts (a text that is not an integer raises the conversion error and
  // the dialog stays open), then closes the dialog with mrOk.
  void Button1Click(classlib::TObject* sender);
};

extern TForm3* Form3;

}  // namespace brisklens_soft
