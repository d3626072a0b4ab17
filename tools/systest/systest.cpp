#include "tools/systest/systest.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <sstream>

namespace systest {

namespace {

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

std::string Narrow(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string result(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &result[0], n, nullptr, nullptr);
  return result;
}

void RemoveTree(const std::wstring& path) {
  // SHFileOperation wants a double-terminated list.
  std::wstring list = path;
  list.push_back(L'\0');
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = list.c_str();
  operation.fFlags = FOF_NO_UI;
  SHFileOperationW(&operation);
}

std::wstring QuoteArgument(const std::wstring& argument) {
  return L"\"" + argument + L"\"";
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeout_ms) {
  DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= timeout_ms) return condition();
    PumpMessages();
    Sleep(10);
  }
}

std::wstring BinaryDir() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring result(path, n);
  size_t slash = result.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"." : result.substr(0, slash);
}

std::wstring ProgramPath(const std::wstring& file_name) { return BinaryDir() + L"\\" + file_name; }

TempDir::TempDir() {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  static LONG counter = 0;
  for (;;) {
    wchar_t name[64];
    swprintf(name, 64, L"systest-%lu-%ld", GetCurrentProcessId(), InterlockedIncrement(&counter));
    path_ = std::wstring(base) + name;
    if (CreateDirectoryW(path_.c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
}

TempDir::~TempDir() { RemoveTree(path_); }

bool CopyProgram(const std::wstring& program_file, const std::wstring& target_path) {
  return CopyFileW(ProgramPath(program_file).c_str(), target_path.c_str(), FALSE) != 0;
}

bool WriteTextFile(const std::wstring& path, const std::string& content) {
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (!file) return false;
  bool ok = fwrite(content.data(), 1, content.size(), file) == content.size();
  return fclose(file) == 0 && ok;
}

std::string ReadTextFile(const std::wstring& path) {
  // Shared read access: the stand-in keeps its log open while it runs.
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string content;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) content.append(buffer, got);
  CloseHandle(file);
  return content;
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Process --------------------------------------------------------------------------------

Process::~Process() { Kill(); }

Process::Process(Process&& other) noexcept { *this = std::move(other); }

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Kill();
    process_ = other.process_;
    job_ = other.job_;
    id_ = other.id_;
    other.process_ = nullptr;
    other.job_ = nullptr;
    other.id_ = 0;
  }
  return *this;
}

Process Process::Start(const std::wstring& program, const std::wstring& arguments,
                       const std::wstring& working_dir) {
  Process result;
  std::wstring command_line = QuoteArgument(program);
  if (!arguments.empty()) command_line += L" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  // Under Wine on a loaded machine a start now and then fails at once; one that still fails
  // after a few tries says why, since the test only sees a program that never showed up.
  DWORD error = ERROR_SUCCESS;
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (attempt > 0) Sleep(250);
    if (CreateProcessW(program.c_str(), &command_line[0], nullptr, nullptr, FALSE,
                       CREATE_SUSPENDED, nullptr,
                       working_dir.empty() ? nullptr : working_dir.c_str(), &startup, &info)) {
      error = ERROR_SUCCESS;
      break;
    }
    error = GetLastError();
    fprintf(stderr, "systest: starting %ls failed (attempt %d, error %lu)\n", program.c_str(),
            attempt + 1, error);
  }
  if (error != ERROR_SUCCESS) {
    CloseHandle(job);
    return result;
  }
  // In the job before it runs, so that whatever it starts is in the job too.
  AssignProcessToJobObject(job, info.hProcess);
  ResumeThread(info.hThread);
  CloseHandle(info.hThread);
  result.process_ = info.hProcess;
  result.job_ = job;
  result.id_ = info.dwProcessId;
  return result;
}

bool Process::Running() const {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool Process::WaitForExit(DWORD timeout_ms) const {
  if (!process_) return true;
  return WaitUntil([this] { return !Running(); }, timeout_ms);
}

DWORD Process::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (process_) GetExitCodeProcess(process_, &code);
  return code;
}

void Process::Kill() {
  if (job_) {
    TerminateJobObject(job_, 1);
    CloseHandle(job_);
    job_ = nullptr;
  }
  if (process_) {
    if (Running()) TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
    CloseHandle(process_);
    process_ = nullptr;
  }
  id_ = 0;
}

// Windows --------------------------------------------------------------------------------

std::wstring WindowClass(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

std::wstring WindowCaption(HWND window) {
  wchar_t text[512] = {};
  // WM_GETTEXT fetches the text of another process's window too. Not SMTO_ABORTIFHUNG: on
  // a loaded machine a program that is still starting counts as hung.
  SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                      2000, nullptr);
  return text;
}

namespace {
struct FindContext {
  const WindowQuery* query;
  HWND found;
};

BOOL CALLBACK FindProc(HWND window, LPARAM lparam) {
  auto* context = reinterpret_cast<FindContext*>(lparam);
  const WindowQuery& query = *context->query;
  if (query.visible_only && !IsWindowVisible(window)) return TRUE;
  if (query.process_id) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != query.process_id) return TRUE;
  }
  if (!query.class_name.empty() && WindowClass(window) != query.class_name) return TRUE;
  if (!query.caption_prefix.empty() &&
      WindowCaption(window).compare(0, query.caption_prefix.size(), query.caption_prefix) != 0)
    return TRUE;
  context->found = window;
  return FALSE;
}
}  // namespace

HWND FindTopWindow(const WindowQuery& query) {
  FindContext context = {&query, nullptr};
  EnumWindows(FindProc, reinterpret_cast<LPARAM>(&context));
  return context.found;
}

namespace {
struct ProcessWindowSearch {
  DWORD process_id;
  const std::function<bool(HWND)>* keep;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM lparam) {
  auto* search = reinterpret_cast<ProcessWindowSearch*>(lparam);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == search->process_id && IsWindowVisible(window) && (*search->keep)(window))
    search->found.push_back(window);
  return TRUE;
}
}  // namespace

std::vector<HWND> VisibleWindowsOf(DWORD process_id, const std::function<bool(HWND)>& keep) {
  ProcessWindowSearch search = {process_id, &keep, {}};
  EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> TaskbarWindows(DWORD process_id) {
  return VisibleWindowsOf(process_id, [](HWND window) {
    const LONG ex_style = GetWindowLongW(window, GWL_EXSTYLE);
    const bool unowned = !GetWindow(window, GW_OWNER) && !(ex_style & WS_EX_TOOLWINDOW);
    return unowned || (ex_style & WS_EX_APPWINDOW) != 0;
  });
}

HWND WaitForWindow(const WindowQuery& query, DWORD timeout_ms) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindTopWindow(query)) != nullptr; }, timeout_ms);
  return found;
}

RECT WindowRect(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return rect;
}

RECT ClientScreenRect(HWND window) {
  RECT rect = {};
  GetClientRect(window, &rect);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// Input ----------------------------------------------------------------------------------

void MovePointer(int screen_x, int screen_y) { SetCursorPos(screen_x, screen_y); }

void MouseButton(bool right, bool down) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = right ? (down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP)
                           : (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
  SendInput(1, &input, sizeof input);
}

void ClickAt(int screen_x, int screen_y, bool right) {
  MovePointer(screen_x, screen_y);
  MouseButton(right, true);
  MouseButton(right, false);
}

void MouseButtonAt(int screen_x, int screen_y, bool right, bool down) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  // Absolute places are in 0..65535 screen units, rounded up so that they come back as
  // exactly this pixel.
  const LONGLONG width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  input.mi.dx = LONG((LONGLONG(screen_x) * 65536 + width - 1) / width);
  input.mi.dy = LONG((LONGLONG(screen_y) * 65536 + height - 1) / height);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE |
                     (right ? (down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP)
                            : (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP));
  SendInput(1, &input, sizeof input);
}

void KeyStroke(WORD virtual_key, bool down) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtual_key;
  input.ki.wScan = WORD(MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &input, sizeof input);
}

void PressKey(WORD virtual_key) {
  KeyStroke(virtual_key, true);
  KeyStroke(virtual_key, false);
}

bool BringToFront(HWND window) {
  SetForegroundWindow(window);
  return WaitUntil([window] { return GetForegroundWindow() == window; }, 5000);
}

// Pixels ---------------------------------------------------------------------------------

Pixels CaptureDC(HDC source, const RECT& rect) {
  Pixels pixels;
  pixels.width = rect.right - rect.left;
  pixels.height = rect.bottom - rect.top;
  if (pixels.width <= 0 || pixels.height <= 0) return Pixels();
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = pixels.width;
  info.bmiHeader.biHeight = -pixels.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dib) return Pixels();
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, pixels.width, pixels.height, source, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  const uint32_t* copied = static_cast<const uint32_t*>(bits);
  pixels.data.resize(size_t(pixels.width) * pixels.height);
  for (size_t i = 0; i < pixels.data.size(); ++i) pixels.data[i] = copied[i] & 0xFFFFFF;
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(dib);
  return pixels;
}

Pixels CaptureScreen(const RECT& rect) {
  HDC screen = GetDC(nullptr);
  Pixels pixels = CaptureDC(screen, rect);
  ReleaseDC(nullptr, screen);
  return pixels;
}

Pixels CaptureClient(HWND window) { return CaptureScreen(ClientScreenRect(window)); }

Pixels CaptureWhenPainted(HWND window, DWORD timeout_ms) {
  Pixels pixels;
  WaitUntil(
      [&] {
        // Every pixel of the stand-in's client is coded; a window seen while it is still
        // being painted shows some that are not.
        pixels = CaptureClient(window);
        if (pixels.data.empty()) return false;
        for (uint32_t colour : pixels.data)
          if (standin::Decode(colour).region == standin::Region::None) return false;
        return true;
      },
      timeout_ms);
  return pixels;
}

Pixels CaptureClientWhen(HWND window, const std::function<bool(const Pixels&)>& condition,
                         DWORD timeout_ms) {
  Pixels pixels;
  WaitUntil(
      [&] {
        pixels = CaptureClient(window);
        return condition(pixels);
      },
      timeout_ms);
  return pixels;
}

standin::Region CentreRegion(const Pixels& pixels) {
  if (pixels.width == 0 || pixels.height == 0) return standin::Region::None;
  return standin::Decode(pixels.at(pixels.width / 2, pixels.height / 2)).region;
}

// The stand-in's log ---------------------------------------------------------------------

std::vector<LogEntry> ReadInputLog(const std::wstring& path) {
  std::vector<LogEntry> entries;
  std::istringstream lines(ReadTextFile(path));
  std::string line;
  while (std::getline(lines, line)) {
    char window[16] = {};
    unsigned message = 0;
    unsigned long wparam = 0, lparam = 0, time = 0;
    if (sscanf(line.c_str(), "%15s %x %lx %lx %lu", window, &message, &wparam, &lparam, &time) !=
        5)
      continue;
    entries.push_back({window, message, uint32_t(wparam), uint32_t(lparam), uint32_t(time)});
  }
  return entries;
}

std::vector<LogEntry> LogEntriesFor(const std::wstring& path, const std::string& window,
                                    UINT message) {
  std::vector<LogEntry> result;
  for (const LogEntry& entry : ReadInputLog(path))
    if (entry.window == window && entry.message == message) result.push_back(entry);
  return result;
}

int StartCount(const std::wstring& path) {
  std::istringstream lines(ReadTextFile(path));
  std::string line;
  int count = 0;
  while (std::getline(lines, line))
    if (line.compare(0, 6, "start ") == 0) ++count;
  return count;
}

bool WaitForLogEntries(const std::wstring& path, const std::string& window, UINT message,
                       size_t count, DWORD timeout_ms) {
  return WaitUntil([&] { return LogEntriesFor(path, window, message).size() >= count; },
                   timeout_ms);
}

// The stand-in ---------------------------------------------------------------------------

std::wstring Standin::OptionArguments(const StandinOptions& options, const std::wstring& log) {
  wchar_t numbers[64];
  swprintf(numbers, 64, L"--pos %d,%d --fps %d", options.x, options.y, options.fps);
  return L"--caption " + QuoteArgument(options.caption) + L" " + numbers + L" --log " +
         QuoteArgument(log);
}

Standin Standin::Start(const TempDir& dir, const StandinOptions& options) {
  Standin standin;
  standin.log_path_ = dir.File(L"standin-input.log");
  standin.process_ = Process::Start(ProgramPath(L"standin.exe"),
                                    OptionArguments(options, standin.log_path_), dir.path());
  if (!standin.process_.valid()) return standin;
  WindowQuery query;
  query.class_name = L"No$dlgClass";
  query.process_id = standin.process_.id();
  standin.window_ = WaitForWindow(query);
  return standin;
}

bool Standin::Install(const TempDir& dir, const std::wstring& file_name,
                      const StandinOptions& options) {
  char numbers[96];
  snprintf(numbers, sizeof numbers, "--pos %d,%d\n--fps %d\n", options.x, options.y, options.fps);
  std::string config = "--caption " + Narrow(options.caption) + "\n" + numbers + "--log " +
                       Narrow(dir.File(L"standin-input.log")) + "\n";
  return WriteTextFile(dir.File(L"standin.cfg"), config) &&
         CopyProgram(L"standin.exe", dir.File(file_name));
}

HWND Standin::WaitForStandinWindow(const std::wstring& caption_prefix, DWORD timeout_ms) {
  WindowQuery query;
  query.class_name = L"No$dlgClass";
  query.caption_prefix = caption_prefix;
  return WaitForWindow(query, timeout_ms);
}

}  // namespace systest
