// The popup menu of the main window: one radio group of items per submenu, and the plain
// `Setting` command. The checked items are the viewer's settings; the commands that
// change them are attached to the items' OnClick by the main window.
#pragma once

#include <string>
#include <vector>

#include "classlib/controls.h"
#include "classlib/menus.h"
#include "viewer/input.h"
#include "viewer/menu_builder.h"

namespace brisklens_gl {

using classlib::TMenuItem;

// Items whose captions "Menu.txt" replaces, one per line.
constexpr size_t kMenuTextLineCount = 27;

class GlMenu {
 public:
  // `owner` is the window the open menu belongs to.
  explicit GlMenu(classlib::TControl* owner);

  // Checks the items of the start-up state and disables ChangeScr.
  void CheckStartupItems();
  viewer::Rotation CheckedRotation() const;
  // The items of the radio groups, in menu order.
  std::vector<TMenuItem*> ResolutionItems() const;
  std::vector<TMenuItem*> RotationItems() const;
  std::vector<TMenuItem*> SpeedItems() const;
  std::vector<TMenuItem*> BorderItems() const;
  // Line k of "Menu.txt" becomes the caption of item k; missing lines leave theirs.
  void ApplyMenuText(const std::vector<std::wstring>& lines);

  classlib::TPopupMenu PopupMenu1;
  TMenuItem *MonitorNumbers, *SingleMon, *DoubleMon;
  TMenuItem *ZoomNum, *SingleScr, *DoubleScr;
  TMenuItem *ChangeScr, *UpScr, *DownScr;
  TMenuItem *Res, *N800600, *N1024768, *N1280800, *N12801024;
  TMenuItem *Rotate, *Normal, *RotateLeft, *RotateRight;
  TMenuItem *ShowCursor, *CursorON, *CursorOFF, *Setting;
  TMenuItem *Skip, *NoSkip, *N60fps, *N50fps, *N40fps, *N30fps, *N25fps, *N20fps;
  TMenuItem *border, *have, *none, *noneall;
  TMenuItem *Emu, *Hide, *Show;

 private:
  std::vector<TMenuItem*> MenuTextItems() const;
};

}  // namespace brisklens_gl
