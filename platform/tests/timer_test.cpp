#include <gtest/gtest.h>

#include <vector>

#include "platform/tests/test_window.h"

namespace platform {
namespace {

using testing::LambdaWindow;
using Ids = std::vector<UINT_PTR>;
using Fired = std::vector<Ids>;

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
    // What fired after each of the steps.
    std::vector<Ids> Steps(std::initializer_list<int64_t> millis) {
        std::vector<Ids> out;
        for (int64_t m : millis)
            out.push_back(After(m));
        return out;
    }
    HWND hwnd() const { return window_.Handle(); }

    ManualClock clock_{10'000'000};
    ScopedClock scope_{clock_};
    LambdaWindow window_;
    Ids fired_;
};

TEST_F(TimerTest, TimersFireAtTheirPeriodInDueOrderOnceEachWithoutBacklog) {
    ASSERT_EQ(SetTimer(hwnd(), 1, 100), 1u);
    EXPECT_EQ(Steps({99, 1, 0, 80}), (Fired{{}, {1}, {}, {}}));
    SetTimer(hwnd(), 1, 100);  // setting it again restarts it
    EXPECT_EQ(Steps({80, 20}), (Fired{{}, {1}}));
    SetTimer(hwnd(), 1, 0);  // counts as 1 ms
    EXPECT_EQ(Steps({0, 1}), (Fired{{}, {1}}));
    KillTimer(hwnd(), 1);
    for (auto [id, period] : {std::pair{3, 30}, {1, 10}, {2, 20}})
        SetTimer(hwnd(), UINT_PTR(id), UINT(period));
    EXPECT_EQ(After(30), (Ids{1, 2, 3}));  // overdue by several periods: once
    for (UINT_PTR id : {1, 2, 3})
        KillTimer(hwnd(), id);
    SetTimer(hwnd(), 7, 10);
    SetTimer(hwnd(), 8, 25);
    // 8 is due at 25 (before 7's 30) and again at 55 (before 7's 60).
    EXPECT_EQ(Steps({10, 10, 10, 10, 10, 10}), (Fired{{7}, {7}, {8, 7}, {7}, {7}, {8, 7}}));
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
    EXPECT_TRUE(a && b && a != b);
    EXPECT_EQ(SetTimer({}, a, 30), a);
    clock_.AdvanceMillis(30);
    Message msg;
    Ids got;
    while (PeekMessage(msg, {}, 0, 0, PM_REMOVE))
        got.push_back(!msg.hwnd && msg.message == WM_TIMER ? msg.wParam : 0);
    EXPECT_EQ(got, (Ids{b, a}));
    EXPECT_TRUE(KillTimer({}, a) && KillTimer({}, b));
    EXPECT_EQ(SetTimer(hwnd(), 0, 10), 0u);
    EXPECT_EQ(SetTimer(HWND{0xDEAD}, 1, 10), 0u);
}

}  // namespace
}  // namespace platform
