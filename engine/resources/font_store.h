#pragma once
// The rich-text renderer: GBK text with inline markup ("<color=255>",
// "<size=30;bold>", "<break>", ...) drawn into 32-bit pixel buffers. Each
// character is rendered into one private coverage cell and blended into the
// target with the current colour, so text keeps an alpha channel over
// transparent surfaces. Characters sit on a fixed grid (half the height for a
// single-byte character, the height for a double-byte one); each line is
// measured, then drawn, so characters of different sizes share a bottom line.
//
// Layout always ends: a character that does not fit even on an empty line is
// cut to the box (or skipped), and every new line moves down at least one
// pixel.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/resources/glyph_rasterizer.h"

namespace engine {

inline constexpr int32_t kMaxFontHeight = 300;

// The unit that is saved, restored and copied.
struct FontState {
    std::string face;         // GBK, at most 31 bytes
    uint32_t color = 0;       // COLORREF
    int32_t height = 0;       // pixels, at most 300
    int32_t wideAdvance = 0;  // double-byte advance (= height)
    int32_t weight = 0;
    int32_t pitch = 0;     // extra pixels between characters
    int32_t rowSpace = 0;  // extra pixels between lines
    int32_t leftMargin = 0;
    int32_t rightMargin = 0;
    int32_t wrap = 0;  // 1: wrap at the right margin; 0: stop there
    int32_t underline = 0;
    int32_t italic = 0;
    bool operator==(const FontState&) const = default;
};

// Where FitFont puts a caption, and the font it chose.
struct CaptionFit {
    int32_t x = 0;
    int32_t y = 0;
};

class FontStore {
  public:
    // Without a rasteriser the platform's fonts are used.
    explicit FontStore(std::unique_ptr<GlyphRasterizer> rasterizer = nullptr);
    ~FontStore();
    FontStore(const FontStore&) = delete;
    FontStore& operator=(const FontStore&) = delete;

    void Create();
    void Destroy();

    void SetFont(int32_t height, int32_t weight, std::string_view face, bool italic,
                 bool underline);
    void SetSize(int32_t height);
    void SetColor(uint32_t colorref);
    FontState SaveState() const { return state_; }
    void LoadState(const FontState& state);
    FontState& state() { return state_; }

    // Draws marked-up text into a box of 32-bit pixels (width x height x 4
    // bytes); the state before the call is restored when it returns.
    void DrawText(uint8_t* target, int32_t boxWidth, int32_t boxHeight, int32_t startX,
                  int32_t startY, std::string_view text);
    // The same layout without drawing: the widest pen position plus the right
    // margin, and the bottom of the last line.
    void MeasureText(int32_t startX, int32_t startY, std::string_view text, int32_t* width,
                     int32_t* height);

    // Chooses an even font height, pitch and row space so that `caption` fits
    // a button of boxWidth x boxHeight; may shorten the caption in place.
    // Margins and the fixed height are 0 when not given.
    CaptionFit FitFont(int32_t boxWidth, int32_t boxHeight, std::string& caption, int32_t hMargin,
                       int32_t vMargin, int32_t fixedHeight);

    const std::vector<std::string>& ScriptItems() const { return scriptItems_; }
    void ClearScriptItems() { scriptItems_.clear(); }

  private:
    struct Char;
    void Layout(std::string_view text);
    bool ApplyTagText(std::string_view tag);
    bool ApplyTag(std::string_view name, std::string_view value);
    void NewLine();
    void RewindLine();
    void DrawGlyph(std::string_view ch, int32_t advance);
    int32_t SingleAdvance() const { return (state_.height + 1) / 2; }

    std::unique_ptr<GlyphRasterizer> rasterizer_;
    bool created_ = false;
    bool fontSet_ = false;
    FontState state_;
    FontState base_;             // closing tags return to it; its colour is the previous colour
    std::vector<uint8_t> cell_;  // kMaxFontHeight squared coverage bytes
    uint32_t glyphColor_ = 0;
    // The box and the layout of the call in progress.
    uint8_t* target_ = nullptr;
    int32_t boxWidth_ = 0, boxHeight_ = 0;
    int64_t penX_ = 0;
    int64_t lineTop_ = 0, lineHeight_ = 0, lineBottom_ = 0;
    size_t pos_ = 0, lineStartPos_ = 0;
    int64_t lineStartX_ = 0;
    bool lineDrawn_ = false;
    bool lineHasChar_ = false;
    bool measureOnly_ = false;
    bool stopped_ = false;
    FontState lineStartState_;
    int64_t measuredWidth_ = 0, measuredHeight_ = 0;
    std::vector<std::string> scriptItems_;
};

}  // namespace engine
