// The lines of the viewers' settings files: first four window positions as decimal numbers
// (the main window's left and top, the second window's left and top), then one word per
// line for each further setting, in a fixed order. The viewers differ in their word lines
// and in how a position line is read; both come in a SettingsFormat.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace viewer {

constexpr size_t kPositionLineCount = 4;

struct SettingsFormat {
  // The words of each line after the positions, by the value they stand for (the index of
  // the item of a radio group, in menu order).
  std::vector<std::vector<std::wstring>> word_lines;
  // The position a line stands for; nothing leaves the position as it was.
  std::optional<int> (*read_position)(const std::wstring& line);

  size_t LineCount() const { return kPositionLineCount + word_lines.size(); }
};

// What a settings file holds: the positions and, per word line, the index of its word.
struct StoredSettings {
  std::array<int, kPositionLineCount> positions = {};
  std::vector<int> words;
};

// The lines that store `settings`: the positions in decimal (with a minus sign when
// negative), then the word of each word line.
std::vector<std::wstring> SettingsLines(const SettingsFormat& format,
                                        const StoredSettings& settings);

// Applies the lines there are, in order, onto `settings`: a position line sets its position
// when `read_position` gives one; a word line sets its value when the line is exactly one
// of its words (case-sensitive, no trimming) and leaves it otherwise. Lines past the
// format's are ignored; missing lines leave their values.
void ReadSettingsLines(const SettingsFormat& format, const std::vector<std::wstring>& lines,
                       StoredSettings& settings);

}  // namespace viewer
