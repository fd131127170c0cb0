#include "client/hall_tables.h"

#include <gtest/gtest.h>

#include "client/tests/hall_test_data.h"
#include "transport/tests/temp_program_dir.h"

namespace client {
namespace {

using testing::MakePlayer;
using testing::MakeState;

// Refusals write log lines; they go to a temporary program folder.
class LoggedTest : public ::testing::Test {
  protected:
    transport::testing::TempProgramDir dir_;
};
using SetTableState = LoggedTest;
using AddLooker = LoggedTest;

OwnSeat Seated(uint32_t userId, int32_t chair) {
    return OwnSeat{userId, 5, chair, 0, 0x1234};
}

TEST_F(SetTableState, StoresAValidState) {
    HallTables tables;
    ASSERT_TRUE(tables.SetTableState(MakeState(4, 2), Seated(103, 2)));
    EXPECT_EQ(tables.Room().zoneName, "东区");
    EXPECT_EQ(tables.Table().seatedCount, 4u);
    EXPECT_EQ(tables.Seats()[3].userId, 104u);
    EXPECT_EQ(tables.Lookers()[1].userId, 202u);
    EXPECT_EQ(tables.Seats()[4].userId, 0u);
    EXPECT_EQ(tables.GetPlayerChair(103), 2);
}

TEST_F(SetTableState, ZeroSeatedPassesWhenTheOwnRecordIsALooker) {
    HallTables tables;
    EXPECT_TRUE(tables.SetTableState(MakeState(0, 3), OwnSeat{202, 5, 0, 1, 0}));
    EXPECT_FALSE(HallTables().SetTableState(MakeState(0, 3), Seated(101, 0)));
}

TEST_F(SetTableState, RefusalsLeaveTheHeldStateWhole) {
    struct Case {
        const char* name;
        HallTableState state;
        OwnSeat own;
    };
    auto wrongChair = MakeState(4, 0);
    wrongChair.seated[1].chair = 2;
    auto otherRoom = MakeState(4, 0);
    otherRoom.room.zoneName = "changed";
    Case cases[] = {
        {"seat 1 carries chair 2", wrongChair, Seated(101, 0)},
        {"own user absent", otherRoom, Seated(999, 0)},
        {"own chair differs", otherRoom, Seated(101, 1)},
        {"own looker flag differs", otherRoom, OwnSeat{101, 5, 0, 1, 0}},
        {"user id 0 is no player", MakeState(0, 0), Seated(0, 0)},
    };
    for (auto& c : cases) {
        HallTables tables;
        ASSERT_TRUE(tables.SetTableState(MakeState(2, 1), Seated(101, 0)));
        const HallTables before = tables;
        EXPECT_FALSE(tables.SetTableState(c.state, c.own)) << c.name;
        EXPECT_EQ(tables.Room(), before.Room()) << c.name;
        EXPECT_EQ(tables.Table(), before.Table()) << c.name;
        EXPECT_EQ(tables.Seats(), before.Seats()) << c.name;
        EXPECT_EQ(tables.Lookers(), before.Lookers()) << c.name;
    }
}

TEST_F(SetTableState, SlotsBeyondTheNewCountsKeepWhatTheyHeld) {
    HallTables tables;
    ASSERT_TRUE(tables.SetTableState(MakeState(4, 3), Seated(101, 0)));
    ASSERT_TRUE(tables.SetTableState(MakeState(2, 1), Seated(101, 0)));
    EXPECT_EQ(tables.Seats()[3].userId, 104u);
    EXPECT_EQ(tables.Lookers()[2].userId, 203u);
    EXPECT_EQ(tables.Table().seatedCount, 2u);
}

TEST_F(SetTableState, SeatsAreSearchedBeforeLookers) {
    auto state = MakeState(2, 1);
    state.lookers[0].userId = 102;  // the same id watching as well
    HallTables tables;
    EXPECT_TRUE(tables.SetTableState(state, Seated(102, 1)));
    EXPECT_EQ(tables.FindPlayer(102), &tables.Seats()[1]);
}

TEST_F(AddLooker, TakesTheFirstFreeSlot) {
    HallTables tables;
    ASSERT_TRUE(tables.SetTableState(MakeState(1, 2), Seated(101, 0)));
    ASSERT_TRUE(tables.AddLooker(MakePlayer(300, 0, 1)));
    EXPECT_EQ(tables.Lookers()[2].userId, 300u);
    EXPECT_EQ(tables.GetPlayerChair(300), 0);
}

TEST_F(AddLooker, AFullTableChangesNothing) {
    HallTables tables;
    ASSERT_TRUE(tables.SetTableState(MakeState(1, 64), Seated(101, 0)));
    const auto before = tables.Lookers();
    EXPECT_FALSE(tables.AddLooker(MakePlayer(300, 0, 1)));
    EXPECT_EQ(tables.Lookers(), before);
    EXPECT_EQ(tables.FindPlayer(300), nullptr);
}

TEST(PlayerLeft, ConcernsOnlyTheOwnTableInTheOwnHall) {
    const OwnSeat own = Seated(101, 0);
    EXPECT_TRUE(HallTables::ConcernsOwnTable({0x1234, 102, 5, 1}, own));
    EXPECT_FALSE(HallTables::ConcernsOwnTable({0x1234, 102, 6, 1}, own));
    EXPECT_FALSE(HallTables::ConcernsOwnTable({0x4321, 102, 5, 1}, own));
}

TEST(FindPlayer, AbsentIdsGiveNullAndChairMinusOne) {
    HallTables tables;
    EXPECT_EQ(tables.FindPlayer(5), nullptr);
    EXPECT_EQ(tables.GetPlayerChair(5), -1);
}

}  // namespace
}  // namespace client
