#include "brisklens-gl/unit4.h"

#include "brisklens-gl/str_to_int_val.h"

namespace brisklens_gl {

TForm4* Form4 = nullptr;

namespace {

const viewer::TCursorOffsetDesign kDesign = {
    L"TForm4", 352, 69, /*combo2_left=*/192, /*label2_left=*/270, /*button_left=*/136,
    L"3",      L"5",    3,  5,  StrToIntVal,     /*label_font_height=*/-12};

}  // namespace

TForm4::TForm4() : TCursorOffsetDialog(kDesign) {}

}  // namespace brisklens_gl
