// Screenshots of the magnifier window: the picture folder, the numbered file names, the
// screen capture and the BMP file.
#pragma once

#include <windows.h>

#include <string>

namespace panoptil {

// The value `value_name` under HKEY_CURRENT_USER "Software\Microsoft\Windows\CurrentVersion
// \Explorer\Shell Folders" followed by "\"; a missing value reads as empty (giving "\").
// When the key cannot be opened (it is never created): an empty string.
std::wstring GetShellFolder(const wchar_t* value_name);

// The first "<folder>N.bmp", N = 0, 1, 2, ..., for which nothing exists yet.
std::wstring FirstFreeShotName(const std::wstring& folder);

// Copies the screen rectangle (left, top, width, height) as it is shown, whatever lies on
// top, into a bitmap and saves it as a BMP file in the screen's colour format. The file is
// created new: an existing file is never overwritten, and a failed save leaves no file.
// Returns whether the file was written.
bool CaptureScreenToBmp(int left, int top, int width, int height, const std::wstring& name);

// The middle-click screenshot: does nothing within a second of the last saved shot
// (`last_shot_tick`, GetTickCount); else saves the window rectangle as the first free
// numbered file of `folder` and sets `last_shot_tick`. Returns the name written, or empty.
std::wstring TakeScreenshot(const RECT& window_rect, const std::wstring& folder,
                            DWORD& last_shot_tick);

}  // namespace panoptil
