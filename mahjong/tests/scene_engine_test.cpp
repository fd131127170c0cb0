#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <set>
#include <tuple>

#include "client/tests/hall_test_data.h"
#include "engine/advanced_button.h"
#include "engine/anim_entity.h"
#include "engine/control_record.h"
#include "engine/image_entity.h"
#include "engine/particle_entity.h"
#include "engine/resources/image_record.h"
#include "engine/text_entity.h"
#include "mahjong/app/client_app.h"
#include "mahjong/scene/asset_names.h"
#include "mahjong/scene/tile_identity.h"
#include "mahjong/tests/entity_checks.h"
#include "mahjong/tests/table_fixture.h"
#include "platform/clock.h"
#include "platform/gui/display.h"
#include "platform/gui/wnd.h"
#include "platform/profile.h"
#include "platform/tests/temp_dir.h"

namespace mahjong {
namespace {

using testing::ExpectEveryRecordShownByItsEntity;
using testing::ShownTiles;
using testing::Table;

// A program folder whose skins and sounds are the generated ones (none
// when `withAssets` is false), and a table seated in it.
struct Program {
    explicit Program(bool withAssets = true) {
        if (withAssets) testing::LinkAssets(dir.path());
        setenv("QEVO_PROGRAM_DIR", dir.path().c_str(), 1);
        testing::ReleaseAllPictures();
    }
    ~Program() { unsetenv("QEVO_PROGRAM_DIR"); }
    CTableScene& Scene() {
        t.scene.InitScreen(744, 710);
        return t.scene;
    }
    const engine::ImageRecord* Image(const char* title) {
        return t.scene.GetImageRes(t.scene.Resources().GetImageIdByName(title));
    }

    platform::testing::TempDir dir;
    Table t;
};

TEST(SceneSettings, LoadsEveryPictureByItsTitleAtItsSizeAndAnotherStyleReplacesThem) {
    Program p;
    CTableScene& s = p.Scene();
    s.LoadSettings();
    auto expect = [&](const assets::Picture& pic, const char* title) {
        SCOPED_TRACE(pic.file);
        const engine::ImageRecord* image = p.Image(title);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->width, pic.Width());
        EXPECT_EQ(image->height * std::max<int>(image->frameCount, 1), pic.Height());
    };
    for (const auto& pic : assets::kCommonPictures)
        expect(pic, pic.title);
    for (const auto& pic : assets::kStylePacked)
        expect(pic, pic.title);
    // The large faces follow the screen; the small-screen copy is always there.
    const bool large = s.Sizes().Large();
    for (const auto& pic : assets::kStylePictures) {
        const std::string_view file = pic.file;
        if (file.find(large ? "800" : "1024") == std::string_view::npos) expect(pic, pic.title);
    }
    expect(assets::kStylePictures[7], "正面");
    EXPECT_NE(s.ButtonGroup(0), s.ButtonGroup(1));
    EXPECT_EQ(s.GetWorld().Sound().SoundDir(), p.dir.path() + "sound\\Classic\\");
    // Another style replaces the pictures under their titles.
    const std::vector<uint8_t> classic = p.Image("桌面")->pixels;
    s.LoadTileImages("Azure");
    EXPECT_NE(p.Image("桌面")->pixels, classic);
    s.LoadTileImages("Classic");
    EXPECT_EQ(p.Image("桌面")->pixels, classic);
}

TEST(SceneSettings, IniWordsAreReadCheckedAndWrittenBackAndMissingFilesLeaveNoPictures) {
    // [SKIN] "Default" and the style it loads.
    for (const auto& [def, style] :
         std::vector<std::pair<const char*, int32_t>>{{"1", 1}, {"7", 0}, {"-2", 0}, {"", 0}}) {
        SCOPED_TRACE(def);
        Program p;
        const std::string ini = p.t.app->GetIniPath();
        platform::WritePrivateProfileString("SKIN", "Style1", "Azure", ini);
        platform::WritePrivateProfileString("SKIN", "Default", def, ini);
        platform::WritePrivateProfileString("GAMESET", "Music", "1", ini);
        platform::WritePrivateProfileString("AI", "bn_Robot", "3", ini);
        CTableScene& s = p.Scene();
        s.LoadSettings();
        EXPECT_EQ(s.CurrentStyle(), style);
        EXPECT_EQ(s.StyleName(1), "Azure");
        EXPECT_EQ(s.MusicOn(), 1);
        EXPECT_TRUE(s.AutoPlayer().RobotSwitch());
        EXPECT_EQ(s.GetWorld().Sound().SoundDir(),
                  p.dir.path() + "sound\\" + s.StyleName(style) + "\\");
        platform::WritePrivateProfileString("GAMESET", "Music", "0", ini);
        s.SaveOptions();
        EXPECT_EQ(platform::GetPrivateProfileInt("SKIN", "Default", -1, ini),
                  platform::UINT(style));
        EXPECT_EQ(platform::GetPrivateProfileInt("GAMESET", "Music", -1, ini), 1u);
    }
    // Missing files leave no pictures.
    Program p(false);
    CTableScene& s = p.Scene();
    s.LoadSettings();
    for (const auto& pic : assets::kCommonPictures)
        EXPECT_EQ(s.Resources().GetImageIdByName(pic.title), 0u) << pic.file;
    EXPECT_EQ(s.Resources().GetImageIdByName("桌面"), 0u);
}

// A dealt table of four on the engine: pictures loaded, tile entities made.
CTableScene& DealtOnEngine(Program& p) {
    CTableScene& s = p.Scene();
    s.LoadSettings();
    s.CreateTileEntities();
    p.t.Start([](testing::Words& w) {
        w.Set(snap::kWallHead, 49).Set(snap::kTurnedUpPos, 142).Set(snap::kTurnTimeout, 15);
    });
    s.OnRoundStart(testing::Words(snap::kRoundStartWords).Bytes());
    s.RevealDealtHands();
    s.RefreshEntities(100);
    return s;
}

TEST(TileBindings, EachRecordIsShownByItsOwnEntityAndChangedOrRemovedOnesGiveItBack) {
    Program p;
    CTableScene& s = DealtOnEngine(p);
    ExpectEveryRecordShownByItsEntity(s);
    std::vector<MJStruct*> standing;
    for (int32_t i = 0; i < s.WallTiles(); ++i)
        if (MJStruct* r = s.GetMJStruct(kAreaWall, 0, i); r->present && r->faceState != 1)
            standing.push_back(r);
    ASSERT_GE(standing.size(), 2u);
    MJStruct& gone = *standing[0];
    MJStruct& turned = *standing[1];
    const size_t before = ShownTiles(s);
    gone.present = 0;
    turned.faceState = 1;
    turned.nFace = 5;
    s.RefreshEntities(100);
    EXPECT_EQ(gone.nObject, 0);
    EXPECT_EQ(ShownTiles(s), before - 1);
    // A record whose binding went stale is drawn anew.
    EXPECT_EQ(s.Binding(turned.nObject).code, 5);
    EXPECT_TRUE(s.GetEntity(s.Binding(turned.nObject).entity)->IsVisible());

    s.HideTileEntities();
    EXPECT_EQ(ShownTiles(s), 0u);
    EXPECT_EQ(turned.nObject, 0);
    for (int32_t n = 1; n <= kTileBindings; ++n)
        EXPECT_TRUE(s.Binding(n).Free());
}

// ---- The scene's timed effects, on the engine's clock ----

// Runs the engine for `ms` in frames of 10 ms on the test clock.
void RunFor(CTableScene& s, platform::ManualClock& clock, int32_t ms) {
    for (int32_t t = 0; t < ms; t += 10) {
        clock.AdvanceMillis(10);
        s.RunFrame();
        s.PumpMessages();
    }
}

TEST(SceneEffects, TheWinEffectDeletesWhatItMadeWhenItEnds) {
    platform::ManualClock clock(1'000'000);
    platform::ScopedClock scoped(clock);
    Program p;
    CTableScene& s = DealtOnEngine(p);
    RunFor(s, clock, 100);
    const size_t before = s.GetWorld().EntityCount();
    // Two winners at once, then one more win later: nothing stays behind.
    for (int32_t round = 0; round < 2; ++round) {
        s.ShowParticles(3);
        if (round == 0) s.ShowParticles(1);
        const size_t made = (round == 0 ? 2u : 1u) * 51u;
        ASSERT_EQ(s.GetWorld().EntityCount(), before + made);
        RunFor(s, clock, 2500);
        EXPECT_EQ(s.GetWorld().EntityCount(), before + made) << "still playing";
        RunFor(s, clock, 3000);
        EXPECT_EQ(s.GetWorld().EntityCount(), before);
        EXPECT_EQ(s.GetWorld().ActiveApplyCount(), 0u);
    }
    EXPECT_EQ(std::count(p.t.app->sounds.begin(), p.t.app->sounds.end(),
                         std::pair<uint32_t, uint32_t>{29107, 0}),
              3);
    // The point beside each seat lies outside its hand, 35 pixels off.
    for (int32_t seat = 0; seat < 4; ++seat) {
        RECT hand{};
        s.GetHandAreaRect(seat, &hand);
        const platform::POINT at = s.GetMarkerPos(seat);
        const int32_t off =
            std::max({hand.left - at.x, at.x - hand.right, hand.top - at.y, at.y - hand.bottom});
        EXPECT_EQ(off, 35) << seat;
    }
}

// Plays the scene's delayed messages as the main window's timers would,
// in time order, with the engine's frames between them, until none is left.
void PlayRecordedTime(CTableScene& s, platform::ManualClock& clock) {
    struct Due {
        int32_t at, code, seat;
    };
    std::vector<Due> due;
    size_t seen = 0;
    int32_t now = 0;
    for (int32_t rounds = 0; rounds < 100; ++rounds) {
        for (const auto& all = s.Effects().All(); seen < all.size(); ++seen) {
            const SceneEffect& e = all[seen];
            if (e.kind == Effect::kDice) due.push_back({now + 1200, int32_t(kMsgDealStep), -1});
            if (e.kind == Effect::kDelayedMessage) due.push_back({now + e.a, e.b, e.c});
        }
        if (due.empty()) break;
        std::stable_sort(due.begin(), due.end(),
                         [](const Due& a, const Due& b) { return a.at < b.at; });
        const Due next = due.front();
        due.erase(due.begin());
        RunFor(s, clock, std::max(next.at - now, 0));
        now = std::max(now, next.at);
        platform::Payload payload;
        if (next.seat >= 0) payload = platform::Payload::Make<int32_t>(next.seat);
        s.OnMessage(uint32_t(next.code), payload, 0);
    }
    RunFor(s, clock, 3000);  // the sort sweep that ends the deal
}

// The own hand's standing tiles (the drawn one too) in the order of the
// sort: the highest key in the first place.
bool OwnHandSorted(CTableScene& s) {
    std::vector<int32_t> keys;
    for (int32_t i = 0; i < s.HandPositions(); ++i)
        if (const MJStruct* r = s.GetMJStruct(kAreaHand, 3, i); r->present && r->standing)
            keys.push_back(s.TileSortKey(r->nFace));
    return keys.size() >= 13 && std::is_sorted(keys.rbegin(), keys.rend());
}

// A table of four whose deal was played message by message on the engine.
CTableScene& DealtByMessages(Program& p, platform::ManualClock& clock) {
    CTableScene& s = p.Scene();
    s.LoadSettings();
    s.CreateTileEntities();
    p.t.Start([](testing::Words& w) {
        w.Set(snap::kWallHead, 49).Set(snap::kTurnedUpPos, 142).Set(snap::kTurnTimeout, 15);
        w.Set(snap::kDieA, 2).Set(snap::kDieB, 5).Set(snap::kBankerChair, 0);
        // The banker's 17 tiles, out of order; the others' 16.
        for (int c = 0; c < 4; ++c)
            w.Set(size_t(49 + c), c == 0 ? 17 : 16);
        for (int i = 0; i < 17; ++i)
            w.Set(size_t(53 + i), (16 - i) * 8);
    });
    s.OnRoundStart(testing::Words(snap::kRoundStartWords).Bytes());
    PlayRecordedTime(s, clock);
    return s;
}

TEST(SceneEffects, TheDealEndsWithEveryTileInPlaceAndTheSortSweepSortsUnlessATileIsHeld) {
    for (const bool held : {false, true}) {
        SCOPED_TRACE(held);
        platform::ManualClock clock(1'000'000);
        platform::ScopedClock scoped(clock);
        Program p;
        CTableScene& s = DealtByMessages(p, clock);
        // The deal sequence ends with every tile where its record says.
        ExpectEveryRecordShownByItsEntity(s);
        EXPECT_TRUE(OwnHandSorted(s));
        EXPECT_FALSE(s.GetEntity(s.PointingHand())->IsVisible());
        // The own hand in the reverse of the sort's order, no tile held.
        std::vector<MJStruct*> standing;
        for (int32_t i = 0; i < s.HandPositions(); ++i)
            if (MJStruct* r = s.GetMJStruct(kAreaHand, 3, i); r->present && r->standing)
                standing.push_back(r);
        ASSERT_GE(standing.size(), 16u);
        for (MJStruct* r : standing)
            r->locked = 0;
        std::vector<int32_t> faces;
        for (MJStruct* r : standing)
            faces.push_back(r->nFace);
        std::sort(faces.begin(), faces.end(),
                  [&](int32_t a, int32_t b) { return s.TileSortKey(a) < s.TileSortKey(b); });
        for (size_t i = 0; i < standing.size(); ++i)
            standing[i]->nFace = faces[i];
        standing[2]->locked = held ? 1 : 0;
        s.RefreshEntities(100);
        ASSERT_FALSE(OwnHandSorted(s));

        s.OnSortButton();
        // The deal's own sweep made the pointing hand.
        const engine::Entity* hand = s.GetEntity(s.PointingHand());
        ASSERT_NE(hand, nullptr);
        EXPECT_EQ(hand->IsVisible(), !held);
        if (!held) {
            s.OnSortButton();  // while the sweep runs: nothing
            RunFor(s, clock, 100);
            EXPECT_FALSE(OwnHandSorted(s)) << "sorted only at the sweep's end";
        }
        RunFor(s, clock, 3000);
        EXPECT_EQ(OwnHandSorted(s), !held);
        EXPECT_FALSE(hand->IsVisible());
        ExpectEveryRecordShownByItsEntity(s);
    }
}

// The picture cell's left of a shown image entity, else -1.
int32_t CellX(const engine::Entity* e) {
    const auto* cell = e ? dynamic_cast<const engine::ImagePayload*>(e->GetPayload()) : nullptr;
    return cell && e->IsVisible() ? cell->srcX : -1;
}

TEST(SeatIcons, AMarkShowsOnceTheTableClearsItAndTheWindsFollowTheBanker) {
    Program p;
    CTableScene& s = DealtOnEngine(p);
    s.ShowSeatIcons(0);  // makes the boards and markers
    const size_t before = s.GetWorld().EntityCount();
    // The money drawn again leaves one mark; kind 7 has no picture.
    for (int32_t kind : {kBankerIcon, kBankerIcon, 7})
        s.AddSeatIcon(1, kind);
    auto shown = [&](int32_t seat) {
        std::vector<int32_t> cells;
        for (uint32_t id : s.Board(seat).icons)
            if (const int32_t x = CellX(s.GetEntity(id)); x >= 0) cells.push_back(x);
        return cells;
    };
    EXPECT_EQ(shown(1), std::vector<int32_t>{0});
    s.MoveEntity(s.GetEntity(s.Board(1).board), 372, 300);  // where a name would place it
    EXPECT_EQ(s.GetEntity(s.Board(1).icons[0])->GetTop(), 300 - 15) << "the mark moves along";
    s.ClearTable();
    s.DrawMoney();  // this game's: the banker marked, no wind markers
    EXPECT_EQ(shown(0).size() + shown(1).size() + shown(2).size() + shown(3).size(), 1u);
    EXPECT_FALSE(s.GetEntity(s.WindMarker(0))->IsVisible());
    s.CMJTableScene::DrawMoney();
    const int32_t banker = s.ChairToViewSeat(p.t.logic.GetBankerChair());
    for (int32_t i = 0; i < 4; ++i) {
        const engine::Entity* marker = s.GetEntity(s.WindMarker(i));
        const platform::POINT at = s.GetMarkerPos((banker + 4 - i) % 4);
        EXPECT_EQ((std::array{marker->GetX(), marker->GetY(), CellX(marker),
                              int32_t(marker->GetOpacity() * 10 + 0.5)}),
                  (std::array{at.x, at.y, 59 * i, 7}));
    }
    EXPECT_EQ(s.GetWorld().EntityCount(), before);
}

TEST(SceneEffects, TheSystemBarSlidesOnASmallScreenAndStaysWhereThisGameLocksIt) {
    for (const auto& [width, small] : {std::pair{800, true}, {1024, false}}) {
        platform::ManualClock clock(1'000'000);
        platform::ScopedClock scoped(clock);
        using Screen = platform::HeadlessDisplay;  // the application reads its width
        const auto saved = platform::GetDisplay();
        platform::SetDisplay(std::make_shared<Screen>(platform::SIZE{width, 600}));
        Program p;
        platform::SetDisplay(saved);
        CTableScene& s = DealtOnEngine(p);
        s.CreateButtons();
        engine::Entity* bar = s.SystemBarEntity();
        const engine::Entity* arrow = s.GetEntity(s.SystemBarArrow());
        ASSERT_TRUE(bar && arrow);
        const int32_t w = 196;  // as laid out: five buttons and the two ends
        bar->SetSize(w, 38);
        s.MoveEntity(bar, w / 2, 300);
        // This game's bar: the pointer over it unlocks it, away locks it.
        for (const auto& [code, moving] : {std::pair{210048u, 1}, {210049u, 0}}) {
            platform::Payload none;
            s.OnMessage(code, none, 0);
            RunFor(s, clock, 2000);
            EXPECT_EQ((std::array{s.SystemBarMoving(), bar->GetX()}), (std::array{moving, w / 2}));
        }
        s.CMJTableScene::SlideSystemBarIn();  // both screens: only a small one slides
        RunFor(s, clock, 750);
        EXPECT_EQ(bar->GetX() > 0 && bar->GetX() < w / 2, small) << "a slide, not a jump";
        RunFor(s, clock, 1000);
        EXPECT_EQ(
            (std::array{bar->GetX(), bar->GetY(), s.SystemBarMoving(), int(arrow->IsVisible())}),
            (std::array{small ? 0 : w / 2, 300, 0, int(small)}));
        s.CMJTableScene::SlideSystemBarOut();
        RunFor(s, clock, 1750);
        EXPECT_EQ((std::array{bar->GetX(), s.SystemBarMoving(), int(arrow->IsVisible())}),
                  (std::array{w / 2, 1, 0}));
        EXPECT_EQ(s.GetWorld().ActiveApplyCount(), 0u);
    }
}

TEST(SceneEffects, TheJokerPlaysOnceWhileTheHandRestsAndTheSortHandTrailsParticles) {
    platform::ManualClock clock(1'000'000);
    platform::ScopedClock scoped(clock);
    Program p;
    CTableScene& s = DealtOnEngine(p);
    s.CreateTileControls();
    for (int32_t i = 0; i <= 16; ++i) {  // seventeen own tiles standing, none held
        MJStruct& r = *s.GetMJStruct(kAreaHand, 3, i);
        r.present = r.standing = 1;
        r.locked = 0;
        r.nFace = testing::T(i % 3, i % 9 + 1, 0);
    }
    s.RefreshEntities(100);
    const MJStruct& drawn = *s.GetMJStruct(kAreaHand, 3, 0);
    const engine::Entity* tile = s.GetEntity(s.Binding(drawn.nObject).entity);
    // The drawn tile's control answers the pointer unless the hand rests.
    const auto* control = s.GetWorld().GetControl(s.Control(s.Binding(drawn.nObject).control).id);
    ASSERT_TRUE(control->GetEvent(engine::kEvEnter));
    const size_t before = s.GetWorld().EntityCount();
    for (int32_t round = 0; round < 2; ++round) {
        s.PlayJokerAnimation();
        s.RefreshEntities(100);  // bound anew, the hand still rests
        EXPECT_EQ(s.GetWorld().EntityCount(), before + 1) << "one entity, reused";
        const auto& anim =
            dynamic_cast<const engine::ImageEntity&>(*s.GetEntity(s.JokerAnimation()));
        EXPECT_EQ(
            (std::array{anim.GetX(), anim.GetY(), drawn.jokerMark,
                        int32_t(control->GetEvent(engine::kEvEnter) != nullptr)}),
            (std::array{tile->GetX() + (s.Sizes().Large() ? 0 : 5), tile->GetY() - 22, 1, 0}));
        RunFor(s, clock, 500);
        EXPECT_GT(anim.GetFrame(), 0u);
        RunFor(s, clock, 600);
        EXPECT_EQ(anim.GetFrame(), anim.GetFrameCount() - 1) << "played once";
        EXPECT_TRUE(!anim.IsVisible() && control->GetEvent(engine::kEvEnter));
    }
    // A second joker while the first plays: it shows its whole second.
    const engine::Entity* anim = s.GetEntity(s.JokerAnimation());
    for (const auto& [ms, play, shown] :
         {std::tuple{600, true, true}, {600, true, true}, {500, false, false}}) {
        if (play) s.PlayJokerAnimation();
        RunFor(s, clock, ms);
        EXPECT_EQ(anim->IsVisible(), shown);
    }
    for (int32_t sweep = 0; sweep < 2; ++sweep) {
        s.OnSortButton();
        EXPECT_EQ(s.GetWorld().EntityCount(), before + 7) << "the hand and five particles, once";
        RunFor(s, clock, 200);
        const engine::Entity* hand = s.GetEntity(s.PointingHand());
        for (uint32_t id : s.HandParticles()) {
            const auto* e = dynamic_cast<const engine::ParticleEntity*>(s.GetEntity(id));
            EXPECT_TRUE(e && e->GetAttachedTo() == hand && e->LiveCount() > 0 &&
                        e->GetX() == hand->GetX());
        }
        RunFor(s, clock, 6000);
        EXPECT_FALSE(hand->IsVisible());
        EXPECT_EQ(s.GetWorld().ActiveApplyCount(), 0u) << "the particles died out";
    }
}

TEST(SceneEffects, TheButtonsFollowTheEnablesAndShowsTheSceneRecords) {
    Program p;
    CTableScene& s = DealtOnEngine(p);
    s.CreateButtons();
    auto record = [&](uint32_t code) { return s.GetWorld().GetControl(s.ButtonControl(code)); };
    auto entity = [&](uint32_t code) { return s.GetEntity(record(code)->entityId); };
    EXPECT_DOUBLE_EQ(entity(kMsgAskButton)->GetOpacity(), 1.2);
    const auto& sort = dynamic_cast<const engine::AdvancedButton&>(*record(kMsgSortButton)->owner);
    EXPECT_EQ((std::array{sort.Look().picture.imageId, uint32_t(sort.Look().picture.srcX)}),
              (std::array{s.Resources().GetImageIdByName("BUFF"), 120u}));
    // Each step's button: its strength, its click, and whether the bar shows.
    auto expect = [&](uint32_t code, double opacity, bool clickable, bool barShown) {
        EXPECT_DOUBLE_EQ(entity(code)->GetOpacity(), opacity) << code;
        EXPECT_EQ(record(code)->GetEvent(engine::kEvClick) != nullptr, clickable) << code;
        for (uint32_t shown : {kMsgPengButton, kMsgHuButton, kMsgPassButton})
            EXPECT_EQ(entity(shown)->IsVisible(), barShown) << code;
    };
    s.EnableOperationButton(kPengButton, 1);
    expect(kMsgPengButton, 0.8, true, true);
    s.EnableOperationButton(kPengButton, 0);
    expect(kMsgPengButton, 0.3, false, false);
    s.EnableAllOperationButtons(1);
    expect(kMsgChowButton, 0.8, true, false);
    s.ShowOperationButtons(1);
    expect(kMsgKongButton, 0.8, true, true);
    s.Effects().Add({Effect::kStartButton, 0});
    s.Effects().Add({Effect::kAskButton, 1, 0});  // shown, not lit: no click
    EXPECT_EQ((std::array{entity(kMsgStartButton)->IsVisible(), entity(kMsgAskButton)->IsVisible(),
                          record(kMsgAskButton)->GetEvent(engine::kEvClick) != nullptr}),
              (std::array{false, true, false}));
}

// ---- The table centre's clock and dice, and the seat names ----

// The clock and the dice made before the pictures are loaded, as the
// running client makes them; then the tiles.
CTableScene& WithCentre(Program& p) {
    CTableScene& s = p.Scene();
    s.CreateClockEntities();
    s.CreateDiceEntities();
    s.LoadSettings();
    s.CreateTileEntities();
    return s;
}

TEST(TableCentre, TheDiceRollToTheThrownNumbersAndLeaveWhenTheClockShows) {
    const struct { int32_t first, second; } kThrows[] = {{1, 1}, {3, 6}, {6, 2}};
    for (const auto& th : kThrows) {
        SCOPED_TRACE(::testing::Message() << th.first << "," << th.second);
        platform::ManualClock clock(1'000'000);
        platform::ScopedClock scoped(clock);
        Program p;
        CTableScene& s = WithCentre(p);
        p.t.Start([&](testing::Words& w) {
            w.Set(snap::kWallHead, 49).Set(snap::kTurnedUpPos, 142).Set(snap::kTurnTimeout, 15);
            w.Set(snap::kDieA, th.first).Set(snap::kDieB, th.second).Set(snap::kBankerChair, 0);
        });
        s.OnRoundStart(testing::Words(snap::kRoundStartWords).Bytes());
        auto die = [&](int32_t i) {
            return dynamic_cast<engine::AnimEntity*>(s.GetEntity(s.Die(i)));
        };
        RECT box{};
        s.GetDiceRect(&box);
        RunFor(s, clock, 300);
        for (int32_t i = 0; i < 2; ++i) {
            ASSERT_NE(die(i), nullptr);
            EXPECT_TRUE(die(i)->IsVisible());
            EXPECT_LT(die(i)->Strip().srcX, 8 * 106) << "still rolling";
            EXPECT_EQ(die(i)->GetX(), box.left + 106 * i + 53);
        }
        RunFor(s, clock, 800);
        // Strips 1-6 end on the first die's number, 7-12 on the second's.
        const std::string strips[2] = {"骰子" + std::to_string(th.first),
                                       "骰子" + std::to_string(6 + th.second)};
        for (int32_t i = 0; i < 2; ++i) {
            EXPECT_EQ(die(i)->Strip().imageId, s.Resources().GetImageIdByName(strips[i]));
            EXPECT_EQ(die(i)->Strip().srcX, 8 * 106);
            EXPECT_TRUE(die(i)->IsVisible());
        }
        EXPECT_FALSE(die(2)->IsVisible());
        EXPECT_FALSE(s.GetEntity(s.ClockFace())->IsVisible()) << "no clock while the dice roll";

        // The deal ends with the clock on the table and the dice gone.
        PlayRecordedTime(s, clock);
        const engine::Entity* face = s.GetEntity(s.ClockFace());
        RECT r{};
        s.GetClockRect(&r);
        EXPECT_TRUE(face->IsVisible());
        EXPECT_EQ((std::array{face->GetX(), face->GetY()}),
                  (std::array{(r.left + r.right) / 2, (r.top + r.bottom) / 2}));
        EXPECT_FALSE(die(0)->IsVisible());
        EXPECT_FALSE(die(1)->IsVisible());
    }
}

TEST(TableCentre, TheClockHandFollowsTheSeatOnTurnAndItsDigitsCountDown) {
    platform::ManualClock clock(1'000'000);
    platform::ScopedClock scoped(clock);
    Program p;
    CTableScene& s = WithCentre(p);
    p.t.Start([](testing::Words& w) { w.Set(snap::kTurnChair, 0).Set(snap::kClaimTimeout, 9); });
    s.StartTurnClock();
    const engine::Entity* face = s.GetEntity(s.ClockFace());
    ASSERT_EQ(face->GetChildCount(), 3u);
    const engine::Entity* hand = face->GetChild(0);
    auto picture = [&](const engine::Entity* e) {
        return dynamic_cast<const engine::ImageEntity&>(*e).GetImageId();
    };
    EXPECT_EQ(picture(face), s.Resources().GetImageIdByName("计时钟"));
    EXPECT_EQ(picture(hand), s.Resources().GetImageIdByName("钟指针"));
    EXPECT_EQ(picture(face->GetChild(2)), s.Resources().GetImageIdByName("数字"));
    EXPECT_NE(picture(hand), 0u);
    // The hand's cell is two per view seat; every move plays its whole path.
    for (const int32_t seat : {3, 0, 2, 1, 3, 1, 0}) {
        s.TC_MoveClockHand(s.TC_GetPointTo(), 2 * seat);
        for (int32_t step = 0; step < 10; ++step)
            s.TC_Moveing();
        EXPECT_EQ(CellX(hand), 56 * 2 * seat) << seat;
        EXPECT_EQ(hand->GetX(), face->GetX());
    }
    // The digits: tens 4 px left of the face's centre, units 4 px right.
    s.SetTurnSeconds(12);
    s.StartClockTimer();
    s.DrawTurnClock();
    const struct { int32_t tens, units; } kLeft[] = {{1, 2}, {1, 1}, {1, 0}, {0, 9}, {0, 8}};
    for (const auto& left : kLeft) {
        EXPECT_EQ(CellX(face->GetChild(1)), 8 * left.tens);
        EXPECT_EQ(CellX(face->GetChild(2)), 8 * left.units);
        s.OnTimer(CMJTableSceneBase::kClockTimerId);
    }
    EXPECT_EQ(face->GetChild(1)->GetX(), face->GetX() - 4);
    EXPECT_EQ(face->GetChild(2)->GetX(), face->GetX() + 4);
}

// Pixels of the board's surface in the colour `color`.
size_t PixelsOf(engine::TextEntity& board, uint32_t color) {
    const uint32_t want = engine::ColorToPixel(color, board.GetBackColor());
    const uint8_t* px = board.GetPixels();
    size_t n = 0;
    for (int32_t i = 0; px && i < board.SurfaceWidth() * board.SurfaceHeight(); ++i)
        n += platform::LoadLE32(px + 4 * i) == want ? 1 : 0;
    return n;
}

TEST(SeatBoards, EachSeatShowsItsPlayersNameBesideItsHandYellowOnceStarted) {
    Program p;
    CTableScene& s = DealtOnEngine(p);
    s.BeginSystem();  // the fonts
    // The seat panel is the mahjong application's.
    CClientApp app;
    app.SetCommandLine("\"7|127.0.0.1|3|0|0|101|5|0|0|0|Qevo|1\"");
    ASSERT_TRUE(app.ParseLaunchLine());
    ASSERT_TRUE(app.SetTableState(client::testing::MakeState(4, 0)));
    CSeatPanel& panel = *app.GetSeatPanel();
    panel.SetupSeats();
    panel.MarkStarted(2);  // own chair 0: chair 2 sits opposite, view seat 1
    s.RefreshEntities(100);
    for (int32_t seat = 0; seat < 4; ++seat) {
        SCOPED_TRACE(seat);
        auto* board = dynamic_cast<engine::TextEntity*>(s.GetEntity(s.Board(seat).board));
        ASSERT_NE(board, nullptr);
        EXPECT_TRUE(board->IsVisible());
        EXPECT_FALSE(panel.Seat(seat).name.empty());
        const bool started = seat == 1;
        EXPECT_GT(PixelsOf(*board, started ? 0x00ffff : 0xffffff), 10u);
        EXPECT_EQ(PixelsOf(*board, started ? 0xffffff : 0x00ffff), 0u);
        // Beside the hand, on its side towards the table's middle.
        RECT hand{};
        s.GetHandAreaRect(seat, &hand);
        const int32_t x = board->GetX(), y = board->GetY();
        const bool inside = seat == 0   ? x > hand.right
                            : seat == 2 ? x < hand.left
                            : seat == 1 ? y > hand.bottom
                                        : y < hand.top;
        EXPECT_TRUE(inside) << x << "," << y;
        EXPECT_TRUE(x >= 0 && x < 744 && y >= 0 && y < 710) << x << "," << y;
    }
}

TEST(EngineControls, MadeOnceHiddenShownByTheirEffectsAndNothingLeftBehind) {
    platform::ManualClock clock(1'000'000);
    platform::ScopedClock scoped(clock);
    Program p;
    CTableScene& s = p.Scene();
    // As the view does it: the game data first, the settings' pictures after.
    s.InitGameData();
    s.LoadSettings();
    const auto& c = s.Controls();
    std::vector<uint32_t> all{c.jokerPlaque, c.jokerFace,   c.textLine,       c.huStamp,
                              c.stakeUnit,   c.flowerCount, s.AutoPlaySign(), s.NoteEntity()};
    for (const auto* ids : {&c.readyIcons, &c.seatFrames})
        all.insert(all.end(), ids->begin(), ids->end());
    all.insert(all.end(), c.stakeDigits.begin(), c.stakeDigits.end());
    for (uint32_t id : all) {
        ASSERT_NE(s.GetEntity(id), nullptr) << id;
        EXPECT_FALSE(s.GetEntity(id)->IsVisible()) << id;
    }
    EXPECT_EQ(std::set<uint32_t>(all.begin(), all.end()).size(), all.size());
    const size_t entities = s.GetWorld().EntityCount();
    s.SetupEngineControls();  // a second set-up makes nothing new
    EXPECT_EQ(s.GetWorld().EntityCount(), entities);

    auto shown = [&](uint32_t id) { return s.GetEntity(id)->IsVisible(); };
    auto at = [&](uint32_t id) {
        const engine::Entity* e = s.GetEntity(id);
        return platform::POINT{e->GetX(), e->GetY()};
    };
    auto digits = [&] {
        std::vector<int32_t> cells;
        for (uint32_t id : c.stakeDigits)
            if (shown(id)) cells.push_back(CellX(s.GetEntity(id)) / 14);
        return cells;
    };
    // Chair 1 started: its icon beside its seat.
    s.ShowSettlementItem(1);
    EXPECT_TRUE(shown(c.readyIcons[1]));
    EXPECT_EQ(at(c.readyIcons[1]), s.GetMarkerPos(s.ChairToViewSeat(1)));
    EXPECT_FALSE(shown(c.readyIcons[0]));
    // The stake in silver: its digits, "两" and "2花"; in points the digits alone.
    s.Effects().Add({Effect::kMoney, 1230, 0});
    EXPECT_EQ(digits(), (std::vector<int32_t>{1, 2, 3, 0}));
    EXPECT_TRUE(shown(c.stakeUnit) && shown(c.flowerCount));
    EXPECT_LT(at(c.stakeDigits[3]).x, at(c.stakeUnit).x);
    s.Effects().Add({Effect::kMoney, 56, 1});
    EXPECT_EQ(digits(), (std::vector<int32_t>{5, 6}));
    EXPECT_FALSE(shown(c.stakeUnit) || shown(c.flowerCount));
    // The turned-up joker's face on its plaque; the winner's hu stamp.
    s.Effects().Add({Effect::kJokerTile, 40});
    EXPECT_TRUE(shown(c.jokerPlaque) && shown(c.jokerFace));
    EXPECT_EQ(CellX(s.GetEntity(c.jokerFace)), TileImageIndex(40) * 42);
    EXPECT_EQ(dynamic_cast<engine::ImageEntity*>(s.GetEntity(c.jokerPlaque))->GetImageId(),
              s.Resources().GetImageIdByName("王霸"));
    s.Effects().Add({Effect::kParticles, 2});
    EXPECT_TRUE(shown(c.huStamp));
    EXPECT_EQ(at(c.huStamp), s.GetMarkerPos(2));
    EXPECT_EQ(s.GetEntity(c.huStamp)->GetWidth(), 48);
    // A new round hides what the last one showed.
    s.Effects().Add({Effect::kRoundStartDisplay});
    s.Effects().Add({Effect::kHideCentre});
    EXPECT_TRUE(digits().empty());
    for (uint32_t id : {c.readyIcons[1], c.jokerPlaque, c.jokerFace, c.huStamp})
        EXPECT_FALSE(shown(id)) << id;

    // Auto-play: the sign pulses every 100 ms while it is on, and stops.
    RunFor(s, clock, 100);
    const size_t applies = s.GetWorld().ActiveApplyCount();
    s.SetAutoPlay();
    EXPECT_TRUE(shown(s.AutoPlaySign()));
    EXPECT_EQ(s.GetEntity(s.AutoPlaySign())->GetWidth(), p.Image("托管")->width);
    std::set<double> seen;
    for (int i = 0; i < 8; ++i) {
        RunFor(s, clock, 100);
        seen.insert(s.GetEntity(s.AutoPlaySign())->GetOpacity());
    }
    EXPECT_GE(seen.size(), 4u);
    s.SetAutoPlay();
    RunFor(s, clock, 100);
    EXPECT_FALSE(shown(s.AutoPlaySign()));
    EXPECT_EQ(s.GetWorld().ActiveApplyCount(), applies);

    // A system-bar button's note carries its caption; the payload stays.
    platform::Payload caption = platform::Payload::Make<std::string>("排序");
    EXPECT_EQ(s.OnMessage(kMsgBarButtonEnter, caption, 0), 0);
    EXPECT_TRUE(shown(s.NoteEntity()));
    EXPECT_EQ(s.GetEntity(s.NoteEntity())->GetWidth(), p.Image("说明板")->width);
    platform::Payload none;
    EXPECT_EQ(s.OnMessage(kMsgBarButtonLeave, none, 0), 0);
    EXPECT_FALSE(shown(s.NoteEntity()));
    EXPECT_EQ(s.GetWorld().EntityCount(), entities);
}

}  // namespace
}  // namespace mahjong
