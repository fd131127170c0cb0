#pragma once
// The engine's process-wide millisecond clock. Frame tests, timed actions and
// animations read `EngineClock::Now`, the value of the last `Update`. The clock
// runs in its tick-count mode and reads the process clock, so tests drive it
// with a platform::ManualClock.

#include <cstdint>

namespace engine {

class EngineClock {
  public:
    // Reads the tick count, stores it as Now and returns it.
    static uint32_t Update();
    static uint32_t Now();
    // 1: the tick-count clock, the only mode this program uses.
    static uint32_t Mode() { return 1; }
};

}  // namespace engine
