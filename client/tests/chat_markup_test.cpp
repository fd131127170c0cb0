#include "client/chat_markup.h"

#include <gtest/gtest.h>

namespace client {
namespace {

ChatStyle Style(platform::COLORREF color, int twips = 180, std::string face = "宋体",
                std::string_view effects = "") {
    ChatStyle s;
    s.color = color;
    s.twips = twips;
    s.face = std::move(face);
    s.underline = effects.find('u') != std::string_view::npos;
    s.bold = effects.find('b') != std::string_view::npos;
    s.italic = effects.find('i') != std::string_view::npos;
    s.link = effects.find('l') != std::string_view::npos;
    return s;
}

TEST(ChatMarkupTest, TagsSetTheWholeFormatOfTheirTextAndInsertFaces) {
    const std::string longFace = "一二三四五六七八九十一二三四五六七八";
    const struct {
        std::string segment;
        bool links;
        ChatStyle want;
        std::string_view text;
        std::optional<int> face = {};  // "z=": up to three digits
    } cases[] = {
        {"<c=255>red", false, Style(255), "red"},
        {"<>black", false, Style(0), "black"},
        {"<s=99999>big", false, Style(0, 300), "big"},
        {"<s=-40>tiny", false, Style(0, -40), "tiny"},  // no lower bound
        {"<s=99999999999>", false, Style(0, 300), ""},  // numbers stay in range
        {"<c=8421440,e=b,s=300>w", false, Style(0x808040, 300, "宋体", "b"), "w"},
        {"<e=u,c=32768,s=200>any order", false, Style(32768, 200, "宋体", "u"), "any order"},
        // The i and l of the face name count as effects: the letters are
        // searched from the key to the tag's end.
        {"<e=b,f=Arial,>x", true, Style(0, 180, "Arial", "bil"), "x"},
        {"<e=b,f=Arial,>x", false, Style(0, 180, "Arial", "bi"), "x"},
        {"<f=Arial>x", false, Style(0, 180, ""), "x"},  // no comma: no face
        {"<f=" + longFace + ",>x", false, Style(0, 180, longFace.substr(0, 30)), "x"},
        {"<c=1>a>b", false, Style(1), "a>b"},
        {"<notify>text", false, Style(0), "text"},  // no key: "<>"
        // A trail byte that looks like a key or an effect letter is neither.
        {"<f=\x81s=9,>x", false, Style(0, 180, "\x81s=9"), "x"},
        {"<e=\x81u\x81"
         "b>x",
         false, Style(0), "x"},
        {"<z=5>", false, Style(0), "", 5},
        {"<z=1234>", false, Style(0), "", 123},
        {"<z=12>after", false, Style(0), "after", 12},
        {"<z=-5>", false, Style(0), "", -5},
        {"<z=>", false, Style(0), "", 0},
        {"<c=255,z=7>", false, Style(255), "", 7},
    };
    for (const auto& c : cases) {
        const ChatSegment got = ParseChatSegment(c.segment, 300, c.links);
        EXPECT_TRUE(got.tagged) << c.segment;
        EXPECT_EQ(got.style, c.want) << c.segment;
        EXPECT_EQ(got.text, c.text) << c.segment;
        EXPECT_EQ(got.face, c.face) << c.segment;
    }
    // Unclosed tags and plain text show as they are.
    for (std::string_view segment : {"<b", "<c=255 no end", "plain", "<", ""}) {
        const ChatSegment got = ParseChatSegment(segment, 300, true);
        EXPECT_FALSE(got.tagged) << segment;
        EXPECT_EQ(got.text, segment);
        EXPECT_FALSE(got.face);
    }
}

}  // namespace
}  // namespace client
