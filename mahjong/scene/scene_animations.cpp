// The table scene's timed effects, played by the engine's timed actions on
// its own clock. Whatever an effect makes, it deletes when it ends: a table
// that sees a thousand wins holds no more entities than one that saw none.
#include <climits>

#include "engine/image_entity.h"
#include "engine/particle_entity.h"
#include "pictures/image_record.h"
#include "engine/resources/resource_manager.h"
#include "mahjong/scene/table_scene.h"
#include "mahjong/scene/tile_identity.h"

namespace mahjong {
namespace {

constexpr int32_t kEffectLayer = 2;
// The win effect: its picture and particles live this long; the particles
// fade to nothing over their life and fly for the first part of it.
constexpr uint32_t kWinEffectMs = 5000;
constexpr uint32_t kParticleStepMs = 50;
constexpr double kParticleFade = -1.0 / (kWinEffectMs / kParticleStepMs);
constexpr int32_t kParticleFlightSteps = 20;
constexpr int32_t kParticleRows = 5, kParticleColumns = 10;
constexpr int32_t kWinPictureDepth = 5000;
constexpr int32_t kMarkerDistance = 35;
// The discard flight and the sort sweep: pixels a step, a step a frame.
constexpr int32_t kFlightSpeed = 24;
constexpr int32_t kSweepSpeed = 16;
constexpr int32_t kFlightDepth = 6000;
// The pointing hand's five particle children: ten particles each, one
// every 30 ms, while it sweeps.
constexpr int32_t kSweepParticles = 10;
constexpr int32_t kSweepEmissionMs = 30;

engine::ImageEntity* AsImage(engine::Entity* e) {
    return e && e->GetKind() == engine::kKindImage ? static_cast<engine::ImageEntity*>(e) : nullptr;
}

const char* const kWinPicture = "胡牌";
const char* const kParticlePicture = "粒子";

}  // namespace

platform::POINT CMJTableScene::GetMarkerPos(int32_t seat) const {
    RECT hand{}, centre{};
    GetHandAreaRect(seat, &hand);
    GetTableCentreRect(&centre);
    const int32_t midX = (hand.left + hand.right) / 2, midY = (hand.top + hand.bottom) / 2;
    const int32_t centreX = (centre.left + centre.right) / 2;
    const int32_t centreY = (centre.top + centre.bottom) / 2;
    // The edge of the hand that faces the table's middle.
    if (hand.right - hand.left >= hand.bottom - hand.top)
        return centreY < midY ? platform::POINT{midX, hand.top - kMarkerDistance}
                              : platform::POINT{midX, hand.bottom + kMarkerDistance};
    return centreX < midX ? platform::POINT{hand.left - kMarkerDistance, midY}
                          : platform::POINT{hand.right + kMarkerDistance, midY};
}

void CMJTableScene::ShowParticles(int32_t seat) {
    if (!IsSeat(seat)) return;
    PlaySoundResource(29107, 0);
    ShowHuStamp(seat);
    // Only an engine that runs its clock ever ends what this makes.
    if (!PlaysEffects()) return;
    const uint32_t picture = Resources().GetImageIdByName(kWinPicture);
    const engine::ImageRecord* image = picture ? GetImageRes(picture) : nullptr;
    if (!image) return;
    const int32_t w = image->width, h = image->height;
    const platform::POINT at = GetMarkerPos(seat);

    // The picture shrinks from three times its size onto the seat's point.
    engine::ImageEntity* win =
        CreateImageEntity(kEffectLayer, at.x, at.y, picture, 0, 0, w, h, engine::kNoBlendColor);
    if (!win) return;
    win->SetDepth(kWinPictureDepth);
    ShowEntity(win, true);
    ApplyResize(win, 3 * w, 3 * h, w, h, 1, 1, 0, 0, 0, {}, 0);
    ApplyShowHide(win, false, 0, kWinEffectMs, 0, {}, true);

    const uint32_t dot = Resources().GetImageIdByName(kParticlePicture);
    const engine::ImageRecord* dotImage = dot ? GetImageRes(dot) : nullptr;
    if (!dotImage) return;
    const int32_t dw = dotImage->width, dh = dotImage->height;
    static constexpr int32_t kDirections[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    auto random = [this](int32_t n) { return int32_t(effectRandom_() % uint32_t(n)); };
    for (int32_t row = 0; row < kParticleRows; ++row) {
        for (int32_t column = 0; column < kParticleColumns; ++column) {
            // Entities stand at their centre.
            const int32_t x = at.x - w / 2 + random(w);
            const int32_t y = at.y - h / 2 + random(h);
            engine::ImageEntity* p =
                CreateImageEntity(kEffectLayer, x, y, dot, 0, 0, dw, dh, engine::kNoBlendColor);
            if (!p) return;
            p->SetDepth(kWinPictureDepth + 1);
            ShowEntity(p, true);
            const int32_t speed = 1 + random(30);
            const auto& d = kDirections[random(4)];
            const int32_t travel = speed * kParticleFlightSteps;
            // Its own channel: a move on channel 0 would cancel the fade.
            ApplyMove(p, NextEventId(), x + d[0] * travel, y + d[1] * travel, speed, 0, 0, 0.0,
                      kParticleStepMs, 0, {}, 0, false);
            ApplyFade(p, kParticleFade, 0.0, 0, kParticleStepMs, 0, {}, true, 0);
        }
    }
}

// A tile's picture flies from one place to another on `entity`; `code`
// ends it.
void CMJTableScene::FlyTile(uint32_t entity, const TileImage& image, platform::POINT from,
                            platform::POINT to, uint32_t code) {
    engine::ImageEntity* flying = AsImage(GetEntity(entity));
    if (!flying) {
        PostWorldMessage(code, {}, 0, engine::kSendQueue);
        return;
    }
    const PictureNames names = NamesOf(image.picture, Sizes().Large());
    flying->SetImage(Resources().GetImageIdByName(names.title ? names.title : ""), image.sourceX, 0,
                     image.width, image.height, engine::kNoBlendColor);
    flying->SetSize(image.width, image.height);
    flying->SetOpacity(1.0);
    flying->SetDepth(kFlightDepth);
    const int32_t cx = (image.width + 1) / 2, cy = (image.height + 1) / 2;
    MoveEntity(flying, from.x + cx, from.y + cy);
    ShowEntity(flying, true);
    ApplyMove(flying, 0, to.x + cx, to.y + cy, kFlightSpeed, 0, 0, 0.0, 0, code, {}, 0, false);
}

void CMJTableScene::ShowDiscardFlight(int32_t position) {
    TileImage image, shown;
    platform::POINT from{}, to{};
    if (!PlaysEffects() || !TilePlace(kAreaHand, 3, position, &image, &from.x, &from.y) ||
        !TilePlace(kAreaShown, 3, 0, &shown, &to.x, &to.y)) {
        CMJTableSceneBase::ShowDiscardFlight(position);
        return;
    }
    // The tile leaves its place in the hand as it flies, and stands in the
    // shown place once it lands.
    if (const MJStruct* r = GetMJStruct(kAreaHand, 3, position); r && r->nObject)
        if (engine::Entity* e = GetEntity(Binding(r->nObject).entity)) ShowEntity(e, false);
    discardFlying_ = true;
    FlyTile(spareEntity_, image, from, to, kMsgDiscardDone);
}

void CMJTableScene::ShowDrawnTile(int32_t wallIndex) {
    TileImage image;
    platform::POINT to{};
    RECT wall{};
    if (!PlaysEffects() || !IsWallIndex(wallIndex) ||
        !TilePlace(kAreaHand, 3, 0, &image, &to.x, &to.y)) {
        CMJTableSceneBase::ShowDrawnTile(wallIndex);
        return;
    }
    // From the middle of the wall tile taken to the drawn place.
    GetWallTileRect(wallIndex, &wall);
    const platform::POINT from{(wall.left + wall.right - image.width) / 2,
                               (wall.top + wall.bottom - image.height) / 2};
    drawFlying_ = true;
    FlyTile(drawEntity_, image, from, to, kMsgDrawDone);
}

void CMJTableScene::OnSortButton() {
    // The previous sweep runs to its end first.
    if (GetWorld().HasApplyFor(pointingHand_)) return;
    CMJTableSceneBase::OnSortButton();
}

void CMJTableScene::SweepHand() {
    engine::Entity* hand = GetEntity(pointingHand_);
    // From just right of the row's rightmost standing tile.
    int32_t x = INT32_MIN, y = 0;
    for (int32_t i = 0; i <= LastHandTile(3); ++i) {
        TileImage image;
        int32_t tx = 0, ty = 0;
        const MJStruct* r = GetMJStruct(kAreaHand, 3, i);
        if (r && r->present && r->standing && TilePlace(kAreaHand, 3, i, &image, &tx, &ty) &&
            tx > x) {
            x = tx;
            y = ty;
        }
    }
    if (!PlaysEffects() || !hand || x == INT32_MIN) {
        CMJTableSceneBase::SweepHand();
        return;
    }
    const int32_t w = Sizes().ownWidth, h = Sizes().ownHeight;
    hand->SetSize(3 * w, h);
    // From just right of the last tile to the row's start.
    RECT row{};
    GetHandAreaRect(3, &row);
    const int32_t handY = y + h / 4 + 3;
    MoveEntity(hand, x + w + 3 * w / 2, handY);
    ShowEntity(hand, true);
    ApplyMove(hand, 0, row.left + 3 * w / 2, handY, kSweepSpeed, 0, 0, 0.0, 0, kMsgSortDone, {}, 0,
              false);
    for (uint32_t id : handParticles_) {
        auto* p = dynamic_cast<engine::ParticleEntity*>(GetEntity(id));
        if (!p) continue;
        p->SetEnabled(true);
        p->Configure(kSweepParticles, kSweepEmissionMs);
        // Its own channel, so that the sweep's move does not cancel it.
        ApplyParticles(p, NextEventId(), 0, {}, false);
    }
}

void CMJTableScene::MakeHandParticles(engine::Entity& hand) {
    const uint32_t dot = Resources().GetImageIdByName(kParticlePicture);
    for (uint32_t& id : handParticles_) {
        engine::ParticleEntity* p =
            CreateParticleEntity(kEffectLayer, hand.GetX(), hand.GetY(), dot, 0, 0, 20, 20, 0, 0);
        if (!p) return;
        p->SetDepth(kFlightDepth - 10);
        AttachChild(&hand, p, engine::kLinkOwned | engine::kLinkPosition | engine::kLinkUpdate);
        id = p->GetId();
    }
}

void CMJTableScene::StopHandParticles() {
    // The live particles fade out; then their timed actions end.
    for (uint32_t id : handParticles_)
        if (auto* p = dynamic_cast<engine::ParticleEntity*>(GetEntity(id))) p->SetEnabled(false);
}

int32_t CMJTableScene::OnEffectMessage(uint32_t code) {
    if (code == kMsgDiscardDone || code == kMsgDrawDone)
        if (engine::Entity* e = GetEntity(code == kMsgDrawDone ? drawEntity_ : spareEntity_))
            ShowEntity(e, false);
    if (code == kMsgDiscardDone) discardFlying_ = false;
    // A click on the table: the arrow again.
    if (code == kMsgTableClick && IsScreenReady()) SetSystemCursor(32512);
    if (code == kMsgDrawDone) drawFlying_ = false;
    if (code == kMsgSortDone) {
        if (engine::Entity* e = GetEntity(pointingHand_)) ShowEntity(e, false);
        StopHandParticles();
    }
    OnSystemBarMessage(code);
    return CMJTableSceneBase::OnEffectMessage(code);
}

void CMJTableScene::BindSeatTiles(int32_t seat) {
    CMJTableSceneBase::BindSeatTiles(seat);
    if (!IsSeat(seat) || !PlaysEffects()) return;
    ValidateEntityBindings();
    for (int32_t i = 0; i < HandPositions(); ++i)
        BindRecord(kAreaHand, seat, i);
    BindRecord(kAreaShown, seat, 0);
}

}  // namespace mahjong

namespace mahjong {

// Timers and delayed messages: the host view's timers, the engine's timed
// actions; without a host the lower level's.
bool CMJTableScene::EngineRuns() const {
    return Host() != nullptr && IsScreenReady();
}

void CMJTableScene::StartSceneTimer(uint32_t id, uint32_t ms) {
    if (Host())
        Host()->SetSceneTimer(id, ms);
    else
        CMJTableSceneBase::StartSceneTimer(id, ms);
}

void CMJTableScene::StopSceneTimer(uint32_t id) {
    if (Host())
        Host()->KillSceneTimer(id);
    else
        CMJTableSceneBase::StopSceneTimer(id);
}

void CMJTableScene::PostSceneMessage(uint32_t ms, uint32_t code, int32_t seat) {
    if (!EngineRuns()) {
        CMJTableSceneBase::PostSceneMessage(ms, code, seat);
        return;
    }
    platform::Payload payload;
    if (seat >= 0) payload = platform::Payload::Make<int32_t>(seat);
    // Kept until the table is cleared (the next round), when those still
    // on their way are dropped.
    if (const uint32_t id = ApplyDelay(ms, code, std::move(payload), 0, 0))
        sceneDelays_.push_back(id);
}

void CMJTableScene::DropSceneMessages() {
    CMJTableSceneBase::DropSceneMessages();
    for (uint32_t id : sceneDelays_)
        RemoveApply(id);
    sceneDelays_.clear();
}

void CMJTableScene::PlayClockPath() {
    if (!EngineRuns()) {
        CMJTableSceneBase::PlayClockPath();
        return;
    }
    // A new path replaces the steps of the last.
    if (clockStep_) RemoveApply(clockStep_);
    clockStep_ = ClockPathLeft() ? ApplyCallback(100, kMsgClockStep, {}, 0, 0) : 0;
}

}  // namespace mahjong
