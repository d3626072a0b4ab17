// The viewers' settings files: first four window positions as decimal numbers (the main
// window's left and top, the second window's left and top), then one word per line for
// each further setting, in a fixed order. Each viewer has its own table of word lines;
// most lines store the checked item of a radio group of its popup menu, one the side the
// second window is docked on.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "classlib/menus.h"

namespace viewer {

constexpr size_t kPositionLineCount = 4;

// What a word line stands for.
enum class SettingKind {
  Monitors, Screens, Filter, Resolution, Rotation, Cursor, Speed, Emulator, Border, DockSide
};

struct SettingsLine {
  SettingKind kind;
  // The words by value: the index of the item of `group` they stand for (of the dock side
  // when the group is empty).
  std::vector<std::wstring> words;
  std::vector<classlib::TMenuItem*> group;
};
using SettingsTable = std::vector<SettingsLine>;

// What a settings file holds: the positions and, per word line, the index of its word.
struct StoredSettings {
  std::array<int, kPositionLineCount> positions = {};
  std::vector<int> words;
};

// A viewer's conversion of a position line; nothing when the text is no number.
using PositionConversion = std::optional<int> (*)(const std::wstring& line);

// The lines that store `settings`: the positions in decimal (with a minus sign when
// negative), then the word of each word line.
std::vector<std::wstring> SettingsLines(const SettingsTable& table, const StoredSettings& settings);

// Applies the lines there are, in order, onto `settings`: a position line sets its position
// when `convert` gives a number within the range of screen coordinates (-32768..32767); a
// word line sets its value when the line is exactly one of its words (case-sensitive, no
// trimming). Anything else leaves the value as it was. Lines past the table's are ignored.
void ReadSettingsLines(const SettingsTable& table, PositionConversion convert,
                       const std::vector<std::wstring>& lines, StoredSettings& settings);

}  // namespace viewer
