// The own hand's tile controls and the scene's buttons on the running
// client, driven by pointer input of the view's window: hover, a click that
// discards (read back at the scripted server), a drag with the left button,
// picks in a chow choice, the claim bar, the tool buttons and their notes.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "engine/button_frame.h"
#include "engine/control_record.h"
#include "engine/draw_payloads.h"
#include "engine/entity.h"
#include "engine/image_entity.h"
#include "engine/mouse_controller.h"
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
    // Chair 0 on turn with 17 tiles: suit 0's nine and suit 1's 1 to 8.
    void SetUp() override {
        Seat(0);
        ASSERT_TRUE(Deal(testing::RoundStart(0, testing::InOrder(17))));
        ASSERT_EQ(Scene().TC_GetPointTo(), 6);
    }
    const MJStruct& H(int i) { return *Scene().GetMJStruct(kAreaHand, 3, i); }
    engine::Entity& TileEntity(int i) {
        return *Scene().GetEntity(Scene().Binding(H(i).nObject).entity);
    }
    const engine::ControlRecord* TileControl(int i) {
        return Scene().GetWorld().GetControl(
            Scene().Control(Scene().Binding(H(i).nObject).control).id);
    }
    void PointAt(int i) { Point(TileEntity(i).GetX(), TileEntity(i).GetY() + 5); }
    void ClickButton(uint32_t code) {
        const engine::Entity& e = *ButtonEntity(code);
        Click(e.GetX(), e.GetY());
    }
};

TEST_F(TileControlTest, EveryStandingOwnTileHasItsControlWithTheEventsOfTheTurn) {
    for (int i = 0; i < 17; ++i) {
        SCOPED_TRACE(i);
        const int32_t c = Scene().Binding(H(i).nObject).control;
        ASSERT_GT(c, 0);
        EXPECT_EQ(Scene().Control(c).binding, H(i).nObject);
        const engine::ControlRecord* record = TileControl(i);
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
}

TEST_F(TileControlTest, HoverRaisesTheTileLeavingLowersItAndAClickDiscardsIt) {
    const int32_t y = TileEntity(4).GetY();
    PointAt(4);
    EXPECT_EQ(TileEntity(4).GetY(), y - kOwnTileLift);
    EXPECT_EQ(Scene().GetMouse()->Cursor(), 32649);
    Point(5, 5);
    EXPECT_EQ(TileEntity(4).GetY(), y);
    EXPECT_EQ(Scene().GetMouse()->Cursor(), 32512);
    // A click discards the tile under it.
    const int32_t tile = H(5).nFace;
    PointAt(5);
    Press(true);
    Press(false);
    EXPECT_EQ(SentWords(221080)[discard::kTiles], tile);
    EXPECT_EQ(Scene().FindHandTile(3, tile), -1);
    // Off the own turn a click does nothing: its entry is cleared.
    for (int i = 1; i < 16; ++i)
        EXPECT_EQ(TileControl(i)->GetEvent(engine::kEvClick), nullptr) << i;
}

TEST_F(TileControlTest, ADragMovesTheTileToTheDropPlaceOrBackAndDiscardsNothing) {
    const int32_t held = H(3).nFace, other = H(7).nFace;
    PointAt(3);
    Press(true);
    EXPECT_EQ(Scene().Drag().control, Scene().Binding(H(3).nObject).control);
    EXPECT_EQ(TileEntity(3).GetDepth(), 2900);
    Point(TileEntity(7).GetX(), TileEntity(7).GetY());
    Press(false);
    EXPECT_EQ(Scene().Drag().control, 0);
    // The tiles between moved up one place.
    EXPECT_EQ(H(7).nFace, held);
    EXPECT_EQ(H(6).nFace, other);
    EXPECT_NE(H(3).nFace, held);
    EXPECT_EQ(TileEntity(7).GetDepth(), H(7).drawOrder);
    // A drag leaving the hand puts the tile back.
    const int32_t x = TileEntity(2).GetX(), y = TileEntity(2).GetY();
    PointAt(2);
    Press(true);
    Point(x, 5);
    EXPECT_EQ(Scene().Drag().control, 0);
    EXPECT_EQ(TileEntity(2).GetX(), x);
    EXPECT_EQ(TileEntity(2).GetY(), y - kOwnTileLift);  // raised, as the hover left it
    // The release that follows is no click.
    Press(false);
    EXPECT_FALSE(SentBeforeMarker(221080));
}

// The claim bar beside the own hand: shown with the buttons the discard
// offers, each clickable only while enabled; the chow opens its choice, in
// which clicks pick and drop the tiles it may take.
TEST_F(TileControlTest, TheClaimBarOffersTheDiscardsClaimsAndTheChowChoicePicksTiles) {
    CTableScene& s = Scene();
    const engine::Entity* bar = s.OperationBar()->BoundEntity();
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(bar->IsVisible());
    // The own discard; then chair 1, just before the own chair, throws a 9
    // of suit 1, which the own 7 and 8 may chow.
    PointAt(5);
    Press(true);
    Press(false);
    ASSERT_TRUE(Next(221080));
    ASSERT_TRUE(Notify(221170, Words(22).Set(1, 1).Set(21, T(1, 9, 1)).Set(6, 0x4 | 0x20)));
    ASSERT_TRUE(bar->IsVisible());
    RECT hand{};
    s.GetHandAreaRect(3, &hand);
    EXPECT_LT(bar->GetY(), hand.top);
    EXPECT_GT(bar->GetLeft(), hand.left);
    EXPECT_LT(bar->GetLeft() + bar->GetWidth(), hand.right);
    // Four slots, no chow of the round start's words: its button stays away.
    EXPECT_EQ(s.OperationBar()->ButtonCount(), 4u);
    EXPECT_FALSE(ButtonEntity(kMsgChowButton)->IsVisible());
    for (uint32_t code : {kMsgPengButton, kMsgKongButton, kMsgHuButton, kMsgPassButton}) {
        const engine::ControlRecord* r = s.GetWorld().GetControl(s.ButtonControl(code));
        EXPECT_TRUE(ButtonEntity(code)->IsVisible()) << code;
        EXPECT_EQ(r->GetEvent(engine::kEvClick) != nullptr, code == kMsgPassButton) << code;
        EXPECT_DOUBLE_EQ(ButtonEntity(code)->GetOpacity(), code == kMsgPassButton ? 0.8 : 0.3);
    }
    // The pass: sent, and the bar goes.
    ClickButton(kMsgPassButton);
    EXPECT_TRUE(Next(229005));
    EXPECT_FALSE(bar->IsVisible());
    EXPECT_FALSE(s.AnyButtonEnabled());

    // A round with chows: five slots, the chow button last; it opens the
    // choice and turns to its cancel cell.
    std::vector<int32_t> own;
    for (int i = 0; i < 16; ++i)
        own.push_back(T(i / 8, i % 8 + 1, 0));
    ASSERT_TRUE(Deal(testing::RoundStart(1, own).Set(snap::kChowButton, 1)));
    ASSERT_TRUE(Notify(221170, Words(22).Set(1, 1).Set(21, T(0, 3, 1)).Set(6, 0x4 | 0x20)));
    EXPECT_EQ(s.OperationBar()->ButtonCount(), 5u);
    ASSERT_TRUE(ButtonEntity(kMsgChowButton)->IsVisible());
    ClickButton(kMsgChowButton);
    ASSERT_EQ(s.GetHandMode(), 3);
    const auto& chow = dynamic_cast<const engine::ImageEntity&>(*ButtonEntity(kMsgChowButton));
    EXPECT_EQ(dynamic_cast<const engine::ImagePayload*>(chow.GetPayload())->srcX, 5 * 40)
        << "the cancel cell";
    const int i = s.FindHandTile(3, T(0, 2, 0));
    ASSERT_GE(i, 0);
    EXPECT_EQ(TileControl(i)->GetEvent(engine::kEvClick)->code, int32_t(kMsgTileClickChow));
    const int32_t y = TileEntity(i).GetY();
    for (int pick : {1, 0}) {
        SCOPED_TRACE(pick);
        PointAt(i);
        Press(true);
        Press(false);
        EXPECT_EQ(H(i).raised, pick);
        Point(5, 5);
        EXPECT_EQ(TileEntity(i).GetY(), y - pick * kOwnTileLift);
    }
}

// The buttons made once per code, each with its picture; the tool buttons
// stand in their row near the bottom and reach their operations.
TEST_F(TileControlTest, EveryButtonHasOneControlAPictureAndItsPlace) {
    CTableScene& s = Scene();
    std::map<int32_t, int> sent;  // the image buttons' own messages (event 25)
    for (uint32_t id = 1; id < 4096; ++id) {
        const engine::ControlRecord* r = s.GetWorld().GetControl(id);
        if (const engine::EventEntry* e = r ? r->GetEvent(25) : nullptr) ++sent[e->code];
    }
    for (uint32_t code = kMsgStartButton; code <= kMsgPassButton; ++code) {
        EXPECT_EQ(sent[int32_t(code)], 1) << code;
        const auto* e = dynamic_cast<const engine::ImageEntity*>(ButtonEntity(code));
        ASSERT_NE(e, nullptr);
        EXPECT_NE(e->GetImageId(), 0u) << code;
    }
    // Above the own flowers: the own hand reaches the table's bottom.
    RECT flowers{};
    s.GetFlowerRect(3, &flowers);
    const struct {
        uint32_t code;
        int32_t x;
    } kRow[] = {{kMsgMusicButton, 22},
                {kMsgSkinButton, 65},
                {kMsgAutoPlayButton, 108},
                {kMsgScreenshotButton, 151},
                {kMsgSortButton, 194}};
    for (const auto& b : kRow) {
        const engine::Entity& e = *ButtonEntity(b.code);
        EXPECT_TRUE(e.IsVisible()) << b.code;
        EXPECT_EQ((std::array{e.GetX(), e.GetY()}), (std::array{b.x, flowers.top - 20})) << b.code;
    }
    EXPECT_TRUE(s.SystemBarEntity()->IsVisible());
    EXPECT_EQ(s.GetButtonFrame(kMsgKongButton).x, 40);
    EXPECT_EQ(s.GetButtonFrame(kMsgAutoPlayButton).x, 150);
    EXPECT_EQ(s.GetButtonFrame(210032).width, 0);
    // The screenshot button saves the screen in the program's temp folder.
    ClickButton(kMsgScreenshotButton);
    EXPECT_FALSE(std::filesystem::is_empty(ProgramDir() + "temp"));
    // The music and skin buttons reach their operations.
    ClickButton(kMsgMusicButton);
    EXPECT_EQ(s.MusicOn(), 1);
    const int32_t style = s.CurrentStyle();
    ClickButton(kMsgSkinButton);
    EXPECT_NE(s.CurrentStyle(), style);
}

TEST_F(TileControlTest, ASystemBarButtonShowsItsNoteWhileThePointerRestsOnIt) {
    const engine::Entity& sort = *ButtonEntity(kMsgSortButton);
    const engine::Entity* note = Scene().GetEntity(Scene().NoteEntity());
    Point(sort.GetX(), sort.GetY());
    Run(700);
    EXPECT_TRUE(note->IsVisible());
    EXPECT_LT(note->GetY(), sort.GetY()) << "above the button";
    Point(400, 300);
    Run(200);
    EXPECT_FALSE(note->IsVisible());
}

}  // namespace
}  // namespace mahjong
