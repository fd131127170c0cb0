#include "tools/assetgen/smooth_draw.h"

#include "tools/assetgen/draw.h"
#include "tools/assetgen/raster.h"

namespace assetgen {

using platform::Surface;

Surface Smooth(int width, int height,
               const std::function<void(platform::Painter&, int scale)>& draw) {
    Surface big(width * kSmooth, height * kSmooth);
    {
        platform::Painter p(big);
        draw(p, kSmooth);
    }
    return Resample(big, width, height);
}

void RoundRect(platform::Painter& p, const platform::RECT& r, int radius,
               platform::COLORREF colour) {
    const int d = 2 * radius;
    for (int x : {r.left, r.right - d})
        for (int y : {r.top, r.bottom - d})
            Disc(p, {x, y, x + d, y + d}, colour);
    p.FillSolidRect({r.left + radius, r.top, r.right - radius, r.bottom}, colour);
    p.FillSolidRect({r.left, r.top + radius, r.right, r.bottom - radius}, colour);
}

Surface TextMask(int width, int height, std::string_view text, const platform::FontSpec& font,
                 platform::COLORREF colour) {
    Surface ink(width, height);
    ink.Fill(platform::PixelOf(0));
    {
        platform::Painter p(ink);
        CentredText(p, ink.Bounds(), text, font, platform::RGB(255, 255, 255));
    }
    const uint32_t rgb = platform::PixelOf(colour) & 0x00FFFFFFu;
    for (int y = 0; y < height; ++y) {
        uint32_t* row = ink.Row(y);
        for (int x = 0; x < width; ++x)
            row[x] = (row[x] & 0xFF) << 24 | rgb;
    }
    return ink;
}

Surface ShadowedText(int width, int height, std::string_view text, const platform::FontSpec& font,
                     platform::COLORREF colour) {
    Surface out(width, height);
    Over(out, TextMask(width, height, text, font, platform::RGB(30, 20, 10)), 1, 1);
    Over(out, TextMask(width, height, text, font, colour), 0, 0);
    return out;
}

platform::FontSpec Bold(int height, const char* face) {
    return {.face = face, .height = -height, .weight = platform::FW_BOLD};
}

}  // namespace assetgen
