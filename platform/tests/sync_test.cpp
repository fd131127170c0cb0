#include "platform/sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "platform/tests/clock_driver.h"
#include "platform/thread.h"

namespace platform {
namespace {

TEST(EventTest, AutoResetReleasesOneWaitThenResets) {
    Event e(false, true);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
    SetEvent(e);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
}

TEST(EventTest, ManualResetStaysSignalledUntilReset) {
    Event e(true, false);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
    SetEvent(e);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    ResetEvent(e);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
}

TEST(EventTest, SetFromAnotherThreadWakesAnInfiniteWait) {
    Event e(false, false);
    Thread t;
    ASSERT_TRUE(t.Start([&] { e.Set(); }));
    EXPECT_EQ(WaitForSingleObject(e, INFINITE), WAIT_OBJECT_0);
}

TEST(EventTest, AutoResetWakesExactlyOneOfManyWaiters) {
    constexpr int kWaiters = 4;
    Event e(false, false);
    std::atomic<int> woke{0};
    Thread threads[kWaiters];
    for (auto& t : threads) {
        ASSERT_TRUE(t.Start([&] {
            WaitForSingleObject(e, INFINITE);
            ++woke;
        }));
    }
    for (int i = 1; i <= kWaiters; ++i) {
        e.Set();
        while (woke < i)
            std::this_thread::yield();
    }
    for (auto& t : threads)
        t.Join();
    EXPECT_EQ(woke, kWaiters);
}

struct MultiCase {
    const char* name;
    bool a, b, c;
    bool waitAll;
    DWORD expected;
};

TEST(WaitForMultipleObjectsTest, AnswersByTable) {
    const MultiCase cases[] = {
        {"none set", false, false, false, false, WAIT_TIMEOUT},
        {"lowest index wins", false, true, true, false, WAIT_OBJECT_0 + 1},
        {"first", true, false, true, false, WAIT_OBJECT_0},
        {"all needs all", true, true, false, true, WAIT_TIMEOUT},
        {"all set", true, true, true, true, WAIT_OBJECT_0},
    };
    for (const auto& c : cases) {
        Event a(true, c.a), b(true, c.b), cc(true, c.c);
        Waitable* const list[] = {&a, &b, &cc};
        EXPECT_EQ(WaitForMultipleObjects(list, c.waitAll, 0), c.expected) << c.name;
    }
}

TEST(WaitForMultipleObjectsTest, WaitAllTakesNothingUntilEverythingIsSignalled) {
    Event a(false, true), b(false, false);
    Waitable* const list[] = {&a, &b};
    EXPECT_EQ(WaitForMultipleObjects(list, true, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_OBJECT_0);  // still set
    a.Set();
    b.Set();
    EXPECT_EQ(WaitForMultipleObjects(list, true, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_TIMEOUT);  // both consumed
    EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_TIMEOUT);
}

TEST(WaitForMultipleObjectsTest, RejectsEmptyNullAndDuplicateLists) {
    Event a(true, true);
    EXPECT_EQ(WaitForMultipleObjects({}, false, 0), WAIT_FAILED);
    Waitable* const dup[] = {&a, &a};
    EXPECT_EQ(WaitForMultipleObjects(dup, false, 0), WAIT_FAILED);
    Waitable* const withNull[] = {&a, nullptr};
    EXPECT_EQ(WaitForMultipleObjects(withNull, false, 0), WAIT_FAILED);
}

TEST(WaitForMultipleObjectsTest, TimeOutFollowsTheProcessClock) {
    ManualClock clock(0);
    ScopedClock scope(clock);
    Event never(true, false), other(true, false);
    DWORD answer = 0;
    const int64_t took = testing::ClockTimeOf(clock, 10, [&] {
        Waitable* const list[] = {&never, &other};
        answer = WaitForMultipleObjects(list, false, 200);
    });
    EXPECT_EQ(answer, WAIT_TIMEOUT);
    EXPECT_GE(took, 200'000);
}

TEST(SleepTest, SleepEndsWhenTheClockHasMoved) {
    ManualClock clock(0);
    ScopedClock scope(clock);
    EXPECT_GE(testing::ClockTimeOf(clock, 10, [] { Sleep(100); }), 100'000);
}

TEST(CriticalSectionTest, IsReentrantAndExcludesOtherThreads) {
    CriticalSection cs;
    EnterCriticalSection(cs);
    EXPECT_TRUE(cs.TryEnter());  // the same thread again
    std::atomic<bool> otherGotIt{true};
    {
        Thread t;
        ASSERT_TRUE(t.Start([&] { otherGotIt = cs.TryEnter(); }));
    }
    EXPECT_FALSE(otherGotIt);
    cs.Leave();
    LeaveCriticalSection(cs);
    long counter = 0;
    {
        Thread threads[4];
        for (auto& t : threads) {
            ASSERT_TRUE(t.Start([&] {
                for (int i = 0; i < 1000; ++i) {
                    std::lock_guard lock(cs);
                    std::lock_guard again(cs);
                    ++counter;
                }
            }));
        }
    }
    EXPECT_EQ(counter, 4000);
}

TEST(InterlockedTest, AnswersNewOrOldValuesAsWin32Does) {
    InterlockedLong v{5};
    EXPECT_EQ(InterlockedIncrement(v), 6);
    EXPECT_EQ(InterlockedDecrement(v), 5);
    EXPECT_EQ(InterlockedExchange(v, 9), 5);
    EXPECT_EQ(InterlockedExchangeAdd(v, 3), 9);
    EXPECT_EQ(InterlockedCompareExchange(v, 1, 7), 12);  // no match: unchanged
    EXPECT_EQ(v.load(), 12);
    EXPECT_EQ(InterlockedCompareExchange(v, 1, 12), 12);
    EXPECT_EQ(v.load(), 1);
}

TEST(InterlockedTest, CountsExactlyUnderContention) {
    InterlockedLong v{0};
    {
        Thread threads[4];
        for (auto& t : threads) {
            ASSERT_TRUE(t.Start([&] {
                for (int i = 0; i < 10000; ++i)
                    InterlockedIncrement(v);
            }));
        }
    }
    EXPECT_EQ(v.load(), 40000);
}

}  // namespace
}  // namespace platform
