// Windows and the threads that own them.

#include "platform/window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/tests/test_window.h"
#include "platform/thread.h"

namespace platform {
namespace {

using testing::LambdaWindow;

TEST(WindowTest, HandlesAreLiveOnceCreatedOwnedByTheThreadAndNeverReused) {
    HWND first;
    {
        LambdaWindow w;
        EXPECT_FALSE(w.Handle());
        ASSERT_TRUE(w.Create());
        EXPECT_FALSE(w.Create());  // once
        first = w.Handle();
        EXPECT_TRUE(IsWindow(first));
        EXPECT_EQ(Window::FromHandle(first), &w);
        EXPECT_EQ(GetWindowThreadId(first), GetCurrentThreadId());
        EXPECT_EQ(w.ThreadId(), GetCurrentThreadId());
        EXPECT_EQ(HwndFromParam(ToWParam(first)), first);
        EXPECT_EQ(HwndFromParam(uintptr_t(ToLParam(first))), first);
    }
    LambdaWindow again;
    ASSERT_TRUE(again.Create());
    EXPECT_NE(again.Handle(), first);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_FALSE(IsWindow(HWND{}));
    EXPECT_FALSE(LambdaWindow().Create(HWND{0x7FFFFFFF}));  // no such parent
    // WM_CLOSE's default destroys the window.
    PostMessage(again.Handle(), WM_CLOSE);
    testing::PumpPending();
    EXPECT_FALSE(IsWindow(again.Handle()));
}

TEST(WindowTest, CreateHandlerAnsweringMinusOneUndoesTheWindow) {
    std::vector<UINT> seen;
    LambdaWindow w([&](Message& m) -> LRESULT {
        seen.push_back(m.message);
        return m.message == WM_CREATE ? -1 : 0;
    });
    EXPECT_FALSE(w.Create());
    EXPECT_FALSE(w.Handle());
    EXPECT_EQ(seen, (std::vector<UINT>{WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
}

TEST(WindowTest, DestroyTellsParentThenChildrenAndRetiresEveryHandle) {
    std::vector<std::string> log;
    auto logger = [&](const std::string& name) {
        return [&log, name](Message& m) -> LRESULT {
            if (m.message == WM_DESTROY) {
                log.push_back(name + ":destroy");
                EXPECT_FALSE(DestroyWindow(m.hwnd));  // ignored while destroying
            }
            if (m.message == WM_NCDESTROY) log.push_back(name + ":ncdestroy");
            return 0;
        };
    };
    LambdaWindow parent(logger("p")), a(logger("a")), b(logger("b")), a1(logger("a1")),
        gone(logger("c"));
    ASSERT_TRUE(parent.Create());
    ASSERT_TRUE(a.Create(parent.Handle()));
    ASSERT_TRUE(b.Create(parent.Handle()));
    ASSERT_TRUE(gone.Create(parent.Handle()));
    ASSERT_TRUE(a1.Create(a.Handle()));
    gone.Destroy();
    log.clear();
    EXPECT_EQ(parent.Children(), (std::vector<HWND>{a.Handle(), b.Handle()}));
    EXPECT_EQ(GetParent(a1.Handle()), a.Handle());
    EXPECT_EQ(GetParent(parent.Handle()), HWND{});
    const HWND handles[] = {parent.Handle(), a.Handle(), b.Handle(), a1.Handle()};
    ASSERT_TRUE(DestroyWindow(parent.Handle()));
    EXPECT_EQ(log, (std::vector<std::string>{"p:destroy", "b:destroy", "b:ncdestroy", "a:destroy",
                                             "a1:destroy", "a1:ncdestroy", "a:ncdestroy",
                                             "p:ncdestroy"}));
    for (HWND h : handles)
        EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(DestroyWindow(parent.Handle()));
}

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
