#include "rules/hand/tests/reference_search.h"

#include <bit>
#include <unordered_map>
#include <vector>

#include "rules/hand/hu.h"

namespace rules::testing {
namespace {

struct Plain {
    TileCountArray c;
    TileIndex idxA, idxB;
    bool honourChows;
    HuResult& result;

    int32_t Rec(int32_t nA, int32_t nB, int32_t pairTaken, int depth) {
        int32_t sum = 0;
        for (int k = 1; k < kCountSlots; ++k)
            sum += c[size_t(k)];
        int32_t jokers = SumJokers(nA, nB);
        int32_t sA, sB;
        if (sum == 0) {
            if (jokers == 0) return 8;
            if (depth >= kMaxMelds) return 0;
            if (jokers >= 3) {
                TakeJokers(&sA, &sB, &nA, &nB, 3);
                if (Rec(nA, nB, pairTaken, depth + 1)) {
                    AddMeldEx(result, kMeldPung, sA - nA, sB - nB, idxA, idxB);
                    return 8;
                }
                RestoreJokers(sA, sB, &nA, &nB);
            }
            if (!pairTaken && jokers >= 2) {
                TakeJokers(&sA, &sB, &nA, &nB, 2);
                if (Rec(nA, nB, 1, depth + 1)) {
                    AddMeldEx(result, kMeldPair, sA - nA, sB - nB, idxA, idxB);
                    return 8;
                }
                RestoreJokers(sA, sB, &nA, &nB);
            }
            return 0;
        }
        if (depth >= kMaxMelds) return 0;
        int k = 1;
        while (c[size_t(k)] == 0)
            ++k;
        int32_t& n = c[size_t(k)];
        // One step: take tiles and jokers, recurse, undo; record on success.
        auto step = [&](std::initializer_list<int> kinds, int32_t jokersTaken, int32_t pair,
                        int32_t type, TileIndex first, int32_t place, int32_t gap) {
            TakeJokers(&sA, &sB, &nA, &nB, jokersTaken);
            for (int kind : kinds)
                --c[size_t(kind)];
            int32_t ok = Rec(nA, nB, pairTaken | pair, depth + 1);
            for (int kind : kinds)
                ++c[size_t(kind)];
            int32_t usedA = sA - nA, usedB = sB - nB;
            RestoreJokers(sA, sB, &nA, &nB);
            if (ok) AddMeld(result, type, first, usedA, usedB, idxA, idxB, place, gap);
            return ok != 0;
        };
        if (n == 4 && step({k, k, k, k}, 0, 0, kMeldKong, k, -1, 0)) return 8;
        if (n >= 3 && step({k, k, k}, 0, 0, kMeldPung, k, -1, 0)) return 8;
        if (n >= 2 && jokers >= 1 && step({k, k}, 1, 0, kMeldPung, k, -1, 0)) return 8;
        if (n >= 1 && jokers >= 2 && step({k}, 2, 0, kMeldPung, k, -1, 0)) return 8;
        if (!pairTaken) {
            if (n >= 2 && step({k, k}, 0, 1, kMeldPair, k, -1, 0)) return 8;
            if (n >= 1 && jokers >= 1 && step({k}, 1, 1, kMeldPair, k, -1, 0)) return 8;
        }
        auto has = [&](int kind) { return c[size_t(kind)] != 0; };
        if (k < 30) {
            int r = k % 10;
            if (r != 8 && r != 9 && has(k + 1) && has(k + 2) &&
                step({k, k + 1, k + 2}, 0, 0, kMeldChow, k, -1, 0))
                return 8;
            if (r != 9 && has(k + 1) && jokers >= 1 && step({k, k + 1}, 1, 0, kMeldChow, k, 2, 0))
                return 8;
            if (r != 8 && r != 9 && has(k + 2) && jokers >= 1 &&
                step({k, k + 2}, 1, 0, kMeldChow, k, 1, 0))
                return 8;
            return 0;
        }
        if (!honourChows) return 0;
        if (has(31) && has(32) && has(33) && step({31, 32, 33}, 0, 0, kMeldChow, 31, -1, 0))
            return 8;
        if (has(31) && has(32) && has(34) && step({31, 32, 34}, 0, 0, kMeldChow, 31, -1, 2))
            return 8;
        if (has(32) && has(33) && has(34) && step({32, 33, 34}, 0, 0, kMeldChow, 32, -1, 0))
            return 8;
        if (has(31) && has(33) && has(34) && step({31, 33, 34}, 0, 0, kMeldChow, 31, -1, 1))
            return 8;
        if (has(35) && has(36) && has(37) && step({35, 36, 37}, 0, 0, kMeldChow, 35, -1, 0))
            return 8;
        if (jokers < 1) return 0;
        if (has(31) && has(32) && step({31, 32}, 1, 0, kMeldChow, 31, 2, 0)) return 8;
        if (has(31) && has(33) && step({31, 33}, 1, 0, kMeldChow, 31, 1, 0)) return 8;
        if (has(31) && has(34) && step({31, 34}, 1, 0, kMeldChow, 31, 1, 2)) return 8;
        if (has(32) && has(33) && step({32, 33}, 1, 0, kMeldChow, 32, 2, 0)) return 8;
        if (has(32) && has(34) && step({32, 34}, 1, 0, kMeldChow, 32, 1, 0)) return 8;
        if (has(33) && has(34) && step({33, 34}, 1, 0, kMeldChow, 33, 0, 0)) return 8;
        if (has(35) && has(36) && step({35, 36}, 1, 0, kMeldChow, 35, 2, 0)) return 8;
        if (has(35) && has(37) && step({35, 37}, 1, 0, kMeldChow, 35, 1, 0)) return 8;
        if (has(36) && has(37) && step({36, 37}, 1, 0, kMeldChow, 36, 0, 0)) return 8;
        return 0;
    }
};

// --- Oracle ------------------------------------------------------------------

// A meld template over the kinds of one group: tiles taken per kind, jokers.
struct Template {
    std::vector<int> kinds;  // local kind numbers, repeats allowed
    int jokers;
    bool pair;
};

std::vector<Template> SameKindTemplates(int i) {
    return {{{i, i, i, i}, 0, false}, {{i, i, i}, 0, false}, {{i, i}, 1, false},
            {{i}, 2, false},          {{i, i}, 0, true},     {{i}, 1, true}};
}

// Melds of a group of n kinds: suits have runs, honour groups any distinct
// kinds when honour chows are on.
std::vector<Template> GroupTemplates(int n, bool suit, bool groupChows) {
    std::vector<Template> t;
    for (int i = 0; i < n; ++i) {
        auto same = SameKindTemplates(i);
        t.insert(t.end(), same.begin(), same.end());
    }
    if (suit) {
        for (int s = 0; s + 2 < n; ++s) {
            int run[3] = {s, s + 1, s + 2};
            t.push_back({{run[0], run[1], run[2]}, 0, false});
            for (int hole = 0; hole < 3; ++hole) {
                std::vector<int> kinds;
                for (int j = 0; j < 3; ++j) {
                    if (j != hole) kinds.push_back(run[j]);
                }
                t.push_back({kinds, 1, false});
            }
        }
    } else if (groupChows) {
        for (int a = 0; a < n; ++a) {
            for (int b = a + 1; b < n; ++b) {
                t.push_back({{a, b}, 1, false});
                for (int c = b + 1; c < n; ++c)
                    t.push_back({{a, b, c}, 0, false});
            }
        }
    }
    return t;
}

// Achievable wildcard counts (bit u) without and with the pair.
struct Sets {
    uint64_t none = 0, pair = 0;
};

class GroupOracle {
  public:
    GroupOracle(int n, bool suit, bool groupChows)
        : n_(n), templates_(GroupTemplates(n, suit, groupChows)) {}

    // counts: n digits, each 0-4, of consecutive slots.
    Sets Of(const int32_t* counts) {
        uint32_t key = 0;
        for (int i = n_ - 1; i >= 0; --i)
            key = key * 5 + uint32_t(counts[i]);
        return OfKey(key);
    }

  private:
    Sets OfKey(uint32_t key) {
        if (key == 0) return {1, 0};
        auto it = memo_.find(key);
        if (it != memo_.end()) return it->second;
        std::vector<int> c(static_cast<size_t>(n_));
        for (int i = 0, k = int(key); i < n_; ++i, k /= 5)
            c[size_t(i)] = k % 5;
        Sets s;
        for (const Template& t : templates_) {
            std::vector<int> left = c;
            bool fits = true;
            for (int kind : t.kinds)
                fits = fits && --left[size_t(kind)] >= 0;
            if (!fits) continue;
            uint32_t sub = 0;
            for (int i = n_ - 1; i >= 0; --i)
                sub = sub * 5 + uint32_t(left[size_t(i)]);
            Sets r = OfKey(sub);
            if (t.pair) {
                s.pair |= r.none << t.jokers;
            } else {
                s.none |= r.none << t.jokers;
                s.pair |= r.pair << t.jokers;
            }
        }
        memo_.emplace(key, s);
        return s;
    }

    int n_;
    std::vector<Template> templates_;
    std::unordered_map<uint32_t, Sets> memo_;
};

uint64_t Convolve(uint64_t a, uint64_t b) {
    uint64_t r = 0;
    for (; a; a &= a - 1)
        r |= b << std::countr_zero(a);
    return r;
}

}  // namespace

int32_t PlainDecompose(const TileCountArray& counts, int32_t nA, int32_t nB, TileIndex idxA,
                       TileIndex idxB, TileIndex, RuleOptions options, uint32_t, HuResult& result,
                       int32_t pairTaken) {
    if (!HandCountsValid(counts)) return 0;
    if (nA < 0 || nB < 0) nA = nB = 0;
    int64_t tiles = 0;
    for (int32_t v : counts)
        tiles += v;
    if (tiles + SumJokers(nA, nB) > kMaxDecomposedTiles) return 0;
    Plain p{counts, idxA, idxB, (options & kOptHonourChows) != 0, result};
    return p.Rec(nA, nB, pairTaken != 0, 0);
}

bool OracleAccepts(const TileCountArray& counts, int32_t jokers, bool pairTaken, bool honourChows) {
    if (!HandCountsValid(counts)) return false;
    static GroupOracle suit(9, true, false), winds(4, false, true), dragons(3, false, true),
        single(1, false, false);
    Sets total{1, 0};
    auto add = [&](const Sets& g) {
        if (g.none == 1 && g.pair == 0) return;  // an empty group
        total = {Convolve(total.none, g.none),
                 Convolve(total.none, g.pair) | Convolve(total.pair, g.none)};
    };
    for (int s = 0; s < 3; ++s)
        add(suit.Of(&counts[size_t(s * 10 + 1)]));
    for (int k = 30; k < kCountSlots; ++k) {
        if (honourChows && k >= 31 && k <= 37) continue;
        if (counts[size_t(k)]) add(single.Of(&counts[size_t(k)]));
    }
    if (honourChows) {
        add(winds.Of(&counts[31]));
        add(dragons.Of(&counts[35]));
    }
    for (int used = 0; used <= jokers && used < 64; ++used) {
        int left = jokers - used;
        if ((total.none >> used & 1) && (left % 3 == 0 || (!pairTaken && left % 3 == 2)))
            return true;
        if (!pairTaken && (total.pair >> used & 1) && left % 3 == 0) return true;
    }
    return false;
}

int32_t StepwiseWildHu(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                       RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode) {
    if ((options & kOptNoHuRestricted1) && (mode & kModeRestricted1)) return 0;
    if ((options & kOptNoHuRestricted4) && (mode & kModeRestricted4)) return 0;
    TileCountArray c = counts;
    TileIndex win = 0;
    int32_t nB = 0;
    if (!(options & kOptJokers)) {
        ExtractJokers(c, tile, jokerA, jokerB, &win, options, 0, &nB);
        return CheckHuShapes(c, 0, 0, -1, -1, win, options, allowed, result, mode);
    }
    // A joker won on in a restricted mode does not win as a wildcard.
    if ((mode & (kModeRestricted1 | kModeRestricted4)) &&
        IsJokerTile(tile, jokerA, jokerB, options))
        return 0;
    const int32_t nA = ExtractJokers(c, tile, jokerA, jokerB, &win, options, 0, &nB);
    return CheckHuShapes(c, nA, nB, jokerA, jokerB, win, options, allowed, result, mode);
}

ScopedPlainSearch::ScopedPlainSearch()
    : previous_(detail::SetDecomposeForTesting(PlainDecompose)),
      shortcut_(detail::SetWinningShortcutForTesting(false)) {}

ScopedPlainSearch::~ScopedPlainSearch() {
    detail::SetDecomposeForTesting(previous_);
    detail::SetWinningShortcutForTesting(shortcut_);
}

}  // namespace rules::testing
