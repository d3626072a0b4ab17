// The image control: where each scale mode and alignment puts the bitmap, the point
// mapping, the changed areas grown by the resampler's reach, what each repaint mode makes
// of a new picture, also after a resize (message sequences through a real window, pixels
// read back), the update counter, the paint stages and the mouse with its capture and
// layers. Expected values come from references written here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "classlib/forms.h"
#include "raster/Raster_Image.h"
#include "raster/Raster_MicroTiles.h"
#include "raster/Raster_Resamplers.h"
#include "raster/Raster_Startup.h"
#include "tools/systest/systest.h"

namespace {

using namespace raster;
using classlib::TMessage;
using classlib::TMouseButton;
using Log = std::vector<std::string>;

class RasterLibrary : public testing::Environment {
 public:
  void SetUp() override { StartupRasterLibrary(); }
  void TearDown() override { ShutdownRasterLibrary(); }
};
testing::Environment* const library = testing::AddGlobalTestEnvironment(new RasterLibrary);

std::string Text(const TRect& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

// ---- references

// Windows' MulDiv for positive divisors: the exact quotient, halves away from zero.
int32_t RefMulDiv(int64_t a, int64_t b, int64_t c) {
  const int64_t p = a * b;
  return int32_t(p >= 0 ? (2 * p + c) / (2 * c) : -((-2 * p + c) / (2 * c)));
}
// Halves to even, on the exact product.
int32_t RefRound(double exact) {
  const double f = std::floor(exact), d = exact - f;
  if (d != 0.5) return int32_t(std::floor(exact + 0.5));
  return int32_t(std::fmod(f, 2.0) == 0 ? f : f + 1);
}

struct GeometryCase {
  int vw, vh, w, h;
  TScaleMode mode;
  TBitmapAlign align;
  float scale;
};

TRect RefBitmapRect(const GeometryCase& c) {
  if (c.w == 0 || c.h == 0) return RectOf(0, 0, 0, 0);
  int bw = 0, bh = 0;
  if (c.vw != 0 && c.vh != 0) {
    TScaleMode mode = c.mode;
    const int sw = RefRound(double(c.w) * c.scale), sh = RefRound(double(c.h) * c.scale);
    if (mode == smOptimal) mode = (c.vw < c.w || c.vh < c.h) ? smResize : smNormal;
    if (mode == smOptimalScaled) mode = (c.vw < sw || c.vh < sh) ? smResize : smScale;
    if (mode == smNormal) bw = c.w, bh = c.h;
    if (mode == smStretch) bw = c.vw, bh = c.vh;
    if (mode == smScale) bw = sw, bh = sh;
    if (mode == smResize) {
      volatile float sx = float(c.vw) / float(c.w), sy = float(c.vh) / float(c.h);
      if (sx >= sy)
        bw = RefRound(double(c.w) * sy), bh = c.vh;
      else
        bw = c.vw, bh = RefRound(double(c.h) * sx);
    }
  }
  bw = bw < 0 ? 0 : bw;
  bh = bh < 0 ? 0 : bh;
  TRect r = RectOf(0, 0, bw, bh);
  if (c.align == baCenter) OffsetRect(&r, (c.vw - bw) / 2, (c.vh - bh) / 2);
  return r;
}

// Bitmap point to control point with the rectangle's transform, in exact integers.
POINT RefMap(const TRect& r, int w, int h, int64_t x, int64_t y) {
  const int64_t sx = w ? RefMulDiv(r.right - r.left, 65536, w) : 65536;
  const int64_t sy = h ? RefMulDiv(r.bottom - r.top, 65536, h) : 65536;
  return POINT{LONG(x * sx / 65536 + (w ? r.left : 0)), LONG(y * sy / 65536 + (h ? r.top : 0))};
}

// A bitmap whose every pixel tells where it is.
void FillPattern(TBitmap32& bitmap, int w, int h) {
  bitmap.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      bitmap.Pixel(x, y) = 0xFF000000u | uint32_t(x * 3) << 16 | uint32_t(y * 5 & 0xFF) << 8 |
                           uint32_t((x ^ y) & 0xFF);
}

// ---- a recording image control and optimizer

// Forwards to a micro-tile optimizer and records the areas the control reports to it.
class TRecordingOptimizer : public TCustomRepaintOptimizer {
 public:
  TRecordingOptimizer(TBitmap32& Buffer, TRectList& Rects)
      : TCustomRepaintOptimizer(Buffer, Rects),
        inner_(NewMicroTilesRepaintOptimizer(Buffer, Rects)) {}
  static std::unique_ptr<TCustomRepaintOptimizer> Make(TBitmap32& Buffer, TRectList& Rects) {
    return std::make_unique<TRecordingOptimizer>(Buffer, Rects);
  }
  bool GetEnabled() const override { return inner_->Enabled(); }
  void SetEnabled(bool Value) override { inner_->SetEnabled(Value); }
  void NoteLayerListChange(TObject* S, TLayerListChange C, TCustomLayer* L, int32_t I) override {
    inner_->NoteLayerListChange(S, C, L, I);
  }
  void BeforePaint() override { inner_->BeforePaint(); }
  void AfterPaint() override { inner_->AfterPaint(); }
  void BeforeBufferPaint() override { inner_->BeforeBufferPaint(); }
  void AfterBufferPaint() override { inner_->AfterBufferPaint(); }
  void DiscardPending() override { inner_->DiscardPending(); }
  bool HasPendingUpdates() override { return inner_->HasPendingUpdates(); }
  void BuildInvalidRects() override { inner_->BuildInvalidRects(); }
  void NoteAreaChange(TObject* Sender, const TRect& Area, uint32_t Info) override {
    areas.push_back(Text(Area) + (Info == AreaInfoRect ? "" : " info?") +
                    (dynamic_cast<TCustomImage32*>(Sender) ? "" : " sender?"));
    inner_->NoteAreaChange(Sender, Area, Info);
  }
  void NoteLayerChange(TObject* S, TCustomLayer* L) override { inner_->NoteLayerChange(S, L); }
  void NoteBufferResize(int32_t W, int32_t H) override { inner_->NoteBufferResize(W, H); }

  Log areas;

 private:
  std::unique_ptr<TCustomRepaintOptimizer> inner_;
};

// Records messages, buffer repaints, copies to the window (with the dirty rectangles, "in"
// inside the class library's WM_PAINT) and OnChange.
class TRecordingImage : public TImage32 {
 public:
  explicit TRecordingImage(classlib::TControl* parent) : TImage32(parent) {
    classlib::TWndMethod previous = WindowProc;
    WindowProc = [this, previous](TMessage& message) {
      if (message.Msg == WM_PAINT) log.push_back("WM_PAINT");
      if (message.Msg == classlib::CM_INVALIDATE) log.push_back("CM_INVALIDATE");
      previous(message);
    };
    OnChange = [this](TObject*) { log.push_back("OnChange"); };
  }
  Log Take() {
    Log taken;
    taken.swap(log);
    return taken;
  }
  TRecordingOptimizer& Recorder() { return *static_cast<TRecordingOptimizer*>(Optimizer()); }
  std::string Dirty() {
    std::string text;
    for (int32_t i = 0; i < DirtyRects().Count(); ++i) text += Text(DirtyRects().List()[i]);
    return text;
  }
  Log log;

 protected:
  void PaintBuffer() override {
    TImage32::PaintBuffer();
    log.push_back("PaintBuffer");
  }
  void PaintGDIOverlay() override {
    log.push_back((InCustomPaint() ? "copy in " : "copy ") + Dirty());
    TImage32::PaintGDIOverlay();
  }
};

// Images made while it lives record their optimizer's areas.
struct RecordingOptimizers {
  TRepaintOptimizerClass saved = DefaultRepaintOptimizerClass;
  RecordingOptimizers() { DefaultRepaintOptimizerClass = TRecordingOptimizer::Make; }
  ~RecordingOptimizers() { DefaultRepaintOptimizerClass = saved; }
};

void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

TEST(ImageGeometry, EveryScaleModeAndAlignmentPlacesTheBitmapAndMapsPointsAsTheReference) {
  classlib::TForm form(L"TImageGeometryForm", 0, 0, 800, 600);
  TImage32 image(&form);
  TBitmap32 source;
  const TScaleMode modes[] = {smNormal, smStretch, smScale, smResize, smOptimal, smOptimalScaled};
  const TBitmapAlign aligns[] = {baTopLeft, baCenter, baTile, baCustom};
  const struct {
    int vw, vh, w, h;
  } sizes[] = {{512, 384, 256, 192}, {270, 208, 256, 192}, {300, 300, 256, 192}, {100, 50, 103, 40},
               {256, 192, 257, 192}, {255, 192, 256, 192}, {0, 80, 40, 40},      {90, 70, 0, 0},
               {947, 718, 192, 256}, {7, 300, 5, 3}};
  const float scales[] = {1.0f, 2.5f, 0.3f, 1.75f};
  int cases = 0;
  for (const auto& s : sizes)
    for (TScaleMode mode : modes)
      for (TBitmapAlign align : aligns)
        for (float scale : scales) {
          const GeometryCase c{s.vw, s.vh, s.w, s.h, mode, align, scale};
          image.SetBounds(0, 0, c.vw, c.vh);
          source.SetSize(c.w, c.h);
          image.SetBitmap(&source);
          image.SetScaleMode(mode);
          image.SetBitmapAlign(align);
          image.SetScale(scale);
          const TRect expected = RefBitmapRect(c);
          image.RefreshGeometry();
          const std::string row = std::to_string(c.vw) + "x" + std::to_string(c.vh) + " " +
                                  std::to_string(c.w) + "x" + std::to_string(c.h) + " mode " +
                                  std::to_string(mode) + " align " + std::to_string(align) +
                                  " scale " + std::to_string(scale);
          ASSERT_EQ(Text(image.BitmapRect()), Text(expected)) << row;
          for (const POINT p : {POINT{0, 0}, POINT{c.w, c.h}, POINT{-3, 7}, POINT{40000, -30000}}) {
            const POINT got = image.MapBitmapPoint(p), want = RefMap(expected, c.w, c.h, p.x, p.y);
            ASSERT_EQ(got.x * 100000 + got.y, want.x * 100000 + want.y) << row << " at " << p.x;
          }
          ++cases;
        }
  EXPECT_EQ(cases, 960);

  // The figures the viewer lives on, and a product past 2^31 (x 2 beyond 16384 pixels).
  image.SetBounds(0, 0, 270, 208);
  source.SetSize(256, 192);
  image.SetBitmap(&source);
  image.SetScaleMode(raster::smStretch);
  image.SetBitmapAlign(baTopLeft);
  image.RefreshGeometry();
  EXPECT_EQ(image.MapScaleX() * 1000000LL + image.MapScaleY(), 69120 * 1000000LL + 70997);
  image.SetBounds(0, 0, 512, 384);
  EXPECT_EQ(image.MapBitmapPoint(POINT{20000, -1100000}).x, 40000);
  EXPECT_EQ(image.MapBitmapPoint(POINT{20000, -1100000}).y, -2200000);
  // Scale: below 0.001 lifted; the same value changes nothing.
  int changes = 0;
  image.OnChange = [&](TObject*) { ++changes; };
  image.SetScale(0.0f);
  EXPECT_EQ(image.Scale(), 0.001f);
  image.SetScale(0.001f);
  image.SetScaleMode(raster::smStretch);
  image.SetBitmapAlign(baTopLeft);  // unchanged, still notifies
  EXPECT_EQ(changes, 2);
}

TEST(ImageChanges, AreasGrowByTheResamplersReachAndTileInBothAreaModes) {
  RecordingOptimizers recording;
  classlib::TForm form(L"TImageAreaForm", 0, 0, 800, 600);
  TRecordingImage image(&form);
  TBitmap32 source;
  struct {
    const char* resampler;
    int reach;
  } resamplers[] = {{"TNearestResampler", 2},
                    {"TLinearResampler", 2},
                    {"TDraftResampler", 2},
                    {"TKernelResampler", 4}};
  const struct {
    int vw, vh, w, h;
    TScaleMode mode;
    TBitmapAlign align;
  } layouts[] = {{512, 384, 256, 192, smStretch, baTopLeft},
                 {300, 200, 100, 60, smNormal, baCenter},
                 {250, 130, 100, 60, smNormal, baTile},
                 {740, 560, 256, 192, smResize, baCenter}};
  const TRect areas[] = {RectOf(0, 0, 256, 192), RectOf(10, 20, 11, 21), RectOf(30, 5, 20, 2)};
  image.BeginUpdate();  // collect only: no repaints while the table runs
  for (TRepaintMode mode : {rmDirect, rmOptimizer})
    for (const auto& r : resamplers)
      for (const auto& l : layouts)
        for (const TRect& area : areas) {
          image.SetRepaintMode(mode);
          image.SetBounds(0, 0, l.vw, l.vh);
          source.SetSize(l.w, l.h);
          source.SetResamplerClassName(r.resampler);
          if (auto* kernel = dynamic_cast<TKernelResampler*>(source.Resampler()))
            kernel->SetKernelClassName("TLanczosKernel");
          image.SetBitmap(&source);
          image.SetScaleMode(l.mode);
          image.SetBitmapAlign(l.align);
          image.RefreshGeometry();
          image.DirtyRects().Clear();
          image.Recorder().areas.clear();
          image.Bitmap()->AreaChanged(area, AreaInfoRect);
          // Reference: grown outward (an inverted area the other way), corners mapped.
          const int dx = area.right < area.left ? -r.reach : r.reach;
          const int dy = area.bottom < area.top ? -r.reach : r.reach;
          const TRect bitmap_rect = RefBitmapRect({l.vw, l.vh, l.w, l.h, l.mode, l.align, 1.0f});
          const POINT a = RefMap(bitmap_rect, l.w, l.h, area.left - dx, area.top - dy);
          const POINT b = RefMap(bitmap_rect, l.w, l.h, area.right + dx, area.bottom + dy);
          std::string expected;
          const int tw = bitmap_rect.right, th = bitmap_rect.bottom;
          const int nx = l.align == baTile ? image.Buffer().Width() / tw : 0;
          const int ny = l.align == baTile ? image.Buffer().Height() / th : 0;
          for (int j = 0; j <= ny; ++j)
            for (int i = 0; i <= nx; ++i)
              expected += Text(RectOf(a.x + i * tw, a.y + j * th, b.x + i * tw, b.y + j * th));
          std::string got = image.Dirty();
          for (const std::string& noted : image.Recorder().areas) got += noted;
          ASSERT_EQ(got, expected)
              << "mode " << int(mode) << " " << r.resampler << " layout " << l.vw << "x" << l.vh
              << " align " << int(l.align) << " area " << Text(area);
        }
  image.EndUpdate();
  const Log log = image.Take();
  EXPECT_EQ(std::count(log.begin(), log.end(), "OnChange"), 0) << "nothing notified while updating";
}

struct RepaintCase {
  TRepaintMode mode;
  bool within_update;
  int new_width;  // of the assigned picture: 256 keeps the size
  Log during;     // while SetBitmap runs
  std::string optimizer_areas;
  Log after;  // when the queued messages are handled
};

TEST(ImageRepaint, EachModeShowsANewPictureWithItsOwnMessagesAndPixels) {
  RecordingOptimizers recording;
  classlib::TForm form(L"TImageRepaintForm", 40, 40, 560, 420);
  form.SetBorderStyle(classlib::TFormBorderStyle::bsNone);
  TRecordingImage image(&form);
  image.SetBounds(0, 0, 512, 384);
  image.SetScaleMode(raster::smStretch);
  form.Show();
  ASSERT_TRUE(systest::BringToFront(form.Handle()));
  HWND window = image.Handle();
  const std::string whole = "(-4,-4,516,388)";
  const RepaintCase cases[] = {
      {rmDirect,
       false,
       256,
       {"CM_INVALIDATE", "WM_PAINT", "PaintBuffer", "copy in " + whole, "OnChange"},
       "",
       {}},
      // The invalidation that follows the update repaints everything.
      {rmDirect, true, 256, {}, "", {"CM_INVALIDATE", "WM_PAINT", "PaintBuffer", "copy in "}},
      // A new size: the resize invalidates everything, which the area's repaint at once
      // then paints whole.
      {rmDirect,
       false,
       128,
       {"CM_INVALIDATE", "CM_INVALIDATE", "WM_PAINT", "PaintBuffer", "copy in ", "OnChange"},
       "",
       {}},
      // Painted at the posted WM_PAINT, in the optimizer's tiles (whole ones, inside the
      // buffer, which is the control plus its margin).
      {rmOptimizer,
       false,
       256,
       {"CM_INVALIDATE", "OnChange"},
       whole,
       {"WM_PAINT", "PaintBuffer", "copy (0,0,552,424)", "copy in "}},
      {rmFull,
       false,
       256,
       {"CM_INVALIDATE", "OnChange"},
       "",
       {"WM_PAINT", "PaintBuffer", "copy in "}},
  };
  int picture = 0;
  for (const RepaintCase& c : cases) {
    image.SetRepaintMode(c.mode);
    TBitmap32 source;
    FillPattern(source, 256, 192);
    image.SetBitmap(&source);  // the size the row starts from
    Pump();
    image.Take();
    image.Recorder().areas.clear();
    FillPattern(source, c.new_width, 192);
    source.Pixel(0, 0) = 0xFF000000u | uint32_t(++picture);  // a picture of its own
    if (c.within_update) image.BeginUpdate();
    image.SetBitmap(&source);
    const std::string row =
        "mode " + std::to_string(c.mode) + " width " + std::to_string(c.new_width);
    EXPECT_EQ(image.Take(), c.during) << row;
    std::string areas;
    for (const std::string& a : image.Recorder().areas) areas += a;
    EXPECT_EQ(areas, c.optimizer_areas) << row;
    if (c.within_update) {
      EXPECT_EQ(image.Dirty(), whole) << row << ": queued, not painted";
      image.EndUpdate();
      EXPECT_EQ(image.Take(), Log()) << row << ": EndUpdate notifies nothing";
      image.Invalidate();
    }
    Pump();
    EXPECT_EQ(image.Take(), c.after) << row;
    // The window shows the picture stretched (nearest: each pixel doubled across).
    const systest::Pixels shown = systest::CaptureClient(window);
    ASSERT_EQ(shown.width, 512);
    for (int y = 0; y < 384; y += 7)
      for (int x = 0; x < 512; x += 5) {
        const int sx = x * c.new_width / 512, sy = y / 2;
        ASSERT_EQ(shown.at(x, y), source.Pixel(sx, sy) & 0xFFFFFFu)
            << row << " at " << x << "," << y;
      }
  }
  // The caller's picture is never kept; nil empties the control's own.
  TBitmap32 kept;
  FillPattern(kept, 4, 4);
  image.SetBitmap(&kept);
  image.SetBitmap(nullptr);
  EXPECT_TRUE(image.Bitmap()->IsEmpty());
  EXPECT_EQ(kept.Width(), 4);
  EXPECT_NE(image.Bitmap(), &kept);
}

// Empty when a capture shows just a picture of `colour` at `place` on `background`, else
// how many pixels differ and the first of them.
std::string DifferenceFromPicture(const systest::Pixels& shown, const RECT& place,
                                  TColor32 colour, TColor32 background) {
  int wrong = 0;
  char first[64] = "";
  for (int y = 0; y < shown.height; ++y)
    for (int x = 0; x < shown.width; ++x) {
      const uint32_t want = (PtInRect(&place, POINT{x, y}) ? colour : background) & 0xFFFFFFu;
      if (shown.at(x, y) != want && wrong++ == 0)
        std::snprintf(first, sizeof first, " first at %d,%d: %06X, not %06X", x, y,
                      unsigned(shown.at(x, y)), unsigned(want));
    }
  return wrong ? std::to_string(wrong) + " pixels wrong," + first : "";
}

// The client area as the window's own surface holds it now, before the desktop shows it.
systest::Pixels CaptureWindowSurface(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  HDC dc = GetDC(window);
  const systest::Pixels pixels = systest::CaptureDC(dc, client);
  ReleaseDC(window, dc);
  return pixels;
}

// A red picture centred in the control; then the control's size, the picture's size or
// its place changes and a green picture is assigned before any message is handled. The
// window shows the green picture where the layout now puts it and the control colour
// everywhere else: in rmDirect when the assignment returns, in every mode once the
// messages are handled.
TEST(ImageRepaint, ANewPictureAfterAResizeLeavesNothingOfTheOldOneOnTheWindow) {
  classlib::TForm form(L"TImageStaleForm", 40, 40, 320, 260);
  form.SetBorderStyle(classlib::TFormBorderStyle::bsNone);
  TImage32 image(&form);
  form.Show();
  ASSERT_TRUE(systest::BringToFront(form.Handle()));
  const TColor32 red = 0xFFFF0000u, green = 0xFF00FF00u, background = ColorToColor32(image.Color());
  const struct {
    int width, height;                  // of the control, from 120 x 90
    bool buffer_kept;                   // the control stays within the buffer's margin
    int picture_width, picture_height;  // from 40 x 30
    TBitmapAlign align;                 // from baCenter
  } changes[] = {
      {200, 150, false, 40, 30, baCenter}, {100, 80, true, 40, 30, baCenter},
      {60, 40, false, 40, 30, baCenter},   {120, 90, true, 20, 16, baCenter},
      {120, 90, true, 40, 30, baTopLeft},
  };
  TBitmap32 picture;
  for (TRepaintMode mode : {rmDirect, rmOptimizer, rmFull})
    for (const auto& c : changes) {
      const std::string row = "mode " + std::to_string(mode) + ", " + std::to_string(c.width) +
                              "x" + std::to_string(c.height) + ", picture " +
                              std::to_string(c.picture_width) + ", align " +
                              std::to_string(c.align);
      image.SetRepaintMode(mode);
      image.SetBounds(0, 0, 300, 300);
      image.SetBounds(0, 0, 120, 90);  // a buffer of just 120 x 90
      image.SetBitmapAlign(baCenter);
      picture.SetSize(40, 30);
      picture.Clear(red);
      image.SetBitmap(&picture);
      Pump();
      ASSERT_EQ(DifferenceFromPicture(systest::CaptureClient(image.Handle()),
                                      RectOf(40, 30, 80, 60), red, background),
                "")
          << row << ": the red picture first";

      image.SetBounds(0, 0, c.width, c.height);
      EXPECT_EQ(image.Buffer().Width() == 120 && image.Buffer().Height() == 90, c.buffer_kept)
          << row;
      if (c.align != baCenter) image.SetBitmapAlign(c.align);
      picture.SetSize(c.picture_width, c.picture_height);
      picture.Clear(green);
      image.SetBitmap(&picture);
      const TRect place = RefBitmapRect(
          {c.width, c.height, c.picture_width, c.picture_height, smNormal, c.align, 1.0f});
      std::vector<std::pair<const char*, systest::Pixels>> shown;
      if (mode == rmDirect)
        shown.emplace_back("when SetBitmap returns", CaptureWindowSurface(image.Handle()));
      Pump();
      shown.emplace_back("messages handled", systest::CaptureClient(image.Handle()));
      for (const auto& [when, pixels] : shown) {
        ASSERT_EQ(pixels.width * 1000 + pixels.height, c.width * 1000 + c.height) << row;
        EXPECT_EQ(DifferenceFromPicture(pixels, place, green, background), "")
            << row << ", " << when;
      }
    }
}

TEST(ImageControl, UpdateCounterResizeEventsStagesAndDestruction) {
  classlib::TForm form(L"TImageStagesForm", 0, 0, 400, 300);
  auto image = std::make_unique<TImage32>(&form);
  TBitmap32 source;
  // OnBitmapResize follows Changed's sense: only at update count 0.
  int resizes = 0;
  image->OnBitmapResize = [&](TObject*) { ++resizes; };
  FillPattern(source, 30, 20);
  image->SetBitmap(&source);
  image->BeginUpdate();
  FillPattern(source, 31, 20);
  image->SetBitmap(&source);
  image->EndUpdate();
  EXPECT_EQ(resizes, 1);
  // AutoSize takes the bitmap's size, with smScale both sides by the horizontal factor.
  image->SetScaleMode(smScale);
  image->SetScale(1.5f);
  image->SetAutoSize(true);
  EXPECT_EQ(image->Width() * 1000 + image->Height(), 46 * 1000 + 30);
  FillPattern(source, 10, 10);
  image->SetBitmap(&source);
  EXPECT_EQ(image->Width() * 1000 + image->Height(), 15 * 1000 + 15);
  image->SetAutoSize(false);
  image->SetBounds(0, 0, 20, 16);
  image->FitBitmapToControl(true, 0xFF123456u);
  EXPECT_EQ(image->Bitmap()->Width() * 1000 + image->Bitmap()->Height(), 20 * 1000 + 16);
  EXPECT_EQ(image->Bitmap()->Pixel(19, 15), 0xFF123456u);

  // Stages: unknown kinds are skipped without moving the others' indices; RenderTo runs
  // the run-time stages into any bitmap.
  image->SetScaleMode(smStretch);
  TPaintStages& stages = image->PaintStages();
  ASSERT_EQ(stages.Count(), 5);
  for (uint32_t kind : {0u, 1u, 8u, 1u}) stages.Add()->Kind = kind;
  std::vector<uint32_t> custom;
  image->OnPaintStage = [&](TObject*, TBitmap32&, uint32_t n) { custom.push_back(n); };
  TBitmap32 target;
  target.SetSize(8, 8);
  target.Clear(0xFF00FF00u);
  FillPattern(source, 2, 2);
  image->SetBitmap(&source);
  image->RenderTo(target, RectOf(2, 2, 6, 6));
  EXPECT_EQ(custom, std::vector<uint32_t>({6, 8}));
  EXPECT_EQ(target.Pixel(0, 0), ColorToColor32(image->Color())) << "background cleared";
  EXPECT_EQ(target.Pixel(5, 5), source.Pixel(1, 1)) << "bitmap stretched into the rectangle";
  EXPECT_FALSE(image->GeometryCurrent());
  EXPECT_EQ(image->RepaintMode(), rmFull);
  target.Clear(0xFF00FF00u);
  image->RenderTo(target, RectOf(3, 3, 3, 9));  // empty: nothing of the bitmap drawn
  EXPECT_EQ(target.Pixel(3, 4), ColorToColor32(image->Color()));

  // Destroying the control: freeing its bitmap reports no resize into it.
  const int resizes_before = resizes;
  image.reset();
  EXPECT_EQ(resizes, resizes_before);
}

// Runs the buffer paint over a buffer and dirty list the test sets up.
class TPaintingImage : public TImage32 {
 public:
  using TImage32::TImage32;
  void PaintBufferNow() { PaintBuffer(); }
};

TEST(ImageStages, DirtyRectanglesEndAsFilledWholeWithTheBackgroundAndThenDrawnOver) {
  classlib::TForm form(L"TImageDirtyForm", 0, 0, 400, 300);
  TPaintingImage image(&form);  // rmFull: the buffer reports to nobody
  image.SetBounds(0, 0, 120, 90);
  const TColor32 background = ColorToColor32(image.Color()), stale = 0xFF5A3C1Eu;
  // Into the margin, across the bitmap's edge, beside it, inverted.
  const TRect dirty[] = {RectOf(-6, -6, 126, 96), RectOf(30, 20, 50, 44),
                         RectOf(100, 2, 118, 80), RectOf(9, 9, 2, 2)};
  const uint32_t draw = PST_DRAW_BITMAP;
  const struct {
    TScaleMode mode;
    TDrawMode draw_mode;
    std::vector<uint32_t> stages;
    size_t rects;  // the first ones of `dirty`
  } cases[] = {
      {smStretch, dmOpaque, {PST_CLEAR_BACKGND, draw, PST_DRAW_LAYERS}, 4},
      {smNormal, dmOpaque, {PST_CLEAR_BACKGND, 0, draw, PST_DRAW_LAYERS}, 4},
      {smNormal, dmOpaque, {PST_CLEAR_BACKGND, draw}, 2},
      {smNormal, dmBlend, {PST_CLEAR_BACKGND, draw}, 4},              // blends over the fill
      {smNormal, dmOpaque, {PST_CLEAR_BACKGND, PST_CUSTOM, draw}, 3},  // sees the fill
      {smNormal, dmOpaque, {PST_CLEAR_BACKGND, PST_DRAW_LAYERS}, 4},   // no bitmap
  };
  // The custom stage reads the middle of the bitmap's place, (40, 30, 80, 60).
  std::vector<TColor32> seen;
  image.OnPaintStage = [&](TObject*, TBitmap32& buffer, uint32_t) {
    if (PtInRect(&buffer.ClipRect(), POINT{60, 45})) seen.push_back(buffer.Pixel(60, 45));
  };
  TBitmap32 source;
  FillPattern(source, 40, 30);
  for (int i = 0; i < 40 * 30; ++i)  // alpha too, for the blend
    source.Bits()[i] = (source.Bits()[i] & 0xFFFFFFu) | uint32_t(i * 7) << 24;
  for (const auto& c : cases) {
    source.SetDrawMode(c.draw_mode);
    image.SetBitmap(&source);
    image.SetScaleMode(c.mode);
    image.SetBitmapAlign(baCenter);
    image.PaintStages().Clear();
    for (uint32_t kind : c.stages) image.PaintStages().Add()->Kind = kind;
    image.Buffer().Clear(stale);
    image.DirtyRects().Clear();
    for (size_t i = 0; i < c.rects; ++i) image.DirtyRects().Add(dirty[i]);
    seen.clear();
    image.PaintBufferNow();
    // Reference: per rectangle, every rectangle filled inside it, then the bitmap drawn.
    TBitmap32 expected;
    expected.SetSize(image.Buffer().Width(), image.Buffer().Height());
    expected.Clear(stale);
    const bool draws = std::count(c.stages.begin(), c.stages.end(), draw) > 0;
    for (size_t i = 0; i < c.rects; ++i) {
      expected.SetClipRect(dirty[i]);
      for (size_t j = 0; j < c.rects; ++j)
        expected.FillRectClipped(dirty[j].left, dirty[j].top, dirty[j].right, dirty[j].bottom,
                                 background);
      if (draws) source.DrawInto(&expected, image.BitmapRect());
    }
    const std::string row = "mode " + std::to_string(c.mode) + " draw mode " +
                            std::to_string(c.draw_mode) + " stages " +
                            std::to_string(c.stages.size()) + " rects " + std::to_string(c.rects);
    for (int y = 0; y < expected.Height(); ++y)
      for (int x = 0; x < expected.Width(); ++x)
        ASSERT_EQ(image.Buffer().Pixel(x, y), expected.Pixel(x, y))
            << row << " at " << x << "," << y;
    const bool custom = std::count(c.stages.begin(), c.stages.end(), PST_CUSTOM) > 0;
    EXPECT_EQ(seen, std::vector<TColor32>(custom ? 1 : 0, background)) << row;
  }
  // A target that reports its changes has each whole rectangle filled, and told.
  image.PaintStages().Clear();
  for (uint32_t kind : {uint32_t(PST_CLEAR_BACKGND), draw}) image.PaintStages().Add()->Kind = kind;
  TBitmap32 target, reference;
  Log reports[2];
  for (int k = 0; k < 2; ++k) {
    TBitmap32& bitmap = k == 0 ? target : reference;
    bitmap.SetSize(120, 90);
    bitmap.OnAreaChanged = [&reports, k](TObject*, const TRect& area, uint32_t) {
      reports[k].push_back(Text(area));
    };
  }
  image.RenderTo(target, RectOf(0, 0, 120, 90));
  for (const TRect& r : dirty)
    reference.FillRectClipped(r.left, r.top, r.right, r.bottom, background);
  source.DrawInto(&reference, RectOf(0, 0, 120, 90));
  EXPECT_EQ(reports[0], reports[1]);
  EXPECT_TRUE(target.SameAs(&reference));
}

TEST(ImageMouse, EventsCarryControlCoordinatesAndTheLayerAndOnlyTheLeftButtonCaptures) {
  classlib::TForm form(L"TImageMouseForm", 60, 60, 400, 300);
  form.SetBorderStyle(classlib::TFormBorderStyle::bsNone);
  TImage32 image(&form);
  image.SetBounds(20, 10, 300, 200);
  form.Show();
  ASSERT_TRUE(systest::BringToFront(form.Handle()));
  TCustomLayer* layer = image.Layers().Add<TCustomLayer>();
  layer->SetOptions(LAYER_VISIBLE | LAYER_MOUSE_EVENTS);
  layer->OnHitQuery = [](TObject*, int32_t x, int32_t, bool& passed) { passed = x >= 200; };
  Log log;
  auto name = [&](TCustomLayer* l) { return std::string(l == layer ? " layer" : l ? " ?" : ""); };
  image.OnMouseDown = [&](TObject* s, TMouseButton b, classlib::TShiftState sh, int32_t x,
                          int32_t y, TCustomLayer* l) {
    log.push_back("down " + std::to_string(int(b)) + " " + std::to_string(sh) + " " +
                  std::to_string(x) + "," + std::to_string(y) + name(l) +
                  (s == &image ? "" : " sender?"));
  };
  image.OnMouseMove = [&](TObject*, classlib::TShiftState sh, int32_t x, int32_t y,
                          TCustomLayer* l) {
    log.push_back("move " + std::to_string(sh) + " " + std::to_string(x) + "," + std::to_string(y) +
                  name(l));
  };
  image.OnMouseUp = [&](TObject*, TMouseButton b, classlib::TShiftState, int32_t x, int32_t y,
                        TCustomLayer* l) {
    log.push_back("up " + std::to_string(int(b)) + " " + std::to_string(x) + "," +
                  std::to_string(y) + name(l));
  };
  HWND window = image.Handle();
  auto at = [](int x, int y) {
    return LPARAM((uint32_t(y) & 0xFFFF) << 16 | (uint32_t(x) & 0xFFFF));
  };
  const struct {
    UINT msg;
    WPARAM keys;
    int x, y;
    const char* event;
    bool captured;
  } steps[] = {
      {WM_RBUTTONDOWN, MK_RBUTTON, 5, 6, "down 1 16 5,6", false},
      {WM_RBUTTONUP, 0, 5, 6, "up 1 5,6", false},
      {WM_LBUTTONDOWN, MK_LBUTTON, 7, 8, "down 0 8 7,8", true},
      {WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, 9, 9, "down 1 24 9,9", true},
      {WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, -40, 250, "move 24 -40,250", true},
      {WM_LBUTTONUP, MK_RBUTTON, -41, 251, "up 0 -41,251", false},  // right still held
      {WM_RBUTTONUP, 0, 3, 3, "up 1 3,3", false},
      // On the layer: it takes the press and holds the mouse, whatever the button.
      {WM_RBUTTONDOWN, MK_RBUTTON, 250, 20, "down 1 16 250,20 layer", true},
      {WM_MOUSEMOVE, MK_RBUTTON, 10, 20, "move 16 10,20 layer", true},
      {WM_RBUTTONUP, 0, 10, 20, "up 1 10,20 layer", true},
  };
  for (const auto& s : steps) {
    SendMessageW(window, s.msg, s.keys, at(s.x, s.y));
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), s.event);
    EXPECT_EQ(GetCapture() == window, s.captured) << s.event;
  }
  ReleaseCapture();
}

}  // namespace
