#pragma once
// The text entity (kind 0x1000): an entity that owns a 32-bit pixel surface
// into which marked-up text and pictures are drawn. Pixels equal to the key
// colour are made transparent after every drawing, so a surface with the key
// as background shows only what was drawn on it.

#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/entity.h"
#include "engine/resources/font_store.h"

namespace engine {

class ImageProvider;
class TextSurfacePayload;

// COLORREF 0x00BBGGRR as the pixel bytes B, G, R, A (alpha 0 for the key).
uint32_t ColorToPixel(uint32_t color, uint32_t key);

// What DrawImage draws: a rectangle of an image resource.
struct ImageRef {
    uint32_t imageId = 0;
    int32_t srcX = 0, srcY = 0, srcW = 0, srcH = 0;
};

class TextEntity : public Entity {
  public:
    explicit TextEntity(ImageProvider* images);

    using Entity::Init;
    // A surface of width x height cleared to the back colour; the entity
    // takes its size. Nothing for a side of 0 or less; a surface past the
    // picture limits is refused with a log line.
    void Init(int32_t width, int32_t height, uint32_t backColor);

    void Clear();
    void SetBackColor(uint32_t color);
    void ReplaceColor(uint32_t from, uint32_t to);
    void SetPixel(int32_t x, int32_t y, uint32_t color);
    // A one-pixel frame along the edges.
    void DrawFrame(uint32_t color);
    // Key-coloured pixels become transparent; the entity is refreshed.
    void ApplyKey();
    // Resamples the pixels to the new size (both sides above 0).
    void Resize(int32_t width, int32_t height) { ResizeSurface(width, height); }
    void ResizeSurface(int32_t width, int32_t height);
    uint8_t* GetPixels() { return pixels_.empty() ? nullptr : pixels_.data(); }
    int32_t SurfaceWidth() const { return width_; }
    int32_t SurfaceHeight() const { return height_; }
    uint32_t GetBackColor() const { return backColor_; }

    // The blend colour the screen draws the surface with.
    void SetColor(uint32_t color);
    void SetTextColor(uint32_t color) { font_.color = color; }
    void SetFontFace(int32_t height, int32_t weight, std::string_view face);
    // Draws with `store` from now on; with copyState its current state
    // becomes the surface's font state.
    void SetFontStore(FontStore* store, bool copyState);
    const FontState& Font() const { return font_; }
    FontState& Font() { return font_; }

    // Marked-up text drawn at (x, y) of the surface.
    void SetText(int32_t x, int32_t y, std::string_view text);
    // Resizes the surface to what the text measures.
    void FitToText(std::string_view text);
    // A picture drawn into the surface; a size of 0 takes the surface's.
    void DrawImage(int32_t x, int32_t y, const ImageRef& image, int32_t width, int32_t height,
                   double angle, double opacity, uint32_t blendColor);
    void SetTextEx(int32_t x, int32_t y, const ImageRef& image, int32_t width, int32_t height,
                   double angle, double opacity, uint32_t blendColor) {
        DrawImage(x, y, image, width, height, angle, opacity, blendColor);
    }

  private:
    template <class F>
    void WithStore(F&& draw);
    TextSurfacePayload* Surface();
    void Publish();

    ImageProvider* images_;
    std::vector<uint8_t> pixels_;
    int32_t width_ = 0, height_ = 0;
    uint32_t backColor_ = 0;
    uint32_t keyColor_ = 0xFF00FF;
    FontStore* store_ = nullptr;
    FontState font_;
};

// Whether a surface of width x height may be made: sides and pixels within
// the picture limits, counted in 64 bits.
bool TextSurfaceAllowed(int64_t width, int64_t height);

}  // namespace engine
