#pragma once
// The blitters' loops, private to blit.cpp. A loop is a placement walk
// (unrotated, nearest rotation, smooth rotation, invert) instantiated with a
// pixel fetch (32-bit, palette index, index and alpha) and a mixing rule, so
// each case is its own loop and its tests on opacity, key and blend colour
// are made once per call. Pixels travel as 0xAARRGGBB words (B, G, R, A in
// memory).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine/resources/blit.h"
#include "platform/bytes.h"

namespace engine::blit_detail {

struct Target {
    uint8_t* pixels;
    int32_t width;
    BlitRect clip;  // inside the surface, not empty

    uint8_t* At(int64_t x, int64_t y) const {
        return pixels + (uint64_t(y) * uint64_t(width) + uint64_t(x)) * 4;
    }
};

// The clipped source rectangle, read at the draw size: a draw-size position
// maps to a source pixel by the 10-bit step of each axis.
struct Sampler {
    const uint8_t* origin = nullptr;  // the rectangle's top-left pixel
    size_t rowBytes = 0;
    uint32_t bpp = 4;
    uint32_t srcW = 0, srcH = 0;
    uint32_t dstW = 0, dstH = 0;
    uint64_t stepX = 1024, stepY = 1024;
    bool scaled = false;

    uint64_t Col(uint64_t x) const {
        return scaled ? std::min<uint64_t>((x * stepX) >> 10, srcW - 1) : x;
    }
    uint64_t Row(uint64_t y) const {
        return scaled ? std::min<uint64_t>((y * stepY) >> 10, srcH - 1) : y;
    }
    // x < dstW, y < dstH.
    const uint8_t* At(uint64_t x, uint64_t y) const {
        return origin + Row(y) * rowBytes + Col(x) * bpp;
    }
};

// Fetches: a source pixel as a surface word; alpha 0 marks a pixel that is
// not there (colour key, keyed palette index, index past the palette).
struct Fetch32 {
    static constexpr uint32_t kBpp = 4;
    uint32_t operator()(const uint8_t* p) const { return platform::LoadLE32(p); }
};
struct FetchIndex {
    static constexpr uint32_t kBpp = 1;
    const uint32_t* lut;
    uint32_t operator()(const uint8_t* p) const { return lut[p[0]]; }
};
struct FetchIndexAlpha {
    static constexpr uint32_t kBpp = 2;
    const uint32_t* lut;
    uint32_t operator()(const uint8_t* p) const {
        const uint32_t c = lut[p[0]];
        return c ? (c & 0xFFFFFFu) | uint32_t(p[1]) << 24 : 0;
    }
};

inline void Store(uint8_t* d, uint32_t s) {
    platform::StoreLE32(d, s);
}
inline uint8_t Mix(uint32_t src, uint32_t dst, uint32_t e) {
    return uint8_t((src * e + dst * (255 - e)) >> 8);
}
inline uint32_t Chan(uint32_t pixel, int shift) {
    return (pixel >> shift) & 0xFF;
}

// Opaque copy of every pixel, alpha included (unkeyed sources).
struct CopyOp {
    void operator()(uint8_t* d, uint32_t s) const { Store(d, s); }
};

// Keyed copy: pixels with alpha 0 are skipped.
struct KeyedCopyOp {
    void operator()(uint8_t* d, uint32_t s) const {
        if (s >> 24) Store(d, s);
    }
};

// Keyed, translucent: mixed with the destination or the blend colour by the
// opacity weight; the result is opaque.
template <bool kBlend>
struct KeyedBlendOp {
    int a;
    uint32_t blend;  // COLORREF
    void operator()(uint8_t* d, uint32_t s) const {
        if (!(s >> 24)) return;
        const uint32_t e = uint32_t(a);
        if constexpr (kBlend) {
            d[0] = Mix(Chan(s, 0), Chan(blend, 16), e);
            d[1] = Mix(Chan(s, 8), Chan(blend, 8), e);
            d[2] = Mix(Chan(s, 16), Chan(blend, 0), e);
        } else {
            d[0] = Mix(Chan(s, 0), d[0], e);
            d[1] = Mix(Chan(s, 8), d[1], e);
            d[2] = Mix(Chan(s, 16), d[2], e);
        }
        d[3] = 255;
    }
};

// Per-pixel alpha, weighted by the opacity unless it is full. kOver touches
// only opaque destination pixels and keeps them opaque. A weight of 0 leaves
// the destination alone; a weight of 255 puts the source colour exactly.
template <bool kBlend, bool kOver, bool kFull>
struct AlphaOp {
    int a;
    uint32_t blend;
    void operator()(uint8_t* d, uint32_t s) const {
        uint32_t e = s >> 24;
        if constexpr (!kFull) e = (e * uint32_t(a)) >> 8;
        if (e == 0) return;
        if constexpr (kOver) {
            if (d[3] != 255) return;
        }
        if (e == 255) {
            d[0] = uint8_t(Chan(s, 0)), d[1] = uint8_t(Chan(s, 8)), d[2] = uint8_t(Chan(s, 16));
            d[3] = 255;
            return;
        }
        if constexpr (kBlend) {
            d[0] = Mix(Chan(s, 0), Chan(blend, 16), e);
            d[1] = Mix(Chan(s, 8), Chan(blend, 8), e);
            d[2] = Mix(Chan(s, 16), Chan(blend, 0), e);
            d[3] = 255;
        } else if (!kOver && d[3] == 0) {
            d[0] = uint8_t(Chan(s, 0)), d[1] = uint8_t(Chan(s, 8)), d[2] = uint8_t(Chan(s, 16));
            d[3] = uint8_t(e);
        } else {
            d[0] = Mix(Chan(s, 0), d[0], e);
            d[1] = Mix(Chan(s, 8), d[1], e);
            d[2] = Mix(Chan(s, 16), d[2], e);
            d[3] = std::max<uint8_t>(d[3], uint8_t(e));
        }
    }
};

// Calls f with the alpha rule matching the call's blend colour, flag 8 and
// opacity.
template <class F>
void WithAlphaOp(bool blend, bool over, int a, uint32_t blendColor, F&& f) {
    const bool full = a >= 255;
    if (blend) {
        if (over) {
            full ? f(AlphaOp<true, true, true>{a, blendColor})
                 : f(AlphaOp<true, true, false>{a, blendColor});
        } else {
            full ? f(AlphaOp<true, false, true>{a, blendColor})
                 : f(AlphaOp<true, false, false>{a, blendColor});
        }
    } else if (over) {
        full ? f(AlphaOp<false, true, true>{a, 0}) : f(AlphaOp<false, true, false>{a, 0});
    } else {
        full ? f(AlphaOp<false, false, true>{a, 0}) : f(AlphaOp<false, false, false>{a, 0});
    }
}

// The unrotated destination rectangle cut to the clip rectangle, with its
// offset into the drawn image.
struct Span {
    int64_t left, top;       // the drawn image's top-left corner
    int64_t x0, x1, y0, y1;  // the clipped destination
    bool Empty() const { return x1 <= x0 || y1 <= y0; }
};

inline Span UnrotatedSpan(const Target& t, const BlitPlacement& p) {
    Span s;
    s.left = int64_t(p.drawX) - (int64_t(p.width) + 1) / 2;
    s.top = int64_t(p.drawY) - (int64_t(p.height) + 1) / 2;
    s.x0 = std::max<int64_t>(t.clip.left, s.left);
    s.x1 = std::min<int64_t>(t.clip.right, s.left + p.width);
    s.y0 = std::max<int64_t>(t.clip.top, s.top);
    s.y1 = std::min<int64_t>(t.clip.bottom, s.top + p.height);
    return s;
}

// Opaque rows copied whole (unscaled, unkeyed, opaque 32-bit sources).
inline void RowCopy(const Target& t, const BlitPlacement& p, const Sampler& s) {
    const Span span = UnrotatedSpan(t, p);
    if (span.Empty()) return;
    const size_t bytes = size_t(span.x1 - span.x0) * 4;
    for (int64_t y = span.y0; y < span.y1; ++y)
        std::memcpy(t.At(span.x0, y), s.At(uint64_t(span.x0 - span.left), uint64_t(y - span.top)),
                    bytes);
}

template <class Fetch, class Op>
void Unrotated(const Target& t, const BlitPlacement& p, const Sampler& s, const Fetch& fetch,
               const Op& op) {
    const Span span = UnrotatedSpan(t, p);
    if (span.Empty()) return;
    for (int64_t y = span.y0; y < span.y1; ++y) {
        const uint8_t* row = s.origin + s.Row(uint64_t(y - span.top)) * s.rowBytes;
        uint8_t* d = t.At(span.x0, y);
        const uint64_t first = uint64_t(span.x0 - span.left);
        const uint64_t n = uint64_t(span.x1 - span.x0);
        if (!s.scaled) {
            const uint8_t* sp = row + first * Fetch::kBpp;
            for (uint64_t i = 0; i < n; ++i, sp += Fetch::kBpp, d += 4)
                op(d, fetch(sp));
        } else {
            uint64_t acc = first * s.stepX;
            const uint64_t last = s.srcW - 1;
            for (uint64_t i = 0; i < n; ++i, acc += s.stepX, d += 4)
                op(d, fetch(row + std::min(acc >> 10, last) * Fetch::kBpp));
        }
    }
}

// The walk over the 2R x 2R square around the draw position, cut to the clip
// rectangle: f(d, col - R, row - R) for each destination pixel.
template <class F>
void SquareWalk(const Target& t, const BlitPlacement& p, int64_t r, F&& f) {
    const int64_t cx = int64_t(p.drawX) - r, cy = int64_t(p.drawY) - r;
    const int64_t x0 = std::max<int64_t>(t.clip.left, cx);
    const int64_t x1 = std::min<int64_t>(t.clip.right, cx + 2 * r);
    const int64_t y0 = std::max<int64_t>(t.clip.top, cy);
    const int64_t y1 = std::min<int64_t>(t.clip.bottom, cy + 2 * r);
    if (x1 <= x0 || y1 <= y0) return;
    for (int64_t y = y0; y < y1; ++y) {
        uint8_t* d = t.At(x0, y);
        for (int64_t x = x0; x < x1; ++x, d += 4)
            f(d, x - cx - r, y - cy - r);
    }
}

inline int64_t RecordRadius(BlitPlacement& p) {
    if (p.radius < 1) p.radius = BlitRadius(p.width, p.height);
    return p.radius;
}

inline double Radians(double degrees) {
    return degrees * 3.14159 / 180.0;
}

// Nearest rotation in 10-bit fixed point. Each destination pixel is sampled
// at its centre: offset (dx + 1/2, dy + 1/2) from the draw position reads
// source (ox C - oy S + (w+1)/2, ox S + oy C + (h+1)/2), rounded down. At
// angle 0 this is the unrotated placement exactly; sampling at the pixel's
// corner instead (with y rounded up) shifts the image by half a pixel and
// loses a row of a quarter-turned image at the edge of its bounding square.
// Cosine and sine are rounded to the nearest step, not truncated: truncated,
// sin 90 is 1023/1024 and a quarter turn draws one row too many.
template <class F>
void NearestWalk(const Target& t, const BlitPlacement& p, int64_t r, const Sampler& s, F&& f) {
    const double rad = Radians(std::isfinite(p.angle) ? p.angle : 0.0);
    const int64_t c = std::lround(std::cos(rad) * 1024.0);
    const int64_t sn = std::lround(std::sin(rad) * 1024.0);
    const int64_t w = s.dstW, h = s.dstH;
    const int64_t hx = (w + 1) / 2, hy = (h + 1) / 2;
    SquareWalk(t, p, r, [&](uint8_t* d, int64_t dx, int64_t dy) {
        const int64_t ox = 2 * dx + 1, oy = 2 * dy + 1;  // half pixels
        const int64_t sx = ((ox * c - oy * sn) >> 11) + hx;
        const int64_t sy = ((ox * sn + oy * c) >> 11) + hy;
        if (sx < 0 || sy < 0 || sx >= w || sy >= h) return;
        f(d, s.At(uint64_t(sx), uint64_t(sy)));
    });
}

template <class Fetch, class Op>
void NearestRotation(const Target& t, BlitPlacement& p, const Sampler& s, const Fetch& fetch,
                     const Op& op) {
    const int64_t r = RecordRadius(p);
    if (r < 1) return;
    NearestWalk(t, p, r, s, [&](uint8_t* d, const uint8_t* sp) { op(d, fetch(sp)); });
}

// The highlight: the destination under every present source pixel is
// inverted and made opaque; the image's colours are not drawn.
template <class Fetch>
void InvertLoop(const Target& t, const BlitPlacement& p, const Sampler& s, const Fetch& fetch) {
    const int64_t r = BlitRadius(p.width, p.height);
    if (r < 1) return;
    NearestWalk(t, p, r, s, [&](uint8_t* d, const uint8_t* sp) {
        if (!(fetch(sp) >> 24)) return;
        d[0] = uint8_t(255 - d[0]), d[1] = uint8_t(255 - d[1]), d[2] = uint8_t(255 - d[2]);
        d[3] = 255;
    });
}

// Smooth rotation in 16.16 fixed point with bilinear mixing of the four
// neighbours; on the source's border rows and columns the nearest pixel.
template <class Fetch, class Op>
void SmoothRotation(const Target& t, BlitPlacement& p, const Sampler& s, const Fetch& fetch,
                    const Op& op) {
    const int64_t r = RecordRadius(p);
    if (r < 1) return;
    const double rad = Radians(std::isfinite(p.angle) ? p.angle : 0.0);
    const int64_t c = std::lround(std::cos(rad) * 65536.0);
    const int64_t sn = std::lround(std::sin(rad) * 65536.0);
    const int64_t w = s.dstW, h = s.dstH;
    const int64_t ox = (w + 1) * 32768, oy = (h + 1) * 32768;
    SquareWalk(t, p, r, [&](uint8_t* d, int64_t dx, int64_t dy) {
        const int64_t px = dx * c - dy * sn + ox;
        const int64_t py = oy - (-dy * c - dx * sn);
        const int64_t x0 = px >> 16, y0 = py >> 16;
        if (x0 < 0 || y0 < 0 || x0 >= w || y0 >= h) return;
        const uint64_t ux = uint64_t(x0), uy = uint64_t(y0);
        const uint32_t p00 = fetch(s.At(ux, uy));
        if (x0 == 0 || y0 == 0 || x0 >= w - 1 || y0 >= h - 1) {
            op(d, p00);
            return;
        }
        const uint32_t p10 = fetch(s.At(ux + 1, uy));
        const uint32_t p01 = fetch(s.At(ux, uy + 1));
        const uint32_t p11 = fetch(s.At(ux + 1, uy + 1));
        const uint32_t fx = uint32_t(px >> 8) & 0xFF, fy = uint32_t(py >> 8) & 0xFF;
        const uint32_t w11 = (fx * fy) >> 8;
        const uint32_t w10 = fx - w11, w01 = fy - w11;
        const uint32_t w00 = 256 - fx - fy + w11;
        uint32_t out = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            const uint32_t v = (Chan(p00, shift) * w00 + Chan(p10, shift) * w10 +
                                Chan(p01, shift) * w01 + Chan(p11, shift) * w11) >>
                               8;
            out |= std::min<uint32_t>(v, 255) << shift;
        }
        op(d, out);
    });
}

}  // namespace engine::blit_detail
