// Thousands of seeded random rounds played through the requests: after every
// step each tile is in exactly one place and the counts agree with the wall;
// every settled hand sums to zero; equal seeds give equal records.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "rules/tests/table_driver.h"

namespace rules {
namespace {

using testing::TableDriver;
using testing::TestTable;

// Where each tile is, by the lists of the table; an empty string when every
// tile is in exactly one place and the counts match the held records.
std::string Misplaced(CRuleTable& t) {
    const auto& wall = t.Wall();
    if (wall.size() != 144) return "wall size";
    std::map<TileId, int> places;
    std::array<TileCountArray, 4> held{};
    for (size_t pos = 0; pos < wall.size(); ++pos) {
        const WallRecord& r = wall[pos];
        if (r.taken == kTakenInWall) ++places[r.tile];
        if (r.taken == kTakenHeld) {
            if (r.taker < 0 || r.taker > 3) return "held by nobody";
            ++places[r.tile];
            ++held[size_t(r.taker)][size_t(TileIdToIndex(r.tile, t.Options()))];
        }
        // The indicator that the tail rule passed over leaves the wall alone.
        if (r.taken == kTakenDiscarded && int32_t(pos) == t.SpecialPos()) ++places[r.tile];
    }
    for (int s = 0; s < 4; ++s) {
        for (TileId d : t.Discards(s)) {
            if (t.TakenStateOf(d) != kTakenDiscarded) return "river tile not discarded";
            ++places[d];
        }
        for (TileId f : t.Flowers(s)) {
            if (t.TakenStateOf(f) != kTakenFlower) return "flower not shown";
            ++places[f];
        }
        for (int k = 0; k < kMeldArrays; ++k) {
            for (const ShownMeld& m : t.Melds(s, MeldArray(k))) {
                for (TileId id : m.tiles) {
                    if (id < 0) continue;
                    int32_t state = t.TakenStateOf(id);
                    if (state != kTakenShown && state != kTakenClaimed) return "meld tile state";
                    ++places[id];
                }
            }
        }
        for (int k = 0; k < kCountSlots; ++k) {
            int32_t c = t.SeatCounts(s)[size_t(k)];
            if (c < 0 || c > 4) return "count outside 0-4";
            if (c != held[size_t(s)][size_t(k)]) return "counts differ from the wall";
        }
        int32_t total = 0;
        for (int32_t c : held[size_t(s)])
            total += c;
        if (t.HeldCount(s) != total) return "held count";
    }
    for (TileId id = 0; id < 144; ++id) {
        if (places[id] != 1)
            return "tile " + std::to_string(id) + " in " + std::to_string(places[id]) + " places";
    }
    return "";
}

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
