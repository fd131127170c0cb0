// The whole road of the test client against the scripted game server and the
// hall stand-in: in this process (with the clock driven), and as a program
// the hall starts. Its main window lists the road's lines on the display.
#include <gtest/gtest.h>

#include <filesystem>

#include "client/tests/session_fixture.h"
#include "client/tests/ui_fixture.h"
#include "platform/gui/display.h"
#include "platform/process.h"

namespace client {
namespace {

using gameserver::Reply;
using hall::HallEvent;
using std::chrono::milliseconds;
using testing::Words;

class RoadTest : public testing::RoadFixture {
  protected:
    void SetUp() override {
        RoadFixture::SetUp();
        line_.chair = 1;
        ASSERT_TRUE(OpenHall(4));
    }
};

TEST_F(RoadTest, LaunchConnectEnterKeepAliveNotifyLeaveAndReport) {
    // The generated skins and the hall's portraits are where a user has them.
    std::filesystem::copy(testing::AssetDir() + "skins", dir_ / "skins",
                          std::filesystem::copy_options::recursive);
    dir_.Write("mirb.ini", "[SYSTEM]\r\nExePath=" + testing::AssetDir() + "hall/GameHall.exe\r\n");
    line_.caption = "测试牌桌";
    StartClient();
    ASSERT_TRUE(frame_);
    ASSERT_TRUE(events_.WaitFor("entered 1"));
    // The hall answers the main window's notice with the table state, which
    // may be handled while the client still waits for that notice's answer:
    // those two lines come in either order. Seated portraits 0, 5, 2 and 3:
    // three files, and icon 151 for the rest.
    auto lines = events_.Lines();
    ASSERT_GE(lines.size(), 7u);
    if (lines[3] == "table state") std::swap(lines[3], lines[4]);
    EXPECT_EQ(std::vector(lines.begin(), lines.begin() + 7),
              (std::vector<std::string>{"status: 正在连接游戏服务器......", "connected",
                                        "skin 经典蓝", "main window", "table state",
                                        "portraits 9, 3 from files", "entered 1"}));
    auto display = std::dynamic_pointer_cast<platform::HeadlessDisplay>(platform::GetDisplay());
    ASSERT_NE(display, nullptr);
    EXPECT_TRUE(display->IsShown(frame_.value));
    EXPECT_FALSE(display->IsPopup(frame_.value));
    EXPECT_EQ(display->Title(frame_.value), "测试牌桌");
    EXPECT_EQ(display->Frame(frame_.value), display->WorkArea());  // maximised
    ASSERT_TRUE(NextRequest(201001));
    auto enter = NextRequest(200110);
    ASSERT_TRUE(enter);
    EXPECT_EQ(Words({101}), gameserver::Bytes(&enter->data[0], &enter->data[4]));
    EXPECT_EQ(Words({1}), gameserver::Bytes(&enter->data[20], &enter->data[24]));

    // The keep-alive goes every 60 s of the clock, not before.
    clock_.AdvanceMillis(59999);
    EXPECT_FALSE(server_.WaitForRequest(milliseconds(50)));
    clock_.AdvanceMillis(1);
    auto keepAlive = NextRequest(201020);
    ASSERT_TRUE(keepAlive);
    EXPECT_EQ(keepAlive->data, Words({101, 0, 0, 0}));
    clock_.AdvanceMillis(60000);
    ASSERT_TRUE(NextRequest(201020));
    EXPECT_TRUE(events_.WaitFor("keep-alive"));

    // Notifications by id: the game's own, a framework one, one too short.
    const std::pair<uint32_t, gameserver::Bytes> notes[] = {
        {testapp::kNoteTestGame, Words({42})}, {testapp::kNoteTestGame, {1, 2}}, {211020, {1}}};
    for (const auto& [id, data] : notes)
        ASSERT_TRUE(server_.Notify(id, data));
    EXPECT_TRUE(events_.WaitFor("notification 222001 value 42"));
    EXPECT_TRUE(events_.WaitFor("notification 222001 refused"));
    EXPECT_TRUE(events_.WaitFor("notification 211020 refused"));
    // 211025 goes on to the hall as 0x9107 with the main window and the user.
    const size_t before = hall_->Events().size();
    ASSERT_TRUE(server_.Notify(211025, Words({103})));
    ASSERT_TRUE(hall_->WaitForEvents(before + 1, 5000));
    const auto posted = hall_->Events().back();
    EXPECT_EQ(posted.kind, HallEvent::Kind::kPost);
    EXPECT_EQ(std::tie(posted.message, posted.wParam, posted.lParam),
              std::make_tuple(0x9107u, frame_.value, 103u));

    // The user's close box ends the client in order: the leave request, the
    // report with the window handle, the end.
    platform::InputEvent close;
    close.kind = platform::InputEvent::Kind::Close;
    close.window = frame_.value;
    display->Inject(close);
    auto leave = NextRequest(201120);
    ASSERT_TRUE(leave);
    EXPECT_EQ(Words({101, 3, 5, 1}), gameserver::Bytes(&leave->data[0], &leave->data[16]));
    ASSERT_TRUE(Ended());
    EXPECT_EQ(events_.Count("closed"), 1u);
    EXPECT_EQ(HallReports(), 1u);
    const auto events = hall_->Events();
    EXPECT_EQ(std::tie(events[0].kind, events[0].wParam, events[0].lParam),
              std::make_tuple(HallEvent::Kind::kMainWindow, frame_.value, 5u));  // table 5
    const auto report = std::ranges::find(events, HallEvent::Kind::kReport, &HallEvent::kind);
    ASSERT_TRUE(report != events.end() && report->report);
    EXPECT_EQ(report->dwData, 2u);
    EXPECT_EQ(report->report->code, frame_.value);
    EXPECT_EQ(report->report->chair, 1);
}

TEST_F(RoadTest, LostConnectionEndsTheClientInOrder) {
    StartClient();
    ASSERT_TRUE(events_.WaitFor("entered 1"));
    server_.Disconnect();
    ASSERT_TRUE(Ended());
    const auto lines = events_.Lines();
    const auto at = [&](const std::string& l) {
        return std::ranges::find(lines, l) - lines.begin();
    };
    EXPECT_LT(at("connection lost"), at("closed"));
    EXPECT_LT(at("closed"), at("ended"));
    EXPECT_GE(HallReports(), 1u);
}

TEST_F(RoadTest, EnterRefusedClosesTheClient) {
    server_.SetReply(200110, Reply::With(210020));
    StartClient();
    ASSERT_TRUE(events_.WaitFor("status: 没有空余的旁观位置。"));
    // The client waits before it closes, and serves the hall meanwhile: the
    // clock stands still, yet the hall's record is handled.
    EXPECT_TRUE(hall_->SendLooker(testing::MakePlayer(301, 1, 1)));
    EXPECT_TRUE(events_.WaitFor("looker joined 301"));
    EXPECT_EQ(events_.Count("ended"), 0u);
    ASSERT_TRUE(DriveUntil("ended", 100));
    ui_.join();
}

// ---- The client as a program the hall stand-in starts ----

TEST_F(RoadTest, AsAProgramItEntersPassesOnLeaversAndEndsWithTheHall) {
    setenv("QEVO_HEADLESS", "1", 1);  // the client never opens a real window here
    line_.chair = 0;
    ASSERT_TRUE(OpenHall(4));
    ASSERT_GT(hall_->Start({QEVO_CLIENT_TESTAPP}), 0);
    ASSERT_TRUE(NextRequest(200110));  // entered, so the hall knows the main window
    // Another player leaves: the seated client tells the server.
    ASSERT_TRUE(hall_->SendPlayerLeft(102, 1));
    auto leave = NextRequest(201120);
    ASSERT_TRUE(leave);
    EXPECT_EQ(Words({102, 3, 5, 1}), gameserver::Bytes(&leave->data[0], &leave->data[16]));
    hall_->Vanish();  // the hall goes; the client ends with it
    EXPECT_EQ(hall_->WaitForExit(), 0);
    EXPECT_EQ(hall_->Events()[0].kind, HallEvent::Kind::kMainWindow);
    // A launch line that is not the hall's: the client asks (and, as a
    // test client, is told No) and ends.
    EXPECT_EQ(platform::RunProcess(QEVO_CLIENT_TESTAPP,
                                   std::vector<std::string>{"\"7|127.0.0.1|3|4|5|6|7|8\""}),
              1);
}

}  // namespace
}  // namespace client
