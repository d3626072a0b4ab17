#include "classlib/paintbox.h"

#include <windowsx.h>

namespace classlib {

TPaintBox::TPaintBox(TControl* parent, int left, int top, int width, int height)
    : TCustomControl(parent, left, top, width, height) {}

void TPaintBox::Paint() {
  // The handler draws on Canvas(): the paint context here, the box's own context when it
  // is called at other times.
  if (OnPaint) OnPaint(this);
}

bool TPaintBox::PassesToParent(const TMessage& message) const {
  if (!Parent() || !Parent()->Handle()) return false;
  switch (message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
      return !OnMouseDown && !OnMouseUp;
    default:
      return false;
  }
}

void TPaintBox::WndProc(TMessage& message) {
  if (!PassesToParent(message)) {
    TCustomControl::WndProc(message);
    return;
  }
  POINT point = {GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
  MapWindowPoints(Handle(), Parent()->Handle(), &point, 1);
  message.Result = SendMessageW(Parent()->Handle(), message.Msg, message.WParam,
                                MAKELPARAM(point.x, point.y));
}

}  // namespace classlib
