#pragma once
// The process's one clock. Tick counts, the performance counter, timers and
// every time-out read it, so tests install a ManualClock and drive time
// instead of sleeping.

#include <atomic>
#include <cstdint>

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic microseconds from an arbitrary origin.
    virtual int64_t NowMicros() const = 0;
};

// The steady system clock; the default.
class SystemClock final : public Clock {
public:
    int64_t NowMicros() const override;
};

// A clock that moves only when told to.
class ManualClock final : public Clock {
public:
    explicit ManualClock(int64_t startMicros = 0) : now_(startMicros) {}
    int64_t NowMicros() const override { return now_.load(std::memory_order_acquire); }
    void AdvanceMicros(int64_t micros);
    void AdvanceMillis(int64_t millis) { AdvanceMicros(millis * 1000); }

private:
    std::atomic<int64_t> now_;
};

const Clock& CurrentClock();

// Installs `clock` as the process clock for the lifetime of this object.
class ScopedClock {
public:
    explicit ScopedClock(const Clock& clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    const Clock* previous_;
};

// Called after a ManualClock moves, so waits with time-outs can re-check.
// The thread and timer code installs the hook; it is empty otherwise.
using ClockAdvanceHook = void (*)();
void SetClockAdvanceHook(ClockAdvanceHook hook);

// Milliseconds since the clock's origin, wrapping at 2^32 like the Win32 call.
uint32_t GetTickCount();
// A counter of 1 MHz and its frequency.
int64_t QueryPerformanceCounter();
int64_t QueryPerformanceFrequency();

}  // namespace platform
