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

#include "rules/decompose.h"
#include "rules/group_tables.h"

namespace rules::detail {
namespace {

// One meld as the walk took it.
struct Taken {
    int8_t type, k, jokers, place;
};

// The moves from the lowest kind k, in the search's order: tiles taken of k,
// k + 1 and k + 2, wildcards spent, whether it is the pair.
struct Move {
    int8_t take[3];
    int8_t jokers;
    int8_t pair;
    int8_t type;
    int8_t place;
    int8_t weight;  // the tiles taken as a base-5 number
};
constexpr Move kMoves[] = {{{4, 0, 0}, 0, 0, kMeldKong, kNoJokerPlace, 4},
                           {{3, 0, 0}, 0, 0, kMeldPung, kNoJokerPlace, 3},
                           {{2, 0, 0}, 1, 0, kMeldPung, kNoJokerPlace, 2},
                           {{1, 0, 0}, 2, 0, kMeldPung, kNoJokerPlace, 1},
                           {{2, 0, 0}, 0, 1, kMeldPair, kNoJokerPlace, 2},
                           {{1, 0, 0}, 1, 1, kMeldPair, kNoJokerPlace, 1},
                           {{1, 1, 1}, 0, 0, kMeldChow, kNoJokerPlace, 31},
                           {{1, 1, 0}, 1, 0, kMeldChow, 2, 6},
                           {{1, 0, 1}, 1, 0, kMeldChow, 1, 26}};

// The moves worth testing, by the state of the lowest kind: its count (1-4),
// whether the next two kinds are held, whether the pair is free, and the
// wildcards left (0, 1, 2 or more).
struct MoveList {
    int8_t n;
    int8_t moves[std::size(kMoves)];
};
constexpr int StateOf(int count, bool next, bool after, bool pairFree, int jokers) {
    return ((((count - 1) * 2 + next) * 2 + after) * 2 + pairFree) * 3 + (jokers < 2 ? jokers : 2);
}
constexpr auto kMoveLists = [] {
    std::array<MoveList, 4 * 2 * 2 * 2 * 3> lists{};
    for (int count = 1; count <= 4; ++count) {
        for (int state = 0; state < 24; ++state) {
            const bool next = state / 12, after = state / 6 % 2, pairFree = state / 3 % 2;
            const int jokers = state % 3;
            MoveList& list = lists[size_t(StateOf(count, next, after, pairFree, jokers))];
            for (int i = 0; i < int(std::size(kMoves)); ++i) {
                const Move& m = kMoves[i];
                if (count < m.take[0] || next < m.take[1] || after < m.take[2] ||
                    (m.pair && !pairFree) || jokers < m.jokers)
                    continue;
                list.moves[size_t(list.n++)] = int8_t(i);
            }
        }
    }
    return lists;
}();

struct Walker {
    explicit Walker(int32_t allJokers, bool pairTakenBefore)
        : jokers(allJokers), pairTaken(pairTakenBefore) {}
    int32_t jokers;
    bool pairTaken;  // before the walk
    uint64_t context = 0;
    int used = 0;   // wildcards spent
    int pairs = 0;  // pairs taken by the walk
    int n = 0;
    Taken taken[kMaxMelds];

    // The first move from kind k (count c[0], the next kinds c[1] and c[2])
    // whose rest can still complete; rest(m) is the group's mask after it.
    template <typename Rest>
    const Move* Step(const int32_t* c, int k, Rest rest) {
        const bool pairFree = !pairTaken && pairs == 0;
        const MoveList& list =
            kMoveLists[size_t(StateOf(c[0], c[1] != 0, c[2] != 0, pairFree, jokers - used))];
        for (int i = 0; i < list.n; ++i) {
            const Move& m = kMoves[list.moves[i]];
            const int shift = used + m.jokers + kMaskPair * (pairs + m.pair);
            if (((rest(m).bits << shift) & context) == 0) continue;
            if (n == kMaxMelds) return nullptr;  // cannot happen: 24 tiles make at most 8 melds
            used += m.jokers;
            pairs += m.pair;
            taken[n++] = {m.type, int8_t(k), m.jokers, m.place};
            return &m;
        }
        return nullptr;  // cannot happen: the walk only enters rests that complete
    }
};

// A suit from its first kind, with `held` its kinds (bit r: rank r + 1): the
// walk's steps until it is empty. Its counts are padded with two empty kinds
// past the ninth, so that no chow runs past it.
bool WalkSuit(Walker& w, const TileCountArray& counts, int base, int32_t code, uint32_t held) {
    int32_t c[9 + 2];
    for (int r = 0; r < 9; ++r)
        c[r] = counts[size_t(base + r)];
    c[9] = c[10] = 0;
    while (held) {
        const int r = std::countr_zero(held);
        const int32_t p = kPow5[r];
        auto rest = [&](const Move& m) -> const GroupMask& {
            return SuitMask(code - p * m.weight);
        };
        const Move* m = w.Step(c + r, base + r, rest);
        if (!m) return false;
        code -= p * m->weight;
        c[r] -= m->take[0];
        c[r + 1] -= m->take[1];
        c[r + 2] -= m->take[2];
        held &=
            ~((uint32_t(c[r] == 0) | uint32_t(c[r + 1] == 0) << 1 | uint32_t(c[r + 2] == 0) << 2)
              << r);
    }
    return true;
}

bool WalkLone(Walker& w, int k, int32_t count) {
    while (count) {
        const int32_t c[3] = {count, 0, 0};
        auto rest = [&](const Move& m) -> const GroupMask& {
            return kSingleMask[count - m.take[0]];
        };
        const Move* m = w.Step(c, k, rest);
        if (!m) return false;
        count -= m->take[0];
    }
    return true;
}

// The melds as the search records them: each charged with the wildcards it
// spent (in the order taken), then the wildcards left as pungs and a pair;
// recorded from the last taken to the first.
void Record(const Walker& w, int32_t nA, int32_t nB, TileIndex idxA, TileIndex idxB,
            HuResult& result) {
    int32_t usedA[kMaxMelds], usedB[kMaxMelds], savedA, savedB;
    for (int i = 0; i < w.n; ++i) {
        TakeJokers(&savedA, &savedB, &nA, &nB, w.taken[i].jokers);
        usedA[i] = savedA - nA;
        usedB[i] = savedB - nB;
    }
    int32_t extraType[kMaxMelds], extraA[kMaxMelds], extraB[kMaxMelds];
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
    for (int i = w.n - 1; i >= 0; --i) {
        const Taken& t = w.taken[i];
        AddMeld(result, t.type, t.k, usedA[i], usedB[i], idxA, idxB, t.place, 0);
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

int32_t DecomposeByWalk(const TileCountArray& counts, uint64_t present, int32_t nA, int32_t nB,
                        TileIndex idxA, TileIndex idxB, bool pairTaken, bool acceptOnly,
                        HuResult& result) {
    struct Group {
        int base;      // a suit's first kind, or a lone kind
        int32_t code;  // a suit's code, or a lone kind's count
        const GroupMask* mask;
    };
    Group groups[3 + kCountSlots - 30];
    int count = 0;
    for (int base = 1; base < 30; base += 10) {
        if (!(present >> base & 0x1FF)) continue;
        int32_t code = 0;
        for (int r = 0; r < 9; ++r)
            code += counts[size_t(base + r)] * kPow5[r];
        groups[count++] = {base, code, &SuitMask(code)};
    }
    for (uint64_t lone = present >> 30 << 30; lone; lone &= lone - 1) {
        const int k = std::countr_zero(lone);
        groups[count++] = {k, counts[size_t(k)], &kSingleMask[counts[size_t(k)]]};
    }
    // context[g]: what the groups after g leave to complete.
    uint64_t context[std::size(groups)];
    uint64_t after = FinalMask(nA + nB, pairTaken);
    for (int g = count - 1; g >= 0; --g) {
        context[g] = after;
        after = BeforeGroup(after, *groups[g].mask);
    }
    if ((after & kMaskNoTiles) == 0) return 0;
    if (acceptOnly) return 8;
    Walker w(nA + nB, pairTaken);
    for (int g = 0; g < count; ++g) {
        const Group& group = groups[g];
        w.context = context[g];
        const bool ok = group.base < 30 ? WalkSuit(w, counts, group.base, group.code,
                                                   uint32_t(present >> group.base) & 0x1FF)
                                        : WalkLone(w, group.base, group.code);
        if (!ok) return 0;
    }
    Record(w, nA, nB, idxA, idxB, result);
    return 8;
}

}  // namespace rules::detail
