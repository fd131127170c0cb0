// Winning-hand tests: ns per hand for random 17-tile hands with 0-4 jokers,
// for hands built to win, and for the slowest hands an adversarial search
// finds; the guided search against the plain reference search.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <vector>

#include "rules/hu.h"
#include "rules/tests/hand_gen.h"

// The plain reference search of the unit tests.
#include "rules/tests/reference_search.cpp"

namespace {

using namespace rules;

// Joker A is 五万 (id 4), joker B 三条 (id 38) when a hand has two kinds.
constexpr TileId kJokerA = 4, kJokerB = 38;
constexpr RuleOptions kClientOptions = 0x80022011;
constexpr uint32_t kAllowed = 22;

struct Case {
    TileCountArray hand;      // 16 tiles, jokers among them
    TileId tile;              // the 17th
    TileCountArray withTile;  // for CheckHuShapes: winning tile in, jokers out
    int32_t nA = 0, nB = 0;
    TileIndex winKind = 0;
};

TileId IdOf(TileIndex kind, int copy) {
    if (kind < 30) return (kind / 10) * 36 + copy * 9 + kind % 10 - 1;
    return 108 + copy * 7 + kind - 31;
}

// Puts `jokers` joker tiles into a hand of kinds and picks its winning tile.
Case MakeCase(std::mt19937& rng, TileCountArray counts, int jokers) {
    Case c;
    std::vector<TileIndex> kinds;
    for (int k = 1; k < kCountSlots; ++k) {
        for (int i = 0; i < counts[size_t(k)]; ++i)
            kinds.push_back(k);
    }
    std::shuffle(kinds.begin(), kinds.end(), rng);
    c.hand = {};
    for (size_t i = 0; i + 1 < kinds.size(); ++i)
        ++c.hand[size_t(kinds[i])];
    // Jokers replace hand tiles (the joker kinds are 5 and 13).
    for (int j = 0; j < jokers; ++j) {
        for (int k = 1; k < kCountSlots; ++k) {
            TileIndex jk = j % 2 ? 13 : 5;
            if (k != jk && c.hand[size_t(k)] > 0 && c.hand[size_t(jk)] < 4) {
                --c.hand[size_t(k)];
                ++c.hand[size_t(jk)];
                break;
            }
        }
    }
    c.tile = IdOf(kinds.back(), 3);
    c.withTile = c.hand;
    c.nA =
        ExtractJokers(c.withTile, c.tile, kJokerA, kJokerB, &c.winKind, kClientOptions, 0, &c.nB);
    return c;
}

std::vector<Case> RandomCases(int n, bool honours) {
    std::mt19937 rng(1234 + honours);
    std::vector<Case> cases;
    for (int i = 0; i < n; ++i)
        cases.push_back(MakeCase(rng, testing::RandomCounts(rng, 17, honours), i % 5));
    return cases;
}

std::vector<Case> WinningCases(int n) {
    std::mt19937 rng(99);
    std::vector<Case> cases;
    while (int(cases.size()) < n) {
        auto h = testing::ConstructedHand(rng, 5, true, 0, false);
        int tiles = 0;
        for (int v : h.counts)
            tiles += v;
        if (tiles != 17) continue;
        cases.push_back(MakeCase(rng, h.counts, int(cases.size() % 5)));
    }
    return cases;
}

int32_t RunIsWinning(const Case& c) {
    HuResult r;
    return IsWinningHand(c.hand, c.tile, kJokerA, kJokerB, kClientOptions, kAllowed, r, 2, 0);
}

int32_t RunShapes(const Case& c) {
    HuResult r;
    return CheckHuShapes(c.withTile, c.nA, c.nB, kJokerA, kJokerB, c.winKind, kClientOptions,
                         kAllowed, r, 0);
}

// Mean ns of one call on one case, the best of a few rounds.
template <typename Fn>
double TimeOne(const Case& c, Fn fn, int reps) {
    double best = 1e30;
    for (int round = 0; round < 3; ++round) {
        auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < reps; ++i)
            benchmark::DoNotOptimize(fn(c));
        auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::nano>(t1 - t0).count() / reps);
    }
    return best;
}

// A local search for slow hands: mutate one tile or the joker count and keep
// what is slower.
std::vector<Case> AdversarialCases(int keep) {
    std::mt19937 rng(7);
    std::vector<std::pair<double, Case>> found;
    for (int start = 0; start < 12; ++start) {
        auto h = testing::ConstructedHand(rng, 5, true, 0, start % 2 == 0);
        TileCountArray counts = h.counts;
        int jokers = 1 + start % 4;
        Case best = MakeCase(rng, counts, jokers);
        double bestTime = TimeOne(best, RunIsWinning, 20);
        for (int step = 0; step < 250; ++step) {
            TileCountArray next = counts;
            std::vector<TileIndex> present;
            for (int k = 1; k < kCountSlots; ++k) {
                if (next[size_t(k)]) present.push_back(k);
            }
            TileIndex from = present[rng() % present.size()];
            TileIndex to = testing::OrdinaryKinds()[rng() % 27];
            if (next[size_t(to)] >= 4) continue;
            --next[size_t(from)];
            ++next[size_t(to)];
            int j = std::clamp(jokers + int(rng() % 3) - 1, 0, 4);
            std::mt19937 copy = rng;
            Case c = MakeCase(copy, next, j);
            double t = TimeOne(c, RunIsWinning, 20);
            if (t > bestTime) {
                bestTime = t, best = c, counts = next, jokers = j;
            }
        }
        found.emplace_back(bestTime, best);
    }
    std::sort(found.begin(), found.end(), [](auto& a, auto& b) { return a.first > b.first; });
    std::vector<Case> cases;
    for (int i = 0; i < keep && i < int(found.size()); ++i)
        cases.push_back(found[size_t(i)].second);
    return cases;
}

const std::vector<Case>& Set(int which) {
    static const std::vector<Case> sets[4] = {RandomCases(1024, true), RandomCases(1024, false),
                                              WinningCases(1024), AdversarialCases(8)};
    return sets[which];
}

const char* const kSetNames[] = {"random", "random_suited", "winners", "adversarial"};

// Reports mean, median and worst ns per hand over the set.
template <typename Fn>
void Measure(benchmark::State& state, Fn fn) {
    const auto& cases = Set(int(state.range(0)));
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(fn(cases[i]));
        if (++i == cases.size()) i = 0;
    }
    std::vector<double> each;
    for (const Case& c : cases)
        each.push_back(TimeOne(c, fn, 20));
    std::sort(each.begin(), each.end());
    state.counters["median_ns"] = each[each.size() / 2];
    state.counters["worst_ns"] = each.back();
    state.SetLabel(kSetNames[state.range(0)]);
}

void InstallClientHooks(int which) {
    // The suited sets run with the default hooks so honours do not end the test early.
    if (which == 1) {
        ResetTileHooks();
    } else {
        InstallTileHooks(TableTileHooks());
    }
}

void BM_IsWinningHand(benchmark::State& state) {
    InstallClientHooks(int(state.range(0)));
    Measure(state, RunIsWinning);
}

void BM_CheckHuShapes(benchmark::State& state) {
    InstallClientHooks(int(state.range(0)));
    Measure(state, RunShapes);
}

void BM_IsWinningHandPlainSearch(benchmark::State& state) {
    InstallClientHooks(int(state.range(0)));
    testing::ScopedPlainSearch plain;
    Measure(state, RunIsWinning);
}

void BM_CheckHuShapesPlainSearch(benchmark::State& state) {
    InstallClientHooks(int(state.range(0)));
    testing::ScopedPlainSearch plain;
    Measure(state, RunShapes);
}

BENCHMARK(BM_IsWinningHand)->DenseRange(0, 3);
BENCHMARK(BM_CheckHuShapes)->DenseRange(0, 3);
BENCHMARK(BM_IsWinningHandPlainSearch)->DenseRange(0, 3);
BENCHMARK(BM_CheckHuShapesPlainSearch)->DenseRange(0, 3);

}  // namespace

BENCHMARK_MAIN();
