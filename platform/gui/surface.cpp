#include "platform/gui/surface.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace platform {
namespace {

// Larger requests are bad sizes, not pictures.
constexpr int kMaxSide = 16384;

int ClampSide(int side) {
    return std::clamp(side, 0, kMaxSide);
}

}  // namespace

Surface::Surface(int width, int height)
    : width_(ClampSide(width)),
      height_(ClampSide(height)),
      pixels_(size_t(width_) * size_t(height_), 0) {
    if (width_ == 0 || height_ == 0) {
        width_ = height_ = 0;
        pixels_.clear();
    }
}

uint32_t Surface::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return Row(y)[x];
}

void Surface::Set(int x, int y, uint32_t pixel) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    Row(y)[x] = pixel;
}

void Surface::Fill(uint32_t pixel) {
    std::fill(pixels_.begin(), pixels_.end(), pixel);
}

void Surface::Resize(int width, int height) {
    Surface resized(width, height);
    int w = std::min(width_, resized.width_);
    int h = std::min(height_, resized.height_);
    for (int y = 0; y < h; ++y)
        std::memcpy(resized.Row(y), Row(y), size_t(w) * 4);
    *this = std::move(resized);
}

bool Surface::SavePng(const std::string& path) const {
    if (Empty()) return false;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width_);
    image.height = png_uint_32(height_);
    image.format = PNG_FORMAT_BGRA;
    std::string temporary = path + ".part";
    bool ok = png_image_write_to_file(&image, temporary.c_str(), 0, pixels_.data(),
                                      png_int_32(width_ * 4), nullptr) != 0;
    png_image_free(&image);
    if (ok) ok = std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) std::remove(temporary.c_str());
    return ok;
}

Surface Surface::LoadPng(const std::string& path) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    if (image.width == 0 || image.height == 0 || image.width > png_uint_32(kMaxSide) ||
        image.height > png_uint_32(kMaxSide)) {
        png_image_free(&image);
        return {};
    }
    image.format = PNG_FORMAT_BGRA;
    Surface surface(int(image.width), int(image.height));
    if (!png_image_finish_read(&image, nullptr, surface.pixels_.data(),
                               png_int_32(surface.width_ * 4), nullptr)) {
        png_image_free(&image);
        return {};
    }
    return surface;
}

}  // namespace platform
