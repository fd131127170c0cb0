// The application's notification handler, its settings and the table's
// resynchronisation, with a main frame that keeps what the panes are told.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "mahjong/tests/client_fixture.h"
#include "platform/profile.h"

namespace mahjong {
namespace {

using testing::ClientFixture;
using testing::Reply;
using testing::Words;

class PaneRecorder : public client::GameFrameAccess, public MJFramePanes {
  public:
    platform::HWND Handle() const override { return platform::HWND{4242}; }
    bool HasChatView() const override { return true; }
    void AppendChatLine(const std::string& text) override { chat.push_back(text); }
    void ShowSeeHandRequest(uint32_t lookerId) override { seeHand.push_back(lookerId); }
    void ShowExitRequest(uint32_t userId, const std::string& reason) override {
        exits.push_back({userId, reason});
    }
    void AfterRound() override { ++rounds; }
    void RedrawTable() override { ++redraws; }

    std::vector<std::string> chat;
    std::vector<uint32_t> seeHand;
    std::vector<std::pair<uint32_t, std::string>> exits;
    int rounds = 0;
    int redraws = 0;
};

class DispatchTest : public ClientFixture {
  protected:
    void SetUp() override {
        Seat(0);
        app_->SetMainFrame(&panes_);
    }
    void TearDown() override {
        app_->SetMainFrame(nullptr);
        ClientFixture::TearDown();
    }
    bool Said(const std::string& line) {
        return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
    }
    PaneRecorder panes_;
};

TEST_F(DispatchTest, ExitRequestsAndAnswersReachThePanesAndTheChat) {
    Words request = Words(20, 0x78787878).Set(0, 102);  // the reason fills all 64 bytes
    ASSERT_TRUE(Notify(400006, request));
    ASSERT_EQ(panes_.exits.size(), 1u);
    EXPECT_EQ(panes_.exits[0].first, 102u);
    EXPECT_EQ(panes_.exits[0].second, std::string(63, 'x')) << "the reason ends in its field";
    EXPECT_EQ(panes_.chat.back(), " <c=2906200>player102请求退出 \r\n");
    ASSERT_TRUE(Notify(400007, Words(6).Set(0, 103).Set(4, 102).Set(5, 1)));
    EXPECT_EQ(panes_.chat.back(), " <c=2906200>player103答应player102的退出请求 \r\n");
    EXPECT_FALSE(Notify(400006, Words(19)));  // too short: refused
}

TEST_F(DispatchTest, StartsRoundsLookOnRequestsAndAForcedQuit) {
    ASSERT_TRUE(Notify(201160, Words(8).Set(0, 102).Set(3, 1)));
    // This frame has no mahjong chat pane: the line is skipped.
    EXPECT_TRUE(panes_.chat.empty());
    EXPECT_EQ(app_->GetSeatPanel()->Seat(Scene().ChairToViewSeat(1)).started, 1);
    // Its ready icon stands beside its seat.
    const engine::Entity* ready = Scene().GetEntity(Scene().Controls().readyIcons[1]);
    ASSERT_NE(ready, nullptr);
    EXPECT_TRUE(ready->IsVisible());

    // A round start is stored before the scene reads it, and clears the
    // exit requests counted.
    app_->CountExitRequest(0);
    Words start(snap::kRoundStartWords, -1);
    start.Set(snap::kRoundNumber, 7).Set(snap::kBankerChair, 2).Set(snap::kTurnChair, 2);
    ASSERT_TRUE(Notify(211040, start));
    EXPECT_EQ(Logic().GetRoundNumber(), 7);
    EXPECT_EQ(Scene().InRound(), 1);
    EXPECT_EQ(app_->ExitRequests(0), 0);
    ASSERT_TRUE(Notify(211080, Words(snap::kResultWords + 1).Set(snap::kResultWinner, -1)));
    EXPECT_EQ(panes_.rounds, 1);
    EXPECT_EQ(Scene().ClockTimerId(), 0u);

    // Looking on is asked of the player unless refused for everyone.
    ASSERT_TRUE(Notify(221050, Words(8).Set(0, 201)));
    app_->SetSettings(0, 1, 1);
    ASSERT_TRUE(Notify(221050, Words(8).Set(0, 201)));
    EXPECT_EQ(panes_.seeHand, std::vector<uint32_t>{201});

    // A forced quit shows what it cost as positive numbers.
    ASSERT_TRUE(Notify(211000, Words(7).Set(1, 2).Set(2, 1).Set(5, -5).Set(6, -30)));
    EXPECT_TRUE(Said("message: player103[雀友] 已经强行退出，游戏结束。(扣除30两,5分)"));
    EXPECT_FALSE(Notify(211000, Words(2)));
}

TEST_F(DispatchTest, SettingsDefaultAndAreWrittenBackAtExit) {
    app_->LoadSettings();
    EXPECT_EQ(app_->IsQuickCatch(), 1u);
    EXPECT_EQ(app_->IsSilent(), 0u);
    EXPECT_EQ(app_->GetRejectKanPaiAsk(), 0u);
    app_->SetSettings(1, 0, 0);
    app_->SaveSettings();
    const std::string ini = app_->GetIniPath();
    for (const char* key : {"QuickCatch", "Silence", "RejectKanPaiAsk"})
        EXPECT_NE(platform::GetPrivateProfileInt("GAMESET", key, -7, ini), uint32_t(-7)) << key;
    EXPECT_EQ(platform::GetPrivateProfileInt("GAMESET", "Silence", 0, ini), 1u);
    // Silenced, no sound reaches the player.
    lines_.clear();
    app_->PlaySound(29010, 0);
    EXPECT_TRUE(lines_.empty());
}

TEST_F(DispatchTest, ResyncTriesThreeTimesThreeSecondsAfterEachFailure) {
    // The server holds each answer until the test lets it go, `slowMs` into
    // the try; the next try comes three seconds after the failure. The
    // client runs the resync on its own thread and says when a try failed.
    std::mutex mu;
    std::condition_variable said;
    int failed = 0;
    app_->SetEventSink([&](const std::string& l) {
        std::lock_guard lock(mu);
        lines_.push_back(l);
        failed += l == "resync try failed";
        said.notify_all();
    });
    auto tries = [&](int64_t slowMs, bool lastSucceeds) {
        server_.SetReply(201140, Reply::Held(1010));
        auto done = std::async(std::launch::async, [&] { app_->ResyncTable(); });
        ASSERT_TRUE(Next(201140));
        for (int i = 1; i < 3; ++i) {
            const int before = [&] {
                std::lock_guard lock(mu);
                return failed;
            }();
            clock_.AdvanceMillis(slowMs);
            server_.ReleaseHeld();  // on the server's thread: the held answer was made
            {
                std::unique_lock lock(mu);
                ASSERT_TRUE(said.wait_for(lock, testing::kWait, [&] { return failed > before; }))
                    << slowMs << " " << i;
            }
            // The last try is answered at once.
            if (i == 2 && lastSucceeds)
                server_.SetReply(201140, Reply::With(kReplyOk, Words(snap::kBlockWords).Bytes()));
            clock_.AdvanceMillis(2999);
            EXPECT_FALSE(server_.WaitForRequest(std::chrono::milliseconds(20))) << slowMs << i;
            clock_.AdvanceMillis(1);
            ASSERT_TRUE(Next(201140)) << slowMs << i;
        }
        if (!lastSucceeds) server_.ReleaseHeld();
        done.get();
    };
    app_->SetSharedWord4(1);
    tries(0, true);
    EXPECT_TRUE(Said("resync"));
    EXPECT_EQ(panes_.redraws, 1) << "the table pane is painted again";
    EXPECT_FALSE(Said("resync failed"));
    tries(2000, true);
    EXPECT_FALSE(Said("resync failed"));
    tries(0, false);
    EXPECT_TRUE(Said("resync failed"));
    EXPECT_TRUE(Said(std::string("message: ") + client::kTextResyncFailed));
}

}  // namespace
}  // namespace mahjong
