#include "client/game_app.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "client/comm_thread.h"
#include "client/tests/session_fixture.h"
#include "platform/clock.h"
#include "platform/gui/wnd.h"
#include "platform/paths.h"
#include "tools/hall/hall_stand_in.h"

namespace client {
namespace {

using gameserver::Reply;
using testing::Words;

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

class GameAppTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("QEVO_HALL_DIR", dir_.path().c_str(), 1);
        setenv("QEVO_SYSTEM_DIR", dir_.path().c_str(), 1);
        setenv("QEVO_PROGRAM_DIR", dir_.path().c_str(), 1);
    }
    void TearDown() override {
        unsetenv("QEVO_HALL_DIR");
        unsetenv("QEVO_SYSTEM_DIR");
        unsetenv("QEVO_PROGRAM_DIR");
    }
    platform::testing::TempDir dir_;
};

TEST_F(GameAppTest, FewerThanNineFieldsAsksToStartTheHall) {
    for (int answer : {kIdNo, kIdYes}) {
        LaunchApp app;
        app.answer = answer;
        app.SetCommandLine("\"1|host|3|4|5|6|7|8\"");
        EXPECT_FALSE(app.ParseLaunchLine());
        ASSERT_EQ(app.asked.size(), 1u);
        EXPECT_EQ(app.asked[0], "该程序必须从游戏大厅中启动,是否启动游戏大厅？");
        EXPECT_EQ(app.hallStarts, answer == kIdYes ? 1 : 0);
        EXPECT_EQ(app.Hall(), nullptr);
    }
}

TEST_F(GameAppTest, ExactlyNineFieldsGiveNoCaptionAndTheDefaultPort) {
    LaunchApp app;
    app.SetCommandLine("\"7|srv.example|3|4242|9|101|5|2|1\"");
    ASSERT_TRUE(app.ParseLaunchLine());
    EXPECT_EQ(app.GetGameId(), 7u);
    EXPECT_EQ(app.GetServerHost(), "srv.example");
    EXPECT_EQ(app.GetRoomId(), 3u);
    EXPECT_EQ(app.GetHallWnd(), 4242u);
    EXPECT_EQ(app.GetLaunchField4(), 9u);
    EXPECT_EQ(app.GetUserId(), 101u);
    EXPECT_EQ(app.GetTableNo(), 5);
    EXPECT_EQ(app.GetOwnChair(), 2);
    EXPECT_EQ(app.GetLookerFlag(), 1u);
    EXPECT_EQ(app.GetGameTitle(), "");
    EXPECT_EQ(app.GetServerPort(), 31201u);
    EXPECT_EQ(app.GetLaunchField9(), 0u);
    EXPECT_TRUE(app.asked.empty());
}

TEST_F(GameAppTest, LaunchLineEdges) {
    struct Case {
        std::string line;
        std::string host, caption;
        uint32_t port;
    } cases[] = {
        {"\"1|h|3|4|5|6|7|8|0|x|标题|0\"", "h", "标题", 31201},
        {"1|h|3|4|5|6|7|8|0|x|cap|4000", "h", "cap", 4000},  // no quotes: split unchanged
        {"1|h|3|4|5|6|7|8|0|x|cap|4000\"", "h", "cap", 4000},
        {"\"1|" + std::string(40, 'h') + "|3|4|5|6|7|8|0|x|" + std::string(200, 'c') + "|1\"",
         std::string(31, 'h'), std::string(127, 'c'), 1},
    };
    for (auto& c : cases) {
        LaunchApp app;
        app.SetCommandLine(c.line);
        ASSERT_TRUE(app.ParseLaunchLine()) << c.line;
        EXPECT_EQ(app.GetServerHost(), c.host);
        EXPECT_EQ(app.GetGameTitle(), c.caption);
        EXPECT_EQ(app.GetServerPort(), c.port) << c.line;
    }
}

TEST_F(GameAppTest, PlayerGetters) {
    LaunchApp app;
    app.SetCommandLine(testing::LaunchFor(1, 102, 1));
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
    EXPECT_EQ(app.GetPlayerWord40(999), 0u);
    EXPECT_EQ(app.GetPlayerWord40(102), 1u);
    EXPECT_EQ(app.IsPlayerFlag1000(102), 1u);
    EXPECT_EQ(app.IsPlayerFlag1000(101), 0u);
    EXPECT_EQ(app.GetUserDisplayName(101), "player101");
    EXPECT_EQ(app.GetUserDisplayName(102), "player102[雀友]");
    EXPECT_EQ(app.GetSeatDisplayName(1), "player102[雀友]");
    EXPECT_EQ(app.GetSeatName(0), "player101");
    EXPECT_EQ(app.GetSeatUserId(2), 103u);
    EXPECT_EQ(app.GetSeatUserId(8), 0u);
    EXPECT_EQ(app.GetSeatUserId(-1), 0u);
    EXPECT_EQ(app.IsLookerUser(201), 1u);
    EXPECT_EQ(app.IsLookerUser(101), 0u);
    EXPECT_EQ(app.IsLookerUser(999), 0u);
    EXPECT_EQ(app.GetSeatedCount(), 3u);
    EXPECT_EQ(app.GetZoneName(), "东区");
}

TEST_F(GameAppTest, SmallScreenIsEightHundredPixelsOrLess) {
    const auto previous = platform::GetDisplay();
    for (int width : {800, 801}) {
        platform::SetDisplay(
            std::make_shared<platform::HeadlessDisplay>(platform::SIZE{width, 600}));
        LaunchApp app;
        EXPECT_EQ(app.IsSmallScreen(), width <= 800 ? 1u : 0u) << width;
    }
    platform::SetDisplay(previous);
}

TEST_F(GameAppTest, Paths) {
    LaunchApp app;
    app.SetCommandLine(testing::LaunchFor(1));
    ASSERT_TRUE(app.ParseLaunchLine());
    EXPECT_EQ(app.GetIniPath(), platform::ProgramDir() + "Qevo.ini");
    dir_.Write("mirb.ini", "[SYSTEM]\r\nExePath=/opt/hall/GameHall.exe\r\n");
    EXPECT_EQ(app.GetHallDir(), "/opt/hall/");
    EXPECT_EQ(app.GetHallIniPath(), "/opt/hall/GameHall.ini");
    EXPECT_EQ(app.GetPortraitDir(), "/opt/hall/Share\\Image\\portrait\\");
    EXPECT_EQ(app.GetPlayerColorFilePath(), "/opt/hall/temp\\101.dat");
    EXPECT_TRUE(platform::DirectoryExists(app.GetTempDir()));
    EXPECT_EQ(app.GetRulesPage().substr(app.GetRulesPage().size() - 15), "rules/Qevo.html");

    ASSERT_TRUE(app.SetTableState(testing::MakeState(2, 0)));
    EXPECT_EQ(app.GetAdvertUrl(), "http://advert.example/advert/window/7/jq.htm");
    dir_.Write("Qevo.ini", "[ADVERT]\r\nWWW3=http://ads.example/x\r\n");
    EXPECT_EQ(app.GetAdvertUrl(), "http://ads.example/x");

    std::filesystem::create_directories(dir_ / "Sound/0female");
    std::filesystem::create_directories(dir_ / "Sound/1male");
    std::filesystem::create_directories(dir_ / "Sound/other");
    std::vector<std::string> first, second;
    app.EnumSoundFolders(first, second);
    EXPECT_EQ(first, std::vector<std::string>{"0female"});
    EXPECT_EQ(second, std::vector<std::string>{"1male"});
}

// ConnectServer with the clock driven while the start-up waits.
class ConnectServerTest : public GameAppTest {
  protected:
    void SetUp() override {
        GameAppTest::SetUp();
        ASSERT_NE(server_.Start(), 0);
        line_ = *ParseLaunchLine(testing::LaunchFor(server_.port()), 31201);
        hall_ = std::make_unique<hall::HallStandIn>(line_);
        ASSERT_TRUE(hall_->Open());
        app_.SetCommandLine(testing::LaunchFor(server_.port()));
        ASSERT_TRUE(app_.ParseLaunchLine());
        ASSERT_TRUE(app_.StartCommThread());
    }
    bool Connect() {
        platform::ManualClock clock;
        platform::ScopedClock scoped(clock);
        std::atomic<bool> done{false};
        bool ok = false;
        // The clock moves only once a failure text is up, so the requests'
        // own time-outs never pass while their replies are on the way. It
        // keeps moving until the start-up returns: the text goes up before
        // the start-up's wait begins, so a fixed amount could be spent before
        // that wait reads the clock. The steps are paced so that the report
        // to the hall, which follows, is answered long before its time-out.
        std::thread driver([&] {
            while (!done) {
                const auto status = app_.CommThread()->Status();
                if (status.visible && status.text != "正在连接游戏服务器......")
                    clock.AdvanceMillis(100);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        ok = app_.ConnectServer();
        done = true;
        driver.join();
        return ok;
    }

    gameserver::GameServer server_;
    LaunchLine line_;
    std::unique_ptr<hall::HallStandIn> hall_;
    testing::SessionApp app_;
};

TEST_F(ConnectServerTest, VersionEqualConnectsAndHidesTheStatus) {
    server_.SetReply(201001, Reply::With(0, Words({14, 0, 0, 0, 0, 0, 0})));
    ASSERT_TRUE(Connect());
    EXPECT_TRUE(app_.session.IsAlive());
    EXPECT_EQ(app_.session.CommThreadId(), app_.CommThreadId());
    EXPECT_TRUE(hall_->Events().empty());
}

TEST_F(ConnectServerTest, ServerNewerReportsZeroWithItsVersion) {
    server_.SetReply(201001, Reply::With(0, Words({15, 2, 0, 0, 0, 0, 0})));
    EXPECT_FALSE(Connect());
    EXPECT_EQ(app_.CommThread()->Status().text, "您的游戏程序太旧了,必须下载新的程序才能玩游戏。");
    auto events = hall_->Events();
    ASSERT_EQ(events.size(), 1u);
    ASSERT_TRUE(events[0].report);
    EXPECT_EQ(events[0].dwData, 2u);
    EXPECT_EQ(events[0].report->code, 0u);
    EXPECT_EQ(events[0].report->serverMajor, 15u);
    EXPECT_EQ(events[0].report->serverMinor, 0u);
    EXPECT_EQ(events[0].report->userId, 101u);
    EXPECT_EQ(events[0].report->gameId, 7u);
}

TEST_F(ConnectServerTest, ServerOlderReportsZero) {
    server_.SetReply(201001, Reply::With(0, Words({13, 9, 0, 0, 0, 0, 0})));
    EXPECT_FALSE(Connect());
    EXPECT_EQ(app_.CommThread()->Status().text, "服务正在更新中，请稍候再试。");
    auto events = hall_->Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].report->serverMajor, 0u);
}

TEST_F(ConnectServerTest, NoServerGivesTheConnectText) {
    server_.Stop();
    EXPECT_FALSE(Connect());
    EXPECT_EQ(app_.CommThread()->Status().text, "无法连接游戏服务器，请稍后再试。");
    ASSERT_EQ(hall_->Events().size(), 1u);
}

}  // namespace
}  // namespace client
