// One fuzz input through the installer's own code and the oracle: the patch data appended to
// a copy of the installer, the target in a temporary file, the installer's steps from finding
// the data to the end of the apply, and the target compared with what the reference applier
// makes of the same data.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tools/mendfuzz/mutate.h"
#include "tools/mendfuzz/reference.h"

namespace mendfuzz {

constexpr int kSeedPatchCount = kShortSeedPatches + 4;

enum class Fault {
  None,
  Crash,          // the process faulted, or an exception left the installer's code
  Hang,           // the input ran past its time limit
  DamagedTarget,  // the target is neither untouched nor what the patch makes of it
  FalseSuccess,   // success reported for data that is not well-formed
  RefusedSound,   // failure reported for well-formed data
  WrongProgress,  // a successful apply whose progress calls are not the records'
  DamagedAfterFailedWrite,  // a write made to fail, and the target is not as it was
};
constexpr int kFaultKinds = 8;
const char* FaultName(Fault fault);

struct CaseResult {
  Fault fault = Fault::None;
  Verdict expected = Verdict::NoPatchData;
  bool write_failed = false;  // the apply met the write the input makes fail
  std::string detail;
};

// A folder of the driver's own holding a copy of the installer, with the patch data
// appended at the first boundary after its image, and the target file.
class Workbench {
 public:
  explicit Workbench(const std::wstring& installer_image);
  ~Workbench();
  Workbench(const Workbench&) = delete;
  Workbench& operator=(const Workbench&) = delete;

  CaseResult Run(const FuzzInput& input);

  // The largest file the target's volume takes (found by trying at start-up).
  uint64_t largest_target() const { return largest_target_; }

 private:
  bool WriteData(const std::string& data);
  bool WriteTarget(const std::string& bytes);

  std::wstring folder_;
  std::wstring data_path_;
  std::wstring target_path_;
  HANDLE data_file_ = INVALID_HANDLE_VALUE;
  uint64_t image_bytes_ = 0;  // the installer's bytes, padded to 512
  uint64_t largest_target_ = 0;
};

// Saved failing inputs: the seed and index they came from and their bytes, so that they
// replay the same whatever the generator becomes.
std::string SaveInput(const FuzzInput& input, const std::string& what_failed);
bool LoadInput(const std::string& saved, FuzzInput& input);
std::wstring SavedInputName(const FuzzInput& input);
bool SaveInputFile(const std::wstring& folder, const FuzzInput& input,
                   const std::string& what_failed);

struct Tally {
  uint64_t inputs = 0;
  uint64_t by_verdict[3] = {};
  uint64_t by_fault[kFaultKinds] = {};
  uint64_t failed_writes = 0;  // inputs whose apply met a write made to fail
  std::vector<std::string> failures;  // the first ones, a line each

  uint64_t faults() const;
  void Add(const FuzzInput& input, const CaseResult& result);
  void Merge(const Tally& other);
  std::string Summary() const;
};

// Runs inputs first .. first + count - 1 of the run `seed`. A failing input is saved in
// `save_folder` when it is given. `starting` is called before each input (and with null
// after the last): the driver's watchdog keeps the input it is given.
void RunInputs(Workbench& bench, const std::vector<PatchModel>& seeds, uint64_t seed,
               uint64_t first, uint64_t count, const std::wstring& save_folder, Tally& tally,
               const std::function<void(const FuzzInput*)>& starting = nullptr);

// A part of a name that no other process gives what it keeps in a shared folder: processes
// of other Wine prefixes can have the same process id (each prefix counts its own), so the
// time is part of it.
std::wstring UniqueStamp();

std::string ReadWholeFile(const std::wstring& path);
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);

}  // namespace mendfuzz
