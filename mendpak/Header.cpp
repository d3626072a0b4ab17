// The installer's window: title, note, target path, progress and the apply command.
#include "mendpak/Header.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <vector>

#include "mendpak/HeaderData.h"
#include "mendpak/Patcher.h"

namespace mendpak {

namespace {

constexpr int kPathEditId = 101;
constexpr int kBrowseId = 102;
constexpr int kNotesId = 103;
constexpr int kApplyId = 104;
constexpr int kProgressId = 105;
constexpr int kPathChars = 260;
// The window is pumped at most this often while records are written: often enough to
// repaint and take input, rarely enough not to slow a patch of many small records.
constexpr DWORD kPumpIntervalMs = 15;
constexpr UINT kMarqueeStepMs = 30;

struct InstallerState {
  HINSTANCE instance = nullptr;
  std::unique_ptr<TFileStream> data;
  int64_t flags_position = 0;
  bool quit_seen = false;
  bool applying = false;
  HFONT ui_font = nullptr;
  HWND main_window = nullptr;
  HWND path_edit = nullptr;
  HWND browse_button = nullptr;
  HWND notes_box = nullptr;
  HWND progress_bar = nullptr;
  HWND apply_button = nullptr;
  HWND restore_box = nullptr;
  const wchar_t* rich_edit_class = L"RichEdit20W";
  uint32_t bar_range = 0;
  bool bar_working = false;
  DWORD last_pump = 0;
};

InstallerState state;

void InitControlLibraries(DWORD icc) {
  InitCommonControls();
  static bool rich_edit_loaded = false;
  if (!rich_edit_loaded) {
    rich_edit_loaded = true;
    if (LoadLibraryA("msftedit")) {
      state.rich_edit_class = L"RichEdit50W";
    } else {
      LoadLibraryA("riched20");
      state.rich_edit_class = L"RichEdit20W";
    }
  }
  static bool common_controls_loaded = false;
  if (!common_controls_loaded) {
    common_controls_loaded = true;
    HMODULE library = LoadLibraryA("comctl32");
    if (library) {
      using InitEx = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
      auto init = reinterpret_cast<InitEx>(GetProcAddress(library, "InitCommonControlsEx"));
      if (init) {
        INITCOMMONCONTROLSEX controls = {sizeof controls, icc};
        init(&controls);
      }
      FreeLibrary(library);
    }
  }
}

HFONT CreateUiFont() {
  // The numeric fields and the start of the face name; the face is replaced.
  LOGFONTW stock = {};
  GetObjectW(GetStockObject(ANSI_VAR_FONT), 60, &stock);
  return CreateFontW(-12, 0, stock.lfEscapement, stock.lfOrientation, 0, stock.lfItalic,
                     stock.lfUnderline, stock.lfStrikeOut, stock.lfCharSet,
                     stock.lfOutPrecision, stock.lfClipPrecision, stock.lfQuality,
                     stock.lfPitchAndFamily, L"宋体");
}

HWND CreateControl(DWORD ex_style, const wchar_t* class_name, const wchar_t* text, DWORD style,
                   int x, int y, int width, int height, HWND parent, int id) {
  HWND window = CreateWindowExW(ex_style, class_name, text, style, x, y, width, height, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                state.instance, nullptr);
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(state.ui_font), TRUE);
  return window;
}

uint32_t ReadHeaderWord() {
  uint32_t value = 0;
  state.data->Read(&value, sizeof value);
  return value;
}

void RunBrowse();
void RunApply();

LRESULT CALLBACK InstallerWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

void RegisterMainClass(HINSTANCE instance) {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof window_class;
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = InstallerWndProc;
  window_class.hInstance = instance;
  window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = L"MendpakMaker";
  RegisterClassExW(&window_class);
}

int StartupShowCommand() {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
}

void BuildMainWindow() {
  RegisterMainClass(state.instance);
  const DWORD child = WS_CHILD | WS_VISIBLE;
  state.main_window = CreateControl(
      WS_EX_ACCEPTFILES, L"MendpakMaker", L"Mendpak Maker", WS_CAPTION | WS_SYSMENU,
      (GetSystemMetrics(SM_CXSCREEN) - 300) / 2, (GetSystemMetrics(SM_CYSCREEN) - 280) / 2, 300,
      280, nullptr, 0);
  RECT client;
  GetClientRect(state.main_window, &client);
  const int l = client.left, t = client.top, r = client.right, b = client.bottom;
  CreateControl(0, L"STATIC", L"目标文件:", child, l + 8, b - 50, 60, 16, state.main_window, 0);
  state.path_edit = CreateControl(WS_EX_CLIENTEDGE, L"EDIT", nullptr,
                                  child | ES_AUTOHSCROLL | ES_READONLY, l + 70, b - 53,
                                  r - l - 160, 20, state.main_window, kPathEditId);
  state.browse_button = CreateControl(0, L"BUTTON", L"浏览", child, r - l - 88, b - 53, 80, 20,
                                      state.main_window, kBrowseId);
  HWND frame = CreateControl(0, L"STATIC", nullptr, child | WS_BORDER, l + 8, t + 8, r - l - 16,
                             b - t - 65, state.main_window, 0);
  state.notes_box = CreateControl(
      WS_EX_TRANSPARENT, state.rich_edit_class, nullptr,
      child | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | ES_WANTRETURN, 1, 1,
      r - l - 18, b - t - 67, frame, kNotesId);

  HeaderTexts texts = ReadHeaderTexts(*state.data);
  SetWindowTextW(state.main_window, reinterpret_cast<const wchar_t*>(texts.title.data()));
  // The note is 8-bit RTF, handed over unconverted: the rich edit control recognises it.
  // Four zero bytes end it however the control reads the buffer.
  if (state.notes_box) {
    SetWindowTextW(state.notes_box, reinterpret_cast<const wchar_t*>(texts.note.data()));
  }

  state.flags_position = state.data->Position();
  uint32_t flags = ReadHeaderWord();
  if (flags & kFlagHasOldBytes) {
    state.progress_bar = CreateControl(0, PROGRESS_CLASSW, nullptr, child, l + 8, b - 28,
                                       r - l - 164, 20, state.main_window, kProgressId);
    state.restore_box = CreateControl(0, L"BUTTON", L"还原数据", child | BS_AUTOCHECKBOX,
                                      r - 154, b - 28, 64, 20, state.main_window, 0);
  } else {
    state.restore_box = nullptr;
    state.progress_bar = CreateControl(0, PROGRESS_CLASSW, nullptr, child, l + 8, b - 28,
                                       r - l - 98, 20, state.main_window, kProgressId);
  }
  state.apply_button = CreateControl(0, L"BUTTON", L"应用补丁!", child, r - 88, b - 28, 80, 20,
                                     state.main_window, kApplyId);
  EnableWindow(state.apply_button, FALSE);
  ShowWindow(state.main_window, StartupShowCommand());
  UpdateWindow(state.main_window);
}

// 0: the queue is empty (or a WM_NULL was handled), 1: WM_QUIT taken, 2: a message handled.
int PumpOneMessage() {
  MSG message;
  if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return 0;
  if (message.message == WM_QUIT) {
    state.quit_seen = true;
    return 1;
  }
  TranslateMessage(&message);
  DispatchMessageA(&message);
  return message.message == WM_NULL ? 0 : 2;
}

bool PumpMessages() {
  int outcome;
  do {
    outcome = PumpOneMessage();
  } while (outcome == 2);
  return outcome == 0;
}

// Before its start call an apply checks every block, and the bar cannot tell how far it has
// got: it runs as a marquee meanwhile, so that it shows work going on from the first moment.
void ShowWorking(bool working) {
  if (working == state.bar_working) return;
  state.bar_working = working;
  LONG style = GetWindowLongW(state.progress_bar, GWL_STYLE);
  if (working) SetWindowLongW(state.progress_bar, GWL_STYLE, style | PBS_MARQUEE);
  SendMessageW(state.progress_bar, PBM_SETMARQUEE, working, kMarqueeStepMs);
  if (!working) SetWindowLongW(state.progress_bar, GWL_STYLE, style & ~PBS_MARQUEE);
}

bool PatchProgress(int kind, uint64_t value) {
  uint32_t units = uint32_t(value / 256);
  DWORD now = GetTickCount();
  // A moved bar repaints at once, so during the records it is moved (and the window
  // pumped) only every few milliseconds, and always when it reaches its end; the window
  // is pumped as often while the blocks are decoded.
  bool due = now - state.last_pump >= kPumpIntervalMs;
  if (kind == kProgressStart) {
    ShowWorking(false);
    state.bar_range = units;
    SendMessageA(state.progress_bar, PBM_SETRANGE32, 0, LPARAM(units));
    SendMessageA(state.progress_bar, PBM_SETPOS, 0, 0);
  } else if (kind == kProgressPosition) {
    if (!due && units != state.bar_range) return true;
    SendMessageA(state.progress_bar, PBM_SETPOS, WPARAM(units), 0);
  } else if (!due) {
    return true;
  }
  state.last_pump = now;
  return PumpMessages();
}

void EnableApplyWhenPathSet() {
  if (GetWindowTextLengthW(state.path_edit) > 0) EnableWindow(state.apply_button, TRUE);
}

// While an apply runs the window stays live, but nothing may start a second one or change
// the target under it.
void EnableCommands(bool enable) {
  EnableWindow(state.browse_button, enable);
  EnableWindow(state.apply_button, enable);
  if (state.restore_box) EnableWindow(state.restore_box, enable);
}

void RunBrowse() {
  wchar_t path[kPathChars] = {};
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = state.main_window;
  dialog.lpstrFilter = L"All files\0*.*\0";
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path;
  dialog.nMaxFile = kPathChars;
  dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  if (!GetOpenFileNameW(&dialog)) return;
  SetWindowTextW(state.path_edit, path);
  EnableApplyWhenPathSet();
}

void RunDrop(HDROP drop) {
  if (!state.applying && DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
    wchar_t path[kPathChars] = {};
    DragQueryFileW(drop, 0, path, kPathChars);
    SetWindowTextW(state.path_edit, path);
    EnableApplyWhenPathSet();
  }
  DragFinish(drop);
}

void RunApply() {
  wchar_t path[kPathChars] = {};
  GetWindowTextW(state.path_edit, path, kPathChars);
  state.applying = true;
  EnableCommands(false);
  state.data->SetPosition(state.flags_position);
  bool restore =
      state.restore_box && SendMessageW(state.restore_box, BM_GETCHECK, 0, 0) == BST_CHECKED;
  ShowWorking(true);
  bool ok = ApplyPatch(path, *state.data, PatchProgress, restore);
  state.applying = false;
  if (state.quit_seen) return;
  if (state.bar_working) {
    // Refused before its start: the bar is emptied.
    ShowWorking(false);
    SendMessageA(state.progress_bar, PBM_SETPOS, 0, 0);
  }
  EnableCommands(true);
  if (ok) {
    MessageBoxW(state.main_window, L"补丁应用成功!", L"成功", MB_OK);
  } else {
    MessageBoxW(state.main_window, L"应用补丁失败!", L"错误", MB_OK);
  }
}

LRESULT CALLBACK InstallerWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_COMMAND:
      if (HIWORD(wparam) == 0 && !state.applying) {
        if (LOWORD(wparam) == kBrowseId) RunBrowse();
        if (LOWORD(wparam) == kApplyId) RunApply();
      }
      return 0;
    case WM_DROPFILES:
      RunDrop(reinterpret_cast<HDROP>(wparam));
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

void RunMessageLoop() {
  // There is no accelerator table; the loop asks for one all the same.
  HACCEL accelerators = LoadAcceleratorsW(state.instance, L"MendpakMakerAccel");
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!TranslateAcceleratorW(message.hwnd, accelerators, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    // The WM_QUIT that would end the loop was taken by the pump during an apply.
    if (state.quit_seen) break;
  }
}

}  // namespace

int RunInstaller(HINSTANCE instance) {
  state.instance = instance;
  try {
    state.data = FindPatchData();
  } catch (const EStreamError&) {
    // The program cannot read its own file: there is nothing it can offer.
    return 1;
  }
  if (!state.data) return 0;
  InitControlLibraries(0xFFFF);
  state.ui_font = CreateUiFont();
  BuildMainWindow();
  RunMessageLoop();
  DeleteObject(state.ui_font);
  state.data.reset();
  return 0;
}

}  // namespace mendpak

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  return mendpak::RunInstaller(instance);
}
