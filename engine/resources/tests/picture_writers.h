#pragma once
// Makes picture files for tests and seed corpora: PNG, JPEG, GIF and TIFF
// with the libraries' own encoders, BMP, ICO, TGA, PCX and WBMP by hand.

#include <gif_lib.h>
#include <png.h>
#include <tiffio.h>

#include <cstddef>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/bytes.h"

namespace engine::testing {

using Bytes = std::vector<uint8_t>;

// ---- PNG ----

struct PngSpec {
    uint32_t width = 0, height = 0;
    int colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    int bitDepth = 8;
    bool interlaced = false;
    Bytes pixels;     // rows as libpng expects them (packed for < 8 bits)
    Bytes palette;    // R, G, B triples
    Bytes trnsAlpha;  // palette alphas
    bool trnsColour = false;
    png_color_16 trns{};
};

inline void PngWriteToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

inline Bytes WritePng(const PngSpec& s) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, PngWriteToVector, nullptr);
    png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colourType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> plte;
    for (size_t i = 0; i + 2 < s.palette.size(); i += 3)
        plte.push_back({s.palette[i], s.palette[i + 1], s.palette[i + 2]});
    if (!plte.empty()) png_set_PLTE(png, info, plte.data(), int(plte.size()));
    if (!s.trnsAlpha.empty()) {
        png_set_tRNS(png, info, s.trnsAlpha.data(), int(s.trnsAlpha.size()), nullptr);
    } else if (s.trnsColour) {
        png_color_16 c = s.trns;
        png_set_tRNS(png, info, nullptr, 0, &c);
    }
    png_write_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    std::vector<png_bytep> rows(s.height);
    Bytes copy = s.pixels;
    for (uint32_t y = 0; y < s.height; ++y)
        rows[y] = &copy[y * rowBytes];
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// ---- JPEG ----

inline Bytes WriteJpeg(uint32_t width, uint32_t height, int components, const Bytes& pixels,
                       int quality = 95, bool progressive = false) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = width;
    c.image_height = height;
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < height) {
        JSAMPROW row = const_cast<JSAMPROW>(&pixels[size_t(c.next_scanline) * width * components]);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&c);
    std::free(buffer);
    return out;
}

// ---- GIF ----

struct GifFrameSpec {
    int left = 0, top = 0, width = 0, height = 0;
    Bytes indices;
    Bytes localPalette;  // empty: the global one
    int transparent = -1;
    int disposal = 0;
    int delayCs = 0;
    bool interlaced = false;
};

struct GifSpec {
    int width = 0, height = 0;
    Bytes palette;  // global, R, G, B; its count a power of two
    int background = 0;
    std::vector<GifFrameSpec> frames;
};

inline int GifWriteToVector(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

inline ColorMapObject* MakeColourMap(const Bytes& rgb) {
    std::vector<GifColorType> colours;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
        colours.push_back({rgb[i], rgb[i + 1], rgb[i + 2]});
    return GifMakeMapObject(int(colours.size()), colours.data());
}

inline Bytes WriteGif(const GifSpec& s) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, GifWriteToVector, &error);
    EGifSetGifVersion(gif, true);
    ColorMapObject* global = s.palette.empty() ? nullptr : MakeColourMap(s.palette);
    EGifPutScreenDesc(gif, s.width, s.height, 8, s.background, global);
    for (const GifFrameSpec& f : s.frames) {
        GraphicsControlBlock gcb{f.disposal, false, f.delayCs, f.transparent};
        GifByteType ext[4];
        size_t n = EGifGCBToExtension(&gcb, ext);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(n), ext);
        ColorMapObject* local = f.localPalette.empty() ? nullptr : MakeColourMap(f.localPalette);
        EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, local);
        if (local) GifFreeMapObject(local);
        static const int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
        for (int p = 0; p < (f.interlaced ? 4 : 1); ++p) {
            for (int y = f.interlaced ? kStart[p] : 0; y < f.height;
                 y += f.interlaced ? kStep[p] : 1) {
                Bytes row(f.indices.begin() + y * f.width, f.indices.begin() + (y + 1) * f.width);
                EGifPutLine(gif, row.data(), f.width);
            }
        }
    }
    EGifCloseFile(gif, &error);
    if (global) GifFreeMapObject(global);
    return out;
}

// ---- TIFF ----

struct TiffSpec {
    uint32_t width = 0, height = 0;
    uint16_t samples = 3;
    uint16_t bits = 8;
    uint16_t photometric = PHOTOMETRIC_RGB;
    int extraSample = -1;  // the last sample's EXTRASAMPLE_* kind, -1 for none
    uint16_t orientation = ORIENTATION_TOPLEFT;
    std::vector<uint16_t> r, g, b;  // colour map for palette pages
    Bytes pixels;                   // packed rows
    uint16_t compression = COMPRESSION_LZW;
};

inline Bytes WriteTiff(const TiffSpec& s, const std::string& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, s.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, s.height);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, s.samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, s.bits);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, s.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, s.compression);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 4);
    if (s.extraSample >= 0) {
        uint16_t extra = uint16_t(s.extraSample);
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    if (s.orientation != ORIENTATION_TOPLEFT) TIFFSetField(tif, TIFFTAG_ORIENTATION, s.orientation);
    if (!s.r.empty()) TIFFSetField(tif, TIFFTAG_COLORMAP, s.r.data(), s.g.data(), s.b.data());
    const size_t rowBytes = (size_t(s.width) * s.samples * s.bits + 7) / 8;
    for (uint32_t y = 0; y < s.height; ++y) {
        Bytes row(s.pixels.begin() + y * rowBytes, s.pixels.begin() + (y + 1) * rowBytes);
        TIFFWriteScanline(tif, row.data(), y, 0);
    }
    TIFFClose(tif);
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// ---- BMP and ICO ----

struct DibSpec {
    int32_t width = 0, height = 0;  // negative height: top-down
    uint16_t bpp = 24;
    uint32_t compression = 0;
    Bytes palette;  // B, G, R, 0 quads
    uint32_t colorsUsed = 0;
    Bytes data;                   // pixel data as stored (rows or RLE code)
    std::vector<uint32_t> masks;  // three after a 40-byte header, or four in a 56-byte one
};

inline Bytes WriteDib(const DibSpec& s) {
    Bytes out;
    platform::ByteWriter w(out);
    w.U32(s.masks.size() == 4 ? 56 : 40);
    w.I32(s.width);
    w.I32(s.height);
    w.U16(1);
    w.U16(s.bpp);
    w.U32(s.compression);
    w.U32(uint32_t(s.data.size()));
    w.U32(2835);
    w.U32(2835);
    w.U32(s.colorsUsed);
    w.U32(0);
    for (uint32_t m : s.masks)
        w.U32(m);
    w.Bytes(s.palette);
    w.Bytes(s.data);
    return out;
}

inline Bytes WriteBmp(const DibSpec& s) {
    Bytes dib = WriteDib(s);
    Bytes out;
    platform::ByteWriter w(out);
    w.U8('B');
    w.U8('M');
    w.U32(uint32_t(14 + dib.size()));
    w.U32(0);
    w.U32(uint32_t(14 + 40 + s.masks.size() * 4 + s.palette.size()));
    w.Bytes(dib);
    return out;
}

// Bottom-up rows padded to 4 bytes from top-down rows of `rowBytes`.
inline Bytes DibRows(const Bytes& topDown, size_t rowBytes, uint32_t height) {
    const size_t stride = (rowBytes + 3) / 4 * 4;
    Bytes out(stride * height, 0);
    for (uint32_t y = 0; y < height; ++y)
        std::copy_n(topDown.begin() + y * rowBytes, rowBytes,
                    out.begin() + (height - 1 - y) * stride);
    return out;
}

// An icon directory with one image.
inline Bytes WriteIco(uint8_t w, uint8_t h, const Bytes& image) {
    Bytes out;
    platform::ByteWriter wr(out);
    wr.U16(0);
    wr.U16(1);
    wr.U16(1);
    wr.U8(w);
    wr.U8(h);
    wr.U8(0);
    wr.U8(0);
    wr.U16(1);
    wr.U16(32);
    wr.U32(uint32_t(image.size()));
    wr.U32(22);
    wr.Bytes(image);
    return out;
}

// ---- TGA ----

inline Bytes WriteTgaHeader(uint8_t type, uint16_t width, uint16_t height, uint8_t depth,
                            uint8_t descriptor, uint16_t mapLength = 0, uint8_t mapBits = 0) {
    Bytes out;
    platform::ByteWriter w(out);
    w.U8(0);
    w.U8(mapLength ? 1 : 0);
    w.U8(type);
    w.U16(0);
    w.U16(mapLength);
    w.U8(mapBits);
    w.U16(0);
    w.U16(0);
    w.U16(width);
    w.U16(height);
    w.U8(depth);
    w.U8(descriptor);
    return out;
}

// ---- PCX ----

inline Bytes WritePcxHeader(uint8_t bits, uint8_t planes, uint16_t width, uint16_t height,
                            uint16_t bytesPerLine, const Bytes& palette16 = {}) {
    Bytes out;
    platform::ByteWriter w(out);
    w.U8(0x0A);
    w.U8(5);
    w.U8(1);
    w.U8(bits);
    w.U16(0);
    w.U16(0);
    w.U16(uint16_t(width - 1));
    w.U16(uint16_t(height - 1));
    w.U16(72);
    w.U16(72);
    Bytes pal = palette16;
    pal.resize(48, 0);
    w.Bytes(pal);
    w.U8(0);
    w.U8(planes);
    w.U16(bytesPerLine);
    w.U16(1);
    w.Zeros(128 - out.size());
    return out;
}

// PCX run-length code of one whole byte stream.
inline Bytes PcxRle(const Bytes& data) {
    Bytes out;
    for (size_t i = 0; i < data.size();) {
        size_t run = 1;
        while (i + run < data.size() && run < 63 && data[i + run] == data[i])
            ++run;
        if (run > 1 || (data[i] & 0xC0) == 0xC0) {
            out.push_back(uint8_t(0xC0 | run));
        }
        out.push_back(data[i]);
        i += run;
    }
    return out;
}

// ---- WBMP ----

inline Bytes WriteWbmp(uint32_t width, uint32_t height, const Bytes& rows) {
    Bytes out = {0, 0};
    auto mbi = [&](uint32_t v) {
        Bytes tmp;
        do {
            tmp.insert(tmp.begin(), uint8_t((v & 0x7F) | (tmp.empty() ? 0 : 0x80)));
            v >>= 7;
        } while (v);
        out.insert(out.end(), tmp.begin(), tmp.end());
    };
    mbi(width);
    mbi(height);
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

}  // namespace engine::testing
