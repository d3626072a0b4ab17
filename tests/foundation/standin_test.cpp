// The stand-in emulator presents the emulator's window interface: class, caption, the
// screens at their client positions, the children, the input log and its start options.
#include <gtest/gtest.h>

#include "tools/systest/systest.h"

using namespace systest;
using standin::Region;

namespace {

// Checks every pixel of a client capture against the stand-in's picture; returns the number
// of pixels that are wrong and reports the first.
int CountWrongPixels(const Pixels& pixels) {
  int wrong = 0;
  int frame = -1;
  for (int y = 0; y < pixels.height; ++y) {
    for (int x = 0; x < pixels.width; ++x) {
      standin::PixelInfo info = standin::Decode(pixels.at(x, y));
      if (frame < 0 && info.region != Region::Frame) frame = info.frame;
      uint32_t expected = standin::ClientPixel(x, y, frame < 0 ? 0 : frame);
      // The frame number may move on between rows of one capture: compare without it.
      uint32_t mask = info.region == Region::Frame ? 0xFFFFFFu : 0xFFFFC0u;
      if ((pixels.at(x, y) & mask) != (expected & mask)) {
        if (wrong == 0)
          ADD_FAILURE() << "client (" << x << ", " << y << "): got 0x" << std::hex
                        << pixels.at(x, y) << ", expected 0x" << expected;
        ++wrong;
      }
    }
  }
  return wrong;
}

TEST(Standin, FoundByClassAndCaptionAndShowsBothScreens) {
  TempDir dir;
  Standin emulator = Standin::Start(dir);
  ASSERT_TRUE(emulator.window());

  WindowQuery by_class;
  by_class.class_name = L"No$dlgClass";
  EXPECT_EQ(FindWindowW(L"No$dlgClass", nullptr), emulator.window());
  WindowQuery by_caption;
  by_caption.caption_prefix = L"No$gba Emulator";
  EXPECT_EQ(FindTopWindow(by_caption), emulator.window());

  RECT client = {};
  GetClientRect(emulator.window(), &client);
  EXPECT_EQ(client.right, standin::kClientWidth);
  EXPECT_EQ(client.bottom, standin::kClientHeight);

  Pixels pixels = CaptureWhenPainted(emulator.window());
  ASSERT_EQ(pixels.width, standin::kClientWidth);
  ASSERT_EQ(pixels.height, standin::kClientHeight);
  EXPECT_EQ(CountWrongPixels(pixels), 0);

  // Spot checks of the layout that the viewers rely on.
  standin::PixelInfo top_left = standin::Decode(pixels.at(7, 7));
  EXPECT_EQ(top_left.region, Region::Top);
  EXPECT_EQ(top_left.x, 0);
  EXPECT_EQ(top_left.y, 0);
  standin::PixelInfo touch_corner = standin::Decode(pixels.at(7 + 255, 208 + 191));
  EXPECT_EQ(touch_corner.region, Region::Touch);
  EXPECT_EQ(touch_corner.x, 255);
  EXPECT_EQ(touch_corner.y, 191);
  EXPECT_EQ(standin::Decode(pixels.at(6, 208)).region, Region::Frame);
  EXPECT_EQ(standin::Decode(pixels.at(7, 207)).region, Region::Frame);
  EXPECT_EQ(standin::Decode(pixels.at(7, 400)).region, Region::Frame);
}

TEST(Standin, TouchScreenSitsAt11And257FromTheWindowRectangle) {
  TempDir dir;
  StandinOptions options;
  options.x = 300;
  options.y = 150;
  Standin emulator = Standin::Start(dir, options);
  ASSERT_TRUE(emulator.window());
  RECT window = WindowRect(emulator.window());
  EXPECT_EQ(window.left, 300);
  EXPECT_EQ(window.top, 150);
  POINT touch_origin = {standin::kTouchScreenX, standin::kTouchScreenY};
  ClientToScreen(emulator.window(), &touch_origin);
  EXPECT_EQ(touch_origin.x - window.left, 11);
  EXPECT_EQ(touch_origin.y - window.top, 257);
}

TEST(Standin, FramesAdvance) {
  TempDir dir;
  Standin emulator = Standin::Start(dir);
  ASSERT_TRUE(emulator.window());
  Pixels first = CaptureWhenPainted(emulator.window());
  int first_frame = standin::Decode(first.at(7, 7)).frame;
  EXPECT_TRUE(WaitUntil([&] {
    return standin::Decode(CaptureClient(emulator.window()).at(7, 7)).frame != first_frame;
  }));
}

TEST(Standin, CaptionIsSettableAtTheFifteenCharacterEdge) {
  const wchar_t* captions[] = {L"No$gba Emulator", L"No$gba Emulato", L"No$gba Emulator v2.6a",
                               L""};
  for (const wchar_t* caption : captions) {
    TempDir dir;
    StandinOptions options;
    options.caption = caption;
    Standin emulator = Standin::Start(dir, options);
    ASSERT_TRUE(emulator.window()) << "caption \"" << caption << "\"";
    char text[16] = {};
    GetWindowTextA(emulator.window(), text, 16);
    std::wstring full(caption);
    std::string expected(full.begin(), full.begin() + std::min<size_t>(full.size(), 15));
    EXPECT_EQ(std::string(text), expected);
  }
}

TEST(Standin, ChildrenHaveEmptyNamesAndLogPostedInput) {
  TempDir dir;
  Standin emulator = Standin::Start(dir);
  ASSERT_TRUE(emulator.window());
  HWND touch = FindWindowExA(emulator.window(), nullptr, "No$touchClass", "");
  HWND key = FindWindowExA(emulator.window(), nullptr, "Static", "");
  ASSERT_TRUE(touch);
  ASSERT_TRUE(key);

  PostMessageW(touch, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, 34));
  PostMessageW(touch, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(0xFFFF, 191));
  PostMessageW(touch, WM_LBUTTONUP, 0, MAKELPARAM(255, 0));
  PostMessageW(key, WM_KEYDOWN, 'A', 0x001E0001);
  PostMessageW(key, WM_KEYUP, 'A', 0xC01E0001);
  PostMessageW(emulator.window(), WM_SYSKEYDOWN, VK_F4, 0x203E0001);

  ASSERT_TRUE(WaitForLogEntries(emulator.log_path(), "main", WM_SYSKEYDOWN, 1));
  auto downs = LogEntriesFor(emulator.log_path(), "touch", WM_LBUTTONDOWN);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0].wparam, uint32_t(MK_LBUTTON));
  EXPECT_EQ(downs[0].lparam, 0x0022000Cu);
  bool found_move = false;
  for (const LogEntry& move : LogEntriesFor(emulator.log_path(), "touch", WM_MOUSEMOVE))
    found_move |= move.lparam == 0x00BFFFFFu;
  EXPECT_TRUE(found_move);
  auto ups = LogEntriesFor(emulator.log_path(), "touch", WM_LBUTTONUP);
  ASSERT_EQ(ups.size(), 1u);
  EXPECT_EQ(ups[0].lparam, 0x000000FFu);
  auto key_downs = LogEntriesFor(emulator.log_path(), "key", WM_KEYDOWN);
  ASSERT_EQ(key_downs.size(), 1u);
  EXPECT_EQ(key_downs[0].wparam, uint32_t('A'));
  EXPECT_EQ(key_downs[0].lparam, 0x001E0001u);
  auto key_ups = LogEntriesFor(emulator.log_path(), "key", WM_KEYUP);
  ASSERT_EQ(key_ups.size(), 1u);
  EXPECT_EQ(key_ups[0].lparam, 0xC01E0001u);
}

TEST(Standin, KeepsDrawingWhileRestyledAndMoved) {
  TempDir dir;
  Standin emulator = Standin::Start(dir);
  ASSERT_TRUE(emulator.window());
  HWND window = emulator.window();
  SetWindowLongA(window, GWL_EXSTYLE, WS_EX_LAYERED | WS_EX_TOOLWINDOW);
  SetLayeredWindowAttributes(window, 0xFFFFFF, 255, LWA_ALPHA);
  SetWindowPos(window, nullptr, 500, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  EXPECT_TRUE(WaitUntil([&] { return WindowRect(window).left == 500; }));
  EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & (WS_EX_LAYERED | WS_EX_TOOLWINDOW),
            WS_EX_LAYERED | WS_EX_TOOLWINDOW);
  Pixels pixels = CaptureWhenPainted(window);
  EXPECT_EQ(CountWrongPixels(pixels), 0);
}

TEST(Standin, StartsUnderTheEmulatorsFileNamesWithItsConfigFile) {
  for (const wchar_t* name : {L"no$gba.exe", L"NO$GBA.EXE"}) {
    TempDir dir;
    StandinOptions options;
    options.caption = L"No$gba Emulator - started by name";
    options.x = 222;
    ASSERT_TRUE(Standin::Install(dir, name, options));
    // No arguments, as a program that starts the emulator passes none.
    Process process = Process::Start(dir.File(name), L"", dir.path());
    ASSERT_TRUE(process.valid());
    HWND window = Standin::WaitForStandinWindow(L"No$gba Emulator - started by name");
    ASSERT_TRUE(window) << "started as " << std::wstring(name).size();
    EXPECT_EQ(WindowRect(window).left, 222);
    EXPECT_EQ(StartCount(dir.File(L"standin-input.log")), 1);
  }
}

TEST(Standin, ExitOptionEndsAtOnceAfterLoggingTheStart) {
  TempDir dir;
  Process process = Process::Start(ProgramPath(L"standin.exe"),
                                   L"--exit --log \"" + dir.File(L"log.txt") + L"\"", dir.path());
  ASSERT_TRUE(process.valid());
  EXPECT_TRUE(process.WaitForExit());
  EXPECT_EQ(process.ExitCode(), 0u);
  EXPECT_EQ(StartCount(dir.File(L"log.txt")), 1);
}

TEST(Standin, EndsWithItsProcessObject) {
  TempDir dir;
  HWND window = nullptr;
  {
    Standin emulator = Standin::Start(dir);
    window = emulator.window();
    ASSERT_TRUE(window);
  }
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(window); }));
}

}  // namespace
