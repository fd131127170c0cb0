#include "platform/gui/tool_tip.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/gui/tests/gui_test_support.h"

namespace platform {
namespace {

using testing_support::Pump;
using testing_support::RecordingWnd;

// A window that relays its mouse messages to a tip, as PreTranslateMessage does.
class Hinted : public RecordingWnd {
  public:
    CToolTipCtrl* tip = nullptr;

  protected:
    LRESULT OnMessage(Message& msg) override {
        if (tip) tip->RelayEvent(msg);
        return RecordingWnd::OnMessage(msg);
    }
};

class ToolTipTest : public testing::Test {
  protected:
    ToolTipTest()
        : clock_(1000000), scoped_(clock_), display_(std::make_shared<HeadlessDisplay>()) {
        SetDisplay(display_);
        Pump();
        top_.CreateEx(0, "", WS_POPUP | WS_VISIBLE, {100, 100, 300, 200}, nullptr, 0);
        button_.CreateEx(0, "", WS_CHILD | WS_VISIBLE, {10, 10, 60, 40}, &top_, 1);
        tip_.Create(&top_);
        tip_.SetMaxTipWidth(400);
        tip_.AddTool(&button_, "选择表情");
        button_.tip = &tip_;
        Pump();
    }
    ~ToolTipTest() override {
        button_.tip = nullptr;
        Pump();
    }
    void Move(POINT p) {
        InputEvent e;
        e.window = top_.GetSafeHwnd().value;
        e.kind = InputEvent::Kind::MouseMove;
        e.point = p;
        display_->Inject(e);
        Pump();
    }
    void Wait(int ms) {
        clock_.AdvanceMillis(ms);
        Pump();
    }

    ManualClock clock_;
    ScopedClock scoped_;
    std::shared_ptr<HeadlessDisplay> display_;
    RecordingWnd top_;
    Hinted button_;
    CToolTipCtrl tip_;
};

TEST_F(ToolTipTest, TheTipAppearsAfterTheDelayAndGoesWithAClick) {
    Move({20, 20});
    EXPECT_FALSE(tip_.IsShown());
    Wait(499);
    EXPECT_FALSE(tip_.IsShown());
    Wait(1);
    ASSERT_TRUE(tip_.IsShown());
    EXPECT_EQ(tip_.ShownText(), "选择表情");
    // Below the pointer, in screen coordinates.
    EXPECT_EQ(tip_.GetWindowRect().left, 120);
    EXPECT_EQ(tip_.GetWindowRect().top, 140);
    InputEvent down;
    down.window = top_.GetSafeHwnd().value;
    down.kind = InputEvent::Kind::MouseDown;
    down.button = MouseButton::Left;
    down.point = {20, 20};
    display_->Inject(down);
    Pump();
    EXPECT_FALSE(tip_.IsShown());
}

TEST_F(ToolTipTest, LeavingTheToolOrDeactivatingStopsTheTip) {
    Move({20, 20});
    Move({150, 80});  // off the tool, onto the top-level window
    Wait(1000);
    EXPECT_FALSE(tip_.IsShown());
    tip_.Activate(false);
    Move({25, 25});
    Wait(1000);
    EXPECT_FALSE(tip_.IsShown());
    tip_.Activate(true);
    tip_.UpdateTipText("新提示", &button_);
    Move({30, 30});
    Wait(500);
    EXPECT_EQ(tip_.ShownText(), "新提示");
    Wait(5000);  // the tip pops by itself
    EXPECT_FALSE(tip_.IsShown());
}

}  // namespace
}  // namespace platform
