// Thousands of seeded random rounds played through the requests: after every
// step each tile is in exactly one place and the counts agree with the wall,
// and every settled hand sums to zero.

#include <gtest/gtest.h>

#include "rules/table/tests/table_driver.h"

namespace rules {
namespace {

using testing::Misplaced;
using testing::TableDriver;
using testing::TestTable;

TEST(TablePlayTest, RandomRoundsConserveTilesAndSumToZero) {
    int hands = 0, wins = 0, selfDrawn = 0, melds = 0, kongs = 0;
    for (uint32_t seed = 1; seed <= 150; ++seed) {
        TestTable tt(seed);
        ASSERT_TRUE(tt.table);
        TableDriver driver(tt, seed * 7919);
        for (int round = 0; round < 8; ++round) {
            ASSERT_TRUE(round == 0 ? tt.Start() : tt.Next()) << seed;
            CRuleTable& t = *tt.table;
            ASSERT_EQ(Misplaced(t), "") << "after the deal, seed " << seed;
            for (int s = 0; s < 4; ++s)
                ASSERT_EQ(t.HeldCount(s), s == t.Banker() ? 17 : 16) << "seed " << seed;
            int steps = 0;
            while (driver.Step()) {
                ASSERT_EQ(Misplaced(t), "") << "seed " << seed << " step " << steps;
                ASSERT_LT(++steps, 1000) << "a hand that never ends, seed " << seed;
            }
            ASSERT_TRUE(t.HandOver()) << "stuck, seed " << seed << " state " << t.State();
            const TableRecord& end = t.LastGameEnd();
            int64_t scores = 0, changes = 0;
            for (int s = 0; s < 4; ++s) {
                scores += end.Get(game_end::kScores + size_t(s));
                changes += end.Get(game_end::kScoreChange + size_t(s));
                melds += int(t.Melds(s, kPungs).size() + t.Melds(s, kChows).size());
                kongs += int(t.Melds(s, kExposedKongs).size() + t.Melds(s, kAddedKongs).size() +
                             t.Melds(s, kConcealedKongs).size());
            }
            EXPECT_EQ(scores, 0);
            EXPECT_EQ(changes, 0);
            ++hands;
            wins += t.Winner() >= 0;
            selfDrawn += (t.EndCode() & kEndSelfDrawn) != 0;
        }
    }
    // The random play reaches every ending (wins are rare: after the flowers
    // the wall keeps 18 tiles plus the flower value back, so hands are short).
    EXPECT_GT(wins, hands / 100);
    EXPECT_GT(selfDrawn, 0);
    EXPECT_GT(hands - wins, 0);
    EXPECT_GT(melds, hands);
    EXPECT_GT(kongs, 0);
}

}  // namespace
}  // namespace rules
