// Blits with hostile placements, sizes, angles, opacities and flags from
// image bytes of any length: every read stays in the image, every write in
// the surface.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/resources/blit.h"
#include "platform/bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 40) return 0;
    platform::ByteReader in(std::span<const uint8_t>(data, 40));
    engine::BlitSource src;
    src.width = in.U8() % 33;
    src.height = in.U8() % 33;
    src.frameCount = in.U8() % 4;
    src.flags = in.U8() & 0x0F;
    src.colorKey = in.U16();
    src.colorCount = in.U16() % 300;
    engine::BlitPlacement p;
    p.drawX = int16_t(in.U16()) / 64;
    p.drawY = int16_t(in.U16()) / 64;
    p.width = int16_t(in.U16()) / 256;
    p.height = int16_t(in.U16()) / 256;
    p.radius = int16_t(in.U16()) / 512;
    p.flags = in.U16();
    p.clip = {int8_t(in.U8()), int8_t(in.U8()), int8_t(in.U8()), int8_t(in.U8())};
    p.angle = double(int16_t(in.U16())) / 16.0;
    const int32_t srcX = int8_t(in.U8()), srcY = int8_t(in.U8());
    const int32_t srcW = int8_t(in.U8()), srcH = int8_t(in.U8());
    const double opacity = double(in.U8()) / 200.0 - 0.1;
    const uint32_t blend = in.U8() & 1 ? engine::kNoBlendColor : in.U32();
    const int32_t sw = in.U8() % 48, sh = in.U8() % 48;
    std::vector<uint8_t> pixels(data + 40, data + size);
    std::vector<uint8_t> palette(size_t(src.colorCount) * 3, 0x55);
    src.pixels = pixels.data();
    src.byteSize = pixels.size();
    src.palette = palette.empty() ? nullptr : palette.data();
    std::vector<uint8_t> surface(size_t(sw) * size_t(sh) * 4);
    engine::BlitImage({surface.data(), sw, sh}, p, src, srcX, srcY, srcW, srcH, opacity, blend);
    const engine::PoolPoint points[] = {{p.drawX, p.drawY, 1, 2, 3, uint8_t(p.flags)}};
    engine::DrawPointList({surface.data(), sw, sh}, srcX, srcY, -50, -50, 50, 50, points, opacity);
    return 0;
}
