#include "platform/message_queue.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/tests/clock_driver.h"
#include "platform/tests/test_window.h"

namespace platform {
namespace {

using testing::CountedRecord;
using testing::LambdaWindow;
using testing::PumpPending;

// Message numbers cross the hall link: they keep Win32's values.
static_assert(WM_TIMER == 0x113 && WM_QUIT == 0x12 && WM_CLOSE == 0x10 && WM_DESTROY == 0x2 &&
              WM_COPYDATA == 0x4A && WM_USER + 1001 == 2025);

TEST(PostMessageTest, OneOrderForThreadAndWindowMessagesAndFiltersPickFromIt) {
    LambdaWindow a, b;
    ASSERT_TRUE(a.Create());
    ASSERT_TRUE(b.Create());
    ASSERT_TRUE(PostThreadMessage(GetCurrentThreadId(), WM_USER, 1));
    ASSERT_TRUE(PostMessage(a.Handle(), WM_USER + 1, 2));
    ASSERT_TRUE(PostMessage({}, WM_USER, 3));  // no window: a thread message
    ASSERT_TRUE(PostMessage(b.Handle(), WM_USER + 2, 4));
    ASSERT_TRUE(PostMessage(a.Handle(), WM_USER + 3, 5));
    Message msg;
    ASSERT_TRUE(PeekMessage(msg, {}, 0, 0, PM_NOREMOVE));  // stays queued
    EXPECT_EQ(msg.wParam, 1u);
    ASSERT_TRUE(PeekMessage(msg, b.Handle(), 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 4u);
    ASSERT_TRUE(PeekMessage(msg, {}, WM_USER + 3, WM_USER + 3, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 5u);
    std::vector<std::pair<bool, WPARAM>> rest;
    while (PeekMessage(msg, {}, 0, 0, PM_REMOVE))
        rest.emplace_back(bool(msg.hwnd), msg.wParam);
    EXPECT_EQ(rest, (std::vector<std::pair<bool, WPARAM>>{{false, 1}, {true, 2}, {false, 3}}));
}

TEST(PostMessageTest, PayloadsBelongToTheQueueOnlyWhenThePostSucceeds) {
    std::atomic<int> freed{0};
    std::unique_ptr<CountedRecord> kept;
    auto live = std::make_unique<LambdaWindow>([&](Message& m) {
        if (m.wParam == 1) kept = m.payload.Take<CountedRecord>();
        return 0;
    });
    ASSERT_TRUE(live->Create());
    const HWND dead = testing::WindowThread([](Message&) -> LRESULT { return 0; }).hwnd();  // gone
    // A failed post leaves the payload with the poster; a temporary one is freed.
    Payload payload = Payload::Make<CountedRecord>(&freed, 7);
    EXPECT_FALSE(PostMessage(dead, WM_USER, 0, 0, std::move(payload)));
    ASSERT_TRUE(payload);
    EXPECT_EQ(payload.Get<CountedRecord>()->value, 7);
    EXPECT_FALSE(PostThreadMessage(0xFFFFFF00u, WM_USER, 0, 0, std::move(payload)));
    EXPECT_EQ(freed, 0);
    EXPECT_FALSE(PostMessage(dead, WM_USER, 0, 0, Payload::Make<CountedRecord>(&freed)));
    EXPECT_EQ(freed, 1);
    // The receiver frees what it did not take; a window destroyed with
    // messages queued frees theirs unhandled.
    ASSERT_TRUE(PostMessage(live->Handle(), WM_USER, 0, 0, std::move(payload)));
    ASSERT_TRUE(PostMessage(live->Handle(), WM_USER, 1, 0, Payload::Make<CountedRecord>(&freed)));
    PumpPending();
    EXPECT_EQ(freed, 2);
    ASSERT_TRUE(kept);
    kept.reset();
    EXPECT_EQ(freed, 3);
    ASSERT_TRUE(PostMessage(live->Handle(), WM_USER, 1, 0, Payload::Make<CountedRecord>(&freed)));
    live.reset();
    EXPECT_EQ(PumpPending(), 0);
    EXPECT_EQ(freed, 4);
    EXPECT_FALSE(kept);
}

TEST(QuitTest, QuitComesAfterPostedMessagesAndEndsEveryLoopWithItsCode) {
    int handled = 0;
    std::vector<int> results;
    ModalLoop outer, inner;
    LambdaWindow w([&](Message& m) {
        if (m.message == WM_USER && ++handled == 1) PostQuitMessage(9);
        if (m.message == WM_USER + 1) {  // a quit ends nested loops and reaches the main one
            PostQuitMessage(5);
            results.push_back(inner.Run({}, -7));
        }
        return 0;
    });
    ASSERT_TRUE(w.Create());
    PostQuitMessage(42);
    PostMessage(w.Handle(), WM_USER);
    Message msg;
    ASSERT_EQ(GetMessage(msg), 1);
    EXPECT_EQ(msg.message, WM_USER);
    ASSERT_EQ(GetMessage(msg), 0);
    EXPECT_EQ(msg.wParam, 42u);
    PostMessage(w.Handle(), WM_USER);
    EXPECT_EQ(RunMessageLoop(), 9);
    ASSERT_TRUE(PostMessage(w.Handle(), WM_QUIT));  // posted to a window: ends a loop too
    EXPECT_EQ(GetMessage(msg), 0);
    PostMessage(w.Handle(), WM_USER + 1);
    results.push_back(outer.Run({}, -8));
    EXPECT_EQ(results, (std::vector<int>{-7, -8}));
    ASSERT_EQ(GetMessage(msg), 0);
    EXPECT_EQ(msg.wParam, 5u);
}

TEST(GetMessageTest, FilterOfAnotherThreadsWindowIsAnError) {
    testing::WindowThread other([](Message&) -> LRESULT { return 0; });
    Message msg;
    EXPECT_EQ(GetMessage(msg, other.hwnd()), -1);
    EXPECT_FALSE(PeekMessage(msg, other.hwnd(), 0, 0, PM_REMOVE));
}

// On-demand messages, as the window system's WM_PAINT: WakeThreadQueue makes
// a blocked GetMessage ask the source again.
TEST(MessageSourceTest, WakeThreadQueueMakesABlockedGetMessageAskAgain) {
    std::atomic<bool> pending{false};
    Event ready(true, false);
    std::atomic<UINT> got{0};
    Thread t;
    ASSERT_TRUE(t.Start([&] {
        SetThreadMessageSource([&](Message& out, HWND, UINT, UINT, bool remove) {
            if (!pending) return false;
            if (remove) pending = false;
            out = Message{{}, WM_APP + 1, 0, 0, 0, {}};
            return true;
        });
        ready.Set();
        Message msg;
        if (GetMessage(msg) > 0) got = msg.message;
    }));
    WaitForSingleObject(ready, INFINITE);
    pending = true;
    EXPECT_TRUE(WakeThreadQueue(t.Id()));
    t.Join();
    EXPECT_EQ(got, WM_APP + 1);
    EXPECT_FALSE(WakeThreadQueue(t.Id()));
}

// The retrieval hooks: every message taken passes `retrieved` first (those
// PeekMessage only looks at do not), and `idle` runs each time GetMessage
// has nothing and waits, so a thread that rests can say so.
TEST(MessageHooksTest, RetrievedSeesEachMessageTakenAndIdleEachWaitForNothing) {
    std::vector<UINT> seen;  // the thread's own record; 0: idle
    Event idle(false, false);
    Thread t;
    ASSERT_TRUE(t.Start([&] {
        auto rest = [&] { seen.push_back(0), idle.Set(); };
        SetThreadMessageHooks({[&](const Message& m) { seen.push_back(m.message); }, rest});
        PostMessage({}, WM_APP + 1);
        PostMessage({}, WM_APP + 2);
        Message msg;
        PeekMessage(msg, {}, 0, 0, PM_NOREMOVE);  // looked at, not taken
        PeekMessage(msg, {}, 0, 0, PM_REMOVE);
        while (GetMessage(msg) > 0) {
        }
        SetThreadMessageHooks({});
        PostMessage({}, WM_APP + 9);
        PeekMessage(msg, {}, 0, 0, PM_REMOVE);  // no hooks any more
    }));
    WaitForSingleObject(idle, INFINITE);
    PostThreadMessage(t.Id(), WM_APP + 3);
    WaitForSingleObject(idle, INFINITE);
    PostThreadMessage(t.Id(), WM_QUIT);
    t.Join();
    EXPECT_EQ(seen, (std::vector<UINT>{WM_APP + 1, WM_APP + 2, 0, WM_APP + 3, 0, WM_QUIT}));
}

}  // namespace
}  // namespace platform
