// Kernels, the registries, the resampler classes and their point reads, a bitmap's
// resampler by class name and through Assign, the integer map, the transformation base and
// the nested samplers.
#include "raster/Raster.h"
#include "raster/Raster_Blend.h"
#include "raster/Raster_OrdinalMaps.h"
#include "raster/Raster_Resamplers.h"
#include "raster/Raster_Transforms.h"
#include "tests/raster/bitmap_events.h"
#include "tests/raster/raster_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

namespace raster {
namespace {

std::unique_ptr<TCustomKernel> NewKernel(const std::string& name) {
  const TKernelClassInfo* info = FindKernelClass(name);
  return std::unique_ptr<TCustomKernel>(info ? info->Create() : nullptr);
}

TEST(Registries, HoldTheClassesInOrderAndFindExactNames) {
  const char* const resamplers[] = {"TNearestResampler", "TLinearResampler", "TDraftResampler",
                                    "TKernelResampler"};
  const char* const kernels[] = {"TBoxKernel",      "TLinearKernel",   "TCosineKernel", "TSplineKernel",
                                 "TCubicKernel",    "TMitchellKernel", "TLanczosKernel", "TGaussianKernel",
                                 "TBlackmanKernel", "THannKernel",     "THammingKernel", "TSinshKernel",
                                 "THermiteKernel"};
  ASSERT_EQ(ResamplerRegistry->Count(), 4);
  ASSERT_EQ(KernelRegistry->Count(), 13);
  for (int i = 0; i < 4; ++i) EXPECT_STREQ(ResamplerRegistry->Items(i)->ClassName, resamplers[i]);
  for (int i = 0; i < 13; ++i) {
    EXPECT_STREQ(KernelRegistry->Items(i)->ClassName, kernels[i]);
    EXPECT_EQ(NewKernel(kernels[i])->ClassName(), kernels[i]) << "made by name";
  }
  EXPECT_EQ(FindKernelClass("tlanczoskernel"), nullptr);
  EXPECT_EQ(FindResamplerClass("TCustomResampler"), nullptr);
}

// Values at the kernels' centres and edges.
TEST(Kernels, ValuesAtCentresAndEdges) {
  struct Row { const char* kernel; float x, value; };
  const Row rows[] = {
      {"TBoxKernel", 0.5f, 1},        {"TBoxKernel", -0.5f, 1},        {"TBoxKernel", 0.5001f, 0},
      {"TLinearKernel", -1, 0},       {"TLinearKernel", -0.25f, 0.75f}, {"TLinearKernel", 1, 0},
      {"TCosineKernel", 0, 1},        {"TCosineKernel", 1, 0},          {"TCosineKernel", 0.5f, 0.5f},
      {"TSplineKernel", 0, 2.0f / 3}, {"TSplineKernel", 1, 1.0f / 6},   {"TSplineKernel", 2, 0},
      {"TMitchellKernel", 0, 16.0f / 18}, {"TMitchellKernel", 2, 0},
      {"TCubicKernel", 0, 1},         {"TCubicKernel", 1, 0},           {"TCubicKernel", 2, 0},
      {"THermiteKernel", 0, 1},       {"THermiteKernel", 1, 0},         {"THermiteKernel", -3, 0},
      {"TLanczosKernel", 0, 1},       {"TLanczosKernel", 3, 0},         {"TLanczosKernel", 2.9999f, 0},
      {"TGaussianKernel", 0, 1},      {"TBlackmanKernel", 0, 1},        {"THannKernel", 0, 1},
      {"THammingKernel", 0, 1},       {"THammingKernel", 3, 0},         {"TSinshKernel", 0, 1},
  };
  for (const Row& row : rows) {
    EXPECT_NEAR(NewKernel(row.kernel)->Filter(row.x), row.value, 1e-6) << row.kernel << "(" << row.x << ")";
  }
  const auto lanczos = NewKernel("TLanczosKernel");
  EXPECT_EQ(lanczos->Filter(-1.5f), lanczos->Filter(1.5f));
  EXPECT_NEAR(lanczos->Filter(0.5f), 0.6079271f, 1e-6);  // sinc(0.5) sinc(1/6)
  EXPECT_NE(NewKernel("TSinshKernel")->Filter(5.5f), 0.0f) << "no cut-off at its width";
  const std::pair<const char*, float> widths[] = {{"TBoxKernel", 1}, {"TLinearKernel", 1}, {"TSplineKernel", 2},
                                                  {"TLanczosKernel", 3}, {"TSinshKernel", 3}};
  for (auto [name, width] : widths) EXPECT_EQ(NewKernel(name)->GetWidth(), width) << name;
  EXPECT_FALSE(NewKernel("TLinearKernel")->RangeCheck());
  EXPECT_TRUE(NewKernel("TLanczosKernel")->RangeCheck());
}

TEST(Kernels, ParameterSettersLimitRefuseAndNotify) {
  TLanczosKernel lanczos;
  TNotifiablePersistent observer;
  int changes = 0;
  observer.OnChange = [&](TObject*) { ++changes; };
  lanczos.Observer = &observer;
  lanczos.SetWidth(5);
  EXPECT_EQ(lanczos.Width(), 4.0f);
  lanczos.SetWidth(4);
  EXPECT_EQ(changes, 1) << "the same value fires nothing";
  for (float narrow : {0.0f, -2.0f, 0.1f}) {
    lanczos.SetWidth(narrow);
    EXPECT_EQ(lanczos.Width(), MinimumKernelWidth) << narrow;
  }
  TGaussianKernel gaussian;
  gaussian.SetSigma(0);
  EXPECT_EQ(gaussian.Sigma(), 1.33f);
  TSinshKernel sinsh;
  sinsh.SetCoeff(0);
  EXPECT_EQ(sinsh.Coeff(), 0.5f);
  sinsh.SetWidth(-1);
  EXPECT_EQ(sinsh.GetWidth(), MinimumKernelWidth);
  // The narrowest kernel still weighs every destination pixel, summing to 256.
  lanczos.SetWidth(0);
  for (const TCluster& cluster : BuildClusterTable(0, 40, 0, 40, 0, 7, lanczos)) {
    int sum = 0;
    for (const TClusterEntry& e : cluster) sum += e.Weight;
    ASSERT_EQ(sum, 256);
  }
}

TEST(BitmapResampler, ChosenByNameAndCarriedByAssign) {
  TBitmap32 source;
  EXPECT_EQ(source.ResamplerClassName(), "TNearestResampler");
  int changes = 0;
  source.OnChange = [&](TObject*) { ++changes; };
  source.SetResamplerClassName("TKernelResampler");
  EXPECT_EQ(changes, 1);
  auto* kernel_resampler = dynamic_cast<TKernelResampler*>(source.Resampler());
  ASSERT_NE(kernel_resampler, nullptr);
  EXPECT_EQ(kernel_resampler->Bitmap(), &source);
  for (const char* ignored : {"TKernelResampler", "tkernelresampler", "TNoSuchResampler", ""})
    source.SetResamplerClassName(ignored);
  EXPECT_EQ(source.Resampler(), kernel_resampler) << "same instance";
  EXPECT_EQ(changes, 1);
  // A new kernel resampler's settings, then the ones a viewer chooses.
  EXPECT_EQ(kernel_resampler->KernelClassName(), "TBoxKernel");
  EXPECT_EQ(kernel_resampler->KernelMode(), kmDynamic);
  EXPECT_EQ(kernel_resampler->TableSize(), 32);
  kernel_resampler->SetTableSize(1);
  EXPECT_EQ(kernel_resampler->TableSize(), 2);
  kernel_resampler->SetKernelClassName("tlanczoskernel");
  EXPECT_EQ(kernel_resampler->KernelClassName(), "TBoxKernel");
  auto* lanczos = new TLanczosKernel;
  lanczos->SetWidth(2.5f);
  kernel_resampler->SetKernel(lanczos);
  kernel_resampler->SetKernelMode(kmTableLinear);
  kernel_resampler->SetTableSize(64);
  kernel_resampler->SetPixelAccessMode(pamWrap);
  EXPECT_EQ(kernel_resampler->GetFilterWidth(), 2.5f);

  source.SetSize(3, 2);
  TBitmap32 target;
  target.SetSize(3, 2);
  EventLog log;
  log.Watch(target);
  target.Assign(&source);
  EXPECT_EQ(log.Take(), (std::vector<std::string>{EventLog::Bounds(3, 2), "change"}));
  auto* copied = dynamic_cast<TKernelResampler*>(target.Resampler());
  ASSERT_NE(copied, nullptr);
  ASSERT_NE(copied->Kernel(), lanczos);
  ASSERT_EQ(copied->KernelClassName(), "TLanczosKernel");
  EXPECT_EQ(static_cast<TLanczosKernel*>(copied->Kernel())->Width(), 2.5f);
  EXPECT_EQ(copied->KernelMode(), kmTableLinear);
  EXPECT_EQ(copied->TableSize(), 64);
  EXPECT_EQ(copied->PixelAccessMode(), pamWrap);
  EXPECT_EQ(copied->Bitmap(), &target);

  const std::pair<const char*, float> widths[] = {
      {"TNearestResampler", 1}, {"TLinearResampler", 1}, {"TDraftResampler", 1}};
  for (auto [name, width] : widths) {
    target.SetResamplerClassName(name);
    EXPECT_EQ(static_cast<TCustomResampler*>(target.Resampler())->GetFilterWidth(), width) << name;
  }
}

// A 4 x 3 bitmap whose pixel (x, y) is opaque with value 16y + x.
void FillNumbered(TBitmap32& b) {
  b.SetSize(4, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) b.Pixel(x, y) = 0xFF000000u | TColor32(16 * y + x);
}

TEST(PointSampling, NearestRoundsAndReadsByAccessMode) {
  TBitmap32 b;
  FillNumbered(b);
  b.SetOuterColor(0x12345678);
  auto* nearest = static_cast<TNearestResampler*>(b.Resampler());
  nearest->BeginSampling();
  EXPECT_EQ(nearest->SampleAtFloat(2.5f, 0.5f), b.Pixel(2, 0)) << "halves to even";
  EXPECT_EQ(nearest->SampleAtFloat(1.5f, 0.0f), b.Pixel(2, 0));
  EXPECT_EQ(nearest->SampleAtFixed(0x18000, 0), b.Pixel(1, 0)) << "fixed halves go down";
  EXPECT_EQ(nearest->SampleAtInt(4, 0), 0x12345678u);
  nearest->EndSampling();
  nearest->SetPixelAccessMode(pamTransparentEdge);
  nearest->BeginSampling();
  EXPECT_EQ(nearest->SampleAtInt(4, 1), b.Pixel(3, 1) & 0x00FFFFFF);
  EXPECT_EQ(nearest->SampleAtInt(-7, -1), b.Pixel(0, 0) & 0x00FFFFFF);
  EXPECT_EQ(nearest->SampleAtInt(1, 1), b.Pixel(1, 1));
  const TRect bounds = nearest->GetSampleBounds();
  EXPECT_TRUE(bounds.left == -1 && bounds.top == -1 && bounds.right == 5 && bounds.bottom == 4);
  nearest->EndSampling();
  nearest->SetPixelAccessMode(pamWrap);
  b.SetWrapMode(wmRepeat);
  EXPECT_EQ(nearest->SampleAtInt(5, 4), b.Pixel(1, 1)) << "outside a bracket it opens its own";
}

TEST(PointSampling, LinearReadsAndTransparentEdge) {
  TBitmap32 b;
  FillNumbered(b);
  b.SetResamplerClassName("TLinearResampler");
  auto* linear = static_cast<TLinearResampler*>(b.Resampler());
  EXPECT_EQ(linear->SampleAtFixed(0x14000, 0x10000), b.PixelFixedClipped(0x14000, 0x10000));
  EXPECT_EQ(linear->SampleAtFloat(1.25f, 1.0f), b.PixelFixedClipped(0x14000, 0x10000));
  linear->SetPixelAccessMode(pamTransparentEdge);
  EXPECT_EQ(linear->SampleAtFixed(0x10000, 0x10000), b.Pixel(1, 1)) << "inside";
  EXPECT_EQ(linear->SampleAtFixed(-0x20000, 0), 0u) << "beyond the ring";
  // On the left edge the outer pair loses its alpha; the colour stays.
  const TColor32 edge = linear->SampleAtFixed(-0x8000, 0x10000);
  const uint32_t wx = GammaTable[0x7F];
  EXPECT_EQ(edge, CombineColors(CombineColors(b.Pixel(0, 1) & 0xFFFFFF, b.Pixel(0, 1), wx),
                                CombineColors(b.Pixel(0, 2) & 0xFFFFFF, b.Pixel(0, 2), wx), 255));
  LeaveMmxState();
}

// The taps of one axis for a sample at v: the rounded-up point and the weights of the taps
// -W..W around it, each Round(Filter(distance) x 256), the centre corrected to a sum of
// 256. Single-precision arithmetic like the library's, which works inside TSinglePrecision
// too: called there only, out of line, so that the i686 build does not keep extended
// precision between the kernel's operations.
struct Taps {
  int center = 0;
  std::vector<int> weights;
};
__attribute__((noinline)) Taps TapsAt(const TCustomKernel& k, int w, float v) {
  Taps taps{int(std::ceil(v)), {}};
  const float fraction = float(taps.center) - v;
  int sum = 0;
  for (int i = -w; i <= w; ++i) sum += taps.weights.emplace_back(int(std::lrint(k.Filter(float(i) + fraction) * 256)));
  taps.weights[size_t(w)] -= sum - 256;
  return taps;
}

// The kernel resampler's sample at (x, y) written out.
TColor32 KernelSample(const TBitmap32& b, const TCustomKernel& k, float x, float y) {
  const int w = int(std::ceil(k.GetWidth()));
  Taps tx, ty;
  {
    TSinglePrecision single;
    tx = TapsAt(k, w, x);
    ty = TapsAt(k, w, y);
  }
  TColor32 result = 0;
  for (int c = 0; c < 4; ++c) {
    int64_t sum = 0;
    for (int j = -w; j <= w; ++j)
      for (int i = -w; i <= w; ++i)
        sum += int64_t(raster_test::Channel(b.Pixel(tx.center + i, ty.center + j), c)) * tx.weights[size_t(i + w)] *
               ty.weights[size_t(j + w)];
    result |= TColor32(std::clamp<int64_t>(sum >> 16, 0, 255)) << (8 * c);
  }
  return result;
}

TEST(PointSampling, KernelResamplerModes) {
  std::mt19937 rng(raster_test::TestSeed());
  TBitmap32 b;
  b.SetSize(12, 10);
  for (int i = 0; i < 120; ++i) b.Bits()[i] = raster_test::RandomPixel(rng);
  b.SetOuterColor(0x80808080);
  b.SetResamplerClassName("TKernelResampler");
  auto* resampler = static_cast<TKernelResampler*>(b.Resampler());
  resampler->SetKernelClassName("TLanczosKernel");
  resampler->BeginSampling();
  for (int round = 0; round < 200; ++round) {
    // One division each, rounded to single alike on both builds.
    const float x = float(3000 + rng() % 5000) / 1000, y = float(3000 + rng() % 3000) / 1000;
    ASSERT_EQ(resampler->SampleAtFloat(x, y), KernelSample(b, *resampler->Kernel(), x, y)) << x << "," << y;
  }
  EXPECT_EQ(resampler->SampleAtFloat(-1.5f, 3), 0x80808080u) << "rounded-up point outside: OuterColor";
  resampler->EndSampling();
  resampler->SetPixelAccessMode(pamTransparentEdge);
  EXPECT_EQ(resampler->SampleAtFloat(12.5f, 3), 0u);
  // At whole positions both table modes read the table's first row: the dynamic weights.
  resampler->SetPixelAccessMode(pamSafe);
  for (TKernelMode mode : {kmTableNearest, kmTableLinear}) {
    resampler->SetKernelMode(mode);
    resampler->BeginSampling();
    ASSERT_NE(resampler->WeightTable(), nullptr);
    EXPECT_EQ(resampler->WeightTable()->Width(), 7);
    EXPECT_EQ(resampler->WeightTable()->Height(), 33);
    EXPECT_EQ(resampler->SampleAtFloat(5, 6), KernelSample(b, *resampler->Kernel(), 5, 6));
    resampler->EndSampling();
    EXPECT_EQ(resampler->WeightTable(), nullptr);
  }
}

TEST(IntegerMap, KeepsCellsInLinearOrder) {
  TIntegerMap map;
  EXPECT_TRUE(map.IsEmpty());
  map.SetSize(2, 2);
  for (int i = 0; i < 4; ++i) map.CellPtr(0, 0)[i] = i + 1;
  map.SetSize(3, 2);
  EXPECT_EQ(*map.CellPtr(2, 0), 3);
  EXPECT_EQ(*map.CellPtr(0, 1), 4);
  EXPECT_EQ(*map.CellPtr(1, 1), 0);
  EXPECT_EQ(*map.CellPtr(2, 1), 0);
  map.SetSize(0, 0);
  EXPECT_TRUE(map.IsEmpty());
}

// The identity, counting its preparations.
class Identity : public TTransformation {
 public:
  void Prepare() override {
    ++prepared;
    SetPrepared(true);
  }
  void ReverseFloat(float X, float Y, float& DstX, float& DstY) override {
    DstX = X;
    DstY = Y;
  }
  int prepared = 0;
};

TEST(Transformation, BaseMapsNothingAndRoundsBounds) {
  TTransformation base;
  try {
    base.ReversePoint({1, 2});
    ADD_FAILURE() << "no exception";
  } catch (const ETransformNotImplemented& e) {
    EXPECT_STREQ(e.what(), "Reverse transformation is not implemented in TTransformation.");
  }
  EXPECT_THROW(base.ForwardFixedPoint({0, 0}), ETransformNotImplemented);
  EXPECT_TRUE(base.HasMappedBounds());
  const TRect r = base.MappedBounds({0.5f, 1.5f, 2.5f, 3.49f});
  EXPECT_TRUE(r.left == 0 && r.top == 2 && r.right == 2 && r.bottom == 3);
  Identity identity;
  int32_t x = 0, y = 0;
  identity.ReverseInt(3, -2, x, y);
  EXPECT_TRUE(x == 3 && y == -2);
  identity.ReversePoint({0, 0});
  EXPECT_TRUE(identity.Prepared());
  identity.Changed();
  EXPECT_FALSE(identity.Prepared()) << "a change makes the cached state stale";
}

TEST(NestedSamplers, TransformersForwardMappedPoints) {
  TBitmap32 b;
  FillNumbered(b);
  auto* nearest = static_cast<TNearestResampler*>(b.Resampler());
  Identity identity;
  TTransformer transformer(nearest, &identity);
  transformer.BeginSampling();
  transformer.BeginSampling();
  EXPECT_EQ(identity.prepared, 1) << "prepared once";
  EXPECT_EQ(transformer.SampleAtInt(2, 1), nearest->SampleAtInt(2, 1));
  transformer.EndSampling();
  transformer.EndSampling();
  EXPECT_TRUE(transformer.HasSampleBounds());
  // The nearest transformer's integer part is arithmetic: -0.5 reads column -1, which the
  // clamping wrap brings to column 0 (not 65535, the last column).
  nearest->SetPixelAccessMode(pamWrap);
  TNearestTransformer rounding(nearest, &identity);
  EXPECT_EQ(rounding.SampleAtFixed(-0x8000, 0x10000), b.Pixel(0, 1));
  EXPECT_EQ(rounding.SampleAtFloat(2.5f, 1.5f), b.Pixel(2, 2));
  // Nothing nested, no transformation: a clear error instead of a crash or endless calls.
  TNestedSampler empty;
  EXPECT_THROW(empty.BeginSampling(), ENestedException);
  EXPECT_THROW(empty.SampleAtInt(0, 0), ENestedException);
  TTransformer unmapped(nearest);
  EXPECT_THROW(unmapped.SampleAtFloat(0, 0), ENestedException);
  TNestedSampler plain(nearest);
  EXPECT_EQ(plain.SampleAtFloat(1, 2), b.Pixel(1, 2));
}

}  // namespace
}  // namespace raster
