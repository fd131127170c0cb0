#include "platform/waitable.h"

#include <algorithm>
#include <chrono>

namespace platform {
namespace detail {
namespace {

// Every thread's waiter, so that a ManualClock advance wakes them all.
struct WaiterRegistry {
    std::mutex mu;
    std::vector<Waiter*> waiters;
};

WaiterRegistry& Registry() {
    static auto* registry = new WaiterRegistry;  // outlives thread_local waiters
    return *registry;
}

void WakeAllWaiters() {
    WaiterRegistry& r = Registry();
    std::lock_guard lock(r.mu);
    for (Waiter* w : r.waiters)
        w->Wake();
}

struct ThreadWaiter {
    Waiter waiter;
    ThreadWaiter() {
        WaiterRegistry& r = Registry();
        std::lock_guard lock(r.mu);
        r.waiters.push_back(&waiter);
    }
    ~ThreadWaiter() {
        WaiterRegistry& r = Registry();
        std::lock_guard lock(r.mu);
        std::erase(r.waiters, &waiter);
    }
};

// Real waits are capped so that a clock swapped in without an advance hook
// is still re-read now and then.
constexpr int64_t kMaxRealSleepMicros = 1'000'000;

}  // namespace

void Waiter::Wake() {
    bool notify;
    {
        std::lock_guard lock(mu);
        ++wakeups;
        notify = sleeping;
    }
    if (notify) cv.notify_all();
}

Waiter& ThisThreadWaiter() {
    thread_local ThreadWaiter t;
    SetClockAdvanceHook(&WakeAllWaiters);
    return t.waiter;
}

uint64_t WakeupCount(Waiter& waiter) {
    std::lock_guard lock(waiter.mu);
    return waiter.wakeups;
}

void Sleep(Waiter& waiter, uint64_t seen, int64_t wakeAtMicros) {
    const Clock& clock = CurrentClock();
    int64_t micros = kMaxRealSleepMicros;
    // A manual clock only moves through AdvanceMicros, which wakes us.
    if (dynamic_cast<const ManualClock*>(&clock) == nullptr) {
        micros = std::clamp<int64_t>(wakeAtMicros - clock.NowMicros(), 0, kMaxRealSleepMicros);
    }
    std::unique_lock lock(waiter.mu);
    waiter.sleeping = true;
    waiter.cv.wait_for(lock, std::chrono::microseconds(micros),
                       [&] { return waiter.wakeups != seen; });
    waiter.sleeping = false;
}

}  // namespace detail

void Waitable::AddWaiter(detail::Waiter* waiter) {
    std::lock_guard lock(mu_);
    waiters_.push_back(waiter);
}

void Waitable::RemoveWaiter(detail::Waiter* waiter) {
    std::lock_guard lock(mu_);
    // A thread may be registered more than once (a nested wait); drop one.
    auto it = std::find(waiters_.begin(), waiters_.end(), waiter);
    if (it != waiters_.end()) waiters_.erase(it);
}

void Waitable::WakeWaitersLocked() {
    for (detail::Waiter* w : waiters_)
        w->Wake();
}

int64_t DeadlineAfterMillis(DWORD millis) {
    if (millis == INFINITE) return kNoDeadline;
    return CurrentClock().NowMicros() + int64_t(millis) * 1000;
}

}  // namespace platform
