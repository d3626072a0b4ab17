// Applies whose writes fail part-way, as on a volume that runs out of space after the target
// was extended, or on a disk that reports an I/O error, that run out of memory, or that are
// stopped: the target comes back byte for byte as it was, size included, the result is
// false, and no temporary file stays behind. And put-backs whose own writes and reads fail.
#include <gtest/gtest.h>

#include "mendpak/PatchTarget.h"
#include "tests/mendpak/patch_helpers.h"

namespace mendpak_test {
namespace {

using Calls = mendpak::ApplyCalls;

// The call `number` of one kind fails, none of the others.
Calls Failing(int64_t Calls::*kind, int64_t number) {
  Calls failing = mendpak::kNoFailingCalls;
  failing.*kind = number;
  return failing;
}

struct Shape {
  const char* name;
  size_t old_size, new_size;
  bool with_old, restore;
};

// Dense changes in the first 64 KiB (gathered in windows of the file) and single bytes
// 20 000 apart after them (written alone), in several blocks.
ApplyRequest MakeRequest(const Shape& shape, std::string& before, std::string& after) {
  std::mt19937 rng(uint32_t(shape.old_size ^ shape.new_size));
  std::string old_file = RandomBytes(rng, shape.old_size);
  std::string new_file = old_file.substr(0, std::min(shape.old_size, shape.new_size));
  new_file = WithChangedRuns(rng, new_file.substr(0, 65536), 400, 30) + new_file.substr(65536);
  for (size_t at = 70000; at < new_file.size(); at += 20000) new_file[at] = char(~new_file[at]);
  if (shape.new_size > shape.old_size) new_file += RandomBytes(rng, shape.new_size - shape.old_size);
  patchwriter::PatchOptions options;
  options.with_old = shape.with_old;
  options.block_stream_bytes = 8192;
  std::string data = patchwriter::MakePatch(old_file, new_file, options);
  before = shape.restore ? new_file : old_file;
  after = shape.restore ? old_file : new_file;
  ApplyRequest request;
  request.data = data;
  request.flags_position = FlagsPosition(options.header);
  request.target = before;
  request.restore = shape.restore;
  return request;
}

class ApplyWriteFailures : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = dir_.File(L"tmp");
    CreateDirectoryW(folder_.c_str(), nullptr);
    // Replaced bytes go to the temporary file past 1 KiB, so that its writes are many.
    mendpak::SetReplacedInMemoryLimit(1024);
  }
  void TearDown() override {
    mendpak::SetFailingCalls(mendpak::kNoFailingCalls);
    mendpak::SetReplacedInMemoryLimit(1 << 20);
  }

  systest::TempDir dir_;
  std::wstring folder_;
};

TEST_F(ApplyWriteFailures, TheTargetIsPutBackAsItWas) {
  const Shape shapes[] = {
      {"grows, without the unpatched bytes", 300000, 420000, false, false},
      {"shrinks, without the unpatched bytes", 420000, 300000, false, false},
      {"grows, with the unpatched bytes", 300000, 420000, true, false},
      {"shrinks when restored", 300000, 420000, true, true},
      {"shrinks, with the unpatched bytes", 420000, 300000, true, false},
      {"grows when restored", 420000, 300000, true, true},
  };
  TemporaryFolder temporary(folder_);
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(shape.name);
    std::string before, after;
    ApplyRequest request = MakeRequest(shape, before, after);
    mendpak::SetFailingCalls(mendpak::kNoFailingCalls);
    ApplyOutcome sound = RunApply(dir_, request);
    ASSERT_TRUE(sound.result);
    ASSERT_TRUE(SameBytes(sound.target, after));
    EXPECT_EQ(FilesIn(folder_), 0) << "a temporary file stays after success";
    Calls writes = mendpak::LastApplyCalls();
    ASSERT_GE(writes.target, 3);
    ASSERT_GE(writes.kept, 3);

    struct Point {
      const char* where;
      Calls failing;
    };
    const Point points[] = {
        {"first target change", Failing(&Calls::target, 0)},
        {"middle target change", Failing(&Calls::target, writes.target / 2)},
        {"last target change", Failing(&Calls::target, writes.target - 1)},
        {"first write of replaced bytes", Failing(&Calls::kept, 0)},
        {"middle write of replaced bytes", Failing(&Calls::kept, writes.kept / 2)},
        {"last write of replaced bytes", Failing(&Calls::kept, writes.kept - 1)},
    };
    for (const Point& point : points) {
      SCOPED_TRACE(point.where);
      mendpak::SetFailingCalls(point.failing);
      ApplyOutcome failed = RunApply(dir_, request);
      EXPECT_FALSE(failed.result);
      EXPECT_TRUE(SameBytes(failed.target, before));
      EXPECT_EQ(FilesIn(folder_), 0) << "a temporary file stays after a failure";
      if (point.failing.kept >= 0) {
        EXPECT_EQ(mendpak::LastApplyCalls().kept, point.failing.kept + 1)
            << "replaced bytes were written after the failure";
      }
    }
  }
}

TEST_F(ApplyWriteFailures, NoTemporaryFolderStopsBeforeTheFirstWrite) {
  // Every replaced byte must go to a temporary file, and there is no folder for it.
  mendpak::SetReplacedInMemoryLimit(0);
  TemporaryFolder missing(dir_.File(L"missing"));
  for (const Shape& shape : {Shape{"grows", 300000, 420000, true, false},
                             Shape{"shrinks", 420000, 300000, false, false}}) {
    SCOPED_TRACE(shape.name);
    std::string before, after;
    ApplyOutcome outcome = RunApply(dir_, MakeRequest(shape, before, after));
    EXPECT_FALSE(outcome.result);
    EXPECT_TRUE(SameBytes(outcome.target, before));
    // Only the size can have been set, for a growing target, before the first write.
    EXPECT_LE(mendpak::LastApplyCalls().target, shape.new_size > shape.old_size ? 1 : 0);
  }
}

}  // namespace
}  // namespace mendpak_test

namespace mendpak_test {
namespace {

constexpr size_t kWindow = 256 * 1024;

void Flip(std::string& bytes, size_t start, size_t count) {
  for (size_t at = start; at < start + count; ++at) bytes.at(at) = char(~bytes[at]);
}

ApplyRequest ApplyOf(const std::string& old_file, const std::string& new_file) {
  patchwriter::PatchOptions options;
  ApplyRequest request;
  request.data = patchwriter::MakePatch(old_file, new_file, options);
  request.flags_position = FlagsPosition(options.header);
  request.target = old_file;
  return request;
}

// At the installer's own limits (1 MiB of replaced bytes in memory, a write window of
// 256 KiB), where a long run of changed bytes makes one long kept piece.
class LongKeptPieces : public ::testing::Test {
 protected:
  void SetUp() override { CreateDirectoryW(folder_.c_str(), nullptr); }
  void TearDown() override { mendpak::SetFailingCalls(mendpak::kNoFailingCalls); }

  systest::TempDir dir_;
  std::wstring folder_ = dir_.File(L"tmp");
  TemporaryFolder temporary_{folder_};
};

// The long run is shorter than the window, as long, one byte longer, or several times as
// long (past the limit in memory too); it starts at the target's first byte, a few KiB
// after an earlier changed piece, or far from it; changes far apart follow it, each
// written on its own. The apply fails at the first target change after the run, at a
// middle one, or its final progress call declines.
TEST_F(LongKeptPieces, EveryLengthGoesBack) {
  constexpr size_t kNone = size_t(-1);
  constexpr size_t kFollowing = 20;
  constexpr size_t kFollowingGap = 20000;
  std::mt19937 rng(29);
  const std::string old_file = RandomBytes(rng, 4 << 20);
  struct Start {
    const char* name;
    size_t earlier;  // where an earlier piece of 1000 bytes lies, or kNone
    size_t run;
  };
  const Start starts[] = {{"at offset 0", kNone, 0},
                          {"4000 bytes after an earlier piece", 100000, 105000},
                          {"far from an earlier piece", 100000, 2 << 20}};
  const size_t lengths[] = {100000, kWindow, kWindow + 1, 5 * kWindow + 12345};
  for (const Start& start : starts) {
    for (size_t length : lengths) {
      SCOPED_TRACE(std::string(start.name) + ", run of " + std::to_string(length) + " bytes");
      std::string new_file = old_file;
      Flip(new_file, start.run, length);
      if (start.earlier != kNone) Flip(new_file, start.earlier, 1000);
      size_t run_end = start.run + length;
      for (size_t i = 1; i <= kFollowing; ++i) Flip(new_file, run_end + i * kFollowingGap, 1);
      ApplyRequest request = ApplyOf(old_file, new_file);
      mendpak::SetFailingCalls(mendpak::kNoFailingCalls);
      ApplyOutcome sound = RunApply(dir_, request);
      ASSERT_TRUE(sound.result);
      ASSERT_TRUE(SameBytes(sound.target, new_file));
      // The first position call past the run is the first following change's; the call
      // before it, the run's last record's.
      size_t after = 1;
      while (after < sound.calls.size() && sound.calls[after].second < run_end) ++after;
      ASSERT_EQ(sound.calls.size(), after + kFollowing + 1);
      int64_t first_after = sound.changes_at_call[after - 1];
      int64_t last = mendpak::LastApplyCalls().target - 1;
      ASSERT_GT(last, first_after);

      struct Failure {
        const char* name;
        int64_t change;
        int decline_call;
      };
      const Failure failures[] = {
          {"first change after the run fails", first_after, -1},
          {"a middle change after it fails", (first_after + last) / 2, -1},
          {"final progress call declines", -1, int(sound.calls.size()) - 1},
      };
      for (const Failure& failure : failures) {
        SCOPED_TRACE(failure.name);
        mendpak::SetFailingCalls(Failing(&Calls::target, failure.change));
        request.decline_call = failure.decline_call;
        ApplyOutcome failed = RunApply(dir_, request);
        EXPECT_FALSE(failed.result);
        EXPECT_TRUE(SameBytes(failed.target, old_file));
        EXPECT_EQ(FilesIn(folder_), 0) << "a temporary file stays";
      }
      request.decline_call = -1;
    }
  }
}

// Changes of 100 bytes 5000 apart over the first 2 MiB (gathered in windows), a long run
// (kept in memory and in the temporary file), and a target that grows.
struct SpreadChanges {
  std::string old_file;
  std::string new_file;
};

SpreadChanges MakeSpreadChanges() {
  std::mt19937 rng(30);
  SpreadChanges files;
  files.old_file = RandomBytes(rng, 4 << 20);
  files.new_file = files.old_file + RandomBytes(rng, 100000);
  for (size_t at = 1000; at < (2u << 20); at += 5000) Flip(files.new_file, at, 100);
  Flip(files.new_file, 5u << 19, 5 * kWindow);
  return files;
}

// Memory that runs out while replaced bytes are kept: the first time, in the middle, the
// last time.
TEST_F(LongKeptPieces, NoMemoryWhileKeepingLeavesTheTargetAsItWas) {
  SpreadChanges files = MakeSpreadChanges();
  ApplyRequest request = ApplyOf(files.old_file, files.new_file);
  ApplyOutcome sound = RunApply(dir_, request);
  ASSERT_TRUE(sound.result);
  int64_t keeps = mendpak::LastApplyCalls().keeps;
  ASSERT_GT(keeps, 100);
  for (int64_t failing : {int64_t(0), keeps / 2, keeps - 1}) {
    SCOPED_TRACE("keep " + std::to_string(failing) + " of " + std::to_string(keeps));
    mendpak::SetFailingCalls(Failing(&Calls::keeps, failing));
    ApplyOutcome failed = RunApply(dir_, request);
    EXPECT_FALSE(failed.result);
    EXPECT_TRUE(SameBytes(failed.target, files.old_file));
    EXPECT_EQ(FilesIn(folder_), 0) << "a temporary file stays";
  }
}

// An apply stopped at its final call whose put-back meets a write that fails: false, and
// every other kept piece is still put back, so that only the failed write's bytes can
// differ. When the old size cannot be set, the size stays the apply's, and every byte
// within the old size is as it was.
TEST_F(LongKeptPieces, AFailedPutBackWriteLosesOnlyItsOwnBytes) {
  SpreadChanges files = MakeSpreadChanges();
  ApplyRequest request = ApplyOf(files.old_file, files.new_file);
  request.decline_call = int(RunApply(dir_, request).calls.size()) - 1;
  ApplyOutcome stopped = RunApply(dir_, request);
  ASSERT_FALSE(stopped.result);
  ASSERT_TRUE(SameBytes(stopped.target, files.old_file));
  int64_t changes = mendpak::LastApplyCalls().put_back;
  ASSERT_GT(changes, 10);
  for (int64_t failing : {int64_t(0), int64_t(1), int64_t(2), changes / 2, changes - 1}) {
    SCOPED_TRACE("put-back change " + std::to_string(failing) + " of " + std::to_string(changes));
    mendpak::SetFailingCalls(Failing(&Calls::put_back, failing));
    ApplyOutcome failed = RunApply(dir_, request);
    EXPECT_FALSE(failed.result);
    EXPECT_EQ(FilesIn(folder_), 0) << "a temporary file stays";
    if (failing == 0) {
      EXPECT_EQ(failed.target.size(), files.new_file.size()) << "the size changed";
      EXPECT_TRUE(SameBytes(failed.target.substr(0, files.old_file.size()), files.old_file));
      continue;
    }
    ASSERT_EQ(failed.target.size(), files.old_file.size());
    mendpak::TargetSpan span = mendpak::LastFailedWrite();
    EXPECT_GT(span.count, 0u) << "no write failed";
    std::string expected = files.old_file;
    expected.replace(span.offset, span.count, failed.target, span.offset, span.count);
    EXPECT_TRUE(SameBytes(failed.target, expected))
        << "outside the failed write at " << span.offset << ", " << span.count << " bytes";
    EXPECT_FALSE(SameBytes(failed.target, files.old_file)) << "the failed write changed nothing";
  }
}

// The kept pieces themselves: a run of the temporary file that cannot be read back, or a
// piece that cannot be put, does not keep the other pieces from being handed over.
class PieceLog : public mendpak::PieceSink {
 public:
  explicit PieceLog(size_t failing) : failing_(failing) {}
  bool Put(uint64_t offset, const uint8_t* bytes, size_t count) noexcept override {
    pieces.emplace_back(offset, std::string(reinterpret_cast<const char*>(bytes), count));
    return pieces.size() - 1 != failing_;
  }
  std::vector<std::pair<uint64_t, std::string>> pieces;

 private:
  size_t failing_;
};

TEST(ReplacedBytesPutBack, EveryOtherPieceIsHandedOver) {
  systest::TempDir dir;
  TemporaryFolder temporary(dir.path());
  // Pieces of 12 + 20 bytes past a limit of 64 bytes: runs of three go to the file, the
  // tenth stays in memory.
  constexpr size_t kPieces = 10;
  std::vector<std::pair<uint64_t, std::string>> kept;
  for (size_t i = 0; i < kPieces; ++i) kept.emplace_back(1000 * i, std::string(20, char('a' + i)));
  struct Row {
    const char* name;
    int64_t failing_read;
    size_t failing_put;
    std::vector<size_t> handed;  // the pieces handed over, by number
  };
  const Row rows[] = {
      {"nothing fails", -1, kPieces, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {"the first run cannot be read", 0, kPieces, {3, 4, 5, 6, 7, 8, 9}},
      {"the second run cannot be read", 1, kPieces, {0, 1, 2, 6, 7, 8, 9}},
      {"a piece of the file is not put", -1, 4, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {"the piece in memory is not put", -1, 9, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    mendpak::SetFailingCalls(Failing(&Calls::kept_reads, row.failing_read));
    PieceLog log(row.failing_put);
    bool all = true;
    {
      mendpak::ReplacedBytes replaced(64);
      replaced.Prepare();
      for (const auto& piece : kept) {
        ASSERT_TRUE(replaced.Keep(piece.first, reinterpret_cast<const uint8_t*>(piece.second.data()),
                                  piece.second.size()));
      }
      ASSERT_EQ(mendpak::LastApplyCalls().kept, 3) << "three runs in the file";
      all = replaced.PutBack(log);
    }
    std::vector<std::pair<uint64_t, std::string>> expected;
    for (size_t i : row.handed) expected.push_back(kept[i]);
    EXPECT_EQ(log.pieces, expected);
    EXPECT_EQ(all, row.failing_read < 0 && row.failing_put == kPieces);
    EXPECT_EQ(FilesIn(dir.path()), 0) << "the temporary file stays";
  }
  mendpak::SetFailingCalls(mendpak::kNoFailingCalls);
}

}  // namespace
}  // namespace mendpak_test
