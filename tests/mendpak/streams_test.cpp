// The stream rules the installer relies on: memory-stream growth, reads at and past the
// end, seek bridges and their range checks, file streams and their open modes.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "tools/systest/systest.h"
#include "mendpak/uClass.h"

namespace mendpak {
namespace {

std::string Ansi(const std::wstring& path) { return std::string(path.begin(), path.end()); }

TEST(MemoryStream, GrowsInSteps) {
  struct Row {
    int32_t bytes;
    int32_t capacity;
  };
  const Row rows[] = {{1, 8192}, {8192, 8192}, {8193, 16384}, {20000, 24576}};
  for (const Row& row : rows) {
    TMemoryStream stream;
    std::string bytes(size_t(row.bytes), 'x');
    EXPECT_EQ(stream.Write(bytes.data(), row.bytes), row.bytes) << "bytes " << row.bytes;
    EXPECT_EQ(stream.Size(), row.bytes) << "bytes " << row.bytes;
    EXPECT_EQ(stream.Capacity(), row.capacity) << "bytes " << row.bytes;
    EXPECT_EQ(stream.Position(), row.bytes) << "bytes " << row.bytes;
  }
}

TEST(MemoryStream, ByteByByteGrowthKeepsContent) {
  TMemoryStream stream;
  for (int i = 0; i < 20000; ++i) {
    uint8_t value = uint8_t(i * 7);
    ASSERT_EQ(stream.Write(&value, 1), 1);
  }
  EXPECT_EQ(stream.Capacity(), 24576);
  const uint8_t* memory = static_cast<const uint8_t*>(stream.Memory());
  for (int i = 0; i < 20000; ++i) ASSERT_EQ(memory[i], uint8_t(i * 7)) << "byte " << i;
}

TEST(MemoryStream, ClearReleasesTheBlock) {
  TMemoryStream stream;
  stream.Write("abc", 3);
  stream.Clear();
  EXPECT_EQ(stream.Capacity(), 0);
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(stream.Position(), 0);
  EXPECT_EQ(stream.Memory(), nullptr);
}

TEST(MemoryStream, ReadsAtAndPastTheEnd) {
  TMemoryStream stream;
  stream.Write("0123456789", 10);
  char buffer[16] = {};
  EXPECT_EQ(stream.Read(buffer, 4), 0) << "at the end";
  EXPECT_EQ(stream.Position(), 10);
  stream.SetPosition(6);
  EXPECT_EQ(stream.Read(buffer, 10), 4) << "4 left";
  EXPECT_EQ(std::string(buffer, 4), "6789");
  EXPECT_EQ(stream.Position(), 10);
  stream.SetPosition(50);
  EXPECT_EQ(stream.Read(buffer, 1), 0) << "beyond the size";
  EXPECT_EQ(stream.Position(), 50);
  stream.SetPosition(-3);
  EXPECT_EQ(stream.Read(buffer, 1), 0) << "below 0";
  EXPECT_EQ(stream.Write("x", 1), 0) << "below 0";
  stream.SetPosition(2);
  EXPECT_EQ(stream.Read(buffer, 3), 3) << "moved back";
  EXPECT_EQ(std::string(buffer, 3), "234");
}

TEST(MemoryStream, WriteBeyondTheSizeExtendsIt) {
  TMemoryStream stream;
  stream.Write("ab", 2);
  stream.SetPosition(100);
  EXPECT_EQ(stream.Write("z", 1), 1);
  EXPECT_EQ(stream.Size(), 101);
  EXPECT_EQ(static_cast<const char*>(stream.Memory())[100], 'z');
}

TEST(MemoryStream, SeekOrigins) {
  TMemoryStream stream;
  stream.Write("0123456789", 10);
  EXPECT_EQ(stream.Seek32(3, soFromBeginning), 3);
  EXPECT_EQ(stream.Seek32(4, soFromCurrent), 7);
  EXPECT_EQ(stream.Seek32(-2, soFromEnd), 8);
  EXPECT_EQ(stream.Seek64(-20, soFromCurrent), -12) << "no range check within 32 bits";
  EXPECT_EQ(stream.Seek64(5, soFromBeginning), 5) << "64-bit bridge";
}

TEST(MemoryStream, SixtyFourBitSeekOutsideThirtyTwoBitsRaises) {
  TMemoryStream stream;
  EXPECT_THROW(stream.Seek64(int64_t(INT32_MAX) + 1, soFromBeginning), EStreamError);
  EXPECT_THROW(stream.Seek64(int64_t(INT32_MIN) - 1, soFromBeginning), EStreamError);
  EXPECT_THROW(stream.SetSize64(int64_t(1) << 31), EStreamError);
}

TEST(MemoryStream, GetSizeKeepsThePosition) {
  TMemoryStream stream;
  stream.Write("0123456789", 10);
  stream.SetPosition(4);
  EXPECT_EQ(stream.Size(), 10);
  EXPECT_EQ(stream.Position(), 4);
}

TEST(MemoryStream, SetSizeMovesAPositionPastTheNewEnd) {
  struct Row {
    int32_t position, new_size, expected_position;
  };
  const Row rows[] = {{9, 5, 5}, {3, 5, 3}, {3, 20000, 3}};
  for (const Row& row : rows) {
    TMemoryStream stream;
    stream.Write("0123456789", 10);
    stream.SetPosition(row.position);
    stream.SetSize32(row.new_size);
    EXPECT_EQ(stream.Size(), row.new_size) << "new size " << row.new_size;
    EXPECT_EQ(stream.Position(), row.expected_position) << "new size " << row.new_size;
    EXPECT_GE(stream.Capacity(), row.new_size);
  }
}

TEST(MemoryStream, CapacityIsNotRoundedWhenItEqualsTheSize) {
  TMemoryStream stream;
  stream.Write("0123456789", 10);
  stream.SetCapacity(10);
  EXPECT_EQ(stream.Capacity(), 10);
  stream.SetCapacity(11);
  EXPECT_EQ(stream.Capacity(), 8192);
}

TEST(MemoryStream, AnImpossibleCapacityRaises) {
  TMemoryStream stream;
  EXPECT_THROW(stream.SetCapacity(INT32_MAX), EStreamError) << "rounding would overflow";
  stream.SetPosition(INT32_MAX);
  EXPECT_THROW(stream.Write("ab", 2), EStreamError) << "end past 2^31 - 1";
}

// A stream that gives a body to neither seek.
class SeeklessStream : public TStream {};

TEST(Stream, NeitherSeekRaises) {
  SeeklessStream stream;
  EXPECT_THROW(stream.Seek64(0, soFromBeginning), EStreamError);
  EXPECT_THROW(stream.Seek32(0, soFromBeginning), EStreamError);
  char byte;
  EXPECT_THROW(stream.Read(&byte, 1), EStreamError);
  EXPECT_THROW(stream.Write(&byte, 1), EStreamError);
}

class FileStreamTest : public ::testing::Test {
 protected:
  std::string Path(const wchar_t* name) { return Ansi(dir_.File(name)); }
  systest::TempDir dir_;
};

TEST_F(FileStreamTest, CreateWriteReadAndSize) {
  std::string path = Path(L"a.bin");
  {
    TFileStream stream(path, fmCreate);
    EXPECT_EQ(stream.Write("hello world", 11), 11);
    EXPECT_EQ(stream.FileName(), path);
  }
  TFileStream stream(path, fmOpenRead | fmShareDenyNone);
  stream.SetPosition(6);
  EXPECT_EQ(stream.Size(), 11);
  EXPECT_EQ(stream.Position(), 6) << "GetSize keeps the position";
  char buffer[16] = {};
  EXPECT_EQ(stream.Read(buffer, 16), 5);
  EXPECT_EQ(std::string(buffer, 5), "world");
  EXPECT_EQ(stream.Read(buffer, 16), 0) << "at the end";
  EXPECT_EQ(stream.Write("x", 1), 0) << "a failed write counts 0 and does not raise";
}

TEST_F(FileStreamTest, OpenFailuresRaise) {
  EXPECT_THROW(TFileStream(Path(L"missing.bin"), fmOpenRead), EStreamError);
  std::string path = Path(L"b.bin");
  { TFileStream created(path, fmCreate); }
  EXPECT_THROW(TFileStream(path, 3), EStreamError) << "access bits 3";
  EXPECT_THROW(TFileStream(path, 0x50), EStreamError) << "sharing nibble above 0x40";
  TFileStream exclusive(path, fmOpenReadWrite | fmShareExclusive);
  EXPECT_THROW(TFileStream(path, fmOpenRead | fmShareDenyNone), EStreamError)
      << "sharing conflict";
}

TEST_F(FileStreamTest, SharedReadersCoexist) {
  std::string path = Path(L"c.bin");
  { TFileStream created(path, fmCreate); }
  TFileStream first(path, fmOpenRead | fmShareDenyNone);
  EXPECT_NO_THROW(TFileStream(path, fmOpenRead | fmShareDenyNone));
}

TEST_F(FileStreamTest, SixtyFourBitSizeAndSeek) {
  std::string path = Path(L"d.bin");
  TFileStream stream(path, fmCreate);
  const int64_t five_gib = int64_t(5) << 30;
  stream.SetSize64(five_gib + 3);
  EXPECT_EQ(stream.Size(), five_gib + 3);
  EXPECT_EQ(stream.Seek64(five_gib, soFromBeginning), five_gib);
  EXPECT_EQ(stream.Write("xyz", 3), 3);
  EXPECT_EQ(stream.Seek64(-3, soFromEnd), five_gib);
  char buffer[3] = {};
  EXPECT_EQ(stream.Read(buffer, 3), 3);
  EXPECT_EQ(std::string(buffer, 3), "xyz");
  stream.SetSize32(7);
  EXPECT_EQ(stream.Size(), 7) << "truncated";
}

TEST_F(FileStreamTest, PositionWithLowPartAllOnes) {
  std::string path = Path(L"e.bin");
  TFileStream stream(path, fmCreate);
  const int64_t position = int64_t(0x1FFFFFFFF);
  EXPECT_EQ(stream.Seek64(position, soFromBeginning), position);
  EXPECT_EQ(stream.Position(), position);
}

}  // namespace
}  // namespace mendpak
