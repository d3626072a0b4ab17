// What a picture of the software viewer's image path should show: the raster library's
// own result for the same capture. The capture is rebuilt from the stand-in's
// position-coded picture (the frame number read from the picture), turned as the viewer
// turns it and drawn at the window's size through the resampler the image holds. Pixels
// that depend on rows above the emulator's client area (which the test cannot know) are
// left out.
#pragma once

#include <windows.h>

#include <string>

#include "tools/systest/systest.h"
#include "viewer/input.h"

namespace brisklens_soft_test {

// The resampler of an image: no filter (nearest), the draft filter, Lanczos.
enum Filter { kNearest, kDraft, kLanczos };

struct ImageView {
  RECT source;  // the emulator client rectangle copied 1:1
  viewer::Rotation rotation;
  Filter filter;
};

// Empty when every pixel equals the raster library's, else what differs. Pixels in
// `marked` (window coordinates; may be null) are not checked; `marked_wrong` receives how
// many of them differ.
std::string CheckImagePicture(const systest::Pixels& picture, const ImageView& view,
                              const RECT* marked = nullptr, int* marked_wrong = nullptr);
// Waits until the window shows the view; returns the last verdict.
std::string WaitForImagePicture(HWND window, const ImageView& view);

}  // namespace brisklens_soft_test
