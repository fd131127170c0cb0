#include "client/draw_utils.h"

#include <gtest/gtest.h>

namespace client {
namespace {

using platform::Surface;

// A bitmap whose pixel (x, y) holds x + 10 y + 1, opaque.
Surface Numbered(int w, int h) {
    Surface s(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            s.Set(x, y, 0xFF000000u | uint32_t(x + 10 * y + 1));
    return s;
}

TEST(TileBitmapTest, TilesLineUpWithTheDeviceOriginAndAnEmptyBitmapDrawsNothing) {
    const Surface bitmap = Numbered(3, 2);
    Surface target(10, 7);
    platform::Painter dc(target);
    TileBitmap(dc, {1, 1, 9, 6}, bitmap);
    TileBitmap(dc, {0, 0, 10, 7}, Surface());
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 1 && x < 9 && y >= 1 && y < 6;
            EXPECT_EQ(target.At(x, y), inside ? bitmap.At(x % 3, y % 2) : 0) << x << "," << y;
        }
    }
}

TEST(TransparentBlitTest, KeyColourStaysOut) {
    Surface source(2, 1);
    source.Set(0, 0, 0xFFFF00FFu);  // the key: magenta
    source.Set(1, 0, 0xFF123456u);
    Surface target(2, 1);
    target.Fill(0xFF000001u);
    platform::Painter dc(target);
    TransparentBlit(dc, 0, 0, 2, 1, source, 0, 0, 0xFF00FF);
    EXPECT_EQ(target.At(0, 0), 0xFF000001u);
    EXPECT_EQ(target.At(1, 0) & 0xFFFFFFu, 0x123456u);
}

TEST(MeasureTextExtentTest, MeasuresInTheFontAndKeepsThePaintersFont) {
    Surface target(8, 8);
    platform::Painter dc(target);
    const platform::Font* before = &dc.CurrentFont();
    platform::FontSpec big;
    big.face = "宋体";
    big.height = 40;
    const platform::SIZE size = MeasureTextExtent(dc, big, "mm");
    EXPECT_EQ(&dc.CurrentFont(), before);
    EXPECT_GT(size.cy, dc.GetTextExtent("mm").cy);
}

}  // namespace
}  // namespace client
