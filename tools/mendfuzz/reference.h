// The fuzz driver's reference applier: what a patch should do to a target, worked out from
// the bytes of the patch data alone by a plain reading of the format, apart from the
// installer's code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mendfuzz {

enum class Verdict {
  NoPatchData,  // no magic at a boundary, or a header that runs past the end of the file
  Refused,      // the data is not well-formed, or the target cannot take it
  Applies,      // the data is well-formed: the target becomes `writes` over it, then final_size
};

const char* VerdictName(Verdict verdict);

struct TargetWrite {
  uint64_t offset = 0;
  std::string bytes;
};

struct Expectation {
  Verdict verdict = Verdict::NoPatchData;
  std::string why;  // what is wrong, unless the patch applies
  uint64_t final_size = 0;
  std::vector<TargetWrite> writes;       // the records' selected bytes, in target order
  std::vector<uint64_t> record_offsets;  // where each record's bytes go, Count 0 ones too
};

// `data` is the patch data as it lies in the installer file from the first 512-byte
// boundary after the image on (so boundaries lie at multiples of 512 within it).
// `largest_target` is the largest size the target's volume gives a file.
Expectation WorkOutPatch(const std::string& data, bool restore, uint64_t largest_target);

}  // namespace mendfuzz
