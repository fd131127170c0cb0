#include "platform/thread.h"

#include <gtest/gtest.h>

#include <atomic>

#include "platform/tests/test_window.h"

namespace platform {
namespace {

TEST(ThreadTest, BodyRunsOnceWithTheIdKnownBeforehandAndSignalsItsEnd) {
    std::atomic<DWORD> inside{0};
    Event release(true, false);
    Thread t, other;
    EXPECT_EQ(t.Id(), 0u);
    EXPECT_FALSE(t.Start({}));
    ASSERT_TRUE(t.Start([&] {
        inside = GetCurrentThreadId();
        WaitForSingleObject(release, INFINITE);
    }));
    EXPECT_FALSE(t.Start([] {}));
    ASSERT_TRUE(other.Start([] {}));
    EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_TIMEOUT);
    release.Set();
    EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_OBJECT_0);  // stays signalled
    EXPECT_EQ(inside, t.Id());
    EXPECT_NE(t.Id(), GetCurrentThreadId());
    EXPECT_NE(t.Id(), other.Id());
    EXPECT_EQ(GetCurrentThreadId(), GetCurrentThreadId());
}

// A thread's queue lives from its first message call to its end; its
// windows and its queued payloads go with it.
TEST(ThreadTest, QueueAndWindowsLiveFromTheFirstMessageCallToTheThreadsEnd) {
    std::atomic<HWND> window{};
    std::atomic<int> freed{0};
    Event go(true, false), made(true, false), mayEnd(true, false);
    Thread t;
    ASSERT_TRUE(t.Start([&] {
        WaitForSingleObject(go, INFINITE);
        Message msg;
        PeekMessage(msg, {}, 0, 0, PM_NOREMOVE);
        // Left alive on purpose: the thread's end retires the handle.
        static testing::LambdaWindow* leaked = nullptr;
        leaked = new testing::LambdaWindow;
        leaked->Create();
        window = leaked->Handle();
        made.Set();
        WaitForSingleObject(mayEnd, INFINITE);
        delete std::exchange(leaked, nullptr);
    }));
    EXPECT_FALSE(PostThreadMessage(t.Id(), 11026));
    go.Set();
    WaitForSingleObject(made, INFINITE);
    EXPECT_TRUE(PostThreadMessage(t.Id(), 11026));
    EXPECT_EQ(GetWindowThreadId(window.load()), t.Id());
    // Queued but never retrieved: the payload is freed when the queue goes.
    ASSERT_TRUE(
        PostMessage(window.load(), WM_USER, 0, 0, Payload::Make<testing::CountedRecord>(&freed)));
    mayEnd.Set();
    t.Join();
    EXPECT_FALSE(IsWindow(window.load()));
    EXPECT_EQ(freed, 1);
    Payload payload = Payload::Make<testing::CountedRecord>(&freed);
    EXPECT_FALSE(PostThreadMessage(t.Id(), WM_USER, 0, 0, std::move(payload)));
    EXPECT_TRUE(payload);  // a failed post leaves it with the poster
    // The queue of a plain std::thread goes at its end too.
    std::atomic<DWORD> id{0};
    std::thread plain([&] {
        Message msg;
        PeekMessage(msg, {}, 0, 0, PM_NOREMOVE);
        id = GetCurrentThreadId();
    });
    plain.join();
    EXPECT_FALSE(PostThreadMessage(id, WM_USER));
}

}  // namespace
}  // namespace platform
