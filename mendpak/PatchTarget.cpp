#include "mendpak/PatchTarget.h"

#include <algorithm>
#include <cstring>

#include "mendpak/Patcher.h"

namespace mendpak {

namespace {

constexpr size_t kPieceHead = 12;  // offset (8 bytes) and count (4)

ApplyWrites failing_writes = {-1, -1};
ApplyWrites counted_writes;

// Whether the counted write fails (a test asked for it); counts it either way.
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

}  // namespace

void SetFailingWrites(const ApplyWrites& failing) { failing_writes = failing; }

ApplyWrites LastApplyWrites() { return counted_writes; }

// ReplacedBytes ---------------------------------------------------------------------------

ReplacedBytes::~ReplacedBytes() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

bool ReplacedBytes::Keep(uint64_t offset, const uint8_t* bytes, size_t count) {
  if (count == 0) return true;
  uint8_t* last = pieces_.empty() ? nullptr : pieces_.data() + last_piece_;
  if (last && offset == last_end_ && GetLittleEndian(last + 8, 4) + count <= UINT32_MAX) {
    // Right after the last piece: it grows instead, so that records side by side make one
    // piece.
    PutLittleEndian(last + 8, GetLittleEndian(last + 8, 4) + count, 4);
  } else {
    last_piece_ = pieces_.size();
    pieces_.resize(pieces_.size() + kPieceHead);
    PutLittleEndian(pieces_.data() + last_piece_, offset, 8);
    PutLittleEndian(pieces_.data() + last_piece_ + 8, count, 4);
  }
  pieces_.insert(pieces_.end(), bytes, bytes + count);
  last_end_ = offset + count;
  return pieces_.size() <= memory_limit_ || Spill();
}

bool ReplacedBytes::Spill() {
  if (file_ == INVALID_HANDLE_VALUE && !OpenFile()) return false;
  bool fails = FailsForTests(counted_writes.kept, failing_writes.kept);
  // A spill that fails may have left a part of itself at the file's end; the next one
  // starts where the whole ones end.
  if (!MoveHandle(file_, file_bytes_) || !WriteAll(file_, pieces_.data(), pieces_.size(), fails)) {
    return false;
  }
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

bool ReplacedBytes::PutBack(const TPiece& put) {
  bool all = true;
  auto put_each = [&](const uint8_t* run, size_t size) {
    for (size_t at = 0; at + kPieceHead <= size;) {
      uint64_t offset = GetLittleEndian(run + at, 8);
      size_t count = size_t(GetLittleEndian(run + at + 8, 4));
      if (!put(offset, run + at + kPieceHead, count)) all = false;
      at += kPieceHead + count;
    }
  };
  if (!spills_.empty()) {
    std::vector<uint8_t> run(*std::max_element(spills_.begin(), spills_.end()));
    bool readable = MoveHandle(file_, 0);
    for (size_t size : spills_) {
      readable = readable && ReadAll(file_, run.data(), size);
      if (readable) put_each(run.data(), size);
    }
    all = all && readable;
  }
  put_each(pieces_.data(), pieces_.size());
  return all;
}

// PatchTarget -----------------------------------------------------------------------------

PatchTarget::PatchTarget(const std::wstring& path, size_t replaced_in_memory)
    : handle_(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)),
      replaced_(replaced_in_memory) {
  counted_writes = ApplyWrites();
  LARGE_INTEGER size;
  if (opened() && !GetFileSizeEx(handle_, &size)) Close();
  if (opened()) old_size_ = uint64_t(size.QuadPart);
}

PatchTarget::~PatchTarget() {
  if (!finished_) PutBack();
}

bool PatchTarget::Reserve(uint64_t size) { return size <= old_size_ || SetSize(size); }

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

bool PatchTarget::PutBack() {
  if (!opened()) return true;
  bool as_it_was = true;
  if (changed_) {
    putting_back_ = true;
    window_open_ = false;  // what it gathered is not written
    // The old size first: it gives back the room the apply took.
    as_it_was = SetSize(old_size_);
    uint64_t previous_end = 0;
    bool placed = replaced_.PutBack([&](uint64_t offset, const uint8_t* bytes, size_t count) {
      bool close = offset - previous_end <= kCloseGap;
      previous_end = offset + count;
      return Place(offset, bytes, count, close);
    });
    as_it_was = placed && Flush() && as_it_was;
  }
  finished_ = true;
  Close();
  return as_it_was;
}

// Records that follow each other closely are gathered in a window of the file held in
// memory and written back in one piece, the unchanged bytes between them with their own
// values: many small records then cost a few large reads and writes instead of a seek and a
// write each. The file's bytes come out the same either way; bytes past its end read as the
// zeros a write beyond the end leaves.
bool PatchTarget::Place(uint64_t offset, const uint8_t* bytes, size_t count, bool close) {
  if (!InWindow(offset, count)) {
    if (!Flush()) return false;
    if (!close) return WriteAlone(offset, bytes, count);
    if (!OpenWindow(offset)) return false;
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
  return window_open_ && offset >= window_start_ &&
         offset + count <= window_start_ + kWindowBytes;
}

bool PatchTarget::OpenWindow(uint64_t offset) {
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

bool PatchTarget::WriteAlone(uint64_t offset, const uint8_t* bytes, size_t count) {
  if (!putting_back_ && offset < old_size_) {
    size_t present = size_t(std::min<uint64_t>(count, old_size_ - offset));
    alone_.resize(present);
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

// The writes of the put-back are neither counted nor made to fail by tests.
bool PatchTarget::WriteAt(uint64_t offset, const uint8_t* bytes, size_t count) {
  changed_ = true;
  bool fails = !putting_back_ && FailsForTests(counted_writes.target, failing_writes.target);
  return MoveTo(offset) && WriteAll(handle_, bytes, count, fails);
}

bool PatchTarget::SetSize(uint64_t size) {
  changed_ = true;
  if (!putting_back_ && FailsForTests(counted_writes.target, failing_writes.target)) return false;
  return MoveTo(size) && SetEndOfFile(handle_);
}

void PatchTarget::Close() {
  if (opened()) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

}  // namespace mendpak
