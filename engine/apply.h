#pragma once
// Timed actions ("Applies"). An Apply names a target entity, a step function
// and a timing block; the World runs the step once per period until it says
// it is done. When it ends it can send a completion message, start the Apply
// chained behind it on the same channel and delete its entity. Requests wait
// in a pending list until the next World update merges them, so an Apply
// made inside a step or a handler never runs in the tick that made it; the
// merge stamps its clock, so its first step comes one period later.

#include <array>
#include <cstdint>
#include <functional>

#include "engine/engine_message.h"

namespace engine {

class Entity;
class World;

// The timing block. Words 4 to 16 belong to the step (t[4], t[5]: a target
// point; t[7] ... as each step describes).
struct ApplyTiming {
    std::array<int32_t, 17> t{};
    platform::Payload block;  // freed when the Apply ends
    EngineMessage completion;

    uint32_t Next() const { return uint32_t(t[0]); }
    void SetNext(uint32_t v) { t[0] = int32_t(v); }
    int32_t Limit() const { return t[1]; }  // duration of a delay, time limit of frames
    uint32_t Start() const { return uint32_t(t[2]); }
    void SetStart(uint32_t v) { t[2] = int32_t(v); }
    uint32_t Period() const { return uint32_t(t[3]); }
    void SetPeriod(uint32_t v) { t[3] = int32_t(v); }
};

// Next and start are the engine clock's reading, the target point
// (-100, -100), every other word 0.
ApplyTiming MakeApplyTiming(uint32_t period, uint32_t code, platform::Payload payload,
                            uint32_t target);

// Runs once per due period with the Apply's entity (null for Applies without
// one, or when it is gone); non-zero ends the Apply.
using ApplyStep =
    std::function<int(Entity* entity, ApplyTiming& timing, World& world, uint32_t now)>;

// Apply flags.
inline constexpr uint32_t kApplyDeleteEntity = 1;
inline constexpr uint32_t kApplyChannelHead = 16;

// Cancel level of every Apply the facade builds.
inline constexpr uint32_t kFacadeLevel = 2;

// World commands, queued like Applies and run at the next merge.
enum WorldCommand : uint32_t {
    kCmdStartEvent = 8,
    kCmdResumeChannel = 16,
    kCmdResumeEntity = 64,
    kCmdCancel = 256,  // by Apply id, or by channel with kCancelByChannel
    kCmdCancelEntity = 512,
    kCmdStopEntity = 4096,
    kCmdStopApply = 8192,
};
inline constexpr uint32_t kCancelByChannel = 0x100;

struct ApplyRecord {
    uint32_t id = 0;  // 0 in the active list: cancelled
    uint32_t flags = 0;
    ApplyTiming timing;
    uint32_t entityId = 0;  // looked up at every step, so a deleted entity is never touched
    ApplyStep step;
    uint32_t channel = 0;
    uint32_t event = 0;
    uint32_t hold = 0;  // at the merge: start paused; later: the value of the last stop
    uint32_t paused = 0;
    uint32_t level = 0;
    uint32_t next = 0;  // the Apply chained behind this one
    // A World command instead of an Apply.
    uint32_t command = 0;
    uint32_t argument[3] = {0, 0, 0};
    bool finished = false;  // ended in this update; dropped when it is over
};

}  // namespace engine
