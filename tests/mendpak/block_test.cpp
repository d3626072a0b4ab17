// Where a block ends: DecodePatchBlock must leave the source directly after the block's
// last byte, with and without an end marker, so the next block starts right there.
#include <gtest/gtest.h>

#include "tests/mendpak/patch_helpers.h"

namespace mendpak_test {
namespace {

struct BlockCase {
  const char* name;
  size_t stream_bytes;
  bool end_marker;
  std::optional<uint32_t> unpacked_size;  // default: the writer's
  bool compressible;
};

TEST(DecodePatchBlock, LeavesTheSourceAtTheBlockEnd) {
  const BlockCase cases[] = {
      {"empty", 0, false, std::nullopt, false},
      {"one byte", 1, false, std::nullopt, false},
      {"random 100 KiB", 100000, false, std::nullopt, false},
      {"compressible 300 KiB", 300000, false, std::nullopt, true},
      {"one byte, marker", 1, true, std::nullopt, false},
      {"random 100 KiB, marker", 100000, true, std::nullopt, false},
      {"compressible, marker well inside the size", 300000, true, 400000u, true},
      {"marker inside the largest stated size", 5000, true, 0x7FFFFFFFu, true},
      {"marker inside a stated size of 2^32 - 1", 5000, true, 0xFFFFFFFFu, true},
  };
  std::mt19937 rng(21);
  for (const BlockCase& row : cases) {
    SCOPED_TRACE(row.name);
    std::string stream;
    if (row.compressible) {
      while (stream.size() < row.stream_bytes) stream += "abcabd" + std::to_string(rng() % 50);
      stream.resize(row.stream_bytes);
    } else {
      stream = RandomBytes(rng, row.stream_bytes);
    }
    patchwriter::BlockOptions options;
    options.end_marker = row.end_marker;
    options.unpacked_size = row.unpacked_size;
    std::string block = patchwriter::EncodeBlock(stream, options);
    const std::string next = "NEXT-BLOCK";
    systest::TempDir dir;
    std::wstring path = dir.File(L"blocks.dat");
    patchwriter::WriteFileBytes(path, "xyz" + block + next);
    mendpak::TFileStream source(std::string(path.begin(), path.end()),
                                mendpak::fmOpenRead | mendpak::fmShareDenyNone);
    source.SetPosition(3);
    mendpak::TMemoryStream output;
    ASSERT_TRUE(mendpak::DecodePatchBlock(source, output));
    EXPECT_EQ(source.Position(), int64_t(3 + block.size()));
    std::string decoded(static_cast<const char*>(output.Memory()), size_t(output.Size()));
    EXPECT_TRUE(SameBytes(decoded, stream));
    EXPECT_LE(output.Capacity(), int32_t(2 * stream.size() + 8192)) << "grows with the output";
  }
}

TEST(DecodePatchBlock, FewerThanFiveBytesIsNoBlock) {
  for (size_t left = 0; left < 5; ++left) {
    systest::TempDir dir;
    std::wstring path = dir.File(L"short.dat");
    patchwriter::WriteFileBytes(path, std::string(left, '\x5D'));
    mendpak::TFileStream source(std::string(path.begin(), path.end()),
                                mendpak::fmOpenRead | mendpak::fmShareDenyNone);
    mendpak::TMemoryStream output;
    EXPECT_FALSE(mendpak::DecodePatchBlock(source, output)) << left << " bytes";
    EXPECT_EQ(source.Position(), int64_t(left)) << left << " bytes consumed";
  }
}

TEST(DecodePatchBlock, RejectedPropertiesReadNoFurther) {
  struct Row {
    std::string head;
  };
  const Row rows[] = {{std::string("\xE1\x00\x00\x80\x00", 5)},
                      {std::string("\x5D\x00\x00\x00\x80", 5)}};
  for (const Row& row : rows) {
    systest::TempDir dir;
    std::wstring path = dir.File(L"bad.dat");
    patchwriter::WriteFileBytes(path, row.head + std::string(20, '\0'));
    mendpak::TFileStream source(std::string(path.begin(), path.end()),
                                mendpak::fmOpenRead | mendpak::fmShareDenyNone);
    mendpak::TMemoryStream output;
    EXPECT_FALSE(mendpak::DecodePatchBlock(source, output));
    EXPECT_EQ(source.Position(), 5) << "properties byte " << int(uint8_t(row.head[0]));
  }
}

// Damage in a block's last bytes: the range decoder does not end clean at the stated size,
// or the stated size ends inside the last match. Either is a failed block, not a short one.
TEST(DecodePatchBlock, DamagedEndsFail) {
  std::string stream;
  while (stream.size() < 20000) stream += "abcabd" + std::to_string(stream.size() % 97);
  std::string block = patchwriter::EncodeBlock(stream);
  struct Row {
    const char* name;
    std::string block;
  };
  std::string last_byte_changed = block;
  last_byte_changed.back() = char(last_byte_changed.back() ^ 0x01);
  std::string size_one_short = block;
  uint32_t short_size = uint32_t(stream.size() - 1);
  for (int i = 0; i < 4; ++i) size_one_short[5 + i] = char(short_size >> (8 * i));
  const Row rows[] = {{"last byte changed", last_byte_changed},
                      {"stated size one short", size_one_short}};
  for (const Row& row : rows) {
    systest::TempDir dir;
    std::wstring path = dir.File(L"block.dat");
    patchwriter::WriteFileBytes(path, row.block);
    mendpak::TFileStream source(std::string(path.begin(), path.end()),
                                mendpak::fmOpenRead | mendpak::fmShareDenyNone);
    mendpak::TMemoryStream output;
    EXPECT_FALSE(mendpak::DecodePatchBlock(source, output)) << row.name;
  }
}

}  // namespace
}  // namespace mendpak_test
