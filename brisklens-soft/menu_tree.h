// The popup menu of the main window: its submenus of radio items, one checked per
// submenu. The checked items are the viewer's settings; the commands that change them
// are attached to the items' OnClick.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "classlib/controls.h"
#include "classlib/menus.h"
#include "viewer/input.h"
#include "viewer/layout.h"
#include "viewer/menu_builder.h"

namespace brisklens_soft {

using classlib::TMenuItem;

// Lines of "MenuSoft.txt" that name items.
constexpr size_t kMenuTextLineCount = 32;

class SoftMenu {
 public:
  // `owner` is the window the open menu belongs to.
  explicit SoftMenu(classlib::TControl* owner);

  // Checks the items of the start-up state.
  void CheckStartupItems();
  // The rotation and the layout choice the check marks stand for.
  viewer::Rotation CheckedRotation() const;
  viewer::LayoutChoice CheckedLayout(int resolution_index) const;
  // True while the direct path draws: no filter and no rotation.
  bool DirectPathChecked() const;
  // The radio groups the settings file stores, in the order of its lines, each with its
  // items in menu order.
  std::vector<std::vector<TMenuItem*>> SettingsGroups() const;
  std::vector<TMenuItem*> FilterItems() const { return {NoneFilter, FastLinear, ClearLinear}; }
  std::vector<TMenuItem*> ResolutionItems() const {
    return {N800600, N1024768, N1280800, N12801024};
  }
  std::vector<TMenuItem*> RotationItems() const { return {normal, RotateLeft, RotateRight}; }
  std::vector<TMenuItem*> SpeedItems() const {
    return {NoSkip, N60fps, N50fps, N40fps, N30fps, N25fps, N20fps};
  }
  std::vector<TMenuItem*> BorderItems() const { return {have, none, noneall}; }
  // Line k of "MenuSoft.txt" becomes the caption of item k; `setting` is named by lines 20
  // and 27, and the later one stays.
  std::vector<TMenuItem*> MenuTextItems() const;
  // Takes the captions from a menu-text file in the ANSI code page; nothing changes when
  // it cannot be read.
  void ReadMenuText(const std::wstring& path);

  classlib::TPopupMenu PopupMenu1;
  TMenuItem *Monitors, *SingleMon, *DoubleMon;
  TMenuItem *ScrNum, *SingleScr, *DoubleScr;
  TMenuItem *Filter, *NoneFilter, *FastLinear, *ClearLinear;
  TMenuItem *ZoomMode, *UpScr, *DownScr;
  TMenuItem *Res, *N800600, *N1024768, *N1280800, *N12801024;
  TMenuItem *Rotate, *normal, *RotateLeft, *RotateRight;
  TMenuItem *ShowCursor, *CursorON, *CursorOFF, *setting;
  TMenuItem *Skip, *NoSkip, *N60fps, *N50fps, *N40fps, *N30fps, *N25fps, *N20fps;
  TMenuItem *Transparent, *AlphaOff, *AlphaOn;
  TMenuItem *Border, *have, *none, *noneall;
};

}  // namespace brisklens_soft
