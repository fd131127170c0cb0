#pragma once
// Writes picture files, the fixtures of the picture readers' tests and the
// fuzz targets' seeds: PNG, JPEG, GIF and TIFF with the libraries' own
// encoders, BMP, ICO, TGA, PCX and WBMP by hand.

#include <gif_lib.h>
#include <png.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace pictures {

using Bytes = std::vector<uint8_t>;

// Little-endian fields: value i takes as many bytes as digit i of `widths`.
inline Bytes Le(std::string_view widths, std::initializer_list<uint32_t> values) {
    Bytes out;
    auto v = values.begin();
    for (char w : widths) {
        for (int i = 0; i < w - '0'; ++i)
            out.push_back(uint8_t(*v >> (8 * i)));
        ++v;
    }
    return out;
}

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// `file` with `value` stored little-endian in `bytes` bytes at `at`.
inline Bytes Poke(Bytes file, size_t at, uint32_t value, int bytes = 4) {
    for (int i = 0; i < bytes; ++i)
        file[at + i] = uint8_t(value >> (8 * i));
    return file;
}

// A device-independent bitmap: the info header (56 bytes with four masks),
// the masks, the palette (B, G, R, 0 quads) and the data as stored.
inline Bytes Dib(int32_t w, int32_t h, uint16_t bpp, const Bytes& data, const Bytes& quads = {},
                 uint32_t compression = 0, uint32_t colours = 0,
                 const std::vector<uint32_t>& masks = {}) {
    Bytes out = Le("44422444444", {masks.size() == 4 ? 56u : 40u, uint32_t(w), uint32_t(h), 1, bpp,
                                   compression, uint32_t(data.size()), 2835, 2835, colours, 0});
    for (uint32_t m : masks)
        out = out + Le("4", {m});
    return out + quads + data;
}

inline Bytes Bmp(int32_t w, int32_t h, uint16_t bpp, const Bytes& data, const Bytes& quads = {},
                 uint32_t compression = 0, uint32_t colours = 0,
                 const std::vector<uint32_t>& masks = {}) {
    const Bytes dib = Dib(w, h, bpp, data, quads, compression, colours, masks);
    return Le("11444", {'B', 'M', uint32_t(14 + dib.size()), 0,
                        uint32_t(14 + 40 + masks.size() * 4 + quads.size())}) +
           dib;
}

// Bottom-up rows padded to 4 bytes from top-down rows of `rowBytes`.
inline Bytes Rows(const Bytes& topDown, size_t rowBytes, uint32_t height) {
    const size_t stride = (rowBytes + 3) / 4 * 4;
    Bytes out(stride * height, 0);
    for (uint32_t y = 0; y < height; ++y)
        std::copy_n(topDown.begin() + y * rowBytes, rowBytes,
                    out.begin() + (height - 1 - y) * stride);
    return out;
}

// An icon directory with one image.
inline Bytes Ico(uint8_t w, uint8_t h, const Bytes& image) {
    return Le("22211112244", {0, 1, 1, w, h, 0, 0, 1, 32, uint32_t(image.size()), 22}) + image;
}

inline Bytes Tga(uint8_t type, uint16_t w, uint16_t h, uint8_t depth, uint8_t descriptor,
                 const Bytes& rest, uint16_t mapLength = 0, uint8_t mapBits = 0) {
    return Le("111221222211", {0, mapLength ? 1u : 0u, type, 0, mapLength, mapBits, 0, 0, w, h,
                               depth, descriptor}) +
           rest;
}

// A PCX header and the run-length code of `lines`.
inline Bytes Pcx(uint8_t bits, uint8_t planes, uint16_t w, uint16_t h, uint16_t bytesPerLine,
                 const Bytes& lines) {
    Bytes out = Le("1111222222", {0x0A, 5, 1, bits, 0, 0, w - 1u, h - 1u, 72, 72}) + Bytes(48, 0) +
                Le("1122", {0, planes, bytesPerLine, 1}) + Bytes(58, 0);
    for (size_t i = 0; i < lines.size();) {
        size_t run = 1;
        while (i + run < lines.size() && run < 63 && lines[i + run] == lines[i])
            ++run;
        if (run > 1 || (lines[i] & 0xC0) == 0xC0) out.push_back(uint8_t(0xC0 | run));
        out.push_back(lines[i]);
        i += run;
    }
    return out;
}

inline Bytes Wbmp(uint32_t w, uint32_t h, const Bytes& rows) {
    Bytes out = {0, 0};
    for (uint32_t v : {w, h}) {  // multi-byte integers, high groups first
        Bytes groups;
        do {
            groups.insert(groups.begin(), uint8_t((v & 0x7F) | (groups.empty() ? 0 : 0x80)));
            v >>= 7;
        } while (v);
        out = out + groups;
    }
    return out + rows;
}

// A PNG of rows as libpng takes them; `key` is a transparent colour (tRNS).
inline Bytes Png(uint32_t w, uint32_t h, int type, const Bytes& pixels, int depth = 8,
                 const Bytes& palette = {}, const Bytes& alphas = {}, bool interlaced = false,
                 png_color_16 key = {}) {
    Bytes out, copy = pixels;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    auto write = [](png_structp p, png_bytep data, png_size_t n) {
        auto* o = static_cast<Bytes*>(png_get_io_ptr(p));
        o->insert(o->end(), data, data + n);
    };
    png_set_write_fn(png, &out, write, nullptr);
    png_set_IHDR(png, info, w, h, depth, type, interlaced ? PNG_INTERLACE_ADAM7 : 0, 0, 0);
    std::vector<png_color> plte;
    for (size_t i = 0; i + 2 < palette.size(); i += 3)
        plte.push_back({palette[i], palette[i + 1], palette[i + 2]});
    if (!plte.empty()) png_set_PLTE(png, info, plte.data(), int(plte.size()));
    const bool keyed = key.red || key.green || key.blue || key.gray;
    if (!alphas.empty() || keyed)
        png_set_tRNS(png, info, alphas.data(), int(alphas.size()), keyed ? &key : nullptr);
    png_write_info(png, info);
    std::vector<png_bytep> rows(h);
    for (uint32_t y = 0; y < h; ++y)
        rows[y] = &copy[y * png_get_rowbytes(png, info)];
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

inline Bytes Jpeg(uint32_t w, uint32_t h, int components, const Bytes& pixels, int quality = 95,
                  bool progressive = false) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = w, c.image_height = h, c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < h) {
        JSAMPROW row = const_cast<JSAMPROW>(&pixels[size_t(c.next_scanline) * w * components]);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&c);
    std::free(buffer);
    return out;
}

struct GifFrame {
    int left, top, width, height;
    Bytes indices;
    Bytes localPalette;  // empty: the global one
    int transparent, disposal, delayCs;
    bool interlaced;
};

// A GIF of a screen with a global palette (R, G, B; a power of two of them).
inline Bytes Gif(int w, int h, const Bytes& palette, const std::vector<GifFrame>& frames) {
    Bytes out;
    int error = 0;
    auto write = [](GifFileType* g, const GifByteType* data, int n) {
        auto* o = static_cast<Bytes*>(g->UserData);
        o->insert(o->end(), data, data + n);
        return n;
    };
    GifFileType* gif = EGifOpen(&out, write, &error);
    EGifSetGifVersion(gif, true);
    auto map = [](const Bytes& rgb) -> ColorMapObject* {
        std::vector<GifColorType> colours;
        for (size_t i = 0; i + 2 < rgb.size(); i += 3)
            colours.push_back({rgb[i], rgb[i + 1], rgb[i + 2]});
        return colours.empty() ? nullptr : GifMakeMapObject(int(colours.size()), colours.data());
    };
    ColorMapObject* global = map(palette);
    EGifPutScreenDesc(gif, w, h, 8, 0, global);
    for (const GifFrame& f : frames) {
        GraphicsControlBlock gcb{f.disposal, false, f.delayCs, f.transparent};
        GifByteType ext[4];
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(EGifGCBToExtension(&gcb, ext)), ext);
        ColorMapObject* local = map(f.localPalette);
        EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, local);
        if (local) GifFreeMapObject(local);
        static const int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
        for (int p = 0; p < (f.interlaced ? 4 : 1); ++p) {
            for (int y = f.interlaced ? kStart[p] : 0; y < f.height;
                 y += f.interlaced ? kStep[p] : 1)
                EGifPutLine(gif, const_cast<GifByteType*>(&f.indices[size_t(y * f.width)]),
                            f.width);
        }
    }
    EGifCloseFile(gif, &error);
    if (global) GifFreeMapObject(global);
    return out;
}

// A TIFF page of packed rows; `map` (palette pages) holds all red, then all
// green, then all blue. libtiff writes files only: through a temporary one.
inline Bytes Tiff(uint32_t w, uint32_t h, uint16_t samples, uint16_t bits, uint16_t photometric,
                  const Bytes& pixels, int extraSample = -1,
                  uint16_t orientation = ORIENTATION_TOPLEFT,
                  uint16_t compression = COMPRESSION_LZW, const std::vector<uint16_t>& map = {}) {
    const auto path =
        std::filesystem::temp_directory_path() / ("qevo_tiff_" + std::to_string(getpid()));
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 4);
    const uint16_t extra = uint16_t(extraSample);
    if (extraSample >= 0) TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    if (orientation != ORIENTATION_TOPLEFT) TIFFSetField(tif, TIFFTAG_ORIENTATION, orientation);
    const size_t n = map.size() / 3;
    if (n) TIFFSetField(tif, TIFFTAG_COLORMAP, &map[0], &map[n], &map[2 * n]);
    const size_t rowBytes = (size_t(w) * samples * bits + 7) / 8;
    for (uint32_t y = 0; y < h; ++y)
        TIFFWriteScanline(tif, const_cast<uint8_t*>(&pixels[y * rowBytes]), y, 0);
    TIFFClose(tif);
    std::ifstream in(path, std::ios::binary);
    Bytes out{std::istreambuf_iterator<char>(in), {}};
    std::filesystem::remove(path);
    return out;
}

// Writes a fuzz seed as <QEVO_WRITE_CORPUS>/<target>/<name> when that is set.
inline void WriteSeed(const std::string& target, const std::string& name, const Bytes& bytes) {
    const char* root = std::getenv("QEVO_WRITE_CORPUS");
    if (!root) return;
    const std::filesystem::path dir = std::filesystem::path(root) / target;
    std::filesystem::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace pictures
