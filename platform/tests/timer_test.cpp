#include <gtest/gtest.h>

#include <vector>

#include "platform/message_queue.h"
#include "platform/sync.h"
#include "platform/tests/test_window.h"
#include "platform/thread.h"

namespace platform {
namespace {

using testing::LambdaWindow;

// A window that records the ids of the WM_TIMER messages it handles.
class TimerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::PumpPending();  // nothing left over from an earlier test
        window_.SetHandler([this](Message& m) {
            if (m.message == WM_TIMER) fired_.push_back(m.wParam);
            return 0;
        });
        ASSERT_TRUE(window_.Create());
    }
    std::vector<UINT_PTR> Pump() {
        fired_.clear();
        testing::PumpPending();
        return fired_;
    }
    HWND hwnd() const { return window_.Handle(); }

    ManualClock clock_{10'000'000};
    ScopedClock scope_{clock_};
    LambdaWindow window_;
    std::vector<UINT_PTR> fired_;
};

using Ids = std::vector<UINT_PTR>;

TEST_F(TimerTest, NothingFiresBeforeItsPeriod) {
    ASSERT_EQ(SetTimer(hwnd(), 1, 100), 1u);
    clock_.AdvanceMillis(99);
    EXPECT_EQ(Pump(), Ids{});
    clock_.AdvanceMillis(1);
    EXPECT_EQ(Pump(), Ids{1});
    EXPECT_EQ(Pump(), Ids{});
}

TEST_F(TimerTest, TimersFireInDueOrder) {
    SetTimer(hwnd(), 3, 30);
    SetTimer(hwnd(), 1, 10);
    SetTimer(hwnd(), 2, 20);
    clock_.AdvanceMillis(30);
    // A timer overdue by several periods fires once (no backlog).
    EXPECT_EQ(Pump(), (Ids{1, 2, 3}));
}

TEST_F(TimerTest, PeriodicTimerFiresOncePerPeriodAsTheClockMoves) {
    SetTimer(hwnd(), 7, 10);
    SetTimer(hwnd(), 8, 25);
    Ids all;
    for (int step = 0; step < 6; ++step) {
        clock_.AdvanceMillis(10);
        for (UINT_PTR id : Pump())
            all.push_back(id);
    }
    // 7 every 10 ms; 8 overdue at 30 (due 25, so before 7) and at 60 (re-armed for 55).
    EXPECT_EQ(all, (Ids{7, 7, 8, 7, 7, 7, 8, 7}));
}

TEST_F(TimerTest, KilledTimerNeverFires) {
    SetTimer(hwnd(), 1, 10);
    SetTimer(hwnd(), 2, 10);
    clock_.AdvanceMillis(50);
    EXPECT_TRUE(KillTimer(hwnd(), 1));
    EXPECT_FALSE(KillTimer(hwnd(), 1));
    EXPECT_EQ(Pump(), Ids{2});
    clock_.AdvanceMillis(50);
    EXPECT_EQ(Pump(), Ids{2});
}

TEST_F(TimerTest, KillingInTheHandlerMakesAOneShot) {
    window_.SetHandler([this](Message& m) {
        if (m.message == WM_TIMER) {
            fired_.push_back(m.wParam);
            KillTimer(m.hwnd, m.wParam);
        }
        return 0;
    });
    SetTimer(hwnd(), 5, 100);
    for (int i = 0; i < 5; ++i) {
        clock_.AdvanceMillis(100);
        testing::PumpPending();
    }
    EXPECT_EQ(fired_, Ids{5});
}

TEST_F(TimerTest, SettingAgainRestartsThePeriod) {
    SetTimer(hwnd(), 1, 100);
    clock_.AdvanceMillis(80);
    SetTimer(hwnd(), 1, 100);
    clock_.AdvanceMillis(80);
    EXPECT_EQ(Pump(), Ids{});
    clock_.AdvanceMillis(20);
    EXPECT_EQ(Pump(), Ids{1});
}

TEST_F(TimerTest, TimersComeAfterPostedMessages) {
    std::vector<UINT> order;
    window_.SetHandler([&](Message& m) {
        if (m.message == WM_USER || m.message == WM_TIMER) order.push_back(m.message);
        return 0;
    });
    SetTimer(hwnd(), 1, 10);
    clock_.AdvanceMillis(10);
    PostMessage(hwnd(), WM_USER);
    testing::PumpPending();
    window_.Destroy();  // before `order` goes
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_TIMER}));
}

TEST_F(TimerTest, DestroyingTheWindowKillsItsTimers) {
    LambdaWindow other([this](Message& m) {
        if (m.message == WM_TIMER) fired_.push_back(100 + m.wParam);
        return 0;
    });
    ASSERT_TRUE(other.Create());
    SetTimer(other.Handle(), 1, 10);
    SetTimer(hwnd(), 1, 10);
    other.Destroy();
    clock_.AdvanceMillis(10);
    EXPECT_EQ(Pump(), Ids{1});
}

TEST_F(TimerTest, TimerProcedureRunsThroughDispatch) {
    std::vector<std::pair<UINT_PTR, DWORD>> calls;
    SetTimer(hwnd(), 9, 5, [&](HWND h, UINT message, UINT_PTR id, DWORD time) {
        EXPECT_EQ(h, hwnd());
        EXPECT_EQ(message, WM_TIMER);
        calls.emplace_back(id, time);
    });
    clock_.AdvanceMillis(5);
    EXPECT_EQ(Pump(), Ids{});  // the window's handler does not see it
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].first, 9u);
    EXPECT_EQ(calls[0].second, GetTickCount());
}

TEST_F(TimerTest, ThreadTimersGetTheirOwnIds) {
    const UINT_PTR a = SetTimer({}, 0, 10);
    const UINT_PTR b = SetTimer({}, 0, 20);
    EXPECT_NE(a, 0u);
    EXPECT_NE(b, 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ(SetTimer({}, a, 30), a);  // an existing id is restarted
    clock_.AdvanceMillis(30);
    Message msg;
    std::vector<UINT_PTR> got;
    while (PeekMessage(msg, {}, 0, 0, PM_REMOVE)) {
        EXPECT_FALSE(msg.hwnd);
        EXPECT_EQ(msg.message, WM_TIMER);
        got.push_back(msg.wParam);
    }
    EXPECT_EQ(got, (Ids{b, a}));
    EXPECT_TRUE(KillTimer({}, a));
    EXPECT_TRUE(KillTimer({}, b));
}

TEST_F(TimerTest, RefusesWindowTimersWithoutIdOrOnForeignWindows) {
    EXPECT_EQ(SetTimer(hwnd(), 0, 10), 0u);
    EXPECT_EQ(SetTimer(HWND{0xDEAD}, 1, 10), 0u);
}

TEST_F(TimerTest, ElapseZeroCountsAsOneMillisecond) {
    SetTimer(hwnd(), 1, 0);
    EXPECT_EQ(Pump(), Ids{});
    clock_.AdvanceMillis(1);
    EXPECT_EQ(Pump(), Ids{1});
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
        if (GetMessage(msg) > 0 && msg.message == WM_TIMER && msg.wParam == 4) gotTimer = true;
    }));
    WaitForSingleObject(armed, INFINITE);
    clock.AdvanceMillis(999);
    clock.AdvanceMillis(1);
    t.Join();
    EXPECT_TRUE(gotTimer);
}

}  // namespace
}  // namespace platform
