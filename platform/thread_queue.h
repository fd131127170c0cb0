#pragma once
// Internal to the platform library: a thread's message queue, the window
// table and the hooks between them.

#include <atomic>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "platform/message.h"
#include "platform/message_queue.h"
#include "platform/waitable.h"

namespace platform {

class Window;

namespace detail {

// A message sent to a window of another thread, shared by the sender (who
// waits for `done`) and the receiving thread.
struct SendRecord final : Waitable {
    Message msg;
    LRESULT result = 0;
    bool delivered = false;
    bool done = false;
    bool IsSignaledLocked() const override { return done; }
    void Complete(LRESULT value, bool ok);
};

struct Timer {
    HWND hwnd;
    UINT_PTR id = 0;
    int64_t periodMicros = 0;
    int64_t dueMicros = 0;
    uint64_t seq = 0;
    TimerProc proc;
};

class ThreadQueue final : public Waitable {
  public:
    explicit ThreadQueue(DWORD threadId) : threadId_(threadId) {}
    DWORD ThreadId() const { return threadId_; }

    // Any thread. Post moves the message in only when it succeeds.
    bool Post(Message& msg);
    bool Deliver(const std::shared_ptr<SendRecord>& record);
    // Takes back a send that was not started; false when it was.
    bool Withdraw(const std::shared_ptr<SendRecord>& record);
    void PostQuit(int exitCode);
    void Wake();
    bool IsSignaledLocked() const override;

    // Owner thread only.
    bool ServeSentMessages();
    // The next message for GetMessage / PeekMessage; lowers wakeAt to the
    // next timer's due time when nothing is ready.
    bool Next(Message& out, HWND filter, UINT min, UINT max, bool remove, int64_t& wakeAt);
    UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TimerProc proc);
    bool KillTimer(HWND hwnd, UINT_PTR id);
    void KillTimers(HWND hwnd);
    const TimerProc* FindTimerProc(HWND hwnd, UINT_PTR id) const;
    bool TimerDue(int64_t& wakeAt);
    void SetSource(MessageSource source) { source_ = std::move(source); }
    // Whether the on-demand source has a message (it keeps it).
    bool SourceHasMessage();
    // At thread end: refuses further posts, fails pending sends, frees what
    // was queued.
    void Close();

  private:
    Timer* NextTimer(HWND filter, UINT min, UINT max);

    const DWORD threadId_;
    // Guarded by Mutex().
    std::deque<Message> posted_;
    std::deque<std::shared_ptr<SendRecord>> inbox_;
    std::atomic<size_t> pendingSends_{0};  // inbox_.size(), readable without the lock
    bool quit_ = false;
    int quitCode_ = 0;
    bool closed_ = false;
    // Owner thread only.
    std::vector<Timer> timers_;
    uint64_t timerSeq_ = 0;
    UINT_PTR nextThreadTimerId_ = 0x7FF0;
    MessageSource source_;
};

// The calling thread's queue, created on first use; the plain pointer is
// good until the thread ends.
std::shared_ptr<ThreadQueue> CurrentQueue();
ThreadQueue* ThisThreadQueue();
std::shared_ptr<ThreadQueue> FindQueue(DWORD threadId);
// Called by Thread when its body ends.
void EndThreadMessageQueue();

struct WindowTarget {
    Window* window;  // touch only on the owning thread
    std::shared_ptr<ThreadQueue> queue;
};
std::optional<WindowTarget> FindWindow(HWND hwnd);
// Runs the window's handler (owner thread only).
LRESULT CallWindowProc(Window* window, Message& msg);
// Forgets every window of a queue whose thread is ending.
void DetachWindowsOf(const ThreadQueue* queue);

}  // namespace detail
}  // namespace platform
