// The settings file "SetSoft.conf": 14 lines, one value a line: the main window's left and
// top, the second window's left and top, then one word for each of the monitor mode, the
// screen mode, the filter, the resolution, the rotation, the cursor overlay, the speed, the
// emulator's hiding, the border and the second window's side.
#pragma once

#include <optional>
#include <string>

#include "viewer/settings_file.h"

namespace brisklens_soft {

// The word lines, by their index after the four positions.
enum SettingsWordLine : size_t {
  kMonitorLine, kScreenLine, kFilterLine, kResolutionLine, kRotationLine, kCursorLine,
  kSpeedLine, kEmulatorLine, kBorderLine, kDockLine
};

const viewer::SettingsFormat& SoftSettingsFormat();

// A position line: a decimal integer (the class library's conversion) within the range of
// screen coordinates; any other text gives nothing, and the position keeps its start-up
// value.
std::optional<int> ReadPosition(const std::wstring& line);

// Milliseconds slept after each pass for each speed item, in menu order.
int PassDelayOfSpeed(int speed);

}  // namespace brisklens_soft
