#pragma once
// Drawing helpers of the client framework on the window system's painter:
// a copy that leaves one colour transparent, tiling aligned to the device
// origin, and measuring text in a given font.

#include <memory>
#include <string_view>

#include "platform/gui/painter.h"

namespace client {

// Copies the source rectangle to (x, y) leaving the pixels of `colour` out.
void TransparentBlit(platform::Painter& dest, int x, int y, int width, int height,
                     const platform::Surface& source, int sourceX, int sourceY,
                     platform::COLORREF colour);

// Fills `rect` with copies of `bitmap`; the first tile starts inside the
// bitmap at (left mod width, top mod height), so the tiles of neighbouring
// rectangles line up. An empty bitmap draws nothing.
void TileBitmap(platform::Painter& dc, const platform::RECT& rect, const platform::Surface& bitmap);
// The same; without a bitmap (null or empty) `rect` is filled with `colour`.
void TileBitmap(platform::Painter& dc, const platform::RECT& rect, const platform::Surface* bitmap,
                platform::COLORREF colour);

// The extent of `text` in `font`; the painter keeps the font it had.
platform::SIZE MeasureTextExtent(platform::Painter& dc, const platform::FontSpec& font,
                                 std::string_view text);

}  // namespace client
