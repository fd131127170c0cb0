// The own hand's tile controls on the engine, driven by the engine's own
// mouse input: hover, a click that discards (read back at the scripted
// server), a drag with the left button, and picks in a chow choice.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "engine/entity.h"
#include "engine/mouse_controller.h"
#include "mahjong/scene/asset_names.h"
#include "mahjong/tests/client_fixture.h"
#include "platform/profile.h"

namespace mahjong {
namespace {

using testing::ClientFixture;
using testing::T;
using testing::Words;

class TileControlTest : public ClientFixture {
  protected:
    void BeforeStart() override {
        platform::WritePrivateProfileString("SKIN", "Style1", "Azure", IniPath());
    }
    // Chair 0 on turn with 17 tiles, the table on the engine.
    void SetUp() override {
        Seat(0);
        std::vector<int32_t> own;
        for (int i = 0; i < 17; ++i)
            own.push_back(T(i / 9, i % 9 + 1, 0));
        ASSERT_TRUE(Deal(testing::RoundStart(0, own)));
        ASSERT_EQ(Scene().TC_GetPointTo(), 6);
    }
    const MJStruct& H(int i) { return *Scene().GetMJStruct(kAreaHand, 3, i); }
    engine::Entity& TileEntity(int i) {
        return *Scene().GetEntity(Scene().Binding(H(i).nObject).entity);
    }
    // The mouse on the engine's screen; the messages are pumped after each.
    void Move(int32_t x, int32_t y) {
        Scene().OnMouseMove(0, x, y);
        Scene().PumpMessages();
    }
    void Press(bool down) {
        const engine::MouseController& m = *Scene().GetMouse();
        if (down)
            Scene().OnLButtonDown(0, m.GetX(), m.GetY());
        else
            Scene().OnLButtonUp(0, m.GetX(), m.GetY());
        Scene().PumpMessages();
    }
    void Point(int i) { Move(TileEntity(i).GetX(), TileEntity(i).GetY() + 5); }
    // The button of `code` put on the table at (x, y), the mouse on it.
    engine::Entity& ShowButton(uint32_t code, int32_t x, int32_t y) {
        const uint32_t id = Scene().GetWorld().GetControl(Scene().ButtonControl(code))->entityId;
        engine::Entity& e = *Scene().GetEntity(id);
        Scene().MoveEntity(&e, x, y);
        Scene().ShowEntity(&e, true);
        Move(x, y);
        return e;
    }
};

TEST_F(TileControlTest, EveryStandingOwnTileHasItsControlWithTheEventsOfTheTurn) {
    for (int i = 0; i < 17; ++i) {
        SCOPED_TRACE(i);
        const int32_t c = Scene().Binding(H(i).nObject).control;
        ASSERT_GT(c, 0);
        EXPECT_EQ(Scene().Control(c).binding, H(i).nObject);
        const engine::ControlRecord* record = Scene().GetWorld().GetControl(Scene().Control(c).id);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(TileEntity(i).GetControlId(), record->id);
        for (auto [event, code] : {std::pair{engine::kEvEnter, kMsgTileHoverOn},
                                   {engine::kEvLeave, kMsgTileHoverOff},
                                   {engine::kEvLeftDown, kMsgTileDragBegin},
                                   {engine::kEvLeftUp, kMsgTileDragEnd},
                                   {engine::kEvLeftDrag, kMsgTileDragMove},
                                   {engine::kEvClick, kMsgTileClickDiscard}}) {
            ASSERT_NE(record->GetEvent(event), nullptr) << event;
            EXPECT_EQ(record->GetEvent(event)->code, int32_t(code)) << event;
        }
    }
    // Off the own turn a click does nothing: its entry is cleared.
    Scene().SetHandMode(1);
    Scene().RefreshTileControls();
    const auto& first = Scene().Control(Scene().Binding(H(1).nObject).control);
    EXPECT_EQ(Scene().GetWorld().GetControl(first.id)->GetEvent(engine::kEvClick)->code,
              int32_t(kMsgTileClickIdle));
}

TEST_F(TileControlTest, HoverRaisesTheTileLeavingLowersItAndAClickDiscardsIt) {
    const int32_t y = TileEntity(4).GetY();
    Point(4);
    EXPECT_EQ(TileEntity(4).GetY(), y - kOwnTileLift);
    EXPECT_EQ(Scene().GetMouse()->Cursor(), 32649);
    Move(5, 5);
    EXPECT_EQ(TileEntity(4).GetY(), y);
    EXPECT_EQ(Scene().GetMouse()->Cursor(), 32512);
    // A click discards the tile under it.
    const int32_t tile = H(5).nFace;
    Point(5);
    Press(true);
    Press(false);
    EXPECT_EQ(SentWords(221080)[discard::kTiles], tile);
    EXPECT_EQ(Scene().FindHandTile(3, tile), -1);
}

TEST_F(TileControlTest, ADragMovesTheTileToTheDropPlaceOrBackAndDiscardsNothing) {
    const int32_t held = H(3).nFace, other = H(7).nFace;
    Point(3);
    Press(true);
    EXPECT_EQ(Scene().Drag().control, Scene().Binding(H(3).nObject).control);
    EXPECT_EQ(TileEntity(3).GetDepth(), 2900);
    Move(TileEntity(7).GetX(), TileEntity(7).GetY());
    Press(false);
    EXPECT_EQ(Scene().Drag().control, 0);
    // The tiles between moved up one place.
    EXPECT_EQ(H(7).nFace, held);
    EXPECT_EQ(H(6).nFace, other);
    EXPECT_NE(H(3).nFace, held);
    EXPECT_EQ(TileEntity(7).GetDepth(), H(7).drawOrder);
    // A drag leaving the hand puts the tile back.
    const int32_t x = TileEntity(2).GetX(), y = TileEntity(2).GetY();
    Point(2);
    Press(true);
    Move(x, 5);
    EXPECT_EQ(Scene().Drag().control, 0);
    EXPECT_EQ(TileEntity(2).GetX(), x);
    EXPECT_EQ(TileEntity(2).GetY(), y - kOwnTileLift);  // raised, as the hover left it
    // The release that follows is no click.
    Press(false);
    EXPECT_FALSE(SentBeforeMarker(221080));
}

TEST_F(TileControlTest, ClicksInAChowChoicePickAndDropTiles) {
    Scene().SetHandMode(3);
    Scene().RefreshTileControls();
    const int32_t y = TileEntity(6).GetY();
    for (int pick : {1, 0}) {
        SCOPED_TRACE(pick);
        Point(6);
        Press(true);
        Press(false);
        EXPECT_EQ(H(6).raised, pick);
        Move(5, 5);
        EXPECT_EQ(TileEntity(6).GetY(), y - pick * kOwnTileLift);
    }
}

// The buttons made once per code: opacity 0.8 when enabled, 0.3 and no
// events when disabled, and a click reaches the scene's operation.
TEST_F(TileControlTest, EveryButtonCodeHasOneControlThatReachesItsOperation) {
    std::map<int32_t, int> sent;  // the image buttons' own messages (event 25)
    for (uint32_t id = 1; id < 4096; ++id) {
        const engine::ControlRecord* r = Scene().GetWorld().GetControl(id);
        if (const engine::EventEntry* e = r ? r->GetEvent(25) : nullptr) ++sent[e->code];
    }
    for (uint32_t code = kMsgStartButton; code <= kMsgPassButton; ++code) {
        EXPECT_EQ(sent[int32_t(code)], 1) << code;
        engine::ControlRecord* record = Scene().GetWorld().GetControl(Scene().ButtonControl(code));
        ASSERT_NE(record, nullptr) << code;
        const engine::Entity& e = *Scene().GetEntity(record->entityId);
        Scene().SetControlLook(record, false);
        EXPECT_DOUBLE_EQ(e.GetOpacity(), 0.3) << code;
        EXPECT_EQ(record->GetEvent(engine::kEvClick), nullptr) << code;
        Scene().SetControlLook(record, true);
        EXPECT_EQ(record->GetEvent(engine::kEvClick)->code, 43) << code;
    }
    for (uint32_t code : {kMsgMusicButton, kMsgSkinButton, kMsgSortButton, kMsgAutoPlayButton,
                          kMsgScreenshotButton})
        EXPECT_NE(Scene().ButtonControl(code), 0u) << code;
    EXPECT_EQ(Scene().GetButtonFrame(kMsgKongButton).x, 40);
    EXPECT_EQ(Scene().GetButtonFrame(kMsgAutoPlayButton).x, 150);
    EXPECT_EQ(Scene().GetButtonFrame(210032).width, 0);

    // The pass button, put on the table and clicked: the buttons go off.
    Scene().Effects().Clear();
    EXPECT_DOUBLE_EQ(ShowButton(kMsgPassButton, 300, 300).GetOpacity(), 1.0);
    Press(true);
    Press(false);
    Scene().PumpMessages();
    const auto& effects = Scene().Effects().All();
    EXPECT_NE(std::find(effects.begin(), effects.end(), SceneEffect(Effect::kEnableAllButtons, 0)),
              effects.end());
    // The screenshot button saves the screen in the program's temp folder.
    Move(5, 5);
    ShowButton(kMsgScreenshotButton, 200, 200);
    Press(true);
    Press(false);
    Scene().PumpMessages();
    EXPECT_FALSE(std::filesystem::is_empty(ProgramDir() + "temp"));
    // The music and skin buttons reach their operations.
    Scene().PollSceneButtons(kMsgMusicButton);
    EXPECT_EQ(Scene().MusicOn(), 1);
    const int32_t style = Scene().CurrentStyle();
    Scene().PollSceneButtons(kMsgSkinButton);
    EXPECT_NE(Scene().CurrentStyle(), style);
}

TEST_F(TileControlTest, ASystemBarButtonTellsItsHoverWithItsCaption) {
    ShowButton(kMsgSortButton, 400, 150);
    std::vector<std::pair<uint32_t, std::string>> told;
    auto collect = [&] {
        while (Scene().GetWorld().QueuedMessages() > 0) {
            engine::EngineMessage m = Scene().GetWorld().PopMessage();
            if (const std::string* text = m.payload.Get<std::string>())
                told.push_back({m.code, *text});
        }
    };
    for (int tick = 0; tick < 20; ++tick)
        Scene().Tick();
    collect();
    Scene().OnMouseMove(0, 5, 5);
    collect();
    const std::vector<std::pair<uint32_t, std::string>> want = {{kMsgBarButtonEnter, "排序"},
                                                                {kMsgBarButtonLeave, "排序"}};
    EXPECT_EQ(told, want);
}

}  // namespace
}  // namespace mahjong
