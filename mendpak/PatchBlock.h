// The LZMA block decoder behind DecodePatchBlock, kept for the length of one apply so that
// its dictionary and buffers are allocated once.
#pragma once

#include <lzma.h>

#include <cstdint>
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
};

class BlockDecoder {
 public:
  BlockDecoder();
  ~BlockDecoder();
  BlockDecoder(const BlockDecoder&) = delete;
  BlockDecoder& operator=(const BlockDecoder&) = delete;

  BlockResult Decode(TStream& source, TMemoryStream& output);

 private:
  struct Properties {
    uint32_t lc, lp, pb, dictionary_size, unpacked_size;
  };
  enum class Outcome { End, Error, DataErrorBeforeEnd };

  // One pass over the LZMA data from the source's position. With a known size the pass
  // stops where the size is reached; without it only an end marker stops it.
  Outcome Run(TStream& source, TMemoryStream& output, const Properties& properties,
              bool known_size);
  void Append(TMemoryStream& output, size_t count, uint32_t unpacked_size);

  lzma_stream stream_ = LZMA_STREAM_INIT;
  std::vector<uint8_t> input_;
  std::vector<uint8_t> output_;
};

}  // namespace mendpak
