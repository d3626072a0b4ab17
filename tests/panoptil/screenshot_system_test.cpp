// Middle-click screenshots of the magnifier: numbering, the one-second guard, no overwrite,
// and a BMP file that shows the window.
#include <gtest/gtest.h>

#include <cstring>

#include "tools/systest/magnifier.h"

namespace panoptil_test {
namespace {

using systest::TempDir;

constexpr wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Points "My Pictures" of the current user at a folder and puts the old value back.
class PictureFolderValue {
 public:
  explicit PictureFolderValue(const std::wstring& folder) {
    RegCreateKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                    nullptr, &key_, nullptr);
    wchar_t old[MAX_PATH] = {};
    DWORD size = sizeof old;
    had_value_ = RegQueryValueExW(key_, L"My Pictures", nullptr, nullptr,
                                  reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS;
    old_value_ = old;
    Set(folder);
  }
  ~PictureFolderValue() {
    if (had_value_) Set(old_value_);
    else RegDeleteValueW(key_, L"My Pictures");
    RegCloseKey(key_);
  }

 private:
  void Set(const std::wstring& value) {
    RegSetValueExW(key_, L"My Pictures", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   DWORD((value.size() + 1) * sizeof(wchar_t)));
  }
  HKEY key_ = nullptr;
  bool had_value_ = false;
  std::wstring old_value_;
};

void MiddleClickAt(POINT at) { ClickThere(at, MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP); }

struct BmpFile {
  int width = 0, height = 0, bit_count = 0;
  systest::Pixels pixels;  // read back as 32-bit, top-down
};

// Reads a BMP file through the system's loader; false when it is not a readable bitmap.
bool ReadBmp(const std::wstring& path, BmpFile& bmp) {
  std::string bytes = systest::ReadTextFile(path);
  if (bytes.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) || bytes[0] != 'B' ||
      bytes[1] != 'M')
    return false;
  BITMAPINFOHEADER header;
  std::memcpy(&header, bytes.data() + sizeof(BITMAPFILEHEADER), sizeof header);
  bmp.bit_count = header.biBitCount;
  HBITMAP bitmap = HBITMAP(LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                      LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  if (!bitmap) return false;
  BITMAP info = {};
  GetObjectW(bitmap, sizeof info, &info);
  bmp.width = bmp.pixels.width = info.bmWidth;
  bmp.height = bmp.pixels.height = info.bmHeight;
  bmp.pixels.data.resize(size_t(info.bmWidth) * info.bmHeight);
  BITMAPINFO request = {};
  request.bmiHeader.biSize = sizeof request.bmiHeader;
  request.bmiHeader.biWidth = info.bmWidth;
  request.bmiHeader.biHeight = -info.bmHeight;
  request.bmiHeader.biPlanes = 1;
  request.bmiHeader.biBitCount = 32;
  HDC screen = GetDC(nullptr);
  int lines = GetDIBits(screen, bitmap, 0, UINT(info.bmHeight), bmp.pixels.data.data(), &request,
                        DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  DeleteObject(bitmap);
  for (uint32_t& pixel : bmp.pixels.data) pixel &= 0xFFFFFF;
  return lines == info.bmHeight;
}

TEST(MagnifierScreenshot, NumberedGuardedAndShowingTheWindow) {
  TempDir dir;
  TempDir pictures;
  PictureFolderValue value(pictures.path());
  ASSERT_TRUE(systest::WriteTextFile(pictures.File(L"1.bmp"), "keep"));
  Magnifier magnifier;
  ASSERT_TRUE(magnifier.Start(dir));
  ASSERT_EQ(WaitForBoxPicture(magnifier, {0, 0, 512, 384}, standin::Region::Top, 2, false), "");
  RECT window = systest::WindowRect(magnifier.form());
  POINT client_origin = magnifier.ScreenPoint(0, 0);

  // Over the top view: the view passes the middle button on to the window.
  MiddleClickAt(magnifier.ScreenPoint(100, 100));
  BmpFile shot;
  ASSERT_TRUE(systest::WaitUntil([&] { return ReadBmp(pictures.File(L"0.bmp"), shot); }));
  DWORD saved_seen = GetTickCount();

  // A second click within the second does nothing; a key after it shows it was handled.
  MiddleClickAt(magnifier.ScreenPoint(120, 100));
  systest::PressKey('Z');
  ASSERT_TRUE(systest::WaitForLogEntries(magnifier.emulator().log_path(), "main", WM_KEYUP, 1));
  if (GetTickCount() - saved_seen < 900) {
    EXPECT_FALSE(systest::FileExists(pictures.File(L"2.bmp"))) << "second shot within a second";
  }

  // The file shows the whole window from the screen, in the screen's colour format.
  HDC screen = GetDC(nullptr);
  int screen_bits = GetDeviceCaps(screen, BITSPIXEL);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(shot.bit_count, screen_bits);
  ASSERT_EQ(shot.width, window.right - window.left);
  ASSERT_EQ(shot.height, window.bottom - window.top);
  RECT top_box = {client_origin.x - window.left, client_origin.y - window.top, 0, 0};
  top_box.right = top_box.left + 512;
  top_box.bottom = top_box.top + 384;
  std::string error;
  EXPECT_EQ(CountWrongBoxPixels(shot.pixels, top_box, standin::Region::Top, 2, false, &error), 0)
      << error;

  // After the second, the next shot takes the next free number and 1.bmp stays as it was.
  ASSERT_TRUE(systest::WaitUntil([&] { return GetTickCount() - saved_seen > 1100; }));
  MiddleClickAt(magnifier.ScreenPoint(100, 100));
  BmpFile next;
  ASSERT_TRUE(systest::WaitUntil([&] { return ReadBmp(pictures.File(L"2.bmp"), next); }));
  EXPECT_EQ(systest::ReadTextFile(pictures.File(L"1.bmp")), "keep");
  EXPECT_FALSE(systest::FileExists(pictures.File(L"3.bmp")));
}

}  // namespace
}  // namespace panoptil_test
