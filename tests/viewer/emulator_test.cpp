// The emulator link against real windows: the 15-character caption test, enumeration at
// start-up, attaching under the pointer, hiding and restoring the emulator window, and
// the frame rectangles of every offset and border trim checked in the copied pixels.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "viewer/emulator.h"
#include "tools/systest/frame_pixels.h"
#include "classlib/sysutils.h"
#include "tools/systest/systest.h"

using namespace systest;
using viewer::EmulatorAttachment;

namespace {

LRESULT CALLBACK PlainProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcW(window, msg, wparam, lparam);
}

// A top-level window of this process with a caption, destroyed with the object.
class CaptionWindow {
 public:
  explicit CaptionWindow(const wchar_t* caption) {
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = PlainProc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"CaptionTestWindow";
    RegisterClassW(&window_class);
    window_ = CreateWindowExW(0, L"CaptionTestWindow", caption, WS_POPUP, 0, 0, 10, 10,
                              nullptr, nullptr, window_class.hInstance, nullptr);
  }
  ~CaptionWindow() { DestroyWindow(window_); }
  HWND handle() const { return window_; }

 private:
  HWND window_;
};

StandinOptions StandinAt(int x, int y) {
  StandinOptions options;
  options.x = x;
  options.y = y;
  return options;
}

// Pixels of a class-library bitmap, 0x00RRGGBB.
Pixels ReadBitmap(classlib::TBitmap& bitmap) {
  RECT whole = {0, 0, bitmap.Width(), bitmap.Height()};
  return CaptureDC(bitmap.Canvas().Handle(), whole);
}

}  // namespace

TEST(EmulatorCaption, MatchesTheFirstFifteenCharactersExactly) {
  struct Row { const wchar_t* caption; bool matches; };
  const Row rows[] = {
      {L"No$gba Emulator", true},          {L"No$gba Emulator - game.nds", true},
      {L"No$gba Emulator1234567890", true}, {L"No$gba Emulato", false},
      {L"", false},                         {L"no$gba Emulator", false},
      {L"No$gba  Emulator", false},         {L" No$gba Emulator", false},
      {L"No$gba Emulatorx", true},
  };
  EmulatorAttachment attachment;
  attachment.AllocateCaptionBuffer();
  for (const Row& row : rows) {
    CaptionWindow window(row.caption);
    ASSERT_TRUE(window.handle());
    EXPECT_EQ(attachment.MatchesEmulatorCaption(window.handle()), row.matches)
        << "caption \"" << classlib::WideToAnsi(row.caption) << "\"";
    EXPECT_LE(std::strlen(attachment.CaptionBuffer.get()), 15u);
  }
  HWND gone = CaptionWindow(L"No$gba Emulator").handle();
  EXPECT_FALSE(attachment.MatchesEmulatorCaption(gone)) << "a destroyed window reads as empty";
}

TEST(EmulatorAttachment, EnumerationAtStartUpTakesTheFirstMatchingWindow) {
  TempDir dir;
  CaptionWindow decoy(L"No$gba Emulato");
  Standin emulator = Standin::Start(dir, StandinAt(1100, 40));
  ASSERT_TRUE(emulator.window());
  EmulatorAttachment attachment;
  attachment.AllocateCaptionBuffer();
  attachment.FindRunningEmulator();
  EXPECT_EQ(attachment.EmulatorWindow, emulator.window());
  EXPECT_FALSE(attachment.Attached);
}

TEST(EmulatorAttachment, AttachesToTheMainWindowUnderThePointerOnly) {
  TempDir dir;
  Standin emulator = Standin::Start(dir, StandinAt(1100, 40));
  ASSERT_TRUE(emulator.window());
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(emulator.window()); }));
  RECT client = ClientScreenRect(emulator.window());
  EmulatorAttachment attachment;
  attachment.BindCanvasToScreen();
  attachment.AllocateCaptionBuffer();

  MovePointer(300, 900);  // the empty desktop
  attachment.AttachToEmulator(false);
  EXPECT_FALSE(attachment.Attached);
  MovePointer(client.left + 100, client.top + 300);  // the touch child
  attachment.AttachToEmulator(false);
  EXPECT_FALSE(attachment.Attached) << "a child window is not the emulator";
  EXPECT_EQ(GetParent(attachment.CandidateWindow), emulator.window());
  MovePointer(client.left + 100, client.top + 100);  // the main window itself
  attachment.AttachToEmulator(false);
  ASSERT_TRUE(attachment.Attached);
  EXPECT_EQ(attachment.EmulatorWindow, emulator.window());
  EXPECT_EQ(WindowClass(attachment.TouchWindow), L"No$touchClass");
  EXPECT_EQ(WindowClass(attachment.KeyWindow), L"Static");
  EXPECT_EQ(GetParent(attachment.KeyWindow), emulator.window());
  EXPECT_EQ(WindowFromDC(attachment.EmulatorCanvas->Handle()), emulator.window());
  EXPECT_FALSE(attachment.EmulatorHidden);
}

TEST(EmulatorAttachment, HideMovesTheEmulatorOffScreenAndRestorePutsItBack) {
  TempDir dir;
  Standin emulator = Standin::Start(dir, StandinAt(1100, 40));
  HWND window = emulator.window();
  ASSERT_TRUE(window);
  const LONG original_ex_style = GetWindowLongW(window, GWL_EXSTYLE);
  const RECT original = WindowRect(window);
  EmulatorAttachment attachment;
  attachment.AllocateCaptionBuffer();
  attachment.HideEmulatorWindow();
  EXPECT_FALSE(attachment.EmulatorHidden) << "nothing to hide before attaching";

  attachment.FindRunningEmulator();
  attachment.AttachToEmulator(true);  // the hide setting is on at attach
  ASSERT_TRUE(attachment.EmulatorHidden);
  EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE), WS_EX_LAYERED | WS_EX_TOOLWINDOW);
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(window, nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 255);
  EXPECT_TRUE(flags & LWA_ALPHA);
  EXPECT_TRUE(IsWindowVisible(window));
  RECT hidden = WindowRect(window);
  EXPECT_EQ(hidden.left, -288);
  EXPECT_EQ(hidden.top, 0);
  EXPECT_EQ(hidden.right - hidden.left, original.right - original.left);

  // Hiding again saves nothing new: the restore still puts back the first state.
  attachment.HideEmulatorWindow();
  attachment.RestoreEmulatorWindow();
  EXPECT_FALSE(attachment.EmulatorHidden);
  EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE), original_ex_style);
  RECT restored = WindowRect(window);
  EXPECT_EQ(restored.left, original.left);
  EXPECT_EQ(restored.top, original.top);

  // A second restore does nothing.
  SetWindowPos(window, nullptr, 1000, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  attachment.RestoreEmulatorWindow();
  EXPECT_EQ(WindowRect(window).left, 1000);
}

TEST(FrameRects, EveryOffsetAndBorderTrimSelectsItsEmulatorPixels) {
  TempDir dir;
  Standin emulator = Standin::Start(dir, StandinAt(1100, 40));
  ASSERT_TRUE(emulator.window());
  CaptureWhenPainted(emulator.window());
  EmulatorAttachment attachment;
  attachment.AllocateCaptionBuffer();
  attachment.FindRunningEmulator();
  attachment.AttachToEmulator(false);
  ASSERT_TRUE(attachment.Attached);
  struct Row { int offset; int trim; bool second; const char* what; };
  const Row rows[] = {{1, 0, false, "touch screen, start-up"}, {1, 7, false, "touch, trimmed"},
                      {0, 0, false, "touch after DoubleScr"},  {0, 7, false, "touch, trimmed"},
                      {-200, 0, false, "top screen"},          {-200, 7, false, "top, trimmed"},
                      {-202, 0, true, "second window"},        {-202, 7, true, "second, trimmed"}};
  for (const Row& row : rows) {
    RECT frame = row.second ? viewer::SecondFrameRect(row.offset, row.trim)
                            : viewer::MainFrameRect(row.offset, row.trim);
    classlib::TBitmap bitmap(512, 384);
    bitmap.Canvas().CopyRect({0, 0, 512, 384}, *attachment.EmulatorCanvas, frame);
    Pixels picture = ReadBitmap(bitmap);
    EXPECT_EQ(systest::CheckFramePixels(picture, frame), "") << row.what;
    // The screen's first pixel: column 7 of the client, row 208 (touch) or 7 (top); in
    // the frame at (7 - trim, that row - (offset + 200) - trim).
    int screen_row = (row.offset >= 0 ? 208 : 7) - (row.offset + 200) - row.trim;
    int x = (7 - row.trim) * 512 / (frame.right - frame.left) + 1;
    int y = screen_row * 384 / (frame.bottom - frame.top) + 1;
    standin::PixelInfo info = standin::Decode(picture.at(x, y));
    EXPECT_EQ(info.region, row.offset >= 0 ? standin::Region::Touch : standin::Region::Top)
        << row.what;
    EXPECT_LE(info.x, 1) << row.what;
    EXPECT_LE(info.y, 1) << row.what;
  }
  // With the trim the direct path stretches 256 x 194 pixels of the frame.
  RECT trimmed = viewer::MainFrameRect(1, 7);
  EXPECT_EQ(trimmed.right - trimmed.left, 256);
  EXPECT_EQ(trimmed.bottom - trimmed.top, 194);
}
