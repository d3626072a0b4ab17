#include "tools/mendfuzz/reference.h"

#include <algorithm>
#include <cstring>

#include "tools/mendfuzz/lzma_reference.h"

namespace mendfuzz {

namespace {

constexpr uint64_t kBoundary = 512;
constexpr uint64_t kLargestFileOffset = 0x7FFFFFFFFFFFFFFFull;

// Little-endian fields read from a position that moves on; `ok` turns false for good once a
// field runs past the end.
class FieldReader {
 public:
  FieldReader(const std::string& bytes, size_t position) : bytes_(bytes), position_(position) {}

  uint64_t Read(size_t width) {
    if (!Has(width)) {
      ok_ = false;
      position_ = bytes_.size();
      return 0;
    }
    uint64_t value = 0;
    for (size_t i = width; i > 0; --i) value = value << 8 | uint8_t(bytes_[position_ + i - 1]);
    position_ += width;
    return value;
  }

  void Skip(uint64_t count) {
    if (!Has(count)) {
      ok_ = false;
      position_ = bytes_.size();
      return;
    }
    position_ += size_t(count);
  }

  bool Has(uint64_t count) const { return bytes_.size() - position_ >= count; }
  bool ok() const { return ok_; }
  size_t position() const { return position_; }
  size_t left() const { return bytes_.size() - position_; }

 private:
  const std::string& bytes_;
  size_t position_;
  bool ok_ = true;
};

struct Header {
  bool has_old = false;
  uint64_t patched_size = 0;
  uint64_t unpatched_size = 0;
  size_t blocks_start = 0;
};

// Finds the magic at the first boundary that holds it and reads the header; false when
// there is no magic or the header runs past the end.
bool ReadHeader(const std::string& data, Header& header, std::string& why) {
  size_t magic = std::string::npos;
  for (uint64_t at = 0; at + 8 <= data.size(); at += kBoundary) {
    if (std::memcmp(data.data() + at, "PATCHDAT", 8) == 0) {
      magic = size_t(at);
      break;
    }
  }
  if (magic == std::string::npos) {
    why = "no magic at any boundary";
    return false;
  }
  FieldReader reader(data, magic + 8);
  uint64_t title_units = reader.Read(4);
  reader.Skip(title_units * 2);
  uint64_t note_bytes = reader.Read(4);
  reader.Skip(note_bytes);
  uint32_t flags = uint32_t(reader.Read(4));
  header.has_old = (flags & 1) != 0;
  header.patched_size = reader.Read(8);
  if (header.has_old) header.unpatched_size = reader.Read(8);
  header.blocks_start = reader.position();
  if (!reader.ok()) why = "header runs past the end of the file";
  return reader.ok();
}

// The records of one block's output, appended to the expectation; false with `why` set
// when a record's fields or bytes run past the output.
bool TakeRecords(const std::string& output, bool has_old, bool restoring, uint64_t& cursor,
                 Expectation& expectation, std::string& why) {
  size_t at = 0;
  auto byte = [&](size_t i) { return uint32_t(uint8_t(output[i])); };
  while (at < output.size()) {
    size_t delta_bytes = 1 + (byte(at) >> 6);
    if (output.size() - at < delta_bytes) {
      why = "record Delta cut by the end of the block's output";
      return false;
    }
    uint32_t delta = byte(at) & 0x3F;
    for (size_t i = 1; i < delta_bytes; ++i) delta = delta << 8 | byte(at + i);
    at += delta_bytes;
    if (at == output.size()) {
      why = "record Count missing at the end of the block's output";
      return false;
    }
    uint32_t count = byte(at);
    if (count >= 0x80) {
      if (output.size() - at < 2) {
        why = "record Count cut by the end of the block's output";
        return false;
      }
      count = (count & 0x7F) << 8 | byte(at + 1);
      at += 2;
    } else {
      at += 1;
    }
    size_t halves = has_old ? 2 : 1;
    if (output.size() - at < count * halves) {
      why = "record bytes run past the end of the block's output";
      return false;
    }
    size_t selected = (has_old && restoring) ? at + count : at;
    uint64_t offset = cursor + delta;
    cursor = offset + count;
    expectation.record_offsets.push_back(offset);
    if (count > 0) expectation.writes.push_back({offset, output.substr(selected, count)});
    at += count * halves;
  }
  return true;
}

// The blocks from `position` to the end; false with `why` set on the first damaged one.
bool TakeBlocks(const std::string& data, size_t position, bool has_old, bool restoring,
                Expectation& expectation, std::string& why) {
  uint64_t cursor = 0;
  for (int block = 0; position < data.size(); ++block) {
    std::string where = "block " + std::to_string(block) + ": ";
    size_t left = data.size() - position;
    // One to four bytes after the last block are no block.
    if (left < 5) return true;
    uint8_t properties = uint8_t(data[position]);
    LzmaBlockParams params;
    params.lc = properties % 9;
    params.lp = properties / 9 % 5;
    params.pb = properties / 45;
    FieldReader fields(data, position + 1);
    params.dictionary_size = uint32_t(fields.Read(4));
    if (properties >= 225 || params.lc + params.lp > 4) {
      why = where + "properties byte " + std::to_string(properties) + " not accepted";
      return false;
    }
    if (params.dictionary_size >= 0x80000000u) {
      why = where + "dictionary of 2^31 bytes or more";
      return false;
    }
    params.unpacked_size = uint32_t(fields.Read(4));
    if (!fields.ok()) {
      why = where + "block header cut by the end of the file";
      return false;
    }
    size_t lzma_start = position + 9;
    LzmaBlockResult block_result =
        DecodeLzmaBlock(reinterpret_cast<const uint8_t*>(data.data()) + lzma_start,
                        data.size() - lzma_start, params);
    if (!block_result.ok) {
      why = where + block_result.error;
      return false;
    }
    position = lzma_start + block_result.consumed;
    if (!TakeRecords(block_result.output, has_old, restoring, cursor, expectation, why)) {
      why = where + why;
      return false;
    }
  }
  return true;
}

}  // namespace

const char* VerdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::NoPatchData: return "no patch data";
    case Verdict::Refused: return "refused";
    case Verdict::Applies: return "applies";
  }
  return "?";
}

Expectation WorkOutPatch(const std::string& data, bool restore, uint64_t largest_target) {
  Expectation expectation;
  Header header;
  if (!ReadHeader(data, header, expectation.why)) return expectation;
  expectation.verdict = Verdict::Refused;
  bool restoring = restore && header.has_old;
  expectation.final_size = restoring ? header.unpatched_size : header.patched_size;
  if (expectation.final_size > kLargestFileOffset) {
    expectation.why = "final size beyond the largest file offset";
    return expectation;
  }
  if (!TakeBlocks(data, header.blocks_start, header.has_old, restoring, expectation,
                  expectation.why)) {
    return expectation;
  }
  // The target must take every record's bytes and its final size.
  uint64_t needed = expectation.final_size;
  for (const TargetWrite& write : expectation.writes) {
    needed = std::max(needed, write.offset + write.bytes.size());
  }
  if (needed > largest_target) {
    expectation.why = "the target would need " + std::to_string(needed) +
                      " bytes, more than its volume gives a file";
    return expectation;
  }
  expectation.verdict = Verdict::Applies;
  return expectation;
}

}  // namespace mendfuzz
