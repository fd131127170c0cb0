// The joker's animation over a drawn joker: one animation entity, made at
// the first joker and reused, plays its frames once while the own hand
// does not react; the engine ends it after a second (210058).
#include "engine/control_record.h"
#include "engine/image_entity.h"
#include "engine/resources/resource_manager.h"
#include "engine/world.h"
#include "mahjong/scene/asset_names.h"
#include "mahjong/scene/table_scene.h"

namespace mahjong {
namespace {

constexpr uint32_t kJokerShowMs = 1000;
constexpr int32_t kJokerLift = 22;
constexpr int32_t kSmallShift = 5;  // the small screen's picture stands a little right
constexpr int32_t kJokerDepth = 100000;
constexpr int32_t kJokerLayer = 2;

}  // namespace

// The tile keeps its click: a drawn joker may be thrown at once.
void CMJTableScene::RestTileControl(engine::ControlRecord& record) {
    for (uint32_t n : {engine::kEvEnter, engine::kEvLeave, engine::kEvLeftDown, engine::kEvLeftUp,
                       engine::kEvLeftDrag})
        SetControlEvent(&record, n, 0, 0);
}

void CMJTableScene::FreezeTileControls(bool rest) {
    handResting_ = rest;
    if (!rest) {
        RefreshTileControls();
        return;
    }
    for (int32_t c = 1; c <= kTileControls; ++c)
        if (engine::ControlRecord* record = GetWorld().GetControl(controls_[size_t(c)].id);
            record && controls_[size_t(c)].binding != 0)
            RestTileControl(*record);
}

void CTableScene::PlayJokerAnimation() {
    if (!PlaysEffects()) {
        CMJTableScene::PlayJokerAnimation();
        return;
    }
    MJStruct& drawn = Hand(3, 0);
    drawn.jokerMark = 1;
    // A joker drawn while the last one plays starts the second afresh.
    if (jokerDelay_) RemoveApply(jokerDelay_);
    jokerDelay_ = ApplyDelay(kJokerShowMs, kMsgJokerDone, {}, 0, 0);
    if (!IsLooker()) FreezeTileControls(true);
    const engine::Entity* tile =
        drawn.nObject > 0 ? GetEntity(Binding(drawn.nObject).entity) : nullptr;
    if (!tile) return;
    const bool large = Sizes().Large();
    const uint32_t picture = Resources().GetImageIdByName(large ? "财神动画" : "财神动画800");
    const engine::FrameRect first = GetFrameRectById(picture, 0);
    if (first.imageId == 0) return;
    auto* anim = dynamic_cast<engine::ImageEntity*>(GetEntity(jokerAnim_));
    if (!anim) {
        anim = CreateImageEntityEx(kJokerLayer, 0, 0, first, assets::kMagenta);
        if (!anim) return;
        anim->SetDepth(kJokerDepth);
        jokerAnim_ = anim->GetId();
    } else {
        // A skin change may have replaced the picture under its title.
        anim->SetImage(first.imageId, first.x, first.y, first.width, first.height,
                       assets::kMagenta);
        anim->SetSize(first.width, first.height);
    }
    MoveEntity(anim, tile->GetX() + (large ? 0 : kSmallShift), tile->GetY() - kJokerLift);
    ShowEntity(anim, true);
    PostEvent(jokerAnim_, engine::kFacadeLevel, 1);  // a pass still playing stops
    ApplyFrames(anim, 0, 1, 0, 0, 0);
}

int32_t CTableScene::OnEffectMessage(uint32_t code) {
    if (code == kMsgJokerDone) {
        if (engine::Entity* anim = GetEntity(jokerAnim_)) ShowEntity(anim, false);
        FreezeTileControls(false);
    }
    return CMJTableScene::OnEffectMessage(code);
}

}  // namespace mahjong
