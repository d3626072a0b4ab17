// TBitmap32 assignment from every kind of source, and into class-library bitmaps and
// pictures.
#include "raster/Raster.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/raster/bitmap_events.h"

namespace raster {
namespace {

using Events = std::vector<std::string>;

// A picture of position-coded pixels: every pixel differs from every other.
TColor32 CodedPixel(int x, int y) { return 0x80000000u | uint32_t(y) << 12 | uint32_t(x); }

void FillCoded(TBitmap32& bitmap) {
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) bitmap.Bits()[y * bitmap.Width() + x] = CodedPixel(x, y);
  }
}

// A 24-bit class-library bitmap filled with `colour`, with a square of `square` at (1,1)-(3,3).
std::unique_ptr<classlib::TBitmap> GuiBitmap(classlib::TPixelFormat format, COLORREF colour,
                                             COLORREF square) {
  auto bitmap = std::make_unique<classlib::TBitmap>();
  bitmap->SetPixelFormat(format);
  bitmap->SetSize(6, 4);
  HDC dc = bitmap->Canvas().Handle();
  RECT all = {0, 0, 6, 4}, inner = {1, 1, 3, 3};
  HBRUSH fill = CreateSolidBrush(colour), mark = CreateSolidBrush(square);
  FillRect(dc, &all, fill);
  FillRect(dc, &inner, mark);
  DeleteObject(fill);
  DeleteObject(mark);
  GdiFlush();
  return bitmap;
}

TColor32 At(const TBitmap32& bitmap, int x, int y) { return bitmap.Bits()[y * bitmap.Width() + x]; }

TEST(BitmapAssign, BitmapOfTheSameSizeCopiesEverythingAndNotifiesOnceAfterThePixels) {
  TBitmap32 source;
  source.SetSize(270, 208);
  FillCoded(source);
  source.SetDrawMode(dmBlend);
  source.SetCombineMode(cmMerge);
  source.SetWrapMode(wmRepeat);
  source.SetMasterAlpha(77);
  source.SetOuterColor(0x12345678);
  source.Font().SetName(L"Courier New");
  source.Font().SetHeight(-20);
  source.Font().SetStyle(classlib::fsBold);

  TBitmap32 target;
  target.SetSize(270, 208);
  EventLog log;
  log.Watch(target);
  bool pixels_in_place_at_change = false;
  target.OnChange = [&](TObject*) {
    log.events.push_back("change");
    pixels_in_place_at_change = At(target, 269, 207) == CodedPixel(269, 207);
  };
  target.Assign(&source);
  EXPECT_EQ(log.Take(), (Events{EventLog::Bounds(270, 208), "change"}));
  EXPECT_TRUE(pixels_in_place_at_change);
  for (int i = 0; i < 270 * 208; ++i) {
    ASSERT_EQ(target.Bits()[i], source.Bits()[i]) << "pixel " << i;
  }
  EXPECT_EQ(target.DrawMode(), dmBlend);
  EXPECT_EQ(target.CombineMode(), cmMerge);
  EXPECT_EQ(target.WrapMode(), wmRepeat);
  EXPECT_EQ(target.MasterAlpha(), 77u);
  EXPECT_EQ(target.OuterColor(), 0x12345678u);
  EXPECT_TRUE(target.Font().Name() == L"Courier New");
  EXPECT_EQ(target.Font().Height(), -20);
  EXPECT_EQ(target.Font().Style(), classlib::fsBold);
  EXPECT_EQ(target.ResamplerClassName(), source.ResamplerClassName());
}

TEST(BitmapAssign, BitmapOfAnotherSizeReportsTheSizeChangeAtItsMoment) {
  TBitmap32 source;
  source.SetSize(3, 2);
  FillCoded(source);
  TBitmap32 target;
  target.SetSize(8, 8);
  EventLog log;
  log.Watch(target);
  target.Assign(&source);
  EXPECT_EQ(log.Take(), (Events{"handle", "resize 3x2", EventLog::Bounds(3, 2), "change"}));
  EXPECT_EQ(At(target, 2, 1), CodedPixel(2, 1));

  TBitmap32 empty;
  target.Assign(&empty);
  EXPECT_TRUE(target.IsEmpty());
  EXPECT_EQ(log.Take(), (Events{"handle", "resize 0x0", EventLog::Bounds(0, 0), "change"}));
}

TEST(BitmapAssign, CopyPixelsToFiresOnlyTheEventsOfTheSizeChange) {
  TBitmap32 source;
  source.SetSize(4, 2);
  FillCoded(source);
  TBitmap32 same_size;
  same_size.SetSize(4, 2);
  EventLog log;
  log.Watch(same_size);
  source.CopyPixelsTo(same_size);
  EXPECT_EQ(log.Take(), Events{});
  EXPECT_EQ(At(same_size, 3, 1), CodedPixel(3, 1));

  TBitmap32 other_size;
  EventLog other_log;
  other_log.Watch(other_size);
  source.CopyPixelsTo(other_size);
  EXPECT_EQ(other_log.Take(), (Events{"handle", EventLog::Bounds(4, 2), "change", "resize 4x2"}));
  EXPECT_EQ(At(other_size, 3, 1), CodedPixel(3, 1));
  EXPECT_EQ(other_size.DrawMode(), dmOpaque) << "no properties travel with the pixels";
}

TEST(BitmapAssign, AssigningABitmapToItselfKeepsItsPixels) {
  TBitmap32 bitmap;
  bitmap.SetSize(5, 5);
  FillCoded(bitmap);
  bitmap.Assign(&bitmap);
  EXPECT_EQ(At(bitmap, 4, 4), CodedPixel(4, 4));
}

TEST(BitmapAssign, GuiBitmapByPixelFormatAndTransparency) {
  struct Row {
    const char* name;
    classlib::TPixelFormat format;
    bool transparent;
    TColor32 background, square;  // expected
  } rows[] = {
      {"24-bit", classlib::TPixelFormat::pf24bit, false, 0xFF0000FF, 0xFFFF0000},
      {"device", classlib::TPixelFormat::pfDevice, false, 0xFF0000FF, 0xFFFF0000},
      // The transparent colour of a bitmap in the automatic mode is its bottom-left pixel.
      {"24-bit transparent", classlib::TPixelFormat::pf24bit, true, 0x000000FF, 0xFFFF0000},
      // 32 bits per pixel: the alpha GDI left (0) is kept.
      {"32-bit", classlib::TPixelFormat::pf32bit, false, 0x000000FF, 0x00FF0000},
  };
  for (const Row& row : rows) {
    auto source = GuiBitmap(row.format, RGB(0, 0, 255), RGB(255, 0, 0));
    source->SetTransparent(row.transparent);
    source->Canvas().Font().SetName(L"Arial");
    TBitmap32 target;
    EventLog log;
    log.Watch(target);
    target.Assign(source.get());
    EXPECT_EQ(log.Take(), (Events{"handle", "resize 6x4", EventLog::Bounds(6, 4), "change"}))
        << row.name;
    ASSERT_EQ(target.Width(), 6) << row.name;
    EXPECT_EQ(At(target, 0, 0), row.background) << row.name;
    EXPECT_EQ(At(target, 5, 3), row.background) << row.name;
    EXPECT_EQ(At(target, 1, 1), row.square) << row.name;
    EXPECT_EQ(At(target, 2, 2), row.square) << row.name;
    EXPECT_TRUE(target.Font().Name() == L"Arial") << row.name;
  }
}

TEST(BitmapAssign, GuiBitmapWithAFixedTransparentColour) {
  auto source = GuiBitmap(classlib::TPixelFormat::pf24bit, RGB(0, 0, 255), RGB(255, 0, 0));
  source->SetTransparent(true);
  source->SetTransparentColor(classlib::clRed);
  TBitmap32 target;
  target.Assign(source.get());
  EXPECT_EQ(At(target, 0, 0), 0xFF0000FFu);
  EXPECT_EQ(At(target, 1, 1), 0x00FF0000u) << "the colour bits of a transparent pixel stay";
}

// Makes a 16x16 icon: the left half opaque green, the right half transparent.
HICON HalfIcon() {
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP colour = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) static_cast<uint32_t*>(bits)[y * 16 + x] = x < 8 ? 0x0000FF00 : 0;
  }
  // Monochrome mask, rows of 16 bits padded to words: 1 marks the transparent pixels.
  WORD mask_rows[16];
  for (WORD& row : mask_rows) row = 0xFF00;  // bytes 00 FF: the right eight pixels
  HBITMAP mask = CreateBitmap(16, 16, 1, 1, mask_rows);
  ICONINFO icon_info = {TRUE, 0, 0, mask, colour};
  HICON icon = CreateIconIndirect(&icon_info);
  DeleteObject(colour);
  DeleteObject(mask);
  return icon;
}

TEST(BitmapAssign, PictureWithAnIconMakesTheBackgroundTransparent) {
  classlib::TPicture picture;
  auto icon = std::make_unique<classlib::TIcon>();
  icon->SetHandle(HalfIcon());
  ASSERT_EQ(icon->Width(), 16);
  ASSERT_EQ(icon->Height(), 16);
  picture.SetGraphic(std::move(icon));
  TBitmap32 target;
  EventLog log;
  log.Watch(target);
  target.Assign(&picture);
  EXPECT_EQ(log.Take(), (Events{"handle", "resize 16x16", EventLog::Bounds(16, 16), "change"}));
  ASSERT_EQ(target.Width(), 16);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      TColor32 pixel = At(target, x, y);
      if (x < 8) {
        ASSERT_EQ(pixel, 0xFF00FF00u) << x << "," << y;
      } else {
        ASSERT_EQ(pixel >> 24, 0u) << x << "," << y;
      }
    }
  }
}

TEST(BitmapAssign, IconGivenDirectlyIsDrawnOpaque) {
  classlib::TIcon icon;
  icon.SetHandle(HalfIcon());
  TBitmap32 target;
  target.Assign(&icon);
  ASSERT_EQ(target.Width(), 16);
  EXPECT_EQ(At(target, 0, 0), 0xFF00FF00u);
  EXPECT_EQ(At(target, 15, 15) >> 24, 0xFFu) << "a graphic drawn directly comes out opaque";
}

TEST(BitmapAssign, PictureWithAMetafileMakesTheBackgroundTransparent) {
  HDC recorder = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  RECT mark = {10, 10, 30, 20};
  FillRect(recorder, &mark, blue);
  DeleteObject(blue);
  auto metafile = std::make_unique<classlib::TMetafile>();
  metafile->SetHandle(CloseEnhMetaFile(recorder));
  ASSERT_FALSE(metafile->Empty());
  metafile->SetWidth(40);
  metafile->SetHeight(30);
  classlib::TPicture picture;
  picture.SetGraphic(std::move(metafile));
  TBitmap32 target;
  target.Assign(&picture);
  ASSERT_EQ(target.Width(), 40);
  ASSERT_EQ(target.Height(), 30);
  // The frame of a recorded metafile is the bounds of what it drew: the blue rectangle
  // fills the picture, so its middle is opaque blue.
  EXPECT_EQ(At(target, 20, 15), 0xFF0000FFu);
}

// A graphic of its own kind: draws a yellow rectangle over its whole area.
class TYellowGraphic : public classlib::TGraphic {
 public:
  int Width() const override { return 5; }
  int Height() const override { return 3; }
  bool Empty() const override { return false; }
  void Draw(classlib::TCanvas& canvas, const RECT& rect) override {
    HBRUSH yellow = CreateSolidBrush(RGB(255, 255, 0));
    FillRect(canvas.Handle(), &rect, yellow);
    DeleteObject(yellow);
  }
};

TEST(BitmapAssign, OtherGraphicsAreDrawnAndMadeOpaque) {
  TYellowGraphic graphic;
  TBitmap32 direct;
  direct.Assign(&graphic);
  ASSERT_EQ(direct.Width(), 5);
  EXPECT_EQ(At(direct, 4, 2), 0xFFFFFF00u);

  classlib::TPicture picture;
  picture.SetGraphic(std::make_unique<TYellowGraphic>());
  TBitmap32 from_picture;
  from_picture.Assign(&picture);
  ASSERT_EQ(from_picture.Height(), 3);
  EXPECT_EQ(At(from_picture, 0, 0), 0xFFFFFF00u);
}

TEST(BitmapAssign, PictureWithABitmapAndAnEmptyPicture) {
  classlib::TPicture picture;
  classlib::TBitmap& held = picture.Bitmap();
  held.SetPixelFormat(classlib::TPixelFormat::pf24bit);
  held.SetSize(2, 2);
  SetPixelV(held.Canvas().Handle(), 1, 1, RGB(1, 2, 3));
  TBitmap32 target;
  target.Assign(&picture);
  ASSERT_EQ(target.Width(), 2);
  EXPECT_EQ(At(target, 1, 1), 0xFF010203u);

  classlib::TPicture empty;
  EventLog log;
  log.Watch(target);
  target.Assign(&empty);
  EXPECT_TRUE(target.IsEmpty());
  EXPECT_EQ(target.Width(), 0);
  EXPECT_EQ(log.Take(), (Events{"handle", "resize 0x0", EventLog::Bounds(0, 0), "change"}));
}

TEST(BitmapAssign, UnsupportedSourcesFailButListenersSeeOneChange) {
  TBitmap32 target;
  target.SetSize(2, 2);
  EventLog log;
  log.Watch(target);
  classlib::TFont font;
  try {
    target.Assign(&font);
    FAIL() << "a font was assigned";
  } catch (const EConvertError& error) {
    EXPECT_STREQ(error.what(), "Cannot assign a TFont to a TBitmap32");
  }
  EXPECT_EQ(log.Take(), (Events{EventLog::Bounds(2, 2), "change"}));
  EXPECT_EQ(target.UpdateCount(), 0);

  TNotifiablePersistent other;
  EXPECT_THROW(target.Assign(&other), EConvertError);
  EXPECT_EQ(log.Take(), (Events{EventLog::Bounds(2, 2), "change"}));
  EXPECT_EQ(target.Width(), 2);
}

// Every pixel of a class-library bitmap shows the coded pattern (without its alpha).
void ExpectCodedPixels(classlib::TBitmap& target) {
  for (int y = 0; y < target.Height(); ++y) {
    for (int x = 0; x < target.Width(); ++x) {
      COLORREF expected = RGB(CodedPixel(x, y) >> 16 & 0xFF, CodedPixel(x, y) >> 8 & 0xFF,
                              CodedPixel(x, y) & 0xFF);
      ASSERT_EQ(GetPixel(target.Canvas().Handle(), x, y), expected) << x << "," << y;
    }
  }
}

TEST(BitmapAssignTo, GuiBitmapBecomesA32BitDibWithThePixelsAndFont) {
  TBitmap32 source;
  source.SetSize(7, 5);
  FillCoded(source);
  source.Font().SetName(L"Courier New");
  classlib::TBitmap target;
  source.AssignTo(&target);
  EXPECT_EQ(target.HandleType(), classlib::TBitmapHandleType::bmDIB);
  EXPECT_EQ(target.PixelFormat(), classlib::TPixelFormat::pf32bit);
  ASSERT_EQ(target.Width(), 7);
  ASSERT_EQ(target.Height(), 5);
  EXPECT_TRUE(target.Canvas().Font().Name() == L"Courier New");
  ExpectCodedPixels(target);
}

// The class-library bitmap's own Assign reaches the same copy through the bitmap's AssignTo.
TEST(BitmapAssignTo, GuiBitmapAssignFromABitmap32TakesThePixels) {
  TBitmap32 source;
  source.SetSize(6, 3);
  FillCoded(source);
  classlib::TBitmap target;
  target.Assign(&source);
  ASSERT_EQ(target.Width(), 6);
  ASSERT_EQ(target.Height(), 3);
  ExpectCodedPixels(target);
}

TEST(BitmapAssignTo, PictureGetsABitmapAndOtherTargetsFail) {
  TBitmap32 source;
  source.SetSize(3, 3);
  source.Clear(0xFF204060);
  classlib::TPicture picture;
  picture.SetGraphic(std::make_unique<classlib::TIcon>());
  source.AssignTo(&picture);
  auto* bitmap = dynamic_cast<classlib::TBitmap*>(picture.Graphic());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(GetPixel(bitmap->Canvas().Handle(), 2, 2), RGB(0x20, 0x40, 0x60));

  classlib::TFont font;
  try {
    source.AssignTo(&font);
    FAIL() << "assigned to a font";
  } catch (const EConvertError& error) {
    EXPECT_STREQ(error.what(), "Cannot assign a TBitmap32 to a TFont");
  }
}

TEST(BitmapAssignTo, RoundTripThroughAGuiBitmapKeepsColourAndAlpha) {
  TBitmap32 source;
  source.SetSize(4, 4);
  FillCoded(source);
  classlib::TBitmap middle;
  source.AssignTo(&middle);
  TBitmap32 back;
  back.Assign(&middle);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(back.Bits()[i], source.Bits()[i]) << "pixel " << i;
}

}  // namespace
}  // namespace raster
