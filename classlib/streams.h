// Byte streams of the class-library layer and the writer and reader of an object's stream
// properties.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "classlib/persistent.h"

namespace classlib {

class EStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// A stream had fewer bytes than a read needed: "Stream read error".
class EReadError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
// A stream took fewer bytes than a write gave: "Stream write error".
class EWriteError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;
  virtual ~TStream() = default;

  // Reads up to `count` bytes; returns how many it read (0 at the end).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes up to `count` bytes; returns how many it wrote.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Moves the position and returns the new one.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  int64_t Size();

  // Read and Write that take all `count` bytes or fail with EReadError / EWriteError.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies `count` bytes from `source` (all of it, from its start, when count is 0).
  int64_t CopyFrom(TStream& source, int64_t count);
};

// A stream in memory that grows as it is written.
class TMemoryStream : public TStream {
 public:
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;

  const uint8_t* Memory() const { return bytes_.data(); }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  void Clear() { bytes_.clear(); position_ = 0; }
  // Writes the whole content to a file, replacing it; fails with EWriteError.
  void SaveToFile(const std::wstring& path) const;

 private:
  std::vector<uint8_t> bytes_;
  int64_t position_ = 0;
};

// Writes the stream properties an object declares with DefineProperties. The form: for
// each property that has data, its name (one length byte, then the characters), the value
// tag 0x0A for a block of bytes, the block's size (unsigned 32-bit, little-endian) and the
// block; a zero length byte ends the list.
class TWriter : public TFiler {
 public:
  explicit TWriter(TStream& stream) : stream_(stream) {}
  void DefineBinaryProperty(const std::string& name, BinaryProc read_data,
                            BinaryProc write_data, bool has_data) override;
  void WriteProperties(const DefineProc& define_properties);
  void WriteProperties(TPersistent& instance) { WriteProperties(PropertiesOf(instance)); }

 private:
  TStream& stream_;
};

// Reads the properties TWriter wrote into an object. A property the object does not
// declare fails with EReadError "Property <name> does not exist"; a cut-off stream with
// "Stream read error".
class TReader : public TFiler {
 public:
  explicit TReader(TStream& stream) : stream_(stream) {}
  void DefineBinaryProperty(const std::string& name, BinaryProc read_data,
                            BinaryProc write_data, bool has_data) override;
  void ReadProperties(const DefineProc& define_properties);
  void ReadProperties(TPersistent& instance) { ReadProperties(PropertiesOf(instance)); }

 private:
  TStream& stream_;
  std::map<std::string, BinaryProc> readers_;
};

}  // namespace classlib
