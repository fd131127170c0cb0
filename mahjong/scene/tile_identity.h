#pragma once
// What a tile code shows: its picture cell, suit, rank and its copies, and
// the 32-entry face lists hands travel in. Tile codes: 0-107 three suits of
// nine ranks in four copies (kind = id mod 9), 108-135 honours (kind =
// (id - 108) mod 7), 136-151 flowers; 200 a back without identity.

#include <cstdint>
#include <span>

#include "mahjong/scene/mj_struct.h"

namespace mahjong {

// Cell of a picture strip of 47 images: 0-8 suit 0, 9-17 suit 1, 18-26 suit
// 2, 27-33 honours, 34-45 flowers, 46 the back.
int32_t TileImageIndex(int32_t tile);
// 0-2 suits, 3 honours, 4 and 5 flowers; -1 for no tile.
int32_t TileSuit(int32_t tile);
// 1-9, honours 1-7, flowers 1-8; 0 for no tile.
int32_t TileRank(int32_t tile);

// The sort key a joker takes when the round sorts jokers apart: between
// suit 1 (keys 11-19) and suit 0 (keys 1-9).
inline constexpr int32_t kJokerSortKey = 10;

// The four copies of a tile's kind (first copy first) for suited and honour
// tiles: their count, 4. A flower has one copy, itself (1); no tile: 0.
int32_t SameKindTiles(int32_t tile, int32_t out[4]);
// The copies other than the tile itself, in order; -1 filled for a flower.
void OtherCopies(int32_t tile, int32_t out[3]);

int32_t CountFaces(std::span<const int32_t> list);
// Every entry becomes -1; returns -1.
int32_t ClearFaces(std::span<int32_t> list);
void RemoveFace(std::span<int32_t> list, int32_t face);

}  // namespace mahjong
