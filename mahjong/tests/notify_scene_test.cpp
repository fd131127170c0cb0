// What reaches the engine pane's scene from the notifications and the
// view's timers.
#include <gtest/gtest.h>

#include <cstring>

#include "mahjong/tests/client_fixture.h"

namespace mahjong {
namespace {

using testing::RoundStart;

class NotifySceneTest : public testing::ClientFixture {};

TEST_F(NotifySceneTest, TheViewsPeekTimerChangesNothingOnTheEnginePane) {
    Seat(0);
    ASSERT_TRUE(Deal(RoundStart(0, {})));
    const int32_t j = Logic().Word(snap::kTurnedUpPos);
    MJStruct& turned = *Scene().GetMJStruct(kAreaWall, 0, j);
    turned.showLarge = 1;
    const MJStruct before = turned;
    platform::SendMessage(View().GetSafeHwnd(), platform::WM_TIMER, kTimerPeek, 0);
    EXPECT_EQ(std::memcmp(&turned, &before, sizeof before), 0);
    EXPECT_EQ(turned.showLarge, 1);
}

TEST_F(NotifySceneTest, DiceOutsideOneToSixStillLeadToTheDeal) {
    Seat(1);
    const struct { int32_t first, second; } rows[] = {{3, 4}, {0, 3}, {3, 7}, {-1, -1}, {6, 1000}};
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.first << "," << r.second);
        testing::Words start = RoundStart(2, {});
        start.Set(snap::kDieA, r.first).Set(snap::kDieB, r.second);
        ASSERT_TRUE(Deal(start)) << "the deal reached the clock";
        EXPECT_EQ(Scene().TC_GetPointTo(), 2 * Scene().ChairToViewSeat(2));
        EXPECT_GT(Scene().GetTurnSeconds(), 0);
        const int32_t banker = Scene().ChairToViewSeat(2);
        int32_t standing = 0;
        for (int32_t i = 0; i < Scene().HandTiles(); ++i)
            standing += Scene().GetMJStruct(kAreaHand, banker, i)->present;
        EXPECT_EQ(standing, 17) << "the banker holds its dealt tiles";
    }
}

TEST_F(NotifySceneTest, TheRoundStartsFromTheSnapshotWithoutThePayload) {
    Seat(0);
    ASSERT_TRUE(Logic().StoreRoundStart(RoundStart(0, {}).Bytes()));
    EXPECT_TRUE(Scene().HandleNotification(211040, {}));
    EXPECT_EQ(Scene().InRound(), 1);
    EXPECT_TRUE(Scene().HasDrawnTile(3)) << "the banker's drawn place from the snapshot";
}

// A main frame without the mahjong chat pane: the chat lines of the
// notifications are skipped, not handed to the frame.
class ChatRecorder : public client::GameFrameAccess {
  public:
    platform::HWND Handle() const override { return platform::HWND{4343}; }
    bool HasChatView() const override { return true; }
    void AppendChatLine(const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

TEST_F(NotifySceneTest, WithoutTheMahjongChatPaneNoChatLineGoesOut) {
    Seat(0);
    ChatRecorder frame;
    app_->SetMainFrame(&frame);
    const struct {
        uint32_t id;
        testing::Words words;
    } rows[] = {
        {201160, testing::Words(8).Set(0, 102).Set(3, 1)},
        {211040, RoundStart(0, {})},
        {211080, testing::Words(snap::kResultWords + 1).Set(snap::kResultWinner, -1)},
        {221160, testing::Words(8).Set(0, 101).Set(4, 201).Set(5, 1)},
    };
    for (const auto& r : rows) {
        EXPECT_TRUE(Notify(r.id, r.words)) << r.id;
        EXPECT_TRUE(frame.lines.empty()) << r.id << ": " << frame.lines.front();
        frame.lines.clear();
    }
    app_->SetMainFrame(nullptr);
}

}  // namespace
}  // namespace mahjong
