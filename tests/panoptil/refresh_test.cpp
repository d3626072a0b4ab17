// The refresh timer's rates and pause, and an emulator that the magnifier starts itself.
#include <gtest/gtest.h>

#include "tools/systest/magnifier.h"

namespace panoptil_test {
namespace {

using systest::TempDir;

// The stand-in's frame number shown at a client point of the magnifier.
int FrameAt(const Magnifier& magnifier, int client_x, int client_y) {
  POINT at = magnifier.ScreenPoint(client_x, client_y);
  systest::Pixels pixel = systest::CaptureScreen({at.x, at.y, at.x + 1, at.y + 1});
  return pixel.data.empty() ? -1 : standin::Decode(pixel.data[0]).frame;
}

// How often the frame shown at the top view's corner changes while `duration_ms` passes
// (a measurement over a fixed time: the rate is what is measured).
int FrameChanges(const Magnifier& magnifier, DWORD duration_ms) {
  int changes = 0;
  int last = FrameAt(magnifier, 1, 1);
  DWORD start = GetTickCount();
  systest::WaitUntil([&] {
    int frame = FrameAt(magnifier, 1, 1);
    if (frame != last) ++changes;
    last = frame;
    return GetTickCount() - start >= duration_ms;
  }, duration_ms + 5000);
  return changes;
}

// Waits until the frame shown at the top view's corner has stayed the same for 300 ms: a
// frame drawn just before a pause may reach the screen a moment after the pause.
bool FrameSettles(const Magnifier& magnifier) {
  int last = FrameAt(magnifier, 1, 1);
  DWORD since = GetTickCount();
  return systest::WaitUntil([&] {
    const int frame = FrameAt(magnifier, 1, 1);
    if (frame != last) since = GetTickCount();
    last = frame;
    return GetTickCount() - since >= 300;
  }, 5000);
}

TEST(MagnifierRefresh, RatesSetTheIntervalAndPauseStopsIt) {
  TempDir dir;
  Magnifier magnifier;
  ASSERT_TRUE(magnifier.Start(dir));
  ASSERT_EQ(WaitForBoxPicture(magnifier, {0, 0, 512, 384}, standin::Region::Top, 2, false), "");

  ASSERT_TRUE(magnifier.ChooseMenuItem(kRefreshMenu, RefreshIndex(1)));  // 1000 ms
  int slow = FrameChanges(magnifier, 3000);
  EXPECT_GE(slow, 1) << "rate 1";
  EXPECT_LE(slow, 4) << "rate 1";

  ASSERT_TRUE(magnifier.ChooseMenuItem(kRefreshMenu, RefreshIndex(60)));  // 16 ms
  EXPECT_GE(FrameChanges(magnifier, 1500), 12) << "rate 60";

  ASSERT_TRUE(magnifier.ChooseMenuItem(kPause));
  EXPECT_TRUE(FrameSettles(magnifier)) << "paused";
  EXPECT_EQ(FrameChanges(magnifier, 1000), 0) << "paused";
  ASSERT_TRUE(magnifier.ChooseMenuItem(kPause));
  EXPECT_GE(FrameChanges(magnifier, 1000), 5) << "pause cleared";
}

TEST(MagnifierRefresh, StartsTheEmulatorInItsFolderAndFindsIt) {
  TempDir dir;
  ASSERT_TRUE(systest::Standin::Install(dir, L"NO$GBA.EXE", StandinBesideTheMagnifier()));
  Magnifier magnifier;
  ASSERT_TRUE(magnifier.Start(dir, false));
  ASSERT_TRUE(systest::Standin::WaitForStandinWindow());
  // Found by the search timer: the top view shows the emulator's top screen.
  EXPECT_EQ(WaitForBoxPicture(magnifier, {0, 0, 512, 384}, standin::Region::Top, 2, false), "");
  EXPECT_EQ(systest::StartCount(dir.File(L"standin-input.log")), 1);
}

}  // namespace
}  // namespace panoptil_test
