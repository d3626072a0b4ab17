// TBitmap32: the "Data" stream property, SameAs and SaveAsBmp.
#include "raster/Raster.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/raster/bitmap_events.h"

namespace raster {
namespace {

using Bytes = std::vector<uint8_t>;
using Events = std::vector<std::string>;

Bytes WriteProperties(TBitmap32& bitmap, const TPersistent* ancestor = nullptr) {
  classlib::TMemoryStream stream;
  classlib::TWriter writer(stream);
  if (ancestor) writer.SetAncestor(ancestor);
  writer.WriteProperties([&](classlib::TFiler& filer) { bitmap.DefineProperties(filer); });
  return stream.Bytes();
}

void ReadProperties(TBitmap32& bitmap, const Bytes& bytes) {
  classlib::TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
  stream.SetPosition(0);
  classlib::TReader reader(stream);
  reader.ReadProperties([&](classlib::TFiler& filer) { bitmap.DefineProperties(filer); });
}

// The property list with one "Data" block holding `block`.
Bytes DataProperty(const Bytes& block) {
  classlib::TMemoryStream stream;
  const uint8_t head[] = {4, 'D', 'a', 't', 'a', 0x0A};
  uint32_t size = uint32_t(block.size());
  const uint8_t end_of_list = 0;
  stream.WriteBuffer(head, sizeof head);
  stream.WriteBuffer(&size, sizeof size);
  stream.WriteBuffer(block.data(), int64_t(block.size()));
  stream.WriteBuffer(&end_of_list, 1);
  return stream.Bytes();
}

TEST(BitmapData, TwoByOneBitmapWritesSixteenBytes) {
  TBitmap32 bitmap;
  bitmap.SetSize(2, 1);
  bitmap.Bits()[0] = 0x11223344;
  bitmap.Bits()[1] = 0xAABBCCDD;
  classlib::TMemoryStream block;
  bitmap.WritePixelData(block);
  EXPECT_EQ(block.Bytes(), (Bytes{2, 0, 0, 0, 1, 0, 0, 0, 0x44, 0x33, 0x22, 0x11, 0xDD, 0xCC,
                                  0xBB, 0xAA}));
  EXPECT_EQ(WriteProperties(bitmap), DataProperty(block.Bytes()));
}

TEST(BitmapData, RoundTripRestoresSizeAndPixelsAndNotifies) {
  TBitmap32 source;
  source.SetSize(13, 7);
  for (int i = 0; i < 13 * 7; ++i) source.Bits()[i] = 0x01000193u * uint32_t(i + 1);
  Bytes written = WriteProperties(source);
  TBitmap32 target;
  target.SetSize(2, 2);
  EventLog log;
  log.Watch(target);
  ReadProperties(target, written);
  EXPECT_EQ(log.Take(), (Events{"handle", EventLog::Bounds(13, 7), "change", "resize 13x7",
                                EventLog::Bounds(13, 7), "change"}));
  ASSERT_EQ(target.Width(), 13);
  ASSERT_EQ(target.Height(), 7);
  EXPECT_EQ(std::memcmp(target.Bits(), source.Bits(), 13 * 7 * 4), 0);
  EXPECT_TRUE(target.SameAs(&source));
}

TEST(BitmapData, WrittenOnlyWhenItDiffersFromTheAncestorOrHoldsPixels) {
  TBitmap32 bitmap;
  bitmap.SetSize(3, 3);
  bitmap.Clear(0xFF336699);
  TBitmap32 same;
  same.Assign(&bitmap);
  TBitmap32 different;
  different.Assign(&bitmap);
  different.Bits()[4] = 0xFF000000;
  TNotifiablePersistent not_a_bitmap;
  TBitmap32 empty;
  const Bytes end_only = {0};
  struct Row {
    const char* name;
    TBitmap32* written;
    const TPersistent* ancestor;
    bool has_data;
  } rows[] = {
      {"no ancestor, pixels", &bitmap, nullptr, true},
      {"no ancestor, empty", &empty, nullptr, false},
      {"equal ancestor", &bitmap, &same, false},
      {"different ancestor", &bitmap, &different, true},
      {"ancestor not a bitmap", &bitmap, &not_a_bitmap, true},
      {"empty bitmap, empty ancestor", &empty, &empty, false},
      {"empty bitmap, sized ancestor", &empty, &bitmap, true},
  };
  for (const Row& row : rows) {
    Bytes written = WriteProperties(*row.written, row.ancestor);
    EXPECT_EQ(written != end_only, row.has_data) << row.name;
  }
}

TEST(BitmapData, ShortBlockFailsAfterTheSizeChangeAndStillNotifies) {
  Bytes block = {3, 0, 0, 0, 2, 0, 0, 0, 1, 2, 3, 4};  // 3x2 announced, one pixel given
  TBitmap32 target;
  EventLog log;
  log.Watch(target);
  EXPECT_THROW(ReadProperties(target, DataProperty(block)), classlib::EReadError);
  EXPECT_EQ(target.Width(), 3);
  EXPECT_EQ(target.Height(), 2);
  Events events = log.Take();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back(), "change");
}

TEST(BitmapData, OddHeadersGiveClearOutcomes) {
  struct Row {
    const char* name;
    Bytes block;
    int width, height;
    bool fails;
  } rows[] = {
      {"negative width", {0xFB, 0xFF, 0xFF, 0xFF, 10, 0, 0, 0}, 0, 10, false},
      {"zero by zero", {0, 0, 0, 0, 0, 0, 0, 0}, 0, 0, false},
      {"header cut off", {5, 0, 0}, 0, 0, true},
      {"only a width", {1, 0, 0, 0}, 0, 0, true},
  };
  for (const Row& row : rows) {
    TBitmap32 target;
    bool failed = false;
    try {
      ReadProperties(target, DataProperty(row.block));
    } catch (const classlib::EReadError&) {
      failed = true;
    }
    EXPECT_EQ(failed, row.fails) << row.name;
    EXPECT_EQ(target.Width(), row.width) << row.name;
    EXPECT_EQ(target.Height(), row.height) << row.name;
  }
  TBitmap32 huge;
  Bytes giant = {0xA0, 0x86, 0x01, 0x00, 0xA0, 0x86, 0x01, 0x00};  // 100000 x 100000
  EXPECT_THROW(ReadProperties(huge, DataProperty(giant)), EBitmapError);
  EXPECT_TRUE(huge.IsEmpty());
}

TEST(BitmapData, UnknownPropertyIsAReadError) {
  Bytes bytes = {4, 'D', 'a', 't', 'x', 0x0A, 0, 0, 0, 0, 0};
  TBitmap32 target;
  try {
    ReadProperties(target, bytes);
    FAIL() << "an unknown property was read";
  } catch (const classlib::EReadError& error) {
    EXPECT_STREQ(error.what(), "Property Datx does not exist");
  }
}

class TOtherBitmap32 : public TBitmap32 {
 public:
  static const TClassInfo ClassInfo;
  TClass ClassType() const override { return &ClassInfo; }
};
const TClassInfo TOtherBitmap32::ClassInfo{"TOtherBitmap32", &TBitmap32::ClassInfo, {}};

TEST(BitmapSameAs, SameClassSizeAndPixels) {
  auto make = [](int width, int height, TColor32 colour) {
    auto bitmap = std::make_unique<TBitmap32>();
    bitmap->SetSize(width, height);
    bitmap->Clear(colour);
    return bitmap;
  };
  auto base = make(5, 4, 0xFF808080);
  auto equal = make(5, 4, 0xFF808080);
  auto one_pixel = make(5, 4, 0xFF808080);
  one_pixel->Bits()[19] = 0xFF808081;
  auto other_alpha = make(5, 4, 0x80808080);
  auto transposed = make(4, 5, 0xFF808080);
  TBitmap32 empty, empty_too;
  empty_too.SetSize(0, 7);
  TOtherBitmap32 subclass;
  subclass.SetSize(5, 4);
  subclass.Clear(0xFF808080);
  struct Row {
    const char* name;
    const TBitmap32* a;
    const TBitmap32* b;
    bool same;
  } rows[] = {
      {"equal", base.get(), equal.get(), true},
      {"one pixel differs", base.get(), one_pixel.get(), false},
      {"alpha differs", base.get(), other_alpha.get(), false},
      {"other size", base.get(), transposed.get(), false},
      {"both empty", &empty, &empty_too, true},
      {"one empty", &empty, base.get(), false},
      {"other class", base.get(), &subclass, false},
      {"nil", base.get(), nullptr, false},
  };
  for (const Row& row : rows) EXPECT_EQ(row.a->SameAs(row.b), row.same) << row.name;
}

TEST(BitmapSaveAsBmp, FileReadsBackWithLoadImage) {
  TBitmap32 bitmap;
  bitmap.SetSize(33, 17);
  for (int y = 0; y < 17; ++y) {
    for (int x = 0; x < 33; ++x) bitmap.Bits()[y * 33 + x] = 0xFF000000u | x * 7 << 16 | y * 13 << 8 | (x ^ y);
  }
  classlib::TMemoryStream stream;
  bitmap.SaveAsBmp(stream);
  const Bytes& bytes = stream.Bytes();
  ASSERT_EQ(bytes.size(), 14u + 40u + 33u * 17u * 4u);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');

  wchar_t folder[MAX_PATH], path[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  GetTempFileNameW(folder, L"bmp", 0, path);
  stream.SaveToFile(path);
  HBITMAP loaded = static_cast<HBITMAP>(
      LoadImageW(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  DeleteFileW(path);
  ASSERT_NE(loaded, nullptr);
  BITMAP info = {};
  GetObject(loaded, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, 33);
  EXPECT_EQ(info.bmHeight, 17);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, loaded);
  for (int y = 0; y < 17; ++y) {
    for (int x = 0; x < 33; ++x) {
      TColor32 c = bitmap.Bits()[y * 33 + x];
      ASSERT_EQ(GetPixel(dc, x, y), RGB(c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF)) << x << "," << y;
    }
  }
  SelectObject(dc, previous);
  DeleteDC(dc);
  DeleteObject(loaded);
}

TEST(BitmapSaveAsBmp, EmptyBitmapWritesNothing) {
  TBitmap32 bitmap;
  classlib::TMemoryStream stream;
  bitmap.SaveAsBmp(stream);
  EXPECT_EQ(stream.Bytes().size(), 0u);
}

TEST(BitmapPublished, PropertiesInDeclarationOrderAndCopiedByName) {
  std::vector<std::string> names;
  for (const TPropInfo* info : GetPropList(&TBitmap32::ClassInfo, tkAny)) names.push_back(info->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"DrawMode", "CombineMode", "WrapMode", "MasterAlpha",
                                             "OuterColor", "ResamplerClassName", "Resampler",
                                             "OnChange", "OnHandleChanged", "OnPixelCombine",
                                             "OnAreaChanged", "OnResize"}));
  TBitmap32 source, target;
  source.SetDrawMode(dmTransparent);
  source.SetWrapMode(wmMirror);
  source.SetMasterAlpha(9);
  source.SetOuterColor(0xDEADBEEF);
  CopyPublishedProperties(source, target, tkProperties);
  EXPECT_EQ(target.DrawMode(), dmTransparent);
  EXPECT_EQ(target.WrapMode(), wmMirror);
  EXPECT_EQ(target.MasterAlpha(), 9u);
  EXPECT_EQ(target.OuterColor(), 0xDEADBEEFu);
  EXPECT_EQ(std::get<int64_t>(GetPropValue(target, "DrawMode")), int64_t(dmTransparent));
}

}  // namespace
}  // namespace raster
