// Caption fitting: the font height, pitch and row space that make a caption
// fill a button, shortening it with ".." when it cannot fit.

#include <algorithm>

#include "engine/resources/font_store.h"

namespace engine {
namespace {

bool IsLead(char c) {
    return uint8_t(c) >= 0x81;
}

// Byte offsets of the characters of `text`, double-byte ones kept whole.
std::vector<size_t> CharStarts(std::string_view text) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < text.size();) {
        starts.push_back(i);
        i += IsLead(text[i]) && i + 1 < text.size() ? 2 : 1;
    }
    return starts;
}

// Replaces the end by "..", removing at least two bytes of whole characters
// before the dots; a caption that already ends in ".." loses characters
// before them, so repeated shortening always gets shorter.
void ShortenWithDots(std::string& caption) {
    std::string body = caption;
    if (body.size() >= 2 && body.compare(body.size() - 2, 2, "..") == 0)
        body.resize(body.size() - 2);
    const std::vector<size_t> starts = CharStarts(body);
    size_t keep = body.size();
    for (size_t k = starts.size(); k-- > 0;) {
        keep = starts[k];
        if (body.size() - keep >= 2) break;
    }
    body.resize(keep);
    caption = body + "..";
}

struct Counts {
    int32_t single = 0;  // after the first character
    int32_t wide = 0;
    bool firstSingle = false;
    bool allWide = true;
    bool anyWide = false;
};

Counts CountChars(std::string_view text) {
    Counts c;
    const std::vector<size_t> starts = CharStarts(text);
    for (size_t k = 0; k < starts.size(); ++k) {
        const bool wide = IsLead(text[starts[k]]) && starts[k] + 1 < text.size();
        c.allWide = c.allWide && wide;
        c.anyWide = c.anyWide || wide;
        if (k == 0) {
            c.firstSingle = !wide;
            continue;
        }
        (wide ? c.wide : c.single) += 1;
    }
    return c;
}

int32_t Even(int32_t v) {
    return std::max(v, 0) & ~1;
}

}  // namespace

CaptionFit FontStore::FitFont(int32_t boxWidth, int32_t boxHeight, std::string& caption,
                              int32_t hMargin, int32_t vMargin, int32_t fixedHeight) {
    const int32_t width = boxWidth, height = boxHeight;
    for (;;) {
        int32_t n = int32_t(std::min<size_t>(caption.size(), 4096));
        if (n == 0) return {0, 0};
        int32_t s = hMargin ? 2 * (width - 2 * hMargin) / n : 2 * width / (n + 2);
        const int32_t cap = vMargin ? height - 2 * vMargin : int32_t(height / 1.5);
        s = std::min(s, cap);
        const int32_t m = hMargin ? hMargin : s / 2;
        const int32_t v = vMargin ? vMargin : s / 4;
        int32_t h = Even(fixedHeight ? fixedHeight : s);

        bool shortened = false;
        if (fixedHeight) {
            while (n > 0 && width - 2 * m - h * n / 2 < 0) {
                if (n < 3) {
                    caption.clear();
                } else if (n < 5) {
                    caption.resize(IsLead(caption[0]) && caption.size() > 1 ? 2 : 1);
                } else {
                    ShortenWithDots(caption);
                }
                shortened = true;
                n = int32_t(caption.size());
            }
            if (n == 0) return {0, 0};
        }

        const Counts c = CountChars(caption);
        const int32_t slots = c.single + 2 * c.wide;
        int32_t t = h * n / 2;
        int32_t gap = std::max((width - t) / (c.single + 2 + 2 * c.wide), m);
        int32_t y = (height - h) / 2;
        int32_t pitch =
            (n > 2 || (n == 2 && c.firstSingle)) && slots > 0 ? (width - 2 * gap - t) / slots : 0;
        int32_t rowSpace = 0;
        int32_t x = (width - slots * pitch - t) / 2;

        const bool twoRowsShape = (c.allWide && n % 4 == 0 && n > 3) || (!c.anyWide && n > 1);
        if (!fixedHeight && !shortened && twoRowsShape) {
            int32_t s2 = hMargin ? 4 * (width - 2 * hMargin) / n : 2 * width / (n / 2 + 2);
            s2 = std::min(s2, vMargin ? (height - 2 * vMargin) / 2 : height / 3);
            if (s2 >= h) {
                h = Even(s2);
                const std::string row = caption.substr(0, size_t(n / 2));
                const Counts rc = CountChars(row);
                const int32_t rowSlots = rc.single + 2 * rc.wide;
                t = h * (n / 2) / 2;
                gap = std::max((width - t) / (rc.single + 2 + 2 * rc.wide), m);
                pitch = rowSlots > 0 ? (width - 2 * gap - t) / rowSlots : 0;
                rowSpace = height - 2 * (h + v);
                x = (width - rowSlots * pitch - t) / 2;
                y = v;
            }
        }

        if (!fixedHeight && n > 4 && h < std::max(12, std::min(width, height) / 5)) {
            ShortenWithDots(caption);
            continue;
        }
        SetSize(h);
        state_.pitch = pitch;
        state_.rowSpace = rowSpace;
        return {x, y};
    }
}

}  // namespace engine
