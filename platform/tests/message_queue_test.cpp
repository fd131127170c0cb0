#include "platform/message_queue.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/sync.h"
#include "platform/tests/clock_driver.h"
#include "platform/tests/test_window.h"
#include "platform/thread.h"

namespace platform {
namespace {

using testing::CountedRecord;
using testing::LambdaWindow;
using testing::PumpPending;

constexpr UINT kNotice = WM_USER + 1001;

TEST(MessageNumbersTest, KeepTheirWin32Values) {
    EXPECT_EQ(kNotice, 2025u);
    EXPECT_EQ(WM_TIMER, 0x113u);
    EXPECT_EQ(WM_QUIT, 0x12u);
    EXPECT_EQ(WM_CLOSE, 0x10u);
    EXPECT_EQ(WM_DESTROY, 0x2u);
    EXPECT_EQ(WM_COPYDATA, 0x4Au);
}

TEST(PostMessageTest, PostedMessagesArriveInOrder) {
    std::vector<std::pair<UINT, WPARAM>> seen;
    LambdaWindow w([&](Message& m) {
        if (m.message >= WM_USER) seen.emplace_back(m.message, m.wParam);
        return 0;
    });
    ASSERT_TRUE(w.Create());
    for (WPARAM i = 0; i < 5; ++i)
        ASSERT_TRUE(PostMessage(w.Handle(), WM_USER + UINT(i % 2), i));
    EXPECT_EQ(PumpPending(), 5);
    ASSERT_EQ(seen.size(), 5u);
    for (WPARAM i = 0; i < 5; ++i) {
        EXPECT_EQ(seen[i].first, WM_USER + UINT(i % 2));
        EXPECT_EQ(seen[i].second, i);
    }
}

TEST(PostMessageTest, ThreadAndWindowMessagesShareOneOrder) {
    LambdaWindow w([](Message&) { return 0; });
    ASSERT_TRUE(w.Create());
    ASSERT_TRUE(PostThreadMessage(GetCurrentThreadId(), WM_USER, 1));
    ASSERT_TRUE(PostMessage(w.Handle(), WM_USER, 2));
    ASSERT_TRUE(PostMessage({}, WM_USER, 3));  // no window: a thread message
    Message msg;
    std::vector<std::pair<bool, WPARAM>> got;
    while (PeekMessage(msg, {}, 0, 0, PM_REMOVE))
        got.emplace_back(bool(msg.hwnd), msg.wParam);
    EXPECT_EQ(got, (std::vector<std::pair<bool, WPARAM>>{{false, 1}, {true, 2}, {false, 3}}));
}

TEST(PostMessageTest, PostToDeadWindowFailsAndThePosterKeepsThePayload) {
    std::atomic<int> freed{0};
    HWND dead;
    {
        LambdaWindow w;
        ASSERT_TRUE(w.Create());
        dead = w.Handle();
    }
    EXPECT_FALSE(IsWindow(dead));
    Payload payload = Payload::Make<CountedRecord>(&freed, 7);
    EXPECT_FALSE(PostMessage(dead, kNotice, 0, 0, std::move(payload)));
    ASSERT_TRUE(payload);
    EXPECT_EQ(payload.Get<CountedRecord>()->value, 7);
    EXPECT_EQ(freed, 0);
    payload.Reset();
    EXPECT_EQ(freed, 1);
    // A temporary payload of a failed post is freed at once.
    EXPECT_FALSE(PostMessage(dead, kNotice, 0, 0, Payload::Make<CountedRecord>(&freed)));
    EXPECT_EQ(freed, 2);
}

TEST(PostMessageTest, PostToEndedOrUnknownThreadFails) {
    std::atomic<int> freed{0};
    DWORD id = 0;
    {
        Thread t;
        ASSERT_TRUE(t.Start([] {
            Message msg;
            PeekMessage(msg, {}, 0, 0, PM_NOREMOVE);  // makes the queue
        }));
        id = t.Id();
    }
    Payload payload = Payload::Make<CountedRecord>(&freed);
    EXPECT_FALSE(PostThreadMessage(id, kNotice, 0, 0, std::move(payload)));
    EXPECT_TRUE(payload);
    EXPECT_FALSE(PostThreadMessage(0xFFFFFF00u, kNotice));
}

TEST(PostMessageTest, ReceiverOwnsThePayloadAndFreesItAfterDispatch) {
    std::atomic<int> freed{0};
    std::unique_ptr<CountedRecord> kept;
    LambdaWindow w([&](Message& m) {
        if (m.wParam == 1) kept = m.payload.Take<CountedRecord>();
        return 0;
    });
    ASSERT_TRUE(w.Create());
    ASSERT_TRUE(PostMessage(w.Handle(), kNotice, 0, 0, Payload::Make<CountedRecord>(&freed)));
    ASSERT_TRUE(PostMessage(w.Handle(), kNotice, 1, 0, Payload::Make<CountedRecord>(&freed)));
    EXPECT_EQ(freed, 0);
    PumpPending();
    EXPECT_EQ(freed, 1);  // the first, not taken
    ASSERT_TRUE(kept);
    kept.reset();
    EXPECT_EQ(freed, 2);
}

TEST(PostMessageTest, MessagesQueuedForAWindowDestroyedLaterAreDroppedWithTheirPayload) {
    std::atomic<int> freed{0};
    int handled = 0;
    auto w = std::make_unique<LambdaWindow>(
        [&](Message& m) { return m.message == kNotice ? ++handled : 0; });
    ASSERT_TRUE(w->Create());
    ASSERT_TRUE(PostMessage(w->Handle(), kNotice, 0, 0, Payload::Make<CountedRecord>(&freed)));
    w.reset();
    EXPECT_EQ(PumpPending(), 0);
    EXPECT_EQ(freed, 1);
    EXPECT_EQ(handled, 0);
}

TEST(PostMessageTest, PayloadTakeChecksTheType) {
    std::atomic<int> freed{0};
    Payload p = Payload::Make<CountedRecord>(&freed);
    EXPECT_FALSE(p.Holds<int>());
    EXPECT_EQ(p.Take<int>(), nullptr);
    EXPECT_TRUE(p);
    EXPECT_NE(p.Take<CountedRecord>(), nullptr);
    EXPECT_FALSE(p);
    EXPECT_EQ(freed, 1);
}

TEST(PostMessageTest, OrderHoldsAcrossThreads) {
    constexpr int kCount = 2000;
    Event ready(true, false);
    std::vector<WPARAM> got;
    Thread consumer;
    ASSERT_TRUE(consumer.Start([&] {
        Message msg;
        PeekMessage(msg, {}, 0, 0, PM_NOREMOVE);
        ready.Set();
        while (GetMessage(msg) > 0)
            got.push_back(msg.wParam);
    }));
    ASSERT_EQ(WaitForSingleObject(ready, INFINITE), WAIT_OBJECT_0);
    Thread producer2;
    ASSERT_TRUE(producer2.Start([&] {
        for (int i = 0; i < kCount; ++i)
            PostThreadMessage(consumer.Id(), WM_USER, 1'000'000 + i);
    }));
    for (int i = 0; i < kCount; ++i)
        ASSERT_TRUE(PostThreadMessage(consumer.Id(), WM_USER, i));
    producer2.Join();
    ASSERT_TRUE(PostThreadMessage(consumer.Id(), WM_QUIT));
    consumer.Join();
    ASSERT_EQ(got.size(), size_t(2 * kCount));
    // Each producer's messages keep their own order.
    WPARAM nextA = 0, nextB = 1'000'000;
    for (WPARAM v : got) {
        if (v < 1'000'000) {
            EXPECT_EQ(v, nextA++);
        } else {
            EXPECT_EQ(v, nextB++);
        }
    }
}

TEST(PostMessageTest, ThreadQueueExistsOnlyOnceTheThreadAsksForIt) {
    Event go(true, false), probed(true, false);
    Thread t;
    ASSERT_TRUE(t.Start([&] {
        WaitForSingleObject(go, INFINITE);
        Message msg;
        PeekMessage(msg, {}, 0, 0, PM_NOREMOVE);
        probed.Set();
        while (GetMessage(msg) > 0) {
        }
    }));
    EXPECT_FALSE(PostThreadMessage(t.Id(), 11026));
    go.Set();
    WaitForSingleObject(probed, INFINITE);
    EXPECT_TRUE(PostThreadMessage(t.Id(), 11026));
    EXPECT_TRUE(PostThreadMessage(t.Id(), WM_QUIT));
    t.Join();
}

TEST(PeekMessageTest, NoRemoveLeavesTheMessageAndItsPayload) {
    std::atomic<int> freed{0};
    ASSERT_TRUE(PostThreadMessage(GetCurrentThreadId(), WM_USER, 5, 0,
                                  Payload::Make<CountedRecord>(&freed)));
    Message msg;
    ASSERT_TRUE(PeekMessage(msg, {}, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 5u);
    EXPECT_FALSE(msg.payload);
    ASSERT_TRUE(PeekMessage(msg, {}, 0, 0, PM_REMOVE));
    EXPECT_TRUE(msg.payload.Holds<CountedRecord>());
    EXPECT_FALSE(PeekMessage(msg, {}, 0, 0, PM_REMOVE));
}

TEST(PeekMessageTest, RangeAndWindowFiltersPickMatchingMessages) {
    LambdaWindow a, b;
    ASSERT_TRUE(a.Create());
    ASSERT_TRUE(b.Create());
    PostMessage(a.Handle(), WM_USER + 1);
    PostMessage(b.Handle(), WM_USER + 2);
    PostMessage(a.Handle(), WM_USER + 3);
    Message msg;
    ASSERT_TRUE(PeekMessage(msg, b.Handle(), 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 2);
    ASSERT_TRUE(PeekMessage(msg, {}, WM_USER + 3, WM_USER + 3, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 3);
    ASSERT_TRUE(PeekMessage(msg, {}, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 1);
    EXPECT_FALSE(PeekMessage(msg, {}, 0, 0, PM_REMOVE));
}

TEST(QuitTest, QuitComesAfterPostedMessagesWithItsCode) {
    PumpPending();
    PostQuitMessage(42);
    PostThreadMessage(GetCurrentThreadId(), WM_USER, 1);
    Message msg;
    ASSERT_EQ(GetMessage(msg), 1);
    EXPECT_EQ(msg.message, WM_USER);
    ASSERT_EQ(GetMessage(msg), 0);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 42u);
}

TEST(QuitTest, RunMessageLoopAnswersTheQuitCode) {
    int handled = 0;
    LambdaWindow w([&](Message& m) {
        if (m.message == WM_USER) {
            ++handled;
            PostQuitMessage(9);
        }
        return 0;
    });
    ASSERT_TRUE(w.Create());
    PostMessage(w.Handle(), WM_USER);
    EXPECT_EQ(RunMessageLoop(), 9);
    EXPECT_EQ(handled, 1);
}

TEST(QuitTest, PostedQuitToAWindowEndsTheLoop) {
    LambdaWindow w;
    ASSERT_TRUE(w.Create());
    ASSERT_TRUE(PostMessage(w.Handle(), WM_QUIT));
    Message msg;
    EXPECT_EQ(GetMessage(msg), 0);
}

TEST(GetMessageTest, FilterOfAnotherThreadsWindowIsAnError) {
    HWND other;
    Event made(true, false), done(true, false);
    Thread t;
    ASSERT_TRUE(t.Start([&] {
        LambdaWindow w;
        w.Create();
        other = w.Handle();
        made.Set();
        WaitForSingleObject(done, INFINITE);
    }));
    WaitForSingleObject(made, INFINITE);
    Message msg;
    EXPECT_EQ(GetMessage(msg, other), -1);
    EXPECT_FALSE(PeekMessage(msg, other, 0, 0, PM_REMOVE));
    done.Set();
}

// --- Modal loops ---

TEST(ModalLoopTest, NestedLoopsEndInOrder) {
    std::vector<std::string> log;
    ModalLoop outer, inner;
    LambdaWindow w([&](Message& m) {
        switch (m.message) {
            case WM_USER + 1:  // opens the inner loop from inside the outer one
                PostMessage(m.hwnd, WM_USER + 2);
                log.push_back("inner=" + std::to_string(inner.Run()));
                break;
            case WM_USER + 2:  // ends the outer loop first, then the inner one
                outer.End(1);
                PostMessage(m.hwnd, WM_USER + 3);
                break;
            case WM_USER + 3:
                log.push_back(outer.Running() ? "outer still running" : "outer gone");
                inner.End(2);
                break;
        }
        return 0;
    });
    ASSERT_TRUE(w.Create());
    PostMessage(w.Handle(), WM_USER + 1);
    log.push_back("outer=" + std::to_string(outer.Run()));
    EXPECT_EQ(log, (std::vector<std::string>{"outer still running", "inner=2", "outer=1"}));
}

TEST(ModalLoopTest, QuitEndsEveryNestedLoopAndReachesTheMainLoop) {
    ModalLoop outer, inner;
    std::vector<int> results;
    LambdaWindow w([&](Message& m) {
        if (m.message == WM_USER) {
            PostQuitMessage(5);
            results.push_back(inner.Run({}, -7));
        }
        return 0;
    });
    ASSERT_TRUE(w.Create());
    PostMessage(w.Handle(), WM_USER);
    results.push_back(outer.Run({}, -8));
    EXPECT_EQ(results, (std::vector<int>{-7, -8}));
    Message msg;
    ASSERT_EQ(GetMessage(msg), 0);
    EXPECT_EQ(msg.wParam, 5u);
}

TEST(ModalLoopTest, PreTranslateSeesMessagesFirst) {
    ModalLoop loop;
    int dispatched = 0, filtered = 0;
    LambdaWindow w([&](Message& m) { return m.message >= WM_USER ? ++dispatched : 0; });
    ASSERT_TRUE(w.Create());
    PostMessage(w.Handle(), WM_USER);
    PostMessage(w.Handle(), WM_USER + 1);
    PostMessage(w.Handle(), WM_APP);
    const int result = loop.Run([&](Message& m) {
        if (m.message == WM_APP) {
            loop.End(3);
            return true;
        }
        if (m.message == WM_USER + 1) {
            ++filtered;
            return true;
        }
        return false;
    });
    EXPECT_EQ(result, 3);
    EXPECT_EQ(dispatched, 1);
    EXPECT_EQ(filtered, 1);
}

// --- MsgWaitForMultipleObjects ---

TEST(MsgWaitTest, AnswersTheSignalledObjectOrInput) {
    PumpPending();
    Event a(false, false), b(true, false);
    Waitable* const objects[] = {&a, &b};
    b.Set();
    EXPECT_EQ(MsgWaitForMultipleObjects(objects, 0), WAIT_OBJECT_0 + 1);
    b.Reset();
    EXPECT_EQ(MsgWaitForMultipleObjects(objects, 0), WAIT_TIMEOUT);
    PostThreadMessage(GetCurrentThreadId(), WM_USER);
    EXPECT_EQ(MsgWaitForMultipleObjects(objects, 0), WAIT_OBJECT_0 + 2);
    PumpPending();
    a.Set();
    EXPECT_EQ(MsgWaitForMultipleObjects(objects, 0), WAIT_OBJECT_0);
    EXPECT_EQ(MsgWaitForMultipleObjects(objects, 0), WAIT_TIMEOUT);  // auto reset
}

TEST(MsgWaitTest, WakesForAPostFromAnotherThread) {
    Event never(true, false);
    Waitable* const objects[] = {&never};
    const DWORD self = GetCurrentThreadId();
    PumpPending();
    Thread poster;
    ASSERT_TRUE(poster.Start([&] { PostThreadMessage(self, WM_USER, 77); }));
    EXPECT_EQ(MsgWaitForMultipleObjects(objects, INFINITE), WAIT_OBJECT_0 + 1);
    Message msg;
    ASSERT_TRUE(PeekMessage(msg, {}, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 77u);
}

TEST(MsgWaitTest, TimesOutOnTheProcessClock) {
    ManualClock clock(1'000'000);
    ScopedClock scope(clock);
    Event never(true, false);
    DWORD answer = 0;
    const int64_t took = testing::ClockTimeOf(clock, 100, [&] {
        Waitable* const objects[] = {&never};
        answer = MsgWaitForMultipleObjects(objects, 3000);
    });
    EXPECT_EQ(answer, WAIT_TIMEOUT);
    EXPECT_GE(took, 3'000'000);
}

// --- On-demand messages (the window system's WM_PAINT) ---

TEST(MessageSourceTest, ComesAfterPostedMessagesAndBeforeTimers) {
    ManualClock clock(0);
    ScopedClock scope(clock);
    constexpr UINT kPaint = 0x000F;
    int invalid = 1;
    std::vector<UINT> order;
    LambdaWindow w([&](Message& m) {
        if (m.message >= WM_USER || m.message == kPaint || m.message == WM_TIMER) {
            order.push_back(m.message);
        }
        if (m.message == kPaint) invalid = 0;
        return 0;
    });
    ASSERT_TRUE(w.Create());
    SetThreadMessageSource([&](Message& out, HWND filter, UINT min, UINT max, bool) {
        if (!invalid || (filter && filter != w.Handle())) return false;
        if (!(min == 0 && max == 0) && (kPaint < min || kPaint > max)) return false;
        out = Message{w.Handle(), kPaint, 0, 0, GetTickCount(), {}};
        return true;
    });
    SetTimer(w.Handle(), 1, 10);
    clock.AdvanceMillis(10);
    PostMessage(w.Handle(), WM_USER);
    PumpPending();
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER, kPaint, WM_TIMER}));
    SetThreadMessageSource(nullptr);
    w.Destroy();
}

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

}  // namespace
}  // namespace platform
