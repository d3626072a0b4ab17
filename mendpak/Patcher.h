// Patch application: the blocks of byte-patch records appended to the installer, decoded
// with liblzma and written into a target file in place.
//
// After the header's Flags word the data holds PatchedSize (and UnpatchedSize when the
// data carries the unpatched bytes) and then LZMA blocks back to back, each a properties
// byte, a dictionary size and an unpacked size (little-endian) followed by raw LZMA1 data.
// A block's output is a stream of records: Delta (1 to 4 bytes) and Count (1 or 2 bytes),
// big-endian, then Count new bytes and, with the unpatched bytes, Count old bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "mendpak/uClass.h"

namespace mendpak {

constexpr uint32_t kFlagHasOldBytes = 1;

// Progress kinds: start (value = final size), position (value = target offset) and working
// (value 0: the apply is decoding blocks and places no record; the callback can let its
// window answer messages, and stop the apply).
constexpr int kProgressStart = 0;
constexpr int kProgressPosition = 1;
constexpr int kProgressWorking = 2;

// Returns true to go on.
using TPatchProgress = std::function<bool(int kind, uint64_t value)>;

// Writes the records of `data` (positioned at the Flags word) into the target and sets its
// final size. The data is checked whole before the first byte is written: when any block
// fails to decode or a record runs past its block's output, the target is left as it was;
// so it is when the target cannot be made as large as the final size and the records need.
// The bytes each write replaces are kept first (in memory, the rest in a temporary file):
// when a write or the final size fails, a callback declines, or the replaced bytes cannot
// be kept, they are put back and the old size is set again, so that a false result leaves
// the target byte for byte as it was. The final position call comes before the final size
// is set, so that declining it undoes the apply too.
bool ApplyPatch(const std::wstring& target_path, TStream& data, const TPatchProgress& progress,
                bool restore);

// For tests: how many bytes of decoded records an apply keeps from its check pass for its
// write pass (default 16 MiB); past it the write pass decodes the blocks again.
void SetKeptRecordsLimit(int64_t bytes);

// For tests: how many replaced bytes an apply keeps in memory before it keeps the rest in a
// temporary file (default 1 MiB).
void SetReplacedInMemoryLimit(int64_t bytes);

// For tests: the changes an apply makes to its target (writes and size changes, not those
// that put it back) and the writes of replaced bytes to the temporary file, each counted
// from 0 in every apply.
struct ApplyWrites {
  int64_t target = 0;
  int64_t kept = 0;
};

// For tests: makes target change number `failing.target` and replaced-bytes write number
// `failing.kept` fail, -1 none. A failing write stores half of its bytes first, as on a
// volume that runs out of space; a failing size change changes nothing.
void SetFailingWrites(const ApplyWrites& failing);

// For tests: how many of each the last apply made or tried.
ApplyWrites LastApplyWrites();

// Decodes the block at the source's position and appends its output to `output`; the
// source is left directly after the block's last consumed byte.
bool DecodePatchBlock(TStream& source, TMemoryStream& output);

// Record fields, read one byte at a time. `complete`, when given, tells whether every byte
// of the field was there (missing bytes count as 0).
uint32_t ReadRecordDelta(TMemoryStream& stream, bool* complete = nullptr);
uint16_t ReadRecordCount(TMemoryStream& stream, bool* complete = nullptr);

}  // namespace mendpak
