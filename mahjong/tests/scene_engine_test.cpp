// The table scene on the engine as the running client shows it: started
// through the hall, the main frame and the table pane, its rounds told by
// notifications, its time the view's timers under the test's clock, its
// input the pointer on the view's window. What is checked is what the
// engine holds and draws: entities, their pictures and places, controls.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "engine/anim_entity.h"
#include "engine/control_record.h"
#include "engine/draw_payloads.h"
#include "engine/image_entity.h"
#include "engine/particle_entity.h"
#include "engine/resources/resource_manager.h"
#include "engine/text_entity.h"
#include "mahjong/scene/asset_names.h"
#include "mahjong/scene/tile_identity.h"
#include "mahjong/tests/client_fixture.h"
#include "mahjong/tests/entity_checks.h"
#include "pictures/image_record.h"
#include "platform/bytes.h"
#include "platform/profile.h"

namespace mahjong {
namespace {

using testing::DrawReply;
using testing::ExpectEveryRecordShownByItsEntity;
using testing::Reply;
using testing::T;
using testing::Words;

class SceneTest : public testing::ClientFixture {
  protected:
    void SetUp() override { Seat(0); }
    CTableScene& S() { return Scene(); }
    engine::Entity* E(uint32_t id) { return S().GetEntity(id); }
    bool Shown(uint32_t id) { return E(id) && E(id)->IsVisible(); }
    // The picture cell's left of a shown image entity, else -1.
    static int32_t CellX(const engine::Entity* e) {
        const auto* cell = e ? dynamic_cast<const engine::ImagePayload*>(e->GetPayload()) : nullptr;
        return cell && e->IsVisible() ? cell->srcX : -1;
    }
    // A round whose banker `turn` moves first; the own chair holds `own`
    // (filled up from suit 2). `words` changes the start's words.
    bool DealRound(int32_t turn, std::vector<int32_t> own = {},
                   const std::function<void(Words&)>& words = {}) {
        for (int32_t t = T(2, 1, 0); own.size() < (turn == 0 ? 17u : 16u); ++t)
            if (std::find(own.begin(), own.end(), t) == own.end()) own.push_back(t);
        Words w = testing::RoundStart(turn, own);
        w.Set(snap::kJokerA, -1).Set(snap::kJokerB, -1);
        if (words) words(w);
        return Deal(w);
    }
    const MJStruct& H(int i) { return *S().GetMJStruct(kAreaHand, 3, i); }
    // The own hand's standing tiles in the sort's order: the highest first.
    bool OwnHandSorted() {
        std::vector<int32_t> keys;
        for (int32_t i = 0; i < S().HandPositions(); ++i)
            if (H(i).present && H(i).standing) keys.push_back(S().TileSortKey(H(i).nFace));
        return keys.size() >= 13 && std::is_sorted(keys.rbegin(), keys.rend());
    }
    // Lines of the daily log in the program folder holding `text` (UTF-8).
    int LogLines(const char8_t* text) {
        const std::string want(reinterpret_cast<const char*>(text));
        int n = 0;
        for (const auto& f : std::filesystem::directory_iterator(ProgramDir())) {
            if (f.path().filename().string().rfind("Game", 0) != 0) continue;
            std::ifstream in(f.path());
            for (std::string l; std::getline(in, l);)
                n += l.find(want) != std::string::npos ? 1 : 0;
        }
        return n;
    }
};

TEST_F(SceneTest, TheFirstSizingLoadsThePicturesAndTheTimersMakeEveryButtonWithOne) {
    auto expect = [&](const assets::Picture& pic, const char* title) {
        SCOPED_TRACE(pic.file);
        const engine::ImageRecord* image = S().GetImageRes(S().Resources().GetImageIdByName(title));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->width, pic.Width());
        EXPECT_EQ(image->height * std::max<int>(image->frameCount, 1), pic.Height());
    };
    for (const auto& pic : assets::kCommonPictures)
        expect(pic, pic.title);
    for (const auto& pic : assets::kStylePacked)
        expect(pic, pic.title);
    for (const auto& pic : assets::kStylePictures)
        if (std::string_view(pic.file).find(S().Sizes().Large() ? "800" : "1024") ==
            std::string_view::npos)
            expect(pic, pic.title);
    // Every button has its picture; the start button waits where it stands
    // before every round, the others until a round shows them.
    for (uint32_t code = kMsgStartButton; code <= kMsgPassButton; ++code) {
        const auto* e = dynamic_cast<const engine::ImageEntity*>(ButtonEntity(code));
        ASSERT_NE(e, nullptr) << code;
        EXPECT_NE(e->GetImageId(), 0u) << code;
        EXPECT_EQ(e->IsVisible(), code == kMsgStartButton) << code;
    }
    const engine::Entity* start = ButtonEntity(kMsgStartButton);
    EXPECT_EQ((std::array{start->GetX(), start->GetY()}),
              (std::array{S().GetScreenSizeX() / 2, 6 * S().GetScreenSizeY() / 7}));
    for (uint32_t code : {kMsgMusicButton, kMsgSortButton, kMsgScreenshotButton})
        EXPECT_FALSE(ButtonEntity(code)->IsVisible()) << code;
    // Both bars are cut from their pictures: the system bar's strip is as
    // wide as its pieces.
    EXPECT_EQ(S().SystemBar()->GetWidth(), 8 + 5 * 36 + 8);
    EXPECT_EQ(S().OperationBar()->GetHeight(), 48);
    // This game's controls: made once, each hidden.
    const auto& c = S().Controls();
    std::vector<uint32_t> all{c.jokerPlaque,      c.jokerFace,      c.textLine,
                              c.huStamp,          c.stakeUnit,      c.flowerCount,
                              S().AutoPlaySign(), S().NoteEntity(), S().ClockFace(),
                              S().PointingHand(), S().Die(0)};
    for (const auto* ids : {&c.readyIcons, &c.seatFrames})
        all.insert(all.end(), ids->begin(), ids->end());
    for (uint32_t id : all)
        EXPECT_FALSE(Shown(id)) << id;
    EXPECT_EQ(std::set<uint32_t>(all.begin(), all.end()).size(), all.size());
    // A skin applied to the frame runs the table's skin hook: the scene
    // loads its settings and pictures again, now of the style named there.
    platform::WritePrivateProfileString("SKIN", "Style1", "Azure", IniPath());
    platform::WritePrivateProfileString("SKIN", "Default", "1", IniPath());
    const uint32_t cloth = S().Resources().GetImageIdByName("桌面");
    const std::vector<uint8_t> classic = S().GetImageRes(cloth)->pixels;
    Frame().ApplySplitterSkin();
    EXPECT_EQ(S().CurrentStyle(), 1);
    EXPECT_EQ(S().Resources().GetImageIdByName("桌面"), cloth) << "the same entities show it";
    EXPECT_NE(S().GetImageRes(cloth)->pixels, classic);
}

class SceneIniTest : public SceneTest {
  protected:
    void BeforeStart() override {
        platform::WritePrivateProfileString("SKIN", "Style1", "Azure", IniPath());
        platform::WritePrivateProfileString("SKIN", "Default", "7", IniPath());
        platform::WritePrivateProfileString("GAMESET", "Music", "1", IniPath());
        platform::WritePrivateProfileString("AI", "bn_Robot", "3", IniPath());
    }
};

TEST_F(SceneIniTest, IniWordsAreReadCheckedAndTheRobotSwitchStartsTheGameOnAutoPlay) {
    EXPECT_EQ(S().CurrentStyle(), 0) << "an index past the three names";
    EXPECT_EQ(S().StyleName(1), "Azure");
    EXPECT_EQ(S().MusicOn(), 1);
    EXPECT_EQ(S().GetWorld().Sound().SoundDir(), ProgramDir() + "sound\\Classic\\");
    // The robot switch: the start went out and auto-play is on.
    EXPECT_TRUE(Shown(S().AutoPlaySign()));
    EXPECT_FALSE(ButtonEntity(kMsgStartButton)->IsVisible());
    // Closing writes the words back.
    platform::WritePrivateProfileString("GAMESET", "Music", "0", IniPath());
    app_->GetConnection()->Close();
    app_->ExitInstance();
    app_.reset();
    EXPECT_EQ(platform::GetPrivateProfileInt("SKIN", "Default", -1, IniPath()), 0u);
    EXPECT_EQ(platform::GetPrivateProfileInt("GAMESET", "Music", -1, IniPath()), 1u);
}

// Two rounds with draws, discards and a meld: every present record is
// drawn by one entity of its own where it says, and the daily log tells of
// no record bound twice.
TEST_F(SceneTest, EveryRecordKeepsOneEntityThroughTwoRoundsAndNothingIsBoundTwice) {
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(DealRound(1));
        ExpectEveryRecordShownByItsEntity(S());
        ASSERT_TRUE(Notify(221170, Words(22).Set(1, 1).Set(21, T(1, 5, 0))));
        ASSERT_TRUE(Notify(229160, Words(3).Set(0, 2).Set(1, 200).Set(2, 75)));
        ASSERT_TRUE(Notify(221170, Words(22).Set(1, 2).Set(21, T(1, 6, 0))));
        ASSERT_TRUE(Notify(229185, Words(9).Set(3, 3).Set(4, 2).Set(5, T(1, 6, 0))));
        Run(500);
        ExpectEveryRecordShownByItsEntity(S());
    }
    EXPECT_EQ(LogLines(u8"重复的可用绑定"), 0);
}

TEST_F(SceneTest, TheDiceRollToTheThrownNumbersAndTheDealEndsSortedWithTheClockShown) {
    // The banker's tiles come out of order.
    std::vector<int32_t> own;
    for (int i = 0; i < 17; ++i)
        own.push_back((16 - i) * 6);
    Words w = testing::RoundStart(0, own);
    w.Set(snap::kDieA, 6).Set(snap::kDieB, 2).Set(snap::kJokerA, -1).Set(snap::kJokerB, -1);
    ASSERT_TRUE(Notify(211040, w));
    auto die = [&](int32_t i) { return dynamic_cast<engine::AnimEntity*>(E(S().Die(i))); };
    RECT box{};
    S().GetDiceRect(&box);
    Run(300);
    for (int32_t i = 0; i < 2; ++i) {
        ASSERT_NE(die(i), nullptr);
        EXPECT_TRUE(die(i)->IsVisible());
        EXPECT_LT(die(i)->Strip().srcX, 8 * 106) << "still rolling";
        EXPECT_EQ(die(i)->GetX(), box.left + 106 * i + 53);
    }
    Run(800);
    // Strips 1-6 end on the first die's number, 7-12 on the second's.
    EXPECT_EQ(die(0)->Strip().imageId, S().Resources().GetImageIdByName("骰子6"));
    EXPECT_EQ(die(1)->Strip().imageId, S().Resources().GetImageIdByName("骰子8"));
    EXPECT_EQ(die(0)->Strip().srcX, 8 * 106);
    EXPECT_FALSE(Shown(S().ClockFace())) << "no clock while the dice roll";
    // The deal ends with the clock on the table, the dice gone, the own
    // hand sorted by the sweep and every tile in place.
    ASSERT_TRUE(RunUntil([&] { return S().StateWord(CTableScene::kClockRunning) == 1; }));
    Run(3000);
    RECT r{};
    S().GetClockRect(&r);
    EXPECT_TRUE(Shown(S().ClockFace()));
    EXPECT_EQ((std::array{E(S().ClockFace())->GetX(), E(S().ClockFace())->GetY()}),
              (std::array{(r.left + r.right) / 2, (r.top + r.bottom) / 2}));
    EXPECT_FALSE(die(0)->IsVisible() || die(1)->IsVisible());
    EXPECT_TRUE(OwnHandSorted());
    EXPECT_FALSE(Shown(S().PointingHand()));
    ExpectEveryRecordShownByItsEntity(S());
    // The own hand told again out of order (221200) is sorted by the sweep.
    Words hand(3 + 16);
    hand.Set(1, 0).Set(2, 16);
    for (int i = 0; i < 16; ++i)
        hand.Set(size_t(3 + i), (i * 5) % 16 * 8);
    ASSERT_TRUE(Notify(221200, hand));
    Run(3000);
    EXPECT_TRUE(OwnHandSorted());
}

TEST_F(SceneTest, TheClockHandStepsToTheSeatOnTurnAndItsDigitsCountDown) {
    ASSERT_TRUE(DealRound(0));
    const engine::Entity* face = E(S().ClockFace());
    ASSERT_EQ(face->GetChildCount(), 3u);
    const engine::Entity* hand = face->GetChild(0);
    EXPECT_EQ(dynamic_cast<const engine::ImageEntity&>(*hand).GetImageId(),
              S().Resources().GetImageIdByName("钟指针"));
    EXPECT_EQ(CellX(hand), 56 * 6);
    // Each discard turns the hand, a step every 100 ms, to the next seat:
    // the own (6) to view seat 2 (4), to 1 (2), to 0 (0), back to the own.
    const struct {
        int32_t chair;
        std::vector<int32_t> path;
    } kTurns[] = {{0, {5, 4}}, {3, {3, 2}}, {2, {1, 0}}, {1, {7, 6}}};
    for (const auto& turn : kTurns) {
        SCOPED_TRACE(turn.chair);
        if (turn.chair == 0) {
            const engine::Entity& tile = *E(S().Binding(H(5).nObject).entity);
            Click(tile.GetX(), tile.GetY());
            ASSERT_TRUE(Next(221080));
        } else {
            ASSERT_TRUE(Notify(221170, Words(22).Set(1, turn.chair).Set(21, T(1, 9, 0))));
        }
        for (int32_t step : turn.path)
            EXPECT_TRUE(RunUntil([&] { return CellX(hand) == 56 * step; }, 200)) << step;
        Run(300);
        EXPECT_EQ(CellX(hand), 56 * turn.path.back()) << "it rests there";
    }
    // The digits: tens 4 pixels left of the face's centre, units right; a
    // second takes one off.
    const int32_t left = S().GetTurnSeconds();
    EXPECT_EQ(CellX(face->GetChild(1)), 8 * (left / 10));
    EXPECT_EQ(CellX(face->GetChild(2)), 8 * (left % 10));
    Run(1000);
    EXPECT_EQ(CellX(face->GetChild(2)), 8 * ((left - 1) % 10));
    EXPECT_EQ(face->GetChild(1)->GetX(), face->GetX() - 4);
    EXPECT_EQ(face->GetChild(2)->GetX(), face->GetX() + 4);
}

TEST_F(SceneTest, TheSortButtonSweepsTheHandTrailingParticlesAndSortsItAtItsEnd) {
    ASSERT_TRUE(DealRound(0));
    ASSERT_TRUE(OwnHandSorted());
    // A tile dragged to the row's other end leaves the hand out of order.
    const engine::Entity& from = *E(S().Binding(H(2).nObject).entity);
    const engine::Entity& to = *E(S().Binding(H(15).nObject).entity);
    Point(from.GetX(), from.GetY());
    Press(true);
    Point(to.GetX(), to.GetY());
    Press(false);
    ASSERT_FALSE(OwnHandSorted());
    const engine::Entity& sort = *ButtonEntity(kMsgSortButton);
    Click(sort.GetX(), sort.GetY());
    const engine::Entity* hand = E(S().PointingHand());
    EXPECT_TRUE(hand->IsVisible());
    Run(200);
    EXPECT_FALSE(OwnHandSorted()) << "sorted only at the sweep's end";
    for (uint32_t id : S().HandParticles()) {
        const auto* p = dynamic_cast<const engine::ParticleEntity*>(E(id));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->GetAttachedTo(), hand);
        EXPECT_GT(p->LiveCount(), 0u);
    }
    Run(3000);
    EXPECT_TRUE(OwnHandSorted());
    EXPECT_FALSE(hand->IsVisible());
    ExpectEveryRecordShownByItsEntity(S());
}

TEST_F(SceneTest, AWinShowsItsPictureStampAndParticlesAndLeavesNothingBehind) {
    ASSERT_TRUE(DealRound(0));
    Words end(snap::kResultWords + 4 * 43);
    for (int i = 0; i < 4 * 32; ++i)
        end.Set(size_t(snap::kResultHands + i), -1);
    end.Set(snap::kResultWon, 1).Set(snap::kResultWinner, 0).Set(snap::kResultWinTile, T(0, 1, 0));
    end.Set(snap::kResultRecordCount, 4);
    ASSERT_TRUE(Notify(211080, end));
    const size_t playing = S().GetWorld().EntityCount();
    EXPECT_TRUE(Shown(S().Controls().huStamp));
    EXPECT_EQ(E(S().Controls().huStamp)->GetX(), S().GetMarkerPos(3).x);
    Run(2500);
    EXPECT_EQ(S().GetWorld().EntityCount(), playing) << "still playing";
    // The particles fade in steps of the engine's frames.
    Run(4000);
    EXPECT_EQ(S().GetWorld().EntityCount(), playing - 51) << "the picture and its 50 particles";
    // The point beside each seat lies outside its hand, 35 pixels off.
    for (int32_t seat = 0; seat < 4; ++seat) {
        RECT hand{};
        S().GetHandAreaRect(seat, &hand);
        const platform::POINT at = S().GetMarkerPos(seat);
        EXPECT_EQ(
            std::max({hand.left - at.x, at.x - hand.right, hand.top - at.y, at.y - hand.bottom}),
            35)
            << seat;
    }
}

TEST_F(SceneTest, ADrawnJokerPlaysOverItsTileWhileTheTileStaysClickable) {
    const int32_t joker = T(2, 9, 0);
    ASSERT_TRUE(DealRound(1, {}, [&](Words& w) { w.Set(snap::kJokerA, joker); }));
    ASSERT_TRUE(Shown(S().Controls().jokerPlaque));
    EXPECT_EQ(CellX(E(S().Controls().jokerFace)), TileImageIndex(joker) * 42);
    // The chair before the own one throws; the claims close; the own chair
    // draws a joker, which lands in its place.
    ASSERT_TRUE(Notify(221170, Words(22).Set(1, 1).Set(21, T(1, 9, 0))));
    server_.SetReply(229000, Reply::With(kReplyOk, DrawReply(T(2, 9, 1), 80)));
    ASSERT_TRUE(Notify(229165, Words(0)));
    ASSERT_TRUE(RunUntil([&] { return H(0).nObject != 0 && Shown(S().JokerAnimation()); }, 2000));
    const engine::Entity& tile = *E(S().Binding(H(0).nObject).entity);
    const engine::Entity& anim = *E(S().JokerAnimation());
    EXPECT_EQ((std::array{anim.GetX(), anim.GetY()}),
              (std::array{tile.GetX() + (S().Sizes().Large() ? 0 : 5), tile.GetY() - 22}));
    const engine::ControlRecord* control =
        S().GetWorld().GetControl(S().Control(S().Binding(H(0).nObject).control).id);
    EXPECT_EQ(control->GetEvent(engine::kEvEnter), nullptr) << "the hand rests";
    ASSERT_NE(control->GetEvent(engine::kEvClick), nullptr) << "but a click throws the tile";
    EXPECT_EQ(control->GetEvent(engine::kEvClick)->code, int32_t(kMsgTileClickDiscard));
    Run(1100);
    EXPECT_FALSE(anim.IsVisible());
    EXPECT_NE(control->GetEvent(engine::kEvEnter), nullptr);
}

TEST_F(SceneTest, AutoPlayShowsItsPulsingSignAndAnyClickOnTheTableEndsIt) {
    ASSERT_TRUE(DealRound(1));
    const engine::Entity& button = *ButtonEntity(kMsgAutoPlayButton);
    Click(button.GetX(), button.GetY());
    ASSERT_TRUE(Shown(S().AutoPlaySign()));
    EXPECT_EQ(S().GetAutoPlayWord(), 3);
    std::set<double> seen;
    for (int i = 0; i < 8; ++i) {
        Run(100);
        seen.insert(E(S().AutoPlaySign())->GetOpacity());
    }
    EXPECT_GE(seen.size(), 4u);
    // The auto-play button itself does not click while it is on; a click
    // anywhere on the table ends it.
    const engine::ControlRecord* own =
        S().GetWorld().GetControl(S().ButtonControl(kMsgAutoPlayButton));
    EXPECT_EQ(own->GetEvent(engine::kEvClick), nullptr);
    Click(S().GetScreenSizeX() / 2, S().GetScreenSizeY() / 3);
    EXPECT_FALSE(Shown(S().AutoPlaySign()));
    EXPECT_EQ(S().GetAutoPlayWord(), 0);
    ASSERT_NE(own->GetEvent(engine::kEvClick), nullptr);
    // Off, a click on the table changes nothing.
    Click(S().GetScreenSizeX() / 2, S().GetScreenSizeY() / 3);
    EXPECT_FALSE(Shown(S().AutoPlaySign()));
}

// Pixels of a board's surface in the colour `color`.
size_t PixelsOf(engine::TextEntity& board, uint32_t color) {
    const uint32_t want = engine::ColorToPixel(color, board.GetBackColor());
    const uint8_t* px = board.GetPixels();
    size_t n = 0;
    for (int32_t i = 0; px && i < board.SurfaceWidth() * board.SurfaceHeight(); ++i)
        n += platform::LoadLE32(px + 4 * i) == want ? 1 : 0;
    return n;
}

TEST_F(SceneTest, StartsNamesTheStakeAndTheBankerShowForTheRoundAndTheNextRoundHidesThem) {
    // Chair 2 (opposite: view seat 1) starts: its name turns yellow and its
    // ready icon stands beside its seat.
    ASSERT_TRUE(Notify(201160, Words(8).Set(0, 103).Set(3, 2)));
    const auto& c = S().Controls();
    EXPECT_TRUE(Shown(c.readyIcons[2]));
    EXPECT_EQ(E(c.readyIcons[2])->GetX(), S().GetMarkerPos(1).x);
    for (int32_t seat = 0; seat < 4; ++seat) {
        auto* board = dynamic_cast<engine::TextEntity*>(E(S().Board(seat).board));
        ASSERT_NE(board, nullptr);
        EXPECT_TRUE(board->IsVisible());
        EXPECT_GT(PixelsOf(*board, seat == 1 ? 0x00ffff : 0xffffff), 10u) << seat;
        EXPECT_EQ(PixelsOf(*board, seat == 1 ? 0xffffff : 0x00ffff), 0u) << seat;
    }
    // A round staked in silver: its digits, "两" and "2花"; the banker's mark.
    ASSERT_TRUE(DealRound(2, {}, [](Words& w) {
        w.Set(snap::kMoneyMode, 1).Set(snap::kSilverValue, 1230).Set(snap::kBankerChair, 2);
    }));
    EXPECT_FALSE(Shown(c.readyIcons[2])) << "the round hides the ready icons";
    std::vector<int32_t> digits;
    for (uint32_t id : c.stakeDigits)
        if (Shown(id)) digits.push_back(CellX(E(id)) / 14);
    EXPECT_EQ(digits, (std::vector<int32_t>{1, 2, 3, 0}));
    EXPECT_TRUE(Shown(c.stakeUnit) && Shown(c.flowerCount));
    std::vector<int32_t> marks;
    for (uint32_t id : S().Board(1).icons)
        if (CellX(E(id)) >= 0) marks.push_back(CellX(E(id)));
    EXPECT_EQ(marks, std::vector<int32_t>{0}) << "the banker's mark, once";
    // A round in points shows no stake line.
    ASSERT_TRUE(DealRound(0));
    for (uint32_t id : c.stakeDigits)
        EXPECT_FALSE(Shown(id));
    EXPECT_FALSE(Shown(c.stakeUnit));
}

class LookerSceneTest : public testing::ClientFixture {
  protected:
    void SetUp() override { Seat(0, true); }
};

TEST_F(LookerSceneTest, TheLookOnButtonAsksOnceInFifteenSecondsAndNoPlayersButtonShows) {
    CTableScene& s = Scene();
    std::vector<int32_t> own(16, 200);
    ASSERT_TRUE(Deal(testing::RoundStart(1, own)));
    const engine::ControlRecord* ask = s.GetWorld().GetControl(s.ButtonControl(kMsgAskButton));
    const engine::Entity& e = *s.GetEntity(ask->entityId);
    ASSERT_TRUE(e.IsVisible());
    EXPECT_EQ(e.GetX(), 36);
    for (uint32_t code : {kMsgStartButton, kMsgMusicButton, kMsgAutoPlayButton, kMsgPassButton})
        EXPECT_FALSE(ButtonEntity(code)->IsVisible()) << code;
    Click(e.GetX(), e.GetY());
    EXPECT_TRUE(Next(221050));
    EXPECT_EQ(ask->GetEvent(engine::kEvClick), nullptr) << "switched off";
    Run(14000);
    EXPECT_EQ(ask->GetEvent(engine::kEvClick), nullptr);
    Run(1100);
    EXPECT_NE(ask->GetEvent(engine::kEvClick), nullptr);
}

}  // namespace
}  // namespace mahjong
