#include "engine/resources/font_store.h"

#include <algorithm>
#include <cstring>

#include "engine/resources/file_utils.h"

namespace engine {
namespace {

constexpr int32_t kCellPitch = kMaxFontHeight;
constexpr uint32_t kDefaultTextColor = 0xFF7D327D;
constexpr size_t kMaxTagBytes = 255;
constexpr size_t kMaxFaceBytes = 31;

bool IsLead(uint8_t b) {
    return b >= 0x81;
}

// The face cut to 31 bytes without splitting a double-byte character.
std::string CutFace(std::string_view face) {
    size_t n = 0;
    while (n < face.size() && face[n] != '\0') {
        const size_t step = IsLead(uint8_t(face[n])) && n + 1 < face.size() ? 2 : 1;
        if (n + step > kMaxFaceBytes) break;
        n += step;
    }
    return std::string(face.substr(0, n));
}

int32_t Clamp32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

FontStore::FontStore(std::unique_ptr<GlyphRasterizer> rasterizer)
    : rasterizer_(rasterizer ? std::move(rasterizer) : MakePlatformRasterizer()) {}

FontStore::~FontStore() = default;

void FontStore::Create() {
    cell_.assign(size_t(kCellPitch) * kCellPitch, 0);
    state_.color = kDefaultTextColor;
    glyphColor_ = kDefaultTextColor;
    state_.pitch = 0;
    state_.rowSpace = 0;
    scriptItems_.clear();
    lineStartState_ = {};
    created_ = true;
}

void FontStore::Destroy() {
    cell_.clear();
    cell_.shrink_to_fit();
    created_ = false;
    fontSet_ = false;
}

void FontStore::SetFont(int32_t height, int32_t weight, std::string_view face, bool italic,
                        bool underline) {
    const std::string cut = CutFace(face);
    height = std::clamp(height, 0, kMaxFontHeight);
    if (fontSet_ && height == state_.height && weight == state_.weight &&
        int32_t(italic) == state_.italic && int32_t(underline) == state_.underline &&
        cut == state_.face)
        return;
    state_.height = height;
    state_.wideAdvance = height;
    state_.weight = weight;
    state_.italic = italic;
    state_.underline = underline;
    state_.face = cut;
    rasterizer_->SetFont({cut, height, weight, italic, underline});
    fontSet_ = true;
}

void FontStore::SetSize(int32_t height) {
    SetFont(height, state_.weight, state_.face, false, false);
}

void FontStore::SetColor(uint32_t colorref) {
    state_.color = colorref;
    glyphColor_ = colorref;
}

void FontStore::LoadState(const FontState& state) {
    SetFont(state.height, state.weight, state.face, state.italic != 0, state.underline != 0);
    SetColor(state.color);
    const FontState font = state_;
    state_ = state;
    state_.face = font.face;
    state_.height = font.height;
    state_.wideAdvance = font.wideAdvance;
}

// ---- Drawing ------------------------------------------------------------------

void FontStore::DrawText(uint8_t* target, int32_t boxWidth, int32_t boxHeight, int32_t startX,
                         int32_t startY, std::string_view text) {
    if (!created_ || !target || state_.height >= kMaxFontHeight) return;
    const FontState saved = state_;
    target_ = target;
    boxWidth_ = std::max(boxWidth, 0);
    boxHeight_ = std::max(boxHeight, 0);
    measureOnly_ = false;
    penX_ = startX;
    lineTop_ = startY;
    measuredWidth_ = measuredHeight_ = 0;
    if (int64_t(boxHeight_) >= int64_t(startY) + state_.height) Layout(text);
    LoadState(saved);
    target_ = nullptr;
}

void FontStore::MeasureText(int32_t startX, int32_t startY, std::string_view text, int32_t* width,
                            int32_t* height) {
    const FontState saved = state_;
    target_ = nullptr;
    boxWidth_ = 9999999;
    boxHeight_ = 999999;
    measureOnly_ = true;
    penX_ = startX;
    lineTop_ = startY;
    measuredWidth_ = measuredHeight_ = 0;
    if (state_.height < kMaxFontHeight) Layout(text);
    measureOnly_ = false;
    LoadState(saved);
    if (width) *width = Clamp32(measuredWidth_);
    if (height) *height = Clamp32(measuredHeight_);
}

void FontStore::Layout(std::string_view text) {
    // The text is a C string: it ends at its first NUL.
    text = text.substr(0, std::min(text.size(), text.find('\0')));
    pos_ = 0;
    base_ = state_;
    glyphColor_ = state_.color;
    if (state_.leftMargin > 0 && penX_ < state_.leftMargin) penX_ = state_.leftMargin;
    lineStartState_ = state_;
    lineStartX_ = penX_;
    lineStartPos_ = 0;
    lineHeight_ = 1;
    lineBottom_ = lineTop_ + 1;
    lineDrawn_ = false;
    lineHasChar_ = false;
    stopped_ = false;

    for (;;) {
        while (pos_ < text.size() && !stopped_) {
            const uint8_t c = uint8_t(text[pos_]);
            if (c == '<') {
                const size_t end = text.find('>', pos_ + 1);
                if (end != std::string_view::npos && end - pos_ - 1 < kMaxTagBytes &&
                    end > pos_ + 1) {
                    std::string tag(text.substr(pos_ + 1, end - pos_ - 1));
                    StrToLowerAscii(tag);
                    if (ApplyTagText(tag)) {
                        pos_ = end + 1;
                        if (penX_ >= int64_t(boxWidth_) - state_.rightMargin) NewLine();
                        continue;
                    }
                }
            }
            size_t n = IsLead(c) ? 2 : 1;
            if (n == 2 && pos_ + 1 >= text.size()) {
                // A lead byte without its trail byte ends the text.
                pos_ = text.size();
                break;
            }
            const int64_t a = n == 1 ? SingleAdvance() : state_.wideAdvance;
            const int64_t limit = int64_t(boxWidth_) - state_.rightMargin;
            bool fits = penX_ + state_.pitch + a <= limit;
            // When a new line cannot help, the character is cut to the box (or
            // skipped) instead, so layout always moves on: on an empty line at
            // the left margin, and on a line that has taken nothing since it
            // began where the next one would begin (a rejected tag may have
            // moved the pen there).
            if (!fits && ((!lineHasChar_ && penX_ <= state_.leftMargin) ||
                          ((lineDrawn_ || measureOnly_) && pos_ == lineStartPos_ &&
                           state_.leftMargin >= lineStartX_)))
                fits = true;
            if (!fits) {
                if (measureOnly_) {
                    // Every line moves down a pixel at least, so the measuring
                    // box's height bounds the lines as it bounds drawing.
                    if (state_.wrap && lineTop_ < boxHeight_) {
                        NewLine();
                        continue;
                    }
                    stopped_ = true;
                    break;
                }
                // A line still being measured is drawn before anything ends.
                // The next line goes where NewLine puts it: at least a pixel
                // lower, whatever the row space says.
                const int64_t nextTop =
                    lineTop_ + std::max<int64_t>(1, lineHeight_ + int64_t(state_.rowSpace));
                if (!lineDrawn_ || (state_.wrap && nextTop + state_.height <= boxHeight_)) {
                    NewLine();
                    continue;
                }
                stopped_ = true;
                break;
            }
            if (lineHasChar_) penX_ += state_.pitch;
            lineHasChar_ = true;
            DrawGlyph(text.substr(pos_, n), int32_t(std::min<int64_t>(a, kMaxFontHeight)));
            pos_ += n;
            measuredWidth_ = std::max(measuredWidth_, penX_ + state_.rightMargin);
        }
        if (stopped_ || measureOnly_ || lineDrawn_) break;
        NewLine();  // the last line was only measured: draw it
    }
    measuredHeight_ = std::max(measuredHeight_, lineBottom_);
}

void FontStore::NewLine() {
    if (measureOnly_) {
        measuredHeight_ = std::max(measuredHeight_, lineBottom_);
        lineTop_ += std::max<int64_t>(1, lineHeight_ + state_.rowSpace);
        lineHeight_ = 1;
        lineBottom_ = lineTop_ + 1;
        penX_ = state_.leftMargin;
        lineStartX_ = penX_;
        lineStartPos_ = pos_;
        lineHasChar_ = false;
        return;
    }
    if (!lineDrawn_) {
        lineDrawn_ = true;
        RewindLine();
        return;
    }
    lineTop_ += std::max<int64_t>(1, lineHeight_ + state_.rowSpace);
    penX_ = state_.leftMargin;
    lineStartX_ = penX_;
    lineHeight_ = state_.height;
    lineBottom_ = lineTop_ + lineHeight_;
    lineStartPos_ = pos_;
    lineStartState_ = state_;
    lineDrawn_ = false;
    lineHasChar_ = false;
}

void FontStore::RewindLine() {
    pos_ = lineStartPos_;
    penX_ = lineStartX_;
    LoadState(lineStartState_);
    lineHasChar_ = false;
    lineBottom_ = lineTop_ + lineHeight_;
}

void FontStore::DrawGlyph(std::string_view ch, int32_t advance) {
    int64_t a = std::min<int64_t>(advance, int64_t(boxWidth_) - penX_);
    if (a <= 0) return;
    const int32_t height = state_.height;
    if (height > lineHeight_) {
        lineHeight_ = height;
        lineBottom_ = lineTop_ + lineHeight_;
    }
    if (measureOnly_ || !lineDrawn_) {
        penX_ += a;
        return;
    }
    const int64_t top = lineBottom_ - height;
    if (penX_ < state_.leftMargin || top < 0) {
        penX_ += a + int64_t(state_.pitch) * int64_t(ch.size());
        return;
    }
    if (ch == " " && !state_.underline) {
        penX_ += a;
        return;
    }
    const int32_t w = int32_t(a);
    rasterizer_->Render(ch, cell_.data(), kCellPitch, w, height);
    const uint32_t b = (glyphColor_ >> 16) & 0xFF, g = (glyphColor_ >> 8) & 0xFF,
                   r = glyphColor_ & 0xFF;
    for (int32_t row = 0; row < height; ++row) {
        uint8_t* cellRow = &cell_[size_t(row) * kCellPitch];
        const int64_t y = top + row;
        if (y >= 0 && y < boxHeight_) {
            for (int32_t col = 0; col < w; ++col) {
                const uint32_t k = cellRow[col];
                const int64_t x = penX_ + col;
                if (k == 0 || x < 0 || x >= boxWidth_) continue;
                uint8_t* d = target_ + (size_t(y) * size_t(boxWidth_) + size_t(x)) * 4;
                if (d[3] == 0) {
                    d[0] = uint8_t(b), d[1] = uint8_t(g), d[2] = uint8_t(r), d[3] = uint8_t(k);
                } else {
                    d[0] = uint8_t((b * k + d[0] * (255 - k)) >> 8);
                    d[1] = uint8_t((g * k + d[1] * (255 - k)) >> 8);
                    d[2] = uint8_t((r * k + d[2] * (255 - k)) >> 8);
                    d[3] = std::max<uint8_t>(d[3], uint8_t(k));
                }
            }
        }
        // Only the cell that was drawn into is cleared.
        std::memset(cellRow, 0, size_t(w));
    }
    penX_ += a;
}

// ---- Markup -------------------------------------------------------------------

bool FontStore::ApplyTagText(std::string_view tag) {
    const size_t colon = tag.find(':');
    if (tag.substr(0, colon) == "script") {
        // Collected once: not again when a measured line is drawn.
        if (measureOnly_ || lineDrawn_)
            scriptItems_.emplace_back(colon == std::string_view::npos ? std::string_view()
                                                                      : tag.substr(colon + 1));
        return true;
    }
    if (tag == "//") return true;
    size_t i = 0;
    int applied = 0;
    while (i < tag.size()) {
        while (i < tag.size() && (tag[i] == ' ' || tag[i] == ';'))
            ++i;
        if (i >= tag.size()) break;
        const size_t nameStart = i;
        while (i < tag.size() && tag[i] != '=' && tag[i] != ';')
            ++i;
        const std::string_view name = tag.substr(nameStart, i - nameStart);
        while (i < tag.size() && (tag[i] == ' ' || tag[i] == '='))
            ++i;
        const size_t valueStart = i;
        while (i < tag.size() && tag[i] != ';')
            ++i;
        if (!ApplyTag(name, tag.substr(valueStart, i - valueStart))) return false;
        ++applied;
    }
    return applied > 0;
}

bool FontStore::ApplyTag(std::string_view name, std::string_view value) {
    const int32_t num = StrToInt(value);
    FontState& s = state_;
    if (name == "color" || name == "c") {
        base_.color = s.color;
        SetColor(uint32_t(num));
    } else if (name == "rgb") {
        std::vector<std::string> parts;
        if (SplitString(value, parts) != 3) return false;
        const uint32_t r = uint8_t(StrToInt(parts[0])), g = uint8_t(StrToInt(parts[1])),
                       b = uint8_t(StrToInt(parts[2]));
        base_.color = s.color;
        SetColor(r + 256 * g + 65536 * b);
    } else if (name == "/color") {
        SetColor(base_.color);
    } else if (name == "size") {
        SetSize(num);
    } else if (name == "/size") {
        SetSize(base_.height);
    } else if (name == "fontname") {
        SetFont(s.height, s.height, ExtractQuoted(value), false, false);
    } else if (name == "/fontname") {
        SetFont(s.height, s.height, base_.face, false, false);
    } else if (name == "bold") {
        SetFont(s.height, value.empty() ? 700 : num, s.face, false, false);
    } else if (name == "/bold") {
        SetFont(s.height, base_.height, s.face, false, false);
    } else if (name == "underline") {
        SetFont(s.height, s.height, s.face, s.italic != 0, true);
    } else if (name == "/underline") {
        SetFont(s.height, s.height, s.face, s.italic != 0, false);
    } else if (name == "italic") {
        SetFont(s.height, s.height, s.face, true, s.underline != 0);
    } else if (name == "/italic") {
        SetFont(s.height, s.height, s.face, false, s.underline != 0);
    } else if (name == "rowspace") {
        s.rowSpace = num;
    } else if (name == "/rowspace") {
        s.rowSpace = base_.rowSpace;
    } else if (name == "pitch") {
        s.pitch = num;
    } else if (name == "/pitch") {
        s.pitch = base_.pitch;
    } else if (name == "rightmargin") {
        s.rightMargin = num;
    } else if (name == "/rightmargin") {
        s.rightMargin = base_.rightMargin;
    } else if (name == "leftmargin") {
        s.leftMargin = num;
        if (lineStartX_ < num) lineStartX_ = num;
    } else if (name == "/leftmargin") {
        s.leftMargin = base_.leftMargin;
    } else if (name == "break") {
        penX_ = int64_t(boxWidth_) - s.rightMargin;
    } else {
        return false;
    }
    return true;
}

}  // namespace engine
