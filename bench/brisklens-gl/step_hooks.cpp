#include "bench/brisklens-gl/step_hooks.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/brisklens-gl/frame_steps.h"
#include "brisklens-gl/gl_library.h"

namespace gl_bench {

using brisklens_gl::GlEntryPoints;

namespace {

GlEntryPoints g_original;
decltype(&StretchBlt) g_stretch_blt = nullptr;
decltype(&GdiFlush) g_gdi_flush = nullptr;
void(APIENTRY* g_finish)() = nullptr;

LARGE_INTEGER g_frequency, g_last;
bool g_in_pass = false;
int g_swaps = 0;  // buffer swaps so far in this pass: the window at work
PassSteps g_pass;
std::vector<PassSteps> g_passes;

// The time since the last mark goes to `step` of `window`.
void Mark(Step step, int window) {
  if (!g_in_pass) return;
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  g_pass.us[step][window] +=
      double(now.QuadPart - g_last.QuadPart) * 1e6 / double(g_frequency.QuadPart);
  g_last = now;
}

int Window() { return g_swaps > 0 ? 1 : 0; }

// A pass begins with the attachment check and the cursor handle, then copies.
BOOL WINAPI TimedStretchBlt(HDC target, int x, int y, int width, int height, HDC source,
                            int source_x, int source_y, int source_width, int source_height,
                            DWORD rop) {
  Mark(kOther, 0);
  const BOOL done = g_stretch_blt(target, x, y, width, height, source, source_x, source_y,
                                  source_width, source_height, rop);
  Mark(kCapture, 0);
  return done;
}

// The flush ends the cursor step (the icon is drawn through GDI), whether drawn or not.
BOOL WINAPI TimedGdiFlush() {
  const BOOL done = g_gdi_flush();
  Mark(kCursor, 0);
  return done;
}

// The main window's upload follows its repack; the second window's follows the switch to
// its context.
void APIENTRY TimedBindTexture(GLenum target, GLuint name) {
  Mark(g_swaps == 0 ? kRepack : kUpload, Window());
  g_original.glBindTexture(target, name);
}

void APIENTRY TimedTexImage2D(GLenum target, GLint level, GLint internal_format, GLsizei width,
                              GLsizei height, GLint border, GLenum format, GLenum type,
                              const GLvoid* pixels) {
  g_original.glTexImage2D(target, level, internal_format, width, height, border, format, type,
                          pixels);
  Mark(kUpload, Window());
}

BOOL WINAPI TimedSwapBuffers(HDC dc) {
  if (g_finish) g_finish();
  Mark(kDraw, Window());
  const BOOL done = g_original.SwapBuffers(dc);
  Mark(kSwap, Window());
  ++g_swaps;
  return done;
}

// After the main window's swap the second block is repacked, then its context made current;
// after the second window's swap the main context is made current again.
BOOL WINAPI TimedMakeCurrent(HDC dc, HGLRC rc) {
  Mark(g_swaps == 1 ? kRepack : kSwitch, 1);
  const BOOL done = g_original.wglMakeCurrent(dc, rc);
  Mark(kSwitch, 1);
  return done;
}

// Points this executable's import of `function` from `library` at `replacement` and
// returns what it pointed at, or null when it imports no such function.
void* HookImport(const char* library, const char* function, void* replacement) {
  auto* base = reinterpret_cast<uint8_t*>(GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  const auto* entry =
      reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
  for (; entry->Name; ++entry) {
    if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), library) != 0) continue;
    auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* named =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(named->Name), function) != 0) continue;
      DWORD protection;
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
      void* original = reinterpret_cast<void*>(slots->u1.Function);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
      return original;
    }
  }
  return nullptr;
}

template <class Entry>
void* Untyped(Entry entry) {
  return reinterpret_cast<void*>(entry);
}

}  // namespace

bool InstallStepHooks(bool finish_before_swap) {
  QueryPerformanceFrequency(&g_frequency);
  if (finish_before_swap) {
    g_finish = reinterpret_cast<decltype(g_finish)>(
        GetProcAddress(GetModuleHandleW(L"opengl32.dll"), "glFinish"));
    if (!g_finish) return false;
  }
  GlEntryPoints& gl = brisklens_gl::Gl();
  g_original = gl;
  if (!gl.glBindTexture || !gl.glTexImage2D || !gl.SwapBuffers || !gl.wglMakeCurrent) return false;
  gl.glBindTexture = TimedBindTexture;
  gl.glTexImage2D = TimedTexImage2D;
  gl.SwapBuffers = TimedSwapBuffers;
  gl.wglMakeCurrent = TimedMakeCurrent;
  g_stretch_blt = reinterpret_cast<decltype(&StretchBlt)>(
      HookImport("gdi32.dll", "StretchBlt", Untyped(TimedStretchBlt)));
  g_gdi_flush = reinterpret_cast<decltype(&GdiFlush)>(
      HookImport("gdi32.dll", "GdiFlush", Untyped(TimedGdiFlush)));
  return g_stretch_blt && g_gdi_flush;
}

void BeginPass() {
  g_pass = PassSteps();
  g_swaps = 0;
  g_in_pass = true;
  QueryPerformanceCounter(&g_last);
}

void EndPass(bool keep) {
  Mark(kOther, 0);
  g_in_pass = false;
  if (keep) g_passes.push_back(g_pass);
}

void WriteStepTimes(const std::wstring& path) {
  FILE* file = _wfopen(path.c_str(), L"w");
  if (!file) return;
  for (const PassSteps& pass : g_passes) {
    for (const auto& step : pass.us)
      for (double time : step) std::fprintf(file, "%.1f ", time);
    std::fprintf(file, "\n");
  }
  std::fclose(file);
}

}  // namespace gl_bench
