// The cursor-offset dialog: the viewers' "Setting..." dialog with this viewer's measures;
// its texts are converted by the class library's decimal conversion, which raises on any
// other text (the default handler shows the error and the dialog stays open).
#pragma once

#include "viewer/cursor_offset_dialog.h"

namespace brisklens_soft {

class TForm3 : public viewer::TCursorOffsetDialog {
 public:
  TForm3();
};

extern TForm3* Form3;

}  // namespace brisklens_soft
