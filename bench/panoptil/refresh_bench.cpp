// Prints the cost of one refresh tick (both views) at zoom "4:1", unrotated and rotated,
// and the processor time per second of the running magnifier refreshing 60 times a second.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/systest/magnifier.h"
#include "panoptil/views.h"

namespace {

using panoptil::BoxBounds;
using panoptil::ScreenLayout;

constexpr int kTicks = 400;

double Microseconds(LONGLONG counts) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return double(counts) * 1e6 / double(frequency.QuadPart);
}

HWND CreateBox(HWND parent, const BoxBounds& box) {
  return CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, box.left, box.top, box.width,
                         box.height, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// Paints both views of a "4:1" layout `kTicks` times straight from the emulator's window,
// as the refresh timer does, and prints the median and 95th percentile of one tick.
void MeasureTicks(HWND emulator, bool rotated) {
  ScreenLayout layout = panoptil::ComputeLayout(41, rotated, false);
  HWND window = CreateWindowExW(0, L"Static", L"", WS_POPUP | WS_VISIBLE, 0, 0,
                                layout.client_width, layout.client_height, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  HWND top = CreateBox(window, layout.static_box);
  HWND touch = CreateBox(window, layout.touch_box);
  HDC top_dc = GetDC(top), touch_dc = GetDC(touch), emulator_dc = GetDC(emulator);
  XFORM rotation = panoptil::MakeRotationTransform();
  std::vector<double> ticks;
  for (int i = 0; i < kTicks; ++i) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    panoptil::PaintScreen(touch_dc, layout.touch_box.width, layout.touch_box.height,
                          emulator_dc, 7, 208, rotated, rotation);
    panoptil::PaintScreen(top_dc, layout.static_box.width, layout.static_box.height,
                          emulator_dc, 7, 7, rotated, rotation);
    GdiFlush();
    QueryPerformanceCounter(&end);
    ticks.push_back(Microseconds(end.QuadPart - start.QuadPart));
  }
  std::sort(ticks.begin(), ticks.end());
  std::printf("refresh tick, zoom 4:1 %-9s  median %8.1f us   95th percentile %8.1f us\n",
              rotated ? "rotated" : "unrotated", ticks[ticks.size() / 2],
              ticks[ticks.size() * 95 / 100]);
  ReleaseDC(emulator, emulator_dc);
  ReleaseDC(touch, touch_dc);
  ReleaseDC(top, top_dc);
  DestroyWindow(window);
}

ULONGLONG ProcessorTime100ns(HANDLE process) {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(process, &created, &exited, &kernel, &user);
  auto value = [](const FILETIME& time) {
    return (ULONGLONG(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return value(kernel) + value(user);
}

// Runs the magnifier at zoom "4:1" and rate 60 and prints its processor time per second.
// Some systems (Wine) do not report another process's times: then `hold_ms` > 0 keeps the
// magnifier running that long so that it can be measured from outside.
void MeasureRunningMagnifier(bool rotated, DWORD hold_ms) {
  systest::TempDir dir;
  panoptil_test::Magnifier magnifier;
  if (!magnifier.Start(dir)) {
    std::printf("the magnifier did not start\n");
    return;
  }
  magnifier.ChooseMenuItem(panoptil_test::kZoomMenu, panoptil_test::ZoomIndex(41));
  magnifier.ChooseMenuItem(panoptil_test::kRefreshMenu, panoptil_test::RefreshIndex(60));
  if (rotated) magnifier.ChooseMenuItem(panoptil_test::kRotate);
  systest::MovePointer(1900, 1190);  // out of the way
  Sleep(1000);                       // settle after the menu
  if (hold_ms > 0) {
    std::printf("magnifier running (process %lu), zoom 4:1 %s at 60/s, for %lu ms\n",
                magnifier.process().id(), rotated ? "rotated" : "unrotated", hold_ms);
    std::fflush(stdout);
    Sleep(hold_ms);
    return;
  }
  const DWORD measured_ms = 5000;
  ULONGLONG cpu_before = ProcessorTime100ns(magnifier.process().handle());
  DWORD start = GetTickCount();
  Sleep(measured_ms);
  ULONGLONG cpu_after = ProcessorTime100ns(magnifier.process().handle());
  DWORD elapsed = GetTickCount() - start;
  // Wine reports another process's times as 0 or keeps them frozen at their first value.
  if (cpu_after == 0 || cpu_after == cpu_before) {
    std::printf("running magnifier: this system does not report its processor times "
                "(bench/panoptil/bench.sh measures them from outside)\n");
    return;
  }
  double cpu_ms_per_second = double(cpu_after - cpu_before) / 10000.0 * 1000.0 / elapsed;
  std::printf("running magnifier, zoom 4:1 %-9s at 60/s: %6.1f ms processor time per second "
              "(%.1f %% of one core)\n",
              rotated ? "rotated" : "unrotated", cpu_ms_per_second, cpu_ms_per_second / 10.0);
}

}  // namespace

// Options: --hold MS [--rotated] only runs the magnifier for MS milliseconds.
int wmain(int argc, wchar_t** argv) {
  if (argc >= 3 && std::wstring(argv[1]) == L"--hold") {
    bool rotated = argc >= 4 && std::wstring(argv[3]) == L"--rotated";
    MeasureRunningMagnifier(rotated, DWORD(_wtoi(argv[2])));
    return 0;
  }
  systest::TempDir dir;
  systest::Standin emulator = systest::Standin::Start(dir, panoptil_test::StandinBesideTheMagnifier());
  if (!emulator.window()) {
    std::printf("the stand-in did not start\n");
    return 1;
  }
  MeasureTicks(emulator.window(), false);
  MeasureTicks(emulator.window(), true);
  emulator.process().Kill();
  MeasureRunningMagnifier(false, 0);
  MeasureRunningMagnifier(true, 0);
  return 0;
}
