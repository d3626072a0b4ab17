// Helpers for system tests that drive real programs in real windows under Wine.
//
// A test starts the program under test and the stand-in emulator as processes (each in a
// working directory of the test's choosing), waits for their windows by condition, moves
// the pointer, clicks and types, reads window pixels and the stand-in's input log. Every
// process a test starts, and every process those start, ends when the test's Process
// objects go out of scope, on every exit path: they live in a job object that kills its
// members when it closes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/standin/standin_picture.h"

namespace systest {

// Generous limits: the tests run on a loaded machine under Wine. Tests wait for
// conditions and never sleep for a fixed time to let something happen.
constexpr DWORD kDefaultTimeoutMs = 30000;

// Polls `condition` every few milliseconds, pumping this thread's messages, until it holds
// or `timeout_ms` passes. Returns whether it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeout_ms = kDefaultTimeoutMs);

// The folder of the running test executable, where every built program lies too.
std::wstring BinaryDir();
// The full path of a built program, for example ProgramPath(L"standin.exe").
std::wstring ProgramPath(const std::wstring& file_name);

// A fresh, empty folder under the system's temp folder, removed with its content at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::wstring& path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

bool CopyProgram(const std::wstring& program_file, const std::wstring& target_path);
bool WriteTextFile(const std::wstring& path, const std::string& content);
std::string ReadTextFile(const std::wstring& path);
bool FileExists(const std::wstring& path);

// A started process. The destructor ends it (and what it started) unless it has ended.
class Process {
 public:
  Process() = default;
  ~Process();
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // Starts `program` with `arguments` (already quoted as needed) in `working_dir`
  // (empty: the test's own). Returns a Process whose valid() is false on failure.
  static Process Start(const std::wstring& program, const std::wstring& arguments = L"",
                       const std::wstring& working_dir = L"");

  bool valid() const { return process_ != nullptr; }
  DWORD id() const { return id_; }
  HANDLE handle() const { return process_; }
  bool Running() const;
  // Waits for the process to end; returns false on timeout.
  bool WaitForExit(DWORD timeout_ms = kDefaultTimeoutMs) const;
  // The exit code, or STILL_ACTIVE.
  DWORD ExitCode() const;
  // Ends the process and everything it started.
  void Kill();

 private:
  HANDLE process_ = nullptr;
  HANDLE job_ = nullptr;
  DWORD id_ = 0;
};

// Windows.
struct WindowQuery {
  std::wstring class_name;       // empty: any class
  std::wstring caption_prefix;   // empty: any caption
  DWORD process_id = 0;          // 0: any process
  bool visible_only = true;
};
HWND FindTopWindow(const WindowQuery& query);
HWND WaitForWindow(const WindowQuery& query, DWORD timeout_ms = kDefaultTimeoutMs);
// The visible top-level windows of a process for which `keep` holds, in z-order.
std::vector<HWND> VisibleWindowsOf(DWORD process_id, const std::function<bool(HWND)>& keep);
// The top-level windows of a process that get a task-bar button by the system's rule: a
// visible window that is unowned and no tool window, or that has WS_EX_APPWINDOW.
std::vector<HWND> TaskbarWindows(DWORD process_id);
std::wstring WindowClass(HWND window);
std::wstring WindowCaption(HWND window);
RECT WindowRect(HWND window);
// The client rectangle in screen coordinates.
RECT ClientScreenRect(HWND window);

// Input through the real input queue (SendInput); the pointer is shared by the desktop.
void MovePointer(int screen_x, int screen_y);
void MouseButton(bool right, bool down);
void ClickAt(int screen_x, int screen_y, bool right = false);
// A button event that carries its place (moving the pointer there first): under Wine a
// press without one may be reported where the pointer was a moment before.
void MouseButtonAt(int screen_x, int screen_y, bool right, bool down);
void KeyStroke(WORD virtual_key, bool down);
void PressKey(WORD virtual_key);
bool BringToFront(HWND window);

// Pixels, 0x00RRGGBB, row-major.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> data;
  uint32_t at(int x, int y) const { return data[size_t(y) * width + x]; }
};
// The pixels of a rectangle of the screen as the desktop shows them.
Pixels CaptureScreen(const RECT& screen_rect);
// The pixels of a rectangle of any device context (a memory bitmap's, for example).
Pixels CaptureDC(HDC source, const RECT& rect);
// The pixels of a window's client area as the desktop shows them.
Pixels CaptureClient(HWND window);
// Waits until the stand-in window's client area is painted whole (every pixel decodes to a
// stand-in region), then returns a capture of it.
Pixels CaptureWhenPainted(HWND window, DWORD timeout_ms = kDefaultTimeoutMs);
// Waits until a capture of the window's client area satisfies `condition`, then returns
// it (or the last capture on timeout).
Pixels CaptureClientWhen(HWND window, const std::function<bool(const Pixels&)>& condition,
                         DWORD timeout_ms = kDefaultTimeoutMs);
// The stand-in region of the pixel at the centre of a capture (None for an empty one).
standin::Region CentreRegion(const Pixels& pixels);

// The stand-in's input log.
struct LogEntry {
  std::string window;  // "touch", "key", "main"
  UINT message = 0;
  uint32_t wparam = 0;
  uint32_t lparam = 0;
  uint32_t time = 0;
};
std::vector<LogEntry> ReadInputLog(const std::wstring& path);
// Input-log entries of one window and one message.
std::vector<LogEntry> LogEntriesFor(const std::wstring& path, const std::string& window,
                                    UINT message);
// Number of "start" lines, i.e. how often a stand-in was started with this log.
int StartCount(const std::wstring& path);
// Waits until the log holds `count` entries of `window` with `message`.
bool WaitForLogEntries(const std::wstring& path, const std::string& window, UINT message,
                       size_t count, DWORD timeout_ms = kDefaultTimeoutMs);

// The stand-in emulator, started in `dir` with the log at dir\standin-input.log.
struct StandinOptions {
  std::wstring caption = L"No$gba Emulator - stand-in";
  int x = 40, y = 40;
  int fps = 60;
};
class Standin {
 public:
  // Starts standin.exe from the build folder with explicit options.
  static Standin Start(const TempDir& dir, const StandinOptions& options = {});
  // Writes dir\standin.cfg with the options and places a copy of the stand-in at
  // dir\file_name (for example "no$gba.exe"), for programs that start the emulator
  // themselves. Nothing is started.
  static bool Install(const TempDir& dir, const std::wstring& file_name,
                      const StandinOptions& options = {});

  Process& process() { return process_; }
  HWND window() const { return window_; }
  const std::wstring& log_path() const { return log_path_; }
  // The stand-in's window once it exists (also for a stand-in started by a program).
  static HWND WaitForStandinWindow(const std::wstring& caption_prefix = L"No$gba Emulator",
                                   DWORD timeout_ms = kDefaultTimeoutMs);
  static std::wstring OptionArguments(const StandinOptions& options, const std::wstring& log);

 private:
  Process process_;
  HWND window_ = nullptr;
  std::wstring log_path_;
};

}  // namespace systest
