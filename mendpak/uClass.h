// Streams of the patch installer: file handles and file and memory streams.
//
// The installer reads its own executable through a TFileStream and collects each decoded
// patch block in a TMemoryStream. Failures are reported by throwing EStreamError, which
// carries nothing: reads and writes on handles never throw, they count a failed call as 0.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace mendpak {

class EStreamError {};

// Seek origins.
constexpr uint16_t soFromBeginning = 0;
constexpr uint16_t soFromCurrent = 1;
constexpr uint16_t soFromEnd = 2;

// Open modes of TFileStream: low two bits access, high nibble of the low byte sharing.
constexpr uint32_t fmOpenRead = 0x00;
constexpr uint32_t fmOpenWrite = 0x01;
constexpr uint32_t fmOpenReadWrite = 0x02;
constexpr uint32_t fmShareExclusive = 0x10;
constexpr uint32_t fmShareDenyWrite = 0x20;
constexpr uint32_t fmShareDenyRead = 0x30;
constexpr uint32_t fmShareDenyNone = 0x40;
constexpr uint32_t fmCreate = 0xFFFF;

// File-handle functions; names are in the ANSI code page.
HANDLE OpenFileHandle(const std::string& name, uint32_t mode);
HANDLE CreateFileHandle(const std::string& name);
int32_t ReadFromHandle(HANDLE handle, void* buffer, int32_t count);
int32_t WriteToHandle(HANDLE handle, const void* buffer, int32_t count);
int64_t SeekHandle(HANDLE handle, int64_t offset, uint32_t origin);
void CloseFileHandle(HANDLE handle);

class TStream {
 public:
  virtual ~TStream() = default;

  virtual int64_t GetSize();
  virtual void SetSize32(int32_t new_size);
  virtual void SetSize64(int64_t new_size);
  virtual int32_t Read(void* buffer, int32_t count);
  virtual int32_t Write(const void* buffer, int32_t count);
  // A class gives a body to one of the two seeks; the other bridges to it.
  virtual int32_t Seek32(int32_t offset, uint16_t origin);
  virtual int64_t Seek64(int64_t offset, uint16_t origin);

  int64_t Position() { return Seek64(0, soFromCurrent); }
  void SetPosition(int64_t position) { Seek64(position, soFromBeginning); }
  int64_t Size() { return GetSize(); }
};

class THandleStream : public TStream {
 public:
  explicit THandleStream(HANDLE handle) : handle_(handle) {}
  HANDLE Handle() const { return handle_; }

  void SetSize32(int32_t new_size) override;
  void SetSize64(int64_t new_size) override;
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek64(int64_t offset, uint16_t origin) override;

 protected:
  HANDLE handle_;
};

class TFileStream : public THandleStream {
 public:
  // Mode fmCreate creates (or empties) the file; any other mode opens an existing one.
  // Throws EStreamError when the file cannot be had.
  TFileStream(const std::string& file_name, uint32_t mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  const std::string& FileName() const { return file_name_; }

 private:
  std::string file_name_;
};

class TCustomMemoryStream : public TStream {
 public:
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Seek32(int32_t offset, uint16_t origin) override;

  void* Memory() const { return memory_; }

 protected:
  void SetPointer(void* memory, int32_t size) {
    memory_ = memory;
    size_ = size;
  }

  void* memory_ = nullptr;
  int32_t size_ = 0;
  int32_t position_ = 0;
};

class TMemoryStream : public TCustomMemoryStream {
 public:
  TMemoryStream() = default;
  ~TMemoryStream() override;
  TMemoryStream(const TMemoryStream&) = delete;
  TMemoryStream& operator=(const TMemoryStream&) = delete;

  void SetSize32(int32_t new_size) override;
  int32_t Write(const void* buffer, int32_t count) override;

  // Releases the block: capacity, size and position become 0.
  void Clear();
  void SetCapacity(int32_t new_capacity);
  int32_t Capacity() const { return capacity_; }

 protected:
  // Gives the block for a capacity of new_capacity, which it rounds as it allocates.
  virtual void* Realloc(int32_t& new_capacity);

 private:
  int32_t capacity_ = 0;
};

}  // namespace mendpak
