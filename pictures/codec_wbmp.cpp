// WBMP type 0: one bit per pixel, 1 = white, rows padded to bytes.

#include "pictures/image_record.h"
#include "pictures/picture.h"
#include "pictures/res_log.h"

namespace engine {
namespace {

bool Fail(const char* what) {
    ResLog("WBMP图片错误:%s", what);
    return false;
}

// A multi-byte integer: 7 bits a byte, high bit = more follow; at most 4 bytes.
bool ReadMbi(std::span<const uint8_t> bytes, size_t& pos, uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (pos >= bytes.size()) return false;
        uint8_t b = bytes[pos++];
        value = value << 7 | (b & 0x7F);
        if (!(b & 0x80)) return true;
    }
    return false;
}

}  // namespace

bool ReadWbmp(std::span<const uint8_t> bytes, Picture& out) {
    size_t pos = 0;
    uint32_t type, width, height;
    if (!ReadMbi(bytes, pos, type) || type != 0) return Fail("类型不支持");
    if (pos >= bytes.size() || bytes[pos++] != 0) return Fail("文件头错误");
    if (!ReadMbi(bytes, pos, width) || !ReadMbi(bytes, pos, height)) return Fail("文件头不完整");
    if (!ImageSizeAllowed(width, height, 1)) return Fail("尺寸不合理");
    const size_t stride = (size_t(width) + 7) / 8;
    if (bytes.size() - pos < stride * height) return Fail("像素数据不完整");

    out.width = width;
    out.height = height;
    out.paletted = true;
    out.palette = picture_detail::GreyPalette(2);
    PictureFrame& frame = out.frames.emplace_back();
    frame.index.resize(size_t(width) * height);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = &bytes[pos + y * stride];
        for (uint32_t x = 0; x < width; ++x)
            frame.index[size_t(y) * width + x] = (row[x / 8] >> (7 - x % 8)) & 1;
    }
    return true;
}

}  // namespace engine
