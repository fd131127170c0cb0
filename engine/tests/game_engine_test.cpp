// The engine object: system commands, the console, input scaling, the
// facade's controls and notices, and frames that draw only what changed.

#include "engine/game_engine.h"

#include <gtest/gtest.h>

#include "engine/image_entity.h"
#include "engine/mouse_controller.h"
#include "engine/tests/runtime_fixture.h"
#include "engine/text_entity.h"

namespace engine {
namespace {

using testing::Counted;

class GameEngineTest : public testing::EngineTest {
  protected:
    int Dispatch(uint32_t code, platform::Payload payload) {
        return engine_.DispatchSystemCommand(code, payload);
    }
    // A mouse state naming the control of `e`.
    platform::Payload StateOf(const Entity* e) {
        MouseState s;
        s.hoveredControl = e->GetControlId();
        s.dx = 4;
        s.dy = -2;
        return platform::Payload::Make<MouseState>(s);
    }
    Entity* Controlled(double opacity) {
        Entity* e = world().CreateEntity(kKindBase, 50, 50, 10, 10, 0.0, 1, 1, opacity);
        e->SetLayer(&world().Screen(), 1);
        world().RequestControl(e->GetId(), 0);
        return e;
    }
};

TEST_F(GameEngineTest, SystemCommandsActOnTheControlsEntity) {
    struct Case {
        uint32_t code;
        double opacity;
        Point at;
        int result;
    };
    const Case cases[] = {
        {37, 1.0, {50, 50}, 0}, {38, 0.8, {50, 50}, 0}, {39, 0.3, {50, 50}, 0},
        {41, 0.5, {50, 50}, 0}, {45, 0.5, {54, 48}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        Entity* e = Controlled(0.5);
        EXPECT_EQ(Dispatch(c.code, StateOf(e)), c.result);
        EXPECT_DOUBLE_EQ(e->GetOpacity(), c.opacity);
        EXPECT_EQ((Point{e->GetX(), e->GetY()}), c.at);
    }
}

TEST_F(GameEngineTest, UnknownCommandsAreLoggedAndTheirPayloadFreed) {
    EXPECT_EQ(Dispatch(70, platform::Payload::Make<Counted>(1)), 1);
    EXPECT_EQ(Counted::live, 0);
    EXPECT_NE(LogText().find("警告：一个未响应的系统回调命令:70"), std::string::npos);
    // Queued without a target, the command goes through the pump.
    world().PostMessage(94, platform::Payload::Make<EntityRef>(EntityRef{Controlled(1)->GetId()}));
    const size_t before = world().EntityCount();
    engine_.PumpMessages();
    EXPECT_EQ(world().EntityCount(), before - 1);
    // Removing the recorder's control removes the recorder with it.
    const uint32_t control = recorder_->GetControlId();
    const size_t objects = world().ObjectCount();
    world().PostMessage(95, platform::Payload::Make<ControlRef>(ControlRef{control}));
    engine_.PumpMessages();
    EXPECT_EQ(world().GetControl(control), nullptr);
    EXPECT_EQ(world().ObjectCount(), objects - 1);
    recorder_ = nullptr;
}

TEST_F(GameEngineTest, TheConsoleKnowsItsCommandsExactly) {
    EXPECT_EQ(engine_.ExecCommand("/showFPS"), 0);
    EXPECT_EQ(engine_.ExecCommand("/logoff"), 1);
    EXPECT_FALSE(engine_.LogGate());
    EXPECT_EQ(engine_.ExecCommand("/logon"), 1);
    EXPECT_EQ(engine_.ExecCommand("/showfps"), 1);
    RunFor(30);
    // The overlay is drawn over the whole screen: the frame says so.
    EXPECT_EQ(engine_.DirtyRects().size(), 1u);
    EXPECT_EQ(engine_.ExecCommand("/hidefps"), 1);
}

TEST_F(GameEngineTest, TheLogicalScreenIsScaledToTheDeviceAndBack) {
    GameEngine scaled(resources_);
    scaled.SetLogicalSize(640, 480);
    scaled.BeginSystem();
    // A zero-sized first sizing builds no screen.
    scaled.InitScreen(0, 0);
    EXPECT_FALSE(scaled.IsScreenReady());
    scaled.OnMouseMove(0, 10, 10);
    EXPECT_FALSE(scaled.Frame());
    scaled.InitScreen(800, 600);
    scaled.OnMouseMove(0, 400, 300);
    EXPECT_EQ(scaled.GetMousePos(), (Point{320, 240}));
    // Logical 300-339 is device 375-424.
    const uint32_t pic = AddPicture("square", 40, 40, 0xFFFF0000);
    scaled.ShowEntity(scaled.CreateImageEntity(1, 320, 240, pic, 0, 0, 0, 0, kNoBlendColor), true);
    Advance(30);
    ASSERT_TRUE(scaled.Frame());
    EXPECT_EQ(scaled.DirtyRects(), (std::vector<Rect>{{0, 0, 800, 600}}));
    for (int x : {370, 375, 424, 425})
        EXPECT_EQ(scaled.Output().At(x, 300) == 0xFFFF0000u, x == 375 || x == 424) << x;
    // A zero size used to divide by zero; it is ignored.
    scaled.InitScreen(0, 0);
    scaled.OnMouseMove(0, 800, 600);
    EXPECT_EQ(scaled.GetMousePos(), (Point{640, 480}));
    scaled.EndSystem();
}

TEST_F(GameEngineTest, HighlightingBrightensAndRestores) {
    Entity* e = Controlled(0.8);
    ControlRecord* c = world().GetControl(e->GetControlId());
    engine_.HighlightControl(c, true);
    EXPECT_DOUBLE_EQ(e->GetOpacity(), 1.0);
    EXPECT_EQ(c->GetEvent(kEvClick)->code, 35);
    engine_.HighlightControl(c, false);
    EXPECT_NEAR(e->GetOpacity(), 0.8, 1e-12);
    engine_.HighlightControl(c, true);
    engine_.HighlightControl(c, true);
    engine_.HighlightControl(c, false);
    EXPECT_NEAR(e->GetOpacity(), 0.8, 1e-12);
    EXPECT_EQ(c->GetEvent(kEvClick), nullptr);
}

TEST_F(GameEngineTest, FactoriesMakeHiddenEntitiesSizedFromTheirImage) {
    const uint32_t pic = AddPicture("tile", 12, 18, 0xFF2080C0);
    ImageEntity* image = engine_.CreateImageEntity(2, 40, 40, pic, 0, 0, 0, 0, kNoBlendColor);
    ASSERT_NE(image, nullptr);
    EXPECT_FALSE(image->IsVisible());
    EXPECT_EQ((Point{image->GetWidth(), image->GetHeight()}), (Point{12, 18}));
    EXPECT_EQ(engine_.CreateImageEntity(7, 0, 0, pic, 0, 0, 0, 0, kNoBlendColor), nullptr);
    TextEntity* text = engine_.CreateTextEntity(3, 10, 10, 30, 20, 0xFF00FF);
    ASSERT_NE(text, nullptr);
    EXPECT_FALSE(text->IsVisible());
    EXPECT_EQ(engine_.GetFrameRectByName("tile", 2).y, 0);  // a single frame
}

TEST_F(GameEngineTest, ANoticeKeepsItsFirst1024Bytes) {
    class Capture : public GameEngine {
      public:
        using GameEngine::GameEngine;
        int MessageBox(NoticeRecord& notice) override {
            text = notice.text;
            return GameEngine::MessageBox(notice);
        }
        std::string text;
    } engine(resources_);
    engine.BeginSystem();
    engine.InitScreen(200, 200);
    const std::string long_text(2000, 'x');
    EXPECT_NE(engine.ShowNotice(long_text, 1, 1000, kCentre, kCentre, 100, 80, 0, 0, 0), 0u);
    EXPECT_EQ(engine.text, long_text.substr(0, 1024));
    engine.EndSystem();
}

TEST_F(GameEngineTest, AClickOnANoticesButtonClosesIt) {
    world().PostMessage(88, platform::Payload::Make<std::string>("确定?"));
    RunFor(400);
    // The box itself takes no clicks; its "确定" lies below the centre.
    const size_t entities = world().EntityCount();
    int32_t y = kHeight / 2;
    for (; y < kHeight && engine_.GetMouseObject() == 0; ++y)
        engine_.OnMouseMove(0, kWidth / 2, y);
    const uint32_t hovered = engine_.GetMouseObject();
    ASSERT_NE(hovered, 0u);
    engine_.OnLButtonDown(0, kWidth / 2, y);
    engine_.OnLButtonUp(0, kWidth / 2, y);
    RunFor(60);
    EXPECT_EQ(world().FindEntity(hovered), nullptr);
    EXPECT_EQ(world().EntityCount(), entities - 2);
}

TEST_F(GameEngineTest, PendingEntitiesGoOneFrameAfterTheFlush) {
    Entity* e = Controlled(1.0);
    const uint32_t id = e->GetId();
    engine_.ApplyMoveTo(e, 0, 200, 50, 1, 0, 0);
    RunFor(60);
    engine_.QueuePending(id);
    engine_.FlushPending();
    RunFor(60);
    EXPECT_EQ(world().FindEntity(id), nullptr);
}

TEST_F(GameEngineTest, FramesDrawOnlyWhatChangedAndNothingWhileHidden) {
    const uint32_t pic = AddPicture("dot", 10, 10, 0xFFFF0000);
    ImageEntity* e = engine_.CreateImageEntity(1, 100, 100, pic, 0, 0, 0, 0, kNoBlendColor);
    engine_.ShowEntity(e, true);
    RunFor(30);
    RunFor(30);
    EXPECT_TRUE(engine_.DirtyRects().empty());
    struct Host : EngineHost {
        bool IsMainWindowVisible() override { return visible; }
        bool visible = false;
    } host;
    engine_.SetHost(&host);
    engine_.MoveEntity(e, 200, 100);
    RunFor(30);
    EXPECT_TRUE(engine_.DirtyRects().empty());
    host.visible = true;
    Advance(30);
    EXPECT_TRUE(engine_.Frame());
    ASSERT_FALSE(engine_.DirtyRects().empty());
    for (const Rect& r : engine_.DirtyRects())
        EXPECT_LT(r.right - r.left, kWidth);
    EXPECT_EQ(engine_.Output().At(200, 100), 0xFFFF0000u);
    EXPECT_NE(engine_.Output().At(100, 100), 0xFFFF0000u);
    engine_.SetHost(nullptr);
}

// The information boxes used a markup the renderer does not read, so their
// codes showed as text: the box now measures as label rows only.
TEST_F(GameEngineTest, TheScreenInformationUsesTheRendererMarkup) {
    engine_.ExecCommand("/showgameset");
    const uint32_t box = world().Screen().Layer(4)->DrawList().empty()
                             ? 0
                             : world().Screen().Layer(4)->DrawList().front()->entityId;
    auto* text = world().FindEntityAs<TextEntity>(box);
    ASSERT_NE(text, nullptr);
    FontState font = resources_.GetFontStore().SaveState();
    // Five rows of labels and numbers, with the buttons' two rows below.
    EXPECT_NEAR(text->SurfaceHeight(), (5 + 2) * font.height, 2);
}

}  // namespace
}  // namespace engine
