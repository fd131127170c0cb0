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

}  // namespace
}  // namespace mahjong
