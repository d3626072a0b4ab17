// A paint box: a plain rectangle of its parent's surface that its owner draws on. OnPaint
// draws on the box's own canvas (Canvas()) whenever the window needs painting, and may be
// called directly to draw at other times.
//
// Like a part of its parent's surface, the box passes the left- and middle-button messages
// it has no mouse handlers for on to its parent, in the parent's client coordinates, so that
// the parent sees clicks anywhere on itself; a right click reaches the parent as its
// context menu through the default procedure. WindowProc may be replaced as on any control:
// what the replacement passes on to the previous value gets this handling.
#pragma once

#include <windows.h>

#include "classlib/controls.h"

namespace classlib {

class TPaintBox : public TCustomControl {
 public:
  explicit TPaintBox(TControl* parent, int left = 0, int top = 0, int width = 0,
                     int height = 0);

  TNotifyEvent OnPaint;

 protected:
  void WndProc(TMessage& message) override;
  void Paint() override;

 private:
  // Whether the message is a button message that goes on to the parent.
  bool PassesToParent(const TMessage& message) const;
};

}  // namespace classlib
