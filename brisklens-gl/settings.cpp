#include "brisklens-gl/settings.h"

#include <algorithm>

#include "brisklens-gl/str_to_int_val.h"

namespace brisklens_gl {

namespace {

// The words of each word line, by the index of the item they stand for.
const std::vector<std::wstring> kMonitorWords = {L"sm", L"dm"};
const std::vector<std::wstring> kScreenWords = {L"sss", L"ddd"};
const std::vector<std::wstring> kResolutionWords = {L"800", L"1024", L"1280800", L"12801024"};
const std::vector<std::wstring> kRotationWords = {L"normal", L"left", L"right"};
const std::vector<std::wstring> kCursorWords = {L"nocursor", L"cursor"};
const std::vector<std::wstring> kSpeedWords = {L"noskip", L"60", L"50", L"40",
                                               L"30",     L"25", L"20"};
const std::vector<std::wstring> kBorderWords = {L"have", L"none", L"noneall"};
const std::vector<std::wstring> kEmulatorWords = {L"show", L"hide"};
const std::vector<std::wstring> kDockWords = {L"top", L"down", L"left", L"right"};

// Positions as far as a window can be placed; a damaged file cannot push arithmetic on
// the window's bounds past the integer range.
constexpr int kMinPosition = -32768, kMaxPosition = 32767;

// Sets `value` to the index of the line's word; leaves it when the line is none of them.
void ReadWord(const std::wstring& line, const std::vector<std::wstring>& words, int& value) {
  auto found = std::find(words.begin(), words.end(), line);
  if (found != words.end()) value = int(found - words.begin());
}

void ReadWord(const std::wstring& line, const std::vector<std::wstring>& words, bool& value) {
  int index = value ? 1 : 0;
  ReadWord(line, words, index);
  value = index == 1;
}

int ReadPosition(const std::wstring& line) {
  return std::clamp(StrToIntVal(line), kMinPosition, kMaxPosition);
}

}  // namespace

int PassDelayOfSpeed(int speed) {
  static const int kDelays[] = {10, 20, 25, 33, 50, 70, 80};
  return kDelays[std::clamp(speed, 0, 6)];
}

std::vector<std::wstring> SettingsLines(const ViewerSettings& s) {
  return {std::to_wstring(s.main_left),
          std::to_wstring(s.main_top),
          std::to_wstring(s.second_left),
          std::to_wstring(s.second_top),
          kMonitorWords[s.double_monitor ? 1 : 0],
          kScreenWords[s.double_screen ? 1 : 0],
          kResolutionWords.at(size_t(s.resolution)),
          kRotationWords.at(size_t(s.rotation)),
          kCursorWords[s.cursor_on ? 1 : 0],
          kSpeedWords.at(size_t(s.speed)),
          kBorderWords.at(size_t(s.border)),
          kEmulatorWords[s.hide_emulator ? 1 : 0],
          kDockWords.at(size_t(s.dock_side))};
}

void ReadSettingsLines(const std::vector<std::wstring>& lines, ViewerSettings& s) {
  const size_t count = std::min(lines.size(), kSettingsLineCount);
  for (size_t index = 0; index < count; ++index) {
    const std::wstring& line = lines[index];
    switch (index) {
      case 0: s.main_left = ReadPosition(line); break;
      case 1: s.main_top = ReadPosition(line); break;
      case 2: s.second_left = ReadPosition(line); break;
      case 3: s.second_top = ReadPosition(line); break;
      case 4: ReadWord(line, kMonitorWords, s.double_monitor); break;
      case 5: ReadWord(line, kScreenWords, s.double_screen); break;
      case 6: ReadWord(line, kResolutionWords, s.resolution); break;
      case 7: ReadWord(line, kRotationWords, s.rotation); break;
      case 8: ReadWord(line, kCursorWords, s.cursor_on); break;
      case 9: ReadWord(line, kSpeedWords, s.speed); break;
      case 10: ReadWord(line, kBorderWords, s.border); break;
      case 11: ReadWord(line, kEmulatorWords, s.hide_emulator); break;
      default: ReadWord(line, kDockWords, s.dock_side); break;
    }
  }
}

}  // namespace brisklens_gl
