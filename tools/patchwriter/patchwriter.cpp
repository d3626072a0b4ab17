#include "tools/patchwriter/patchwriter.h"

#include <lzma.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace patchwriter {

namespace {

void PutLittleEndian(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(char(value >> (8 * i)));
}

uint8_t ByteAt(const std::string& bytes, size_t index) {
  return index < bytes.size() ? uint8_t(bytes[index]) : 0;
}

std::string PaddedRange(const std::string& bytes, size_t start, size_t length) {
  std::string range(length, '\0');
  if (start < bytes.size()) {
    size_t present = std::min(length, bytes.size() - start);
    range.replace(0, present, bytes, start, present);
  }
  return range;
}

int ShortestDeltaWidth(uint32_t delta) {
  if (delta < (1u << 6)) return 1;
  if (delta < (1u << 14)) return 2;
  if (delta < (1u << 22)) return 3;
  return 4;
}

// Adds records for [start, end), split so that no record exceeds the largest Count.
void AddRun(std::vector<Record>& records, const std::string& old_file,
            const std::string& new_file, bool with_old, size_t start, size_t end) {
  for (size_t at = start; at < end; at += kLargestCount) {
    size_t length = std::min<size_t>(kLargestCount, end - at);
    Record record;
    record.offset = at;
    record.new_bytes = PaddedRange(new_file, at, length);
    if (with_old) record.old_bytes = PaddedRange(old_file, at, length);
    records.push_back(std::move(record));
  }
}

lzma_options_lzma EncoderOptions(const BlockOptions& options) {
  lzma_options_lzma lzma = {};
  if (lzma_lzma_preset(&lzma, options.preset)) throw std::runtime_error("bad preset");
  lzma.lc = options.properties % 9;
  lzma.lp = options.properties / 9 % 5;
  lzma.pb = options.properties / 45;
  lzma.dict_size = std::max<uint32_t>(options.dictionary_size, LZMA_DICT_SIZE_MIN);
  lzma.ext_flags = options.end_marker ? LZMA_LZMA1EXT_ALLOW_EOPM : 0;
  return lzma;
}

// One encoder per thread, set up anew for each block: liblzma then reuses its tables, which
// are far dearer to allocate than a small block is to compress.
struct Encoder {
  lzma_stream stream = LZMA_STREAM_INIT;
  ~Encoder() { lzma_end(&stream); }
};

std::string Compress(const std::string& input, const BlockOptions& options) {
  lzma_options_lzma lzma = EncoderOptions(options);
  // A dictionary larger than the input finds nothing more, but the encoder would still set
  // up its match finder for all of it, which dominates the cost of small blocks. The
  // header keeps the dictionary size asked for; a decoder with a larger dictionary than
  // the encoder used reads the data all the same.
  const size_t useful = std::max<size_t>(input.size(), LZMA_DICT_SIZE_MIN);
  if (useful < lzma.dict_size) lzma.dict_size = uint32_t(useful);
  lzma_filter filters[2] = {{LZMA_FILTER_LZMA1EXT, &lzma}, {LZMA_VLI_UNKNOWN, nullptr}};
  thread_local Encoder encoder;
  lzma_stream& stream = encoder.stream;
  if (lzma_raw_encoder(&stream, filters) != LZMA_OK) throw std::runtime_error("encoder");
  std::string out;
  std::vector<uint8_t> piece(1 << 16);
  stream.next_in = reinterpret_cast<const uint8_t*>(input.data());
  stream.avail_in = input.size();
  lzma_ret ret;
  do {
    stream.next_out = piece.data();
    stream.avail_out = piece.size();
    ret = lzma_code(&stream, LZMA_FINISH);
    out.append(reinterpret_cast<const char*>(piece.data()), piece.size() - stream.avail_out);
  } while (ret == LZMA_OK);
  if (ret != LZMA_STREAM_END) throw std::runtime_error("encoding failed");
  return out;
}

// The range coder of LZMA data, for blocks coded here without the library.
class RangeEncoder {
 public:
  void Bit(uint16_t& probability, uint32_t bit) {
    uint32_t bound = (range_ >> 11) * probability;
    if (bit == 0) {
      range_ = bound;
      probability = uint16_t(probability + ((2048 - probability) >> 5));
    } else {
      low_ += bound;
      range_ -= bound;
      probability = uint16_t(probability - (probability >> 5));
    }
    while (range_ < (1u << 24)) {
      range_ <<= 8;
      ShiftLow();
    }
  }

  std::string Finish() {
    for (int i = 0; i < 5; ++i) ShiftLow();
    return std::move(out_);
  }

 private:
  // Bytes wait in `cache_` (and a run of 0xFF after it) until a carry can no longer reach
  // them.
  void ShiftLow() {
    if (uint32_t(low_) < 0xFF000000u || (low_ >> 32) != 0) {
      uint8_t carry = uint8_t(low_ >> 32);
      uint8_t pending = cache_;
      do {
        out_.push_back(char(uint8_t(pending + carry)));
        pending = 0xFF;
      } while (--cache_size_ != 0);
      cache_ = uint8_t(low_ >> 24);
    }
    ++cache_size_;
    low_ = (low_ & 0x00FFFFFFu) << 8;
  }

  uint64_t low_ = 0;
  uint32_t range_ = 0xFFFFFFFFu;
  uint8_t cache_ = 0;
  uint64_t cache_size_ = 1;
  std::string out_;
};

// Every byte a literal: the coder's state stays the one after a literal, so each byte is
// its is-match bit (0) and the eight bits of its literal, in the literal context of lc and lp.
std::string CompressLiterals(const std::string& input, const BlockOptions& options) {
  const uint32_t lc = options.properties % 9;
  const uint32_t lp = options.properties / 9 % 5;
  const uint32_t pb = options.properties / 45;
  std::vector<uint16_t> is_match(size_t(1) << pb, 1024);
  std::vector<uint16_t> literal(size_t(0x300) << (lc + lp), 1024);
  RangeEncoder encoder;
  uint32_t previous = 0;
  for (size_t position = 0; position < input.size(); ++position) {
    encoder.Bit(is_match[position & ((1u << pb) - 1)], 0);
    size_t context = ((position & ((1u << lp) - 1)) << lc) + (previous >> (8 - lc));
    uint16_t* probabilities = &literal[0x300 * context];
    uint32_t byte = uint8_t(input[position]);
    for (uint32_t symbol = 1, bit = 8; bit-- > 0;) {
      uint32_t value = (byte >> bit) & 1;
      encoder.Bit(probabilities[symbol], value);
      symbol = symbol << 1 | value;
    }
    previous = byte;
  }
  return encoder.Finish();
}

}  // namespace

std::vector<Record> Diff(const std::string& old_file, const std::string& new_file,
                         bool with_old, size_t merge_gap) {
  std::vector<Record> records;
  size_t size = std::max(old_file.size(), new_file.size());
  size_t at = 0;
  while (at < size) {
    if (ByteAt(old_file, at) == ByteAt(new_file, at)) {
      ++at;
      continue;
    }
    size_t start = at;
    size_t end = at + 1;  // one past the last differing byte of the run
    for (size_t probe = end; probe < size && probe - end <= merge_gap; ++probe) {
      if (ByteAt(old_file, probe) != ByteAt(new_file, probe)) end = probe + 1;
    }
    AddRun(records, old_file, new_file, with_old, start, end);
    at = end;
  }
  return records;
}

std::string EncodeDelta(uint32_t delta, int width) {
  if (width == 0) width = ShortestDeltaWidth(delta);
  std::string out;
  for (int i = width - 1; i >= 0; --i) out.push_back(char(delta >> (8 * i)));
  out[0] = char((uint8_t(out[0]) & 0x3F) | ((width - 1) << 6));
  return out;
}

std::string EncodeCount(uint16_t count, int width) {
  if (width == 0) width = count < 0x80 ? 1 : 2;
  if (width == 1) return std::string(1, char(count));
  return std::string{char(0x80 | (count >> 8)), char(count & 0xFF)};
}

std::string EncodeRecords(const std::vector<Record>& records, bool with_old, uint64_t& cursor) {
  std::string out;
  for (const Record& record : records) {
    if (record.offset < cursor) throw std::runtime_error("records overlap");
    while (record.offset - cursor > kLargestDelta) {
      out += EncodeDelta(kLargestDelta) + EncodeCount(0);
      cursor += kLargestDelta;
    }
    uint16_t count = uint16_t(record.new_bytes.size());
    out += EncodeDelta(uint32_t(record.offset - cursor), record.delta_width);
    out += EncodeCount(count, record.count_width);
    out += record.new_bytes;
    if (with_old) out += record.old_bytes;
    cursor = record.offset + count;
  }
  return out;
}

std::string EncodeBlock(const std::string& record_stream, const BlockOptions& options) {
  std::string block;
  block.push_back(char(options.properties));
  PutLittleEndian(block, options.dictionary_size, 4);
  uint32_t unpacked = options.unpacked_size.value_or(
      uint32_t(record_stream.size()) + (options.end_marker ? 1 : 0));
  PutLittleEndian(block, unpacked, 4);
  if (options.literals_only && options.end_marker) throw std::runtime_error("no end marker");
  return block + (options.literals_only ? CompressLiterals(record_stream, options)
                                        : Compress(record_stream, options));
}

std::string EncodeHeader(const Header& header) {
  std::string out = "PATCHDAT";
  PutLittleEndian(out, header.title.size(), 4);
  for (char16_t unit : header.title) PutLittleEndian(out, unit, 2);
  PutLittleEndian(out, header.note.size(), 4);
  out += header.note;
  PutLittleEndian(out, header.flags, 4);
  PutLittleEndian(out, header.patched_size, 8);
  if (header.flags & kHasOldBytes) PutLittleEndian(out, header.unpatched_size, 8);
  return out;
}

std::vector<std::string> EncodeBlocks(const std::vector<Record>& records, bool with_old,
                                      size_t block_stream_bytes, const BlockOptions& options) {
  std::vector<std::string> blocks;
  std::string stream;
  uint64_t cursor = 0;
  for (const Record& record : records) {
    std::string encoded = EncodeRecords({record}, with_old, cursor);
    if (!stream.empty() && stream.size() + encoded.size() > block_stream_bytes) {
      blocks.push_back(EncodeBlock(stream, options));
      stream.clear();
    }
    stream += encoded;
  }
  if (!stream.empty()) blocks.push_back(EncodeBlock(stream, options));
  return blocks;
}

std::string MakePatch(const std::string& old_file, const std::string& new_file,
                      const PatchOptions& options) {
  Header header = options.header;
  header.flags = options.with_old ? kHasOldBytes : 0;
  header.patched_size = new_file.size();
  header.unpatched_size = old_file.size();
  std::string data = EncodeHeader(header);
  std::vector<Record> records = Diff(old_file, new_file, options.with_old, options.merge_gap);
  for (const std::string& block :
       EncodeBlocks(records, options.with_old, options.block_stream_bytes, options.block)) {
    data += block;
  }
  return data;
}

std::string AppendAtBoundary(const std::string& installer, const std::string& data) {
  std::string out = installer;
  out.resize((out.size() + 511) / 512 * 512, '\0');
  return out + data;
}

std::string ReadFileBytes(const std::wstring& path) {
  std::string bytes;
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (!file) return bytes;
  char piece[1 << 16];
  size_t got;
  while ((got = fread(piece, 1, sizeof piece, file)) > 0) bytes.append(piece, got);
  fclose(file);
  return bytes;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (!file) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return fclose(file) == 0 && ok;
}

}  // namespace patchwriter
