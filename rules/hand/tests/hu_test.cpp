#include "rules/hand/hu.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <vector>

#include "rules/hand/tests/hand_gen.h"
#include "rules/hand/tests/reference_search.h"

namespace rules {
namespace {

TileCountArray Counts(std::initializer_list<TileIndex> kinds) {
    TileCountArray c{};
    for (TileIndex k : kinds)
        ++c[size_t(k)];
    return c;
}

// The first id of a kind, and the n-th copy.
TileId Id(TileIndex kind, int copy = 0) {
    if (kind < 30) return (kind / 10) * 36 + copy * 9 + kind % 10 - 1;
    return 108 + copy * 7 + kind - 31;
}

MeldRecord Meld(int32_t type, int32_t a, int32_t b, int32_t c = 0, int32_t d = 0) {
    MeldRecord m;
    m.type = type;
    m.tiles = {a, b, c, d};
    return m;
}

class HuTest : public ::testing::Test {
  protected:
    void TearDown() override { ResetTileHooks(); }
};

TEST_F(HuTest, TileCountDoesNotMatterOnlyTheMelds) {
    const TileCountArray hand = Counts({1, 1, 1, 2, 3, 4, 5, 5});
    HuResult r;
    EXPECT_EQ(TryHuWithJokers(hand, Id(6), -1, -1, 0, 0, r, 0), 0);
    EXPECT_EQ(TryHuWithJokers(hand, Id(5, 2), -1, -1, 0, 0, r, 0), 8);
    ASSERT_EQ(r.meldCount, 3);
    EXPECT_EQ(r.melds[0], Meld(kMeldPung, 5, 5, 5));
    EXPECT_EQ(r.melds[1], Meld(kMeldChow, 2, 3, 4));
    EXPECT_EQ(r.melds[2], Meld(kMeldPung, 1, 1, 1));
}

TEST_F(HuTest, HonourOrFlowerTilesNeverWinWithTheTableHooks) {
    const TileCountArray hand = Counts({1, 2, 3, 31, 31});
    HuResult r;
    EXPECT_EQ(TryHuWithJokers(hand, Id(31, 2), -1, -1, 0, 0, r, 0), 8);  // default hooks
    InstallTileHooks(TableTileHooks());
    EXPECT_EQ(TryHuWithJokers(hand, Id(31, 2), -1, -1, 0, 0, r, 0), 0);
    EXPECT_EQ(IsWinningHand(hand, Id(31, 2), -1, -1, 0, 0x16, r, 0, 0), 0);
}

TEST_F(HuTest, JokerOnlyMelds) {
    HuResult r;
    const TileCountArray none{};
    EXPECT_EQ(DecomposeHand(none, 3, 0, 5, 13, 0, 0, 0, r, 0), 8);
    ASSERT_EQ(r.meldCount, 1);
    EXPECT_EQ(r.melds[0], Meld(kMeldPung, -5, -5, -5));
    HuResult s;
    EXPECT_EQ(DecomposeHand(none, 1, 1, 5, 13, 0, 0, 0, s, 1), 0);  // pair already taken
    EXPECT_EQ(DecomposeHand(none, 1, 1, 5, 13, 0, 0, 0, s, 0), 8);
    EXPECT_EQ(s.melds[0], Meld(kMeldPair, -5, -13));
    EXPECT_EQ(DecomposeHand(none, 2, 2, 5, 13, 0, 0, 0, s, 0), 0);  // four wildcards
    EXPECT_EQ(DecomposeHand(none, 0, 0, 5, 13, 0, 0, 0, s, 1), 8);
}

TEST_F(HuTest, PairlessHandsAreAccepted) {
    HuResult r;
    EXPECT_EQ(DecomposeHand(Counts({1, 2, 3, 7, 7, 7}), 0, 0, 0, 0, 0, 0, 0, r, 0), 8);
    EXPECT_EQ(r.meldCount, 2);
}

TEST_F(HuTest, PickJokerIndexChargesTheSmallerCounterFirst) {
    int32_t a = 2, b = 1;
    EXPECT_EQ(PickJokerIndex(&a, &b, 5, 13), 13);
    EXPECT_EQ(PickJokerIndex(&a, &b, 5, 13), 5);
    EXPECT_EQ(PickJokerIndex(&a, &b, 5, 13), 5);
    EXPECT_EQ(PickJokerIndex(&a, &b, 5, 13), 0);
    int32_t sA, sB, nA = 1, nB = 1;
    EXPECT_EQ(TakeJokers(&sA, &sB, &nA, &nB, 1), 1);
    EXPECT_EQ(nA, 0);  // ties go to A
    EXPECT_EQ(TakeJokers(&sA, &sB, &nA, &nB, 5), 1);
    RestoreJokers(sA, sB, &nA, &nB);
    EXPECT_EQ(nB, 1);
    nA = -4;
    EXPECT_EQ(TakeJokers(&sA, &sB, &nA, &nB, 3), 1);  // a negative counter holds none
    EXPECT_EQ(SumJokers(2, 3), 5);
    EXPECT_EQ(SumJokers(-1, 3), 0);
    EXPECT_EQ(SumJokers(INT32_MAX, INT32_MAX), INT32_MAX);
    EXPECT_TRUE(EqualsEither(3, 1, 3));
}

TEST_F(HuTest, MeldRecordsHoldAtMostEight) {
    HuResult r;
    for (int i = 0; i < 10; ++i)
        AddMeld(r, kMeldPung, 1, 0, 0, 0, 0, kNoJokerPlace, 0);
    EXPECT_EQ(r.meldCount, 8);
    EXPECT_EQ(AddMeldTiles(r, kMeldChow, 1, 2, 3, 0), 8);
    EXPECT_EQ(AddMeldEx(r, kMeldPair, 2, 0, 5, 0), 8);
    EXPECT_EQ(r.tail, (std::array<int32_t, 4>{}));
    r.meldCount = 1000;  // a corrupt count is not followed
    EXPECT_EQ(CountKongMelds(r), 0);
    EXPECT_EQ(CountJokerPlaces(r), 0);
}

TEST_F(HuTest, ClearingAroundMeldsLeavesTheMeldsWrittenAndTheWaits) {
    // Over a garbage record, with every count of melds written between the
    // two steps, the record is a cleared one with those melds and waits.
    for (int n = 0; n <= kMaxMelds; ++n) {
        HuResult r, expected;
        std::memset(static_cast<void*>(&r), 0x5A, sizeof r);
        ClearBeforeMelds(r);
        for (int i = 0; i < n; ++i) {
            AddMeld(r, kMeldPung, i + 1, 0, 0, 0, 0, kNoJokerPlace, 0);
            AddMeld(expected, kMeldPung, i + 1, 0, 0, 0, 0, kNoJokerPlace, 0);
        }
        ClearAfterMelds(r, kWaitPair);
        expected.waits = kWaitPair;
        EXPECT_EQ(r, expected) << n;
    }
}

TEST_F(HuTest, AddMeldTileWords) {
    struct Case {
        int32_t type, k, usedA, usedB, place, gap;
        MeldRecord expected;
    };
    const Case cases[] = {
        {kMeldPair, 7, 1, 0, -1, 0, Meld(kMeldPair, 7, -5)},
        {kMeldPung, 7, 1, 1, -1, 0, Meld(kMeldPung, 7, -5, -13)},
        {kMeldKong, 7, 0, 1, -1, 0, Meld(kMeldKong, 7, 7, 7, -13)},
        {kMeldChow, 3, 1, 0, 0, 0, Meld(kMeldChow, -5, 3, 4)},
        {kMeldChow, 3, 1, 0, 1, 0, Meld(kMeldChow, 3, -5, 5)},
        {kMeldChow, 3, 1, 0, 2, 0, Meld(kMeldChow, 3, 4, -5)},
        {kMeldChow, 3, 0, 1, 0, 0, Meld(kMeldChow, -13, 3, 4)},
        {kMeldChow, 3, 2, 1, 2, 0, Meld(kMeldChow, 3, 4, -13)},
        {kMeldChow, 3, 0, 0, 1, 0, Meld(kMeldChow, 3, 0, 5)},
        {kMeldChow, 3, 0, 0, -1, 0, Meld(kMeldChow, 3, 4, 5)},
        {kMeldChow, 31, 0, 0, -1, 1, Meld(kMeldChow, 31, 33, 34)},
        {kMeldChow, 31, 0, 0, -1, 2, Meld(kMeldChow, 31, 32, 34)},
        {kMeldChow, 31, 0, 1, 1, 2, Meld(kMeldChow, 31, -13, 34)},
    };
    for (const Case& c : cases) {
        HuResult r;
        AddMeld(r, c.type, c.k, c.usedA, c.usedB, 5, 13, c.place, c.gap);
        EXPECT_EQ(r.melds[0], c.expected) << c.type << " " << c.place;
    }
}

TEST_F(HuTest, AddMeldNeverOverflows) {
    HuResult r;
    AddMeld(r, kMeldChow, INT32_MAX, 0, 0, 0, 0, kNoJokerPlace, 1);
    AddMeld(r, kMeldPung, 7, 1, 0, INT32_MIN, 0, kNoJokerPlace, 0);
    EXPECT_EQ(r.meldCount, 2);
    EXPECT_EQ(r.melds[1].tiles[2], INT32_MIN);
    EXPECT_EQ(MakeTileIndex(INT32_MAX, 5), 0);
}

TEST_F(HuTest, SevenPairsWithOneJoker) {
    // 13 tiles: six pairs and a single, plus one joker (joker A 九条).
    TileCountArray hand = Counts({1, 1, 3, 3, 5, 5, 12, 12, 14, 14, 16, 16, 19, 22});
    hand[19] = 1;  // the joker, among the hand's tiles
    HuResult r;
    // The winning tile 二洞 makes thirteen tiles and the joker fourteen.
    hand[22] = 0;
    const RuleOptions o = kOptJokers;
    EXPECT_EQ(HuCheckMode16(hand, Id(22), Id(19), -1, o, 0x10, r, 0), 8);
    EXPECT_EQ(r.shapes & 0x10, 0x10);
    ASSERT_EQ(r.meldCount, 7);
    EXPECT_EQ(r.melds[6], Meld(kMeldPair, 22, -19));
    // An ordinary hand that is no seven pairs fails the restricted test.
    TileCountArray plain = Counts({1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 11, 11, 15});
    EXPECT_EQ(HuCheckMode16(plain, Id(15, 1), -1, -1, 0, 0x10, r, 0), 0);
    EXPECT_EQ(TryHuWithJokers(plain, Id(15, 1), -1, -1, 0, 0x10, r, 0), 8);
}

TEST_F(HuTest, SevenPairsCountsFourOfAKindAsTwoPairs) {
    TileCountArray hand = Counts({1, 1, 1, 1, 3, 3, 5, 5, 7, 7, 9, 9, 11});
    HuResult r;
    EXPECT_EQ(SevenPairsShape(Counts({1, 1, 1, 1, 3, 3, 5, 5, 7, 7, 9, 9, 11, 11}), 0, 0, 0, 0, 0,
                              0, 0x10, r),
              8);
    EXPECT_EQ(r.melds[0], Meld(kMeldKong, 1, 1, 1, 1));
    EXPECT_EQ(SevenPairsShape(hand, 0, 0, 0, 0, 0, 0, 0x10, r), 0);         // 13 tiles
    EXPECT_EQ(SevenPairsShape(Counts({1, 1}), 0, 0, 0, 0, 0, 0, 0, r), 0);  // not allowed
}

TEST_F(HuTest, KnittedShape) {
    // 147 258 369 in different suits and seven honours.
    TileCountArray good = Counts({1, 4, 7, 12, 15, 18, 23, 31, 32, 33, 34, 35, 36, 37});
    HuResult r;
    EXPECT_EQ(KnittedShape(good, 0, 0, 0, 0, 0, 0, 0x20, r), 8);
    EXPECT_EQ(r.melds[0].type, kMeldKnitted);
    TileCountArray bad = Counts({1, 3, 7, 12, 15, 18, 23, 31, 32, 33, 34, 35, 36, 37});
    EXPECT_EQ(KnittedShape(bad, 0, 0, 0, 0, 0, 0, 0x20, r), 0);
    EXPECT_EQ(KnittedShape(good, 0, 0, 0, 0, 0, 0, 0x10, r), 0);
    // Fourteen distinct suited kinds never pass.
    TileCountArray suited = Counts({1, 4, 7, 12, 15, 18, 23, 26, 29, 2, 5, 8, 11, 14});
    EXPECT_EQ(KnittedShape(suited, 0, 0, 0, 0, 0, 0, 0x20, r), 0);
}

TEST_F(HuTest, HonourShapes) {
    HuResult r;
    TileCountArray seven = Counts({31, 32, 33, 34, 35, 36, 1, 2, 3, 4, 5, 6, 7});
    EXPECT_EQ(SevenHonoursShape(seven, 0, 0, 0, 0, 0, 0, 0x40, r), 0);
    EXPECT_EQ(SevenHonoursShape(seven, 1, 0, 5, 0, 0, 0, 0x40, r), 8);
    EXPECT_EQ(SevenHonoursShape(seven, 1, 0, 5, 0, 0, kOptNoJokerSevenHonours, 0x40, r), 0);
    EXPECT_EQ(AllHonoursShape(Counts({31, 31, 35}), 0, 0, 0, 0, 0, 0, 0x80, r), 8);
    EXPECT_EQ(AllHonoursShape(Counts({31, 31, 5}), 0, 0, 0, 0, 0, 0, 0x80, r), 0);
    HuResult fresh;
    EXPECT_EQ(All258Shape(Counts({2, 5, 28, 28}), 0, 0, 0, 0, 0, 0, 0x1000000, fresh), 8);
    EXPECT_EQ(fresh.melds[0].type, kMeld258);
    EXPECT_EQ(All258Shape(Counts({2, 5, 29}), 0, 0, 0, 0, 0, 0, 0x1000000, r), 0);
    EXPECT_EQ(All258Shape(TileCountArray{}, 0, 0, 0, 0, 0, 0, 0x1000000, r), 0);
}

TEST_F(HuTest, ShapeRestrictionFollowsPrecedence) {
    const TileCountArray hand = Counts({2, 2, 5, 5, 8, 8, 12, 12, 15, 15, 18, 18, 22});
    HuResult r;
    EXPECT_EQ(CheckHuShapes(Counts({2, 2, 5, 5, 8, 8, 12, 12, 15, 15, 18, 18, 22, 22}), 0, 0, -1,
                            -1, 22, 0, 0x1000010, r, 0x1000010),
              8);
    EXPECT_EQ(r.melds[0].type, kMeldPair);  // seven pairs wins the precedence
    EXPECT_EQ(HuCheckModeSpecial(hand, Id(22, 1), -1, -1, 0, 0x1000000, r, 0, 0x2), 8);
    EXPECT_EQ(r.shapes, 0x1000000);
    EXPECT_EQ(HuCheckModeSpecial(hand, Id(22, 1), -1, -1, 0, 0x1000000, r, 0, 0x1), 0);
    EXPECT_EQ(HuCheckMode128(hand, Id(22, 1), -1, -1, 0, 0x80, r, 0, 0x2), 0);
}

TEST_F(HuTest, RestrictedCallsAndNoHuOptions) {
    const TileCountArray hand = Counts({1, 1, 1, 2, 3, 4, 5, 5});
    HuResult r;
    EXPECT_EQ(TryHuWithJokers(hand, Id(5, 2), -1, -1, kOptNoHuRestricted1, 0, r, 0x1), 0);
    EXPECT_EQ(TryHuWithJokers(hand, Id(5, 2), -1, -1, kOptNoHuRestricted1, 0, r, 0x4), 8);
    EXPECT_EQ(TryHuWithJokers(hand, Id(5, 2), -1, -1, kOptNoHuRestricted4, 0, r, 0x4), 0);
    // A discarded joker cannot be claimed for hu without 0x8 (restricted call).
    const TileCountArray j = Counts({1, 1, 1, 2, 3, 4, 5});
    EXPECT_EQ(TryHuWithJokers(j, Id(13), Id(13), -1, kOptJokers, 0, r, 0x4), 0);
    EXPECT_EQ(TryHuWithJokers(j, Id(13), Id(13), -1, kOptJokers, 0, r, 0x2), 8);
}

TEST_F(HuTest, JokersAsTilesAndAsWildcards) {
    // 一万一万 + joker(三条) and 五万五万: as tiles the joker is a lone 三条.
    const RuleOptions o = kOptJokers | kOptJokersAsTiles;
    TileCountArray hand = Counts({1, 1, 13, 13, 5, 5, 5});
    HuResult r;
    EXPECT_EQ(TryHuWithJokers(hand, Id(13, 2), Id(13), -1, o, 0, r, 0), 8);  // 三条 pung as tiles
    // As tiles 一万一万 三条 五万×3 八万 七万 fails; with the joker as 九万 it wins.
    TileCountArray wild = Counts({1, 1, 13, 5, 5, 5, 8});
    EXPECT_EQ(TryHuWithJokers(wild, Id(7), Id(13), -1, o, 0, r, 0), 8);
    EXPECT_EQ(r.melds[0], Meld(kMeldChow, 7, 8, -13));
    EXPECT_EQ(TryHuWithJokers(wild, Id(2), Id(13), -1, o, 0, r, 0), 0);
}

// Ranks up to 10 for the suited ids: kinds 10 and 20 (slots no hand may
// hold) and 30 reach the hand tests.
int32_t RankUpToTen(TileId id, RuleOptions) {
    return id >= 0 && id < 108 ? id % 10 + 1 : TileIdToRank(id, 0);
}

TEST_F(HuTest, TryHuMatchesExtractionThenShapes) {
    const RuleOptions options[] = {0,
                                   kOptSubstitute,
                                   kOptJokersAsTiles,
                                   kOptJokers,
                                   kOptJokers | kOptSubstitute,
                                   kOptJokers | kOptHonourChows,
                                   kOptJokers | kOptNoJokerSevenHonours | kOptNoHuRestricted4,
                                   0x80022011};
    // Jokers of ordinary kinds, one kind twice, joker B alone, flowers past
    // the kinds, ids of no tile.
    const TileId jokers[][2] = {{4, 38},  {4, -1},  {4, 4},    {-1, 38}, {-2, 38},
                                {145, 4}, {4, 150}, {200, 38}, {-1, -1}};
    const TileId tiles[] = {0, 3, 4, 5, 9, 38, 41, 49, 108, 145, 151, 152, -1};
    std::mt19937 rng(77);
    int wins = 0;
    for (int i = 0; i < 3000; ++i) {
        TileHooks hooks = i % 3 == 0 ? DefaultTileHooks() : TableTileHooks();
        if (i % 3 == 2) hooks.rank = RankUpToTen;
        InstallTileHooks(hooks);
        TileCountArray c =
            testing::ConstructedHand(rng, 4 + int(rng() % 2), true, 0, i % 4 == 0).counts;
        // Take a tile out, so that the winning tile may complete the hand.
        for (int k = int(rng() % 38); k < kCountSlots; ++k) {
            if (c[size_t(k)]) {
                --c[size_t(k)];
                break;
            }
        }
        // Now and then four of the joker's kind or of the winning tile's,
        // or a count that no hand holds in one of their slots.
        const int32_t odd[] = {4, 5, -1, 100};
        if (i % 5 == 4) c[size_t(std::array{5, 14, 1, 10}[rng() % 4])] = odd[rng() % 4];
        const TileId* j = jokers[rng() % std::size(jokers)];
        const TileId tile = tiles[rng() % std::size(tiles)];
        const RuleOptions o = options[rng() % std::size(options)];
        const uint32_t mode = std::array{0u, 1u, 2u, 4u, 0x12u}[rng() % 5];
        const uint32_t allowed = rng() % 2 ? 0x16 : 0x10000f0;
        HuResult fast, step;
        fast.meldCount = step.meldCount = 3;  // what a failure leaves
        const int32_t f = TryHuWithJokers(c, tile, j[0], j[1], o, allowed, fast, mode);
        ASSERT_EQ(f, testing::StepwiseWildHu(c, tile, j[0], j[1], o, allowed, step, mode)) << i;
        ASSERT_EQ(fast, step) << i;
        wins += f != 0;
    }
    EXPECT_GT(wins, 200);
}

TEST_F(HuTest, InvalidCountsAndHugeCountersAreNoHand) {
    HuResult r;
    TileCountArray neg = Counts({1, 2, 3});
    neg[7] = -1;
    EXPECT_EQ(DecomposeHand(neg, 0, 0, 0, 0, 0, 0, 0, r, 0), 0);
    EXPECT_EQ(CheckHuShapes(neg, 0, 0, -1, -1, 0, 0, 0x10, r, 0), 0);
    TileCountArray five = Counts({1, 1, 1, 1, 1});
    EXPECT_EQ(DecomposeHand(five, 1, 0, 0, 0, 0, 0, 0, r, 0), 0);
    TileCountArray slot0{};
    slot0[0] = 3;
    EXPECT_EQ(DecomposeHand(slot0, 0, 0, 0, 0, 0, 0, 0, r, 0), 0);
    TileCountArray ten{};
    ten[10] = 1;
    ten[11] = 1;
    ten[12] = 1;
    EXPECT_EQ(DecomposeHand(ten, 0, 0, 0, 0, 0, 0, 0, r, 0), 0);
    EXPECT_EQ(DecomposeHand(TileCountArray{}, INT32_MAX, 5, 5, 13, 0, 0, 0, r, 0), 0);
    EXPECT_EQ(DecomposeHand(TileCountArray{}, -3, 3, 5, 13, 0, 0, 0, r, 0), 8);  // no jokers
    EXPECT_EQ(r.meldCount, 0);
    // 25 tiles: more than a decomposition takes.
    TileCountArray big =
        Counts({1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5, 5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9});
    EXPECT_EQ(DecomposeHand(big, 2, 0, 5, 0, 0, 0, 0, r, 0), 0);
    EXPECT_EQ(TryHuWithJokers(Counts({1, 1, 1, 1}), Id(1), -1, -1, 0, 0, r, 0), 0);
}

TEST_F(HuTest, EveryCountOutsideZeroToFourIsNoHand) {
    for (int32_t bad : {-1, -2, -3, -4, -5, 5, 6, 7, 8, 100, INT32_MAX, INT32_MIN}) {
        for (int slot : {0, 1, 10, 20, 29, 31, 63}) {
            TileCountArray c = Counts({1, 1});
            c[size_t(slot)] = bad;
            HuResult r;
            r.meldCount = 5;
            EXPECT_EQ(CheckHuShapes(c, 0, 0, -1, -1, 0, 0, 0x10, r, 0), 0) << bad << " " << slot;
            EXPECT_EQ(r.meldCount, 5);  // untouched
            EXPECT_EQ(DecomposeHand(c, 1, 0, 5, 0, 0, 0, 0, r, 0), 0);
            EXPECT_EQ(TryHuWithJokers(c, Id(2), -1, -1, 0, 0x10, r, 0), 0);
        }
    }
}

TEST_F(HuTest, ValidateMeldAndJokerMelds) {
    EXPECT_TRUE(ValidateMeld(Meld(kMeldChow, 3, 4, 5), -1, -1, 0));
    EXPECT_FALSE(ValidateMeld(Meld(kMeldChow, 3, 4, 6), -1, -1, 0));
    EXPECT_TRUE(ValidateMeld(Meld(kMeldChow, 31, 32, 34), -1, -1, kOptHonourChows));
    EXPECT_FALSE(ValidateMeld(Meld(kMeldChow, 31, 32, 34), -1, -1, 0));
    EXPECT_TRUE(ValidateMeld(Meld(kMeldPung, 5, 5, -5), -1, -1, 0));
    EXPECT_FALSE(ValidateMeld(Meld(kMeldPung, 5, 5, -13), -1, -1, 0));
    EXPECT_TRUE(ValidateMeld(Meld(kMeldKong, 5, 5, 5, 5), -1, -1, 0));
    EXPECT_FALSE(ValidateMeld(Meld(kMeld258, 0, 0), -1, -1, 0));
    EXPECT_FALSE(ValidateMeld(Meld(kMeldChow, INT32_MIN, 4, 5), -1, -1, 0));
    HuResult r;
    AddMeldTiles(r, kMeldPung, 5, 5, -5, 0);
    AddMeldTiles(r, kMeldChow, 1, 2, 3, 0);
    EXPECT_EQ(CheckJokerMelds(r, -1, -1, 0), 1);
    AddMeldTiles(r, kMeldPair, 7, -13, 0, 0);
    EXPECT_EQ(CheckJokerMelds(r, -1, -1, 0), 0);
    EXPECT_EQ(CountJokerPlaces(r), 2);
}

TEST_F(HuTest, MergeOrsFlagsAndAddsCounters) {
    HuResult sum, r;
    sum.shapes = 0x1;
    r.shapes = 0x10;
    r.waits = 0x20;
    r.counters[3] = 2;
    r.counters2[31] = INT32_MAX;
    sum.counters2[31] = 5;
    MergeHuResult(sum, r);
    EXPECT_EQ(sum.shapes, 0x11);
    EXPECT_EQ(sum.waits, 0x20);
    EXPECT_EQ(sum.counters[3], 2);
    EXPECT_EQ(sum.counters2[31], INT32_MAX);  // saturates
}

// --- Wait checkers ----------------------------------------------------------

// Three melds of 万 and the given extra kinds.
TileCountArray Base(std::initializer_list<TileIndex> extra) {
    TileCountArray c = Counts({1, 2, 3, 4, 5, 6, 7, 8, 9});
    for (TileIndex k : extra)
        ++c[size_t(k)];
    return c;
}

struct WaitCase {
    const char* name;
    std::initializer_list<TileIndex> extra;
    TileIndex winning;
    int32_t wait;
    MeldRecord last;
};

TEST_F(HuTest, EachWaitIsRecognised) {
    const WaitCase cases[] = {
        {"pair", {31, 31, 31, 15}, 15, kWaitPair, Meld(kMeldPair, 15, 15)},
        {"pung", {15, 15, 19, 19}, 19, kWaitPung, Meld(kMeldPung, 19, 19, 19)},
        {"middle", {15, 15, 11, 13}, 12, kWaitMiddle, Meld(kMeldChow, 11, 12, 13)},
        {"edge three", {15, 15, 11, 12}, 13, kWaitEdge, Meld(kMeldChow, 11, 12, 13)},
        {"edge seven", {15, 15, 18, 19}, 17, kWaitEdge, Meld(kMeldChow, 17, 18, 19)},
        {"chow high", {15, 15, 12, 13}, 14, kWaitChow, Meld(kMeldChow, 12, 13, 14)},
        {"chow low", {15, 15, 12, 13}, 11, kWaitChow, Meld(kMeldChow, 11, 12, 13)},
    };
    for (const WaitCase& c : cases) {
        HuResult r;
        EXPECT_EQ(IsWinningHand(Base(c.extra), Id(c.winning, 3), -1, -1, 0, 0x16, r, 0, 0), 8)
            << c.name;
        EXPECT_EQ(r.waits, c.wait) << c.name;
        ASSERT_GT(r.meldCount, 0) << c.name;
        EXPECT_EQ(r.melds[size_t(r.meldCount - 1)], c.last) << c.name;
    }
}

TEST_F(HuTest, WaitCheckersOneByOne) {
    HuResult r;
    const TileCountArray hand = Base({15, 15, 12, 13});
    EXPECT_EQ(HuByChowWait(hand, Id(14), -1, -1, 0, 0, r, 0), 8);
    EXPECT_EQ(HuByEdgeWait(hand, Id(14), -1, -1, 0, 0, r, 0), 0);
    EXPECT_EQ(HuByMiddleWait(hand, Id(14), -1, -1, 0, 0, r, 0), 0);
    EXPECT_EQ(HuByPairWait(hand, Id(14), -1, -1, 0, 0, r, 0), 0);
    EXPECT_EQ(HuByPungWait(hand, Id(14), -1, -1, 0, 0, r, 0), 0);
    EXPECT_EQ(HuByJokerPairWait(hand, Id(14), -1, -1, 0, 0, r, 0), 0);
    // 3 with 1-2 is an edge wait, never a chow wait.
    const TileCountArray edge = Base({15, 15, 11, 12});
    EXPECT_EQ(HuByChowWait(edge, Id(13), -1, -1, 0, 0, r, 0), 0);
    EXPECT_EQ(HuByEdgeWait(edge, Id(13), -1, -1, 0, 0, r, 0), 8);
}

TEST_F(HuTest, JokerCompletesPairUnderItsGates) {
    // Joker A is 九洞; the hand holds one joker and waits on a lone 五条.
    const TileId jokerA = Id(29);
    TileCountArray hand = Base({31, 31, 31, 29});
    HuResult r;
    const RuleOptions o = kOptJokers;
    EXPECT_EQ(HuByPairWait(hand, Id(15), jokerA, -1, o, 0, r, 0), 8);
    EXPECT_EQ(r.melds[size_t(r.meldCount - 1)], Meld(kMeldPair, 15, -29));
    EXPECT_EQ(HuByPairWait(hand, Id(15), jokerA, -1, o | kOptJokerPairSelfDrawnOnly, 0, r, 0), 0);
    EXPECT_EQ(HuByPairWait(hand, Id(15), jokerA, -1, o | kOptJokerPairSelfDrawnOnly, 0, r, 2), 8);
    EXPECT_EQ(HuByPairWait(hand, Id(15), jokerA, -1, o | kOptNoJokerPairOnGrab, 0, r, 4), 0);
    EXPECT_EQ(HuByJokerPairWait(hand, Id(15), jokerA, -1, o, 0, r, 0), 8);
    EXPECT_EQ(r.waits & kWaitJokerPair, kWaitJokerPair);
    EXPECT_EQ(HuByJokerPairWait(hand, Id(15), jokerA, -1, o, 0, r, 4), 0);
}

TEST_F(HuTest, JokerGatesOnPungAndMiddle) {
    const TileId jokerA = Id(29);
    const RuleOptions o = kOptJokers;
    HuResult r;
    // Two jokers stand for the pung's hand tiles.
    TileCountArray pung = Base({15, 15, 29, 29});
    EXPECT_EQ(HuByPungWait(pung, Id(17), jokerA, -1, o, 0, r, 0), 8);
    EXPECT_EQ(r.melds[size_t(r.meldCount - 1)], Meld(kMeldPung, 17, -29, -29));
    EXPECT_EQ(HuByPungWait(pung, Id(17), jokerA, -1, o | kOptTwoJokerPungSelfDrawnOnly, 0, r, 0),
              0);
    EXPECT_EQ(HuByPungWait(pung, Id(17), jokerA, -1, o | kOptTwoJokerPungSelfDrawnOnly, 0, r, 2),
              8);
    // A joker stands for one side of a middle wait.
    TileCountArray middle = Base({15, 15, 11, 29});
    EXPECT_EQ(HuByMiddleWait(middle, Id(12), jokerA, -1, o, 0, r, 0), 8);
    EXPECT_EQ(r.melds[size_t(r.meldCount - 1)], Meld(kMeldChow, 11, 12, -29));
    EXPECT_EQ(HuByMiddleWait(middle, Id(12), jokerA, -1, o | kOptJokerMiddleSelfDrawnOnly, 0, r, 0),
              0);
}

TEST_F(HuTest, JokerAsWinningTileNeedsSelfDraw) {
    const TileId jokerA = Id(29);
    const RuleOptions o = kOptJokers;
    HuResult r;
    TileCountArray hand = Base({15, 15, 11, 13});
    EXPECT_EQ(HuByMiddleWait(hand, Id(29, 1), jokerA, -1, o, 0, r, 0), 0);
    EXPECT_EQ(HuByMiddleWait(hand, Id(29, 1), jokerA, -1, o, 0, r, 2), 8);
    EXPECT_EQ(r.melds[size_t(r.meldCount - 1)], Meld(kMeldChow, 11, -29, 13));
    EXPECT_EQ(IsWinningHand(hand, Id(29, 1), jokerA, -1, o, 0, r, 2, 0), 8);
}

TEST_F(HuTest, EdgeWaitCountsTilesThreeFromAJoker) {
    // Joker A is 四条: 七条 counts like a 3 (with 五条 六条), 一条 like a 7.
    const TileId jokerA = Id(14);
    const RuleOptions o = kOptJokers;
    HuResult r;
    TileCountArray hand = Base({31, 31, 15, 16});
    EXPECT_EQ(HuByEdgeWait(hand, Id(17), jokerA, -1, o, 0, r, 0), 8);
    EXPECT_EQ(HuByEdgeWait(hand, Id(17), jokerA, -1, o | kOptSubstitute, 0, r, 0), 0);
    EXPECT_EQ(HuByEdgeWait(hand, Id(17), -1, -1, 0, 0, r, 0), 0);
}

TEST_F(HuTest, HonourChowWait) {
    HuResult r;
    TileCountArray hand = Base({15, 15, 31, 34});
    EXPECT_EQ(HuByChowWait(hand, Id(33), -1, -1, kOptHonourChows, 0, r, 0), 8);
    EXPECT_EQ(r.melds[size_t(r.meldCount - 1)], Meld(kMeldChow, 31, 34, 33));
    EXPECT_EQ(HuByChowWait(hand, Id(33), -1, -1, 0, 0, r, 0), 0);
}

}  // namespace
}  // namespace rules
