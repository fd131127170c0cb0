#pragma once
// Fonts for painting: a face named the way the program names it ("宋体",
// "Arial", ...) is looked up through an alias table and fontconfig, opened
// with FreeType and rasterised into 8-bit coverage glyphs. Bold and italic
// are synthesised when the face has no such style. Glyphs are cached per
// font; a font may be used from any thread.
//
//   auto font = platform::Font::Open({.face = "宋体", .height = -12});
//   const platform::Glyph& g = font->GlyphAt(gbkText, pos, &length);
//   int width = font->MeasureText(gbkText);

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

inline constexpr int FW_NORMAL = 400;
inline constexpr int FW_BOLD = 700;
inline constexpr int GB2312_CHARSET = 134;

// What a LOGFONT says, in the units the program uses. A negative height is
// the character (em) height in pixels, a positive one the cell height
// (ascent + descent), 0 a default of 12 pixels. A width of 0 keeps the
// face's proportions; otherwise it is the average character width.
struct FontSpec {
    std::string face;  // GBK
    int height = 0;
    int width = 0;
    int weight = FW_NORMAL;
    bool italic = false;
    bool underline = false;
    int charset = GB2312_CHARSET;

    bool operator==(const FontSpec&) const = default;
};

// Cell metrics in pixels, as TEXTMETRIC reports them.
struct TextMetrics {
    int height = 0;  // ascent + descent
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0;  // height - em height
    int externalLeading = 0;
    int aveCharWidth = 0;
    int maxCharWidth = 0;
    int overhang = 0;  // extra width of synthetic bold
};

// One rasterised character. The bitmap's top-left corner is at
// (pen x + left, baseline - top); rows are `width` bytes of coverage 0-255.
struct Glyph {
    int width = 0;
    int height = 0;
    int left = 0;
    int top = 0;
    int advance = 0;
    std::vector<uint8_t> coverage;

    uint8_t At(int x, int y) const { return coverage[size_t(y) * size_t(width) + size_t(x)]; }
};

class Font {
  public:
    // Never fails while any font is installed: an unknown face falls back to
    // the default CJK face. Equal specs share one font.
    static std::shared_ptr<const Font> Open(const FontSpec& spec);

    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    const FontSpec& Spec() const { return spec_; }
    const TextMetrics& Metrics() const { return metrics_; }
    int Ascent() const { return metrics_.ascent; }
    int Descent() const { return metrics_.descent; }
    int Height() const { return metrics_.height; }
    bool Bold() const { return spec_.weight >= 600; }
    // Underline stroke: its top relative to the baseline (positive is
    // below) and its thickness, at least one pixel.
    int UnderlinePosition() const { return underlinePosition_; }
    int UnderlineThickness() const { return underlineThickness_; }
    // The file the primary face came from (tests and diagnostics).
    const std::string& FilePath() const;

    // The glyph of a code point; characters the face lacks come from the
    // fallback CJK faces, and failing that an empty glyph with the advance
    // of a blank. Control characters (below U+0020) are empty and take no
    // room. The reference stays valid as long as the font.
    const Glyph& GlyphFor(char32_t codePoint) const;
    // The glyph of the GBK character at text[pos]; `length` receives its
    // byte count (0 at the end of the text, which returns an empty glyph).
    const Glyph& GlyphAt(std::string_view gbk, size_t pos, size_t* length) const;

    // Width in pixels of a line of GBK text (sum of advances).
    int MeasureText(std::string_view gbk) const;

  private:
    struct Impl;
    explicit Font(const FontSpec& spec);

    FontSpec spec_;
    TextMetrics metrics_;
    int underlinePosition_ = 0;
    int underlineThickness_ = 1;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
