#include "client/hall_tables.h"

#include <gtest/gtest.h>

#include "client/tests/hall_test_data.h"
#include "transport/tests/temp_program_dir.h"

namespace client {
namespace {

using testing::MakeState;

// Refusals write log lines; they go to a temporary program folder.
class SetTableState : public ::testing::Test {
  protected:
    transport::testing::TempProgramDir dir_;
};

OwnSeat Seated(uint32_t userId, int32_t chair) {
    return OwnSeat{userId, 5, chair, 0, 0x1234};
}

TEST_F(SetTableState, StoresSeatsThenLookersAndKeepsSlotsBeyondTheCounts) {
    HallTables tables;
    EXPECT_EQ(tables.FindPlayer(101), nullptr);
    EXPECT_EQ(tables.GetPlayerChair(101), -1);
    ASSERT_TRUE(tables.SetTableState(MakeState(4, 3), Seated(103, 2)));
    EXPECT_EQ(tables.Room().zoneName, "东区");
    EXPECT_EQ(tables.Seats()[3].userId, 104u);
    EXPECT_EQ(tables.Seats()[4].userId, 0u);
    EXPECT_EQ(tables.GetPlayerChair(103), 2);
    ASSERT_TRUE(tables.SetTableState(MakeState(2, 1), Seated(101, 0)));
    EXPECT_EQ(tables.Table().seatedCount, 2u);
    EXPECT_EQ(tables.Seats()[3].userId, 104u);
    EXPECT_EQ(tables.Lookers()[2].userId, 203u);
    // A looker's own record passes with no one seated.
    EXPECT_TRUE(tables.SetTableState(MakeState(0, 3), OwnSeat{202, 5, 0, 1, 0}));
    // The same id seated and watching: the seat is found first.
    auto state = MakeState(2, 1);
    state.lookers[0].userId = 102;
    EXPECT_TRUE(tables.SetTableState(state, Seated(102, 1)));
    EXPECT_EQ(tables.FindPlayer(102), &tables.Seats()[1]);
}

TEST_F(SetTableState, RefusalsLeaveTheHeldStateWhole) {
    auto wrongChair = MakeState(4, 0);
    wrongChair.seated[1].chair = 2;
    auto otherRoom = MakeState(4, 0);
    otherRoom.room.zoneName = "changed";
    const struct {
        const char* name;
        HallTableState state;
        OwnSeat own;
    } cases[] = {
        {"seat 1 carries chair 2", wrongChair, Seated(101, 0)},
        {"own user absent", otherRoom, Seated(999, 0)},
        {"own chair differs", otherRoom, Seated(101, 1)},
        {"own looker flag differs", otherRoom, OwnSeat{101, 5, 0, 1, 0}},
        {"user id 0 is no player", MakeState(0, 0), Seated(0, 0)},
    };
    for (const auto& c : cases) {
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

}  // namespace
}  // namespace client
