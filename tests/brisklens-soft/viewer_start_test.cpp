// brisklens-soft started as a user would: finding a running emulator or starting one from
// its folder or the folder above, attaching under the pointer, the start-up layout with
// the frame each window shows, and the alive check that closes the viewer.
#include <gtest/gtest.h>

#include "tools/systest/frame_pixels.h"
#include "tools/systest/systest.h"
#include "tests/viewer/viewer_session.h"

using namespace systest;
using namespace brisklens_test;

namespace {

// Negative checks wait this long for something that must not happen.
constexpr DWORD kQuietMs = 1500;

}  // namespace

TEST(ViewerStart, RunningEmulatorIsAttachedAtOnceAndBothWindowsShowTheirFrames) {
  ParkPointer();
  TempDir dir;
  Standin emulator = Standin::Start(dir, EmulatorOptions());
  ASSERT_TRUE(emulator.window());
  // An emulator program in the folder must not be started when one is running.
  ASSERT_TRUE(CopyProgram(L"standin.exe", dir.File(L"no$gba.exe")));
  ViewerSession viewer;
  ASSERT_TRUE(viewer.Start(dir.path()));
  ASSERT_TRUE(viewer.WaitForPictures()) << "attached without moving the pointer";

  EXPECT_EQ(WindowCaption(viewer.main), L"Brisklens for No$gba Soft");
  EXPECT_EQ(WindowCaption(viewer.second), L"Form2");
  RECT second = WindowRect(viewer.second), main = WindowRect(viewer.main);
  RECT second_client = ClientScreenRect(viewer.second), main_client = ClientScreenRect(viewer.main);
  EXPECT_EQ(second.left, 0);
  EXPECT_EQ(second.top, 0);
  EXPECT_EQ(second_client.right - second_client.left, 512);
  EXPECT_EQ(second_client.bottom - second_client.top, 384);
  EXPECT_EQ(second.bottom - second.top, 384) << "no border";
  EXPECT_EQ(main.left, 0);
  EXPECT_EQ(main.top, second.bottom) << "directly below the second window";
  EXPECT_EQ(main_client.right - main_client.left, 512);
  EXPECT_EQ(main_client.bottom - main_client.top, 384);
  LONG style = GetWindowLongW(viewer.main, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & (WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_TRUE(GetWindowLongW(viewer.main, GWL_EXSTYLE) & WS_EX_APPWINDOW);

  // Client rows 201..408 (touch screen) in the main window; in the second the frame of
  // rows -2..205 one column and one row smaller, rows -2..204 (top screen), each stretched
  // over 512 x 384.
  EXPECT_EQ(CheckFramePixels(CaptureClient(viewer.main), {0, 201, 270, 409}), "");
  EXPECT_EQ(CheckFramePixels(CaptureClient(viewer.second), {0, -2, 269, 205}), "");
  EXPECT_FALSE(WaitUntil([&] { return StartCount(emulator.log_path()) > 1; }, kQuietMs));
}

TEST(ViewerStart, StartsTheEmulatorBesideItAndAttachesWhenThePointerRestsOnIt) {
  ParkPointer();
  TempDir dir;
  ASSERT_TRUE(Standin::Install(dir, L"no$gba.exe", EmulatorOptions()));
  ViewerSession viewer;
  ASSERT_TRUE(viewer.Start(dir.path()));
  HWND emulator = Standin::WaitForStandinWindow();
  ASSERT_TRUE(emulator);
  EXPECT_EQ(StartCount(dir.File(L"standin-input.log")), 1);
  EXPECT_FALSE(WaitUntil([&] { return viewer.ShowsPictures(); }, kQuietMs))
      << "an emulator the viewer started is found only under the pointer";
  POINT touch = ScreenPoint(emulator, 100, 300);
  MovePointer(touch.x, touch.y);
  EXPECT_FALSE(WaitUntil([&] { return viewer.ShowsPictures(); }, kQuietMs))
      << "the touch child is not the emulator's main window";
  PointAtEmulator(emulator);
  EXPECT_TRUE(viewer.WaitForPictures());
  ParkPointer();
}

TEST(ViewerStart, StartsTheEmulatorFromTheFolderAbove) {
  ParkPointer();
  TempDir dir;
  ASSERT_TRUE(Standin::Install(dir, L"no$gba.exe", EmulatorOptions()));
  std::wstring folder = dir.File(L"viewer");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  // The emulator runs in the viewer's folder and reads its settings there.
  ASSERT_TRUE(WriteTextFile(folder + L"\\standin.cfg", ReadTextFile(dir.File(L"standin.cfg"))));
  ViewerSession viewer;
  ASSERT_TRUE(viewer.Start(folder));
  HWND emulator = Standin::WaitForStandinWindow();
  ASSERT_TRUE(emulator);
  EXPECT_EQ(StartCount(dir.File(L"standin-input.log")), 1);
  PointAtEmulator(emulator);
  EXPECT_TRUE(viewer.WaitForPictures());
  ParkPointer();
}

TEST(ViewerStart, WithoutAnyEmulatorTheViewerKeepsSearching) {
  ParkPointer();
  TempDir dir;
  ViewerSession viewer;
  ASSERT_TRUE(viewer.Start(dir.path()));
  EXPECT_FALSE(viewer.process.WaitForExit(kQuietMs));
  EXPECT_EQ(Standin::WaitForStandinWindow(L"No$gba", 200), nullptr);
  // An emulator started later is found under the pointer.
  Standin emulator = Standin::Start(dir, EmulatorOptions());
  ASSERT_TRUE(emulator.window());
  PointAtEmulator(emulator.window());
  EXPECT_TRUE(viewer.WaitForPictures());
  ParkPointer();
}

TEST(ViewerStart, AFourteenCharacterCaptionIsSkippedAndTheExactFifteenTaken) {
  ParkPointer();
  TempDir short_dir, exact_dir;
  StandinOptions short_options = EmulatorOptions(L"No$gba Emulato");
  short_options.x = 1000;
  Standin short_caption = Standin::Start(short_dir, short_options);
  Standin exact_caption = Standin::Start(exact_dir, EmulatorOptions(L"No$gba Emulator"));
  ASSERT_TRUE(short_caption.window());
  ASSERT_TRUE(exact_caption.window());
  ViewerSession viewer;
  ASSERT_TRUE(viewer.Start(exact_dir.path()));
  ASSERT_TRUE(viewer.WaitForPictures());
  // The keys go to the exact caption's emulator.
  ASSERT_TRUE(BringToFront(viewer.main));
  PressKey('B');
  EXPECT_TRUE(WaitForLogEntries(exact_caption.log_path(), "key", WM_KEYDOWN, 1));
  EXPECT_TRUE(LogEntriesFor(short_caption.log_path(), "key", WM_KEYDOWN).empty());
}

TEST(ViewerStart, AViewerWithAShortCaptionEmulatorOnlyDoesNotAttach) {
  ParkPointer();
  TempDir dir;
  Standin emulator = Standin::Start(dir, EmulatorOptions(L"No$gba Emulato"));
  ASSERT_TRUE(emulator.window());
  ViewerSession viewer;
  ASSERT_TRUE(viewer.Start(dir.path()));
  PointAtEmulator(emulator.window());
  EXPECT_FALSE(WaitUntil([&] { return viewer.ShowsPictures(); }, kQuietMs));
  EXPECT_TRUE(viewer.process.Running());
  ParkPointer();
}

TEST(ViewerAliveCheck, TheViewerClosesWhenTheEmulatorEnds) {
  ParkPointer();
  TempDir dir;
  Standin emulator = Standin::Start(dir, EmulatorOptions());
  ViewerSession viewer;
  ASSERT_TRUE(viewer.Start(dir.path()));
  ASSERT_TRUE(viewer.WaitForPictures());
  PostMessageW(emulator.window(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(emulator.process().WaitForExit());
  EXPECT_TRUE(EndsPromptly(viewer.process));
  EXPECT_EQ(viewer.process.ExitCode(), 0u);
}

TEST(ViewerAliveCheck, ACaptionThatNoLongerMatchesClosesTheViewerAndLeavesTheEmulator) {
  ParkPointer();
  TempDir dir;
  Standin emulator = Standin::Start(dir, EmulatorOptions());
  HWND window = emulator.window();
  const RECT before = WindowRect(window);
  const LONG ex_style = GetWindowLongW(window, GWL_EXSTYLE);
  ViewerSession viewer;
  ASSERT_TRUE(viewer.Start(dir.path()));
  ASSERT_TRUE(viewer.WaitForPictures());
  SetWindowTextW(window, L"No$gba Emulato");
  ASSERT_TRUE(viewer.process.WaitForExit());
  EXPECT_TRUE(emulator.process().Running()) << "the emulator is never closed";
  EXPECT_EQ(WindowRect(window).left, before.left);
  EXPECT_EQ(WindowRect(window).top, before.top);
  EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE), ex_style);
}
