#include "classlib/sysutils.h"

#include <climits>
#include <cwctype>

namespace classlib {

namespace {

std::wstring MultiByteToWide(UINT code_page, const std::string& text) {
  if (text.empty()) return std::wstring();
  int size = MultiByteToWideChar(code_page, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring result(size_t(size), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), int(text.size()), result.data(), size);
  return result;
}

}  // namespace

Exception::Exception(const std::wstring& message)
    : std::runtime_error(WideToAnsi(message)), message_(message) {}

Exception::Exception(const std::string& message)
    : std::runtime_error(message), message_(MultiByteToWide(CP_UTF8, message)) {}

int StrToInt(const std::wstring& text) {
  size_t pos = 0;
  while (pos < text.size() && (text[pos] == L' ' || text[pos] == L'\t')) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == L'+' || text[pos] == L'-')) {
    negative = text[pos] == L'-';
    ++pos;
  }
  bool valid = pos < text.size();
  long long value = 0;
  for (; valid && pos < text.size(); ++pos) {
    if (text[pos] < L'0' || text[pos] > L'9') {
      valid = false;
      break;
    }
    value = value * 10 + (text[pos] - L'0');
    if (value > static_cast<long long>(INT_MAX) + 1) valid = false;
  }
  if (valid) {
    if (negative) value = -value;
    if (value >= INT_MIN && value <= INT_MAX) return static_cast<int>(value);
  }
  throw EConvertError(L"'" + text + L"' is not a valid integer value");
}

bool FileExists(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string WideToAnsi(const std::wstring& text) {
  if (text.empty()) return std::string();
  int size = WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string result(size_t(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), result.data(), size, nullptr,
                      nullptr);
  return result;
}

std::wstring AnsiToWide(const std::string& text) { return MultiByteToWide(CP_ACP, text); }

}  // namespace classlib
