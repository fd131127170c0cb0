#include "client/draw_utils.h"

#include <algorithm>

namespace client {
namespace {

// The offset of `v` inside a period of `n` (also for negative v).
int Wrap(int v, int n) {
    const int r = v % n;
    return r < 0 ? r + n : r;
}

}  // namespace

void TransparentBlit(platform::Painter& dest, int x, int y, int width, int height,
                     const platform::Surface& source, int sourceX, int sourceY,
                     platform::COLORREF colour) {
    if (width <= 0 || height <= 0) return;
    dest.TransparentBlt({x, y, x + width, y + height}, source,
                        {sourceX, sourceY, sourceX + width, sourceY + height}, colour);
}

void TileBitmap(platform::Painter& dc, const platform::RECT& rect,
                const platform::Surface& bitmap) {
    const int w = bitmap.Width();
    const int h = bitmap.Height();
    if (w <= 0 || h <= 0) return;
    for (int y = rect.top; y < rect.bottom;) {
        const int sy = Wrap(y, h);
        const int rows = std::min(h - sy, rect.bottom - y);
        for (int x = rect.left; x < rect.right;) {
            const int sx = Wrap(x, w);
            const int cols = std::min(w - sx, rect.right - x);
            dc.BitBlt(x, y, cols, rows, bitmap, sx, sy);
            x += cols;
        }
        y += rows;
    }
}

void TileBitmap(platform::Painter& dc, const platform::RECT& rect, const platform::Surface* bitmap,
                platform::COLORREF colour) {
    if (bitmap && !bitmap->Empty()) {
        TileBitmap(dc, rect, *bitmap);
    } else {
        dc.FillSolidRect(rect, colour);
    }
}

platform::SIZE MeasureTextExtent(platform::Painter& dc, const platform::FontSpec& font,
                                 std::string_view text) {
    const int saved = dc.SaveState();
    dc.SelectFont(font);
    const platform::SIZE size = dc.GetTextExtent(text);
    dc.RestoreState(saved);
    return size;
}

}  // namespace client
