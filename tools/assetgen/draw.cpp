#include "tools/assetgen/draw.h"

namespace assetgen {

void Disc(platform::Painter& p, const platform::RECT& box, platform::COLORREF colour) {
    p.SelectPen({platform::PS_SOLID, 1, colour});
    p.SelectBrush(platform::Brush::Solid(colour));
    p.Ellipse(box);
}

void DrawPerson(platform::Painter& p, const platform::RECT& box, platform::COLORREF body,
                platform::COLORREF head) {
    const int w = box.Width(), h = box.Height();
    Disc(p, {box.left + w / 8, box.top + h * 5 / 8, box.right - w / 8, box.bottom + h * 3 / 8},
         body);
    Disc(p, {box.left + w * 5 / 16, box.top + h / 8, box.right - w * 5 / 16, box.top + h * 5 / 8},
         head);
}

void CentredText(platform::Painter& p, const platform::RECT& box, std::string_view text,
                 const platform::FontSpec& font, platform::COLORREF colour) {
    p.SelectFont(font);
    p.SetBkMode(platform::TRANSPARENT);
    p.SetTextColor(colour);
    platform::RECT r = box;
    p.DrawText(text, r, platform::DT_CENTER | platform::DT_VCENTER | platform::DT_SINGLELINE);
}

platform::COLORREF Mix(platform::COLORREF a, platform::COLORREF b, int weight) {
    platform::COLORREF out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int x = int(a >> shift & 0xFF), y = int(b >> shift & 0xFF);
        out |= platform::COLORREF(x + (y - x) * weight / 256) << shift;
    }
    return out;
}

}  // namespace assetgen
