#include "mendpak/PatchBlock.h"

#include <algorithm>
#include <utility>

#include "mendpak/Patcher.h"

namespace mendpak {

namespace {

// The LZMA input is read in pieces of this size; after a block the source is moved back to
// the block's end, so reading ahead does not change where the next block starts.
constexpr size_t kInputPiece = 64 * 1024;
constexpr size_t kOutputPiece = 64 * 1024;
constexpr uint32_t kMinDictionary = 4096;
constexpr uint32_t kHeaderBytes = 5;

uint32_t LittleEndian32(const uint8_t* bytes) {
  return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
         uint32_t(bytes[3]) << 24;
}

// Where a block's LZMA data and its output begin, for decoding it again.
struct BlockStart {
  int64_t data;
  int32_t output;
};

BlockStart StartHere(TStream& source, TMemoryStream& output) {
  int32_t output_end = output.Seek32(0, soFromEnd);
  return {source.Position(), output_end};
}

void Rewind(TStream& source, TMemoryStream& output, const BlockStart& start) {
  output.SetSize32(start.output);
  output.Seek32(0, soFromEnd);
  source.SetPosition(start.data);
}

}  // namespace

BlockDecoder::BlockDecoder(uint32_t first_dictionary) : BlockDecoder(nullptr, first_dictionary) {}

BlockDecoder::BlockDecoder(TWorking working, uint32_t first_dictionary)
    : working_(std::move(working)),
      first_dictionary_(first_dictionary),
      input_(kInputPiece),
      output_(kOutputPiece) {}

BlockDecoder::~BlockDecoder() { lzma_end(&stream_); }

BlockResult BlockDecoder::Decode(TStream& source, TMemoryStream& output) {
  uint8_t head[kHeaderBytes];
  if (source.Read(head, kHeaderBytes) < int32_t(kHeaderBytes)) return BlockResult::NoBlock;
  Properties properties;
  properties.lc = head[0] % 9;
  properties.lp = head[0] / 9 % 5;
  properties.pb = head[0] / 45;
  properties.dictionary_size = LittleEndian32(head + 1);
  // lc + lp above 4 is valid LZMA, but liblzma refuses to set a decoder up for it in every
  // mode it has: such a block fails in Run, before any of it is read.
  if (properties.pb > 4 || properties.dictionary_size >= 0x80000000u) return BlockResult::Failed;

  uint8_t size[4];
  if (source.Read(size, 4) < 4) return BlockResult::Failed;
  // A stated size of 2^31 or more is no error by itself: an end marker can end the block
  // well before it. A block whose output does pass 2^31 - 1 bytes, all a memory stream
  // holds, fails as it is collected (Append).
  properties.unpacked_size = LittleEndian32(size);
  // Matches reach back at most to the block's start, so no more of the stated dictionary
  // than the block's size can ever be used.
  properties.usable_dictionary =
      std::max(kMinDictionary, std::min(properties.dictionary_size, properties.unpacked_size));

  try {
    BlockStart start = StartHere(source, output);
    // A dictionary as large as the output decoded so far decodes exactly like the stated
    // one, and a smaller one does too until a match reaches back further than it holds;
    // liblzma then reports a data error. So the block is decoded with at most the first
    // dictionary, and after such an error past that dictionary, again from its start with
    // at least twice the dictionary and at least the output so far, up to the usable one.
    // The memory then follows what the matches need, not what the block states, and the
    // work stays within a few times the block's output.
    uint32_t dictionary = std::min(properties.usable_dictionary, first_dictionary_);
    for (;;) {
      Outcome outcome = Passes(source, output, properties, dictionary);
      if (outcome == Outcome::End) return BlockResult::Decoded;
      if (outcome == Outcome::Stopped) return BlockResult::Stopped;
      if (outcome != Outcome::DictionaryTooSmall) return BlockResult::Failed;
      uint64_t produced = uint64_t(output.Size() - start.output);
      dictionary = uint32_t(std::min<uint64_t>(
          properties.usable_dictionary, std::max<uint64_t>(2ull * dictionary, produced)));
      Rewind(source, output, start);
    }
  } catch (const EStreamError&) {
    return BlockResult::Failed;
  }
}

BlockDecoder::Outcome BlockDecoder::Passes(TStream& source, TMemoryStream& output,
                                           const Properties& properties, uint32_t dictionary) {
  BlockStart start = StartHere(source, output);
  Outcome outcome = Run(source, output, properties, true, dictionary);
  if (outcome != Outcome::DataErrorBeforeEnd) return outcome;
  // liblzma refuses an end marker before a known size; the format allows one. Decode the
  // block again until its marker, within the same size.
  Rewind(source, output, start);
  return Run(source, output, properties, false, dictionary);
}

BlockDecoder::Outcome BlockDecoder::Run(TStream& source, TMemoryStream& output,
                                        const Properties& properties, bool known_size,
                                        uint32_t dictionary) {
  lzma_options_lzma options = {};
  options.dict_size = dictionary;
  largest_dictionary_ = std::max(largest_dictionary_, dictionary);
  options.lc = properties.lc;
  options.lp = properties.lp;
  options.pb = properties.pb;
  options.ext_flags = 0;
  if (known_size) {
    lzma_set_ext_size(options, properties.unpacked_size);
  } else {
    lzma_set_ext_size(options, UINT64_MAX);
  }
  lzma_filter filters[2] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  if (lzma_raw_decoder(&stream_, filters) != LZMA_OK) return Outcome::Error;

  int64_t data_start = source.Position();
  uint64_t produced = 0;
  bool input_ended = false;
  int idle_calls = 0;
  stream_.next_in = nullptr;
  stream_.avail_in = 0;
  for (;;) {
    if (stream_.avail_in == 0 && !input_ended) {
      int32_t got = source.Read(input_.data(), int32_t(input_.size()));
      input_ended = got <= 0;
      stream_.next_in = input_.data();
      stream_.avail_in = got > 0 ? size_t(got) : 0;
    }
    size_t room = output_.size();
    if (!known_size) {
      // Without a known size only the marker ends the pass; the block's size still bounds it.
      uint64_t left = properties.unpacked_size - produced;
      if (left == 0) return Outcome::Error;
      room = size_t(std::min<uint64_t>(room, left));
    }
    size_t input_before = stream_.avail_in;
    stream_.next_out = output_.data();
    stream_.avail_out = room;
    lzma_ret ret = lzma_code(&stream_, input_ended ? LZMA_FINISH : LZMA_RUN);
    size_t made = room - stream_.avail_out;
    Append(output, made, properties.unpacked_size);
    produced += made;
    if (ret == LZMA_STREAM_END) break;
    // An error after more output than the dictionary holds may be a match that the usable
    // dictionary reaches; the output before it is what that dictionary gives.
    bool beyond_dictionary = produced > dictionary && dictionary < properties.usable_dictionary;
    if (ret == LZMA_DATA_ERROR && beyond_dictionary) return Outcome::DictionaryTooSmall;
    if (ret == LZMA_DATA_ERROR && known_size) {
      // With every byte produced, the error says that the range decoder did not end clean
      // or that the last match runs past the stated size: the last bytes of the block are
      // damaged, and where it ends is not certain. Before that it may be an end marker.
      if (produced == properties.unpacked_size) return Outcome::Error;
      return Outcome::DataErrorBeforeEnd;
    }
    if (ret != LZMA_OK) return Outcome::Error;
    if (working_ && !working_()) return Outcome::Stopped;
    idle_calls = (made == 0 && stream_.avail_in == input_before) ? idle_calls + 1 : 0;
    if (idle_calls > 2) return Outcome::Error;
  }
  source.SetPosition(data_start + int64_t(stream_.total_in));
  return Outcome::End;
}

void BlockDecoder::Append(TMemoryStream& output, size_t count, uint32_t unpacked_size) {
  if (count == 0) return;
  // Grow by doubling (up to the block's stated size) rather than in small steps, so a large
  // block is not copied over and over; the size read from the file is only a ceiling.
  int64_t needed = int64_t(output.Size()) + int64_t(count);
  if (needed > output.Capacity()) {
    int64_t grown = std::max<int64_t>(needed, int64_t(output.Capacity()) * 2);
    grown = std::min<int64_t>(grown, std::max<int64_t>(needed, unpacked_size));
    if (grown > 0x7FFFFFFF) grown = needed;
    if (grown > 0x7FFFFFFF) throw EStreamError();
    output.SetCapacity(int32_t(grown));
  }
  if (output.Write(output_.data(), int32_t(count)) != int32_t(count)) throw EStreamError();
}

bool DecodePatchBlock(TStream& source, TMemoryStream& output) {
  BlockDecoder decoder;
  return decoder.Decode(source, output) == BlockResult::Decoded;
}

}  // namespace mendpak
