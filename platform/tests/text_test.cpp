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
        {"a\xC8", "a\xEF\xBF\xBD"},        // lead byte at the end
        {"\xFF\x62", "\xEF\xBF\xBD\x62"},  // never a GBK byte
    };
    for (const auto& [gbk, utf8] : gbkToUtf8)
        EXPECT_EQ(GbkToUtf8(gbk), utf8);
    EXPECT_EQ(Utf8ToGbk(Utf8(u8"宋体")), std::string("宋体"));
    EXPECT_EQ(Utf8ToGbk("x\xE5\xAE\x79"), "x?y");     // truncated sequence
    EXPECT_EQ(Utf8ToGbk(Utf8(u8"\U0001F600")), "?");  // not in GBK
}

TEST(TextTest, CharacterSteppingKeepsDoubleBytesWhole) {
    // 0x7C ('|') and 0x7B ('{') are valid trail bytes; 0x7F is not.
    const std::string text = "\x81\x7C\x61\x95\x7B\xC8";
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

TEST(TextTest, GbkPrefixNeverCutsACharacter) {
    const std::string text = "ab\x81\x7C\x63\xC8\xB7";  // a trail byte that is '|'
    const size_t wantSizes[] = {0, 1, 2, 2, 4, 5, 5, 7, 7};
    for (size_t max = 0; max <= 8; ++max)
        EXPECT_EQ(GbkPrefix(text, max), text.substr(0, wantSizes[max])) << max;
    // 61 bytes of a text of double-byte characters keep 30 of them.
    std::string wide;
    for (int i = 0; i < 40; ++i)
        wide += "牌";
    EXPECT_EQ(GbkPrefix(wide, 61).size(), 60u);
}

TEST(TextTest, WideResourceTextRoundTrips) {
    const std::string wide = GbkToUtf16Le("更多皮肤...");
    EXPECT_EQ(wide.size(), 14u);
    EXPECT_EQ(wide.substr(8, 2), std::string(".\0", 2));
    EXPECT_EQ(Utf16LeToGbk(wide), "更多皮肤...");
    EXPECT_EQ(Utf16LeToGbk(std::string("A\0\x00\xD8", 4)), "A?");  // a lone surrogate
    EXPECT_EQ(Utf16LeToGbk(std::string("A\0B", 3)), "A?");         // an odd byte
}

}  // namespace
}  // namespace platform
