#pragma once
// Writes ".pps" packed pictures and ".quad" palettes for tests, seeds and
// benchmarks: every coding method, every pixel shape, shared or own palettes,
// delays and a hot spot. The program itself only reads the formats.

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/bytes.h"

namespace pictures {

struct PpsFrameSpec {
    std::vector<uint8_t> pixels{};  // decoded frame in the image's pixel shape
    uint32_t delay = 0;
    // Pixels coded in the first and the alpha plane (fewer: a plane that ends short).
    size_t codedPixels = SIZE_MAX, codedAlpha = SIZE_MAX;
};

struct PpsSpec {
    uint8_t method = 1;
    uint32_t flags = 1;
    uint16_t width = 0;
    uint16_t height = 0;
    uint32_t colorKey = 0xFF00FF;
    std::vector<uint8_t> palette{};  // own palette triples (flag 4 without 2)
    uint16_t colorCount = 0;
    std::string paletteName{};  // with flag 2
    std::vector<PpsFrameSpec> frames{};
    uint32_t hotSpot = 0;        // with flag 32
    bool zlibFirstPlane = true;  // method 6: chunk flag 32
};

// Run-length code of values of `valueSize` bytes: an item's low two bits are
// its kind (0 short run, 1 short literal, 2 long run, 3 long literal), short
// counts sit in the other six bits, long ones take a second byte as well.
inline std::vector<uint8_t> EncodeRle(const std::vector<uint8_t>& plane, size_t valueSize) {
    std::vector<uint8_t> out;
    const size_t count = plane.size() / valueSize;
    auto at = [&](size_t i) { return plane.data() + i * valueSize; };
    auto same = [&](size_t i, size_t j) { return std::equal(at(i), at(i + 1), at(j)); };
    auto item = [&](bool literal, size_t n, size_t from, size_t values) {
        if (n < 64) {
            out.push_back(uint8_t(n << 2 | literal));
        } else {
            out.push_back(uint8_t((n & 63) << 2 | (2 + literal)));
            out.push_back(uint8_t(n >> 6));
        }
        out.insert(out.end(), at(from), at(from + values));
    };
    for (size_t i = 0; i < count;) {
        size_t run = 1;
        while (i + run < count && run < 16383 && same(i, i + run))
            ++run;
        if (run >= 3) {
            item(false, run, i, 1);
            i += run;
            continue;
        }
        size_t lit = 1;
        while (i + lit < count && lit < 16383 &&
               !(i + lit + 2 < count && same(i + lit, i + lit + 1) && same(i + lit, i + lit + 2)))
            ++lit;
        item(true, lit, i, lit);
        i += lit;
    }
    return out;
}

inline std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data) {
    uLongf length = compressBound(uLong(data.size()));
    std::vector<uint8_t> out(length);
    compress2(out.data(), &length, data.data(), uLong(data.size()), 6);
    out.resize(length);
    return out;
}

// A ".quad" palette: a 32-byte name, the colour count, then the RGB triples
// (as many as given, whatever the count says).
inline std::vector<uint8_t> WriteQuad(const std::string& name, uint16_t count,
                                      const std::vector<uint8_t>& rgb) {
    std::vector<uint8_t> out(name.begin(), name.end());
    out.resize(32);
    platform::ByteWriter(out).U16(count);
    out.insert(out.end(), rgb.begin(), rgb.end());
    return out;
}

inline std::vector<uint8_t> WritePps(const PpsSpec& spec) {
    const bool paletted = spec.flags & 4;
    const bool alpha = spec.flags & 8;
    const size_t bpp = paletted ? (alpha ? 2 : 1) : 4, in = paletted ? 1 : 3;
    const size_t pixels = size_t(spec.width) * spec.height, frameBytes = pixels * bpp;
    std::vector<uint8_t> out = {'p', 'p', 's', spec.method};
    platform::ByteWriter w(out);
    w.U32(spec.flags);
    for (uint16_t v : {uint16_t(spec.frames.size()), spec.width, spec.height, uint16_t(0)})
        w.U16(v);
    for (uint32_t v : {spec.colorKey, uint32_t(frameBytes * spec.frames.size()), 0u})
        w.U32(v);
    w.U16(spec.colorCount);
    w.U16(0);
    if (spec.flags & 2) {
        w.FixedString(spec.paletteName, 33);
        out.pop_back();  // a 32-byte name keeps all its bytes
    } else if (paletted) {
        w.Bytes(spec.palette);
    }
    for (const PpsFrameSpec& frame : spec.frames) {
        // Split into planes: colour or index, and alpha.
        std::vector<uint8_t> first, second, a, b;
        for (size_t i = 0; i < pixels; ++i) {
            const uint8_t* px = frame.pixels.data() + i * bpp;
            first.insert(first.end(), px, px + in);
            if (alpha) second.push_back(px[in]);
        }
        first.resize(std::min(first.size(), frame.codedPixels * in));
        second.resize(std::min(second.size(), frame.codedAlpha));
        const bool zlibFirst = spec.method == 5 || (spec.method == 6 && spec.zlibFirstPlane);
        if (spec.method == 1) a = frame.pixels;
        if (spec.method >= 3) a = zlibFirst ? Deflate(first) : EncodeRle(first, in);
        if (spec.method >= 3 && alpha)
            b = spec.method == 3 ? EncodeRle(second, 1) : Deflate(second);
        const uint32_t chunkFlags = (paletted ? 1u : 0u) | (alpha ? 4u : 0u) |
                                    (spec.method == 6 && spec.zlibFirstPlane ? 32u : 0u);
        for (uint32_t v : {chunkFlags, frame.delay, uint32_t(a.size()), uint32_t(b.size()),
                           uint32_t(frameBytes)})
            w.U32(v);
        w.Bytes(a);
        w.Bytes(b);
    }
    if (spec.flags & 32) w.U32(spec.hotSpot);
    return out;
}

}  // namespace pictures
