// The stand-in emulator: a small program that presents the emulator's window interface so
// that the viewers and the magnifier can be tested without the real emulator.
//
// It shows a top-level window of class "No$dlgClass" with the two 256x192 screens at client
// (7, 7) and (7, 208), a touch child of class "No$touchClass" and a key child of class
// "Static", both with empty names. It draws the position-coded pictures of
// standin_picture.h, one new frame per timer tick, whether visible, moved or restyled, and
// writes every message its children receive (and every key message its main window
// receives) to a log file, one line each:
//     <window> <message> <wParam> <lParam> <time>
// window is "touch", "key" or "main"; message, wParam and lParam are hex, time decimal.
// The first line is "start <pid> <command line>".
//
// Options, from the command line or, when there is none, from "standin.cfg" in the working
// directory (one option per line, the value after a space):
//     --caption TEXT   main window caption (default "No$gba Emulator - stand-in")
//     --pos X,Y        window position (default 40,40)
//     --fps N          frames per second (default 60)
//     --log PATH       input log (default "standin-input.log" in the working directory)
//     --exit           write the start line and exit at once
//     --exit-after MS  close after MS milliseconds
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/standin/standin_picture.h"

namespace {

struct Options {
  std::wstring caption = L"No$gba Emulator - stand-in";
  int x = 40, y = 40;
  int fps = 60;
  std::wstring log_path = L"standin-input.log";
  bool exit_at_once = false;
  int exit_after_ms = 0;
};

struct State {
  Options options;
  FILE* log = nullptr;
  HWND main = nullptr;
  HWND touch = nullptr;
  HWND key = nullptr;
  WNDPROC static_proc = nullptr;
  uint32_t* pixels = nullptr;
  HBITMAP dib = nullptr;
  HDC dib_dc = nullptr;
  int frame = 0;
};

State g;

constexpr UINT_PTR kFrameTimer = 1;
constexpr UINT_PTR kExitTimer = 2;

std::vector<std::wstring> SplitCommandLine() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::wstring> args;
  for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
  LocalFree(argv);
  return args;
}

// Reads "standin.cfg": each line is an option, optionally followed by a space and its value.
std::vector<std::wstring> ReadConfigFile() {
  std::vector<std::wstring> args;
  FILE* file = _wfopen(L"standin.cfg", L"rb");
  if (!file) return args;
  char line[1024];
  while (fgets(line, sizeof line, file)) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (text.empty()) continue;
    size_t space = text.find(' ');
    std::string name = text.substr(0, space);
    std::wstring wide_name(name.begin(), name.end());
    args.push_back(wide_name);
    if (space != std::string::npos) {
      std::string value = text.substr(space + 1);
      int n = MultiByteToWideChar(CP_UTF8, 0, value.c_str(), -1, nullptr, 0);
      std::wstring wide(n > 0 ? n - 1 : 0, L'\0');
      if (n > 1) MultiByteToWideChar(CP_UTF8, 0, value.c_str(), -1, &wide[0], n);
      args.push_back(wide);
    }
  }
  fclose(file);
  return args;
}

Options ParseOptions(const std::vector<std::wstring>& args) {
  Options options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::wstring& name = args[i];
    bool has_value = i + 1 < args.size();
    if (name == L"--exit") {
      options.exit_at_once = true;
    } else if (name == L"--caption" && has_value) {
      options.caption = args[++i];
    } else if (name == L"--pos" && has_value) {
      swscanf(args[++i].c_str(), L"%d,%d", &options.x, &options.y);
    } else if (name == L"--fps" && has_value) {
      options.fps = _wtoi(args[++i].c_str());
      if (options.fps < 1) options.fps = 1;
      if (options.fps > 200) options.fps = 200;
    } else if (name == L"--log" && has_value) {
      options.log_path = args[++i];
    } else if (name == L"--exit-after" && has_value) {
      options.exit_after_ms = _wtoi(args[++i].c_str());
    }
  }
  return options;
}

void LogLine(const char* window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!g.log) return;
  fprintf(g.log, "%s %04x %08lx %08lx %lu\n", window, message, (unsigned long)wparam,
          (unsigned long)lparam, (unsigned long)GetMessageTime());
  fflush(g.log);
}

void RenderFrame() {
  for (int y = 0; y < standin::kClientHeight; ++y)
    for (int x = 0; x < standin::kClientWidth; ++x)
      g.pixels[y * standin::kClientWidth + x] = standin::ClientPixel(x, y, g.frame);
}

void PresentFrame(HDC target) {
  BitBlt(target, 0, 0, standin::kClientWidth, standin::kClientHeight, g.dib_dc, 0, 0, SRCCOPY);
  GdiFlush();
}

void NextFrame() {
  ++g.frame;
  RenderFrame();
  HDC dc = GetDC(g.main);
  PresentFrame(dc);
  ReleaseDC(g.main, dc);
}

void PaintNonClient(HWND window) {
  HDC dc = GetWindowDC(window);
  RECT rect;
  GetWindowRect(window, &rect);
  OffsetRect(&rect, -rect.left, -rect.top);
  HBRUSH brush = CreateSolidBrush(RGB(64, 64, 96));
  RECT band = {0, 0, rect.right, standin::kInsetTop};
  FillRect(dc, &band, brush);
  RECT left = {0, 0, standin::kInsetLeft, rect.bottom};
  FillRect(dc, &left, brush);
  RECT right = {rect.right - standin::kInsetRight, 0, rect.right, rect.bottom};
  FillRect(dc, &right, brush);
  RECT bottom = {0, rect.bottom - standin::kInsetBottom, rect.right, rect.bottom};
  FillRect(dc, &bottom, brush);
  DeleteObject(brush);
  wchar_t caption[256];
  GetWindowTextW(window, caption, 256);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  TextOutW(dc, 8, 8, caption, int(wcslen(caption)));
  ReleaseDC(window, dc);
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCALCSIZE: {
      // Fixed insets, whatever the style: with wParam set lParam is NCCALCSIZE_PARAMS,
      // whose first rectangle comes first, else a plain RECT.
      RECT* rect = reinterpret_cast<RECT*>(lparam);
      rect->left += standin::kInsetLeft;
      rect->top += standin::kInsetTop;
      rect->right -= standin::kInsetRight;
      rect->bottom -= standin::kInsetBottom;
      return 0;
    }
    case WM_NCPAINT:
      PaintNonClient(window);
      return 0;
    case WM_NCACTIVATE:
      PaintNonClient(window);
      return TRUE;
    case WM_NCHITTEST: {
      LRESULT hit = DefWindowProcW(window, message, wparam, lparam);
      return hit == HTCLIENT ? HTCLIENT : HTCAPTION;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      PresentFrame(dc);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_TIMER:
      if (wparam == kFrameTimer) NextFrame();
      if (wparam == kExitTimer) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      if (message >= WM_KEYFIRST && message <= WM_KEYLAST) {
        LogLine("main", message, wparam, lparam);
        return 0;
      }
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT CALLBACK TouchProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  LogLine("touch", message, wparam, lparam);
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      // The parent draws the touch screen; the child only validates its area.
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT CALLBACK KeyProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  LogLine("key", message, wparam, lparam);
  return CallWindowProcW(g.static_proc, window, message, wparam, lparam);
}

bool CreatePictureSurface() {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = standin::kClientWidth;
  info.bmiHeader.biHeight = -standin::kClientHeight;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  g.dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!g.dib) return false;
  g.pixels = static_cast<uint32_t*>(bits);
  g.dib_dc = CreateCompatibleDC(nullptr);
  SelectObject(g.dib_dc, g.dib);
  RenderFrame();
  return true;
}

bool CreateWindows(HINSTANCE instance) {
  WNDCLASSW main_class = {};
  main_class.lpfnWndProc = MainProc;
  main_class.hInstance = instance;
  main_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  main_class.lpszClassName = L"No$dlgClass";
  WNDCLASSW touch_class = {};
  touch_class.lpfnWndProc = TouchProc;
  touch_class.hInstance = instance;
  touch_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  touch_class.lpszClassName = L"No$touchClass";
  if (!RegisterClassW(&main_class) || !RegisterClassW(&touch_class)) return false;

  int width = standin::kClientWidth + standin::kInsetLeft + standin::kInsetRight;
  int height = standin::kClientHeight + standin::kInsetTop + standin::kInsetBottom;
  g.main = CreateWindowExW(0, L"No$dlgClass", g.options.caption.c_str(),
                           WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, g.options.x, g.options.y,
                           width, height, nullptr, nullptr, instance, nullptr);
  if (!g.main) return false;
  g.touch = CreateWindowExW(0, L"No$touchClass", L"", WS_CHILD | WS_VISIBLE,
                            standin::kTouchScreenX, standin::kTouchScreenY,
                            standin::kScreenWidth, standin::kScreenHeight, g.main, nullptr,
                            instance, nullptr);
  g.key = CreateWindowExW(0, L"Static", L"", WS_CHILD, 0, 0, 0, 0, g.main, nullptr, instance,
                          nullptr);
  if (!g.touch || !g.key) return false;
  g.static_proc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(g.key, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(KeyProc)));
  return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  std::vector<std::wstring> args = SplitCommandLine();
  if (args.empty()) args = ReadConfigFile();
  g.options = ParseOptions(args);

  g.log = _wfopen(g.options.log_path.c_str(), L"ab");
  if (g.log) {
    int n = WideCharToMultiByte(CP_UTF8, 0, GetCommandLineW(), -1, nullptr, 0, nullptr, nullptr);
    std::string command_line(n > 0 ? n - 1 : 0, '\0');
    if (n > 1)
      WideCharToMultiByte(CP_UTF8, 0, GetCommandLineW(), -1, &command_line[0], n, nullptr,
                          nullptr);
    fprintf(g.log, "start %lu %s\n", (unsigned long)GetCurrentProcessId(), command_line.c_str());
    fflush(g.log);
  }
  if (g.options.exit_at_once) return 0;

  if (!CreatePictureSurface() || !CreateWindows(instance)) return 1;
  ShowWindow(g.main, SW_SHOWNORMAL);
  UpdateWindow(g.main);
  SetTimer(g.main, kFrameTimer, UINT(1000 / g.options.fps), nullptr);
  if (g.options.exit_after_ms > 0) SetTimer(g.main, kExitTimer, UINT(g.options.exit_after_ms), nullptr);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (g.log) fclose(g.log);
  return 0;
}
