// Blend tables, weight vectors, the merge routines and the selection of the blend
// routine pointers.
#include "raster/Raster_Blend.h"

#include "raster/Raster_BlendVariants.h"

#include <cstdlib>

namespace raster {

TCombineColors CombineColors = nullptr;
TCombineInto CombineInto = nullptr;
TCombineRow CombineRow = nullptr;
TBlendColors BlendColors = nullptr;
TBlendInto BlendInto = nullptr;
TMasterBlendColors MasterBlendColors = nullptr;
TMasterBlendInto MasterBlendInto = nullptr;
TBlendRow BlendRow = nullptr;
TMasterBlendRow MasterBlendRow = nullptr;
TBlendColors MergeColors = nullptr;
TBlendInto MergeInto = nullptr;
TMasterBlendColors MasterMergeColors = nullptr;
TMasterBlendInto MasterMergeInto = nullptr;
TBlendRow MergeRow = nullptr;
TMasterBlendRow MasterMergeRow = nullptr;

TColorOperation AddColors = nullptr;
TColorOperation SubtractColors = nullptr;
TColorOperation DivideColors = nullptr;
TColorOperation ModulateColors = nullptr;
TColorOperation MaxColors = nullptr;
TColorOperation MinColors = nullptr;
TColorOperation DifferenceColors = nullptr;
TColorOperation AverageColors = nullptr;
TColorOperation ExclusionColors = nullptr;
TScaleColorProc ScaleColor = nullptr;

TBlendColors BlendColorsByMode[2] = {};
TBlendInto BlendIntoByMode[2] = {};
TMasterBlendColors MasterBlendColorsByMode[2] = {};
TMasterBlendInto MasterBlendIntoByMode[2] = {};
TBlendRow BlendRowByMode[2] = {};
TMasterBlendRow MasterBlendRowByMode[2] = {};

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

void InstallCombineBlend(const TCombineBlendSet& set) {
  CombineColors = set.CombineColors;
  CombineInto = set.CombineInto;
  CombineRow = set.CombineRow;
  BlendColors = set.BlendColors;
  BlendInto = set.BlendInto;
  MasterBlendColors = set.MasterBlendColors;
  MasterBlendInto = set.MasterBlendInto;
  BlendRow = set.BlendRow;
  MasterBlendRow = set.MasterBlendRow;
  AddColors = set.AddColors;
  SubtractColors = set.SubtractColors;
  ModulateColors = set.ModulateColors;
  DifferenceColors = set.DifferenceColors;
  ExclusionColors = set.ExclusionColors;
  ScaleColor = set.ScaleColor;
}

void InstallChannelExtrema(const TChannelExtremaSet& set) {
  MaxColors = set.MaxColors;
  MinColors = set.MinColors;
  AverageColors = set.AverageColors;
}

void InstallMergeRoutines() {
  MergeColors = MergeColors_Plain;
  MergeInto = MergeInto_Plain;
  MasterMergeColors = MasterMergeColors_Plain;
  MasterMergeInto = MasterMergeInto_Plain;
  MergeRow = MergeRow_Plain;
  MasterMergeRow = MasterMergeRow_Plain;
}

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

void SelectBlendRoutines(const TRoutineFeatures& Features) {
  MmxInUse = Features.MMX;
  InstallMergeRoutines();
  InstallCombineBlend(Features.MMX ? MmxCombineBlend : PlainCombineBlend);
  InstallChannelExtrema(Features.ExtendedMMX ? EmmxChannelExtrema : PlainChannelExtrema);
  DivideColors = DivideColors_Plain;
  FillModeTables();
}

void ReselectBlendRoutines(const TRoutineFeatures& Features) {
  SelectBlendRoutines(Features);
  if (MmxInUse) BuildWeightVectors();
}

void InitializeBlendUnit() {
  BuildBlendTables();
  SelectBlendRoutines(StartupRoutineFeatures());
  if (MmxInUse) BuildWeightVectors();
}

void FinalizeBlendUnit() { FreeWeightVectors(); }

}  // namespace raster
