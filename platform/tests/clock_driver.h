#pragma once
// Drives a ManualClock while another thread waits on it: tests never sleep.

#include <atomic>
#include <cstdint>
#include <thread>

#include "platform/clock.h"
#include "platform/thread.h"

namespace platform::testing {

// Moves the clock in steps until `done` holds (bounded).
inline void AdvanceUntil(ManualClock& clock, const std::atomic<bool>& done, int64_t stepMillis) {
    for (int i = 0; i < 10'000'000 && !done; ++i) {
        clock.AdvanceMillis(stepMillis);
        std::this_thread::yield();
    }
}

// Runs `call` on its own thread while the clock moves in steps; answers the
// clock time, in microseconds, that the call took.
template <class Call>
int64_t ClockTimeOf(ManualClock& clock, int64_t stepMillis, Call&& call) {
    std::atomic<bool> returned{false};
    int64_t started = 0, ended = 0;
    Thread t;
    t.Start([&] {
        started = clock.NowMicros();
        call();
        ended = clock.NowMicros();
        returned = true;
    });
    AdvanceUntil(clock, returned, stepMillis);
    t.Join();
    return ended - started;
}

}  // namespace platform::testing
