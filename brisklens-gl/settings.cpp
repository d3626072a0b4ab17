#include "brisklens-gl/settings.h"

#include <algorithm>

#include "brisklens-gl/str_to_int_val.h"
#include "viewer/settings_file.h"

namespace brisklens_gl {

namespace {

// Positions as far as a window can be placed; a damaged file cannot push arithmetic on
// the window's bounds past the integer range.
constexpr int kMinPosition = -32768, kMaxPosition = 32767;

// A position line is always read: what StrToIntVal makes of it.
std::optional<int> ReadPosition(const std::wstring& line) {
  return std::clamp(StrToIntVal(line), kMinPosition, kMaxPosition);
}

// The words of each word line, by the index of the item they stand for.
const viewer::SettingsFormat kFormat = {
    {{L"sm", L"dm"},
     {L"sss", L"ddd"},
     {L"800", L"1024", L"1280800", L"12801024"},
     {L"normal", L"left", L"right"},
     {L"nocursor", L"cursor"},
     {L"noskip", L"60", L"50", L"40", L"30", L"25", L"20"},
     {L"have", L"none", L"noneall"},
     {L"show", L"hide"},
     {L"top", L"down", L"left", L"right"}},
    ReadPosition};

viewer::StoredSettings Stored(const ViewerSettings& s) {
  return {{s.main_left, s.main_top, s.second_left, s.second_top},
          {s.double_monitor, s.double_screen, s.resolution, s.rotation, s.cursor_on, s.speed,
           s.border, s.hide_emulator, s.dock_side}};
}

void Restore(const viewer::StoredSettings& stored, ViewerSettings& s) {
  s.main_left = stored.positions[0];
  s.main_top = stored.positions[1];
  s.second_left = stored.positions[2];
  s.second_top = stored.positions[3];
  const std::vector<int>& w = stored.words;
  s.double_monitor = w[0] == 1;
  s.double_screen = w[1] == 1;
  s.resolution = w[2];
  s.rotation = w[3];
  s.cursor_on = w[4] == 1;
  s.speed = w[5];
  s.border = w[6];
  s.hide_emulator = w[7] == 1;
  s.dock_side = w[8];
}

}  // namespace

int PassDelayOfSpeed(int speed) {
  static const int kDelays[] = {10, 20, 25, 33, 50, 70, 80};
  return kDelays[std::clamp(speed, 0, 6)];
}

std::vector<std::wstring> SettingsLines(const ViewerSettings& s) {
  return viewer::SettingsLines(kFormat, Stored(s));
}

void ReadSettingsLines(const std::vector<std::wstring>& lines, ViewerSettings& s) {
  viewer::StoredSettings stored = Stored(s);
  viewer::ReadSettingsLines(kFormat, lines, stored);
  Restore(stored, s);
}

}  // namespace brisklens_gl
