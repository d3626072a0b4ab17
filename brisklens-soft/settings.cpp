#include "brisklens-soft/settings.h"

#include <algorithm>

#include "classlib/sysutils.h"

namespace brisklens_soft {

namespace {

// As far as a window can be placed; beyond, a position is no position.
constexpr int kMinPosition = -32768, kMaxPosition = 32767;

}  // namespace

std::optional<int> ReadPosition(const std::wstring& line) {
  try {
    const int value = classlib::StrToInt(line);
    if (value < kMinPosition || value > kMaxPosition) return std::nullopt;
    return value;
  } catch (const classlib::EConvertError&) {
    return std::nullopt;
  }
}

// Each word line's words by the index of the item of its radio group (SoftMenu's
// SettingsGroups), the last by DockSide.
const viewer::SettingsFormat& SoftSettingsFormat() {
  static const viewer::SettingsFormat format = {
      {{L"sm", L"dm"},
       {L"sss", L"ddd"},
       {L"none", L"fast", L"clear"},
       {L"800", L"1024", L"1280800", L"12801024"},
       {L"normal", L"left", L"right"},
       {L"cursor", L"nocursor"},
       {L"noskip", L"60", L"50", L"40", L"30", L"25", L"20"},
       {L"show", L"hide"},
       {L"border", L"none", L"noneall"},
       {L"top", L"down", L"left", L"right"}},
      ReadPosition};
  return format;
}

int PassDelayOfSpeed(int speed) {
  static const int kDelays[] = {1, 15, 20, 25, 33, 40, 50};
  return kDelays[std::clamp(speed, 0, 6)];
}

}  // namespace brisklens_soft
