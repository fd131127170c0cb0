#include "engine/engine_clock.h"

#include <gtest/gtest.h>

#include "platform/clock.h"

namespace engine {
namespace {

TEST(EngineClockTest, UpdateReadsTheTickCountWhichNowKeepsUntilTheNextUpdate) {
    platform::ManualClock clock(1'000'000);  // 1000 ms
    platform::ScopedClock scope(clock);
    EXPECT_EQ(EngineClock::Update(), 1000u);
    clock.AdvanceMillis(40);
    EXPECT_EQ(EngineClock::Now(), 1000u);
    EXPECT_EQ(EngineClock::Update(), 1040u);
    EXPECT_EQ(EngineClock::Now(), 1040u);
    // Within a millisecond readings are equal; they never go back.
    for (int i = 0; i < 50; ++i) {
        clock.AdvanceMicros(300);
        const uint32_t last = EngineClock::Now(), now = EngineClock::Update();
        ASSERT_LE(now - last, 1u);
    }
}

}  // namespace
}  // namespace engine
