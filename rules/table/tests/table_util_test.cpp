#include "rules/table/table_util.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "rules/hand/random.h"

namespace rules {
namespace {

TEST(TailDrawTest, WalksPairsBackwards) {
    int32_t counter = 0, skipped = -1;
    const int32_t expected[] = {8, 9, 6, 7, 4, 5};
    for (int32_t pos : expected) {
        EXPECT_EQ(NextWallTailPos(10, -1, 144, &counter, &skipped), pos);
        EXPECT_EQ(skipped, 0);
    }
    EXPECT_EQ(counter, 6);
}

TEST(TailDrawTest, WrapsAtTheWallSize) {
    int32_t counter = 0, skipped = 0;
    EXPECT_EQ(NextWallTailPos(1, -1, 144, &counter, &skipped), 143);
    EXPECT_EQ(NextWallTailPos(1, -1, 144, &counter, &skipped), 0);
}

TEST(TailDrawTest, PassesOverTheSkippedPosition) {
    int32_t counter = 0, skipped = 0;
    EXPECT_EQ(NextWallTailPos(10, 9, 144, &counter, &skipped), 8);
    EXPECT_EQ(skipped, 0);
    EXPECT_EQ(NextWallTailPos(10, 9, 144, &counter, &skipped), 6);
    EXPECT_EQ(skipped, 1);
    EXPECT_EQ(counter, 3);
    EXPECT_EQ(NextWallTailPos(10, 9, 144, &counter, &skipped), 7);
    EXPECT_EQ(skipped, 0);

    counter = 0;
    EXPECT_EQ(NextWallTailPos(10, 8, 144, &counter, &skipped), 9);
    EXPECT_EQ(skipped, 1);
    EXPECT_EQ(counter, 2);
}

TEST(ElapsedTest, ReadsTheProcessClock) {
    platform::ManualClock clock(1'000'000);  // tick 1000
    platform::ScopedClock scope(clock);
    int32_t s = -1, m = -1;
    EXPECT_EQ(ElapsedSeconds(0, &s, &m, 1000), 0);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(m, 0);
    clock.AdvanceMillis(125'500);
    EXPECT_EQ(ElapsedSeconds(1000, &s, &m, 1000), 1);
    EXPECT_EQ(s, 125);
    EXPECT_EQ(m, 2);
    EXPECT_EQ(ElapsedSeconds(1000, &s, &m, 100), 1);  // past the cap
    EXPECT_EQ(s, 0);
    EXPECT_EQ(m, 0);
}

TEST(LevelTest, LevelsAndValues) {
    EXPECT_EQ(LevelOfValue(99, 1), 3);
    EXPECT_EQ(LevelOfValue(0, 1), 0);
    EXPECT_EQ(LevelOfValue(5, 1), 0);
    EXPECT_EQ(LevelOfValue(10, 1), 1);
    EXPECT_EQ(LevelOfValue(86640, 1), 19);
    EXPECT_EQ(LevelOfValue(2147483647, 1000000), 10);  // no overflow in threshold * unit
    const int32_t list[] = {700, 99, 250};
    EXPECT_EQ(LevelValueOfMin(list, 0, 3, 1), kLevelValues[3]);
    EXPECT_EQ(LevelValueOfMin(list, 0, 1, 1), kLevelValues[LevelOfValue(700, 1)]);
    EXPECT_EQ(LevelValueOfMin(list, 0, 99, 1), kLevelValues[3]);  // n bounded by the list
}

TEST(LevelTest, StakeOfMin) {
    const int32_t a[] = {50, 700};
    EXPECT_EQ(StakeOfMin(a, 25, 2), 3);
    const int32_t b[] = {450};
    EXPECT_EQ(StakeOfMin(b, 0, 1), 4);
    EXPECT_EQ(IntLog2(1), 0);
    EXPECT_EQ(IntLog2(1024), 10);
    EXPECT_EQ(PowerOfTwo(0), 1);
    EXPECT_EQ(PowerOfTwo(10), 1024);
}

TEST(IntListTest, FillSumAndCount) {
    std::vector<int32_t> v = {1, 2, 3, 4, 5};
    FillIntsMinusOne(std::span(v).first(3));
    EXPECT_EQ(v, (std::vector<int32_t>{-1, -1, -1, 4, 5}));
    EXPECT_EQ(SumInts(v), 6);
    EXPECT_EQ(SumInts({}), 0);
    EXPECT_EQ(CountNonNegative(v), 2);
    int32_t four[4] = {1, 2, 3, 4};
    FillFourMinusOne(four);
    EXPECT_EQ(four[3], -1);
}

TEST(IntListTest, BitTests) {
    const int32_t v[] = {0x6, 0x7, 0x4006};
    EXPECT_TRUE(AllHaveBit2(v));
    EXPECT_TRUE(AllHaveBit4(v));
    EXPECT_FALSE(AllHaveBit4000(v));
    EXPECT_TRUE(AllHaveBits({}, 0x1));
    EXPECT_TRUE(AnyHasBits(v, 0x4002));
    EXPECT_FALSE(AnyHasBits({}, 0x1));
}

TEST(IntListTest, SetTests) {
    const int32_t a[] = {3, -1, 5, 7};
    const int32_t dup[] = {3, -1, -1, 3};
    EXPECT_TRUE(AllDistinct(a));
    EXPECT_FALSE(AllDistinct(dup));
    EXPECT_TRUE(ContainsValue(a, 5));
    EXPECT_FALSE(ContainsValue(a, -1));
    const int32_t sub[] = {7, -1, 3};
    EXPECT_TRUE(ContainsAll(a, sub));
    const int32_t notSub[] = {7, 8};
    EXPECT_FALSE(ContainsAll(a, notSub));
    const int32_t p[] = {1, 2, 2}, q[] = {2, 1, 1}, r[] = {1, 2};
    EXPECT_TRUE(SameSet(p, q));
    EXPECT_FALSE(SameSet(p, r));
}

TEST(RecordTextTest, FindsTextsAndCutsToTheDestination) {
    TextRecordMap map(3);
    map.Set(0x10, "alpha");
    map.Set(0x40, "beta");  // same bucket as 0x10 with three buckets
    map.Set(-5, std::string(40, 'x'));
    char dst[8];
    EXPECT_STREQ(FindRecordText(map, 0x10, dst), "alpha");
    EXPECT_STREQ(FindRecordText(map, 0x40, dst), "beta");
    EXPECT_STREQ(FindRecordText(map, 0x20, dst), "");
    EXPECT_STREQ(FindRecordText(map, -5, dst), "xxxxxxx");  // cut to fit
    char big[64];
    EXPECT_EQ(std::string(FindRecordText(map, -5, big)), std::string(31, 'x'));
    map.Set(0x10, "gamma");
    EXPECT_STREQ(FindRecordText(map, 0x10, dst), "gamma");
    EXPECT_EQ(FindRecordText(map, 0x10, std::span<char>()), nullptr);
    EXPECT_EQ(sizeof(TextRecord), 36u);
}

TEST(RandomTest, ReplaceableSourceDrivesEveryDraw) {
    uint32_t next = 0;
    ScopedRandomSource scope([&] { return next++; });
    EXPECT_EQ(RandomBelow(10), 0);
    EXPECT_EQ(RandomBelow(10), 1);
    EXPECT_EQ(RandomInRange(5, 5), 5);
    EXPECT_EQ(next, 2u);  // equal bounds draw nothing
    EXPECT_EQ(RandomInRange(10, 20), 12);
    EXPECT_EQ(RandomInRange(20, 10), 13);
    int32_t a = 0, b = 0;
    EXPECT_EQ(RollTwoDice(&a, &b, 1), 1);
    EXPECT_EQ(a, 5);
    EXPECT_EQ(b, 6);
    EXPECT_EQ(RandomBelow(0), 0);
    EXPECT_EQ(RandomBelow(-3), 0);
}

TEST(RandomTest, DiceStayInRangeAndCoverAllFaces) {
    int seen[7] = {};
    for (int i = 0; i < 600; ++i) {
        int32_t a = 0, b = 0;
        RollTwoDice(&a, &b, i % 2);
        ASSERT_GE(a, 1);
        ASSERT_LE(a, 6);
        ASSERT_GE(b, 1);
        ASSERT_LE(b, 6);
        ++seen[a];
    }
    for (int f = 1; f <= 6; ++f)
        EXPECT_GT(seen[f], 0);
}

TEST(RandomTest, ShuffleIsAPermutationInFront) {
    std::vector<int32_t> array = {-7};
    EXPECT_EQ(ShuffleToArray(array, 144, 0), 1);
    ASSERT_EQ(array.size(), 145u);
    EXPECT_EQ(array.back(), -7);
    std::vector<int32_t> sorted(array.begin(), array.end() - 1);
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < 144; ++i)
        EXPECT_EQ(sorted[size_t(i)], i);
    std::vector<int32_t> empty;
    ShuffleToArray(empty, 0, 0);
    EXPECT_TRUE(empty.empty());
}

TEST(RandomTest, RangeCoversFullIntRange) {
    for (int i = 0; i < 100; ++i) {
        int32_t v = RandomInRange(INT32_MIN, INT32_MAX);
        (void)v;
        int32_t w = RandomInRange(-3, 3);
        EXPECT_GE(w, -3);
        EXPECT_LE(w, 3);
    }
}

}  // namespace
}  // namespace rules
