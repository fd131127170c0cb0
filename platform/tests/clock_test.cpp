#include "platform/clock.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

int g_hookCalls = 0;

TEST(ClockTest, ManualClockDrivesTickCountWhichWrapsAtThirtyTwoBits) {
    g_hookCalls = 0;
    const Clock* before = &CurrentClock();
    {
        ManualClock clock((int64_t(1) << 32) * 1000 - 1000);
        ScopedClock scope(clock);
        EXPECT_EQ(&CurrentClock(), &clock);
        EXPECT_EQ(GetTickCount(), 0xFFFFFFFFu);
        SetClockAdvanceHook([] { ++g_hookCalls; });
        clock.AdvanceMillis(2);
        SetClockAdvanceHook(nullptr);
        EXPECT_EQ(GetTickCount(), 1u);
        clock.AdvanceMicros(30);
        EXPECT_EQ(QueryPerformanceCounter(), (int64_t(1) << 32) * 1000 + 1030);
        EXPECT_EQ(QueryPerformanceFrequency(), 1'000'000);
    }
    EXPECT_EQ(&CurrentClock(), before);
    EXPECT_EQ(g_hookCalls, 1);
}

}  // namespace
}  // namespace platform
