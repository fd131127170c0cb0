#include "platform/clock.h"

#include <chrono>

namespace platform {
namespace {

const SystemClock kSystemClock;
std::atomic<const Clock*> g_clock{&kSystemClock};
std::atomic<ClockAdvanceHook> g_advanceHook{nullptr};

}  // namespace

int64_t SystemClock::NowMicros() const {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void ManualClock::AdvanceMicros(int64_t micros) {
    now_.fetch_add(micros, std::memory_order_acq_rel);
    if (auto hook = g_advanceHook.load()) hook();
}

const Clock& CurrentClock() { return *g_clock.load(std::memory_order_acquire); }

ScopedClock::ScopedClock(const Clock& clock) : previous_(g_clock.exchange(&clock)) {}
ScopedClock::~ScopedClock() { g_clock.store(previous_); }

void SetClockAdvanceHook(ClockAdvanceHook hook) { g_advanceHook.store(hook); }

uint32_t GetTickCount() { return uint32_t(CurrentClock().NowMicros() / 1000); }
int64_t QueryPerformanceCounter() { return CurrentClock().NowMicros(); }
int64_t QueryPerformanceFrequency() { return 1'000'000; }

}  // namespace platform
