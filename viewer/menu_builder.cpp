#include "viewer/menu_builder.h"

#include <algorithm>

namespace viewer {

using classlib::TMenuItem;

TMenuItem* RadioMenuBuilder::AddSubmenu(const wchar_t* name, const wchar_t* caption) {
  TMenuItem* submenu = menu_.Items().Add(caption);
  submenu->Name = name;
  ++next_group_;
  return submenu;
}

TMenuItem* RadioMenuBuilder::AddRadioItem(TMenuItem* submenu, const wchar_t* name,
                                          const wchar_t* caption) {
  TMenuItem* item = AddPlainItem(submenu, name, caption);
  item->SetRadioItem(true);
  item->SetGroupIndex(next_group_);
  return item;
}

TMenuItem* RadioMenuBuilder::AddPlainItem(TMenuItem* submenu, const wchar_t* name,
                                          const wchar_t* caption) {
  TMenuItem* item = submenu->Add(caption);
  item->Name = name;
  return item;
}

int CheckedIndex(const std::vector<TMenuItem*>& group) {
  auto checked = std::find_if(group.begin(), group.end(),
                              [](const TMenuItem* item) { return item->Checked(); });
  return checked == group.end() ? 0 : int(checked - group.begin());
}

}  // namespace viewer
