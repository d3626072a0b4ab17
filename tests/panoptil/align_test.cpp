// Alignment, border and about commands of the magnifier, and its border hit test.
#include <gtest/gtest.h>

#include "tools/systest/magnifier.h"

namespace panoptil_test {
namespace {

using systest::TempDir;
using systest::WaitUntil;
using systest::WindowRect;

int CaptionAndFrame() { return GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CXFRAME); }

TEST(MagnifierAlign, VerticalAlignAndBorder) {
  TempDir dir;
  Magnifier magnifier;
  ASSERT_TRUE(magnifier.Start(dir));
  ASSERT_TRUE(magnifier.ChooseMenuItem(kVertAlign));
  EXPECT_TRUE(WaitUntil([&] { return WindowRect(magnifier.form()).top == -CaptionAndFrame(); }))
      << "top " << WindowRect(magnifier.form()).top;

  ASSERT_TRUE(magnifier.ChooseMenuItem(kNoBorder));
  ASSERT_TRUE(WaitUntil([&] {
    HWND form = magnifier.Refind();
    return form && !(GetWindowLongW(form, GWL_STYLE) & WS_CAPTION);
  }));
  EXPECT_TRUE(WaitUntil([&] { return WindowRect(magnifier.form()).top == 0; }))
      << "top without border " << WindowRect(magnifier.form()).top;
  EXPECT_TRUE(WaitForClientSize(magnifier, 512, 384));
  RECT borderless = WindowRect(magnifier.form());
  EXPECT_EQ(borderless.right - borderless.left, 512);

  ASSERT_TRUE(magnifier.ChooseMenuItem(kNoBorder));
  ASSERT_TRUE(WaitUntil([&] {
    HWND form = magnifier.Refind();
    return form && (GetWindowLongW(form, GWL_STYLE) & WS_THICKFRAME);
  }));
  EXPECT_TRUE(WaitUntil([&] { return WindowRect(magnifier.form()).top == -CaptionAndFrame(); }))
      << "top with border again " << WindowRect(magnifier.form()).top;
  EXPECT_TRUE(WaitForClientSize(magnifier, 512, 384));
}

TEST(MagnifierAlign, SizeableBorderCannotBeDragged) {
  TempDir dir;
  Magnifier magnifier;
  ASSERT_TRUE(magnifier.Start(dir));
  RECT window = WindowRect(magnifier.form());
  POINT client = magnifier.ScreenPoint(0, 0);
  struct Row {
    const char* where;
    int x, y;
    LRESULT expected;
  } rows[] = {
      {"bottom-right corner", window.right - 1, window.bottom - 1, HTCLIENT},
      {"left edge", window.left, (window.top + window.bottom) / 2, HTCLIENT},
      {"caption", (window.left + window.right) / 2, (window.top + client.y) / 2, HTCAPTION},
  };
  for (const Row& row : rows) {
    LRESULT hit = SendMessageW(magnifier.form(), WM_NCHITTEST, 0, MAKELPARAM(row.x, row.y));
    EXPECT_EQ(hit, row.expected) << row.where;
  }
}

TEST(MagnifierAlign, HorizontalAlignBesideTheEmulatorScreen) {
  TempDir dir;
  Magnifier magnifier;
  ASSERT_TRUE(magnifier.Start(dir));
  HWND emulator = magnifier.emulator().window();
  HWND touch = FindWindowExA(emulator, nullptr, "No$touchClass", nullptr);
  RECT before = WindowRect(emulator);
  ASSERT_TRUE(magnifier.ChooseMenuItem(kHorzAlign));
  EXPECT_TRUE(WaitUntil([&] { return WindowRect(touch).left == -2; }))
      << "touch window left " << WindowRect(touch).left;
  EXPECT_TRUE(WaitUntil([&] { return WindowRect(magnifier.form()).left == 256; }))
      << "magnifier left " << WindowRect(magnifier.form()).left;
  RECT aligned = WindowRect(emulator);
  EXPECT_EQ(aligned.top, before.top);
  EXPECT_EQ(aligned.right - aligned.left, before.right - before.left) << "emulator width kept";
  EXPECT_EQ(aligned.bottom - aligned.top, before.bottom - before.top) << "emulator height kept";

  ASSERT_TRUE(magnifier.ChooseMenuItem(kHorzAlign));
  EXPECT_TRUE(WaitUntil([&] { return WindowRect(emulator).left == 0; }));
  EXPECT_TRUE(WaitUntil([&] {
    return WindowRect(magnifier.form()).left == WindowRect(emulator).right;
  })) << "magnifier left " << WindowRect(magnifier.form()).left;
}

TEST(MagnifierAlign, AboutShowsAMessageBox) {
  TempDir dir;
  Magnifier magnifier;
  ASSERT_TRUE(magnifier.Start(dir));
  ASSERT_TRUE(magnifier.ChooseMenuItem(kAbout));
  systest::WindowQuery query;
  query.class_name = L"#32770";
  query.process_id = magnifier.process().id();
  HWND box = systest::WaitForWindow(query);
  ASSERT_TRUE(box);
  EXPECT_EQ(systest::WindowCaption(box), L"Panoptil");
  ASSERT_TRUE(systest::BringToFront(box));
  systest::PressKey(VK_RETURN);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
  EXPECT_TRUE(magnifier.process().Running());
}

}  // namespace
}  // namespace panoptil_test
