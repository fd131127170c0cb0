// PNG through libpng. Palette and grey pictures of up to 8 bits stay
// paletted; a single fully transparent palette entry (or grey level) becomes
// the transparent index, partial transparency becomes alpha. Colour pictures
// become 32-bit, with the tRNS colour as the transparent colour. At 16 bits
// the tRNS colour must match all 16 bits, which a cut sample cannot tell, so
// libpng turns it into alpha before the samples are cut.

#include <png.h>

#include <csetjmp>
#include <cstring>

#include "pictures/image_record.h"
#include "pictures/picture.h"
#include "pictures/res_log.h"

namespace engine {
namespace {

struct Source {
    std::span<const uint8_t> bytes;
    size_t pos = 0;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* src = static_cast<Source*>(png_get_io_ptr(png));
    if (length > src->bytes.size() - src->pos) png_error(png, "truncated");
    std::memcpy(out, src->bytes.data() + src->pos, length);
    src->pos += length;
}

void OnError(png_structp png, png_const_charp message) {
    ResLog("PNG图片错误:%s", message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Everything libpng touches between setjmp and longjmp lives in this struct,
// owned outside the protected region.
struct Decode {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<uint8_t> image;
    std::vector<png_bytep> rows;
    ~Decode() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

bool Run(Decode& d, Source& src, Picture& out) {
    if (setjmp(png_jmpbuf(d.png))) return false;
    png_set_read_fn(d.png, &src, ReadFromMemory);
    png_set_user_limits(d.png, kMaxImageSide, kMaxImageSide);
    png_set_chunk_malloc_max(d.png, 8u << 20);
    png_read_info(d.png, d.info);

    png_uint_32 width, height;
    int depth, colour, interlace;
    png_get_IHDR(d.png, d.info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
    if (!ImageSizeAllowed(width, height, 1)) {
        ResLog("PNG图片错误:尺寸%ux%u不合理", unsigned(width), unsigned(height));
        return false;
    }
    out.width = width;
    out.height = height;

    png_bytep transAlpha = nullptr;
    int transCount = 0;
    png_color_16p transColour = nullptr;
    const bool hasTrns = png_get_valid(d.png, d.info, PNG_INFO_tRNS);
    if (hasTrns) png_get_tRNS(d.png, d.info, &transAlpha, &transCount, &transColour);

    const bool paletteImage = colour == PNG_COLOR_TYPE_PALETTE;
    const bool trnsToAlpha = hasTrns && transColour && depth == 16;
    const bool greyImage = colour == PNG_COLOR_TYPE_GRAY && !trnsToAlpha;
    if (paletteImage || greyImage) {
        out.paletted = true;
        if (depth == 16) png_set_strip_16(d.png);
        if (depth < 8) png_set_packing(d.png);
        if (paletteImage) {
            png_colorp palette = nullptr;
            int count = 0;
            if (!png_get_PLTE(d.png, d.info, &palette, &count) || count < 1) {
                ResLog("PNG图片错误:缺少调色板");
                return false;
            }
            for (int i = 0; i < count; ++i)
                out.palette.insert(out.palette.end(),
                                   {palette[i].red, palette[i].green, palette[i].blue});
            // One fully transparent entry is a transparent index; anything
            // else that is not opaque needs real alpha.
            int zero = -1, partial = 0;
            for (int i = 0; hasTrns && i < transCount && i < count; ++i) {
                if (transAlpha[i] == 0 && zero < 0) {
                    zero = i;
                } else if (transAlpha[i] != 255) {
                    ++partial;
                }
            }
            if (partial) {
                out.alphaValid = true;
            } else {
                out.transIndex = zero;
            }
        } else {
            const uint32_t levels = depth >= 8 ? 256 : 1u << depth;
            out.palette = picture_detail::GreyPalette(levels);
            if (hasTrns && transColour && transColour->gray < levels)
                out.transIndex = int(transColour->gray);
        }
    } else {
        if (trnsToAlpha) png_set_tRNS_to_alpha(d.png);
        if (depth == 16) png_set_strip_16(d.png);
        if (!(colour & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(d.png);
        png_set_bgr(d.png);
        out.alphaValid = (colour & PNG_COLOR_MASK_ALPHA) || trnsToAlpha;
        if (!out.alphaValid) png_set_filler(d.png, 0xFF, PNG_FILLER_AFTER);
        // A sample above 255 matches no pixel: no transparent colour then.
        if (hasTrns && transColour && !out.alphaValid && transColour->red < 256 &&
            transColour->green < 256 && transColour->blue < 256) {
            out.transColor = uint32_t(transColour->red) | uint32_t(transColour->green) << 8 |
                             uint32_t(transColour->blue) << 16;
        }
    }
    png_set_interlace_handling(d.png);
    png_read_update_info(d.png, d.info);

    const size_t rowBytes = png_get_rowbytes(d.png, d.info);
    const size_t expected = out.paletted ? width : size_t(width) * 4;
    if (rowBytes != expected) {
        ResLog("PNG图片错误:行长度%zu不符", rowBytes);
        return false;
    }
    d.image.resize(rowBytes * height);
    d.rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        d.rows[y] = &d.image[y * rowBytes];
    png_read_image(d.png, d.rows.data());
    png_read_end(d.png, nullptr);

    PictureFrame& frame = out.frames.emplace_back();
    if (out.paletted) {
        frame.index = std::move(d.image);
        if (out.alphaValid) {
            frame.alpha.resize(frame.index.size());
            for (size_t i = 0; i < frame.index.size(); ++i) {
                uint8_t v = frame.index[i];
                frame.alpha[i] = v < transCount ? transAlpha[v] : 255;
            }
        }
    } else {
        frame.bgra = std::move(d.image);
    }
    return true;
}

}  // namespace

bool ReadPng(std::span<const uint8_t> bytes, Picture& out) {
    if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) {
        ResLog("PNG图片错误:文件头错误");
        return false;
    }
    Decode d;
    d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!d.png) return false;
    // No chunk can be longer than the file: a length field that says more
    // would otherwise have libpng allocate it before reading runs short.
    png_set_chunk_malloc_max(d.png, bytes.size());
    d.info = png_create_info_struct(d.png);
    if (!d.info) return false;
    Source src{bytes, 0};
    return Run(d, src, out);
}

}  // namespace engine
