#include "platform/gui/icon.h"

#include "platform/gui/sys_colors.h"

namespace platform {
namespace {

// Premultiplied pixels for the painter's per-pixel blend.
Surface Premultiplied(const Surface& straight) {
    Surface out(straight.Width(), straight.Height());
    for (int y = 0; y < straight.Height(); ++y) {
        const uint32_t* in = straight.Row(y);
        uint32_t* row = out.Row(y);
        for (int x = 0; x < straight.Width(); ++x) {
            const uint32_t p = in[x], a = p >> 24;
            uint32_t v = a << 24;
            for (int shift = 0; shift < 24; shift += 8)
                v |= ((p >> shift & 0xFF) * a / 255) << shift;
            row[x] = v;
        }
    }
    return out;
}

}  // namespace

Icon IconFromSurface(const Surface& picture, COLORREF mask) {
    Icon icon{picture};
    if (mask == CLR_INVALID) return icon;
    const uint32_t key = PixelOf(mask) & 0xFFFFFF;
    for (int y = 0; y < picture.Height(); ++y) {
        uint32_t* row = icon.pixels.Row(y);
        for (int x = 0; x < picture.Width(); ++x)
            row[x] = (row[x] & 0xFFFFFF) == key ? 0 : (row[x] | 0xFF000000u);
    }
    return icon;
}

void DrawIcon(Painter& painter, int x, int y, const Icon& icon) {
    if (icon.Empty()) return;
    painter.AlphaBlend({x, y, x + icon.Width(), y + icon.Height()}, Premultiplied(icon.pixels),
                       icon.pixels.Bounds(), 255, true);
}

void DrawIconMask(Painter& painter, int x, int y, const Icon& icon, COLORREF color) {
    if (icon.Empty()) return;
    Surface shape(icon.Width(), icon.Height());
    for (int row = 0; row < icon.Height(); ++row)
        for (int col = 0; col < icon.Width(); ++col)
            if (IconCovers(icon, col, row)) shape.Set(col, row, PixelOf(color));
    painter.AlphaBlend({x, y, x + icon.Width(), y + icon.Height()}, shape, shape.Bounds(), 255,
                       true);
}

void DrawIconDisabled(Painter& painter, int x, int y, const Icon& icon) {
    DrawIconMask(painter, x + 1, y + 1, icon, GetSysColor(COLOR_3DHILIGHT));
    DrawIconMask(painter, x, y, icon, GetSysColor(COLOR_3DSHADOW));
}

}  // namespace platform
