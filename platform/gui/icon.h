#pragma once
// Icons: a small picture whose pixels carry straight alpha (a Win32 icon's
// colour and mask in one surface), and the ways the program draws them:
// plainly, in one colour through their shape, and disabled (embossed).

#include "platform/gui/painter.h"
#include "platform/gui/surface.h"

namespace platform {

struct Icon {
    Surface pixels;  // 0xAARRGGBB, straight alpha

    int Width() const { return pixels.Width(); }
    int Height() const { return pixels.Height(); }
    bool Empty() const { return pixels.Empty(); }
    bool operator==(const Icon&) const = default;
};

// An icon of a picture: pixels of `mask` (red, green and blue compared)
// become clear, the others opaque; without a mask colour the picture's own
// alpha stays.
Icon IconFromSurface(const Surface& picture, COLORREF mask = CLR_INVALID);

// Whether the icon covers a pixel (alpha of at least half).
inline bool IconCovers(const Icon& icon, int x, int y) {
    return (icon.pixels.At(x, y) >> 24) >= 128;
}

// DrawIconEx: the icon blended at (x, y).
void DrawIcon(Painter& painter, int x, int y, const Icon& icon);
// The icon's shape filled with one colour.
void DrawIconMask(Painter& painter, int x, int y, const Icon& icon, COLORREF color);
// DrawState with DSS_DISABLED: the shape in the highlight colour one pixel
// down and right, then in the shadow colour in place.
void DrawIconDisabled(Painter& painter, int x, int y, const Icon& icon);

}  // namespace platform
