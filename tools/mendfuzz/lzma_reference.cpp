#include "tools/mendfuzz/lzma_reference.h"

#include <algorithm>
#include <vector>

namespace mendfuzz {

namespace {

constexpr uint32_t kTopValue = 1u << 24;
constexpr uint16_t kProbabilityHalf = 1024;
constexpr uint32_t kStates = 12;
constexpr uint32_t kEndMarker = 0xFFFFFFFFu;
// The installer collects a block's output in a memory stream of at most 2^31 - 1 bytes.
constexpr size_t kLargestOutput = 0x7FFFFFFF;

class RangeDecoder {
 public:
  RangeDecoder(const uint8_t* input, size_t available) : input_(input), available_(available) {}

  // The five starting bytes; the first one must be 0.
  bool Start(const char*& error) {
    for (int i = 0; i < 5; ++i) {
      uint8_t byte = NextByte();
      if (out_of_input_) {
        error = "LZMA data ends before the range decoder starts";
        return false;
      }
      if (i == 0 && byte != 0) {
        error = "first byte of the LZMA data is not 0";
        return false;
      }
      code_ = code_ << 8 | byte;
    }
    return true;
  }

  uint32_t Bit(uint16_t& probability) {
    uint32_t bound = (range_ >> 11) * probability;
    uint32_t bit;
    if (code_ < bound) {
      range_ = bound;
      probability = uint16_t(probability + ((2048 - probability) >> 5));
      bit = 0;
    } else {
      range_ -= bound;
      code_ -= bound;
      probability = uint16_t(probability - (probability >> 5));
      bit = 1;
    }
    Normalise();
    return bit;
  }

  // Bits of even probability. The subtraction wraps as a 32-bit value: a damaged stream
  // can hold a code at or above the range, and then the sign of the difference decides.
  uint32_t DirectBits(uint32_t count) {
    uint32_t result = 0;
    for (; count > 0; --count) {
      range_ >>= 1;
      uint32_t difference = code_ - range_;
      uint32_t bit = (difference >> 31) ^ 1;
      if (bit) code_ = difference;
      result = result << 1 | bit;
      Normalise();
    }
    return result;
  }

  bool finished() const { return code_ == 0; }
  bool out_of_input() const { return out_of_input_; }
  size_t consumed() const { return consumed_; }

 private:
  void Normalise() {
    if (range_ >= kTopValue) return;
    range_ <<= 8;
    code_ = code_ << 8 | NextByte();
  }

  uint8_t NextByte() {
    if (consumed_ == available_) {
      out_of_input_ = true;
      return 0;
    }
    return input_[consumed_++];
  }

  const uint8_t* input_;
  size_t available_;
  size_t consumed_ = 0;
  bool out_of_input_ = false;
  uint32_t range_ = 0xFFFFFFFFu;
  uint32_t code_ = 0;
};

struct LengthProbabilities {
  uint16_t choice = kProbabilityHalf;
  uint16_t choice2 = kProbabilityHalf;
  uint16_t low[16][8];
  uint16_t mid[16][8];
  uint16_t high[256];
  LengthProbabilities() {
    std::fill(&low[0][0], &low[0][0] + 16 * 8, kProbabilityHalf);
    std::fill(&mid[0][0], &mid[0][0] + 16 * 8, kProbabilityHalf);
    std::fill(high, high + 256, kProbabilityHalf);
  }
};

class BlockDecoder {
 public:
  BlockDecoder(const uint8_t* input, size_t available, const LzmaBlockParams& params)
      : rc_(input, available),
        params_(params),
        literal_(size_t(0x300) << (params.lc + params.lp), kProbabilityHalf) {
    std::fill(&is_match_[0][0], &is_match_[0][0] + kStates * 16, kProbabilityHalf);
    std::fill(&is_rep0_long_[0][0], &is_rep0_long_[0][0] + kStates * 16, kProbabilityHalf);
    for (uint16_t* row : {is_rep_, is_rep_g0_, is_rep_g1_, is_rep_g2_}) {
      std::fill(row, row + kStates, kProbabilityHalf);
    }
    std::fill(&pos_slot_[0][0], &pos_slot_[0][0] + 4 * 64, kProbabilityHalf);
    std::fill(spec_pos_, spec_pos_ + 114, kProbabilityHalf);
    std::fill(align_, align_ + 16, kProbabilityHalf);
    uint32_t dictionary = std::max<uint32_t>(params.dictionary_size, 4096);
    dictionary_ = (uint64_t(dictionary) + 15) / 16 * 16;
  }

  LzmaBlockResult Run() {
    LzmaBlockResult result;
    if (!rc_.Start(result.error)) return result;
    const char* error = DecodeSymbols();
    if (!error && rc_.out_of_input()) error = "LZMA data ends inside the block";
    if (!error && !rc_.finished()) error = "range decoder not finished at the block's end";
    if (error) {
      result.error = error;
      return result;
    }
    result.ok = true;
    result.consumed = rc_.consumed();
    result.output = std::move(output_);
    return result;
  }

 private:
  // Decodes until the stated size or an end marker; an error text on damage.
  const char* DecodeSymbols() {
    const uint32_t pb_mask = (1u << params_.pb) - 1;
    while (output_.size() < params_.unpacked_size) {
      if (rc_.out_of_input()) return "LZMA data ends inside the block";
      uint32_t pos_state = uint32_t(output_.size()) & pb_mask;
      if (rc_.Bit(is_match_[state_][pos_state]) == 0) {
        if (output_.size() == kLargestOutput) return "block output beyond 2^31 - 1 bytes";
        output_.push_back(char(DecodeLiteral()));
        state_ = state_ < 4 ? 0 : state_ < 10 ? state_ - 3 : state_ - 6;
        continue;
      }
      uint32_t length;
      if (rc_.Bit(is_rep_[state_]) == 0) {
        rep_[3] = rep_[2];
        rep_[2] = rep_[1];
        rep_[1] = rep_[0];
        length = DecodeLength(match_length_, pos_state);
        state_ = state_ < 7 ? 7 : 10;
        rep_[0] = DecodeDistance(length);
        if (rep_[0] == kEndMarker) return nullptr;
        if (rep_[0] >= output_.size() || rep_[0] >= dictionary_) {
          return "match distance beyond the output or the dictionary";
        }
      } else {
        if (output_.empty()) return "repeated match before any output";
        if (rc_.Bit(is_rep_g0_[state_]) == 0) {
          if (rc_.Bit(is_rep0_long_[state_][pos_state]) == 0) {
            state_ = state_ < 7 ? 9 : 11;
            if (output_.size() == kLargestOutput) return "block output beyond 2^31 - 1 bytes";
            output_.push_back(output_[output_.size() - rep_[0] - 1]);
            continue;
          }
        } else {
          uint32_t distance;
          if (rc_.Bit(is_rep_g1_[state_]) == 0) {
            distance = rep_[1];
          } else {
            if (rc_.Bit(is_rep_g2_[state_]) == 0) {
              distance = rep_[2];
            } else {
              distance = rep_[3];
              rep_[3] = rep_[2];
            }
            rep_[2] = rep_[1];
          }
          rep_[1] = rep_[0];
          rep_[0] = distance;
        }
        length = DecodeLength(rep_length_, pos_state);
        state_ = state_ < 7 ? 8 : 11;
      }
      size_t count = length + 2;
      if (params_.unpacked_size - output_.size() < count) {
        return "match runs past the block's unpacked size";
      }
      if (output_.size() + count > kLargestOutput) return "block output beyond 2^31 - 1 bytes";
      for (size_t i = 0; i < count; ++i) {
        output_.push_back(output_[output_.size() - rep_[0] - 1]);
      }
    }
    return nullptr;
  }

  uint32_t DecodeLiteral() {
    uint32_t previous = output_.empty() ? 0 : uint8_t(output_.back());
    uint32_t lp_mask = (1u << params_.lp) - 1;
    size_t context = ((uint32_t(output_.size()) & lp_mask) << params_.lc) +
                     (previous >> (8 - params_.lc));
    uint16_t* probabilities = &literal_[0x300 * context];
    uint32_t symbol = 1;
    if (state_ >= 7) {
      // After a match the byte at the match distance guides the first bits.
      uint32_t match_byte = uint8_t(output_[output_.size() - rep_[0] - 1]);
      do {
        uint32_t match_bit = (match_byte >> 7) & 1;
        match_byte <<= 1;
        uint32_t bit = rc_.Bit(probabilities[((1 + match_bit) << 8) + symbol]);
        symbol = symbol << 1 | bit;
        if (bit != match_bit) break;
      } while (symbol < 0x100);
    }
    while (symbol < 0x100) symbol = symbol << 1 | rc_.Bit(probabilities[symbol]);
    return symbol & 0xFF;
  }

  uint32_t BitTree(uint16_t* probabilities, uint32_t bits) {
    uint32_t node = 1;
    for (uint32_t i = 0; i < bits; ++i) node = node << 1 | rc_.Bit(probabilities[node]);
    return node - (1u << bits);
  }

  // Bits lowest first; the tree's nodes are probabilities[base + node], node from 1.
  uint32_t ReverseBitTree(uint16_t* probabilities, int base, uint32_t bits) {
    uint32_t node = 1;
    uint32_t symbol = 0;
    for (uint32_t i = 0; i < bits; ++i) {
      uint32_t bit = rc_.Bit(probabilities[base + int(node)]);
      node = node << 1 | bit;
      symbol |= bit << i;
    }
    return symbol;
  }

  // The length less 2 (0 to 271).
  uint32_t DecodeLength(LengthProbabilities& coder, uint32_t pos_state) {
    if (rc_.Bit(coder.choice) == 0) return BitTree(coder.low[pos_state], 3);
    if (rc_.Bit(coder.choice2) == 0) return 8 + BitTree(coder.mid[pos_state], 3);
    return 16 + BitTree(coder.high, 8);
  }

  // The distance less 1.
  uint32_t DecodeDistance(uint32_t length) {
    uint32_t slot = BitTree(pos_slot_[std::min<uint32_t>(length, 3)], 6);
    if (slot < 4) return slot;
    uint32_t direct_bits = (slot >> 1) - 1;
    uint32_t distance = (2 | (slot & 1)) << direct_bits;
    if (slot < 14) {
      return distance + ReverseBitTree(spec_pos_, int(distance) - int(slot) - 1, direct_bits);
    }
    distance += rc_.DirectBits(direct_bits - 4) << 4;
    return distance + ReverseBitTree(align_, 0, 4);
  }

  RangeDecoder rc_;
  LzmaBlockParams params_;
  uint64_t dictionary_ = 0;
  std::vector<uint16_t> literal_;
  uint16_t is_match_[kStates][16];
  uint16_t is_rep_[kStates];
  uint16_t is_rep_g0_[kStates];
  uint16_t is_rep_g1_[kStates];
  uint16_t is_rep_g2_[kStates];
  uint16_t is_rep0_long_[kStates][16];
  uint16_t pos_slot_[4][64];
  uint16_t spec_pos_[114];
  uint16_t align_[16];
  LengthProbabilities match_length_;
  LengthProbabilities rep_length_;
  uint32_t state_ = 0;
  uint32_t rep_[4] = {0, 0, 0, 0};
  std::string output_;
};

}  // namespace

LzmaBlockResult DecodeLzmaBlock(const uint8_t* input, size_t available,
                                const LzmaBlockParams& params) {
  BlockDecoder decoder(input, available, params);
  return decoder.Run();
}

}  // namespace mendfuzz
