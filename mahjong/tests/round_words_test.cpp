// The round result's flags, and the table pane's size
// as the seat layouts read it from the main frame.
#include <gtest/gtest.h>

#include "mahjong/tests/client_fixture.h"

namespace mahjong {
namespace {

using testing::Words;

TEST(RoundWords, TheResultFlagsReadTheirBits) {
    CTableLogic logic;
    const struct {
        int32_t flags;
        bool has1000000, has4000000, noWinner;
    } results[] = {{0, false, false, false},
                   {0x1000000, true, false, false},
                   {0x4000000, false, true, false},
                   {0x5000002, true, true, true},
                   {int32_t(0xfaffffff), false, false, true}};
    for (const auto& r : results) {
        Words result(snap::kResultWords);
        result[0] = r.flags;
        ASSERT_TRUE(logic.StoreRoundResult(result.Bytes()));
        EXPECT_EQ(logic.HasResultFlag1000000(), r.has1000000) << std::hex << r.flags;
        EXPECT_EQ(logic.HasResultFlag4000000(), r.has4000000) << std::hex << r.flags;
        EXPECT_EQ(logic.IsNoWinner(), r.noWinner) << std::hex << r.flags;
    }
}

class PaneSizeTest : public testing::ClientFixture {};

TEST_F(PaneSizeTest, TheSeatLayoutsReadTheTablePanesSizeFromTheMainFrame) {
    Seat(1);
    const CGameSeatLayout* layouts[] = {&Logic(), app_->GetSeatPanel()};
    int32_t heights[2] = {};
    for (int32_t& height : heights) {
        const platform::RECT pane = Pane().GetClientRect();
        height = pane.Height();
        ASSERT_GT(pane.Width(), 0);
        for (const CGameSeatLayout* l : layouts) {
            EXPECT_EQ(l->GetTablePaneWidth(), pane.Width());
            EXPECT_EQ(l->GetTablePaneHeight(), pane.Height());
        }
        // The frame grows: the pane's new size is read, not a copy.
        const platform::RECT frame = Frame().GetWindowRect();
        Frame().MoveWindow(frame.left, frame.top, frame.Width() + 40, frame.Height() + 30);
        client::testing::Pump();
    }
    EXPECT_NE(heights[0], heights[1]);
}

}  // namespace
}  // namespace mahjong
