// Finding the patch data appended to an installer and reading its header up to the Flags
// word: the steps the installer takes before the user can press Apply.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mendpak/uClass.h"

namespace mendpak {

// Opens the program's own file and looks for its patch data (see OpenPatchData). Throws
// EStreamError when the program's own file cannot be opened.
std::unique_ptr<TFileStream> FindPatchData();

// Opens `path`, an installer with its patch appended, and looks for the patch data after the
// executable's image: the first 512-byte boundary there that holds "PATCHDAT". A header whose
// lengths run past the end of the file is not patch data. On success the stream stands right
// after the magic; null when there is no patch data. Throws EStreamError when the file cannot
// be opened.
std::unique_ptr<TFileStream> OpenPatchData(const std::string& path);

// The first offset at which patch data may lie in `file`, an executable: the end of its
// image (headers, sections and symbol table) rounded up to 512, and at least 512.
int64_t FirstDataOffset(TStream& file);

// Whether the header after the magic (the stream's position) fits in the file, up to the
// sizes; the position is left where it was.
bool HeaderFits(TStream& file);

struct HeaderTexts {
  std::vector<char> title;  // UTF-16LE code units, then two zero bytes
  std::vector<char> note;   // the note's bytes as stored, then four zero bytes
};

// Reads TitleLength, Title, NoteLength and Note from the stream's position, right after the
// magic of data that HeaderFits accepted; the stream is left at the Flags word.
HeaderTexts ReadHeaderTexts(TStream& data);

}  // namespace mendpak
