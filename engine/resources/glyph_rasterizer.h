#pragma once
// What the rich-text renderer asks of a font: render one GBK character into
// a coverage cell whose top edge is the top of the font's character cell,
// the way a character drawn at (0, 0) of a glyph surface lands. The program
// uses the platform's FreeType fonts; layout tests use fixed metrics.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace engine {

struct GlyphFont {
    std::string face;    // GBK
    int32_t height = 0;  // character height in pixels
    int32_t weight = 400;
    bool italic = false;
    bool underline = false;
    bool operator==(const GlyphFont&) const = default;
};

class GlyphRasterizer {
  public:
    virtual ~GlyphRasterizer() = default;
    // Selects the font later characters are drawn with.
    virtual void SetFont(const GlyphFont& font) = 0;
    // Writes the coverage (0-255) of the character `gbk` (one or two bytes)
    // into the cell of `width` x `height` bytes, rows `pitch` apart; the
    // cell is all zero on entry and nothing outside it may be written.
    virtual void Render(std::string_view gbk, uint8_t* cell, int32_t pitch, int32_t width,
                        int32_t height) = 0;
};

// FreeType through the platform's font table (face aliases, synthetic bold
// and italic, underline).
std::unique_ptr<GlyphRasterizer> MakePlatformRasterizer();

}  // namespace engine
