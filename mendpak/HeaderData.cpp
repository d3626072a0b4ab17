#include "mendpak/HeaderData.h"

#include <cstring>

#include "mendpak/Patcher.h"

namespace mendpak {

namespace {

constexpr int64_t kBoundary = 512;
constexpr char kMagic[8] = {'P', 'A', 'T', 'C', 'H', 'D', 'A', 'T'};
constexpr WORD kMaxSections = 96;

template <typename T>
bool ReadAt(TStream& file, int64_t offset, T& value) {
  file.SetPosition(offset);
  return file.Read(&value, sizeof value) == int32_t(sizeof value);
}

// Where the executable's image ends, or 0 when the file does not look like one.
int64_t ImageEnd(TStream& file) {
  IMAGE_DOS_HEADER dos;
  if (!ReadAt(file, 0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) return 0;
  IMAGE_NT_HEADERS32 nt;
  if (!ReadAt(file, dos.e_lfanew, nt) || nt.Signature != IMAGE_NT_SIGNATURE) return 0;
  int64_t end = nt.OptionalHeader.SizeOfHeaders;
  int64_t section_table =
      int64_t(dos.e_lfanew) + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
      nt.FileHeader.SizeOfOptionalHeader;
  WORD sections = nt.FileHeader.NumberOfSections;
  if (sections > kMaxSections) sections = kMaxSections;
  for (WORD i = 0; i < sections; ++i) {
    IMAGE_SECTION_HEADER section;
    if (!ReadAt(file, section_table + int64_t(i) * sizeof section, section)) break;
    int64_t section_end = int64_t(section.PointerToRawData) + section.SizeOfRawData;
    if (section.SizeOfRawData > 0 && section_end > end) end = section_end;
  }
  // A symbol table, where the linker left one, follows the sections: symbols, then the
  // string table, which opens with its own length.
  const IMAGE_FILE_HEADER& header = nt.FileHeader;
  if (header.PointerToSymbolTable != 0) {
    int64_t strings = int64_t(header.PointerToSymbolTable) +
                      int64_t(header.NumberOfSymbols) * IMAGE_SIZEOF_SYMBOL;
    uint32_t strings_size = 0;
    if (ReadAt(file, strings, strings_size) && strings + strings_size > end) {
      end = strings + strings_size;
    }
  }
  return end;
}

bool ReadLength(TStream& file, uint32_t& length) {
  return file.Read(&length, 4) == 4;
}

// `count` bytes from the stream in a zero-filled buffer with `terminator` zero bytes after
// them.
std::vector<char> ReadText(TStream& data, uint64_t count, size_t terminator) {
  std::vector<char> text(size_t(count) + terminator, 0);
  if (count > 0) data.Read(text.data(), int32_t(count));
  return text;
}

}  // namespace

int64_t FirstDataOffset(TStream& file) {
  int64_t position = file.Position();
  int64_t end = ImageEnd(file);
  file.SetPosition(position);
  int64_t first = (end + kBoundary - 1) / kBoundary * kBoundary;
  return first < kBoundary ? kBoundary : first;
}

bool HeaderFits(TStream& file) {
  int64_t start = file.Position();
  int64_t size = file.Size();
  bool fits = false;
  uint32_t title_length = 0;
  uint32_t note_length = 0;
  uint32_t flags = 0;
  // Each length is checked against the bytes left before it is used to move on.
  if (ReadLength(file, title_length) && size - file.Position() >= int64_t(title_length) * 2 + 4) {
    file.SetPosition(file.Position() + int64_t(title_length) * 2);
    if (ReadLength(file, note_length) && size - file.Position() >= int64_t(note_length) + 12) {
      file.SetPosition(file.Position() + note_length);
      ReadLength(file, flags);
      int64_t sizes = (flags & kFlagHasOldBytes) ? 16 : 8;
      fits = size - file.Position() >= sizes;
    }
  }
  file.SetPosition(start);
  return fits;
}

std::unique_ptr<TFileStream> FindPatchData() {
  char own_path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, own_path, MAX_PATH);
  return OpenPatchData(own_path);
}

std::unique_ptr<TFileStream> OpenPatchData(const std::string& path) {
  auto stream = std::make_unique<TFileStream>(path, fmShareDenyNone);
  // Probing starts after the image, so that no bytes of the program itself can pass for
  // patch data.
  for (int64_t offset = FirstDataOffset(*stream);; offset += kBoundary) {
    stream->SetPosition(offset);
    char magic[sizeof kMagic];
    if (stream->Read(magic, sizeof magic) < int32_t(sizeof magic)) return nullptr;
    if (std::memcmp(magic, kMagic, sizeof magic) == 0) {
      if (!HeaderFits(*stream)) return nullptr;
      return stream;
    }
  }
}

HeaderTexts ReadHeaderTexts(TStream& data) {
  HeaderTexts texts;
  uint32_t title_length = 0;
  ReadLength(data, title_length);
  texts.title = ReadText(data, uint64_t(title_length) * 2, 2);
  uint32_t note_length = 0;
  ReadLength(data, note_length);
  texts.note = ReadText(data, note_length, 4);
  return texts;
}

}  // namespace mendpak
