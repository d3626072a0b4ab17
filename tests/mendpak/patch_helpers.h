// Helpers of the patch tests: generated file pairs, patch data on disk and one apply with
// its progress calls recorded.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "mendpak/Patcher.h"
#include "tools/patchwriter/patchwriter.h"
#include "tools/systest/systest.h"

namespace mendpak_test {

std::string RandomBytes(std::mt19937& rng, size_t count);

// `source` with `runs` runs of changed bytes of 1 to `longest_run` bytes each.
std::string WithChangedRuns(std::mt19937& rng, std::string source, int runs, size_t longest_run);

// Where the Flags word lies in data that begins with `header`.
size_t FlagsPosition(const patchwriter::Header& header);

// Header and blocks, ready to be written: the sizes and flags are the header's.
std::string PatchData(const patchwriter::Header& header, const std::vector<std::string>& blocks);

using ProgressCalls = std::vector<std::pair<int, uint64_t>>;

struct ApplyOutcome {
  bool result = false;
  std::string target;        // the target's bytes afterwards (when read back)
  ProgressCalls calls;       // start and position calls
  std::vector<int64_t> changes_at_call;  // target changes made by the time of each call
  int working_calls = 0;
  int64_t data_position = 0;  // where the data stream stood afterwards
};

struct ApplyRequest {
  std::string data;          // whole patch data
  size_t flags_position = 0;
  std::string target;        // the target's bytes before
  bool restore = false;
  int decline_call = -1;     // index of the start or position call that declines, -1 none
  bool decline_working = false;  // the first working call declines
  bool read_back = true;
};

// Writes the data and the target into `dir` and applies the patch once.
ApplyOutcome RunApply(const systest::TempDir& dir, const ApplyRequest& request);

// Whether two byte strings are equal; on a difference says where and what.
::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected);

// The process's temporary folder (TMP) moved into a folder of the test's own while it
// lives, so that what an apply leaves there can be seen. Processes the test starts
// meanwhile inherit it.
class TemporaryFolder {
 public:
  explicit TemporaryFolder(const std::wstring& folder);
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

 private:
  std::wstring old_;
};

// The number of files (not folders) in `folder`.
int FilesIn(const std::wstring& folder);

}  // namespace mendpak_test
