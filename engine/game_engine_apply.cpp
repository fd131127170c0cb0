// The facade's timed-action builders and the engine's notices.

#include <cmath>

#include "engine/advanced_button.h"
#include "engine/apply_steps.h"
#include "engine/game_engine.h"
#include "engine/image_entity.h"
#include "engine/particles.h"
#include "engine/resources/resource_manager.h"
#include "engine/text_entity.h"

namespace engine {
namespace {

constexpr size_t kNoticeTextMax = 1024;
// The buttons go with the box: owned, turned, shown, faded, refreshed,
// deepened and moved with it.
constexpr uint32_t kNoticeButtonLink = 0x1802F;
constexpr int kNoticeLayer = 4;

}  // namespace

uint32_t GameEngine::QueueApply(Entity* entity, ApplyTiming timing, ApplyStep step,
                                uint32_t channel, bool deleteEntity) {
    return world_.AddApply(entity ? entity->GetId() : 0, std::move(timing), std::move(step),
                           channel, deleteEntity ? kApplyDeleteEntity : 0, 0, kFacadeLevel);
}

uint32_t GameEngine::ApplyMove(Entity* entity, uint32_t channel, int32_t x, int32_t y,
                               int32_t speed, int32_t maxSpeed, int32_t acceleration, double growth,
                               uint32_t period, uint32_t code, platform::Payload payload,
                               uint32_t target, bool deleteEntity) {
    if (!entity) return 0;
    // A move of its own replaces whatever the entity was doing.
    if (channel == 0) PostEvent(entity->GetId(), 3, 1);
    ApplyTiming timing = MakeApplyTiming(Period(period), code, std::move(payload), target);
    timing.t[4] = x;
    timing.t[5] = y;
    timing.t[7] = Saturate32(int64_t(speed) * 100);
    timing.t[8] = maxSpeed;
    timing.t[9] = acceleration;
    timing.t[10] = Saturate32(std::trunc(growth * 1000.0));
    return QueueApply(entity, std::move(timing), StepMove, channel, deleteEntity);
}

uint32_t GameEngine::ApplyMoveTo(Entity* entity, uint32_t channel, int32_t x, int32_t y,
                                 int32_t speed, uint32_t period, uint32_t code,
                                 platform::Payload payload, uint32_t target) {
    return ApplyMove(entity, channel, x, y, speed, 0, 0, 0.0, period, code, std::move(payload),
                     target, false);
}

uint32_t GameEngine::ApplyDelay(uint32_t duration, uint32_t code, platform::Payload payload,
                                uint32_t target, uint32_t channel) {
    ApplyTiming timing = MakeApplyTiming(Period(0), code, std::move(payload), target);
    timing.t[1] = Saturate32(int64_t(duration));
    return QueueApply(nullptr, std::move(timing), StepDelay, channel, false);
}

uint32_t GameEngine::ApplyCallback(uint32_t period, uint32_t code, platform::Payload payload,
                                   uint32_t target, uint32_t channel) {
    return QueueApply(nullptr, MakeApplyTiming(Period(period), code, std::move(payload), target),
                      StepMessage, channel, false);
}

uint32_t GameEngine::ApplyOnce(Entity* entity, uint32_t channel, uint32_t target, uint32_t code,
                               platform::Payload payload) {
    if (!entity) return 0;
    return QueueApply(entity, MakeApplyTiming(Period(0), code, std::move(payload), target),
                      StepMessage, channel, true);
}

uint32_t GameEngine::ApplyShowHide(Entity* entity, bool show, uint32_t channel, uint32_t period,
                                   uint32_t code, platform::Payload payload, bool deleteEntity) {
    if (!entity) return 0;
    ApplyTiming timing = MakeApplyTiming(Period(period), code, std::move(payload), 0);
    timing.t[7] = show ? 1 : 0;
    return QueueApply(entity, std::move(timing), StepShowHide, channel, deleteEntity);
}

uint32_t GameEngine::ApplyFade(Entity* entity, double step, double goal, uint32_t channel,
                               uint32_t period, uint32_t code, platform::Payload payload,
                               bool deleteEntity, uint32_t target) {
    if (!entity) return 0;
    return QueueApply(
        entity, MakeFadeTiming(Period(period), step, goal, {code, std::move(payload), target}),
        StepFade, channel, deleteEntity);
}

uint32_t GameEngine::ApplyResize(Entity* entity, int32_t startWidth, int32_t startHeight,
                                 int32_t targetWidth, int32_t targetHeight, int32_t stepWidth,
                                 int32_t stepHeight, uint32_t channel, uint32_t period,
                                 uint32_t code, platform::Payload payload, uint32_t target) {
    if (!entity) return 0;
    entity->SetSize(startWidth, startHeight);
    entity->Update();
    ApplyTiming timing = MakeApplyTiming(Period(period), code, std::move(payload), target);
    timing.t[7] = targetWidth;
    timing.t[8] = targetHeight;
    timing.t[9] = stepWidth;
    timing.t[10] = stepHeight;
    return QueueApply(entity, std::move(timing), StepResize, channel, false);
}

uint32_t GameEngine::ApplyFrames(Entity* entity, int32_t mode, int32_t count, uint32_t startFrame,
                                 uint32_t channel, uint32_t code, platform::Payload payload,
                                 uint32_t target) {
    auto* image = dynamic_cast<ImageEntity*>(entity);
    if (!image || mode < kFramesByPasses || mode > kFramesShowOne) return 0;
    const uint32_t delay = image->SetFrame(startFrame);
    ApplyTiming timing = MakeApplyTiming(Period(delay), code, std::move(payload), target);
    timing.t[7] = mode;
    timing.t[8] = count;
    const uint32_t before = image->GetDurationBetween(0, image->GetFrame());
    timing.t[9] = Saturate32(int64_t(before));
    // Passes end on the last frame: count passes from the start frame on.
    if (mode == kFramesByPasses && count > 0)
        timing.t[1] = Saturate32(int64_t(count) * image->GetTotalDuration() - before);
    return QueueApply(entity, std::move(timing), StepFrames, channel, false);
}

uint32_t GameEngine::ApplyParticles(Entity* entity, uint32_t channel, uint32_t code,
                                    platform::Payload payload, bool deleteEntity) {
    auto* emitter = dynamic_cast<ParticleEmitter*>(entity);
    if (!emitter) return 0;
    emitter->SetEnabled(true);
    return QueueApply(entity, MakeApplyTiming(Period(0), code, std::move(payload), 0),
                      StepParticles, channel, deleteEntity);
}

// ---- Notices ----------------------------------------------------------------------

uint32_t GameEngine::ShowNotice(std::string_view text, uint32_t flags, uint32_t duration, int32_t x,
                                int32_t y, int32_t width, int32_t height, uint32_t okCode,
                                uint32_t cancelCode, uint32_t target) {
    NoticeRecord notice;
    notice.flags = flags;
    notice.text = std::string(text.substr(0, kNoticeTextMax));
    notice.okCode = okCode;
    notice.cancelCode = cancelCode;
    notice.target = target;
    notice.width = width;
    notice.height = height;
    notice.duration = duration;
    if (x == kCentre) x = logicalWidth_ / 2;
    if (y == kCentre) y = logicalHeight_ / 2;
    TextEntity* box = CreateTextEntity(kNoticeLayer, x, y, width, height, kNoBlendColor);
    if (!box) return 0;
    notice.entityId = box->GetId();
    MessageBox(notice);
    box->SetOpacity(0.1);
    box->Show();
    box->Update();
    double fall = -0.01;
    if (duration < 1000)
        fall = -0.1;
    else if (duration <= 10000)
        fall = -100.0 / duration;
    if (flags != 0) {
        // The box stays until one of its buttons removes it.
        ApplyFade(box, 0.1, 1.0, 0, 0, 0, {}, false, 0);
        PostTimerEvent(ApplyFade(box, fall, 0.0, 0, 0, 0, {}, true, 0), 0);
    } else {
        const uint32_t channel = NextEventId();
        ApplyFade(box, 0.1, 1.0, channel, 0, 0, {}, false, 0);
        ApplyFade(box, fall, 0.0, channel, 0, 0, {}, true, 0);
    }
    return notice.entityId;
}

int GameEngine::MessageBox(NoticeRecord& notice) {
    auto* box = world_.FindEntityAs<TextEntity>(notice.entityId);
    if (!box) return 0;
    FontStore& store = resources_.GetFontStore();
    box->SetDepth(int32_t(10000 + random_() % 10000));
    box->SetBackColor(0xFF);
    box->SetFontStore(&store, true);
    box->FitToText(notice.text);
    const int32_t row = std::max(store.SaveState().height, 1);
    int32_t surfaceHeight = box->SurfaceHeight();
    int32_t surfaceWidth = box->SurfaceWidth();
    // Buttons three rows wide, at a third and two thirds (or the middle),
    // need this much room not to overlap each other or the frame.
    if (notice.flags & kNoticeButtons)
        surfaceWidth = std::max(surfaceWidth, ((notice.flags & kNoticeCancel) ? 9 : 4) * row);
    if (notice.flags & (kNoticeButtons | kNoticeCancel)) surfaceHeight += 2 * row;
    box->ResizeSurface(surfaceWidth, surfaceHeight);
    box->SetSize(box->SurfaceWidth(), surfaceHeight + row);
    box->SetBackColor(0x3FC069);
    box->SetTextColor(0xFFFFFF);
    box->SetText(0, 0, notice.text);
    box->DrawFrame(0xFFFFFF);
    box->Update();
    ControlRecord* control = world_.RequestControl(box->GetId(), kControlDiesWithEntity);
    if (notice.flags & kNoticeButtons) {
        AddNoticeButtons(notice, *box, row);
    } else if (control) {
        // A box without buttons closes on a click.
        control->SetEvent(kEvClick, 94, 0,
                          platform::Payload::Make<EntityRef>(EntityRef{box->GetId()}));
    }
    return 1;
}

// "确定" (and "取消") along the box's bottom, attached to it, each closing it
// with its code to the notice's target.
void GameEngine::AddNoticeButtons(const NoticeRecord& notice, TextEntity& box, int32_t row) {
    struct Choice {
        const char* caption;
        uint32_t code;
        int32_t x;
    };
    const int32_t left = box.GetLeft(), width = box.GetWidth();
    std::vector<Choice> choices;
    if (notice.flags & kNoticeCancel) {
        choices = {{"确定", notice.okCode, left + width / 3},
                   {"取消", notice.cancelCode, left + width * 2 / 3}};
    } else {
        choices = {{"确定", notice.okCode, left + width / 2}};
    }
    const int32_t w = 3 * row, h = 2 * row;
    const int32_t y = Saturate32(int64_t(box.GetBottom()) - (h + 1) / 2);
    for (const Choice& choice : choices) {
        auto* button = CreateButton<MessageBoxButton>();
        if (!button->Create(notice.target, choice.code, {}, choice.x, y, w, h, false)) {
            button->Detach();
            continue;
        }
        button->SetDeleteAfterClick(true);
        button->SetTextColor(0xFFFFFF);
        button->SetCaptionFit(choice.caption, true);
        Entity* surface = button->BoundEntity();
        surface->SetDepth(box.GetDepth() + 1);
        surface->Update();
        box.AttachChild(surface, kNoticeButtonLink);
    }
}

}  // namespace engine
