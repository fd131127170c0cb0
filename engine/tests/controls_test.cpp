// Buttons, button frames and the engine's message box, driven through the
// engine's own mouse and keyboard entry points under the test clock.

#include <gtest/gtest.h>

#include "engine/advanced_button.h"
#include "engine/button_frame.h"
#include "engine/control_record.h"
#include "engine/engine_clock.h"
#include "engine/mouse_controller.h"
#include "engine/tests/recorded_sound.h"
#include "engine/tests/runtime_fixture.h"
#include "engine/text_entity.h"

namespace engine {
namespace {

class ControlsTest : public testing::EngineTest {
  protected:
    // The buttons' built-in sounds through the sample library: 29001 to
    // 29003 tagged 1 to 3.
    ControlsTest() {
        EngineClock::Update();
        for (uint8_t i = 1; i <= 3; ++i)
            testing::WriteTaggedWav(dir_ / ("res/sound/" + std::to_string(29000 + i) + ".wav"), i);
        world().Sound().EnableBass();
    }
    AdvancedButton* Button(int32_t x, int32_t y, uint32_t code = 500) {
        auto* button = engine_.CreateButton<AdvancedButton>();
        EXPECT_TRUE(button->Create(code, x, y, 60, 30, true));
        button->SetMessage({code, {}, recorder_->GetControlId()});
        return button;
    }
    double Opacity(const Control* c) const { return c->BoundEntity()->GetOpacity(); }
    void MoveTo(int32_t x, int32_t y) {
        engine_.OnMouseMove(0, x, y);
        engine_.PumpMessages();
    }
    void Click() {
        engine_.OnLButtonDown(0, 0, 0);
        engine_.OnLButtonUp(0, 0, 0);
        engine_.PumpMessages();
    }
    testing::RecordedSound sound_;
};

TEST_F(ControlsTest, AButtonShowsHoverPressAndReleaseAndSendsItsMessage) {
    AdvancedButton* b = Button(100, 100);
    b->SetSounds(29001, 29002, 29003);
    EXPECT_DOUBLE_EQ(Opacity(b), 0.8);
    struct Step {
        const char* what;
        std::function<void()> act;
        double opacity;
    };
    const Step steps[] = {
        {"enter", [&] { MoveTo(100, 100); }, 1.0},
        {"press", [&] { engine_.OnLButtonDown(0, 100, 100); }, 0.3},
        {"release", [&] { engine_.OnLButtonUp(0, 100, 100); }, 1.0},
        {"leave", [&] { MoveTo(250, 200); }, 0.8},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_DOUBLE_EQ(Opacity(b), step.opacity) << step.what;
    }
    EXPECT_EQ(recorder_->codes, (std::vector<uint32_t>{500}));
    EXPECT_EQ(sound_.Played(), (std::vector<uint8_t>{1, 2, 3}));
}

// A button that leaves the World when it is disabled: the hover refresh
// that follows used to run on it after it was freed.
class LeavingButton : public AdvancedButton {
  public:
    int OnEvent(EngineMessage& event) override {
        if (event.code == kEvDisabled) Detach();
        return AdvancedButton::OnEvent(event);
    }
    void RefreshHover() override { ++refreshes; }
    static inline int refreshes = 0;
};

TEST_F(ControlsTest, AButtonLeavingWhenDisabledGoesOnlyAfterTheHoverRefresh) {
    auto* b = engine_.CreateButton<LeavingButton>();
    ASSERT_TRUE(b->Create(500, 100, 100, 60, 30, true));
    const uint32_t id = b->GetControlId();
    b->Enable(false);
    EXPECT_EQ(LeavingButton::refreshes, 1);
    EXPECT_EQ(world().GetControl(id), nullptr);
}

TEST_F(ControlsTest, AHotKeyWorksOnlyOnAnEnabledShownButton) {
    AdvancedButton* b = Button(100, 100);
    b->SetHotKey('K');
    b->BindEvent(kEvKeyDown, 0, b);
    b->TakeKeyFocus();
    engine_.OnKeyDown('J', 1, 0);
    engine_.OnKeyDown('K', 1, 0);
    EXPECT_EQ(recorder_->codes.size(), 1u);
    b->Enable(false);
    EXPECT_DOUBLE_EQ(Opacity(b), 0.3);
    engine_.OnKeyDown('K', 1, 0);
    b->Enable(true);
    b->Hide();
    engine_.OnKeyDown('K', 1, 0);
    EXPECT_EQ(recorder_->codes.size(), 1u);
}

TEST_F(ControlsTest, AnEntityMovedUnderAStillCursorIsEntered) {
    AdvancedButton* b = Button(60, 60);
    MoveTo(200, 150);
    EXPECT_DOUBLE_EQ(Opacity(b), 0.8);
    b->MoveTo(200, 150);
    engine_.PumpMessages();
    EXPECT_DOUBLE_EQ(Opacity(b), 1.0);
    EXPECT_EQ(engine_.GetMouseObject(), b->BoundEntity()->GetId());
    b->Hide();
    engine_.PumpMessages();
    EXPECT_EQ(engine_.GetMouseObject(), 0u);
}

TEST_F(ControlsTest, StateAndDataTravelOnlyInTheirOwnRecords) {
    AdvancedButton* b = Button(60, 60);
    b->SetHotKey(7);
    b->SetOwnedData({1, 2, 3});
    auto send = [&](uint32_t code, platform::Payload payload) {
        EngineMessage m{code, std::move(payload), b->GetControlId()};
        const int result = b->OnEvent(m);
        return std::make_pair(result, std::move(m.payload));
    };
    auto [got, look] = send(kButtonGetLook, platform::Payload::Make<ButtonLook>());
    EXPECT_EQ(got, 0);
    EXPECT_EQ(look.Get<ButtonLook>()->hotKey, 7u);
    ButtonLook changed = *look.Get<ButtonLook>();
    changed.hotKey = 9;
    send(kButtonSetLook, platform::Payload::Make<ButtonLook>(changed));
    EXPECT_EQ(b->Look().hotKey, 9u);
    auto [gotData, data] = send(kButtonGetData, platform::Payload::Make<ButtonData>());
    EXPECT_EQ(data.Get<ButtonData>()->bytes, (std::vector<uint8_t>{1, 2, 3}));
    // A payload of another type is neither read nor written.
    auto [ignored, other] = send(kButtonSetLook, platform::Payload::Make<int>(42));
    EXPECT_EQ(*other.Get<int>(), 42);
    EXPECT_EQ(b->Look().hotKey, 9u);
    send(kButtonSetData, platform::Payload::Make<std::string>("x"));
    auto [again, still] = send(kButtonGetData, platform::Payload::Make<ButtonData>());
    EXPECT_EQ(still.Get<ButtonData>()->bytes.size(), 3u);
}

TEST_F(ControlsTest, ALongCaptionIsCutOnACharacterBoundary) {
    AdvancedButton* b = Button(60, 60);
    std::string caption = "a";
    for (int i = 0; i < 150; ++i)
        caption += "牌";
    EngineMessage m{kButtonCaption, platform::Payload::Make<std::string>(caption), 0};
    b->OnEvent(m);
    EXPECT_LE(b->Look().caption.size(), kMaxCaption);
    // 'a' and 127 characters fill 255 bytes; 254 bytes hold one fewer.
    const size_t wide = (caption.size() - 1) / 150;
    EXPECT_EQ(CutGbk(caption, kMaxCaption), caption.substr(0, 1 + 127 * wide));
    EXPECT_EQ(CutGbk(caption, kMaxCaption - 1), caption.substr(0, 1 + 126 * wide));
}

FrameDefinition Bar(uint32_t image) {
    return {{image, 0, 0, 10, 20, 0xFF00FF},
            {image, 0, 0, 12, 20, 0xFF00FF},
            {image, 0, 0, 40, 20, 0xFF00FF}};
}

TEST_F(ControlsTest, AFrameLaysOutItsPiecesAndSlots) {
    const uint32_t image = AddPicture("bar", 40, 20, 0xFF806040);
    const FrameDefinition bar = Bar(image);
    ButtonFrame* frame = engine_.CreateButtonFrame(3, &bar, 0);
    frame->MoveTo(171, 100);  // left edge at 100
    EXPECT_EQ(frame->GetWidth(), 142);
    EXPECT_EQ(frame->GetHeight(), 20);
    AdvancedButton* buttons[3];
    for (uint32_t i = 0; i < 3; ++i) {
        buttons[i] = Button(0, 0, 600 + i);
        EXPECT_EQ(frame->OnButton(i, buttons[i]->GetControlId()), 0u);
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(buttons[i]->BoundEntity()->GetX(), 100 + 10 + 40 * i + 20) << i;
    // The same control again changes nothing.
    EXPECT_EQ(frame->OnButton(1, buttons[1]->GetControlId()), buttons[1]->GetControlId());
    // The buttons follow the frame.
    frame->MoveBy(0, 30);
    EXPECT_EQ(buttons[2]->BoundEntity()->GetY(), 130);
    EXPECT_EQ(frame->OnButton(3, buttons[0]->GetControlId()), 0u);
    EXPECT_NE(LogText().find("BUTTONFRAME::OnButton()错误,一个越界的请求"), std::string::npos);
    EXPECT_EQ(frame->GetButton(0)->id, buttons[0]->GetControlId());
    world().RemoveControl(buttons[0]->GetControlId());
    EXPECT_EQ(frame->GetButton(0), nullptr);
}

TEST_F(ControlsTest, ShrinkingAFrameRemovesTheButtonsBeyondIt) {
    const uint32_t image = AddPicture("bar", 40, 20, 0xFF806040);
    const FrameDefinition bar = Bar(image);
    ButtonFrame* frame = engine_.CreateButtonFrame(5, &bar, 0);
    std::vector<uint32_t> ids;
    for (uint32_t i = 0; i < 5; ++i) {
        ids.push_back(Button(0, 0)->GetControlId());
        frame->OnButton(i, ids.back());
    }
    EXPECT_EQ(frame->SetButtonCount(-1, nullptr, 1), -1);
    EXPECT_EQ(frame->SetButtonCount(3, nullptr, 1), 2);
    EXPECT_EQ(frame->GetWidth(), 142);
    for (size_t i = 0; i < ids.size(); ++i)
        EXPECT_EQ(world().GetControl(ids[i]) != nullptr, i < 3) << i;
}

TEST_F(ControlsTest, AGrowingFrameFadesInOverTheCursorAndEnablesItsButtons) {
    const uint32_t image = AddPicture("bar", 40, 20, 0xFF806040);
    const FrameDefinition bar = Bar(image);
    ButtonFrame* frame = engine_.CreateButtonFrame(1, &bar, kFrameGrow | kFrameEnableOnGrow);
    frame->MoveTo(160, 100);  // 129 to 191
    frame->BindEvent(kEvEnter, kEvEnter, frame);
    frame->BindEvent(kEvLeave, kEvLeave, frame);
    frame->SetOpacity(0.0);
    AdvancedButton* b = Button(0, 0);
    frame->SetSlotSize(0, 30, 16);
    frame->OnButton(0, b->GetControlId());
    b->Enable(false);
    MoveTo(134, 100);  // over the left end, not the button
    RunFor(400);
    EXPECT_TRUE(frame->IsExpanded());
    EXPECT_DOUBLE_EQ(frame->BoundEntity()->GetOpacity(), 1.0);
    EXPECT_TRUE(b->IsEnabled());
    MoveTo(300, 220);
    RunFor(400);
    EXPECT_FALSE(frame->IsExpanded());
    EXPECT_DOUBLE_EQ(frame->BoundEntity()->GetOpacity(), 0.0);
    EXPECT_FALSE(b->IsEnabled());
}

TEST_F(ControlsTest, TheNoticeBoxsButtonsCloseItAndFramesGoOn) {
    for (uint32_t flags : {kNoticeButtons, kNoticeButtons | kNoticeCancel}) {
        SCOPED_TRACE(flags);
        recorder_->codes.clear();
        const uint32_t box = engine_.ShowNotice("通知", flags, 1000, kCentre, kCentre, 100, 80, 61,
                                                62, recorder_->GetControlId());
        ASSERT_NE(box, 0u);
        const size_t entities = world().EntityCount();
        RunFor(300);
        Entity* boxEntity = world().FindEntity(box);
        ASSERT_NE(boxEntity, nullptr);
        const uint32_t buttons = boxEntity->GetChildCount();
        EXPECT_EQ(buttons, flags & kNoticeCancel ? 2u : 1u);
        // The last button: "取消" when there are two.
        const Entity* button = boxEntity->GetChild(buttons - 1);
        MoveTo(button->GetX(), button->GetY());
        Click();
        EXPECT_EQ(recorder_->codes, (std::vector<uint32_t>{buttons == 2 ? 62u : 61u}));
        EXPECT_EQ(world().FindEntity(box), nullptr);
        EXPECT_EQ(world().EntityCount(), entities - 1 - buttons);
        RunFor(90);
        MoveTo(10, 10);
        RunFor(90);
    }
}

}  // namespace
}  // namespace engine
