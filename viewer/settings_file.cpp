#include "viewer/settings_file.h"

#include <algorithm>

namespace viewer {

namespace {

// As far as a window can be placed; beyond, a position is no position (and arithmetic on
// a window's bounds cannot pass the integer range).
constexpr int kMinPosition = -32768, kMaxPosition = 32767;

}  // namespace

std::vector<std::wstring> SettingsLines(const SettingsTable& table, const StoredSettings& settings) {
  std::vector<std::wstring> lines;
  for (int position : settings.positions) lines.push_back(std::to_wstring(position));
  for (size_t line = 0; line < table.size(); ++line)
    lines.push_back(table[line].words.at(size_t(settings.words.at(line))));
  return lines;
}

void ReadSettingsLines(const SettingsTable& table, PositionConversion convert,
                       const std::vector<std::wstring>& lines, StoredSettings& settings) {
  settings.words.resize(table.size());
  const size_t count = std::min(lines.size(), kPositionLineCount + table.size());
  for (size_t index = 0; index < count; ++index) {
    const std::wstring& line = lines[index];
    if (index < kPositionLineCount) {
      const std::optional<int> position = convert(line);
      if (position && *position >= kMinPosition && *position <= kMaxPosition)
        settings.positions[index] = *position;
      continue;
    }
    const std::vector<std::wstring>& words = table[index - kPositionLineCount].words;
    auto found = std::find(words.begin(), words.end(), line);
    if (found != words.end()) settings.words[index - kPositionLineCount] = int(found - words.begin());
  }
}

}  // namespace viewer
