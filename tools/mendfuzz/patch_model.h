// Patches as the fuzz driver builds and damages them: a header and blocks whose records are
// kept apart, so that records, blocks and header fields can each be changed and the data
// written out again with the positions of its fields.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/patchwriter/patchwriter.h"

namespace mendfuzz {

// A small seeded generator: every input is made from its own (seed, index) pair alone.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  uint64_t Below(uint64_t count) { return count == 0 ? 0 : Next() % count; }
  bool Percent(int percent) { return Below(100) < uint64_t(percent); }
  template <typename T, size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(N)];
  }

 private:
  uint64_t state_;
};

// One value out of two: the pair's own stream of numbers.
uint64_t MixSeed(uint64_t seed, uint64_t index);

struct RecordParts {
  uint32_t delta = 0;
  uint16_t count = 0;
  std::string payload;  // Count new bytes, then Count old bytes with the unpatched bytes
  int delta_width = 0;  // 0: the shortest form
  int count_width = 0;
};

struct PatchBlock {
  patchwriter::BlockOptions options;
  std::vector<RecordParts> records;
  std::string stream_tail;  // bytes after the last record
  size_t stream_cut = 0;    // bytes taken off the end of the record stream
  uint32_t marker_slack = 0;  // with an end marker: stated size less the stream's, less 1
  std::string encoded;      // properties byte through LZMA data

  std::string RecordStream() const;
  // Compresses the record stream again (after its records were changed).
  void Encode();
};

struct PatchModel {
  std::string name;
  std::string old_file;
  std::string new_file;
  bool with_old = false;
  bool long_runs = false;  // megabytes, changed in long runs
  patchwriter::Header header;
  std::vector<PatchBlock> blocks;
};

// Where the fields of written-out patch data lie.
struct PatchLayout {
  size_t title_length = 8;
  size_t note_length = 0;
  size_t flags = 0;
  size_t patched_size = 0;
  size_t unpatched_size = 0;  // 0 without the unpatched bytes
  struct Span {
    size_t start = 0;  // the properties byte
    size_t end = 0;    // one past the LZMA data
  };
  std::vector<Span> blocks;
};

std::string WritePatch(const PatchModel& patch, PatchLayout& layout);

// Sound patches of many shapes: with and without the unpatched bytes, one and many blocks,
// with and without end markers, growing, shrinking and same-size targets, no records at
// all, various coder properties, dictionaries and field forms. Patches kShortSeedPatches and
// on are of targets of several MiB changed in long contiguous runs.
constexpr int kShortSeedPatches = 48;
std::vector<PatchModel> MakeSeedPatches(uint64_t seed, int count);

}  // namespace mendfuzz
