#include "platform/message_queue.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "platform/thread.h"
#include "platform/thread_queue.h"
#include "platform/window.h"

namespace platform {
namespace detail {
namespace {

struct QueueTable {
    std::mutex mu;
    std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>> queues;
};

QueueTable& Queues() {
    static auto* table = new QueueTable;  // outlives thread_local holders
    return *table;
}

// Closes the thread's queue when a thread that was not started through
// Thread (the main thread, a std::thread) ends.
struct QueueHolder {
    std::shared_ptr<ThreadQueue> queue;
    ~QueueHolder() {
        if (queue) EndThreadMessageQueue();
    }
};
thread_local QueueHolder t_queue;

bool InRange(UINT message, UINT min, UINT max) {
    return (min == 0 && max == 0) || (message >= min && message <= max);
}

}  // namespace

void SendRecord::Complete(LRESULT value, bool ok) {
    std::lock_guard lock(Mutex());
    result = value;
    delivered = ok;
    done = true;
    WakeWaitersLocked();
}

bool ThreadQueue::Post(Message& msg) {
    std::lock_guard lock(Mutex());
    if (closed_) return false;
    posted_.push_back(std::move(msg));
    WakeWaitersLocked();
    return true;
}

bool ThreadQueue::Deliver(const std::shared_ptr<SendRecord>& record) {
    std::lock_guard lock(Mutex());
    if (closed_) return false;
    inbox_.push_back(record);
    pendingSends_.fetch_add(1, std::memory_order_release);
    WakeWaitersLocked();
    return true;
}

bool ThreadQueue::Withdraw(const std::shared_ptr<SendRecord>& record) {
    std::lock_guard lock(Mutex());
    auto it = std::find(inbox_.begin(), inbox_.end(), record);
    if (it == inbox_.end()) return false;
    inbox_.erase(it);
    pendingSends_.fetch_sub(1, std::memory_order_relaxed);
    return true;
}

void ThreadQueue::PostQuit(int exitCode) {
    std::lock_guard lock(Mutex());
    quit_ = true;
    quitCode_ = exitCode;
    WakeWaitersLocked();
}

void ThreadQueue::Wake() {
    std::lock_guard lock(Mutex());
    WakeWaitersLocked();
}

bool ThreadQueue::SourceHasMessage() {
    Message scratch;
    return source_ && source_(scratch, {}, 0, 0, false);
}

bool ThreadQueue::IsSignaledLocked() const {
    return !posted_.empty() || !inbox_.empty() || quit_;
}

bool ThreadQueue::ServeSentMessages() {
    bool served = false;
    // Most calls find no send waiting: skip the lock then.
    while (pendingSends_.load(std::memory_order_acquire) != 0) {
        std::shared_ptr<SendRecord> record;
        {
            std::lock_guard lock(Mutex());
            if (inbox_.empty()) return served;
            record = std::move(inbox_.front());
            inbox_.pop_front();
            pendingSends_.fetch_sub(1, std::memory_order_relaxed);
        }
        served = true;
        // Only this thread touches the message from here until Complete.
        auto target = FindWindow(record->msg.hwnd);
        if (target && target->queue.get() == this) {
            record->Complete(CallWindowProc(target->window, record->msg), true);
        } else {
            record->Complete(0, false);
        }
    }
    return served;
}

bool ThreadQueue::Next(Message& out, HWND filter, UINT min, UINT max, bool remove,
                       int64_t& wakeAt) {
    ServeSentMessages();
    {
        std::lock_guard lock(Mutex());
        for (auto it = posted_.begin(); it != posted_.end(); ++it) {
            if ((filter && it->hwnd != filter) || !InRange(it->message, min, max)) continue;
            if (remove) {
                out = std::move(*it);
                posted_.erase(it);
            } else {
                out = Message{it->hwnd, it->message, it->wParam, it->lParam, it->time, {}};
            }
            return true;
        }
        if (quit_) {
            out = Message{{}, WM_QUIT, WPARAM(quitCode_), 0, GetTickCount(), {}};
            if (remove) quit_ = false;
            return true;
        }
    }
    if (source_ && source_(out, filter, min, max, remove)) return true;
    Timer* timer = NextTimer(filter, min, max);
    if (!timer) return false;
    const int64_t now = CurrentClock().NowMicros();
    if (timer->dueMicros > now) {
        wakeAt = std::min(wakeAt, timer->dueMicros);
        return false;
    }
    out = Message{timer->hwnd, WM_TIMER, timer->id, timer->proc ? 1 : 0, GetTickCount(), {}};
    if (remove) {
        timer->dueMicros = now + timer->periodMicros;
        timer->seq = ++timerSeq_;  // ties go round-robin
    }
    return true;
}

Timer* ThreadQueue::NextTimer(HWND filter, UINT min, UINT max) {
    if (!InRange(WM_TIMER, min, max)) return nullptr;
    Timer* best = nullptr;
    for (Timer& t : timers_) {
        if (filter && t.hwnd != filter) continue;
        if (!best || t.dueMicros < best->dueMicros ||
            (t.dueMicros == best->dueMicros && t.seq < best->seq)) {
            best = &t;
        }
    }
    return best;
}

bool ThreadQueue::TimerDue(int64_t& wakeAt) {
    const Timer* timer = NextTimer({}, 0, 0);
    if (!timer) return false;
    if (timer->dueMicros <= CurrentClock().NowMicros()) return true;
    wakeAt = std::min(wakeAt, timer->dueMicros);
    return false;
}

UINT_PTR ThreadQueue::SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TimerProc proc) {
    if (hwnd && id == 0) return 0;
    auto it = std::find_if(timers_.begin(), timers_.end(),
                           [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    if (!hwnd && (id == 0 || it == timers_.end())) {
        do {
            id = ++nextThreadTimerId_;
        } while (id == 0 || std::any_of(timers_.begin(), timers_.end(),
                                        [&](const Timer& t) { return !t.hwnd && t.id == id; }));
        it = timers_.end();
    }
    Timer timer{hwnd, id,          int64_t(std::max<UINT>(elapse, 1)) * 1000,
                0,    ++timerSeq_, std::move(proc)};
    timer.dueMicros = CurrentClock().NowMicros() + timer.periodMicros;
    if (it != timers_.end()) {
        *it = std::move(timer);
    } else {
        timers_.push_back(std::move(timer));
    }
    return id;
}

bool ThreadQueue::KillTimer(HWND hwnd, UINT_PTR id) {
    return std::erase_if(timers_, [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; }) > 0;
}

void ThreadQueue::KillTimers(HWND hwnd) {
    std::erase_if(timers_, [&](const Timer& t) { return t.hwnd == hwnd; });
}

const TimerProc* ThreadQueue::FindTimerProc(HWND hwnd, UINT_PTR id) const {
    for (const Timer& t : timers_) {
        if (t.hwnd == hwnd && t.id == id) return t.proc ? &t.proc : nullptr;
    }
    return nullptr;
}

void ThreadQueue::Close() {
    std::deque<Message> posted;
    std::deque<std::shared_ptr<SendRecord>> inbox;
    {
        std::lock_guard lock(Mutex());
        closed_ = true;
        posted.swap(posted_);
        inbox.swap(inbox_);
        pendingSends_.store(0, std::memory_order_relaxed);
        WakeWaitersLocked();
    }
    for (auto& record : inbox)
        record->Complete(0, false);
    timers_.clear();
    // `posted` frees its payloads here: the receiver is gone.
}

ThreadQueue* ThisThreadQueue() {
    if (!t_queue.queue) CurrentQueue();
    return t_queue.queue.get();
}

std::shared_ptr<ThreadQueue> CurrentQueue() {
    if (!t_queue.queue) {
        auto queue = std::make_shared<ThreadQueue>(GetCurrentThreadId());
        QueueTable& t = Queues();
        std::lock_guard lock(t.mu);
        t.queues[queue->ThreadId()] = queue;
        t_queue.queue = std::move(queue);
    }
    return t_queue.queue;
}

std::shared_ptr<ThreadQueue> FindQueue(DWORD threadId) {
    QueueTable& t = Queues();
    std::lock_guard lock(t.mu);
    auto it = t.queues.find(threadId);
    return it == t.queues.end() ? nullptr : it->second;
}

void EndThreadMessageQueue() {
    std::shared_ptr<ThreadQueue> queue = std::move(t_queue.queue);
    if (!queue) return;
    {
        QueueTable& t = Queues();
        std::lock_guard lock(t.mu);
        t.queues.erase(queue->ThreadId());
    }
    DetachWindowsOf(queue.get());
    queue->Close();
}

}  // namespace detail

namespace {

thread_local MessageHooks t_hooks;

std::shared_ptr<detail::ThreadQueue> QueueOfWindow(HWND hwnd) {
    auto target = detail::FindWindow(hwnd);
    return target ? target->queue : nullptr;
}

bool PostTo(const std::shared_ptr<detail::ThreadQueue>& queue, HWND hwnd, UINT message,
            WPARAM wParam, LPARAM lParam, Payload& payload) {
    if (!queue) return false;
    Message msg{hwnd, message, wParam, lParam, GetTickCount(), std::move(payload)};
    if (queue->Post(msg)) return true;
    payload = std::move(msg.payload);  // still the caller's
    return false;
}

bool IsOwnWindowOrNone(HWND hwnd) {
    return !hwnd || Window::FromHandle(hwnd) != nullptr;
}

LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, int64_t deadline,
             bool* ok) {
    *ok = false;
    auto target = detail::FindWindow(hwnd);
    if (!target) return 0;
    detail::ThreadQueue* self = detail::ThisThreadQueue();
    if (target->queue.get() == self) {
        Message msg{hwnd, message, wParam, lParam, GetTickCount(), {}};
        *ok = true;
        return detail::CallWindowProc(target->window, msg);
    }
    auto record = std::make_shared<detail::SendRecord>();
    record->msg = Message{hwnd, message, wParam, lParam, GetTickCount(), {}};
    if (!target->queue->Deliver(record)) return 0;
    const bool serve = !(flags & SMTO_BLOCK);
    Waitable* const sources[] = {record.get(), self};
    const bool finished = WaitUntil(std::span(sources, serve ? 2 : 1), deadline, [&](int64_t&) {
        if (serve) self->ServeSentMessages();
        std::lock_guard lock(record->Mutex());
        return record->done;
    });
    if (!finished) {
        target->queue->Withdraw(record);
        return 0;
    }
    std::lock_guard lock(record->Mutex());
    *ok = record->delivered;
    return record->result;
}

}  // namespace

bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return PostMessage(hwnd, message, wParam, lParam, Payload());
}

bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, Payload&& payload) {
    if (!hwnd) {
        // Win32: a post to no window is a thread message to the caller.
        return PostTo(detail::CurrentQueue(), {}, message, wParam, lParam, payload);
    }
    return PostTo(QueueOfWindow(hwnd), hwnd, message, wParam, lParam, payload);
}

bool PostThreadMessage(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    return PostThreadMessage(threadId, message, wParam, lParam, Payload());
}

bool PostThreadMessage(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam,
                       Payload&& payload) {
    // Posting to oneself makes one's own queue, as any message call does.
    auto queue =
        threadId == GetCurrentThreadId() ? detail::CurrentQueue() : detail::FindQueue(threadId);
    return PostTo(queue, {}, message, wParam, lParam, payload);
}

void PostQuitMessage(int exitCode) {
    detail::ThisThreadQueue()->PostQuit(exitCode);
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    bool ok = false;
    return Send(hwnd, message, wParam, lParam, SMTO_NORMAL, kNoDeadline, &ok);
}

LRESULT SendMessageTimeout(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                           UINT timeoutMs, DWORD_PTR* result) {
    bool ok = false;
    const int64_t deadline = CurrentClock().NowMicros() + int64_t(timeoutMs) * 1000;
    const LRESULT value = Send(hwnd, message, wParam, lParam, flags, deadline, &ok);
    if (result) *result = ok ? DWORD_PTR(value) : 0;
    return ok ? 1 : 0;
}

int GetMessage(Message& msg, HWND filter, UINT min, UINT max) {
    detail::ThreadQueue* queue = detail::ThisThreadQueue();
    if (!IsOwnWindowOrNone(filter)) return -1;
    Waitable* const sources[] = {queue};
    for (;;) {
        // Registering as a waiter is only worth it when nothing is ready.
        int64_t wakeAt = kNoDeadline;
        bool got = queue->Next(msg, filter, min, max, true, wakeAt);
        if (!got && t_hooks.idle) {
            t_hooks.idle();
            // One wait, then the hook again: what woke the thread may have
            // changed what it reports.
            bool woken = false;
            WaitUntil(sources, kNoDeadline, [&](int64_t& nextWake) {
                got = queue->Next(msg, filter, min, max, true, nextWake);
                return got || std::exchange(woken, true);
            });
        } else if (!got) {
            WaitUntil(sources, kNoDeadline, [&](int64_t& nextWake) {
                got = queue->Next(msg, filter, min, max, true, nextWake);
                return got;
            });
        }
        if (!got) continue;
        if (t_hooks.retrieved) t_hooks.retrieved(msg);
        // A message left for a window destroyed since goes with its payload.
        if (msg.hwnd && !IsWindow(msg.hwnd)) continue;
        return msg.message == WM_QUIT ? 0 : 1;
    }
}

bool PeekMessage(Message& msg, HWND filter, UINT min, UINT max, UINT removeFlags) {
    detail::ThreadQueue* queue = detail::ThisThreadQueue();
    if (!IsOwnWindowOrNone(filter)) return false;
    const bool remove = (removeFlags & PM_REMOVE) != 0;
    for (;;) {
        int64_t wakeAt = kNoDeadline;
        if (!queue->Next(msg, filter, min, max, remove, wakeAt)) return false;
        if (remove && t_hooks.retrieved) t_hooks.retrieved(msg);
        if (remove && msg.hwnd && !IsWindow(msg.hwnd)) continue;
        return true;
    }
}

LRESULT DispatchMessage(Message& msg) {
    if (msg.message == WM_TIMER && msg.lParam != 0) {
        detail::ThreadQueue* queue = detail::ThisThreadQueue();
        if (const TimerProc* proc = queue->FindTimerProc(msg.hwnd, msg.wParam)) {
            TimerProc call = *proc;  // the procedure may kill its own timer
            call(msg.hwnd, WM_TIMER, msg.wParam, msg.time);
        }
        return 0;
    }
    if (!msg.hwnd) return 0;
    Window* window = Window::FromHandle(msg.hwnd);
    return window ? detail::CallWindowProc(window, msg) : 0;
}

void WaitMessage() {
    MsgWaitForMultipleObjects({}, INFINITE);
}

DWORD MsgWaitForMultipleObjects(std::span<Waitable* const> objects, DWORD timeoutMs,
                                DWORD /*wakeMask*/) {
    return MsgWaitForMultipleObjectsUntil(objects, DeadlineAfterMillis(timeoutMs));
}

DWORD MsgWaitForMultipleObjectsUntil(std::span<Waitable* const> objects, int64_t deadline) {
    if (std::find(objects.begin(), objects.end(), nullptr) != objects.end()) return WAIT_FAILED;
    detail::ThreadQueue* queue = detail::ThisThreadQueue();
    std::vector<Waitable*> sources(objects.begin(), objects.end());
    sources.push_back(queue);
    DWORD answer = WAIT_TIMEOUT;
    WaitUntil(sources, deadline, [&](int64_t& wakeAt) {
        for (size_t i = 0; i < objects.size(); ++i) {
            std::lock_guard lock(objects[i]->Mutex());
            if (objects[i]->IsSignaledLocked()) {
                objects[i]->AcquireLocked();
                answer = WAIT_OBJECT_0 + DWORD(i);
                return true;
            }
        }
        bool input;
        {
            std::lock_guard lock(queue->Mutex());
            input = queue->IsSignaledLocked();
        }
        if (input || queue->SourceHasMessage() || queue->TimerDue(wakeAt)) {
            answer = WAIT_OBJECT_0 + DWORD(objects.size());
            return true;
        }
        return false;
    });
    return answer;
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TimerProc proc) {
    if (!IsOwnWindowOrNone(hwnd)) return 0;
    return detail::ThisThreadQueue()->SetTimer(hwnd, id, elapseMs, std::move(proc));
}

bool KillTimer(HWND hwnd, UINT_PTR id) {
    return detail::ThisThreadQueue()->KillTimer(hwnd, id);
}

void SetThreadMessageSource(MessageSource source) {
    detail::ThisThreadQueue()->SetSource(std::move(source));
}

void SetThreadMessageHooks(MessageHooks hooks) {
    t_hooks = std::move(hooks);
}

bool WakeThreadQueue(DWORD threadId) {
    auto queue = detail::FindQueue(threadId);
    if (!queue) return false;
    queue->Wake();
    return true;
}

int RunMessageLoop() {
    Message msg;
    while (GetMessage(msg) > 0) {
        DispatchMessage(msg);
        msg.payload.Reset();
    }
    return int(msg.wParam);
}

int ModalLoop::Run(const std::function<bool(Message&)>& preTranslate, int quitResult) {
    running_ = true;
    ended_ = false;
    int answer = quitResult;
    while (!ended_) {
        Message msg;
        if (GetMessage(msg) == 0) {
            PostQuitMessage(int(msg.wParam));  // for the loop outside
            break;
        }
        if (!preTranslate || !preTranslate(msg)) DispatchMessage(msg);
    }
    if (ended_) answer = result_;
    running_ = false;
    ended_ = false;
    return answer;
}

void ModalLoop::End(int result) {
    if (!running_) return;
    ended_ = true;
    result_ = result;
    // Wake the loop if it is blocked in GetMessage.
    PostThreadMessage(GetCurrentThreadId(), WM_NULL);
}

}  // namespace platform
