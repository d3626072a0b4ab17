#include "mendpak/PatchTarget.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "mendpak/Patcher.h"

namespace mendpak {

namespace {

constexpr size_t kPieceHead = 12;  // offset (8 bytes) and count (4)

ApplyCalls failing_calls = kNoFailingCalls;
ApplyCalls counted_calls;
TargetSpan failed_write;

// Whether the counted call fails (a test asked for it); counts it either way.
bool FailsForTests(int64_t& counted, int64_t failing) { return counted++ == failing; }

void PutLittleEndian(uint8_t* at, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = uint8_t(value >> (8 * i));
}

uint64_t GetLittleEndian(const uint8_t* at, int bytes) {
  uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | at[i];
  return value;
}

bool MoveHandle(HANDLE handle, uint64_t offset) {
  LARGE_INTEGER distance;
  distance.QuadPart = int64_t(offset);
  return offset <= uint64_t(INT64_MAX) && SetFilePointerEx(handle, distance, nullptr, FILE_BEGIN);
}

bool ReadAll(HANDLE handle, uint8_t* bytes, size_t count) {
  DWORD got = 0;
  return ReadFile(handle, bytes, DWORD(count), &got, nullptr) && got == count;
}

// Writes all the bytes, or, for a write a test makes fail, half of them and then fails.
bool WriteAll(HANDLE handle, const uint8_t* bytes, size_t count, bool fails) {
  DWORD to_write = DWORD(fails ? count / 2 : count);
  DWORD written = 0;
  return WriteFile(handle, bytes, to_write, &written, nullptr) && written == to_write && !fails;
}

// Hands the pieces of one run to the sink, every one even when an earlier one is not put;
// false then, and when the run ends inside a piece.
bool PutEach(PieceSink& sink, const uint8_t* run, size_t size) noexcept {
  bool all = true;
  size_t at = 0;
  while (size - at >= kPieceHead) {
    uint64_t offset = GetLittleEndian(run + at, 8);
    size_t count = size_t(GetLittleEndian(run + at + 8, 4));
    if (count > size - at - kPieceHead) return false;
    all = sink.Put(offset, run + at + kPieceHead, count) && all;
    at += kPieceHead + count;
  }
  return all && at == size;
}

}  // namespace

void SetFailingCalls(const ApplyCalls& failing) { failing_calls = failing; }

ApplyCalls LastApplyCalls() { return counted_calls; }

TargetSpan LastFailedWrite() { return failed_write; }

// ReplacedBytes ---------------------------------------------------------------------------

// Every apply keeps its replaced bytes in one of these: the calls are counted from here.
ReplacedBytes::ReplacedBytes(size_t memory_limit) : memory_limit_(memory_limit) {
  counted_calls = ApplyCalls();
  failed_write = TargetSpan();
}

ReplacedBytes::~ReplacedBytes() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

// A run is spilled as soon as it is past the limit, so it holds at most the limit and one
// more piece.
size_t ReplacedBytes::LargestRun() const { return memory_limit_ + kPieceHead + kLargestKeep; }

void ReplacedBytes::Prepare() { run_.resize(LargestRun()); }

bool ReplacedBytes::Keep(uint64_t offset, const uint8_t* bytes, size_t count) {
  if (count == 0) return true;
  if (count > kLargestKeep) return false;
  // Right after the last piece: it grows instead, so that records side by side make one
  // piece.
  bool joins = !pieces_.empty() && offset == last_end_ &&
               GetLittleEndian(pieces_.data() + last_piece_ + 8, 4) + count <= UINT32_MAX;
  // The room first: when there is none, nothing has changed. Nothing below allocates.
  MakeRoom(pieces_.size() + (joins ? 0 : kPieceHead) + count);
  if (joins) {
    uint8_t* last_count = pieces_.data() + last_piece_ + 8;
    PutLittleEndian(last_count, GetLittleEndian(last_count, 4) + count, 4);
  } else {
    uint8_t head[kPieceHead];
    PutLittleEndian(head, offset, 8);
    PutLittleEndian(head + 8, count, 4);
    last_piece_ = pieces_.size();
    pieces_.insert(pieces_.end(), head, head + kPieceHead);
  }
  pieces_.insert(pieces_.end(), bytes, bytes + count);
  last_end_ = offset + count;
  return pieces_.size() <= memory_limit_ || Spill();
}

void ReplacedBytes::MakeRoom(size_t size) {
  if (FailsForTests(counted_calls.keeps, failing_calls.keeps)) throw std::bad_alloc();
  if (size <= pieces_.capacity()) return;
  pieces_.reserve(std::max(size, std::min(2 * pieces_.capacity(), LargestRun())));
}

bool ReplacedBytes::Spill() {
  if (file_ == INVALID_HANDLE_VALUE && !OpenFile()) return false;
  bool fails = FailsForTests(counted_calls.kept, failing_calls.kept);
  // A spill that fails may have left a part of itself at the file's end; the next one
  // starts where the whole ones end.
  if (!MoveHandle(file_, file_bytes_) || !WriteAll(file_, pieces_.data(), pieces_.size(), fails)) {
    return false;
  }
  // When this throws, the pieces stay in memory, whole, and the file's new bytes unused.
  spills_.push_back(pieces_.size());
  file_bytes_ += pieces_.size();
  pieces_.clear();
  return true;
}

bool ReplacedBytes::OpenFile() {
  wchar_t folder[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  wchar_t name[MAX_PATH];
  if (length == 0 || length > MAX_PATH || !GetTempFileNameW(folder, L"mpk", 0, name)) return false;
  file_ = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file_ != INVALID_HANDLE_VALUE) return true;
  DeleteFileW(name);
  return false;
}

bool ReplacedBytes::PutBack(PieceSink& sink) noexcept {
  bool all = true;
  uint64_t start = 0;
  for (size_t size : spills_) {
    // A run that cannot be read back is lost; the runs after it are read all the same.
    all = (ReadRun(start, size) && PutEach(sink, run_.data(), size)) && all;
    start += size;
  }
  return PutEach(sink, pieces_.data(), pieces_.size()) && all;
}

bool ReplacedBytes::ReadRun(uint64_t start, size_t size) noexcept {
  bool fails = FailsForTests(counted_calls.kept_reads, failing_calls.kept_reads);
  return !fails && size <= run_.size() && MoveHandle(file_, start) &&
         ReadAll(file_, run_.data(), size);
}

// PatchTarget -----------------------------------------------------------------------------

PatchTarget::PatchTarget(const std::wstring& path, size_t replaced_in_memory)
    : handle_(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)),
      replaced_(replaced_in_memory) {
  LARGE_INTEGER size;
  if (opened() && !GetFileSizeEx(handle_, &size)) Close();
  if (opened()) old_size_ = uint64_t(size.QuadPart);
}

PatchTarget::~PatchTarget() noexcept {
  if (!finished_) PutBack();
}

bool PatchTarget::Prepare(uint64_t size) {
  window_.resize(kWindowBytes);
  alone_.resize(ReplacedBytes::kLargestKeep);
  replaced_.Prepare();
  return size <= old_size_ || SetSize(size);
}

bool PatchTarget::WriteRecord(uint32_t delta, const uint8_t* bytes, uint16_t count,
                              uint64_t& offset) {
  offset = cursor_ + delta;
  cursor_ = offset + count;
  return count == 0 || Place(offset, bytes, count, delta <= kCloseGap);
}

bool PatchTarget::Finish(uint64_t size) {
  bool done = Flush() && SetSize(size);
  if (done) {
    finished_ = true;
    Close();
  }
  return done;
}

bool PatchTarget::PutBack() noexcept {
  if (!opened()) return true;
  bool as_it_was = true;
  if (changed_) {
    putting_back_ = true;
    window_open_ = false;  // what it gathered is not written
    // The old size first: it gives back the room the apply took.
    bool sized = SetSize(old_size_);
    put_back_end_ = 0;
    bool placed = replaced_.PutBack(*this);
    bool flushed = Flush();
    as_it_was = sized && placed && flushed;
  }
  finished_ = true;
  Close();
  return as_it_was;
}

// One kept piece of the put-back. A flush that fails loses only the bytes it was to write:
// this piece is placed all the same.
bool PatchTarget::Put(uint64_t offset, const uint8_t* bytes, size_t count) noexcept {
  bool close = offset - put_back_end_ <= kCloseGap;
  put_back_end_ = offset + count;
  bool flushed = InWindow(offset, count) || Flush();
  return Place(offset, bytes, count, close) && flushed;
}

// Records that follow each other closely are gathered in a window of the file held in
// memory and written back in one piece, the unchanged bytes between them with their own
// values: many small records then cost a few large reads and writes instead of a seek and a
// write each. The file's bytes come out the same either way; bytes past its end read as the
// zeros a write beyond the end leaves. What does not fit a window (a long kept piece), lies
// far from the previous record, or finds its window unreadable is written on its own.
bool PatchTarget::Place(uint64_t offset, const uint8_t* bytes, size_t count, bool close) {
  if (!InWindow(offset, count)) {
    if (!Flush()) return false;
    if (!close || count > window_.size() || !OpenWindow(offset)) {
      return WriteAlone(offset, bytes, count);
    }
  }
  size_t at = size_t(offset - window_start_);
  if (!KeepReplaced(offset, window_.data() + at, count)) return false;
  std::memcpy(window_.data() + at, bytes, count);
  dirty_begin_ = std::min(dirty_begin_, at);
  dirty_end_ = std::max(dirty_end_, at + count);
  return true;
}

bool PatchTarget::Flush() {
  if (!window_open_) return true;
  window_open_ = false;
  if (dirty_end_ <= dirty_begin_) return true;
  return WriteAt(window_start_ + dirty_begin_, window_.data() + dirty_begin_,
                 dirty_end_ - dirty_begin_);
}

bool PatchTarget::InWindow(uint64_t offset, size_t count) const {
  return window_open_ && offset >= window_start_ && offset - window_start_ <= window_.size() &&
         count <= window_.size() - size_t(offset - window_start_);
}

bool PatchTarget::OpenWindow(uint64_t offset) {
  DWORD got = 0;
  if (!MoveTo(offset) || !ReadFile(handle_, window_.data(), DWORD(window_.size()), &got, nullptr)) {
    return false;
  }
  std::fill(window_.begin() + got, window_.end(), 0);
  window_open_ = true;
  window_start_ = offset;
  dirty_begin_ = window_.size();
  dirty_end_ = 0;
  return true;
}

bool PatchTarget::WriteAlone(uint64_t offset, const uint8_t* bytes, size_t count) {
  if (!putting_back_ && offset < old_size_) {
    size_t present = size_t(std::min<uint64_t>(count, old_size_ - offset));
    if (present > alone_.size()) return false;
    if (!ReadAt(offset, alone_.data(), present) || !KeepReplaced(offset, alone_.data(), present)) {
      return false;
    }
  }
  return WriteAt(offset, bytes, count);
}

// Only the bytes within the old size are kept: the rest goes when the old size is set again.
bool PatchTarget::KeepReplaced(uint64_t offset, const uint8_t* bytes, size_t count) {
  if (putting_back_ || offset >= old_size_) return true;
  return replaced_.Keep(offset, bytes, size_t(std::min<uint64_t>(count, old_size_ - offset)));
}

bool PatchTarget::MoveTo(uint64_t offset) { return MoveHandle(handle_, offset); }

bool PatchTarget::ReadAt(uint64_t offset, uint8_t* bytes, size_t count) {
  return MoveTo(offset) && ReadAll(handle_, bytes, count);
}

bool PatchTarget::WriteAt(uint64_t offset, const uint8_t* bytes, size_t count) {
  changed_ = true;
  bool fails = Fails();
  if (fails) failed_write = {offset, count};
  return MoveTo(offset) && WriteAll(handle_, bytes, count, fails);
}

bool PatchTarget::SetSize(uint64_t size) {
  changed_ = true;
  return !Fails() && MoveTo(size) && SetEndOfFile(handle_);
}

// Whether the change a test makes fail is this one; the apply's changes and the put-back's
// are counted apart.
bool PatchTarget::Fails() {
  return putting_back_ ? FailsForTests(counted_calls.put_back, failing_calls.put_back)
                       : FailsForTests(counted_calls.target, failing_calls.target);
}

void PatchTarget::Close() {
  if (opened()) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

}  // namespace mendpak
