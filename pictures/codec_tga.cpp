// TGA: colour-mapped (1, 9), true-colour (2, 10) and grey (3, 11) images,
// plain or run-length coded, in any of the four orientations.

#include "pictures/image_record.h"
#include "pictures/picture.h"
#include "pictures/res_log.h"
#include "platform/bytes.h"

namespace engine {
namespace {

bool Fail(const char* what) {
    ResLog("TGA图片错误:%s", what);
    return false;
}

// A 15/16-bit pixel as B, G, R.
void From555(uint16_t p, uint8_t* bgr) {
    bgr[0] = uint8_t((p & 31) * 255 / 31);
    bgr[1] = uint8_t(((p >> 5) & 31) * 255 / 31);
    bgr[2] = uint8_t(((p >> 10) & 31) * 255 / 31);
}

}  // namespace

bool ReadTga(std::span<const uint8_t> bytes, Picture& out) {
    platform::ByteReader r(bytes);
    const uint8_t idLength = r.U8(), mapType = r.U8(), type = r.U8();
    const uint16_t mapFirst = r.U16(), mapLength = r.U16();
    const uint8_t mapEntryBits = r.U8();
    r.Skip(4);
    const uint16_t width = r.U16(), height = r.U16();
    const uint8_t depth = r.U8(), descriptor = r.U8();
    if (!r.ok()) return Fail("文件头不完整");
    const uint8_t kind = type & 7;
    const bool rle = type & 8;
    if ((kind != 1 && kind != 2 && kind != 3) || type > 11) return Fail("图像类型不支持");
    if (!ImageSizeAllowed(width, height, 1)) return Fail("尺寸不合理");
    r.Skip(idLength);

    // Colour map.
    if (mapType == 1) {
        if (mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 && mapEntryBits != 32)
            return Fail("调色板格式不支持");
        const size_t entryBytes = (mapEntryBits + 7) / 8;
        auto map = r.Bytes(size_t(mapLength) * entryBytes);
        if (!r.ok()) return Fail("调色板不完整");
        if (kind == 1) {
            if (size_t(mapFirst) + mapLength > 256 || mapLength == 0) return Fail("调色板过长");
            out.palette.assign(size_t(mapFirst) * 3, 0);
            for (size_t i = 0; i < mapLength; ++i) {
                const uint8_t* e = &map[i * entryBytes];
                uint8_t bgr[3];
                if (entryBytes == 2) {
                    From555(platform::LoadLE16(e), bgr);
                } else {
                    bgr[0] = e[0], bgr[1] = e[1], bgr[2] = e[2];
                }
                out.palette.insert(out.palette.end(), {bgr[2], bgr[1], bgr[0]});
            }
        }
    } else if (kind == 1) {
        return Fail("缺少调色板");
    }

    size_t pixelBytes;
    if (kind == 1 || kind == 3) {
        if (depth != 8) return Fail("位深不支持");
        pixelBytes = 1;
        out.paletted = true;
        if (kind == 3) out.palette = picture_detail::GreyPalette(256);
    } else {
        if (depth != 15 && depth != 16 && depth != 24 && depth != 32) return Fail("位深不支持");
        pixelBytes = (depth + 7) / 8;
    }

    // The pixels in file order, run-length decoded when needed.
    const size_t pixels = size_t(width) * height;
    std::vector<uint8_t> raw;
    if (!rle) {
        auto data = r.Bytes(pixels * pixelBytes);
        if (!r.ok()) return Fail("像素数据不完整");
        raw.assign(data.begin(), data.end());
    } else {
        raw.reserve(pixels * pixelBytes);
        while (raw.size() < pixels * pixelBytes) {
            const uint8_t head = r.U8();
            const size_t count = (head & 0x7F) + 1;
            if (raw.size() + count * pixelBytes > pixels * pixelBytes) return Fail("RLE数据越界");
            if (head & 0x80) {
                auto value = r.Bytes(pixelBytes);
                if (!r.ok()) return Fail("RLE数据不完整");
                for (size_t i = 0; i < count; ++i)
                    raw.insert(raw.end(), value.begin(), value.end());
            } else {
                auto values = r.Bytes(count * pixelBytes);
                if (!r.ok()) return Fail("RLE数据不完整");
                raw.insert(raw.end(), values.begin(), values.end());
            }
            if (!r.ok()) return Fail("RLE数据不完整");
        }
    }

    out.width = width;
    out.height = height;
    PictureFrame& frame = out.frames.emplace_back();
    const bool rightToLeft = descriptor & 0x10;
    const bool topDown = descriptor & 0x20;
    if (out.paletted) {
        frame.index.resize(pixels);
    } else {
        frame.bgra.resize(pixels * 4);
    }
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t sy = topDown ? y : height - 1u - y;
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t sx = rightToLeft ? width - 1u - x : x;
            const uint8_t* s = &raw[(size_t(sy) * width + sx) * pixelBytes];
            const size_t d = size_t(y) * width + x;
            if (out.paletted) {
                frame.index[d] = s[0];
            } else if (pixelBytes == 2) {
                From555(platform::LoadLE16(s), &frame.bgra[d * 4]);
                frame.bgra[d * 4 + 3] = 255;
            } else {
                frame.bgra[d * 4] = s[0], frame.bgra[d * 4 + 1] = s[1],
                               frame.bgra[d * 4 + 2] = s[2];
                frame.bgra[d * 4 + 3] = pixelBytes == 4 ? s[3] : 255;
            }
        }
    }
    if (pixelBytes == 4 && picture_detail::AnyAlpha(frame.bgra)) {
        out.alphaValid = true;
    } else {
        picture_detail::MakeOpaque(frame.bgra);
    }
    return true;
}

}  // namespace engine
