#include "platform/clock.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

int g_hookCalls = 0;

TEST(ClockTest, ManualClockDrivesTickCountAndCounter) {
    ManualClock clock(5'000);
    ScopedClock scope(clock);
    EXPECT_EQ(GetTickCount(), 5u);
    clock.AdvanceMillis(30);
    EXPECT_EQ(GetTickCount(), 35u);
    EXPECT_EQ(QueryPerformanceCounter(), 35'000);
    EXPECT_EQ(QueryPerformanceFrequency(), 1'000'000);
}

TEST(ClockTest, TickCountWrapsAtThirtyTwoBits) {
    ManualClock clock((int64_t(1) << 32) * 1000 - 1000);
    ScopedClock scope(clock);
    EXPECT_EQ(GetTickCount(), 0xFFFFFFFFu);
    clock.AdvanceMillis(2);
    EXPECT_EQ(GetTickCount(), 1u);
}

TEST(ClockTest, ScopedClockRestoresThePreviousClockAndHookRuns) {
    g_hookCalls = 0;
    const Clock* before = &CurrentClock();
    {
        ManualClock clock;
        ScopedClock scope(clock);
        EXPECT_EQ(&CurrentClock(), &clock);
        SetClockAdvanceHook([] { ++g_hookCalls; });
        clock.AdvanceMicros(1);
        SetClockAdvanceHook(nullptr);
        clock.AdvanceMicros(1);
    }
    EXPECT_EQ(&CurrentClock(), before);
    EXPECT_EQ(g_hookCalls, 1);
}

}  // namespace
}  // namespace platform
