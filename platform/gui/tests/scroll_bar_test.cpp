#include "platform/gui/scroll_bar.h"

#include <gtest/gtest.h>

#include "platform/gui/tests/gui_test_support.h"

namespace platform {
namespace {

using testing_support::Pump;
using testing_support::RecordingWnd;

class ScrollParent : public RecordingWnd {
  public:
    std::vector<std::pair<int, int>> scrolls;  // code, position

  protected:
    LRESULT OnMessage(Message& msg) override {
        if (msg.message == WM_VSCROLL) {
            scrolls.emplace_back(LOWORD(msg.wParam), HIWORD(msg.wParam));
            return 0;
        }
        return RecordingWnd::OnMessage(msg);
    }
};

class ScrollBarTest : public testing::Test {
  protected:
    ScrollBarTest() : display_(std::make_shared<HeadlessDisplay>()) {
        SetDisplay(display_);
        Pump();
        parent_.CreateEx(0, "", WS_POPUP | WS_VISIBLE, {0, 0, 100, 216}, nullptr, 0);
        bar_.Create(WS_VISIBLE | SBS_VERT, {0, 0, 16, 216}, &parent_, 9);
        SCROLLINFO info;
        info.fMask = SIF_ALL;
        info.nMin = 0;
        info.nMax = 99;
        info.nPage = 20;
        bar_.SetScrollInfo(info);
        Pump();
    }
    ~ScrollBarTest() override { Pump(); }

    void Mouse(InputEvent::Kind kind, POINT p) {
        InputEvent e;
        e.window = parent_.GetSafeHwnd().value;
        e.kind = kind;
        e.point = p;
        e.button = MouseButton::Left;
        display_->Inject(e);
        Pump();
    }

    std::shared_ptr<HeadlessDisplay> display_;
    ScrollParent parent_;
    CScrollBar bar_;
};

TEST_F(ScrollBarTest, ThePageSizesTheThumbAndLimitsThePosition) {
    EXPECT_EQ(bar_.ThumbRect(), (RECT{0, 16, 16, 16 + 184 * 20 / 100}));
    EXPECT_EQ(bar_.SetScrollPos(500), 0);
    EXPECT_EQ(bar_.GetScrollPos(), 80);  // 99 - (20 - 1)
    EXPECT_EQ(bar_.ThumbRect().bottom, 200);
    bar_.SetScrollPos(-3);
    EXPECT_EQ(bar_.GetScrollPos(), 0);
}

TEST_F(ScrollBarTest, ClicksReportLinesPagesAndThumbDrags) {
    struct Case {
        POINT at;
        int code;
    } cases[] = {{{8, 5}, SB_LINEUP}, {{8, 210}, SB_LINEDOWN}, {{8, 150}, SB_PAGEDOWN}};
    for (const Case& c : cases) {
        parent_.scrolls.clear();
        Mouse(InputEvent::Kind::MouseDown, c.at);
        ASSERT_EQ(parent_.scrolls.size(), 2u);
        EXPECT_EQ(parent_.scrolls[0].first, c.code);
        EXPECT_EQ(parent_.scrolls[1].first, SB_ENDSCROLL);
    }
    bar_.SetScrollPos(40);
    parent_.scrolls.clear();
    Mouse(InputEvent::Kind::MouseDown, {8, 20});
    EXPECT_EQ(parent_.scrolls.front().first, SB_PAGEUP);
    // Drag the thumb to the end of the track.
    parent_.scrolls.clear();
    const RECT thumb = bar_.ThumbRect();
    Mouse(InputEvent::Kind::MouseDown, {8, thumb.top + 2});
    Mouse(InputEvent::Kind::MouseMove, {8, 300});
    Mouse(InputEvent::Kind::MouseUp, {8, 300});
    ASSERT_EQ(parent_.scrolls.size(), 3u);
    EXPECT_EQ(parent_.scrolls[0], (std::pair<int, int>{SB_THUMBTRACK, 80}));
    EXPECT_EQ(parent_.scrolls[1], (std::pair<int, int>{SB_THUMBPOSITION, 80}));
    EXPECT_EQ(parent_.scrolls[2].first, SB_ENDSCROLL);
}

}  // namespace
}  // namespace platform
