#pragma once
// Waiting. Every blocking call of this layer (events, threads, message
// queues, cross-thread sends, Sleep) waits through WaitUntil, so one thread
// can wait on several objects and on its message queue at once, and every
// time-out is read from the process clock: advancing a ManualClock wakes all
// waits to re-check their deadlines.

#include <condition_variable>
#include <cstdint>
#include <limits>
#include <mutex>
#include <span>
#include <vector>

#include "platform/clock.h"
#include "platform/win_types.h"

namespace platform {

namespace detail {

// One per thread: what a waiting thread sleeps on. Objects that change
// state wake the waiters registered with them.
struct Waiter {
    std::mutex mu;
    std::condition_variable cv;
    uint64_t wakeups = 0;
    bool sleeping = false;  // only a sleeping thread needs a notify
    void Wake();
};

Waiter& ThisThreadWaiter();
uint64_t WakeupCount(Waiter& waiter);
// Sleeps until the waiter is woken past `seen` or the clock may have reached
// `wakeAtMicros` (re-checked by the caller).
void Sleep(Waiter& waiter, uint64_t seen, int64_t wakeAtMicros);

}  // namespace detail

// An object a thread can wait on.
class Waitable {
  public:
    Waitable() = default;
    virtual ~Waitable() = default;
    Waitable(const Waitable&) = delete;
    Waitable& operator=(const Waitable&) = delete;

    // Both are called with Mutex() held. Acquire consumes the signal (an
    // auto-reset event resets); it is called only when signalled.
    virtual bool IsSignaledLocked() const = 0;
    virtual void AcquireLocked() {}

    std::mutex& Mutex() const { return mu_; }
    void AddWaiter(detail::Waiter* waiter);
    void RemoveWaiter(detail::Waiter* waiter);

  protected:
    // Wakes every thread waiting on this object; call with Mutex() held.
    void WakeWaitersLocked();

  private:
    mutable std::mutex mu_;
    std::vector<detail::Waiter*> waiters_;
};

constexpr int64_t kNoDeadline = std::numeric_limits<int64_t>::max();

// The clock time `millis` from now; INFINITE gives kNoDeadline.
int64_t DeadlineAfterMillis(DWORD millis);

// Calls check(wakeAt) until it answers true (then true) or the clock reaches
// `deadline` (then false). The calling thread is registered with every
// object in `sources` meanwhile, so their changes wake it. check may lower
// wakeAt (clock micros) to be called again at that time, and must answer
// true once that time has come if it has something to deliver then.
template <class Check>
bool WaitUntil(std::span<Waitable* const> sources, int64_t deadline, Check&& check) {
    detail::Waiter& waiter = detail::ThisThreadWaiter();
    struct Registration {
        std::span<Waitable* const> sources;
        detail::Waiter* waiter;
        ~Registration() {
            for (Waitable* s : sources)
                s->RemoveWaiter(waiter);
        }
    } registration{sources, &waiter};
    for (Waitable* s : sources)
        s->AddWaiter(&waiter);
    for (;;) {
        const uint64_t seen = detail::WakeupCount(waiter);
        int64_t wakeAt = deadline;
        if (check(wakeAt)) return true;
        const int64_t now = CurrentClock().NowMicros();
        if (now >= deadline) return false;
        if (wakeAt <= now) continue;
        detail::Sleep(waiter, seen, wakeAt);
    }
}

}  // namespace platform
