#include "client/hall_client.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <mutex>

#include "client/tests/hall_test_data.h"
#include "platform/message.h"
#include "platform/window.h"
#include "transport/tests/temp_program_dir.h"

namespace client {
namespace {

using Action = HallCopyResult::Action;
using testing::MakePlayer;
using testing::MakeState;

LaunchLine Line() {
    LaunchLine line;
    line.gameId = 3;
    line.hallWindow = 4660;
    line.userId = 101;
    line.tableNo = 5;
    line.chair = 0;
    line.lookerFlag = 0;
    return line;
}

class HallClientTest : public ::testing::Test {
  protected:
    // Everything the log wrote, from any daily file of the program folder.
    std::string LogText() {
        std::string all;
        for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
            all += dir_.Read(e.path().filename().string());
        return all;
    }
    HallCopyResult Copy(uintptr_t type, const std::vector<uint8_t>& plain, bool watch = true) {
        const auto bytes = HallDataEncrypt(plain);
        return hall_.OnCopyData(type, bytes, watch);
    }

    transport::testing::TempProgramDir dir_;
    HallClient hall_{Line(), dir_.path() + "hall.sock"};
};

TEST_F(HallClientTest, AValidTableStateIsHeldAndStartsTheEnterSequence) {
    EXPECT_EQ(Copy(kCopyTableState, MakeState(4, 1).Encode()).action, Action::kTableStateReady);
    EXPECT_EQ(hall_.Tables().Seats()[2].userId, 103u);
}

TEST_F(HallClientTest, ARefusedTableStateIsLoggedAndChangesNothing) {
    ASSERT_EQ(Copy(kCopyTableState, MakeState(4, 1).Encode()).action, Action::kTableStateReady);
    auto bad = MakeState(4, 1);
    bad.seated[1].chair = 2;
    bad.room.zoneName = "other";
    EXPECT_EQ(Copy(kCopyTableState, bad.Encode()).action, Action::kRefused);
    EXPECT_EQ(hall_.Tables().Room().zoneName, "东区");
    EXPECT_NE(LogText().find("seat 1 carries chair 2"), std::string::npos);
}

TEST_F(HallClientTest, MalformedPayloadsAreLoggedAndRefused) {
    const std::vector<uint8_t> odd(33, 1);
    EXPECT_EQ(hall_.OnCopyData(kCopyTableState, odd, true).action, Action::kRefused);
    auto tooMany = MakeState(0, 0).Encode();
    tooMany[452] = 9;
    EXPECT_EQ(Copy(kCopyTableState, tooMany).action, Action::kRefused);
    EXPECT_EQ(hall_.OnCopyData(kCopyPlayerLeft, std::vector<uint8_t>(48), true).action,
              Action::kRefused);
    const std::string log = LogText();
    EXPECT_NE(log.find("not whole cipher blocks"), std::string::npos);
    EXPECT_NE(log.find("above 8 or 64"), std::string::npos);
    EXPECT_NE(log.find("48 bytes is a wrong size"), std::string::npos);
}

TEST_F(HallClientTest, OtherTypesGoToDefaultProcessing) {
    EXPECT_EQ(Copy(2, MakePlayer(1, 0).Encode()).action, Action::kDefault);
    EXPECT_EQ(Copy(0x33, {}).action, Action::kDefault);
}

TEST_F(HallClientTest, LookersFillFreeSlotsUntilTheTableIsFull) {
    ASSERT_EQ(Copy(kCopyTableState, MakeState(1, 63).Encode()).action, Action::kTableStateReady);
    const auto first = Copy(kCopyLookerJoined, MakePlayer(900, 0, 1).Encode());
    EXPECT_EQ(first.action, Action::kLookerJoined);
    EXPECT_EQ(first.player.userId, 900u);
    EXPECT_EQ(hall_.Tables().Lookers()[63].userId, 900u);
    EXPECT_EQ(Copy(kCopyLookerJoined, MakePlayer(901, 0, 1).Encode()).action, Action::kIgnored);
}

TEST_F(HallClientTest, PlayerLeftActsOnlyForTheOwnTableWhileWatching) {
    struct Case {
        const char* name;
        PlayerLeftRecord left;
        bool watch;
        Action expected;
    };
    const Case cases[] = {
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

TEST_F(HallClientTest, PlayerCardCarriesTheRecord) {
    const auto got = Copy(kCopyPlayerCard, MakePlayer(555, 3).Encode());
    EXPECT_EQ(got.action, Action::kPlayerCard);
    EXPECT_EQ(got.player.userName, "player555");
}

TEST_F(HallClientTest, ReportWordsComeFromTheLaunchLine) {
    const auto r = hall_.MakeReport(0x77, 15, 2, 0);
    EXPECT_EQ(r.code, 0x77u);
    EXPECT_EQ(r.userId, 101u);
    EXPECT_EQ(r.tableNo, 5);
    EXPECT_EQ(r.chair, 0);
    EXPECT_EQ(r.gameId, 3u);
    EXPECT_EQ(r.serverMajor, 15u);
    EXPECT_EQ(r.serverMinor, 2u);
    EXPECT_EQ(r.CopyDataType(), kCopyReport);
    EXPECT_EQ(hall_.MakeReport(0, 0, 0, 1234).CopyDataType(), kCopyReportConnectionLost);
}

TEST_F(HallClientTest, WithoutAHallNothingIsSent) {
    EXPECT_FALSE(hall_.HallExists());
    hall_.NotifyHall(platform::HWND{7});
    hall_.ReportToHall(hall_.MakeReport(0, 0, 0, 0));
}

TEST_F(HallClientTest, TheHallHearsTheMainWindowAndTheReports) {
    std::mutex mu;
    std::vector<platform::HallFrame> seen;
    platform::HallEndpoint endpoint(
        dir_.path() + "hall.sock",
        [&](platform::HallConnection&, const platform::HallFrame& f, uint32_t* result) {
            std::lock_guard lock(mu);
            seen.push_back(f);
            *result = 1;
            return true;
        });
    ASSERT_TRUE(endpoint.Open());
    ASSERT_TRUE(hall_.HallExists());
    hall_.NotifyHall(platform::HWND{0x42});
    hall_.ReportToHall(hall_.MakeReport(0x42, 0, 0, 0));
    hall_.ReportToHall(hall_.MakeReport(0x42, 0, 0, 9));
    endpoint.Close();

    std::lock_guard lock(mu);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].message, kHallMsgMainWindow);
    EXPECT_EQ(seen[0].wParam, 0x42u);
    EXPECT_EQ(seen[0].lParam, 5u);
    EXPECT_EQ(seen[1].dwData, kCopyReport);
    EXPECT_EQ(seen[1].wParam, 0x42u);
    EXPECT_EQ(HallReport::Decode(seen[1].data), hall_.MakeReport(0x42, 0, 0, 0));
    EXPECT_EQ(seen[2].dwData, kCopyReportConnectionLost);
    EXPECT_FALSE(hall_.HallExists());
}

}  // namespace
}  // namespace client
