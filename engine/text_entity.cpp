#include "engine/text_entity.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/draw_payloads.h"
#include "engine/game_log.h"
#include "engine/resources/blit.h"
#include "engine/resources/image_provider.h"
#include "pictures/image_record.h"
#include "platform/bytes.h"

namespace engine {

uint32_t ColorToPixel(uint32_t color, uint32_t key) {
    const uint32_t alpha = (color & 0xFFFFFF) == (key & 0xFFFFFF) ? 0 : 0xFFu;
    return alpha << 24 | (color & 0xFF) << 16 | (color & 0xFF00) | (color >> 16 & 0xFF);
}

bool TextSurfaceAllowed(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           uint64_t(width) * uint64_t(height) <= kMaxImagePixels;
}

TextEntity::TextEntity(ImageProvider* images) : Entity(kKindText), images_(images) {}

TextSurfacePayload* TextEntity::Surface() {
    return static_cast<TextSurfacePayload*>(GetPayload());
}

// The layer keeps the payload object itself, so it is made once and only its
// fields follow the buffer.
void TextEntity::Publish() {
    if (!Surface()) SetPayload(std::make_unique<TextSurfacePayload>());
    TextSurfacePayload* s = Surface();
    s->pixels = pixels_.empty() ? nullptr : pixels_.data();
    s->width = width_;
    s->height = height_;
}

void TextEntity::Init(int32_t width, int32_t height, uint32_t backColor) {
    if (width <= 0 || height <= 0) return;
    if (!TextSurfaceAllowed(width, height)) {
        WriteGameLog("文字平面过大:%dx%d", width, height);
        return;
    }
    width_ = width;
    height_ = height;
    pixels_.assign(size_t(width) * size_t(height) * 4, 0);
    backColor_ = backColor;
    keyColor_ = 0xFF00FF;
    font_ = FontState{};
    font_.face = "宋体";
    font_.height = std::min(height / 2, kMaxFontHeight);
    font_.wideAdvance = font_.height;
    font_.weight = 400;
    font_.wrap = 1;
    Publish();
    if (TextSurfacePayload* s = Surface()) s->blendColor = kNoBlendColor;
    SetSize(width, height);
    Clear();
}

void TextEntity::Clear() {
    if (pixels_.empty()) return;
    if ((backColor_ & 0xFFFFFF) == (keyColor_ & 0xFFFFFF)) {
        std::fill(pixels_.begin(), pixels_.end(), 0);
        return;
    }
    const uint32_t pixel = ColorToPixel(backColor_, keyColor_);
    for (size_t i = 0; i < pixels_.size(); i += 4)
        platform::StoreLE32(&pixels_[i], pixel);
}

void TextEntity::SetBackColor(uint32_t color) {
    backColor_ = color;
    Clear();
}

void TextEntity::ReplaceColor(uint32_t from, uint32_t to) {
    const uint32_t a = ColorToPixel(from, keyColor_), b = ColorToPixel(to, keyColor_);
    for (size_t i = 0; i < pixels_.size(); i += 4)
        if (platform::LoadLE32(&pixels_[i]) == a) platform::StoreLE32(&pixels_[i], b);
}

void TextEntity::SetPixel(int32_t x, int32_t y, uint32_t color) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    platform::StoreLE32(&pixels_[(size_t(y) * size_t(width_) + size_t(x)) * 4],
                        ColorToPixel(color, keyColor_));
}

void TextEntity::DrawFrame(uint32_t color) {
    for (int32_t x = 0; x < width_; ++x) {
        SetPixel(x, 0, color);
        SetPixel(x, height_ - 1, color);
    }
    for (int32_t y = 0; y < height_; ++y) {
        SetPixel(0, y, color);
        SetPixel(width_ - 1, y, color);
    }
}

void TextEntity::ApplyKey() {
    const uint8_t b = uint8_t(keyColor_ >> 16), g = uint8_t(keyColor_ >> 8), r = uint8_t(keyColor_);
    for (size_t i = 0; i < pixels_.size(); i += 4)
        if (pixels_[i] == b && pixels_[i + 1] == g && pixels_[i + 2] == r) pixels_[i + 3] = 0;
    Update();
}

void TextEntity::ResizeSurface(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 || (width == width_ && height == height_)) return;
    if (pixels_.empty()) return;
    if (!TextSurfaceAllowed(width, height)) {
        WriteGameLog("文字平面过大:%dx%d", width, height);
        return;
    }
    pixels_ = ScaleImage32(pixels_.data(), uint32_t(width_), uint32_t(height_), 0, 0,
                           uint32_t(width_), uint32_t(height_), uint32_t(width), uint32_t(height));
    width_ = width;
    height_ = height;
    Publish();
}

void TextEntity::SetColor(uint32_t color) {
    if (TextSurfacePayload* s = Surface()) s->blendColor = color;
}

void TextEntity::SetFontFace(int32_t height, int32_t weight, std::string_view face) {
    font_.height = std::clamp(height, 0, kMaxFontHeight);
    font_.wideAdvance = font_.height;
    font_.weight = weight;
    font_.face = std::string(face.substr(0, 31));
}

void TextEntity::SetFontStore(FontStore* store, bool copyState) {
    store_ = store;
    if (store && copyState) font_ = store->SaveState();
}

// Draws with the surface's font state in the entity's store (or a store of
// its own), leaving the store's state as it was.
template <class F>
void TextEntity::WithStore(F&& draw) {
    if (store_) {
        const FontState saved = store_->SaveState();
        store_->LoadState(font_);
        draw(*store_);
        store_->LoadState(saved);
        return;
    }
    FontStore own;
    own.Create();
    own.LoadState(font_);
    draw(own);
    own.Destroy();
}

void TextEntity::SetText(int32_t x, int32_t y, std::string_view text) {
    if (pixels_.empty()) return;
    WithStore(
        [&](FontStore& store) { store.DrawText(pixels_.data(), width_, height_, x, y, text); });
    ApplyKey();
}

void TextEntity::FitToText(std::string_view text) {
    int32_t w = 0, h = 0;
    WithStore([&](FontStore& store) { store.MeasureText(0, 0, text, &w, &h); });
    ResizeSurface(w, h);
    ApplyKey();
}

void TextEntity::DrawImage(int32_t x, int32_t y, const ImageRef& image, int32_t width,
                           int32_t height, double angle, double opacity, uint32_t blendColor) {
    if (image.imageId == 0 || pixels_.empty() || !images_) return;
    const ImageRecord* record = images_->GetImage(image.imageId);
    if (!record) return;
    if (width == 0) width = width_;
    if (height == 0) height = height_;
    BlitPlacement p;
    p.angle = std::isfinite(angle) ? angle : 0.0;
    p.drawX = Saturate32(int64_t(x) + (int64_t(width) + 1) / 2);
    p.drawY = Saturate32(int64_t(y) + (int64_t(height) + 1) / 2);
    p.width = width;
    p.height = height;
    Rect box;
    if (p.angle != 0.0) {
        p.radius = BlitRadius(width, height);
        box = MakeRect(int64_t(p.drawX) - p.radius, int64_t(p.drawY) - p.radius,
                       int64_t(p.drawX) + p.radius, int64_t(p.drawY) + p.radius);
    } else {
        box = MakeRect(x, y, int64_t(x) + width, int64_t(y) + height);
    }
    if (!Intersects(box, {0, 0, width_, height_})) return;
    p.flags = kBlitClip;
    p.clip = {0, 0, width_, height_};
    BlitImage({pixels_.data(), width_, height_}, p, *record, image.srcX, image.srcY, image.srcW,
              image.srcH, opacity, blendColor);
    ApplyKey();
}

}  // namespace engine
