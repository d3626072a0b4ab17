// Test-only writer of installer patch data: from an old and a new file it makes the records,
// the LZMA blocks and the header the installer reads, and appends them to a copy of the
// installer. Every part can also be built by hand, so tests can make damaged data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace patchwriter {

constexpr uint32_t kHasOldBytes = 1;
constexpr uint32_t kLargestDelta = (1u << 30) - 1;
constexpr uint16_t kLargestCount = 32767;

struct Record {
  uint64_t offset = 0;    // where the bytes go in the target
  std::string new_bytes;  // the patched content
  std::string old_bytes;  // the content before patching, same length (with old bytes only)
  int delta_width = 0;    // 0: the shortest form, else 1 to 4 bytes
  int count_width = 0;    // 0: the shortest form, else 1 or 2 bytes
};

// Records that turn `old_file` into `new_file`. Both are compared as if padded with zeros to
// the longer size (a grown target is extended with zeros, a shrunk one is cut). Runs of
// differing bytes closer than `merge_gap` equal bytes become one record.
std::vector<Record> Diff(const std::string& old_file, const std::string& new_file,
                         bool with_old, size_t merge_gap = 0);

// The record stream of `records`, written from the cursor on (the cursor is updated).
// Gaps wider than the largest Delta are bridged with records of Count 0.
std::string EncodeRecords(const std::vector<Record>& records, bool with_old, uint64_t& cursor);

std::string EncodeDelta(uint32_t delta, int width = 0);
std::string EncodeCount(uint16_t count, int width = 0);

struct BlockOptions {
  uint8_t properties = 0x5D;  // (pb * 5 + lp) * 9 + lc
  uint32_t dictionary_size = 8u << 20;
  bool end_marker = false;
  // The stored UnpackedSize. By default the stream's size, or one more with an end marker,
  // so that the marker lies inside the stated size.
  std::optional<uint32_t> unpacked_size;
  uint32_t preset = 6;
  // Every byte coded as a literal by the writer's own range coder, without an end marker:
  // fast for data that does not compress, and open to any lc, lp and pb (the library's
  // encoder refuses lc + lp above 4).
  bool literals_only = false;
};

// One block: properties byte, dictionary size, unpacked size, raw LZMA1 data.
std::string EncodeBlock(const std::string& record_stream, const BlockOptions& options = {});

struct Header {
  std::u16string title = u"测试补丁";
  std::string note = "{\\rtf1\\ansi Test patch\\par}";
  uint32_t flags = 0;
  uint64_t patched_size = 0;
  uint64_t unpatched_size = 0;  // written only with kHasOldBytes
};

// "PATCHDAT" through the sizes.
std::string EncodeHeader(const Header& header);

struct PatchOptions {
  Header header;  // flags and sizes are filled in by MakePatch
  bool with_old = false;
  size_t block_stream_bytes = 1u << 20;  // a new block starts past this much record stream
  size_t merge_gap = 0;
  BlockOptions block;
};

// Records split into blocks of about `block_stream_bytes` of record stream each.
std::vector<std::string> EncodeBlocks(const std::vector<Record>& records, bool with_old,
                                      size_t block_stream_bytes, const BlockOptions& options);

// The whole patch data for old -> new.
std::string MakePatch(const std::string& old_file, const std::string& new_file,
                      const PatchOptions& options = {});

// `installer` padded with zeros to a multiple of 512, then `data`.
std::string AppendAtBoundary(const std::string& installer, const std::string& data);

std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);

}  // namespace patchwriter
