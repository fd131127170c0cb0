// The decomposition as a walk: from the lowest kind left, the first move in
// the search's order whose rest can still complete is the move the search
// keeps, so with an exact test of the rest the walk never backtracks. Here
// the test is a mask operation (group_value.h): before the walk, each group is
// given the wildcard counts (spent so far, and whether a pair was taken) with
// which the groups after it can still complete the hand.
//
// For at most 15 wildcards, and kinds from 30 up only as lone kinds (no
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
    // No move: its wildcards land past every count, so it never fits.
    {0, 0, 16, 0, 0, 0, {}}};
constexpr uint8_t kNoMove = std::size(kMoves) - 1;

// The moves worth testing, by the state of the lowest kind: its count (1-4),
// whether the next two kinds are held, whether the pair is free, and the
// wildcards left (0, 1, 2 or more); each list ends with the no-move.
constexpr int StateOf(int count, bool next, bool after, bool pairFree, int jokers) {
    return (count - 1) | next << 2 | after << 3 | pairFree << 4 | (jokers < 2 ? jokers : 2) << 5;
}
constexpr auto kMoveLists = [] {
    std::array<std::array<uint8_t, kNoMove + 1>, 128> lists{};
    for (int state = 0; state < 128; ++state) {
        const int count = (state & 3) + 1, jokers = state >> 5;
        const bool next = state >> 2 & 1, after = state >> 3 & 1, pairFree = state >> 4 & 1;
        int n = 0;
        for (int i = 0; i < kNoMove; ++i) {
            const Move& m = kMoves[i];
            const int take[3] = {m.nibbles & 0xF, m.nibbles >> 4 & 0xF, m.nibbles >> 8};
            if (count < take[0] || next < take[1] || after < take[2] || (m.pair && !pairFree) ||
                jokers < m.jokers)
                continue;
            lists[size_t(state)][size_t(n++)] = uint8_t(i);
        }
        lists[size_t(state)][size_t(n)] = kNoMove;
    }
    return lists;
}();

// One meld as the walk took it.
struct Taken {
    uint8_t move;
    uint8_t k;
};

struct Walker {
    Walker(int32_t allJokers, bool pairTakenBefore)
        : jokers(allJokers), pairTaken(pairTakenBefore) {}
    int32_t jokers;
    bool pairTaken;        // before the walk
    uint64_t context = 0;  // what the groups after this one leave to complete
    int shift = 0;         // wildcards spent, plus 32 once the walk took the pair
    int n = 0;
    Taken taken[kMaxMelds];

    // The first move from kind k (count c, the next kinds held or not) whose
    // rest can still complete; rest(m) is the group's mask after it.
    template <typename Rest>
    const Move* Step(int c, bool next, bool after, int k, Rest rest) {
        const bool pairFree = !pairTaken && shift < kMaskPair;
        const auto& list =
            kMoveLists[size_t(StateOf(c, next, after, pairFree, jokers - shift % kMaskPair))];
        for (const uint8_t* i = list.data();; ++i) {
            const Move& m = kMoves[*i];
            // The no-move ends the list; it cannot be reached, as the walk only
            // enters rests that complete, and 24 tiles make at most 8 melds.
            if (*i == kNoMove || n == kMaxMelds) return nullptr;
            if (((rest(m).bits << (shift + m.shift)) & context) == 0) continue;
            shift += m.shift;
            taken[n++] = {*i, uint8_t(k)};
            return &m;
        }
    }
};

// A suit from its first kind: the walk's steps until it is empty. At rank r
// every rest has the lower ranks empty, and is looked up by code / 5^r.
bool WalkSuit(Walker& w, int base, int32_t code, uint64_t nibbles) {
    int r = std::countr_zero(nibbles) >> 2;
    uint32_t x = uint32_t(code) * kInverse5[r];
    while (nibbles) {
        const int lowest = std::countr_zero(nibbles) >> 2;
        x *= kInverse5[lowest - r];
        r = lowest;
        const unsigned char* forms = kSuitFormByRank + kRankOffset[r];
        const uint32_t window = uint32_t(nibbles >> (4 * r));
        auto rest = [&](const Move& m) -> const GroupMask& {
            return kSuitFormMask[forms[x - m.weight]];
        };
        const Move* m =
            w.Step(window & 0xF, (window & 0xF0) != 0, (window & 0xF00) != 0, base + r, rest);
        if (!m) return false;
        x -= m->weight;
        nibbles -= uint64_t(m->nibbles) << (4 * r);
    }
    return true;
}

bool WalkLone(Walker& w, int k, int32_t count) {
    while (count) {
        auto rest = [&](const Move& m) -> const GroupMask& {
            return kSingleMask[count - m.weight];
        };
        const Move* m = w.Step(count, false, false, k, rest);
        if (!m) return false;
        count -= m->weight;
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

// Spends one wildcard as the search does: the smaller non-zero counter,
// ties to A. Returns 1 when it was B's.
int TakeOne(int32_t& a, int32_t& b) {
    const bool fromB = b > 0 && (a <= 0 || b < a);
    a -= !fromB && a > 0;
    b -= fromB;
    return fromB;
}

// The melds as the search records them: each charged with the wildcards it
// spent (in the order taken), then the wildcards left as pungs and a pair;
// recorded from the last taken to the first. A meld's first wildcard place
// shows A when it spent one of A's, its second A only when it spent two.
void Record(const Walker& w, int32_t nA, int32_t nB, TileIndex idxA, TileIndex idxB,
            HuResult& result) {
    int32_t fromA[kMaxMelds];
    for (int i = 0; i < w.n; ++i) {
        const int jokers = kMoves[w.taken[i].move].jokers;
        int a = 0;
        for (int j = 0; j < jokers; ++j)
            a += 1 - TakeOne(nA, nB);
        fromA[i] = a;
    }
    int32_t extraType[kMaxMelds], extraA[kMaxMelds], extraB[kMaxMelds], savedA, savedB;
    int extras = 0;
    for (int32_t left = SumJokers(nA, nB); left > 0 && extras < kMaxMelds;
         left = SumJokers(nA, nB)) {
        extraType[extras] = left >= 3 ? kMeldPung : kMeldPair;
        TakeJokers(&savedA, &savedB, &nA, &nB, left >= 3 ? 3 : 2);
        extraA[extras] = savedA - nA;
        extraB[extras++] = savedB - nB;
    }
    for (int i = extras - 1; i >= 0; --i)
        AddMeldEx(result, extraType[i], extraA[i], extraB[i], idxA, idxB);
    const int32_t jokerA = int32_t(0u - uint32_t(idxA)), jokerB = int32_t(0u - uint32_t(idxB));
    for (int i = w.n - 1; i >= 0; --i) {
        if (result.meldCount < 0 || result.meldCount >= kMaxMelds) return;
        const MeldWords& words = kMeldWords[w.taken[i].move];
        MeldRecord& meld = result.melds[size_t(result.meldCount++)];
        meld.type = kMoves[w.taken[i].move].type;
        WriteTiles(meld, words, w.taken[i].k, fromA[i] > 0 ? jokerA : jokerB,
                   fromA[i] > 1 ? jokerA : jokerB);
        meld.spare = {0, 0};
    }
}

}  // namespace

bool WalkApplies(const TileCountArray& counts, int32_t jokers, RuleOptions options) {
    if (jokers > kMaskMaxJokers) return false;
    if (!(options & kOptHonourChows)) return true;
    int32_t honours = 0;
    for (int k = 31; k <= 37; ++k)
        honours |= counts[size_t(k)];
    return honours == 0;
}

int32_t DecomposeByWalk(const TileCountArray& counts, const HandSummary& hand, int32_t nA,
                        int32_t nB, TileIndex idxA, TileIndex idxB, bool pairTaken, bool acceptOnly,
                        HuResult& result) {
    struct Group {
        int base;      // a suit's first kind, or a lone kind
        int32_t code;  // a suit's code, or a lone kind's count
        const GroupMask* mask;
    };
    Group groups[3 + kCountSlots - 30];
    int count = 0;
    const uint64_t present = hand.masks.present;
    for (int s = 0; s < 3; ++s) {
        if (!(present >> (10 * s + 1) & 0x1FF)) continue;
        const int32_t code = hand.SuitCode(s);
        groups[count++] = {10 * s + 1, code, &SuitMask(code)};
    }
    for (uint64_t lone = present >> 30 << 30; lone; lone &= lone - 1) {
        const int k = std::countr_zero(lone);
        groups[count++] = {k, counts[size_t(k)], &kSingleMask[counts[size_t(k)]]};
    }
    // Whether the hand completes at all: the groups summed up.
    const uint64_t final = FinalMask(nA + nB, pairTaken);
    uint64_t sum = kMaskNoTiles;
    for (int g = 0; g < count; ++g)
        sum = AddGroup(sum, *groups[g].mask);
    if ((sum & final) == 0) return 0;
    if (acceptOnly) return 8;
    // context[g]: what the groups after g leave to complete.
    uint64_t context[std::size(groups)];
    if (count > 0) context[count - 1] = final;
    for (int g = count - 1; g > 0; --g)
        context[g - 1] = BeforeGroup(context[g], *groups[g].mask);
    Walker w(nA + nB, pairTaken);
    for (int g = 0; g < count; ++g) {
        const Group& group = groups[g];
        w.context = context[g];
        const bool ok = group.base < 30
                            ? WalkSuit(w, group.base, group.code, hand.SuitNibbles(group.base / 10))
                            : WalkLone(w, group.base, group.code);
        if (!ok) return 0;
    }
    Record(w, nA, nB, idxA, idxB, result);
    return 8;
}

}  // namespace rules::detail
