#include "client/game_app.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "client/tests/session_fixture.h"
#include "platform/gui/wnd.h"
#include "platform/paths.h"

namespace client {
namespace {

class LaunchApp : public testing::SessionApp {
  public:
    int MessageBox(const std::string& text, uint32_t type) override {
        asked.push_back(text);
        EXPECT_EQ(type, kMbYesNo | kMbIconInformation);
        return answer;
    }
    void StartHall() override { ++hallStarts; }
    std::vector<std::string> asked;
    int answer = kIdNo;
    int hallStarts = 0;
};

using GameAppTest = testing::ServerFixture;

TEST_F(GameAppTest, TheLaunchLineIsHeldAndAShortOneAsksToStartTheHall) {
    LaunchApp app;
    app.SetCommandLine("\"7|srv.example|3|4242|9|101|5|2|1\"");
    ASSERT_TRUE(app.ParseLaunchLine());
    EXPECT_EQ(app.Launch(), ParseLaunchLine("\"7|srv.example|3|4242|9|101|5|2|1\"", 31201));
    EXPECT_EQ(
        std::make_tuple(app.GetGameId(), app.GetUserId(), app.GetTableNo(), app.GetOwnChair()),
        std::make_tuple(7u, 101u, 5, 2));
    EXPECT_EQ(app.GetServerPort(), 31201u);
    EXPECT_TRUE(app.asked.empty());
    for (int answer : {kIdNo, kIdYes}) {
        LaunchApp app;
        app.answer = answer;
        app.SetCommandLine("\"1|host|3|4|5|6|7|8\"");
        EXPECT_FALSE(app.ParseLaunchLine());
        EXPECT_EQ(app.asked,
                  std::vector<std::string>{"该程序必须从游戏大厅中启动,是否启动游戏大厅？"});
        EXPECT_EQ(app.hallStarts, answer == kIdYes ? 1 : 0);
        EXPECT_EQ(app.Hall(), nullptr);
    }
}

TEST_F(GameAppTest, PlayersBySeatAndByUser) {
    LaunchApp app;
    line_.userId = 102;
    line_.chair = 1;
    app.SetCommandLine(hall::BuildLaunchLine(line_));
    ASSERT_TRUE(app.ParseLaunchLine());
    auto state = testing::MakeState(3, 2);
    state.seated[0].nickname = "";
    state.seated[1].friendFlag = 1;
    state.seated[1].flags = 0x1000;
    ASSERT_TRUE(app.SetTableState(state));

    EXPECT_EQ(app.GetPlayerChair(103), 2);
    EXPECT_EQ(app.GetPlayerChair(999), -1);
    EXPECT_EQ(app.GetUserName(999), "");
    EXPECT_EQ(app.GetUserDisplayName(999), "");
    EXPECT_EQ(app.GetUserDisplayName(101), "player101");
    EXPECT_EQ(app.GetUserDisplayName(102), "player102[雀友]");
    EXPECT_EQ(app.GetSeatDisplayName(1), "player102[雀友]");
    EXPECT_EQ(app.GetSeatName(0), "player101");
    EXPECT_EQ(app.GetPlayerWord40(102), 1u);
    EXPECT_EQ(app.IsPlayerFlag1000(102), 1u);
    for (const auto& [user, looker] : {std::pair{201u, 1u}, {101u, 0u}, {999u, 0u}})
        EXPECT_EQ(app.IsLookerUser(user), looker) << user;
    for (const auto& [chair, user] : {std::pair{2, 103u}, {8, 0u}, {-1, 0u}})
        EXPECT_EQ(app.GetSeatUserId(chair), user) << chair;
    EXPECT_EQ(app.GetSeatedCount(), 3u);
    EXPECT_EQ(app.GetZoneName(), "东区");
}

TEST_F(GameAppTest, Paths) {
    LaunchApp app;
    app.SetCommandLine(hall::BuildLaunchLine(line_));
    ASSERT_TRUE(app.ParseLaunchLine());
    EXPECT_EQ(app.GetIniPath(), platform::ProgramDir() + "Qevo.ini");
    dir_.Write("mirb.ini", "[SYSTEM]\r\nExePath=/opt/hall/GameHall.exe\r\n");
    EXPECT_EQ(app.GetHallDir(), "/opt/hall/");
    EXPECT_EQ(app.GetHallIniPath(), "/opt/hall/GameHall.ini");
    EXPECT_EQ(app.GetPortraitDir(), "/opt/hall/Share\\Image\\portrait\\");
    EXPECT_EQ(app.GetPlayerColorFilePath(), "/opt/hall/temp\\101.dat");
    EXPECT_TRUE(platform::DirectoryExists(app.GetTempDir()));
    EXPECT_TRUE(app.GetRulesPage().ends_with("rules/Qevo.html"));

    EXPECT_EQ(app.GetAdvertUrl(), "");  // no advert host yet: no page
    ASSERT_TRUE(app.SetTableState(testing::MakeState(2, 0)));
    EXPECT_EQ(app.GetAdvertUrl(), "http://advert.example/advert/window/7/jq.htm");
    dir_.Write("Qevo.ini", "[ADVERT]\r\nWWW3=http://ads.example/x\r\n");
    EXPECT_EQ(app.GetAdvertUrl(), "http://ads.example/x");

    for (const char* folder : {"0female", "1male", "other"})
        std::filesystem::create_directories(dir_ / ("Sound/" + std::string(folder)));
    std::vector<std::string> first, second;
    app.EnumSoundFolders(first, second);
    EXPECT_EQ(first, std::vector<std::string>{"0female"});
    EXPECT_EQ(second, std::vector<std::string>{"1male"});
}

}  // namespace
}  // namespace client
