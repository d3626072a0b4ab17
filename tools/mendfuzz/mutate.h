// The fuzz driver's inputs: a sound seed patch damaged by a few seeded mutations, a target
// to apply it to, and the mode.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/mendfuzz/patch_model.h"

namespace mendfuzz {

struct FuzzInput {
  uint64_t seed = 0;
  uint64_t index = 0;
  std::string data;     // the patch data, appended to the installer at a 512-byte boundary
  std::string target;   // the target's bytes before the apply
  bool restore = false;
  bool rereads_blocks = false;  // the apply keeps no decoded records between its passes
  bool replaced_in_file = false;  // the apply keeps every replaced byte in its temporary file
  // The target change and the write of replaced bytes that fail (counted from 0), -1 none.
  int64_t failing_target_write = -1;
  int64_t failing_kept_write = -1;
  std::string how;      // the seed patch and the mutations, for reports
};

// Input `index` of the run with `seed`: it depends on these two and the seed patches alone.
FuzzInput MakeInput(const std::vector<PatchModel>& seeds, uint64_t seed, uint64_t index);

}  // namespace mendfuzz
