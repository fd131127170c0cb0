#include "platform/gui/painter.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "platform/gui/sys_colors.h"

namespace platform {
namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// The set of pixels of `surface` that differ from `background`.
std::set<std::pair<int, int>> Changed(const Surface& surface, uint32_t background) {
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < surface.Height(); ++y) {
        for (int x = 0; x < surface.Width(); ++x) {
            if (surface.At(x, y) != background) out.insert({x, y});
        }
    }
    return out;
}

class PainterTest : public testing::Test {
  protected:
    PainterTest() : surface_(20, 12), painter_(surface_) { surface_.Fill(PixelOf(kWhite)); }
    COLORREF At(int x, int y) const { return ColorOf(surface_.At(x, y)); }

    Surface surface_;
    Painter painter_;
};

TEST_F(PainterTest, FillsFramesAndThreeDRectangles) {
    painter_.FillSolidRect({1, 1, 4, 3}, kRed);
    EXPECT_EQ(Changed(surface_, PixelOf(kWhite)).size(), 6u);
    EXPECT_EQ(At(3, 2), kRed);
    EXPECT_EQ(At(4, 2), kWhite);
    EXPECT_EQ(surface_.At(1, 1) >> 24, 0xFFu);

    surface_.Fill(PixelOf(kWhite));
    painter_.FrameRect({0, 0, 5, 4}, kBlue);
    EXPECT_EQ(Changed(surface_, PixelOf(kWhite)).size(), 14u);
    EXPECT_EQ(At(2, 2), kWhite);
    EXPECT_EQ(At(4, 3), kBlue);

    surface_.Fill(PixelOf(kWhite));
    painter_.Draw3dRect({0, 0, 4, 3}, kRed, kBlue);
    // Top row up to the last column and left column up to the last row are
    // the top-left colour; right column and bottom row the other.
    EXPECT_EQ(At(0, 0), kRed);
    EXPECT_EQ(At(2, 0), kRed);
    EXPECT_EQ(At(3, 0), kBlue);
    EXPECT_EQ(At(0, 1), kRed);
    EXPECT_EQ(At(0, 2), kBlue);
    EXPECT_EQ(At(3, 2), kBlue);
    EXPECT_EQ(At(1, 1), kWhite);
}

TEST_F(PainterTest, OriginAndClipConfineDrawing) {
    painter_.SetOrigin({5, 2});
    painter_.IntersectClipRect({0, 0, 3, 3});
    painter_.FillSolidRect({-10, -10, 100, 100}, kRed);
    auto changed = Changed(surface_, PixelOf(kWhite));
    EXPECT_EQ(changed.size(), 9u);
    EXPECT_TRUE(changed.count({5, 2}));
    EXPECT_TRUE(changed.count({7, 4}));
    EXPECT_EQ(painter_.ClipBox(), (RECT{0, 0, 3, 3}));
    EXPECT_EQ(painter_.GetPixel(0, 0), kRed);
    EXPECT_EQ(painter_.GetPixel(5, 5), CLR_INVALID);

    painter_.ExcludeClipRect({1, 1, 2, 2});
    painter_.FillSolidRect({0, 0, 3, 3}, kBlue);
    EXPECT_EQ(At(6, 3), kRed);
    EXPECT_EQ(At(5, 2), kBlue);
}

TEST_F(PainterTest, SaveAndRestoreStateNest) {
    int outer = painter_.SaveState();
    painter_.SetTextColor(kRed);
    painter_.IntersectClipRect({0, 0, 2, 2});
    int inner = painter_.SaveState();
    painter_.SetTextColor(kBlue);
    EXPECT_EQ(inner, outer + 1);
    EXPECT_TRUE(painter_.RestoreState(-1));
    EXPECT_EQ(painter_.TextColor(), kRed);
    EXPECT_TRUE(painter_.RestoreState(outer));
    EXPECT_EQ(painter_.TextColor(), 0u);
    EXPECT_EQ(painter_.ClipBox(), (RECT{0, 0, 20, 12}));
    EXPECT_FALSE(painter_.RestoreState(-1));
    EXPECT_FALSE(painter_.RestoreState(5));
}

TEST_F(PainterTest, LinesLeaveOutTheirLastPoint) {
    painter_.SelectPen({PS_SOLID, 1, kRed});
    painter_.MoveTo(2, 1);
    painter_.LineTo(6, 1);
    std::set<std::pair<int, int>> expected = {{2, 1}, {3, 1}, {4, 1}, {5, 1}};
    EXPECT_EQ(Changed(surface_, PixelOf(kWhite)), expected);
    EXPECT_EQ(painter_.CurrentPosition(), (POINT{6, 1}));

    surface_.Fill(PixelOf(kWhite));
    painter_.MoveTo(0, 0);
    painter_.LineTo(4, 4);
    expected = {{0, 0}, {1, 1}, {2, 2}, {3, 3}};
    EXPECT_EQ(Changed(surface_, PixelOf(kWhite)), expected);

    surface_.Fill(PixelOf(kWhite));
    painter_.SelectPen({PS_DOT, 1, kRed});
    painter_.MoveTo(0, 5);
    painter_.LineTo(6, 5);
    expected = {{0, 5}, {2, 5}, {4, 5}};
    EXPECT_EQ(Changed(surface_, PixelOf(kWhite)), expected);

    surface_.Fill(PixelOf(kWhite));
    painter_.SelectPen({PS_NULL, 1, kRed});
    painter_.LineTo(0, 0);
    EXPECT_TRUE(Changed(surface_, PixelOf(kWhite)).empty());
}

TEST_F(PainterTest, AbsurdLineCoordinatesStayCheap) {
    painter_.SelectPen({PS_SOLID, 1, kRed});
    painter_.MoveTo(-2000000000, 5);
    painter_.LineTo(2000000000, 5);
    EXPECT_EQ(Changed(surface_, PixelOf(kWhite)).size(), 20u);
    painter_.MoveTo(0, -2000000000);
    painter_.LineTo(0, -1999999999);
    EXPECT_EQ(Changed(surface_, PixelOf(kWhite)).size(), 20u);
}

TEST_F(PainterTest, RectangleUsesPenOutlineAndBrushInterior) {
    painter_.SelectPen({PS_SOLID, 1, kRed});
    painter_.SelectBrush(Brush::Solid(kBlue));
    painter_.Rectangle({1, 1, 5, 4});
    EXPECT_EQ(At(1, 1), kRed);
    EXPECT_EQ(At(4, 3), kRed);
    EXPECT_EQ(At(2, 2), kBlue);
    EXPECT_EQ(At(5, 4), kWhite);

    surface_.Fill(PixelOf(kWhite));
    painter_.SelectBrush(Brush::Null());
    painter_.Rectangle({1, 1, 5, 4});
    EXPECT_EQ(At(2, 2), kWhite);
    EXPECT_EQ(Changed(surface_, PixelOf(kWhite)).size(), 10u);
}

TEST_F(PainterTest, PolygonFillsTheRegionAndStrokesTheOutline) {
    painter_.SelectPen({PS_NULL, 1, 0});
    painter_.SelectBrush(Brush::Solid(kBlue));
    const POINT square[] = {{2, 2}, {8, 2}, {8, 6}, {2, 6}};
    painter_.Polygon(square);
    EXPECT_EQ(Changed(surface_, PixelOf(kWhite)).size(), 24u);
    painter_.SelectPen({PS_SOLID, 1, kRed});
    painter_.Polygon(square);
    EXPECT_EQ(At(2, 2), kRed);
    EXPECT_EQ(At(8, 6), kRed);  // the closing edges reach the corner
    EXPECT_EQ(At(5, 4), kBlue);
}

TEST_F(PainterTest, EllipseOutlineSurroundsTheInterior) {
    painter_.SelectPen({PS_SOLID, 1, kRed});
    painter_.SelectBrush(Brush::Solid(kBlue));
    painter_.Ellipse({0, 0, 12, 12});
    EXPECT_EQ(At(6, 0), kRed);
    EXPECT_EQ(At(6, 6), kBlue);
    EXPECT_EQ(At(0, 0), kWhite);
}

TEST_F(PainterTest, DrawEdgeUsesTheThreeDColours) {
    RECT inside = painter_.DrawEdge({0, 0, 6, 6}, EDGE_SUNKEN, BF_RECT | BF_MIDDLE);
    EXPECT_EQ(inside, (RECT{2, 2, 4, 4}));
    EXPECT_EQ(At(0, 0), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(At(5, 5), GetSysColor(COLOR_3DHILIGHT));
    EXPECT_EQ(At(1, 1), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(At(4, 4), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(At(2, 2), GetSysColor(COLOR_3DFACE));
}

TEST_F(PainterTest, InversionTwiceRestores) {
    Surface before = surface_;
    painter_.InvertRect({1, 1, 5, 5});
    EXPECT_EQ(At(2, 2), RGB(0, 0, 0));
    painter_.InvertRect({1, 1, 5, 5});
    painter_.DrawFocusRect({0, 0, 9, 7});
    EXPECT_NE(surface_, before);
    painter_.DrawFocusRect({0, 0, 9, 7});
    EXPECT_EQ(surface_, before);
}

TEST_F(PainterTest, GradientRunsFromFirstToNearlyLastColour) {
    painter_.GradientFill({0, 0, 10, 2}, RGB(0, 0, 0), RGB(250, 100, 50), GRADIENT_FILL_RECT_H);
    EXPECT_EQ(At(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(At(5, 1), RGB(125, 50, 25));
    EXPECT_EQ(At(9, 0), RGB(225, 90, 45));
    painter_.GradientFill({0, 0, 2, 4}, kRed, kBlue, GRADIENT_FILL_RECT_V);
    EXPECT_EQ(At(1, 0), kRed);
    EXPECT_EQ(At(1, 2), RGB(128, 0, 127));
}

Surface Checker(int w, int h) {
    Surface s(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            s.Set(x, y, PixelOf(RGB(x * 10, y * 10, 7)));
    }
    return s;
}

TEST_F(PainterTest, BitBltCopiesAndCombines) {
    Surface source = Checker(4, 4);
    painter_.BitBlt(10, 5, 4, 4, source, 0, 0);
    EXPECT_EQ(At(10, 5), RGB(0, 0, 7));
    EXPECT_EQ(At(13, 8), RGB(30, 30, 7));
    // A source rectangle hanging off the source copies only what exists.
    surface_.Fill(PixelOf(kWhite));
    painter_.BitBlt(0, 0, 10, 10, source, 2, 3);
    EXPECT_EQ(Changed(surface_, PixelOf(kWhite)).size(), 2u);
    EXPECT_EQ(At(1, 0), RGB(30, 30, 7));

    Surface ones(1, 1);
    ones.Set(0, 0, 0xFF0F0F0Fu);
    surface_.Set(0, 0, 0xFFF0F0FFu);
    painter_.BitBlt(0, 0, 1, 1, ones, 0, 0, SRCAND);
    EXPECT_EQ(surface_.At(0, 0), 0xFF00000Fu);
    painter_.BitBlt(0, 0, 1, 1, ones, 0, 0, SRCPAINT);
    EXPECT_EQ(surface_.At(0, 0), 0xFF0F0F0Fu);
    painter_.BitBlt(0, 0, 1, 1, ones, 0, 0, SRCINVERT);
    EXPECT_EQ(surface_.At(0, 0), 0xFF000000u);
    painter_.BitBlt(0, 0, 1, 1, ones, 0, 0, WHITENESS);
    EXPECT_EQ(At(0, 0), kWhite);
}

TEST_F(PainterTest, OverlappingBlitWithinOneSurfaceReadsTheOldPixels) {
    for (int x = 0; x < 20; ++x)
        surface_.Set(x, 0, PixelOf(RGB(x, 0, 0)));
    painter_.BitBlt(1, 0, 10, 1, surface_, 0, 0);
    for (int x = 1; x <= 10; ++x)
        EXPECT_EQ(At(x, 0), RGB(x - 1, 0, 0));
}

TEST_F(PainterTest, StretchAndColourKey) {
    Surface source = Checker(2, 2);
    painter_.StretchBlt({0, 0, 4, 4}, source, {0, 0, 2, 2});
    EXPECT_EQ(At(0, 0), RGB(0, 0, 7));
    EXPECT_EQ(At(1, 1), RGB(0, 0, 7));
    EXPECT_EQ(At(2, 1), RGB(10, 0, 7));
    EXPECT_EQ(At(3, 3), RGB(10, 10, 7));

    surface_.Fill(PixelOf(kWhite));
    painter_.TransparentBlt({0, 0, 2, 2}, source, {0, 0, 2, 2}, RGB(0, 0, 7));
    EXPECT_EQ(At(0, 0), kWhite);
    EXPECT_EQ(At(1, 0), RGB(10, 0, 7));
    // The key ignores alpha.
    Surface keyed(1, 1);
    keyed.Set(0, 0, 0x00FF00FFu);
    painter_.TransparentBlt({5, 5, 6, 6}, keyed, {0, 0, 1, 1}, RGB(255, 0, 255));
    EXPECT_EQ(At(5, 5), kWhite);
    // Shrinking samples pixel centres.
    Surface wide = Checker(8, 1);
    surface_.Fill(PixelOf(kWhite));
    painter_.StretchBlt({0, 0, 2, 1}, wide, {0, 0, 8, 1});
    EXPECT_EQ(At(0, 0), RGB(20, 0, 7));
    EXPECT_EQ(At(1, 0), RGB(60, 0, 7));
}

TEST_F(PainterTest, AlphaBlendConstantAndPerPixel) {
    Surface red(1, 1);
    red.Set(0, 0, PixelOf(kRed));
    surface_.Fill(PixelOf(RGB(0, 0, 0)));
    painter_.AlphaBlend({0, 0, 1, 1}, red, {0, 0, 1, 1}, 128, false);
    EXPECT_EQ(At(0, 0), RGB(128, 0, 0));

    Surface half(1, 1);
    half.Set(0, 0, 0x80800000u);  // premultiplied half-opaque red
    surface_.Fill(PixelOf(kWhite));
    painter_.AlphaBlend({0, 0, 1, 1}, half, {0, 0, 1, 1}, 255, true);
    EXPECT_EQ(At(0, 0), RGB(255, 127, 127));
    // An invalid source rectangle draws nothing.
    painter_.AlphaBlend({1, 1, 2, 2}, half, {0, 0, 2, 2}, 255, true);
    EXPECT_EQ(At(1, 1), kWhite);
}

}  // namespace
}  // namespace platform
