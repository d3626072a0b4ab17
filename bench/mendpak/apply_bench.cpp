// Times ApplyPatch alone, without the window: DATA is the installer with its patch (or the
// bare patch data), TARGET the file to patch in place.
//   mendpak_apply_bench INSTALLER TARGET
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "mendpak/HeaderData.h"
#include "mendpak/Patcher.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  std::wstring installer = argv[1];
  mendpak::TFileStream data(std::string(installer.begin(), installer.end()),
                            mendpak::fmOpenRead | mendpak::fmShareDenyNone);
  // Find the header after the image as the installer does, and step over title and note.
  int64_t offset = mendpak::FirstDataOffset(data);
  for (;; offset += 512) {
    char magic[8];
    data.SetPosition(offset);
    if (data.Read(magic, 8) < 8) return 1;
    if (std::memcmp(magic, "PATCHDAT", 8) == 0) break;
  }
  uint32_t length = 0;
  data.Read(&length, 4);
  data.SetPosition(data.Position() + int64_t(length) * 2);
  data.Read(&length, 4);
  int64_t flags_position = data.Position() + length;
  // Decoding alone, as the check before writing does it.
  LARGE_INTEGER decode_start, decode_end, ticks;
  QueryPerformanceFrequency(&ticks);
  QueryPerformanceCounter(&decode_start);
  uint32_t flags = 0;
  data.SetPosition(flags_position);
  data.Read(&flags, 4);
  data.SetPosition(flags_position + 4 + 8 + ((flags & mendpak::kFlagHasOldBytes) ? 8 : 0));
  int64_t decoded = 0;
  mendpak::TMemoryStream block;
  while (data.Position() < data.Size()) {
    block.Clear();
    if (!mendpak::DecodePatchBlock(data, block)) break;
    decoded += block.Size();
  }
  QueryPerformanceCounter(&decode_end);
  printf("decoding alone: %lld bytes of records, %.0f ms\n", (long long)decoded,
         double(decode_end.QuadPart - decode_start.QuadPart) * 1000.0 / double(ticks.QuadPart));
  long records = 0;
  auto count = [&](int, uint64_t) { return ++records > 0; };
  LARGE_INTEGER start, end, frequency;
  QueryPerformanceFrequency(&frequency);
  data.SetPosition(flags_position);
  QueryPerformanceCounter(&start);
  bool ok = mendpak::ApplyPatch(argv[2], data, count, false);
  QueryPerformanceCounter(&end);
  printf("ApplyPatch alone: %s, %ld progress calls, %.0f ms\n", ok ? "ok" : "failed", records,
         double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart));
  return ok ? 0 : 1;
}
