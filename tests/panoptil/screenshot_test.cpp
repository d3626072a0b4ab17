// Screenshot names, the picture folder value and saves that never overwrite.
#include <gtest/gtest.h>

#include "panoptil/screenshot.h"
#include "tools/systest/systest.h"

namespace panoptil {
namespace {

using systest::TempDir;

TEST(ShotNames, FirstFreeNumber) {
  struct Row {
    std::vector<std::wstring> present;
    std::wstring expected;
  } rows[] = {
      {{}, L"0.bmp"},
      {{L"0.bmp", L"1.bmp"}, L"2.bmp"},
      {{L"1.bmp"}, L"0.bmp"},
      {{L"0.bmp", L"2.bmp"}, L"1.bmp"},
      {{L"0.BMP"}, L"1.bmp"},  // names are compared as the file system does, without case
  };
  for (const Row& row : rows) {
    TempDir dir;
    for (const std::wstring& name : row.present) systest::WriteTextFile(dir.File(name), "x");
    std::wstring folder = dir.path() + L"\\";
    EXPECT_EQ(FirstFreeShotName(folder), folder + row.expected)
        << row.present.size() << " files present";
  }
}

TEST(ShotNames, AFolderOfTheNameTakesItToo) {
  TempDir dir;
  ASSERT_TRUE(CreateDirectoryW(dir.File(L"0.bmp").c_str(), nullptr));
  std::wstring folder = dir.path() + L"\\";
  EXPECT_EQ(FirstFreeShotName(folder), folder + L"1.bmp");
  RemoveDirectoryW(dir.File(L"0.bmp").c_str());
}

TEST(ShellFolder, MissingValueGivesTheRootOfTheDrive) {
  EXPECT_EQ(GetShellFolder(L"No Such Folder Value 4e1f"), L"\\");
}

TEST(ShellFolder, ReadsTheValueAndAddsABackslash) {
  std::wstring value = GetShellFolder(L"My Pictures");
  ASSERT_FALSE(value.empty());
  EXPECT_EQ(value.back(), L'\\');
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER,
                          L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                          0, KEY_READ, &key),
            ERROR_SUCCESS);
  wchar_t stored[MAX_PATH] = {};
  DWORD size = sizeof stored;
  LSTATUS status = RegQueryValueExW(key, L"My Pictures", nullptr, nullptr,
                                    reinterpret_cast<BYTE*>(stored), &size);
  RegCloseKey(key);
  if (status == ERROR_SUCCESS) EXPECT_EQ(value, std::wstring(stored) + L"\\");
  else EXPECT_EQ(value, L"\\");
}

TEST(ShotSave, NeverOverwritesAnExistingFile) {
  TempDir dir;
  std::wstring name = dir.File(L"0.bmp");
  ASSERT_TRUE(systest::WriteTextFile(name, "keep me"));
  EXPECT_FALSE(CaptureScreenToBmp(0, 0, 16, 16, name));
  EXPECT_EQ(systest::ReadTextFile(name), "keep me");
}

TEST(ShotSave, MissingFolderLeavesNoFile) {
  TempDir dir;
  std::wstring name = dir.File(L"missing\\0.bmp");
  EXPECT_FALSE(CaptureScreenToBmp(0, 0, 16, 16, name));
  EXPECT_FALSE(systest::FileExists(name));
}

TEST(ShotSave, OneSecondGuard) {
  TempDir dir;
  std::wstring folder = dir.path() + L"\\";
  RECT rect = {0, 0, 8, 8};
  DWORD last_tick = 0;
  ASSERT_EQ(TakeScreenshot(rect, folder, last_tick), folder + L"0.bmp");
  DWORD first_tick = last_tick;
  EXPECT_NE(first_tick, 0u);
  // Within the second the click does nothing, the tick included.
  if (GetTickCount() - first_tick < 900) {
    EXPECT_EQ(TakeScreenshot(rect, folder, last_tick), L"");
    EXPECT_EQ(last_tick, first_tick);
    EXPECT_FALSE(systest::FileExists(folder + L"1.bmp"));
  }
  last_tick = GetTickCount() - 1000;
  EXPECT_EQ(TakeScreenshot(rect, folder, last_tick), folder + L"1.bmp");
}

}  // namespace
}  // namespace panoptil
