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

#include "rules/hand/decompose.h"
#include "rules/hand/decompose_moves.h"
#include "rules/hand/group_tables.h"
#include "rules/hand/hand_summary.h"

namespace rules::detail {
namespace {

// A candidate move: the tiles it takes (as nibbles, and as a base-5 number,
// which for a lone kind is its count taken), its number and the shift it
// adds to a mask.
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
            if (!MoveFits(m, count, next, after, pairFree, jokers)) continue;
            lists[size_t(state)][size_t(n++)] = {m.nibbles, uint8_t(i), m.weight, m.shift};
        }
        lists[size_t(state)][size_t(n)] = {0, kNoMove, 0, 0};
    }
    return lists;
}();
// The part of the state that the lowest kind and the next two give, by
// their nibbles.
constexpr auto kStateOfWindow = [] {
    std::array<uint8_t, 4096> states{};
    for (int w = 0; w < 4096; ++w) {
        const int count = w & 0xF;
        if (count >= 1 && count <= 4)
            states[size_t(w)] = uint8_t(StateOf(count, w & 0xF0, w & 0xF00, false, 0));
    }
    return states;
}();

// The walk so far: the context the groups after the current one leave to
// complete, the wildcards left and whether the pair is free (as the part of
// the state they give), the wildcards spent (plus 32 once the pair is
// taken), and the melds.
struct Walker {
    Walker(int32_t jokers, bool pairTaken) : left(jokers), pairFree(!pairTaken) {}
    int32_t left;
    bool pairFree;
    uint64_t context = 0;
    int shift = 0;
    int n = 0;
    Taken taken[kMaxMelds];

    // The first move from kind k, in the given state of the kinds from k,
    // whose rest can still complete, taken; restBits(candidate) is the
    // group's mask after the candidate's move. Null when none fits (the walk only
    // enters rests that complete, so only a full record stops it).
    template <typename RestBits>
    const Candidate* Step(int kinds, int k, RestBits restBits) {
        const Candidate* c =
            kCandidates[size_t(kinds | StateOf(1, false, false, pairFree, left))].data();
        for (;; ++c) {
            if (c->move == kNoMove) return nullptr;
            if ((restBits(*c) << (shift + c->shift)) & context) break;
        }
        if (n == kMaxMelds) return nullptr;
        taken[n++] = {TakenMeld(c->move, 0), uint8_t(k)};
        shift += c->shift;
        left -= c->shift & (kMaskPair - 1);
        pairFree = pairFree && c->shift < kMaskPair;
        return c;
    }
};

// The suit code's weights from each rank, with none past the ninth (where a
// move takes nothing).
constexpr int32_t kWeightFrom[11] = {kSuitWeight[0], kSuitWeight[1], kSuitWeight[2],
                                     kSuitWeight[3], kSuitWeight[4], kSuitWeight[5],
                                     kSuitWeight[6], kSuitWeight[7], kSuitWeight[8]};

// A suit: the walk's steps until it is empty, from the lowest rank held.
bool WalkSuit(Walker& w, int base, int32_t code, uint64_t nibbles) {
    while (nibbles) {
        const int r = std::countr_zero(nibbles) >> 2;
        const int32_t* weight = kWeightFrom + r;
        // What a move takes off the code: its tiles of the three ranks from r.
        auto taken = [weight](const Candidate& c) {
            return (c.nibbles & 0xF) * weight[0] + (c.nibbles >> 4 & 0xF) * weight[1] +
                   (c.nibbles >> 8 & 0xF) * weight[2];
        };
        const uint32_t window = uint32_t(nibbles >> (4 * r));
        const Candidate* c =
            w.Step(kStateOfWindow[window & 0xFFF], base + r, [&](const Candidate& m) {
                return kSuitFormMask[SuitForm(code - taken(m))].bits;
            });
        if (!c) return false;
        code -= taken(*c);
        nibbles -= uint64_t(c->nibbles) << (4 * r);
    }
    return true;
}

bool WalkLone(Walker& w, int k, int32_t count) {
    while (count) {
        const Candidate* c = w.Step(StateOf(count, false, false, false, 0), k,
                                    [&](const Candidate& m) { return kSingleMask[count - m.weight].bits; });
        if (!c) return false;
        count -= c->weight;
    }
    return true;
}

}  // namespace

bool HandCompletes(const TileCountArray& counts, const HandSummary& hand, int32_t jokers,
                   bool pairTaken) {
    const uint64_t present = hand.masks.present;
    uint64_t sum = kMaskNoTiles;
    for (int s = 0; s < 3; ++s) {
        if (present >> (10 * s + 1) & 0x1FF) sum = AddGroup(sum, SuitMask(hand.SuitCode(s)));
    }
    for (uint64_t lone = present >> 30 << 30; lone; lone &= lone - 1)
        sum = AddGroup(sum, kSingleMask[counts[size_t(std::countr_zero(lone))]]);
    return (sum & FinalMask(jokers, pairTaken)) != 0;
}

int32_t DecomposeByWalk(const TileCountArray& counts, const HandSummary& hand, int32_t nA,
                        int32_t nB, TileIndex idxA, TileIndex idxB, bool pairTaken,
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
    RecordMelds(w.taken, w.n, w.shift % kMaskPair, nA, nB, idxA, idxB, result);
    return 8;
}

}  // namespace rules::detail
