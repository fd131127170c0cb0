// The table rules base and the tile table under the rule table: start checks,
// settlement arithmetic, seats and groups, bids, the test deal, the deal and
// draws at the edges, and the records' sizes and bytes.

#include <gtest/gtest.h>

#include <tuple>

#include "rules/table/tests/table_scene.h"

namespace rules {
namespace {

using namespace testing;

// A rule table whose cursors a test may move.
class OpenTable : public CRuleTable {
  public:
    OpenTable(const TableConfig& config, TableEnvironment env)
        : CRuleTable(config, std::move(env)) {}
    void SetFrontPos(int32_t pos) { frontPos_ = pos; }
};

TEST(TableBaseTest, RecordSizesOfEveryLevel) {
    TestTable tt(1);
    CRuleTable& t = *tt.table;
    EXPECT_EQ(t.CGameTable::TableInfoSize(), 444u);
    EXPECT_EQ(t.CGameTable::GameEndRecordSize(), 560u);
    EXPECT_EQ(t.CTileGameTable::TableInfoSize(), 5764u);
    EXPECT_EQ(t.CTileGameTable::GameEndRecordSize(), 580u);
    EXPECT_EQ(t.CMJGameTable::TableInfoSize(), 10716u);
    EXPECT_EQ(t.CMJGameTable::GameEndRecordSize(), 832u);
    EXPECT_EQ(t.TableInfoSize(), 10716u);
    EXPECT_EQ(t.StateRecordSize(), 5052u);
    EXPECT_EQ(t.SeatRecordSize(), 948u);
    EXPECT_EQ(t.GameEndRecordSize(), 1668u + 4 * 172);
    ASSERT_TRUE(tt.Start());
    TableRecord r;
    for (auto fill : {&CRuleTable::FillStateRecord, &CRuleTable::FillSeatRecord}) {
        // A record full of garbage comes back zeroed where nothing is named.
        r = TableRecord(5052);
        for (size_t i = 0; i < r.WordCount(); ++i)
            r.Set(i, 0x55555555);
        (t.*fill)(r, 1, 0);
        auto bytes = r.Encode();
        auto back = TableRecord::Decode(bytes, r.ByteSize());
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, r);
        EXPECT_FALSE(TableRecord::Decode(bytes, r.ByteSize() + 4));
        bytes.pop_back();
        EXPECT_FALSE(TableRecord::Decode(bytes, r.ByteSize()));
    }
    EXPECT_EQ(r.ByteSize(), 948u);
    EXPECT_EQ(r.Get(233), 0);
    t.FillStateRecord(r, 1, 0);
    EXPECT_EQ(r.Get(1205), 0);
    EXPECT_EQ(r.Get(1262), 0);
    r.PutText(10, 16, "一万and more text");
    EXPECT_EQ(r.Text(10, 16), std::string("一万and more text").substr(0, 15));
}

TEST(TableBaseTest, StartChecksNameTheSeat) {
    // Every player brings score 1000 and silver 5000.
    struct Case {
        int32_t emptySeat, flagsA;
        RuleOptions options;
        StartParams params;
        int32_t result, seat;
    } cases[] = {
        {2, 0x4, 0x80022011, {.minSilver = 9999}, kStartSeatEmpty, 2},
        {-1, 0, 0x80022011, {.minSilver = 5001}, 1, -1},  // silver counts with flag A bit 4
        {-1, 0x4, 0x80022011, {.minSilver = 5001}, kStartSilverTooLow, 0},
        {-1, 0x4, 0x80022011 | 0x400000, {.minSilver = 5001}, 1, -1},
        {-1, 0, 0x80022011, {.minScore = 1001}, kStartScoreTooLow, 0},
        {-1, 0, 0x80022011, {.maxScore = 999}, kStartScoreTooHigh, 0},
    };
    for (const Case& c : cases) {
        TableConfig config;
        config.options = c.options;
        TestTable tt(3, config);
        if (c.emptySeat >= 0) tt.table->RemovePlayer(100 + c.emptySeat, c.emptySeat);
        for (int s = 0; s < 4; ++s)
            tt.table->SetSeatFlags(s, c.flagsA, 0);
        int32_t seat = -1;
        EXPECT_EQ(tt.table->StartRound(&seat, c.params), c.result) << c.result;
        EXPECT_EQ(seat, c.seat);
    }
}

TEST(TableBaseTest, TheStartRecordsWhetherAnySeatHasFlagBBitOne) {
    // Flag A's bit 1 plays no part.
    for (auto [flagsA, flagsB, recorded] :
         {std::tuple{0x1, 0x0, 0}, {0x0, 0x1, 1}, {0x1, 0x2, 0}}) {
        TestTable tt(3);
        tt.table->SetSeatFlags(2, flagsA, flagsB);
        ASSERT_TRUE(tt.Start());
        TableRecord r;
        tt.table->FillTableInfo(r, 0, 0);
        EXPECT_EQ(r.Get(table_info::kStartAnyFlagB1), recorded) << flagsA << " " << flagsB;
    }
}

TEST(TableBaseTest, SettlementArithmetic) {
    TableConfig config;
    config.options |= 0x4000000;  // a loss is capped by the loser's own silver
    TestTable tt(5, config);
    CRuleTable& t = *tt.table;
    EXPECT_EQ(t.PrevSeat(0), 3);
    EXPECT_EQ(t.NextSeat(3), 0);
    for (int32_t unit : {1, 10}) {
        StartParams p;
        p.settlementMode = 6;
        p.feeUnit = unit;
        int32_t seat;
        ASSERT_EQ(t.StartRound(&seat, p), 1);
        struct Fee {
            int32_t gain, fee;
        } fees[] = {{100, 0},
                    {101, std::min(1 * unit, 5)},
                    {20000, std::min(200 * unit, 1000)},
                    {30000, std::min(2 * 300 * unit, 1500)}};
        for (const Fee& f : fees) {
            SeatWords change{f.gain, -f.gain}, fee{};
            EXPECT_EQ(t.TakeFees(change, fee), f.fee) << f.gain;
            EXPECT_EQ(change[0], f.gain - f.fee);
        }
        t.PrepareGame(nullptr);
    }
    // A loss of 10 from 3 silver is cut by 7; the winner of all 25 gives
    // back exactly 7 (not 8, as ceil(7 / 25 * 25) in floating point).
    SeatWords silver{100, 100, 3, 100}, change{25, -15, -10, 0};
    EXPECT_EQ(t.CapLosses(silver, change), 18 - 15 - 3);
    EXPECT_EQ(change, (SeatWords{18, -15, -3, 0}));
    // A settlement that sums to nothing (with its fees) stands; one that
    // creates silver is wiped.
    SeatWords zero{30, -10, -10, -15}, fee{5, 0, 0, 0};
    EXPECT_EQ(t.GuardGains(zero, fee, 5), 1);
    EXPECT_EQ(zero[0], 30);
    SeatWords gain{30, -10, 0, 0};
    EXPECT_EQ(t.GuardGains(gain, fee, 0), 0);
    EXPECT_EQ(gain, SeatWords{});
    EXPECT_EQ(fee, SeatWords{});
}

TEST(TableBaseTest, SeatsGroupsAndPlayers) {
    TestTable tt(7);
    CRuleTable& t = *tt.table;
    // Before any game every seat is in group -1: nobody is outside it.
    EXPECT_EQ(t.ShareAmount(0, 1, 10), 0);
    // With no tiles anywhere, passing the turn finds nobody.
    EXPECT_EQ(t.PassTurn(), -1);
    ASSERT_TRUE(tt.Start());
    EXPECT_EQ(t.GroupCount(), 4);
    // 10 shared by the 3 seats outside seat 1's group: 3 each, and the first
    // of them after seat 1 also takes the remainder.
    EXPECT_EQ(t.ShareAmount(0, 1, 10), 4);
    EXPECT_EQ(t.ShareAmount(2, 1, 10), 3);
    EXPECT_TRUE(t.IsSeatedPlayer(102));
    t.RemovePlayer(102, 2);
    EXPECT_EQ(t.PlayerAt(2), nullptr);
    EXPECT_FALSE(t.IsSeatedPlayer(102));
    t.RemoveUser(1, 101);
    EXPECT_EQ(t.PlayerAt(1), nullptr);
    EXPECT_TRUE(t.FindPlayer(100));
}

TEST(TableBaseTest, BidsStopAtTheListsEnd) {
    TestTable tt(9);
    CRuleTable& t = *tt.table;
    int32_t done = 0;
    for (int i = 0; i < 32; ++i) {
        const int32_t bid[] = {0, 0, 0, i % 4, 0, 150};
        EXPECT_EQ(t.RecordBid(bid, &done), 1);
        EXPECT_EQ(done, 0);
    }
    const int32_t top[] = {0, 0, 0, 2, 0, 400};
    EXPECT_EQ(t.RecordBid(top, &done), 0);
    TestTable fresh(9);
    EXPECT_EQ(fresh.table->RecordBid(top, &done), 1);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(fresh.table->CurrentChair(), 2);
    EXPECT_EQ(fresh.table->BestBid(), 400);
}

TEST(TableBaseTest, TheTestDealIsOnlyAWholePermutation) {
    TestTable tt(11);
    CRuleTable& t = *tt.table;
    std::vector<TileId> order(144);
    for (int i = 0; i < 144; ++i)
        order[size_t(i)] = (i * 37) % 144;
    std::vector<std::vector<TileId>> bad = {order, order, order, order, {1, 2, 3}};
    bad[0][5] = bad[0][6];
    bad[1][0] = -1;
    bad[2][0] = 144;
    bad[3].push_back(0);
    for (const auto& b : bad)
        EXPECT_FALSE(t.SetTestDeal(b));
    ASSERT_TRUE(t.SetTestDeal(order));
    ASSERT_TRUE(tt.Start());
    for (size_t i = 0; i < 144; ++i)
        EXPECT_EQ(t.Wall()[i].tile, order[i]);
}

TEST(TableBaseTest, DealsOfManySeeds) {
    for (uint32_t seed = 0; seed < 60; ++seed) {
        TestTable tt(seed);
        CRuleTable& t = *tt.table;
        ASSERT_TRUE(tt.Start());
        for (int s = 0; s < 4; ++s) {
            EXPECT_EQ(t.HeldCount(s), s == t.Banker() ? 17 : 16);
            EXPECT_EQ(t.FirstHeldFlower(s), -1);
        }
        EXPECT_EQ(t.FrontDraws(), 65);
        EXPECT_EQ(t.FrontPos(), (65 + t.DealStart()) % 144);
        TileIndex joker = TileIdToIndex(t.JokerTile(), t.Options());
        EXPECT_TRUE(joker > 0 && joker < 30) << seed;
        EXPECT_EQ(t.CheckWall(), 1);
        int32_t d = t.Dice()[0] + t.Dice()[1];
        EXPECT_TRUE(d >= 2 && d <= 12);
    }
}

TEST(TableBaseTest, DrawsAtTheEdgesOfTheWall) {
    TestTable tt(13);
    CRuleTable& t = *tt.table;
    ASSERT_TRUE(tt.Start());
    // Taken tail positions are passed over by the tail rule itself...
    const int32_t counter = t.TailCounter();
    int32_t c = counter, skipped = 0;
    std::vector<int32_t> next;
    while (next.size() < 3) {
        int32_t pos = NextWallTailPos(t.DealStart(), t.SpecialPos(), 144, &c, &skipped);
        if (t.Wall()[size_t(pos)].taken == kTakenInWall) next.push_back(pos);
    }
    t.SetTakenState(t.TileAtWallPos(next[0]), kTakenDiscarded);
    t.SetTakenState(t.TileAtWallPos(next[1]), kTakenDiscarded);
    const int32_t seat = t.ActiveChair();
    EXPECT_EQ(t.DrawTail(seat), t.TileAtWallPos(next[2]));
    // ... and with no free record left the draw gives nothing.
    for (const WallRecord& r : t.Wall()) {
        if (r.taken == kTakenInWall) t.SetTakenState(r.tile, kTakenDiscarded);
    }
    EXPECT_EQ(t.DrawTail(seat), -1);

    // The front cursor never draws the indicator: it passes over it.
    auto draws = std::make_shared<int>(0);
    TableEnvironment env{[draws]() -> uint32_t {
                             int i = (*draws)++;
                             return i == 0 ? 2 : i == 1 ? 3 : 0;
                         },
                         [] { return 1000u; }};
    OpenTable open(TableConfig{}, std::move(env));
    for (int s = 0; s < 4; ++s) {
        auto p = std::make_unique<TablePlayer>();
        p->userId = s + 1;
        open.SeatPlayer(std::move(p), s);
    }
    Scene scene;
    scene.hands = {"7s13579m1357p2468m246p", "369m369m147p147p234s4s", "123456789m123456s7s",
                   "147m258m258p36p1p1234s"};
    ASSERT_TRUE(open.SetTestDeal(SceneOrder(scene)));
    int32_t unused;
    ASSERT_EQ(open.StartRound(&unused, StartParams{}), 1);
    open.SetFrontPos(kSceneSpecial);
    const int32_t front = open.FrontDraws();
    EXPECT_EQ(open.DrawFront(3), kSceneSpecial + 1);
    EXPECT_EQ(open.TakenStateOf(open.JokerTile()), kTakenDiscarded);
    EXPECT_EQ(open.FrontDraws(), front + 2);
}

}  // namespace
}  // namespace rules
