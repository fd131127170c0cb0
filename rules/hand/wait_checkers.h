#pragma once
// The wait checkers' searches: for the meld that the winning tile completes,
// the candidates each checker tries and their order. Written once for any
// context that offers the hand's facts and the test of a rest:
//   kind(), winIsWild(), jokersOn(), Jokers(), idxA(), idxB(), options(),
//   mode(), SelfDrawn(), Has(k), Count(k), Kinds(least) (the kinds held at
//   least 1 or 2 times, as bits), rank() (of kind(): 1-9 when a suited kind,
//   else 0), Honour(k);
//   RestWins(taken, jokers, pairTaken, meld, waitBit, named): whether the
//   hand less the tiles taken and `jokers` wildcards wins, the meld then
//   recorded after the rest's melds (named: MayWin named this rest); the
//   searches ask it only for tiles and wildcards the hand holds;
//   MayWin(anchors, d1, d2, spent, pairTaken): the anchors a (bits) of a loop
//   whose rest (less a tile of a + d1, and of a + d2 when d2 is not negative,
//   and `spent` wildcards) may win; as the searches record the first rest
//   that wins, it may name every anchor after the first that does.

#include <bit>
#include <cstdint>
#include <initializer_list>

#include "rules/hand/hu_result.h"

namespace rules::detail {

// The meld the winning tile completes: recorded with AddMeld (k and the
// places), AddMeldEx (k 0: wildcards alone) or with its tile words as given.
struct WaitMeld {
    int32_t type;
    TileIndex k;
    int32_t jokerPlace = kNoJokerPlace;
    int32_t gapPlace = 0;
    bool tilesOnly = false;
    int32_t tiles[3] = {0, 0, 0};
};

// Ranks 1-7 of the three suits: where a chow or a middle wait may start.
inline constexpr uint64_t kLowRanks = 0xFEull | 0xFEull << 10 | 0xFEull << 20;
// Ranks 1 and 8: where the two tiles of an edge wait start.
inline constexpr uint64_t kEdgeStarts = 0x102ull | 0x102ull << 10 | 0x102ull << 20;

template <typename Context>
bool PairWait(const Context& c) {
    const RuleOptions o = c.options();
    const int k = c.kind();
    if (!c.winIsWild()) {
        if (c.Has(k)) return c.RestWins({k}, 0, true, {kMeldPair, k}, kWaitPair);
        if (!c.jokersOn() || c.Jokers() < 1) return false;
        if ((o & kOptJokerPairSelfDrawnOnly) && !c.SelfDrawn()) return false;
        if ((o & kOptNoJokerPairOnGrab) && (c.mode() & kModeRestricted4)) return false;
        return c.RestWins({}, 1, true, {kMeldPair, k}, kWaitPair);
    }
    if (!c.SelfDrawn()) return false;
    for (uint64_t may = c.MayWin(c.Kinds(1), 0, -1, 0, true); may; may &= may - 1) {
        const int i = std::countr_zero(may);
        if (c.RestWins({i}, 0, true, {kMeldPair, i, 1}, kWaitPair, true)) return true;
    }
    return c.Jokers() >= 1 && c.RestWins({}, 1, true, {kMeldPair, 0}, kWaitPair);
}

template <typename Context>
bool PungWait(const Context& c) {
    const int k = c.kind();
    if (!c.winIsWild()) {
        if (c.Count(k) >= 2) return c.RestWins({k, k}, 0, false, {kMeldPung, k}, kWaitPung);
        if (!c.jokersOn()) return false;
        if (c.Count(k) == 1)
            return c.Jokers() >= 1 && c.RestWins({k}, 1, false, {kMeldPung, k}, kWaitPung);
        if ((c.options() & kOptTwoJokerPungSelfDrawnOnly) && !c.SelfDrawn()) return false;
        return c.Jokers() >= 2 && c.RestWins({}, 2, false, {kMeldPung, k}, kWaitPung);
    }
    if (!c.SelfDrawn()) return false;
    for (uint64_t may = c.MayWin(c.Kinds(2), 0, 0, 0, false); may; may &= may - 1) {
        const int i = std::countr_zero(may);
        if (c.RestWins({i, i}, 0, false, {kMeldPung, i}, kWaitPung, true)) return true;
    }
    if (c.Jokers() < 1) return false;
    for (uint64_t may = c.MayWin(c.Kinds(1), 0, -1, 1, false); may; may &= may - 1) {
        const int i = std::countr_zero(may);
        if (c.RestWins({i}, 1, false, {kMeldPung, i}, kWaitPung, true)) return true;
    }
    return false;
}

template <typename Context>
bool MiddleWait(const Context& c) {
    const int k = c.kind();
    if (!c.winIsWild()) {
        const int rank = c.rank();
        if (rank < 2 || rank > 8) return false;
        if (c.Has(k - 1) && c.Has(k + 1) &&
            c.RestWins({k - 1, k + 1}, 0, false, {kMeldChow, k - 1}, kWaitMiddle))
            return true;
        if (!c.jokersOn() || c.Jokers() < 1) return false;
        if ((c.options() & kOptJokerMiddleSelfDrawnOnly) && !c.SelfDrawn()) return false;
        if (c.Has(k - 1) && c.RestWins({k - 1}, 1, false, {kMeldChow, k - 1, 2}, kWaitMiddle))
            return true;
        return c.Has(k + 1) && c.RestWins({k + 1}, 1, false, {kMeldChow, k, 0}, kWaitMiddle);
    }
    if (!c.SelfDrawn()) return false;
    const uint64_t held = c.Kinds(1);
    const uint64_t anchors = held & held >> 2 & kLowRanks;
    for (uint64_t may = c.MayWin(anchors, 0, 2, 0, false); may; may &= may - 1) {
        const int a = std::countr_zero(may);
        if (c.RestWins({a, a + 2}, 0, false, {kMeldChow, a, 1}, kWaitMiddle, true)) return true;
    }
    return false;
}

template <typename Context>
bool EdgeWait(const Context& c) {
    const int k = c.kind();
    if (!c.winIsWild()) {
        const int rank = c.rank();
        if (!rank) return false;
        bool threeLike = rank == 3, sevenLike = rank == 7;
        if (c.jokersOn() && !(c.options() & kOptSubstitute)) {
            // A joker three ranks below the tile in its suit, or above.
            const TileIndex a = c.idxA(), b = c.idxB();
            threeLike = threeLike || (rank >= 4 && (a == k - 3 || b == k - 3));
            sevenLike = sevenLike || (rank <= 6 && (a == k + 3 || b == k + 3));
        }
        if (threeLike && rank >= 3 && c.Has(k - 2) && c.Has(k - 1) &&
            c.RestWins({k - 2, k - 1}, 0, false, {kMeldChow, k - 2}, kWaitEdge))
            return true;
        return sevenLike && rank <= 7 && c.Has(k + 1) && c.Has(k + 2) &&
               c.RestWins({k + 1, k + 2}, 0, false, {kMeldChow, k}, kWaitEdge);
    }
    if (!c.SelfDrawn()) return false;
    // Ranks 1-2 with the wildcard third, 8-9 with it seventh, suit by suit.
    const uint64_t held = c.Kinds(1);
    for (uint64_t may = c.MayWin(held & held >> 1 & kEdgeStarts, 0, 1, 0, false); may;
         may &= may - 1) {
        const int a = std::countr_zero(may);
        const WaitMeld meld{kMeldChow, a, a % 10 == 1 ? 2 : 0};
        if (c.RestWins({a, a + 1}, 0, false, meld, kWaitEdge, true)) return true;
    }
    return false;
}

template <typename Context>
bool ChowWait(const Context& c) {
    const int k = c.kind();
    const RuleOptions o = c.options();
    if (!c.winIsWild()) {
        if (k >= 31 && k <= 37 && c.Honour(k)) {
            if (!(o & kOptHonourChows)) return false;
            const int lo = k <= 34 ? 31 : 35, hi = k <= 34 ? 34 : 37;
            for (int a = lo; a <= hi; ++a) {
                for (int b = a + 1; b <= hi; ++b) {
                    if (a == k || b == k || !c.Has(a) || !c.Has(b)) continue;
                    WaitMeld m{kMeldChow, a};
                    m.tilesOnly = true;
                    m.tiles[0] = a, m.tiles[1] = b, m.tiles[2] = k;
                    if (c.RestWins({a, b}, 0, false, m, kWaitChow)) return true;
                }
            }
            return false;
        }
        const int rank = c.rank();
        if (!rank) return false;
        const bool high = rank >= 4, low = rank <= 6;
        if (high && c.Has(k - 2) && c.Has(k - 1) &&
            c.RestWins({k - 2, k - 1}, 0, false, {kMeldChow, k - 2}, kWaitChow))
            return true;
        if (low && c.Has(k + 1) && c.Has(k + 2) &&
            c.RestWins({k + 1, k + 2}, 0, false, {kMeldChow, k}, kWaitChow))
            return true;
        if (!c.jokersOn() || c.Jokers() < 1) return false;
        if (high && c.Has(k - 1) && c.RestWins({k - 1}, 1, false, {kMeldChow, k - 1, 0}, kWaitChow))
            return true;
        if (high && c.Has(k - 2) && c.RestWins({k - 2}, 1, false, {kMeldChow, k - 2, 1}, kWaitChow))
            return true;
        if (low && c.Has(k + 1) && c.RestWins({k + 1}, 1, false, {kMeldChow, k, 2}, kWaitChow))
            return true;
        return low && c.Has(k + 2) && c.RestWins({k + 2}, 1, false, {kMeldChow, k, 1}, kWaitChow);
    }
    if (!c.SelfDrawn()) return false;
    // For each start a, the wildcard first, in the middle, then last.
    const uint64_t held = c.Kinds(1);
    const uint64_t first = c.MayWin(held >> 1 & held >> 2 & kLowRanks, 1, 2, 0, false);
    const uint64_t middle = c.MayWin(held & held >> 2 & kLowRanks, 0, 2, 0, false);
    const uint64_t last = c.MayWin(held & held >> 1 & kLowRanks, 0, 1, 0, false);
    for (uint64_t may = first | middle | last; may; may &= may - 1) {
        const int a = std::countr_zero(may);
        const uint64_t bit = uint64_t(1) << a;
        if ((first & bit) &&
            c.RestWins({a + 1, a + 2}, 0, false, {kMeldChow, a + 1, 0}, kWaitChow, true))
            return true;
        if ((middle & bit) && c.RestWins({a, a + 2}, 0, false, {kMeldChow, a, 1}, kWaitChow, true))
            return true;
        if ((last & bit) && c.RestWins({a, a + 1}, 0, false, {kMeldChow, a, 2}, kWaitChow, true))
            return true;
    }
    return false;
}

}  // namespace rules::detail
