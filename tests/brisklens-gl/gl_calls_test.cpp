// The OpenGL calls of the frame path through a recording table in place of the loaded
// entry points (calls left unset are skipped): the pixel format and its two error boxes,
// the frame's order, contexts and texture data, and entry points that were not found.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "brisklens-gl/frame_render.h"
#include "brisklens-gl/gl_context.h"
#include "brisklens-gl/gl_library.h"
#include "tests/classlib/test_timers.h"

using namespace brisklens_gl;

namespace {

std::vector<std::string> g_calls;
std::vector<std::vector<uint8_t>> g_uploads;  // the texture image at each upload
PIXELFORMATDESCRIPTOR g_format_asked = {};
int g_choose_result = 7;
BOOL g_set_result = TRUE;

std::string Id(const void* handle) { return std::to_string(reinterpret_cast<uintptr_t>(handle)); }

void APIENTRY BindTexture(GLenum, GLuint name) {
  g_calls.push_back("bind " + std::to_string(name));
}
void APIENTRY TexImage2D(GLenum, GLint, GLint format, GLsizei w, GLsizei h, GLint, GLenum,
                         GLenum type, const GLvoid* pixels) {
  const bool rgb = format == GL_RGB && type == GL_UNSIGNED_BYTE && w == 280 && h == 280;
  g_calls.push_back(rgb ? "upload" : "upload ?");
  const uint8_t* bytes = static_cast<const uint8_t*>(pixels);
  g_uploads.emplace_back(bytes, bytes + kTextureBytes);
}
void APIENTRY Begin(GLenum mode) { g_calls.push_back(mode == GL_QUADS ? "quad" : "begin ?"); }
void APIENTRY Vertex3f(GLfloat, GLfloat, GLfloat) { g_calls.back() += "+"; }
HGLRC WINAPI CreateContext(HDC dc) {
  g_calls.push_back("create " + Id(dc));
  return reinterpret_cast<HGLRC>(0x500);
}
BOOL WINAPI MakeCurrent(HDC dc, HGLRC rc) {
  g_calls.push_back("current " + Id(dc) + " " + Id(rc));
  return TRUE;
}
BOOL WINAPI DeleteContext(HGLRC rc) {
  g_calls.push_back("delete " + Id(rc));
  return TRUE;
}
int WINAPI ChooseFormat(HDC dc, const PIXELFORMATDESCRIPTOR* format) {
  g_format_asked = *format;
  g_calls.push_back("choose " + Id(dc));
  return g_choose_result;
}
BOOL WINAPI SetFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR*) {
  g_calls.push_back("set " + Id(dc) + " " + std::to_string(format));
  return g_set_result;
}
BOOL WINAPI Swap(HDC dc) {
  g_calls.push_back("swap " + Id(dc));
  return TRUE;
}

class GlCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = Gl();
    GlEntryPoints& e = Gl() = GlEntryPoints{};
    e.glBindTexture = BindTexture;
    e.glTexImage2D = TexImage2D;
    e.glBegin = Begin;
    e.glVertex3f = Vertex3f;
    e.wglCreateContext = CreateContext;
    e.wglMakeCurrent = MakeCurrent;
    e.wglDeleteContext = DeleteContext;
    e.ChoosePixelFormat = ChooseFormat;
    e.SetPixelFormat = SetFormat;
    e.SwapBuffers = Swap;
    g_calls.clear();
    g_uploads.clear();
  }
  void TearDown() override { Gl() = saved_; }
  // Closes the next `count` error boxes, keeping their texts.
  void CloseErrorBoxes(size_t count) {
    classlib_test::RepeatUntil([this, count] {
      if (HWND box = classlib_test::FindMessageBox(L"Error")) {
        shown_.push_back(classlib_test::MessageBoxText(box));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
      }
      return shown_.size() == count;
    });
  }
  GlEntryPoints saved_;
  std::vector<std::wstring> shown_;
};

const HDC kDc = reinterpret_cast<HDC>(0x40);

}  // namespace

// Variant 0 double-buffers, 1 draws with GDI, any other neither. A format that cannot be
// chosen or set is reported each time in a box, and the steps go on with format 0.
TEST_F(GlCalls, PixelFormatRecordAndFailuresOfItsSteps) {
  for (auto [variant, flags] : {std::pair{0, 0x25u}, {1, 0x34u}, {2, 0x24u}}) {
    const PIXELFORMATDESCRIPTOR f = PixelFormatRecord(variant, 32, 24, 8, 16, 2);
    EXPECT_EQ(f.dwFlags, flags) << "variant " << variant;
    EXPECT_EQ(std::vector<int>({f.nSize, f.nVersion, f.iPixelType, f.cColorBits, f.cRedBits,
                                f.cDepthBits, f.cStencilBits, f.cAccumBits, f.cAuxBuffers,
                                f.iLayerType, int(f.dwVisibleMask)}),
              std::vector<int>({40, 1, 0, 32, 0, 24, 8, 16, 2, 0, 0}));
  }
  EXPECT_EQ(CreateRenderingContext(kDc, 0, 32, 24, 0, 0, 0), reinterpret_cast<HGLRC>(0x500));
  EXPECT_EQ(g_format_asked.dwFlags, 0x25u);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"choose 64", "set 64 7", "create 64"}));
  g_calls.clear();
  g_choose_result = 0;
  g_set_result = FALSE;
  CloseErrorBoxes(2);
  CreateRenderingContext(kDc, 0, 32, 24, 0, 0, 0);
  EXPECT_EQ(shown_, (std::vector<std::wstring>{L"选择像素格式", L"设置像素格式"}));
  EXPECT_EQ(g_calls, (std::vector<std::string>{"choose 64", "set 64 0", "create 64"}));
}

// The main block is uploaded, drawn and shown before the second window's context takes
// the upper block; the main window's context is current again at the end.
TEST_F(GlCalls, ADualScreenFrameKeepsTheMainContextCurrentOutsideTheSecondWindowsPart) {
  std::vector<uint8_t> capture(280 * 482 * 4);
  for (size_t i = 0; i < capture.size(); ++i) capture[i] = uint8_t(i * 7 / 4);
  TGlSurface main, second;
  main.DC = reinterpret_cast<HDC>(0x10);
  main.RC = reinterpret_cast<HGLRC>(0x11);
  second.DC = reinterpret_cast<HDC>(0x20);
  second.RC = reinterpret_cast<HGLRC>(0x21);
  TextureImage texture;
  RenderFrame({capture.data(), 482}, 481, 1, texture, main, &second);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"bind 9876543", "upload", "quad++++", "swap 16",
                                               "current 32 33", "bind 9876542", "upload",
                                               "quad++++", "swap 32", "current 16 17"}));
  // Texture row 0 is the block's last capture row: 481 for the main, 279 for the second.
  ASSERT_EQ(g_uploads.size(), 2u);
  for (size_t upload = 0; upload < 2; ++upload) {
    const size_t last_row = size_t(upload == 0 ? 481 : 279) * 280 * 4;
    EXPECT_EQ(g_uploads[upload][0], capture[last_row + 2]) << "upload " << upload;
    EXPECT_EQ(g_uploads[upload][2], capture[last_row]) << "upload " << upload;
  }
  g_calls.clear();
  RenderFrame({capture.data(), 482}, 279, 0, texture, main, nullptr);
  EXPECT_EQ(g_calls.back(), "swap 16") << "one screen: the main window alone";
  // A window that holds no context ends none.
  g_calls.clear();
  TGlSurface never_started;
  never_started.EndRendering(nullptr);
  EXPECT_TRUE(g_calls.empty());
}

// Entry points that were not found are never called; what has a result gives 0.
TEST_F(GlCalls, MissingEntryPointsAreNeverCalled) {
  Gl() = GlEntryPoints{};
  Gl().SwapBuffers = Swap;
  std::vector<uint8_t> capture(280 * 482 * 4);
  TGlSurface main, second;
  main.DC = reinterpret_cast<HDC>(0x10);
  TextureImage texture;
  InitGLState(0.0f, 512, 384);
  RenderFrame({capture.data(), 482}, 481, 3, texture, main, &second);
  DestroyRenderingContext(main.DC, reinterpret_cast<HGLRC>(0x11));
  EXPECT_EQ(g_calls, (std::vector<std::string>{"swap 16", "swap 0"}));
  CloseErrorBoxes(2);
  EXPECT_EQ(CreateRenderingContext(kDc, 0, 32, 24, 0, 0, 0), nullptr);
}
