#include "client/hall_client.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "client/tests/hall_test_data.h"
#include "transport/tests/temp_program_dir.h"

namespace client {
namespace {

using Action = HallCopyResult::Action;
using testing::MakePlayer;
using testing::MakeState;

class HallClientTest : public ::testing::Test {
  protected:
    // Game 3, hall window 4660, user 101 in chair 0 of table 5.
    static LaunchLine Line() { return LaunchLine{3, "", 0, 4660, 0, 101, 5, 0, 0, "", 0}; }
    // Everything the log wrote, from any daily file of the program folder.
    std::string LogText() {
        std::string all;
        for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
            all += dir_.Read(e.path().filename().string());
        return all;
    }
    HallCopyResult Copy(uintptr_t type, const std::vector<uint8_t>& plain, bool watch = true) {
        return hall_.OnCopyData(type, HallDataEncrypt(plain), watch);
    }

    transport::testing::TempProgramDir dir_;
    HallClient hall_{Line(), dir_.path() + "hall.sock"};
};

TEST_F(HallClientTest, TableStatesAreHeldOrRefusedWithALogLine) {
    EXPECT_EQ(Copy(kCopyTableState, MakeState(4, 1).Encode()).action, Action::kTableStateReady);
    EXPECT_EQ(hall_.Tables().Seats()[2].userId, 103u);
    auto bad = MakeState(4, 1);
    bad.seated[1].chair = 2;
    bad.room.zoneName = "other";
    auto tooMany = MakeState(0, 0).Encode();
    tooMany[452] = 9;
    EXPECT_EQ(Copy(kCopyTableState, bad.Encode()).action, Action::kRefused);
    EXPECT_EQ(Copy(kCopyTableState, tooMany).action, Action::kRefused);
    EXPECT_EQ(hall_.OnCopyData(kCopyTableState, std::vector<uint8_t>(33, 1), true).action,
              Action::kRefused);
    EXPECT_EQ(hall_.OnCopyData(kCopyPlayerLeft, std::vector<uint8_t>(48), true).action,
              Action::kRefused);
    EXPECT_EQ(hall_.Tables().Room().zoneName, "东区");
    const std::string log = LogText();
    for (const char* line : {"seat 1 carries chair 2", "not whole cipher blocks", "above 8 or 64",
                             "48 bytes is a wrong size"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    // Other types are not the hall's: default processing.
    EXPECT_EQ(Copy(2, MakePlayer(1, 0).Encode()).action, Action::kDefault);
    EXPECT_EQ(Copy(0x33, {}).action, Action::kDefault);
}

TEST_F(HallClientTest, LookersFillFreeSlotsUntilTheTableIsFullAndCardsCarryTheRecord) {
    ASSERT_EQ(Copy(kCopyTableState, MakeState(1, 63).Encode()).action, Action::kTableStateReady);
    const auto first = Copy(kCopyLookerJoined, MakePlayer(900, 0, 1).Encode());
    EXPECT_EQ(first.action, Action::kLookerJoined);
    EXPECT_EQ(first.player.userId, 900u);
    EXPECT_EQ(hall_.Tables().Lookers()[63].userId, 900u);
    EXPECT_EQ(hall_.Tables().GetPlayerChair(900), 0);
    EXPECT_EQ(Copy(kCopyLookerJoined, MakePlayer(901, 0, 1).Encode()).action, Action::kIgnored);
    EXPECT_EQ(hall_.Tables().FindPlayer(901), nullptr);
    const auto card = Copy(kCopyPlayerCard, MakePlayer(555, 3).Encode());
    EXPECT_EQ(card.action, Action::kPlayerCard);
    EXPECT_EQ(card.player.userName, "player555");
}

TEST_F(HallClientTest, PlayerLeftActsOnlyForTheOwnTableWhileWatching) {
    const struct {
        const char* name;
        PlayerLeftRecord left;
        bool watch;
        Action expected;
    } cases[] = {
        {"own table", {4660, 102, 5, 1}, true, Action::kPlayerLeft},
        {"other table", {4660, 102, 6, 1}, true, Action::kIgnored},
        {"other hall window", {4661, 102, 5, 1}, true, Action::kIgnored},
        {"watch flag cleared", {4660, 102, 5, 1}, false, Action::kIgnored},
    };
    for (const auto& c : cases) {
        const auto got = Copy(kCopyPlayerLeft, c.left.Encode(), c.watch);
        EXPECT_EQ(got.action, c.expected) << c.name;
        EXPECT_EQ(got.left, c.left) << c.name;
    }
}

}  // namespace
}  // namespace client
