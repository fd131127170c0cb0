#pragma once
// Small generated images and surfaces for the blitter tests. Pixels are
// 0xAARRGGBB words (B, G, R, A in memory).

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/resources/blit.h"
#include "platform/bytes.h"

namespace engine::testing {

struct Canvas {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> bytes;

    Canvas(int32_t w, int32_t h, uint32_t fill = 0)
        : width(w), height(h), bytes(size_t(w) * h * 4) {
        for (size_t i = 0; i < bytes.size(); i += 4)
            platform::StoreLE32(&bytes[i], fill);
    }
    uint32_t At(int32_t x, int32_t y) const {
        return platform::LoadLE32(&bytes[(size_t(y) * width + x) * 4]);
    }
    void Set(int32_t x, int32_t y, uint32_t pixel) {
        platform::StoreLE32(&bytes[(size_t(y) * width + x) * 4], pixel);
    }
    BlitSurface Surface() { return {bytes.data(), width, height}; }
};

// An image whose frames are stacked: 32-bit, pixel (x, y) of frame f is
// `pixel(x, y, f)`; or paletted, index(x, y) and, with alpha, alpha(x, y).
struct TestImage {
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> palette;
    BlitSource source;

    static TestImage Make32(uint32_t w, uint32_t h, uint32_t flags,
                            const std::function<uint32_t(uint32_t, uint32_t, uint32_t)>& pixel,
                            uint32_t frames = 1) {
        TestImage img;
        for (uint32_t y = 0; y < h * frames; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                img.bytes.resize(img.bytes.size() + 4);
                platform::StoreLE32(&img.bytes[img.bytes.size() - 4], pixel(x, y % h, y / h));
            }
        img.source = {.width = w, .height = h, .frameCount = frames, .flags = flags};
        img.Bind();
        return img;
    }
    static TestImage MakePaletted(uint32_t w, uint32_t h, bool withAlpha,
                                  const std::function<uint32_t(uint32_t, uint32_t)>& index,
                                  const std::function<uint32_t(uint32_t, uint32_t)>& alpha,
                                  std::vector<uint8_t> rgb, uint32_t key) {
        TestImage img;
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                img.bytes.push_back(uint8_t(index(x, y)));
                if (withAlpha) img.bytes.push_back(uint8_t(alpha(x, y)));
            }
        img.palette = std::move(rgb);
        img.source = {.width = w,
                      .height = h,
                      .flags = 4 | 1 | (withAlpha ? 8u : 0u),
                      .colorKey = key,
                      .colorCount = uint32_t(img.palette.size() / 3)};
        img.Bind();
        return img;
    }
    void Bind() {
        source.pixels = bytes.data();
        source.byteSize = bytes.size();
        source.palette = palette.empty() ? nullptr : palette.data();
    }
    TestImage() = default;
    TestImage(const TestImage& o) : bytes(o.bytes), palette(o.palette), source(o.source) { Bind(); }
    TestImage& operator=(const TestImage&) = delete;
};

// An unrotated placement of size w x h whose top-left corner lands on (x, y).
inline BlitPlacement At(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t flags = 0) {
    BlitPlacement p;
    p.drawX = x + (w + 1) / 2, p.drawY = y + (h + 1) / 2, p.width = w, p.height = h;
    p.flags = flags;
    return p;
}

inline uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}

}  // namespace engine::testing
