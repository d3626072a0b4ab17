// Checks a picture of the viewer against the emulator frame rectangle it should show:
// every pixel decodes (the stand-in's position code) to the client pixel that stretching
// the rectangle over the picture puts there, within one pixel, and the picture shows the
// rectangle's first and last columns and rows exactly.
#pragma once

#include <windows.h>

#include <string>

#include "tools/systest/systest.h"

namespace systest {

// Empty when the picture matches, else what is wrong. Rows of the rectangle above the
// emulator's client area (negative rows) are not checked: they come from outside it.
std::string CheckFramePixels(const systest::Pixels& picture, const RECT& frame);

}  // namespace systest
