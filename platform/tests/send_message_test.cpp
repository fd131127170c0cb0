#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "platform/message_queue.h"
#include "platform/tests/clock_driver.h"
#include "platform/tests/test_window.h"

namespace platform {
namespace {

using testing::LambdaWindow;
using testing::WindowThread;

TEST(SendMessageTest, SameThreadSendCallsTheHandlerDirectlyAndReentrantly) {
    int depth = 0, maxDepth = 0;
    LambdaWindow w;
    w.SetHandler([&](Message& m) -> LRESULT {
        maxDepth = std::max(maxDepth, ++depth);
        LRESULT r = m.wParam;
        if (m.wParam > 0) r += SendMessage(m.hwnd, WM_USER, m.wParam - 1);
        --depth;
        return r;
    });
    ASSERT_TRUE(w.Create());
    EXPECT_EQ(SendMessage(w.Handle(), WM_USER, 4), 4 + 3 + 2 + 1 + 0);
    EXPECT_EQ(maxDepth, 5);
}

TEST(SendMessageTest, CrossThreadSendRunsOnTheOwnerWithTheSendersData) {
    std::string seen;
    WindowThread peer([&](Message& m) -> LRESULT {
        if (m.message == WM_COPYDATA) {
            auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(m.lParam);
            seen.assign(static_cast<const char*>(cds->lpData), cds->cbData);
        }
        return m.message >= WM_USER ? LRESULT(GetCurrentThreadId()) * 1000 + LRESULT(m.wParam) : 1;
    });
    EXPECT_EQ(SendMessage(peer.hwnd(), WM_USER, 17), LRESULT(peer.id()) * 1000 + 17);
    DWORD_PTR result = 0;
    EXPECT_NE(SendMessageTimeout(peer.hwnd(), WM_USER, 5, 0, SMTO_NORMAL, 5000, &result), 0);
    EXPECT_EQ(result, DWORD_PTR(peer.id()) * 1000 + 5);
    const std::string text = "table 12";
    COPYDATASTRUCT cds{2, DWORD(text.size()), text.data()};
    EXPECT_EQ(SendMessage(peer.hwnd(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)), 1);
    EXPECT_EQ(seen, text);
}

TEST(SendMessageTest, ThreadsSendingToEachOtherAllFinish) {
    // Every thread sends to every other; each handler forwards once more to a
    // third window, so threads are blocked in sends while serving others.
    constexpr int kThreads = 4, kRounds = 50;
    std::vector<std::atomic<HWND>> windows(kThreads);
    Event allMade(true, false), go(true, false);
    std::atomic<int> made{0}, done{0};
    std::atomic<int64_t> sum{0};
    std::vector<std::unique_ptr<Thread>> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.push_back(std::make_unique<Thread>());
        ASSERT_TRUE(threads.back()->Start([&, t] {
            LambdaWindow w([&, t](Message& m) -> LRESULT {
                if (m.message == WM_USER) return 1;
                if (m.message != WM_USER + 1) return 0;
                return 1 + SendMessage(windows[(t + 1) % kThreads].load(), WM_USER);
            });
            w.Create();
            windows[t] = w.Handle();
            if (++made == kThreads) allMade.Set();
            WaitForSingleObject(go, INFINITE);
            for (int r = 0; r < kRounds; ++r) {
                for (int other = 0; other < kThreads; ++other) {
                    if (other != t) sum += SendMessage(windows[other].load(), WM_USER + 1);
                }
            }
            ++done;
            RunMessageLoop();
        }));
    }
    WaitForSingleObject(allMade, INFINITE);
    go.Set();
    while (done < kThreads)
        std::this_thread::yield();
    for (auto& t : threads)
        PostThreadMessage(t->Id(), WM_QUIT);
    threads.clear();
    EXPECT_EQ(sum, int64_t(kThreads) * (kThreads - 1) * kRounds * 2);
}

TEST(SendMessageTest, SendToAThreadBlockedInItsOwnSendIsServed) {
    // Main sends to B; B's handler sends to C, which answers only after main
    // has had a send served by B while B was still waiting on C.
    Event cMayAnswer(true, false);
    WindowThread c([&](Message& m) -> LRESULT {
        if (m.message == WM_USER) WaitForSingleObject(cMayAnswer, INFINITE);
        return 3;
    });
    std::atomic<int> servedWhileBlocked{0};
    std::atomic<bool> inSendToC{false};
    WindowThread b([&](Message& m) -> LRESULT {
        if (m.message == WM_USER + 1) {
            servedWhileBlocked += inSendToC;
            return 99;
        }
        if (m.message != WM_USER) return 0;
        inSendToC = true;
        const LRESULT r = SendMessage(c.hwnd(), WM_USER);
        inSendToC = false;
        return r + 10;
    });
    LRESULT first = 0;
    Thread sender;
    ASSERT_TRUE(sender.Start([&] { first = SendMessage(b.hwnd(), WM_USER); }));
    while (!inSendToC)
        std::this_thread::yield();
    EXPECT_EQ(SendMessage(b.hwnd(), WM_USER + 1), 99);
    EXPECT_EQ(servedWhileBlocked, 1);
    cMayAnswer.Set();
    sender.Join();
    EXPECT_EQ(first, 13);
}

TEST(SendMessageTest, SendsToDeadWindowsOrEndingThreadsFail) {
    HWND dead;
    {
        WindowThread peer([](Message&) -> LRESULT { return 1; });
        dead = peer.hwnd();
    }
    EXPECT_EQ(SendMessage(dead, WM_USER), 0);
    DWORD_PTR result = 5;
    EXPECT_EQ(SendMessageTimeout(dead, WM_USER, 0, 0, SMTO_NORMAL, 100, &result), 0);
    EXPECT_EQ(result, 0u);
    // A send pending while the receiving thread ends without pumping.
    Event made(true, false), mayEnd(true, false);
    HWND target;
    Thread receiver, sender;
    ASSERT_TRUE(receiver.Start([&] {
        LambdaWindow w([](Message&) -> LRESULT { return 1; });
        w.Create();
        target = w.Handle();
        made.Set();
        WaitForSingleObject(mayEnd, INFINITE);
    }));
    WaitForSingleObject(made, INFINITE);
    LRESULT ok = 1;
    result = 9;
    ASSERT_TRUE(sender.Start([&] {
        ok = SendMessageTimeout(target, WM_USER, 0, 0, SMTO_NORMAL, 0xFFFFFFF0u, &result);
    }));
    mayEnd.Set();
    receiver.Join();
    sender.Join();
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(result, 0u);
}

TEST(SendMessageTest, TimeoutOnTheProcessClockWithdrawsAnUntakenSend) {
    ManualClock clock(50'000'000);
    ScopedClock scope(clock);
    Event release(true, false), made(true, false);
    std::atomic<int> handled{0};
    HWND target;
    Thread receiver;
    ASSERT_TRUE(receiver.Start([&] {
        LambdaWindow w([&](Message& m) -> LRESULT { return handled += m.message == 0x9105; });
        w.Create();
        target = w.Handle();
        made.Set();
        WaitForSingleObject(release, INFINITE);  // busy: does not pump
        testing::PumpPending();
    }));
    WaitForSingleObject(made, INFINITE);
    LRESULT ok = 1;
    const int64_t took = testing::ClockTimeOf(clock, 250, [&] {
        DWORD_PTR result = 0;
        ok = SendMessageTimeout(target, 0x9105, 0, 0, SMTO_NORMAL, 5000, &result);
    });
    EXPECT_EQ(ok, 0);
    EXPECT_GE(took, 5'000'000);
    release.Set();
    receiver.Join();
    EXPECT_EQ(handled, 0);  // never delivered late
}

TEST(SendMessageTest, BlockFlagServesNoSentMessagesWhileWaiting) {
    // A sends to B with SMTO_BLOCK; B sends to A meanwhile, which is
    // therefore not served until A's send has timed out.
    ManualClock clock(0);
    ScopedClock scope(clock);
    std::atomic<bool> bSending{false}, aServedB{false}, aReturned{false};
    LRESULT aOk = 1;
    std::atomic<HWND> aWindow{};
    WindowThread b([&](Message& m) -> LRESULT {
        if (m.message != WM_USER) return 0;
        bSending = true;
        return SendMessage(aWindow.load(), WM_USER + 1);
    });
    Event made(true, false);
    Thread a;
    ASSERT_TRUE(a.Start([&] {
        LambdaWindow w([&](Message& m) -> LRESULT {
            if (m.message == WM_USER + 1) aServedB = true;
            return 0;
        });
        w.Create();
        aWindow = w.Handle();
        made.Set();
        DWORD_PTR r;
        aOk = SendMessageTimeout(b.hwnd(), WM_USER, 0, 0, SMTO_BLOCK, 1000, &r);
        EXPECT_FALSE(aServedB.load());
        aReturned = true;
        testing::PumpPending();  // serves B's send now
    }));
    WaitForSingleObject(made, INFINITE);
    while (!bSending)
        std::this_thread::yield();
    testing::AdvanceUntil(clock, aReturned, 100);
    a.Join();
    EXPECT_EQ(aOk, 0);
    EXPECT_TRUE(aServedB);
}

TEST(SendMessageTest, TimeoutWhileTheHandlerRunsDropsOnlyTheResult) {
    ManualClock clock(0);
    ScopedClock scope(clock);
    Event entered(true, false), release(true, false);
    std::atomic<int> finished{0};
    WindowThread peer([&](Message& m) -> LRESULT {
        if (m.message != WM_USER) return 0;
        entered.Set();
        WaitForSingleObject(release, INFINITE);
        return ++finished;
    });
    LRESULT ok = 1;
    DWORD_PTR result = 9;
    std::atomic<bool> returned{false};
    Thread sender;
    ASSERT_TRUE(sender.Start([&] {
        ok = SendMessageTimeout(peer.hwnd(), WM_USER, 0, 0, SMTO_NORMAL, 1000, &result);
        returned = true;
    }));
    WaitForSingleObject(entered, INFINITE);  // the handler runs: too late to withdraw
    testing::AdvanceUntil(clock, returned, 100);
    sender.Join();
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(result, 0u);
    release.Set();
    peer.Stop();
    EXPECT_EQ(finished, 1);  // it ran to its end
}

}  // namespace
}  // namespace platform
