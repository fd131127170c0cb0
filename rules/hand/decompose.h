#pragma once
// The recursive meld decomposition of a hand (jokers handed down as two
// wildcard counters): a walk guided by the group tables' masks, or for what
// the walk leaves (honour chows among the tiles, more than 15 wildcards) a
// search guided by the tables' values.

#include <cstdint>

#include "rules/hand/hand_count.h"
#include "rules/hand/hand_summary.h"
#include "rules/hand/hu_result.h"

namespace rules {

// The most tiles and wildcards a decomposition takes: any split of 24 fits the
// eight melds of a result (a split of T with K kongs and P pairs has
// (T - K + P) / 3 melds), so the search never runs out of room. Real hands
// hold at most 18.
inline constexpr int kMaxDecomposedTiles = 24;

// 8 when the counts (no jokers among them) with nA + nB wildcards split into
// melds with at most one pair; the melds are appended to result, the last
// taken first. Counts outside 0-4, tiles in slots that are no kind, or more
// than kMaxDecomposedTiles tiles and wildcards are no hand (0).
int32_t DecomposeHand(const TileCountArray& counts, int32_t nA, int32_t nB, TileIndex idxA,
                      TileIndex idxB, TileIndex winKind, RuleOptions options, uint32_t allowed,
                      HuResult& result, int32_t pairTaken);

// Whether counts may enter the hand analysis: every slot 0-4, none in the
// slots 0, 10 and 20 (no kind; a chow could run through them).
bool HandCountsValid(const TileCountArray& counts);

namespace detail {

// While one lives on this thread, the decomposition only tells whether the
// hand splits (after its exact test at the root) and records no melds.
class AcceptOnlyScope {
  public:
    AcceptOnlyScope();
    ~AcceptOnlyScope();
    AcceptOnlyScope(const AcceptOnlyScope&) = delete;
    AcceptOnlyScope& operator=(const AcceptOnlyScope&) = delete;

  private:
    bool previous_;
};

// The decomposition entry the hu tests call; tests swap in the plain search.
using DecomposeFn = int32_t (*)(const TileCountArray&, int32_t, int32_t, TileIndex, TileIndex,
                                TileIndex, RuleOptions, uint32_t, HuResult&, int32_t);
DecomposeFn SetDecomposeForTesting(DecomposeFn fn);

// For counts that SummariseHand read into `hand` (a valid hand), and
// counters that are not negative.
int32_t CallDecompose(const TileCountArray& counts, const HandSummary& hand, int32_t nA, int32_t nB,
                      TileIndex idxA, TileIndex idxB, TileIndex winKind, RuleOptions options,
                      uint32_t allowed, HuResult& result, int32_t pairTaken);
// The decomposition the hu tests call, and whether this thread's only tells
// whether hands split (AcceptOnlyScope).
extern DecomposeFn g_decompose;
extern constinit thread_local bool t_acceptOnly;
// Whether the walk and the block tables apply: at most 15 wildcards, and no
// honour chows among the tiles.
inline bool WalkApplies(const HandSummary& hand, int32_t jokers, RuleOptions options) {
    return jokers <= kMaskMaxJokers &&
           (!(options & kOptHonourChows) || !(hand.masks.present & kHonourKinds));
}
// Whether CallDecompose on this hand goes straight to DecomposeByBlocks (the
// decomposition of this file, the walk applying, melds recorded): callers
// may then call that themselves. Inline, as a record asks it every time.
inline bool DecomposesByBlocks(const HandSummary& hand, int32_t jokers, RuleOptions options) {
    return g_decompose == DecomposeHand && !t_acceptOnly &&
           hand.tiles + int64_t(jokers) <= kMaxDecomposedTiles &&
           WalkApplies(hand, jokers, options);
}
int32_t DecomposeCounted(const TileCountArray& counts, const HandSummary& hand, int32_t nA,
                         int32_t nB, TileIndex idxA, TileIndex idxB, RuleOptions options,
                         HuResult& result, int32_t pairTaken);
// For counts that the walk and the block tables apply to (at most 15
// wildcards, and no honour chows among the tiles): whether the hand with
// `jokers` wildcards splits at all; its melds from the block tables
// (decompose_blocks.cpp), or by the walk where the tables do not hold the hand
// (more than kBlockMaxJokers wildcards, a block not in them); its melds by the
// walk guided by masks (decompose_walk.cpp), which tests acceptance first.
// All three read the counts only at the hand's kinds from 30 up, and of its
// summary only the tiles, the kinds present and the nibbles.
bool HandCompletes(const TileCountArray& counts, const HandSummary& hand, int32_t jokers,
                   bool pairTaken);
// (Its roads: for every processor, and for those with BMI1, BMI2 and
// POPCNT; chosen here, in the caller.)
int32_t DecomposeByBlocksPlain(const TileCountArray& counts, const HandSummary& hand, int32_t nA,
                               int32_t nB, TileIndex idxA, TileIndex idxB, bool pairTaken,
                               HuResult& result);
#if QEVO_BIT_ROADS
int32_t DecomposeByBlocksBits(const TileCountArray& counts, const HandSummary& hand, int32_t nA,
                              int32_t nB, TileIndex idxA, TileIndex idxB, bool pairTaken,
                              HuResult& result);
#endif
inline int32_t DecomposeByBlocks(const TileCountArray& counts, const HandSummary& hand, int32_t nA,
                                 int32_t nB, TileIndex idxA, TileIndex idxB, bool pairTaken,
                                 HuResult& result) {
#if QEVO_BIT_ROADS
    if (g_bitInstructions)
        return DecomposeByBlocksBits(counts, hand, nA, nB, idxA, idxB, pairTaken, result);
#endif
    return DecomposeByBlocksPlain(counts, hand, nA, nB, idxA, idxB, pairTaken, result);
}
int32_t DecomposeByWalk(const TileCountArray& counts, const HandSummary& hand, int32_t nA,
                        int32_t nB, TileIndex idxA, TileIndex idxB, bool pairTaken,
                        HuResult& result);

}  // namespace detail
}  // namespace rules
