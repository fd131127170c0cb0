#include "client/client_utils.h"

#include <gtest/gtest.h>

namespace client {
namespace {

TEST(ClientUtilsTest, TrimSpacesRemovesOnlyOuterSpaces) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""}, {"   ", ""}, {" a b ", "a b"}, {"\ta\t", "\ta\t"}, {"x", "x"}};
    for (const auto& [in, out] : cases) {
        std::string s = in;
        EXPECT_EQ(&TrimSpaces(s), &s);
        EXPECT_EQ(s, out) << "[" << in << "]";
    }
}

TEST(ClientUtilsTest, SplitByBarStopsAfterMaxFieldsWithTheRest) {
    using Fields = std::vector<std::string_view>;
    const struct {
        std::string_view text;
        size_t maxFields;
        Fields fields;
        std::optional<std::string_view> rest;
    } cases[] = {
        {"a|b|c", 2, {"a", "b"}, "c"},
        {"a||", 30, {"a", "", ""}, std::nullopt},
        {"", 30, {""}, std::nullopt},
        {"a", 0, {}, std::nullopt},
        // 0x81 0x7C is one double-byte character whose trail byte is '|'.
        {"x\x81|y|z", 30, {"x\x81|y", "z"}, std::nullopt},
    };
    for (const auto& c : cases) {
        const BarSplit got = SplitByBar(c.text, c.maxFields);
        EXPECT_EQ(got.fields, c.fields) << c.text;
        EXPECT_EQ(got.hasRest ? std::optional(got.rest) : std::nullopt, c.rest) << c.text;
    }
}

TEST(ClientUtilsTest, WealthTitlesChangeAtAHundredTimesEachPowerOfTwo) {
    const std::pair<int32_t, const char*> known[] = {
        {INT32_MIN, "负债"},
        {-1, "负债"},
        {0, "待业"},
        {99, "待业"},
        {100, "临时工"},
        {199, "临时工"},
        {200, "合同工"},
        {409600, "副董事长"},
        {26214399, "超级大富豪"},
        {26214400, "世界首富"},
        {INT32_MAX, "世界首富"},
    };
    for (const auto& [amount, title] : known)
        EXPECT_EQ(WealthTitle(amount), title) << amount;
    for (int k = 0; k < 19; ++k) {
        const int32_t bound = 100 << k;
        EXPECT_NE(WealthTitle(bound), WealthTitle(bound - 1)) << k;
        EXPECT_EQ(WealthTitle(bound), WealthTitle(2 * bound - 1)) << k;
    }
}

TEST(ClientUtilsTest, ParseRgbRepeatsTheLastNumberAndKeepsTheLowByte) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"", 5},
        {"255", 0xFFFFFF},
        {"255 0", 0x0000FF},
        {"1 2 3", 0x030201},
        {"1   2   3", 0x030201},
        {"256 257 258", 0x020100},
    };
    for (const auto& [text, colour] : cases)
        EXPECT_EQ(ParseRgb(text, 5), colour) << text;
    EXPECT_EQ(IntToString(-42), "-42");
}

TEST(ClientUtilsTest, MachineIdFromAdaptersIsTheirHexPaddedTo31Digits) {
    const std::vector<std::array<uint8_t, 6>> two = {{0x00, 0x11, 0x22, 0x33, 0x44, 0x55},
                                                     {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}};
    EXPECT_EQ(MachineIdFromAdapters(two), "001122334455aabbccddeeff0000000");
    EXPECT_EQ(MachineIdFromAdapters({}), "");
    std::vector<std::array<uint8_t, 6>> many(30, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(MachineIdFromAdapters(many), "0102030405060102030405060102030");
}

}  // namespace
}  // namespace client
