// The installer program: it finds the patch data appended to its own executable, shows the
// patch's title and note in a small window and applies or restores the patch in a target
// file the user picks or drops.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "mendpak/uClass.h"

namespace mendpak {

// The whole program; the result is the process's exit code.
int RunInstaller(HINSTANCE instance);

// Opens the program's own file and looks for the patch data after the executable's image:
// the first 512-byte boundary there that holds "PATCHDAT". A header whose lengths run past
// the end of the file is not patch data. On success the stream stands right after the
// magic. Throws EStreamError when the program's own file cannot be opened.
std::unique_ptr<TFileStream> FindPatchData();

// The first offset at which patch data may lie in `file`, an executable: the end of its
// image (headers, sections and symbol table) rounded up to 512, and at least 512.
int64_t FirstDataOffset(TStream& file);

// Whether the header after the magic (the stream's position) fits in the file, up to the
// sizes; the position is left where it was.
bool HeaderFits(TStream& file);

}  // namespace mendpak
