// A plain LZMA1 decoder for the fuzz driver's reference applier, written apart from the
// installer: it reads its input one byte at a time and normalises its range decoder after
// every decoded bit, so the byte where it stops is where a patch block ends.
//
// It accepts exactly the LZMA1 data that the installer's decoder library takes for a block:
//   - lc + lp at most 4 (the caller checks the properties byte);
//   - the range decoder's first byte is 0;
//   - a match reaches back neither before the block's first output byte nor beyond the
//     dictionary, which is the stated size, at least 4096 bytes, rounded up to 16;
//   - no match runs past the stated unpacked size;
//   - after the last output byte (or after an end marker met before it) the range decoder
//     is finished: its code is 0 once the byte of the last normalisation is in;
//   - every byte it needs is there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace mendfuzz {

struct LzmaBlockParams {
  uint32_t lc = 3;
  uint32_t lp = 0;
  uint32_t pb = 2;
  uint32_t dictionary_size = 0;
  uint32_t unpacked_size = 0;
};

struct LzmaBlockResult {
  bool ok = false;
  size_t consumed = 0;  // bytes of input the block's LZMA data took (when ok)
  std::string output;   // unpacked_size bytes, or fewer when an end marker came first
  const char* error = "";
};

LzmaBlockResult DecodeLzmaBlock(const uint8_t* input, size_t available,
                                const LzmaBlockParams& params);

}  // namespace mendfuzz
