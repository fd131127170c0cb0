#include "engine/resources/glyph_rasterizer.h"

#include <algorithm>

#include "platform/font/font.h"

namespace engine {
namespace {

class PlatformRasterizer : public GlyphRasterizer {
  public:
    void SetFont(const GlyphFont& font) override {
        platform::FontSpec spec;
        spec.face = font.face;
        spec.height = -std::max(font.height, 1);  // the character height, as CreateFont's -h
        spec.weight = font.weight;
        spec.italic = font.italic;
        spec.underline = font.underline;
        font_ = platform::Font::Open(spec);
    }

    void Render(std::string_view gbk, uint8_t* cell, int32_t pitch, int32_t width,
                int32_t height) override {
        if (!font_ || gbk.empty()) return;
        size_t n = 0;
        const platform::Glyph& g = font_->GlyphAt(gbk, 0, &n);
        const int32_t baseline = font_->Ascent();
        const int32_t x0 = g.left, y0 = baseline - g.top;
        for (int32_t y = 0; y < g.height; ++y) {
            const int32_t cy = y0 + y;
            if (cy < 0 || cy >= height) continue;
            for (int32_t x = 0; x < g.width; ++x) {
                const int32_t cx = x0 + x;
                if (cx < 0 || cx >= width) continue;
                cell[size_t(cy) * size_t(pitch) + size_t(cx)] = g.At(x, y);
            }
        }
        if (font_->Spec().underline) {
            const int32_t top = baseline + font_->UnderlinePosition();
            for (int32_t y = top; y < top + font_->UnderlineThickness(); ++y) {
                if (y < 0 || y >= height) continue;
                std::fill_n(cell + size_t(y) * size_t(pitch), size_t(width), uint8_t(255));
            }
        }
    }

  private:
    std::shared_ptr<const platform::Font> font_;
};

}  // namespace

std::unique_ptr<GlyphRasterizer> MakePlatformRasterizer() {
    return std::make_unique<PlatformRasterizer>();
}

}  // namespace engine
