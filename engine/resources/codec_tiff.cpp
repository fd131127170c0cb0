// TIFF through libtiff, first page only. Palette and grey pages of up to
// 8 bits stay paletted; everything else goes through libtiff's RGBA reader,
// with alpha when the page has an extra alpha sample.

#include <tiffio.h>

#include <cstring>
#include <memory>
#include <mutex>

#include "engine/resources/image_record.h"
#include "engine/resources/picture.h"
#include "engine/resources/res_log.h"

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
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_PLANARCONFIG, &planar);
    if (!TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric)) photometric = 0xFFFF;
    if (!ImageSizeAllowed(width, height, 1)) return Fail("尺寸不合理");
    out.width = width;
    out.height = height;

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
        return ReadIndexed(tif.get(), width, height, bits, out);
    }

    char message[1024] = "";
    if (!TIFFRGBAImageOK(tif.get(), message)) {
        ResLog("TIF图片错误:%s", message);
        return false;
    }
    std::vector<uint32_t> raster(size_t(width) * height);
    if (!TIFFReadRGBAImageOriented(tif.get(), width, height, raster.data(), ORIENTATION_TOPLEFT, 0))
        return Fail("像素数据不完整");
    uint16_t extraCount = 0;
    uint16_t* extraTypes = nullptr;
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
    out.alphaValid = extraCount > 0;
    PictureFrame& frame = out.frames.emplace_back();
    frame.bgra.resize(raster.size() * 4);
    for (size_t i = 0; i < raster.size(); ++i) {
        const uint32_t p = raster[i];
        frame.bgra[i * 4] = uint8_t(TIFFGetB(p));
        frame.bgra[i * 4 + 1] = uint8_t(TIFFGetG(p));
        frame.bgra[i * 4 + 2] = uint8_t(TIFFGetR(p));
        frame.bgra[i * 4 + 3] = out.alphaValid ? uint8_t(TIFFGetA(p)) : 255;
    }
    return true;
}

}  // namespace engine
