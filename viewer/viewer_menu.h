// The popup menu of a viewer's main window: submenus of radio items, one checked per
// submenu. The checked items are the viewer's settings. This part holds the items both
// viewers have, under the names both give them, and what their check marks stand for;
// each viewer builds the whole menu in its own order with its own captions and items.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "classlib/controls.h"
#include "classlib/menus.h"
#include "viewer/input.h"
#include "viewer/layout.h"
#include "viewer/menu_builder.h"
#include "viewer/settings_file.h"

namespace viewer {

using classlib::TMenuItem;

class TViewerMenu {
 public:
  // `owner` is the window the open menu belongs to.
  explicit TViewerMenu(classlib::TControl* owner) : PopupMenu1(owner) {}
  TViewerMenu(const TViewerMenu&) = delete;
  TViewerMenu& operator=(const TViewerMenu&) = delete;
  virtual ~TViewerMenu() = default;

  // Checks the items of the start-up state and disables the choice of a screen (it
  // belongs to single-screen mode).
  virtual void CheckStartupItems();
  Rotation CheckedRotation() const;
  LayoutChoice CheckedLayout(int resolution_index) const;

  // The radio groups, with their items in menu order.
  std::vector<TMenuItem*> ResolutionItems() const {
    return {N800600, N1024768, N1280800, N12801024};
  }
  std::vector<TMenuItem*> RotationItems() const { return {NormalItem, RotateLeft, RotateRight}; }
  std::vector<TMenuItem*> SpeedItems() const {
    return {NoSkip, N60fps, N50fps, N40fps, N30fps, N25fps, N20fps};
  }
  std::vector<TMenuItem*> BorderItems() const { return {have, none, noneall}; }

  // The word lines of the settings file, in file order.
  virtual SettingsTable SettingsWordLines() const = 0;
  // Line k of the menu-text file becomes the caption of item k.
  virtual std::vector<TMenuItem*> MenuTextItems() const = 0;
  // Line k becomes the caption of item k, in order (an item named twice keeps the later
  // line's text); lines past the items are ignored, missing ones leave their captions.
  void ApplyMenuText(const std::vector<std::wstring>& lines);
  // The same from a file in the ANSI code page; nothing changes when it cannot be read.
  void ReadMenuText(const std::wstring& path);

  classlib::TPopupMenu PopupMenu1;
  TMenuItem *SingleMon = nullptr, *DoubleMon = nullptr;
  TMenuItem *SingleScr = nullptr, *DoubleScr = nullptr;
  TMenuItem *UpScr = nullptr, *DownScr = nullptr;
  TMenuItem *Res = nullptr, *N800600 = nullptr, *N1024768 = nullptr, *N1280800 = nullptr,
            *N12801024 = nullptr;
  TMenuItem *Rotate = nullptr, *RotateLeft = nullptr, *RotateRight = nullptr;
  TMenuItem *ShowCursor = nullptr, *CursorON = nullptr, *CursorOFF = nullptr;
  TMenuItem *Skip = nullptr, *NoSkip = nullptr, *N60fps = nullptr, *N50fps = nullptr,
            *N40fps = nullptr, *N30fps = nullptr, *N25fps = nullptr, *N20fps = nullptr;
  TMenuItem *have = nullptr, *none = nullptr, *noneall = nullptr;
  // Items each viewer names in its own way: the submenu choosing the upper or lower
  // screen, the unturned view, and hiding and showing the emulator window.
  TMenuItem *ScreenChoice = nullptr, *NormalItem = nullptr;
  TMenuItem *HideItem = nullptr, *ShowItem = nullptr;

 protected:
  // The submenus whose items both viewers caption alike.
  void AddResSubmenu(RadioMenuBuilder& menu, const wchar_t* caption);
  void AddSkipSubmenu(RadioMenuBuilder& menu);
  // The word lines both viewers write alike (every kind but the filter and the border),
  // and the border's, whose first word differs.
  SettingsLine CommonLine(SettingKind kind) const;
  SettingsLine BorderLine(const wchar_t* bordered_word) const;
};

}  // namespace viewer
