#pragma once
// Per-thread message queues: posting and sending to windows and threads,
// retrieving and dispatching, timers per (window, id), WM_QUIT and nested
// modal loops. Win32 semantics:
// - a queue is made for a thread by its first message call; it goes away
//   with the thread, after which posts to it fail;
// - a post moves its payload into the queue only when it succeeds;
// - a send to a window of the same thread calls the handler directly; across
//   threads the sender waits and meanwhile serves messages sent to it, so
//   two threads sending to each other do not deadlock;
// - WM_QUIT comes after the posted messages, WM_TIMER after everything else;
//   a timer is due `elapse` ms (process clock) after it was set or last fired.

#include <functional>
#include <span>

#include "platform/message.h"
#include "platform/waitable.h"
#include "platform/win_types.h"

namespace platform {

using TimerProc = std::function<void(HWND hwnd, UINT message, UINT_PTR id, DWORD time)>;

bool PostMessage(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, Payload&& payload);
bool PostThreadMessage(DWORD threadId, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
bool PostThreadMessage(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam,
                       Payload&& payload);
// Asks the calling thread's message loop to end with `exitCode`.
void PostQuitMessage(int exitCode);

// The handler's result; 0 when the window does not exist or its thread ended.
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// Non-zero when the handler ran within `timeoutMs` (process clock); its
// result goes to *result. A send that timed out before the receiver took it
// is withdrawn; one already running finishes with its result dropped.
LRESULT SendMessageTimeout(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                           UINT timeoutMs, DWORD_PTR* result);

// > 0 with a message, 0 with WM_QUIT, -1 when `filter` is not a window of
// this thread. min/max 0/0 take every message number.
int GetMessage(Message& msg, HWND filter = {}, UINT min = 0, UINT max = 0);
// Does not wait. With PM_NOREMOVE the message stays queued and `msg` gets
// no payload.
bool PeekMessage(Message& msg, HWND filter, UINT min, UINT max, UINT removeFlags);
// Hands the message to its window's handler (or to the timer's procedure);
// thread messages go nowhere. Answers the handler's result.
LRESULT DispatchMessage(Message& msg);
// Blocks until the queue holds input.
void WaitMessage();
// Like WaitForMultipleObjects (any one object) but also returns
// WAIT_OBJECT_0 + objects.size() when the calling thread's queue holds input
// (posted or sent messages, WM_QUIT, a due timer). `wakeMask` is accepted
// for every kind of input.
// The same with an absolute deadline on the process clock.
DWORD MsgWaitForMultipleObjectsUntil(std::span<Waitable* const> objects, int64_t deadline);
DWORD MsgWaitForMultipleObjects(std::span<Waitable* const> objects, DWORD timeoutMs,
                                DWORD wakeMask = QS_ALLINPUT);

// hwnd must belong to the calling thread. With a window: the timer is
// (hwnd, id), setting it again restarts it, and the answer is id (0 when id
// is 0 or hwnd is not ours). Without one: a thread timer whose new id is
// answered. An elapse below 1 ms counts as 1 ms. With `proc`, DispatchMessage
// calls it instead of the window's handler.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TimerProc proc = {});
bool KillTimer(HWND hwnd, UINT_PTR id);

// For the window system: messages made on demand (WM_PAINT for invalid
// windows, say). The calling thread's source is asked after its posted
// messages and WM_QUIT and before its timers, with the caller's filter; it
// fills `out` and answers true when it has one (taking it when `remove`).
// A thread whose source gains a message from elsewhere is woken with
// WakeThreadQueue so that a blocked GetMessage asks again.
using MessageSource =
    std::function<bool(Message& out, HWND filter, UINT min, UINT max, bool remove)>;
void SetThreadMessageSource(MessageSource source);
bool WakeThreadQueue(DWORD threadId);

// The calling thread's retrieval hooks (Win32's WH_GETMESSAGE and
// WH_FOREGROUNDIDLE): `retrieved` sees every message GetMessage or PeekMessage
// with PM_REMOVE hands out, before the caller does; `idle` runs whenever
// GetMessage has nothing to hand out and is about to wait, and again after
// each wake that brought nothing. Empty hooks remove them.
struct MessageHooks {
    std::function<void(const Message&)> retrieved;
    std::function<void()> idle;
};
void SetThreadMessageHooks(MessageHooks hooks);
// GetMessage / DispatchMessage until WM_QUIT; answers its exit code.
int RunMessageLoop();

// A nested message loop (a modal dialog's). Run() dispatches until End() is
// called on this loop, or until WM_QUIT arrives, which it posts again for the
// outer loop. A loop ended while an inner one runs returns once the inner one
// has returned.
class ModalLoop {
  public:
    // Answers the End() value, or `quitResult` when WM_QUIT ended it.
    // `preTranslate` sees each message first; true means it was handled.
    int Run(const std::function<bool(Message&)>& preTranslate = {}, int quitResult = -1);
    void End(int result);
    bool Running() const { return running_; }

  private:
    bool running_ = false;
    bool ended_ = false;
    int result_ = 0;
};

}  // namespace platform
