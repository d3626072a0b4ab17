// One window's OpenGL surface: its device context and rendering context, its GL state and
// projection, and the one textured square each frame draws. The square, the texture and
// the projection never change with the viewer's mode; the camera position (a row of
// CameraPreset) magnifies and chooses the part of the picture shown, the texture
// coordinates (a set of TexCoordSet) turn it.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

#include <GL/gl.h>

#include "classlib/controls.h"

namespace brisklens_gl {

// The model-view matrix of a frame is a translation by (x, y, -z).
struct CameraPosition {
  float x, y, z;
};
constexpr int kPresetCount = 6;
using CameraPresetTable = std::array<CameraPosition, kPresetCount>;
// Four (s, t) pairs per set, pair k for vertex k of the square.
using TexCoordTable = std::array<std::array<int32_t, 8>, kPresetCount>;

// Rows 0..2: normal, turned left, turned right; rows 3..5 the same without any border.
CameraPresetTable MakeCameraPresets();
// The row (and texture set) of a rotation (0 normal, 1 left, 2 right) and border mode.
constexpr int PresetOf(int rotation, bool no_border) { return rotation + (no_border ? 3 : 0); }
constexpr bool PresetIsTurned(int preset) { return preset % 3 != 0; }
TexCoordTable MakeTexCoordSets();

// The fixed texture names of the two windows, each bound in its own context.
constexpr GLuint kMainTextureName = 9876543;
constexpr GLuint kSecondTextureName = 9876542;

// With the window's context current: no blending, flat shading, no depth test, the clear
// colour black with `clear_alpha`, 2D textures on, then the projection.
void InitGLState(float clear_alpha, int client_width, int client_height);
// With the window's context current: the viewport over the client area and a 60-degree
// perspective from 1 to 100 units, then an identity model-view matrix.
void SetupProjection(int client_width, int client_height);
// Specifies the bound texture anew from a 280 x 280 RGB image, linear filtering, clamped.
void UploadTexture(GLuint name, const uint8_t* rgb_image);

// The paint messages of a window that OpenGL draws: painting only validates and nothing is
// erased, since the next frame draws the whole client area. Returns whether it handled
// the message.
bool HandleSurfacePaint(HWND window, classlib::TMessage& message);

class TGlSurface {
 public:
  TGlSurface();

  // Takes the window's device context, makes a double-buffered 32-bit RGBA context with a
  // 24-bit depth buffer for it, makes that current and sets its GL state.
  void StartRendering(HWND window, float clear_alpha, int client_width, int client_height);
  // Deletes the context and gives the device context back; nothing when none is held.
  void EndRendering(HWND window);
  void ActivateRendering() const;
  // Draws the square with camera row and texture set `index` (with the context current).
  void DrawScreenQuad(int index) const;
  void SwapRenderedBuffers() const;

  HDC DC = nullptr;
  HGLRC RC = nullptr;
  CameraPresetTable CameraPreset;
  TexCoordTable TexCoordSet;
};

}  // namespace brisklens_gl
