// The winning-hand search against an independent oracle and against the
// plain reference search.

#include <gtest/gtest.h>

#include <random>

#include "rules/hand/decompose.h"
#include "rules/hand/hand_probe.h"
#include "rules/hand/hand_summary.h"
#include "rules/hand/hu.h"
#include "rules/hand/tests/hand_gen.h"
#include "rules/hand/tests/reference_search.h"

namespace rules {
namespace {

using testing::ConstructedHand;
using testing::OracleAccepts;
using testing::PlainDecompose;
using testing::RandomCounts;

// Joker kinds used for recording: two kinds outside the hands' suits do not
// matter to acceptance; 5 and 13 are ordinary choices.
constexpr TileIndex kIdxA = 5, kIdxB = 13;

// Splits `jokers` between the two counters in a way that varies with the hand.
std::pair<int32_t, int32_t> Split(int jokers, unsigned salt) {
    int32_t a = int32_t(salt % unsigned(jokers + 1));
    return {a, jokers - a};
}

// The recorded melds use exactly the hand's tiles and wildcards.
void ExpectPartition(const TileCountArray& counts, int jokers, const HuResult& r) {
    TileCountArray used{};
    int jokerPlaces = 0;
    ASSERT_GE(r.meldCount, 0);
    ASSERT_LE(r.meldCount, kMaxMelds);
    for (int i = 0; i < r.meldCount; ++i) {
        const MeldRecord& m = r.melds[size_t(i)];
        int size = m.type == kMeldPair ? 2 : m.type == kMeldKong ? 4 : 3;
        for (int j = 0; j < 4; ++j) {
            int32_t t = m.tiles[size_t(j)];
            if (j >= size) {
                EXPECT_EQ(t, 0);
            } else if (t < 0) {
                ++jokerPlaces;
                EXPECT_TRUE(t == -kIdxA || t == -kIdxB) << t;
            } else {
                ASSERT_GT(t, 0);
                ASSERT_LT(t, kCountSlots);
                ++used[size_t(t)];
            }
        }
        // With each wildcard read as the kind it stands for, the meld is valid.
        MeldRecord filled = m;
        if (m.type == kMeldChow) {
            // Two real kinds a < b: the wildcard is the kind between them, or
            // the one that completes the run (above, unless b is a 9).
            int real[3], n = 0, place = -1;
            for (int j = 0; j < 3; ++j) {
                if (m.tiles[size_t(j)] > 0) {
                    real[n++] = m.tiles[size_t(j)];
                } else {
                    place = j;
                }
            }
            if (place >= 0 && n == 2) {
                int a = std::min(real[0], real[1]), b = std::max(real[0], real[1]);
                int missing = b == a + 2 ? a + 1 : b % 10 == 9 ? a - 1 : b + 1;
                if (a > 30) {  // honours: any third kind of the group
                    const int lo = a <= 34 ? 31 : 35, hi = a <= 34 ? 34 : 37;
                    for (missing = lo; missing == a || missing == b; ++missing) {
                    }
                    EXPECT_LE(missing, hi);
                }
                filled.tiles[size_t(place)] = missing;
            }
        } else {
            int32_t kind = 0;
            for (int32_t t : m.tiles)
                kind = std::max(kind, t);
            for (int j = 0; j < size; ++j)
                filled.tiles[size_t(j)] = kind > 0 ? kind : kIdxA;
        }
        EXPECT_TRUE(ValidateMeld(filled, -1, -1, kOptHonourChows))
            << "meld " << i << ": " << m.type << " " << m.tiles[0] << " " << m.tiles[1] << " "
            << m.tiles[2] << " " << m.tiles[3];
    }
    EXPECT_EQ(used, counts);
    EXPECT_EQ(jokerPlaces, jokers);
}

// Fast and plain searches agree on the whole result; the oracle on acceptance.
void CheckHand(const TileCountArray& counts, int jokers, bool pairTaken, RuleOptions options,
               unsigned salt) {
    auto [nA, nB] = Split(jokers, salt);
    HuResult fast, plain;
    int32_t f = DecomposeHand(counts, nA, nB, kIdxA, kIdxB, 0, options, 0, fast, pairTaken);
    int32_t p = PlainDecompose(counts, nA, nB, kIdxA, kIdxB, 0, options, 0, plain, pairTaken);
    bool o = OracleAccepts(counts, jokers, pairTaken, options & kOptHonourChows);
    ASSERT_EQ(f, p);
    ASSERT_EQ(f != 0, o);
    ASSERT_EQ(fast, plain);
    if (f) ExpectPartition(counts, jokers, fast);
}

// Every count vector of one suit with at most `maxTiles` tiles.
template <typename Each>
void ForEachSuitHand(int maxTiles, Each each) {
    TileCountArray c{};
    std::array<int, 9> d{};
    for (;;) {
        int sum = 0;
        for (int v : d)
            sum += v;
        if (sum <= maxTiles) {
            for (int r = 0; r < 9; ++r)
                c[size_t(r + 1)] = d[size_t(r)];
            each(c, sum);
        }
        int i = 0;
        while (i < 9 && d[size_t(i)] == 4)
            d[size_t(i++)] = 0;
        if (i == 9) return;
        ++d[size_t(i)];
    }
}

TEST(DecomposeOracleTest, EverySingleSuitHandUpToFourteenTilesAgrees) {
    uint64_t checked = 0, accepted = 0;
    ForEachSuitHand(14, [&](const TileCountArray& c, int tiles) {
        for (int jokers = 0; jokers <= 4 && tiles + jokers <= 14; ++jokers) {
            int32_t nA = jokers / 2, nB = jokers - nA;
            HuResult r;
            bool f = DecomposeHand(c, nA, nB, kIdxA, kIdxB, 0, 0, 0, r, 0) != 0;
            ASSERT_EQ(f, OracleAccepts(c, jokers, false, false)) << tiles << " " << jokers;
            ++checked;
            accepted += f;
        }
    });
    EXPECT_GT(checked, 1000000u);
    EXPECT_GT(accepted, 10000u);
}

TEST(DecomposeOracleTest, SingleSuitSampleMatchesPlainSearchExactly) {
    unsigned n = 0;
    ForEachSuitHand(14, [&](const TileCountArray& c, int tiles) {
        if (++n % 23 != 0) return;
        for (int jokers = 0; jokers <= 4 && tiles + jokers <= 14; ++jokers) {
            CheckHand(c, jokers, n % 3 == 0, 0, n);
        }
    });
}

// The block tables hold every block of up to eleven tiles with up to eight
// wildcards: a sample of each tile count, with every number of wildcards.
TEST(DecomposeOracleTest, BlocksWithUpToEightWildcardsMatchPlainSearch) {
    unsigned n = 0;
    ForEachSuitHand(11, [&](const TileCountArray& c, int tiles) {
        if (++n % 11 != 0) return;
        for (int jokers = 0; jokers <= 8 && tiles + jokers <= 17; ++jokers) {
            CheckHand(c, jokers, n % 3 == 0, 0, n + unsigned(jokers));
            if (HasFailure()) return;
        }
    });
}

// The wildcards no meld spends make pungs and a pair alone, each charged to
// the counters in their order: every split of up to eight, beside a few
// small hands.
TEST(DecomposeOracleTest, WildcardsLeftOverMatchPlainSearch) {
    for (int hand : {0, 2, 111, 1, 3, 1002}) {
        TileCountArray c{};
        for (int k = 1, rest = hand; rest; ++k, rest /= 10)
            c[size_t(k)] = rest % 10;
        for (int jokers = 0; jokers <= 8; ++jokers) {
            for (int a = 0; a <= jokers; ++a) {
                CheckHand(c, jokers, false, 0, unsigned(a));
                CheckHand(c, jokers, true, 0, unsigned(a));
                if (HasFailure()) return;
            }
        }
    }
}

TEST(DecomposeOracleTest, RandomMultiSuitHandsAgree) {
    std::mt19937 rng(20240611);
    for (int i = 0; i < 100000; ++i) {
        int tiles = 1 + int(rng() % 17);
        int jokers = int(rng() % 5);
        RuleOptions options = (i & 1) ? kOptHonourChows : 0;
        TileCountArray c = RandomCounts(rng, tiles, i % 4 != 0);
        CheckHand(c, jokers, i % 5 == 0, options, unsigned(i));
        if (HasFailure()) return;
    }
}

TEST(DecomposeOracleTest, ConstructedHandsAgree) {
    // Both roads of the block walk: with the bit instructions (where the
    // processor has them) and without.
    struct BothRoads {
        ~BothRoads() { detail::SetWideSummaryForTesting(true); }
    } roads;
    std::mt19937 rng(77);
    int accepted = 0;
    for (int i = 0; i < 100000; ++i) {
        detail::SetWideSummaryForTesting(i % 4 < 2);
        auto h = ConstructedHand(rng, int(rng() % 6), rng() % 4 != 0, int(rng() % 5), i % 3 != 0);
        // Now and then break the hand by one tile.
        if (i % 7 == 0) {
            int k = testing::OrdinaryKinds()[rng() % 34];
            if (h.counts[size_t(k)] > 0) --h.counts[size_t(k)];
        }
        RuleOptions options = (i & 1) ? kOptHonourChows : 0;
        CheckHand(h.counts, h.jokers, false, options, unsigned(i));
        if (HasFailure()) return;
        HuResult r;
        accepted += DecomposeHand(h.counts, h.jokers, 0, kIdxA, kIdxB, 0, options, 0, r, 0) != 0;
    }
    EXPECT_GT(accepted, 50000);
}

// Long run for the benchmark machine: --gtest_also_run_disabled_tests.
TEST(DecomposeOracleTest, DISABLED_MillionsOfRandomHandsAgree) {
    std::mt19937 rng(99);
    for (int i = 0; i < 5000000; ++i) {
        auto h = ConstructedHand(rng, int(rng() % 6), rng() % 4 != 0, int(rng() % 5), true);
        TileCountArray c = i % 2 ? h.counts : RandomCounts(rng, 1 + int(rng() % 17), true);
        CheckHand(c, h.jokers, i % 5 == 0, (i & 2) ? kOptHonourChows : 0, unsigned(i));
        if (HasFailure()) return;
    }
}

TEST(DecomposePropertyTest, AcceptanceIgnoresSuitOrder) {
    std::mt19937 rng(5);
    for (int i = 0; i < 20000; ++i) {
        auto h = ConstructedHand(rng, int(rng() % 6), true, int(rng() % 5), true);
        if (i % 3 == 0) h.counts = RandomCounts(rng, 14, true);
        int perm[3] = {0, 1, 2};
        std::shuffle(perm, perm + 3, rng);
        TileCountArray swapped = h.counts;
        for (int s = 0; s < 3; ++s) {
            for (int r = 1; r <= 9; ++r)
                swapped[size_t(perm[s] * 10 + r)] = h.counts[size_t(s * 10 + r)];
        }
        HuResult a, b;
        EXPECT_EQ(DecomposeHand(h.counts, h.jokers, 0, kIdxA, kIdxB, 0, 0, 0, a, 0),
                  DecomposeHand(swapped, h.jokers, 0, kIdxA, kIdxB, 0, 0, 0, b, 0));
    }
}

TEST(DecomposePropertyTest, AcceptanceIgnoresTheOrderOfTheHandList) {
    std::mt19937 rng(6);
    for (int i = 0; i < 5000; ++i) {
        auto h = ConstructedHand(rng, 4, true, 0, false);
        std::vector<TileId> list;
        for (int k = 1; k < 30; ++k) {
            for (int n = 0; n < h.counts[size_t(k)]; ++n)
                list.push_back((k / 10) * 36 + n * 9 + k % 10 - 1);
        }
        ASSERT_FALSE(list.empty());
        TileId winning = list.back();
        list.pop_back();
        HuResult first;
        TileCountArray c{};
        BuildCountArray(list, c, 0);
        int32_t expected = TryHuWithJokers(c, winning, -1, -1, 0, 0, first, 0);
        EXPECT_EQ(expected, 8);
        std::shuffle(list.begin(), list.end(), rng);
        TileCountArray d{};
        BuildCountArray(list, d, 0);
        HuResult again;
        EXPECT_EQ(TryHuWithJokers(d, winning, -1, -1, 0, 0, again, 0), expected);
        EXPECT_EQ(again, first);
    }
}

// The probe answers for a hand less one to three tiles, or plus one, in any
// order of asking (it keeps what it summed up for each group), as the oracle
// does: with no shape allowed, its answer is the decomposition's.
TEST(HandProbeTest, RestsAgreeWithTheOracle) {
    std::mt19937 rng(31337);
    int accepted = 0, asked = 0;
    for (int i = 0; i < 1200; ++i) {
        const bool honourChows = i & 1;
        auto h = ConstructedHand(rng, 5, true, 0, i % 3 == 0);
        TileCountArray c = i % 4 == 3 ? RandomCounts(rng, 16, i % 8 == 3) : h.counts;
        detail::HandProbe probe;
        const bool usable = probe.Reset(c, honourChows ? kOptHonourChows : 0, 0, 0);
        bool honours = false;
        for (int k = 31; k <= 37; ++k)
            honours = honours || c[size_t(k)] > 0;
        // Honour chows among the tiles are left to the full test.
        ASSERT_EQ(usable, !(honourChows && honours)) << i;
        if (!usable) continue;
        std::vector<int> present;
        for (int k = 1; k < kCountSlots; ++k) {
            if (c[size_t(k)]) present.push_back(k);
        }
        std::vector<std::vector<int>> rests = {{}};
        for (int k : present) {
            rests.push_back({k});
            if (c[size_t(k)] >= 2) rests.push_back({k, k});
            if (k < 30 && c[size_t(k + 1)]) rests.push_back({k, k + 1});
            if (k < 30 && c[size_t(k + 2)]) rests.push_back({k + 2, k});
        }
        for (int n = 0; n < 6; ++n) {
            // Kinds of two or three groups at once.
            int a = present[rng() % present.size()], b = present[rng() % present.size()];
            int d = present[rng() % present.size()];
            if (a != b && a != d && b != d) rests.push_back({a, b, d});
            if (a != b) rests.push_back({a, b});
        }
        std::shuffle(rests.begin(), rests.end(), rng);
        for (const auto& taken : rests) {
            TileCountArray rest = c;
            for (int k : taken)
                --rest[size_t(k)];
            const int jokers = int(rng() % 5);
            const bool pairTaken = rng() % 3 == 0;
            detail::Verdict got = detail::Verdict::kUnknown;
            switch (taken.size()) {
                case 0:
                    got = probe.Without({}, jokers, pairTaken);
                    break;
                case 1:
                    got = probe.Without({taken[0]}, jokers, pairTaken);
                    break;
                case 2:
                    got = probe.Without({taken[0], taken[1]}, jokers, pairTaken);
                    break;
                default:
                    got = probe.Without({taken[0], taken[1], taken[2]}, jokers, pairTaken);
            }
            const bool wins = OracleAccepts(rest, jokers, pairTaken, honourChows);
            ASSERT_EQ(got, wins ? detail::Verdict::kWins : detail::Verdict::kLoses)
                << i << " taken " << taken.size() << " jokers " << jokers;
            // One tile more of a kind the rest holds fewer than four of.
            const int k = testing::OrdinaryKinds()[rng() % 34];
            if (taken.empty() && c[size_t(k)] < 4 && !(honourChows && k > 30)) {
                TileCountArray more = c;
                ++more[size_t(k)];
                ASSERT_EQ(probe.With(k, jokers, pairTaken),
                          OracleAccepts(more, jokers, pairTaken, honourChows)
                              ? detail::Verdict::kWins
                              : detail::Verdict::kLoses)
                    << i << " with " << k;
            }
            accepted += wins;
            ++asked;
        }
    }
    EXPECT_GT(accepted, asked / 10);
}

}  // namespace
}  // namespace rules
