#include "viewer/line_list.h"

#include <windows.h>

#include <memory>

namespace viewer {

namespace {

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

FileHandle OpenFile(const std::wstring& path, DWORD access, DWORD creation) {
  HANDLE handle = CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, creation,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  return FileHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

std::wstring FromAnsi(const std::string& bytes) {
  if (bytes.empty()) return std::wstring();
  const int size = int(bytes.size());
  const int count = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  std::wstring text(size_t(count > 0 ? count : 0), L'\0');
  if (count > 0) MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, &text[0], count);
  return text;
}

std::string ToAnsi(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size = int(text.size());
  const int count =
      WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string bytes(size_t(count > 0 ? count : 0), '\0');
  if (count > 0)
    WideCharToMultiByte(CP_ACP, 0, text.data(), size, &bytes[0], count, nullptr, nullptr);
  return bytes;
}

// Collects lines from the file's bytes as they arrive.
class LineSplitter {
 public:
  explicit LineSplitter(size_t max_lines) : max_lines_(max_lines) {}

  bool Full() const { return lines_.size() >= max_lines_; }

  void Add(const char* bytes, size_t count) {
    for (size_t i = 0; i < count && !Full(); ++i) {
      const char c = bytes[i];
      if (after_cr_ && c == '\n') {  // the LF of a CR LF
        after_cr_ = false;
        continue;
      }
      after_cr_ = c == '\r';
      if (c == '\r' || c == '\n') {
        EndLine();
      } else {
        has_text_ = true;
        if (line_.size() < kMaxLineBytes) line_.push_back(c);
      }
    }
  }

  std::vector<std::wstring> Finish() {
    if (has_text_ && !Full()) EndLine();
    return std::move(lines_);
  }

 private:
  void EndLine() {
    lines_.push_back(FromAnsi(line_));
    line_.clear();
    has_text_ = false;
  }

  size_t max_lines_;
  std::vector<std::wstring> lines_;
  std::string line_;
  bool has_text_ = false;
  bool after_cr_ = false;
};

}  // namespace

std::optional<std::vector<std::wstring>> ReadLineList(const std::wstring& path,
                                                      size_t max_lines) {
  FileHandle file = OpenFile(path, GENERIC_READ, OPEN_EXISTING);
  if (!file) return std::nullopt;
  LineSplitter splitter(max_lines);
  char buffer[65536];
  while (!splitter.Full()) {
    DWORD read = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) return std::nullopt;
    if (read == 0) break;
    splitter.Add(buffer, read);
  }
  return splitter.Finish();
}

bool WriteLineList(const std::wstring& path, const std::vector<std::wstring>& lines) {
  std::string bytes;
  for (const std::wstring& line : lines) bytes += ToAnsi(line) + "\r\n";
  FileHandle file = OpenFile(path, GENERIC_WRITE, CREATE_ALWAYS);
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

}  // namespace viewer
