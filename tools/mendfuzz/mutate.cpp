#include "tools/mendfuzz/mutate.h"

#include <algorithm>
#include <functional>

namespace mendfuzz {

namespace {

void PutLittleEndian(std::string& bytes, size_t at, uint64_t value, int width) {
  for (int i = 0; i < width && at + size_t(i) < bytes.size(); ++i) {
    bytes[at + size_t(i)] = char(value >> (8 * i));
  }
}

uint64_t GetLittleEndian(const std::string& bytes, size_t at, int width) {
  uint64_t value = 0;
  for (int i = width - 1; i >= 0; --i) {
    if (at + size_t(i) < bytes.size()) value = value << 8 | uint8_t(bytes[at + size_t(i)]);
  }
  return value;
}

// Edge values of a 32-bit field, around its current value and the bytes that follow it.
uint32_t EdgeValue32(Rng& rng, uint32_t current, uint64_t bytes_after) {
  const uint64_t kValues[] = {0,
                              1,
                              uint64_t(current) - 1,
                              uint64_t(current) + 1,
                              uint64_t(current) * 2,
                              current / 2,
                              0x7FFFFFFF,
                              0x80000000,
                              0xFFFFFFFF,
                              bytes_after,
                              bytes_after + 1,
                              bytes_after / 2,
                              bytes_after / 2 + 1,
                              rng.Next()};
  return uint32_t(rng.Pick(kValues));
}

// Edge values of a 64-bit size. Sizes of gigabytes that a file can take are rare: a target
// of that size is compared byte for byte.
uint64_t EdgeSize(Rng& rng, uint64_t current, uint64_t target_size) {
  if (rng.Percent(1)) {
    const uint64_t kLarge[] = {0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x100000000ull};
    return rng.Pick(kLarge);
  }
  const uint64_t kValues[] = {0,
                              1,
                              current - 1,
                              current + 1,
                              current + rng.Below(70000),
                              target_size,
                              target_size + 1,
                              target_size - 1,
                              (1ull << 44) - 4096,
                              1ull << 62,
                              0x7FFFFFFFFFFFFFFFull,
                              0x8000000000000000ull,
                              0xFFFFFFFFFFFFFFFFull,
                              rng.Next()};
  return rng.Pick(kValues);
}

class Mutator {
 public:
  Mutator(Rng& rng, PatchModel& patch, FuzzInput& input)
      : rng_(rng), patch_(patch), input_(input) {}

  // Changes made to the patch's structure: records, blocks and block fields.
  void MutateStructure() {
    using Step = void (Mutator::*)();
    static const Step kSteps[] = {
        &Mutator::RecordDelta,    &Mutator::RecordCount,      &Mutator::RecordCountAndBytes,
        &Mutator::RecordForms,    &Mutator::RecordDropped,    &Mutator::RecordDoubled,
        &Mutator::RecordsSwapped, &Mutator::StreamCut,        &Mutator::StreamTail,
        &Mutator::OldBytesLost,   &Mutator::StreamReplaced,   &Mutator::BlockDoubled,
        &Mutator::BlocksSwapped,  &Mutator::BlockDropped,     &Mutator::BlockProperties,
        &Mutator::BlockDictionary, &Mutator::BlockUnpackedSize, &Mutator::BlockUnpackedSize,
        &Mutator::LzmaBitFlipped, &Mutator::LzmaEndDamaged,   &Mutator::LzmaCut,
        &Mutator::LzmaFirstByte,
    };
    (this->*rng_.Pick(kSteps))();
  }

  // Changes made to the written-out data: header fields and any bytes.
  void MutateData(std::string& data, const PatchLayout& layout) {
    // An earlier step may have cut the data: fields past its end are left alone.
    if (data.size() < layout.patched_size + 8) {
      if (data.empty()) return;
      BitFlipped(data, layout);
      return;
    }
    using Step = void (Mutator::*)(std::string&, const PatchLayout&);
    static const Step kSteps[] = {
        &Mutator::TitleLength, &Mutator::NoteLength, &Mutator::Flags,      &Mutator::Sizes,
        &Mutator::Sizes,       &Mutator::Magic,      &Mutator::BitFlipped, &Mutator::ByteSet,
        &Mutator::CutAtBoundary, &Mutator::CutAtBoundary, &Mutator::BytesAppended,
        &Mutator::ByteInserted, &Mutator::ByteDeleted,
    };
    (this->*rng_.Pick(kSteps))(data, layout);
  }

 private:
  void Note(const std::string& what) { input_.how += "; " + what; }

  // A block with records, re-encoded once the step has changed them; null when none has.
  PatchBlock* BlockWithRecords() {
    std::vector<PatchBlock*> candidates;
    for (PatchBlock& block : patch_.blocks) {
      if (!block.records.empty()) candidates.push_back(&block);
    }
    return candidates.empty() ? nullptr : candidates[rng_.Below(candidates.size())];
  }
  PatchBlock* AnyBlock() {
    return patch_.blocks.empty() ? nullptr : &patch_.blocks[rng_.Below(patch_.blocks.size())];
  }
  size_t BlockIndex(const PatchBlock* block) const { return size_t(block - &patch_.blocks[0]); }

  void ChangeRecord(const char* what, const std::function<void(PatchBlock&, size_t)>& change) {
    PatchBlock* block = BlockWithRecords();
    if (!block) return;
    size_t record = rng_.Below(block->records.size());
    change(*block, record);
    block->Encode();
    Note(std::string(what) + " in block " + std::to_string(BlockIndex(block)) + " record " +
         std::to_string(record));
  }

  void RecordDelta() {
    static const uint32_t kDeltas[] = {0,      1,        0x3F,     0x40,       0x3FFF,
                                       0x4000, 0x3FFFFF, 0x400000, 0x3FFFFFFF, 0x3FFFFFFE};
    uint32_t delta = rng_.Pick(kDeltas);
    ChangeRecord(("Delta " + std::to_string(delta)).c_str(), [&](PatchBlock& block, size_t i) {
      block.records[i].delta = delta;
      block.records[i].delta_width = 0;
    });
  }

  void RecordCount() {
    static const int kCounts[] = {0, 1, 0x7F, 0x80, 32767, -1, +1, +2};
    int pick = rng_.Pick(kCounts);
    ChangeRecord("Count edge", [&](PatchBlock& block, size_t i) {
      RecordParts& record = block.records[i];
      record.count = uint16_t(pick == -1 || pick == 1 || pick == 2 ? record.count + pick : pick);
      record.count &= 0x7FFF;
      record.count_width = 0;
    });
  }

  void RecordCountAndBytes() {
    static const uint16_t kCounts[] = {0, 1, 0x7F, 0x80, 300, 32767};
    uint16_t count = rng_.Pick(kCounts);
    ChangeRecord("Count and bytes", [&](PatchBlock& block, size_t i) {
      RecordParts& record = block.records[i];
      record.count = count;
      record.payload.assign(size_t(count) * (patch_.with_old ? 2 : 1), char(rng_.Next()));
      record.count_width = 0;
    });
  }

  void RecordForms() {
    ChangeRecord("field forms", [&](PatchBlock& block, size_t i) {
      // Widths too small for the value cut it: the record then goes elsewhere.
      block.records[i].delta_width = 1 + int(rng_.Below(4));
      block.records[i].count_width = 1 + int(rng_.Below(2));
    });
  }

  void RecordDropped() {
    ChangeRecord("record dropped", [](PatchBlock& block, size_t i) {
      block.records.erase(block.records.begin() + long(i));
    });
  }

  void RecordDoubled() {
    ChangeRecord("record doubled", [](PatchBlock& block, size_t i) {
      block.records.insert(block.records.begin() + long(i), block.records[i]);
    });
  }

  void RecordsSwapped() {
    ChangeRecord("records swapped", [&](PatchBlock& block, size_t i) {
      std::swap(block.records[i], block.records[rng_.Below(block.records.size())]);
    });
  }

  void StreamCut() {
    size_t cut = 1 + rng_.Below(rng_.Percent(50) ? 3 : 40);
    ChangeRecord(("stream cut by " + std::to_string(cut)).c_str(),
                 [&](PatchBlock& block, size_t) { block.stream_cut = cut; });
  }

  void StreamTail() {
    size_t bytes = 1 + rng_.Below(4);
    ChangeRecord(("stream tail of " + std::to_string(bytes)).c_str(),
                 [&](PatchBlock& block, size_t) {
                   for (size_t i = 0; i < bytes; ++i) block.stream_tail.push_back(char(rng_.Next()));
                 });
  }

  void OldBytesLost() {
    ChangeRecord("old bytes lost", [](PatchBlock& block, size_t i) {
      RecordParts& record = block.records[i];
      record.payload.resize(std::min<size_t>(record.payload.size(), record.count));
    });
  }

  void StreamReplaced() {
    PatchBlock* block = AnyBlock();
    if (!block) return;
    block->records.clear();
    block->stream_cut = 0;
    block->stream_tail.clear();
    size_t size = rng_.Below(rng_.Percent(50) ? 8 : 400);
    for (size_t i = 0; i < size; ++i) block->stream_tail.push_back(char(rng_.Next()));
    block->Encode();
    Note("stream of block " + std::to_string(BlockIndex(block)) + " replaced by " +
         std::to_string(size) + " random bytes");
  }

  void BlockDoubled() {
    if (patch_.blocks.empty()) return;
    size_t i = rng_.Below(patch_.blocks.size());
    size_t at = rng_.Below(patch_.blocks.size() + 1);
    PatchBlock copy = patch_.blocks[i];
    patch_.blocks.insert(patch_.blocks.begin() + long(at), copy);
    Note("block " + std::to_string(i) + " doubled at " + std::to_string(at));
  }

  void BlocksSwapped() {
    if (patch_.blocks.size() < 2) return BlockDoubled();
    size_t a = rng_.Below(patch_.blocks.size());
    size_t b = rng_.Below(patch_.blocks.size());
    std::swap(patch_.blocks[a], patch_.blocks[b]);
    Note("blocks " + std::to_string(a) + " and " + std::to_string(b) + " swapped");
  }

  void BlockDropped() {
    if (patch_.blocks.empty()) return;
    size_t i = rng_.Below(patch_.blocks.size());
    patch_.blocks.erase(patch_.blocks.begin() + long(i));
    Note("block " + std::to_string(i) + " dropped");
  }

  void BlockProperties() {
    PatchBlock* block = AnyBlock();
    if (!block) return;
    static const int kValues[] = {0, 0x5D, 224, 225, 255, 13, 8, 36, 40, 4, -1, -2};
    int value = rng_.Pick(kValues);
    uint8_t& properties = reinterpret_cast<uint8_t&>(block->encoded[0]);
    properties = value == -1 ? uint8_t(rng_.Next()) : value == -2 ? uint8_t(properties + 1)
                                                                   : uint8_t(value);
    Note("properties of block " + std::to_string(BlockIndex(block)) + " := " +
         std::to_string(properties));
  }

  void BlockDictionary() {
    PatchBlock* block = AnyBlock();
    if (!block) return;
    uint32_t current = uint32_t(GetLittleEndian(block->encoded, 1, 4));
    const uint64_t kValues[] = {0,          1,          4095,       4096,       4097,
                                65535,      0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, current / 2,
                                current / 16, rng_.Below(70000)};
    uint32_t value = uint32_t(rng_.Pick(kValues));
    PutLittleEndian(block->encoded, 1, value, 4);
    Note("dictionary of block " + std::to_string(BlockIndex(block)) + " := " +
         std::to_string(value));
  }

  void BlockUnpackedSize() {
    PatchBlock* block = AnyBlock();
    if (!block) return;
    uint32_t current = uint32_t(GetLittleEndian(block->encoded, 5, 4));
    uint32_t value;
    if (rng_.Percent(30) && !block->records.empty()) {
      // The end of one of the records: a stream cut at a record boundary.
      PatchBlock head = *block;
      head.records.resize(1 + rng_.Below(block->records.size()));
      head.stream_tail.clear();
      head.stream_cut = 0;
      value = uint32_t(head.RecordStream().size() + (rng_.Percent(50) ? 0 : 1));
    } else {
      value = EdgeValue32(rng_, current, uint32_t(rng_.Below(64)));
    }
    PutLittleEndian(block->encoded, 5, value, 4);
    Note("unpacked size of block " + std::to_string(BlockIndex(block)) + " := " +
         std::to_string(value) + " (was " + std::to_string(current) + ")");
  }

  // The LZMA data of a block: from byte 9 on.
  void ChangeLzma(const char* what, const std::function<void(std::string&)>& change) {
    PatchBlock* block = AnyBlock();
    if (!block || block->encoded.size() <= 9) return;
    std::string lzma = block->encoded.substr(9);
    change(lzma);
    block->encoded = block->encoded.substr(0, 9) + lzma;
    Note(std::string(what) + " in the LZMA data of block " + std::to_string(BlockIndex(block)));
  }

  void LzmaBitFlipped() {
    ChangeLzma("bit flipped", [&](std::string& lzma) {
      size_t at = rng_.Below(lzma.size());
      lzma[at] = char(lzma[at] ^ (1 << rng_.Below(8)));
    });
  }

  void LzmaEndDamaged() {
    ChangeLzma("end damaged", [&](std::string& lzma) {
      size_t at = lzma.size() - 1 - rng_.Below(std::min<size_t>(lzma.size(), 6));
      lzma[at] = rng_.Percent(50) ? char(lzma[at] ^ (1 << rng_.Below(8))) : char(rng_.Next());
    });
  }

  void LzmaCut() {
    ChangeLzma("cut", [&](std::string& lzma) {
      size_t cut = 1 + rng_.Below(rng_.Percent(70) ? std::min<size_t>(lzma.size(), 8)
                                                    : lzma.size());
      lzma.resize(lzma.size() - cut);
    });
  }

  void LzmaFirstByte() {
    ChangeLzma("first byte set", [&](std::string& lzma) { lzma[0] = char(1 + rng_.Below(255)); });
  }

  void TitleLength(std::string& data, const PatchLayout& layout) {
    uint32_t current = uint32_t(GetLittleEndian(data, layout.title_length, 4));
    uint32_t value = EdgeValue32(rng_, current, data.size() - layout.title_length - 4);
    PutLittleEndian(data, layout.title_length, value, 4);
    Note("TitleLength := " + std::to_string(value));
  }

  void NoteLength(std::string& data, const PatchLayout& layout) {
    uint32_t current = uint32_t(GetLittleEndian(data, layout.note_length, 4));
    uint64_t after = data.size() - std::min(data.size(), layout.note_length + 4);
    uint32_t value = EdgeValue32(rng_, current, after - std::min<uint64_t>(after, 12 + rng_.Below(3)));
    PutLittleEndian(data, layout.note_length, value, 4);
    Note("NoteLength := " + std::to_string(value));
  }

  void Flags(std::string& data, const PatchLayout& layout) {
    uint32_t current = uint32_t(GetLittleEndian(data, layout.flags, 4));
    const uint64_t kValues[] = {0, 1, 2, 3, 0xFFFFFFFE, 0xFFFFFFFF, current ^ 1u, rng_.Next()};
    uint32_t value = uint32_t(rng_.Pick(kValues));
    PutLittleEndian(data, layout.flags, value, 4);
    Note("Flags := " + std::to_string(value));
  }

  void Sizes(std::string& data, const PatchLayout& layout) {
    bool unpatched = layout.unpatched_size != 0 && rng_.Percent(50);
    size_t at = unpatched ? layout.unpatched_size : layout.patched_size;
    uint64_t value = EdgeSize(rng_, GetLittleEndian(data, at, 8), input_.target.size());
    PutLittleEndian(data, at, value, 8);
    Note(std::string(unpatched ? "UnpatchedSize" : "PatchedSize") + " := " +
         std::to_string(value));
  }

  void Magic(std::string& data, const PatchLayout&) {
    size_t at = rng_.Below(8);
    data[at] = char(data[at] ^ (1 << rng_.Below(8)));
    Note("magic damaged");
  }

  void BitFlipped(std::string& data, const PatchLayout&) {
    size_t at = rng_.Below(data.size());
    data[at] = char(data[at] ^ (1 << rng_.Below(8)));
    Note("bit flipped at " + std::to_string(at));
  }

  void ByteSet(std::string& data, const PatchLayout&) {
    size_t at = rng_.Below(data.size());
    static const int kValues[] = {0, 0xFF, 0x80, 0x7F, -1};
    int value = rng_.Pick(kValues);
    data[at] = value < 0 ? char(rng_.Next()) : char(value);
    Note("byte set at " + std::to_string(at));
  }

  void CutAtBoundary(std::string& data, const PatchLayout& layout) {
    // No data, a part of the magic, then the end of each header field and text.
    std::vector<size_t> boundaries = {0,
                                      4,
                                      8,
                                      layout.title_length + 4,
                                      layout.note_length,
                                      layout.note_length + 4,
                                      layout.flags,
                                      layout.flags + 4,
                                      layout.patched_size,
                                      layout.patched_size + 4,
                                      layout.patched_size + 8};
    if (layout.unpatched_size) {
      boundaries.push_back(layout.unpatched_size + 4);
      boundaries.push_back(layout.unpatched_size + 8);
    }
    for (const PatchLayout::Span& block : layout.blocks) {
      for (size_t offset : {size_t(0), size_t(1), size_t(5), size_t(9), size_t(10), size_t(14)}) {
        boundaries.push_back(block.start + offset);
      }
      for (size_t back = 0; back <= 5 && back < block.end; ++back) boundaries.push_back(block.end - back);
    }
    boundaries.push_back(rng_.Below(data.size() + 1));
    size_t at = boundaries[rng_.Below(boundaries.size())];
    if (at < data.size()) data.resize(at);
    Note("data cut at " + std::to_string(at));
  }

  void BytesAppended(std::string& data, const PatchLayout& layout) {
    if (!layout.blocks.empty() && rng_.Percent(25)) {
      const PatchLayout::Span& block = layout.blocks[rng_.Below(layout.blocks.size())];
      if (block.end > data.size()) return;
      data += data.substr(block.start, block.end - block.start);
      Note("a block appended again");
      return;
    }
    size_t count = 1 + rng_.Below(rng_.Percent(60) ? 4 : 12);
    for (size_t i = 0; i < count; ++i) data.push_back(char(rng_.Percent(50) ? 0x5D : rng_.Next()));
    Note(std::to_string(count) + " bytes appended");
  }

  void ByteInserted(std::string& data, const PatchLayout&) {
    size_t at = rng_.Below(data.size() + 1);
    data.insert(data.begin() + long(at), char(rng_.Next()));
    Note("byte inserted at " + std::to_string(at));
  }

  void ByteDeleted(std::string& data, const PatchLayout&) {
    if (data.empty()) return;
    size_t at = rng_.Below(data.size());
    data.erase(data.begin() + long(at));
    Note("byte deleted at " + std::to_string(at));
  }

  Rng& rng_;
  PatchModel& patch_;
  FuzzInput& input_;
};

std::string TargetFor(Rng& rng, const PatchModel& patch, bool restore, std::string& how) {
  bool restoring = restore && patch.with_old;
  const std::string& before = restoring ? patch.new_file : patch.old_file;
  if (rng.Percent(75)) return before;
  switch (rng.Below(5)) {
    case 0:
      how += "; target already patched";
      return restoring ? patch.old_file : patch.new_file;
    case 1:
      how += "; empty target";
      return "";
    case 2: {
      how += "; target cut short";
      return before.substr(0, rng.Below(before.size() + 1));
    }
    case 3: {
      how += "; target with more bytes";
      std::string longer = before;
      size_t extra = 1 + rng.Below(5000);
      for (size_t i = 0; i < extra; ++i) longer.push_back(char(rng.Next()));
      return longer;
    }
    default: {
      how += "; other target";
      std::string other(rng.Below(20000), '\0');
      for (char& byte : other) byte = char(rng.Next());
      return other;
    }
  }
}

// Some applies keep every replaced byte in their temporary file, and some meet a write that
// fails part-way: a change of the target, or a write of the bytes it replaces. Drawn after
// everything else, so that the rest of each input is what it was before these existed.
// Patches of long runs are applied with the installer's own limits, more often with a
// failing write, and their writes are many.
void FailingWrite(Rng& rng, FuzzInput& input, bool long_runs) {
  input.replaced_in_file = !long_runs && rng.Percent(25);
  if (input.replaced_in_file) input.how += "; replaced bytes in a file";
  if (!rng.Percent(long_runs ? 60 : 30)) return;
  bool kept = (input.replaced_in_file || long_runs) && rng.Percent(50);
  int64_t index = int64_t(long_runs ? rng.Below(kept ? 6 : 48)
                          : rng.Percent(70) ? rng.Below(3)
                                            : rng.Below(12));
  if (kept) {
    input.failing_kept_write = index;
    input.how += "; replaced-bytes write " + std::to_string(index) + " fails";
  } else {
    input.failing_target_write = index;
    input.how += "; target change " + std::to_string(index) + " fails";
  }
}

}  // namespace

FuzzInput MakeInput(const std::vector<PatchModel>& seeds, uint64_t seed, uint64_t index) {
  Rng rng(MixSeed(seed, index));
  FuzzInput input;
  input.seed = seed;
  input.index = index;
  size_t which = rng.Below(seeds.size());
  PatchModel patch = seeds[which];
  input.how = "seed patch " + std::to_string(which) + " (" + patch.name + ")";
  input.restore = rng.Percent(35);
  if (input.restore) input.how += "; restore";
  input.rereads_blocks = rng.Percent(25);
  input.target = TargetFor(rng, patch, input.restore, input.how);

  static const int kMutationCounts[] = {0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 3, 3, 3, 4};
  int mutations = rng.Pick(kMutationCounts);
  int structural = 0;
  for (int i = 0; i < mutations; ++i) structural += rng.Percent(55) ? 1 : 0;
  Mutator mutator(rng, patch, input);
  for (int i = 0; i < structural; ++i) mutator.MutateStructure();
  PatchLayout layout;
  input.data = WritePatch(patch, layout);
  for (int i = structural; i < mutations; ++i) mutator.MutateData(input.data, layout);
  if (mutations == 0) input.how += "; sound";
  FailingWrite(rng, input, patch.long_runs);
  return input;
}

}  // namespace mendfuzz
