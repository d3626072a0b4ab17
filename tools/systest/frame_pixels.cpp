#include "tools/systest/frame_pixels.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <sstream>

namespace systest {

std::string CheckFramePixels(const systest::Pixels& picture, const RECT& frame) {
  if (picture.width == 0 || picture.height == 0) return "empty picture";
  const int frame_width = frame.right - frame.left, frame_height = frame.bottom - frame.top;
  int min_x = INT_MAX, max_x = INT_MIN, min_y = INT_MAX, max_y = INT_MIN;
  int wrong = 0;
  std::ostringstream first_wrong;
  // Rows above the client area cannot be decoded; next to them a stretched pixel may
  // come from one of them, so with such rows the first client row is left out too.
  const int first_checked_row = frame.top < 0 ? 1 : frame.top;
  for (int y = 0; y < picture.height; ++y) {
    int expected_y = frame.top + y * frame_height / picture.height;
    if (expected_y < first_checked_row) continue;
    for (int x = 0; x < picture.width; ++x) {
      int expected_x = frame.left + x * frame_width / picture.width;
      standin::PixelInfo info = standin::Decode(picture.at(x, y));
      int client_x = -1, client_y = -1;
      standin::ClientPosition(info, &client_x, &client_y);
      if (info.region == standin::Region::None || std::abs(client_x - expected_x) > 1 ||
          std::abs(client_y - expected_y) > 1) {
        if (wrong++ == 0)
          first_wrong << "picture (" << x << ", " << y << ") shows client (" << client_x << ", "
                      << client_y << "), expected about (" << expected_x << ", " << expected_y
                      << "); ";
        continue;
      }
      min_x = std::min(min_x, client_x);
      max_x = std::max(max_x, client_x);
      min_y = std::min(min_y, client_y);
      max_y = std::max(max_y, client_y);
    }
  }
  std::ostringstream result;
  if (wrong) result << wrong << " wrong pixels, first: " << first_wrong.str();
  if (min_x != frame.left || max_x != frame.right - 1)
    result << "columns " << min_x << ".." << max_x << ", expected " << frame.left << ".."
           << frame.right - 1 << "; ";
  bool first_row_seen = frame.top >= 0 ? min_y == frame.top : min_y <= 1;
  if (!first_row_seen || max_y != frame.bottom - 1)
    result << "rows " << min_y << ".." << max_y << ", expected " << frame.top << ".."
           << frame.bottom - 1 << "; ";
  return result.str();
}

}  // namespace systest
