#include "platform/text.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

std::string Utf8(const char8_t* s) {
    return reinterpret_cast<const char*>(s);
}

TEST(TextTest, LiteralsAreGbkAndConvertBothWaysWithDefinedReplacements) {
    EXPECT_EQ(std::string("确定"), "\xC8\xB7\xB6\xA8");  // sources compile to GBK
    const std::pair<std::string, std::string> gbkToUtf8[] = {
        {"确定 ok", Utf8(u8"确定 ok")},
        {"", ""},
        {"a\xC8", "a\xEF\xBF\xBD"},  // lead byte at the end
        {"\xFF"
         "b",
         "\xEF\xBF\xBD"
         "b"},  // never a GBK byte
    };
    for (const auto& [gbk, utf8] : gbkToUtf8)
        EXPECT_EQ(GbkToUtf8(gbk), utf8);
    EXPECT_EQ(Utf8ToGbk(Utf8(u8"宋体")), std::string("宋体"));
    EXPECT_EQ(Utf8ToGbk("x\xE5\xAE"
                        "y"),
              "x?y");                                 // truncated sequence
    EXPECT_EQ(Utf8ToGbk(Utf8(u8"\U0001F600")), "?");  // not in GBK
}

TEST(TextTest, CharacterSteppingKeepsDoubleBytesWhole) {
    // 0x7C ('|') and 0x7B ('{') are valid trail bytes; 0x7F is not.
    const std::string text =
        "\x81\x7C"
        "a\x95\x7B\xC8";
    const size_t lengths[] = {2, 0, 1, 2, 0, 1, 0};
    for (size_t at : {0, 2, 3, 5, 6})
        EXPECT_EQ(GbkCharLength(text, at), lengths[at]) << at;
    EXPECT_EQ(GbkCharLength("\x81\x7F", 0), 1u);
    size_t length = 0;
    EXPECT_EQ(GbkCodePointAt("宋", 0, &length), U'宋');
    EXPECT_EQ(length, 2u);
    EXPECT_EQ(GbkCodePointAt("A", 0, &length), U'A');
    EXPECT_EQ(GbkCodePointAt("\xC8", 0, &length), 0xFFFDu);
}

}  // namespace
}  // namespace platform
