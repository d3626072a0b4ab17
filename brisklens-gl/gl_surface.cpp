#include "brisklens-gl/gl_surface.h"

#include "brisklens-gl/gl_context.h"
#include "brisklens-gl/gl_library.h"
#include "brisklens-gl/texture_repack.h"

namespace brisklens_gl {

namespace {

// The square spans the whole texture: one unit is 28 texels.
constexpr float kSquare[4][3] = {{-5, -5, 0}, {5, -5, 0}, {5, 5, 0}, {-5, 5, 0}};

}  // namespace

CameraPresetTable MakeCameraPresets() {
  // The view axis meets the middle of the screen the block holds; the distance fits
  // about 197 texel rows into the view, 192 (the screen alone) without any border, and the
  // screen's 256-texel width when turned.
  return {{{0.2f, -1.35f, 6.1f},
           {1.38f, 0.2f, 8.2f},
           {-1.38f, -0.2f, 8.2f},
           {0.2f, -1.35f, 5.95f},
           {1.38f, 0.2f, 7.95f},
           {-1.38f, -0.2f, 7.95f}}};
}

TexCoordTable MakeTexCoordSets() {
  // t = 1 is the picture's top row: upright; its top at the left; its top at the right.
  const std::array<int32_t, 8> upright = {0, 0, 1, 0, 1, 1, 0, 1};
  const std::array<int32_t, 8> top_left = {0, 1, 0, 0, 1, 0, 1, 1};
  const std::array<int32_t, 8> top_right = {1, 0, 1, 1, 0, 1, 0, 0};
  return {{upright, top_left, top_right, upright, top_left, top_right}};
}

void InitGLState(float clear_alpha, int client_width, int client_height) {
  const GlEntryPoints& gl = Gl();
  GlCall(gl.glDisable, GLenum(GL_BLEND));
  GlCall(gl.glShadeModel, GLenum(GL_FLAT));
  GlCall(gl.glDisable, GLenum(GL_DEPTH_TEST));
  GlCall(gl.glClearColor, 0.0f, 0.0f, 0.0f, clear_alpha);
  GlCall(gl.glEnable, GLenum(GL_TEXTURE_2D));
  SetupProjection(client_width, client_height);
}

void SetupProjection(int client_width, int client_height) {
  const GlEntryPoints& gl = Gl();
  GlCall(gl.glMatrixMode, GLenum(GL_PROJECTION));
  GlCall(gl.glLoadIdentity);
  GlCall(gl.glViewport, 0, 0, client_width, client_height);
  // A window without height (minimised) gets a square view instead of a division by 0.
  const double aspect = client_height > 0 ? double(client_width) / client_height : 1.0;
  GlCall(gl.gluPerspective, 60.0, aspect, 1.0, 100.0);
  GlCall(gl.glMatrixMode, GLenum(GL_MODELVIEW));
  GlCall(gl.glLoadIdentity);
}

void UploadTexture(GLuint name, const uint8_t* rgb_image) {
  const GlEntryPoints& gl = Gl();
  GlCall(gl.glBindTexture, GLenum(GL_TEXTURE_2D), name);
  GlCall(gl.glTexParameteri, GLenum(GL_TEXTURE_2D), GLenum(GL_TEXTURE_WRAP_S), GLint(GL_CLAMP));
  GlCall(gl.glTexParameteri, GLenum(GL_TEXTURE_2D), GLenum(GL_TEXTURE_WRAP_T), GLint(GL_CLAMP));
  GlCall(gl.glTexParameteri, GLenum(GL_TEXTURE_2D), GLenum(GL_TEXTURE_MAG_FILTER),
         GLint(GL_LINEAR));
  GlCall(gl.glTexParameteri, GLenum(GL_TEXTURE_2D), GLenum(GL_TEXTURE_MIN_FILTER),
         GLint(GL_LINEAR));
  GlCall(gl.glTexImage2D, GLenum(GL_TEXTURE_2D), 0, GLint(GL_RGB), GLsizei(kTextureSize),
         GLsizei(kTextureSize), 0, GLenum(GL_RGB), GLenum(GL_UNSIGNED_BYTE),
         static_cast<const GLvoid*>(rgb_image));
}

bool HandleSurfacePaint(HWND window, classlib::TMessage& message) {
  if (message.Msg == WM_ERASEBKGND) {
    message.Result = 1;
    return true;
  }
  if (message.Msg != WM_PAINT) return false;
  PAINTSTRUCT paint;
  BeginPaint(window, &paint);
  EndPaint(window, &paint);
  message.Result = 0;
  return true;
}

TGlSurface::TGlSurface() : CameraPreset(MakeCameraPresets()), TexCoordSet(MakeTexCoordSets()) {}

void TGlSurface::StartRendering(HWND window, float clear_alpha, int client_width,
                                int client_height) {
  DC = GetDC(window);
  RC = CreateRenderingContext(DC, 0, 32, 24, 0, 0, 0);
  ActivateRenderingContext(DC, RC);
  InitGLState(clear_alpha, client_width, client_height);
}

void TGlSurface::EndRendering(HWND window) {
  if (!DC) return;
  DestroyRenderingContext(DC, RC);
  ReleaseDC(window, DC);
  DC = nullptr;
  RC = nullptr;
}

void TGlSurface::ActivateRendering() const { ActivateRenderingContext(DC, RC); }

void TGlSurface::DrawScreenQuad(int index) const {
  const GlEntryPoints& gl = Gl();
  const CameraPosition& camera = CameraPreset.at(size_t(index));
  const std::array<int32_t, 8>& coords = TexCoordSet.at(size_t(index));
  GlCall(gl.glLoadIdentity);
  GlCall(gl.glTranslatef, camera.x, camera.y, -camera.z);
  GlCall(gl.glBegin, GLenum(GL_QUADS));
  for (int k = 0; k < 4; ++k) {
    GlCall(gl.glTexCoord2f, GLfloat(coords[2 * k]), GLfloat(coords[2 * k + 1]));
    GlCall(gl.glVertex3f, kSquare[k][0], kSquare[k][1], kSquare[k][2]);
  }
  GlCall(gl.glEnd);
}

void TGlSurface::SwapRenderedBuffers() const { GlCall(Gl().SwapBuffers, DC); }

}  // namespace brisklens_gl
