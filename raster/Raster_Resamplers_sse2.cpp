// The SSE2 variant of ResampleKernel's two passes, for weights that fit in 16 bits. Both
// passes multiply 16-bit values with PMADDWD, which sums two products into 32 bits: so
// every step takes two taps, and an odd tap pairs with one of weight 0.
//
// Horizontal: the two pixels of a pair of taps are widened to 16-bit channels side by
// side, and one PMADDWD gives the four channel sums of both taps; the 32-bit additions
// wrap as the definition's sums do. Each sum H is then stored as two signed 16-bit halves,
// lo (the low 16 bits of H, sign-extended) and hi = (H - lo) / 65536, so that
// H = hi x 65536 + lo modulo 2^32: the four lo of a column, then its four hi.
// Vertical: two filtered rows a and b interleaved give (lo_a, lo_b) and (hi_a, hi_b) per
// channel; PMADDWD with (w_a, w_b) sums both taps' lo products and both taps' hi products,
// exactly modulo 2^32. All pairs of a destination row's cluster are summed in registers,
// lo and hi apart, and S = lo sum + hi sum x 65536 at the end.
#include <emmintrin.h>

#include <vector>

#include "raster/Raster_ResamplersKernelPasses.h"

namespace raster {
namespace {

// The halves of four channel sums, as described above.
__m128i SplitSums(__m128i Sums) {
  const __m128i lo = _mm_srai_epi32(_mm_slli_epi32(Sums, 16), 16);
  const __m128i hi = _mm_srai_epi32(_mm_sub_epi32(Sums, lo), 16);
  return _mm_packs_epi32(lo, hi);  // both within 16 bits: no saturation
}

void FilterRow_SSE2(const TColor32* Row, const TKernelTaps& Taps, uint32_t* Out) {
  const __m128i zero = _mm_setzero_si128();
  const int32_t* first = Taps.First.data();
  const int32_t* pos = Taps.Pos.data();
  const uint32_t* pairs = Taps.WeightPairs.data();
  for (size_t i = 0, columns = Taps.Columns(); i < columns; ++i, Out += 4) {
    __m128i sums = zero;
    for (int32_t t = first[i]; t < first[i + 1]; t += 2) {
      const __m128i a = _mm_cvtsi32_si128(int(Row[pos[t]]));
      const __m128i b = _mm_cvtsi32_si128(int(Row[pos[t + 1]]));
      const __m128i channels = _mm_unpacklo_epi8(_mm_unpacklo_epi8(a, b), zero);
      sums = _mm_add_epi32(sums, _mm_madd_epi16(channels, _mm_set1_epi32(int(pairs[t / 2]))));
    }
    _mm_store_si128(reinterpret_cast<__m128i*>(Out), SplitSums(sums));
  }
}

// The taps of one destination row in pairs: the two filtered rows of pair k and their
// weights, (w_a, w_b) in every 32-bit lane.
class TTapPairs {
 public:
  TTapPairs(const uint32_t* const* Rows, const int32_t* Weights, int32_t Count)
      : count_((Count + 1) / 2) {
    if (count_ > InPlace) {
      heap_rows_.resize(size_t(count_) * 2);
      heap_weights_.resize(size_t(count_) * 4);
      rows_ = heap_rows_.data();
      weights_ = heap_weights_.data();
    }
    for (int32_t k = 0; k < count_; ++k) {
      const int32_t a = 2 * k, b = a + 1 < Count ? a + 1 : a;
      const uint32_t w_b = b != a ? uint32_t(Weights[b]) : 0;
      rows_[2 * k] = Rows[a];
      rows_[2 * k + 1] = Rows[b];
      const uint32_t pair = (uint32_t(Weights[a]) & 0xFFFF) | w_b << 16;
      for (int lane = 0; lane < 4; ++lane) weights_[4 * k + lane] = pair;
    }
  }
  TTapPairs(const TTapPairs&) = delete;
  TTapPairs& operator=(const TTapPairs&) = delete;

  int32_t Count() const { return count_; }
  const uint32_t* First(int32_t K) const { return rows_[2 * K]; }
  const uint32_t* Second(int32_t K) const { return rows_[2 * K + 1]; }
  __m128i Weights(int32_t K) const {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights_ + 4 * K));
  }

 private:
  static constexpr int32_t InPlace = 16;
  int32_t count_;
  const uint32_t* in_place_rows_[2 * InPlace];
  uint32_t in_place_weights_[4 * InPlace];
  const uint32_t** rows_ = in_place_rows_;
  uint32_t* weights_ = in_place_weights_;
  std::vector<const uint32_t*> heap_rows_;
  std::vector<uint32_t> heap_weights_;
};

// The lo and hi sums of one pixel.
struct TPixelSums {
  __m128i Lo = _mm_setzero_si128();
  __m128i Hi = _mm_setzero_si128();

  void Add(const uint32_t* A, const uint32_t* B, __m128i Weights) {
    const __m128i a = _mm_load_si128(reinterpret_cast<const __m128i*>(A));
    const __m128i b = _mm_load_si128(reinterpret_cast<const __m128i*>(B));
    Lo = _mm_add_epi32(Lo, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), Weights));
    Hi = _mm_add_epi32(Hi, _mm_madd_epi16(_mm_unpackhi_epi16(a, b), Weights));
  }
  __m128i Sums() const { return _mm_add_epi32(Lo, _mm_slli_epi32(Hi, 16)); }
};

// Bits 16..23 of each sum of two pixels, clamped to 0..0xFF0000 first with Clamp, as
// bytes in the low 8 bytes.
template <bool Clamp>
__m128i ChannelsOf(__m128i Sums0, __m128i Sums1) {
  __m128i words;
  if (Clamp) {
    // The packs saturate: a negative sum gives 0, one above 0xFF0000 gives 255.
    words = _mm_packs_epi32(_mm_srai_epi32(Sums0, 16), _mm_srai_epi32(Sums1, 16));
  } else {
    const __m128i byte = _mm_set1_epi32(0xFF);
    words = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(Sums0, 16), byte),
                            _mm_and_si128(_mm_srli_epi32(Sums1, 16), byte));
  }
  return _mm_packus_epi16(words, words);
}

template <bool Clamp>
void SumRows(const TTapPairs& Pairs, int32_t Columns, TColor32* Out) {
  int32_t i = 0;
  for (; i + 2 <= Columns; i += 2) {
    TPixelSums left, right;
    for (int32_t k = 0; k < Pairs.Count(); ++k) {
      const uint32_t *a = Pairs.First(k) + 4 * i, *b = Pairs.Second(k) + 4 * i;
      const __m128i weights = Pairs.Weights(k);
      left.Add(a, b, weights);
      right.Add(a + 4, b + 4, weights);
    }
    _mm_storel_epi64(reinterpret_cast<__m128i*>(Out + i), ChannelsOf<Clamp>(left.Sums(), right.Sums()));
  }
  if (i < Columns) {
    TPixelSums last;
    for (int32_t k = 0; k < Pairs.Count(); ++k) {
      last.Add(Pairs.First(k) + 4 * i, Pairs.Second(k) + 4 * i, Pairs.Weights(k));
    }
    Out[i] = TColor32(_mm_cvtsi128_si32(ChannelsOf<Clamp>(last.Sums(), last.Sums())));
  }
}

void SumRows_SSE2(const uint32_t* const* Rows, const int32_t* Weights, int32_t Count,
                  int32_t Columns, bool Clamp, TColor32* Out) {
  const TTapPairs pairs(Rows, Weights, Count);
  if (Clamp) {
    SumRows<true>(pairs, Columns, Out);
  } else {
    SumRows<false>(pairs, Columns, Out);
  }
}

}  // namespace

const TKernelPassSet Sse2KernelPasses = {FilterRow_SSE2, SumRows_SSE2, true};

}  // namespace raster
