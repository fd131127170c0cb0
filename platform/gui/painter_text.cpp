// Text output of the painter: TextOut, extents and DrawText's layout.

#include <algorithm>
#include <string>
#include <vector>

#include "platform/gui/painter.h"
#include "platform/text.h"

namespace platform {
namespace {

struct Line {
    std::string text;
    int underlineIndex = -1;  // byte offset of the '&'-marked character
};

// Removes '&' prefixes: "&&" is a literal '&', "&x" underlines x.
Line StripPrefixes(std::string_view text) {
    Line line;
    for (size_t pos = 0; pos < text.size();) {
        size_t n = GbkCharLength(text, pos);
        if (text[pos] == '&' && pos + 1 < text.size()) {
            ++pos;
            if (text[pos] != '&') line.underlineIndex = int(line.text.size());
            n = GbkCharLength(text, pos);
        }
        line.text.append(text.substr(pos, n));
        pos += n;
    }
    return line;
}

std::string ExpandTabs(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\t') {
            out.append(8 - out.size() % 8, ' ');
        } else {
            out.push_back(c);
        }
    }
    return out;
}

// Splits at "\r\n", "\n" and "\r", keeping the underline mark on its line.
std::vector<Line> SplitLines(const Line& whole) {
    std::vector<Line> lines(1);
    const std::string& t = whole.text;
    for (size_t pos = 0; pos < t.size();) {
        size_t n = GbkCharLength(t, pos);
        if (t[pos] == '\r' || t[pos] == '\n') {
            if (t[pos] == '\r' && pos + 1 < t.size() && t[pos + 1] == '\n') n = 2;
            lines.emplace_back();
        } else {
            if (whole.underlineIndex == int(pos)) {
                lines.back().underlineIndex = int(lines.back().text.size());
            }
            lines.back().text.append(t, pos, n);
        }
        pos += n;
    }
    return lines;
}

// Word-break tokens: a run of blanks, a run of single-byte non-blanks, or
// one double-byte character (CJK text may break between any two).
size_t TokenEnd(const std::string& t, size_t pos) {
    auto isBlank = [&](size_t i) { return t[i] == ' '; };
    size_t n = GbkCharLength(t, pos);
    if (n == 2) return pos + 2;
    bool blank = isBlank(pos);
    size_t end = pos + 1;
    while (end < t.size() && GbkCharLength(t, end) == 1 && isBlank(end) == blank)
        ++end;
    return end;
}

std::vector<Line> WrapLine(const Font& font, const Line& line, int width, bool breakWords) {
    std::vector<Line> out;
    const std::string& t = line.text;
    Line current;
    int currentWidth = 0;
    auto flush = [&] {
        while (!current.text.empty() && current.text.back() == ' ')
            current.text.pop_back();
        out.push_back(std::move(current));
        current = Line{};
        currentWidth = 0;
    };
    size_t pos = 0;
    while (pos < t.size()) {
        size_t end = TokenEnd(t, pos);
        std::string_view token(t.data() + pos, end - pos);
        int tokenWidth = font.MeasureText(token);
        bool blank = token[0] == ' ';
        if (currentWidth + tokenWidth > width && !current.text.empty() && !blank) flush();
        if (current.text.empty() && blank && !out.empty()) {
            pos = end;  // blanks at a break vanish
            continue;
        }
        if (tokenWidth > width && current.text.empty() && breakWords && end - pos > 1) {
            // An over-long word is broken between characters.
            size_t n = GbkCharLength(t, pos);
            int w = font.MeasureText(std::string_view(t.data() + pos, n));
            if (line.underlineIndex == int(pos)) current.underlineIndex = 0;
            current.text.append(t, pos, n);
            currentWidth += w;
            pos += n;
            while (pos < end) {
                size_t m = GbkCharLength(t, pos);
                int cw = font.MeasureText(std::string_view(t.data() + pos, m));
                if (currentWidth + cw > width) flush();
                if (line.underlineIndex == int(pos)) {
                    current.underlineIndex = int(current.text.size());
                }
                current.text.append(t, pos, m);
                currentWidth += cw;
                pos += m;
            }
            continue;
        }
        if (line.underlineIndex >= int(pos) && line.underlineIndex < int(end)) {
            current.underlineIndex = int(current.text.size()) + line.underlineIndex - int(pos);
        }
        current.text.append(token);
        currentWidth += tokenWidth;
        pos = end;
    }
    flush();
    return out;
}

// Cuts the line so that it and "..." fit `width`.
void AddEndEllipsis(const Font& font, Line& line, int width) {
    if (font.MeasureText(line.text) <= width) return;
    const int dots = font.MeasureText("...");
    std::string kept;
    int keptWidth = 0;
    for (size_t pos = 0; pos < line.text.size();) {
        size_t n = GbkCharLength(line.text, pos);
        int w = font.MeasureText(std::string_view(line.text.data() + pos, n));
        if (keptWidth + w + dots > width) break;
        kept.append(line.text, pos, n);
        keptWidth += w;
        pos += n;
    }
    if (line.underlineIndex >= int(kept.size())) line.underlineIndex = -1;
    line.text = kept + "...";
}

}  // namespace

void Painter::DrawGlyph(const Glyph& glyph, int penX, int baseline, uint32_t color) {
    if (glyph.width == 0 || glyph.height == 0) return;
    RECT box{penX + glyph.left, baseline - glyph.top, penX + glyph.left + glyph.width,
             baseline - glyph.top + glyph.height};
    const uint32_t cr = color >> 16 & 0xFF, cg = color >> 8 & 0xFF, cb = color & 0xFF;
    ForEachClipped(box, [&](const RECT& piece) {
        for (int y = piece.top; y < piece.bottom; ++y) {
            uint32_t* row = target_->Row(y);
            for (int x = piece.left; x < piece.right; ++x) {
                uint32_t k = glyph.At(x - box.left, y - box.top);
                if (k == 0) continue;
                uint32_t d = row[x];
                uint32_t r = (cr * k + (d >> 16 & 0xFF) * (255 - k) + 127) / 255;
                uint32_t g = (cg * k + (d >> 8 & 0xFF) * (255 - k) + 127) / 255;
                uint32_t b = (cb * k + (d & 0xFF) * (255 - k) + 127) / 255;
                row[x] = 0xFF000000u | r << 16 | g << 8 | b;
            }
        }
    });
}

void Painter::DrawUnderline(int x, int width, int baseline) {
    const Font& font = *state_.font;
    int top = baseline + font.UnderlinePosition();
    FillSurfaceRect({x, top, x + width, top + font.UnderlineThickness()},
                    PixelOf(state_.textColor));
}

void Painter::DrawLineText(int x, int y, std::string_view text, int underlineIndex) {
    const Font& font = *state_.font;
    const int sx = x + state_.origin.x, sy = y + state_.origin.y;
    const int baseline = sy + font.Ascent();
    const int width = font.MeasureText(text);
    if (state_.bkMode == OPAQUE) {
        FillSurfaceRect({sx, sy, sx + width, sy + font.Height()}, PixelOf(state_.bkColor));
    }
    const uint32_t color = PixelOf(state_.textColor);
    int pen = sx;
    for (size_t pos = 0; pos < text.size();) {
        size_t n = 0;
        const Glyph& glyph = font.GlyphAt(text, pos, &n);
        DrawGlyph(glyph, pen, baseline, color);
        if (int(pos) == underlineIndex) DrawUnderline(pen, glyph.advance, baseline);
        pen += glyph.advance;
        pos += n;
    }
    if (font.Spec().underline && width > 0) DrawUnderline(sx, width, baseline);
}

void Painter::TextOut(int x, int y, std::string_view text) {
    DrawLineText(x, y, text, -1);
}

SIZE Painter::GetTextExtent(std::string_view text) const {
    return {state_.font->MeasureText(text), state_.font->Height()};
}

int Painter::DrawText(std::string_view text, RECT& rect, unsigned format) {
    const Font& font = *state_.font;
    Line whole = (format & DT_NOPREFIX) ? Line{std::string(text), -1} : StripPrefixes(text);
    if (format & DT_EXPANDTABS) whole.text = ExpandTabs(whole.text);

    std::vector<Line> lines;
    if (format & DT_SINGLELINE) {
        Line single;
        for (size_t pos = 0; pos < whole.text.size(); ++pos) {
            if (whole.underlineIndex == int(pos)) single.underlineIndex = int(single.text.size());
            if (whole.text[pos] != '\r' && whole.text[pos] != '\n') {
                single.text.push_back(whole.text[pos]);
            }
        }
        lines.push_back(std::move(single));
    } else {
        for (Line& line : SplitLines(whole)) {
            if (format & DT_WORDBREAK) {
                for (Line& part : WrapLine(font, line, std::max(rect.Width(), 0),
                                           (format & DT_EDITCONTROL) != 0)) {
                    lines.push_back(std::move(part));
                }
            } else {
                lines.push_back(std::move(line));
            }
        }
    }
    if (format & DT_END_ELLIPSIS) {
        for (Line& line : lines)
            AddEndEllipsis(font, line, std::max(rect.Width(), 0));
    }

    const int lineHeight = font.Height();
    const int total = lineHeight * int(lines.size());
    int widest = 0;
    for (const Line& line : lines)
        widest = std::max(widest, font.MeasureText(line.text));

    int top = rect.top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) top = rect.top + (rect.Height() - lineHeight) / 2;
        if (format & DT_BOTTOM) top = rect.bottom - lineHeight;
    }
    const int result = (format & (DT_VCENTER | DT_BOTTOM)) ? top - rect.top + total : total;

    if (format & DT_CALCRECT) {
        rect.right = rect.left + widest;
        rect.bottom = rect.top + total;
        return total;
    }

    int level = 0;
    if (!(format & DT_NOCLIP)) {
        level = SaveState();
        IntersectClipRect(rect);
    }
    int y = top;
    for (const Line& line : lines) {
        int width = font.MeasureText(line.text);
        int x = rect.left;
        if (format & DT_CENTER) x = rect.left + (rect.Width() - width) / 2;
        if (format & DT_RIGHT) x = rect.right - width;
        DrawLineText(x, y, line.text, line.underlineIndex);
        y += lineHeight;
    }
    if (level) RestoreState(level);
    return result;
}

}  // namespace platform
