#include "brisklens-soft/unit3.h"

#include "classlib/sysutils.h"

namespace brisklens_soft {

TForm3* Form3 = nullptr;

namespace {

int ConvertCorrection(const std::wstring& text) { return classlib::StrToInt(text); }

const viewer::TCursorOffsetDesign kDesign = {
    L"TForm3", 340, 68, /*combo2_left=*/176, /*label2_left=*/267, /*button_left=*/134,
    L"3",      L"3",    3,  3,  ConvertCorrection, /*label_font_height=*/0};

}  // namespace

TForm3::TForm3() : TCursorOffsetDialog(kDesign) {}

}  // namespace brisklens_soft
