// The decomposition as a walk: from the lowest kind left, the first move in
// the search's order whose rest can still complete is the move the search
// keeps, so with an exact test of the rest the walk never backtracks. Here
// the test is a mask operation (group_value.h): before the walk, each group is
// given the wildcard counts (spent so far, and whether a pair was taken) with
// which the groups after it can still complete the hand.
//
// For at most 15 wildcards, and kinds from 30 up only as lone kinds (no
// honour chows among the tiles); the general search does the rest.

#include <bit>

#include "rules/decompose.h"
#include "rules/group_tables.h"

namespace rules::detail {
namespace {

// One meld as the walk took it.
struct Taken {
    int8_t type, k, jokers, place;
};

struct Walker {
    explicit Walker(bool pairTakenBefore) : pairTaken(pairTakenBefore) {}
    bool pairTaken;  // before the walk
    uint64_t context = 0;
    int used = 0;   // wildcards spent
    int pairs = 0;  // pairs taken by the walk
    int n = 0;
    Taken taken[kMaxMelds];

    bool PairFree() const { return !pairTaken && pairs == 0; }

    // Takes the meld when the group's rest after it can still complete.
    bool Take(const GroupMask& rest, int jokers, int pair, Taken meld) {
        const int shift = used + jokers + kMaskPair * (pairs + pair);
        if (n == kMaxMelds || ((rest.bits << shift) & context) == 0) return false;
        used += jokers;
        pairs += pair;
        taken[n++] = meld;
        return true;
    }
};

// A suit: the base-5 code and the counts packed three bits a rank.
bool WalkSuit(Walker& w, int32_t code, uint64_t packed, int base) {
    while (packed) {
        const int r = std::countr_zero(packed) / 3;
        const int count = int(packed >> (3 * r) & 7);
        const int32_t p = kPow5[r];
        const uint64_t one = uint64_t(1) << (3 * r);
        auto take = [&](int32_t codeTaken, uint64_t packedTaken, int jokers, int pair, int type,
                        int place) {
            const Taken meld{int8_t(type), int8_t(base + r), int8_t(jokers), int8_t(place)};
            if (!w.Take(SuitMask(code - codeTaken), jokers, pair, meld)) return false;
            code -= codeTaken;
            packed -= packedTaken;
            return true;
        };
        if (count == 4 && take(4 * p, 4 * one, 0, 0, kMeldKong, kNoJokerPlace)) continue;
        if (count >= 3 && take(3 * p, 3 * one, 0, 0, kMeldPung, kNoJokerPlace)) continue;
        if (count >= 2 && take(2 * p, 2 * one, 1, 0, kMeldPung, kNoJokerPlace)) continue;
        if (take(p, one, 2, 0, kMeldPung, kNoJokerPlace)) continue;
        if (w.PairFree()) {
            if (count >= 2 && take(2 * p, 2 * one, 0, 1, kMeldPair, kNoJokerPlace)) continue;
            if (take(p, one, 1, 1, kMeldPair, kNoJokerPlace)) continue;
        }
        const int rank = r + 1;
        const bool next = rank <= 8 && (packed >> (3 * r + 3) & 7) != 0;
        const bool after = rank <= 7 && (packed >> (3 * r + 6) & 7) != 0;
        if (next && after && take(31 * p, one * 0x49, 0, 0, kMeldChow, kNoJokerPlace)) continue;
        if (next && take(6 * p, one * 0x9, 1, 0, kMeldChow, 2)) continue;
        if (after && take(26 * p, one * 0x41, 1, 0, kMeldChow, 1)) continue;
        return false;  // cannot happen: the walk only enters rests that complete
    }
    return true;
}

bool WalkLone(Walker& w, int count, int k) {
    while (count) {
        auto take = [&](int tiles, int jokers, int pair, int type) {
            const Taken meld{int8_t(type), int8_t(k), int8_t(jokers), int8_t(kNoJokerPlace)};
            if (!w.Take(kSingleMask[count - tiles], jokers, pair, meld)) return false;
            count -= tiles;
            return true;
        };
        if (count == 4 && take(4, 0, 0, kMeldKong)) continue;
        if (count >= 3 && take(3, 0, 0, kMeldPung)) continue;
        if (count >= 2 && take(2, 1, 0, kMeldPung)) continue;
        if (take(1, 2, 0, kMeldPung)) continue;
        if (w.PairFree()) {
            if (count >= 2 && take(2, 0, 1, kMeldPair)) continue;
            if (take(1, 1, 1, kMeldPair)) continue;
        }
        return false;
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

int32_t DecomposeByWalk(const TileCountArray& counts, int32_t nA, int32_t nB, TileIndex idxA,
                        TileIndex idxB, bool pairTaken, bool acceptOnly, HuResult& result) {
    struct Group {
        int32_t code;     // a suit's code, or a lone kind's count
        uint64_t packed;  // a suit's counts, three bits a rank
        int base;         // the suit's first kind, or the lone kind
        const GroupMask* mask;
    };
    Group groups[3 + kCountSlots - 30];
    int count = 0;
    for (int base = 1; base < 30; base += 10) {
        int32_t code = 0;
        uint64_t packed = 0;
        for (int r = 0; r < 9; ++r) {
            const int32_t c = counts[size_t(base + r)];
            code += c * kPow5[r];
            packed |= uint64_t(c) << (3 * r);
        }
        if (code) groups[count++] = {code, packed, base, &SuitMask(code)};
    }
    for (int k = 30; k < kCountSlots; ++k) {
        const int32_t c = counts[size_t(k)];
        if (c) groups[count++] = {c, 0, k, &kSingleMask[c]};
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
    Walker w(pairTaken);
    for (int g = 0; g < count; ++g) {
        const Group& group = groups[g];
        w.context = context[g];
        const bool ok = group.base < 30 ? WalkSuit(w, group.code, group.packed, group.base)
                                        : WalkLone(w, group.code, group.base);
        if (!ok) return 0;
    }
    Record(w, nA, nB, idxA, idxB, result);
    return 8;
}

}  // namespace rules::detail
