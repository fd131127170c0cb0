#include "platform/thread.h"

#include <gtest/gtest.h>

#include <atomic>

#include "platform/message_queue.h"
#include "platform/sync.h"
#include "platform/tests/test_window.h"

namespace platform {
namespace {

TEST(ThreadTest, BodyRunsWithTheIdKnownBeforehand) {
    std::atomic<DWORD> inside{0};
    Thread t;
    EXPECT_EQ(t.Id(), 0u);
    ASSERT_TRUE(t.Start([&] { inside = GetCurrentThreadId(); }));
    const DWORD id = t.Id();
    t.Join();
    EXPECT_NE(id, 0u);
    EXPECT_EQ(inside, id);
    EXPECT_NE(id, GetCurrentThreadId());
}

TEST(ThreadTest, ThreadIdsAreDistinctAndStable) {
    const DWORD mine = GetCurrentThreadId();
    EXPECT_EQ(GetCurrentThreadId(), mine);
    Thread a, b;
    ASSERT_TRUE(a.Start([] {}));
    ASSERT_TRUE(b.Start([] {}));
    EXPECT_NE(a.Id(), b.Id());
    EXPECT_NE(a.Id(), mine);
}

TEST(ThreadTest, StartingTwiceOrWithoutABodyFails) {
    Thread t;
    EXPECT_FALSE(t.Start({}));
    ASSERT_TRUE(t.Start([] {}));
    EXPECT_FALSE(t.Start([] {}));
}

TEST(ThreadTest, IsSignalledOnceTheBodyHasEnded) {
    Event release(true, false);
    Thread t;
    ASSERT_TRUE(t.Start([&] { WaitForSingleObject(release, INFINITE); }));
    EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_TIMEOUT);
    release.Set();
    EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_OBJECT_0);  // stays signalled
}

TEST(ThreadTest, StopIsSignalThenJoin) {
    // The transport's worker pattern: a stop event plus WM_QUIT to its window.
    Event stop(true, false), ready(true, false);
    std::atomic<HWND> window{};
    std::atomic<bool> leftLoop{false};
    Thread worker;
    ASSERT_TRUE(worker.Start([&] {
        testing::LambdaWindow hidden;
        hidden.Create();
        window = hidden.Handle();
        ready.Set();
        Message msg;
        while (GetMessage(msg) > 0)
            DispatchMessage(msg);
        leftLoop = true;
    }));
    WaitForSingleObject(ready, INFINITE);
    stop.Set();
    ASSERT_TRUE(PostMessage(window.load(), WM_QUIT));
    worker.Join();
    EXPECT_TRUE(leftLoop);
    EXPECT_FALSE(IsWindow(window.load()));
}

TEST(ThreadTest, WindowsAndQueueGoWithTheThread) {
    std::atomic<HWND> window{};
    std::atomic<int> freed{0};
    Event made(true, false), mayEnd(true, false);
    Thread t;
    ASSERT_TRUE(t.Start([&] {
        // Left alive on purpose: the thread's end retires the handle.
        static testing::LambdaWindow* leaked = nullptr;
        leaked = new testing::LambdaWindow;
        leaked->Create();
        window = leaked->Handle();
        made.Set();
        WaitForSingleObject(mayEnd, INFINITE);
        delete std::exchange(leaked, nullptr);
    }));
    WaitForSingleObject(made, INFINITE);
    EXPECT_EQ(GetWindowThreadId(window.load()), t.Id());
    // Queued but never retrieved: the payload is freed when the queue goes.
    ASSERT_TRUE(
        PostMessage(window.load(), WM_USER, 0, 0, Payload::Make<testing::CountedRecord>(&freed)));
    mayEnd.Set();
    t.Join();
    EXPECT_FALSE(IsWindow(window.load()));
    EXPECT_EQ(freed, 1);
    EXPECT_FALSE(PostThreadMessage(t.Id(), WM_USER));
}

TEST(ThreadTest, QueueOfAPlainStdThreadGoesAtItsEnd) {
    std::atomic<DWORD> id{0};
    std::thread t([&] {
        Message msg;
        PeekMessage(msg, {}, 0, 0, PM_NOREMOVE);
        id = GetCurrentThreadId();
    });
    t.join();
    EXPECT_FALSE(PostThreadMessage(id, WM_USER));
}

}  // namespace
}  // namespace platform
