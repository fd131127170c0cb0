// The World's timed actions: queueing, the merge of pending requests, the
// World commands, the per-frame run and the end of an Apply.

#include "engine/engine_clock.h"
#include "engine/world.h"

namespace engine {

ApplyTiming MakeApplyTiming(uint32_t period, uint32_t code, platform::Payload payload,
                            uint32_t target) {
    ApplyTiming timing;
    const uint32_t now = EngineClock::Now();
    timing.SetNext(now);
    timing.SetStart(now);
    timing.SetPeriod(period);
    timing.t[4] = -100;
    timing.t[5] = -100;
    timing.completion = {code, std::move(payload), target};
    return timing;
}

uint32_t World::QueueApply(uint32_t entityId, ApplyTiming timing, ApplyStep step, uint32_t channel,
                           uint32_t flags, uint32_t hold, uint32_t level) {
    auto record = std::make_unique<ApplyRecord>();
    record->id = NextApplyId();
    record->flags = flags;
    record->timing = std::move(timing);
    record->entityId = entityId;
    record->step = std::move(step);
    record->channel = channel;
    record->hold = hold;
    record->level = level;
    const uint32_t id = record->id;
    pending_.push_back(std::move(record));
    return id;
}

uint32_t World::AddApply(uint32_t entityId, ApplyTiming timing, ApplyStep step, uint32_t channel,
                         uint32_t flags, uint32_t hold, uint32_t level) {
    if (entityId != 0) {
        const Entity* entity = FindEntity(entityId);
        if (!entity || !entity->IsPlaced()) return 0;
    }
    return QueueApply(entityId, std::move(timing), std::move(step), channel, flags, hold, level);
}

uint32_t World::AddApplyRec(uint32_t entityId, ApplyTiming timing, ApplyStep step, uint32_t channel,
                            uint32_t flags, uint32_t hold, uint32_t level) {
    if (channel > lastEventId_) return 0;
    return AddApply(entityId, std::move(timing), std::move(step), channel, flags, hold, level);
}

size_t World::PushCommand(uint32_t command, uint32_t a, uint32_t b, uint32_t c) {
    auto record = std::make_unique<ApplyRecord>();
    record->command = command;
    record->flags = command;
    record->argument[0] = a;
    record->argument[1] = b;
    record->argument[2] = c;
    pending_.push_back(std::move(record));
    return pending_.size();
}

ApplyRecord* World::FindActive(uint32_t id) {
    if (id == 0) return nullptr;
    for (auto& record : active_)
        if (record->id == id && !record->finished) return record.get();
    return nullptr;
}

int World::IsChannelActive(uint32_t channel) const {
    for (const auto& record : active_)
        if (record->id && !record->finished && record->channel == channel) return 1;
    return 0;
}

bool World::HasApplyFor(uint32_t entityId) const {
    for (const auto& record : active_)
        if (record->id && !record->finished && record->entityId == entityId) return true;
    return false;
}

void World::Resume(ApplyRecord& record) {
    record.paused = 0;
    // An Apply that has not stepped yet starts its clock again.
    if (record.timing.Start() == record.timing.Next()) record.timing.SetStart(now_);
    record.timing.SetNext(now_);
}

void World::RestartApply(uint32_t id, uint32_t flags) {
    ApplyRecord* record = FindActive(id);
    if (!record) return;
    Resume(*record);
    if (flags & kApplyChannelHead) record->flags |= kApplyChannelHead;
}

int World::StopApply(uint32_t id, uint32_t value) {
    ApplyRecord* record = FindActive(id);
    if (!record) return 0;
    record->paused = 1;
    record->hold = value ? value : id;
    return 1;
}

// A cancelled Apply is ended (with its message) at its next visit. It no
// longer owns its entity: the entity is usually being deleted right now, and
// ending the Apply must not delete it a second time.
void World::Cancel(ApplyRecord& record, uint32_t mode) {
    record.id = 0;
    record.flags &= ~kApplyDeleteEntity;
    record.entityId = 0;
    if (mode != 0) record.timing.completion.code = 0;
    if (mode == 1) record.timing.completion.payload.Reset();
}

int World::RemoveApply(uint32_t id) {
    if (ApplyRecord* record = FindActive(id)) {
        Cancel(*record, 1);
        return 1;
    }
    for (auto& record : pending_) {
        // A cancelled request merges as an empty command.
        if (id != 0 && record->id == id) {
            Cancel(*record, 1);
            return 1;
        }
    }
    return 0;
}

void World::CancelByEntity(uint32_t entityId, uint32_t level, uint32_t mode) {
    for (auto& record : active_)
        if (record->id && !record->finished && record->entityId == entityId &&
            record->level <= level)
            Cancel(*record, mode);
}

void World::RunCommand(const ApplyRecord& command) {
    const uint32_t a = command.argument[0], b = command.argument[1], c = command.argument[2];
    switch (command.command) {
        case kCmdCancelEntity:
            CancelByEntity(a, b, c);
            break;
        case kCmdStopApply:
            StopApply(a, b);
            break;
        case kCmdStopEntity:
            for (auto& record : active_)
                if (record->id && !record->finished && record->entityId == a) {
                    record->paused = 1;
                    record->hold = b;
                }
            break;
        case kCmdResumeEntity:
            for (auto& record : active_)
                if (record->id && !record->finished && record->entityId == a) Resume(*record);
            break;
        case kCmdCancel:
            for (auto& record : active_) {
                if (!record->id || record->finished || record->level > b) continue;
                const bool hit = (c & kCancelByChannel) ? record->channel == a : record->id == a;
                if (hit) Cancel(*record, c & 0xFF);
            }
            break;
        case kCmdResumeChannel:
            for (auto& record : active_)
                if (record->id && !record->finished && record->channel == a &&
                    (record->flags & kApplyChannelHead))
                    Resume(*record);
            break;
        default:
            // Event scopes (1, 2, 4) and starting one (8): nothing in this
            // program opens a scope, so there is none to act on.
            break;
    }
}

void World::Merge() {
    ApplyList pending = std::move(pending_);
    pending_.clear();
    for (auto& request : pending) {
        if (request->id == 0) {
            RunCommand(*request);
            continue;
        }
        bool chained = false;
        if (request->channel != 0) {
            for (auto& record : active_) {
                if (record->id && !record->finished && record->channel == request->channel &&
                    record->next == 0) {
                    record->next = request->id;
                    chained = true;
                    break;
                }
            }
            if (!chained) request->flags |= kApplyChannelHead;
        }
        request->event = currentEvent_;
        if (chained || request->hold) request->paused = 1;
        // The first step comes one period from now.
        request->timing.SetNext(now_);
        request->timing.SetStart(now_);
        active_.push_back(std::move(request));
    }
}

void World::Finish(ApplyRecord& record, bool post, bool deleteEntity) {
    // A step's handler may have ended it already (StopAll, Clear).
    if (record.finished) return;
    record.finished = true;
    const bool head = record.flags & kApplyChannelHead;
    if (post && record.timing.completion.code != 0)
        SendMessage(std::move(record.timing.completion), kSendNow);
    if (ApplyRecord* next = FindActive(record.next)) {
        Resume(*next);
        if (head) next->flags |= kApplyChannelHead;
    }
    record.timing.block.Reset();
    record.timing.completion.payload.Reset();
    if (deleteEntity && (record.flags & kApplyDeleteEntity)) {
        const uint32_t entityId = record.entityId;
        record.entityId = 0;
        DestroyEntity(FindEntity(entityId));
    }
}

void World::Update() {
    now_ = EngineClock::Update();
    Merge();
    const bool outer = !updating_;
    updating_ = true;
    for (size_t i = 0; i < active_.size(); ++i) {
        ApplyRecord& record = *active_[i];
        if (record.finished) continue;
        if (record.id == 0) {
            Finish(record, true, true);
            continue;
        }
        if (record.paused) continue;
        if (now_ - record.timing.Next() < record.timing.Period()) continue;
        record.timing.SetNext(now_);
        Entity* entity = record.entityId ? FindEntity(record.entityId) : nullptr;
        int done = 1;
        if (record.step && (record.entityId == 0 || entity))
            done = record.step(entity, record.timing, *this, now_);
        if (done || record.id == 0) Finish(record, true, true);
    }
    if (!outer) return;
    updating_ = false;
    std::erase_if(active_, [](const auto& record) { return record->finished; });
}

void World::StopAll() {
    Merge();
    for (auto& record : active_)
        if (!record->finished) Finish(*record, false, false);
    if (!updating_) active_.clear();
}

}  // namespace engine
