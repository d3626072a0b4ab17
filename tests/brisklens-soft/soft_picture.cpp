#include "tests/brisklens-soft/soft_picture.h"

#include <memory>
#include <sstream>

#include "raster/Raster.h"
#include "raster/Raster_Resamplers.h"
#include "raster/Raster_Startup.h"
#include "tools/standin/standin_picture.h"

namespace brisklens_soft_test {

namespace {

// The stand-in's frame number a picture shows, read at its centre; -1 without one.
int FrameShown(const systest::Pixels& picture) {
  if (picture.width == 0 || picture.height == 0) return -1;
  const standin::PixelInfo info =
      standin::Decode(picture.at(picture.width / 2, picture.height / 2));
  return info.region == standin::Region::Top || info.region == standin::Region::Touch
             ? info.frame
             : -1;
}

// The raster library's picture of the view for one frame, with `outside` in the rows
// above the client area.
std::unique_ptr<raster::TBitmap32> Expected(const ImageView& view, int width, int height,
                                            int frame, raster::TColor32 outside) {
  raster::TBitmap32 capture;
  capture.SetSize(view.source.right - view.source.left, view.source.bottom - view.source.top);
  for (int y = 0; y < capture.Height(); ++y)
    for (int x = 0; x < capture.Width(); ++x) {
      const int client_y = view.source.top + y;
      capture.Pixel(x, y) =
          client_y < 0 ? outside : standin::ClientPixel(view.source.left + x, client_y, frame);
    }
  raster::TBitmap32 turned;
  raster::TBitmap32* shown = &capture;
  if (view.rotation == viewer::Rotation::Left) capture.RotateCounterClockwise(shown = &turned);
  if (view.rotation == viewer::Rotation::Right) capture.RotateClockwise(shown = &turned);
  static const char* const kResamplers[] = {"TNearestResampler", "TDraftResampler",
                                            "TKernelResampler"};
  shown->SetResamplerClassName(kResamplers[view.filter]);
  if (view.filter == kLanczos)
    static_cast<raster::TKernelResampler*>(shown->Resampler())
        ->SetKernel(new raster::TLanczosKernel());
  auto result = std::make_unique<raster::TBitmap32>();
  result->SetSize(width, height);
  shown->DrawInto(result.get(), result->BoundsRect());
  return result;
}

bool Inside(const RECT* rect, int x, int y) {
  return rect && x >= rect->left && x < rect->right && y >= rect->top && y < rect->bottom;
}

std::string Compare(const systest::Pixels& picture, const ImageView& view, int frame,
                    const RECT* marked, int* marked_wrong) {
  const auto dark = Expected(view, picture.width, picture.height, frame, 0);
  const auto light = Expected(view, picture.width, picture.height, frame, 0x00FFFFFF);
  int wrong = 0, in_mark = 0;
  std::ostringstream first;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      const uint32_t expected = dark->Pixel(x, y) & 0xFFFFFF;
      if ((light->Pixel(x, y) & 0xFFFFFF) != expected) continue;  // from outside the client
      if (picture.at(x, y) == expected) continue;
      if (Inside(marked, x, y)) {
        ++in_mark;
      } else if (wrong++ == 0) {
        first << "(" << x << ", " << y << ") is " << std::hex << picture.at(x, y)
              << ", expected " << expected << std::dec;
      }
    }
  if (marked_wrong) *marked_wrong = in_mark;
  if (wrong == 0) return "";
  std::ostringstream result;
  result << wrong << " pixels of " << picture.width << "x" << picture.height
         << " differ, first " << first.str();
  return result.str();
}

}  // namespace

std::string CheckImagePicture(const systest::Pixels& picture, const ImageView& view,
                              const RECT* marked, int* marked_wrong) {
  raster::StartupRasterLibrary();
  const int shown = FrameShown(picture);
  if (shown < 0) return "no stand-in screen at the picture's centre";
  // A filter may round the frame number's bits at the centre by one.
  std::string verdict;
  for (int frame : {shown, (shown + 63) % 64, (shown + 1) % 64}) {
    verdict = Compare(picture, view, frame, marked, marked_wrong);
    if (verdict.empty()) break;
  }
  return verdict;
}

std::string WaitForImagePicture(HWND window, const ImageView& view) {
  std::string verdict;
  systest::CaptureClientWhen(window, [&](const systest::Pixels& picture) {
    return (verdict = CheckImagePicture(picture, view)).empty();
  });
  return verdict;
}

}  // namespace brisklens_soft_test
