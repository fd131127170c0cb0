#pragma once
// The recording of a decomposition's melds (RecordMelds, decompose_moves.h),
// inline for the block walk, whose every winning hand ends here.

#include <array>
#include <bit>
#include <cstddef>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "rules/hand/decompose_moves.h"

namespace rules::detail {

// A move's wildcard words, for each way its wildcards fall to the counters
// (bit 0: its first wildcard spent is one of B's, bit 1: its second): where
// joker A's kind and where joker B's kind goes. A meld's first place shows B
// when it spent B's only, its second when it spent one of B's.
struct MeldJokers {
    int32_t jokerA[4];
    int32_t jokerB[4];
};
inline constexpr auto kMeldJokers = [] {
    std::array<std::array<MeldJokers, 4>, std::size(kMoves)> all{};
    for (size_t i = 0; i < all.size(); ++i) {
        for (int b = 0; b < 4; ++b) {
            const bool firstB = kMoves[i].jokers == 2 ? b == 3 : (b & 1) != 0;
            const bool secondB = b != 0;
            MeldJokers& t = all[i][size_t(b)];
            for (int j = 0; j < 4; ++j) {
                const uint8_t w = kMoves[i].words[j];
                const bool fromB = (w == kJoker1 && firstB) || (w == kJoker2 && secondB);
                t.jokerA[j] = (w == kJoker1 || w == kJoker2) && !fromB ? -1 : 0;
                t.jokerB[j] = fromB ? -1 : 0;
            }
        }
    }
    return all;
}();

// A taken meld as a template (by Taken::meld): its tile words, where the
// kinds go (k plus an offset) and the rest 0; its type, the wildcards it
// spent and its move's wildcard words.
struct alignas(64) MeldWords {
    int32_t offset[4];
    int32_t kind[4];
    int32_t type;
    int32_t jokers;
    const MeldJokers* jokerWords;
};
inline constexpr auto kMeldWords = [] {
    std::array<MeldWords, kTakenMelds> all{};
    for (size_t i = 16; i < all.size(); ++i) {
        const Move& m = kMoves[i / 16 - 1];
        for (int j = 0; j < 4; ++j) {
            const uint8_t w = m.words[j];
            all[i].offset[j] = w <= kK2 ? int32_t(i % 16) + w : 0;
            all[i].kind[j] = w <= kK2 ? -1 : 0;
        }
        all[i].type = m.type;
        all[i].jokers = m.jokers;
        all[i].jokerWords = kMeldJokers[i / 16 - 1].data();
    }
    return all;
}();

// The order in which the search spends wildcards from counters a and b (the
// smaller non-zero counter first, ties to A): bit i set when the i-th
// wildcard spent is one of B's.
inline constexpr auto kSpendOrder = [] {
    std::array<std::array<uint16_t, kMaskMaxJokers + 1>, kMaskMaxJokers + 1> order{};
    for (int a0 = 0; a0 <= kMaskMaxJokers; ++a0) {
        for (int b0 = 0; a0 + b0 <= kMaskMaxJokers; ++b0) {
            int a = a0, b = b0;
            uint16_t bits = 0;
            for (int i = 0; a > 0 || b > 0; ++i) {
                const bool fromB = b > 0 && (a <= 0 || b < a);
                bits = uint16_t(bits | fromB << i);
                a -= !fromB;
                b -= fromB;
            }
            order[size_t(a0)][size_t(b0)] = bits;
        }
    }
    return order;
}();

// The wildcards that no meld spent (a and b of the counters left), as pungs
// and a pair of wildcards alone; out of line, as most hands spend them all.
// Or from the counters before the melds, which spent `spent` of them as
// `order` (kSpendOrder's for nA and nB) spends them.
void RecordLeftJokers(int32_t a, int32_t b, TileIndex idxA, TileIndex idxB, HuResult& result);
[[gnu::always_inline]] inline void RecordLeftJokers(int spent, uint32_t order, int32_t nA,
                                                    int32_t nB, TileIndex idxA, TileIndex idxB,
                                                    HuResult& result) {
    // Their counters after the melds' spending.
    const int fromB = CountBits(order & ((1u << spent) - 1));
    RecordLeftJokers(nA - (spent - fromB), nB - fromB, idxA, idxB, result);
}
// RecordMelds once the wildcards left are recorded (`order` is kSpendOrder's
// for the counters).
void RecordTakenMelds(const Taken* taken, int n, uint32_t order, TileIndex idxA, TileIndex idxB,
                      HuResult& result);

// A kind in each of a meld's four tile words, and the meld of template `w`
// (kMeldWords' by Taken::meld) at the kind in `k` written to `meld`: the
// wildcards it spent are charged to the counters as `order` spends them after
// the `before` spent by the melds taken before it; a and b hold the jokers'
// kinds, negated.
#if defined(__SSE2__)
using KindWords = __m128i;
inline KindWords KindWordsOf(int32_t k) {
    return _mm_set1_epi32(k);
}
#else
using KindWords = int32_t;
inline KindWords KindWordsOf(int32_t k) {
    return k;
}
#endif
[[gnu::always_inline]] inline void WriteMeld(MeldRecord* meld, const MeldWords& w, KindWords k,
                                             int before, uint32_t order, KindWords a, KindWords b) {
#if defined(__SSE2__)
    auto load = [](const int32_t* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    };
    auto aligned = [](const int32_t* p) {
        return _mm_load_si128(reinterpret_cast<const __m128i*>(p));
    };
    // The kinds' words are the same whichever counters the wildcards come
    // from; most melds spend none.
    __m128i tiles = _mm_and_si128(_mm_add_epi32(k, aligned(w.offset)), aligned(w.kind));
    if (w.jokers != 0) {
        const MeldJokers& j = w.jokerWords[order >> before & 3];
        tiles = _mm_or_si128(tiles, _mm_or_si128(_mm_and_si128(a, load(j.jokerA)),
                                                 _mm_and_si128(b, load(j.jokerB))));
    }
    // Two stores: the type with the first three tile words, then the last
    // two with the spare words.
    static_assert(sizeof(MeldRecord) == 28 && offsetof(MeldRecord, tiles) == 4);
    auto* bytes = reinterpret_cast<unsigned char*>(meld);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes),
                     _mm_or_si128(_mm_slli_si128(tiles, 4), _mm_cvtsi32_si128(w.type)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + 12), _mm_srli_si128(tiles, 8));
#else
    const MeldJokers& j = w.jokerWords[order >> before & 3];
    meld->type = w.type;
    for (int p = 0; p < 4; ++p)
        meld->tiles[size_t(p)] =
            ((k + w.offset[p]) & w.kind[p]) | (a & j.jokerA[p]) | (b & j.jokerB[p]);
    meld->spare = {0, 0};
#endif
}

// The melds taken from the from-th to the n-th (the wildcards of those
// before spent `before` of `order`'s), in the order taken, each at its place
// from the back of the record, the last taken at `end`'s first. The loads
// need not wait for the count, which the decomposition knows last.
[[gnu::always_inline]] inline void WriteMelds(const Taken* taken, int from, int n, int before,
                                              uint32_t order, TileIndex idxA, TileIndex idxB,
                                              MeldRecord* end) {
    const KindWords a = KindWordsOf(int32_t(0u - uint32_t(idxA)));
    const KindWords b = KindWordsOf(int32_t(0u - uint32_t(idxB)));
    for (const Taken* t = taken + from; t != taken + n; ++t) {
        const MeldWords& w = kMeldWords[size_t(t->meld)];
        WriteMeld(--end, w, KindWordsOf(t->k), before, order, a, b);
        before += w.jokers;
    }
}

}  // namespace rules::detail
