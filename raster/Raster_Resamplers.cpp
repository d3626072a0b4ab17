// The registries, the resampler classes and their point reads, the nested samplers and the
// start-up of the resampler unit.
#include "raster/Raster_Resamplers.h"

#include "raster/Raster_Blend.h"
#include "raster/Raster_LowLevel.h"

#include <algorithm>
#include <cmath>

namespace raster {

// ---------------------------------------------------------------------------------------
// Registries

TClassList* ResamplerRegistry = nullptr;
TClassList* KernelRegistry = nullptr;

namespace {

void Register(TClassList*& Registry, TClass Class) {
  if (Registry == nullptr) Registry = new TClassList;
  Registry->Add(Class);
}

// Only classes of the matching class-reference kind enter each registry (see Register*),
// so a found class can be taken as one.
template <class Info>
const Info* Find(const TClassList* Registry, const std::string& Name) {
  return Registry == nullptr ? nullptr : static_cast<const Info*>(Registry->Find(Name));
}

}  // namespace

void RegisterResampler(const TResamplerClassInfo* Class) { Register(ResamplerRegistry, Class); }
void RegisterKernel(const TKernelClassInfo* Class) { Register(KernelRegistry, Class); }

const TResamplerClassInfo* FindResamplerClass(const std::string& Name) {
  return Find<TResamplerClassInfo>(ResamplerRegistry, Name);
}

const TKernelClassInfo* FindKernelClass(const std::string& Name) {
  return Find<TKernelClassInfo>(KernelRegistry, Name);
}

// ---------------------------------------------------------------------------------------
// TBitmap32Resampler

namespace {

template <class R>
TCustomResampler* NewResampler(TBitmap32* Bitmap) {
  return TBitmap32Resampler::Create<R>(Bitmap);
}

const TBitmap32Resampler& ResamplerOf(const TPersistent& o) {
  return static_cast<const TBitmap32Resampler&>(o);
}
const TKernelResampler& KernelResamplerOf(const TPersistent& o) {
  return static_cast<const TKernelResampler&>(o);
}
TKernelResampler& KernelResamplerOf(TPersistent& o) { return static_cast<TKernelResampler&>(o); }

// The reach of a kernel in whole pixels on each side of the sample point, at least 1 (so
// that a weight row always has a centre) and at most 256.
int32_t KernelReach(const TCustomKernel& Kernel) {
  const float width = Kernel.GetWidth();
  if (!(width > 1.0f)) return 1;
  if (width > 256.0f) return 256;
  return int32_t(std::ceil(width));
}

// v rounded to the nearest integer, halves to even.
int32_t Round(float v) { return int32_t(std::lrint(v)); }

}  // namespace

const TClassInfo TCustomResampler::ClassInfo{"TCustomResampler", &TCustomSampler::ClassInfo,
                                             {}};

const TClassInfo TBitmap32Resampler::ClassInfo{
    "TBitmap32Resampler",
    &TCustomResampler::ClassInfo,
    {{"PixelAccessMode", tkEnumeration,
      [](const TPersistent& o) -> TPropertyValue {
        return int64_t(ResamplerOf(o).PixelAccessMode());
      },
      [](TPersistent& o, const TPropertyValue& v) {
        static_cast<TBitmap32Resampler&>(o).SetPixelAccessMode(TPixelAccessMode(OrdinalOf(v)));
      },
      nullptr}}};

void TBitmap32Resampler::AssignTo(TPersistent* Dest) {
  if (auto* resampler = dynamic_cast<TBitmap32Resampler*>(Dest)) {
    CopyPublishedProperties(*this, *resampler, tkProperties);
  } else {
    TCustomResampler::AssignTo(Dest);
  }
}

void TBitmap32Resampler::Changed() {
  if (bitmap_ != nullptr) bitmap_->Changed();
}

void TBitmap32Resampler::BeginSampling() {
  if (bitmap_ == nullptr) throw EBitmapException("Source bitmap is nil");
  clip_rect_ = bitmap_->ClipRect();
  ++sampling_depth_;
}

void TBitmap32Resampler::EndSampling() {
  if (sampling_depth_ > 0) --sampling_depth_;
}

TRect TBitmap32Resampler::GetSampleBounds() {
  TRect bounds = clip_rect_;
  if (pixel_access_mode_ == pamTransparentEdge) GrowRect(bounds, 1, 1);
  return bounds;
}

void TBitmap32Resampler::SetPixelAccessMode(TPixelAccessMode Value) {
  if (Value > pamTransparentEdge || Value == pixel_access_mode_) return;
  pixel_access_mode_ = Value;
  Changed();
}

template <typename Sample>
TColor32 TBitmap32Resampler::Sampled(Sample sample) {
  if (sampling_depth_ > 0) return sample();
  BeginSampling();
  try {
    const TColor32 result = sample();
    EndSampling();
    return result;
  } catch (...) {
    EndSampling();
    throw;
  }
}

// ---------------------------------------------------------------------------------------
// TNearestResampler

const TResamplerClassInfo TNearestResampler::ClassInfo{
    {"TNearestResampler", &TBitmap32Resampler::ClassInfo, {}}, NewResampler<TNearestResampler>};

void TNearestResampler::BeginSampling() { TBitmap32Resampler::BeginSampling(); }

TColor32 TNearestResampler::Read(int32_t X, int32_t Y) const {
  const TBitmap32& bitmap = *Bitmap();
  switch (PixelAccessMode()) {
    case pamUnsafe: return bitmap.Pixel(X, Y);
    case pamSafe: return bitmap.PixelClipped(X, Y);
    case pamWrap: return bitmap.PixelWrapped(X, Y);
    default: return TransparentEdgeRead(X, Y);
  }
}

// Outside the clip rectangle the nearest edge pixel, with its alpha cleared.
TColor32 TNearestResampler::TransparentEdgeRead(int32_t X, int32_t Y) const {
  const TRect& clip = SnapshotClip();
  if (RectIsEmpty(clip)) return 0;
  const int32_t x = ClampRange(X, clip.left, clip.right - 1);
  const int32_t y = ClampRange(Y, clip.top, clip.bottom - 1);
  const TColor32 color = Bitmap()->Pixel(x, y);
  return x != X || y != Y ? color & 0x00FFFFFF : color;
}

TColor32 TNearestResampler::SampleAtInt(int32_t X, int32_t Y) {
  return Sampled([&] { return Read(X, Y); });
}

TColor32 TNearestResampler::SampleAtFixed(TFixed X, TFixed Y) {
  return Sampled([&] { return Read(FixedRound(X), FixedRound(Y)); });
}

TColor32 TNearestResampler::SampleAtFloat(float X, float Y) {
  return Sampled([&] { return Read(Round(X), Round(Y)); });
}

void TNearestResampler::ResampleRect(TBitmap32& Dst, const TRect& DstRect, const TRect& DstClip,
                                     TBitmap32& Src, const TRect& SrcRect, TDrawMode CombineOp,
                                     const TPixelCombineEvent& CombineCallBack) {
  ResampleNearest(Dst, DstRect, DstClip, Src, SrcRect, CombineOp, CombineCallBack);
}

// ---------------------------------------------------------------------------------------
// TLinearResampler and TDraftResampler

const TResamplerClassInfo TLinearResampler::ClassInfo{
    {"TLinearResampler", &TBitmap32Resampler::ClassInfo, {}}, NewResampler<TLinearResampler>};

TLinearResampler::TLinearResampler() : linear_kernel_(std::make_unique<TLinearKernel>()) {}

void TLinearResampler::BeginSampling() { TBitmap32Resampler::BeginSampling(); }

TColor32 TLinearResampler::Read(TFixed X, TFixed Y) const {
  const TBitmap32& bitmap = *Bitmap();
  TColor32 result = 0;
  switch (PixelAccessMode()) {
    case pamUnsafe: result = bitmap.PixelFixed(X, Y); break;
    case pamSafe: result = bitmap.PixelFixedClipped(X, Y); break;
    case pamWrap: result = bitmap.PixelFixedWrapped(X, Y); break;
    default: result = TransparentEdgeRead(X, Y); break;
  }
  LeaveMmxState();
  return result;
}

// Inside: the bilinear read. On the one-pixel ring around the clip rectangle: the edge
// pixels blended with their alpha cleared on the outer side. Further out: 0.
TColor32 TLinearResampler::TransparentEdgeRead(TFixed X, TFixed Y) const {
  const TRect& clip = SnapshotClip();
  if (RectIsEmpty(clip)) return 0;
  const TBitmap32& bitmap = *Bitmap();
  const int32_t right = clip.right - 1, bottom = clip.bottom - 1;
  const int32_t i = X >> 16, j = Y >> 16;
  if (i >= clip.left && j >= clip.top && i < right && j < bottom) {
    return bitmap.PixelBilinear256(uint32_t(X) >> 8, uint32_t(Y) >> 8);
  }
  if (i < clip.left - 1 || j < clip.top - 1 || i > right || j > bottom) return 0;
  const int32_t sign_x = X > 0 ? 1 : X < 0 ? -1 : 0;
  const int32_t sign_y = Y > 0 ? 1 : Y < 0 ? -1 : 0;
  const int32_t x1 = ClampZeroTo(i, right), x2 = ClampZeroTo(i + sign_x, right);
  const int32_t y1 = ClampZeroTo(j, bottom), y2 = ClampZeroTo(j + sign_y, bottom);
  TColor32 c1 = bitmap.Pixel(x1, y1), c2 = bitmap.Pixel(x2, y1);
  TColor32 c3 = bitmap.Pixel(x1, y2), c4 = bitmap.Pixel(x2, y2);
  constexpr TColor32 kColour = 0x00FFFFFF;
  if (X <= FixedOf(int32_t(clip.left))) {
    c1 &= kColour;
    c3 &= kColour;
  } else if (i == right) {
    c2 &= kColour;
    c4 &= kColour;
  }
  if (Y <= FixedOf(int32_t(clip.top))) {
    c1 &= kColour;
    c2 &= kColour;
  } else if (j == bottom) {
    c3 &= kColour;
    c4 &= kColour;
  }
  const uint32_t wx = GammaTable[((uint32_t(X) >> 8) & 255) ^ 255];
  const uint32_t wy = GammaTable[((uint32_t(Y) >> 8) & 255) ^ 255];
  return CombineColors(CombineColors(c1, c2, wx), CombineColors(c3, c4, wx), wy);
}

TColor32 TLinearResampler::SampleAtFixed(TFixed X, TFixed Y) {
  return Sampled([&] { return Read(X, Y); });
}

TColor32 TLinearResampler::SampleAtFloat(float X, float Y) {
  return Sampled([&] { return Read(FixedOf(X), FixedOf(Y)); });
}

void TLinearResampler::ResampleRect(TBitmap32& Dst, const TRect& DstRect, const TRect& DstClip,
                                    TBitmap32& Src, const TRect& SrcRect, TDrawMode CombineOp,
                                    const TPixelCombineEvent& CombineCallBack) {
  // Sizes compared as single-precision values, as the mapping sees them.
  const float src_w = float(SrcRect.right - SrcRect.left);
  const float src_h = float(SrcRect.bottom - SrcRect.top);
  const float dst_w = float(DstRect.right - DstRect.left);
  const float dst_h = float(DstRect.bottom - DstRect.top);
  if (dst_w > src_w && dst_h > src_h && src_w > 1 && src_h > 1) {
    StretchLinear(Dst, DstRect, DstClip, Src, SrcRect, CombineOp, CombineCallBack);
  } else {
    ResampleKernel(Dst, DstRect, DstClip, Src, SrcRect, *linear_kernel_, CombineOp,
                   CombineCallBack);
  }
}

const TResamplerClassInfo TDraftResampler::ClassInfo{
    {"TDraftResampler", &TLinearResampler::ClassInfo, {}}, NewResampler<TDraftResampler>};

void TDraftResampler::ResampleRect(TBitmap32& Dst, const TRect& DstRect, const TRect& DstClip,
                                   TBitmap32& Src, const TRect& SrcRect, TDrawMode CombineOp,
                                   const TPixelCombineEvent& CombineCallBack) {
  ResampleDraft(Dst, DstRect, DstClip, Src, SrcRect, LinearKernel(), CombineOp, CombineCallBack);
}

// ---------------------------------------------------------------------------------------
// TKernelResampler

const TResamplerClassInfo TKernelResampler::ClassInfo{
    {"TKernelResampler",
     &TBitmap32Resampler::ClassInfo,
     {{"KernelClassName", tkLString,
       [](const TPersistent& o) -> TPropertyValue { return KernelResamplerOf(o).KernelClassName(); },
       [](TPersistent& o, const TPropertyValue& v) {
         KernelResamplerOf(o).SetKernelClassName(StringOf(v));
       },
       nullptr},
      {"Kernel", tkClass, nullptr, nullptr,
       [](const TPersistent& o) -> TPersistent* { return KernelResamplerOf(o).Kernel(); }},
      {"KernelMode", tkEnumeration,
       [](const TPersistent& o) -> TPropertyValue { return int64_t(KernelResamplerOf(o).KernelMode()); },
       [](TPersistent& o, const TPropertyValue& v) {
         KernelResamplerOf(o).SetKernelMode(TKernelMode(OrdinalOf(v)));
       },
       nullptr},
      {"TableSize", tkInteger,
       [](const TPersistent& o) -> TPropertyValue { return int64_t(KernelResamplerOf(o).TableSize()); },
       [](TPersistent& o, const TPropertyValue& v) {
         const int64_t size = OrdinalOf(v);
         KernelResamplerOf(o).SetTableSize(int32_t(std::clamp<int64_t>(size, INT32_MIN, INT32_MAX)));
       },
       nullptr}}},
    NewResampler<TKernelResampler>};

TKernelResampler::TKernelResampler() : kernel_(std::make_unique<TBoxKernel>()) {}

TKernelResampler::~TKernelResampler() = default;

void TKernelResampler::SetKernel(TCustomKernel* Value) {
  if (Value == nullptr || Value == kernel_.get()) return;
  kernel_.reset(Value);
  Changed();
}

void TKernelResampler::SetKernelClassName(const std::string& Value) {
  if (Value.empty() || Value == KernelClassName()) return;
  const TKernelClassInfo* found = FindKernelClass(Value);
  if (found == nullptr) return;
  kernel_.reset(found->Create());
  Changed();
}

void TKernelResampler::SetKernelMode(TKernelMode Value) {
  if (Value > kmTableLinear || Value == kernel_mode_) return;
  kernel_mode_ = Value;
  Changed();
}

void TKernelResampler::SetTableSize(int32_t Value) {
  Value = std::max(Value, 2);
  if (Value == table_size_) return;
  table_size_ = Value;
  Changed();
}

void TKernelResampler::BeginSampling() {
  TBitmap32Resampler::BeginSampling();
  outer_color_ = Bitmap()->OuterColor();
  if (kernel_mode_ == kmTableNearest || kernel_mode_ == kmTableLinear) {
    TSinglePrecision single;
    BuildWeightTable();
  }
}

void TKernelResampler::EndSampling() {
  TBitmap32Resampler::EndSampling();
  if (!Sampling()) weight_table_.reset();
}

namespace {

// Lowers the centre weight by what the weights sum to beyond 256.
void CorrectCentre(int32_t* Weights, int32_t W) {
  int32_t sum = 0;
  for (int32_t i = 0; i <= 2 * W; ++i) sum += Weights[i];
  Weights[W] -= sum - 256;
}

}  // namespace

// Row I holds the weights for a sample whose distance to the next whole position is
// I / (TableSize - 1); the extra last row is only the upper neighbour of interpolation.
void TKernelResampler::BuildWeightTable() {
  const int32_t w = KernelReach(*kernel_);
  // A table beyond what a 32-bit size can count is refused before anything is allocated.
  if (int64_t(table_size_) + 1 > int64_t(INT32_MAX) / (2 * w + 1)) {
    throw Exception("Weight table is too large");
  }
  auto table = std::make_unique<TIntegerMap>();
  table->SetSize(2 * w + 1, table_size_ + 1);
  const float last = float(table_size_ - 1);
  for (int32_t row = 0; row <= table_size_; ++row) {
    const float fraction = float(row) / last;
    int32_t* weights = table->CellPtr(0, row);
    for (int32_t j = -w; j <= w; ++j) weights[j + w] = Round(kernel_->Filter(float(j) + fraction) * 256.0f);
    CorrectCentre(weights, w);
  }
  weight_table_ = std::move(table);
}

void TKernelResampler::TapWeights(float Fraction, int32_t W, int32_t* Weights) const {
  const TIntegerMap* table = weight_table_.get();
  if (kernel_mode_ == kmTableNearest) {
    const int32_t row = Round(Fraction * float(table_size_ - 1));
    std::copy_n(table->CellPtr(0, row), 2 * W + 1, Weights);
    return;
  }
  if (kernel_mode_ == kmTableLinear) {
    const int32_t t = Round(Fraction * float(int64_t(table_size_ - 1) << 16));
    const int32_t* r = table->CellPtr(0, t >> 16);
    const int32_t* n = table->CellPtr(0, (t >> 16) + 1);
    for (int32_t i = 0; i <= 2 * W; ++i) Weights[i] = r[i] + ((n[i] - r[i]) * (t & 0xFFFF) + 0x7FFF) / 65536;
  } else {
    for (int32_t i = -W; i <= W; ++i) Weights[i + W] = Round(kernel_->Filter(float(i) + Fraction) * 256.0f);
  }
  CorrectCentre(Weights, W);
}

TColor32 TKernelResampler::SampleAtFloat(float X, float Y) {
  return Sampled([&] {
    TSinglePrecision single;
    // A table mode chosen, or a kernel or table size changed, inside the bracket.
    const bool table_mode = kernel_mode_ == kmTableNearest || kernel_mode_ == kmTableLinear;
    const int32_t columns = 2 * KernelReach(*kernel_) + 1;
    if (table_mode && (!weight_table_ || weight_table_->Width() != columns ||
                       weight_table_->Height() != table_size_ + 1)) {
      BuildWeightTable();
    }
    return Sample(X, Y);
  });
}

namespace {

// Where the taps of one axis read: Pos[k] for tap k, and whether it lies in the range
// read directly.
struct TTapAxis {
  int32_t Pos[2 * 256 + 1];
  bool Inside[2 * 256 + 1];
};

// Tap range of one axis in pamSafe and pamTransparentEdge: the taps k of Lo..Hi lie inside
// Min..Max - 1 (Max itself still counts as a centre inside).
void CutTaps(int32_t C, int32_t W, int32_t Min, int32_t Max, int32_t& Lo, int32_t& Hi) {
  Lo = C - W < Min ? Min - C : -W;
  Hi = C + W < Max ? W : Max - C - 1;
}

}  // namespace

TColor32 TKernelResampler::Sample(float X, float Y) const {
  const TBitmap32& bitmap = *Bitmap();
  const TRect& clip = SnapshotClip();
  const TPixelAccessMode mode = PixelAccessMode();
  const int32_t w = KernelReach(*kernel_);
  const float ceil_x = std::ceil(X), ceil_y = std::ceil(Y);
  // Points beyond the integer range are outside any bitmap.
  if (!(std::fabs(ceil_x) < 1e9f && std::fabs(ceil_y) < 1e9f)) {
    return mode == pamTransparentEdge ? 0 : outer_color_;
  }
  const int32_t cx = int32_t(ceil_x), cy = int32_t(ceil_y);
  const float fx = ceil_x - X, fy = ceil_y - Y;

  TTapAxis columns, rows;
  if (mode == pamSafe || mode == pamTransparentEdge) {
    if (cx < clip.left || cx > clip.right || cy < clip.top || cy > clip.bottom ||
        bitmap.IsEmpty()) {
      return mode == pamTransparentEdge ? 0 : outer_color_;
    }
    int32_t lo_x = 0, hi_x = 0, lo_y = 0, hi_y = 0;
    CutTaps(cx, w, clip.left, clip.right, lo_x, hi_x);
    CutTaps(cy, w, clip.top, clip.bottom, lo_y, hi_y);
    for (int32_t k = -w; k <= w; ++k) {
      columns.Inside[k + w] = k >= lo_x && k <= hi_x;
      columns.Pos[k + w] = ClampRange(cx + k, 0, bitmap.Width() - 1);
      rows.Inside[k + w] = k >= lo_y && k <= hi_y;
      rows.Pos[k + w] = ClampRange(cy + k, 0, bitmap.Height() - 1);
    }
  } else {
    if (mode == pamWrap && RectIsEmpty(clip)) return outer_color_;
    const TWrapProc edge = WrapProcs[bitmap.WrapMode()];
    for (int32_t k = -w; k <= w; ++k) {
      columns.Inside[k + w] = rows.Inside[k + w] = true;
      columns.Pos[k + w] = mode == pamWrap ? edge(cx + k, clip.left, clip.right - 1) : cx + k;
      rows.Pos[k + w] = mode == pamWrap ? edge(cy + k, clip.top, clip.bottom - 1) : cy + k;
    }
  }

  int32_t weights_x[2 * 256 + 1], weights_y[2 * 256 + 1];
  TapWeights(fx, w, weights_x);
  TapWeights(fy, w, weights_y);

  int64_t total[4] = {};
  for (int32_t j = 0; j <= 2 * w; ++j) {
    if (weights_y[j] == 0) continue;
    int64_t row_sum[4] = {};
    const TColor32* row = bitmap.RowPointer(rows.Pos[j]);
    for (int32_t i = 0; i <= 2 * w; ++i) {
      TColor32 color;
      if (columns.Inside[i] && rows.Inside[j]) {
        color = row[columns.Pos[i]];
      } else if (mode == pamSafe) {
        color = outer_color_;
      } else {
        color = row[columns.Pos[i]] & 0x00FFFFFF;  // the edge's colour, its alpha counted 0
      }
      for (int c = 0; c < 4; ++c) row_sum[c] += int64_t((color >> (8 * c)) & 0xFF) * weights_x[i];
    }
    for (int c = 0; c < 4; ++c) total[c] += row_sum[c] * weights_y[j];
  }

  TColor32 result = 0;
  for (int c = 0; c < 4; ++c) {
    const uint32_t channel = kernel_->RangeCheck()
                                 ? uint32_t(std::clamp<int64_t>(total[c] >> 16, 0, 255))
                                 : uint32_t(total[c] >> 16) & 0xFF;
    result |= channel << (8 * c);
  }
  return result;
}

void TKernelResampler::ResampleRect(TBitmap32& Dst, const TRect& DstRect, const TRect& DstClip,
                                    TBitmap32& Src, const TRect& SrcRect, TDrawMode CombineOp,
                                    const TPixelCombineEvent& CombineCallBack) {
  ResampleKernel(Dst, DstRect, DstClip, Src, SrcRect, *kernel_, CombineOp, CombineCallBack);
}

// ---------------------------------------------------------------------------------------
// Nested samplers

namespace {

TPersistent* SamplerObject(const TPersistent& o) {
  return static_cast<const TNestedSampler&>(o).Sampler();
}
TPersistent* TransformationObject(const TPersistent& o) {
  return static_cast<const TTransformer&>(o).Transformation();
}

}  // namespace

const TClassInfo TNestedSampler::ClassInfo{
    "TNestedSampler", &TCustomSampler::ClassInfo, {{"Sampler", tkClass, nullptr, nullptr, SamplerObject}}};

TCustomSampler& TNestedSampler::Nested() const {
  if (sampler_ == nullptr) throw ENestedException("Nested sampler is nil");
  return *sampler_;
}

void TNestedSampler::AssignTo(TPersistent* Dest) {
  if (auto* nested = dynamic_cast<TNestedSampler*>(Dest)) {
    CopyPublishedProperties(*this, *nested, tkProperties);
  } else {
    TCustomSampler::AssignTo(Dest);
  }
}

TColor32 TNestedSampler::SampleAtInt(int32_t X, int32_t Y) { return Nested().SampleAtInt(X, Y); }
TColor32 TNestedSampler::SampleAtFixed(TFixed X, TFixed Y) { return Nested().SampleAtFixed(X, Y); }
TColor32 TNestedSampler::SampleAtFloat(float X, float Y) { return Nested().SampleAtFloat(X, Y); }
void TNestedSampler::BeginSampling() { Nested().BeginSampling(); }
void TNestedSampler::EndSampling() { Nested().EndSampling(); }
bool TNestedSampler::HasSampleBounds() { return Nested().HasSampleBounds(); }
TRect TNestedSampler::GetSampleBounds() { return Nested().GetSampleBounds(); }

const TClassInfo TTransformer::ClassInfo{
    "TTransformer",
    &TNestedSampler::ClassInfo,
    {{"Transformation", tkClass, nullptr, nullptr, TransformationObject}}};

TTransformation& TTransformer::Mapping() const {
  if (transformation_ == nullptr) throw ENestedException("Transformation is nil");
  return *transformation_;
}

TColor32 TTransformer::SampleAtInt(int32_t X, int32_t Y) {
  TFixed u = 0, v = 0;
  Mapping().ReverseFixed(FixedOf(X), FixedOf(Y), u, v);
  return Nested().SampleAtFixed(u, v);
}

TColor32 TTransformer::SampleAtFixed(TFixed X, TFixed Y) {
  TFixed u = 0, v = 0;
  Mapping().ReverseFixed(X, Y, u, v);
  return Nested().SampleAtFixed(u, v);
}

TColor32 TTransformer::SampleAtFloat(float X, float Y) {
  float u = 0, v = 0;
  Mapping().ReverseFloat(X, Y, u, v);
  return Nested().SampleAtFloat(u, v);
}

void TTransformer::BeginSampling() {
  TNestedSampler::BeginSampling();
  TTransformation& mapping = Mapping();
  if (!mapping.Prepared()) mapping.Prepare();
}

bool TTransformer::HasSampleBounds() {
  return Mapping().HasMappedBounds() && TNestedSampler::HasSampleBounds();
}

TRect TTransformer::GetSampleBounds() {
  return Mapping().MappedBounds(FloatRectOf(TNestedSampler::GetSampleBounds()));
}

const TClassInfo TNearestTransformer::ClassInfo{"TNearestTransformer", &TTransformer::ClassInfo, {}};

TColor32 TNearestTransformer::SampleAtInt(int32_t X, int32_t Y) {
  int32_t u = 0, v = 0;
  Mapping().ReverseInt(X, Y, u, v);
  return Nested().SampleAtInt(u, v);
}

TColor32 TNearestTransformer::SampleAtFixed(TFixed X, TFixed Y) {
  TFixed u = 0, v = 0;
  Mapping().ReverseFixed(X, Y, u, v);
  return Nested().SampleAtInt(u >> 16, v >> 16);
}

TColor32 TNearestTransformer::SampleAtFloat(float X, float Y) {
  float u = 0, v = 0;
  Mapping().ReverseFloat(X, Y, u, v);
  return Nested().SampleAtInt(Round(u), Round(v));
}

// ---------------------------------------------------------------------------------------
// Start-up

void InitializeResamplersUnit() {
  for (const TResamplerClassInfo* resampler :
       {&TNearestResampler::ClassInfo, &TLinearResampler::ClassInfo, &TDraftResampler::ClassInfo,
        &TKernelResampler::ClassInfo}) {
    RegisterResampler(resampler);
  }
  for (const TKernelClassInfo* kernel :
       {&TBoxKernel::ClassInfo, &TLinearKernel::ClassInfo, &TCosineKernel::ClassInfo,
        &TSplineKernel::ClassInfo, &TCubicKernel::ClassInfo, &TMitchellKernel::ClassInfo,
        &TLanczosKernel::ClassInfo, &TGaussianKernel::ClassInfo, &TBlackmanKernel::ClassInfo,
        &THannKernel::ClassInfo, &THammingKernel::ClassInfo, &TSinshKernel::ClassInfo,
        &THermiteKernel::ClassInfo}) {
    RegisterKernel(kernel);
  }
}

void FinalizeResamplersUnit() {
  delete ResamplerRegistry;
  ResamplerRegistry = nullptr;
  delete KernelRegistry;
  KernelRegistry = nullptr;
}

}  // namespace raster
