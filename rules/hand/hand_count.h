#pragma once
// Hand counting and the claim tests (pung, chow, kong, flower) on a hand given
// as a list of tile ids or as the count array built from it. No test here
// allocates.

#include <array>
#include <cstdint>
#include <span>

#include "rules/hand/tile.h"

namespace rules {

// How many tiles of each kind a hand holds, indexed by TileIndex.
using TileCountArray = std::array<int32_t, kCountSlots>;

// Claim-test result bits.
inline constexpr int32_t kClaimPeng = 1;
inline constexpr int32_t kClaimGang = 2;
inline constexpr int32_t kClaimChi = 4;
inline constexpr int32_t kClaimFlower = 16;

// Adds each tile with a kind to counts (not cleared first); returns how many.
int32_t BuildCountArray(std::span<const TileId> list, TileCountArray& counts, RuleOptions options);
int32_t CountJokersInCounts(const TileCountArray& counts, TileId jokerA, TileId jokerB,
                            RuleOptions options, int32_t* inoutB);
int32_t CountHonourAndFlowerTiles(const TileCountArray& counts, TileId jokerA, TileId jokerB,
                                  RuleOptions options);

// CountHonourAndFlowerTiles(...) != 0 for counts that are all within 0-4.
bool HoldsHonourOrFlower(const TileCountArray& counts, TileId jokerA, TileId jokerB,
                         RuleOptions options);

int32_t CanPengWithCounts(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                          RuleOptions options);
int32_t CanGangWithCounts(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                          RuleOptions options);
int32_t FindConcealedGangIndex(const TileCountArray& counts, TileId tile, TileId jokerA,
                               TileId jokerB, RuleOptions options, TileIndex* outIndex);
int32_t CanShowFlowerWithCounts(const TileCountArray& counts, TileId tile, TileId jokerA,
                                TileId jokerB, RuleOptions options);
int32_t CanChiWithCounts(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                         RuleOptions options);
int32_t CanChiAtIndex(const TileCountArray& counts, TileIndex kind, TileId jokerA, TileId jokerB,
                      RuleOptions options);
int32_t HasSuitChow(const TileCountArray& counts, TileIndex kind);
int32_t HasHonourChow(const TileCountArray& counts, TileIndex kind, RuleOptions options);

// Adds the tile to counts and takes the jokers out (or, with option 0x8 and a
// claim, leaves them as tiles); returns joker A's count removed.
int32_t ExtractJokers(TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                      TileIndex* outKind, RuleOptions options, int32_t claim, int32_t* outJokersB);

// Finders on a hand list: out is set to -1 (as far as the hand's length) and
// receives the hand tiles that the claim would use.
int32_t FindPengTiles(std::span<const TileId> list, TileId tile, TileId jokerA, TileId jokerB,
                      RuleOptions options, std::span<TileId> out);
int32_t FindGangTiles(std::span<const TileId> list, TileId tile, TileId jokerA, TileId jokerB,
                      RuleOptions options, std::span<TileId> out);
int32_t FindGangTilesInHand(std::span<const TileId> list, TileId tile, TileId jokerA, TileId jokerB,
                            RuleOptions options, std::span<TileId> out);
int32_t FindAnyGangTiles(std::span<const TileId> list, TileId jokerA, TileId jokerB,
                         RuleOptions options, std::span<TileId> out);
int32_t FindChiTiles(std::span<const TileId> list, TileId tile, TileId jokerA, TileId jokerB,
                     RuleOptions options, std::span<TileId> out);

}  // namespace rules
