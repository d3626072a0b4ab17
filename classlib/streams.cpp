#include "classlib/streams.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace classlib {

namespace {

constexpr uint8_t kBinaryValueTag = 0x0A;

}  // namespace

int64_t TStream::Size() {
  int64_t position = Position();
  int64_t size = Seek(0, TSeekOrigin::soEnd);
  SetPosition(position);
  return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count > 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count > 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<uint8_t> chunk(static_cast<size_t>(std::min<int64_t>(count, 1 << 16)));
  for (int64_t left = count; left > 0;) {
    int64_t piece = std::min<int64_t>(left, static_cast<int64_t>(chunk.size()));
    source.ReadBuffer(chunk.data(), piece);
    WriteBuffer(chunk.data(), piece);
    left -= piece;
  }
  return count;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  int64_t available = static_cast<int64_t>(bytes_.size()) - position_;
  int64_t taken = std::max<int64_t>(0, std::min(count, available));
  if (taken > 0) std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(taken));
  position_ += taken;
  return taken;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  size_t end = static_cast<size_t>(position_ + count);
  if (end > bytes_.size()) bytes_.resize(end);
  std::memcpy(bytes_.data() + position_, buffer, static_cast<size_t>(count));
  position_ += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == TSeekOrigin::soBeginning ? 0
                 : origin == TSeekOrigin::soCurrent ? position_
                                                    : static_cast<int64_t>(bytes_.size());
  // A position before the start is kept at the start; one past the end reads nothing.
  position_ = std::max<int64_t>(0, base + offset);
  return position_;
}

void TMemoryStream::SaveToFile(const std::wstring& path) const {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw EWriteError("Stream write error");
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes_.data(), static_cast<DWORD>(bytes_.size()), &written, nullptr);
  CloseHandle(file);
  if (!ok || written != bytes_.size()) throw EWriteError("Stream write error");
}

void TWriter::DefineBinaryProperty(const std::string& name, BinaryProc, BinaryProc write_data,
                                   bool has_data) {
  if (!has_data || !write_data) return;
  TMemoryStream block;
  write_data(block);
  uint8_t name_length = static_cast<uint8_t>(std::min<size_t>(name.size(), 255));
  uint32_t block_size = static_cast<uint32_t>(block.Bytes().size());
  stream_.WriteBuffer(&name_length, 1);
  stream_.WriteBuffer(name.data(), name_length);
  stream_.WriteBuffer(&kBinaryValueTag, 1);
  stream_.WriteBuffer(&block_size, sizeof block_size);
  stream_.WriteBuffer(block.Memory(), block_size);
}

void TWriter::WriteProperties(const DefineProc& define_properties) {
  define_properties(*this);
  const uint8_t end_of_list = 0;
  stream_.WriteBuffer(&end_of_list, 1);
}

void TReader::DefineBinaryProperty(const std::string& name, BinaryProc read_data, BinaryProc,
                                   bool) {
  if (read_data) readers_[name] = std::move(read_data);
}

void TReader::ReadProperties(const DefineProc& define_properties) {
  readers_.clear();
  define_properties(*this);
  for (;;) {
    uint8_t name_length = 0;
    stream_.ReadBuffer(&name_length, 1);
    if (name_length == 0) return;
    std::string name(name_length, '\0');
    stream_.ReadBuffer(name.data(), name_length);
    uint8_t tag = 0;
    stream_.ReadBuffer(&tag, 1);
    if (tag != kBinaryValueTag) throw EReadError("Invalid property value");
    uint32_t block_size = 0;
    stream_.ReadBuffer(&block_size, sizeof block_size);
    auto reader = readers_.find(name);
    if (reader == readers_.end()) throw EReadError("Property " + name + " does not exist");
    // The block is handed over on its own, so that a reader cannot run past its end.
    TMemoryStream block;
    if (block_size > 0) block.CopyFrom(stream_, block_size);
    block.SetPosition(0);
    reader->second(block);
  }
}

}  // namespace classlib
