// The system bar's slide: on a small screen the bar stands half out of view
// and slides fully in while the pointer is over it; this game's scene only
// locks and unlocks it in place.
#include "engine/button_frame.h"
#include "mahjong/scene/table_scene.h"

namespace mahjong {
namespace {

constexpr int32_t kSlideSteps = 50;
constexpr uint32_t kSlideStepMs = 30;

}  // namespace

engine::Entity* CMJTableScene::SystemBarEntity() const {
    return systemBar_ ? systemBar_->BoundEntity() : nullptr;
}

// Entities stand at their centre: a bar at half its width touches the
// left edge, one at 0 shows its right half only. Half the bar's width in
// 50 steps of 30 ms.
void CMJTableScene::SlideSystemBar(engine::Entity& bar, int32_t x, uint32_t endCode) {
    const int32_t speed = (bar.GetWidth() / 2 + kSlideSteps - 1) / kSlideSteps;
    ApplyMove(&bar, 0, x, bar.GetY(), speed > 0 ? speed : 1, 0, 0, 0.0, kSlideStepMs, endCode, {},
              0, false);
}

void CMJTableScene::SlideSystemBarIn() {
    barMoving_ = 1;
    if (engine::Entity* bar = SystemBarEntity(); bar && SmallScreen())
        SlideSystemBar(*bar, 0, kMsgSystemBarIn);
    barMoving_ = 0;
}

void CMJTableScene::SlideSystemBarOut() {
    barMoving_ = 1;
    engine::Entity* bar = SystemBarEntity();
    if (!bar) return;
    if (!SmallScreen()) {
        ShowEntity(bar, true);
        return;
    }
    SlideSystemBar(*bar, bar->GetWidth() / 2, 0);
    if (engine::Entity* arrow = GetEntity(barArrow_)) ShowEntity(arrow, false);
}

void CMJTableScene::OnSystemBarMessage(uint32_t code) {
    engine::Entity* bar = SystemBarEntity();
    if (!bar) return;
    switch (code) {
        case kMsgSystemBarIn:
            if (engine::Entity* arrow = GetEntity(barArrow_); arrow && bar->IsVisible()) {
                MoveEntity(arrow, bar->GetX() / 2, bar->GetTop());
                ShowEntity(arrow, true);
            }
            break;
        case kMsgSystemBarOver:
            if (barMoving_ == 0) SlideSystemBarOut();
            break;
        case kMsgSystemBarAway:
            if (barMoving_ != 0) SlideSystemBarIn();
            break;
        default:
            break;
    }
}

}  // namespace mahjong
