#pragma once
// Writes ".pps" files for the asset generator, the tests and the benchmarks:
// every coding method, every pixel shape, shared or own palettes, delays and
// a hot spot. The program itself only reads the format.

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/bytes.h"

namespace tools {

struct PpsFrameSpec {
    std::vector<uint8_t> pixels;  // decoded frame in the image's pixel shape
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
    std::vector<uint8_t> palette;  // own palette triples (flag 4 without 2)
    uint16_t colorCount = 0;
    std::string paletteName;  // with flag 2
    std::vector<PpsFrameSpec> frames;
    uint32_t hotSpot = 0;        // with flag 32
    bool zlibFirstPlane = true;  // method 6: chunk flag 32
};

// Run-length code of values of `valueSize` bytes; long runs and literals use
// the two-byte items, short ones the one-byte items.
inline std::vector<uint8_t> EncodeRle(const std::vector<uint8_t>& plane, size_t valueSize) {
    std::vector<uint8_t> out;
    const size_t count = plane.size() / valueSize;
    auto same = [&](size_t i, size_t j) {
        for (size_t k = 0; k < valueSize; ++k) {
            if (plane[i * valueSize + k] != plane[j * valueSize + k]) return false;
        }
        return true;
    };
    auto item = [&](uint32_t op, size_t m) {
        if (m < 64 && op < 2) {
            out.push_back(uint8_t(m << 2 | op));
        } else {
            out.push_back(uint8_t((m & 63) << 2 | (op + 2 * (op < 2))));
            out.push_back(uint8_t(m >> 6));
        }
    };
    size_t i = 0;
    while (i < count) {
        size_t run = 1;
        while (i + run < count && run < 16383 && same(i, i + run))
            ++run;
        if (run >= 3) {
            item(run < 64 ? 0 : 2, run);
            out.insert(out.end(), plane.begin() + i * valueSize,
                       plane.begin() + (i + 1) * valueSize);
            i += run;
            continue;
        }
        size_t lit = 1;
        while (i + lit < count && lit < 16383 &&
               !(i + lit + 2 < count && same(i + lit, i + lit + 1) && same(i + lit, i + lit + 2))) {
            ++lit;
        }
        item(lit < 64 ? 1 : 3, lit);
        out.insert(out.end(), plane.begin() + i * valueSize, plane.begin() + (i + lit) * valueSize);
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

inline std::vector<uint8_t> WritePps(const PpsSpec& spec) {
    const bool paletted = spec.flags & 4;
    const bool alpha = spec.flags & 8;
    const size_t bpp = paletted ? (alpha ? 2 : 1) : 4;
    const size_t frameBytes = size_t(spec.width) * spec.height * bpp;

    std::vector<uint8_t> out;
    platform::ByteWriter w(out);
    w.U8('p');
    w.U8('p');
    w.U8('s');
    w.U8(spec.method);
    w.U32(spec.flags);
    w.U16(uint16_t(spec.frames.size()));
    w.U16(spec.width);
    w.U16(spec.height);
    w.U16(0);
    w.U32(spec.colorKey);
    w.U32(uint32_t(frameBytes * spec.frames.size()));
    w.U32(0);
    w.U16(spec.colorCount);
    w.U16(0);
    if (spec.flags & 2) {
        w.FixedString(spec.paletteName, 33);
        out.pop_back();  // a 32-byte name keeps all its bytes
    } else if (paletted) {
        w.Bytes(spec.palette);
    }

    for (const PpsFrameSpec& frame : spec.frames) {
        uint32_t chunkFlags = (paletted ? 1u : 0u) | (alpha ? 4u : 0u);
        // Split into planes: colour or index, and alpha.
        const size_t pixels = frameBytes / bpp;
        const size_t in = paletted ? 1 : 3;
        std::vector<uint8_t> first, second;
        if (paletted && !alpha) {
            first = frame.pixels;
        } else {
            for (size_t i = 0; i < pixels; ++i) {
                for (size_t k = 0; k < in; ++k)
                    first.push_back(frame.pixels[i * bpp + k]);
                if (alpha) second.push_back(frame.pixels[i * bpp + in]);
            }
        }
        first.resize(std::min(first.size(), frame.codedPixels * in));
        second.resize(std::min(second.size(), frame.codedAlpha));
        std::vector<uint8_t> a, b;
        switch (spec.method) {
            case 1:
                a = frame.pixels;
                break;
            case 2:
                break;
            case 3:
                a = EncodeRle(first, in);
                if (alpha) b = EncodeRle(second, 1);
                break;
            case 4:
                a = EncodeRle(first, in);
                if (alpha) b = Deflate(second);
                break;
            case 5:
                a = Deflate(first);
                if (alpha) b = Deflate(second);
                break;
            case 6:
                if (spec.zlibFirstPlane) chunkFlags |= 32;
                a = spec.zlibFirstPlane ? Deflate(first) : EncodeRle(first, in);
                if (alpha) b = Deflate(second);
                break;
        }
        w.U32(chunkFlags);
        w.U32(frame.delay);
        w.U32(uint32_t(a.size()));
        w.U32(uint32_t(b.size()));
        w.U32(uint32_t(frameBytes));
        w.Bytes(a);
        w.Bytes(b);
    }
    if (spec.flags & 32) w.U32(spec.hotSpot);
    return out;
}

}  // namespace tools
