#include "platform/thread.h"

#include <atomic>
#include <system_error>

#include "platform/thread_queue.h"

namespace platform {
namespace {

std::atomic<DWORD> g_nextThreadId{1};
thread_local DWORD t_threadId = 0;

DWORD NewThreadId() {
    return g_nextThreadId.fetch_add(1);
}

}  // namespace

DWORD GetCurrentThreadId() {
    if (t_threadId == 0) t_threadId = NewThreadId();
    return t_threadId;
}

Thread::~Thread() {
    Join();
}

bool Thread::Start(std::function<void()> body) {
    if (thread_.joinable() || !body) return false;
    const DWORD id = NewThreadId();
    id_ = id;
    {
        std::lock_guard lock(Mutex());
        finished_ = false;
    }
    try {
        thread_ = std::thread([this, id, body = std::move(body)] {
            t_threadId = id;
            body();
            detail::EndThreadMessageQueue();
            std::lock_guard lock(Mutex());
            finished_ = true;
            WakeWaitersLocked();
        });
    } catch (const std::system_error&) {
        id_ = 0;
        return false;
    }
    return true;
}

void Thread::Join() {
    if (!thread_.joinable()) return;
    // A thread cannot wait for itself; its object is going away under it.
    if (thread_.get_id() == std::this_thread::get_id()) {
        thread_.detach();
    } else {
        thread_.join();
    }
}

}  // namespace platform
