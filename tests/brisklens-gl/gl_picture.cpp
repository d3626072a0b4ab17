#include "tests/brisklens-gl/gl_picture.h"

#include <cmath>
#include <sstream>

#include "tools/standin/standin_picture.h"

namespace brisklens_gl_test {

namespace {

standin::Region RegionAt(int x, int y) {
  if (x < 0 || y < 0 || x >= standin::kClientWidth || y >= standin::kClientHeight)
    return standin::Region::None;
  return standin::Decode(standin::ClientPixel(x, y, 0)).region;
}

// The client position (fractional) that window pixel (px, py) looks at.
void ClientPositionOf(const GlView& view, int width, int height, int px, int py, double* x,
                      double* y) {
  const double kTanHalfFov = std::tan(30.0 * 3.14159265358979323846 / 180.0);
  const double ndc_x = 2.0 * (px + 0.5) / width - 1.0;
  const double ndc_y = 1.0 - 2.0 * (py + 0.5) / height;
  const double model_x = ndc_x * kTanHalfFov * width / height * view.camera_z - view.camera_x;
  const double model_y = ndc_y * kTanHalfFov * view.camera_z - view.camera_y;
  const double u = (model_x + 5) / 10, v = (model_y + 5) / 10;
  const double weights[4] = {(1 - u) * (1 - v), u * (1 - v), u * v, (1 - u) * v};
  double s = 0, t = 0;
  for (int k = 0; k < 4; ++k) {
    s += weights[k] * view.coords[2 * k];
    t += weights[k] * view.coords[2 * k + 1];
  }
  *x = s * 280 - 0.5;
  *y = view.block_last_row - (t * 280 - 0.5);
}

}  // namespace

GlView ViewOf(int preset, int block_last_row) {
  // Without any border the camera comes nearer: the screen alone fills the view.
  const double cameras[6][3] = {{0.2, -1.35, 6.1},  {1.38, 0.2, 8.2},  {-1.38, -0.2, 8.2},
                                {0.2, -1.35, 5.95}, {1.38, 0.2, 7.95}, {-1.38, -0.2, 7.95}};
  // Upright; turned with the picture's top at the left; at the right.
  const int coords[3][8] = {{0, 0, 1, 0, 1, 1, 0, 1}, {0, 1, 0, 0, 1, 0, 1, 1},
                            {1, 0, 1, 1, 0, 1, 0, 0}};
  const int rotation = preset % 3;
  GlView view = {cameras[preset][0], cameras[preset][1], cameras[preset][2], {}, block_last_row};
  for (int k = 0; k < 8; ++k) view.coords[k] = coords[rotation][k];
  return view;
}

PictureCheck ComparePicture(const systest::Pixels& picture, const GlView& view,
                            const RECT* marked) {
  PictureCheck result;
  for (int py = 0; py < picture.height; ++py) {
    for (int px = 0; px < picture.width; ++px) {
      double x, y;
      ClientPositionOf(view, picture.width, picture.height, px, py, &x, &y);
      const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
      const standin::Region region = RegionAt(x0, y0);
      // The block's texels mixed into this pixel must all be of one screen.
      if (region != standin::Region::Top && region != standin::Region::Touch) continue;
      if (RegionAt(x0 + 1, y0) != region || RegionAt(x0, y0 + 1) != region ||
          RegionAt(x0 + 1, y0 + 1) != region || x0 + 1 >= 280 ||
          y0 < view.block_last_row - 279 || y0 + 1 > view.block_last_row)
        continue;
      int shown_x = -1, shown_y = -1;
      standin::ClientPosition(standin::Decode(picture.at(px, py)), &shown_x, &shown_y);
      const bool right = std::abs(shown_x - x) <= 1.25 && std::abs(shown_y - y) <= 1.25;
      const bool in_mark = marked && x0 >= marked->left && x0 < marked->right &&
                           y0 >= marked->top && y0 < marked->bottom;
      ++result.checked;
      if (in_mark) {
        ++result.marked;
        if (!right) ++result.marked_wrong;
      } else if (!right && result.wrong++ == 0) {
        std::ostringstream where;
        where << "window (" << px << ", " << py << ") shows client (" << shown_x << ", "
              << shown_y << "), expected (" << x << ", " << y << ")";
        result.first_wrong = where.str();
      }
    }
  }
  return result;
}

std::string CheckPicture(const systest::Pixels& picture, const GlView& view) {
  if (picture.width == 0 || picture.height == 0) return "empty picture";
  const PictureCheck check = ComparePicture(picture, view);
  std::ostringstream verdict;
  if (check.wrong) verdict << check.wrong << " wrong pixels, first " << check.first_wrong << "; ";
  if (check.checked < picture.width * picture.height / 2)
    verdict << "only " << check.checked << " of " << picture.width * picture.height
            << " pixels show a screen where expected";
  return verdict.str();
}

std::string WaitForPicture(HWND window, const GlView& view) {
  std::string verdict;
  systest::WaitUntil([&] {
    verdict = CheckPicture(systest::CaptureClient(window), view);
    return verdict.empty();
  });
  return verdict;
}

}  // namespace brisklens_gl_test
