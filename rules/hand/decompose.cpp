#include "rules/hand/decompose.h"

#include <algorithm>
#include <utility>

#include "rules/hand/group_tables.h"
#include "rules/hand/hand_summary.h"

namespace rules {

detail::DecomposeFn detail::g_decompose = DecomposeHand;
constinit thread_local bool detail::t_acceptOnly = false;

namespace {

using detail::Combine;
using detail::Completes;
using detail::GroupValue;
using detail::kEmptyValue;
using detail::kInf;
using detail::kSuitWeight;
using detail::SuitValue;

// Kinds 30 and up: winds and dragons (as groups with honour chows, else one
// by one) and every other slot as a lone kind.
GroupValue HonourValue(const TileCountArray& c, bool honourChows) {
    GroupValue v = kEmptyValue;
    int32_t any = 0;
    for (int k = 30; k < kCountSlots; ++k)
        any |= c[size_t(k)];
    if (any == 0) return v;  // the common case: suited tiles only
    for (int k = 30; k < kCountSlots; ++k) {
        if (honourChows && k >= 31 && k <= 37) continue;
        if (c[size_t(k)]) v = Combine(v, detail::kSingleValue[size_t(c[size_t(k)])]);
    }
    if (honourChows) {
        int32_t w = c[31] + 5 * c[32] + 25 * c[33] + 125 * c[34];
        int32_t d = c[35] + 5 * c[36] + 25 * c[37];
        if (w) v = Combine(v, detail::kWindValue[size_t(w)]);
        if (d) v = Combine(v, detail::kDragonValue[size_t(d)]);
    }
    return v;
}

// --- The guided search ------------------------------------------------------

// Whether `jokers` wildcards complete the groups of `rest` together with one
// more group `g` (the one a move changed); the residue arithmetic of Combine
// and Completes, done only for the residues asked about.
bool CompletesWith(const GroupValue& rest, const GroupValue& g, int32_t jokers, bool pairTaken) {
    auto best = [&](int pr, int pg, int r) {
        int m = kInf;
        for (int i = 0; i < 3; ++i)
            m = std::min(m, rest.m[pr][i] + g.m[pg][(r - i + 3) % 3]);
        return m;
    };
    const int r = jokers % 3;
    if (jokers >= best(0, 0, r)) return true;
    if (pairTaken) return false;
    if (jokers >= best(0, 1, r) || jokers >= best(1, 0, r)) return true;
    return jokers >= 2 && jokers - 2 >= best(0, 0, (jokers - 2) % 3);
}

struct Search {
    TileCountArray c;
    int32_t codes[3];
    int32_t tiles;
    bool honourChows;
    TileIndex idxA, idxB;
    HuResult& result;
    // The groups after g, combined. The search works through the groups in
    // order and moves change only the group of the lowest kind left, so the
    // groups before g are empty and those after it as they were at the start.
    GroupValue suffix[4];

    static int GroupOf(int k) { return k < 30 ? k / 10 : 3; }

    GroupValue Recompute(int g) const {
        return g < 3 ? SuitValue(codes[g]) : HonourValue(c, honourChows);
    }
    void Change(int k, int delta) {
        c[size_t(k)] += delta;
        tiles += delta;
        if (k < 30) codes[k / 10] += delta * kSuitWeight[k % 10 - 1];
    }
};

struct MeldMove {
    int8_t kinds[4];
    int8_t n;       // tiles taken: kinds[0..n-1], with repeats
    int8_t jokers;  // wildcards spent
    int8_t pair;    // 1: the meld is the pair
    int8_t type;
    int8_t k;
    int8_t jokerPlace;
    int8_t gapPlace;
};

int32_t Run(Search& s, int32_t nA, int32_t nB, int32_t pairTaken, int depth, int from);

// Takes the move; when what is left can still complete, recurses (which then
// succeeds) and records the meld after the deeper ones. All kinds of a move
// lie in group g; `others` combines the remaining groups.
bool TryMove(Search& s, const MeldMove& m, int g, const GroupValue& others, int32_t nA, int32_t nB,
             int32_t pairTaken, int depth, int from) {
    int32_t savedA, savedB;
    if (TakeJokers(&savedA, &savedB, &nA, &nB, m.jokers) != m.jokers) return false;
    const bool pairNow = pairTaken || m.pair;
    // Most moves leave a rest that cannot complete: a suit's new value comes
    // from its code alone, so such a move is refused before the hand changes.
    if (g < 3) {
        int32_t code = s.codes[g];
        for (int i = 0; i < m.n; ++i)
            code -= kSuitWeight[m.kinds[i] % 10 - 1];
        if (!CompletesWith(others, SuitValue(code), SumJokers(nA, nB), pairNow)) return false;
    }
    for (int i = 0; i < m.n; ++i)
        s.Change(m.kinds[i], -1);
    bool ok = (g < 3 || CompletesWith(others, s.Recompute(g), SumJokers(nA, nB), pairNow)) &&
              Run(s, nA, nB, pairNow, depth + 1, from);
    for (int i = 0; i < m.n; ++i)
        s.Change(m.kinds[i], +1);
    if (!ok) return false;
    AddMeld(s.result, m.type, m.k, savedA - nA, savedB - nB, s.idxA, s.idxB, m.jokerPlace,
            m.gapPlace);
    return true;
}

MeldMove Same(int k, int n, int jokers, int type, bool pair) {
    return {{int8_t(k), int8_t(k), int8_t(k), int8_t(k)},
            int8_t(n),
            int8_t(jokers),
            int8_t(pair),
            int8_t(type),
            int8_t(k),
            int8_t(kNoJokerPlace),
            0};
}

MeldMove Chow(std::initializer_list<int> kinds, int jokers, int first, int place, int gap) {
    MeldMove m{{0, 0, 0, 0},  0,          int8_t(jokers), 0, int8_t(kMeldChow), int8_t(first),
               int8_t(place), int8_t(gap)};
    for (int kind : kinds)
        m.kinds[m.n++] = int8_t(kind);
    return m;
}

int32_t Run(Search& s, int32_t nA, int32_t nB, int32_t pairTaken, int depth, int from) {
    int32_t jokers = SumJokers(nA, nB);
    if (s.tiles == 0) {
        if (jokers == 0) return 8;
        if (depth >= kMaxMelds) return 0;
        int32_t savedA, savedB;
        // Wildcards alone: pungs, and the pair when none was taken.
        auto fits = [](int32_t left, bool pair) {
            return left % 3 == 0 || (!pair && left % 3 == 2);
        };
        if (jokers >= 3) {
            TakeJokers(&savedA, &savedB, &nA, &nB, 3);
            if (fits(SumJokers(nA, nB), pairTaken) && Run(s, nA, nB, pairTaken, depth + 1, from)) {
                AddMeldEx(s.result, kMeldPung, savedA - nA, savedB - nB, s.idxA, s.idxB);
                return 8;
            }
            RestoreJokers(savedA, savedB, &nA, &nB);
        }
        if (!pairTaken && jokers >= 2) {
            TakeJokers(&savedA, &savedB, &nA, &nB, 2);
            if (fits(SumJokers(nA, nB), true) && Run(s, nA, nB, 1, depth + 1, from)) {
                AddMeldEx(s.result, kMeldPair, savedA - nA, savedB - nB, s.idxA, s.idxB);
                return 8;
            }
        }
        return 0;
    }
    if (depth >= kMaxMelds) return 0;
    int k = from;
    while (k < kCountSlots && s.c[size_t(k)] == 0)
        ++k;
    if (k >= kCountSlots) return 0;
    const int32_t n = s.c[size_t(k)];
    const int g = Search::GroupOf(k);
    const GroupValue& others = s.suffix[g];
    auto attempt = [&](const MeldMove& m) {
        return TryMove(s, m, g, others, nA, nB, pairTaken, depth, k);
    };

    if (n == 4 && attempt(Same(k, 4, 0, kMeldKong, false))) return 8;
    if (n >= 3 && attempt(Same(k, 3, 0, kMeldPung, false))) return 8;
    if (n >= 2 && jokers >= 1 && attempt(Same(k, 2, 1, kMeldPung, false))) return 8;
    if (jokers >= 2 && attempt(Same(k, 1, 2, kMeldPung, false))) return 8;
    if (!pairTaken) {
        if (n >= 2 && attempt(Same(k, 2, 0, kMeldPair, true))) return 8;
        if (jokers >= 1 && attempt(Same(k, 1, 1, kMeldPair, true))) return 8;
    }
    const auto& c = s.c;
    if (k < 30) {
        int r = k % 10;
        if (r != 8 && r != 9 && c[size_t(k + 1)] && c[size_t(k + 2)] &&
            attempt(Chow({k, k + 1, k + 2}, 0, k, kNoJokerPlace, 0)))
            return 8;
        if (jokers >= 1 && r != 9 && c[size_t(k + 1)] && attempt(Chow({k, k + 1}, 1, k, 2, 0)))
            return 8;
        if (jokers >= 1 && r != 8 && r != 9 && c[size_t(k + 2)] &&
            attempt(Chow({k, k + 2}, 1, k, 1, 0)))
            return 8;
        return 0;
    }
    if (!s.honourChows) return 0;
    struct Combo {
        int8_t a, b, c, place, gap;
    };
    static constexpr Combo kFull[] = {{31, 32, 33, -1, 0},
                                      {31, 32, 34, -1, 2},
                                      {32, 33, 34, -1, 0},
                                      {31, 33, 34, -1, 1},
                                      {35, 36, 37, -1, 0}};
    static constexpr Combo kWithJoker[] = {{31, 32, 0, 2, 0}, {31, 33, 0, 1, 0}, {31, 34, 0, 1, 2},
                                           {32, 33, 0, 2, 0}, {32, 34, 0, 1, 0}, {33, 34, 0, 0, 0},
                                           {35, 36, 0, 2, 0}, {35, 37, 0, 1, 0}, {36, 37, 0, 0, 0}};
    // The combinations are tried whenever their tiles are present; the one
    // taken need not hold k, and the next level then starts from 30 again.
    for (const Combo& m : kFull) {
        if (c[size_t(m.a)] && c[size_t(m.b)] && c[size_t(m.c)] &&
            TryMove(s, Chow({m.a, m.b, m.c}, 0, m.a, m.place, m.gap), g, others, nA, nB, pairTaken,
                    depth, 30))
            return 8;
    }
    if (jokers >= 1) {
        for (const Combo& m : kWithJoker) {
            if (c[size_t(m.a)] && c[size_t(m.b)] &&
                TryMove(s, Chow({m.a, m.b}, 1, m.a, m.place, m.gap), g, others, nA, nB, pairTaken,
                        depth, 30))
                return 8;
        }
    }
    return 0;
}

using detail::g_decompose;
using detail::t_acceptOnly;
using detail::WalkApplies;

// The guided search, for the hands the walk leaves: its exact test at the
// root first, before it copies anything. Out of line, so that the roads the
// walk and the blocks take do not set up its frame.
[[gnu::noinline]] int32_t DecomposeBySearch(const TileCountArray& counts,
                                            const detail::HandSummary& hand, int32_t nA, int32_t nB,
                                            TileIndex idxA, TileIndex idxB, RuleOptions options,
                                            HuResult& result, int32_t pairTaken) {
    const int32_t jokers = SumJokers(nA, nB);
    const bool honourChows = (options & kOptHonourChows) != 0;
    int32_t codes[3];
    GroupValue value[4];
    for (int i = 0; i < 3; ++i) {
        codes[i] = hand.SuitCode(i);
        value[i] = SuitValue(codes[i]);
    }
    value[3] = HonourValue(counts, honourChows);
    GroupValue suffix[4];
    suffix[3] = kEmptyValue;
    for (int g = 2; g >= 0; --g)
        suffix[g] = Combine(value[g + 1], suffix[g + 1]);
    if (!CompletesWith(suffix[0], value[0], jokers, pairTaken != 0)) return 0;
    if (t_acceptOnly) return 8;
    Search s{counts,     {codes[0], codes[1], codes[2]},
             hand.tiles, honourChows,
             idxA,       idxB,
             result,     {suffix[0], suffix[1], suffix[2], suffix[3]}};
    return Run(s, nA, nB, pairTaken != 0, 0, 1);
}

// The decomposition of a summarised hand, inline in both entries that take one.
inline int32_t Decompose(const TileCountArray& counts, const detail::HandSummary& hand, int32_t nA,
                         int32_t nB, TileIndex idxA, TileIndex idxB, RuleOptions options,
                         HuResult& result, int32_t pairTaken) {
    const int32_t jokers = SumJokers(nA, nB);
    if (hand.tiles + int64_t(jokers) > kMaxDecomposedTiles) return 0;
    if (!WalkApplies(hand, jokers, options))
        return DecomposeBySearch(counts, hand, nA, nB, idxA, idxB, options, result, pairTaken);
    if (t_acceptOnly) return detail::HandCompletes(counts, hand, jokers, pairTaken != 0) ? 8 : 0;
    // The blocks test acceptance themselves before they record: a hand needs
    // no separate test.
    return detail::DecomposeByBlocks(counts, hand, nA, nB, idxA, idxB, pairTaken != 0, result);
}

}  // namespace

bool HandCountsValid(const TileCountArray& counts) {
    detail::HandSummary summary;
    return detail::SummariseHand(counts, &summary);
}

namespace detail {

AcceptOnlyScope::AcceptOnlyScope() : previous_(t_acceptOnly) {
    t_acceptOnly = true;
}
AcceptOnlyScope::~AcceptOnlyScope() {
    t_acceptOnly = previous_;
}

DecomposeFn SetDecomposeForTesting(DecomposeFn fn) {
    return std::exchange(g_decompose, fn ? fn : DecomposeHand);
}

int32_t CallDecompose(const TileCountArray& counts, const HandSummary& hand, int32_t nA, int32_t nB,
                      TileIndex idxA, TileIndex idxB, TileIndex winKind, RuleOptions options,
                      uint32_t allowed, HuResult& result, int32_t pairTaken) {
    if (g_decompose == DecomposeHand) {
        return Decompose(counts, hand, nA, nB, idxA, idxB, options, result, pairTaken);
    }
    return g_decompose(counts, nA, nB, idxA, idxB, winKind, options, allowed, result, pairTaken);
}

int32_t DecomposeCounted(const TileCountArray& counts, const HandSummary& hand, int32_t nA,
                         int32_t nB, TileIndex idxA, TileIndex idxB, RuleOptions options,
                         HuResult& result, int32_t pairTaken) {
    return Decompose(counts, hand, nA, nB, idxA, idxB, options, result, pairTaken);
}

}  // namespace detail

int32_t DecomposeHand(const TileCountArray& counts, int32_t nA, int32_t nB, TileIndex idxA,
                      TileIndex idxB, TileIndex, RuleOptions options, uint32_t, HuResult& result,
                      int32_t pairTaken) {
    detail::HandSummary hand;
    if (!detail::SummariseHand(counts, &hand)) return 0;
    if (nA < 0 || nB < 0) nA = nB = 0;  // a negative counter: no jokers at all
    return detail::DecomposeCounted(counts, hand, nA, nB, idxA, idxB, options, result, pairTaken);
}

}  // namespace rules
