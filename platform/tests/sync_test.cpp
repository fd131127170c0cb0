#include "platform/sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "platform/tests/clock_driver.h"
#include "platform/thread.h"

namespace platform {
namespace {

TEST(EventTest, AutoResetEventsReleaseOneWaitManualOnesStaySetUntilReset) {
    Event automatic(false, true), manual(true, false);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
    SetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    ResetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
    // Each Set of an auto-reset event wakes exactly one of many endless waits.
    constexpr int kWaiters = 4;
    std::atomic<int> woke{0};
    Thread threads[kWaiters];
    for (auto& t : threads) {
        ASSERT_TRUE(t.Start([&] {
            WaitForSingleObject(automatic, INFINITE);
            ++woke;
        }));
    }
    for (int i = 1; i <= kWaiters; ++i) {
        automatic.Set();
        while (woke < i)
            std::this_thread::yield();
    }
    for (auto& t : threads)
        t.Join();
    EXPECT_EQ(woke, kWaiters);
}

TEST(WaitForMultipleObjectsTest, AnswersByTableAndWaitAllTakesNothingUntilAllAreSignalled) {
    // The lowest index wins; waiting for all needs all.
    const struct {
        bool a, b, c, waitAll;
        DWORD expected;
    } cases[] = {{false, false, false, false, WAIT_TIMEOUT},
                 {false, true, true, false, WAIT_OBJECT_0 + 1},
                 {true, false, true, false, WAIT_OBJECT_0},
                 {true, true, false, true, WAIT_TIMEOUT},
                 {true, true, true, true, WAIT_OBJECT_0}};
    for (const auto& c : cases) {
        Event a(true, c.a), b(true, c.b), cc(true, c.c);
        Waitable* const list[] = {&a, &b, &cc};
        EXPECT_EQ(WaitForMultipleObjects(list, c.waitAll, 0), c.expected);
    }
    Event a(true, true);
    Waitable* const dup[] = {&a, &a};
    Waitable* const withNull[] = {&a, nullptr};
    EXPECT_EQ(WaitForMultipleObjects({}, false, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForMultipleObjects(dup, false, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForMultipleObjects(withNull, false, 0), WAIT_FAILED);
    // Waiting for all takes nothing until everything is signalled.
    Event x(false, true), y(false, false);
    Waitable* const list[] = {&x, &y};
    EXPECT_EQ(WaitForMultipleObjects(list, true, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(x, 0), WAIT_OBJECT_0);  // still set
    x.Set(), y.Set();
    EXPECT_EQ(WaitForMultipleObjects(list, true, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(x, 0), WAIT_TIMEOUT);  // both consumed
    EXPECT_EQ(WaitForSingleObject(y, 0), WAIT_TIMEOUT);
}

TEST(WaitForMultipleObjectsTest, TimeOutsAndSleepFollowTheProcessClock) {
    ManualClock clock(0);
    ScopedClock scope(clock);
    Event never(true, false), other(true, false);
    Waitable* const list[] = {&never, &other};
    DWORD answer = 0;
    auto wait = [&] { answer = WaitForMultipleObjects(list, false, 200); };
    EXPECT_GE(testing::ClockTimeOf(clock, 10, wait), 200'000);
    EXPECT_EQ(answer, WAIT_TIMEOUT);
    EXPECT_GE(testing::ClockTimeOf(clock, 10, [] { Sleep(100); }), 100'000);
}

TEST(CriticalSectionTest, ReentrantForItsOwnerExclusiveForOthersAndInterlockedAsWin32) {
    CriticalSection cs;
    EnterCriticalSection(cs);
    EXPECT_TRUE(cs.TryEnter());
    std::atomic<bool> otherGotIt{true};
    {
        Thread t;
        ASSERT_TRUE(t.Start([&] { otherGotIt = cs.TryEnter(); }));
    }
    EXPECT_FALSE(otherGotIt);
    cs.Leave();
    LeaveCriticalSection(cs);
    std::lock_guard lock(cs);  // a standard lock
    InterlockedLong v{5};
    EXPECT_EQ(InterlockedIncrement(v), 6);
    EXPECT_EQ(InterlockedDecrement(v), 5);
    EXPECT_EQ(InterlockedExchange(v, 9), 5);
    EXPECT_EQ(InterlockedExchangeAdd(v, 3), 9);
    EXPECT_EQ(InterlockedCompareExchange(v, 1, 7), 12);  // no match: unchanged
    EXPECT_EQ(InterlockedCompareExchange(v, 1, 12), 12);
    EXPECT_EQ(v.load(), 1);
}

}  // namespace
}  // namespace platform
