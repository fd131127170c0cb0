#pragma once
// Test oracles for the winning-hand search:
//  - PlainDecompose: the decomposition searched step by step as the rules
//    describe it, unguided, with full backtracking (the reference for the
//    recorded melds);
//  - OracleAccepts: acceptance by a memoised enumeration of meld multisets per
//    group of kinds, combined by explicit sets of wildcard counts;
//  - StepwiseWildHu: TryHuWithJokers, for jokers as wildcards only, as the
//    steps it stands for.

#include "rules/hand/decompose.h"

namespace rules::testing {

int32_t PlainDecompose(const TileCountArray& counts, int32_t nA, int32_t nB, TileIndex idxA,
                       TileIndex idxB, TileIndex winKind, RuleOptions options, uint32_t allowed,
                       HuResult& result, int32_t pairTaken);

bool OracleAccepts(const TileCountArray& counts, int32_t jokers, bool pairTaken, bool honourChows);

// TryHuWithJokers for options without jokers as tiles or the substitute (or
// without jokers): the winning tile in and the jokers out of a copy of the
// counts (ExtractJokers), then the shapes on that copy.
int32_t StepwiseWildHu(const TileCountArray& counts, TileId tile, TileId jokerA, TileId jokerB,
                       RuleOptions options, uint32_t allowed, HuResult& result, uint32_t mode);

// Installs the plain search (and turns the combined test's early exit off)
// for the lifetime of the object.
class ScopedPlainSearch {
  public:
    ScopedPlainSearch();
    ~ScopedPlainSearch();
    ScopedPlainSearch(const ScopedPlainSearch&) = delete;
    ScopedPlainSearch& operator=(const ScopedPlainSearch&) = delete;

  private:
    detail::DecomposeFn previous_;
    bool shortcut_;
};

}  // namespace rules::testing

#include <ostream>

namespace rules {
// Readable results in test failures.
inline void PrintTo(const HuResult& r, std::ostream* os) {
    *os << "{shapes " << r.shapes << " waits " << r.waits << " melds";
    for (int i = 0; i < r.meldCount && i < kMaxMelds; ++i) {
        const MeldRecord& m = r.melds[size_t(i)];
        *os << " [" << m.type << ":" << m.tiles[0] << "," << m.tiles[1] << "," << m.tiles[2] << ","
            << m.tiles[3] << "]";
    }
    *os << "}";
}
}  // namespace rules
