#include "pictures/image_decode.h"

#include <cstring>

#include "pictures/palette.h"
#include "pictures/res_log.h"

namespace engine {

void PictureToImage(const Picture& picture, PictureFormat format, ImageRecord& image) {
    const uint32_t keyColour = image.colorKey;
    const bool fileKey = format == PictureFormat::kGif || format == PictureFormat::kPng;
    ImageRecord out;
    out.id = image.id;
    out.width = uint16_t(picture.width);
    out.height = uint16_t(picture.height);
    out.frameCount = uint16_t(picture.frames.size());
    out.flags = kImageKeyed;
    if (picture.alphaValid) out.flags |= kImageAlpha;
    if (out.frameCount > 1) out.flags |= kImageDelays;

    const size_t pixels = size_t(picture.width) * picture.height;
    bool anyKeyed = false;

    if (picture.paletted) {
        out.flags |= kImagePaletted;
        out.colorCount = uint16_t(picture.colorCount());
        out.ownPalette = picture.palette;
        int transIndex = -1;
        if (fileKey) {
            transIndex = picture.transIndex;
        } else {
            PaletteRecord lookup;
            lookup.Set(picture.palette, picture.colorCount(), "");
            uint32_t nearest = lookup.Lookup(keyColour);
            const uint8_t* c = &picture.palette[nearest * 3];
            uint32_t colour = uint32_t(c[0]) | uint32_t(c[1]) << 8 | uint32_t(c[2]) << 16;
            if (colour == (keyColour & 0xFFFFFF)) transIndex = int(nearest);
        }
        out.colorKey = transIndex >= 0 ? uint32_t(transIndex) : kNoKeyIndex;
        const size_t bpp = picture.alphaValid ? 2 : 1;
        out.pixels.resize(picture.frames.size() * pixels * bpp);
        uint8_t* dst = out.pixels.data();
        for (const PictureFrame& frame : picture.frames) {
            for (size_t i = 0; i < pixels; ++i) {
                *dst++ = frame.index[i];
                if (picture.alphaValid) {
                    *dst++ = frame.alpha[i];
                } else if (int(frame.index[i]) == transIndex) {
                    anyKeyed = true;
                }
            }
        }
    } else {
        std::optional<uint32_t> trans =
            fileKey ? picture.transColor : std::optional<uint32_t>(keyColour & 0xFFFFFF);
        out.colorKey = trans ? *trans : keyColour;
        out.pixels.resize(picture.frames.size() * pixels * 4);
        uint8_t* dst = out.pixels.data();
        for (const PictureFrame& frame : picture.frames) {
            std::memcpy(dst, frame.bgra.data(), pixels * 4);
            if (!picture.alphaValid) {
                for (size_t i = 0; i < pixels; ++i, dst += 4) {
                    uint32_t colour =
                        uint32_t(dst[2]) | uint32_t(dst[1]) << 8 | uint32_t(dst[0]) << 16;
                    if (trans && colour == *trans) {
                        dst[3] = 0;
                        anyKeyed = true;
                    } else {
                        dst[3] = 255;
                    }
                }
            } else {
                dst += pixels * 4;
            }
        }
    }

    if (out.frameCount > 1) {
        // The first frame shows for the default 100 ms; the others for their
        // own delay. A zero delay would let an animation spin, so it gets the
        // default too.
        out.frameDelays.assign(out.frameCount, 100);
        for (size_t f = 1; f < picture.frames.size(); ++f) {
            uint32_t delay = picture.frames[f].delayCs * 10;
            if (delay == 0) {
                ResLog("图片第%zu帧延时为0,按100毫秒计!", f);
                delay = 100;
            }
            out.frameDelays[f] = delay;
        }
    }
    if (!(out.flags & kImageAlpha) && !anyKeyed) out.flags &= ~uint32_t(kImageKeyed);
    image = std::move(out);
}

int DecodeImage(std::span<const uint8_t> bytes, std::string_view extension, ImageRecord& image) {
    auto format = FormatForExtension(extension);
    if (!format) {
        ResLog("图片扩展名%.*s不支持!", int(extension.size()), extension.data());
        return 0;
    }
    Picture picture;
    if (!ReadPicture(*format, bytes, picture)) return 0;
    PictureToImage(picture, *format, image);
    return 1;
}

}  // namespace engine
