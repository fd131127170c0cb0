// The recording of a decomposition's melds, shared by the walk and the
// block tables.

#include <array>
#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "rules/decompose_moves.h"

namespace rules::detail {
namespace {

// A move's meld as a template: its type and wildcards, and its four tile
// words as masks: where the kind goes (plus an offset), where the first and
// the second wildcard go; the rest stay 0.
struct MeldTemplate {
    int32_t offset[4];
    int32_t kind[4];
    int32_t joker1[4];
    int32_t joker2[4];
    int32_t type;
    int32_t jokers;
    int32_t pad[2];
};
constexpr auto kMeldTemplates = [] {
    std::array<MeldTemplate, std::size(kMoves)> all{};
    for (size_t i = 0; i < all.size(); ++i) {
        for (int j = 0; j < 4; ++j) {
            const uint8_t w = kMoves[i].words[j];
            all[i].offset[j] = w <= kK2 ? w : 0;
            all[i].kind[j] = w <= kK2 ? -1 : 0;
            all[i].joker1[j] = w == kJoker1 ? -1 : 0;
            all[i].joker2[j] = w == kJoker2 ? -1 : 0;
        }
        all[i].type = kMoves[i].type;
        all[i].jokers = kMoves[i].jokers;
    }
    return all;
}();

void WriteMeld(MeldRecord& meld, const MeldTemplate& t, int32_t k, int32_t joker1, int32_t joker2) {
    meld.type = t.type;
#if defined(__SSE2__)
    auto load = [](const int32_t* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    };
    const __m128i kinds = _mm_add_epi32(_mm_set1_epi32(k), load(t.offset));
    const __m128i tiles =
        _mm_or_si128(_mm_and_si128(kinds, load(t.kind)),
                     _mm_or_si128(_mm_and_si128(_mm_set1_epi32(joker1), load(t.joker1)),
                                  _mm_and_si128(_mm_set1_epi32(joker2), load(t.joker2))));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(meld.tiles.data()), tiles);
#else
    for (int j = 0; j < 4; ++j) {
        meld.tiles[size_t(j)] =
            ((k + t.offset[j]) & t.kind[j]) | (joker1 & t.joker1[j]) | (joker2 & t.joker2[j]);
    }
#endif
    meld.spare = {0, 0};
}

// The order in which the search spends wildcards from counters a and b (the
// smaller non-zero counter first, ties to A): bit i set when the i-th
// wildcard spent is one of B's.
constexpr auto kSpendOrder = [] {
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

}  // namespace

void RecordMelds(const Taken* taken, int n, int spent, int32_t nA, int32_t nB, TileIndex idxA,
                 TileIndex idxB, HuResult& result) {
    const uint32_t order = kSpendOrder[size_t(nA)][size_t(nB)];
    int32_t left = nA + nB - spent;
    if (left > 0) {
        // The wildcards left: their counters after the melds' spending.
        const int fromB = std::popcount(order & ((1u << spent) - 1));
        int32_t a = nA - (spent - fromB), b = nB - fromB, savedA, savedB;
        int32_t extraType[kMaxMelds], extraA[kMaxMelds], extraB[kMaxMelds];
        int extras = 0;
        for (; left > 0 && extras < kMaxMelds; left = SumJokers(a, b)) {
            extraType[extras] = left >= 3 ? kMeldPung : kMeldPair;
            TakeJokers(&savedA, &savedB, &a, &b, left >= 3 ? 3 : 2);
            extraA[extras] = savedA - a;
            extraB[extras++] = savedB - b;
        }
        for (int i = extras - 1; i >= 0; --i)
            AddMeldEx(result, extraType[i], extraA[i], extraB[i], idxA, idxB);
    }
    const int32_t jokerA = int32_t(0u - uint32_t(idxA)), jokerB = int32_t(0u - uint32_t(idxB));
    // Backwards from the last meld, while the record has room; spent counts
    // the wildcards spent before the meld.
    const int first = result.meldCount;
    if (first < 0 || first >= kMaxMelds) return;
    const int room = kMaxMelds - first;
    MeldRecord* meld = result.melds.data() + first;
    for (int i = n - 1; i >= 0 && i >= n - room; --i, ++meld) {
        const MeldTemplate& t = kMeldTemplates[taken[i].move];
        spent -= t.jokers;
        // Bit 0: its first wildcard is one of B's, bit 1: its second. A
        // meld's first place shows A when it spent one of A's, its second A
        // only when it spent two.
        const uint32_t bits = order >> spent;
        const bool firstB = bits & (t.jokers == 2 ? bits >> 1 : 1) & 1;
        WriteMeld(*meld, t, taken[i].k, firstB ? jokerB : jokerA, bits & 3 ? jokerB : jokerA);
    }
    result.meldCount = first + (n < room ? n : room);
}

}  // namespace rules::detail
