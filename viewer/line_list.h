// The viewers' settings and menu-text files: plain text, one value per line, in the
// system's ANSI code page, read and written the way a string list does it. Each viewer
// keeps its own table of what its lines mean.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace viewer {

// The longest line kept, in bytes of the file; the rest of a longer line is dropped.
// Real lines are a few characters: this only bounds what a damaged file can cost.
constexpr size_t kMaxLineBytes = 4096;

// The first `max_lines` lines of the file, converted from the ANSI code page. CR, LF and
// CR LF each end a line; text after the last line end is a last line of its own. Reading
// stops once `max_lines` lines are complete, so a huge file costs no more than its first
// lines. Nothing (std::nullopt) when the file cannot be opened or read.
std::optional<std::vector<std::wstring>> ReadLineList(const std::wstring& path,
                                                      size_t max_lines);

// Writes the lines converted to the ANSI code page, each ended by CR LF, in one write,
// creating or replacing the file. False when the file cannot be written whole.
bool WriteLineList(const std::wstring& path, const std::vector<std::wstring>& lines);

}  // namespace viewer
