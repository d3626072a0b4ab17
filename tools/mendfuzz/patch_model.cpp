#include "tools/mendfuzz/patch_model.h"

#include <algorithm>

namespace mendfuzz {

namespace {

// Blocks are compressed with one of two small dictionaries, whatever size they state: their
// matches then reach back no further than the stated size allows (the decoder's dictionary
// is at least 4096 bytes), and the encoder keeps its tables from block to block.
constexpr uint32_t kSmallDictionary = 4096;
constexpr uint32_t kEncoderDictionary = 64 * 1024;

void PutLittleEndian32(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = char(value >> (8 * i));
}

int ShortestDeltaWidth(uint32_t delta) {
  return delta < (1u << 6) ? 1 : delta < (1u << 14) ? 2 : delta < (1u << 22) ? 3 : 4;
}

std::string SomeContent(Rng& rng, size_t size) {
  // Runs of text-like repeats among random bytes, so blocks have matches to find.
  std::string bytes;
  bytes.reserve(size);
  while (bytes.size() < size) {
    if (rng.Percent(50)) {
      size_t run = 1 + rng.Below(64);
      for (size_t i = 0; i < run; ++i) bytes.push_back(char(rng.Next()));
    } else {
      static const char* const kWords[] = {"MENDPAK ", "patch ", "\0\0\0\0", "0123456789",
                                           "\xFF\xFE", "record "};
      bytes += rng.Pick(kWords);
    }
  }
  bytes.resize(size);
  return bytes;
}

std::string ChangedCopy(Rng& rng, std::string bytes) {
  if (bytes.empty()) return bytes;
  int runs = 1 + int(rng.Below(12));
  for (int i = 0; i < runs; ++i) {
    size_t start = rng.Below(bytes.size());
    size_t length = 1 + rng.Below(rng.Percent(20) ? 600 : 24);
    for (size_t at = start; at < start + length && at < bytes.size(); ++at) {
      bytes[at] = char(bytes[at] ^ (1 + rng.Below(255)));
    }
  }
  return bytes;
}

// Long contiguous runs of changed bytes, as a rewritten header or section makes: shorter
// than, as long as and longer than the installer's write window (256 KiB), past the 1 MiB
// of replaced bytes it keeps in memory, from the first byte on or a few KiB after the run
// before, far from it, and short runs among them.
std::string WithLongRuns(Rng& rng, std::string bytes) {
  static const size_t kLengths[] = {1,      300,    32767,  32768,   262143,
                                    262144, 262145, 600000, 1100000, 1500000};
  size_t at = rng.Percent(40) ? 0 : rng.Below(100000);
  while (at < bytes.size()) {
    size_t end = std::min(bytes.size(), at + rng.Pick(kLengths));
    for (; at < end; ++at) bytes[at] = char(bytes[at] ^ (1 + rng.Below(255)));
    at += rng.Percent(50) ? rng.Below(8192) : 8192 + rng.Below(800000);
  }
  return bytes;
}

size_t SomeSize(Rng& rng) {
  switch (rng.Below(5)) {
    case 0: return rng.Below(3);
    case 1: return 1 + rng.Below(300);
    case 2: return 300 + rng.Below(4000);
    default: return 2000 + rng.Below(40000);
  }
}

std::u16string SomeTitle(Rng& rng) {
  std::u16string title;
  size_t units = rng.Percent(20) ? 0 : 1 + rng.Below(12);
  for (size_t i = 0; i < units; ++i) {
    title.push_back(rng.Percent(50) ? char16_t(u'a' + rng.Below(26))
                                    : char16_t(0x4E00 + rng.Below(0x5000)));
  }
  return title;
}

std::string SomeNote(Rng& rng) {
  if (rng.Percent(15)) return "";
  std::string note = "{\\rtf1\\ansi ";
  size_t words = rng.Below(40);
  for (size_t i = 0; i < words; ++i) note += "note" + std::to_string(rng.Below(1000)) + " ";
  note += "\\par}";
  if (rng.Percent(30)) note.push_back('\0');  // a maker that stores the terminator
  return note;
}

// Diff's records, placed by absolute offset, as the record parts of a stream.
std::vector<RecordParts> PartsOf(Rng& rng, const std::vector<patchwriter::Record>& records) {
  std::vector<RecordParts> parts;
  uint64_t cursor = 0;
  for (const patchwriter::Record& record : records) {
    RecordParts part;
    part.delta = uint32_t(record.offset - cursor);
    part.count = uint16_t(record.new_bytes.size());
    part.payload = record.new_bytes + record.old_bytes;
    if (rng.Percent(15)) {
      int shortest = ShortestDeltaWidth(part.delta);
      part.delta_width = shortest + int(rng.Below(uint64_t(5 - shortest)));
    }
    if (rng.Percent(15)) part.count_width = part.count < 0x80 ? 1 + int(rng.Below(2)) : 2;
    cursor = record.offset + part.count;
    parts.push_back(std::move(part));
  }
  return parts;
}

patchwriter::BlockOptions SomeBlockOptions(Rng& rng, bool end_marker) {
  // (pb * 5 + lp) * 9 + lc, every one with lc + lp at most 4.
  static const uint8_t kProperties[] = {0x5D, 0x5D, 0x5D, 0x00, 0x04, 0x49, 0xD8, 0x5E, 0x2D};
  static const uint32_t kDictionaries[] = {8u << 20, 8u << 20, 4096, 65536, 1u << 20, 12345, 0};
  static const uint32_t kPresets[] = {1, 6, 6, 6};
  patchwriter::BlockOptions options;
  options.properties = rng.Pick(kProperties);
  options.dictionary_size = rng.Pick(kDictionaries);
  options.preset = rng.Pick(kPresets);
  options.end_marker = end_marker;
  return options;
}

}  // namespace

uint64_t Rng::Next() {
  // splitmix64
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

uint64_t MixSeed(uint64_t seed, uint64_t index) {
  Rng rng(seed * 0x2545F4914F6CDD1Dull ^ index);
  rng.Next();
  return rng.Next() ^ index;
}

std::string PatchBlock::RecordStream() const {
  std::string stream;
  for (const RecordParts& record : records) {
    stream += patchwriter::EncodeDelta(record.delta, record.delta_width);
    stream += patchwriter::EncodeCount(record.count, record.count_width);
    stream += record.payload;
  }
  stream += stream_tail;
  stream.resize(stream.size() - std::min(stream_cut, stream.size()));
  return stream;
}

void PatchBlock::Encode() {
  std::string stream = RecordStream();
  patchwriter::BlockOptions encoder = options;
  encoder.dictionary_size =
      options.dictionary_size >= kEncoderDictionary ? kEncoderDictionary : kSmallDictionary;
  if (options.end_marker) encoder.unpacked_size = uint32_t(stream.size()) + 1 + marker_slack;
  encoded = patchwriter::EncodeBlock(stream, encoder);
  PutLittleEndian32(encoded, 1, options.dictionary_size);
}

std::string WritePatch(const PatchModel& patch, PatchLayout& layout) {
  std::string data = patchwriter::EncodeHeader(patch.header);
  layout = PatchLayout();
  layout.note_length = 12 + 2 * patch.header.title.size();
  layout.flags = layout.note_length + 4 + patch.header.note.size();
  layout.patched_size = layout.flags + 4;
  layout.unpatched_size = (patch.header.flags & 1) ? layout.patched_size + 8 : 0;
  for (const PatchBlock& block : patch.blocks) {
    layout.blocks.push_back({data.size(), data.size() + block.encoded.size()});
    data += block.encoded;
  }
  return data;
}

std::vector<PatchModel> MakeSeedPatches(uint64_t seed, int count) {
  std::vector<PatchModel> patches;
  for (int i = 0; i < count; ++i) {
    Rng rng(MixSeed(seed ^ 0x5EEDull, uint64_t(i)));
    PatchModel patch;
    patch.long_runs = i >= kShortSeedPatches;
    patch.with_old = (i & 1) != 0;
    bool many_blocks = (i & 2) != 0;
    bool end_marker = (i & (patch.long_runs ? 2 : 4)) != 0;
    int growth = (patch.long_runs ? i : i >> 3) % 3;  // grows, shrinks, keeps its size
    bool no_records = i % 13 == 12 && !patch.long_runs;
    if (patch.long_runs) {
      patch.old_file = SomeContent(rng, size_t(2 + rng.Below(2)) << 20);
      patch.new_file = WithLongRuns(rng, patch.old_file);
    } else {
      patch.old_file = SomeContent(rng, SomeSize(rng));
      patch.new_file = no_records ? patch.old_file : ChangedCopy(rng, patch.old_file);
    }
    size_t new_size = patch.new_file.size();
    if (growth == 0) new_size += 1 + rng.Below(rng.Percent(30) ? 20000 : 300);
    if (growth == 1) new_size -= std::min<size_t>(new_size, size_t(1 + rng.Below(new_size / 2 + 1)));
    if (new_size > patch.new_file.size()) {
      patch.new_file += no_records ? std::string(new_size - patch.new_file.size(), '\0')
                                   : SomeContent(rng, new_size - patch.new_file.size());
    }
    patch.new_file.resize(new_size);

    std::vector<patchwriter::Record> records =
        patchwriter::Diff(patch.old_file, patch.new_file, patch.with_old,
                          rng.Percent(50) ? 0 : rng.Below(64));
    std::vector<RecordParts> parts = PartsOf(rng, records);
    // Megabytes of records come in blocks of up to 288 KiB, so that a mutation codes one
    // again quickly.
    size_t block_stream = patch.long_runs ? (32u << 10) + rng.Below(256u << 10)
                          : many_blocks   ? 40 + rng.Below(2000)
                                          : SIZE_MAX;
    patchwriter::BlockOptions options = SomeBlockOptions(rng, end_marker);
    uint32_t marker_slack = rng.Percent(50) ? 0 : uint32_t(rng.Below(100000));
    PatchBlock block;
    size_t stream_size = 0;
    for (RecordParts& part : parts) {
      size_t part_size = 3 + part.payload.size();
      if (!block.records.empty() && stream_size + part_size > block_stream) {
        patch.blocks.push_back(std::move(block));
        block = PatchBlock();
        stream_size = 0;
      }
      block.records.push_back(std::move(part));
      stream_size += part_size;
    }
    if (!block.records.empty()) patch.blocks.push_back(std::move(block));
    for (PatchBlock& each : patch.blocks) {
      each.options = rng.Percent(80) ? options : SomeBlockOptions(rng, end_marker);
      each.marker_slack = marker_slack;
      each.Encode();
    }

    patch.header.title = SomeTitle(rng);
    patch.header.note = SomeNote(rng);
    patch.header.flags = patch.with_old ? patchwriter::kHasOldBytes : 0;
    patch.header.patched_size = patch.new_file.size();
    patch.header.unpatched_size = patch.old_file.size();
    patch.name = std::string(patch.with_old ? "old bytes" : "new bytes only") + ", " +
                 std::to_string(patch.blocks.size()) + " blocks" +
                 (end_marker ? ", end markers" : "") +
                 (growth == 0 ? ", grows" : growth == 1 ? ", shrinks" : ", same size") +
                 (patch.long_runs ? ", long runs" : "");
    patches.push_back(std::move(patch));
  }
  return patches;
}

}  // namespace mendfuzz
