#include "mendpak/uClass.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace mendpak {

namespace {

constexpr int64_t kMemoryDelta = 8192;

// Set while one of TStream's seek bridges runs: a bridge that finds it set has been reached
// from the other bridge, so the class gives a body to neither seek.
thread_local bool seek_bridge_active = false;

class SeekBridge {
 public:
  SeekBridge() {
    if (seek_bridge_active) throw EStreamError();
    seek_bridge_active = true;
  }
  ~SeekBridge() { seek_bridge_active = false; }
  SeekBridge(const SeekBridge&) = delete;
  SeekBridge& operator=(const SeekBridge&) = delete;
};

bool FitsInt32(int64_t value) { return value >= INT32_MIN && value <= INT32_MAX; }

DWORD AccessOf(uint32_t mode) {
  static const DWORD kAccess[3] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
  return kAccess[mode & 3];
}

DWORD SharingOf(uint32_t mode) {
  static const DWORD kSharing[5] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE};
  return kSharing[(mode & 0xF0) >> 4];
}

}  // namespace

// File-handle functions -------------------------------------------------------------------

HANDLE OpenFileHandle(const std::string& name, uint32_t mode) {
  if ((mode & 3) == 3 || (mode & 0xF0) > 0x40) return INVALID_HANDLE_VALUE;
  return CreateFileA(name.c_str(), AccessOf(mode), SharingOf(mode), nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE CreateFileHandle(const std::string& name) {
  return CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

int32_t ReadFromHandle(HANDLE handle, void* buffer, int32_t count) {
  DWORD done = 0;
  if (count < 0 || !ReadFile(handle, buffer, DWORD(count), &done, nullptr)) return -1;
  return int32_t(done);
}

int32_t WriteToHandle(HANDLE handle, const void* buffer, int32_t count) {
  DWORD done = 0;
  if (count < 0 || !WriteFile(handle, buffer, DWORD(count), &done, nullptr)) return -1;
  return int32_t(done);
}

int64_t SeekHandle(HANDLE handle, int64_t offset, uint32_t origin) {
  LONG high = LONG(offset >> 32);
  // A low part of 0xFFFFFFFF is a valid position: only the error code tells them apart.
  SetLastError(NO_ERROR);
  DWORD low = SetFilePointer(handle, LONG(uint32_t(offset)), &high, origin);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
  return int64_t((uint64_t(uint32_t(high)) << 32) | low);
}

void CloseFileHandle(HANDLE handle) { CloseHandle(handle); }

// TStream ---------------------------------------------------------------------------------

int64_t TStream::GetSize() {
  int64_t position = Seek64(0, soFromCurrent);
  int64_t size = Seek64(0, soFromEnd);
  Seek64(position, soFromBeginning);
  return size;
}

void TStream::SetSize32(int32_t) {}

void TStream::SetSize64(int64_t new_size) {
  if (!FitsInt32(new_size)) throw EStreamError();
  SetSize32(int32_t(new_size));
}

int32_t TStream::Read(void*, int32_t) { throw EStreamError(); }

int32_t TStream::Write(const void*, int32_t) { throw EStreamError(); }

int32_t TStream::Seek32(int32_t offset, uint16_t origin) {
  SeekBridge bridge;
  return int32_t(Seek64(offset, origin));
}

int64_t TStream::Seek64(int64_t offset, uint16_t origin) {
  if (!FitsInt32(offset)) throw EStreamError();
  SeekBridge bridge;
  return Seek32(int32_t(offset), origin);
}

// THandleStream ---------------------------------------------------------------------------

void THandleStream::SetSize32(int32_t new_size) { SetSize64(new_size); }

void THandleStream::SetSize64(int64_t new_size) {
  Seek64(new_size, soFromBeginning);
  if (!SetEndOfFile(handle_)) throw EStreamError();
}

int32_t THandleStream::Read(void* buffer, int32_t count) {
  int32_t done = ReadFromHandle(handle_, buffer, count);
  return done == -1 ? 0 : done;
}

int32_t THandleStream::Write(const void* buffer, int32_t count) {
  int32_t done = WriteToHandle(handle_, buffer, count);
  return done == -1 ? 0 : done;
}

int64_t THandleStream::Seek64(int64_t offset, uint16_t origin) {
  return SeekHandle(handle_, offset, origin & 0x7F);
}

// TFileStream -----------------------------------------------------------------------------

TFileStream::TFileStream(const std::string& file_name, uint32_t mode)
    : THandleStream(mode == fmCreate ? CreateFileHandle(file_name)
                                     : OpenFileHandle(file_name, mode)),
      file_name_(file_name) {
  if (handle_ == INVALID_HANDLE_VALUE) throw EStreamError();
}

TFileStream::~TFileStream() {
  if (handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr) CloseFileHandle(handle_);
}

// TCustomMemoryStream ---------------------------------------------------------------------

int32_t TCustomMemoryStream::Read(void* buffer, int32_t count) {
  if (position_ < 0 || count < 0) return 0;
  int32_t left = size_ - position_;
  if (left <= 0) return 0;
  int32_t taken = count < left ? count : left;
  std::memcpy(buffer, static_cast<const char*>(memory_) + position_, size_t(taken));
  position_ += taken;
  return taken;
}

int32_t TCustomMemoryStream::Seek32(int32_t offset, uint16_t origin) {
  // No range check: the position may lie beyond the size or below 0. The sum wraps as a
  // 32-bit value, as the position is one.
  switch (origin) {
    case soFromBeginning: position_ = offset; break;
    case soFromCurrent: position_ = int32_t(uint32_t(position_) + uint32_t(offset)); break;
    case soFromEnd: position_ = int32_t(uint32_t(size_) + uint32_t(offset)); break;
    default: break;
  }
  return position_;
}

// TMemoryStream ---------------------------------------------------------------------------

TMemoryStream::~TMemoryStream() { Clear(); }

void TMemoryStream::Clear() {
  SetCapacity(0);
  size_ = 0;
  position_ = 0;
}

void TMemoryStream::SetCapacity(int32_t new_capacity) {
  memory_ = Realloc(new_capacity);
  capacity_ = new_capacity;
  // Never let the size claim bytes the block no longer holds.
  if (size_ > capacity_) size_ = capacity_;
}

void* TMemoryStream::Realloc(int32_t& new_capacity) {
  if (new_capacity < 0) throw EStreamError();
  if (new_capacity > 0 && new_capacity != size_) {
    int64_t rounded = (int64_t(new_capacity) + kMemoryDelta - 1) / kMemoryDelta * kMemoryDelta;
    if (rounded > INT32_MAX) throw EStreamError();
    new_capacity = int32_t(rounded);
  }
  if (new_capacity == capacity_) return memory_;
  if (new_capacity == 0) {
    std::free(memory_);
    return nullptr;
  }
  void* block = std::realloc(memory_, size_t(new_capacity));
  if (!block) throw EStreamError();
  return block;
}

void TMemoryStream::SetSize32(int32_t new_size) {
  int32_t old_position = position_;
  SetCapacity(new_size);
  size_ = new_size;
  if (old_position > new_size) Seek32(0, soFromEnd);
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (position_ < 0 || count < 0) return 0;
  int64_t end = int64_t(position_) + count;
  if (end <= 0) return 0;
  if (end > INT32_MAX) throw EStreamError();
  if (end > size_) {
    if (end > capacity_) SetCapacity(int32_t(end));
    size_ = int32_t(end);
  }
  std::memcpy(static_cast<char*>(memory_) + position_, buffer, size_t(count));
  position_ = int32_t(end);
  return count;
}

}  // namespace mendpak
