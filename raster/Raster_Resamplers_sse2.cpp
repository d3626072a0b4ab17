// The SSE2 variant of ResampleKernel's two passes, for weights that fit in 16 bits.
//
// Horizontal: the taps of a column in pairs, each pair's two pixels widened to 16-bit
// channels side by side, so that one PMADDWD gives the four channel sums of both taps;
// 32-bit additions wrap as the definition's sums do.
// Vertical: PMADDWD and PMULLW multiply 16-bit halves, so each filtered sum H is stored as
// H' = H + ((H & 0x8000) << 1), whose low half read as signed (lo) and high half read as
// signed (hi) give H = hi x 65536 + lo. Then w x H modulo 2^32 is the PMADDWD of H' with
// (w, 0) in each pair of halves (lo x w, exact) plus the PMULLW of H' with (0, w) (the
// low 16 bits of hi x w, in the high half). All taps of a destination row's cluster are
// summed in registers, four pixels at a time.
#include <emmintrin.h>

#include "raster/Raster_ResamplersKernelPasses.h"

namespace raster {
namespace {

__m128i SplitForm(__m128i Sums) {
  const __m128i sign_bits = _mm_and_si128(Sums, _mm_set1_epi32(0x8000));
  return _mm_add_epi32(Sums, _mm_slli_epi32(sign_bits, 1));
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
    _mm_store_si128(reinterpret_cast<__m128i*>(Out), SplitForm(sums));
  }
}

// One tap's weight in the two forms the product takes.
struct TSplitWeight {
  __m128i Low;   // (w, 0) in each 32-bit lane
  __m128i High;  // (0, w)
};

TSplitWeight SplitWeight(int32_t W) {
  const uint32_t w = uint32_t(W) & 0xFFFF;
  return {_mm_set1_epi32(int(w)), _mm_set1_epi32(int(w << 16))};
}

// w x H modulo 2^32 per lane, from H' (see above).
__m128i Product(__m128i Split, const TSplitWeight& W) {
  return _mm_add_epi32(_mm_madd_epi16(Split, W.Low), _mm_mullo_epi16(Split, W.High));
}

// Bits 16..23 of each sum, clamped to 0..0xFF0000 first with Clamp, as 16-bit lanes
// (two pixels).
template <bool Clamp>
__m128i ChannelsOf(__m128i Sums0, __m128i Sums1) {
  if (Clamp) {
    // The packs saturate: a negative sum gives 0, one above 0xFF0000 gives 255.
    return _mm_packs_epi32(_mm_srai_epi32(Sums0, 16), _mm_srai_epi32(Sums1, 16));
  }
  const __m128i byte = _mm_set1_epi32(0xFF);
  return _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(Sums0, 16), byte),
                         _mm_and_si128(_mm_srli_epi32(Sums1, 16), byte));
}

template <bool Clamp>
void SumRows(const uint32_t* const* Rows, const int32_t* Weights, int32_t Count,
             int32_t Columns, TColor32* Out) {
  int32_t i = 0;
  for (; i + 4 <= Columns; i += 4) {
    __m128i sums0 = _mm_setzero_si128(), sums1 = sums0, sums2 = sums0, sums3 = sums0;
    for (int32_t t = 0; t < Count; ++t) {
      const __m128i* split = reinterpret_cast<const __m128i*>(Rows[t] + 4 * i);
      const TSplitWeight w = SplitWeight(Weights[t]);
      sums0 = _mm_add_epi32(sums0, Product(_mm_load_si128(split), w));
      sums1 = _mm_add_epi32(sums1, Product(_mm_load_si128(split + 1), w));
      sums2 = _mm_add_epi32(sums2, Product(_mm_load_si128(split + 2), w));
      sums3 = _mm_add_epi32(sums3, Product(_mm_load_si128(split + 3), w));
    }
    const __m128i pixels =
        _mm_packus_epi16(ChannelsOf<Clamp>(sums0, sums1), ChannelsOf<Clamp>(sums2, sums3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Out + i), pixels);
  }
  for (; i < Columns; ++i) {
    __m128i sums = _mm_setzero_si128();
    for (int32_t t = 0; t < Count; ++t) {
      const __m128i* split = reinterpret_cast<const __m128i*>(Rows[t] + 4 * i);
      sums = _mm_add_epi32(sums, Product(_mm_load_si128(split), SplitWeight(Weights[t])));
    }
    const __m128i channels = ChannelsOf<Clamp>(sums, sums);
    Out[i] = TColor32(_mm_cvtsi128_si32(_mm_packus_epi16(channels, channels)));
  }
}

void SumRows_SSE2(const uint32_t* const* Rows, const int32_t* Weights, int32_t Count,
                  int32_t Columns, bool Clamp, TColor32* Out) {
  if (Clamp) {
    SumRows<true>(Rows, Weights, Count, Columns, Out);
  } else {
    SumRows<false>(Rows, Weights, Count, Columns, Out);
  }
}

}  // namespace

const TKernelPassSet Sse2KernelPasses = {FilterRow_SSE2, SumRows_SSE2, true};

}  // namespace raster
