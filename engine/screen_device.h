#pragma once
// The engine's logical screen: a 32-bit back buffer the size of the hosting
// view, the scene's background, the view onto a larger world and the five
// layers. Once per frame Present works out which rectangles changed, redraws
// the background and the items of layers 1 to 4 inside them in depth order,
// and copies them (or the whole screen in full-redraw mode) into the surface
// the host shows. Only the changed rectangles are touched: background and
// items are drawn clipped to each of them.

#include <array>
#include <cstdint>
#include <vector>

#include "engine/layer_stack.h"
#include "engine/resources/blit.h"

namespace platform {
class Surface;
}

namespace engine {

class ImageProvider;
struct DrawContext;

inline constexpr int32_t kEngineOk = 999999;

// Background modes.
inline constexpr uint32_t kBackKeep = 1;    // the back buffer keeps what it had
inline constexpr uint32_t kBackImage = 2;   // one image over the whole screen
inline constexpr uint32_t kBackFill = 4;    // the fill colour
inline constexpr uint32_t kBackTwo = 5;     // an image and a second one centred on it
inline constexpr uint32_t kBackCached = 1;  // background flag: keep a pre-rendered copy

// The view block.
struct ScreenView {
    int32_t halfWidth = 0, halfHeight = 0;
    int32_t width = 0, height = 0;
    int32_t centreX = 0, centreY = 0;
    int32_t worldWidth = 0, worldHeight = 0;
};

struct BackgroundRecord {
    uint32_t imageId = 0;
    int32_t srcX = 0, srcY = 0, width = 0, height = 0;
};

class ScreenDevice : public LayerStack {
  public:
    // `images` finds images by id (the resource manager); it must outlive the
    // device.
    explicit ScreenDevice(ImageProvider* images);

    void Create(int32_t width, int32_t height);
    // Rebuilds the buffers when the size differs; true when it did.
    bool EnsureSurface(int32_t width, int32_t height);
    void Resize(int32_t width, int32_t height);
    void SetWorldSize(int32_t width, int32_t height);
    void SetViewOrigin(int32_t x, int32_t y, bool redrawBackground);
    void MoveView(int32_t dx, int32_t dy);
    const ScreenView& GetViewState() const { return view_; }

    int32_t SetPixelMode(uint32_t mode);
    int32_t SetRefreshMode(uint32_t mode);
    void SetFullRedraw(int on) { fullRedraw_ = on != 0; }
    void SetFillColor(uint32_t colorref) { fillColor_ = colorref; }
    // Background from an image resource; 0 (nothing changed) when the source
    // offset lies beyond the image.
    int32_t CreateFromImage(uint32_t imageId, int32_t srcX, int32_t srcY, int32_t width,
                            int32_t height, uint32_t flags);
    // The second image of background mode 5, centred with the tile size.
    void SetSecondBackground(const BackgroundRecord& record);
    void RefreshBackground();

    void InvalidateRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
    void InvalidateAll();

    // -1 when nothing was pending (the target is untouched), else 0.
    int Present(uint32_t now, platform::Surface& target);
    void ReleaseSurfaces();

    bool TakeScreenChanged() {
        const bool c = changed_;
        changed_ = false;
        return c;
    }
    uint32_t now() const { return now_; }
    uint32_t backgroundMode() const { return backMode_; }
    const std::array<uint32_t, 3>& PixelFormat() const { return pixelFormat_; }
    BlitSurface BackBuffer() { return {back_.data(), width_, height_}; }
    const std::vector<Rect>& DirtyRects() const { return dirty_; }

  private:
    void ClampView();
    void RenderBackground(const BlitSurface& into, const BlitRect& clip);
    void RenderCache();
    void DrawBackground(const BlitRect& rect);
    void DrawItem(const LayerItem& item, const DrawRecord& record, const ScreenLayer& layer,
                  const BlitRect& clip, int depth);
    void DrawLayers(const std::vector<Rect>& rects);

    ImageProvider* images_;
    uint32_t bitsPerPixel_ = 32;
    bool changed_ = false;
    bool fullRedraw_ = false;
    uint32_t state_ = 2;
    std::array<uint32_t, 3> pixelFormat_{2, 512, 2};
    int32_t width_ = 0, height_ = 0;
    std::vector<uint8_t> back_;
    std::vector<uint8_t> cache_;
    bool cacheValid_ = false;
    uint32_t backMode_ = kBackFill;
    BackgroundRecord background_[2];
    uint32_t backgroundSet_ = 0;
    int32_t tileWidth_ = 0, tileHeight_ = 0, tileColumns_ = 0, tileRows_ = 0;
    uint32_t backFlags_ = 0;
    uint32_t fillColor_ = 0;
    ScreenView view_;
    std::vector<Rect> dirty_;
    uint32_t now_ = 0;
};

}  // namespace engine
