#pragma once
// Winning-hand ("hu") tests: the whole-hand shapes, the meld decomposition
// with jokers as wildcards or as tiles, the wait checkers that tell how the
// winning tile completed the hand, and the combined test. A winning test
// returns 8, else 0; its melds and bits go to the HuResult.

#include <cstdint>

#include "rules/hand/decompose.h"
#include "rules/hand/hand_count.h"
#include "rules/hand/hu_result.h"

namespace rules {

int32_t TryHuWithJokers(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                        RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode);
int32_t CheckHuShapes(const TileCountArray& counts, int32_t nA, int32_t nB, TileId jokerA,
                      TileId jokerB, TileIndex winKind, RuleOptions options, uint32_t allowed,
                      HuResult& result, uint32_t mode);
int32_t HuWithJokersAsWild(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                           int32_t* nA, int32_t* nB, TileIndex* winKind, RuleOptions options,
                           uint32_t allowed, HuResult& result, uint32_t mode);
int32_t HuWithJokersAsTiles(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                            int32_t* nA, int32_t* nB, TileIndex* winKind, RuleOptions options,
                            uint32_t allowed, HuResult& result, uint32_t mode);

// Whole-hand shapes (each requires its own bit in allowed).
int32_t SevenPairsShape(const TileCountArray& counts, int32_t nA, int32_t nB, TileIndex idxA,
                        TileIndex idxB, TileIndex winKind, RuleOptions options, uint32_t allowed,
                        HuResult& result);
int32_t KnittedShape(const TileCountArray& counts, int32_t nA, int32_t nB, TileIndex idxA,
                     TileIndex idxB, TileIndex winKind, RuleOptions options, uint32_t allowed,
                     HuResult& result);
int32_t SevenHonoursShape(const TileCountArray& counts, int32_t nA, int32_t nB, TileIndex idxA,
                          TileIndex idxB, TileIndex winKind, RuleOptions options, uint32_t allowed,
                          HuResult& result);
int32_t AllHonoursShape(const TileCountArray& counts, int32_t nA, int32_t nB, TileIndex idxA,
                        TileIndex idxB, TileIndex winKind, RuleOptions options, uint32_t allowed,
                        HuResult& result);
int32_t All258Shape(const TileCountArray& counts, int32_t nA, int32_t nB, TileIndex idxA,
                    TileIndex idxB, TileIndex winKind, RuleOptions options, uint32_t allowed,
                    HuResult& result);

// Wait checkers (non-zero on success; the completing meld is recorded last).
int32_t HuByJokerPairWait(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                          RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode);
int32_t HuByPairWait(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                     RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode);
int32_t HuByPungWait(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                     RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode);
int32_t HuByMiddleWait(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                       RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode);
int32_t HuByEdgeWait(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                     RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode);
int32_t HuByChowWait(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                     RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode);

int32_t HuCheckMode16(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                      RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode);
int32_t HuCheckMode32(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                      RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode);
int32_t HuCheckMode64(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                      RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode);
int32_t HuCheckMode128(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                       RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode,
                       int32_t extra);
int32_t HuCheckModeSpecial(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                           RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode,
                           int32_t extra);

int32_t IsWinningHand(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                      RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode,
                      int32_t extra);

namespace detail {
// Tests compare the combined test with and without its early exit.
bool SetWinningShortcutForTesting(bool enabled);
}  // namespace detail

}  // namespace rules
