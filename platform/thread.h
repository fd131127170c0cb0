#pragma once
// Threads. Each thread has a numeric id (the target of PostThreadMessage);
// a Thread knows its id before the body runs, and its message queue exists
// only once the body asks for it (any message call), exactly what a
// "ready probe" posted to the thread tests. A Thread is a Waitable that is
// signalled when the body has ended and the thread's queue and windows are
// gone. Stopping is the owner's signal (an event, WM_QUIT) followed by Join.

#include <functional>
#include <thread>

#include "platform/waitable.h"
#include "platform/win_types.h"

namespace platform {

// This thread's id; never 0.
DWORD GetCurrentThreadId();

class Thread final : public Waitable {
  public:
    Thread() = default;
    ~Thread() override;  // joins

    // Starts `body` on a new thread; false when already started or when the
    // system refuses a thread.
    bool Start(std::function<void()> body);
    DWORD Id() const { return id_; }
    bool Started() const { return thread_.joinable(); }
    // Blocks until the body has ended (no-op when not started).
    void Join();

    bool IsSignaledLocked() const override { return finished_; }

  private:
    std::thread thread_;
    DWORD id_ = 0;
    bool finished_ = false;
};

}  // namespace platform
