// Input events under the test clock: what the cursor control and the
// controls of entities hear for moves, presses, hovers, the wheel and keys.

#include "engine/mouse_controller.h"

#include <gtest/gtest.h>

#include "engine/tests/runtime_fixture.h"

namespace engine {
namespace {

constexpr int32_t kCursorBase = 2000;
constexpr int32_t kEntityBase = 3000;

using Codes = std::vector<uint32_t>;

class MouseTest : public testing::EngineTest {
  protected:
    MouseTest() {
        mouse_ = engine_.GetMouse();
        for (uint32_t n = 1; n <= 23; ++n)
            engine_.SetMouseEvent(n, kCursorBase + int32_t(n), recorder_->GetControlId());
        a_ = Target(60, 60);
        b_ = Target(160, 60);
    }
    // A 40 x 40 entity whose control reports every event as 3000 + n.
    Entity* Target(int32_t x, int32_t y) {
        Entity* e = world().CreateEntity(kKindBase, x, y, 40, 40, 0.0, 1, 1, 1.0);
        e->SetLayer(&world().Screen(), 1);
        ControlRecord* c = world().RequestControl(e->GetId(), 0);
        for (uint32_t n = 1; n <= 23; ++n)
            c->SetEventRelative(n, kEntityBase, recorder_->GetControlId());
        e->Update();
        return e;
    }
    // What arrived since the last call, the cursor control's and the
    // entities' apart.
    Codes Take(int32_t base) {
        Codes out;
        for (uint32_t c : recorder_->codes)
            if (c > uint32_t(base) && c < uint32_t(base) + 100) out.push_back(c - base);
        return out;
    }
    void Clear() { recorder_->codes.clear(); }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i)
            engine_.Tick();
    }

    MouseController* mouse_;
    Entity* a_;
    Entity* b_;
};

TEST_F(MouseTest, MovingOntoAnEntityEntersItAndLeavingItLeaves) {
    engine_.OnMouseMove(0, 60, 60);
    EXPECT_EQ(Take(kEntityBase), (Codes{2, 1}));
    EXPECT_EQ(Take(kCursorBase), (Codes{1}));
    Clear();
    engine_.OnMouseMove(0, 300, 200);
    EXPECT_EQ(Take(kEntityBase), (Codes{3}));
    EXPECT_EQ(Take(kCursorBase), (Codes{1, 3}));
}

TEST_F(MouseTest, HoveringFor1600MsRaisesTwelveOnce) {
    engine_.OnMouseMove(0, 60, 60);
    Clear();
    Ticks(15);
    EXPECT_TRUE(Take(kEntityBase).empty());
    Ticks(1);
    EXPECT_EQ(Take(kEntityBase), (Codes{12}));
    Ticks(20);
    EXPECT_EQ(Take(kEntityBase), (Codes{12}));
    EXPECT_EQ(Take(kCursorBase), (Codes{12}));
    Clear();
    engine_.OnMouseMove(0, 61, 60);
    EXPECT_EQ(Take(kCursorBase), (Codes{1, 13}));
    Clear();
    engine_.OnMouseMove(0, 300, 200);
    EXPECT_EQ(Take(kEntityBase), (Codes{3, 13}));
}

TEST_F(MouseTest, TwoPressesWithinTheWindowAreADoubleClickUnlessTheMouseMoved) {
    struct Case {
        bool moveBetween;
        Codes entity;
    };
    for (const Case& c : {Case{false, {4, 5, 8, 9}}, Case{true, {4, 5, 8, 1, 4}}}) {
        SCOPED_TRACE(c.moveBetween);
        engine_.OnMouseMove(0, 60, 60);
        Clear();
        engine_.OnLButtonDown(0, 60, 60);
        engine_.OnLButtonUp(0, 60, 60);
        if (c.moveBetween) engine_.OnMouseMove(0, 62, 61);
        Ticks(4);
        engine_.OnLButtonDown(0, 60, 60);
        EXPECT_EQ(Take(kEntityBase), c.entity);
        engine_.OnLButtonUp(0, 60, 60);
        engine_.OnMouseMove(0, 300, 200);
    }
}

TEST_F(MouseTest, APressOnTheBackgroundDoesNotArmTheDoubleClick) {
    engine_.OnMouseMove(0, 300, 200);
    engine_.OnLButtonDown(0, 300, 200);
    engine_.OnLButtonUp(0, 300, 200);
    engine_.OnMouseMove(0, 60, 60);
    Clear();
    // The move onto the entity set the window back; a press without moving
    // is a plain press.
    engine_.OnLButtonDown(0, 60, 60);
    EXPECT_EQ(Take(kEntityBase), (Codes{4}));
    EXPECT_EQ(Take(kCursorBase), (Codes{4}));
}

TEST_F(MouseTest, ADragFromOneEntityToAnotherReleasesOnlyToTheCursorControl) {
    ControlRecord* a = world().GetControl(a_->GetControlId());
    a->SetEvent(kEvLeftDrag, 0, 0);
    engine_.OnMouseMove(0, 60, 60);
    engine_.OnLButtonDown(0, 60, 60);
    Clear();
    engine_.OnMouseMove(0, 160, 60);
    // A's control hears its leave; B hears nothing while A is captured.
    EXPECT_EQ(Take(kEntityBase), (Codes{3}));
    engine_.OnMouseMove(0, 161, 60);
    Clear();
    engine_.OnLButtonUp(0, 161, 60);
    EXPECT_EQ(Take(kCursorBase), (Codes{5, 8, 1}));
    const Codes entity = Take(kEntityBase);
    EXPECT_EQ(std::count(entity.begin(), entity.end(), 5u), 0);
    EXPECT_EQ(std::count(entity.begin(), entity.end(), 8u), 0);
}

TEST_F(MouseTest, AHeldKeyRepeatsEveryTickAfterHalfASecond) {
    world().SetKeyFocus(world().GetControl(a_->GetControlId())->id);
    engine_.OnKeyDown(65, 1, 0);
    EXPECT_EQ(Take(kEntityBase), (Codes{22}));
    Clear();
    Ticks(5);
    EXPECT_TRUE(Take(kEntityBase).empty());
    Ticks(3);
    EXPECT_EQ(Take(kEntityBase), (Codes{21, 21, 21}));
    EXPECT_TRUE(recorder_->states.back().keyFlags & kKeyRepeating);
    Clear();
    engine_.OnKeyUp(65, 1, 0);
    Ticks(3);
    EXPECT_EQ(Take(kEntityBase), (Codes{23}));
}

TEST_F(MouseTest, ResetReleasesEveryButtonAndLeaves) {
    engine_.OnMouseMove(0, 60, 60);
    engine_.OnLButtonDown(0, 60, 60);
    engine_.OnRButtonDown(0, 60, 60);
    Clear();
    engine_.OnMouseLeave();
    EXPECT_EQ(Take(kCursorBase), (Codes{7, 5, 8, 1, 3}));
    EXPECT_EQ(mouse_->State().hoveredEntity, 0u);
}

TEST_F(MouseTest, InputMessagesCarryTheMouseState) {
    engine_.OnMouseMove(0, 60, 60);
    engine_.OnMouseMove(0, 63, 58);
    ASSERT_FALSE(recorder_->states.empty());
    const MouseState& s = recorder_->states.back();
    EXPECT_EQ((Point{s.x, s.y}), (Point{63, 58}));
    EXPECT_EQ((Point{s.dx, s.dy}), (Point{3, -2}));
    EXPECT_EQ(s.hoveredEntity, a_->GetId());
    EXPECT_EQ(s.hoveredControl, a_->GetControlId());
}

// The controller keeps ids: a handler that deletes the hovered entity and
// its control while an event is being sent leaves nothing dangling.
TEST_F(MouseTest, AHandlerMayDeleteTheEntityUnderTheCursor) {
    recorder_->onEvent = [&](EngineMessage& m) {
        if (m.code == kEntityBase + kEvLeftDown) world().DeleteEntity(a_->GetId());
    };
    engine_.OnMouseMove(0, 60, 60);
    engine_.OnLButtonDown(0, 60, 60);
    engine_.OnLButtonUp(0, 60, 60);
    engine_.OnMouseMove(0, 61, 61);
    Ticks(20);
    EXPECT_EQ(mouse_->State().hoveredEntity, 0u);
}

TEST_F(MouseTest, TheWheelReachesTheModalControl) {
    Entity* box = world().CreateEntity(kKindBase, 100, 100, 40, 40, 0.0, 5, 1, 1.0);
    box->SetLayer(&world().Screen(), 4);
    ControlRecord* c = world().RequestControl(box->GetId(), 0);
    c->SetEvent(kEvWheelBack, 4018, recorder_->GetControlId());
    world().ActivateTopLayerControl(c->id);
    Clear();
    engine_.OnMouseWheel(0, -120, 100, 100);
    engine_.OnMouseWheel(0, 0, 100, 100);
    EXPECT_EQ(recorder_->codes, (Codes{kCursorBase + 18, 4018}));
}

}  // namespace
}  // namespace engine
