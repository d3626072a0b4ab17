#include "classlib/menus.h"

#include "classlib/forms.h"

namespace classlib {

TMenuItem::TMenuItem(const std::wstring& caption, TMenuItem* parent)
    : caption_(caption), parent_(parent) {}

TMenuItem* TMenuItem::Add(const std::wstring& caption) {
  items_.push_back(std::make_unique<TMenuItem>(caption, this));
  return items_.back().get();
}

void TMenuItem::SetChecked(bool checked) {
  checked_ = checked;
  if (!checked || !radio_item_ || !parent_) return;
  for (auto& sibling : parent_->items_)
    if (sibling.get() != this && sibling->radio_item_ && sibling->group_index_ == group_index_)
      sibling->checked_ = false;
}

void TMenuItem::Click() {
  if (enabled_ && OnClick) OnClick(this);
}

HMENU TPopupMenu::Build(TMenuItem& item, std::vector<TMenuItem*>& commands) {
  HMENU menu = CreatePopupMenu();
  for (int i = 0; i < item.Count(); ++i) {
    TMenuItem* child = item.Items(i);
    if (!child->Visible()) continue;
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID;
    if (child->Caption() == L"-") {
      info.fType = MFT_SEPARATOR;
    } else {
      info.fMask |= MIIM_STRING;
      info.fType = child->RadioItem() ? MFT_RADIOCHECK : MFT_STRING;
      info.dwTypeData = const_cast<wchar_t*>(child->Caption().c_str());
    }
    info.fState = (child->Checked() ? MFS_CHECKED : 0) | (child->Enabled() ? 0 : MFS_DISABLED);
    commands.push_back(child);
    info.wID = UINT(commands.size());  // 0 means "nothing chosen"
    if (child->Count() > 0) {
      info.fMask |= MIIM_SUBMENU;
      info.hSubMenu = Build(*child, commands);
    }
    InsertMenuItemW(menu, UINT(GetMenuItemCount(menu)), TRUE, &info);
  }
  return menu;
}

void TPopupMenu::Popup(int x, int y) {
  if (OnPopup) OnPopup(this);
  std::vector<TMenuItem*> commands;
  HMENU menu = Build(items_, commands);
  HWND owner = owner_ && owner_->Handle() ? owner_->Handle() : Application->Handle();
  UINT chosen = UINT(TrackPopupMenuEx(
      menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, owner, nullptr));
  DestroyMenu(menu);
  PostMessageW(owner, WM_NULL, 0, 0);
  if (chosen >= 1 && chosen <= commands.size()) commands[chosen - 1]->Click();
}

}  // namespace classlib
