// The popup menu of the main window: its submenus of radio items, one checked per
// submenu. The checked items are the viewer's settings; the commands that change them
// are attached to the items' OnClick.
#pragma once

#include <vector>

#include "classlib/controls.h"
#include "viewer/viewer_menu.h"

namespace brisklens_soft {

using classlib::TMenuItem;

class SoftMenu : public viewer::TViewerMenu {
 public:
  // `owner` is the window the open menu belongs to.
  explicit SoftMenu(classlib::TControl* owner);

  // Also checks NoneFilter.
  void CheckStartupItems() override;
  // True while the direct path draws: no filter and no rotation.
  bool DirectPathChecked() const;
  std::vector<TMenuItem*> FilterItems() const { return {NoneFilter, FastLinear, ClearLinear}; }
  viewer::SettingsTable SettingsWordLines() const override;
  // Line k of "MenuSoft.txt" becomes the caption of item k; `setting` is named by lines 20
  // and 27, and the later one stays.
  std::vector<TMenuItem*> MenuTextItems() const override;

  TMenuItem *Monitors, *ScrNum;
  TMenuItem *Filter, *NoneFilter, *FastLinear, *ClearLinear;
  TMenuItem *ZoomMode;
  TMenuItem *normal, *setting;
  TMenuItem *Transparent, *AlphaOff, *AlphaOn;
  TMenuItem *Border;
};

}  // namespace brisklens_soft
