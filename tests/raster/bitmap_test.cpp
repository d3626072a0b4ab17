// TBitmap32: events and their order, storage in the DIB section, the clip rectangle,
// drawing through the canvas and the device context, colour conversion.
#include "raster/Raster.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/raster/bitmap_events.h"

namespace raster {
namespace {

using Events = std::vector<std::string>;

TEST(ColorToColor32, SwapsRedAndBlueAndMakesOpaque) {
  struct Row {
    classlib::TColor color;
    TColor32 expected;
  } rows[] = {
      {0x000000, 0xFF000000}, {0x0000FF, 0xFFFF0000}, {0x00FF00, 0xFF00FF00},
      {0xFF0000, 0xFF0000FF}, {0x123456, 0xFF563412},
      {0x7F123456, 0xFF563412},  // the top byte of a non-negative value is dropped
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ColorToColor32(row.color), row.expected) << std::hex << "colour " << row.color;
  }
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  TColor32 expected = 0xFF000000 | GetRValue(face) << 16 | GetGValue(face) << 8 | GetBValue(face);
  EXPECT_EQ(ColorToColor32(classlib::clBtnFace), expected);
}

// One call on a bitmap and the events it must fire, in order.
struct EventRow {
  const char* name;
  std::function<void(TBitmap32&)> prepare;  // before the log starts
  std::function<void(TBitmap32&)> call;
  Events expected;
};

TEST(BitmapEvents, OneCallFiresExactlyTheseEvents) {
  const std::string bounds_4x3 = EventLog::Bounds(4, 3);
  const std::string bounds_2x2 = EventLog::Bounds(2, 2);
  auto none = [](TBitmap32&) {};
  auto size_4x3 = [](TBitmap32& b) { b.SetSize(4, 3); };
  const EventRow rows[] = {
      {"SetSize to a new size", none, size_4x3,
       {"handle", bounds_4x3, "change", "resize 4x3"}},
      {"SetSize to the current size", size_4x3, size_4x3, {}},
      {"SetSize with a negative width", none, [](TBitmap32& b) { b.SetSize(-5, 10); },
       {"handle", EventLog::Bounds(0, 10), "change", "resize 0x10"}},
      {"SetSize inside BeginUpdate", none,
       [](TBitmap32& b) {
         b.BeginUpdate();
         b.SetSize(2, 2);
         b.EndUpdate();
       },
       {"handle", "resize 2x2"}},
      {"SetWidth then SetHeight", none,
       [](TBitmap32& b) {
         b.SetWidth(2);
         b.SetHeight(2);
       },
       {"handle", EventLog::Bounds(2, 0), "change", "resize 2x0", "handle", bounds_2x2,
        "change", "resize 2x2"}},
      {"MakeEmpty", size_4x3, [](TBitmap32& b) { b.MakeEmpty(); },
       {"handle", EventLog::Bounds(0, 0), "change", "resize 0x0"}},
      {"Assign nil to a sized bitmap", size_4x3, [](TBitmap32& b) { b.Assign(nullptr); },
       {"handle", "resize 0x0", EventLog::Bounds(0, 0), "change"}},
      {"Assign nil to an empty bitmap", none, [](TBitmap32& b) { b.Assign(nullptr); },
       {EventLog::Bounds(0, 0), "change"}},
      {"DrawMode to a new value", size_4x3, [](TBitmap32& b) { b.SetDrawMode(dmBlend); },
       {bounds_4x3, "change"}},
      {"DrawMode to its value", size_4x3, [](TBitmap32& b) { b.SetDrawMode(dmOpaque); }, {}},
      {"CombineMode to a new value", size_4x3, [](TBitmap32& b) { b.SetCombineMode(cmMerge); },
       {bounds_4x3, "change"}},
      {"WrapMode to a new value", size_4x3, [](TBitmap32& b) { b.SetWrapMode(wmMirror); },
       {bounds_4x3, "change"}},
      {"MasterAlpha to a new value", size_4x3, [](TBitmap32& b) { b.SetMasterAlpha(128); },
       {bounds_4x3, "change"}},
      {"MasterAlpha to its value", size_4x3, [](TBitmap32& b) { b.SetMasterAlpha(255); }, {}},
      {"OuterColor", size_4x3, [](TBitmap32& b) { b.SetOuterColor(0x12345678); }, {}},
      {"AreaChanged", size_4x3,
       [](TBitmap32& b) { b.AreaChanged(RectOf(1, 1, 2, 2), 7); },
       {EventLog::AreaText(RectOf(1, 1, 2, 2), 7), "change"}},
      {"Changed inside BeginUpdate", size_4x3,
       [](TBitmap32& b) {
         b.BeginUpdate();
         b.Changed();
         b.EndUpdate();
       },
       {}},
      {"two canvas drawings", size_4x3,
       [](TBitmap32& b) {
         b.Canvas().FillRect(RectOf(0, 0, 1, 1));
         b.Canvas().SetPixel(2, 2, classlib::clRed);
       },
       {bounds_4x3, "change", bounds_4x3, "change"}},
      {"Clear", size_4x3, [](TBitmap32& b) { b.Clear(0); }, {bounds_4x3, "change"}},
      {"Clear of a clipped bitmap", size_4x3,
       [](TBitmap32& b) {
         b.SetClipRect(RectOf(1, 1, 3, 2));
         b.Clear(0);
       },
       {EventLog::AreaText(RectOf(1, 1, 3, 2), AreaInfoRect), "change", bounds_4x3, "change"}},
      {"Clear of an empty bitmap", none, [](TBitmap32& b) { b.Clear(0); }, {}},
      {"MakeOpaque", size_4x3, [](TBitmap32& b) { b.MakeOpaque(); }, {bounds_4x3, "change"}},
      {"ResamplerClassName of an unregistered class", size_4x3,
       [](TBitmap32& b) { b.SetResamplerClassName("TNoSuchResampler"); }, {}},
  };
  for (const EventRow& row : rows) {
    TBitmap32 bitmap;
    row.prepare(bitmap);
    EventLog log;
    log.Watch(bitmap);
    row.call(bitmap);
    EXPECT_EQ(log.Take(), row.expected) << row.name;
  }
}

TEST(BitmapEvents, DestructionOfASizedBitmapFiresHandleAndResizeOnly) {
  EventLog log;
  {
    TBitmap32 bitmap;
    bitmap.SetSize(5, 5);
    log.Watch(bitmap);
  }
  log.Forget();
  EXPECT_EQ(log.Take(), (Events{"handle", "resize 0x0"}));
  {
    TBitmap32 empty;
    log.Watch(empty);
  }
  log.Forget();
  EXPECT_EQ(log.Take(), Events{});
}

TEST(BitmapEvents, AreaCollectionTakesTheAreasAndSilencesOnChange) {
  TBitmap32 bitmap;
  bitmap.SetSize(4, 4);
  bitmap.Clear(0x11111111);
  EventLog log;
  log.Watch(bitmap);
  Events collected;
  bitmap.StartAreaCollection([&](TObject* sender, const TRect& area, uint32_t info) {
    EXPECT_EQ(sender, &bitmap);
    collected.push_back(EventLog::AreaText(area, info));
  });
  EXPECT_TRUE(bitmap.CollectingAreas());
  bitmap.BeginUpdate();  // the collector hears the areas whatever the update count is
  bitmap.Clear(0x22222222);
  bitmap.AreaChanged(RectOf(1, 2, 3, 4), AreaInfoRect);
  bitmap.EndUpdate();
  bitmap.Changed();
  bitmap.StopAreaCollection();
  EXPECT_EQ(collected, (Events{EventLog::Bounds(4, 4),
                               EventLog::AreaText(RectOf(1, 2, 3, 4), AreaInfoRect),
                               EventLog::Bounds(4, 4)}));
  EXPECT_EQ(log.Take(), Events{});
  EXPECT_EQ(bitmap.Bits()[0], 0x11111111u) << "Clear left the pixels alone while collecting";

  bitmap.Changed();  // the saved listener is back
  EXPECT_EQ(log.Take(), (Events{EventLog::Bounds(4, 4), "change"}));
}

TEST(BitmapStorage, NegativeOrZeroSideHoldsNoStorage) {
  TBitmap32 bitmap;
  EXPECT_TRUE(bitmap.SetSize(-5, 10));
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Height(), 10);
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(bitmap.Bits(), nullptr);
  EXPECT_EQ(bitmap.Handle(), nullptr);
  EXPECT_EQ(bitmap.BitmapHandle(), nullptr);
  EventLog log;
  log.Watch(bitmap);
  EXPECT_FALSE(bitmap.SetSize(0, 10));
  EXPECT_EQ(log.Take(), Events{});
}

TEST(BitmapStorage, TopDownDibSectionSelectedIntoItsOwnContext) {
  TBitmap32 bitmap;
  ASSERT_TRUE(bitmap.SetSize(270, 208));
  ASSERT_NE(bitmap.Bits(), nullptr);
  const BITMAPINFOHEADER& header = bitmap.BitmapInfo().bmiHeader;
  EXPECT_EQ(header.biSize, 40u);
  EXPECT_EQ(header.biWidth, 270);
  EXPECT_EQ(header.biHeight, -208);
  EXPECT_EQ(header.biPlanes, 1);
  EXPECT_EQ(header.biBitCount, 32);
  EXPECT_EQ(header.biCompression, DWORD(BI_RGB));
  EXPECT_EQ(header.biSizeImage, 0u);

  DIBSECTION section = {};
  ASSERT_EQ(GetObject(bitmap.BitmapHandle(), sizeof section, &section), int(sizeof section));
  EXPECT_EQ(section.dsBm.bmBits, bitmap.Bits());
  EXPECT_EQ(section.dsBm.bmWidth, 270);
  EXPECT_EQ(section.dsBm.bmHeight, 208);
  EXPECT_EQ(GetCurrentObject(bitmap.Handle(), OBJ_BITMAP), bitmap.BitmapHandle());

  for (int i = 0; i < 270 * 208; ++i) {
    ASSERT_EQ(bitmap.Bits()[i], 0u) << "a new DIB section is zero-filled, pixel " << i;
  }
  // GDI draws into the same memory: row y starts at Bits + 270 y, the top row first.
  const POINT points[] = {{0, 0}, {269, 0}, {0, 207}, {269, 207}, {100, 50}};
  for (const POINT& p : points) {
    SetPixelV(bitmap.Handle(), p.x, p.y, RGB(0x12, 0x34, 0x56));
    GdiFlush();
    EXPECT_EQ(bitmap.Bits()[p.y * 270 + p.x] & 0xFFFFFF, 0x123456u) << p.x << "," << p.y;
  }
  bitmap.Bits()[10 * 270 + 20] = 0xFFABCDEF;
  EXPECT_EQ(GetPixel(bitmap.Handle(), 20, 10), RGB(0xAB, 0xCD, 0xEF));
}

TEST(BitmapStorage, DrawIconDrawsIntoTheBits) {
  TBitmap32 bitmap;
  bitmap.SetSize(270, 208);
  bitmap.Clear(0xFF000000);
  HICON icon = LoadIcon(nullptr, IDI_APPLICATION);
  ASSERT_NE(icon, nullptr);
  ASSERT_TRUE(DrawIcon(bitmap.Handle(), 100, 80, icon));
  GdiFlush();
  int changed_inside = 0, changed_outside = 0;
  for (int y = 0; y < 208; ++y) {
    for (int x = 0; x < 270; ++x) {
      bool inside = x >= 100 && x < 100 + GetSystemMetrics(SM_CXICON) && y >= 80 &&
                    y < 80 + GetSystemMetrics(SM_CYICON);
      if ((bitmap.Bits()[y * 270 + x] & 0xFFFFFF) != 0) ++(inside ? changed_inside : changed_outside);
    }
  }
  EXPECT_GT(changed_inside, 0);
  EXPECT_EQ(changed_outside, 0);
}

TEST(BitmapStorage, SameSizeKeepsPixelsAndCanvasNewSizeReplacesBoth) {
  TBitmap32 bitmap;
  bitmap.SetSize(256, 192);
  bitmap.Clear(0xFF102030);
  classlib::TCanvas* canvas = &bitmap.Canvas();
  TColor32* bits = bitmap.Bits();
  HDC dc = bitmap.Handle();
  EXPECT_FALSE(bitmap.SetSize(256, 192));
  EXPECT_EQ(bitmap.Bits(), bits);
  EXPECT_EQ(bitmap.Handle(), dc);
  EXPECT_EQ(&bitmap.Canvas(), canvas);
  EXPECT_EQ(bitmap.Bits()[256 * 192 - 1], 0xFF102030u);

  HDC seen_in_event = nullptr;
  bool canvas_in_event = true;
  bitmap.OnHandleChanged = [&](TObject*) {
    seen_in_event = bitmap.Handle();
    canvas_in_event = bitmap.CanvasAllocated();
  };
  EXPECT_TRUE(bitmap.SetSize(192, 256));
  EXPECT_FALSE(canvas_in_event) << "the canvas goes with the old context";
  EXPECT_EQ(seen_in_event, bitmap.Handle());
  EXPECT_NE(bitmap.Handle(), nullptr);
  EXPECT_EQ(bitmap.Canvas().Handle(), bitmap.Handle());
  EXPECT_EQ(bitmap.Bits()[0], 0u) << "a size change discards the picture";
}

TEST(BitmapStorage, WidthThenHeightPassesThroughAnEmptySize) {
  TBitmap32 bitmap;
  bitmap.SetWidth(280);
  EXPECT_EQ(bitmap.Width(), 280);
  EXPECT_EQ(bitmap.Height(), 0);
  EXPECT_TRUE(bitmap.IsEmpty());
  bitmap.SetHeight(78400);
  EXPECT_EQ(bitmap.Height(), 78400);
  ASSERT_FALSE(bitmap.IsEmpty());
  bitmap.Bits()[280 * 78400 - 1] = 0xFFFFFFFF;
  EXPECT_EQ(GetPixel(bitmap.Handle(), 279, 78399), RGB(255, 255, 255));
}

TEST(BitmapStorage, FailedAllocationLeavesAnEmptyBitmapAndNotifies) {
  // Byte counts beyond 32 bits: 40 GB, and 16 GB, which wraps to 0 in 32 bits.
  const SIZE sizes[] = {{100000, 100000}, {65536, 65536}, {32768, 16385}};
  for (const SIZE& size : sizes) {
    std::string name = std::to_string(size.cx) + "x" + std::to_string(size.cy);
    TBitmap32 bitmap;
    bitmap.SetSize(8, 8);
    EventLog log;
    log.Watch(bitmap);
    try {
      bitmap.SetSize(size.cx, size.cy);
      ADD_FAILURE() << name << " was allocated";
    } catch (const EBitmapError& error) {
      EXPECT_STREQ(error.what(), "Can't allocate the DIB handle") << name;
    }
    EXPECT_EQ(log.Take(), Events{"handle"}) << name;
    EXPECT_EQ(bitmap.Width(), 0) << name;
    EXPECT_EQ(bitmap.Height(), 0) << name;
    EXPECT_TRUE(bitmap.IsEmpty()) << name;
    EXPECT_EQ(bitmap.Handle(), nullptr) << name;
    EXPECT_TRUE(bitmap.SetSize(3, 3)) << "the bitmap is usable again after " << name;
    EXPECT_NE(bitmap.Bits(), nullptr) << name;
  }
}

TEST(BitmapStorage, ConstructionDefaults) {
  TBitmap32 bitmap;
  EXPECT_EQ(bitmap.DrawMode(), dmOpaque);
  EXPECT_EQ(bitmap.CombineMode(), cmBlend);
  EXPECT_EQ(bitmap.WrapMode(), wmClamp);
  EXPECT_EQ(bitmap.MasterAlpha(), 255u);
  EXPECT_EQ(bitmap.OuterColor(), 0u);
  EXPECT_EQ(bitmap.PenColor(), 0xFFFFFFFFu);
  EXPECT_EQ(bitmap.StippleStep(), 1.0f);
  EXPECT_EQ(bitmap.FontHandle(), nullptr);
  EXPECT_FALSE(bitmap.CanvasAllocated());
  EXPECT_EQ(bitmap.ClassName(), "TBitmap32");
}

TEST(BitmapStorage, LockCountsThreadsInside) {
  TBitmap32 bitmap;
  bitmap.Lock();
  bitmap.Lock();
  EXPECT_EQ(bitmap.LockCount(), 2);
  bitmap.Unlock();
  bitmap.Unlock();
  EXPECT_EQ(bitmap.LockCount(), 0);
}

TEST(BitmapClip, ClipRectStaysInsideTheBoundsAndResetsOnResize) {
  struct Row {
    TRect given, clip;
    bool clipping;
  } rows[] = {
      {{-10, -10, 5, 5}, {0, 0, 5, 5}, true},
      {{0, 0, 40, 30}, {0, 0, 40, 30}, false},
      {{-1, -1, 100, 100}, {0, 0, 40, 30}, false},
      {{3, 4, 20, 25}, {3, 4, 20, 25}, true},
      {{50, 50, 60, 60}, {0, 0, 0, 0}, true},  // disjoint: the empty rectangle
  };
  TBitmap32 bitmap;
  bitmap.SetSize(40, 30);
  for (const Row& row : rows) {
    bitmap.SetClipRect(row.given);
    const TRect& clip = bitmap.ClipRect();
    std::string name = EventLog::AreaText(row.given, 0);
    EXPECT_TRUE(EqualRect(&clip, &row.clip)) << name << " gave " << EventLog::AreaText(clip, 0);
    EXPECT_EQ(bitmap.Clipping(), row.clipping) << name;
    const TFixedRect& fixed = bitmap.FixedClipRect();
    EXPECT_EQ(fixed.Left, row.clip.left * 65536) << name;
    EXPECT_EQ(fixed.Bottom, row.clip.bottom * 65536) << name;
    EXPECT_EQ(bitmap.ClipRect256().right, row.clip.right * 256) << name;
    EXPECT_EQ(bitmap.ClipRect256().top, row.clip.top * 256) << name;
  }
  bitmap.SetClipRect(RectOf(1, 1, 2, 2));
  bitmap.SetSize(50, 20);
  TRect bounds = RectOf(0, 0, 50, 20);
  EXPECT_TRUE(EqualRect(&bitmap.ClipRect(), &bounds));
  EXPECT_FALSE(bitmap.Clipping());
}

TEST(BitmapClip, ClearFillsOnlyTheClipRectangle) {
  TBitmap32 bitmap;
  bitmap.SetSize(4, 3);
  bitmap.Clear(0xFF000000);
  bitmap.SetClipRect(RectOf(1, 1, 3, 2));
  bitmap.Clear(0xFFFFFFFF);
  const TColor32 expected[] = {0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000,
                               0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF000000,
                               0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(bitmap.Bits()[i], expected[i]) << "pixel " << i;
}

TEST(BitmapCanvas, DrawsIntoTheBitsWithTheCanvasTools) {
  TBitmap32 bitmap;
  bitmap.SetSize(20, 10);
  classlib::TCanvas& canvas = bitmap.Canvas();
  EXPECT_EQ(canvas.Handle(), bitmap.Handle());
  canvas.Brush().SetColor(classlib::clRed);
  canvas.FillRect(RectOf(2, 1, 5, 3));
  canvas.Pen().SetColor(classlib::clLime);
  canvas.MoveTo(0, 9);
  canvas.LineTo(20, 9);
  GdiFlush();
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 20; ++x) {
      TColor32 expected = y == 9 ? 0x00FF00 : (x >= 2 && x < 5 && y >= 1 && y < 3) ? 0xFF0000 : 0;
      ASSERT_EQ(bitmap.Bits()[y * 20 + x] & 0xFFFFFF, expected) << x << "," << y;
    }
  }
}

TEST(BitmapCanvas, TextOutChangesPixelsAndUsesTheFontColour) {
  TBitmap32 bitmap;
  bitmap.SetSize(64, 24);
  bitmap.Clear(0xFFFFFFFF);
  classlib::TCanvas& canvas = bitmap.Canvas();
  canvas.Brush().SetStyle(classlib::TBrushStyle::bsClear);
  canvas.Font().SetColor(classlib::clBlue);
  canvas.TextOut(2, 2, L"Wm");
  GdiFlush();
  int blue = 0, other = 0;
  for (int i = 0; i < 64 * 24; ++i) {
    TColor32 c = bitmap.Bits()[i] & 0xFFFFFF;
    if (c == 0x0000FF) ++blue;
    else if (c != 0xFFFFFF) ++other;
  }
  EXPECT_GT(blue + other, 0) << "the text drew nothing";
  EXPECT_GT(blue, 0);
}

TEST(BitmapCanvas, CanvasOfAnEmptyBitmapDrawsNothingAndSurvivesUntilResize) {
  TBitmap32 bitmap;
  classlib::TCanvas& canvas = bitmap.Canvas();
  EXPECT_EQ(canvas.Handle(), nullptr);
  canvas.FillRect(RectOf(0, 0, 5, 5));  // no context: GDI refuses, nothing breaks
  bitmap.SetSize(2, 2);
  EXPECT_EQ(bitmap.Canvas().Handle(), bitmap.Handle());
}

}  // namespace
}  // namespace raster

namespace raster {
namespace {

TEST(BitmapCanvas, CopyRectStretchesAnotherCanvasIntoTheBits) {
  classlib::TBitmap source(2, 2);
  HDC dc = source.Canvas().Handle();
  const COLORREF colours[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(9, 8, 7)};
  for (int i = 0; i < 4; ++i) SetPixelV(dc, i % 2, i / 2, colours[i]);
  TBitmap32 bitmap;
  bitmap.SetSize(4, 4);
  EventLog log;
  log.Watch(bitmap);
  bitmap.Canvas().CopyRect(RectOf(0, 0, 4, 4), source.Canvas(), RectOf(0, 0, 2, 2));
  EXPECT_EQ(log.Take(), (Events{EventLog::Bounds(4, 4), "change"}));
  GdiFlush();
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      COLORREF c = colours[(y / 2) * 2 + x / 2];
      TColor32 expected = TColor32(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c);
      EXPECT_EQ(bitmap.Bits()[y * 4 + x] & 0xFFFFFF, expected) << x << "," << y;
    }
  }
}

}  // namespace
}  // namespace raster
