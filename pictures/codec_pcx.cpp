// PCX: 1, 2, 4 and 8 bits per pixel in one plane, 1 bit in 2 to 4 planes
// (16-colour), and 8 bits in 3 or 4 planes (RGB, RGBA); run-length coded.

#include "pictures/image_record.h"
#include "pictures/picture.h"
#include "pictures/res_log.h"
#include "platform/bytes.h"

namespace engine {
namespace {

bool Fail(const char* what) {
    ResLog("PCX图片错误:%s", what);
    return false;
}

constexpr size_t kHeaderBytes = 128;

}  // namespace

bool ReadPcx(std::span<const uint8_t> bytes, Picture& out) {
    platform::ByteReader r(bytes);
    const uint8_t maker = r.U8();
    r.U8();  // version
    const uint8_t encoding = r.U8(), bits = r.U8();
    const uint16_t xMin = r.U16(), yMin = r.U16(), xMax = r.U16(), yMax = r.U16();
    r.Skip(4);
    auto headerPalette = r.Bytes(48);
    r.U8();
    const uint8_t planes = r.U8();
    const uint16_t bytesPerLine = r.U16();
    if (!r.ok() || bytes.size() < kHeaderBytes || maker != 0x0A || encoding > 1)
        return Fail("文件头错误");
    if (xMax < xMin || yMax < yMin) return Fail("尺寸不合理");
    const uint32_t width = uint32_t(xMax - xMin) + 1, height = uint32_t(yMax - yMin) + 1;
    if (!ImageSizeAllowed(width, height, 1)) return Fail("尺寸不合理");

    const bool packed = planes == 1 && (bits == 1 || bits == 2 || bits == 4 || bits == 8);
    const bool planar16 = bits == 1 && planes >= 2 && planes <= 4;
    const bool rgb = bits == 8 && (planes == 3 || planes == 4);
    if (!packed && !planar16 && !rgb) return Fail("像素格式不支持");
    // Lines are padded to at most a few bytes; a longer line is a lie that
    // would make us expect (and allocate for) data that is not there.
    const size_t needed = (size_t(width) * bits + 7) / 8;
    if (bytesPerLine < needed) return Fail("行长度不足");
    if (bytesPerLine > needed + 16) return Fail("行长度不合理");

    // The decoded scan lines: planes x bytesPerLine bytes each.
    const size_t lineBytes = size_t(planes) * bytesPerLine;
    const size_t total = lineBytes * height;
    std::vector<uint8_t> data;
    size_t in = kHeaderBytes;
    if (encoding == 0) {
        if (bytes.size() - in < total) return Fail("像素数据不完整");
        data.assign(bytes.begin() + in, bytes.begin() + in + total);
        in += total;
    } else {
        while (data.size() < total) {
            if (in >= bytes.size()) return Fail("像素数据不完整");
            uint8_t b = bytes[in++];
            size_t count = 1;
            if ((b & 0xC0) == 0xC0) {
                count = b & 0x3F;
                if (in >= bytes.size()) return Fail("像素数据不完整");
                b = bytes[in++];
            }
            if (data.size() + count > total) return Fail("RLE数据越界");
            data.insert(data.end(), count, b);
        }
    }

    out.width = width;
    out.height = height;
    PictureFrame& frame = out.frames.emplace_back();
    const size_t pixels = size_t(width) * height;

    if (rgb) {
        frame.bgra.resize(pixels * 4);
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* line = &data[y * lineBytes];
            for (uint32_t x = 0; x < width; ++x) {
                uint8_t* d = &frame.bgra[(size_t(y) * width + x) * 4];
                d[2] = line[x];
                d[1] = line[bytesPerLine + x];
                d[0] = line[2 * bytesPerLine + x];
                d[3] = planes == 4 ? line[3 * bytesPerLine + x] : 255;
            }
        }
        if (planes == 4 && picture_detail::AnyAlpha(frame.bgra)) {
            out.alphaValid = true;
        } else {
            picture_detail::MakeOpaque(frame.bgra);
        }
        return true;
    }

    out.paletted = true;
    frame.index.resize(pixels);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* line = &data[y * lineBytes];
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t v = 0;
            if (planar16) {
                for (uint32_t p = 0; p < planes; ++p)
                    v |= uint8_t(((line[p * bytesPerLine + x / 8] >> (7 - x % 8)) & 1) << p);
            } else if (bits == 8) {
                v = line[x];
            } else {
                const uint32_t bit = x * bits;
                v = uint8_t((line[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1));
            }
            frame.index[size_t(y) * width + x] = v;
        }
    }

    if (bits == 8) {
        // The 256-colour palette follows a 0x0C marker at the end of the file;
        // without it the header's 16 colours are all there is.
        if (bytes.size() >= kHeaderBytes + 769 && bytes[bytes.size() - 769] == 0x0C &&
            bytes.size() - 769 >= in) {
            out.palette.assign(bytes.end() - 768, bytes.end());
        } else {
            out.palette.assign(headerPalette.begin(), headerPalette.end());
        }
    } else if (bits == 1 && planes == 1) {
        // Many writers leave the header palette empty for black and white.
        bool empty = true;
        for (size_t i = 0; i < 6; ++i)
            empty = empty && headerPalette[i] == 0;
        out.palette = empty
                          ? picture_detail::GreyPalette(2)
                          : std::vector<uint8_t>(headerPalette.begin(), headerPalette.begin() + 6);
    } else {
        const size_t colours = size_t(1) << (planar16 ? planes : bits);
        out.palette.assign(headerPalette.begin(), headerPalette.begin() + colours * 3);
    }
    return true;
}

}  // namespace engine
