// The tile boxes of the micro-tile repaint optimizer and the variants of its two union
// routines. Kept free of everything but integers: the extended-MMX file includes it.
#pragma once

#include <cstdint>

namespace raster {

// The changed part of one 32 x 32 tile, relative to the tile's top-left pixel: left in
// bits 31-24, top in 23-16, right (exclusive) in 15-8, bottom (exclusive) in 7-0. A box
// whose right equals its left, or whose bottom equals its top, marks nothing.
using TTileBox = uint32_t;

constexpr int32_t TILE_SIZE = 32;
constexpr int32_t TILE_SHIFT = 5;
constexpr TTileBox TILE_EMPTY = 0x00000000u;
constexpr TTileBox TILE_FULL = 0x00002020u;

constexpr TTileBox TileBoxOf(uint32_t Left, uint32_t Top, uint32_t Right, uint32_t Bottom) {
  return Left << 24 | Top << 16 | Right << 8 | Bottom;
}
constexpr uint32_t TileLeft(TTileBox Box) { return Box >> 24; }
constexpr uint32_t TileTop(TTileBox Box) { return (Box >> 16) & 0xFF; }
constexpr uint32_t TileRight(TTileBox Box) { return (Box >> 8) & 0xFF; }
constexpr uint32_t TileBottom(TTileBox Box) { return Box & 0xFF; }
constexpr bool TileBoxHasArea(TTileBox Box) {
  return TileRight(Box) != TileLeft(Box) && TileBottom(Box) != TileTop(Box);
}

// What every variant of the union does before the byte arithmetic: true when the union
// leaves Dst as it is (Dst full, or Src empty or of zero size).
constexpr bool UnionKeepsDestination(TTileBox Dst, TTileBox Src) {
  return Dst == TILE_FULL || Src == TILE_EMPTY || !TileBoxHasArea(Src);
}
// True when the union is Src itself (Dst empty, or Src full).
constexpr bool UnionTakesSource(TTileBox Dst, TTileBox Src) {
  return Dst == TILE_EMPTY || Src == TILE_FULL;
}

// The union of box Src into box Dst: the smaller left and top, the larger right and bottom.
using TTileBoxUnionProc = void (*)(TTileBox& Dst, TTileBox Src);
// The union of each tile of a block of Columns x Rows tiles of one grid into the tile of
// the same place of another; each grid has its own row stride.
using TTileBlockUnionProc = void (*)(TTileBox* Dst, int32_t DstStride, const TTileBox* Src,
                                     int32_t SrcStride, int32_t Columns, int32_t Rows);

struct TTileRoutineSet {
  TTileBoxUnionProc BoxUnion;
  TTileBlockUnionProc BlockUnion;
};
extern const TTileRoutineSet PlainTileRoutines;
// Byte minimum and maximum with PMINUB and PMAXUB; the routines clear the MMX state
// themselves.
extern const TTileRoutineSet EmmxTileRoutines;

}  // namespace raster
