#include "engine/engine_clock.h"

#include <gtest/gtest.h>

#include "platform/clock.h"

namespace engine {
namespace {

TEST(EngineClockTest, RunsInTickCountMode) {
    EXPECT_EQ(EngineClock::Mode(), 1u);
}

TEST(EngineClockTest, UpdateReadsTheTickCountAndNowKeepsIt) {
    platform::ManualClock clock(1'000'000);  // 1000 ms
    platform::ScopedClock scope(clock);
    EXPECT_EQ(EngineClock::Update(), 1000u);
    EXPECT_EQ(EngineClock::Now(), 1000u);
    clock.AdvanceMillis(40);
    EXPECT_EQ(EngineClock::Now(), 1000u);  // not read again until the next update
    EXPECT_EQ(EngineClock::Update(), 1040u);
    EXPECT_EQ(EngineClock::Now(), 1040u);
}

TEST(EngineClockTest, ReadingsWithinOneMillisecondAreEqualAndNeverGoBack) {
    platform::ManualClock clock(5'000'000);
    platform::ScopedClock scope(clock);
    uint32_t last = EngineClock::Update();
    for (int i = 0; i < 50; ++i) {
        clock.AdvanceMicros(300);
        const uint32_t now = EngineClock::Update();
        ASSERT_GE(now, last);
        ASSERT_LE(now - last, 1u);
        last = now;
    }
    clock.AdvanceMicros(100);
    const uint32_t a = EngineClock::Update();
    EXPECT_EQ(EngineClock::Update(), a);
}

}  // namespace
}  // namespace engine
