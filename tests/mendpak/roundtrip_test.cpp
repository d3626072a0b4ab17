// Bit-exact round trips: patches made by the writer from generated old/new pairs, applied
// and (with the unpatched bytes) restored, in every combination of the writer's options.
#include <gtest/gtest.h>

#include <functional>

#include "tests/mendpak/patch_helpers.h"

namespace mendpak_test {
namespace {

struct FilePair {
  std::string old_file, new_file;
};

struct PairCase {
  const char* name;
  std::function<FilePair(std::mt19937&)> make;
};

std::string Changed(std::string bytes, size_t at) {
  bytes[at] = char(bytes[at] ^ 0x5A);
  return bytes;
}

const PairCase kPairs[] = {
    {"empty to empty", [](std::mt19937&) { return FilePair{"", ""}; }},
    {"empty to 1000", [](std::mt19937& rng) { return FilePair{"", RandomBytes(rng, 1000)}; }},
    {"1000 to empty", [](std::mt19937& rng) { return FilePair{RandomBytes(rng, 1000), ""}; }},
    {"identical", [](std::mt19937& rng) {
       std::string same = RandomBytes(rng, 10000);
       return FilePair{same, same};
     }},
    {"first byte", [](std::mt19937& rng) {
       std::string old_file = RandomBytes(rng, 65536);
       return FilePair{old_file, Changed(old_file, 0)};
     }},
    {"last byte", [](std::mt19937& rng) {
       std::string old_file = RandomBytes(rng, 65536);
       return FilePair{old_file, Changed(old_file, old_file.size() - 1)};
     }},
    {"grown by zeros", [](std::mt19937& rng) {
       std::string old_file = RandomBytes(rng, 5000);
       return FilePair{old_file, old_file + std::string(3000, '\0')};
     }},
    {"grown with changes", [](std::mt19937& rng) {
       std::string old_file = RandomBytes(rng, 100000);
       std::string new_file = WithChangedRuns(rng, old_file, 50, 40) + RandomBytes(rng, 50000);
       return FilePair{old_file, new_file};
     }},
    {"shrunk with changes", [](std::mt19937& rng) {
       std::string old_file = RandomBytes(rng, 150000);
       return FilePair{old_file, WithChangedRuns(rng, old_file.substr(0, 99999), 50, 40)};
     }},
    {"long run split at the largest count", [](std::mt19937& rng) {
       std::string old_file = RandomBytes(rng, 200000);
       std::string new_file = old_file;
       for (size_t at = 1000; at < 101000; ++at) new_file[at] = char(~new_file[at]);
       return FilePair{old_file, new_file};
     }},
    {"several MiB, 1 % changed", [](std::mt19937& rng) {
       std::string old_file = RandomBytes(rng, 3u << 20);
       return FilePair{old_file, WithChangedRuns(rng, old_file, 5000, 12)};
     }},
    {"text-like, compressible", [](std::mt19937& rng) {
       std::string old_file;
       while (old_file.size() < 400000) old_file += "line " + std::to_string(rng() % 1000) + "\n";
       return FilePair{old_file, WithChangedRuns(rng, old_file, 300, 30)};
     }},
};

struct WriterOptions {
  bool with_old;
  bool end_marker;
  size_t block_stream_bytes;
};

const WriterOptions kOptions[] = {
    {false, false, 1u << 20}, {false, true, 1u << 20}, {true, false, 1u << 20},
    {true, true, 1u << 20},   {false, false, 4096},    {true, true, 4096},
    {true, false, 700},       {false, true, 333},
};

std::string Describe(const PairCase& pair, const WriterOptions& options) {
  return std::string(pair.name) + (options.with_old ? ", old bytes" : "") +
         (options.end_marker ? ", end marker" : "") + ", blocks of " +
         std::to_string(options.block_stream_bytes);
}

// Kept: the write pass takes the records the check pass decoded; decoded again: it decodes
// the blocks a second time, as for patches too large to keep.
class RoundTrip : public ::testing::TestWithParam<int64_t> {
 protected:
  void SetUp() override { mendpak::SetKeptRecordsLimit(GetParam()); }
  void TearDown() override { mendpak::SetKeptRecordsLimit(16 << 20); }
};

INSTANTIATE_TEST_SUITE_P(RecordsKept, RoundTrip, ::testing::Values(int64_t(16) << 20, 5000, 0));

TEST_P(RoundTrip, ApplyGivesTheNewFileAndRestoreTheOld) {
  for (const PairCase& pair : kPairs) {
    std::mt19937 rng(12345);
    FilePair files = pair.make(rng);
    for (const WriterOptions& options : kOptions) {
      SCOPED_TRACE(Describe(pair, options));
      patchwriter::PatchOptions writer;
      writer.with_old = options.with_old;
      writer.block.end_marker = options.end_marker;
      writer.block_stream_bytes = options.block_stream_bytes;
      std::string data = patchwriter::MakePatch(files.old_file, files.new_file, writer);
      systest::TempDir dir;
      ApplyRequest request;
      request.data = data;
      request.flags_position = FlagsPosition(writer.header);
      request.target = files.old_file;
      ApplyOutcome applied = RunApply(dir, request);
      EXPECT_TRUE(applied.result);
      EXPECT_TRUE(SameBytes(applied.target, files.new_file)) << "apply";
      EXPECT_EQ(applied.data_position, int64_t(data.size())) << "data read to its end";

      request.target = files.new_file;
      request.restore = true;
      ApplyOutcome restored = RunApply(dir, request);
      EXPECT_TRUE(restored.result);
      // Without the unpatched bytes a restore request is ignored: the patched file again.
      const std::string& expected = options.with_old ? files.old_file : files.new_file;
      EXPECT_TRUE(SameBytes(restored.target, expected)) << "restore";
    }
  }
}

TEST_P(RoundTrip, ApplyingTwiceEqualsApplyingOnce) {
  std::mt19937 rng(99);
  std::string old_file = RandomBytes(rng, 50000);
  std::string new_file = WithChangedRuns(rng, old_file, 100, 20) + "tail";
  patchwriter::PatchOptions writer;
  writer.with_old = true;
  std::string data = patchwriter::MakePatch(old_file, new_file, writer);
  systest::TempDir dir;
  ApplyRequest request;
  request.data = data;
  request.flags_position = FlagsPosition(writer.header);
  request.target = old_file;
  ApplyOutcome once = RunApply(dir, request);
  request.target = once.target;
  ApplyOutcome twice = RunApply(dir, request);
  EXPECT_TRUE(once.result);
  EXPECT_TRUE(twice.result);
  EXPECT_TRUE(SameBytes(twice.target, new_file));
}

TEST_P(RoundTrip, OtherCoderPropertiesAndSmallDictionaries) {
  struct Row {
    uint8_t properties;
    uint32_t dictionary;
    bool literals_only;  // coded by the writer's own literal coder
  };
  // (pb * 5 + lp) * 9 + lc: lc 0..4, lp 0..4 with lc + lp <= 4, pb 0..4.
  const Row rows[] = {{0, 4096, false},          {18, 65536, false},
                      {4 + 45 * 4, 1u << 20, false}, {2 + 9 * 2 + 45 * 1, 8u << 20, false},
                      {0x5D, 0, false},          {0x5D, 8u << 20, true},
                      {0, 4096, true},           {1 + 9 * 3 + 45 * 4, 65536, true}};
  std::mt19937 rng(7);
  std::string old_file = RandomBytes(rng, 300000);
  std::string new_file = WithChangedRuns(rng, old_file, 400, 50);
  for (const Row& row : rows) {
    SCOPED_TRACE("properties " + std::to_string(row.properties) + ", dictionary " +
                 std::to_string(row.dictionary) + (row.literals_only ? ", literals only" : ""));
    patchwriter::PatchOptions writer;
    writer.block.properties = row.properties;
    writer.block.dictionary_size = row.dictionary;
    writer.block.literals_only = row.literals_only;
    writer.block_stream_bytes = 20000;
    systest::TempDir dir;
    ApplyRequest request;
    request.data = patchwriter::MakePatch(old_file, new_file, writer);
    request.flags_position = FlagsPosition(writer.header);
    request.target = old_file;
    ApplyOutcome applied = RunApply(dir, request);
    EXPECT_TRUE(applied.result);
    EXPECT_TRUE(SameBytes(applied.target, new_file));
  }
}

}  // namespace
}  // namespace mendpak_test
