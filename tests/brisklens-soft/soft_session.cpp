#include "tests/brisklens-soft/soft_session.h"

#include "tools/systest/frame_pixels.h"

namespace brisklens_soft_test {

using namespace systest;

WindowPicture DirectPicture(bool main, int offset, int trim) {
  // The second window's rectangle is one column and one row smaller.
  const int less = main ? 0 : 1;
  return {true, {trim, offset + 200 + trim, 270 - less - trim, offset + 408 - less - trim}, {}};
}

WindowPicture ImagePicture(int offset, bool screen_only, viewer::Rotation rotation,
                           Filter filter) {
  const RECT frame = screen_only ? RECT{7, offset + 207, 263, offset + 399}
                                 : RECT{0, offset + 200, 270, offset + 408};
  return {false, {}, {frame, rotation, filter}};
}

std::string WaitForWindowPicture(HWND window, const WindowPicture& expected) {
  if (!expected.direct) return WaitForImagePicture(window, expected.image);
  std::string verdict;
  CaptureClientWhen(window, [&](const Pixels& picture) {
    return (verdict = CheckFramePixels(picture, expected.frame)).empty();
  });
  return verdict;
}

}  // namespace brisklens_soft_test
