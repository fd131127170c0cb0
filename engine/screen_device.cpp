#include "engine/screen_device.h"

#include <algorithm>
#include <cstring>

#include "engine/draw_payloads.h"
#include "engine/resources/image_provider.h"
#include "pictures/image_record.h"
#include "platform/bytes.h"
#include "platform/gui/surface.h"

namespace engine {
namespace {

// Larger hosting views are refused: the buffers are allocated from it.
constexpr int32_t kMaxScreenSide = 16384;
// Clones of clones are followed this deep, so a cycle cannot recurse forever.
constexpr int kMaxCloneDepth = 4;

BlitRect ToBlit(const Rect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

BlitRect Cut(const BlitRect& a, const BlitRect& b) {
    BlitRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
    return r.IsEmpty() ? BlitRect{} : r;
}

void FillRect(const BlitSurface& s, const BlitRect& r, uint32_t pixel) {
    const BlitRect c = Cut(r, {0, 0, s.width, s.height});
    if (c.IsEmpty()) return;
    for (int32_t y = c.top; y < c.bottom; ++y) {
        uint8_t* d = s.pixels + (size_t(y) * size_t(s.width) + size_t(c.left)) * 4;
        if (pixel == 0) {
            std::memset(d, 0, size_t(c.right - c.left) * 4);
            continue;
        }
        for (int32_t x = c.left; x < c.right; ++x, d += 4)
            platform::StoreLE32(d, pixel);
    }
}

uint32_t OpaquePixel(uint32_t colorref) {
    return 0xFF000000u | (colorref & 0xFF) << 16 | (colorref & 0xFF00) | (colorref >> 16 & 0xFF);
}

// An unrotated placement whose top-left corner lands on (x, y), clipped.
BlitPlacement PlaceAt(int64_t x, int64_t y, int32_t w, int32_t h, const BlitRect& clip) {
    BlitPlacement p;
    p.drawX = Saturate32(x + (int64_t(w) + 1) / 2);
    p.drawY = Saturate32(y + (int64_t(h) + 1) / 2);
    p.width = w;
    p.height = h;
    p.flags = kBlitClip;
    p.clip = clip;
    return p;
}

bool IsSelfDrawnKind(const EntityPayload* kind) {
    if (!kind) return false;
    const uint32_t k = kind->kind();
    return k == kKindAnim || k == kKindPool || k == kKindParticle;
}

}  // namespace

ScreenDevice::ScreenDevice(ImageProvider* images) : images_(images) {}

void ScreenDevice::Create(int32_t width, int32_t height) {
    bitsPerPixel_ = 32;
    background_[0] = background_[1] = {};
    backgroundSet_ = 0;
    tileWidth_ = tileHeight_ = tileColumns_ = tileRows_ = 0;
    cacheValid_ = false;
    view_.worldWidth = std::max(width, 0);
    view_.worldHeight = std::max(height, 0);
    EnsureSurface(width, height);
    SetViewOrigin(width / 2 + 1, height / 2 + 1, true);
}

bool ScreenDevice::EnsureSurface(int32_t width, int32_t height) {
    width = std::clamp(width, 0, kMaxScreenSide);
    height = std::clamp(height, 0, kMaxScreenSide);
    if (width == width_ && height == height_ && !back_.empty()) return false;
    Resize(width, height);
    return true;
}

void ScreenDevice::Resize(int32_t width, int32_t height) {
    width_ = std::clamp(width, 0, kMaxScreenSide);
    height_ = std::clamp(height, 0, kMaxScreenSide);
    view_.width = width_;
    view_.height = height_;
    view_.halfWidth = width_ / 2;
    view_.halfHeight = height_ / 2;
    ClampView();
    for (int l = 0; l < kLayerCount; ++l) {
        LayerView v;
        v.halfWidth = view_.halfWidth;
        v.halfHeight = view_.halfHeight;
        v.screenWidth = width_;
        v.screenHeight = height_;
        if (l <= 2) {
            v.centreX = view_.centreX;
            v.centreY = view_.centreY;
        } else {
            v.centreX = view_.halfWidth;
            v.centreY = view_.halfHeight;
            Layer(l)->SetBounds({0, 0, width_, height_});
        }
        Layer(l)->SetView(v);
    }
    back_.assign(size_t(width_) * size_t(height_) * 4, 0);
    cache_.assign(back_.size(), 0);
    cacheValid_ = false;
    if (backFlags_ & kBackCached) RenderCache();
}

void ScreenDevice::ClampView() {
    if (int64_t(view_.centreX) + view_.halfWidth > view_.worldWidth)
        view_.centreX = Saturate32(int64_t(view_.worldWidth) - view_.halfWidth);
    if (int64_t(view_.centreX) - view_.halfWidth < 0) view_.centreX = view_.halfWidth;
    if (int64_t(view_.centreY) + view_.halfHeight > view_.worldHeight)
        view_.centreY = Saturate32(int64_t(view_.worldHeight) - view_.halfHeight);
    if (int64_t(view_.centreY) - view_.halfHeight < 0) view_.centreY = view_.halfHeight;
}

void ScreenDevice::SetWorldSize(int32_t width, int32_t height) {
    view_.worldWidth = std::max(width, 0);
    view_.worldHeight = std::max(height, 0);
    SetViewOrigin(view_.centreX, view_.centreY, false);
    for (int l = 0; l <= 2; ++l)
        Layer(l)->SetBounds({0, 0, view_.worldWidth, view_.worldHeight});
}

void ScreenDevice::SetViewOrigin(int32_t x, int32_t y, bool redrawBackground) {
    const int32_t oldX = view_.centreX, oldY = view_.centreY;
    view_.centreX = x;
    view_.centreY = y;
    ClampView();
    if ((backFlags_ & kBackCached) && redrawBackground) RenderCache();
    for (int l = 0; l <= 2; ++l)
        Layer(l)->SetViewCentre(view_.centreX, view_.centreY);
    // Scrolling changes every pixel of the view-bound layers and the grid.
    if (view_.centreX != oldX || view_.centreY != oldY) InvalidateAll();
}

void ScreenDevice::MoveView(int32_t dx, int32_t dy) {
    SetViewOrigin(Saturate32(int64_t(view_.centreX) + dx), Saturate32(int64_t(view_.centreY) + dy),
                  true);
}

int32_t ScreenDevice::SetPixelMode(uint32_t mode) {
    switch (mode) {
        case 0:
            pixelFormat_ = {0, 256, 2};
            break;
        case 1:
            pixelFormat_ = {2, 512, 2};
            break;
        case 2:
            pixelFormat_ = {2, 256, 2};
            break;
        case 4:
            pixelFormat_ = {2, 256, 4};
            break;
        case 8:
            pixelFormat_ = {2, 256, 8};
            break;
        case 4096:
            pixelFormat_ = {1, 256, 8};
            break;
        default:
            break;
    }
    return 0;
}

int32_t ScreenDevice::SetRefreshMode(uint32_t mode) {
    backMode_ = mode;
    state_ = 2;
    cacheValid_ = false;
    return kEngineOk;
}

int32_t ScreenDevice::CreateFromImage(uint32_t imageId, int32_t srcX, int32_t srcY, int32_t width,
                                      int32_t height, uint32_t flags) {
    const ImageRecord* image = images_ ? images_->GetImage(imageId) : nullptr;
    if (!image || srcX < 0 || srcY < 0) return 0;
    const int32_t w = std::min<int32_t>(width, int32_t(image->width) - srcX);
    const int32_t h = std::min<int32_t>(height, int32_t(image->height) - srcY);
    if (w < 0 || h < 0) return 0;
    view_.centreX = view_.halfWidth;
    view_.centreY = view_.halfHeight;
    view_.worldWidth = width_;
    view_.worldHeight = height_;
    for (int l = 0; l <= 2; ++l) {
        Layer(l)->SetBounds({0, 0, width_, height_});
        Layer(l)->SetViewCentre(view_.centreX, view_.centreY);
    }
    background_[0] = {imageId, srcX, srcY, w, h};
    backFlags_ = flags;
    backMode_ = kBackImage;
    backgroundSet_ = 1;
    tileColumns_ = tileRows_ = 1;
    tileWidth_ = int32_t(image->width) - srcX;
    tileHeight_ = int32_t(image->height) - srcY;
    cacheValid_ = false;
    if (backFlags_ & kBackCached) RenderCache();
    InvalidateAll();
    return kEngineOk;
}

void ScreenDevice::SetSecondBackground(const BackgroundRecord& record) {
    background_[1] = record;
    backgroundSet_ = 2;
    cacheValid_ = false;
}

void ScreenDevice::RefreshBackground() {
    cacheValid_ = false;
    if (backFlags_ & kBackCached) RenderCache();
}

void ScreenDevice::InvalidateRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    InvalidateScreenRect({left, top, right, bottom});
    changed_ = true;
}

void ScreenDevice::InvalidateAll() {
    InvalidateRect(0, 0, width_, height_);
}

void ScreenDevice::ReleaseSurfaces() {
    back_.clear();
    back_.shrink_to_fit();
    cache_.clear();
    cache_.shrink_to_fit();
    cacheValid_ = false;
    width_ = height_ = 0;
}

// ---- Background -------------------------------------------------------------

void ScreenDevice::RenderCache() {
    if (backMode_ == kBackKeep || cache_.empty()) return;
    const BlitSurface into{cache_.data(), width_, height_};
    RenderBackground(into, {0, 0, width_, height_});
    cacheValid_ = true;
}

void ScreenDevice::RenderBackground(const BlitSurface& into, const BlitRect& clip) {
    auto drawImage = [&](const BackgroundRecord& rec, int64_t x, int64_t y, int32_t w, int32_t h) {
        const ImageRecord* image = images_ ? images_->GetImage(rec.imageId) : nullptr;
        if (!image) return;
        // A keyed or translucent picture shows what lies under it: nothing.
        if (image->flags & (kImageKeyed | kImageAlpha)) FillRect(into, clip, 0);
        BlitPlacement p = PlaceAt(x, y, w, h, clip);
        BlitImage(into, p, *image, rec.srcX, rec.srcY, rec.width, rec.height, 1.0, kNoBlendColor);
    };
    switch (backMode_) {
        case kBackKeep:
            return;
        case kBackFill:
            FillRect(into, clip, OpaquePixel(fillColor_));
            return;
        case kBackImage:
            if (backgroundSet_ < 1) break;
            drawImage(background_[0], 0, 0, width_, height_);
            return;
        case kBackTwo:
            if (backgroundSet_ != 2) break;
            drawImage(background_[0], 0, 0, width_, height_);
            drawImage(background_[1], (int64_t(width_) - tileWidth_) / 2,
                      (int64_t(height_) - tileHeight_) / 2, tileWidth_, tileHeight_);
            return;
        default: {
            if (backgroundSet_ < 1 || tileWidth_ < 1 || tileHeight_ < 1) break;
            const ImageRecord* image =
                images_ ? images_->GetImage(background_[0].imageId) : nullptr;
            if (!image) break;
            FillRect(into, clip, 0);
            // The grid: only tiles the table holds are drawn.
            const int64_t vx = int64_t(view_.centreX) - view_.halfWidth;
            const int64_t vy = int64_t(view_.centreY) - view_.halfHeight;
            const int64_t c0 = std::max<int64_t>(vx / tileWidth_, 0);
            const int64_t c1 = std::min<int64_t>((vx + 2 * int64_t(view_.halfWidth)) / tileWidth_,
                                                 tileColumns_ - 1);
            const int64_t r0 = std::max<int64_t>(vy / tileHeight_, 0);
            const int64_t r1 = std::min<int64_t>((vy + 2 * int64_t(view_.halfHeight)) / tileHeight_,
                                                 tileRows_ - 1);
            for (int64_t row = r0; row <= r1; ++row)
                for (int64_t col = c0; col <= c1; ++col) {
                    BlitPlacement p = PlaceAt(col * tileWidth_ - vx, row * tileHeight_ - vy,
                                              tileWidth_, tileHeight_, clip);
                    BlitImage(into, p, *image, background_[0].srcX, background_[0].srcY, tileWidth_,
                              tileHeight_, 1.0, kNoBlendColor);
                }
            return;
        }
    }
    FillRect(into, clip, 0);
}

void ScreenDevice::DrawBackground(const BlitRect& rect) {
    if (backMode_ == kBackKeep) return;
    if (!(backFlags_ & kBackCached)) {
        RenderBackground(BackBuffer(), rect);
        return;
    }
    if (!cacheValid_) RenderCache();
    const BlitRect rects[] = {rect};
    BlitDirtyRects(BackBuffer(), {cache_.data(), width_, height_}, rects);
}

// ---- Items ------------------------------------------------------------------

void ScreenDevice::DrawItem(const LayerItem& item, const DrawRecord& record,
                            const ScreenLayer& layer, const BlitRect& clip, int depth) {
    const EntityPayload* kind = item.kind;
    if (!kind) return;
    BlitPlacement p = PlacementOf(record, record.flags, clip);
    const BlitSurface back = BackBuffer();
    switch (kind->kind()) {
        case kKindImage: {
            const auto* image = dynamic_cast<const ImagePayload*>(kind);
            if (!image || image->imageId == 0 || !images_) return;
            const ImageRecord* rec = images_->GetImage(image->imageId);
            if (!rec) return;
            BlitImage(back, p, *rec, image->srcX, image->srcY, image->srcW, image->srcH,
                      item.opacity, image->backColor);
            return;
        }
        case kKindText: {
            const auto* text = dynamic_cast<const TextSurfacePayload*>(kind);
            if (!text || !text->pixels || text->width <= 0 || text->height <= 0) return;
            BlitSource s;
            s.pixels = text->pixels;
            s.width = uint32_t(text->width);
            s.height = uint32_t(text->height);
            s.byteSize = size_t(s.width) * s.height * 4;
            s.flags = kImageAlpha;
            BlitImage(back, p, s, 0, 0, text->width, text->height, item.opacity, text->blendColor);
            return;
        }
        case kKindClone: {
            const auto* clone = dynamic_cast<const ClonePayload*>(kind);
            if (!clone || depth >= kMaxCloneDepth) return;
            const ScreenLayer* other = Layer(clone->layer);
            const LayerItem* source = other ? other->FindItem(clone->item) : nullptr;
            if (!source || source == &item) return;
            DrawItem(*source, record, *other, clip, depth + 1);
            return;
        }
        default: {
            const auto* self = dynamic_cast<const SelfDrawnPayload*>(kind);
            if (!self) return;
            DrawContext context{back, clip, now_, images_, layer.view()};
            self->Draw(context, record, item.opacity);
            return;
        }
    }
}

void ScreenDevice::DrawLayers(const std::vector<Rect>& rects) {
    // The redraw marks are spent by this present. What is drawn is decided
    // from each item's placed record, the record its dirty areas came from.
    for (int l = 1; l < kLayerCount; ++l) {
        ScreenLayer* layer = Layer(l);
        if (!fullRedraw_) layer->SelectRedraw(rects);
        layer->ClearSelection();
    }
    std::vector<const LayerItem*> lists[kLayerCount];
    for (int l = 1; l < kLayerCount; ++l)
        lists[l] = Layer(l)->DrawList();
    // Rectangle by rectangle: the background, then every drawn item that
    // touches it, clipped to it, layer by layer in depth order.
    for (const Rect& r : rects) {
        const BlitRect rect = ToBlit(r);
        DrawBackground(rect);
        for (int l = 1; l < kLayerCount; ++l) {
            const ScreenLayer* layer = Layer(l);
            for (const LayerItem* item : lists[l]) {
                if (!item) continue;
                DrawRecord record = item->record;
                Rect area = DrawRecordBounds(record);
                if (IsSelfDrawnKind(item->kind)) {
                    if (const auto* self = dynamic_cast<const SelfDrawnPayload*>(item->kind))
                        area = Union(area, self->ExtraArea());
                }
                BlitRect clip = ToBlit(Intersect(area, r));
                // Every layer's bounds start at (0, 0): the clip rectangle is
                // already in screen coordinates.
                if (record.flags & kDrawClip) clip = Cut(clip, ToBlit(record.clip));
                if (clip.IsEmpty()) continue;
                DrawItem(*item, record, *layer, clip, 0);
            }
        }
    }
}

int ScreenDevice::Present(uint32_t now, platform::Surface& target) {
    now_ = now;
    bool pending = false;
    for (int l = 0; l < kLayerCount; ++l)
        pending = pending || Layer(l)->HasDirty();
    if (!pending) return -1;

    const bool rebuilt = EnsureSurface(target.Width(), target.Height());
    dirty_.clear();
    if (fullRedraw_ || rebuilt) {
        if (!fullRedraw_) {
            // A new back buffer holds nothing: everything is drawn, and the
            // pending records are spent.
            std::vector<Rect> spent;
            for (int l = 0; l < kLayerCount; ++l)
                Layer(l)->CollectDirtyRects(spent);
        }
        dirty_.push_back({0, 0, width_, height_});
    } else {
        for (int l = 0; l < kLayerCount; ++l)
            Layer(l)->CollectDirtyRects(dirty_);
    }
    if (width_ > 0 && height_ > 0) {
        DrawLayers(dirty_);
        const BlitSurface out{reinterpret_cast<uint8_t*>(target.Data()), target.Width(),
                              target.Height()};
        std::vector<BlitRect> rects;
        rects.reserve(dirty_.size());
        for (const Rect& r : dirty_)
            rects.push_back(ToBlit(r));
        BlitDirtyRects(out, BackBuffer(), rects);
    }
    changed_ = true;
    return 0;
}

}  // namespace engine
