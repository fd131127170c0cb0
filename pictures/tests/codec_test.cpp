// Each picture reader on files made by the libraries' encoders or by hand:
// known answers, every truncation, damaged fields. The files named as seeds
// are the fuzz targets' seeds, written when QEVO_WRITE_CORPUS names the
// repository's fuzz/corpus folder.

#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>

#include "pictures/picture.h"
#include "pictures/tests/log_capture.h"
#include "platform/bytes.h"
#include "tools/pictures/picture_writers.h"

namespace engine {
namespace {

using namespace engine::testing;
using namespace pictures;
using F = PictureFormat;

// What a decoded picture must hold; empty or negative fields are not checked.
struct Want {
    Bytes index = {}, bgra = {}, palette = {}, alpha = {}, last = {};  // last: the last frame
    int alphaValid = -1, transIndex = -2;
    int64_t colours = -1, width = -1, key = -2;  // key: the transparent colour, -1 for none
    template <class T>
    Want With(T Want::*field, T value) const {
        Want w = *this;
        w.*field = value;
        return w;
    }
};
Want Index(Bytes index, Bytes palette = {}, int64_t colours = -1) {
    return {.index = index, .palette = palette, .colours = colours};
}
Want Bgra(Bytes bgra, int alphaValid = -1) {
    return {.bgra = bgra, .alphaValid = alphaValid};
}

struct Known {
    const char* name;  // also the fuzz seed's name, when it is one
    F format;
    Bytes file;
    Want want;
    bool seed = false;
};

// Ten 1-bit pixels in two rows: A5 C0 / 00 40.
const Bytes kBits = {1, 0, 1, 0, 0, 1, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
const Bytes kRow = Bytes(kBits.begin(), kBits.begin() + 10);
const Bytes kPaletteRgb = {0, 0, 0, 255, 0, 0, 0, 255, 0};

std::vector<Known> KnownPictures() {
    const Bytes mask = Rows({0x40, 0, 0, 0, 0x80, 0, 0, 0}, 4, 2);  // (1,0) and (0,1) clear
    Bytes vga = Pcx(8, 1, 3, 2, 4, {1, 1, 1, 0, 2, 0xC5, 3, 0}) + Bytes{0x0C};
    for (int i = 0; i < 256; ++i)
        vga = vga + Bytes{uint8_t(i), 0, uint8_t(255 - i)};
    Bytes rgb, interlaced;
    for (uint32_t i = 0; i < 13 * 11; ++i) {
        rgb = rgb + Bytes{uint8_t(i), uint8_t(i * 3), uint8_t(i * 7)};
        interlaced = interlaced + Bytes{uint8_t(i * 7), uint8_t(i * 3), uint8_t(i), 255};
    }
    const auto rle8 = [](int32_t w, Bytes code) { return Bmp(w, 2, 8, code, Bytes(32, 3), 1, 8); };
    const auto rle4 = [](int32_t w, Bytes code) { return Bmp(w, 2, 4, code, Bytes(32, 0), 2, 8); };
    Want keyed = Bgra(interlaced);
    keyed.key = 0x230F05;
    return {
        {"1-bit", F::kBmp,
         Bmp(10, 2, 1, Rows({0xA5, 0xC0, 0, 0x40}, 2, 2), {0, 0, 0, 0, 255, 255, 255, 0}),
         Index(kBits, {}, 2)},
        {"4-bit", F::kBmp, Bmp(3, 2, 4, Rows({0x12, 0x30, 0xFE, 0xD0}, 2, 2), Bytes(64, 9), 0, 16),
         Index({1, 2, 3, 15, 14, 13})},
        {"rgb", F::kBmp,
         Bmp(3, 2, 24, Rows({1, 2, 3, 255, 0, 255, 7, 8, 9, 1, 1, 1, 2, 2, 2, 3, 3, 3}, 9, 2)),
         Bgra({1, 2, 3, 255, 255, 0, 255, 255, 7, 8, 9, 255,
               1, 1, 1, 255, 2,   2, 2,   255, 3, 3, 3, 255}),
         true},
        {"top-down", F::kBmp, Bmp(1, -2, 24, {1, 2, 3, 0, 4, 5, 6, 0}),
         Bgra({1, 2, 3, 255, 4, 5, 6, 255})},
        // Bottom row: a run of 3 x 5, then 7 (too short for absolute mode: a
        // run). Top row: absolute 1 2 3 (padded), a run of 1 x 4. The end.
        {"rle8", F::kBmp, rle8(4, {3, 5, 1, 7, 0, 0, 0, 3, 1, 2, 3, 0, 1, 4, 0, 1}),
         Index({1, 2, 3, 4, 5, 5, 5, 7}), true},
        // Runs over the row padding, as common encoders write them for widths
        // that are not a multiple of 4: the pixels past the width are dropped.
        {"rle8-padding", F::kBmp, rle8(3, {4, 6, 0, 0, 0, 4, 1, 2, 3, 4, 0, 1}),
         Index({1, 2, 3, 6, 6, 6}), true},
        {"RLE4", F::kBmp, rle4(4, {4, 0x12, 0, 0, 0, 4, 0x34, 0x56, 0, 1}),
         Index({3, 4, 5, 6, 1, 2, 1, 2})},
        {"RLE4 over the padding", F::kBmp,
         rle4(3, {8, 0x12, 0, 0, 0, 6, 0x34, 0x56, 0x70, 0, 0, 1}), Index({3, 4, 5, 1, 2, 1})},
        {"5-6-5: red, blue", F::kBmp,
         Bmp(2, 1, 16, {0, 0xF8, 0x1F, 0}, {}, 3, 0, {0xF800, 0x07E0, 0x1F}),
         Bgra({0, 0, 255, 255, 255, 0, 0, 255})},
        {"1-5-5-5: opaque red, clear blue", F::kBmp,
         Bmp(2, 1, 16, {0, 0xFC, 0x1F, 0}, {}, 3, 0, {0x7C00, 0x03E0, 0x1F, 0x8000}),
         Bgra({0, 0, 255, 255, 255, 0, 0, 0}, 1)},
        {"32-bit", F::kBmp, Bmp(2, 1, 32, {1, 2, 3, 0, 4, 5, 6, 200}),
         Bgra({1, 2, 3, 0, 4, 5, 6, 200}, 1)},
        {"32-bit, alpha 0 everywhere: opaque", F::kBmp, Bmp(2, 1, 32, {1, 2, 3, 0, 4, 5, 6, 0}),
         Bgra({1, 2, 3, 255, 4, 5, 6, 255}, 0)},
        // ICO: the DIB's height counts the XOR and the AND image.
        {"paletted", F::kIco,
         Ico(2, 2,
             Dib(2, 4, 8, Rows({0, 1, 1, 0}, 2, 2) + mask, {0, 0, 255, 0, 0, 255, 0, 0}, 0, 2)),
         Index({0, 1, 1, 0}, {255, 0, 0, 0, 255, 0}).With(&Want::alpha, {255, 0, 0, 255}), true},
        {"24-bit with mask", F::kIco, Ico(2, 2, Dib(2, 4, 24, Rows(Bytes(12, 9), 6, 2) + mask)),
         Bgra({9, 9, 9, 255, 9, 9, 9, 0, 9, 9, 9, 0, 9, 9, 9, 255}, 1)},
        {"32-bit with mask", F::kIco, Ico(1, 1, Dib(1, 2, 32, {1, 2, 3, 77, 0, 0, 0, 0})),
         Bgra({1, 2, 3, 77}, 1)},
        // Without an AND mask, as favicons with their own alpha are written.
        {"alpha-no-mask", F::kIco,
         Ico(2, 2, Dib(2, 4, 32, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16})),
         Bgra({9, 10, 11, 12, 13, 14, 15, 16, 1, 2, 3, 4, 5, 6, 7, 8}), true},
        {"PNG inside", F::kIco, Ico(1, 1, Png(1, 1, PNG_COLOR_TYPE_RGB_ALPHA, {9, 8, 7, 6})),
         Bgra({7, 8, 9, 6})},
        // TGA descriptors: 0 bottom-up, 0x20 top-down, 0x10 right-to-left, 8 alpha bits.
        {"bottom-up", F::kTga, Tga(2, 2, 2, 24, 0, {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}),
         Bgra({3, 3, 3, 255, 4, 4, 4, 255, 1, 1, 1, 255, 2, 2, 2, 255})},
        {"right-to-left", F::kTga, Tga(2, 2, 1, 32, 0x38, {1, 2, 3, 40, 5, 6, 7, 80}),
         Bgra({5, 6, 7, 80, 1, 2, 3, 40}, 1)},
        {"colour map", F::kTga, Tga(1, 3, 1, 8, 0x20, {10, 20, 30, 40, 50, 60, 1, 0, 1}, 2, 24),
         Index({1, 0, 1}, {30, 20, 10, 60, 50, 40})},
        {"grey runs", F::kTga, Tga(11, 5, 1, 8, 0x20, {0x82, 9, 0x01, 1, 2}),
         Index({9, 9, 9, 1, 2}, {}, 256)},
        {"colour runs", F::kTga, Tga(10, 3, 1, 24, 0x20, {0x81, 1, 2, 3, 0x00, 4, 5, 6}),
         Bgra({1, 2, 3, 255, 1, 2, 3, 255, 4, 5, 6, 255})},
        {"rle32", F::kTga,
         Tga(10, 3, 2, 32, 0x28, {0x82, 1, 2, 3, 4, 2, 5, 6, 7, 8, 9, 9, 9, 9, 1, 1, 1, 1}),
         Bgra({1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 5, 6, 7, 8, 9, 9, 9, 9, 1, 1, 1, 1}), true},
        // PCX: 0xC5 as a value needs escaping; colour planes are R, G, B.
        {"vga", F::kPcx, vga, Index({1, 1, 1, 2, 0xC5, 3}, {}, 256), true},
        {"24-bit planes", F::kPcx, Pcx(8, 3, 2, 1, 2, {10, 11, 20, 21, 30, 31}),
         Bgra({30, 20, 10, 255, 31, 21, 11, 255})},
        {"1-bit", F::kPcx, Pcx(1, 1, 9, 1, 2, {0xA5, 0x80}),
         Index(Bytes(kBits.begin(), kBits.begin() + 9), {}, 2)},
        {"bit planes", F::kPcx, Pcx(1, 4, 2, 1, 2, {0x80, 0, 0x40, 0, 0xC0, 0, 0, 0}),
         Index({5, 6}, {}, 16)},
        {"ten", F::kWbmp, Wbmp(10, 2, {0xA5, 0xC0, 0x00, 0x40}),
         Index(kBits, {0, 0, 0, 255, 255, 255}), true},
        {"two-byte width", F::kWbmp, Wbmp(200, 1, Bytes(25, 0xFF)),
         Want{}.With(&Want::width, int64_t(200))},
        {"palette", F::kPng,
         Png(3, 3, PNG_COLOR_TYPE_PALETTE, {0, 1, 2, 2, 1, 0, 1, 1, 1}, 8, kPaletteRgb, {255, 0},
             true),
         Index({0, 1, 2, 2, 1, 0, 1, 1, 1}, kPaletteRgb)
             .With(&Want::alphaValid, 0)
             .With(&Want::transIndex, 1),
         true},
        {"partial palette alpha", F::kPng,
         Png(2, 1, PNG_COLOR_TYPE_PALETTE, {0, 1}, 8, {0, 0, 0, 9, 9, 9}, {128}),
         Bgra({}, 1).With(&Want::alpha, {128, 255})},
        {"interlaced colour key", F::kPng,
         Png(13, 11, PNG_COLOR_TYPE_RGB, rgb, 8, {}, {}, true, {0, 5, 15, 35, 0}), keyed},
        {"one-bit grey", F::kPng, Png(10, 1, PNG_COLOR_TYPE_GRAY, {0xA5, 0xC0}, 1),
         Index(kRow, {0, 0, 0, 255, 255, 255})},
        {"grey alpha", F::kPng, Png(1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, {90, 30}),
         Bgra({90, 90, 90, 30}, 1)},
        {"rgba", F::kPng,
         Png(2, 2, PNG_COLOR_TYPE_RGB_ALPHA,
             {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}),
         Bgra({3, 2, 1, 4, 7, 6, 5, 8, 11, 10, 9, 12, 15, 14, 13, 16}), true},
        // The 16-bit key matches all 16 bits: the second pixel differs in its low byte.
        {"rgb16-trns", F::kPng,
         Png(2, 1, PNG_COLOR_TYPE_RGB, {1, 0, 2, 0, 3, 0, 1, 1, 2, 0, 3, 0}, 16, {}, {}, false,
             {0, 0x100, 0x200, 0x300, 0}),
         Bgra({3, 2, 1, 0, 3, 2, 1, 255}, 1).With(&Want::key, int64_t(-1)), true},
        {"grey16-trns", F::kPng,
         Png(2, 1, PNG_COLOR_TYPE_GRAY, {0x10, 0, 0x10, 1}, 16, {}, {}, false,
             {0, 0, 0, 0, 0x1000}),
         Bgra({16, 16, 16, 0, 16, 16, 16, 255}, 1).With(&Want::key, int64_t(-1))},
    };
}

// GIF frames composed over the screen, and TIFF pages of every kind and
// orientation.
std::vector<Known> ComposedPictures() {
    Bytes big(45), third;
    for (size_t i = 0; i < 45; ++i)
        big[i] = uint8_t(i % 4);
    third = big;  // frame 1 was undone, then one visible pixel of frame 2
    third[44] = 2;
    const Bytes pal = {10, 20, 30, 40, 50, 60};
    std::vector<uint16_t> map(3 * 256);
    for (size_t i = 0; i < map.size(); ++i)
        map[i] = uint16_t(i % 256 * 0x0101);
    const Bytes px = {100, 50, 200, 20, 10, 20, 40, 128};
    std::vector<Known> rows = {
        {"restore previous, off the screen", F::kGif,
         Gif(5, 9, {0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 0},
             {{0, 0, 5, 9, big, {}, -1, 1, 10, true},
              {3, 7, 2, 2, {3, 3, 3, 3}, {}, -1, 3, 10, false},
              {4, 8, 3, 3, Bytes(9, 2), {}, -1, 1, 10, false}}),
         Index(big).With(&Want::last, third)},
        // Frames of their own colour tables become colour with alpha; so do
        // uncovered areas, and each frame keys only its own transparent index.
        {"local colour table", F::kGif,
         Gif(2, 1, pal,
             {{0, 0, 1, 1, {1}, {}, -1, 1, 10, false},
              {1, 0, 1, 1, {0}, {1, 2, 3, 4, 5, 6}, -1, 1, 10, false}}),
         Bgra({60, 50, 40, 255, 0, 0, 0, 0}, 1).With(&Want::last, {60, 50, 40, 255, 3, 2, 1, 255})},
        {"clear in one frame", F::kGif,
         Gif(2, 1, pal,
             {{0, 0, 2, 1, {0, 1}, {}, 0, 1, 10, false},
              {0, 0, 2, 1, {1, 0}, {}, -1, 1, 10, false}}),
         Bgra({0, 0, 0, 0, 60, 50, 40, 255}).With(&Want::last, {60, 50, 40, 255, 30, 20, 10, 255})},
        {"uncovered", F::kGif, Gif(2, 1, pal, {{0, 0, 1, 1, {1}, {}, -1, 1, 10, false}}),
         Bgra({60, 50, 40, 255, 0, 0, 0, 0}, 1)},
        // One index clear in every frame that names one, drawn by none: paletted.
        {"one clear index", F::kGif,
         Gif(2, 1, pal,
             {{0, 0, 1, 1, {1}, {}, 0, 1, 10, false}, {1, 0, 1, 1, {1}, {}, -1, 1, 10, false}}),
         Index({1, 0}).With(&Want::last, {1, 1}).With(&Want::transIndex, 0)},
        {"palette page", F::kTif,
         Tiff(3, 2, 1, 8, PHOTOMETRIC_PALETTE, {0, 2, 5, 5, 2, 0}, -1, 1, COMPRESSION_LZW, map),
         Index({0, 2, 5, 5, 2, 0}, picture_detail::GreyPalette(256))},
        {"bilevel", F::kTif, Tiff(10, 1, 1, 1, PHOTOMETRIC_MINISBLACK, {0xA5, 0xC0}), Index(kRow)},
        // Alpha comes out straight: unassociated as stored, associated divided back out.
        {"unassociated alpha", F::kTif,
         Tiff(2, 1, 4, 8, PHOTOMETRIC_RGB, px, EXTRASAMPLE_UNASSALPHA),
         Bgra({200, 50, 100, 20, 40, 20, 10, 128}, 1)},
        {"associated alpha", F::kTif, Tiff(2, 1, 4, 8, PHOTOMETRIC_RGB, px, EXTRASAMPLE_ASSOCALPHA),
         Bgra({255, 255, 255, 20, 80, 40, 20, 128}, 1)},
    };
    // Stored rows 0 1 2 / 3 4 5, shown as each orientation tag says, on grey
    // and colour pages.
    const Bytes shown[] = {{0, 1, 2, 3, 4, 5}, {2, 1, 0, 5, 4, 3}, {5, 4, 3, 2, 1, 0},
                           {3, 4, 5, 0, 1, 2}, {0, 3, 1, 4, 2, 5}, {3, 0, 4, 1, 5, 2},
                           {5, 2, 4, 1, 3, 0}, {2, 5, 1, 4, 0, 3}};
    for (uint16_t o = ORIENTATION_TOPLEFT; o <= ORIENTATION_LEFTBOT; ++o) {
        Bytes rgb, bgra;
        for (uint8_t v : shown[o - 1])
            bgra = bgra + Bytes{v, v, v, 255};
        for (uint8_t v = 0; v < 6; ++v)
            rgb = rgb + Bytes{v, v, v};
        const int64_t width = o >= ORIENTATION_LEFTTOP ? 2 : 3;
        const Bytes grey = Tiff(3, 2, 1, 8, PHOTOMETRIC_MINISBLACK, {0, 1, 2, 3, 4, 5}, -1, o);
        rows.push_back(
            {"orientation", F::kTif, grey, Index(shown[o - 1]).With(&Want::width, width)});
        rows.push_back({"orientation", F::kTif, Tiff(3, 2, 3, 8, PHOTOMETRIC_RGB, rgb, -1, o),
                        Bgra(bgra).With(&Want::width, width)});
    }
    return rows;
}

// Seeds without known answers; each must decode.
std::vector<Known> MoreSeeds() {
    Bytes rgb, tiffRgb, turned;
    for (int i = 0; i < 8 * 8; ++i)
        rgb = rgb + Bytes{uint8_t(i * 4), 100, 50};
    for (int i = 0; i < 12; ++i) {
        tiffRgb = tiffRgb + Bytes{uint8_t(i), 7, 200};
        turned = turned + Bytes{uint8_t(i), 7, 20, uint8_t(i * 20)};
    }
    std::vector<GifFrame> frames = {{0, 0, 4, 3, Bytes(12, 1), {}, -1, 1, 7, true},
                                    {1, 1, 2, 2, {2, 0, 2, 2}, {}, 0, 2, 30, false},
                                    {0, 0, 1, 1, {1}, {9, 9, 9, 8, 8, 8}, -1, 3, 5, false}};
    const Bytes gifPalette = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    const Bytes anim = Gif(4, 3, gifPalette, frames);
    frames[2] = {0, 0, 2, 1, {0, 3}, {}, -1, 1, 5, false};  // index 0 opaque here
    std::vector<uint16_t> map;
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 16; ++i)
            map.push_back(uint16_t(c == 0 ? i * 4000 : c == 1 ? 0 : 65535 - i * 4000));
    const Bytes pal = Tiff(4, 2, 1, 4, PHOTOMETRIC_PALETTE, {0x01, 0x23, 0x45, 0x67}, -1,
                           ORIENTATION_TOPLEFT, COMPRESSION_PACKBITS, map);
    const Bytes palTurned = Tiff(4, 2, 1, 4, PHOTOMETRIC_PALETTE, {0x01, 0x23, 0x45, 0x67}, -1,
                                 ORIENTATION_BOTRIGHT, COMPRESSION_PACKBITS, map);
    return {
        {"rgb", F::kJpg, Jpeg(8, 8, 3, rgb, 50), {}, true},
        {"grey", F::kJpg, Jpeg(8, 8, 1, Bytes(64, 128), 50), {}, true},
        {"progressive", F::kJpg, Jpeg(8, 8, 3, rgb, 50, true), {}, true},
        {"anim", F::kGif, anim, {}, true},
        {"own-transparency", F::kGif, Gif(4, 3, gifPalette, frames), {}, true},
        {"rgb", F::kTif, Tiff(4, 3, 3, 8, PHOTOMETRIC_RGB, tiffRgb), {}, true},
        {"palette", F::kTif, pal, {}, true},
        {"premultiplied-turned",
         F::kTif,
         Tiff(4, 3, 4, 8, PHOTOMETRIC_RGB, turned, EXTRASAMPLE_ASSOCALPHA, ORIENTATION_RIGHTTOP),
         {},
         true},
        {"palette-turned", F::kTif, palTurned, {}, true},
    };
}

// Compares what the row states: `on` says whether it states it.
template <class T, class U>
void Expect(bool on, const T& got, const U& want, const char* what) {
    if (on) {
        EXPECT_EQ(got, want) << what;
    }
}

void Check(const Picture& p, const Want& w) {
    ASSERT_FALSE(p.frames.empty());
    const PictureFrame& f = p.frames[0];
    Expect(w.width >= 0, p.width, w.width, "width");
    Expect(!w.index.empty(), std::pair(p.paletted, f.index), std::pair(true, w.index), "index");
    Expect(!w.bgra.empty(), std::pair(p.paletted, f.bgra), std::pair(false, w.bgra), "colour");
    Expect(!w.palette.empty(), p.palette, w.palette, "palette");
    Expect(!w.alpha.empty(), f.alpha, w.alpha, "alpha");
    Expect(w.colours >= 0, p.colorCount(), w.colours, "colours");
    Expect(w.alphaValid >= 0, p.alphaValid, w.alphaValid == 1, "alpha valid");
    Expect(w.transIndex > -2, p.transIndex, w.transIndex, "transparent index");
    Expect(w.key > -2, p.transColor ? int64_t(*p.transColor) : -1, w.key, "key");
    const PictureFrame& last = p.frames.back();
    Expect(!w.last.empty(), p.paletted ? last.index : last.bgra, w.last, "last frame");
}

// Refused, with a log line, leaving an empty picture.
bool Refused(F format, const Bytes& bytes) {
    LogCapture log;
    Picture p;
    return !ReadPicture(format, bytes, p) && !log.lines().empty() && p.frames.empty();
}

TEST(PictureTest, KnownAnswersEveryTruncationAndTheSeeds) {
    const char* dirs[] = {"", "bmp", "gif", "jpg", "png", "ico", "tif", "tga", "pcx", "wbmp"};
    for (const auto& list : {KnownPictures(), ComposedPictures(), MoreSeeds()}) {
        for (const Known& k : list) {
            SCOPED_TRACE(k.name);
            Picture p;
            ASSERT_TRUE(ReadPicture(k.format, k.file, p));
            Check(p, k.want);
            if (k.seed) WriteSeed(std::string("pictures_") + dirs[int(k.format)], k.name, k.file);
            // A cut file is refused, or (a cut trailer or scan) shows the whole picture.
            for (size_t n = 0; n < k.file.size(); ++n) {
                const Bytes cut(k.file.begin(), k.file.begin() + long(n));
                LogCapture log;
                Picture q;
                ASSERT_TRUE(ReadPicture(k.format, cut, q) ? q.width == p.width
                                                          : Refused(k.format, cut))
                    << n;
            }
        }
    }
}

// A PNG whose IHDR claims other dimensions, with a correct CRC.
Bytes WithDimensions(Bytes png, uint32_t w, uint32_t h) {
    for (int i = 0; i < 4; ++i)
        png[16 + i] = uint8_t(w >> (24 - 8 * i)), png[20 + i] = uint8_t(h >> (24 - 8 * i));
    const uint32_t crc = uint32_t(crc32(0, &png[12], 17));
    for (int i = 0; i < 4; ++i)
        png[29 + i] = uint8_t(crc >> (24 - 8 * i));
    return png;
}

TEST(PictureTest, DamagedFieldsAreRefused) {
    const Bytes bmp = Bmp(4, 2, 8, Rows({0, 1, 2, 3, 3, 2, 1, 0}, 4, 2), Bytes(16, 0), 0, 4);
    const auto rle = [](Bytes code) { return Bmp(4, 2, 8, code, Bytes(32, 0), 1, 8); };
    const Bytes ico = Ico(2, 2, Dib(2, 4, 24, Bytes(24, 0)));
    Bytes icoCut(ico.begin(), ico.end() - 4);
    icoCut = Poke(icoCut, 14, uint32_t(icoCut.size() - 22));
    const Bytes pcx = Pcx(8, 3, 2, 2, 2, Bytes(12, 7));
    const Bytes png = Png(8, 8, PNG_COLOR_TYPE_RGB_ALPHA, Bytes(8 * 8 * 4, 77));
    const Bytes two = {0, 0, 0, 255, 255, 255};
    const Bytes jpeg = Jpeg(16, 16, 3, Bytes(768, 9));
    const struct {
        const char* name;
        F format;
        Bytes file;
    } cases[] = {
        {"not BM", F::kBmp, Poke(bmp, 0, 'X', 1)},
        {"offset past the end", F::kBmp, Poke(bmp, 10, 100000)},
        {"huge width", F::kBmp, Poke(bmp, 18, 1u << 30)},
        {"negative width", F::kBmp, Poke(bmp, 18, uint32_t(-4))},
        {"zero height", F::kBmp, Poke(bmp, 22, 0)},
        {"odd bit depth", F::kBmp, Poke(bmp, 28, 7, 2)},
        {"header size", F::kBmp, Poke(bmp, 14, 1000)},
        {"palette too long", F::kBmp, Poke(bmp, 46, 100000)},
        {"index past the palette", F::kBmp, Poke(bmp, 14 + 40 + 16, 9, 1)},
        {"wider than the record holds", F::kBmp,
         Bmp(65536, 1, 8, Bytes(65536, 1), Bytes(8, 0), 0, 2)},
        {"run past the row and its padding", F::kBmp, rle({5, 1, 0, 1})},
        {"absolute past the row", F::kBmp, rle({0, 6, 1, 2, 3, 4, 5, 6, 0, 1})},
        {"delta past the image", F::kBmp, rle({0, 2, 9, 9, 0, 1})},
        {"icon type", F::kIco, Poke(ico, 2, 3, 1)},
        {"no icons", F::kIco, Poke(ico, 4, 0, 1)},
        {"icon size past the end", F::kIco, Poke(ico, 14, 100000)},
        {"icon offset past the end", F::kIco, Poke(ico, 18, 0xFFFFFFF0)},
        {"icon mask cut", F::kIco, icoCut},
        {"TGA type 5", F::kTga, Tga(5, 1, 1, 24, 0, Bytes(3, 0))},
        {"TGA run past the image", F::kTga, Tga(10, 2, 1, 24, 0, {0x85, 1, 2, 3})},
        {"TGA without its colour map", F::kTga, Tga(1, 1, 1, 8, 0, {0})},
        {"TGA index past the map", F::kTga, Tga(1, 1, 1, 8, 0, {0, 0, 0, 1, 1, 1, 5}, 2, 24)},
        {"huge TGA", F::kTga, Tga(2, 60000, 60000, 24, 0, {})},
        {"TGA depth 12", F::kTga, Tga(2, 1, 1, 12, 0, Bytes(12, 0))},
        {"PCX maker", F::kPcx, Poke(pcx, 0, 1, 1)},
        {"PCX run past the image", F::kPcx, Bytes(pcx.begin(), pcx.begin() + 128) + Bytes{0xFF, 1}},
        {"PCX window inverted", F::kPcx, Poke(Poke(pcx, 8, 0, 2), 4, 5, 2)},
        {"PCX line too short", F::kPcx, Poke(pcx, 66, 1, 2)},
        {"PCX two planes", F::kPcx, Poke(pcx, 65, 2, 1)},
        {"huge PCX", F::kPcx, Poke(Poke(pcx, 8, 60000, 2), 10, 60000, 2)},
        // Sixteen header colours cannot serve indices of 16 and above.
        {"PCX index past the header palette", F::kPcx, Pcx(8, 1, 1, 1, 2, {40, 0})},
        {"WBMP type 1", F::kWbmp, {1, 0, 1, 1, 0}},
        {"WBMP endless integer", F::kWbmp, {0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1}},
        {"huge WBMP", F::kWbmp, Wbmp(100000, 100000, {})},
        {"WBMP zero width", F::kWbmp, Wbmp(0, 5, {})},
        {"PNG CRC", F::kPng, Poke(png, 40, png[40] ^ 0xFF, 1)},
        {"huge PNG", F::kPng, WithDimensions(png, 100000, 8)},
        {"PNG of too many pixels", F::kPng, WithDimensions(png, 16000, 16000)},
        {"PNG rows missing", F::kPng, WithDimensions(png, 8, 1000)},
        {"PNG index past the palette", F::kPng, Png(2, 1, PNG_COLOR_TYPE_PALETTE, {0, 3}, 8, two)},
        {"JPEG without SOI", F::kJpg, Poke(jpeg, 0, 0, 1)},
        {"GIF index past the palette", F::kGif,
         Gif(4, 4, two, {{0, 0, 4, 4, Bytes(16, 3), {}, -1, 0, 0, false}})},
        {"GIF without frames", F::kGif, Gif(4, 4, two, {})},
        {"huge GIF screen", F::kGif,
         Gif(16000, 16000, two,
             {{0, 0, 1, 1, {1}, {}, -1, 0, 0, false}, {0, 0, 1, 1, {1}, {}, -1, 0, 0, false}})},
        {"TIFF directory past the end", F::kTif, {'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F}},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(Refused(c.format, c.file)) << c.name;
}

TEST(PictureTest, SidesUpToSixteenBitsAndAnEightBitKeyAbove255) {
    Picture p;
    ASSERT_TRUE(ReadPicture(F::kBmp, Bmp(65535, 1, 8, Bytes(65536, 1), Bytes(8, 0), 0, 2), p));
    EXPECT_EQ(p.width, 65535u);
    ASSERT_TRUE(ReadPicture(F::kPng, Png(1, 65535, PNG_COLOR_TYPE_GRAY, Bytes(65535, 7)), p));
    EXPECT_EQ(p.height, 65535u);
    // An 8-bit sample above 255 (libpng will not write one: the chunk goes in
    // by hand after IHDR) matches no pixel and spills into no other channel.
    Bytes file = Png(1, 1, PNG_COLOR_TYPE_RGB, {44, 1, 0});
    Bytes chunk = {0, 0, 0, 6, 't', 'R', 'N', 'S', 1, 0x2C, 0, 0, 0, 0};  // red 300 = 0x12C
    const uint32_t crc = uint32_t(crc32(0, &chunk[4], 10));
    chunk = chunk + Bytes{uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)};
    file.insert(file.begin() + 33, chunk.begin(), chunk.end());
    LogCapture log;
    ASSERT_TRUE(ReadPicture(F::kPng, file, p));
    EXPECT_FALSE(p.transColor);
}

// A progressive file whose last scan is repeated until it has `scans` scans.
Bytes WithScans(const Bytes& jpeg, size_t scans) {
    size_t last = jpeg.size() - 2, have = 0;
    while (!(jpeg[last] == 0xFF && jpeg[last + 1] == 0xDA))
        --last;
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        have += jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA;
    Bytes out(jpeg.begin(), jpeg.end() - 2);
    for (; have < scans; ++have)
        out.insert(out.end(), jpeg.begin() + long(last), jpeg.end() - 2);
    return out + Bytes{0xFF, 0xD9};
}

TEST(PictureTest, JpegColourGreyBoundedScansAndACutScan) {
    Bytes rgb, grey(32 * 32), noise(64 * 64 * 3);
    for (int i = 0; i < 16 * 8; ++i)
        rgb = rgb + Bytes{200, 100, 50};
    for (size_t i = 0; i < grey.size(); ++i)
        grey[i] = uint8_t(i * 7);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = uint8_t(i * i / 7);
    Picture p;
    ASSERT_TRUE(ReadPicture(F::kJpg, Jpeg(16, 8, 3, rgb), p));
    for (size_t i = 0; i < p.frames[0].bgra.size(); ++i)
        ASSERT_NEAR(p.frames[0].bgra[i], (Bytes{50, 100, 200, 255})[i % 4], 4) << i;
    ASSERT_TRUE(ReadPicture(F::kJpg, Jpeg(5, 3, 1, Bytes(15, 128)), p));
    EXPECT_EQ(p.colorCount(), 256u);
    for (uint8_t v : p.frames[0].index)
        ASSERT_NEAR(v, 128, 3);
    const Bytes progressive = Jpeg(32, 32, 1, grey, 90, true);
    EXPECT_TRUE(ReadPicture(F::kJpg, WithScans(progressive, 100), p));
    EXPECT_TRUE(Refused(F::kJpg, WithScans(progressive, 20000)));
    // Cut inside its scan: the rest filled (libjpeg's own recovery), never
    // past its buffers, and said once.
    Bytes cut = Jpeg(64, 64, 3, noise);
    cut.resize(cut.size() * 2 / 3);
    LogCapture log;
    EXPECT_TRUE(ReadPicture(F::kJpg, cut, p));
    EXPECT_EQ(log.lines().size(), 1u);
}

}  // namespace
}  // namespace engine
