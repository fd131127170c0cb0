#include "engine/apply_steps.h"

#include <cmath>
#include <cstdlib>

#include "engine/image_entity.h"
#include "engine/particles.h"
#include "engine/world.h"

namespace engine {
namespace {

int64_t Sign(int64_t v) {
    return v < 0 ? -1 : v > 0 ? 1 : 0;
}

// Halves away from zero.
int64_t RoundAway(double v) {
    return int64_t(v < 0 ? v - 0.5 : v + 0.5);
}

// One side of a resize: `step` toward the target without passing it; a step
// of 0 jumps there.
int32_t StepToward(int32_t value, int32_t target, int32_t step) {
    if (step == 0) return target;
    const int64_t s = std::llabs(int64_t(step));
    const int64_t d = int64_t(target) - value;
    if (std::llabs(d) <= s) return target;
    return Saturate32(value + Sign(d) * s);
}

}  // namespace

int StepMove(Entity* entity, ApplyTiming& tm, World&, uint32_t) {
    if (!entity) return 1;
    auto& t = tm.t;
    const int64_t dx = int64_t(t[4]) - entity->GetX();
    const int64_t dy = int64_t(t[5]) - entity->GetY();
    if (dx == 0 && dy == 0) return 1;
    // A speed below one pixel a step would never arrive.
    const int64_t s = std::max<int64_t>(t[7] / 100, 1);
    if (dx == 0) {
        if (std::llabs(dy) < s)
            entity->MoveTo(t[4], t[5]);
        else
            entity->MoveBy(0, int32_t(Sign(dy) * s));
    } else if (dy == 0) {
        if (std::llabs(dx) > s)
            entity->MoveBy(int32_t(Sign(dx) * s), 0);
        else
            entity->MoveTo(t[4], t[5]);
    } else {
        // Squares in 64 bits: scene planes reach far beyond 46340 pixels.
        const int64_t d = int64_t(std::sqrt(double(dx * dx + dy * dy)));
        if (s < d)
            entity->MoveBy(int32_t(RoundAway(double(s) * dx / d)),
                           int32_t(RoundAway(double(s) * dy / d)));
        else
            entity->MoveTo(t[4], t[5]);
    }
    entity->Update();
    int64_t speed = int64_t(t[7]) + t[9];
    if (t[10] != 0) speed = speed * (int64_t(t[10]) + 1000) / 1000;
    if (t[8] != 0 && std::llabs(speed) > std::llabs(int64_t(t[8])))
        speed = Sign(speed) * std::llabs(int64_t(t[8]));
    t[7] = Saturate32(speed);
    return 0;
}

int StepDelay(Entity*, ApplyTiming& tm, World&, uint32_t now) {
    auto& t = tm.t;
    if (!t[6]) {
        t[7] = int32_t(now);
        t[6] = 1;
    }
    return now - uint32_t(t[7]) >= uint32_t(std::max(t[1], 0)) ? 1 : 0;
}

int StepMessage(Entity*, ApplyTiming&, World&, uint32_t) {
    return 1;
}

int StepShowHide(Entity* entity, ApplyTiming& tm, World&, uint32_t) {
    if (!entity) return 1;
    if (tm.t[7])
        entity->Show();
    else
        entity->Hide();
    entity->Update();
    return 1;
}

ApplyTiming MakeFadeTiming(uint32_t period, double step, double goal, EngineMessage completion) {
    ApplyTiming timing =
        MakeApplyTiming(period, completion.code, std::move(completion.payload), completion.target);
    timing.t[7] = Saturate32(std::trunc(step * 100.0));
    timing.t[8] = Saturate32(std::trunc(goal * 100.0));
    return timing;
}

int StepFade(Entity* entity, ApplyTiming& tm, World&, uint32_t) {
    if (!entity) return 1;
    const double step = tm.t[7] / 100.0;
    const double goal = tm.t[8] / 100.0;
    if (step == 0.0) return 1;
    double opacity = entity->GetOpacity();
    if ((step < 0 && opacity <= goal) || (step > 0 && opacity >= goal)) {
        entity->SetOpacity(goal);
        entity->Update();
        return 1;
    }
    opacity += step;
    opacity = step < 0 ? std::max(opacity, goal) : std::min(opacity, goal);
    entity->SetOpacity(opacity);
    entity->Update();
    return 0;
}

int StepResize(Entity* entity, ApplyTiming& tm, World&, uint32_t) {
    if (!entity) return 1;
    const auto& t = tm.t;
    if (entity->GetWidth() == t[7] && entity->GetHeight() == t[8]) return 1;
    entity->SetSize(StepToward(entity->GetWidth(), t[7], t[9]),
                    StepToward(entity->GetHeight(), t[8], t[10]));
    entity->Update();
    return 0;
}

int StepFrames(Entity* entity, ApplyTiming& tm, World& world, uint32_t now) {
    auto* image = dynamic_cast<ImageEntity*>(entity);
    if (!image) return 1;
    auto& t = tm.t;
    const uint32_t count = image->GetFrameCount();
    switch (t[7]) {
        case kFramesShowOne:
            image->SetFrame(uint32_t(t[8]));
            return 1;
        case kFramesOneByOne: {
            if (t[8] == 0 || count == 0) return 1;
            const uint32_t delay = image->SetFrame(image->GetFrame() + 1);
            tm.SetPeriod(delay ? delay : world.GetClockStep());
            if (t[8] > 0) --t[8];
            return t[8] == 0 ? 1 : 0;
        }
        default:
            break;
    }
    const uint32_t elapsed = now - tm.Start();
    if (t[7] == kFramesByPasses) {
        if (image->GetTotalDuration() == 0 || t[8] == 0) return 1;
        if (t[1] > 0 && elapsed >= uint32_t(t[1])) {
            image->SetFrame(count - 1);
            return 1;
        }
    } else if (t[8] >= 0 && elapsed >= uint32_t(t[8])) {
        return 1;
    }
    image->SetFrameByTime(elapsed + uint32_t(t[9]));
    const uint32_t delay = image->GetFrameDelay();
    tm.SetPeriod(delay ? delay : world.GetClockStep());
    return 0;
}

int StepRepeat(Entity*, ApplyTiming& tm, World& world, uint32_t) {
    EngineMessage& completion = tm.completion;
    if (tm.t[1] <= 0 || completion.code == 0) {
        completion.code = 0;
        return 1;
    }
    // Each delivery gets its own copy: the receiver may keep or free it,
    // and the Apply frees its own once, when it ends.
    world.SendMessage({completion.code, completion.payload.Clone(), completion.target}, kSendNow);
    if (--tm.t[1] == 0) completion.code = 0;
    return 0;
}

int StepParticles(Entity* entity, ApplyTiming&, World&, uint32_t now) {
    auto* emitter = dynamic_cast<ParticleEmitter*>(entity);
    if (!emitter) return 1;
    emitter->StepEmitter(now);
    return !emitter->IsEnabled() && emitter->LiveCount() == 0 ? 1 : 0;
}

}  // namespace engine
