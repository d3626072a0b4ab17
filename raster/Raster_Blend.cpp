// Blend tables, weight vectors, the merge routines and the blend routine pointers.
#include "raster/Raster_Blend.h"

#include "raster/Raster_BlendVariants.h"

#include <cstdlib>

namespace raster {

uint8_t ProductTable[256][256];
uint8_t QuotientTable[256][256];

const uint64_t* WeightVectors = nullptr;
const uint64_t* RoundingVector = nullptr;

namespace {

// ---------------------------------------------------------------------------------------
// Tables

// round(a x b / 255): never a tie, since 2ab is even and 255 (2k + 1) is odd.
uint8_t RoundedProduct(uint32_t a, uint32_t b) { return uint8_t((2 * a * b + 255) / 510); }

// round(numerator / denominator) with ties to even, exact in integers.
uint32_t RoundHalfEven(uint32_t numerator, uint32_t denominator) {
  const uint32_t quotient = numerator / denominator;
  const uint32_t twice_remainder = 2 * (numerator % denominator);
  if (twice_remainder > denominator) return quotient + 1;
  if (twice_remainder == denominator) return quotient + (quotient & 1);
  return quotient;
}

// ---------------------------------------------------------------------------------------
// Merge: one variant for every processor. P(x, y) is the product table.

uint32_t P(uint32_t x, uint32_t y) { return ProductTable[x][y]; }

uint32_t MergeChannel(uint32_t fc, uint32_t bc, uint32_t fa, uint32_t ba, uint32_t ra) {
  const uint32_t bp = P(ba, bc);
  const uint32_t x = fc >= bp ? bp + P(fa, fc - bp) : bp - P(fa, bp - fc);
  return QuotientTable[ra][x];
}

void MergeInto_Plain(TColor32 F, TColor32& B) { B = MergeColors_Plain(F, B); }

TColor32 WithAlpha(TColor32 C, uint32_t alpha) { return (C & 0x00FFFFFF) | alpha << 24; }

TColor32 MasterMergeColors_Plain(TColor32 F, TColor32 B, uint32_t M) {
  return MergeColors_Plain(WithAlpha(F, P(M, AlphaOf(F))), B);
}

void MasterMergeInto_Plain(TColor32 F, TColor32& B, uint32_t M) {
  B = MasterMergeColors_Plain(F, B, M);
}

void MergeRow_Plain(const TColor32* Source, TColor32* Dest, int32_t Count) {
  for (int32_t i = 0; i < Count; ++i) MergeInto_Plain(Source[i], Dest[i]);
}

void MasterMergeRow_Plain(const TColor32* Source, TColor32* Dest, int32_t Count, uint32_t M) {
  for (int32_t i = 0; i < Count; ++i) MasterMergeInto_Plain(Source[i], Dest[i], M);
}

// ---------------------------------------------------------------------------------------
// Weight vectors

void* WeightVectorBlock = nullptr;
constexpr size_t WeightVectorBlockSize = 256 * 8 + 8;  // room to align to 8

}  // namespace

TColor32 MergeColors_Plain(TColor32 F, TColor32 B) {
  const uint32_t fa = AlphaOf(F), ba = AlphaOf(B);
  if (fa == 0) return B;
  if (ba == 255) return BlendColors(F, B) | 0xFF000000;  // the selected blend variant
  if (fa == 255 || ba == 0) return F;
  const uint32_t ra = fa + ba - P(ba, fa);
  return WithAlpha(0, ra) | MergeChannel(RedOf(F), RedOf(B), fa, ba, ra) << 16 |
         MergeChannel(GreenOf(F), GreenOf(B), fa, ba, ra) << 8 |
         MergeChannel(BlueOf(F), BlueOf(B), fa, ba, ra);
}

// ---------------------------------------------------------------------------------------
// The routine pointers, at their plain variants until the routine selection installs
// others (Raster_System_Selection.cpp). The merge routines and DivideColors have one
// variant for every processor and keep it.

TCombineColors CombineColors = PlainCombineBlend.CombineColors;
TCombineInto CombineInto = PlainCombineBlend.CombineInto;
TCombineRow CombineRow = PlainCombineBlend.CombineRow;
TBlendColors BlendColors = PlainCombineBlend.BlendColors;
TBlendInto BlendInto = PlainCombineBlend.BlendInto;
TMasterBlendColors MasterBlendColors = PlainCombineBlend.MasterBlendColors;
TMasterBlendInto MasterBlendInto = PlainCombineBlend.MasterBlendInto;
TBlendRow BlendRow = PlainCombineBlend.BlendRow;
TMasterBlendRow MasterBlendRow = PlainCombineBlend.MasterBlendRow;
TBlendColors MergeColors = MergeColors_Plain;
TBlendInto MergeInto = MergeInto_Plain;
TMasterBlendColors MasterMergeColors = MasterMergeColors_Plain;
TMasterBlendInto MasterMergeInto = MasterMergeInto_Plain;
TBlendRow MergeRow = MergeRow_Plain;
TMasterBlendRow MasterMergeRow = MasterMergeRow_Plain;

TColorOperation AddColors = PlainCombineBlend.AddColors;
TColorOperation SubtractColors = PlainCombineBlend.SubtractColors;
TColorOperation DivideColors = DivideColors_Plain;
TColorOperation ModulateColors = PlainCombineBlend.ModulateColors;
TColorOperation MaxColors = PlainChannelExtrema.MaxColors;
TColorOperation MinColors = PlainChannelExtrema.MinColors;
TColorOperation DifferenceColors = PlainCombineBlend.DifferenceColors;
TColorOperation AverageColors = PlainChannelExtrema.AverageColors;
TColorOperation ExclusionColors = PlainCombineBlend.ExclusionColors;
TScaleColorProc ScaleColor = PlainCombineBlend.ScaleColor;

TBlendColors BlendColorsByMode[2] = {PlainCombineBlend.BlendColors, MergeColors_Plain};
TBlendInto BlendIntoByMode[2] = {PlainCombineBlend.BlendInto, MergeInto_Plain};
TMasterBlendColors MasterBlendColorsByMode[2] = {PlainCombineBlend.MasterBlendColors,
                                                 MasterMergeColors_Plain};
TMasterBlendInto MasterBlendIntoByMode[2] = {PlainCombineBlend.MasterBlendInto,
                                             MasterMergeInto_Plain};
TBlendRow BlendRowByMode[2] = {PlainCombineBlend.BlendRow, MergeRow_Plain};
TMasterBlendRow MasterBlendRowByMode[2] = {PlainCombineBlend.MasterBlendRow,
                                           MasterMergeRow_Plain};

void FillModeTables() {
  BlendColorsByMode[cmBlend] = BlendColors;
  BlendColorsByMode[cmMerge] = MergeColors;
  BlendIntoByMode[cmBlend] = BlendInto;
  BlendIntoByMode[cmMerge] = MergeInto;
  MasterBlendColorsByMode[cmBlend] = MasterBlendColors;
  MasterBlendColorsByMode[cmMerge] = MasterMergeColors;
  MasterBlendIntoByMode[cmBlend] = MasterBlendInto;
  MasterBlendIntoByMode[cmMerge] = MasterMergeInto;
  BlendRowByMode[cmBlend] = BlendRow;
  BlendRowByMode[cmMerge] = MergeRow;
  MasterBlendRowByMode[cmBlend] = MasterBlendRow;
  MasterBlendRowByMode[cmMerge] = MasterMergeRow;
}

void BuildBlendTables() {
  for (uint32_t b = 0; b < 256; ++b) {
    for (uint32_t a = 0; a < 256; ++a) {
      ProductTable[b][a] = RoundedProduct(a, b);
      QuotientTable[b][a] = b == 0 ? 0 : uint8_t(RoundHalfEven(a * 255, b));
    }
  }
}

void BuildWeightVectors() {
  if (WeightVectorBlock != nullptr) return;
  WeightVectorBlock = std::malloc(WeightVectorBlockSize);
  if (WeightVectorBlock == nullptr) std::abort();  // 2 KB at start-up: nothing can run without
  auto* table = reinterpret_cast<uint64_t*>((uintptr_t(WeightVectorBlock) + 7) & ~uintptr_t(7));
  for (uint64_t i = 0; i < 256; ++i) table[i] = i * 0x0001000100010001ull;
  WeightVectors = table;
  RoundingVector = table + 128;
}

void FreeWeightVectors() {
  std::free(WeightVectorBlock);
  WeightVectorBlock = nullptr;
  WeightVectors = nullptr;
  RoundingVector = nullptr;
}

void InitializeBlendUnit() { BuildBlendTables(); }

void FinalizeBlendUnit() { FreeWeightVectors(); }

}  // namespace raster
