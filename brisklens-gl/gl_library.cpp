#include "brisklens-gl/gl_library.h"

#include <cstdint>

namespace brisklens_gl {

namespace {

GlEntryPoints MakeGdiEntries() {
  GlEntryPoints entries = {};
  entries.ChoosePixelFormat = ::ChoosePixelFormat;
  entries.SetPixelFormat = ::SetPixelFormat;
  entries.SwapBuffers = ::SwapBuffers;
  return entries;
}

GlEntryPoints g_entries = MakeGdiEntries();

void SetX87ControlWord(uint16_t control_word) {
  asm volatile("fldcw %0" : : "m"(control_word));
}

template <class Entry>
void Resolve(HMODULE library, const char* name, Entry& entry) {
  entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

void ResolveOpenGl(HMODULE gl, GlEntryPoints& e) {
  Resolve(gl, "glBindTexture", e.glBindTexture);
  Resolve(gl, "glTexParameteri", e.glTexParameteri);
  Resolve(gl, "glTexImage2D", e.glTexImage2D);
  Resolve(gl, "glLoadIdentity", e.glLoadIdentity);
  Resolve(gl, "glTranslatef", e.glTranslatef);
  Resolve(gl, "glBegin", e.glBegin);
  Resolve(gl, "glTexCoord2f", e.glTexCoord2f);
  Resolve(gl, "glVertex3f", e.glVertex3f);
  Resolve(gl, "glEnd", e.glEnd);
  Resolve(gl, "glDisable", e.glDisable);
  Resolve(gl, "glEnable", e.glEnable);
  Resolve(gl, "glShadeModel", e.glShadeModel);
  Resolve(gl, "glClearColor", e.glClearColor);
  Resolve(gl, "glMatrixMode", e.glMatrixMode);
  Resolve(gl, "glViewport", e.glViewport);
  Resolve(gl, "wglCreateContext", e.wglCreateContext);
  Resolve(gl, "wglMakeCurrent", e.wglMakeCurrent);
  Resolve(gl, "wglDeleteContext", e.wglDeleteContext);
}

}  // namespace

GlEntryPoints& Gl() { return g_entries; }

GlLoadResult LoadGlLibraries() {
  SetX87ControlWord(0x133F);
  // The libraries stay loaded for the life of the program.
  HMODULE gl = LoadLibraryW(L"opengl32.dll");
  if (!gl) return GlLoadResult::NoOpenGl;
  HMODULE glu = LoadLibraryW(L"glu32.dll");
  if (!glu) return GlLoadResult::NoGlu;
  ResolveOpenGl(gl, g_entries);
  Resolve(glu, "gluPerspective", g_entries.gluPerspective);
  return GlLoadResult::Loaded;
}

const wchar_t* GlLoadFailureText(GlLoadResult result) {
  switch (result) {
    case GlLoadResult::NoOpenGl: return L"无法加载 OpenGL 库 opengl32.dll，无法显示画面，程序将退出。";
    case GlLoadResult::NoGlu: return L"无法加载 GLU 库 glu32.dll，无法显示画面，程序将退出。";
    default: return L"";
  }
}

}  // namespace brisklens_gl
