#include "client/controls/gradient_fill.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace client {

void CGradientFill::SetColors(std::initializer_list<platform::COLORREF> colors) {
    stops_.assign(colors);
    widths_.assign(stops_.size() > 1 ? stops_.size() - 1 : 0,
                   stops_.size() > 1 ? 100.0 / double(stops_.size() - 1) : 0.0);
}

void CGradientFill::CalcBandsBetween(std::vector<Band>& out, platform::COLORREF from,
                                     platform::COLORREF to, int width, int steps) const {
    if (width <= 0) return;
    int levels = 0;
    for (int c = 0; c < 24; c += 8)
        levels = std::max(levels, std::abs(int(to >> c & 0xFF) - int(from >> c & 0xFF)));
    const int bands = std::clamp(std::min(steps, levels), 1, width);
    for (int i = 0; i < bands; ++i) {
        platform::COLORREF color = 0;
        for (int c = 0; c < 24; c += 8) {
            const int a = int(from >> c & 0xFF), b = int(to >> c & 0xFF);
            color |= platform::COLORREF(a + (b - a) * i / bands) << c;
        }
        // Equal widths; the remainder goes to the first bands.
        out.push_back({color, width / bands + (i < width % bands ? 1 : 0)});
    }
}

void CGradientFill::CalcBands(std::vector<Band>& out, int length, int steps) const {
    if (stops_.empty() || length <= 0) return;
    if (stops_.size() == 1) {
        out.push_back({stops_[0], length});
        return;
    }
    double cumulated = 0;
    int start = 0;
    for (size_t i = 0; i + 1 < stops_.size(); ++i) {
        cumulated += widths_[i];
        const bool last = i + 2 == stops_.size();
        const int end =
            last ? length : std::min(length, int(std::lround(length * cumulated / 100.0)));
        CalcBandsBetween(out, stops_[i], stops_[i + 1], end - start, steps);
        start = std::max(start, end);
    }
}

std::vector<CGradientFill::Band> CGradientFill::BuildBands(int length, int steps) const {
    std::vector<Band> bands;
    CalcBands(bands, length, steps);
    return bands;
}

void CGradientFill::Draw(platform::Painter& painter, const platform::RECT& rect, int steps,
                         bool /*usePalette*/) {
    const bool across = direction_ == kFromLeft || direction_ == kFromRight;
    const int length = across ? rect.Width() : rect.Height();
    int at = 0;
    for (const Band& band : BuildBands(length, steps)) {
        const int from = at, to = at + band.width;
        at = to;
        platform::RECT r;
        switch (direction_) {
            case kFromLeft:
                r = {rect.left + from, rect.top, rect.left + to, rect.bottom};
                break;
            case kFromRight:
                r = {rect.right - to, rect.top, rect.right - from, rect.bottom};
                break;
            case kFromTop:
                r = {rect.left, rect.top + from, rect.right, rect.top + to};
                break;
            default:
                r = {rect.left, rect.bottom - to, rect.right, rect.bottom - from};
                break;
        }
        painter.FillSolidRect(r, band.color);
    }
}

}  // namespace client
