#include "brisklens-gl/str_to_int_val.h"

#include <cstdint>

namespace brisklens_gl {

namespace {

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

int DecimalDigit(wchar_t c) { return c >= L'0' && c <= L'9' ? c - L'0' : -1; }

bool IsHexPrefix(wchar_t c) { return c == L'$' || c == L'x' || c == L'X'; }

}  // namespace

int StrToIntVal(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && text[i] == L' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  bool hex = false;
  if (i < text.size() && IsHexPrefix(text[i])) {
    hex = true;
    i += 1;
  } else if (i + 1 < text.size() && text[i] == L'0' &&
             (text[i + 1] == L'x' || text[i + 1] == L'X')) {
    hex = true;
    i += 2;
  }
  const int base = hex ? 16 : 10;
  // Hexadecimal fills 32 bits; a decimal magnitude reaches 2^31 only with the minus sign.
  const uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  uint64_t magnitude = 0;
  bool any_digit = false;
  for (; i < text.size(); ++i) {
    const int digit = hex ? HexDigit(text[i]) : DecimalDigit(text[i]);
    const uint64_t next = magnitude * uint64_t(base) + uint64_t(digit < 0 ? 0 : digit);
    if (digit < 0 || next > limit) return int(uint32_t(magnitude));
    magnitude = next;
    any_digit = true;
  }
  if (!any_digit) return 0;
  const uint32_t bits = uint32_t(magnitude);
  return int(negative ? 0u - bits : bits);
}

}  // namespace brisklens_gl
