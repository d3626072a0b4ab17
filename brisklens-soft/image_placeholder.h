// Stand-in for the raster library's image control (TImage32) that will show the image
// path's pictures: for now a plain child window with bounds and mouse events. In the
// direct path, the only path so far, the images are sized 0x0 and the windows' own
// canvases show the picture. The raster image control replaces this class.
#pragma once

#include "classlib/controls.h"

namespace brisklens_soft {

class TImage32Placeholder : public classlib::TCustomControl {
 public:
  explicit TImage32Placeholder(classlib::TControl* parent) : TCustomControl(parent) {}
};

}  // namespace brisklens_soft
