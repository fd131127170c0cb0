// TIFF through libtiff, first page only. Palette and grey pages of up to
// 8 bits stay paletted; everything else goes through libtiff's RGBA reader,
// with alpha when the page has an extra sample. Alpha comes out straight, as
// the engine keeps it. Every kind of page is turned as its orientation tag
// says, the four orientations that swap rows and columns included.

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "pictures/image_record.h"
#include "pictures/picture.h"
#include "pictures/res_log.h"

namespace engine {
namespace {

struct Source {
    std::span<const uint8_t> bytes;
    toff_t pos = 0;
};

tmsize_t ReadProc(thandle_t h, void* out, tmsize_t size) {
    auto* src = static_cast<Source*>(h);
    if (size <= 0 || src->pos >= src->bytes.size()) return 0;
    size_t n = std::min<size_t>(size_t(size), src->bytes.size() - size_t(src->pos));
    std::memcpy(out, src->bytes.data() + src->pos, n);
    src->pos += n;
    return tmsize_t(n);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t SeekProc(thandle_t h, toff_t offset, int whence) {
    auto* src = static_cast<Source*>(h);
    toff_t base = whence == SEEK_CUR ? src->pos : whence == SEEK_END ? src->bytes.size() : 0;
    src->pos = base + offset;
    return src->pos;
}

int CloseProc(thandle_t) {
    return 0;
}
toff_t SizeProc(thandle_t h) {
    return static_cast<Source*>(h)->bytes.size();
}
int MapProc(thandle_t, void**, toff_t*) {
    return 0;
}
void UnmapProc(thandle_t, void*, toff_t) {}

int OnError(TIFF*, void*, const char* module, const char* format, va_list args) {
    char message[512];
    std::vsnprintf(message, sizeof message, format, args);
    ResLog("TIF图片错误:%s %s", module ? module : "", message);
    return 1;
}

int OnWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};

bool Fail(const char* what) {
    ResLog("TIF图片错误:%s", what);
    return false;
}

bool ReadIndexed(TIFF* tif, uint32_t width, uint32_t height, uint16_t bits, Picture& out) {
    const tmsize_t lineBytes = TIFFScanlineSize(tif);
    if (lineBytes <= 0 || uint64_t(lineBytes) * 8 < uint64_t(width) * bits)
        return Fail("行长度不符");
    std::vector<uint8_t> line(static_cast<size_t>(lineBytes));
    PictureFrame& frame = out.frames.emplace_back();
    frame.index.resize(size_t(width) * height);
    for (uint32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(tif, line.data(), y, 0) < 0) return Fail("像素数据不完整");
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t bit = x * bits;
            frame.index[size_t(y) * width + x] =
                uint8_t((line[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1));
        }
    }
    return true;
}

// Turns pixels of `bpp` bytes, stored as `width` x `height`, into the order
// the orientation tag asks for (rows top-down, left to right).
void Orient(std::vector<uint8_t>& pixels, size_t bpp, uint32_t& width, uint32_t& height,
            uint16_t orientation) {
    if (orientation <= ORIENTATION_TOPLEFT || orientation > ORIENTATION_LEFTBOT) return;
    const bool swap = orientation >= ORIENTATION_LEFTTOP;  // stored rows become columns
    const bool lastColumnFirst =
        orientation == ORIENTATION_TOPRIGHT || orientation == ORIENTATION_BOTRIGHT ||
        orientation == ORIENTATION_RIGHTBOT || orientation == ORIENTATION_LEFTBOT;
    const bool lastRowFirst =
        orientation == ORIENTATION_BOTRIGHT || orientation == ORIENTATION_BOTLEFT ||
        orientation == ORIENTATION_RIGHTTOP || orientation == ORIENTATION_RIGHTBOT;
    const uint32_t outWidth = swap ? height : width;
    std::vector<uint8_t> out(pixels.size());
    for (uint32_t r = 0; r < height; ++r) {
        const uint32_t a = lastRowFirst ? height - 1 - r : r;
        for (uint32_t c = 0; c < width; ++c) {
            const uint32_t b = lastColumnFirst ? width - 1 - c : c;
            const size_t to = swap ? size_t(b) * outWidth + a : size_t(a) * outWidth + b;
            std::memcpy(&out[to * bpp], &pixels[(size_t(r) * width + c) * bpp], bpp);
        }
    }
    pixels = std::move(out);
    if (swap) std::swap(width, height);
}

// Premultiplied (associated) alpha divided back out of BGRA pixels.
void Unpremultiply(std::vector<uint8_t>& bgra) {
    for (size_t i = 0; i < bgra.size(); i += 4) {
        const uint32_t a = bgra[i + 3];
        if (a == 0 || a == 255) continue;
        for (size_t k = 0; k < 3; ++k)
            bgra[i + k] = uint8_t(std::min<uint32_t>(255, (bgra[i + k] * 255u + a / 2) / a));
    }
}

// libtiff's RGBA reader premultiplies unassociated alpha. Telling it the
// alpha is associated makes it pass the samples through as they are, which
// for such a page is the straight alpha wanted. Returns whether the page's
// alpha is premultiplied; `alpha` says whether it has any.
bool PrepareAlpha(TIFF* tif, bool& alpha) {
    uint16_t count = 0;
    uint16_t* kinds = nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &count, &kinds);
    alpha = count > 0;
    if (!alpha) return false;
    std::vector<uint16_t> copy(kinds, kinds + count);
    if (copy[0] == EXTRASAMPLE_UNASSALPHA) {
        copy[0] = EXTRASAMPLE_ASSOCALPHA;
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, count, copy.data());
        return false;
    }
    return copy[0] == EXTRASAMPLE_ASSOCALPHA;
}

}  // namespace

bool ReadTiff(std::span<const uint8_t> bytes, Picture& out) {
    Source src{bytes, 0};
    std::unique_ptr<TIFFOpenOptions, void (*)(TIFFOpenOptions*)> options(TIFFOpenOptionsAlloc(),
                                                                         TIFFOpenOptionsFree);
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnError, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnWarning, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), tmsize_t(kMaxImagePixels * 4));
    std::unique_ptr<TIFF, TiffCloser> tif(
        TIFFClientOpenExt("memory", "rm", &src, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc,
                          MapProc, UnmapProc, options.get()));
    if (!tif) return Fail("文件头错误");

    uint32_t width = 0, height = 0;
    uint16_t bits = 1, samples = 1, photometric = 0, planar = PLANARCONFIG_CONTIG;
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_ORIENTATION, &orientation);
    if (!TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric)) photometric = 0xFFFF;
    if (!ImageSizeAllowed(width, height, 1)) return Fail("尺寸不合理");

    const bool smallBits = bits == 1 || bits == 2 || bits == 4 || bits == 8;
    const bool indexed =
        samples == 1 && smallBits && !TIFFIsTiled(tif.get()) &&
        (photometric == PHOTOMETRIC_PALETTE || photometric == PHOTOMETRIC_MINISBLACK ||
         photometric == PHOTOMETRIC_MINISWHITE);
    if (indexed) {
        const uint32_t colours = 1u << bits;
        out.paletted = true;
        if (photometric == PHOTOMETRIC_PALETTE) {
            uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
            if (!TIFFGetField(tif.get(), TIFFTAG_COLORMAP, &red, &green, &blue))
                return Fail("缺少调色板");
            // Maps are 16-bit; some writers store 8-bit values in them.
            bool sixteen = false;
            for (uint32_t i = 0; i < colours; ++i)
                sixteen = sixteen || red[i] > 255 || green[i] > 255 || blue[i] > 255;
            const int shift = sixteen ? 8 : 0;
            for (uint32_t i = 0; i < colours; ++i)
                out.palette.insert(out.palette.end(),
                                   {uint8_t(red[i] >> shift), uint8_t(green[i] >> shift),
                                    uint8_t(blue[i] >> shift)});
        } else {
            out.palette = picture_detail::GreyPalette(colours);
            if (photometric == PHOTOMETRIC_MINISWHITE) {
                for (uint8_t& c : out.palette)
                    c = uint8_t(255 - c);
            }
        }
        if (!ReadIndexed(tif.get(), width, height, bits, out)) return false;
        Orient(out.frames[0].index, 1, width, height, orientation);
        out.width = width;
        out.height = height;
        return true;
    }

    char message[1024] = "";
    if (!TIFFRGBAImageOK(tif.get(), message)) {
        ResLog("TIF图片错误:%s", message);
        return false;
    }
    const bool premultiplied = PrepareAlpha(tif.get(), out.alphaValid);
    // Asked for in the stored orientation, the rows come as stored; Orient turns them.
    std::vector<uint32_t> raster(size_t(width) * height);
    if (!TIFFReadRGBAImageOriented(tif.get(), width, height, raster.data(), orientation, 0))
        return Fail("像素数据不完整");
    PictureFrame& frame = out.frames.emplace_back();
    frame.bgra.resize(raster.size() * 4);
    for (size_t i = 0; i < raster.size(); ++i) {
        const uint32_t p = raster[i];
        frame.bgra[i * 4] = uint8_t(TIFFGetB(p));
        frame.bgra[i * 4 + 1] = uint8_t(TIFFGetG(p));
        frame.bgra[i * 4 + 2] = uint8_t(TIFFGetR(p));
        frame.bgra[i * 4 + 3] = out.alphaValid ? uint8_t(TIFFGetA(p)) : 255;
    }
    if (premultiplied) Unpremultiply(frame.bgra);
    Orient(frame.bgra, 4, width, height, orientation);
    out.width = width;
    out.height = height;
    return true;
}

}  // namespace engine
