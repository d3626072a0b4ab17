#include "mendpak/Patcher.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "mendpak/PatchBlock.h"
#include "mendpak/PatchTarget.h"

namespace mendpak {

namespace {

// One record's bytes always fit: Count is at most 32767.
constexpr int32_t kRecordBuffer = 32768;

uint8_t ReadFieldByte(TMemoryStream& stream, bool& complete) {
  uint8_t value = 0;
  if (stream.Read(&value, 1) != 1) complete = false;
  return value;
}

struct PatchSizes {
  uint32_t flags = 0;
  uint64_t patched_size = 0;
  uint64_t unpatched_size = 0;
  bool has_old_bytes() const { return (flags & kFlagHasOldBytes) != 0; }
};

bool ReadLittleEndian(TStream& data, uint64_t& value, int32_t bytes) {
  uint8_t raw[8] = {};
  if (bytes > int32_t(sizeof raw) || data.Read(raw, bytes) != bytes) return false;
  value = 0;
  for (int32_t i = bytes - 1; i >= 0; --i) value = value << 8 | raw[i];
  return true;
}

bool ReadSizes(TStream& data, PatchSizes& sizes) {
  uint64_t flags = 0;
  if (!ReadLittleEndian(data, flags, 4) || !ReadLittleEndian(data, sizes.patched_size, 8)) {
    return false;
  }
  sizes.flags = uint32_t(flags);
  return !sizes.has_old_bytes() || ReadLittleEndian(data, sizes.unpatched_size, 8);
}

struct RecordFields {
  uint32_t delta = 0;
  uint16_t count = 0;
};

// Reads a record's fields and checks that its bytes lie within the block's output; the
// stream is left at the record's bytes.
bool ReadRecordFields(TMemoryStream& block, bool has_old_bytes, RecordFields& record) {
  bool delta_complete = false;
  bool count_complete = false;
  record.delta = ReadRecordDelta(block, &delta_complete);
  record.count = ReadRecordCount(block, &count_complete);
  int64_t payload = int64_t(record.count) * (has_old_bytes ? 2 : 1);
  return delta_complete && count_complete && block.Size() - block.Position() >= payload;
}

// Decoded records of at most this many bytes are kept between the two passes.
int64_t kept_records_limit = 16 << 20;
// Replaced bytes of the target kept in memory; the rest go to a temporary file.
size_t replaced_in_memory_limit = 1 << 20;
// The records of a block are checked in runs of this many between two working calls.
constexpr int kRecordsPerWorkingCall = 65536;

// The decoded blocks of one apply. Every block is decoded and checked before anything is
// written, so that damaged data leaves the target as it was; while their output stays
// small it is kept, so that the write pass need not decode it again.
class DecodedBlocks {
 public:
  DecodedBlocks(TStream& data, bool has_old, TWorking working)
      : data_(data), has_old_(has_old), working_(working), decoder_(working) {}

  // False when a block is damaged or the working callback stops the check.
  bool CheckAll(TMemoryStream& block) {
    start_ = data_.Position();
    kept_all_ = true;
    int64_t kept_bytes = 0;
    while (data_.Position() < data_.Size()) {
      if (!working_()) return false;
      block.Clear();
      BlockResult result = decoder_.Decode(data_, block);
      if (result == BlockResult::NoBlock) break;
      if (result != BlockResult::Decoded || !RecordsFit(block)) return false;
      kept_bytes += block.Size();
      if (kept_all_ && kept_bytes <= kept_records_limit) {
        kept_.emplace_back(static_cast<const char*>(block.Memory()), size_t(block.Size()));
      } else {
        kept_all_ = false;
        kept_.clear();
      }
    }
    if (!kept_all_) data_.SetPosition(start_);
    return true;
  }

  // The next block for the write pass: false when there is none (or it fails to decode).
  bool Next(TMemoryStream& block, bool& failed) {
    block.Clear();
    failed = false;
    if (kept_all_) {
      if (next_kept_ == kept_.size()) return false;
      const std::string& bytes = kept_[next_kept_++];
      block.Write(bytes.data(), int32_t(bytes.size()));
    } else {
      if (data_.Position() >= data_.Size()) return false;
      BlockResult result = decoder_.Decode(data_, block);
      failed = result != BlockResult::Decoded && result != BlockResult::NoBlock;
      if (result != BlockResult::Decoded) return false;
    }
    block.SetPosition(0);
    return true;
  }

  bool has_old() const { return has_old_; }
  // The size the target needs for every record's bytes (known once CheckAll passed).
  uint64_t records_end() const { return records_end_; }

 private:
  // False also when the working callback stops the check.
  bool RecordsFit(TMemoryStream& block) {
    block.SetPosition(0);
    for (int records = 1; block.Position() < block.Size(); ++records) {
      if (records % kRecordsPerWorkingCall == 0 && !working_()) return false;
      RecordFields record;
      if (!ReadRecordFields(block, has_old_, record)) return false;
      block.Seek32(int32_t(record.count) * (has_old_ ? 2 : 1), soFromCurrent);
      cursor_ += record.delta;
      if (record.count > 0) records_end_ = std::max(records_end_, cursor_ + record.count);
      cursor_ += record.count;
    }
    return true;
  }

  TStream& data_;
  bool has_old_;
  TWorking working_;
  BlockDecoder decoder_;
  std::vector<std::string> kept_;
  bool kept_all_ = false;
  size_t next_kept_ = 0;
  int64_t start_ = 0;
  uint64_t cursor_ = 0;
  uint64_t records_end_ = 0;
};

enum class WriteOutcome { Done, Stopped };

// Writes every record of the blocks; Stopped when a block, a write or the callback failed.
WriteOutcome WriteBlocks(DecodedBlocks& blocks, TMemoryStream& block, PatchTarget& target,
                         bool restore, const TPatchProgress& progress) {
  std::vector<uint8_t> buffer(kRecordBuffer);
  bool has_old = blocks.has_old();
  bool failed = false;
  while (blocks.Next(block, failed)) {
    while (block.Position() < block.Size()) {
      RecordFields record;
      if (!ReadRecordFields(block, has_old, record) || record.count > buffer.size()) {
        return WriteOutcome::Stopped;
      }
      if (has_old && restore) block.Seek32(record.count, soFromCurrent);
      block.Read(buffer.data(), record.count);
      if (has_old && !restore) block.Seek32(record.count, soFromCurrent);
      uint64_t offset = 0;
      if (!target.WriteRecord(record.delta, buffer.data(), record.count, offset)) {
        return WriteOutcome::Stopped;
      }
      if (progress && !progress(kProgressPosition, offset)) return WriteOutcome::Stopped;
    }
  }
  return failed ? WriteOutcome::Stopped : WriteOutcome::Done;
}

}  // namespace

void SetKeptRecordsLimit(int64_t bytes) { kept_records_limit = bytes; }

void SetReplacedInMemoryLimit(int64_t bytes) {
  replaced_in_memory_limit = size_t(std::max<int64_t>(0, std::min<int64_t>(bytes, 1 << 30)));
}

uint32_t ReadRecordDelta(TMemoryStream& stream, bool* complete) {
  bool all_there = true;
  uint32_t first = ReadFieldByte(stream, all_there);
  uint32_t value = first & 0x3F;
  for (uint32_t extra = first >> 6; extra > 0; --extra) {
    value = value << 8 | ReadFieldByte(stream, all_there);
  }
  if (complete) *complete = all_there;
  return value;
}

uint16_t ReadRecordCount(TMemoryStream& stream, bool* complete) {
  bool all_there = true;
  uint16_t value = ReadFieldByte(stream, all_there);
  if (value >= 0x80) value = uint16_t((value & 0x7F) << 8 | ReadFieldByte(stream, all_there));
  if (complete) *complete = all_there;
  return value;
}

bool ApplyPatch(const std::wstring& target_path, TStream& data, const TPatchProgress& progress,
                bool restore) {
  PatchTarget target(target_path, replaced_in_memory_limit);
  if (!target.opened()) return false;

  PatchSizes sizes;
  if (!ReadSizes(data, sizes)) return false;
  bool restoring = restore && sizes.has_old_bytes();
  uint64_t final_size = restoring ? sizes.unpatched_size : sizes.patched_size;
  if (final_size > uint64_t(INT64_MAX)) return false;

  try {
    TMemoryStream block;
    DecodedBlocks blocks(data, sizes.has_old_bytes(),
                         [&progress] { return !progress || progress(kProgressWorking, 0); });
    if (!blocks.CheckAll(block)) return false;

    if (progress && !progress(kProgressStart, final_size)) return false;
    bool done = target.Prepare(std::max(final_size, blocks.records_end())) &&
                WriteBlocks(blocks, block, target, restoring, progress) == WriteOutcome::Done;
    block.Clear();
    done = done && (!progress || progress(kProgressPosition, final_size)) &&
           target.Finish(final_size);
    if (!done) target.PutBack();
    return done;
  } catch (const EStreamError&) {
  } catch (const std::bad_alloc&) {
  }
  // The target is put back as `target` goes.
  return false;
}

}  // namespace mendpak
