#include "platform/gui/splitter.h"

#include <gtest/gtest.h>

#include "platform/gui/sys_colors.h"
#include "platform/gui/tests/gui_test_support.h"

namespace platform {
namespace {

using testing_support::Pump;
using testing_support::RecordingWnd;

// A splitter whose bars are painted in a colour of its own.
class RedBars : public CSplitterWnd {
  public:
    RedBars() {
        m_cxSplitter = m_cySplitter = m_cxSplitterGap = m_cySplitterGap = 5;
        m_cxBorder = m_cyBorder = 1;
    }

  protected:
    void OnDrawSplitter(Painter* painter, ESplitType type, const RECT& rect) override {
        if (type == splitBar) {
            painter->FillSolidRect(rect, RGB(255, 0, 0));
        } else {
            CSplitterWnd::OnDrawSplitter(painter, type, rect);
        }
    }
};

class SplitterTest : public testing::Test {
  protected:
    SplitterTest() : display_(std::make_shared<HeadlessDisplay>()) {
        SetDisplay(display_);
        Pump();
        frame_.CreateEx(0, "", WS_POPUP | WS_VISIBLE, {0, 0, 301, 101}, nullptr, 0);
        splitter_.CreateStatic(&frame_, 1, 2);
        left_.CreateEx(0, "", WS_CHILD | WS_VISIBLE, {}, &splitter_,
                       CSplitterWnd::IdFromRowCol(0, 0));
        right_.CreateEx(0, "", WS_CHILD | WS_VISIBLE, {}, &splitter_,
                        CSplitterWnd::IdFromRowCol(0, 1));
        left_.fill = RGB(0, 0, 255);
        right_.fill = RGB(0, 255, 0);
        splitter_.SetColumnInfo(0, 100, 10);
        splitter_.SetColumnInfo(1, 0, 50);
        splitter_.RecalcLayout();
        Pump();
    }
    ~SplitterTest() override { Pump(); }

    std::shared_ptr<HeadlessDisplay> display_;
    RecordingWnd frame_;
    RedBars splitter_;
    RecordingWnd left_, right_;
};

TEST_F(SplitterTest, PanesTakeTheirIdealSizesAndTheLastTheRest) {
    EXPECT_EQ(splitter_.GetPane(0, 1), &right_);
    EXPECT_EQ(left_.GetRectInParent(), (RECT{1, 1, 101, 100}));
    EXPECT_EQ(right_.GetRectInParent(), (RECT{106, 1, 300, 100}));
    EXPECT_EQ(splitter_.ColumnBarRect(0), (RECT{101, 0, 106, 101}));
    const Surface screen = display_->Screen(frame_.GetSafeHwnd().value);
    EXPECT_EQ(ColorOf(screen.At(103, 50)), RGB(255, 0, 0));
    EXPECT_EQ(ColorOf(screen.At(50, 50)), RGB(0, 0, 255));
    EXPECT_EQ(ColorOf(screen.At(200, 50)), RGB(0, 255, 0));
}

TEST_F(SplitterTest, DraggingTheBarMovesItAndAPaneBelowItsMinimumGivesWay) {
    InputEvent e;
    e.window = frame_.GetSafeHwnd().value;
    e.button = MouseButton::Left;
    e.kind = InputEvent::Kind::MouseDown;
    e.point = {103, 50};
    display_->Inject(e);
    e.kind = InputEvent::Kind::MouseMove;
    e.point = {152, 50};
    display_->Inject(e);
    e.kind = InputEvent::Kind::MouseUp;
    display_->Inject(e);
    Pump();
    int current = 0, minimum = 0;
    splitter_.GetColumnInfo(0, current, minimum);
    EXPECT_EQ(current, 149);
    // Pushed past the right pane's minimum of 50, the right pane disappears.
    splitter_.SetColumnInfo(0, 260, 10);
    splitter_.RecalcLayout();
    splitter_.GetColumnInfo(1, current, minimum);
    EXPECT_EQ(current, 0);
    splitter_.GetColumnInfo(0, current, minimum);
    EXPECT_EQ(current, 299);
    // An ideal size under the minimum counts as 0.
    splitter_.SetColumnInfo(0, 5, 10);
    splitter_.RecalcLayout();
    splitter_.GetColumnInfo(0, current, minimum);
    EXPECT_EQ(current, 0);
}

}  // namespace
}  // namespace platform
