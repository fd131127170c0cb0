#include "client/launch_line.h"

#include <gtest/gtest.h>

namespace client {
namespace {

constexpr uint32_t kDefaultPort = 31201;

TEST(ParseLaunchLine, KnownLines) {
    std::string wide;  // 70 GBK double-byte characters
    for (int i = 0; i < 70; ++i)
        wide += "\xD6\xD0";
    const std::string h40(40, 'h'), c130(130, 'c');
    const struct {
        const char* name;
        std::string text;
        std::optional<LaunchLine> want;  // game, host, room, hall window, field 4, user,
                                         // table, chair, looker, caption, port
    } cases[] = {
        {"every field", "\"3|game.example|12|4660|9|777|5|2|1|0|雀神|4000\"",
         LaunchLine{3, "game.example", 12, 4660, 9, 777, 5, 2, 1, "雀神", 4000}},
        {"nine fields", "\"1|h|2|3|4|5|6|7|0\"",
         LaunchLine{1, "h", 2, 3, 4, 5, 6, 7, 0, "", kDefaultPort}},
        {"port 0", "\"1|h|2|3|4|5|6|7|0|0|t|0\"",
         LaunchLine{1, "h", 2, 3, 4, 5, 6, 7, 0, "t", kDefaultPort}},
        {"no quotes", "1|h|2|3|4|5|6|7|0|0|t|88", LaunchLine{1, "h", 2, 3, 4, 5, 6, 7, 0, "t", 88}},
        {"closing quote only", "1|h|2|3|4|5|6|7|0|0|t|88\"",
         LaunchLine{1, "h", 2, 3, 4, 5, 6, 7, 0, "t", 88}},
        {"negative table and chair", "\"1|h|2|3|4|5|-1|-1|1\"",
         LaunchLine{1, "h", 2, 3, 4, 5, -1, -1, 1, "", kDefaultPort}},
        {"long texts cut", "\"1|" + h40 + "|2|3|4|5|6|7|0|0|" + c130 + "|1\"",
         LaunchLine{1, std::string(31, 'h'), 2, 3, 4, 5, 6, 7, 0, std::string(127, 'c'), 1}},
        {"caption cut between characters", "\"1|h|2|3|4|5|6|7|0|0|" + wide + "|1\"",
         LaunchLine{1, "h", 2, 3, 4, 5, 6, 7, 0, wide.substr(0, 126), 1}},
        {"empty", "", std::nullopt},
        {"quotes only", "\"\"", std::nullopt},
        {"one quote", "\"", std::nullopt},
        {"eight fields", "\"1|2|3|4|5|6|7|8\"", std::nullopt},
        {"no bars", "no bars at all", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseLaunchLine(c.text, kDefaultPort), c.want) << c.name;
}

TEST(SplitLaunchFields, KnownSplits) {
    using Fields = std::vector<std::string>;
    const struct {
        std::string text;
        size_t maxFields;
        Fields want;
    } cases[] = {
        {"", 30, {""}},
        {"a|", 30, {"a", ""}},
        {"a|b|c|d", 2, {"a", "b|c|d"}},  // the last field keeps the rest
        {"a", 0, {}},
        // 0x81 0x7C is one double-byte character whose trail byte is '|'.
        {"a|\x81\x7C|b", 30, {"a", "\x81\x7C", "b"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitLaunchFields(c.text, c.maxFields), c.want) << c.text;
}

}  // namespace
}  // namespace client
