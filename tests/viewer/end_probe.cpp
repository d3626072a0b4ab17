// A viewer that ends as the program does, but runs the C runtime's exit functions itself in
// place of the process end, and tells by its exit code what they did to the viewer.
//
// That is what Windows' msvcrt does in its DLL shutdown when a process that takes its C
// runtime from msvcrt.dll ends by ExitProcess: it runs the exit functions (the destructors
// of the global objects among them) there, after the DLLs that depend on it have shut
// down. Under Wine they would not run at all, so only a probe shows what they would do.
// Nothing of the viewer may run there: they must destroy none of its windows and make no
// OpenGL call.
//
// Exit code: 0 when they did nothing to the viewer; else the number of its windows they
// destroyed times 256 plus the number of OpenGL calls they made (at most 255); 255 when
// the viewer could not start.
#include <windows.h>

#include <process.h>

#include <algorithm>
#include <vector>

#include "viewer/viewer_form.h"

#if END_PROBE_GL
#include "brisklens-gl/gl_library.h"
#include "brisklens-gl/program.h"
#else
#include "brisklens-soft/program.h"
#endif

namespace {

BOOL CALLBACK NoteWindow(HWND window, LPARAM windows) {
  reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  return TRUE;
}

// A top-level window and everything inside it (EnumChildWindows goes all the way down).
BOOL CALLBACK NoteWindowAndChildren(HWND window, LPARAM windows) {
  NoteWindow(window, windows);
  EnumChildWindows(window, NoteWindow, windows);
  return TRUE;
}

// Every window of this thread, the children too, each once.
std::vector<HWND> ThreadWindows() {
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), NoteWindowAndChildren,
                    reinterpret_cast<LPARAM>(&windows));
  return windows;
}

#if END_PROBE_GL
int g_gl_calls = 0;

// An entry point of the viewer's OpenGL table that only counts its calls.
template <class Entry>
struct CountingEntry;
template <class Result, class... Args>
struct CountingEntry<Result(APIENTRY*)(Args...)> {
  static Result APIENTRY Call(Args...) {
    ++g_gl_calls;
    return Result();
  }
};

template <class Entry>
void Count(Entry& entry) {
  entry = &CountingEntry<Entry>::Call;
}

// From now on every call of the table is counted, and none reaches OpenGL.
void CountOpenGlCalls() {
  brisklens_gl::GlEntryPoints& e = brisklens_gl::Gl();
  Count(e.glBindTexture);
  Count(e.glTexParameteri);
  Count(e.glTexImage2D);
  Count(e.glLoadIdentity);
  Count(e.glTranslatef);
  Count(e.glBegin);
  Count(e.glTexCoord2f);
  Count(e.glVertex3f);
  Count(e.glEnd);
  Count(e.glDisable);
  Count(e.glEnable);
  Count(e.glShadeModel);
  Count(e.glClearColor);
  Count(e.glMatrixMode);
  Count(e.glViewport);
  Count(e.wglCreateContext);
  Count(e.wglMakeCurrent);
  Count(e.wglDeleteContext);
  Count(e.gluPerspective);
  Count(e.ChoosePixelFormat);
  Count(e.SetPixelFormat);
  Count(e.SwapBuffers);
}

int OpenGlCallsCounted() { return g_gl_calls; }

bool RunTheViewer() { return brisklens_gl::RunViewer(); }
#else
void CountOpenGlCalls() {}
int OpenGlCallsCounted() { return 0; }

bool RunTheViewer() {
  brisklens_soft::RunViewer();
  return true;
}
#endif

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  if (!RunTheViewer()) return 255;
  const std::vector<HWND> windows = ThreadWindows();
  viewer::LeaveViewerWindowsToSystem();
  CountOpenGlCalls();
  _cexit();
  const auto destroyed =
      std::count_if(windows.begin(), windows.end(), [](HWND window) { return !IsWindow(window); });
  ExitProcess(UINT(destroyed) * 256 + UINT(std::min(OpenGlCallsCounted(), 255)));
}
