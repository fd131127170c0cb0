#include "engine/resources/font_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/bytes.h"

namespace engine {
namespace {

// Fixed metrics: every character but the blank fills its whole cell.
class BoxRasterizer : public GlyphRasterizer {
  public:
    explicit BoxRasterizer(std::vector<GlyphFont>* fonts) : fonts_(fonts) {}
    void SetFont(const GlyphFont& font) override {
        if (fonts_) fonts_->push_back(font);
    }
    void Render(std::string_view gbk, uint8_t* cell, int32_t pitch, int32_t width,
                int32_t height) override {
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) {
                ASSERT_EQ(cell[y * pitch + x], 0) << "the cell must be clear on entry";
                cell[y * pitch + x] = gbk == " " ? 0 : 255;
            }
    }

  private:
    std::vector<GlyphFont>* fonts_;
};

constexpr uint32_t kRed = 0x0000FF;  // COLORREF

struct Box {
    int32_t w, h;
    std::vector<uint8_t> px;
    Box(int32_t width, int32_t height) : w(width), h(height), px(size_t(width) * height * 4) {}
    uint32_t At(int32_t x, int32_t y) const {
        return platform::LoadLE32(&px[(size_t(y) * w + x) * 4]);
    }
    bool Inked(int32_t x, int32_t y) const { return At(x, y) != 0; }
    // Rows and columns with ink.
    int32_t InkedColumns() const {
        int32_t n = 0;
        for (int32_t x = 0; x < w; ++x)
            for (int32_t y = 0; y < h; ++y)
                if (Inked(x, y)) {
                    ++n;
                    break;
                }
        return n;
    }
    int64_t InkCount() const {
        int64_t n = 0;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                n += Inked(x, y);
        return n;
    }
};

class FontStoreTest : public ::testing::Test {
  protected:
    FontStoreTest() : store_(std::make_unique<BoxRasterizer>(&fonts_)) {
        store_.Create();
        store_.SetFont(10, 400, "宋体", false, false);
        store_.SetColor(kRed);
    }
    Box Draw(int32_t w, int32_t h, std::string_view text, int32_t x = 0, int32_t y = 0) {
        Box b(w, h);
        store_.DrawText(b.px.data(), w, h, x, y, text);
        return b;
    }
    std::vector<GlyphFont> fonts_;
    FontStore store_;
};

TEST_F(FontStoreTest, SingleAndDoubleByteCharactersSitOnTheGrid) {
    const Box b = Draw(60, 20, "AB确定");
    // A: [0, 5), B: [5, 10), each double-byte character 10 wide.
    EXPECT_EQ(b.At(0, 0), 0xFFFF0000u);
    EXPECT_TRUE(b.Inked(29, 9));
    EXPECT_FALSE(b.Inked(30, 0));
    EXPECT_FALSE(b.Inked(0, 10));
    EXPECT_EQ(b.InkedColumns(), 30);
}

TEST_F(FontStoreTest, BlankIsNotDrawnButAdvances) {
    const Box b = Draw(40, 20, "A B");
    EXPECT_TRUE(b.Inked(4, 0));
    EXPECT_FALSE(b.Inked(5, 0));
    EXPECT_FALSE(b.Inked(9, 0));
    EXPECT_TRUE(b.Inked(10, 0));
}

TEST_F(FontStoreTest, MixedHeightsShareOneBottomLine) {
    const Box b = Draw(80, 40, "<size=12>a<size=30>b");
    // a is 6 wide, 12 high, standing on the line bottom 30 below the top.
    EXPECT_FALSE(b.Inked(0, 17));
    EXPECT_TRUE(b.Inked(0, 18));
    EXPECT_TRUE(b.Inked(0, 29));
    EXPECT_FALSE(b.Inked(0, 30));
    EXPECT_TRUE(b.Inked(6, 0));
    EXPECT_TRUE(b.Inked(20, 29));
}

TEST_F(FontStoreTest, WrapContinuesAtTheLeftMarginWithoutWrapItStops) {
    store_.state().wrap = 1;
    Box wrapped = Draw(20, 30, "AAAAAA");
    EXPECT_TRUE(wrapped.Inked(19, 0));
    EXPECT_TRUE(wrapped.Inked(9, 10));
    EXPECT_FALSE(wrapped.Inked(10, 10));
    store_.state().wrap = 0;
    Box cut = Draw(20, 30, "AAAAAA");
    EXPECT_TRUE(cut.Inked(19, 0));
    EXPECT_FALSE(cut.Inked(0, 10));
}

TEST_F(FontStoreTest, WrapStopsWhenTheNextLineWouldPassTheBoxBottom) {
    store_.state().wrap = 1;
    const Box b = Draw(10, 15, "AAAA");
    EXPECT_TRUE(b.Inked(9, 0));
    EXPECT_FALSE(b.Inked(0, 10));
}

TEST_F(FontStoreTest, MarginsAndRowSpace) {
    store_.state().wrap = 1;
    store_.state().leftMargin = 3;
    store_.state().rightMargin = 2;
    store_.state().rowSpace = 4;
    const Box b = Draw(20, 40, "AAAA");
    // Three characters fit in [3, 18); the fourth starts the next line at 3.
    EXPECT_FALSE(b.Inked(2, 0));
    EXPECT_TRUE(b.Inked(3, 0));
    EXPECT_TRUE(b.Inked(17, 0));
    EXPECT_FALSE(b.Inked(18, 0));
    EXPECT_FALSE(b.Inked(3, 13));
    EXPECT_TRUE(b.Inked(3, 14));
}

TEST_F(FontStoreTest, PitchSeparatesCharactersButNotTheFirstOfALine) {
    const Box b = Draw(40, 10, "<pitch=3>AA");
    EXPECT_TRUE(b.Inked(0, 0));
    EXPECT_FALSE(b.Inked(5, 0));
    EXPECT_TRUE(b.Inked(8, 0));
    EXPECT_FALSE(b.Inked(13, 0));
}

struct ColorCase {
    const char* text;
    uint32_t pixel;  // of the first drawn character
};

TEST_F(FontStoreTest, ColourTags) {
    const ColorCase cases[] = {
        {"<color=255>A", 0xFFFF0000u},
        {"<COLOR=255>A", 0xFFFF0000u},
        {"<c=65280>A", 0xFF00FF00u},
        {"<rgb=0,0,255>A", 0xFF0000FFu},
        {"<rgb=256,1,2>A", 0xFF000102u},
        {"<color=65280></color>A", 0xFF563412u},  // back to the colour before
    };
    for (const ColorCase& k : cases) {
        store_.SetColor(0x123456);
        const Box b = Draw(40, 10, k.text);
        EXPECT_EQ(b.At(0, 0), k.pixel) << k.text;
    }
}

TEST_F(FontStoreTest, RejectedItemsDrawTheTagLiterally) {
    // Two numbers in "rgb": the whole tag is text (10 characters).
    EXPECT_EQ(Draw(100, 10, "<rgb=1,2>x").InkedColumns(), 50);
    // An unknown name after "size": the size applies, the tag is drawn.
    Box b = Draw(200, 30, "<size=20;nosuch>");
    EXPECT_EQ(b.InkedColumns(), 16 * 10);
    EXPECT_TRUE(b.Inked(0, 19));
    // Both items known: both apply, nothing of the tag is drawn.
    b = Draw(200, 30, "<color=255;size=20>A");
    EXPECT_EQ(b.InkedColumns(), 10);
    EXPECT_EQ(b.At(0, 0), 0xFFFF0000u);
}

TEST_F(FontStoreTest, CommentAndScriptTagsDrawNothing) {
    EXPECT_EQ(Draw(100, 10, "<//>A").InkedColumns(), 5);
    store_.ClearScriptItems();
    EXPECT_EQ(Draw(100, 10, "<script:Go(1)>A").InkedColumns(), 5);
    ASSERT_EQ(store_.ScriptItems().size(), 1u);
    EXPECT_EQ(store_.ScriptItems()[0], "go(1)");
}

TEST_F(FontStoreTest, OpenBracketWithoutCloseIsDrawn) {
    const std::string far = "<" + std::string(300, 'a') + ">";
    EXPECT_EQ(Draw(4000, 10, "<abc").InkedColumns(), 20);
    EXPECT_EQ(Draw(4000, 10, far).InkedColumns(), 302 * 5);
    EXPECT_EQ(Draw(4000, 10, "<>").InkedColumns(), 10);
}

TEST_F(FontStoreTest, FontTagsReachTheRasterizer) {
    fonts_.clear();
    Draw(200, 40, "<bold>a</bold><italic>b</italic><underline>c<fontname=\"Arial\">d</fontname>");
    auto seen = [&](auto pred) {
        for (const GlyphFont& f : fonts_)
            if (pred(f)) return true;
        return false;
    };
    EXPECT_TRUE(seen([](const GlyphFont& f) { return f.weight == 700; }));
    EXPECT_TRUE(seen([](const GlyphFont& f) { return f.italic; }));
    EXPECT_TRUE(seen([](const GlyphFont& f) { return f.underline; }));
    EXPECT_TRUE(seen([](const GlyphFont& f) { return f.face == "arial"; }));
    // The call restores the font it started with.
    EXPECT_EQ(store_.SaveState().weight, 400);
    EXPECT_EQ(store_.SaveState().face, "宋体");
}

TEST_F(FontStoreTest, LeftMarginRightMarginAndBreakTags) {
    store_.state().wrap = 1;
    Box b = Draw(40, 40, "<leftmargin=7>A<break>B");
    EXPECT_TRUE(b.Inked(7, 0));
    EXPECT_FALSE(b.Inked(6, 0));
    EXPECT_TRUE(b.Inked(7, 10));
    b = Draw(20, 40, "<rightmargin=10>AAA");
    EXPECT_TRUE(b.Inked(9, 0));
    EXPECT_FALSE(b.Inked(10, 0));
    EXPECT_TRUE(b.Inked(0, 10));
}

TEST_F(FontStoreTest, RowspaceAndSizeTagsCloseToTheBase) {
    store_.state().wrap = 1;
    Box b = Draw(10, 60, "<rowspace=5>AAAA");
    EXPECT_TRUE(b.Inked(0, 0));
    EXPECT_TRUE(b.Inked(0, 15));  // second line after a row space of 5
    EXPECT_FALSE(b.Inked(0, 14));
    // Closed again before the line ends: no row space; the closing size tag
    // returns to the base height of 10.
    // Lines: "A" (10 high), "A" at size 20 from y 10, "AA" back at 10 from y 30.
    b = Draw(10, 60, "<rowspace=5>A</rowspace><size=20>A</size>AA");
    EXPECT_TRUE(b.Inked(0, 10));
    EXPECT_TRUE(b.Inked(0, 29));
    EXPECT_TRUE(b.Inked(9, 39));
    EXPECT_FALSE(b.Inked(0, 40));
}

struct CloseCase {
    const char* text;
    int32_t x, y;  // a pixel inked only when the closing tag worked
};

TEST_F(FontStoreTest, ClosingTagsReturnToTheStateAtTheStartOfTheCall) {
    store_.state().wrap = 1;
    const CloseCase cases[] = {
        {"<pitch=3>A</pitch>AA", 5, 0},
        {"<rightmargin=10>A</rightmargin>AAA", 19, 0},
        {"<leftmargin=7>A</leftmargin><break>B", 0, 10},
        {"<size=20>A</size>AAA", 19, 19},
        {"<rowspace=9>A</rowspace><break>B", 0, 10},
    };
    for (const CloseCase& k : cases) {
        const Box b = Draw(20, 40, k.text);
        EXPECT_TRUE(b.Inked(k.x, k.y)) << k.text;
    }
    fonts_.clear();
    Draw(100, 20, "<underline>A</underline>B<italic>C</italic>D<fontname=x>E</fontname>F");
    ASSERT_GE(fonts_.size(), 6u);
    EXPECT_TRUE(fonts_[0].underline);
    EXPECT_FALSE(fonts_[1].underline);
    EXPECT_TRUE(fonts_[2].italic);
    EXPECT_FALSE(fonts_[3].italic);
    EXPECT_EQ(fonts_[4].face, "x");
    EXPECT_EQ(fonts_[5].face, "宋体");
}

TEST_F(FontStoreTest, StateIsRestoredAfterTheCall) {
    const FontState before = store_.SaveState();
    Draw(100, 40, "<size=20><color=1><pitch=4><leftmargin=9><bold>X");
    EXPECT_EQ(store_.SaveState(), before);
}

TEST_F(FontStoreTest, HeightIsCappedAndTheCapDrawsNothing) {
    store_.SetFont(400, 400, "宋体", false, false);
    EXPECT_EQ(store_.SaveState().height, 300);
    EXPECT_EQ(Draw(400, 400, "A").InkCount(), 0);
}

TEST_F(FontStoreTest, BlendsIntoOpaqueTargetsAndKeepsAlpha) {
    Box b(10, 10);
    for (size_t i = 0; i < b.px.size(); i += 4)
        platform::StoreLE32(&b.px[i], 0x800000FFu);  // blue, alpha 128
    store_.DrawText(b.px.data(), 10, 10, 0, 0, "A");
    // Full coverage: (255 * 255 + 0) >> 8 = 254 red, (0 + 255 * 0) blue.
    EXPECT_EQ(b.At(0, 0), 0xFFFE0000u);
}

TEST_F(FontStoreTest, GbkLeadByteAtTheEndIsDropped) {
    EXPECT_EQ(Draw(100, 10, "A\xB0").InkedColumns(), 5);
    // A trail byte in the range of '@' and '\' belongs to its character.
    EXPECT_EQ(Draw(100, 10, "\x81\x40\x81\x5C").InkedColumns(), 20);
}

TEST_F(FontStoreTest, MeasureGivesWidthAndBottom) {
    int32_t w = 0, h = 0;
    store_.state().rightMargin = 2;
    store_.MeasureText(0, 0, "AB<size=20>C", &w, &h);
    EXPECT_EQ(w, 5 + 5 + 10 + 2);
    EXPECT_EQ(h, 20);
    store_.state().rightMargin = 0;
    store_.MeasureText(3, 4, "", &w, &h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 5);
}

// Markup that would loop or write out of the box on a careless layout.
TEST_F(FontStoreTest, HostileMarkupEndsAndStaysInTheBox) {
    const char* texts[] = {
        "<pitch=100000>abcdef",
        "<pitch=-100000>abcdef",
        "<rowspace=-1000>abcdefghijklmnopqrstuvwxyz",
        "<leftmargin=1000>abc",
        "<leftmargin=-50>abc",
        "<rightmargin=-100000>abc",
        "<rightmargin=100000>abc",
        "<break><break><break>a",
        "<size=-20>abc<size=0>def",
        "<size=300>a",
        "确定确定确定确定确定确定",
        // A tag whose first item moves the pen and whose second is rejected.
        "<break;x><rgb=><p",
        "c<break;\xe7\xa1\xae\xe5\xae\x9a<rgb=><p",
    };
    store_.state().wrap = 1;
    for (const char* t : texts)
        for (auto [w, h] : {std::pair{3, 50}, {1, 1}, {16, 16}, {200, 30}}) {
            Box b(w, h + 1);  // one canary row below the box
            store_.DrawText(b.px.data(), w, h, 0, 0, t);
            for (int32_t x = 0; x < w; ++x)
                ASSERT_FALSE(b.Inked(x, h)) << t;
            int32_t mw = 0, mh = 0;
            store_.MeasureText(0, 0, t, &mw, &mh);
        }
}

TEST_F(FontStoreTest, HugeNegativeRowSpaceStillEndsTheDrawing) {
    // Found by fuzzing: with the row space at INT_MIN the "does the next line
    // fit" test always passed while every new line moved down one pixel.
    const std::string text =
        "DrnnnsnacB<rowspace=-11111111111111111111111111cl^77.arsize=-1>cnsnnnnnnnnpacowspak=12>c<"
        "break;\xe7}\xae\xe5\xae\x9a"
        "<r><;bcB<size=-1>c-f0><leftmargin=90name)/n=90ccgc8nftonme>//>";
    store_.SetFont(0, 400, "宋体", false, false);
    store_.state().wrap = 1;
    Box b(16, 43 + 1);
    store_.DrawText(b.px.data(), 16, 43, 0, 0, text);
    for (int32_t x = 0; x < 16; ++x)
        ASSERT_FALSE(b.Inked(x, 43));
    int32_t mw = 0, mh = 0;
    store_.MeasureText(0, 0, text, &mw, &mh);
}

TEST_F(FontStoreTest, RandomMarkupNeverLoopsOrOverruns) {
    std::mt19937 rng(11);
    const std::vector<std::string> pieces = {"<",          ">",
                                             "a",          "确",
                                             "<size=",     "<pitch=",
                                             "<rowspace=", "-",
                                             "9",          "0",
                                             ";",          "=",
                                             "<break>",    "<leftmargin=",
                                             "<rgb=",      ",",
                                             "</color>",   "<script:",
                                             "<//>",       " ",
                                             "\xB0",       "<bold>",
                                             "</size>",    "<rightmargin=",
                                             "\x81\x40",   "<c=",
                                             "x>",         "<COLOR=1>"};
    for (int iter = 0; iter < 400; ++iter) {
        std::string text;
        const int n = std::uniform_int_distribution<int>(0, 40)(rng);
        for (int i = 0; i < n; ++i)
            text += pieces[std::uniform_int_distribution<size_t>(0, pieces.size() - 1)(rng)];
        store_.state().wrap = iter % 2;
        const int32_t w = std::uniform_int_distribution<int32_t>(1, 60)(rng);
        const int32_t h = std::uniform_int_distribution<int32_t>(1, 60)(rng);
        Box b(w, h);
        store_.DrawText(b.px.data(), w, h, std::uniform_int_distribution<int32_t>(-5, 10)(rng),
                        std::uniform_int_distribution<int32_t>(-5, 10)(rng), text);
        int32_t mw = 0, mh = 0;
        store_.MeasureText(0, 0, text, &mw, &mh);
    }
}

// ---- Caption fitting ---------------------------------------------------------

TEST_F(FontStoreTest, FitFontChoosesAnEvenHeightThatFits) {
    std::string caption = "确定";
    const CaptionFit fit = store_.FitFont(80, 30, caption, 0, 0, 0);
    const FontState s = store_.SaveState();
    EXPECT_EQ(s.height % 2, 0);
    EXPECT_GT(s.height, 0);
    EXPECT_LE(s.height, 30);
    EXPECT_EQ(caption, "确定");
    EXPECT_GE(fit.x, 0);
    EXPECT_GE(fit.y, 0);
}

TEST_F(FontStoreTest, FitFontShortensLongCaptionsAndAlwaysEnds) {
    std::string caption = "确定取消确定取消确定取消确定取消";
    store_.FitFont(60, 20, caption, 0, 0, 0);
    EXPECT_LT(caption.size(), 32u);
    EXPECT_EQ(caption.substr(caption.size() - 2), "..");
    std::string fixed = "abcdefghijkl";
    store_.FitFont(30, 20, fixed, 0, 0, 12);
    EXPECT_LE(fixed.size(), 5u);
    std::string empty;
    EXPECT_EQ(store_.FitFont(30, 20, empty, 0, 0, 0).x, 0);
    std::mt19937 rng(5);
    for (int i = 0; i < 300; ++i) {
        std::string c(size_t(std::uniform_int_distribution<int>(0, 40)(rng)), 'w');
        if (i % 3 == 0) c = "确定" + c;
        store_.FitFont(std::uniform_int_distribution<int>(-5, 200)(rng),
                       std::uniform_int_distribution<int>(-5, 80)(rng), c,
                       std::uniform_int_distribution<int>(0, 5)(rng),
                       std::uniform_int_distribution<int>(0, 5)(rng),
                       std::uniform_int_distribution<int>(0, 3)(rng) * 6);
    }
}

// ---- The real font ---------------------------------------------------------------

// One golden rendering with the installed CJK face: the alpha channel of
// "确定Ab" at 16 pixels. At most 2% of the pixels may differ by more than 16
// levels (hinting differences between FreeType builds).
TEST(FontStoreGolden, RealFontRendersTheGoldenText) {
    FontStore store;
    store.Create();
    store.SetFont(16, 400, "宋体", false, false);
    store.SetColor(0xFFFFFF);
    constexpr int32_t kW = 56, kH = 20;
    std::vector<uint8_t> px(size_t(kW) * kH * 4);
    store.DrawText(px.data(), kW, kH, 2, 2, "确定Ab");
    std::vector<uint8_t> alpha(size_t(kW) * kH);
    for (size_t i = 0; i < alpha.size(); ++i)
        alpha[i] = px[i * 4 + 3];
    const char* dir = std::getenv("QEVO_SOURCE_DIR");
    ASSERT_NE(dir, nullptr);
    const std::string path = std::string(dir) + "/engine/resources/tests/golden/font_16px.gray";
    if (std::getenv("QEVO_UPDATE_GOLDEN")) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(alpha.data()), std::streamsize(alpha.size()));
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> golden((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(golden.size(), alpha.size());
    size_t off = 0, ink = 0;
    for (size_t i = 0; i < alpha.size(); ++i) {
        off += std::abs(int(alpha[i]) - int(golden[i])) > 16;
        ink += golden[i] != 0;
    }
    EXPECT_GT(ink, 100u);
    EXPECT_LE(off * 50, alpha.size());
}

}  // namespace
}  // namespace engine
