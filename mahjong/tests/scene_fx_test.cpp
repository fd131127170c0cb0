// The seat icons, wind markers, system bar and joker animation on the
// engine's clock: where each ends, and that none leaves entities behind.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "engine/advanced_button.h"
#include "engine/control_record.h"
#include "engine/draw_payloads.h"
#include "engine/image_entity.h"
#include "engine/particle_entity.h"
#include "engine/world.h"
#include "mahjong/tests/scene_fixture.h"
#include "platform/gui/display.h"
#include "platform/gui/wnd.h"

namespace mahjong {
namespace {

using testing::DealtOnEngine;
using testing::Program;
using testing::RunFor;

const engine::ImageEntity* Image(CTableScene& s, uint32_t id) {
    return dynamic_cast<const engine::ImageEntity*>(s.GetEntity(id));
}

// The left of the picture cell an image entity shows.
int32_t CellX(const engine::Entity& e) {
    const auto* cell = dynamic_cast<const engine::ImagePayload*>(e.GetPayload());
    return cell ? cell->srcX : -1;
}

// The icons a seat's board shows, as the picture cells they show.
std::vector<int32_t> ShownIcons(CTableScene& s, int32_t seat) {
    std::vector<int32_t> cells;
    for (uint32_t id : s.Board(seat).icons)
        if (const engine::ImageEntity* icon = Image(s, id); icon && icon->IsVisible())
            cells.push_back(CellX(*icon));
    return cells;
}

TEST(SeatIcons, AMarkShowsOnceOnItsSeatAndTheTableClearsIt) {
    platform::ManualClock clock(1'000'000);
    platform::ScopedClock scoped(clock);
    Program p;
    CTableScene& s = DealtOnEngine(p);
    s.ShowSeatIcons(0);  // makes the boards and markers
    const size_t before = s.GetWorld().EntityCount();
    struct Step {
        int32_t seat, kind;
        std::vector<int32_t> seat2;  // what seat 2 shows after the step
    };
    const std::vector<Step> steps = {
        {2, kBankerIcon, {0}},
        {2, kBankerIcon, {0}},  // the money drawn again: still one mark
        {2, 7, {0}},            // a kind without a picture shows nothing
        {1, kBankerIcon, {0}},
    };
    for (const Step& step : steps) {
        s.AddSeatIcon(step.seat, step.kind);
        EXPECT_EQ(ShownIcons(s, 2), step.seat2);
    }
    EXPECT_EQ(s.Board(2).kinds[0], kBankerIcon);
    EXPECT_EQ(s.Board(2).kinds[1], 7);
    EXPECT_EQ(ShownIcons(s, 1).size(), 1u);
    EXPECT_EQ(ShownIcons(s, 0).size(), 0u);
    // The mark stands first in its board, 25 pixels below the top (seat 1's
    // board is not turned).
    const engine::Entity* board = s.GetEntity(s.Board(1).board);
    const engine::Entity* mark = s.GetEntity(s.Board(1).icons[0]);
    EXPECT_EQ(board->GetAngle(), 0.0);
    EXPECT_EQ(mark->GetY() - board->GetTop(), 25);
    EXPECT_EQ(mark->GetLeft(), board->GetLeft() - 20) << "this game's row starts 20 further left";
    s.ShowSeatIcons(2);
    EXPECT_EQ(ShownIcons(s, 2), std::vector<int32_t>{0}) << "the same cell every time";
    s.ClearTable();
    for (int32_t seat = 0; seat < 4; ++seat)
        EXPECT_TRUE(ShownIcons(s, seat).empty()) << seat;
    // This game's money marks the banker again, without wind markers.
    s.DrawMoney();
    int32_t marked = 0;
    for (int32_t seat = 0; seat < 4; ++seat)
        marked += int32_t(ShownIcons(s, seat).size());
    EXPECT_EQ(marked, 1);
    for (int32_t i = 0; i < 4; ++i)
        EXPECT_FALSE(s.GetEntity(s.WindMarker(i))->IsVisible());
    EXPECT_EQ(s.GetWorld().EntityCount(), before);
}

TEST(WindMarkers, EastStandsBesideTheBankerAndTheOthersFollow) {
    Program p;
    CTableScene& s = DealtOnEngine(p);
    const size_t before = s.GetWorld().EntityCount();
    s.CMJTableScene::DrawMoney();
    const size_t made = s.GetWorld().EntityCount() - before;
    s.PlaceWindMarkers();
    EXPECT_EQ(s.GetWorld().EntityCount() - before, made) << "made once";
    const int32_t banker = s.ChairToViewSeat(p.t.logic.GetBankerChair());
    for (int32_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const engine::ImageEntity* marker = Image(s, s.WindMarker(i));
        ASSERT_NE(marker, nullptr);
        const platform::POINT at = s.GetMarkerPos((banker + 4 - i) % 4);
        EXPECT_TRUE(marker->IsVisible());
        EXPECT_EQ(marker->GetX(), at.x);
        EXPECT_EQ(marker->GetY(), at.y);
        EXPECT_EQ(CellX(*marker), 59 * i);
        EXPECT_DOUBLE_EQ(marker->GetOpacity(), 0.7);
        EXPECT_EQ(marker->GetDepth(), 30);
    }
}

// The headless display at a given width for the application made under it.
struct ScreenWidth {
    explicit ScreenWidth(int32_t width) : saved(platform::GetDisplay()) {
        platform::SetDisplay(
            std::make_shared<platform::HeadlessDisplay>(platform::SIZE{width, 600}));
    }
    ~ScreenWidth() { platform::SetDisplay(saved); }
    std::shared_ptr<platform::Display> saved;
};

TEST(SystemBar, SlidesHalfOutAndBackOnASmallScreenAndStaysWhenThisGameLocksIt) {
    for (const int32_t width : {800, 1024}) {
        SCOPED_TRACE(width);
        platform::ManualClock clock(1'000'000);
        platform::ScopedClock scoped(clock);
        ScreenWidth screen(width);
        Program p;
        CTableScene& s = DealtOnEngine(p);
        s.CreateButtons();
        engine::Entity* bar = s.SystemBarEntity();
        ASSERT_NE(bar, nullptr);
        const int32_t w = 5 * 36 + 2 * 8;  // five buttons and the two ends
        bar->SetSize(w, 38);
        s.MoveEntity(bar, w / 2, 300);
        s.ShowEntity(bar, true);
        const size_t before = s.GetWorld().EntityCount();
        // This game's bar: the pointer only locks and unlocks it.
        for (const auto& [code, moving] :
             {std::pair{kMsgSystemBarOver, 1}, {kMsgSystemBarAway, 0}}) {
            platform::Payload none;
            s.OnMessage(code, none, 0);
            RunFor(s, clock, 2000);
            EXPECT_EQ(s.SystemBarMoving(), moving);
            EXPECT_EQ(bar->GetX(), w / 2);
        }
        // The sliding bar: in, half out of view, then out again.
        const bool small = width <= 800;
        s.CMJTableScene::SlideSystemBarIn();
        EXPECT_EQ(s.SystemBarMoving(), 0);
        RunFor(s, clock, 750);
        if (small) {
            EXPECT_LT(bar->GetX(), w / 2);
            EXPECT_GT(bar->GetX(), 0) << "a slide, not a jump";
        }
        RunFor(s, clock, 1000);
        EXPECT_EQ(bar->GetX(), small ? 0 : w / 2);
        EXPECT_EQ(bar->GetY(), 300);
        const engine::Entity* arrow = nullptr;
        for (uint32_t id = 1; id < 100000 && !arrow; ++id)
            if (const engine::ImageEntity* e = Image(s, id);
                e && e->GetImageId() == s.Resources().GetImageIdByName("系统栏箭头"))
                arrow = e;
        ASSERT_NE(arrow, nullptr);
        EXPECT_EQ(arrow->IsVisible(), small);
        s.CMJTableScene::SlideSystemBarOut();
        EXPECT_EQ(s.SystemBarMoving(), 1);
        RunFor(s, clock, 1750);
        EXPECT_EQ(bar->GetX(), w / 2);
        EXPECT_TRUE(bar->IsVisible());
        EXPECT_FALSE(arrow->IsVisible());
        EXPECT_EQ(s.GetWorld().EntityCount(), before);
        EXPECT_EQ(s.GetWorld().ActiveApplyCount(), 0u);
    }
}

// Own tile controls that answer the pointer.
int32_t LiveTileControls(CTableScene& s) {
    int32_t live = 0;
    for (int32_t c = 1; c <= kTileControls; ++c)
        if (const engine::ControlRecord* r = s.GetWorld().GetControl(s.Control(c).id);
            r && s.Control(c).binding != 0 && r->GetEvent(engine::kEvEnter))
            ++live;
    return live;
}

TEST(JokerAnimation, PlaysOverTheDrawnTileOnceWhileTheHandRestsAndReusesItsEntity) {
    platform::ManualClock clock(1'000'000);
    platform::ScopedClock scoped(clock);
    Program p;
    CTableScene& s = DealtOnEngine(p);
    s.CreateTileControls();
    MJStruct& drawn = *s.GetMJStruct(kAreaHand, 3, 0);
    drawn.present = drawn.standing = 1;
    drawn.nFace = testing::T(1, 5, 2);
    s.RefreshEntities(100);
    ASSERT_NE(drawn.nObject, 0);
    const engine::Entity* tile = s.GetEntity(s.Binding(drawn.nObject).entity);
    const int32_t live = LiveTileControls(s);
    ASSERT_GT(live, 0);
    const size_t before = s.GetWorld().EntityCount();
    for (const size_t made : {1u, 0u}) {
        SCOPED_TRACE(made);
        s.PlayJokerAnimation();
        EXPECT_EQ(s.GetWorld().EntityCount(), before + 1) << "one entity, reused";
        EXPECT_EQ(drawn.jokerMark, 1);
        const engine::ImageEntity* anim = Image(s, s.JokerAnimation());
        ASSERT_NE(anim, nullptr);
        EXPECT_TRUE(anim->IsVisible());
        EXPECT_EQ(anim->GetX(), tile->GetX() + (s.Sizes().Large() ? 0 : 5));
        EXPECT_EQ(anim->GetY(), tile->GetY() - 22);
        EXPECT_GT(anim->GetDepth(), tile->GetDepth());
        EXPECT_EQ(LiveTileControls(s), 0) << "the hand rests";
        RunFor(s, clock, 500);
        EXPECT_GT(anim->GetFrame(), 0u);
        RunFor(s, clock, 600);
        EXPECT_EQ(anim->GetFrame(), anim->GetFrameCount() - 1) << "played once";
        EXPECT_FALSE(anim->IsVisible());
        EXPECT_EQ(LiveTileControls(s), live);
        EXPECT_EQ(s.GetWorld().ActiveApplyCount(), 0u);
    }
}

TEST(SceneButtons, FollowTheEnablesAndShowsTheSceneRecords) {
    Program p;
    CTableScene& s = DealtOnEngine(p);
    s.CreateButtons();
    auto record = [&](uint32_t code) { return s.GetWorld().GetControl(s.ButtonControl(code)); };
    auto entity = [&](uint32_t code) { return s.GetEntity(record(code)->entityId); };
    const uint32_t ops[] = {kMsgPengButton, kMsgKongButton, kMsgChowButton, kMsgHuButton,
                            kMsgPassButton};
    for (uint32_t code : {kMsgStartButton, kMsgAskButton, kMsgPengButton, kMsgPassButton})
        EXPECT_DOUBLE_EQ(entity(code)->GetOpacity(), 1.2) << code;
    // The system bar's text buttons show their picture cell under the caption.
    const auto* sort = dynamic_cast<const engine::AdvancedButton*>(record(kMsgSortButton)->owner);
    ASSERT_NE(sort, nullptr);
    EXPECT_EQ(sort->Look().picture.imageId, s.Resources().GetImageIdByName("BUFF"));
    EXPECT_EQ(sort->Look().picture.srcX, 120);
    EXPECT_EQ(sort->Look().picture.srcW, 30);

    struct Step {
        std::function<void()> act;
        uint32_t code;
        double opacity;
        bool clickable, barShown;
    };
    const std::vector<Step> steps = {
        {[&] { s.EnableOperationButton(kPengButton, 1); }, kMsgPengButton, 0.8, true, true},
        {[&] { s.EnableOperationButton(kHuButton, 1); }, kMsgHuButton, 0.8, true, true},
        {[&] { s.EnableOperationButton(kPengButton, 0); }, kMsgPengButton, 0.3, false, true},
        {[&] { s.EnableOperationButton(kHuButton, 0); }, kMsgHuButton, 0.3, false, false},
        {[&] { s.EnableAllOperationButtons(1); }, kMsgChowButton, 0.8, true, false},
        {[&] { s.ShowOperationButtons(1); }, kMsgKongButton, 0.8, true, true},
        {[&] { s.EnableAllOperationButtons(0); }, kMsgPassButton, 0.3, false, true},
        {[&] { s.ShowOperationButtons(0); }, kMsgPassButton, 0.3, false, false},
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(i);
        steps[i].act();
        EXPECT_DOUBLE_EQ(entity(steps[i].code)->GetOpacity(), steps[i].opacity);
        EXPECT_EQ(record(steps[i].code)->GetEvent(engine::kEvClick) != nullptr, steps[i].clickable);
        for (uint32_t code : ops)
            EXPECT_EQ(entity(code)->IsVisible(), steps[i].barShown) << code;
    }
    // The game buttons show and hide; the ask button is clickable while lit.
    for (const int32_t shown : {0, 1}) {
        s.Effects().Add({Effect::kStartButton, shown});
        EXPECT_EQ(entity(kMsgStartButton)->IsVisible(), shown != 0);
        s.Effects().Add({Effect::kAskButton, 1, shown});
        EXPECT_TRUE(entity(kMsgAskButton)->IsVisible());
        EXPECT_EQ(record(kMsgAskButton)->GetEvent(engine::kEvClick) != nullptr, shown != 0);
    }
}

TEST(SortSweep, ThePointingHandsParticlesTrailItAndDieOutAfterwards) {
    platform::ManualClock clock(1'000'000);
    platform::ScopedClock scoped(clock);
    Program p;
    CTableScene& s = DealtOnEngine(p);
    // Sixteen own tiles standing, none held back.
    for (int32_t i = 1; i <= 16; ++i) {
        MJStruct& r = *s.GetMJStruct(kAreaHand, 3, i);
        r.present = r.standing = 1;
        r.locked = 0;
        r.nFace = testing::T(i % 3, i % 9 + 1, 0);
    }
    s.RefreshEntities(100);
    size_t made = 0;
    for (int32_t sweep = 0; sweep < 2; ++sweep) {
        SCOPED_TRACE(sweep);
        const size_t before = s.GetWorld().EntityCount();
        ASSERT_EQ(s.GetHandMode(), 0);
        ASSERT_GE(s.LastHandTile(3), 0);
        ASSERT_TRUE(s.PlaysEffects());
        s.OnSortButton();
        ASSERT_EQ(s.Effects().All().back().kind, Effect::kSortSweep);
        if (sweep == 0) made = s.GetWorld().EntityCount() - before;
        EXPECT_EQ(made, 6u) << "the hand and its five particles, made once";
        RunFor(s, clock, 200);
        const engine::Entity* hand = s.GetEntity(s.PointingHand());
        ASSERT_NE(hand, nullptr);
        for (uint32_t id : s.HandParticles()) {
            const auto* trail = dynamic_cast<const engine::ParticleEntity*>(s.GetEntity(id));
            ASSERT_NE(trail, nullptr);
            EXPECT_EQ(trail->GetAttachedTo(), hand);
            EXPECT_GT(trail->Particles().size(), 0u);
            EXPECT_LT(trail->GetDepth(), hand->GetDepth());
        }
        RunFor(s, clock, 6000);
        EXPECT_FALSE(hand->IsVisible());
        for (uint32_t id : s.HandParticles())
            EXPECT_EQ(dynamic_cast<const engine::ParticleEntity*>(s.GetEntity(id))->LiveCount(),
                      0u);
        EXPECT_EQ(s.GetWorld().ActiveApplyCount(), 0u);
        EXPECT_EQ(s.GetWorld().EntityCount(), before + (sweep == 0 ? made : 0));
    }
}

}  // namespace
}  // namespace mahjong
