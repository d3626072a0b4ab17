// The LZMA block decoder behind DecodePatchBlock, kept for the length of one apply so that
// its dictionary and buffers are allocated once.
#pragma once

#include <lzma.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "mendpak/uClass.h"

namespace mendpak {

enum class BlockResult {
  Decoded,
  // Fewer than 5 bytes were left: they are consumed and there is no further block.
  NoBlock,
  // Rejected properties, a data error (a damaged end included), data that ends inside the
  // block, output beyond what a memory stream holds, no memory.
  Failed,
  // The working callback asked to stop.
  Stopped,
};

// Called between the pieces of a block's decoding; false stops it.
using TWorking = std::function<bool()>;

class BlockDecoder {
 public:
  // The largest dictionary a block is decoded with at first: one that any process, a
  // 32-bit one too, can reserve at any time, and more than blocks state in practice.
  static constexpr uint32_t kFirstDictionary = 32u << 20;

  explicit BlockDecoder(uint32_t first_dictionary = kFirstDictionary);
  // `working` is called after every piece of input or output (64 KiB), so that a long
  // decode can let its window answer messages and be stopped.
  explicit BlockDecoder(TWorking working, uint32_t first_dictionary = kFirstDictionary);
  ~BlockDecoder();
  BlockDecoder(const BlockDecoder&) = delete;
  BlockDecoder& operator=(const BlockDecoder&) = delete;

  BlockResult Decode(TStream& source, TMemoryStream& output);

  // The largest dictionary this decoder has asked liblzma for.
  uint32_t largest_dictionary() const { return largest_dictionary_; }

 private:
  struct Properties {
    uint32_t lc, lp, pb, dictionary_size, unpacked_size;
    // The part of the stated dictionary that the block's matches can reach.
    uint32_t usable_dictionary;
  };
  enum class Outcome { End, Error, DataErrorBeforeEnd, DictionaryTooSmall, Stopped };

  // The passes over one block with one dictionary: with the known size first, then, when
  // that meets an end marker before the size, without it.
  Outcome Passes(TStream& source, TMemoryStream& output, const Properties& properties,
                 uint32_t dictionary);
  // One pass over the LZMA data from the source's position. With a known size the pass
  // stops where the size is reached; without it only an end marker stops it.
  Outcome Run(TStream& source, TMemoryStream& output, const Properties& properties,
              bool known_size, uint32_t dictionary);
  void Append(TMemoryStream& output, size_t count, uint32_t unpacked_size);

  TWorking working_;
  uint32_t first_dictionary_;
  uint32_t largest_dictionary_ = 0;
  lzma_stream stream_ = LZMA_STREAM_INIT;
  std::vector<uint8_t> input_;
  std::vector<uint8_t> output_;
};

}  // namespace mendpak
