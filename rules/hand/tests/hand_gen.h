#pragma once
// Hand generators shared by the tests and the benchmarks: random hands drawn
// from a wall, and hands built from random melds (winners by construction).

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "rules/hand/hand_count.h"

namespace rules::testing {

// The 34 ordinary kinds (suits then honours).
inline const std::array<int, 34>& OrdinaryKinds() {
    static const std::array<int, 34> kinds = [] {
        std::array<int, 34> k{};
        int n = 0;
        for (int s = 0; s < 3; ++s) {
            for (int r = 1; r <= 9; ++r)
                k[size_t(n++)] = s * 10 + r;
        }
        for (int h = 31; h <= 37; ++h)
            k[size_t(n++)] = h;
        return k;
    }();
    return kinds;
}

// `tiles` tiles drawn without replacement from four copies of the kinds
// (honours only when `honours`).
inline TileCountArray RandomCounts(std::mt19937& rng, int tiles, bool honours) {
    std::vector<int> wall;
    for (int k : OrdinaryKinds()) {
        if (k > 30 && !honours) continue;
        for (int i = 0; i < 4; ++i)
            wall.push_back(k);
    }
    std::shuffle(wall.begin(), wall.end(), rng);
    TileCountArray c{};
    for (int i = 0; i < tiles && i < int(wall.size()); ++i)
        ++c[size_t(wall[size_t(i)])];
    return c;
}

// Melds and a pair of random kinds (kept within four copies); then up to
// `jokers` of the hand's tiles are turned into wildcards.
struct BuiltHand {
    TileCountArray counts{};
    int jokers = 0;
};

inline BuiltHand ConstructedHand(std::mt19937& rng, int melds, bool pair, int jokers,
                                 bool honours) {
    BuiltHand h;
    std::vector<int> kinds;
    auto fits = [&](std::initializer_list<int> ks) {
        TileCountArray c = h.counts;
        for (int k : ks) {
            if (++c[size_t(k)] > 4) return false;
        }
        h.counts = c;
        for (int k : ks)
            kinds.push_back(k);
        return true;
    };
    const auto& all = OrdinaryKinds();
    const int kindCount = honours ? 34 : 27;
    int made = 0;
    for (int tries = 0; made < melds && tries < 200; ++tries) {
        int k = all[size_t(rng() % unsigned(kindCount))];
        bool chow = k < 30 && k % 10 <= 7 && rng() % 2 == 0;
        if (chow ? fits({k, k + 1, k + 2}) : fits({k, k, k})) ++made;
    }
    for (int tries = 0; pair && tries < 200; ++tries) {
        int k = all[size_t(rng() % unsigned(kindCount))];
        if (fits({k, k})) break;
    }
    std::shuffle(kinds.begin(), kinds.end(), rng);
    for (int i = 0; i < jokers && i < int(kinds.size()); ++i) {
        --h.counts[size_t(kinds[size_t(i)])];
        ++h.jokers;
    }
    return h;
}

}  // namespace rules::testing
