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
// so it is when the target cannot be made as large as the final size and the records need,
// or when memory runs out before the target is first changed: in the check, or for the few
// buffers taken then (those a put-back needs, the write window and the room the temporary
// file is read back into, and the one for the bytes a record written alone replaces).
// The rest of the memory is taken during the writes: the memory that keeps replaced bytes,
// the memory that holds each block's records as they are written, and, past the limit of
// kept records (SetKeptRecordsLimit), the memory that decodes the blocks again.
// The bytes each write replaces are kept first (in memory, the rest in a temporary file):
// when a write or the final size fails, a callback declines, memory runs out during the
// writes, or the replaced bytes cannot be kept, they are put back and the old size is set
// again, so that a false result leaves the target byte for byte as it was (its last-write
// time aside), provided that the disk takes the put-back's own writes and reads. When it
// refuses one, the result is false all the same and every other kept piece is still put
// back, but the bytes that write or read was for stay as the apply left them (new, or
// partly new) and the size stays the apply's if setting the old one failed; the original
// bytes are then lost, since the temporary file is deleted as always. An apply that never
// returns (the process killed, the machine stopped) leaves the target partly patched. The
// final position call comes before the final size is set, so that declining it undoes the
// apply too.
bool ApplyPatch(const std::wstring& target_path, TStream& data, const TPatchProgress& progress,
                bool restore);

// For tests: how many bytes of decoded records an apply keeps from its check pass for its
// write pass (default 16 MiB); past it the write pass decodes the blocks again.
void SetKeptRecordsLimit(int64_t bytes);

// For tests: how many replaced bytes an apply keeps in memory before it keeps the rest in a
// temporary file (default 1 MiB).
void SetReplacedInMemoryLimit(int64_t bytes);

// For tests: calls of an apply that a test can make fail, each counted from 0 in every
// apply: the changes of the target (writes and size changes, not those that put it back),
// the writes of replaced bytes to the temporary file, the put-back's changes of the target
// (the old size, then its writes), its reads of the temporary file, and the calls that keep
// replaced bytes in memory.
struct ApplyCalls {
  int64_t target = 0;
  int64_t kept = 0;
  int64_t put_back = 0;
  int64_t kept_reads = 0;
  int64_t keeps = 0;
};

constexpr ApplyCalls kNoFailingCalls = {-1, -1, -1, -1, -1};

// For tests: makes the call of each kind with the number given fail, -1 none. A failing
// write stores half of its bytes first, as on a volume that runs out of space; a failing
// size change or read changes nothing; a failing keep finds no memory (std::bad_alloc).
void SetFailingCalls(const ApplyCalls& failing);

// For tests: how many of each the last apply made or tried.
ApplyCalls LastApplyCalls();

// For tests: the part of the target that the last target write made to fail was to change.
struct TargetSpan {
  uint64_t offset = 0;
  uint64_t count = 0;
};
TargetSpan LastFailedWrite();

// Decodes the block at the source's position and appends its output to `output`; the
// source is left directly after the block's last consumed byte.
bool DecodePatchBlock(TStream& source, TMemoryStream& output);

// Record fields, read one byte at a time. `complete`, when given, tells whether every byte
// of the field was there (missing bytes count as 0).
uint32_t ReadRecordDelta(TMemoryStream& stream, bool* complete = nullptr);
uint16_t ReadRecordCount(TMemoryStream& stream, bool* complete = nullptr);

}  // namespace mendpak
