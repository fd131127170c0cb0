// BMP (1, 4, 8, 16, 24 and 32 bits, RLE4 and RLE8) and ICO (the first image
// of the directory, a DIB with its AND mask or an embedded PNG).

#include <cstring>

#include "pictures/image_record.h"
#include "pictures/picture.h"
#include "pictures/res_log.h"
#include "platform/bytes.h"

namespace engine {
namespace {

using picture_detail::AnyAlpha;
using picture_detail::MakeOpaque;

constexpr uint32_t kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3;  // 0 is plain rows

struct DibHeader {
    uint32_t headerSize = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bpp = 0;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    uint32_t masks[4] = {0, 0, 0, 0};
    bool core = false;
};

// The channel of a 16/32-bit pixel under a mask, scaled to 8 bits.
uint8_t Channel(uint32_t pixel, uint32_t mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1))
        ++shift;
    uint32_t value = (pixel & mask) >> shift;
    uint32_t max = mask >> shift;
    return uint8_t(uint64_t(value) * 255 / max);
}

bool Fail(const char* what) {
    ResLog("BMP图片错误:%s", what);
    return false;
}

// RLE4/RLE8 into bottom-up rows of indices; every write is checked. Runs may
// cover a row's padding (common encoders write them so for widths that are
// not a multiple of 4): those pixels are dropped; a run past it is refused.
bool DecodeRleDib(std::span<const uint8_t> data, uint32_t width, uint32_t height, bool four,
                  std::vector<uint8_t>& rows) {
    rows.assign(size_t(width) * height, 0);
    const size_t bits = four ? 4 : 8;
    const size_t paddedWidth = (size_t(width) * bits + 31) / 32 * 32 / bits;
    size_t in = 0;
    uint32_t x = 0, y = 0;
    auto put = [&](uint8_t v) {
        if (x >= paddedWidth || y >= height) return false;
        if (x < width) rows[size_t(y) * width + x] = v;
        ++x;
        return true;
    };
    while (true) {
        if (in + 2 > data.size()) return Fail("RLE数据不完整");
        uint8_t count = data[in++], value = data[in++];
        if (count) {
            for (uint32_t i = 0; i < count; ++i) {
                uint8_t v = four ? (i & 1 ? value & 15 : value >> 4) : value;
                if (!put(v)) return Fail("RLE数据越界");
            }
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of bitmap
            return true;
        } else if (value == 2) {  // delta
            if (in + 2 > data.size()) return Fail("RLE数据不完整");
            x += data[in++];
            y += data[in++];
            if (x > width || y > height) return Fail("RLE数据越界");
        } else {  // absolute run, padded to a word
            size_t bytes = four ? (value + 1) / 2 : value;
            if (in + bytes > data.size()) return Fail("RLE数据不完整");
            for (uint32_t i = 0; i < value; ++i) {
                uint8_t b = data[in + (four ? i / 2 : i)];
                uint8_t v = four ? (i & 1 ? b & 15 : b >> 4) : b;
                if (!put(v)) return Fail("RLE数据越界");
            }
            in += bytes + (bytes & 1);
        }
        if (y > height) return Fail("RLE数据越界");
        if (y == height) return true;
    }
}

// Decodes a DIB (header, palette, pixels). `pixelOffset` is where the pixels
// start in `dib` (0: right after the palette). For an icon the height covers
// the XOR image and the AND mask, and the mask is applied as alpha.
bool ReadDib(std::span<const uint8_t> dib, size_t pixelOffset, bool icon, Picture& out) {
    platform::ByteReader r(dib);
    DibHeader h;
    h.headerSize = r.U32();
    if (h.headerSize == 12) {
        h.core = true;
        h.width = r.U16();
        h.height = r.I16();
        r.U16();
        h.bpp = r.U16();
    } else if (h.headerSize >= 40 && h.headerSize <= 124) {
        h.width = r.I32();
        h.height = r.I32();
        r.U16();
        h.bpp = r.U16();
        h.compression = r.U32();
        r.Skip(12);
        h.colorsUsed = r.U32();
        r.U32();
        if (h.headerSize >= 52) {
            for (int i = 0; i < (h.headerSize >= 56 ? 4 : 3); ++i)
                h.masks[i] = r.U32();
        }
        r.Skip(h.headerSize - std::min<uint32_t>(h.headerSize, uint32_t(r.position())));
        if (h.compression == kBiBitfields && h.headerSize == 40) {
            for (int i = 0; i < 3; ++i)
                h.masks[i] = r.U32();
        }
    } else {
        return Fail("位图头长度不支持");
    }
    if (!r.ok()) return Fail("位图头不完整");

    bool topDown = h.height < 0;
    int64_t height64 = topDown ? -int64_t(h.height) : h.height;
    if (icon) height64 /= 2;
    if (h.width <= 0 || height64 <= 0 ||
        !ImageSizeAllowed(uint64_t(h.width), uint64_t(height64), 1))
        return Fail("尺寸不合理");
    const uint32_t width = uint32_t(h.width), height = uint32_t(height64);

    const bool rle = h.compression == kBiRle8 || h.compression == kBiRle4;
    if (h.compression == kBiRle8 && h.bpp != 8) return Fail("RLE8位深不符");
    if (h.compression == kBiRle4 && h.bpp != 4) return Fail("RLE4位深不符");
    if (h.compression > kBiBitfields) return Fail("压缩方式不支持");
    if (h.bpp != 1 && h.bpp != 4 && h.bpp != 8 && h.bpp != 16 && h.bpp != 24 && h.bpp != 32)
        return Fail("位深不支持");

    // Palette.
    if (h.bpp <= 8) {
        uint32_t colours = h.colorsUsed ? h.colorsUsed : 1u << h.bpp;
        if (colours > 256) return Fail("调色板过长");
        const size_t entry = h.core ? 3 : 4;
        for (uint32_t i = 0; i < colours; ++i) {
            auto e = r.Bytes(entry);
            if (!r.ok()) return Fail("调色板不完整");
            out.palette.insert(out.palette.end(), {e[2], e[1], e[0]});
        }
        out.paletted = true;
    }
    if (pixelOffset == 0) pixelOffset = r.position();
    if (pixelOffset > dib.size()) return Fail("像素数据位置越界");
    std::span<const uint8_t> data = dib.subspan(pixelOffset);

    out.width = width;
    out.height = height;
    PictureFrame& frame = out.frames.emplace_back();
    const size_t pixels = size_t(width) * height;
    const size_t stride = ((size_t(width) * h.bpp + 31) / 32) * 4;
    auto rowOf = [&](uint32_t y) { return topDown ? y : height - 1 - y; };

    if (rle) {
        if (topDown) return Fail("RLE图片不能自上而下");
        std::vector<uint8_t> rows;
        if (!DecodeRleDib(data, width, height, h.compression == kBiRle4, rows)) return false;
        frame.index.resize(pixels);
        for (uint32_t y = 0; y < height; ++y)
            std::memcpy(&frame.index[size_t(y) * width], &rows[size_t(rowOf(y)) * width], width);
        return true;
    }
    if (stride * height > data.size()) return Fail("像素数据不完整");

    if (h.bpp <= 8) {
        frame.index.resize(pixels);
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* row = &data[rowOf(y) * stride];
            for (uint32_t x = 0; x < width; ++x) {
                uint8_t v;
                if (h.bpp == 8) {
                    v = row[x];
                } else if (h.bpp == 4) {
                    v = (x & 1) ? row[x / 2] & 15 : row[x / 2] >> 4;
                } else {
                    v = (row[x / 8] >> (7 - x % 8)) & 1;
                }
                frame.index[size_t(y) * width + x] = v;
            }
        }
    } else {
        uint32_t masks[4] = {h.masks[0], h.masks[1], h.masks[2], h.masks[3]};
        if (h.compression != kBiBitfields) {
            if (h.bpp == 16) {
                masks[0] = 0x7C00, masks[1] = 0x3E0, masks[2] = 0x1F, masks[3] = 0;
            } else if (h.bpp == 32) {
                masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF, masks[3] = 0xFF000000;
            }
        }
        frame.bgra.resize(pixels * 4);
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* row = &data[rowOf(y) * stride];
            uint8_t* dst = &frame.bgra[size_t(y) * width * 4];
            for (uint32_t x = 0; x < width; ++x, dst += 4) {
                if (h.bpp == 24) {
                    dst[0] = row[x * 3], dst[1] = row[x * 3 + 1], dst[2] = row[x * 3 + 2];
                    dst[3] = 255;
                    continue;
                }
                uint32_t p =
                    h.bpp == 16 ? platform::LoadLE16(&row[x * 2]) : platform::LoadLE32(&row[x * 4]);
                dst[0] = Channel(p, masks[2]);
                dst[1] = Channel(p, masks[1]);
                dst[2] = Channel(p, masks[0]);
                dst[3] = masks[3] ? Channel(p, masks[3]) : 255;
            }
        }
        if (masks[3] && AnyAlpha(frame.bgra)) {
            out.alphaValid = true;
        } else {
            MakeOpaque(frame.bgra);
        }
    }

    if (icon) {
        // The AND mask follows the XOR image: one bit per pixel, 1 = transparent.
        // Icons with their own alpha may come without it (favicons often do).
        if (out.alphaValid) return true;
        const size_t maskStride = ((size_t(width) + 31) / 32) * 4;
        std::span<const uint8_t> mask = data.subspan(stride * height);
        if (maskStride * height > mask.size()) return Fail("图标掩码不完整");
        std::vector<uint8_t> alpha(pixels);
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* row = &mask[rowOf(y) * maskStride];
            for (uint32_t x = 0; x < width; ++x)
                alpha[size_t(y) * width + x] = ((row[x / 8] >> (7 - x % 8)) & 1) ? 0 : 255;
        }
        out.alphaValid = true;
        if (out.paletted) {
            frame.alpha = std::move(alpha);
        } else {
            for (size_t i = 0; i < pixels; ++i)
                frame.bgra[i * 4 + 3] = alpha[i];
        }
    }
    return true;
}

}  // namespace

bool ReadBmp(std::span<const uint8_t> bytes, Picture& out) {
    platform::ByteReader r(bytes);
    if (r.U8() != 'B' || r.U8() != 'M') return Fail("文件头错误");
    r.Skip(8);
    uint32_t offset = r.U32();
    if (!r.ok() || offset < 14) return Fail("文件头不完整");
    if (offset > bytes.size()) return Fail("像素数据位置越界");
    return ReadDib(bytes.subspan(14), offset - 14, false, out);
}

bool ReadIco(std::span<const uint8_t> bytes, Picture& out) {
    platform::ByteReader r(bytes);
    uint16_t reserved = r.U16(), type = r.U16(), count = r.U16();
    if (!r.ok() || reserved != 0 || (type != 1 && type != 2) || count == 0) {
        ResLog("ICO图片错误:文件头错误");
        return false;
    }
    r.Skip(8);
    uint32_t size = r.U32(), offset = r.U32();
    if (!r.ok() || offset > bytes.size() || size > bytes.size() - offset) {
        ResLog("ICO图片错误:图像数据越界");
        return false;
    }
    std::span<const uint8_t> image = bytes.subspan(offset, size);
    static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (image.size() >= 8 && std::memcmp(image.data(), kPngSignature, 8) == 0) {
        return ReadPng(image, out);
    }
    return ReadDib(image, 0, true, out);
}

}  // namespace engine
