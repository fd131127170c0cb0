#include "client/launch_line.h"

#include <gtest/gtest.h>

namespace client {
namespace {

constexpr uint32_t kDefaultPort = 31201;

TEST(ParseLaunchLine, ReadsEveryField) {
    const auto line =
        ParseLaunchLine("\"3|game.example|12|4660|9|777|5|2|1|0|雀神|4000\"", kDefaultPort);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->gameId, 3u);
    EXPECT_EQ(line->serverHost, "game.example");
    EXPECT_EQ(line->roomId, 12u);
    EXPECT_EQ(line->hallWindow, 4660u);
    EXPECT_EQ(line->field4, 9u);
    EXPECT_EQ(line->userId, 777u);
    EXPECT_EQ(line->tableNo, 5);
    EXPECT_EQ(line->chair, 2);
    EXPECT_EQ(line->lookerFlag, 1u);
    EXPECT_EQ(line->caption, "雀神");
    EXPECT_EQ(line->serverPort, 4000u);
}

TEST(ParseLaunchLine, NineFieldsGiveNoCaptionAndTheDefaultPort) {
    const auto line = ParseLaunchLine("\"1|h|2|3|4|5|6|7|0\"", kDefaultPort);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->caption, "");
    EXPECT_EQ(line->serverPort, kDefaultPort);
}

TEST(ParseLaunchLine, PortZeroGivesTheDefault) {
    const auto line = ParseLaunchLine("\"1|h|2|3|4|5|6|7|0|0|t|0\"", kDefaultPort);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->serverPort, kDefaultPort);
}

TEST(ParseLaunchLine, ALineWithoutTheLeadingQuoteIsSplitUnchanged) {
    const auto line = ParseLaunchLine("1|h|2|3|4|5|6|7|0|0|t|88", kDefaultPort);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->gameId, 1u);
    EXPECT_EQ(line->serverPort, 88u);
}

TEST(ParseLaunchLine, FewerThanNineFieldsFail) {
    for (const char* text : {"", "\"\"", "\"", "\"1|2|3|4|5|6|7|8\"", "no bars at all"})
        EXPECT_FALSE(ParseLaunchLine(text, kDefaultPort)) << text;
}

TEST(ParseLaunchLine, LongTextFieldsAreCut) {
    const std::string host(40, 'h');
    const std::string caption(130, 'c');
    const auto line =
        ParseLaunchLine("\"1|" + host + "|2|3|4|5|6|7|0|0|" + caption + "|1\"", kDefaultPort);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->serverHost, std::string(31, 'h'));
    EXPECT_EQ(line->caption, std::string(127, 'c'));
}

TEST(ParseLaunchLine, NegativeTableAndChair) {
    const auto line = ParseLaunchLine("\"1|h|2|3|4|5|-1|-1|1\"", kDefaultPort);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->tableNo, -1);
    EXPECT_EQ(line->chair, -1);
}

TEST(SplitLaunchFields, EmptyTextGivesOneEmptyField) {
    EXPECT_EQ(SplitLaunchFields("", 30), std::vector<std::string>{""});
    EXPECT_EQ(SplitLaunchFields("a|", 30), (std::vector<std::string>{"a", ""}));
}

TEST(SplitLaunchFields, TheLastFieldKeepsTheRest) {
    EXPECT_EQ(SplitLaunchFields("a|b|c|d", 2), (std::vector<std::string>{"a", "b|c|d"}));
}

TEST(SplitLaunchFields, ATrailByteBarDoesNotSplit) {
    // 0x81 0x7C is one double-byte character whose trail byte is '|'.
    const std::string text = "a|\x81\x7C|b";
    EXPECT_EQ(SplitLaunchFields(text, 30), (std::vector<std::string>{"a", "\x81\x7C", "b"}));
}

}  // namespace
}  // namespace client
