// Text to a 32-bit integer that never raises: the viewer's conversion for the window
// positions of its settings file and the texts of its cursor-offset dialog.
#pragma once

#include <string>

namespace brisklens_gl {

// Leading blanks are skipped; then an optional "+" or "-"; then decimal digits, or
// hexadecimal digits after "$", "x", "X" or "0x" (hexadecimal gives the bit pattern of up
// to 8 digits). A whole number gives its value. Any other text gives the magnitude read
// before its first bad character, without the sign; a digit that would overflow counts as
// bad. Empty text, or text without digits, gives 0.
int StrToIntVal(const std::wstring& text);

}  // namespace brisklens_gl
