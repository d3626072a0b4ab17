// The transfer routines of the resampler unit: TransferBitmap, the block copy, the four
// scaling routines with their coordinate maps, and the plain variants of the two inner
// routines and of the kernel resampler's passes.
//
// The maps are built in single precision (inside TSinglePrecision, in functions of their
// own) before any pixel is written, so that no floating-point work meets the MMX state
// that the blend and interpolation routines leave.
#include "raster/Raster_Resamplers.h"

#include "raster/Raster_Blend.h"
#include "raster/Raster_LowLevel.h"
#include "raster/Raster_ResamplersKernelPasses.h"

#include <algorithm>
#include <cmath>

namespace raster {

bool FullEdgeMapping = true;

namespace {

// ---------------------------------------------------------------------------------------
// Writing under the draw mode

struct TWriter {
  TDrawMode Mode;
  const TPixelCombineEvent* Callback;
  uint32_t MasterAlpha;
  TCombineMode Combine;
  TColor32 OuterColor;
};

TWriter WriterFor(const TBitmap32& Src, TDrawMode CombineOp,
                  const TPixelCombineEvent& CombineCallBack) {
  if (CombineOp == dmCustom && !CombineCallBack) CombineOp = dmOpaque;
  if (CombineOp > dmTransparent) CombineOp = dmOpaque;
  return {CombineOp, &CombineCallBack, Src.MasterAlpha(), Src.CombineMode(), Src.OuterColor()};
}

// A whole line, as the block copy and the nearest resampler write.
void WriteLine(const TWriter& w, const TColor32* Source, TColor32* Dest, int32_t Count) {
  switch (w.Mode) {
    case dmOpaque:
      MoveDWords(Source, Dest, Count);
      break;
    case dmBlend:
      if (w.MasterAlpha >= 255) {
        BlendRowByMode[w.Combine](Source, Dest, Count);
      } else {
        MasterBlendRowByMode[w.Combine](Source, Dest, Count, w.MasterAlpha);
      }
      break;
    case dmCustom:
      for (int32_t i = 0; i < Count; ++i) (*w.Callback)(Source[i], Dest[i], w.MasterAlpha);
      break;
    case dmTransparent:
      for (int32_t i = 0; i < Count; ++i) {
        if (Source[i] != w.OuterColor) Dest[i] = Source[i];
      }
      break;
  }
}

// Computed pixels, one by one, as the filtering routines write them. A master alpha above
// 255 counts as 255: the pixel blends weigh with it directly.
void WritePixels(const TWriter& w, const TColor32* Source, TColor32* Dest, int32_t Count) {
  switch (w.Mode) {
    case dmOpaque:
      MoveDWords(Source, Dest, Count);
      break;
    case dmBlend: {
      const TMasterBlendInto blend = MasterBlendIntoByMode[w.Combine];
      const uint32_t master = std::min(w.MasterAlpha, 255u);
      for (int32_t i = 0; i < Count; ++i) blend(Source[i], Dest[i], master);
      break;
    }
    default:
      WriteLine(w, Source, Dest, Count);
      break;
  }
}

// Where a computed row goes first: straight into the destination when it is stored as it
// is, else into the line buffer that WritePixels then writes.
TColor32* RowTarget(const TWriter& w, TColor32* Dest, std::vector<TColor32>& Line) {
  return w.Mode == dmOpaque ? Dest : Line.data();
}

void FinishRow(const TWriter& w, const TColor32* Row, TColor32* Dest, int32_t Count) {
  if (w.Mode != dmOpaque) WritePixels(w, Row, Dest, Count);
}

// ---------------------------------------------------------------------------------------
// Rectangles

int64_t SpanOf(int32_t Lo, int32_t Hi) { return int64_t(Hi) - int64_t(Lo); }

// DstClip within Dst's bounds and DstRect; false when nothing is left or DstRect is wider
// or taller than 32-bit arithmetic can take.
bool ClipDestination(const TBitmap32& Dst, const TRect& DstRect, TRect& DstClip) {
  if (SpanOf(DstRect.left, DstRect.right) > INT32_MAX ||
      SpanOf(DstRect.top, DstRect.bottom) > INT32_MAX) {
    return false;
  }
  TRect clip;
  IntersectRects(clip, DstClip, Dst.BoundsRect());
  IntersectRects(clip, clip, DstRect);
  if (RectIsEmpty(clip)) return false;
  DstClip = clip;
  return true;
}

bool InsideBitmap(const TBitmap32& Src, const TRect& SrcRect) {
  return SrcRect.left >= 0 && SrcRect.top >= 0 && SrcRect.right <= Src.Width() &&
         SrcRect.bottom <= Src.Height();
}

// Everything a scaling routine is given, checked: false when there is nothing to draw.
bool PrepareScaling(TBitmap32& Dst, const TRect& DstRect, TRect& DstClip, TBitmap32& Src,
                    const TRect& SrcRect) {
  if (Dst.IsEmpty() || Src.IsEmpty()) return false;
  if (!ValidateSourceRect(Src, SrcRect)) return false;
  return ClipDestination(Dst, DstRect, DstClip);
}

// The sizes of one scaling call.
struct TSpans {
  int32_t SrcW, SrcH, DstW, DstH, ClipW, ClipH;
};

TSpans SpansOf(const TRect& DstRect, const TRect& DstClip, const TRect& SrcRect) {
  return {SrcRect.right - SrcRect.left,  SrcRect.bottom - SrcRect.top,
          DstRect.right - DstRect.left,  DstRect.bottom - DstRect.top,
          DstClip.right - DstClip.left,  DstClip.bottom - DstClip.top};
}

bool SameSize(const TSpans& s) { return s.SrcW == s.DstW && s.SrcH == s.DstH; }

// The block copy of the part of SrcRect that DstClip shows.
void CopyShownBlock(TBitmap32& Dst, const TRect& DstRect, const TRect& DstClip, TBitmap32& Src,
                    const TRect& SrcRect, TDrawMode CombineOp,
                    const TPixelCombineEvent& CombineCallBack) {
  CopyBlockCombined(Dst, DstClip, Src, SrcRect.left + DstClip.left - DstRect.left,
                    SrcRect.top + DstClip.top - DstRect.top, CombineOp, CombineCallBack);
}

// Leaves the MMX state on every way out of a routine that used the pixel pointers.
struct TMmxStateGuard {
  ~TMmxStateGuard() { LeaveMmxState(); }
};

// ---------------------------------------------------------------------------------------
// Maps, built in single precision

// The nearest resampler's source positions of Count destination pixels from Offset on, of
// a destination span Dst read from the source span Lo..Lo + Src.
__attribute__((noinline)) void MapNearest(int32_t Count, int32_t Offset, int32_t Dst, int32_t Lo,
                                          int32_t Src, int32_t* Map) {
  const int32_t last = Lo + Src - 1;
  if (Dst < 2) {
    std::fill_n(Map, Count, (Lo + Lo + Src - 1) / 2);
    return;
  }
  const float scale = FullEdgeMapping ? float(Src) / float(Dst) : float(Src - 1) / float(Dst - 1);
  for (int32_t i = 0; i < Count; ++i) {
    const float x = float(i + Offset) * scale + float(Lo);
    const int32_t pos = FullEdgeMapping ? int32_t(x) : int32_t(std::lrint(x));
    Map[i] = std::min(pos, last);  // a last rounding never reaches past the span
  }
}

// The bilinear map of one axis: positions and packed weights W x 0x10001 of the pixel at
// the position (the one after it gets 256 - W). Positions stay in Lo..Lo + Src - 2, so the
// pair read always lies in the source span.
__attribute__((noinline)) void MapLinear(int32_t Count, int32_t Offset, int32_t Dst, int32_t Lo,
                                         int32_t Src, int32_t* Positions, uint32_t* Weights) {
  const float last = float(Lo + Src - 1);
  float scale = 0, x = 0;
  if (FullEdgeMapping) scale = float(Src) / float(Dst);
  else if (Dst > 1) scale = float(Src - 1) / float(Dst - 1);
  for (int32_t i = 0; i < Count; ++i) {
    if (FullEdgeMapping) x = scale * (float(i + Offset) + 0.5f) + (float(Lo) - 0.5f);
    else x = float(i + Offset) * scale + float(Lo);
    x = std::min(std::max(x, float(Lo)), last);
    const float floor_x = std::floor(x);
    Positions[i] = int32_t(floor_x);
    Weights[i] = uint32_t(256 - std::lrint((x - floor_x) * 256.0f)) * 0x10001u;
  }
  for (int32_t i = Count - 1; i >= 0 && Positions[i] + 1 == Lo + Src; --i) {
    --Positions[i];
    Weights[i] = 0;
  }
}

// The block boundaries of ResampleDraft along one axis: block i starts at Starts[i] and
// is Sizes[i] long, both relative to the source span's start, all inside Src.
__attribute__((noinline)) void MapBlocks(int32_t Count, int32_t Offset, int32_t Dst, int32_t Src,
                                         int32_t* Starts, int32_t* Sizes) {
  const float scale = float(Src) / float(Dst);
  const int32_t first = std::min(int32_t(float(Offset) * scale), Src - 1);
  const int32_t step = int32_t(scale);
  const int64_t fixed_step = int64_t(scale * 65536.0f);
  int64_t x0 = 0, x1 = step;
  for (int32_t i = 2; i <= Count + 1; ++i) {
    const int64_t size = x1 - x0;
    int64_t start = first + x0;
    x0 = x1;
    x1 = (int64_t(i) * fixed_step) >> 16;
    // A block that the rounding of the scale pushed past the span keeps its last pixels.
    int64_t end = std::min<int64_t>(start + size, Src);
    start = std::min<int64_t>(start, end - 1);
    Starts[i - 2] = int32_t(start);
    Sizes[i - 2] = int32_t(std::max<int64_t>(end - start, 1));
  }
}

// ---------------------------------------------------------------------------------------
// The filter clusters

float ClusterFilterWidth(const TCustomKernel& Kernel) {
  const float width = Kernel.GetWidth();
  if (!(width >= MinimumKernelWidth)) return MinimumKernelWidth;
  return std::min(width, 256.0f);
}

// The clusters of one axis, flat: the entries of cluster i are First[i]..First[i + 1] - 1;
// Lo and Hi are the lowest and highest position of any entry.
struct TFlatClusters {
  std::vector<int32_t> First;
  std::vector<int32_t> Pos;
  std::vector<int32_t> Weight;
  int32_t Lo = INT32_MAX, Hi = INT32_MIN;

  size_t Count() const { return First.empty() ? 0 : First.size() - 1; }
  void Begin() { First.push_back(int32_t(Pos.size())); }
  void Add(int32_t Position, int32_t Weight_) {
    Pos.push_back(Position);
    Weight.push_back(Weight_);
    Lo = std::min(Lo, Position);
    Hi = std::max(Hi, Position);
  }
  // Closes the last cluster; the list then holds Count() + 1 starts.
  void Finish() { First.push_back(int32_t(Pos.size())); }
};

// Lowers the weight at index (last index) div 2 of the cluster that starts at First by
// what its weights sum to beyond 256.
void CorrectSum(TFlatClusters& Flat, size_t First) {
  int32_t sum = 0;
  for (size_t e = First; e < Flat.Pos.size(); ++e) sum += Flat.Weight[e];
  if (sum != 256) Flat.Weight[First + (Flat.Pos.size() - 1 - First) / 2] -= sum - 256;
}

__attribute__((noinline)) void BuildClusters(int32_t DstLo, int32_t DstW, int32_t ClipLo,
                                             int32_t ClipW, int32_t SrcLo, int32_t SrcHi,
                                             const TCustomKernel& Kernel, TFlatClusters& Flat) {
  const int32_t src_w = SrcHi - SrcLo;
  float scale = 0;
  if (FullEdgeMapping) scale = float(DstW) / float(src_w);
  else if (DstW > 1) scale = float(DstW - 1) / float(src_w - 1);
  if (scale == 0.0f) {
    for (int32_t i = 0; i < ClipW; ++i) {
      Flat.Begin();
      Flat.Add((SrcLo + SrcHi) / 2, 256);
    }
    return;
  }
  const bool enlarging = scale >= 1.0f;
  const float step = 1.0f / scale;
  const float width = enlarging ? ClusterFilterWidth(Kernel) : ClusterFilterWidth(Kernel) * step;
  for (int32_t i = 0; i < ClipW; ++i) {
    const int32_t index = i + ClipLo - DstLo;
    const float center = FullEdgeMapping ? (float(SrcLo) - 0.5f) + (float(index) + 0.5f) * step
                                         : float(SrcLo) + float(index) * step;
    Flat.Begin();
    const size_t first_entry = Flat.Pos.size();
    const int32_t first = int32_t(std::floor(center - width));
    const int32_t last = int32_t(std::ceil(center + width));
    for (int32_t j = first; j <= last; ++j) {
      const float distance = center - float(j);
      const int32_t weight =
          enlarging ? int32_t(std::lrint(Kernel.Filter(distance) * 256.0f))
                    : int32_t(std::lrint(Kernel.Filter(distance * scale) * 256.0f * scale));
      if (weight != 0) Flat.Add(ClampRange(j, SrcLo, SrcHi - 1), weight);
    }
    // A kernel that weighs every pixel near the centre as 0 leaves the nearest one.
    if (Flat.Pos.size() == first_entry) {
      Flat.Add(ClampRange(int32_t(std::floor(center)), SrcLo, SrcHi - 1), 256);
    } else {
      CorrectSum(Flat, first_entry);
    }
  }
}

// The clusters of BuildClusterTable, flat; none (Count() 0) where it gives no table.
TFlatClusters FlatClusterTable(int32_t DstLo, int32_t DstHi, int32_t ClipLo, int32_t ClipHi,
                               int32_t SrcLo, int32_t SrcHi, const TCustomKernel& Kernel) {
  TFlatClusters flat;
  const int64_t src_w = SpanOf(SrcLo, SrcHi), clip_w = SpanOf(ClipLo, ClipHi);
  const int64_t dst_w = SpanOf(DstLo, DstHi);
  if (src_w <= 0 || clip_w <= 0 || dst_w <= 0 || src_w > INT32_MAX || dst_w > INT32_MAX) return flat;
  flat.First.reserve(size_t(clip_w) + 1);
  if (src_w == 1) {
    for (int64_t i = 0; i < clip_w; ++i) {
      flat.Begin();
      flat.Add(SrcLo, 256);
    }
  } else {
    TSinglePrecision single;
    BuildClusters(DstLo, int32_t(dst_w), ClipLo, int32_t(clip_w), SrcLo, SrcHi, Kernel, flat);
  }
  flat.Finish();
  return flat;
}

uint32_t ComposeChannel(int32_t Sum, bool Clamp) {
  if (Clamp) Sum = std::min(std::max(Sum, 0), 0xFF0000);
  return uint32_t(Sum >> 16) & 0xFF;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TransferBitmap and the block copy

bool ValidateSourceRect(const TBitmap32& Src, const TRect& SrcRect) {
  if (RectIsEmpty(SrcRect)) return false;
  if (!InsideBitmap(Src, SrcRect)) throw ESrcInvalidException("Source rectangle is invalid");
  return true;
}

void TransferBitmap(TBitmap32* Dst, const TRect& DstRect, TRect DstClip, TBitmap32* Src,
                    const TRect& SrcRect, TCustomResampler* Resampler, TDrawMode CombineOp,
                    const TPixelCombineEvent& CombineCallBack) {
  if (Dst == nullptr) throw EBitmapException("Destination bitmap is nil");
  if (Src == nullptr) throw EBitmapException("Source bitmap is nil");
  if (Src->IsEmpty() || Dst->IsEmpty()) return;
  if (CombineOp == dmBlend && Src->MasterAlpha() == 0) return;
  if (!ValidateSourceRect(*Src, SrcRect)) return;
  if (!Dst->CollectingAreas()) {
    if (!ClipDestination(*Dst, DstRect, DstClip)) return;
    if (CombineOp == dmCustom && !CombineCallBack) CombineOp = dmOpaque;
    GdiFlush();  // drawing that GDI still holds back lands in the pixels first
    TMmxStateGuard mmx_state;
    if (SameSize(SpansOf(DstRect, DstClip, SrcRect))) {
      CopyShownBlock(*Dst, DstRect, DstClip, *Src, SrcRect, CombineOp, CombineCallBack);
    } else {
      TCustomResampler* resampler = Resampler != nullptr ? Resampler : Src->Resampler();
      resampler->ResampleRect(*Dst, DstRect, DstClip, *Src, SrcRect, CombineOp, CombineCallBack);
    }
  }
  Dst->AreaChanged(DstRect, AreaInfoRect);
}

void CopyBlockCombined(TBitmap32& Dst, const TRect& DstRect, TBitmap32& Src, int32_t SrcX,
                       int32_t SrcY, TDrawMode CombineOp,
                       const TPixelCombineEvent& CombineCallBack) {
  // The block within Dst, then within Src, both as rectangles of the destination.
  TRect block;
  if (!IntersectRects(block, DstRect, Dst.BoundsRect()) || RectIsEmpty(block)) return;
  const int64_t dx = int64_t(SrcX) - DstRect.left, dy = int64_t(SrcY) - DstRect.top;
  block.left = int32_t(std::max<int64_t>(block.left, -dx));
  block.top = int32_t(std::max<int64_t>(block.top, -dy));
  block.right = int32_t(std::min<int64_t>(block.right, Src.Width() - dx));
  block.bottom = int32_t(std::min<int64_t>(block.bottom, Src.Height() - dy));
  if (RectIsEmpty(block) || Src.IsEmpty()) return;
  const TWriter writer = WriterFor(Src, CombineOp, CombineCallBack);
  const int32_t width = block.right - block.left;
  for (int32_t y = block.top; y < block.bottom; ++y) {
    WriteLine(writer, Src.PixelPointer(int32_t(block.left + dx), int32_t(y + dy)),
              Dst.PixelPointer(block.left, y), width);
  }
  LeaveMmxState();
}

// ---------------------------------------------------------------------------------------
// ResampleNearest

void ResampleNearest(TBitmap32& Dst, const TRect& DstRect, const TRect& DstClip, TBitmap32& Src,
                     const TRect& SrcRect, TDrawMode CombineOp,
                     const TPixelCombineEvent& CombineCallBack) {
  TRect clip = DstClip;
  if (Dst.IsEmpty() || !ClipDestination(Dst, DstRect, clip)) return;
  if (!InsideBitmap(Src, SrcRect)) throw Exception("Invalid SrcRect");
  if (RectIsEmpty(SrcRect)) return;
  TMmxStateGuard mmx_state;
  const TSpans s = SpansOf(DstRect, clip, SrcRect);
  if (SameSize(s)) return CopyShownBlock(Dst, DstRect, clip, Src, SrcRect, CombineOp, CombineCallBack);

  std::vector<int32_t> columns(static_cast<size_t>(s.ClipW)), rows(static_cast<size_t>(s.ClipH));
  {
    TSinglePrecision single;
    MapNearest(s.ClipW, clip.left - DstRect.left, s.DstW, SrcRect.left, s.SrcW, columns.data());
    MapNearest(s.ClipH, clip.top - DstRect.top, s.DstH, SrcRect.top, s.SrcH, rows.data());
  }

  const TWriter writer = WriterFor(Src, CombineOp, CombineCallBack);
  const int32_t stride = Dst.Width();
  TColor32* dest = Dst.PixelPointer(clip.left, clip.top);
  std::vector<TColor32> line(writer.Mode == dmOpaque ? 0 : size_t(s.ClipW));
  int32_t previous = -1;
  for (int32_t j = 0; j < s.ClipH; ++j, dest += stride) {
    const int32_t source_row = rows[size_t(j)];
    if (writer.Mode == dmOpaque && source_row == previous) {
      MoveDWords(dest - stride, dest, s.ClipW);
      continue;
    }
    if (writer.Mode == dmOpaque || source_row != previous) {
      const TColor32* source = Src.RowPointer(source_row);
      TColor32* target = writer.Mode == dmOpaque ? dest : line.data();
      for (int32_t i = 0; i < s.ClipW; ++i) target[i] = source[columns[size_t(i)]];
    }
    if (writer.Mode != dmOpaque) WriteLine(writer, line.data(), dest, s.ClipW);
    previous = source_row;
  }
}

// ---------------------------------------------------------------------------------------
// StretchLinear

void StretchLinear(TBitmap32& Dst, const TRect& DstRect, const TRect& DstClip, TBitmap32& Src,
                   const TRect& SrcRect, TDrawMode CombineOp,
                   const TPixelCombineEvent& CombineCallBack) {
  TRect clip = DstClip;
  if (!PrepareScaling(Dst, DstRect, clip, Src, SrcRect)) return;
  const TSpans s = SpansOf(DstRect, clip, SrcRect);
  if (s.SrcW < 2 || s.SrcH < 2) {
    // No pair of pixels to interpolate between along one axis.
    return ResampleKernel(Dst, DstRect, clip, Src, SrcRect, TLinearKernel(), CombineOp,
                          CombineCallBack);
  }
  TMmxStateGuard mmx_state;
  std::vector<int32_t> columns(static_cast<size_t>(s.ClipW)), rows(static_cast<size_t>(s.ClipH));
  std::vector<uint32_t> column_weights(static_cast<size_t>(s.ClipW)), row_weights(static_cast<size_t>(s.ClipH));
  {
    TSinglePrecision single;
    MapLinear(s.ClipW, clip.left - DstRect.left, s.DstW, SrcRect.left, s.SrcW, columns.data(),
              column_weights.data());
    MapLinear(s.ClipH, clip.top - DstRect.top, s.DstH, SrcRect.top, s.SrcH, rows.data(),
              row_weights.data());
  }

  const TWriter writer = WriterFor(Src, CombineOp, CombineCallBack);
  const TBilinearInterpolate interpolate = BilinearInterpolate;
  const int32_t source_stride = Src.Width();
  std::vector<TColor32> line(static_cast<size_t>(s.ClipW));
  TColor32* dest = Dst.PixelPointer(clip.left, clip.top);
  for (int32_t j = 0; j < s.ClipH; ++j, dest += Dst.Width()) {
    const TColor32* source = Src.RowPointer(rows[size_t(j)]);
    const uint32_t wy = row_weights[size_t(j)];
    TColor32* target = RowTarget(writer, dest, line);
    if (interpolate == BilinearInterpolate_MMX) {
      BilinearRow_MMX(source, source_stride, columns.data(), column_weights.data(), wy, target, s.ClipW);
    } else {
      for (int32_t i = 0; i < s.ClipW; ++i) {
        const TColor32* p = source + columns[size_t(i)];
        target[i] = interpolate(column_weights[size_t(i)], wy, p, p + source_stride);
      }
    }
    FinishRow(writer, target, dest, s.ClipW);
  }
}

// ---------------------------------------------------------------------------------------
// BuildClusterTable and ResampleKernel

TMappingTable BuildClusterTable(int32_t DstLo, int32_t DstHi, int32_t ClipLo, int32_t ClipHi,
                                int32_t SrcLo, int32_t SrcHi, const TCustomKernel& Kernel) {
  const TFlatClusters flat = FlatClusterTable(DstLo, DstHi, ClipLo, ClipHi, SrcLo, SrcHi, Kernel);
  TMappingTable table(flat.Count());
  for (size_t i = 0; i < table.size(); ++i) {
    for (int32_t e = flat.First[i]; e < flat.First[i + 1]; ++e) {
      table[i].push_back({flat.Pos[size_t(e)], flat.Weight[size_t(e)]});
    }
  }
  return table;
}

namespace {

// The horizontal taps of a call from the clusters of its columns, each cluster made even
// by a tap of weight 0; the weight pairs where Short says that every weight fits in 16 bits.
TKernelTaps HorizontalTaps(const TFlatClusters& Map, bool Short) {
  TKernelTaps taps;
  taps.First.reserve(Map.First.size());
  for (size_t i = 0; i < Map.Count(); ++i) {
    taps.First.push_back(int32_t(taps.Pos.size()));
    for (int32_t e = Map.First[i]; e < Map.First[i + 1]; ++e) {
      taps.Pos.push_back(Map.Pos[size_t(e)]);
      taps.Weight.push_back(Map.Weight[size_t(e)]);
    }
    if ((Map.First[i + 1] - Map.First[i]) % 2 != 0) {
      taps.Pos.push_back(taps.Pos.back());
      taps.Weight.push_back(0);
    }
  }
  taps.First.push_back(int32_t(taps.Pos.size()));
  if (Short) {
    for (size_t t = 0; t < taps.Weight.size(); t += 2) {
      taps.WeightPairs.push_back((uint32_t(taps.Weight[t]) & 0xFFFF) | uint32_t(taps.Weight[t + 1]) << 16);
    }
  }
  return taps;
}

bool WeightsFitShort(const TFlatClusters& Map) {
  return std::all_of(Map.Weight.begin(), Map.Weight.end(),
                     [](int32_t w) { return w >= INT16_MIN && w <= INT16_MAX; });
}

// The horizontally filtered source rows ResampleKernel needs, in a ring of Slots rows: row
// y lives in slot y mod Slots, so the rows of one vertical cluster (never more than Slots
// apart) never evict one another, and each row is filtered again only when a later
// cluster needs it after it was evicted. A filtered row holds the four channel sums of
// each destination column (TKernelFilterRow), starting on a 16-byte boundary.
class TFilteredRows {
 public:
  TFilteredRows(const TBitmap32& Src, const TKernelTaps& Taps, TKernelFilterRow Filter, int32_t Slots)
      : src_(Src), taps_(Taps), filter_(Filter), row_size_(Taps.Columns() * 4), slots_(Slots),
        rows_(size_t(Slots), INT32_MIN), sums_(row_size_ * size_t(Slots) + 3) {
    // A row is a whole number of 16-byte columns: the first one aligned aligns them all.
    const size_t misalignment = reinterpret_cast<uintptr_t>(sums_.data()) / sizeof(uint32_t) % 4;
    first_ = sums_.data() + (4 - misalignment) % 4;
  }

  const uint32_t* Get(int32_t Y) {
    const size_t slot = size_t(Y % slots_);
    uint32_t* sums = first_ + slot * row_size_;
    if (rows_[slot] != Y) {
      filter_(src_.RowPointer(Y), taps_, sums);
      rows_[slot] = Y;
    }
    return sums;
  }

 private:
  const TBitmap32& src_;
  const TKernelTaps& taps_;
  TKernelFilterRow filter_;
  size_t row_size_;
  int32_t slots_;
  std::vector<int32_t> rows_;
  std::vector<uint32_t> sums_;
  uint32_t* first_;
};

// The widest span of positions within one cluster.
int32_t WidestCluster(const TFlatClusters& Map) {
  int32_t widest = 1;
  for (size_t i = 0; i < Map.Count(); ++i) {
    const auto first = Map.Pos.begin() + Map.First[i], last = Map.Pos.begin() + Map.First[i + 1];
    const auto [lo, hi] = std::minmax_element(first, last);
    widest = std::max(widest, *hi - *lo + 1);
  }
  return widest;
}

// The most entries of one cluster.
size_t LargestCluster(const TFlatClusters& Map) {
  int32_t largest = 1;
  for (size_t i = 0; i < Map.Count(); ++i) largest = std::max(largest, Map.First[i + 1] - Map.First[i]);
  return size_t(largest);
}

}  // namespace

// The weighted sums of all filter taps are exact integers, so the horizontal pass may run
// first, once per source row in use, and the vertical pass then over the destination
// columns: the same sums as vertical-first, at less cost when enlarging.
void ResampleKernel(TBitmap32& Dst, const TRect& DstRect, const TRect& DstClip, TBitmap32& Src,
                    const TRect& SrcRect, const TCustomKernel& Kernel, TDrawMode CombineOp,
                    const TPixelCombineEvent& CombineCallBack) {
  TRect clip = DstClip;
  if (!PrepareScaling(Dst, DstRect, clip, Src, SrcRect)) return;
  const TWriter writer = WriterFor(Src, CombineOp, CombineCallBack);
  if (writer.Mode == dmBlend && writer.MasterAlpha == 0) return;
  const TFlatClusters map_x = FlatClusterTable(DstRect.left, DstRect.right, clip.left, clip.right,
                                               SrcRect.left, SrcRect.right, Kernel);
  const TFlatClusters map_y = FlatClusterTable(DstRect.top, DstRect.bottom, clip.top, clip.bottom,
                                               SrcRect.top, SrcRect.bottom, Kernel);
  if (map_x.Count() == 0 || map_y.Count() == 0) return;
  const bool clamp = Kernel.RangeCheck();
  // Every set gives the same bits; one that needs short weights leaves the others to the
  // plain set.
  const bool short_weights = WeightsFitShort(map_x) && WeightsFitShort(map_y);
  const TKernelPassSet& passes =
      KernelPasses->NeedsShortWeights && !short_weights ? PlainKernelPasses : *KernelPasses;
  const TKernelTaps taps = HorizontalTaps(map_x, short_weights);
  TMmxStateGuard mmx_state;

  TFilteredRows filtered(Src, taps, passes.FilterRow, WidestCluster(map_y));
  const int32_t clip_w = int32_t(map_x.Count());
  std::vector<const uint32_t*> rows(LargestCluster(map_y));
  std::vector<TColor32> line(static_cast<size_t>(clip_w));
  TColor32* dest = Dst.PixelPointer(clip.left, clip.top);
  for (size_t j = 0; j < map_y.Count(); ++j, dest += Dst.Width()) {
    const int32_t first = map_y.First[j], count = map_y.First[j + 1] - first;
    for (int32_t e = 0; e < count; ++e) rows[size_t(e)] = filtered.Get(map_y.Pos[size_t(first + e)]);
    TColor32* target = RowTarget(writer, dest, line);
    passes.SumRows(rows.data(), map_y.Weight.data() + first, count, clip_w, clamp, target);
    FinishRow(writer, target, dest, clip_w);
  }
}

// ---------------------------------------------------------------------------------------
// ResampleDraft

void ResampleDraft(TBitmap32& Dst, const TRect& DstRect, const TRect& DstClip, TBitmap32& Src,
                   const TRect& SrcRect, const TCustomKernel& Kernel, TDrawMode CombineOp,
                   const TPixelCombineEvent& CombineCallBack) {
  TRect clip = DstClip;
  if (!PrepareScaling(Dst, DstRect, clip, Src, SrcRect)) return;
  const TSpans s = SpansOf(DstRect, clip, SrcRect);
  if (s.SrcW < s.DstW || s.SrcH < s.DstH) {
    if (s.SrcW < 2 || s.SrcH < 2) {
      return ResampleKernel(Dst, DstRect, clip, Src, SrcRect, Kernel, CombineOp, CombineCallBack);
    }
    return StretchLinear(Dst, DstRect, clip, Src, SrcRect, CombineOp, CombineCallBack);
  }
  TMmxStateGuard mmx_state;
  std::vector<int32_t> x_starts(static_cast<size_t>(s.ClipW)), x_sizes(static_cast<size_t>(s.ClipW));
  std::vector<int32_t> y_starts(static_cast<size_t>(s.ClipH)), y_sizes(static_cast<size_t>(s.ClipH));
  {
    TSinglePrecision single;
    MapBlocks(s.ClipW, clip.left - DstRect.left, s.DstW, s.SrcW, x_starts.data(), x_sizes.data());
    MapBlocks(s.ClipH, clip.top - DstRect.top, s.DstH, s.SrcH, y_starts.data(), y_sizes.data());
  }

  const TWriter writer = WriterFor(Src, CombineOp, CombineCallBack);
  const TAverageBlock average = AverageBlock;
  const int32_t stride = Src.Width() * int32_t(sizeof(TColor32));
  std::vector<TColor32> line(static_cast<size_t>(s.ClipW));
  TColor32* dest = Dst.PixelPointer(clip.left, clip.top);
  for (int32_t j = 0; j < s.ClipH; ++j, dest += Dst.Width()) {
    const TColor32* source = Src.PixelPointer(SrcRect.left, SrcRect.top + y_starts[size_t(j)]);
    const uint32_t height = uint32_t(y_sizes[size_t(j)]);
    TColor32* target = RowTarget(writer, dest, line);
    for (int32_t i = 0; i < s.ClipW; ++i) {
      target[i] = average(uint32_t(x_sizes[size_t(i)]), height, source + x_starts[size_t(i)], stride);
    }
    FinishRow(writer, target, dest, s.ClipW);
  }
}

// ---------------------------------------------------------------------------------------
// The inner routines: plain variants and selection

TColor32 AverageOfSums(const uint64_t Sums[4], uint64_t Count) {
  if (Count == 0) return 0;
  TColor32 result = 0;
  for (int c = 0; c < 4; ++c) result |= TColor32((Sums[c] + Count / 2) / Count) << (8 * c);
  return result;
}

TColor32 AverageBlock_Plain(uint32_t Width, uint32_t Height, const TColor32* Block,
                            int32_t Stride) {
  uint64_t sums[4] = {};
  const uint8_t* row = reinterpret_cast<const uint8_t*>(Block);
  for (uint32_t y = 0; y < Height; ++y, row += Stride) {
    const TColor32* pixels = reinterpret_cast<const TColor32*>(row);
    uint32_t b = 0, g = 0, r = 0, a = 0;  // a row of up to 16 million pixels fits
    for (uint32_t x = 0; x < Width; ++x) {
      const TColor32 c = pixels[x];
      b += c & 0xFF;
      g += (c >> 8) & 0xFF;
      r += (c >> 16) & 0xFF;
      a += c >> 24;
    }
    sums[0] += b;
    sums[1] += g;
    sums[2] += r;
    sums[3] += a;
  }
  return AverageOfSums(sums, uint64_t(Width) * Height);
}

TColor32 BilinearInterpolate_Plain(uint32_t WX, uint32_t WY, const TColor32* P1,
                                   const TColor32* P2) {
  const uint32_t wx = std::min(WX >> 16, 255u), wy = std::min(WY >> 16, 255u);
  return CombineColors(CombineColors(P1[0], P1[1], wx), CombineColors(P2[0], P2[1], wx), wy);
}

// ResampleKernel's plain passes: 32-bit sums per channel, which wrap as the definition's do.
namespace {

void FilterRow_Plain(const TColor32* Row, const TKernelTaps& Taps, uint32_t* Out) {
  const int32_t* first = Taps.First.data();
  const int32_t* pos = Taps.Pos.data();
  const int32_t* weight = Taps.Weight.data();
  for (size_t i = 0, columns = Taps.Columns(); i < columns; ++i, Out += 4) {
    uint32_t b = 0, g = 0, r = 0, a = 0;
    for (int32_t t = first[i]; t < first[i + 1]; ++t) {
      const TColor32 c = Row[pos[t]];
      const uint32_t w = uint32_t(weight[t]);
      b += (c & 0xFF) * w;
      g += (c >> 8 & 0xFF) * w;
      r += (c >> 16 & 0xFF) * w;
      a += (c >> 24) * w;
    }
    Out[0] = b;
    Out[1] = g;
    Out[2] = r;
    Out[3] = a;
  }
}

void SumRows_Plain(const uint32_t* const* Rows, const int32_t* Weights, int32_t Count,
                   int32_t Columns, bool Clamp, TColor32* Out) {
  for (int32_t i = 0; i < Columns; ++i) {
    const size_t column = size_t(i) * 4;
    uint32_t b = 0, g = 0, r = 0, a = 0;
    for (int32_t t = 0; t < Count; ++t) {
      const uint32_t* sums = Rows[t] + column;
      const uint32_t w = uint32_t(Weights[t]);
      b += sums[0] * w;
      g += sums[1] * w;
      r += sums[2] * w;
      a += sums[3] * w;
    }
    Out[i] = ComposeChannel(int32_t(a), Clamp) << 24 | ComposeChannel(int32_t(r), Clamp) << 16 |
             ComposeChannel(int32_t(g), Clamp) << 8 | ComposeChannel(int32_t(b), Clamp);
  }
}

}  // namespace

const TKernelPassSet PlainKernelPasses = {FilterRow_Plain, SumRows_Plain, false};
const TKernelPassSet* KernelPasses = &PlainKernelPasses;

TAverageBlock AverageBlock = AverageBlock_Plain;
TBilinearInterpolate BilinearInterpolate = BilinearInterpolate_Plain;

}  // namespace raster
