#pragma once
// The engine's own Apply steps. Each gets the Apply's entity (null when it
// has none), its timing block, the World and the time, refreshes the entity
// after a change and answers non-zero when the Apply is done. The words of
// the timing block they use:
//   Move      t4, t5 target; t7 speed x 100; t8 top speed; t9 acceleration;
//             t10 growth x 1000
//   Delay     t1 duration; t6 started; t7 start time
//   ShowHide  t7 show
//   Fade      t7 step x 100; t8 goal x 100
//   Resize    t7, t8 target size; t9, t10 steps (0: jump)
//   Frames    t7 mode; t8 count; t9 time of the start frame; t1 time limit
//   Repeat    t1 deliveries left

#include <cstdint>

#include "engine/apply.h"

namespace engine {

int StepMove(Entity* entity, ApplyTiming& timing, World& world, uint32_t now);
int StepDelay(Entity* entity, ApplyTiming& timing, World& world, uint32_t now);
// Done at its first due step; the completion message is what it delivers.
int StepMessage(Entity* entity, ApplyTiming& timing, World& world, uint32_t now);
int StepShowHide(Entity* entity, ApplyTiming& timing, World& world, uint32_t now);
int StepFade(Entity* entity, ApplyTiming& timing, World& world, uint32_t now);
int StepResize(Entity* entity, ApplyTiming& timing, World& world, uint32_t now);
int StepFrames(Entity* entity, ApplyTiming& timing, World& world, uint32_t now);
// Delivers a copy of the completion message at every step, t1 times.
int StepRepeat(Entity* entity, ApplyTiming& timing, World& world, uint32_t now);
// Runs the particle entity's emitter until it is off and its particles gone.
int StepParticles(Entity* entity, ApplyTiming& timing, World& world, uint32_t now);

// The timing of a fade by `step` a period toward `goal` (StepFade).
ApplyTiming MakeFadeTiming(uint32_t period, double step, double goal, EngineMessage completion);

// Frames modes.
inline constexpr int32_t kFramesByPasses = 0;
inline constexpr int32_t kFramesOneByOne = 1;
inline constexpr int32_t kFramesByTime = 2;
inline constexpr int32_t kFramesShowOne = 3;

}  // namespace engine
