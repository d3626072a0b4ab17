#include "viewer/settings_file.h"

#include <algorithm>

namespace viewer {

std::vector<std::wstring> SettingsLines(const SettingsFormat& format,
                                        const StoredSettings& settings) {
  std::vector<std::wstring> lines;
  for (int position : settings.positions) lines.push_back(std::to_wstring(position));
  for (size_t line = 0; line < format.word_lines.size(); ++line)
    lines.push_back(format.word_lines[line].at(size_t(settings.words.at(line))));
  return lines;
}

void ReadSettingsLines(const SettingsFormat& format, const std::vector<std::wstring>& lines,
                       StoredSettings& settings) {
  settings.words.resize(format.word_lines.size());
  const size_t count = std::min(lines.size(), format.LineCount());
  for (size_t index = 0; index < count; ++index) {
    const std::wstring& line = lines[index];
    if (index < kPositionLineCount) {
      if (std::optional<int> position = format.read_position(line))
        settings.positions[index] = *position;
      continue;
    }
    const std::vector<std::wstring>& words = format.word_lines[index - kPositionLineCount];
    auto found = std::find(words.begin(), words.end(), line);
    if (found != words.end()) settings.words[index - kPositionLineCount] = int(found - words.begin());
  }
}

}  // namespace viewer
