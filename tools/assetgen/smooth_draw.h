#pragma once
// Drawing with smooth edges: shapes are drawn kSmooth times larger on a
// clear surface and averaged down, so their edges get partial alpha; text
// becomes an alpha mask of its own, to lie on anything.

#include <functional>

#include "platform/gui/painter.h"

namespace assetgen {

inline constexpr int kSmooth = 4;

// A width x height picture drawn by `draw` at kSmooth times the size (it is
// handed the painter and the scale).
platform::Surface Smooth(int width, int height,
                         const std::function<void(platform::Painter&, int scale)>& draw);
// A filled rectangle with corners rounded by `radius`.
void RoundRect(platform::Painter& p, const platform::RECT& r, int radius,
               platform::COLORREF colour);
// `text` centred in a width x height picture: `colour` where the glyphs
// are, clear elsewhere, edges by the glyphs' coverage.
platform::Surface TextMask(int width, int height, std::string_view text,
                           const platform::FontSpec& font, platform::COLORREF colour);
// The same text with a dark copy one pixel down and right under it.
platform::Surface ShadowedText(int width, int height, std::string_view text,
                               const platform::FontSpec& font, platform::COLORREF colour);
// A bold face of the given pixel height ("黑体" unless named).
platform::FontSpec Bold(int height, const char* face = "黑体");

}  // namespace assetgen
