// Conversions, file tests and the exception type of the class-library layer.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace classlib {

// The base of the layer's errors. The message is kept as UTF-16 so that the application's
// default handler can show any text (a Chinese combo-box entry, for example) unchanged.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::wstring& message);
  // A fixed English text (or one built from UTF-8 names): what() gives it unchanged.
  explicit Exception(const std::string& message);
  const std::wstring& Message() const { return message_; }

 private:
  std::wstring message_;
};

// Raised by the conversions when a text is not a number of the requested kind.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// An index or key a list does not hold.
class EListError : public Exception {
 public:
  using Exception::Exception;
};

// Decimal text to a 32-bit integer: optional leading blanks, an optional sign, decimal
// digits and nothing after them. Any other text, or a value outside the 32-bit range,
// raises EConvertError "'<text>' is not a valid integer value".
int StrToInt(const std::wstring& text);

// True when `path` names an existing file (not a folder).
bool FileExists(const std::wstring& path);

// UTF-16 to and from the system's ANSI code page.
std::string WideToAnsi(const std::wstring& text);
std::wstring AnsiToWide(const std::string& text);

}  // namespace classlib
