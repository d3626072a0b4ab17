// Applies whose writes fail part-way, as on a volume that runs out of space after the target
// was extended, or on a disk that reports an I/O error: the target comes back byte for byte
// as it was, size included, the result is false, and no temporary file stays behind.
#include <gtest/gtest.h>

#include "tests/mendpak/patch_helpers.h"

namespace mendpak_test {
namespace {

// The process's temporary folder (TMP) moved into a folder of the test's own while it
// lives, so that what an apply leaves there can be seen.
class TemporaryFolder {
 public:
  explicit TemporaryFolder(const std::wstring& folder) {
    wchar_t old[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(L"TMP", old, MAX_PATH);
    if (length > 0 && length < MAX_PATH) old_ = old;
    SetEnvironmentVariableW(L"TMP", folder.c_str());
  }
  ~TemporaryFolder() { SetEnvironmentVariableW(L"TMP", old_.empty() ? nullptr : old_.c_str()); }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

 private:
  std::wstring old_;
};

int FilesIn(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  int files = 0;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return files;
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
    mendpak::SetFailingWrites({-1, -1});
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
    mendpak::SetFailingWrites({-1, -1});
    ApplyOutcome sound = RunApply(dir_, request);
    ASSERT_TRUE(sound.result);
    ASSERT_TRUE(SameBytes(sound.target, after));
    EXPECT_EQ(FilesIn(folder_), 0) << "a temporary file stays after success";
    mendpak::ApplyWrites writes = mendpak::LastApplyWrites();
    ASSERT_GE(writes.target, 3);
    ASSERT_GE(writes.kept, 3);

    struct Point {
      const char* where;
      mendpak::ApplyWrites failing;
    };
    const Point points[] = {
        {"first target change", {0, -1}},
        {"middle target change", {writes.target / 2, -1}},
        {"last target change", {writes.target - 1, -1}},
        {"first write of replaced bytes", {-1, 0}},
        {"middle write of replaced bytes", {-1, writes.kept / 2}},
        {"last write of replaced bytes", {-1, writes.kept - 1}},
    };
    for (const Point& point : points) {
      SCOPED_TRACE(point.where);
      mendpak::SetFailingWrites(point.failing);
      ApplyOutcome failed = RunApply(dir_, request);
      EXPECT_FALSE(failed.result);
      EXPECT_TRUE(SameBytes(failed.target, before));
      EXPECT_EQ(FilesIn(folder_), 0) << "a temporary file stays after a failure";
      if (point.failing.kept >= 0) {
        EXPECT_EQ(mendpak::LastApplyWrites().kept, point.failing.kept + 1)
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
    EXPECT_LE(mendpak::LastApplyWrites().target, shape.new_size > shape.old_size ? 1 : 0);
  }
}

}  // namespace
}  // namespace mendpak_test
