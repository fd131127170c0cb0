#pragma once
// Helpers for the message and window tests: a window whose handler is a
// lambda, a thread that owns one and runs its loop, and a payload that counts
// its own destruction. Every test starts with an empty queue on the main
// thread, whatever an earlier test left there (a modal loop's wake-up, say).

#include <gtest/gtest.h>

#include <atomic>
#include <functional>

#include "platform/message_queue.h"
#include "platform/sync.h"
#include "platform/thread.h"
#include "platform/window.h"

namespace platform::testing {

class LambdaWindow : public Window {
  public:
    using Handler = std::function<LRESULT(Message&)>;
    LambdaWindow() = default;
    explicit LambdaWindow(Handler handler) : handler_(std::move(handler)) {}
    ~LambdaWindow() override { Destroy(); }
    void SetHandler(Handler handler) { handler_ = std::move(handler); }

  protected:
    LRESULT WindowProc(Message& msg) override {
        return handler_ ? handler_(msg) : DefWindowProc(msg);
    }

  private:
    Handler handler_;
};

// A thread that owns one window and runs its message loop until WM_QUIT.
class WindowThread {
  public:
    explicit WindowThread(LambdaWindow::Handler handler) {
        Event made(true, false);
        thread_.Start([this, &made, handler = std::move(handler)] {
            LambdaWindow w(handler);
            w.Create();
            hwnd_ = w.Handle();
            made.Set();
            RunMessageLoop();
        });
        WaitForSingleObject(made, INFINITE);
    }
    ~WindowThread() { Stop(); }
    void Stop() {
        PostThreadMessage(thread_.Id(), WM_QUIT);
        thread_.Join();
    }
    HWND hwnd() const { return hwnd_; }
    DWORD id() const { return thread_.Id(); }

  private:
    Thread thread_;
    HWND hwnd_;
};

// A heap record that counts how many of its kind were destroyed.
struct CountedRecord {
    explicit CountedRecord(std::atomic<int>* counter, int value = 0)
        : counter(counter), value(value) {}
    ~CountedRecord() { ++*counter; }
    std::atomic<int>* counter;
    int value;
};

// Runs the calling thread's queue until it is empty, dispatching everything.
inline int PumpPending() {
    int n = 0;
    Message msg;
    while (PeekMessage(msg, {}, 0, 0, PM_REMOVE)) {
        DispatchMessage(msg);
        ++n;
    }
    return n;
}

class QueueDrain : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        Message msg;
        while (PeekMessage(msg, {}, 0, 0, PM_REMOVE)) {
        }
    }
};
inline const bool kQueueDrainInstalled = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new QueueDrain);
    return true;
}();

}  // namespace platform::testing
