#include "mendpak/Patcher.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "mendpak/PatchBlock.h"

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
  if (data.Read(raw, bytes) != bytes) return false;
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

// The decoded blocks of one apply. Every block is decoded and checked before anything is
// written, so that damaged data leaves the target as it was; while their output stays
// small it is kept, so that the write pass need not decode it again.
class DecodedBlocks {
 public:
  DecodedBlocks(TStream& data, bool has_old) : data_(data), has_old_(has_old) {}

  bool CheckAll(TMemoryStream& block) {
    start_ = data_.Position();
    kept_all_ = true;
    int64_t kept_bytes = 0;
    while (data_.Position() < data_.Size()) {
      block.Clear();
      BlockResult result = decoder_.Decode(data_, block);
      if (result == BlockResult::NoBlock) break;
      if (result == BlockResult::Failed || !RecordsFit(block)) return false;
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
      failed = result == BlockResult::Failed;
      if (result != BlockResult::Decoded) return false;
    }
    block.SetPosition(0);
    return true;
  }

  bool has_old() const { return has_old_; }
  // The size the target needs for every record's bytes (known once CheckAll passed).
  uint64_t records_end() const { return records_end_; }

 private:
  bool RecordsFit(TMemoryStream& block) {
    block.SetPosition(0);
    while (block.Position() < block.Size()) {
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
  BlockDecoder decoder_;
  std::vector<std::string> kept_;
  bool kept_all_ = false;
  size_t next_kept_ = 0;
  int64_t start_ = 0;
  uint64_t cursor_ = 0;
  uint64_t records_end_ = 0;
};

// The target file, held open and unshared for the length of one apply.
//
// Records that follow each other closely are gathered in a window of the file held in
// memory and written back in one piece, the unchanged bytes between them with their own
// values: many small records then cost a few large reads and writes instead of a seek and a
// write each. The file's bytes come out the same either way; bytes past its end read as the
// zeros a write beyond the end leaves.
class Target {
 public:
  explicit Target(const std::wstring& path)
      : handle_(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~Target() { Close(); }
  Target(const Target&) = delete;
  Target& operator=(const Target&) = delete;

  bool opened() const { return handle_ != INVALID_HANDLE_VALUE; }

  // Moves the cursor Delta forward and writes the bytes there; `offset` receives where.
  bool WriteRecord(uint32_t delta, const uint8_t* bytes, uint16_t count, uint64_t& offset) {
    offset = cursor_ + delta;
    cursor_ = offset + count;
    if (count == 0) return true;
    if (!InWindow(offset, count)) {
      if (!Flush()) return false;
      if (delta > kCloseGap) return WriteAt(offset, bytes, count);
      if (!OpenWindow(offset)) return false;
    }
    size_t at = size_t(offset - window_start_);
    std::memcpy(window_.data() + at, bytes, count);
    dirty_begin_ = std::min(dirty_begin_, at);
    dirty_end_ = std::max(dirty_end_, at + count);
    return true;
  }

  // Writes what the window gathered.
  bool Flush() {
    if (!window_open_) return true;
    window_open_ = false;
    if (dirty_end_ <= dirty_begin_) return true;
    return WriteAt(window_start_ + dirty_begin_, window_.data() + dirty_begin_,
                   dirty_end_ - dirty_begin_);
  }

  void Close() {
    if (opened()) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

  // Makes the file at least `size` bytes long before any record is written: a target that
  // its volume cannot make that large is then refused as it was, instead of failing after
  // some records were written.
  bool Reserve(uint64_t size) {
    LARGE_INTEGER current;
    if (!GetFileSizeEx(handle_, &current)) return false;
    uint64_t old_size = uint64_t(current.QuadPart);
    if (size <= old_size) return true;
    if (size <= uint64_t(INT64_MAX) && MoveTo(size) && SetEndOfFile(handle_)) return true;
    if (MoveTo(old_size)) SetEndOfFile(handle_);
    return false;
  }

  bool Resize(uint64_t size) {
    bool flushed = Flush();
    return flushed && size <= uint64_t(INT64_MAX) && MoveTo(size) && SetEndOfFile(handle_);
  }

 private:
  static constexpr size_t kWindowBytes = 256 * 1024;
  // A record this close to the previous one opens a window at it.
  static constexpr uint32_t kCloseGap = 8 * 1024;

  bool InWindow(uint64_t offset, size_t count) const {
    return window_open_ && offset >= window_start_ &&
           offset + count <= window_start_ + kWindowBytes;
  }

  bool MoveTo(uint64_t offset) {
    LARGE_INTEGER distance;
    distance.QuadPart = int64_t(offset);
    return SetFilePointerEx(handle_, distance, nullptr, FILE_BEGIN) != 0;
  }

  bool OpenWindow(uint64_t offset) {
    window_.resize(kWindowBytes);
    DWORD got = 0;
    if (!MoveTo(offset) || !ReadFile(handle_, window_.data(), DWORD(kWindowBytes), &got, nullptr)) {
      return false;
    }
    std::fill(window_.begin() + got, window_.end(), 0);
    window_open_ = true;
    window_start_ = offset;
    dirty_begin_ = kWindowBytes;
    dirty_end_ = 0;
    return true;
  }

  bool WriteAt(uint64_t offset, const uint8_t* bytes, size_t count) {
    DWORD written = 0;
    return MoveTo(offset) && WriteFile(handle_, bytes, DWORD(count), &written, nullptr) &&
           written == count;
  }

  HANDLE handle_;
  uint64_t cursor_ = 0;
  std::vector<uint8_t> window_;
  bool window_open_ = false;
  uint64_t window_start_ = 0;
  size_t dirty_begin_ = 0;
  size_t dirty_end_ = 0;
};

enum class WriteOutcome { Done, Stopped };

// Writes every record of the blocks; Stopped when a block, a write or the callback failed.
WriteOutcome WriteBlocks(DecodedBlocks& blocks, TMemoryStream& block, Target& target,
                         bool restore, const TPatchProgress& progress) {
  std::vector<uint8_t> buffer(kRecordBuffer);
  bool has_old = blocks.has_old();
  bool failed = false;
  while (blocks.Next(block, failed)) {
    while (block.Position() < block.Size()) {
      RecordFields record;
      if (!ReadRecordFields(block, has_old, record)) return WriteOutcome::Stopped;
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
  Target target(target_path);
  if (!target.opened()) return false;

  PatchSizes sizes;
  if (!ReadSizes(data, sizes)) return false;
  bool restoring = restore && sizes.has_old_bytes();
  uint64_t final_size = restoring ? sizes.unpatched_size : sizes.patched_size;
  if (final_size > uint64_t(INT64_MAX)) return false;

  try {
    TMemoryStream block;
    DecodedBlocks blocks(data, sizes.has_old_bytes());
    if (!blocks.CheckAll(block)) return false;

    if (progress && !progress(kProgressStart, final_size)) return false;
    if (!target.Reserve(std::max(final_size, blocks.records_end()))) return false;
    bool result = WriteBlocks(blocks, block, target, restoring, progress) == WriteOutcome::Done;
    block.Clear();
    if (!target.Resize(final_size)) result = false;
    target.Close();
    if (progress && !progress(kProgressPosition, final_size)) result = false;
    return result;
  } catch (const EStreamError&) {
    return false;
  }
}

}  // namespace mendpak
