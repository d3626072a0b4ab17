// The class-library layer under the bitmap: class names and assignment errors, memory
// streams with the property writer and reader, fonts, canvases and their change events,
// class-library bitmaps, icons, metafiles and pictures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/graphics.h"
#include "classlib/streams.h"

namespace classlib {
namespace {

using Events = std::vector<std::string>;

class TLocalThing : public TPersistent {};

TEST(Persistent, ClassNamesAndAssignmentErrors) {
  TBitmap bitmap;
  TLocalThing thing;
  EXPECT_EQ(bitmap.ClassName(), "TBitmap");
  EXPECT_EQ(thing.ClassName(), "TLocalThing");
  struct Row {
    TPersistent* target;
    TPersistent* source;
    const char* message;
  } rows[] = {
      {&thing, nullptr, "Cannot assign a nil to a TLocalThing"},
      {&thing, &bitmap, "Cannot assign a TBitmap to a TLocalThing"},
      {&bitmap, &thing, "Cannot assign a TLocalThing to a TBitmap"},
  };
  for (const Row& row : rows) {
    try {
      row.target->Assign(row.source);
      ADD_FAILURE() << "no error for " << row.message;
    } catch (const EAssignError& error) {
      EXPECT_STREQ(error.what(), row.message);
    }
  }
}

TEST(MemoryStream, ReadsWritesAndSeeks) {
  TMemoryStream stream;
  const char text[] = "abcdef";
  stream.WriteBuffer(text, 6);
  EXPECT_EQ(stream.Size(), 6);
  EXPECT_EQ(stream.Position(), 6);
  stream.SetPosition(2);
  char part[3] = {};
  stream.ReadBuffer(part, 3);
  EXPECT_EQ(std::string(part, 3), "cde");
  EXPECT_EQ(stream.Read(part, 3), 1) << "only one byte was left";
  EXPECT_EQ(stream.Seek(-100, TSeekOrigin::soCurrent), 0) << "no position before the start";
  stream.Seek(-2, TSeekOrigin::soEnd);
  stream.WriteBuffer("XYZ", 3);
  EXPECT_EQ(std::string(stream.Bytes().begin(), stream.Bytes().end()), "abcdXYZ");
  stream.SetPosition(5);
  try {
    stream.ReadBuffer(part, 3);
    FAIL() << "read past the end";
  } catch (const EReadError& error) {
    EXPECT_STREQ(error.what(), "Stream read error");
  }
  stream.SetPosition(20);
  EXPECT_EQ(stream.Read(part, 1), 0);
}

// A persistent object with two stream properties, one of them without data.
class TTwoBlocks : public TPersistent {
 public:
  std::string first = "one";
  std::string second;
  Events read;

 protected:
  void DefineProperties(TFiler& filer) override {
    filer.DefineBinaryProperty("First", Reader("First", first), Writer(first), !first.empty());
    filer.DefineBinaryProperty("Second", Reader("Second", second), Writer(second),
                               !second.empty());
  }

 private:
  TFiler::BinaryProc Reader(const char* name, std::string& value) {
    return [this, name, &value](TStream& stream) {
      read.push_back(name);
      value.assign(size_t(stream.Size()), '\0');
      stream.ReadBuffer(value.data(), stream.Size());
    };
  }
  static TFiler::BinaryProc Writer(const std::string& value) {
    return [&value](TStream& stream) { stream.WriteBuffer(value.data(), int64_t(value.size())); };
  }
};

TEST(Filer, WritesPropertiesWithDataAndReadsThemBack) {
  TTwoBlocks source;
  TMemoryStream stream;
  TWriter(stream).WriteProperties(source);
  const std::vector<uint8_t> expected = {5, 'F', 'i', 'r', 's', 't', 0x0A, 3, 0, 0, 0,
                                         'o', 'n', 'e', 0};
  EXPECT_EQ(stream.Bytes(), expected);
  TTwoBlocks target;
  target.first.clear();
  stream.SetPosition(0);
  TReader(stream).ReadProperties(target);
  EXPECT_EQ(target.read, Events{"First"});
  EXPECT_EQ(target.first, "one");
  EXPECT_EQ(stream.Position(), stream.Size());
}

TEST(Filer, CutOffStreamsAndBadTagsAreReadErrors) {
  const std::vector<std::vector<uint8_t>> inputs = {
      {},                                        // not even the end of the list
      {5, 'F', 'i', 'r'},                        // name cut off
      {5, 'F', 'i', 'r', 's', 't', 0x07, 0},     // not a block of bytes
      {5, 'F', 'i', 'r', 's', 't', 0x0A, 9, 0, 0, 0, 'a'},  // block cut off
  };
  for (size_t i = 0; i < inputs.size(); ++i) {
    TMemoryStream stream;
    stream.WriteBuffer(inputs[i].data(), int64_t(inputs[i].size()));
    stream.SetPosition(0);
    TTwoBlocks target;
    EXPECT_THROW(TReader(stream).ReadProperties(target), EReadError) << "input " << i;
  }
}

TEST(Font, NotifiesEachRealChangeAndAssignsAllAttributes) {
  TFont font;
  int changes = 0;
  font.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &font);
    ++changes;
  };
  font.SetName(font.Name());
  font.SetHeight(font.Height());
  EXPECT_EQ(changes, 0);
  font.SetName(L"Arial");
  font.SetHeight(-30);
  font.SetStyle(fsItalic | fsUnderline);
  font.SetColor(clRed);
  EXPECT_EQ(changes, 4);
  LOGFONTW logical = {};
  ASSERT_EQ(GetObjectW(font.Handle(), sizeof logical, &logical), int(sizeof logical));
  EXPECT_EQ(logical.lfHeight, -30);
  EXPECT_TRUE(logical.lfItalic);
  EXPECT_TRUE(logical.lfUnderline);
  EXPECT_EQ(std::wstring(logical.lfFaceName), L"Arial");

  TFont copy;
  int copy_changes = 0;
  copy.OnChange = [&](TObject*) { ++copy_changes; };
  copy.Assign(&font);
  EXPECT_EQ(copy_changes, 1);
  EXPECT_TRUE(copy.Name() == L"Arial");
  EXPECT_EQ(copy.Height(), -30);
  EXPECT_EQ(copy.Style(), fsItalic | fsUnderline);
  EXPECT_EQ(copy.Color(), clRed);

  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  copy.SetSize(12);
  EXPECT_EQ(copy.Height(), -MulDiv(12, dpi, 72));
  EXPECT_EQ(copy.Size(), 12);
}

struct CanvasFixture {
  TBitmap bitmap{8, 8};
  Events events;
  CanvasFixture() {
    bitmap.Canvas().OnChanging = [this](TObject*) { events.push_back("changing"); };
    bitmap.Canvas().OnChange = [this](TObject*) { events.push_back("change"); };
  }
};

TEST(Canvas, EveryDrawingCallIsOneChangeAndLeavesNoToolSelected) {
  CanvasFixture fixture;
  TCanvas& canvas = fixture.bitmap.Canvas();
  HDC dc = canvas.Handle();
  HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN);
  HGDIOBJ brush = GetCurrentObject(dc, OBJ_BRUSH);
  HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT);
  TBitmap other(2, 2);
  const std::pair<const char*, std::function<void()>> calls[] = {
      {"FillRect", [&] { canvas.FillRect(RECT{0, 0, 2, 2}); }},
      {"Rectangle", [&] { canvas.Rectangle(0, 0, 4, 4); }},
      {"LineTo", [&] { canvas.LineTo(5, 5); }},
      {"TextOut", [&] { canvas.TextOut(0, 0, L"x"); }},
      {"SetPixel", [&] { canvas.SetPixel(1, 1, clRed); }},
      {"Draw", [&] { canvas.Draw(1, 1, other); }},
      {"StretchDraw", [&] { canvas.StretchDraw(RECT{0, 0, 8, 8}, other); }},
      {"CopyRect", [&] { canvas.CopyRect(RECT{0, 0, 2, 2}, other.Canvas(), RECT{0, 0, 2, 2}); }},
  };
  for (const auto& call : calls) {
    fixture.events.clear();
    call.second();
    EXPECT_EQ(fixture.events, (Events{"changing", "change"})) << call.first;
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen) << call.first;
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush) << call.first;
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font) << call.first;
  }
  fixture.events.clear();
  canvas.MoveTo(3, 3);
  TBitmap empty;
  canvas.Draw(0, 0, empty);
  EXPECT_EQ(fixture.events, Events{}) << "moving the pen or drawing nothing changes nothing";
}

TEST(GuiBitmap, FormatAndSizeChangesKeepTheSharedArea) {
  TBitmap bitmap(4, 3);
  EXPECT_EQ(bitmap.HandleType(), TBitmapHandleType::bmDDB);
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pfDevice);
  SetPixelV(bitmap.Canvas().Handle(), 3, 2, RGB(10, 20, 30));
  bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  EXPECT_EQ(bitmap.HandleType(), TBitmapHandleType::bmDIB);
  DIBSECTION section = {};
  ASSERT_EQ(GetObject(bitmap.Handle(), sizeof section, &section), int(sizeof section));
  EXPECT_EQ(section.dsBm.bmBitsPixel, 24);
  EXPECT_EQ(GetPixel(bitmap.Canvas().Handle(), 3, 2), RGB(10, 20, 30));
  bitmap.SetHandleType(TBitmapHandleType::bmDDB);
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pfDevice);
  bitmap.SetHandleType(TBitmapHandleType::bmDIB);
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf32bit);
  bitmap.SetSize(10, 10);
  EXPECT_EQ(GetPixel(bitmap.Canvas().Handle(), 3, 2), RGB(10, 20, 30));
  EXPECT_EQ(GetPixel(bitmap.Canvas().Handle(), 9, 9), RGB(0, 0, 0));
  bitmap.SetHeight(0);
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(bitmap.Width(), 10);
  EXPECT_EQ(bitmap.Height(), 0);
}

TEST(GuiBitmap, TransparentColourIsTheBottomLeftPixelUnlessFixed) {
  TBitmap bitmap(3, 3);
  SetPixelV(bitmap.Canvas().Handle(), 0, 2, RGB(1, 2, 3));
  EXPECT_EQ(bitmap.TransparentColor(), TColor(RGB(1, 2, 3)));
  bitmap.SetTransparentColor(clLime);
  EXPECT_EQ(bitmap.TransparentMode(), TTransparentMode::tmFixed);
  EXPECT_EQ(bitmap.TransparentColor(), clLime);
}

TEST(GuiBitmap, SavesABmpFileWithPaddedRows) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  bitmap.SetSize(5, 3);
  SetPixelV(bitmap.Canvas().Handle(), 4, 0, RGB(200, 100, 50));
  TMemoryStream stream;
  bitmap.SaveToStream(stream);
  const std::vector<uint8_t>& bytes = stream.Bytes();
  ASSERT_EQ(bytes.size(), 14u + 40u + 16u * 3u);  // 15 bytes a row, padded to 16
  const BITMAPFILEHEADER* file = reinterpret_cast<const BITMAPFILEHEADER*>(bytes.data());
  EXPECT_EQ(file->bfSize, bytes.size());
  EXPECT_EQ(file->bfOffBits, 54u);
  const BITMAPINFOHEADER* info = reinterpret_cast<const BITMAPINFOHEADER*>(bytes.data() + 14);
  EXPECT_EQ(info->biBitCount, 24);
  EXPECT_EQ(info->biHeight, 3) << "bottom-up rows";
  // The top row is the last in the file; pixel 4 of it starts at byte 12: blue, green, red.
  const uint8_t* top_row = bytes.data() + 54 + 2 * 16;
  EXPECT_EQ(top_row[12], 50);
  EXPECT_EQ(top_row[13], 100);
  EXPECT_EQ(top_row[14], 200);
}

TEST(IconAndMetafile, SizesAndPictureBitmap) {
  TIcon icon;
  icon.SetHandle(CopyIcon(LoadIcon(nullptr, IDI_APPLICATION)));
  EXPECT_FALSE(icon.Empty());
  EXPECT_EQ(icon.Width(), GetSystemMetrics(SM_CXICON));
  EXPECT_EQ(icon.Height(), GetSystemMetrics(SM_CYICON));

  HDC screen = GetDC(nullptr);
  int pixels_x = GetDeviceCaps(screen, HORZRES), mm_x = GetDeviceCaps(screen, HORZSIZE);
  ReleaseDC(nullptr, screen);
  // A frame of 100 pixels in 0.01 mm.
  RECT frame = {0, 0, MulDiv(100, mm_x * 100, pixels_x), 1000};
  HDC recorder = CreateEnhMetaFileW(nullptr, nullptr, &frame, nullptr);
  Rectangle(recorder, 0, 0, 10, 10);
  TMetafile metafile;
  metafile.SetHandle(CloseEnhMetaFile(recorder));
  EXPECT_NEAR(metafile.Width(), 100, 1);

  TPicture picture;
  EXPECT_EQ(picture.Width(), 0);
  picture.SetGraphic(std::make_unique<TIcon>());
  TBitmap& bitmap = picture.Bitmap();
  EXPECT_EQ(picture.Graphic(), &bitmap) << "the picture made a bitmap in the icon's place";
  bitmap.SetSize(6, 2);
  EXPECT_EQ(&picture.Bitmap(), &bitmap);
  EXPECT_EQ(picture.Width(), 6);
}

TEST(Colours, SystemColoursAreLookedUp) {
  EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(ColorToRGB(clRed), RGB(255, 0, 0));
}

}  // namespace
}  // namespace classlib
