// ApplyPatch on hand-made data: the record forms, the cursor, final sizes, the progress
// protocol and its declines, targets that cannot be opened, and damaged data, which must
// leave the target exactly as it was.
#include <gtest/gtest.h>

#include "tests/mendpak/patch_helpers.h"
#include "tools/mendfuzz/lzma_reference.h"

namespace mendpak_test {
namespace {

using patchwriter::EncodeBlock;
using patchwriter::EncodeCount;
using patchwriter::EncodeDelta;
using patchwriter::Header;

constexpr uint64_t kProgressStart = mendpak::kProgressStart;
constexpr uint64_t kProgressPosition = mendpak::kProgressPosition;

Header SizedHeader(uint64_t patched_size, uint32_t flags = 0, uint64_t unpatched_size = 0) {
  Header header;
  header.flags = flags;
  header.patched_size = patched_size;
  header.unpatched_size = unpatched_size;
  return header;
}

ApplyRequest Request(const Header& header, const std::vector<std::string>& blocks,
                     const std::string& target) {
  ApplyRequest request;
  request.data = PatchData(header, blocks);
  request.flags_position = FlagsPosition(header);
  request.target = target;
  return request;
}

TEST(ApplyRecords, FieldFormsAndTheCursor) {
  // Count 0x7F in one byte at 0; a long Delta form carrying 3 and a long Count form carrying
  // 5; a two-byte Delta of 16 and the Count 0x80 0x80 (128); a record of Count 0.
  std::string stream = EncodeDelta(0) + EncodeCount(0x7F) + std::string(0x7F, 'a');
  stream += std::string("\xC0\x00\x00\x03", 4) + std::string("\x80\x05", 2) + "bbbbb";
  stream += std::string("\x40\x10", 2) + std::string("\x80\x80", 2) + std::string(128, 'c');
  stream += EncodeDelta(4) + EncodeCount(0);
  std::string target(400, '.');
  systest::TempDir dir;
  ApplyOutcome outcome = RunApply(dir, Request(SizedHeader(400), {EncodeBlock(stream)}, target));
  std::string expected = target;
  expected.replace(0, 127, std::string(127, 'a'));
  expected.replace(130, 5, "bbbbb");
  expected.replace(151, 128, std::string(128, 'c'));
  EXPECT_TRUE(outcome.result);
  EXPECT_TRUE(SameBytes(outcome.target, expected));
  ProgressCalls expected_calls = {{kProgressStart, 400},   {kProgressPosition, 0},
                                  {kProgressPosition, 130}, {kProgressPosition, 151},
                                  {kProgressPosition, 283}, {kProgressPosition, 400}};
  EXPECT_EQ(outcome.calls, expected_calls);
}

TEST(ApplyRecords, ReadRecordFieldsOneByteAtATime) {
  struct Row {
    std::string bytes;
    bool delta;  // else a Count
    uint32_t value;
    int32_t consumed;
    bool complete;
  };
  const Row rows[] = {
      {"\x3F", true, 0x3F, 1, true},
      {std::string("\x7F\xFF", 2), true, 0x3FFF, 2, true},
      {std::string("\x80\x00\x01", 3), true, 1, 3, true},
      {std::string("\xFF\xFF\xFF\xFF", 4), true, (1u << 30) - 1, 4, true},
      {std::string("\xC0\x01", 2), true, 0x10000, 2, false},
      {"\x7F", false, 0x7F, 1, true},
      {std::string("\x80\x80", 2), false, 128, 2, true},
      {std::string("\xFF\xFF", 2), false, 32767, 2, true},
      {"\x81", false, 0x100, 1, false},
  };
  for (const Row& row : rows) {
    mendpak::TMemoryStream stream;
    stream.Write(row.bytes.data(), int32_t(row.bytes.size()));
    stream.SetPosition(0);
    bool complete = !row.complete;
    uint32_t value = row.delta ? mendpak::ReadRecordDelta(stream, &complete)
                               : mendpak::ReadRecordCount(stream, &complete);
    SCOPED_TRACE((row.delta ? "delta, first byte " : "count, first byte ") +
                 std::to_string(uint8_t(row.bytes[0])));
    EXPECT_EQ(value, row.value);
    EXPECT_EQ(stream.Position(), row.consumed);
    EXPECT_EQ(complete, row.complete);
  }
}

TEST(ApplyRecords, OffsetsBeyondFourGiB) {
  // Five largest Deltas, each followed by one byte: the last lies past 5 GiB.
  std::string stream;
  std::vector<uint64_t> offsets;
  uint64_t cursor = 0;
  for (int i = 0; i < 5; ++i) {
    stream += EncodeDelta(patchwriter::kLargestDelta, 4) + EncodeCount(1) + char('A' + i);
    offsets.push_back(cursor + patchwriter::kLargestDelta);
    cursor = offsets.back() + 1;
  }
  uint64_t final_size = cursor + 10;
  systest::TempDir dir;
  ApplyRequest request = Request(SizedHeader(final_size), {EncodeBlock(stream)}, "");
  request.read_back = false;
  ApplyOutcome outcome = RunApply(dir, request);
  EXPECT_TRUE(outcome.result);
  ASSERT_EQ(outcome.calls.size(), 7u);
  EXPECT_EQ(outcome.calls[0], std::make_pair(0, final_size));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(outcome.calls[1 + i].second, offsets[i]) << i;
  EXPECT_EQ(outcome.calls[6], std::make_pair(1, final_size));

  std::wstring path = dir.File(L"target.bin");
  std::string ansi(path.begin(), path.end());
  mendpak::TFileStream target(ansi, mendpak::fmOpenRead | mendpak::fmShareDenyNone);
  EXPECT_EQ(uint64_t(target.Size()), final_size);
  for (int i = 0; i < 5; ++i) {
    target.SetPosition(int64_t(offsets[i]));
    char byte = 0;
    EXPECT_EQ(target.Read(&byte, 1), 1);
    EXPECT_EQ(byte, char('A' + i)) << "record " << i;
  }
}

TEST(ApplySizes, HeaderWithoutBlocksResizesTheTarget) {
  struct Row {
    uint64_t patched_size;
    std::string expected;
  };
  const std::string target = "0123456789";
  const Row rows[] = {{4, "0123"}, {10, target}, {13, target + std::string(3, '\0')}, {0, ""}};
  for (const Row& row : rows) {
    systest::TempDir dir;
    ApplyOutcome outcome = RunApply(dir, Request(SizedHeader(row.patched_size), {}, target));
    SCOPED_TRACE("patched size " + std::to_string(row.patched_size));
    EXPECT_TRUE(outcome.result);
    EXPECT_TRUE(SameBytes(outcome.target, row.expected));
    ProgressCalls expected_calls = {{kProgressStart, row.patched_size},
                                    {kProgressPosition, row.patched_size}};
    EXPECT_EQ(outcome.calls, expected_calls);
  }
}

TEST(ApplySizes, RestoreTakesTheUnpatchedSizeOnlyWithOldBytes) {
  std::string with_old = EncodeDelta(2) + EncodeCount(2) + "NNOO";
  std::string without_old = EncodeDelta(2) + EncodeCount(2) + "NN";
  struct Row {
    const char* name;
    uint32_t flags;
    std::string stream;
    bool restore;
    std::string expected;
  };
  const Row rows[] = {
      {"apply with old bytes", 1, with_old, false, "abNNef"},
      {"restore with old bytes", 1, with_old, true, "abOOefgh"},
      {"restore without old bytes", 0, without_old, true, "abNNef"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    systest::TempDir dir;
    ApplyRequest request = Request(SizedHeader(6, row.flags, 8), {EncodeBlock(row.stream)},
                                   "abcdefgh");
    request.restore = row.restore;
    ApplyOutcome outcome = RunApply(dir, request);
    EXPECT_TRUE(outcome.result);
    EXPECT_TRUE(SameBytes(outcome.target, row.expected));
  }
}

TEST(ApplySizes, StrayBytesAfterTheLastBlock) {
  std::string block = EncodeBlock(EncodeDelta(1) + EncodeCount(1) + "X");
  for (size_t stray = 1; stray <= 4; ++stray) {
    systest::TempDir dir;
    ApplyRequest request = Request(SizedHeader(4), {block, std::string(stray, '\x5D')}, "abcd");
    ApplyOutcome outcome = RunApply(dir, request);
    EXPECT_TRUE(outcome.result) << stray << " stray bytes";
    EXPECT_TRUE(SameBytes(outcome.target, "aXcd")) << stray << " stray bytes";
    EXPECT_EQ(outcome.calls.size(), 3u) << stray << " stray bytes";
  }
}

TEST(ApplySizes, SizesTheTargetCannotTakeLeaveItAsItWas) {
  // No volume takes files this large: the apply fails before any record is written.
  std::string stream = EncodeDelta(1) + EncodeCount(1) + "X";
  for (uint64_t size : {uint64_t(1) << 62, uint64_t(INT64_MAX)}) {
    systest::TempDir dir;
    ApplyOutcome outcome = RunApply(dir, Request(SizedHeader(size), {EncodeBlock(stream)}, "abcd"));
    EXPECT_FALSE(outcome.result) << size;
    EXPECT_TRUE(SameBytes(outcome.target, "abcd")) << size;
    EXPECT_EQ(outcome.calls.size(), 1u) << size << ": only the start call";
  }
}

TEST(ApplyDeclines, ADeclinedCallLeavesTheTargetAsItWas) {
  // Three records far enough apart to be written one by one, in a target cut from 40000
  // bytes to 35000: a decline at any point, the last call included, leaves it as it was.
  std::string stream;
  for (int i = 0; i < 3; ++i) stream += EncodeDelta(10000) + EncodeCount(1) + char('1' + i);
  std::mt19937 rng(4);
  const std::string target = RandomBytes(rng, 40000);
  struct Row {
    const char* name;
    int decline_call;
    bool decline_working;
    size_t calls;
  };
  const Row rows[] = {{"working call", -1, true, 0},
                      {"start call", 0, false, 1},
                      {"second position call", 2, false, 3},
                      {"final call", 4, false, 5}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    systest::TempDir dir;
    ApplyRequest request = Request(SizedHeader(35000), {EncodeBlock(stream)}, target);
    request.decline_call = row.decline_call;
    request.decline_working = row.decline_working;
    ApplyOutcome outcome = RunApply(dir, request);
    EXPECT_FALSE(outcome.result);
    EXPECT_TRUE(SameBytes(outcome.target, target));
    EXPECT_EQ(outcome.calls.size(), row.calls) << "no call after the declined one";
    EXPECT_GE(outcome.working_calls, 1);
  }
}

TEST(ApplyTargets, TargetsThatCannotBeOpened) {
  systest::TempDir dir;
  Header header = SizedHeader(2);
  std::string data = PatchData(header, {EncodeBlock(EncodeDelta(0) + EncodeCount(1) + "Z")});
  std::wstring data_path = dir.File(L"patch.dat");
  patchwriter::WriteFileBytes(data_path, data);
  mendpak::TFileStream stream(std::string(data_path.begin(), data_path.end()),
                              mendpak::fmOpenRead | mendpak::fmShareDenyNone);

  // (A read-only file is no case here: the tests run as root, which Wine lets write.)
  std::wstring busy = dir.File(L"busy.bin");
  patchwriter::WriteFileBytes(busy, "abc");
  HANDLE held = CreateFileW(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::wstring folder = dir.File(L"folder");
  CreateDirectoryW(folder.c_str(), nullptr);

  const std::wstring targets[] = {dir.File(L"missing.bin"), busy, folder};
  for (const std::wstring& target : targets) {
    stream.SetPosition(int64_t(FlagsPosition(header)));
    int calls = 0;
    bool result = mendpak::ApplyPatch(target, stream, [&](int, uint64_t) { return ++calls > 0; },
                                      false);
    std::string name(target.begin(), target.end());
    EXPECT_FALSE(result) << name;
    EXPECT_EQ(calls, 0) << name;
    EXPECT_EQ(stream.Position(), int64_t(FlagsPosition(header))) << name << ": data not read";
  }
  CloseHandle(held);
  EXPECT_EQ(patchwriter::ReadFileBytes(busy), "abc");
}

// Damaged data: the first block is sound, so an apply that wrote as it decoded would have
// changed the target before finding the damage.
struct DamageCase {
  const char* name;
  std::function<std::string(const std::string& sound_stream)> second_block;
  uint32_t flags = 0;
};

std::string WithByte(std::string block, size_t at, char value) {
  block[at] = value;
  return block;
}

std::string WithUnpackedSize(std::string block, uint32_t size) {
  for (int i = 0; i < 4; ++i) block[5 + i] = char(size >> (8 * i));
  return block;
}

class ApplyDamage : public ::testing::TestWithParam<int64_t> {
 protected:
  void SetUp() override { mendpak::SetKeptRecordsLimit(GetParam()); }
  void TearDown() override { mendpak::SetKeptRecordsLimit(16 << 20); }
};

INSTANTIATE_TEST_SUITE_P(RecordsKept, ApplyDamage, ::testing::Values(int64_t(16) << 20, 0));

TEST_P(ApplyDamage, DamagedDataLeavesTheTargetAsItWas) {
  std::mt19937 rng(3);
  std::string sound;
  uint64_t cursor = 0;
  std::vector<patchwriter::Record> records;
  for (int i = 0; i < 200; ++i) {
    patchwriter::Record record;
    record.offset = 3000 + uint64_t(i) * 50;
    record.new_bytes = RandomBytes(rng, 20);
    records.push_back(record);
  }
  sound = patchwriter::EncodeRecords(records, false, cursor);
  const DamageCase cases[] = {
      {"properties byte 225", [](const std::string& s) { return WithByte(EncodeBlock(s), 0, char(225)); }},
      {"lc + lp above 4", [](const std::string& s) { return WithByte(EncodeBlock(s), 0, 8); }},
      {"dictionary of 2^31", [](const std::string& s) { return WithByte(EncodeBlock(s), 4, char(0x80)); }},
      {"unpacked size of 2^31", [](const std::string& s) { return WithUnpackedSize(EncodeBlock(s), 0x80000000u); }},
      {"LZMA data cut short", [](const std::string& s) { std::string b = EncodeBlock(s); return b.substr(0, b.size() - 40); }},
      {"unpacked size one short", [](const std::string& s) { return WithUnpackedSize(EncodeBlock(s), uint32_t(s.size() - 1)); }},
      {"unpacked size beyond the data", [](const std::string& s) { return WithUnpackedSize(EncodeBlock(s), uint32_t(s.size() + 50)); }},
      {"LZMA data garbled", [](const std::string& s) {
         std::string b = EncodeBlock(s);
         for (size_t at = 30; at < 60; ++at) b[at] = char(~b[at]);
         return b;
       }},
      {"count running past the output", [](const std::string& s) { return EncodeBlock(s + EncodeDelta(0) + EncodeCount(100) + std::string(50, 'x')); }},
      {"delta cut at the end", [](const std::string& s) { return EncodeBlock(s + std::string("\xC0\x01", 2)); }},
      {"count cut at the end", [](const std::string& s) { return EncodeBlock(s + EncodeDelta(5) + std::string("\x80", 1)); }},
      {"old bytes missing", [](const std::string& s) { return EncodeBlock(s); }, patchwriter::kHasOldBytes},
      {"five stray bytes", [](const std::string&) { return std::string(5, '\x5D'); }},
      {"header cut after the properties", [](const std::string& s) { return EncodeBlock(s).substr(0, 7); }},
  };
  std::string target = RandomBytes(rng, 20000);
  for (const DamageCase& damage : cases) {
    for (bool restore : {false, true}) {
      SCOPED_TRACE(std::string(damage.name) + (restore ? ", restore" : ", apply"));
      Header header = SizedHeader(15000, damage.flags, 25000);
      std::string first = damage.flags ? EncodeBlock(EncodeDelta(1) + EncodeCount(1) + "NO")
                                       : EncodeBlock(EncodeDelta(1) + EncodeCount(1) + "N");
      systest::TempDir dir;
      ApplyRequest request = Request(header, {first, damage.second_block(sound)}, target);
      request.restore = restore;
      ApplyOutcome outcome = RunApply(dir, request);
      EXPECT_FALSE(outcome.result);
      EXPECT_TRUE(SameBytes(outcome.target, target));
      EXPECT_TRUE(outcome.calls.empty()) << outcome.calls.size() << " progress calls";
    }
  }
}

// Blocks whose lc + lp exceed 4, sound otherwise: the decoder library refuses them (see
// DecoderLibrary), so the apply fails before it writes, in either mode. The same records
// coded with lc + lp of 4 apply and restore.
TEST(ApplyCoderLimits, LcAndLpAboveFourFailAndLeaveTheTarget) {
  std::mt19937 rng(26);
  std::string old_file = RandomBytes(rng, 60000);
  std::string new_file = WithChangedRuns(rng, old_file, 100, 20) + RandomBytes(rng, 700);
  std::vector<patchwriter::Record> records = patchwriter::Diff(old_file, new_file, true);
  size_t half = records.size() / 2;
  uint64_t cursor = 0;
  std::string first = patchwriter::EncodeRecords({records.begin(), records.begin() + long(half)},
                                                 true, cursor);
  std::string second =
      patchwriter::EncodeRecords({records.begin() + long(half), records.end()}, true, cursor);
  struct Row {
    uint32_t lc, lp, pb;
    bool applies;
  };
  const Row rows[] = {{3, 1, 2, true}, {4, 1, 2, false}, {8, 0, 0, false}, {0, 4, 1, true},
                      {4, 4, 2, false}};
  for (const Row& row : rows) {
    patchwriter::BlockOptions options;
    options.properties = uint8_t((row.pb * 5 + row.lp) * 9 + row.lc);
    options.literals_only = true;
    std::string block = EncodeBlock(second, options);
    // Sound data: the fuzz driver's decoder, which has no such limit, reads it back.
    mendfuzz::LzmaBlockParams params;
    params.lc = row.lc;
    params.lp = row.lp;
    params.pb = row.pb;
    params.dictionary_size = options.dictionary_size;
    params.unpacked_size = uint32_t(second.size());
    mendfuzz::LzmaBlockResult decoded = mendfuzz::DecodeLzmaBlock(
        reinterpret_cast<const uint8_t*>(block.data()) + 9, block.size() - 9, params);
    Header header = SizedHeader(new_file.size(), patchwriter::kHasOldBytes, old_file.size());
    for (bool restore : {false, true}) {
      SCOPED_TRACE("lc " + std::to_string(row.lc) + ", lp " + std::to_string(row.lp) + ", pb " +
                   std::to_string(row.pb) + (restore ? ", restore" : ", apply"));
      ASSERT_TRUE(decoded.ok) << decoded.error;
      ASSERT_EQ(decoded.output, second);
      systest::TempDir dir;
      ApplyRequest request =
          Request(header, {EncodeBlock(first), block}, restore ? new_file : old_file);
      request.restore = restore;
      ApplyOutcome outcome = RunApply(dir, request);
      EXPECT_EQ(outcome.result, row.applies);
      const std::string& unchanged = restore ? new_file : old_file;
      const std::string& changed = restore ? old_file : new_file;
      EXPECT_TRUE(SameBytes(outcome.target, row.applies ? changed : unchanged));
      if (!row.applies) {
        EXPECT_TRUE(outcome.calls.empty()) << outcome.calls.size() << " progress calls";
      }
    }
  }
}

TEST_P(ApplyDamage, ShortSizesAreRefused) {
  Header header = SizedHeader(10, patchwriter::kHasOldBytes, 12);
  std::string data = patchwriter::EncodeHeader(header);
  data.resize(data.size() - 3);  // UnpatchedSize cut short
  systest::TempDir dir;
  ApplyRequest request;
  request.data = data;
  request.flags_position = FlagsPosition(header);
  request.target = "abcdefgh";
  ApplyOutcome outcome = RunApply(dir, request);
  EXPECT_FALSE(outcome.result);
  EXPECT_TRUE(SameBytes(outcome.target, "abcdefgh"));
}

}  // namespace
}  // namespace mendpak_test

namespace mendpak_test {
namespace {

TEST(ApplyRecords, ClosePastAndFarRecordsBeyondTheEnd) {
  // Close records are gathered and written back together, far ones written alone; both
  // must leave zeros in the gaps past the target's old end, as writes beyond an end do.
  struct Placed {
    uint64_t offset;
    std::string bytes;
  };
  const Placed placed[] = {{10, "A"},      {100, "BB"},           {5000, "C"},
                           {262140, "DDDDDDDD"}, {300000, "E"},   {300010, "FF"},
                           {900000, "G"},  {900001, std::string(32767, 'H')}};
  std::vector<patchwriter::Record> records;
  for (const Placed& item : placed) {
    patchwriter::Record record;
    record.offset = item.offset;
    record.new_bytes = item.bytes;
    records.push_back(record);
  }
  uint64_t cursor = 0;
  std::string stream = patchwriter::EncodeRecords(records, false, cursor);
  const uint64_t final_size = 950000;
  std::string target(1000, '.');
  std::string expected = target;
  expected.resize(final_size, '\0');
  for (const Placed& item : placed) expected.replace(item.offset, item.bytes.size(), item.bytes);
  systest::TempDir dir;
  ApplyOutcome outcome =
      RunApply(dir, Request(SizedHeader(final_size), {EncodeBlock(stream)}, target));
  EXPECT_TRUE(outcome.result);
  EXPECT_TRUE(SameBytes(outcome.target, expected));
}

}  // namespace
}  // namespace mendpak_test
