// Builds a viewer's popup menu: submenus in order, each holding one radio group of items
// (checking one unchecks the others of its submenu) and possibly plain command items.
#pragma once

#include <string>
#include <vector>

#include "classlib/menus.h"

namespace viewer {

class RadioMenuBuilder {
 public:
  explicit RadioMenuBuilder(classlib::TPopupMenu& menu) : menu_(menu) {}

  // A new last submenu; the radio items added to it next form its group.
  classlib::TMenuItem* AddSubmenu(const wchar_t* name, const wchar_t* caption);
  classlib::TMenuItem* AddRadioItem(classlib::TMenuItem* submenu, const wchar_t* name,
                                    const wchar_t* caption);
  // An item that is no radio item (a command such as opening a dialog).
  classlib::TMenuItem* AddPlainItem(classlib::TMenuItem* submenu, const wchar_t* name,
                                    const wchar_t* caption);

 private:
  classlib::TPopupMenu& menu_;
  int next_group_ = 1;
};

// Makes `handler` of `form` the item's OnClick (handlers are named after their items).
template <class Form>
void BindClick(classlib::TMenuItem* item, Form& form, void (Form::*handler)(classlib::TObject*)) {
  item->OnClick = [&form, handler](classlib::TObject* sender) { (form.*handler)(sender); };
}

// Index of the checked item of a radio group (its first item when none is checked).
int CheckedIndex(const std::vector<classlib::TMenuItem*>& group);

}  // namespace viewer
