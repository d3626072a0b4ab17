// The installer program: it finds the patch data appended to its own executable, shows the
// patch's title and note in a small window and applies or restores the patch in a target
// file the user picks or drops.
#pragma once

#include <windows.h>

namespace mendpak {

// The whole program; the result is the process's exit code.
int RunInstaller(HINSTANCE instance);

}  // namespace mendpak
