// The cursor-offset dialog: the viewers' "Setting..." dialog with this viewer's measures;
// its texts are converted by StrToIntVal, which never raises, so "OK" always closes it.
#pragma once

#include "viewer/cursor_offset_dialog.h"

namespace brisklens_gl {

class TForm4 : public viewer::TCursorOffsetDialog {
 public:
  TForm4();
};

extern TForm4* Form4;

}  // namespace brisklens_gl
