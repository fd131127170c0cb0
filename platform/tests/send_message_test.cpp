#include <gtest/gtest.h>

#include <atomic>
#include <tuple>

#include "platform/message_queue.h"
#include "platform/tests/clock_driver.h"
#include "platform/tests/test_window.h"

namespace platform {
namespace {

using testing::LambdaWindow;
using testing::WindowThread;

TEST(SendMessageTest, SendsRunOnTheOwnersThreadWithTheSendersData) {
    std::string seen;
    WindowThread peer([&](Message& m) -> LRESULT {
        if (m.message == WM_COPYDATA) {
            auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(m.lParam);
            seen.assign(static_cast<const char*>(cds->lpData), cds->cbData);
        }
        return m.message >= WM_USER ? LRESULT(GetCurrentThreadId()) * 1000 + LRESULT(m.wParam) : 1;
    });
    EXPECT_EQ(SendMessage(peer.hwnd(), WM_USER, 17), LRESULT(peer.id()) * 1000 + 17);
    // On the owner's own thread a send calls the handler directly, reentrantly.
    LambdaWindow local([](Message& m) -> LRESULT {
        return m.wParam ? LRESULT(m.wParam) + SendMessage(m.hwnd, WM_USER, m.wParam - 1) : 0;
    });
    ASSERT_TRUE(local.Create());
    EXPECT_EQ(SendMessage(local.Handle(), WM_USER, 4), 4 + 3 + 2 + 1);
    DWORD_PTR result = 0;
    EXPECT_NE(SendMessageTimeout(peer.hwnd(), WM_USER, 5, 0, SMTO_NORMAL, 5000, &result), 0);
    EXPECT_EQ(result, DWORD_PTR(peer.id()) * 1000 + 5);
    const std::string text = "table 12";
    COPYDATASTRUCT cds{2, DWORD(text.size()), text.data()};
    EXPECT_EQ(SendMessage(peer.hwnd(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)), 1);
    EXPECT_EQ(seen, text);
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
    const HWND dead = WindowThread([](Message&) -> LRESULT { return 1; }).hwnd();
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

// Time-outs run on the process clock. A send whose handler has begun loses
// only its result; a send the busy receiver never took is withdrawn, never
// delivered late.
TEST(SendMessageTest, TimeOutsDropARunningHandlersResultAndWithdrawAnUntakenSend) {
    ManualClock clock(0);
    ScopedClock scope(clock);
    Event entered(true, false), release(true, false);
    std::atomic<int> finished{0}, late{0};
    WindowThread peer([&](Message& m) -> LRESULT {
        late += m.message == WM_USER + 1;
        if (m.message != WM_USER) return 0;
        entered.Set();
        WaitForSingleObject(release, INFINITE);  // the peer pumps nothing meanwhile
        return ++finished;
    });
    LRESULT running = 1, untaken = 1;
    DWORD_PTR result = 9;
    Thread first;
    ASSERT_TRUE(first.Start([&] {
        running = SendMessageTimeout(peer.hwnd(), WM_USER, 0, 0, SMTO_NORMAL, 1000, &result);
    }));
    WaitForSingleObject(entered, INFINITE);
    EXPECT_GE(testing::ClockTimeOf(clock, 250,
                                   [&] {
                                       DWORD_PTR r = 0;
                                       untaken = SendMessageTimeout(peer.hwnd(), WM_USER + 1, 0, 0,
                                                                    SMTO_NORMAL, 5000, &r);
                                   }),
              5'000'000);
    first.Join();
    EXPECT_EQ(std::tuple(running, result, untaken), std::tuple(0, 0u, 0));
    release.Set();
    peer.Stop();
    EXPECT_EQ(finished, 1);  // the running handler ran to its end
    EXPECT_EQ(late, 0);
}

}  // namespace
}  // namespace platform
