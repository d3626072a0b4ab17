// Start-up of the raster library for the test programs, and the shared test helpers.
#include "tests/raster/raster_test_support.h"

#include "raster/Raster_Startup.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace raster_test {
namespace {

class RasterLibrary : public testing::Environment {
 public:
  void SetUp() override { raster::StartupRasterLibrary(); }
  void TearDown() override { raster::ShutdownRasterLibrary(); }
};

testing::Environment* const library = testing::AddGlobalTestEnvironment(new RasterLibrary);

}  // namespace

std::vector<Variant> RunnableVariants() {
  const TRoutineFeatures cpu = raster::RoutineFeaturesOf(raster::ThisProcessor());
  std::vector<Variant> variants{{"Plain", {}}};
  if (cpu.MMX) variants.push_back({"MMX", {true, false, false}});
  if (cpu.MMX && cpu.ExtendedMMX) variants.push_back({"ExtendedMMX", {true, true, false}});
  if (cpu.SSE2) variants.push_back({"SSE2", {cpu.MMX, cpu.ExtendedMMX, false, true}});
  return variants;
}

std::string VariantName(const testing::TestParamInfo<Variant>& info) { return info.param.name; }

void SelectAll(const TRoutineFeatures& features) { raster::SelectRoutines(features); }

void SelectStartupRoutines() { SelectAll(raster::StartupRoutineFeatures()); }

uint32_t TestSeed() {
  const char* text = std::getenv("RASTER_TEST_SEED");
  return text ? uint32_t(std::strtoul(text, nullptr, 0)) : 20261209u;
}

TColor32 RandomPixel(std::mt19937& rng) {
  const TColor32 color = rng() & 0x00FFFFFF;
  switch (rng() % 3) {
    case 0: return color;
    case 1: return color | 0xFF000000;
    default: return color | (rng() & 0xFF000000);
  }
}

std::vector<TColor32> RandomRow(std::mt19937& rng, size_t count) {
  std::vector<TColor32> row(count);
  for (TColor32& pixel : row) pixel = RandomPixel(rng);
  return row;
}

const int32_t RowWidths[] = {1, 2, 3, 7, 15, 16, 17, 31, 33, 63, 64, 65, 255, 1001};
const size_t RowWidthCount = std::size(RowWidths);

std::string FirstDifference(const TColor32* actual, const TColor32* expected, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (actual[i] != expected[i]) {
      std::ostringstream text;
      text << std::hex << std::uppercase << "pixel " << std::dec << i << " of " << count
           << ": 0x" << std::hex << actual[i] << ", expected 0x" << expected[i];
      return text.str();
    }
  }
  return {};
}

// long double is the x87 80-bit type in both MinGW-w64 builds, so this runs on the x87
// unit on x86_64 too, where double would go through SSE and never meet the MMX state.
double FloatingPointProbe() {
  volatile long double a = 3.0L, b = 4.0L;
  return double(std::sqrt(a * a + b * b));
}

}  // namespace raster_test
