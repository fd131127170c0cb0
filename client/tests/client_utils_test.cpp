#include "client/client_utils.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/profile.h"
#include "platform/tests/temp_dir.h"

namespace client {
namespace {

TEST(TrimSpacesTest, RemovesOnlyOuterSpaces) {
    struct Case {
        std::string in, out;
    } cases[] = {{"", ""}, {"   ", ""}, {" a b ", "a b"}, {"\ta\t", "\ta\t"}, {"x", "x"}};
    for (auto& c : cases) {
        std::string s = c.in;
        EXPECT_EQ(&TrimSpaces(s), &s);
        EXPECT_EQ(s, c.out) << "[" << c.in << "]";
    }
}

TEST(SplitByBarTest, StopsAfterMaxFieldsWithRest) {
    auto r = SplitByBar("a|b|c", 2);
    ASSERT_EQ(r.fields.size(), 2u);
    EXPECT_EQ(r.fields[0], "a");
    EXPECT_EQ(r.fields[1], "b");
    EXPECT_TRUE(r.hasRest);
    EXPECT_EQ(r.rest, "c");
}

TEST(SplitByBarTest, TrailingBarsGiveEmptyFields) {
    auto r = SplitByBar("a||", 30);
    ASSERT_EQ(r.fields.size(), 3u);
    EXPECT_EQ(r.fields[0], "a");
    EXPECT_EQ(r.fields[1], "");
    EXPECT_EQ(r.fields[2], "");
    EXPECT_FALSE(r.hasRest);
}

TEST(SplitByBarTest, EmptyTextIsOneEmptyField) {
    auto r = SplitByBar("", 30);
    ASSERT_EQ(r.fields.size(), 1u);
    EXPECT_EQ(r.fields[0], "");
    EXPECT_TRUE(SplitByBar("a", 0).fields.empty());
}

TEST(SplitByBarTest, TrailByteBarDoesNotSplit) {
    // 0x81 0x7C is one double-byte character whose trail byte is '|'.
    const std::string text = "x\x81|y|z";
    auto r = SplitByBar(text, 30);
    ASSERT_EQ(r.fields.size(), 2u);
    EXPECT_EQ(r.fields[0], "x\x81|y");
    EXPECT_EQ(r.fields[1], "z");
}

TEST(WealthTitleTest, KnownAnswers) {
    struct Case {
        int32_t amount;
        const char* title;
    } cases[] = {{99, "待业"},
                 {100, "临时工"},
                 {-1, "负债"},
                 {0, "待业"},
                 {199, "临时工"},
                 {200, "合同工"},
                 {26214400, "世界首富"},
                 {26214399, "超级大富豪"},
                 {INT32_MAX, "世界首富"},
                 {INT32_MIN, "负债"},
                 {409600, "副董事长"}};
    for (auto& c : cases)
        EXPECT_EQ(WealthTitle(c.amount), c.title) << c.amount;
}

TEST(WealthTitleTest, BoundsArePowersOfTwoTimesHundred) {
    for (int k = 0; k < 19; ++k) {
        const int32_t bound = 100 << k;
        EXPECT_NE(WealthTitle(bound), WealthTitle(bound - 1)) << k;
        if (k < 18) {
            EXPECT_EQ(WealthTitle(bound), WealthTitle(2 * bound - 1)) << k;
        }
    }
}

TEST(ParseRgbTest, Cases) {
    EXPECT_EQ(ParseRgb("", 5), 5u);
    EXPECT_EQ(ParseRgb("255", 0), 0xFFFFFFu);
    EXPECT_EQ(ParseRgb("255 0", 0), 0x0000FFu);
    EXPECT_EQ(ParseRgb("1 2 3", 0), 0x030201u);
    EXPECT_EQ(ParseRgb("1   2   3", 0), 0x030201u);
    EXPECT_EQ(ParseRgb("256 257 258", 0), 0x020100u);
}

TEST(IntToStringTest, Decimal) {
    EXPECT_EQ(IntToString(-42), "-42");
    EXPECT_EQ(IntToString(0), "0");
}

TEST(MachineIdTest, TwoAdaptersGiveTheirHexThenZeros) {
    const std::vector<std::array<uint8_t, 6>> two = {{0x00, 0x11, 0x22, 0x33, 0x44, 0x55},
                                                     {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}};
    EXPECT_EQ(MachineIdFromAdapters(two), "001122334455aabbccddeeff0000000");
    EXPECT_EQ(MachineIdFromAdapters({}), "");
}

TEST(MachineIdTest, AtMostTwentyOneAdaptersCount) {
    std::vector<std::array<uint8_t, 6>> many(30, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(MachineIdFromAdapters(many).size(), 31u);
}

class HallFileTest : public ::testing::Test {
  protected:
    void SetUp() override { setenv("QEVO_SYSTEM_DIR", dir_.path().c_str(), 1); }
    void TearDown() override { unsetenv("QEVO_SYSTEM_DIR"); }
    platform::testing::TempDir dir_;
};

TEST_F(HallFileTest, ExePathComesFromSystemSection) {
    EXPECT_EQ(GetHallExePath(), "");
    dir_.Write("mirb.ini", "[SYSTEM]\r\nExePath=/opt/hall/GameHall\r\n");
    EXPECT_EQ(GetHallExePath(), "/opt/hall/GameHall");
}

TEST_F(HallFileTest, MachineIdIsStableAcrossCalls) {
    const std::string first = GetMachineUniqueId();
    EXPECT_FALSE(first.empty());
    EXPECT_LE(first.size(), 31u);
    EXPECT_EQ(GetMachineUniqueId(), first);
}

}  // namespace
}  // namespace client
