// The decomposition as a walk: from the lowest kind left, the first move in
// the search's order whose rest can still complete is the move the search
// keeps, so with an exact test of the rest the walk never backtracks. Here
// the test is a mask operation (group_value.h): before the walk, each group is
// given the wildcard counts (spent so far, and whether a pair was taken) with
// which the groups after it can still complete the hand.
//
// For at most 13 wildcards, and kinds from 30 up only as lone kinds (no
// honour chows among the tiles); the general search does the rest.

#include <array>
#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "rules/decompose.h"
#include "rules/group_tables.h"
#include "rules/hand_summary.h"

namespace rules::detail {
namespace {

// The moves from the lowest kind k, by number in the search's order: the
// tiles taken of k, k + 1 and k + 2 (as nibbles, and as a base-5 number),
// the wildcards spent and whether it is the pair (as the shift they add to a
// mask), and how the meld is written: its tile words as k, k + 1, k + 2, the
// first or second wildcard's kind, or nothing.
struct Move {
    uint16_t nibbles;
    uint8_t weight;
    uint8_t shift;
    uint8_t jokers;
    uint8_t pair;
    int8_t type;
    uint8_t words[4];
};
enum : uint8_t { kK0, kK1, kK2, kJoker1 = 4, kJoker2, kNothing };
constexpr Move kMoves[] = {
    {0x004, 4, 0, 0, 0, kMeldKong, {kK0, kK0, kK0, kK0}},
    {0x003, 3, 0, 0, 0, kMeldPung, {kK0, kK0, kK0, kNothing}},
    {0x002, 2, 1, 1, 0, kMeldPung, {kK0, kK0, kJoker1, kNothing}},
    {0x001, 1, 2, 2, 0, kMeldPung, {kK0, kJoker1, kJoker2, kNothing}},
    {0x002, 2, kMaskPair, 0, 1, kMeldPair, {kK0, kK0, kNothing, kNothing}},
    {0x001, 1, kMaskPair + 1, 1, 1, kMeldPair, {kK0, kJoker1, kNothing, kNothing}},
    {0x111, 31, 0, 0, 0, kMeldChow, {kK0, kK1, kK2, kNothing}},
    {0x011, 6, 1, 1, 0, kMeldChow, {kK0, kK1, kJoker1, kNothing}},
    {0x101, 26, 1, 1, 0, kMeldChow, {kK0, kJoker1, kK2, kNothing}},
    {0, 0, 0, 0, 0, 0, {}}};  // no move: ends a list of candidates
constexpr uint8_t kNoMove = std::size(kMoves) - 1;

// The walk takes at most this many wildcards: a rest's mask then stays
// within its half after the shift of the wildcards spent before it, so the
// test of a move needs no check of the wildcards left (a move that spends
// more than are left lands past every count of the context).
constexpr int32_t kWalkMaxJokers = kMaskMaxJokers - 2;

// A candidate move: the tiles it takes (as nibbles), its number, the weight
// it takes off the suit's code at the kind's rank and the shift it adds to a
// mask.
struct Candidate {
    uint16_t nibbles;
    uint8_t move;
    uint8_t weight;
    uint8_t shift;
};

// The moves worth testing, by the state of the lowest kind: its count (1-4),
// whether the next two kinds are held, whether the pair is free and the
// wildcards left (0, 1, 2 or more); each list ends with the no-move. (Moves
// that spend more wildcards than are left would fail their test anyway;
// leaving them out saves the test.)
constexpr int StateOf(int count, bool next, bool after, bool pairFree, int jokers) {
    return (count - 1) | next << 2 | after << 3 | pairFree << 4 | (jokers < 2 ? jokers : 2) << 5;
}
constexpr auto kCandidates = [] {
    std::array<std::array<Candidate, kNoMove + 1>, 96> lists{};
    for (int state = 0; state < 96; ++state) {
        const int count = (state & 3) + 1, jokers = state >> 5;
        const bool next = state >> 2 & 1, after = state >> 3 & 1, pairFree = state >> 4 & 1;
        int n = 0;
        for (int i = 0; i < kNoMove; ++i) {
            const Move& m = kMoves[i];
            const int take[3] = {m.nibbles & 0xF, m.nibbles >> 4 & 0xF, m.nibbles >> 8};
            if (count < take[0] || next < take[1] || after < take[2] || (m.pair && !pairFree) ||
                jokers < m.jokers)
                continue;
            lists[size_t(state)][size_t(n++)] = {m.nibbles, uint8_t(i), m.weight, m.shift};
        }
        lists[size_t(state)][size_t(n)] = {0, kNoMove, 0, 0};
    }
    return lists;
}();

// One meld as the walk took it.
struct Taken {
    uint8_t move;
    uint8_t k;
};

// The walk so far: the context the groups after the current one leave to
// complete, the wildcards spent (plus 32 once the pair is taken), the melds.
struct Walker {
    Walker(int32_t allJokers, bool pairTakenBefore)
        : jokers(allJokers), pairTaken(pairTakenBefore) {}
    int32_t jokers;
    bool pairTaken;  // before the walk
    uint64_t context = 0;
    int shift = 0;
    int n = 0;
    Taken taken[kMaxMelds];

    // The first move from kind k (count c, the next kinds held or not) whose
    // rest can still complete, taken; restBits(weight) is the group's mask
    // after a move of that weight. Null when none fits (the walk only enters
    // rests that complete, so only a full record stops it).
    template <typename RestBits>
    const Candidate* Step(int c0, bool next, bool after, int k, RestBits restBits) {
        const bool pairFree = !pairTaken && shift < kMaskPair;
        const Candidate* c =
            kCandidates[size_t(StateOf(c0, next, after, pairFree, jokers - shift % kMaskPair))]
                .data();
        for (;; ++c) {
            if (c->move == kNoMove) return nullptr;
            if ((restBits(c->weight) << (shift + c->shift)) & context) break;
        }
        if (n == kMaxMelds) return nullptr;
        taken[n++] = {c->move, uint8_t(k)};
        shift += c->shift;
        return c;
    }
};

// A suit: the walk's steps until it is empty. At rank r every rest has the
// lower ranks empty, and is looked up by code / 5^r.
bool WalkSuit(Walker& w, int base, int32_t code, uint64_t nibbles) {
    int r = 0;
    uint32_t x = uint32_t(code);
    while (nibbles) {
        const int lowest = std::countr_zero(nibbles) >> 2;
        x *= kInverse5[lowest - r];
        r = lowest;
        const unsigned char* forms = kSuitFormByRank + kRankOffset[r];
        const uint32_t window = uint32_t(nibbles >> (4 * r));
        const Candidate* c =
            w.Step(int(window & 0xF), (window & 0xF0) != 0, (window & 0xF00) != 0, base + r,
                   [&](int weight) { return kSuitFormMask[forms[x - uint32_t(weight)]].bits; });
        if (!c) return false;
        x -= c->weight;
        nibbles -= uint64_t(c->nibbles) << (4 * r);
    }
    return true;
}

bool WalkLone(Walker& w, int k, int32_t count) {
    while (count) {
        const Candidate* c = w.Step(count, false, false, k,
                                    [&](int weight) { return kSingleMask[count - weight].bits; });
        if (!c) return false;
        count -= c->weight;
    }
    return true;
}

// A move's four tile words as masks: where the kind goes (plus an offset),
// where the first and the second wildcard go; the rest stay 0.
struct MeldWords {
    int32_t offset[4];
    int32_t kind[4];
    int32_t joker1[4];
    int32_t joker2[4];
};
constexpr auto kMeldWords = [] {
    std::array<MeldWords, std::size(kMoves)> all{};
    for (size_t i = 0; i < all.size(); ++i) {
        for (int j = 0; j < 4; ++j) {
            const uint8_t w = kMoves[i].words[j];
            all[i].offset[j] = w <= kK2 ? w : 0;
            all[i].kind[j] = w <= kK2 ? -1 : 0;
            all[i].joker1[j] = w == kJoker1 ? -1 : 0;
            all[i].joker2[j] = w == kJoker2 ? -1 : 0;
        }
    }
    return all;
}();

void WriteTiles(MeldRecord& meld, const MeldWords& words, int32_t k, int32_t joker1,
                int32_t joker2) {
#if defined(__SSE2__)
    auto load = [](const int32_t* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    };
    const __m128i kinds = _mm_add_epi32(_mm_set1_epi32(k), load(words.offset));
    const __m128i tiles =
        _mm_or_si128(_mm_and_si128(kinds, load(words.kind)),
                     _mm_or_si128(_mm_and_si128(_mm_set1_epi32(joker1), load(words.joker1)),
                                  _mm_and_si128(_mm_set1_epi32(joker2), load(words.joker2))));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(meld.tiles.data()), tiles);
#else
    for (int j = 0; j < 4; ++j) {
        meld.tiles[size_t(j)] = ((k + words.offset[j]) & words.kind[j]) |
                                (joker1 & words.joker1[j]) | (joker2 & words.joker2[j]);
    }
#endif
}

// The order in which the search spends wildcards from counters a and b (the
// smaller non-zero counter first, ties to A): bit i set when the i-th
// wildcard spent is one of B's.
constexpr auto kSpendOrder = [] {
    std::array<std::array<uint16_t, kWalkMaxJokers + 1>, kWalkMaxJokers + 1> order{};
    for (int a0 = 0; a0 <= kWalkMaxJokers; ++a0) {
        for (int b0 = 0; a0 + b0 <= kWalkMaxJokers; ++b0) {
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

// The melds as the search records them: each charged with the wildcards it
// spent (in the order taken), then the wildcards left as pungs and a pair;
// recorded from the last taken to the first. A meld's first wildcard place
// shows A when it spent one of A's, its second A only when it spent two.
void Record(const Walker& w, int32_t nA, int32_t nB, TileIndex idxA, TileIndex idxB,
            HuResult& result) {
    const uint32_t order = kSpendOrder[size_t(nA)][size_t(nB)];
    const int spent = w.shift % kMaskPair;
    int32_t left = nA + nB - spent;
    if (left > 0) {
        // The wildcards left: their counters after the walk's spending.
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
    // The wildcards spent before each meld, and from its first and second.
    int before[kMaxMelds];
    for (int i = 0, s = 0; i < w.n; ++i) {
        before[i] = s;
        s += kMoves[w.taken[i].move].jokers;
    }
    for (int i = w.n - 1; i >= 0; --i) {
        if (result.meldCount < 0 || result.meldCount >= kMaxMelds) return;
        const Move& m = kMoves[w.taken[i].move];
        MeldRecord& meld = result.melds[size_t(result.meldCount++)];
        meld.type = m.type;
        const uint32_t bits = order >> before[i];
        // Its first place shows A unless both its wildcards were B's.
        const bool firstB = m.jokers == 2 ? (bits & 3) == 3 : (bits & 1) != 0;
        const bool secondB = (bits & 3) != 0;
        WriteTiles(meld, kMeldWords[w.taken[i].move], w.taken[i].k, firstB ? jokerB : jokerA,
                   secondB ? jokerB : jokerA);
        meld.spare = {0, 0};
    }
}

}  // namespace

bool WalkApplies(const TileCountArray& counts, int32_t jokers, RuleOptions options) {
    if (jokers > kWalkMaxJokers) return false;
    if (!(options & kOptHonourChows)) return true;
    int32_t honours = 0;
    for (int k = 31; k <= 37; ++k)
        honours |= counts[size_t(k)];
    return honours == 0;
}

int32_t DecomposeByWalk(const TileCountArray& counts, const HandSummary& hand, int32_t nA,
                        int32_t nB, TileIndex idxA, TileIndex idxB, bool pairTaken, bool acceptOnly,
                        HuResult& result) {
    const uint64_t present = hand.masks.present;
    // The groups: the suits, then each lone kind.
    uint32_t codes[3] = {0, 0, 0};
    const GroupMask* masks[3 + kCountSlots - 30];
    int suits[3], count = 0;
    for (int s = 0; s < 3; ++s) {
        if (!(present >> (10 * s + 1) & 0x1FF)) continue;
        codes[s] = uint32_t(hand.SuitCode(s));
        suits[count] = s;
        masks[count++] = &SuitMask(int32_t(codes[s]));
    }
    const int suitGroups = count;
    int lone[kCountSlots - 30];
    for (uint64_t bits = present >> 30 << 30; bits; bits &= bits - 1) {
        const int k = std::countr_zero(bits);
        lone[count - suitGroups] = k;
        masks[count++] = &kSingleMask[counts[size_t(k)]];
    }
    // Whether the hand completes at all: the groups summed up.
    const uint64_t final = FinalMask(nA + nB, pairTaken);
    uint64_t sum = kMaskNoTiles;
    for (int g = 0; g < count; ++g)
        sum = AddGroup(sum, *masks[g]);
    if ((sum & final) == 0) return 0;
    if (acceptOnly) return 8;
    // context[g]: what the groups after g leave to complete.
    uint64_t context[std::size(masks)];
    if (count > 0) context[count - 1] = final;
    for (int g = count - 1; g > 0; --g)
        context[g - 1] = BeforeGroup(context[g], *masks[g]);
    Walker w(nA + nB, pairTaken);
    for (int g = 0; g < count; ++g) {
        w.context = context[g];
        const bool ok = g < suitGroups ? WalkSuit(w, 10 * suits[g] + 1, int32_t(codes[suits[g]]),
                                                  hand.SuitNibbles(suits[g]))
                                       : WalkLone(w, lone[g - suitGroups],
                                                  counts[size_t(lone[g - suitGroups])]);
        if (!ok) return 0;
    }
    Record(w, nA, nB, idxA, idxB, result);
    return 8;
}

}  // namespace rules::detail
