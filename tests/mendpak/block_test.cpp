// Where a block ends: DecodePatchBlock must leave the source directly after the block's
// last byte, with and without an end marker, so the next block starts right there. And the
// dictionary it reserves: what the block's matches need, not what its header states.
#include <gtest/gtest.h>
#include <lzma.h>

#include "mendpak/PatchBlock.h"
#include "tests/mendpak/patch_helpers.h"

namespace mendpak_test {
namespace {

// A dictionary that a 32-bit process can reserve at any time.
constexpr uint32_t kAlwaysReservable = 64u << 20;

struct Decoded {
  mendpak::BlockResult result;
  std::string output;
  int64_t end;  // where the source stood afterwards, from the block's first byte
  uint32_t largest_dictionary;
  int32_t capacity;
};

// Decodes `block` with other bytes before and after it.
Decoded DecodeBlock(const std::string& block,
                    uint32_t first_dictionary = mendpak::BlockDecoder::kFirstDictionary) {
  systest::TempDir dir;
  std::wstring path = dir.File(L"blocks.dat");
  patchwriter::WriteFileBytes(path, "xyz" + block + "NEXT-BLOCK");
  mendpak::TFileStream source(std::string(path.begin(), path.end()),
                              mendpak::fmOpenRead | mendpak::fmShareDenyNone);
  source.SetPosition(3);
  mendpak::TMemoryStream output;
  mendpak::BlockDecoder decoder(first_dictionary);
  Decoded decoded;
  decoded.result = decoder.Decode(source, output);
  decoded.output.assign(static_cast<const char*>(output.Memory()), size_t(output.Size()));
  decoded.end = source.Position() - 3;
  decoded.largest_dictionary = decoder.largest_dictionary();
  decoded.capacity = output.Capacity();
  return decoded;
}

struct BlockCase {
  const char* name;
  size_t stream_bytes;
  bool end_marker;
  std::optional<uint32_t> unpacked_size;  // default: the writer's
  bool compressible;
  uint32_t dictionary_size = 8u << 20;
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
      {"largest dictionary, marker inside 2^31", 5000, true, 0x80000000u, true, 0x7FFFFFFF},
      {"largest dictionary, marker inside 2^32 - 1", 30000, true, 0xFFFFFFFFu, false, 0x7FFFFFFF},
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
    options.dictionary_size = row.dictionary_size;
    std::string block = patchwriter::EncodeBlock(stream, options);
    Decoded decoded = DecodeBlock(block);
    ASSERT_EQ(decoded.result, mendpak::BlockResult::Decoded);
    EXPECT_EQ(decoded.end, int64_t(block.size()));
    EXPECT_TRUE(SameBytes(decoded.output, stream));
    EXPECT_LE(decoded.capacity, int32_t(2 * stream.size() + 8192)) << "grows with the output";
    EXPECT_LE(decoded.largest_dictionary, kAlwaysReservable) << "reserves what the block needs";
  }
}

// Blocks whose matches reach back further than the dictionary they are first decoded with:
// they decode as with the whole stated dictionary, bit for bit and to the same end, and a
// match beyond the stated dictionary still fails.
TEST(DecodePatchBlock, MatchesBeyondTheFirstDictionary) {
  std::mt19937 rng(34);
  // Random bytes match only by chance, at any distance; the repeat of the first 100000
  // bytes reaches 300000 bytes back.
  std::string repeated = RandomBytes(rng, 100000);
  const std::string stream = repeated + RandomBytes(rng, 200000) + repeated;
  struct Row {
    const char* name;
    uint32_t first_dictionary;
    uint32_t stated_dictionary;
    bool end_marker;
    std::optional<uint32_t> unpacked_size;
    bool decodes;
  };
  const Row rows[] = {
      {"first 4096, grown many times", 4096, 1u << 20, false, std::nullopt, true},
      {"first 64 KiB", 65536, 1u << 20, false, std::nullopt, true},
      {"first 64 KiB, end marker", 65536, 1u << 20, true, std::nullopt, true},
      {"end marker inside 2^32 - 1, largest dictionary", 65536, 0x7FFFFFFF, true, 0xFFFFFFFFu,
       true},
      {"stated dictionary just reaches the repeat", 65536, 300000, false, std::nullopt, true},
      {"stated dictionary 16 bytes short of it", 65536, 299984, false, std::nullopt, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    patchwriter::BlockOptions options;
    options.dictionary_size = 1u << 20;
    options.end_marker = row.end_marker;
    options.unpacked_size = row.unpacked_size;
    std::string block = patchwriter::EncodeBlock(stream, options);
    for (int i = 0; i < 4; ++i) block[1 + i] = char(row.stated_dictionary >> (8 * i));
    Decoded decoded = DecodeBlock(block, row.first_dictionary);
    EXPECT_GT(decoded.largest_dictionary, row.first_dictionary) << "decoded again with more";
    EXPECT_LE(decoded.largest_dictionary, row.stated_dictionary);
    if (!row.decodes) {
      EXPECT_EQ(decoded.result, mendpak::BlockResult::Failed);
      continue;
    }
    ASSERT_EQ(decoded.result, mendpak::BlockResult::Decoded);
    EXPECT_EQ(decoded.end, int64_t(block.size()));
    EXPECT_TRUE(SameBytes(decoded.output, stream));
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

// The ways the build's liblzma offers to decode LZMA1 data with given properties: raw, raw
// with a known size, the .lzma format and the format-detecting decoder. (Its lzip decoder
// knows lc 3, lp 0, pb 2 alone; it is built without the MicroLZMA decoder.)
enum class LibraryMode { Raw, RawKnownSize, Alone, Auto };

// Decodes `lzma`, a block's LZMA data of `size` bytes of output, in one of the library's
// ways; `status` receives the library's last answer. Empty when it does not decode.
std::string LibraryDecode(LibraryMode mode, uint8_t properties, uint32_t dictionary,
                          const std::string& block_lzma, size_t size, lzma_ret& status) {
  std::string lzma = block_lzma;
  lzma_options_lzma options = {};
  options.lc = properties % 9;
  options.lp = properties / 9 % 5;
  options.pb = properties / 45;
  options.dict_size = dictionary;
  lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  std::string alone_header(1, char(properties));
  for (int i = 0; i < 4; ++i) alone_header.push_back(char(dictionary >> (8 * i)));
  for (int i = 0; i < 8; ++i) alone_header.push_back(char(uint64_t(size) >> (8 * i)));
  lzma_stream stream = LZMA_STREAM_INIT;
  switch (mode) {
    case LibraryMode::Raw:
      status = lzma_raw_decoder(&stream, filters);
      break;
    case LibraryMode::RawKnownSize:
      filters[0].id = LZMA_FILTER_LZMA1EXT;
      lzma_set_ext_size(options, size);
      status = lzma_raw_decoder(&stream, filters);
      break;
    case LibraryMode::Alone:
      lzma = alone_header + lzma;
      status = lzma_alone_decoder(&stream, UINT64_MAX);
      break;
    case LibraryMode::Auto:
      lzma = alone_header + lzma;
      status = lzma_auto_decoder(&stream, UINT64_MAX, 0);
      break;
  }
  std::string output(size, '\0');
  if (status == LZMA_OK) {
    stream.next_in = reinterpret_cast<const uint8_t*>(lzma.data());
    stream.avail_in = lzma.size();
    stream.next_out = reinterpret_cast<uint8_t*>(&output[0]);
    stream.avail_out = size;
    status = lzma_code(&stream, LZMA_FINISH);
  }
  bool decoded = (status == LZMA_OK || status == LZMA_STREAM_END) && stream.avail_out == 0;
  lzma_end(&stream);
  return decoded ? output : std::string();
}

// liblzma refuses LZMA1 data whose lc + lp exceed 4 in every way it has to decode it, while
// the same records coded with lc + lp of 4 decode in each: no block with such properties
// can be decoded by the installer.
TEST(DecoderLibrary, RefusesLcAndLpAboveFourInEveryMode) {
  std::mt19937 rng(26);
  std::string stream = RandomBytes(rng, 3000);
  struct Row {
    uint32_t lc, lp, pb;
    bool decodes;
  };
  const Row rows[] = {{3, 1, 2, true}, {0, 4, 0, true}, {4, 1, 2, false}, {8, 0, 0, false},
                      {5, 0, 2, false}, {1, 4, 4, false}};
  const std::pair<LibraryMode, const char*> modes[] = {
      {LibraryMode::Raw, "raw"},
      {LibraryMode::RawKnownSize, "raw, known size"},
      {LibraryMode::Alone, ".lzma"},
      {LibraryMode::Auto, "detecting the format"}};
  for (const Row& row : rows) {
    patchwriter::BlockOptions options;
    options.properties = uint8_t((row.pb * 5 + row.lp) * 9 + row.lc);
    options.literals_only = true;
    std::string lzma = patchwriter::EncodeBlock(stream, options).substr(9);
    for (const auto& mode : modes) {
      SCOPED_TRACE("lc " + std::to_string(row.lc) + ", lp " + std::to_string(row.lp) +
                   ", pb " + std::to_string(row.pb) + ", " + mode.second);
      lzma_ret status = LZMA_OK;
      std::string output =
          LibraryDecode(mode.first, options.properties, 1u << 20, lzma, stream.size(), status);
      EXPECT_EQ(output == stream, row.decodes) << "the library's answer: " << int(status);
      if (!row.decodes) {
        EXPECT_NE(status, LZMA_OK);
      }
    }
  }
}

}  // namespace
}  // namespace mendpak_test
