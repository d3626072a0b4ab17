// Shared pieces of the raster unit tests: the library's start-up for the test program, the
// routine variants this processor can run, seeded random rows and row comparison.
#pragma once

#include "raster/Raster_System.h"
#include "raster/Raster_Types.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace raster_test {

using raster::TColor32;
using raster::TRoutineFeatures;

// A selection of variants, by the features that install them.
struct Variant {
  const char* name;
  TRoutineFeatures features;
};

// Plain, MMX, extended MMX and SSE2, as far as this processor runs them.
std::vector<Variant> RunnableVariants();
std::string VariantName(const testing::TestParamInfo<Variant>& info);
inline void PrintTo(const Variant& variant, std::ostream* out) { *out << variant.name; }

// Installs the variants of these features in every routine pointer (raster::SelectRoutines).
void SelectAll(const TRoutineFeatures& features);
// Back to what start-up selected.
void SelectStartupRoutines();

// The seed of a test's random rows: RASTER_TEST_SEED when set, else a fixed default, so a
// failure printed with its seed can be run again.
uint32_t TestSeed();

// A pixel whose alpha is 0, 255 or anything with equal chances, so that every shortcut of
// the blend routines is met often.
TColor32 RandomPixel(std::mt19937& rng);
std::vector<TColor32> RandomRow(std::mt19937& rng, size_t count);

// The row widths every row test runs: 1, odd ones, block edges and a long one.
extern const int32_t RowWidths[];
extern const size_t RowWidthCount;

// Empty when equal, else where and how the rows first differ.
std::string FirstDifference(const TColor32* actual, const TColor32* expected, size_t count);

// Floating-point work done on the x87 stack in both builds; fails to give 5.0 when the
// MMX state was left set (every x87 load then overflows the stack).
double FloatingPointProbe();

// Bytes channel c (0 = blue .. 3 = alpha) of a pixel.
inline uint32_t Channel(TColor32 c, int index) { return (c >> (8 * index)) & 0xFF; }

// Pixels built so that, over all v in 0..255, each channel takes every value once, and
// differently per channel: used to run a channel operation over all input pairs.
inline TColor32 SpreadX(uint32_t v) {
  return raster::Color32(uint8_t(v ^ 0x5A), uint8_t(255 - v), uint8_t(v), uint8_t(v * 37 + 11));
}
inline TColor32 SpreadY(uint32_t v) {
  return raster::Color32(uint8_t(v * 73 + 5), uint8_t(v), uint8_t(v ^ 0xC3), uint8_t(255 - v));
}

}  // namespace raster_test
