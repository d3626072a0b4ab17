// OpenGL 1.1 and GLU as the viewer uses them. Both libraries are loaded by name at start-up
// and every entry point the viewer calls is taken from them by name; one that is missing
// stays null and is never called: GlCall skips it (giving 0 where the call has a result).
// The pixel-format and buffer-swap calls of gdi32 go through the same table, so that the
// whole sequence of a frame passes one place.
#pragma once

#include <windows.h>

#include <GL/gl.h>

namespace brisklens_gl {

struct GlEntryPoints {
  // opengl32
  void(APIENTRY* glBindTexture)(GLenum target, GLuint texture);
  void(APIENTRY* glTexParameteri)(GLenum target, GLenum name, GLint value);
  void(APIENTRY* glTexImage2D)(GLenum target, GLint level, GLint internal_format, GLsizei width,
                               GLsizei height, GLint border, GLenum format, GLenum type,
                               const GLvoid* pixels);
  void(APIENTRY* glLoadIdentity)();
  void(APIENTRY* glTranslatef)(GLfloat x, GLfloat y, GLfloat z);
  void(APIENTRY* glBegin)(GLenum mode);
  void(APIENTRY* glTexCoord2f)(GLfloat s, GLfloat t);
  void(APIENTRY* glVertex3f)(GLfloat x, GLfloat y, GLfloat z);
  void(APIENTRY* glEnd)();
  void(APIENTRY* glDisable)(GLenum capability);
  void(APIENTRY* glEnable)(GLenum capability);
  void(APIENTRY* glShadeModel)(GLenum mode);
  void(APIENTRY* glClearColor)(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha);
  void(APIENTRY* glMatrixMode)(GLenum mode);
  void(APIENTRY* glViewport)(GLint x, GLint y, GLsizei width, GLsizei height);
  HGLRC(WINAPI* wglCreateContext)(HDC dc);
  BOOL(WINAPI* wglMakeCurrent)(HDC dc, HGLRC rc);
  BOOL(WINAPI* wglDeleteContext)(HGLRC rc);
  // glu32
  void(APIENTRY* gluPerspective)(GLdouble fovy, GLdouble aspect, GLdouble z_near,
                                 GLdouble z_far);
  // gdi32
  int(WINAPI* ChoosePixelFormat)(HDC dc, const PIXELFORMATDESCRIPTOR* format);
  BOOL(WINAPI* SetPixelFormat)(HDC dc, int format, const PIXELFORMATDESCRIPTOR* descriptor);
  BOOL(WINAPI* SwapBuffers)(HDC dc);
};

// The table in use: the gdi32 entries from the start, the OpenGL and GLU entries once
// LoadGlLibraries has found them. Tests may put a table of their own in its place.
GlEntryPoints& Gl();

// Calls an entry point of the table if it was found.
template <class Entry, class... Args>
auto GlCall(Entry entry, Args... args) -> decltype(entry(args...)) {
  using Result = decltype(entry(args...));
  if (!entry) return Result();
  return entry(args...);
}

enum class GlLoadResult { Loaded, NoOpenGl, NoGlu };

// Masks every floating-point exception of the x87 unit (control word 0x133F: all six
// exceptions masked, 64-bit precision, rounding to nearest), which the OpenGL drivers
// rely on, then loads "opengl32.dll" and "glu32.dll" and takes their entry points.
GlLoadResult LoadGlLibraries();

// What the program says when a library is missing, in the user's language.
const wchar_t* GlLoadFailureText(GlLoadResult result);

}  // namespace brisklens_gl
