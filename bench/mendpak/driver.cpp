// Times one installer run: from the process's start to its result box, the apply alone
// (from the command to the box), the longest time the window took to answer meanwhile, and
// the installer's peak working set.
//   mendpak_bench_driver INSTALLER TARGET
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "tools/systest/systest.h"

namespace {

double MillisecondsSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return double(now.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: mendpak_bench_driver INSTALLER TARGET\n");
    return 2;
  }
  std::wstring target = argv[2];
  const DWORD kLimitMs = 600000;
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  systest::Process installer = systest::Process::Start(argv[1]);
  if (!installer.valid()) return 1;
  HWND main = systest::WaitForWindow({L"MendpakMaker", L"", installer.id()}, kLimitMs);
  if (!main) return 1;
  double window_ms = MillisecondsSince(start);

  // The target as Browse or a drop would set it.
  SendMessageW(GetDlgItem(main, 101), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()));
  EnableWindow(GetDlgItem(main, 104), TRUE);
  LARGE_INTEGER apply_start;
  QueryPerformanceCounter(&apply_start);
  PostMessageW(main, WM_COMMAND, MAKEWPARAM(104, BN_CLICKED), 0);
  // The window is asked for an answer over and over until the result box shows: the
  // longest wait is how long it was unresponsive.
  HWND box = nullptr;
  double longest_wait_ms = 0;
  while (!box && MillisecondsSince(apply_start) < kLimitMs) {
    LARGE_INTEGER asked;
    QueryPerformanceCounter(&asked);
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, kLimitMs, &answer);
    longest_wait_ms = std::max(longest_wait_ms, MillisecondsSince(asked));
    box = systest::FindTopWindow({L"#32770", L"", installer.id()});
  }
  double apply_ms = MillisecondsSince(apply_start);
  double total_ms = MillisecondsSince(start);
  if (!box) return 1;
  std::wstring caption = systest::WindowCaption(box);

  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(installer.handle(), &memory, sizeof memory);
  printf("installer: start to window %.0f ms, apply to box %.0f ms, start to box %.0f ms, "
         "longest wait for the window during the apply %.0f ms, peak working set %.1f MiB, "
         "result %s\n",
         window_ms, apply_ms, total_ms, longest_wait_ms,
         double(memory.PeakWorkingSetSize) / (1 << 20), caption == L"成功" ? "success" : "failure");
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  PostMessageW(main, WM_CLOSE, 0, 0);
  installer.WaitForExit();
  return caption == L"成功" ? 0 : 1;
}
