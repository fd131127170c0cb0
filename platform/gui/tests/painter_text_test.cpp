#include <gtest/gtest.h>

#include <algorithm>

#include "platform/gui/painter.h"
#include "platform/gui/sys_colors.h"

namespace platform {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

// Bounding box of the pixels that differ from `background` (empty if none).
RECT Ink(const Surface& s, uint32_t background) {
    RECT box{};
    for (int y = 0; y < s.Height(); ++y) {
        for (int x = 0; x < s.Width(); ++x) {
            if (s.At(x, y) != background) box = UnionRect(box, {x, y, x + 1, y + 1});
        }
    }
    return box;
}

class PainterTextTest : public testing::Test {
  protected:
    PainterTextTest() : surface_(200, 80), painter_(surface_) { Clear(); }
    void Clear() { surface_.Fill(PixelOf(kWhite)); }
    RECT InkBox() const { return Ink(surface_, PixelOf(kWhite)); }

    Surface surface_;
    Painter painter_;
};

TEST_F(PainterTextTest, DefaultFontIsTheTwelvePixelSongFace) {
    EXPECT_EQ(painter_.CurrentFont().Spec(), DefaultGuiFont());
    SIZE extent = painter_.GetTextExtent("确定");
    EXPECT_EQ(extent.cx, 24);
    EXPECT_EQ(extent.cy, painter_.GetTextMetrics().height);
}

TEST_F(PainterTextTest, TextOutDrawsInsideItsCellInTheTextColour) {
    painter_.SetBkMode(TRANSPARENT);
    painter_.SetTextColor(RGB(200, 0, 0));
    painter_.TextOut(10, 20, "麻将");
    RECT ink = InkBox();
    SIZE extent = painter_.GetTextExtent("麻将");
    EXPECT_GE(ink.left, 10);
    EXPECT_GE(ink.top, 20);
    EXPECT_LE(ink.right, 10 + extent.cx + 1);
    EXPECT_LE(ink.bottom, 20 + extent.cy);
    // Small CJK glyphs come from bitmap strikes: fully covered pixels carry
    // exactly the text colour, and no pixel is darker than it.
    bool exact = false;
    for (int y = ink.top; y < ink.bottom; ++y) {
        for (int x = ink.left; x < ink.right; ++x) {
            COLORREF c = ColorOf(surface_.At(x, y));
            if (c == RGB(200, 0, 0)) exact = true;
            EXPECT_GE(GetRValue(c), 200);
        }
    }
    EXPECT_TRUE(exact);
}

TEST_F(PainterTextTest, OpaqueModeFillsTheCell) {
    painter_.SetBkMode(OPAQUE);
    painter_.SetBkColor(RGB(0, 0, 255));
    painter_.TextOut(5, 5, " ");
    SIZE extent = painter_.GetTextExtent(" ");
    EXPECT_EQ(InkBox(), (RECT{5, 5, 5 + extent.cx, 5 + extent.cy}));
}

TEST_F(PainterTextTest, UnderlinedFontsDrawALineUnderTheText) {
    painter_.SetBkMode(TRANSPARENT);
    painter_.SelectFont(FontSpec{.face = "宋体", .height = -12, .underline = true});
    painter_.TextOut(0, 0, "  ");
    RECT ink = InkBox();
    const Font& font = painter_.CurrentFont();
    EXPECT_EQ(ink.top, font.Ascent() + font.UnderlinePosition());
    EXPECT_EQ(ink.Width(), painter_.GetTextExtent("  ").cx);
}

TEST_F(PainterTextTest, CalcRectMeasuresWithoutDrawing) {
    RECT r{10, 10, 500, 10};
    int h = painter_.DrawText("ab\r\n确定取消", r, DT_CALCRECT);
    const int line = painter_.GetTextMetrics().height;
    EXPECT_EQ(h, 2 * line);
    EXPECT_EQ(r, (RECT{10, 10, 10 + 48, 10 + 2 * line}));
    EXPECT_EQ(InkBox(), RECT{});

    RECT single{0, 0, 0, 0};
    painter_.DrawText("a\nb", single, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(single.Height(), line);
    EXPECT_EQ(single.Width(), painter_.GetTextExtent("ab").cx);
}

TEST_F(PainterTextTest, AlignmentPlacesTheLine) {
    painter_.SetBkMode(OPAQUE);
    painter_.SetBkColor(RGB(0, 0, 0));
    const SIZE extent = painter_.GetTextExtent("确定");
    struct Case {
        unsigned format;
        RECT expected;
    } cases[] = {
        {DT_LEFT | DT_TOP, {20, 10, 20 + extent.cx, 10 + extent.cy}},
        {DT_RIGHT, {120 - extent.cx, 10, 120, 10 + extent.cy}},
        {DT_CENTER | DT_VCENTER | DT_SINGLELINE,
         {70 - extent.cx / 2, 10 + (40 - extent.cy) / 2, 70 + extent.cx / 2,
          10 + (40 - extent.cy) / 2 + extent.cy}},
        {DT_BOTTOM | DT_SINGLELINE, {20, 50 - extent.cy, 20 + extent.cx, 50}},
    };
    for (const Case& c : cases) {
        Clear();
        RECT r{20, 10, 120, 50};
        int result = painter_.DrawText("确定", r, c.format);
        EXPECT_EQ(InkBox(), c.expected) << c.format;
        EXPECT_EQ(result, c.expected.bottom - 10) << c.format;
    }
}

TEST_F(PainterTextTest, WordBreakWrapsAtBlanksAndBetweenCjkCharacters) {
    const int line = painter_.GetTextMetrics().height;
    const int word = painter_.GetTextExtent("word").cx;
    const int blank = painter_.GetTextExtent(" ").cx;
    RECT r{0, 0, word * 2 + blank, 0};
    EXPECT_EQ(painter_.DrawText("word word word", r, DT_CALCRECT | DT_WORDBREAK), 2 * line);
    EXPECT_EQ(r.Width(), word * 2 + blank);  // the blank at the break is dropped
    r = {0, 0, word * 2 + blank - 1, 0};
    EXPECT_EQ(painter_.DrawText("word word word", r, DT_CALCRECT | DT_WORDBREAK), 3 * line);

    RECT cjk{0, 0, 36, 0};  // three 12-pixel characters per line
    EXPECT_EQ(painter_.DrawText("一二三四五六七", cjk, DT_CALCRECT | DT_WORDBREAK), 3 * line);
    EXPECT_EQ(cjk.Width(), 36);

    // A word longer than the line stays whole unless edit-control breaking.
    RECT narrow{0, 0, 10, 0};
    EXPECT_EQ(painter_.DrawText("abcdefgh", narrow, DT_CALCRECT | DT_WORDBREAK), line);
    narrow = {0, 0, 12, 0};
    EXPECT_EQ(painter_.DrawText("abcdefgh", narrow, DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL),
              4 * line);
}

TEST_F(PainterTextTest, EndEllipsisKeepsWholeCharactersInsideTheRectangle) {
    RECT r{0, 0, 40, 20};
    painter_.SetBkMode(OPAQUE);
    painter_.SetBkColor(RGB(0, 0, 0));
    painter_.DrawText("一二三四五六七八", r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
    RECT ink = InkBox();
    EXPECT_LE(ink.right, 40);
    // Two characters and the dots would need 42 pixels: one character fits.
    const int expected = 12 + painter_.GetTextExtent("...").cx;
    EXPECT_EQ(ink.Width(), expected);
}

TEST_F(PainterTextTest, PrefixesUnderlineUnlessSwitchedOff) {
    painter_.SetBkMode(TRANSPARENT);
    RECT r{0, 0, 100, 20};
    painter_.DrawText("&&", r, DT_SINGLELINE | DT_CALCRECT);
    EXPECT_EQ(r.Width(), painter_.GetTextExtent("&").cx);
    r = {0, 0, 100, 20};
    painter_.DrawText("a&&b", r, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    EXPECT_EQ(r.Width(), painter_.GetTextExtent("a&&b").cx);

    r = {0, 0, 100, 20};
    painter_.DrawText("& ", r, DT_SINGLELINE);
    const Font& font = painter_.CurrentFont();
    RECT ink = InkBox();
    EXPECT_EQ(ink.top, font.Ascent() + font.UnderlinePosition());
    EXPECT_EQ(ink.Width(), painter_.GetTextExtent(" ").cx);
}

TEST_F(PainterTextTest, TextIsClippedToTheRectangleUnlessNoClip) {
    painter_.SetBkMode(OPAQUE);
    painter_.SetBkColor(RGB(0, 0, 0));
    RECT r{0, 0, 10, 20};
    painter_.DrawText("一二三", r, DT_SINGLELINE);
    EXPECT_EQ(InkBox().right, 10);
    Clear();
    painter_.DrawText("一二三", r, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_EQ(InkBox().right, 36);
    EXPECT_EQ(painter_.ClipBox(), surface_.Bounds());
}

}  // namespace
}  // namespace platform
