// Per-pixel arithmetic on TColor32: combine (weighted mix), blend (over by the source
// alpha), merge (both colours with alpha), their master-alpha forms, per-channel colour
// operations, and the lookup tables behind them.
//
// Every operation is a routine pointer, at its plain variant until the start-up's routine
// selection (Raster_System.h) installs a processor variant. The MMX variants round
// differently in places (see the variant files) and leave the MMX state set: after a run
// of calls, call LeaveMmxState (Raster_System.h).
#pragma once

#include "raster/Raster_System.h"
#include "raster/Raster_Types.h"

#include <cstdint>

namespace raster {

// Weights W and master alphas M are 0..255.
using TCombineColors = TColor32 (*)(TColor32 X, TColor32 Y, uint32_t W);
using TCombineInto = void (*)(TColor32 X, TColor32& Y, uint32_t W);
using TCombineRow = void (*)(const TColor32* Source, TColor32* Dest, int32_t Count, uint32_t W);
using TBlendColors = TColor32 (*)(TColor32 F, TColor32 B);
using TBlendInto = void (*)(TColor32 F, TColor32& B);
using TMasterBlendColors = TColor32 (*)(TColor32 F, TColor32 B, uint32_t M);
using TMasterBlendInto = void (*)(TColor32 F, TColor32& B, uint32_t M);
using TBlendRow = void (*)(const TColor32* Source, TColor32* Dest, int32_t Count);
using TMasterBlendRow = void (*)(const TColor32* Source, TColor32* Dest, int32_t Count,
                                 uint32_t M);
using TColorOperation = TColor32 (*)(TColor32 C1, TColor32 C2);
using TScaleColorProc = TColor32 (*)(TColor32 C, uint32_t W);

// Mix of X and Y with weight W on X.
extern TCombineColors CombineColors;
extern TCombineInto CombineInto;
extern TCombineRow CombineRow;
// F over B by F's alpha.
extern TBlendColors BlendColors;
extern TBlendInto BlendInto;
extern TMasterBlendColors MasterBlendColors;
extern TMasterBlendInto MasterBlendInto;
extern TBlendRow BlendRow;
extern TMasterBlendRow MasterBlendRow;
// F over B where both carry alpha.
extern TBlendColors MergeColors;
extern TBlendInto MergeInto;
extern TMasterBlendColors MasterMergeColors;
extern TMasterBlendInto MasterMergeInto;
extern TBlendRow MergeRow;
extern TMasterBlendRow MasterMergeRow;

// Per-channel colour operations.
extern TColorOperation AddColors;
extern TColorOperation SubtractColors;
extern TColorOperation DivideColors;
extern TColorOperation ModulateColors;
extern TColorOperation MaxColors;
extern TColorOperation MinColors;
extern TColorOperation DifferenceColors;
extern TColorOperation AverageColors;
extern TColorOperation ExclusionColors;
extern TScaleColorProc ScaleColor;

// Indexed by TCombineMode (cmBlend, cmMerge); always the current pointer values.
extern TBlendColors BlendColorsByMode[2];
extern TBlendInto BlendIntoByMode[2];
extern TMasterBlendColors MasterBlendColorsByMode[2];
extern TMasterBlendInto MasterBlendIntoByMode[2];
extern TBlendRow BlendRowByMode[2];
extern TMasterBlendRow MasterBlendRowByMode[2];

// ProductTable[a][b] = round(a x b / 255); QuotientTable[a][b] = round(b x 255 / a) with
// ties to even, stored as its low 8 bits (0 for a = 0).
extern uint8_t ProductTable[256][256];
extern uint8_t QuotientTable[256][256];

// 256 entries of four 16-bit lanes each equal to the index, 8-byte aligned; built only
// when MmxInUse. RoundingVector is entry 128.
extern const uint64_t* WeightVectors;
extern const uint64_t* RoundingVector;

void BuildBlendTables();
// Both do nothing when the vectors are already built (or already freed).
void BuildWeightVectors();
void FreeWeightVectors();

// Start-up of this unit: BuildBlendTables (the routine selection of Raster_System.h builds
// the weight vectors when it installs the MMX variants). Shut-down: FreeWeightVectors.
void InitializeBlendUnit();
void FinalizeBlendUnit();

}  // namespace raster
