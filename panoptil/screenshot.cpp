#include "panoptil/screenshot.h"

#include <memory>
#include <type_traits>
#include <vector>

namespace panoptil {
namespace {

constexpr wchar_t kShellFoldersKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

bool PathTaken(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The header and pixels of a device-dependent bitmap as a DIB in the screen's format.
struct DibImage {
  std::vector<BYTE> info;  // BITMAPINFOHEADER followed by masks or a colour table
  std::vector<BYTE> bits;
};

bool ReadScreenFormatDib(HDC screen_dc, HBITMAP bitmap, int width, int height, DibImage& image) {
  int bits_per_pixel = GetDeviceCaps(screen_dc, BITSPIXEL) * GetDeviceCaps(screen_dc, PLANES);
  if (bits_per_pixel != 1 && bits_per_pixel != 4 && bits_per_pixel != 8 &&
      bits_per_pixel != 16 && bits_per_pixel != 24)
    bits_per_pixel = 32;
  image.info.assign(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(image.info.data());
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = width;
  header->biHeight = height;  // bottom-up, as BMP files usually are
  header->biPlanes = 1;
  header->biBitCount = WORD(bits_per_pixel);
  header->biCompression = bits_per_pixel == 16 ? BI_BITFIELDS : BI_RGB;
  if (bits_per_pixel == 16) {
    // 5-6-5, the usual 16-bit screen layout.
    auto* masks = reinterpret_cast<DWORD*>(image.info.data() + sizeof(BITMAPINFOHEADER));
    masks[0] = 0xF800;
    masks[1] = 0x07E0;
    masks[2] = 0x001F;
  }
  size_t stride = ((size_t(width) * bits_per_pixel + 31) / 32) * 4;
  image.bits.resize(stride * size_t(height));
  header->biSizeImage = DWORD(image.bits.size());
  int lines = GetDIBits(screen_dc, bitmap, 0, UINT(height), image.bits.data(),
                        reinterpret_cast<BITMAPINFO*>(image.info.data()), DIB_RGB_COLORS);
  if (lines != height) return false;
  size_t extra = 0;
  if (bits_per_pixel == 16) extra = 3 * sizeof(DWORD);
  if (bits_per_pixel <= 8) extra = (size_t(1) << bits_per_pixel) * sizeof(RGBQUAD);
  image.info.resize(sizeof(BITMAPINFOHEADER) + extra);
  return true;
}

bool WriteAll(HANDLE file, const void* data, size_t size) {
  DWORD written = 0;
  return WriteFile(file, data, DWORD(size), &written, nullptr) && written == size;
}

// Writes the image into a file that `file` has just created.
bool WriteBmp(HANDLE file, const DibImage& image) {
  BITMAPFILEHEADER file_header = {};
  file_header.bfType = 0x4D42;  // "BM"
  file_header.bfOffBits = DWORD(sizeof file_header + image.info.size());
  file_header.bfSize = DWORD(file_header.bfOffBits + image.bits.size());
  return WriteAll(file, &file_header, sizeof file_header) &&
         WriteAll(file, image.info.data(), image.info.size()) &&
         WriteAll(file, image.bits.data(), image.bits.size());
}

struct DcDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
using OwnedDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

// Reads the screen rectangle into `image`.
bool CaptureScreen(int left, int top, int width, int height, DibImage& image) {
  if (width <= 0 || height <= 0) return false;
  OwnedDc screen(CreateDCA("DISPLAY", nullptr, nullptr, nullptr));
  if (!screen) return false;
  OwnedDc memory(CreateCompatibleDC(screen.get()));
  HBITMAP bitmap = CreateCompatibleBitmap(screen.get(), width, height);
  if (!memory || !bitmap) {
    if (bitmap) DeleteObject(bitmap);
    return false;
  }
  HGDIOBJ previous = SelectObject(memory.get(), bitmap);
  bool copied = BitBlt(memory.get(), 0, 0, width, height, screen.get(), left, top, SRCCOPY);
  SelectObject(memory.get(), previous);
  bool read = copied && ReadScreenFormatDib(screen.get(), bitmap, width, height, image);
  DeleteObject(bitmap);
  return read;
}

// Creates `name` new (never over an existing file) and writes the image. A partly written
// file is removed.
bool SaveNewBmp(const std::wstring& name, const DibImage& image) {
  HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool written = WriteBmp(file, image);
  CloseHandle(file);
  if (!written) DeleteFileW(name.c_str());
  return written;
}

}  // namespace

std::wstring GetShellFolder(const wchar_t* value_name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kShellFoldersKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return L"";
  std::wstring value;
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, value_name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0) {
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key, value_name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &size) == ERROR_SUCCESS)
      value = buffer.data();
  }
  RegCloseKey(key);
  return value + L"\\";
}

std::wstring FirstFreeShotName(const std::wstring& folder) {
  for (unsigned number = 0;; ++number) {
    std::wstring name = folder + std::to_wstring(number) + L".bmp";
    if (!PathTaken(name)) return name;
  }
}

bool CaptureScreenToBmp(int left, int top, int width, int height, const std::wstring& name) {
  DibImage image;
  return CaptureScreen(left, top, width, height, image) && SaveNewBmp(name, image);
}

std::wstring TakeScreenshot(const RECT& window_rect, const std::wstring& folder,
                            DWORD& last_shot_tick) {
  if (GetTickCount() - last_shot_tick < 1000) return L"";
  // Should another program take the name first, the save fails rather than overwrite.
  std::wstring name = FirstFreeShotName(folder);
  bool saved = CaptureScreenToBmp(window_rect.left, window_rect.top,
                                  window_rect.right - window_rect.left,
                                  window_rect.bottom - window_rect.top, name);
  last_shot_tick = GetTickCount();
  return saved ? name : L"";
}

}  // namespace panoptil
