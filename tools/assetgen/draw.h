#pragma once
// Small drawing helpers of the generated pictures, on the window system's
// painter (so the pictures are made the way the program draws).

#include "platform/gui/painter.h"

namespace assetgen {

// A head and shoulders inside `box`.
void DrawPerson(platform::Painter& p, const platform::RECT& box, platform::COLORREF body,
                platform::COLORREF head);
// A filled circle (pen and brush of one colour).
void Disc(platform::Painter& p, const platform::RECT& box, platform::COLORREF colour);
// Text centred in `box` in the given font.
void CentredText(platform::Painter& p, const platform::RECT& box, std::string_view text,
                 const platform::FontSpec& font, platform::COLORREF colour);
// `a` and `b` mixed: 0 gives a, 256 gives b.
platform::COLORREF Mix(platform::COLORREF a, platform::COLORREF b, int weight);

}  // namespace assetgen
