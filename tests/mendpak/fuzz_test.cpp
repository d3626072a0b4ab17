// The fuzz driver in the test run: a few thousand seeded damaged patches (some applies with
// a write that fails) through the installer's own code, the saved inputs that once found
// faults, and the driver's reference applier against the sound patches the inputs are made
// from.
#include <gtest/gtest.h>

#include <windows.h>

#include "tools/mendfuzz/fuzz_run.h"
#include "tools/systest/systest.h"

namespace {

using mendfuzz::Verdict;

constexpr uint64_t kSeed = 13;
constexpr uint64_t kInputs = 2000;

std::wstring InstallerImage() { return systest::ProgramPath(L"MendpakHeader.exe"); }

TEST(MendpakFuzz, SeededDamagedPatchesDoNoHarm) {
  mendfuzz::Workbench bench(InstallerImage());
  std::vector<mendfuzz::PatchModel> seeds =
      mendfuzz::MakeSeedPatches(kSeed, mendfuzz::kSeedPatchCount);
  mendfuzz::Tally tally;
  mendfuzz::RunInputs(bench, seeds, kSeed, 0, kInputs, L"", tally);
  EXPECT_EQ(tally.faults(), 0u) << tally.Summary();
  // The inputs reach every outcome, each often.
  EXPECT_GT(tally.by_verdict[int(Verdict::Applies)], kInputs / 5) << tally.Summary();
  EXPECT_GT(tally.by_verdict[int(Verdict::Refused)], kInputs / 5) << tally.Summary();
  EXPECT_GT(tally.by_verdict[int(Verdict::NoPatchData)], kInputs / 20) << tally.Summary();
  EXPECT_GT(tally.failed_writes, kInputs / 50) << tally.Summary();
}

TEST(MendpakFuzz, SavedInputsReplay) {
  std::wstring folder = systest::BinaryDir() + L"\\fuzz-replays";
  mendfuzz::Workbench bench(InstallerImage());
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*.mfz").c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE) << "no saved inputs beside the test";
  int replayed = 0;
  do {
    std::wstring name = found.cFileName;
    SCOPED_TRACE(std::string(name.begin(), name.end()));
    mendfuzz::FuzzInput input;
    ASSERT_TRUE(mendfuzz::LoadInput(mendfuzz::ReadWholeFile(folder + L"\\" + name), input));
    mendfuzz::CaseResult result = bench.Run(input);
    EXPECT_EQ(result.fault, mendfuzz::Fault::None)
        << mendfuzz::FaultName(result.fault) << ": " << result.detail << " (" << input.how << ")";
    ++replayed;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  EXPECT_GE(replayed, 11);
}

// The reference applier, decoder and records, checked against what the seed patches were
// made from: applying turns the old file into the new one, restoring turns it back.
TEST(MendpakFuzz, ReferenceAppliesTheSeedPatches) {
  for (const mendfuzz::PatchModel& patch : mendfuzz::MakeSeedPatches(kSeed, mendfuzz::kSeedPatchCount)) {
    SCOPED_TRACE(patch.name);
    mendfuzz::PatchLayout layout;
    std::string data = mendfuzz::WritePatch(patch, layout);
    for (bool restore : {false, true}) {
      mendfuzz::Expectation expectation = mendfuzz::WorkOutPatch(data, restore, 1ull << 40);
      ASSERT_EQ(expectation.verdict, Verdict::Applies) << expectation.why;
      bool restoring = restore && patch.with_old;
      std::string target = restoring ? patch.new_file : patch.old_file;
      for (const mendfuzz::TargetWrite& write : expectation.writes) {
        if (target.size() < write.offset + write.bytes.size()) {
          target.resize(write.offset + write.bytes.size(), '\0');
        }
        target.replace(write.offset, write.bytes.size(), write.bytes);
      }
      target.resize(expectation.final_size, '\0');
      EXPECT_EQ(target, restoring ? patch.old_file : patch.new_file) << "restore " << restore;
    }
  }
}

}  // namespace
