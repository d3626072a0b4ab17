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

// Progress kinds: start (value = final size) and position (value = target offset).
constexpr int kProgressStart = 0;
constexpr int kProgressPosition = 1;

// Returns true to go on.
using TPatchProgress = std::function<bool(int kind, uint64_t value)>;

// Writes the records of `data` (positioned at the Flags word) into the target and sets its
// final size. The data is checked whole before the first byte is written: when any block
// fails to decode or a record runs past its block's output, the target is left as it was;
// so it is when the target cannot be made as large as the final size and the records need.
bool ApplyPatch(const std::wstring& target_path, TStream& data, const TPatchProgress& progress,
                bool restore);

// How many bytes of decoded records an apply keeps from its check pass for its write pass
// (default 16 MiB); past it the write pass decodes the blocks again. For tests.
void SetKeptRecordsLimit(int64_t bytes);

// Decodes the block at the source's position and appends its output to `output`; the
// source is left directly after the block's last consumed byte.
bool DecodePatchBlock(TStream& source, TMemoryStream& output);

// Record fields, read one byte at a time. `complete`, when given, tells whether every byte
// of the field was there (missing bytes count as 0).
uint32_t ReadRecordDelta(TMemoryStream& stream, bool* complete = nullptr);
uint16_t ReadRecordCount(TMemoryStream& stream, bool* complete = nullptr);

}  // namespace mendpak
