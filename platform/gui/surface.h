#pragma once
// A 32-bit BGRA pixel surface (bitmaps, window back buffers, DIB sections):
// rows run top-down, each pixel is 0xAARRGGBB in a uint32_t (bytes B, G, R, A
// in memory). PNG files are the way pictures leave and enter tests.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gui/geometry.h"

namespace platform {

// COLORREF (0x00BBGGRR) to an opaque surface pixel and back.
constexpr uint32_t PixelOf(COLORREF c) {
    return 0xFF000000u | (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}
constexpr COLORREF ColorOf(uint32_t pixel) {
    return (pixel >> 16 & 0xFF) | (pixel & 0xFF00) | (pixel & 0xFF) << 16;
}

class Surface {
  public:
    Surface() = default;
    // Negative sizes count as 0; the pixels start as 0 (transparent black).
    Surface(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }
    RECT Bounds() const { return {0, 0, width_, height_}; }

    uint32_t* Row(int y) { return pixels_.data() + size_t(y) * size_t(width_); }
    const uint32_t* Row(int y) const { return pixels_.data() + size_t(y) * size_t(width_); }
    uint32_t* Data() { return pixels_.data(); }
    const uint32_t* Data() const { return pixels_.data(); }
    size_t ByteSize() const { return pixels_.size() * 4; }

    // Out-of-range reads give 0; out-of-range writes do nothing.
    uint32_t At(int x, int y) const;
    void Set(int x, int y, uint32_t pixel);
    void Fill(uint32_t pixel);
    // Keeps the overlapping pixels; new ones are 0.
    void Resize(int width, int height);

    // PNG with alpha. Save returns false (and leaves no partial file) on
    // failure; Load returns an empty surface for a missing or bad file.
    bool SavePng(const std::string& path) const;
    static Surface LoadPng(const std::string& path);

    bool operator==(const Surface&) const = default;

  private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint32_t> pixels_;
};

}  // namespace platform
