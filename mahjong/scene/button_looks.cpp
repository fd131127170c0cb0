// The operation, start and ask-to-see-cards buttons follow what the scene
// decides: each enable, show and hide it records is played onto the
// button's control as it is recorded.
#include "engine/button_frame.h"
#include "engine/control_record.h"
#include "engine/world.h"
#include "mahjong/scene/table_scene.h"

namespace mahjong {
namespace {

// The message code of operation button n (peng 1 ... pass 5).
uint32_t OperationCode(int32_t n) {
    static constexpr uint32_t kCodes[] = {
        0, kMsgPengButton, kMsgKongButton, kMsgChowButton, kMsgHuButton, kMsgPassButton};
    return n >= kPengButton && n <= kPassButton ? kCodes[n] : 0;
}

}  // namespace

void CMJTableScene::PlayButtonEffect(const SceneEffect& e) {
    auto control = [this](uint32_t code) { return GetWorld().GetControl(ButtonControl(code)); };
    switch (e.kind) {
        case Effect::kEnableButton:
            if (auto* record = control(OperationCode(e.a))) SetControlLook(record, e.b != 0);
            break;
        case Effect::kEnableAllButtons:
            for (int32_t n = kPengButton; n <= kPassButton; ++n)
                if (auto* record = control(OperationCode(n))) SetControlLook(record, e.a != 0);
            break;
        case Effect::kButtonBar:
        case Effect::kShowButtons:
            ShowOperationBar(e.a != 0);
            break;
        case Effect::kStartButton:
            if (auto* record = control(kMsgStartButton)) ShowControl(record, e.a != 0);
            break;
        case Effect::kAskButton:
            if (auto* record = control(kMsgAskButton)) {
                ShowControl(record, e.a != 0);
                SetControlLook(record, e.b != 0);
            }
            break;
        default:
            PlayEngineControlEffect(e);
            break;
    }
}

void CMJTableScene::ShowOperationBar(bool show) {
    if (engine::Entity* bar = operationBar_ ? operationBar_->BoundEntity() : nullptr)
        ShowEntity(bar, show);
    for (int32_t n = kPengButton; n <= kPassButton; ++n)
        if (engine::ControlRecord* record = GetWorld().GetControl(ButtonControl(OperationCode(n))))
            ShowControl(record, show);
}

}  // namespace mahjong
