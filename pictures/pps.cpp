#include "pictures/pps.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "pictures/palette.h"
#include "pictures/res_log.h"
#include "platform/bytes.h"

namespace engine {
namespace {

// One run-length decoder for both value sizes.
size_t DecodeRle(std::span<const uint8_t> coded, std::span<uint8_t> out, size_t valueSize,
                 bool* complete) {
    size_t in = 0, written = 0;
    bool ok = true;
    while (in < coded.size()) {
        const uint8_t c = coded[in++];
        const uint32_t op = c & 3;
        uint32_t count = c >> 2;
        if (op >= 2) {
            if (in >= coded.size()) {
                ok = false;
                break;
            }
            count += uint32_t(coded[in++]) * 64;
        }
        const bool repeat = op == 0 || op == 2;
        const size_t need = repeat ? valueSize : size_t(count) * valueSize;
        if (need > coded.size() - in) {
            ok = false;
            break;
        }
        const size_t want = size_t(count) * valueSize;
        const size_t room = out.size() - written;
        const size_t take = std::min(want, room);
        if (repeat) {
            const uint8_t* value = &coded[in];
            if (valueSize == 1) {
                std::memset(&out[written], value[0], take);
            } else {
                for (size_t i = 0; i + valueSize <= take; i += valueSize) {
                    std::memcpy(&out[written + i], value, valueSize);
                }
            }
        } else if (take) {
            std::memcpy(&out[written], &coded[in], take);
        }
        in += need;
        written += take - take % valueSize;
        if (take < want) {
            ok = false;
            break;
        }
    }
    if (complete) *complete = ok;
    return written;
}

// zlib data decoded in one call into `out`; false when it does not decode
// or does not fill `out`.
bool Inflate(std::span<const uint8_t> coded, std::span<uint8_t> out) {
    uLongf length = uLongf(out.size());
    if (out.empty()) return coded.empty();
    int rc = uncompress(out.data(), &length, coded.data(), uLong(coded.size()));
    return rc == Z_OK && length == out.size();
}

// Run-length code that decodes cleanly and fills `out` exactly.
bool DecodeRleFully(std::span<const uint8_t> coded, std::span<uint8_t> out, size_t valueSize) {
    bool complete = true;
    return DecodeRle(coded, out, valueSize, &complete) == out.size() && complete;
}

uint32_t ShapeBytes(uint32_t chunkFlags) {
    if (chunkFlags & kPpsChunkIndex) return (chunkFlags & kPpsChunkAlpha) ? 2 : 1;
    return 4;
}

// Decodes one frame of `frameBytes` bytes into `out`; false when a plane was
// malformed or ended short (what decoded stays).
bool DecodeFrame(uint8_t method, uint32_t chunkFlags, std::span<const uint8_t> a,
                 std::span<const uint8_t> b, std::span<uint8_t> out) {
    const size_t d = out.size();
    const bool index = chunkFlags & kPpsChunkIndex;
    const bool alpha = chunkFlags & kPpsChunkAlpha;
    bool ok = true;

    if (method == 1) {
        size_t n = std::min(a.size(), d);
        std::memcpy(out.data(), a.data(), n);
        return n == d;
    }
    if (method == 2) return true;  // the frame holds nothing; it stays cleared

    auto first = [&](std::span<uint8_t> plane, bool colour) {
        if (method == 5) return Inflate(a, plane);
        if (method == 6) return DecodePpsChunk(a, plane, chunkFlags);
        return DecodeRleFully(a, plane, colour ? 3 : 1);
    };
    auto second = [&](std::span<uint8_t> plane) {
        return method == 3 ? DecodeRleFully(b, plane, 1) : Inflate(b, plane);
    };

    if (index && !alpha) return first(out, false);

    const size_t pixels = index ? d / 2 : d / 4;
    std::vector<uint8_t> plane0(index ? pixels : pixels * 3);
    std::vector<uint8_t> plane1(alpha ? pixels : 0);
    ok = first(plane0, !index);
    if (alpha) ok = second(plane1) && ok;
    MergePlanes(plane0, plane1, out, pixels, index ? 8 : 32);
    return ok;
}

}  // namespace

size_t DecodeRle8(std::span<const uint8_t> coded, std::span<uint8_t> out, bool* complete) {
    return DecodeRle(coded, out, 1, complete);
}

size_t DecodeRle24(std::span<const uint8_t> coded, std::span<uint8_t> out, bool* complete) {
    return DecodeRle(coded, out, 3, complete);
}

bool DecodePpsChunk(std::span<const uint8_t> coded, std::span<uint8_t> out, uint32_t chunkFlags) {
    if (chunkFlags & kPpsChunkZlib) return Inflate(coded, out);
    return DecodeRleFully(coded, out, (chunkFlags & kPpsChunkIndex) ? 1 : 3);
}

void MergePlanes(std::span<const uint8_t> colourOrIndex, std::span<const uint8_t> alpha,
                 std::span<uint8_t> out, size_t pixelCount, int shape) {
    const size_t in = shape == 8 ? 1 : 3;
    const size_t step = in + 1;
    pixelCount = std::min({pixelCount, colourOrIndex.size() / in, out.size() / step});
    for (size_t i = 0; i < pixelCount; ++i) {
        std::memcpy(&out[i * step], &colourOrIndex[i * in], in);
        out[i * step + in] = i < alpha.size() ? alpha[i] : 255;
    }
}

uint32_t DecodePps(std::span<const uint8_t> bytes, ImageRecord& image) {
    if (bytes.size() < kPpsHeaderBytes || std::memcmp(bytes.data(), "pps", 3) != 0) {
        ResLog("pps:文件头错误!");
        return 0;
    }
    platform::ByteReader reader(bytes);
    reader.Skip(3);
    const uint8_t method = reader.U8();
    ImageRecord out;
    out.id = image.id;
    out.flags = reader.U32();
    out.frameCount = reader.U16();
    out.width = reader.U16();
    out.height = reader.U16();
    reader.Skip(2);
    out.colorKey = reader.U32();
    const uint32_t total = reader.U32();
    reader.Skip(4);
    out.colorCount = reader.U16();
    reader.Skip(2);

    if (method < 1 || method > 6) {
        ResLog("pps:未知的编码方式%u!", method);
        return 0;
    }
    if (!ImageSizeAllowed(out.width, out.height, out.frameCount)) {
        ResLog("pps:图片尺寸%ux%u,%u帧不合理!", out.width, out.height, out.frameCount);
        return 0;
    }
    const uint32_t frameBytes = out.FrameBytes();
    if (uint64_t(frameBytes) * out.frameCount != total) {
        ResLog("pps:数据长度%u与尺寸不符!", total);
        return 0;
    }
    const bool paletted = out.flags & kImagePaletted;
    if (out.colorCount > kMaxPaletteColors || (paletted && out.colorCount == 0)) {
        ResLog("pps:颜色数%u不合理!", out.colorCount);
        return 0;
    }

    if (out.flags & kImageSharedPalette) {
        auto name = ReadPaletteName(reader);
        if (!name) return 0;
        out.sharedPaletteName = std::move(*name);
        if (!(out.flags & kImageKeyed)) out.colorKey = kNoKeyIndex;
    } else if (paletted) {
        auto triples = reader.Bytes(size_t(out.colorCount) * 3);
        out.ownPalette.assign(triples.begin(), triples.end());
    }
    if (!reader.ok()) {
        ResLog("pps:调色板数据不完整!");
        return 0;
    }

    out.pixels.assign(total, 0);
    if (out.flags & kImageDelays) out.frameDelays.assign(out.frameCount, 0);
    for (uint32_t f = 0; f < out.frameCount; ++f) {
        const uint32_t chunkFlags = reader.U32() & 0xFFFF;
        const uint32_t delay = reader.U32();
        const uint32_t lengthA = reader.U32();
        const uint32_t lengthB = reader.U32();
        const uint32_t d = reader.U32();
        auto a = reader.Bytes(lengthA);
        auto b = reader.Bytes(lengthB);
        if (!reader.ok()) {
            ResLog("pps:第%u帧数据不完整!", f);
            return 0;
        }
        if (d != frameBytes || (method >= 3 && ShapeBytes(chunkFlags) != out.BytesPerPixel())) {
            ResLog("pps:第%u帧长度%u与图片格式不符!", f, d);
            return 0;
        }
        std::span<uint8_t> frame(out.pixels.data() + size_t(f) * frameBytes, frameBytes);
        if (!DecodeFrame(method, chunkFlags, a, b, frame)) {
            ResLog("pps:第%u帧数据错误,解码在边界处停止!", f);
        }
        // A delay of 0 stays: timed actions take it as the frame period.
        if (out.flags & kImageDelays) out.frameDelays[f] = delay;
    }
    if (out.flags & kImageHotSpot) {
        const uint32_t spot = reader.U32();
        if (!reader.ok()) {
            ResLog("pps:热点数据不完整!");
            return 0;
        }
        out.hotSpotX = uint16_t(spot >> 16);
        out.hotSpotY = uint16_t(spot);
    }
    if (paletted) {
        const size_t step = out.BytesPerPixel();
        for (size_t i = 0; i < out.pixels.size(); i += step) {
            if (out.pixels[i] >= out.colorCount) {
                ResLog("pps:颜色索引%u超出调色板(%u色)!", out.pixels[i], out.colorCount);
                return 0;
            }
        }
    }
    image = std::move(out);
    return total;
}

uint32_t LoadPps(std::span<const uint8_t> bytes, ImageRecord& image, const PaletteTable& palettes) {
    ImageRecord decoded;
    decoded.id = image.id;
    const uint32_t size = DecodePps(bytes, decoded);
    if (size == 0) return 0;
    if (decoded.flags & kImageSharedPalette) {
        const PaletteRecord* shared = palettes.Find(decoded.sharedPaletteName);
        if (!shared) {
            ResLog("pps:结构加载错误,全局调色板%s未在内存中!", decoded.sharedPaletteName.c_str());
            return 0;
        }
        if (shared->count() < decoded.colorCount) {
            ResLog("pps:结构加载错误,全局调色板%s长度不匹配!", decoded.sharedPaletteName.c_str());
            return 0;
        }
        decoded.sharedPalette = shared;
        decoded.sharedPaletteName.clear();
    }
    image = std::move(decoded);
    return size;
}

}  // namespace engine
