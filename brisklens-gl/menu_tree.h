// The popup menu of the main window: one radio group of items per submenu, and the plain
// `Setting` command. The checked items are the viewer's settings; the commands that
// change them are attached to the items' OnClick by the main window.
#pragma once

#include <vector>

#include "classlib/controls.h"
#include "viewer/viewer_menu.h"

namespace brisklens_gl {

using classlib::TMenuItem;

class GlMenu : public viewer::TViewerMenu {
 public:
  // `owner` is the window the open menu belongs to.
  explicit GlMenu(classlib::TControl* owner);

  viewer::SettingsTable SettingsWordLines() const override;
  std::vector<TMenuItem*> MenuTextItems() const override;

  TMenuItem *MonitorNumbers, *ZoomNum, *ChangeScr;
  TMenuItem *Normal, *Setting;
  TMenuItem *border;
  TMenuItem *Emu, *Hide, *Show;
};

}  // namespace brisklens_gl
