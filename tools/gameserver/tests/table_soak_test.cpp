// Four bots play a thousand rounds at one table, every move through the
// table's requests: after every step each tile is in exactly one place, each
// bot's hand as it learnt it from the table is the model's, and every settled
// round sums to zero.

#include <gtest/gtest.h>

#include <algorithm>

#include "rules/tests/table_driver.h"
#include "tools/gameserver/table_bot.h"
#include "tools/gameserver/table_game.h"

namespace gameserver {
namespace {

std::vector<rules::TileId> Sorted(std::vector<rules::TileId> tiles) {
    std::sort(tiles.begin(), tiles.end());
    return tiles;
}

TEST(TableSoakTest, ThousandRoundsOfFourBots) {
    int64_t clock = 0;
    TableOptions options;
    options.botChairs = {true, true, true, true};
    options.botDelayMs = 1;
    options.seed = 2024;
    TableGame table(options, [&] { return clock; });
    int last = 0, wins = 0, selfDrawn = 0;
    for (int step = 0; table.rounds() < 1000; ++step) {
        ASSERT_LT(step, 1000 * 2000) << "the table stopped playing";
        clock += 1;
        table.Tick();
        rules::CRuleTable& model = table.model();
        ASSERT_EQ(rules::testing::Misplaced(model), "") << "step " << step;
        for (int32_t c = 0; c < 4; ++c) {
            if (table.AwaitsDelivery(c)) continue;
            ASSERT_EQ(Sorted(table.BotAt(c)->hand()), Sorted(rules::testing::HeldTiles(model, c)))
                << "chair " << c << " step " << step << " round " << table.rounds();
        }
        if (table.rounds() == last) continue;
        last = table.rounds();
        const rules::TableRecord& end = model.LastGameEnd();
        int64_t scores = 0, changes = 0;
        for (size_t s = 0; s < 4; ++s) {
            scores += end.Get(rules::game_end::kScores + s);
            changes += end.Get(rules::game_end::kScoreChange + s);
        }
        ASSERT_EQ(scores, 0) << "round " << last;
        ASSERT_EQ(changes, 0) << "round " << last;
        wins += model.Winner() >= 0;
        selfDrawn += (model.EndCode() & rules::kEndSelfDrawn) != 0;
    }
    EXPECT_GT(wins, 10);
    EXPECT_GT(selfDrawn, 0);
}

}  // namespace
}  // namespace gameserver
