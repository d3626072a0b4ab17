// Popup menus and their items. The item tree is kept in the objects and turned into a
// system menu each time the menu opens, so captions, check marks and enabled states are
// always shown as the objects hold them. Captions are shown as given: hot keys are what
// the caption marks with '&' (no automatic hot keys are added). A caption "-" is a
// separator.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/controls.h"

namespace classlib {

class TMenuItem : public TObject {
 public:
  explicit TMenuItem(const std::wstring& caption = L"", TMenuItem* parent = nullptr);

  // Adds a new last child item and returns it; the item owns its children.
  TMenuItem* Add(const std::wstring& caption);
  int Count() const { return int(items_.size()); }
  TMenuItem* Items(int index) const { return items_.at(size_t(index)).get(); }
  TMenuItem* Parent() const { return parent_; }

  const std::wstring& Caption() const { return caption_; }
  void SetCaption(const std::wstring& caption) { caption_ = caption; }
  bool Checked() const { return checked_; }
  // Checking a radio item unchecks the other radio items of its group (same parent, same
  // GroupIndex).
  void SetChecked(bool checked);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  bool RadioItem() const { return radio_item_; }
  void SetRadioItem(bool radio) { radio_item_ = radio; }
  int GroupIndex() const { return group_index_; }
  void SetGroupIndex(int index) { group_index_ = index; }
  bool Visible() const { return visible_; }
  void SetVisible(bool visible) { visible_ = visible; }

  // Fires OnClick (what choosing the item in the menu does).
  void Click();

  std::wstring Name;
  int Tag = 0;
  TNotifyEvent OnClick;

 private:
  std::wstring caption_;
  TMenuItem* parent_ = nullptr;
  std::vector<std::unique_ptr<TMenuItem>> items_;
  bool checked_ = false;
  bool enabled_ = true;
  bool radio_item_ = false;
  bool visible_ = true;
  int group_index_ = 0;
};

class TPopupMenu : public TObject {
 public:
  // `owner` is the control whose window owns the menu while it is open (null: the
  // application's window).
  explicit TPopupMenu(TControl* owner = nullptr) : owner_(owner) {}

  TMenuItem& Items() { return items_; }
  // Opens the menu with its top-left corner at a screen point and waits until it closes;
  // the chosen item's OnClick runs before it returns.
  void Popup(int x, int y);

  TNotifyEvent OnPopup;

 private:
  HMENU Build(TMenuItem& item, std::vector<TMenuItem*>& commands);

  TControl* owner_ = nullptr;
  TMenuItem items_;
};

}  // namespace classlib
