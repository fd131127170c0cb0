// The main frame against the game server, the hall stand-in and the web
// server: the enter sequence, notices, the advert page, skins, the close
// flow, the delayed close and the connection lost in a game.
#include <gtest/gtest.h>

#include "client/comm_thread.h"
#include "client/game_table_view.h"
#include "client/html_views.h"
#include "client/notice_download.h"
#include "client/picture_file.h"
#include "client/tests/frame_fixture.h"
#include "platform/profile.h"

namespace client {
namespace {

using std::chrono::milliseconds;
using testing::FrameFixture;

class FrameTest : public FrameFixture {
  protected:
    // Requests of `id` the server got since the last call.
    size_t Drain(uint32_t id) {
        size_t n = 0;
        while (auto r = server_.WaitForRequest(milliseconds(0)))
            n += r->id == id;
        return n;
    }
    // Waits for a request of `id`: requests sent without waiting for an
    // answer reach the server's worker some time after the client moves on.
    bool AwaitRequest(uint32_t id) {
        while (auto r = server_.WaitForRequest(testing::kWait))
            if (r->id == id) return true;
        return false;
    }
    void Pump() { testing::Pump(); }
};

TEST_F(FrameTest, EntersOnceFillsThePanesShowsTheNoticeAndTheAdvert) {
    ASSERT_TRUE(StartAndEnter());
    EXPECT_EQ(Drain(200110), 1u);
    EXPECT_EQ(frame_->GetPlayerView()->List().GetItemCount(), 6);
    EXPECT_TRUE(ChatHas(" 欢迎来到一号房\r\n 您的位置： 测试区 第6桌\r\n")) << ChatText();
    // The chat pane's first notice, shown once it came.
    ASSERT_TRUE(PumpUntil([&] { return ChatHas("[系统公告]"); }));
    EXPECT_EQ(RequestsFor("//notify/game/7.txt"), 1u);
    EXPECT_EQ(frame_->NoticeJobCount(), 0u);
    const std::string advert = "http://" + web_.HostAndPort() + "/advert/window/7/jq.htm";
    auto* pane = dynamic_cast<CAdvertView*>(frame_->GetAdvertPane());
    ASSERT_TRUE(pane && pane->Html());
    ASSERT_TRUE(PumpUntil([&] { return pane->Html()->LocationUrl() == advert; }));
    EXPECT_EQ(RequestsFor("/advert/window/7/jq.htm"), 1u);
    // Another table state: the list follows, nobody enters again.
    hall_->TableState().seated[0].nickname = "新名";
    ASSERT_TRUE(WhileHallSends([&] { return hall_->SendTableState(); }));
    auto& list = frame_->GetPlayerView()->List();
    ASSERT_TRUE(PumpUntil([&] { return list.GetItemText(0, 1) == "新名"; }));
    EXPECT_EQ(Drain(200110), 0u);

    // The table pane lies under its neighbours' edges; without a picture it
    // paints its colour, a picture is stretched to its size and kept while
    // sizes are zero or unchanged; it runs one clock however often started.
    CGameTableView& table = *frame_->GetTableView();
    table.MoveWindow(10, 10, 100, 50);
    EXPECT_EQ(table.GetRectInParent(), (platform::RECT{9, 9, 111, 61}));
    table.SetBackgroundBitmap(nullptr);  // a skin without one: the colour, not the last picture
    table.UpdateBackground();
    table.SetBackgroundColor(0x123456);
    platform::Surface out(4, 4);
    platform::Painter painter(out);
    table.DrawBackground(painter, {0, 0, 4, 4});
    EXPECT_EQ(out.At(3, 3), platform::PixelOf(0x123456));
    auto cloth = std::make_shared<platform::Surface>(2, 2);
    cloth->Fill(platform::PixelOf(0x00FF00));
    table.SetBackgroundBitmap(cloth);
    table.UpdateBackground();
    cloth->Fill(platform::PixelOf(0x0000FF));
    for (auto size : {platform::MAKELPARAM(0, 50), platform::MAKELPARAM(102, 52)})
        platform::SendMessage(table.GetSafeHwnd(), platform::WM_SIZE, 0, size);
    EXPECT_EQ(table.StretchedBackground().Width(), 102);
    EXPECT_EQ(table.StretchedBackground().At(50, 20), platform::PixelOf(0x00FF00));
    table.StopClockTimer();
    table.StartClockTimer();
    table.StartClockTimer();
    EXPECT_EQ(table.ClockTimer(), 1000u);
    table.StopClockTimer();
    EXPECT_EQ(table.ClockTimer(), 0u);
}

TEST_F(FrameTest, ANoticeWaitsForTheRunningDownloadABadOneShowsNothingAndAGoneFrameNothing) {
    EXPECT_EQ(NoticePeriodMs(600), 600000u);
    EXPECT_EQ(NoticePeriodMs(4294968), 0x7FFFFFFFu);  // x 1000 passes 32 bits
    EXPECT_EQ(NoticeUrl("h:81", 7), "http://h:81//notify/game/7.txt");
    EXPECT_TRUE(IsNoticeText("<NOTIFY>x"));
    EXPECT_FALSE(IsNoticeText("<notif"));
    Web(std::chrono::hours(1));
    ASSERT_TRUE(StartAndEnter());
    ASSERT_TRUE(web_.WaitForDelayed(2, testing::kWait));  // the notice and the advert
    clock_.AdvanceMillis(600'000);                        // the period passes: busy
    Pump();
    EXPECT_EQ(NoticeDownloads::RunningThreads(), 1);
    EXPECT_EQ(frame_->NoticeJobCount(), 1u);
    Web({}, true);
    web_.ReleaseDelayed();
    ASSERT_TRUE(PumpUntil([&] { return frame_->NoticeJobCount() == 0; }));
    EXPECT_FALSE(ChatHas("维护中"));
    Web();
    clock_.AdvanceMillis(600'000);
    ASSERT_TRUE(PumpUntil([&] { return ChatHas("[系统公告]"); }));
    EXPECT_EQ(RequestsFor("//notify/game/"), 2u);
    // A frame destroyed mid-download aborts it and waits for its thread:
    // nothing outlives the frame to log or post.
    Web(std::chrono::hours(1));
    clock_.AdvanceMillis(600'000);
    Pump();
    ASSERT_TRUE(web_.WaitForDelayed(1, testing::kWait));
    frame_.reset();
    EXPECT_EQ(NoticeDownloads::RunningThreads(), 0);
    web_.ReleaseDelayed();
}

TEST_F(FrameTest, AKeepAliveRestartReplacesTheRunningTimerAndZeroStopsIt) {
    // Whether the clock moving `ms` sends a keep-alive.
    auto sends = [&](int64_t ms) {
        clock_.AdvanceMillis(ms);
        Pump();
        while (auto r = server_.WaitForRequest(milliseconds(100)))
            if (r->id == 201020) return true;
        return false;
    };
    ASSERT_TRUE(StartAndEnter());
    EXPECT_FALSE(sends(25'000));
    frame_->StartKeepAliveTimer(10);  // replaces the 60 s one, which would go at 60 s
    for (int64_t ms : {9'999, 1, 10'000, 10'000, 5'000})
        EXPECT_EQ(sends(ms), ms == 1 || ms == 10'000) << ms;
    frame_->StartKeepAliveTimer(0);
    EXPECT_FALSE(sends(600'000));
}

TEST_F(FrameTest, SkinsChangeThroughTimerFourOnly) {
    ASSERT_TRUE(Start());
    const std::string skin1 = app_->skin.GetSkinPath();
    for (uint32_t command : {kSkinMenuMore, kSkinMenuFirst, kSkinMenuFirst + 63}) {
        platform::SendMessage(frame_->Handle(), kMsgSkinChosen, command);
        clock_.AdvanceMillis(1);
        Pump();
        EXPECT_EQ(app_->skin.GetSkinPath(), skin1) << command;
    }
    EXPECT_EQ(app_->opened, std::vector<std::string>{app_->GetSkinPage()});
    // The dialog bar's skin button asks for the menu under it.
    auto& button = static_cast<CMJGameFrameWnd&>(*frame_).DialogBar().SkinButton();
    EXPECT_GT(button.GetRectInParent().Width(), 0);

    platform::SendMessage(frame_->Handle(), kMsgSkinChosen, kSkinMenuFirst + 1);
    Pump();
    EXPECT_EQ(app_->skin.GetSkinPath(), skin1);  // not before the timer
    clock_.AdvanceMillis(1);
    Pump();
    const std::string skin2 = app_->skin.GetSkinPath();
    EXPECT_NE(skin2.find("skin2"), std::string::npos);
    EXPECT_EQ(platform::GetPrivateProfileString("SKIN", "Path", "", app_->GetIniPath(), 260),
              skin2);
    ASSERT_TRUE(PumpUntil([&] {
        return app_->CommThread()->Status().backgroundPath.find("skin2") != std::string::npos;
    }));
    // The dialog bar shows the new skin's picture.
    const platform::Surface bar = LoadPictureFile(ui_.dir / "skins/skin2/DlgBarBK.bmp");
    ASSERT_FALSE(bar.Empty());
    EXPECT_EQ(frame_->BackBuffer()->At(1, 1) & 0xFFFFFF, bar.At(1, 1) & 0xFFFFFF);
}

TEST_F(FrameTest, ClosingAsksOnlyWhileAGameRuns) {
    struct Case {
        const char* name;
        uint32_t looker;
        uint32_t running;  // the answer to 201130
        uint32_t options;
        int answer;
        bool closes;
        std::string box;
    } cases[] = {
        {"no game", 0, 0, 0, platform::IDOK, true, ""},
        {"game, leave", 0, 210030, 0, platform::IDOK, true, std::string(kTextQuitCosts) + "|33"},
        {"game, stay", 0, 210030, 0, platform::IDCANCEL, false,
         std::string(kTextQuitCosts) + "|33"},
        {"room forbids", 0, 210030, 0x4000, platform::IDOK, false,
         std::string(kTextKeepPlaying) + "|0"},
        {"looker", 1, 210030, 0, platform::IDOK, true, ""},
    };
    for (const Case& c : cases) {
        line_.lookerFlag = c.looker;
        roomOptions_ = c.options;
        server_.SetReply(201130, gameserver::Reply::With(c.running));
        ASSERT_TRUE(Start()) << c.name;
        ASSERT_TRUE(PumpUntil([&] { return frame_->Entered(); })) << c.name;
        Drain(0);
        app_->answer = c.answer;
        const platform::HWND window = frame_->Handle();
        platform::SendMessage(window, platform::WM_CLOSE);
        EXPECT_EQ(platform::IsWindow(window), !c.closes) << c.name;
        EXPECT_EQ(app_->boxes,
                  c.box.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.box})
            << c.name;
        if (c.closes)
            EXPECT_TRUE(AwaitRequest(201120)) << c.name;
        else
            EXPECT_EQ(Drain(201120), 0u) << c.name;
        Stop();
    }
}

TEST_F(FrameTest, APlayerLeavingClosesLaterWhileTheFrameWatches) {
    for (bool watching : {true, false}) {
        ASSERT_TRUE(StartAndEnter());
        ASSERT_TRUE(WhileHallSends([&] { return hall_->SendPlayerLeft(1002, 2); }));
        EXPECT_TRUE(PumpUntil([&] {
            return app_->CommThread()->Status().text == "user1002[东风]已经退出,游戏结束。";
        }));
        // The leave request for the player who left.
        std::optional<gameserver::ReceivedRequest> leave;
        do {
            leave = server_.WaitForRequest(testing::kWait);
        } while (leave && (leave->id != 201120 || platform::LoadLE32(&leave->data[0]) != 1002));
        ASSERT_TRUE(leave);
        if (!watching) frame_->ClearClosePending();  // as 211000 does
        const platform::HWND window = frame_->Handle();
        clock_.AdvanceMillis(2999);
        Pump();
        EXPECT_TRUE(platform::IsWindow(window));
        clock_.AdvanceMillis(1);
        Pump();
        EXPECT_EQ(platform::IsWindow(window), !watching);
        Stop();
    }
}

TEST_F(FrameTest, AConnectionLostInAGameIsToldWithThePlaceThenTheFrameCloses) {
    ASSERT_TRUE(StartAndEnter());
    frame_->GetTableView()->StartClockTimer();  // a game runs
    const platform::HWND window = frame_->Handle();
    server_.Disconnect();
    ASSERT_TRUE(PumpUntil([&] { return !platform::IsWindow(window); }));
    EXPECT_EQ(app_->boxes, std::vector<std::string>{
                               "断线了！请尽快重入房间续玩。\r\n您的位置【测试区_一号房】。|16"});
    EXPECT_EQ(hall_->Events().back().dwData, 5u);
}

}  // namespace
}  // namespace client
