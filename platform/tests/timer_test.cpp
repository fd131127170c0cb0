#include <gtest/gtest.h>

#include <vector>

#include "platform/tests/test_window.h"

namespace platform {
namespace {

using testing::LambdaWindow;
using Ids = std::vector<UINT_PTR>;

// A window that records the ids of the WM_TIMER messages it handles, on a
// clock the test moves.
class TimerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window_.SetHandler([this](Message& m) {
            if (m.message == WM_TIMER) fired_.push_back(m.wParam);
            return 0;
        });
        ASSERT_TRUE(window_.Create());
    }
    // Moves the clock, then answers what fired.
    Ids After(int64_t millis) {
        clock_.AdvanceMillis(millis);
        fired_.clear();
        testing::PumpPending();
        return fired_;
    }
    HWND hwnd() const { return window_.Handle(); }

    ManualClock clock_{10'000'000};
    ScopedClock scope_{clock_};
    LambdaWindow window_;
    Ids fired_;
};

TEST_F(TimerTest, ATimerFiresAtItsPeriodAndSettingItAgainRestartsIt) {
    ASSERT_EQ(SetTimer(hwnd(), 1, 100), 1u);
    EXPECT_EQ(After(99), Ids{});
    EXPECT_EQ(After(1), Ids{1});
    EXPECT_EQ(After(0), Ids{});
    EXPECT_EQ(After(80), Ids{});
    SetTimer(hwnd(), 1, 100);
    EXPECT_EQ(After(80), Ids{});
    EXPECT_EQ(After(20), Ids{1});
    SetTimer(hwnd(), 1, 0);  // counts as 1 ms
    EXPECT_EQ(After(0), Ids{});
    EXPECT_EQ(After(1), Ids{1});
}

TEST_F(TimerTest, TimersFireInDueOrderOncePerPeriodWithoutBacklog) {
    SetTimer(hwnd(), 3, 30);
    SetTimer(hwnd(), 1, 10);
    SetTimer(hwnd(), 2, 20);
    EXPECT_EQ(After(30), (Ids{1, 2, 3}));  // overdue by several periods: once
    for (UINT_PTR id : {1, 2, 3})
        KillTimer(hwnd(), id);
    SetTimer(hwnd(), 7, 10);
    SetTimer(hwnd(), 8, 25);
    // 8 is due at 25 (before 7's 30) and again at 55 (before 7's 60).
    const Ids expected[] = {{7}, {7}, {8, 7}, {7}, {7}, {8, 7}};
    for (const Ids& ids : expected)
        EXPECT_EQ(After(10), ids);
}

TEST_F(TimerTest, KilledTimersAndTimersOfDestroyedWindowsNeverFire) {
    LambdaWindow other([this](Message& m) {
        if (m.message == WM_TIMER) fired_.push_back(100 + m.wParam);
        return 0;
    });
    ASSERT_TRUE(other.Create());
    SetTimer(other.Handle(), 1, 10);
    SetTimer(hwnd(), 1, 10);
    SetTimer(hwnd(), 2, 10);
    other.Destroy();
    clock_.AdvanceMillis(50);
    EXPECT_TRUE(KillTimer(hwnd(), 1));
    EXPECT_FALSE(KillTimer(hwnd(), 1));
    EXPECT_EQ(After(0), Ids{2});
    // Killing in the handler makes a one-shot.
    window_.SetHandler([this](Message& m) -> LRESULT {
        if (m.message != WM_TIMER) return 0;
        fired_.push_back(m.wParam);
        return LRESULT(KillTimer(m.hwnd, m.wParam));
    });
    EXPECT_EQ(After(10), Ids{2});
    EXPECT_EQ(After(10), Ids{});
}

TEST_F(TimerTest, ProceduresThreadTimersAndRefusals) {
    std::vector<std::pair<UINT_PTR, DWORD>> calls;
    SetTimer(hwnd(), 9, 5, [&](HWND h, UINT message, UINT_PTR id, DWORD time) {
        EXPECT_EQ(h, hwnd());
        EXPECT_EQ(message, WM_TIMER);
        calls.emplace_back(id, time);
    });
    EXPECT_EQ(After(5), Ids{});  // the procedure runs instead of the handler
    EXPECT_EQ(calls, (std::vector<std::pair<UINT_PTR, DWORD>>{{9, GetTickCount()}}));
    KillTimer(hwnd(), 9);
    // Thread timers get ids of their own; setting an existing one restarts it.
    const UINT_PTR a = SetTimer({}, 0, 10), b = SetTimer({}, 0, 20);
    EXPECT_NE(a, 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ(SetTimer({}, a, 30), a);
    clock_.AdvanceMillis(30);
    Message msg;
    Ids got;
    while (PeekMessage(msg, {}, 0, 0, PM_REMOVE)) {
        EXPECT_FALSE(msg.hwnd);
        EXPECT_EQ(msg.message, WM_TIMER);
        got.push_back(msg.wParam);
    }
    EXPECT_EQ(got, (Ids{b, a}));
    EXPECT_TRUE(KillTimer({}, a));
    EXPECT_TRUE(KillTimer({}, b));
    EXPECT_EQ(SetTimer(hwnd(), 0, 10), 0u);
    EXPECT_EQ(SetTimer(HWND{0xDEAD}, 1, 10), 0u);
}

TEST(TimerWakeTest, BlockedGetMessageWakesWhenTheClockPassesTheDueTime) {
    ManualClock clock(0);
    ScopedClock scope(clock);
    Event armed(true, false);
    std::atomic<bool> gotTimer{false};
    Thread t;
    ASSERT_TRUE(t.Start([&] {
        LambdaWindow w;
        w.Create();
        SetTimer(w.Handle(), 4, 1000);
        armed.Set();
        Message msg;
        gotTimer = GetMessage(msg) > 0 && msg.message == WM_TIMER && msg.wParam == 4;
    }));
    WaitForSingleObject(armed, INFINITE);
    clock.AdvanceMillis(999);
    clock.AdvanceMillis(1);
    t.Join();
    EXPECT_TRUE(gotTimer);
}

}  // namespace
}  // namespace platform
