#include "platform/font/font.h"

#include <gtest/gtest.h>

#include <numeric>
#include <set>
#include <thread>

namespace platform {
namespace {

int Ink(const Glyph& g) {
    return std::accumulate(g.coverage.begin(), g.coverage.end(), 0);
}

std::shared_ptr<const Font> Song(int height, int weight = FW_NORMAL, bool italic = false) {
    return Font::Open({.face = "宋体", .height = height, .weight = weight, .italic = italic});
}

TEST(FontOpenTest, EqualSpecsShareOneFont) {
    auto a = Song(-12);
    auto b = Song(-12);
    EXPECT_EQ(a.get(), b.get());
    EXPECT_NE(a.get(), Song(-13).get());
    EXPECT_NE(a->FilePath().find("uming"), std::string::npos);
}

TEST(FontMetricsTest, NegativeHeightIsTheEmAndPositiveTheCell) {
    for (int em : {9, 12, 16, 20, 40}) {
        auto font = Song(-em);
        const TextMetrics& m = font->Metrics();
        EXPECT_EQ(m.height, m.ascent + m.descent);
        EXPECT_GE(m.height, em);
        EXPECT_LE(m.height, em * 3 / 2 + 1);
        EXPECT_EQ(m.internalLeading, m.height - em);
        EXPECT_GT(m.descent, 0);
    }
    for (int cell : {12, 16, 24}) {
        auto font = Song(cell);
        EXPECT_NEAR(font->Height(), cell, 1) << cell;
    }
}

TEST(FontMetricsTest, DefaultAndAbsurdHeightsStayBounded) {
    auto defaulted = Song(0);
    EXPECT_GE(defaulted->Height(), 12);
    auto huge = Song(-1000000);
    EXPECT_LE(huge->Height(), 512 * 2);
    const Glyph& g = huge->GlyphFor(U'A');
    EXPECT_LE(g.height, 1024);
}

TEST(FontGlyphTest, LatinAndCjkGlyphsHaveInkAndAdvances) {
    auto font = Song(-16);
    const Glyph& a = font->GlyphFor(U'A');
    EXPECT_GT(a.advance, 0);
    EXPECT_GT(Ink(a), 0);
    EXPECT_EQ(a.coverage.size(), size_t(a.width) * size_t(a.height));
    EXPECT_LE(a.top, font->Ascent());

    const Glyph& han = font->GlyphFor(U'麻');
    EXPECT_GT(Ink(han), 0);
    EXPECT_NEAR(han.advance, 16, 1);  // CJK characters are a full em wide

    const Glyph& blank = font->GlyphFor(U' ');
    EXPECT_EQ(Ink(blank), 0);
    EXPECT_GT(blank.advance, 0);
}

TEST(FontGlyphTest, GbkTextMapsToTheSameGlyphsAsCodePoints) {
    auto font = Song(-14);
    const std::string text = "确a";
    size_t length = 0;
    const Glyph& g = font->GlyphAt(text, 0, &length);
    EXPECT_EQ(length, 2u);
    EXPECT_EQ(&g, &font->GlyphFor(U'确'));
    EXPECT_EQ(&font->GlyphAt(text, 0, &length), &g);  // second look-up from the cache
    EXPECT_EQ(&font->GlyphAt(text, 2, &length), &font->GlyphFor(U'a'));
    EXPECT_EQ(length, 1u);
    font->GlyphAt(text, 3, &length);
    EXPECT_EQ(length, 0u);
    // A lone lead byte is one replacement character.
    EXPECT_EQ(&font->GlyphAt("\xC8", 0, &length), &font->GlyphFor(0xFFFD));
    EXPECT_EQ(length, 1u);
}

TEST(FontGlyphTest, MeasureTextSumsAdvances) {
    auto font = Song(-12);
    const std::string text = "ab确定";
    int expected = font->GlyphFor(U'a').advance + font->GlyphFor(U'b').advance +
                   font->GlyphFor(U'确').advance + font->GlyphFor(U'定').advance;
    EXPECT_EQ(font->MeasureText(text), expected);
    EXPECT_EQ(font->MeasureText(""), 0);
}

TEST(FontStyleTest, SyntheticBoldWidensByOnePixelAtSmallSizes) {
    auto normal = Song(-16);
    auto bold = Song(-16, FW_BOLD);
    auto semi = Song(-16, 599);
    for (char32_t c : {U'A', U'麻', U'x'}) {
        const Glyph& n = normal->GlyphFor(c);
        const Glyph& b = bold->GlyphFor(c);
        EXPECT_EQ(b.advance, n.advance + 1);
        EXPECT_EQ(b.width, n.width + 1);
        EXPECT_GT(Ink(b), Ink(n));
        EXPECT_EQ(semi->GlyphFor(c).advance, n.advance);  // below 600 draws normal
    }
    EXPECT_EQ(bold->Metrics().overhang, 1);
    EXPECT_TRUE(bold->Bold());
    EXPECT_FALSE(semi->Bold());
}

TEST(FontStyleTest, SyntheticItalicSlantsWithoutChangingTheAdvance) {
    auto normal = Song(-24);
    auto italic = Song(-24, FW_NORMAL, true);
    const Glyph& n = normal->GlyphFor(U'l');
    const Glyph& i = italic->GlyphFor(U'l');
    EXPECT_EQ(i.advance, n.advance);
    EXPECT_GT(i.width, n.width);
}

TEST(FontFallbackTest, LatinFacesBorrowCjkCharactersFromTheFallbackFaces) {
    auto arial = Font::Open({.face = "Arial", .height = -16});
    EXPECT_NE(arial->FilePath().find("DejaVuSans"), std::string::npos);
    const Glyph& han = arial->GlyphFor(U'牌');
    EXPECT_GT(Ink(han), 0);
    EXPECT_NEAR(han.advance, 16, 1);
}

TEST(FontFallbackTest, UnderlineSitsInsideTheDescent) {
    for (int em : {10, 12, 16, 30}) {
        auto font = Font::Open({.face = "宋体", .height = -em, .underline = true});
        EXPECT_GE(font->UnderlinePosition(), 1);
        EXPECT_LE(font->UnderlinePosition() + font->UnderlineThickness(),
                  std::max(font->Descent(), 1 + font->UnderlineThickness()));
    }
}

TEST(FontWidthTest, ExplicitWidthStretchesGlyphs) {
    auto narrow = Font::Open({.face = "System", .height = 40});
    auto wide = Font::Open({.face = "System", .height = 40, .width = 24});
    EXPECT_GT(wide->GlyphFor(U'M').advance, narrow->GlyphFor(U'M').advance / 2);
    EXPECT_EQ(wide->Height(), narrow->Height());
}

TEST(FontThreadTest, ConcurrentLookupsAgreeOnOneCachedGlyph) {
    auto font = Song(-15);
    const std::u32string text = U"东南西北中发白一二三四五六七八九万条筒";
    std::vector<std::vector<const Glyph*>> seen(4);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round) {
                for (char32_t c : text)
                    seen[t].push_back(&font->GlyphFor(c));
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (int t = 1; t < 4; ++t)
        EXPECT_EQ(seen[t], seen[0]);
    std::set<const Glyph*> distinct(seen[0].begin(), seen[0].end());
    EXPECT_EQ(distinct.size(), text.size());
}

}  // namespace
}  // namespace platform
