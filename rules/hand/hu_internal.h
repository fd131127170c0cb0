#pragma once
// Pieces the hu tests share between their files.

#include <atomic>

#include "rules/hand/hand_summary.h"
#include "rules/hand/hu.h"

namespace rules::detail {

// Whether the combined test takes its shortcuts (the fast road, the plain
// test run once): off only in tests, which compare both.
inline std::atomic<bool> g_winningShortcut{true};

// IsWinningHand by the checkers' general road (hu_waits.cpp): the calls the
// fast road declines, and every call without the shortcuts.
int32_t WinningHandGeneral(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                           RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode,
                           int32_t extra);

// CheckHuShapes with the decomposition told whether the pair is already taken
// (the rest of a hand whose winning tile made the pair).
int32_t CheckShapes(const TileCountArray& counts, int32_t nA, int32_t nB, TileId jokerA,
                    TileId jokerB, TileIndex winKind, RuleOptions options, uint32_t allowed,
                    HuResult& result, uint32_t mode, int32_t pairTaken);
// The same for counts of a valid hand that SummariseHand read into `hand`.
int32_t CheckShapesOf(const TileCountArray& counts, const HandSummary& hand, int32_t nA, int32_t nB,
                      TileId jokerA, TileId jokerB, TileIndex winKind, RuleOptions options,
                      uint32_t allowed, HuResult& result, uint32_t mode, int32_t pairTaken);

// The combined test's whole-hand shape checks (HuCheckMode16 to
// HuCheckModeSpecial), run when every wait checker failed.
int32_t ShapeChecks(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                    RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode,
                    int32_t extra);

// The record of a rest that the fast road found to win (this game's hooks or
// the defaults, no option 0x4, no shape restriction in mode): the result
// cleared, then the first whole-hand shape of `shapes` (those allowed that
// ShapesTaking found to take the rest; none: ask no shape) that takes it,
// else its decomposition. 8, or 0 should the rest not win after all.
int32_t RecordWinningRest(const TileCountArray& counts, const HandSummary& hand, int32_t nA,
                          int32_t nB, TileIndex idxA, TileIndex idxB, TileIndex winKind,
                          RuleOptions options, uint32_t allowed, uint32_t shapes, HuResult& result,
                          bool pairTaken);

// SevenPairsShape's melds for a rest that the masks take as seven pairs, with
// counters 0 to kMaskMaxJokers: the hand less a tile of k1 and one of k2
// (-1: none). Appended to the result from its meld count (the caller clears
// it), read from the summary alone in one pass over the kinds the rest
// keeps, each a pair or a kong written whole, an odd one completed by the
// next wildcard spent.
void RecordSevenPairs(const HandSummary& hand, int k1, int k2, int32_t nA, int32_t nB,
                      TileIndex idxA, TileIndex idxB, HuResult& result);

}  // namespace rules::detail
