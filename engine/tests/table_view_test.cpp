// The hosting view on the headless display: the engine's start, its timers
// under the test clock, painting, input with keys arriving once, the tick
// while the cursor is inside, and the average frame time.

#include "engine/table_view.h"

#include <gtest/gtest.h>

#include "engine/advanced_button.h"
#include "engine/image_entity.h"
#include "engine/tests/runtime_fixture.h"
#include "platform/gui/tests/gui_test_support.h"

namespace engine {
namespace {

using platform::InputEvent;

class HostedScene : public GameEngine {
  public:
    using GameEngine::GameEngine;
    int CanStart() override { return Note("CanStart", canStart); }
    void InitGameData() override { Note("InitGameData"); }
    void LoadSettings() override { Note("LoadSettings"); }
    void OnTimersStarted() override { Note("OnTimersStarted"); }
    void OnResize() override { Note("OnResize"); }
    void OnTimer(uint32_t id) override { timers.push_back(id); }
    void OnMouseEnter() override { Note("OnMouseEnter"); }
    void OnMouseLeave() override {
        Note("OnMouseLeave");
        GameEngine::OnMouseLeave();
    }
    void OnTick() override {
        ++ticks;
        GameEngine::OnTick();
    }
    void OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override {
        keys.push_back(key);
        GameEngine::OnKeyDown(key, repeat, flags);
    }

    int Note(const char* what, int result = 0) {
        calls.push_back(what);
        return result;
    }
    int canStart = 1;
    std::vector<std::string> calls;
    std::vector<uint32_t> timers;
    std::vector<uint32_t> keys;
    int ticks = 0;
};

class TableViewTest : public testing::RuntimeTest {
  protected:
    TableViewTest() : display_(std::make_shared<platform::HeadlessDisplay>()) {
        platform::SetDisplay(display_);
        top_.CreateEx(0, "", platform::WS_POPUP | platform::WS_VISIBLE, {0, 0, 400, 300}, nullptr,
                      0);
        view_.CreateEx(0, "", platform::WS_CHILD | platform::WS_VISIBLE, {10, 10, 330, 250}, &top_,
                       1);
        Pump();
    }
    ~TableViewTest() override {
        view_.DestroyWindow();
        top_.DestroyWindow();
        Pump();
    }
    // Dispatches what is queued, keys through the view's PreTranslateMessage
    // first, as the program's loop does.
    void Pump() {
        platform::Message msg;
        while (platform::PeekMessage(msg, {}, 0, 0, platform::PM_REMOVE))
            if (!view_.PreTranslateMessage(msg)) platform::DispatchMessage(msg);
    }
    void Wait(int64_t ms) {
        for (int64_t t = 0; t < ms; t += 10) {
            Advance(10);
            Pump();
        }
    }
    void Inject(InputEvent::Kind kind, platform::POINT at, int key = 0) {
        InputEvent e;
        e.kind = kind;
        e.window = top_.GetSafeHwnd().value;
        e.point = at;
        e.button = platform::MouseButton::Left;
        e.virtualKey = key;
        display_->Inject(e);
        Pump();
    }
    void Start() {
        ASSERT_EQ(view_.AttachEngine(&scene_), 1);
        view_.OnInitialUpdate();
        platform::SendMessage(view_.GetSafeHwnd(), kStartEngineTimers);
        scene_.calls.clear();
    }
    uint32_t Shown(int x, int y) { return display_->Screen(top_.GetSafeHwnd().value).At(x, y); }

    std::shared_ptr<platform::HeadlessDisplay> display_;
    platform::testing_support::RecordingWnd top_;
    CJqGameTableView view_;
    HostedScene scene_{resources_};
};

TEST_F(TableViewTest, StartingRunsTheScenesHooksInOrder) {
    ASSERT_EQ(view_.AttachEngine(&scene_), 1);
    EXPECT_FALSE(scene_.IsScreenReady());
    view_.OnInitialUpdate();
    ASSERT_TRUE(scene_.IsScreenReady());
    EXPECT_EQ(scene_.GetScreenWidth(), 320);
    platform::SendMessage(view_.GetSafeHwnd(), kStartEngineTimers);
    EXPECT_EQ(scene_.calls, (std::vector<std::string>{"CanStart", "LoadSettings", "InitGameData",
                                                      "OnTimersStarted", "OnResize"}));
    // Too late to change how the screen is sized.
    view_.SetSizeLocked(false);
    EXPECT_TRUE(view_.SizeLocked());
    // A timer of the scene's own reaches it with its id.
    platform::SetTimer(view_.GetSafeHwnd(), 77, 10);
    Wait(10);
    EXPECT_EQ(scene_.timers, (std::vector<uint32_t>{77}));

    HostedScene refusing(resources_);
    refusing.canStart = 0;
    CJqGameTableView other;
    EXPECT_EQ(other.AttachEngine(&refusing), 0);
}

TEST_F(TableViewTest, ZeroSizesAreIgnoredUntilARealOneComes) {
    view_.MoveWindow(10, 10, 0, 0);
    ASSERT_EQ(view_.AttachEngine(&scene_), 1);
    view_.OnInitialUpdate();
    EXPECT_FALSE(scene_.IsScreenReady());
    view_.MoveWindow(10, 10, 200, 100);
    ASSERT_TRUE(scene_.IsScreenReady());
    EXPECT_EQ(scene_.GetScreenWidth(), 200);
    view_.MoveWindow(10, 10, 0, 50);
    EXPECT_EQ(scene_.GetScreenWidth(), 200);
}

TEST_F(TableViewTest, FramesPaintTheEnginesScreenIntoTheWindow) {
    Start();
    const uint32_t id = AddPicture("red", 20, 20, 0xFFE02020);
    ImageEntity* e = scene_.CreateImageEntity(1, 100, 80, id, 0, 0, 0, 0, kNoBlendColor);
    scene_.ShowEntity(e, true);
    Wait(30);
    EXPECT_EQ(Shown(10 + 100, 10 + 80), 0xFFE02020u);
    e->MoveTo(200, 80);
    e->Update();
    Wait(30);
    EXPECT_EQ(Shown(10 + 100, 10 + 80), 0xFF000000u);
    EXPECT_EQ(Shown(10 + 200, 10 + 80), 0xFFE02020u);
}

TEST_F(TableViewTest, ClicksReachAButtonAndKeysArriveOnce) {
    Start();
    auto* recorder = scene_.GetWorld().MakeObject<testing::Recorder>();
    auto* button = scene_.CreateButton<AdvancedButton>();
    ASSERT_TRUE(button->Create(700, 60, 60, 40, 20, true));
    button->SetMessage({700, {}, recorder->GetControlId()});
    Inject(InputEvent::Kind::MouseMove, {70, 70});
    Inject(InputEvent::Kind::MouseDown, {70, 70});
    Inject(InputEvent::Kind::MouseUp, {70, 70});
    EXPECT_EQ(recorder->codes, (std::vector<uint32_t>{700}));
    view_.SetFocus();
    Inject(InputEvent::Kind::KeyDown, {}, 'A');
    EXPECT_EQ(scene_.keys, (std::vector<uint32_t>{'A'}));
}

TEST_F(TableViewTest, TheTickRunsOnlyWhileTheCursorIsInside) {
    Start();
    Wait(300);
    EXPECT_EQ(scene_.ticks, 0);
    Inject(InputEvent::Kind::MouseMove, {50, 50});
    Wait(300);
    EXPECT_EQ(scene_.ticks, 3);
    EXPECT_EQ(scene_.calls, (std::vector<std::string>{"OnMouseEnter"}));
    Inject(InputEvent::Kind::MouseMove, {395, 295});  // the top-level window, outside the view
    Wait(300);
    EXPECT_EQ(scene_.ticks, 3);
    EXPECT_EQ(scene_.calls.back(), "OnMouseLeave");
}

TEST_F(TableViewTest, EdgeScrollingPutsThePointerBackInside) {
    Start();
    MouseState near;
    near.x = 3;
    near.y = 100;
    platform::Payload payload = platform::Payload::Make<MouseState>(near);
    EXPECT_EQ(scene_.DispatchSystemCommand(86, payload), 1);
    // 10 pixels in, on the view at (10, 10) of the screen.
    EXPECT_EQ(display_->Warped(), (platform::POINT{20, 110}));
    EXPECT_EQ(platform::GetCursorPos(), (platform::POINT{20, 110}));
}

TEST_F(TableViewTest, TheAverageFrameTimeCountsTheZerosOfTheRing) {
    EXPECT_EQ(view_.AverageFrameTime(50), 0u);
    uint32_t average = 0;
    for (int i = 1; i < 100; ++i)
        average = view_.AverageFrameTime(50);
    EXPECT_EQ(average, 50u);
    EXPECT_EQ(view_.AverageFrameTime(150), 51u);
}

}  // namespace
}  // namespace engine
