#include "mahjong/app/scene_timer_host.h"

#include <algorithm>

#include "mahjong/scene/table_scene.h"
#include "platform/message_queue.h"
#include "platform/payload.h"

namespace mahjong {

SceneTimerHost::~SceneTimerHost() {
    Detach();
}

void SceneTimerHost::Attach(platform::HWND window) {
    Detach();
    window_ = window;
    scene_.Effects().SetListener([this](const SceneEffect& e) { Play(e); });
}

void SceneTimerHost::Detach() {
    scene_.Effects().SetListener(nullptr);
    for (const auto& [timer, message] : delayed_)
        platform::KillTimer(window_, timer);
    delayed_.clear();
    window_ = {};
}

void SceneTimerHost::Play(const SceneEffect& e) {
    switch (e.kind) {
        case Effect::kStartTimer:
            platform::SetTimer(window_, uint32_t(e.a), uint32_t(e.b));
            break;
        case Effect::kStopTimer:
            platform::KillTimer(window_, uint32_t(e.a));
            break;
        case Effect::kDice:
            Schedule(kDiceRollMs, {int32_t(kMsgDealStep), -1});
            break;
        // A scene that plays its effects on the engine ends the sort sweep
        // and the discard flight itself.
        case Effect::kSortSweep:
            if (!scene_.PlaysEffects()) Schedule(kSortSweepMs, {int32_t(kMsgSortDone), -1});
            break;
        case Effect::kDelayedMessage:
            if (e.b == int32_t(kMsgDiscardDone) && scene_.PlaysEffects()) break;
            Schedule(uint32_t(std::max(e.a, 0)), {e.b, e.c});
            break;
        case Effect::kFlushPending:
            for (const auto& [timer, message] : delayed_)
                platform::KillTimer(window_, timer);
            delayed_.clear();
            break;
        default:
            break;
    }
}

void SceneTimerHost::Schedule(uint32_t ms, Delayed message) {
    const uint32_t timer = nextTimer_++;
    if (nextTimer_ == 0) nextTimer_ = kFirstDelayedTimer;
    delayed_[timer] = message;
    platform::SetTimer(window_, timer, ms,
                       [this](platform::HWND, platform::UINT, platform::UINT_PTR id,
                              platform::DWORD) { Deliver(uint32_t(id)); });
}

void SceneTimerHost::Deliver(uint32_t timer) {
    platform::KillTimer(window_, timer);
    const auto it = delayed_.find(timer);
    if (it == delayed_.end()) return;
    const Delayed message = it->second;
    delayed_.erase(it);
    platform::Payload payload;
    if (message.seat >= 0) payload = platform::Payload::Make<int32_t>(message.seat);
    scene_.OnMessage(uint32_t(message.code), payload, 0);
}

}  // namespace mahjong
