// The resampler unit: filter kernels, the resampler classes a bitmap is drawn through, the
// two registries that find both kinds of class by name, the transfer routines that copy one
// bitmap's rectangle into another's (scaling where the sizes differ), and the nested
// samplers and transformers.
//
// Its code lives in several files, since one would be too long:
//   Raster_Resamplers.cpp            registries, resamplers, nested samplers, start-up
//   Raster_Resamplers_Kernels.cpp    the filter kernels
//   Raster_Resamplers_Transfers.cpp  TransferBitmap, the scaling routines, plain variants
//   Raster_Resamplers_mmx.cpp        MMX variants of the two inner routines
//   Raster_Resamplers_3dnow.cpp      3DNow! variant of the block average
//   Raster_Resamplers_sse2.cpp       SSE2 variant of the kernel resampler's two passes
// (the passes' variant sets are declared in Raster_ResamplersKernelPasses.h).
//
// Arithmetic: every scale factor and mapped coordinate is held in single precision, in both
// builds; Round is to nearest with halves to even, Trunc and div go toward zero; weights
// are in 256ths.
#pragma once

#include "raster/Raster.h"
#include "raster/Raster_OrdinalMaps.h"
#include "raster/Raster_Transforms.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace raster {

// ---------------------------------------------------------------------------------------
// Errors

// "Destination bitmap is nil", "Source bitmap is nil".
class EBitmapException : public Exception {
 public:
  using Exception::Exception;
};
// "Source rectangle is invalid".
class ESrcInvalidException : public Exception {
 public:
  using Exception::Exception;
};
// "Nested sampler is nil".
class ENestedException : public Exception {
 public:
  using Exception::Exception;
};

// ---------------------------------------------------------------------------------------
// Filter kernels: the weight of a source pixel by its signed distance x from the sample
// point. Parameters and results are single precision.

class TCustomKernel : public TPersistent {
 public:
  static const TClassInfo ClassInfo;
  TClass ClassType() const override { return &ClassInfo; }

  // Copies the published parameters into another kernel (of the same class).
  void AssignTo(TPersistent* Dest) override;
  // Calls the observer's Changed when one is set; every parameter setter calls it after a
  // change.
  void Changed();
  virtual bool RangeCheck() const { return false; }
  virtual float Filter(float X) const = 0;
  virtual float GetWidth() const = 0;

  // Not owned; nothing in the library sets it.
  TNotifiablePersistent* Observer = nullptr;

 protected:
  // Stores Value and calls Changed when it differs from Field.
  void SetParameter(float& Field, float Value);
};

// The class reference of a kernel class: its name, properties and constructor.
struct TKernelClassInfo : TClassInfo {
  TCustomKernel* (*Create)();
};

// The class information of each registered kernel class: its class reference (defined
// beside the class's filter) and ClassType returning it.
#define RASTER_KERNEL_CLASS_INFO           \
  static const TKernelClassInfo ClassInfo; \
  TClass ClassType() const override { return &ClassInfo; }

// 1 for -0.5 <= x <= 0.5.
class TBoxKernel : public TCustomKernel {
 public:
  RASTER_KERNEL_CLASS_INFO
  float Filter(float X) const override;
  float GetWidth() const override { return 1.0f; }
};

// The tent 1 - |x| on -1 <= x < 1.
class TLinearKernel : public TCustomKernel {
 public:
  RASTER_KERNEL_CLASS_INFO
  float Filter(float X) const override;
  float GetWidth() const override { return 1.0f; }
};

class TCosineKernel : public TCustomKernel {
 public:
  RASTER_KERNEL_CLASS_INFO
  float Filter(float X) const override;
  float GetWidth() const override { return 1.0f; }
};

class TSplineKernel : public TCustomKernel {
 public:
  RASTER_KERNEL_CLASS_INFO
  bool RangeCheck() const override { return true; }
  float Filter(float X) const override;
  float GetWidth() const override { return 2.0f; }
};

class TMitchellKernel : public TCustomKernel {
 public:
  RASTER_KERNEL_CLASS_INFO
  bool RangeCheck() const override { return true; }
  float Filter(float X) const override;
  float GetWidth() const override { return 2.0f; }
};

class TCubicKernel : public TCustomKernel {
 public:
  RASTER_KERNEL_CLASS_INFO
  bool RangeCheck() const override { return true; }
  float Filter(float X) const override;
  float GetWidth() const override { return 2.0f; }
  float Coeff() const { return coeff_; }
  void SetCoeff(float Value) { SetParameter(coeff_, Value); }

 private:
  float coeff_ = -0.5f;
};

class THermiteKernel : public TCustomKernel {
 public:
  RASTER_KERNEL_CLASS_INFO
  bool RangeCheck() const override { return true; }
  float Filter(float X) const override;
  float GetWidth() const override { return 2.0f; }
  float Bias() const { return bias_; }
  void SetBias(float Value) { SetParameter(bias_, Value); }
  float Tension() const { return tension_; }
  void SetTension(float Value) { SetParameter(tension_, Value); }

 private:
  float bias_ = 0.0f;
  float tension_ = 0.0f;
};

// The narrowest and widest reach a kernel's Width may have. Below the minimum a kernel
// reaches no pixel (and its weight tables would have no centre); above the maximum the
// windowed sincs were never meant to go.
constexpr float MinimumKernelWidth = 0.5f;
constexpr float MaximumKernelWidth = 4.0f;

// sin(pi x) / (pi x), 1 at 0; pi x is rounded to single precision first.
float SinC(float X);

// SinC(|x|) x Window(|x|) for |x| < Width, else 0.
class TWindowedSincKernel : public TCustomKernel {
 public:
  static const TClassInfo ClassInfo;
  TClass ClassType() const override { return &ClassInfo; }
  bool RangeCheck() const override { return true; }
  float Filter(float X) const override;
  float GetWidth() const override { return width_; }
  virtual float Window(float X) const = 0;
  float Width() const { return width_; }
  // Limited to MinimumKernelWidth..MaximumKernelWidth.
  void SetWidth(float Value);

 private:
  float width_ = 3.0f;
};

class TLanczosKernel : public TWindowedSincKernel {
 public:
  RASTER_KERNEL_CLASS_INFO
  float Window(float X) const override;
};

class TGaussianKernel : public TWindowedSincKernel {
 public:
  RASTER_KERNEL_CLASS_INFO
  float Window(float X) const override;
  float Sigma() const { return sigma_; }
  // 0 is refused.
  void SetSigma(float Value);

 private:
  float sigma_ = 1.33f;
};

class TBlackmanKernel : public TWindowedSincKernel {
 public:
  RASTER_KERNEL_CLASS_INFO
  float Window(float X) const override;
};

class THannKernel : public TWindowedSincKernel {
 public:
  RASTER_KERNEL_CLASS_INFO
  float Window(float X) const override;
};

class THammingKernel : public TWindowedSincKernel {
 public:
  RASTER_KERNEL_CLASS_INFO
  float Window(float X) const override;
};

// sin(pi x) Coeff / sinh(pi Coeff x), without a cut-off: only GetWidth limits its reach.
class TSinshKernel : public TCustomKernel {
 public:
  RASTER_KERNEL_CLASS_INFO
  bool RangeCheck() const override { return true; }
  float Filter(float X) const override;
  float GetWidth() const override { return width_; }
  float Width() const { return width_; }
  // Limited to MinimumKernelWidth..MaximumKernelWidth.
  void SetWidth(float Value);
  float Coeff() const { return coeff_; }
  // 0 is refused.
  void SetCoeff(float Value);

 private:
  float width_ = 3.0f;
  float coeff_ = 0.5f;
};

// ---------------------------------------------------------------------------------------
// Resamplers

enum TPixelAccessMode : uint8_t { pamUnsafe, pamSafe, pamWrap, pamTransparentEdge };
enum TKernelMode : uint8_t { kmDynamic, kmTableNearest, kmTableLinear };

// Draws Src's SrcRect into DstRect of Dst, within DstClip (already inside Dst and DstRect),
// scaling by the resampler's rule.
class TCustomResampler : public TCustomSampler {
 public:
  static const TClassInfo ClassInfo;
  TClass ClassType() const override { return &ClassInfo; }

  virtual float GetFilterWidth() const = 0;
  virtual void ResampleRect(TBitmap32& Dst, const TRect& DstRect, const TRect& DstClip,
                            TBitmap32& Src, const TRect& SrcRect, TDrawMode CombineOp,
                            const TPixelCombineEvent& CombineCallBack) = 0;
};

// The class reference of a resampler class: its name, properties and the constructor that
// binds a new instance to a bitmap.
struct TResamplerClassInfo : TClassInfo {
  TCustomResampler* (*CreateFor)(TBitmap32* Bitmap);
};

// A resampler bound to one bitmap, which owns it.
class TBitmap32Resampler : public TCustomResampler {
 public:
  static const TClassInfo ClassInfo;
  TClass ClassType() const override { return &ClassInfo; }

  // A new resampler of class R bound to Bitmap; with a bitmap it installs itself as the
  // bitmap's resampler (freeing the one before and calling the bitmap's Changed).
  template <class R>
  static R* Create(TBitmap32* Bitmap) {
    R* resampler = new R;
    resampler->bitmap_ = Bitmap;
    if (Bitmap != nullptr) Bitmap->SetResampler(resampler);
    return resampler;
  }

  // Copies the published properties into another bitmap resampler.
  void AssignTo(TPersistent* Dest) override;
  // The bitmap's Changed.
  void Changed() override;
  // Takes the bitmap's clip rectangle for the samples that follow.
  void BeginSampling() override;
  void EndSampling() override;
  bool HasSampleBounds() override { return true; }
  // The clip rectangle, grown by one pixel on every side in pamTransparentEdge.
  TRect GetSampleBounds() override;

  TBitmap32* Bitmap() const { return bitmap_; }
  TPixelAccessMode PixelAccessMode() const { return pixel_access_mode_; }
  void SetPixelAccessMode(TPixelAccessMode Value);

 protected:
  TBitmap32Resampler() = default;
  // Runs Sample inside a sampling bracket of its own when the caller opened none.
  template <typename Sample>
  TColor32 Sampled(Sample sample);
  const TRect& SnapshotClip() const { return clip_rect_; }
  bool Sampling() const { return sampling_depth_ > 0; }

 private:
  TBitmap32* bitmap_ = nullptr;
  TRect clip_rect_ = {};
  TPixelAccessMode pixel_access_mode_ = pamSafe;
  int32_t sampling_depth_ = 0;
};

// Each destination pixel takes the source pixel its left or top edge maps into.
class TNearestResampler : public TBitmap32Resampler {
 public:
  static const TResamplerClassInfo ClassInfo;
  TClass ClassType() const override { return &ClassInfo; }

  TColor32 SampleAtInt(int32_t X, int32_t Y) override;
  // The integer read at FixedRound(X), FixedRound(Y).
  TColor32 SampleAtFixed(TFixed X, TFixed Y) override;
  // The integer read at Round(X), Round(Y).
  TColor32 SampleAtFloat(float X, float Y) override;
  void BeginSampling() override;
  float GetFilterWidth() const override { return 1.0f; }
  void ResampleRect(TBitmap32& Dst, const TRect& DstRect, const TRect& DstClip, TBitmap32& Src,
                    const TRect& SrcRect, TDrawMode CombineOp,
                    const TPixelCombineEvent& CombineCallBack) override;

 private:
  friend class TBitmap32Resampler;
  TNearestResampler() = default;
  TColor32 TransparentEdgeRead(int32_t X, int32_t Y) const;
  TColor32 Read(int32_t X, int32_t Y) const;
};

// Bilinear reads; enlarging draws go through StretchLinear, the others through
// ResampleKernel with a linear kernel.
class TLinearResampler : public TBitmap32Resampler {
 public:
  static const TResamplerClassInfo ClassInfo;
  TClass ClassType() const override { return &ClassInfo; }

  TColor32 SampleAtFixed(TFixed X, TFixed Y) override;
  TColor32 SampleAtFloat(float X, float Y) override;
  void BeginSampling() override;
  float GetFilterWidth() const override { return 1.0f; }
  void ResampleRect(TBitmap32& Dst, const TRect& DstRect, const TRect& DstClip, TBitmap32& Src,
                    const TRect& SrcRect, TDrawMode CombineOp,
                    const TPixelCombineEvent& CombineCallBack) override;
  TLinearKernel& LinearKernel() const { return *linear_kernel_; }

 protected:
  friend class TBitmap32Resampler;
  TLinearResampler();
  TColor32 Read(TFixed X, TFixed Y) const;

 private:
  TColor32 TransparentEdgeRead(TFixed X, TFixed Y) const;

  std::unique_ptr<TLinearKernel> linear_kernel_;
};

// Block averages when shrinking, bilinear when enlarging.
class TDraftResampler : public TLinearResampler {
 public:
  static const TResamplerClassInfo ClassInfo;
  TClass ClassType() const override { return &ClassInfo; }

  void ResampleRect(TBitmap32& Dst, const TRect& DstRect, const TRect& DstClip, TBitmap32& Src,
                    const TRect& SrcRect, TDrawMode CombineOp,
                    const TPixelCombineEvent& CombineCallBack) override;

 private:
  friend class TBitmap32Resampler;
  TDraftResampler() = default;
};

// Separable filtering with the weights of its Kernel.
class TKernelResampler : public TBitmap32Resampler {
 public:
  static const TResamplerClassInfo ClassInfo;
  TClass ClassType() const override { return &ClassInfo; }
  ~TKernelResampler() override;

  TColor32 SampleAtFloat(float X, float Y) override;
  // Also takes the bitmap's OuterColor and, in the table modes, builds the weight table.
  void BeginSampling() override;
  void EndSampling() override;
  float GetFilterWidth() const override { return kernel_->GetWidth(); }
  void ResampleRect(TBitmap32& Dst, const TRect& DstRect, const TRect& DstClip, TBitmap32& Src,
                    const TRect& SrcRect, TDrawMode CombineOp,
                    const TPixelCombineEvent& CombineCallBack) override;

  // Never null: a new resampler holds a TBoxKernel.
  TCustomKernel* Kernel() const { return kernel_.get(); }
  // Takes Value over, frees the current kernel and calls Changed; null or the current
  // kernel is ignored.
  void SetKernel(TCustomKernel* Value);
  std::string KernelClassName() const { return kernel_->ClassName(); }
  // A new kernel of the registered class of exactly that name; empty, current or unknown
  // names are ignored.
  void SetKernelClassName(const std::string& Value);
  TKernelMode KernelMode() const { return kernel_mode_; }
  void SetKernelMode(TKernelMode Value);
  int32_t TableSize() const { return table_size_; }
  // At least 2.
  void SetTableSize(int32_t Value);
  // Between BeginSampling and EndSampling in the table modes, else null.
  const TIntegerMap* WeightTable() const { return weight_table_.get(); }

 private:
  friend class TBitmap32Resampler;
  TKernelResampler();
  void BuildWeightTable();
  // The 2W + 1 weights of one axis for the distance Fraction (0 <= Fraction < 1), from
  // the weight table in the table modes (which SampleAtFloat keeps in step).
  void TapWeights(float Fraction, int32_t W, int32_t* Weights) const;
  TColor32 Sample(float X, float Y) const;

  std::unique_ptr<TCustomKernel> kernel_;
  TKernelMode kernel_mode_ = kmDynamic;
  std::unique_ptr<TIntegerMap> weight_table_;
  int32_t table_size_ = 32;
  TColor32 outer_color_ = 0;
};

// ---------------------------------------------------------------------------------------
// Registries: the classes in the order of registration, found by exact class name. Each
// is made by its first registration and freed at library shut-down.

extern TClassList* ResamplerRegistry;
extern TClassList* KernelRegistry;
void RegisterResampler(const TResamplerClassInfo* Class);
void RegisterKernel(const TKernelClassInfo* Class);
// The first class registered under exactly that name, or null (also without a registry).
const TResamplerClassInfo* FindResamplerClass(const std::string& Name);
const TKernelClassInfo* FindKernelClass(const std::string& Name);

// ---------------------------------------------------------------------------------------
// Transfers

// One entry of a filter cluster: an absolute source position and its weight in 256ths.
struct TClusterEntry {
  int32_t Pos;
  int32_t Weight;
};
using TCluster = std::vector<TClusterEntry>;
// One cluster per destination pixel of the clip span of one axis; each sums to 256.
using TMappingTable = std::vector<TCluster>;

// With it, coordinates map pixel areas (pixel centres at +0.5); without it, end to end.
extern bool FullEdgeMapping;

// Draws SrcRect of Src into DstRect of Dst, within DstClip and Dst's bounds, under
// CombineOp: equal sizes as a block copy, other sizes through Resampler (Src's own when
// null). Then reports DstRect, unclipped, as Dst's changed area (also while Dst collects
// areas, when nothing is drawn). Null bitmaps raise EBitmapException, a source rectangle
// outside Src raises ESrcInvalidException; empty bitmaps or rectangles and dmBlend with
// MasterAlpha 0 return at once without a report.
void TransferBitmap(TBitmap32* Dst, const TRect& DstRect, TRect DstClip, TBitmap32* Src,
                    const TRect& SrcRect, TCustomResampler* Resampler, TDrawMode CombineOp,
                    const TPixelCombineEvent& CombineCallBack);
// False for an empty SrcRect; raises ESrcInvalidException for one that leaves Src.
bool ValidateSourceRect(const TBitmap32& Src, const TRect& SrcRect);
// The block of DstRect's size at (SrcX, SrcY) of Src into DstRect of Dst; the parts that
// leave either bitmap are cut off.
void CopyBlockCombined(TBitmap32& Dst, const TRect& DstRect, TBitmap32& Src, int32_t SrcX,
                       int32_t SrcY, TDrawMode CombineOp,
                       const TPixelCombineEvent& CombineCallBack);

// The scaling routines. Each clips DstClip to Dst's bounds and DstRect itself, and checks
// that SrcRect lies in Src (ResampleNearest raises "Invalid SrcRect", the others
// ESrcInvalidException).
void ResampleNearest(TBitmap32& Dst, const TRect& DstRect, const TRect& DstClip,
                     TBitmap32& Src, const TRect& SrcRect, TDrawMode CombineOp,
                     const TPixelCombineEvent& CombineCallBack);
// Bilinear enlargement; a source of one column or row goes to ResampleKernel with a
// linear kernel.
void StretchLinear(TBitmap32& Dst, const TRect& DstRect, const TRect& DstClip, TBitmap32& Src,
                   const TRect& SrcRect, TDrawMode CombineOp,
                   const TPixelCombineEvent& CombineCallBack);
void ResampleKernel(TBitmap32& Dst, const TRect& DstRect, const TRect& DstClip, TBitmap32& Src,
                    const TRect& SrcRect, const TCustomKernel& Kernel, TDrawMode CombineOp,
                    const TPixelCombineEvent& CombineCallBack);
void ResampleDraft(TBitmap32& Dst, const TRect& DstRect, const TRect& DstClip, TBitmap32& Src,
                   const TRect& SrcRect, const TCustomKernel& Kernel, TDrawMode CombineOp,
                   const TPixelCombineEvent& CombineCallBack);
// The filter clusters of one axis for the clip span ClipLo..ClipHi of the destination span
// DstLo..DstHi, read from the source span SrcLo..SrcHi.
TMappingTable BuildClusterTable(int32_t DstLo, int32_t DstHi, int32_t ClipLo, int32_t ClipHi,
                                int32_t SrcLo, int32_t SrcHi, const TCustomKernel& Kernel);

// The average colour of a block of Width x Height pixels whose rows are Stride bytes
// apart, each channel rounded to the nearest value.
using TAverageBlock = TColor32 (*)(uint32_t Width, uint32_t Height, const TColor32* Block,
                                   int32_t Stride);
// The blend of a 2 x 2 block with packed weights W x 0x10001 (W in 0..256, on the left and
// the upper pixel); P1 the top-left pixel (top-right follows), P2 the bottom-left.
using TBilinearInterpolate = TColor32 (*)(uint32_t WX, uint32_t WY, const TColor32* P1,
                                          const TColor32* P2);
extern TAverageBlock AverageBlock;
extern TBilinearInterpolate BilinearInterpolate;

// The variants, for the selection, its tests and the benchmark. The plain interpolation
// mixes with CombineColors (a weight of 256 acts as 255); the MMX one divides by 256 with
// truncation. The three block averages agree.
TColor32 AverageBlock_Plain(uint32_t Width, uint32_t Height, const TColor32* Block,
                            int32_t Stride);
TColor32 AverageBlock_MMX(uint32_t Width, uint32_t Height, const TColor32* Block,
                          int32_t Stride);
TColor32 AverageBlock_3DNow(uint32_t Width, uint32_t Height, const TColor32* Block,
                            int32_t Stride);
TColor32 BilinearInterpolate_Plain(uint32_t WX, uint32_t WY, const TColor32* P1,
                                   const TColor32* P2);
TColor32 BilinearInterpolate_MMX(uint32_t WX, uint32_t WY, const TColor32* P1,
                                 const TColor32* P2);
// A row of MMX interpolations, as StretchLinear runs them: Out[i] := BilinearInterpolate_MMX
// at column Positions[i] of Row (the row below Stride pixels on) with WeightsX[i] and WY.
// The weights must be packed (W x 0x10001).
void BilinearRow_MMX(const TColor32* Row, int32_t Stride, const int32_t* Positions,
                     const uint32_t* WeightsX, uint32_t WY, TColor32* Out, int32_t Count);
// The averages of a block's four channel sums over Count pixels, as the variants finish.
TColor32 AverageOfSums(const uint64_t Sums[4], uint64_t Count);


// ---------------------------------------------------------------------------------------
// Nested samplers: samplers that ask another sampler (not owned) for their samples.

class TNestedSampler : public TCustomSampler {
 public:
  static const TClassInfo ClassInfo;
  TClass ClassType() const override { return &ClassInfo; }

  explicit TNestedSampler(TCustomSampler* Sampler = nullptr) : sampler_(Sampler) {}
  void AssignTo(TPersistent* Dest) override;
  // The nested sampler's samples, unchanged. Every operation raises ENestedException
  // while there is no nested sampler.
  TColor32 SampleAtInt(int32_t X, int32_t Y) override;
  TColor32 SampleAtFixed(TFixed X, TFixed Y) override;
  TColor32 SampleAtFloat(float X, float Y) override;
  void BeginSampling() override;
  void EndSampling() override;
  bool HasSampleBounds() override;
  TRect GetSampleBounds() override;

  TCustomSampler* Sampler() const { return sampler_; }
  void SetSampler(TCustomSampler* Value) { sampler_ = Value; }

 protected:
  TCustomSampler& Nested() const;

 private:
  TCustomSampler* sampler_;
};

// Samples the nested sampler at the point the transformation maps the requested point
// back to. A missing transformation raises ENestedException "Transformation is nil".
class TTransformer : public TNestedSampler {
 public:
  static const TClassInfo ClassInfo;
  TClass ClassType() const override { return &ClassInfo; }

  explicit TTransformer(TCustomSampler* Sampler = nullptr,
                        TTransformation* Transformation = nullptr)
      : TNestedSampler(Sampler), transformation_(Transformation) {}
  TColor32 SampleAtInt(int32_t X, int32_t Y) override;
  TColor32 SampleAtFixed(TFixed X, TFixed Y) override;
  TColor32 SampleAtFloat(float X, float Y) override;
  // The nested BeginSampling, then Prepare unless the transformation is prepared.
  void BeginSampling() override;
  bool HasSampleBounds() override;
  TRect GetSampleBounds() override;

  TTransformation* Transformation() const { return transformation_; }
  void SetTransformation(TTransformation* Value) { transformation_ = Value; }

 protected:
  TTransformation& Mapping() const;

 private:
  TTransformation* transformation_;
};

// A transformer that rounds the mapped point to whole pixels.
class TNearestTransformer : public TTransformer {
 public:
  static const TClassInfo ClassInfo;
  TClass ClassType() const override { return &ClassInfo; }

  using TTransformer::TTransformer;
  TColor32 SampleAtInt(int32_t X, int32_t Y) override;
  // The integer part taken arithmetically: negative points stay negative.
  TColor32 SampleAtFixed(TFixed X, TFixed Y) override;
  TColor32 SampleAtFloat(float X, float Y) override;
};

// ---------------------------------------------------------------------------------------
// Start-up of this unit: the four resampler classes and the thirteen kernel classes
// registered in order. Shut-down frees the resampler registry,
// then the kernel registry.
void InitializeResamplersUnit();
void FinalizeResamplersUnit();

}  // namespace raster
