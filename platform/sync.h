#pragma once
// Kernel-style synchronisation: events (manual and auto reset), waits on one
// or several objects with a clock-driven time-out, re-entrant critical
// sections, interlocked counters and a clock-driven Sleep.

#include <atomic>
#include <mutex>
#include <span>

#include "platform/waitable.h"
#include "platform/win_types.h"

namespace platform {

class Event final : public Waitable {
  public:
    Event(bool manualReset, bool initialState)
        : manualReset_(manualReset), signaled_(initialState) {}

    void Set();
    void Reset();
    bool IsManualReset() const { return manualReset_; }

    bool IsSignaledLocked() const override { return signaled_; }
    void AcquireLocked() override {
        if (!manualReset_) signaled_ = false;
    }

  private:
    const bool manualReset_;
    bool signaled_;
};

inline bool SetEvent(Event& event) {
    event.Set();
    return true;
}
inline bool ResetEvent(Event& event) {
    event.Reset();
    return true;
}

// WAIT_OBJECT_0 when signalled (an auto-reset event is reset), else WAIT_TIMEOUT.
DWORD WaitForSingleObject(Waitable& object, DWORD millis);

// waitAll false: WAIT_OBJECT_0 + the index of the first signalled object,
// which alone is acquired. waitAll true: WAIT_OBJECT_0 once every object is
// signalled, all acquired together. WAIT_TIMEOUT on time-out; WAIT_FAILED
// for an empty list, a null entry or an object listed twice.
DWORD WaitForMultipleObjects(std::span<Waitable* const> objects, bool waitAll, DWORD millis);
// The same with an absolute deadline on the process clock (see
// DeadlineAfterMillis), for callers that wait in several steps: a deadline
// read once cannot drift when the clock moves between two steps.
DWORD WaitForMultipleObjectsUntil(std::span<Waitable* const> objects, bool waitAll,
                                  int64_t deadline);

// Waits `millis` on the process clock.
void Sleep(DWORD millis);

// A re-entrant lock (usable with std::lock_guard / std::unique_lock).
class CriticalSection {
  public:
    void Enter() { mu_.lock(); }
    void Leave() { mu_.unlock(); }
    bool TryEnter() { return mu_.try_lock(); }

    void lock() { Enter(); }
    void unlock() { Leave(); }
    bool try_lock() { return TryEnter(); }

  private:
    std::recursive_mutex mu_;
};

inline void EnterCriticalSection(CriticalSection& cs) {
    cs.Enter();
}
inline void LeaveCriticalSection(CriticalSection& cs) {
    cs.Leave();
}

// Interlocked operations on a shared 32-bit counter. Increment and decrement
// answer the new value; exchange and add answer the old one.
using InterlockedLong = std::atomic<LONG>;
inline LONG InterlockedIncrement(InterlockedLong& v) {
    return v.fetch_add(1) + 1;
}
inline LONG InterlockedDecrement(InterlockedLong& v) {
    return v.fetch_sub(1) - 1;
}
inline LONG InterlockedExchange(InterlockedLong& v, LONG value) {
    return v.exchange(value);
}
inline LONG InterlockedExchangeAdd(InterlockedLong& v, LONG add) {
    return v.fetch_add(add);
}
inline LONG InterlockedCompareExchange(InterlockedLong& v, LONG exchange, LONG comparand) {
    v.compare_exchange_strong(comparand, exchange);
    return comparand;
}

}  // namespace platform
