#include "engine/resources/blit.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "engine/resources/blit_loops.h"
#include "pictures/image_record.h"
#include "pictures/res_log.h"

namespace engine {

using namespace blit_detail;

namespace {

// Opacity as the loops take it: 0 draws nothing, 255 is opaque.
int OpacityWeight(double opacity) {
    if (!(opacity > 0.0)) return 0;  // also NaN
    if (opacity >= 1.0) return 255;
    return int(opacity * 255.0);
}

// An angle that is not finite counts as no rotation.
double SaneAngle(double angle) {
    return std::isfinite(angle) ? angle : 0.0;
}

// The palette as opaque surface pixels; the keyed index and entries past the
// palette's end are transparent (alpha 0) and never drawn.
void BuildPaletteLut(const BlitSource& image, uint32_t lut[256]) {
    const uint32_t count = std::min<uint32_t>(image.colorCount, 256);
    for (uint32_t i = 0; i < 256; ++i) {
        if (i >= count || i == image.colorKey) {
            lut[i] = 0;
            continue;
        }
        const uint8_t* rgb = image.palette + size_t(i) * 3;
        lut[i] = 0xFF000000u | uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2];
    }
}

template <class Fetch>
void Dispatch(const Target& target, BlitPlacement& placement, const Sampler& sampler,
              const Fetch& fetch, bool hasAlpha, bool keyed, int weight, uint32_t blendColor) {
    const double angle = SaneAngle(placement.angle);
    const uint32_t flags = placement.flags;
    const bool blend = blendColor != kNoBlendColor;
    const bool full = weight >= 255;

    if ((flags & kBlitInvert) && keyed) {
        InvertLoop(target, placement, sampler, fetch);
        return;
    }
    // Sources with alpha rotate at any angle but exactly 0; the others only
    // when the whole degrees are not 0.
    const bool rotated = hasAlpha ? angle != 0.0 : std::trunc(angle) != 0.0;
    if (rotated && (flags & kBlitSmooth)) {
        WithAlphaOp(blend, (flags & kBlitOverOpaque) != 0, weight, blendColor,
                    [&](auto op) { SmoothRotation(target, placement, sampler, fetch, op); });
        return;
    }
    auto place = [&](auto op) {
        if (rotated) {
            NearestRotation(target, placement, sampler, fetch, op);
        } else {
            Unrotated(target, placement, sampler, fetch, op);
        }
    };
    if (hasAlpha) {
        WithAlphaOp(blend, (flags & kBlitOverOpaque) != 0, weight, blendColor, place);
    } else if (!full) {
        if (blend) {
            place(KeyedBlendOp<true>{weight, blendColor});
        } else {
            place(KeyedBlendOp<false>{weight, 0});
        }
    } else if (keyed) {
        place(KeyedCopyOp{});
    } else if (!rotated && !sampler.scaled && std::is_same_v<Fetch, Fetch32>) {
        // Whole rows only where source and surface pixels are alike.
        RowCopy(target, placement, sampler);
    } else {
        place(CopyOp{});
    }
}

}  // namespace

int32_t BlitRadius(int32_t width, int32_t height) {
    if (width < 1 || height < 1) return 0;
    const double hw = double((int64_t(width) + 1) / 2);
    const double hh = double((int64_t(height) + 1) / 2);
    const double r = std::sqrt(hh * hh + hw * hw) + 0.5;
    return r >= 2147483647.0 ? INT32_MAX : int32_t(r);
}

BlitRect GetClipRect(const BlitSurface& surface, const BlitPlacement& placement) {
    BlitRect r{0, 0, std::max(surface.width, 0), std::max(surface.height, 0)};
    if (placement.flags & kBlitClip) {
        r.left = std::max(r.left, placement.clip.left);
        r.top = std::max(r.top, placement.clip.top);
        r.right = std::min(r.right, placement.clip.right);
        r.bottom = std::min(r.bottom, placement.clip.bottom);
    }
    if (r.IsEmpty()) return {};
    return r;
}

BlitSource SourceOf(const ImageRecord& image) {
    BlitSource s;
    s.pixels = image.pixels.data();
    s.byteSize = image.pixels.size();
    s.width = image.width;
    s.height = image.height;
    s.frameCount = std::max<uint32_t>(image.frameCount, 1);
    s.flags = image.flags;
    s.colorKey = image.colorKey;
    s.palette = image.Palette();
    s.colorCount = image.colorCount;
    return s;
}

void BlitImage(const BlitSurface& surface, BlitPlacement& placement, const ImageRecord& image,
               int32_t srcX, int32_t srcY, int32_t srcW, int32_t srcH, double opacity,
               uint32_t blendColor) {
    BlitImage(surface, placement, SourceOf(image), srcX, srcY, srcW, srcH, opacity, blendColor);
}

void BlitImage(const BlitSurface& surface, BlitPlacement& placement, const BlitSource& image,
               int32_t srcX, int32_t srcY, int32_t srcW, int32_t srcH, double opacity,
               uint32_t blendColor) {
    const bool paletted = (image.flags & (kImageSharedPalette | kImagePaletted)) != 0;
    if (paletted && !image.palette) {
        ResLog("256color pic without rgbquad!");
        return;
    }
    const int weight = OpacityWeight(opacity);
    if (weight == 0 || !surface.pixels || surface.width <= 0 || surface.height <= 0) return;
    if (!image.pixels || image.width == 0 || image.height == 0) return;
    if (placement.width <= 0 || placement.height <= 0) return;
    if (srcX < 0 || srcY < 0) return;

    const bool hasAlpha = (image.flags & kImageAlpha) != 0;
    const uint32_t bpp = paletted ? (hasAlpha ? 2 : 1) : 4;
    // The strip: every frame, as far as the buffer really holds rows.
    const uint64_t rowBytes = uint64_t(image.width) * bpp;
    const uint64_t stripRows =
        std::min<uint64_t>(uint64_t(image.height) * std::max<uint32_t>(image.frameCount, 1),
                           image.byteSize / rowBytes);
    const int64_t w = std::min<int64_t>(srcW, int64_t(image.width) - srcX);
    const int64_t h = std::min<int64_t>(srcH, int64_t(stripRows) - srcY);
    if (w <= 0 || h <= 0) return;

    Sampler sampler;
    sampler.origin = image.pixels + uint64_t(srcY) * rowBytes + uint64_t(srcX) * bpp;
    sampler.rowBytes = size_t(rowBytes);
    sampler.bpp = bpp;
    sampler.srcW = uint32_t(w);
    sampler.srcH = uint32_t(h);
    sampler.dstW = uint32_t(placement.width);
    sampler.dstH = uint32_t(placement.height);
    sampler.scaled = sampler.srcW != sampler.dstW || sampler.srcH != sampler.dstH;
    sampler.stepX = (uint64_t(sampler.srcW) << 10) / sampler.dstW;
    sampler.stepY = (uint64_t(sampler.srcH) << 10) / sampler.dstH;

    Target target{surface.pixels, surface.width, GetClipRect(surface, placement)};
    if (target.clip.IsEmpty()) return;

    const bool keyed = (image.flags & kImageKeyed) != 0;
    if (!paletted) {
        Dispatch(target, placement, sampler, Fetch32{}, hasAlpha, keyed, weight, blendColor);
        return;
    }
    uint32_t lut[256];
    BuildPaletteLut(image, lut);
    if (hasAlpha) {
        Dispatch(target, placement, sampler, FetchIndexAlpha{lut}, true, keyed, weight, blendColor);
    } else {
        Dispatch(target, placement, sampler, FetchIndex{lut}, false, keyed, weight, blendColor);
    }
}

namespace {

std::vector<uint8_t> Scale(const uint8_t* pixels, uint32_t pitch, uint32_t rows, uint32_t srcX,
                           uint32_t srcY, uint32_t srcW, uint32_t srcH, uint32_t dstW,
                           uint32_t dstH, uint32_t bpp) {
    if (!pixels || dstW == 0 || dstH == 0 || srcW == 0 || srcH == 0) return {};
    if (uint64_t(srcX) + srcW > pitch || uint64_t(srcY) + srcH > rows) return {};
    std::vector<uint8_t> out(size_t(dstW) * dstH * bpp);
    const size_t rowBytes = size_t(pitch) * bpp;
    if (srcW == dstW && srcH == dstH) {
        for (uint32_t j = 0; j < dstH; ++j)
            std::memcpy(&out[size_t(j) * dstW * bpp],
                        pixels + (size_t(srcY) + j) * rowBytes + size_t(srcX) * bpp,
                        size_t(dstW) * bpp);
        return out;
    }
    const uint64_t stepX = (uint64_t(srcW) << 10) / dstW;
    const uint64_t stepY = (uint64_t(srcH) << 10) / dstH;
    uint8_t* o = out.data();
    for (uint32_t j = 0; j < dstH; ++j) {
        const uint64_t row = std::min<uint64_t>((j * stepY) >> 10, srcH - 1);
        const uint8_t* in = pixels + (srcY + row) * rowBytes + size_t(srcX) * bpp;
        for (uint32_t i = 0; i < dstW; ++i) {
            const uint64_t col = std::min<uint64_t>((i * stepX) >> 10, srcW - 1);
            std::memcpy(o, in + col * bpp, bpp);
            o += bpp;
        }
    }
    return out;
}

}  // namespace

std::vector<uint8_t> ScaleImage32(const uint8_t* pixels, uint32_t pitch, uint32_t rows,
                                  uint32_t srcX, uint32_t srcY, uint32_t srcW, uint32_t srcH,
                                  uint32_t dstW, uint32_t dstH) {
    return Scale(pixels, pitch, rows, srcX, srcY, srcW, srcH, dstW, dstH, 4);
}

std::vector<uint8_t> ScalePaletted(const uint8_t* pixels, uint32_t pitch, uint32_t rows,
                                   uint32_t srcX, uint32_t srcY, uint32_t srcW, uint32_t srcH,
                                   uint32_t dstW, uint32_t dstH, uint32_t imageFlags) {
    return Scale(pixels, pitch, rows, srcX, srcY, srcW, srcH, dstW, dstH,
                 (imageFlags & kImageAlpha) ? 2 : 1);
}

void BlitDirtyRects(const BlitSurface& target, const BlitSurface& source,
                    std::span<const BlitRect> rects) {
    if (!target.pixels || !source.pixels) return;
    const int32_t w = std::min(target.width, source.width);
    const int32_t h = std::min(target.height, source.height);
    for (const BlitRect& rect : rects) {
        const int32_t l = std::max(rect.left, 0), t = std::max(rect.top, 0);
        const int32_t r = std::min(rect.right, w), b = std::min(rect.bottom, h);
        if (r <= l || b <= t) continue;
        for (int32_t y = t; y < b; ++y)
            std::memcpy(target.pixels + (size_t(y) * size_t(target.width) + size_t(l)) * 4,
                        source.pixels + (size_t(y) * size_t(source.width) + size_t(l)) * 4,
                        size_t(r - l) * 4);
    }
}

void DrawPointList(const BlitSurface& surface, int32_t viewX, int32_t viewY, int32_t left,
                   int32_t top, int32_t right, int32_t bottom, std::span<const PoolPoint> points,
                   double opacity) {
    const int a = OpacityWeight(opacity);
    if (a == 0 || !surface.pixels) return;
    for (const PoolPoint& p : points) {
        if (p.x < left || p.x >= right || p.y < top || p.y >= bottom) continue;
        const int64_t sx = int64_t(p.x) - viewX, sy = int64_t(p.y) - viewY;
        if (sx < 0 || sy < 0 || sx >= surface.width || sy >= surface.height) continue;
        uint8_t* d = surface.pixels + (uint64_t(sy) * uint64_t(surface.width) + uint64_t(sx)) * 4;
        const int e = a == 255 ? p.a : (p.a * a) >> 8;
        if (e == 0) continue;
        if (e == 255) {
            d[0] = p.b, d[1] = p.g, d[2] = p.r;
        } else {
            d[0] = uint8_t((p.b * e + d[0] * (255 - e)) >> 8);
            d[1] = uint8_t((p.g * e + d[1] * (255 - e)) >> 8);
            d[2] = uint8_t((p.r * e + d[2] * (255 - e)) >> 8);
        }
        d[3] = 255;
    }
}

}  // namespace engine
