// Auto-play's own kongs against the scripted server: a kong ends the step,
// and the next step acts on the replacement tile the kong's reply brought.
#include <gtest/gtest.h>

#include <vector>

#include "mahjong/tests/client_fixture.h"

namespace mahjong {
namespace {

using testing::ClientFixture;
using testing::Reply;
using testing::T;
using testing::Words;

class AutoKongTest : public ClientFixture {
  protected:
    void SetUp() override { Seat(0); }
    // A tick of the turn clock's timer.
    void Tick() { Scene().OnTimer(Scene().ClockTimerId()); }
};

TEST_F(AutoKongTest, AKongEndsTheStepAndTheNextStepActsOnTheReplacement) {
    // Four 1s of suit 0 in a hand of 17 on the own turn; the rest of the hand
    // is suit 2, ranks 1-9, one copy each, and the three 1s of suit 1.
    const std::vector<int32_t> base = {T(0, 1, 0), T(0, 1, 1), T(0, 1, 2), T(0, 1, 3), T(1, 1, 0),
                                       T(1, 1, 1), T(1, 1, 2), T(2, 1, 0), T(2, 2, 0), T(2, 3, 0),
                                       T(2, 4, 0), T(2, 5, 0), T(2, 6, 0), T(2, 7, 0), T(2, 8, 0),
                                       T(2, 9, 0), T(2, 1, 1)};
    const struct Case {
        const char* name;
        int32_t replacement, options;
        uint32_t next;  // the request of the step after the kong's
    } cases[] = {
        {"the replacement wins", T(2, 9, 1), 0x8, kReqHu},
        {"the replacement makes a second kong", T(1, 1, 3), 0, kReqConcealedKong},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Words w = testing::RoundStart(0, base);
        w.Set(snap::kJokersInRow, 1).Set(snap::kSubstituteAsTile, 1);
        w.Set(snap::kJokerA, -1).Set(snap::kJokerB, -1);
        ASSERT_TRUE(Notify(211040, w));
        Scene().StartTurnClock();
        Scene().BeginOperationDisplay();
        ASSERT_TRUE(Scene().IsButtonEnabled(kKongButton));
        server_.SetReply(kReqConcealedKong,
                         Reply::With(kReplyOk, Words(8)
                                                   .Set(kong_reply::kReplacement, c.replacement)
                                                   .Set(kong_reply::kWallIndex, 141)
                                                   .Set(kong_reply::kOptions, c.options)
                                                   .Bytes()));
        Scene().PollSceneButtons(210031);  // auto-play on
        Tick();
        Tick();
        ASSERT_TRUE(Next(kReqConcealedKong));
        EXPECT_FALSE(SentBeforeMarker(kReqDiscard)) << "a discard in the kong's step";
        Tick();
        Tick();
        EXPECT_TRUE(SentBeforeMarker(c.next));
        Scene().PollSceneButtons(210031);  // off again
    }
}

}  // namespace
}  // namespace mahjong
