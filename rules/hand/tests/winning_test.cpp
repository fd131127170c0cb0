// The combined winning test against the same test run with the plain
// reference search and without its early exit: every result identical.

#include <gtest/gtest.h>

#include <random>

#include "rules/hand/hu.h"
#include "rules/hand/tests/hand_gen.h"
#include "rules/hand/tests/reference_search.h"

namespace rules {
namespace {

using testing::ConstructedHand;
using testing::RandomCounts;

struct Outcome {
    int32_t isWinning, tryHu, shapes;
    HuResult a, b, c;
};

// A tile id of a kind (first free copy ignored: copies do not matter here).
TileId IdOf(TileIndex kind, int copy) {
    if (kind < 30) return (kind / 10) * 36 + copy * 9 + kind % 10 - 1;
    return 108 + copy * 7 + kind - 31;
}

Outcome RunAll(const TileCountArray& counts, TileId tile, TileId ja, TileId jb, RuleOptions o,
               uint32_t allowed, uint32_t mode, int32_t extra) {
    Outcome out;
    out.a.meldCount = 3;  // garbage in, to see what a failure leaves
    out.a.melds.fill({9, {9, 9, 9, 9}, {9, 9}});
    out.isWinning = IsWinningHand(counts, tile, ja, jb, o, allowed, out.a, mode, extra);
    out.tryHu = TryHuWithJokers(counts, tile, ja, jb, o, allowed, out.b, mode);
    out.shapes = CheckHuShapes(counts, 1, 0, ja, jb, 5, o, allowed, out.c, mode);
    return out;
}

TEST(WinningIdentityTest, FastAndReferenceSearchesGiveIdenticalResults) {
    std::mt19937 rng(4242);
    const RuleOptions optionSets[] = {0,
                                      kOptJokers,
                                      kOptJokers | kOptJokersAsTiles,
                                      kOptJokers | kOptSubstitute,
                                      kOptJokers | kOptHonourChows,
                                      kOptJokers | kOptJokerPairSelfDrawnOnly |
                                          kOptTwoJokerPungSelfDrawnOnly |
                                          kOptJokerMiddleSelfDrawnOnly,
                                      0x80022011};
    const uint32_t modes[] = {0, 2, 4, 1, 2 | 0x10};
    int wins = 0;
    for (int i = 0; i < 8000; ++i) {
        if (i % 2 == 0) {
            ResetTileHooks();
        } else {
            InstallTileHooks(TableTileHooks());
        }
        auto h = ConstructedHand(rng, 3 + int(rng() % 3), true, 0, i % 3 == 0);
        TileCountArray counts =
            i % 4 == 3 ? RandomCounts(rng, 13 + int(rng() % 5), true) : h.counts;
        if (i % 5 == 1) {
            // Pairs, for the seven-pairs shape and the pair waits.
            counts = {};
            for (int p = 0; p < 7; ++p) {
                int k = testing::OrdinaryKinds()[rng() % 27];
                if (counts[size_t(k)] <= 2) counts[size_t(k)] += 2;
            }
            int k = testing::OrdinaryKinds()[rng() % 27];
            if (rng() % 2 && counts[size_t(k)] < 4) ++counts[size_t(k)];
        }
        // Take one tile out as the winning tile.
        std::vector<TileIndex> present;
        for (int k = 1; k < kCountSlots; ++k) {
            if (counts[size_t(k)]) present.push_back(k);
        }
        ASSERT_FALSE(present.empty());
        TileIndex win = present[rng() % present.size()];
        --counts[size_t(win)];
        const TileId tile = IdOf(win, 3);
        // Jokers: kinds drawn from the hand's kinds now and then.
        TileId ja = -1, jb = -1;
        if (rng() % 3) ja = IdOf(present[rng() % present.size()], 0);
        if (ja >= 0 && rng() % 2) jb = IdOf(present[rng() % present.size()], 1);
        const RuleOptions o = optionSets[rng() % std::size(optionSets)];
        const uint32_t mode = modes[rng() % std::size(modes)];
        const uint32_t allowed = rng() % 2 ? 0x16 : 0x10000f0;
        const int32_t extra = int32_t(rng() % 4);

        Outcome fast = RunAll(counts, tile, ja, jb, o, allowed, mode, extra);
        Outcome ref;
        {
            testing::ScopedPlainSearch plain;
            ref = RunAll(counts, tile, ja, jb, o, allowed, mode, extra);
        }
        ASSERT_EQ(fast.isWinning, ref.isWinning) << i;
        ASSERT_EQ(fast.tryHu, ref.tryHu) << i;
        ASSERT_EQ(fast.shapes, ref.shapes) << i;
        ASSERT_EQ(fast.a, ref.a) << i;
        ASSERT_EQ(fast.b, ref.b) << i;
        ASSERT_EQ(fast.c, ref.c) << i;
        wins += fast.isWinning != 0;
    }
    ResetTileHooks();
    EXPECT_GT(wins, 1000);
}

// Jokers whose kinds the joker test and the joker extraction read apart: a
// flower of rank 10 or more as joker (its tiles are no jokers, yet leave the
// hand with the jokers), two jokers of one kind, joker B alone, odd ids; and
// eight jokers in hand with a ninth as the winning tile.
TEST(WinningIdentityTest, OddJokersMatchStepwiseTest) {
    struct Case {
        TileId jokerA, jokerB, tile;
        std::vector<TileIndex> hand;
    };
    const Case cases[] = {
        {145, 30, 145, {}},
        {145, 30, 145, {1, 2, 3, 5, 5}},
        {145, -1, 146, {11, 11}},
        {4, 13, 40, {1, 1, 1, 2, 3, 4, 5, 6}},
        {-1, 38, 38, {12, 13, 14, 21, 21}},
        {-5, 38, 2, {1, 2, 3, 3, 3, 13}},
        {200, 4, 4, {6, 7, 8, 9, 9}},
        {4, 38, 22, {5, 5, 5, 5, 13, 13, 13, 13, 1, 2, 3, 21, 21, 21, 31, 31}},
    };
    for (int hooks = 0; hooks < 2; ++hooks) {
        if (hooks) {
            InstallTileHooks(TableTileHooks());
        } else {
            ResetTileHooks();
        }
        for (const Case& c : cases) {
            TileCountArray counts{};
            for (TileIndex k : c.hand)
                ++counts[size_t(k)];
            for (RuleOptions o : {kOptJokers, kOptJokers | kOptJokersAsTiles, 0x80022011u}) {
                for (uint32_t mode : {0u, 2u, 4u}) {
                    Outcome fast = RunAll(counts, c.tile, c.jokerA, c.jokerB, o, 0x16, mode, 0);
                    Outcome ref;
                    {
                        testing::ScopedPlainSearch plain;
                        ref = RunAll(counts, c.tile, c.jokerA, c.jokerB, o, 0x16, mode, 0);
                    }
                    EXPECT_EQ(fast.isWinning, ref.isWinning) << c.jokerA << " " << c.tile;
                    EXPECT_EQ(fast.a, ref.a) << c.jokerA << " " << c.tile;
                    EXPECT_EQ(fast.b, ref.b) << c.jokerA << " " << c.tile;
                }
            }
        }
    }
    ResetTileHooks();
}

// Jokers kept as tiles take the substitute tiles into their slot, which can
// then hold more than four: the hand as a whole is no hand, but what is left
// after the winning tile's meld may be, and the shortcuts must not decide it.
TEST(WinningIdentityTest, SlotAboveFourAfterSubstitutesMatchesStepwiseTest) {
    InstallTileHooks(TableTileHooks());
    TileCountArray counts{};
    counts[1] = 3;   // 一万, the joker kind
    counts[2] = 2;   // 二万
    counts[37] = 3;  // the substitute tiles
    const RuleOptions o = kOptJokers | kOptJokersAsTiles | kOptSubstitute | 0x2 | 0x80;
    using Checker = int32_t (*)(const TileCountArray&, TileId, TileId, TileId, RuleOptions,
                                uint32_t, HuResult&, uint32_t);
    for (uint32_t mode : {0u, 2u}) {
        for (Checker check : {HuByPairWait, HuByPungWait, HuByChowWait}) {
            HuResult fast, ref;
            int32_t f = check(counts, 0, 0, 0, o, 0, fast, mode);
            int32_t r;
            {
                testing::ScopedPlainSearch plain;
                r = check(counts, 0, 0, 0, o, 0, ref, mode);
            }
            EXPECT_EQ(f, r);
            EXPECT_EQ(fast, ref);
        }
        HuResult fast, ref;
        int32_t f = IsWinningHand(counts, 0, 0, 0, o, 0, fast, mode, 0);
        int32_t r;
        {
            testing::ScopedPlainSearch plain;
            r = IsWinningHand(counts, 0, 0, 0, o, 0, ref, mode, 0);
        }
        EXPECT_EQ(f, 8);
        EXPECT_EQ(f, r);
        EXPECT_EQ(fast, ref);
        EXPECT_EQ(fast.waits, kWaitPung);
    }
    ResetTileHooks();
}

// Knitted is told dead before the checkers when more than the two tiles a
// rest takes stand in its way (tiles past the first of a kind, ranks of a
// suit within two of each other). At the bound and past it, and a hand whose
// seven wildcards win by seven honours with knitted allowed too.
TEST(WinningIdentityTest, KnittedAtTheBoundOfTheTilesTakenMatchesStepwiseTest) {
    struct Case {
        std::vector<TileIndex> hand;
        TileId tile;
        uint32_t allowed, mode;
        bool wins;
    };
    const Case cases[] = {
        // The pung of 五筒 would leave a knitted rest: one tile past the
        // first, one rank to drop (五 beside 六).
        {{1, 4, 7, 12, 15, 18, 23, 25, 25, 26, 29, 31, 32, 33, 34, 35},
         IdOf(25, 3),
         0x36,
         0,
         false},
        // Three to take: 四 and 五 both beside 三, and 五 twice.
        {{1, 4, 7, 12, 15, 18, 23, 24, 25, 25, 29, 31, 32, 33, 34, 35},
         IdOf(25, 3),
         0x36,
         2,
         false},
        // 五万 and 三条 are the jokers: six held, and the winning tile.
        {{5, 5, 5, 6, 7, 7, 8, 11, 12, 13, 13, 13, 15, 19, 22, 25}, IdOf(5, 3), 0x66, 2, true},
        {{5, 5, 5, 6, 7, 7, 8, 11, 12, 13, 13, 13, 15, 19, 22, 25}, IdOf(5, 3), 0x26, 0, false},
    };
    InstallTileHooks(TableTileHooks());
    for (const Case& c : cases) {
        TileCountArray counts{};
        for (TileIndex k : c.hand)
            ++counts[size_t(k)];
        const TileId ja = IdOf(5, 0), jb = IdOf(13, 1);
        Outcome fast = RunAll(counts, c.tile, ja, jb, 0x80022011, c.allowed, c.mode, 0);
        Outcome ref;
        {
            testing::ScopedPlainSearch plain;
            ref = RunAll(counts, c.tile, ja, jb, 0x80022011, c.allowed, c.mode, 0);
        }
        EXPECT_EQ(fast.isWinning != 0, c.wins) << c.allowed;
        EXPECT_EQ(fast.isWinning, ref.isWinning) << c.allowed;
        EXPECT_EQ(fast.tryHu, ref.tryHu) << c.allowed;
        EXPECT_EQ(fast.a, ref.a) << c.allowed;
        EXPECT_EQ(fast.b, ref.b) << c.allowed;
    }
    ResetTileHooks();
}

}  // namespace
}  // namespace rules
