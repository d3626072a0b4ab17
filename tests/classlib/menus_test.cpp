// The menu item tree: radio groups and clicks.
#include <gtest/gtest.h>

#include "classlib/menus.h"

using namespace classlib;

TEST(MenuItem, CheckingARadioItemUnchecksItsGroupOnly) {
  TPopupMenu menu;
  TMenuItem* sub = menu.Items().Add(L"sub");
  TMenuItem* a = sub->Add(L"a");
  TMenuItem* b = sub->Add(L"b");
  TMenuItem* c = sub->Add(L"c");      // other group
  TMenuItem* plain = sub->Add(L"d");  // not a radio item
  for (TMenuItem* item : {a, b}) item->SetRadioItem(true), item->SetGroupIndex(1);
  c->SetRadioItem(true);
  c->SetGroupIndex(2);
  plain->SetChecked(true);
  c->SetChecked(true);
  a->SetChecked(true);
  b->SetChecked(true);
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(b->Checked());
  EXPECT_TRUE(c->Checked());
  EXPECT_TRUE(plain->Checked());
  b->SetChecked(false);
  EXPECT_FALSE(b->Checked());
}

TEST(MenuItem, ClickFiresOnlyWhenEnabled) {
  TMenuItem item(L"x");
  int clicks = 0;
  TObject* sender = nullptr;
  item.OnClick = [&](TObject* from) { ++clicks; sender = from; };
  item.Click();
  item.SetEnabled(false);
  item.Click();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(sender, &item);
}
