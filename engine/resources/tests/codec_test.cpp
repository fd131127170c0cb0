// Each picture reader on files made by the libraries' encoders or by hand,
// and on damaged files.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <zlib.h>
#include <cstring>
#include <filesystem>
#include <functional>

#include "engine/resources/picture.h"
#include "engine/resources/tests/log_capture.h"
#include "engine/resources/tests/picture_writers.h"

namespace engine {
namespace {

using namespace engine::testing;

Picture Read(PictureFormat format, const Bytes& bytes) {
    Picture p;
    EXPECT_TRUE(ReadPicture(format, bytes, p));
    return p;
}

// Refused, with a log line, leaving an empty picture.
void ExpectRefused(PictureFormat format, const Bytes& bytes, const char* what) {
    SCOPED_TRACE(what);
    LogCapture log;
    Picture p;
    EXPECT_FALSE(ReadPicture(format, bytes, p));
    EXPECT_FALSE(log.lines().empty());
    EXPECT_TRUE(p.frames.empty());
}

// ---- BMP ----

TEST(BmpTest, OneAndFourBitRows) {
    DibSpec s;
    s.width = 10;
    s.height = 2;
    s.bpp = 1;
    s.palette = {0, 0, 0, 0, 255, 255, 255, 0};
    s.data = DibRows({0xA5, 0xC0, 0x00, 0x40}, 2, 2);
    Picture p = Read(PictureFormat::kBmp, WriteBmp(s));
    ASSERT_TRUE(p.paletted);
    EXPECT_EQ(p.colorCount(), 2u);
    EXPECT_EQ(p.frames[0].index,
              (Bytes{1, 0, 1, 0, 0, 1, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));

    s.bpp = 4;
    s.width = 3;
    s.colorsUsed = 16;
    s.palette.assign(64, 9);
    s.data = DibRows({0x12, 0x30, 0xFE, 0xD0}, 2, 2);
    p = Read(PictureFormat::kBmp, WriteBmp(s));
    EXPECT_EQ(p.frames[0].index, (Bytes{1, 2, 3, 15, 14, 13}));
}

TEST(BmpTest, TopDownRows) {
    DibSpec s;
    s.width = 1;
    s.height = -2;
    s.bpp = 24;
    s.data = {1, 2, 3, 0, 4, 5, 6, 0};  // first row stored first
    Picture p = Read(PictureFormat::kBmp, WriteBmp(s));
    EXPECT_EQ(p.frames[0].bgra, (Bytes{1, 2, 3, 255, 4, 5, 6, 255}));
}

TEST(BmpTest, Rle8AndRle4) {
    DibSpec s;
    s.width = 4;
    s.height = 2;
    s.bpp = 8;
    s.compression = 1;
    s.colorsUsed = 8;
    s.palette.assign(32, 0);
    // Bottom row: run of 3 x 5, then absolute 7 (too short for absolute mode: run).
    // Top row: absolute 1 2 3 (padded), run 1 x 4. End of bitmap.
    s.data = {3, 5, 1, 7, 0, 0, 0, 3, 1, 2, 3, 0, 1, 4, 0, 1};
    Picture p = Read(PictureFormat::kBmp, WriteBmp(s));
    EXPECT_EQ(p.frames[0].index, (Bytes{1, 2, 3, 4, 5, 5, 5, 7}));

    s.bpp = 4;
    s.compression = 2;
    s.data = {4, 0x12, 0, 0, 0, 4, 0x34, 0x56, 0, 1};
    p = Read(PictureFormat::kBmp, WriteBmp(s));
    EXPECT_EQ(p.frames[0].index, (Bytes{3, 4, 5, 6, 1, 2, 1, 2}));

    // Runs over the row padding, as common encoders write them for widths
    // that are not a multiple of 4: the pixels past the width are dropped.
    s.width = 3;
    s.data = {8, 0x12, 0, 0, 0, 6, 0x34, 0x56, 0x70, 0, 0, 1};
    p = Read(PictureFormat::kBmp, WriteBmp(s));
    EXPECT_EQ(p.frames[0].index, (Bytes{3, 4, 5, 1, 2, 1}));
    s.bpp = 8;
    s.compression = 1;
    s.data = {4, 6, 0, 0, 0, 4, 1, 2, 3, 4, 0, 1};
    p = Read(PictureFormat::kBmp, WriteBmp(s));
    EXPECT_EQ(p.frames[0].index, (Bytes{1, 2, 3, 6, 6, 6}));
}

TEST(BmpTest, SixteenBitBitfieldsAndThirtyTwoBitAlpha) {
    DibSpec s;
    s.width = 2;
    s.height = 1;
    s.bpp = 16;
    s.compression = 3;
    s.masks = {0xF800, 0x07E0, 0x001F};
    s.data = {0x00, 0xF8, 0x1F, 0x00};  // pure red, pure blue (5-6-5)
    Picture p = Read(PictureFormat::kBmp, WriteBmp(s));
    EXPECT_EQ(p.frames[0].bgra, (Bytes{0, 0, 255, 255, 255, 0, 0, 255}));
    s.masks = {0x7C00, 0x03E0, 0x001F, 0x8000};  // 1-5-5-5 with its alpha bit
    s.data = {0x00, 0xFC, 0x1F, 0x00};           // opaque red, clear blue
    p = Read(PictureFormat::kBmp, WriteBmp(s));
    EXPECT_TRUE(p.alphaValid);
    EXPECT_EQ(p.frames[0].bgra, (Bytes{0, 0, 255, 255, 255, 0, 0, 0}));

    DibSpec a;
    a.width = 2;
    a.height = 1;
    a.bpp = 32;
    a.data = {1, 2, 3, 0, 4, 5, 6, 200};
    p = Read(PictureFormat::kBmp, WriteBmp(a));
    EXPECT_TRUE(p.alphaValid);
    EXPECT_EQ(p.frames[0].bgra, (Bytes{1, 2, 3, 0, 4, 5, 6, 200}));
    a.data = {1, 2, 3, 0, 4, 5, 6, 0};  // a fourth byte of 0 everywhere means opaque
    p = Read(PictureFormat::kBmp, WriteBmp(a));
    EXPECT_FALSE(p.alphaValid);
    EXPECT_EQ(p.frames[0].bgra, (Bytes{1, 2, 3, 255, 4, 5, 6, 255}));
}

TEST(BmpTest, RefusesDamagedFiles) {
    DibSpec s;
    s.width = 4;
    s.height = 2;
    s.bpp = 8;
    s.colorsUsed = 4;
    s.palette.assign(16, 0);
    s.data = DibRows({0, 1, 2, 3, 3, 2, 1, 0}, 4, 2);
    const Bytes good = WriteBmp(s);
    ASSERT_TRUE(ReadPicture(PictureFormat::kBmp, good, *std::make_unique<Picture>()));
    const size_t info = 14, pixels = 14 + 40 + 16;
    struct Case {
        const char* name;
        std::function<void(Bytes&)> damage;
    } cases[] = {
        {"truncated header", [](Bytes& b) { b.resize(20); }},
        {"not BM", [](Bytes& b) { b[0] = 'X'; }},
        {"offset past the end", [](Bytes& b) { platform::StoreLE32(&b[10], 100000); }},
        {"rows cut", [](Bytes& b) { b.erase(b.end() - 3, b.end()); }},
        {"huge width", [=](Bytes& b) { platform::StoreLE32(&b[info + 4], 1u << 30); }},
        {"negative width", [=](Bytes& b) { platform::StoreLE32(&b[info + 4], uint32_t(-4)); }},
        {"zero height", [=](Bytes& b) { platform::StoreLE32(&b[info + 8], 0); }},
        {"odd bit depth", [=](Bytes& b) { platform::StoreLE16(&b[info + 14], 7); }},
        {"header size", [=](Bytes& b) { platform::StoreLE32(&b[info], 1000); }},
        {"palette too long", [=](Bytes& b) { platform::StoreLE32(&b[info + 32], 100000); }},
        {"index past the palette", [=](Bytes& b) { b[pixels] = 9; }},
    };
    for (auto& c : cases) {
        Bytes b = good;
        c.damage(b);
        ExpectRefused(PictureFormat::kBmp, b, c.name);
    }
}

TEST(BmpTest, RefusesRunLengthOverruns) {
    DibSpec s;
    s.width = 4;
    s.height = 2;
    s.bpp = 8;
    s.compression = 1;
    s.colorsUsed = 8;
    s.palette.assign(32, 0);
    struct Case {
        const char* name;
        Bytes code;
    } cases[] = {
        {"run past the row and its padding", {5, 1, 0, 1}},
        {"absolute past the row", {0, 6, 1, 2, 3, 4, 5, 6, 0, 1}},
        {"delta past the image", {0, 2, 9, 9, 0, 1}},
        {"cut inside an item", {4, 1, 0}},
        {"absolute cut", {0, 8, 1, 2}},
        {"no end", {4, 1}},
    };
    for (auto& c : cases) {
        s.data = c.code;
        ExpectRefused(PictureFormat::kBmp, WriteBmp(s), c.name);
    }
}

TEST(PictureLimitsTest, SidesUpToSixteenBits) {
    DibSpec s;
    s.width = 65535;
    s.height = 1;
    s.bpp = 8;
    s.colorsUsed = 2;
    s.palette.assign(8, 0);
    s.data.assign(65536, 1);
    EXPECT_EQ(Read(PictureFormat::kBmp, WriteBmp(s)).width, 65535u);
    PngSpec png;
    png.width = 1;
    png.height = 65535;
    png.colourType = PNG_COLOR_TYPE_GRAY;
    png.pixels.assign(65535, 7);
    EXPECT_EQ(Read(PictureFormat::kPng, WritePng(png)).height, 65535u);
    s.width = 65536;
    s.data.assign(65536, 1);
    ExpectRefused(PictureFormat::kBmp, WriteBmp(s), "wider than the record holds");
}

// ---- ICO ----

TEST(IcoTest, PalettedIconTakesItsMaskAsAlpha) {
    DibSpec s;
    s.width = 2;
    s.height = 4;  // XOR and AND images together
    s.bpp = 8;
    s.colorsUsed = 2;
    s.palette = {0, 0, 255, 0, 0, 255, 0, 0};
    Bytes xorRows = DibRows({0, 1, 1, 0}, 2, 2);
    Bytes andRows = DibRows({0x40, 0, 0, 0, 0x80, 0, 0, 0}, 4, 2);  // (1,0) and (0,1) clear
    s.data = xorRows;
    s.data.insert(s.data.end(), andRows.begin(), andRows.end());
    Picture p = Read(PictureFormat::kIco, WriteIco(2, 2, WriteDib(s)));
    ASSERT_TRUE(p.paletted);
    EXPECT_TRUE(p.alphaValid);
    EXPECT_EQ(p.width, 2u);
    EXPECT_EQ(p.height, 2u);
    EXPECT_EQ(p.frames[0].index, (Bytes{0, 1, 1, 0}));
    EXPECT_EQ(p.frames[0].alpha, (Bytes{255, 0, 0, 255}));
    EXPECT_EQ(p.palette, (Bytes{255, 0, 0, 0, 255, 0}));
}

TEST(IcoTest, ThirtyTwoBitIconAndEmbeddedPng) {
    DibSpec s;
    s.width = 1;
    s.height = 2;
    s.bpp = 32;
    s.data = {1, 2, 3, 77, 0, 0, 0, 0};  // pixel, then the AND mask row
    Picture p = Read(PictureFormat::kIco, WriteIco(1, 1, WriteDib(s)));
    EXPECT_TRUE(p.alphaValid);
    EXPECT_EQ(p.frames[0].bgra, (Bytes{1, 2, 3, 77}));
    s.data.resize(4);  // no AND mask, as favicons with their own alpha are written
    p = Read(PictureFormat::kIco, WriteIco(1, 1, WriteDib(s)));
    EXPECT_EQ(p.frames[0].bgra, (Bytes{1, 2, 3, 77}));

    PngSpec png;
    png.width = 1;
    png.height = 1;
    png.pixels = {9, 8, 7, 6};
    p = Read(PictureFormat::kIco, WriteIco(1, 1, WritePng(png)));
    EXPECT_EQ(p.frames[0].bgra, (Bytes{7, 8, 9, 6}));
}

TEST(IcoTest, RefusesDamagedFiles) {
    DibSpec s;
    s.width = 2;
    s.height = 4;
    s.bpp = 24;
    s.data.assign(8 * 2 + 4 * 2, 0);
    const Bytes good = WriteIco(2, 2, WriteDib(s));
    ASSERT_TRUE(ReadPicture(PictureFormat::kIco, good, *std::make_unique<Picture>()));
    struct Case {
        const char* name;
        std::function<void(Bytes&)> damage;
    } cases[] = {
        {"truncated directory", [](Bytes& b) { b.resize(10); }},
        {"bad type", [](Bytes& b) { b[2] = 3; }},
        {"no images", [](Bytes& b) { b[4] = 0; }},
        {"size past the end", [](Bytes& b) { platform::StoreLE32(&b[14], 100000); }},
        {"offset past the end", [](Bytes& b) { platform::StoreLE32(&b[18], 0xFFFFFFF0); }},
        {"mask cut",
         [](Bytes& b) {
             b.erase(b.end() - 4, b.end());
             platform::StoreLE32(&b[14], uint32_t(b.size() - 22));
         }},
    };
    for (auto& c : cases) {
        Bytes b = good;
        c.damage(b);
        ExpectRefused(PictureFormat::kIco, b, c.name);
    }
}

// ---- TGA ----

TEST(TgaTest, TrueColourOrientationsAndAlpha) {
    // Bottom-up (descriptor 0): the first stored row is the bottom one.
    Bytes t = WriteTgaHeader(2, 2, 2, 24, 0);
    t.insert(t.end(), {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4});
    Picture p = Read(PictureFormat::kTga, t);
    EXPECT_EQ(p.frames[0].bgra, (Bytes{3, 3, 3, 255, 4, 4, 4, 255, 1, 1, 1, 255, 2, 2, 2, 255}));
    // Top-down and right-to-left.
    t = WriteTgaHeader(2, 2, 1, 32, 0x20 | 0x10 | 8);
    t.insert(t.end(), {1, 2, 3, 40, 5, 6, 7, 80});
    p = Read(PictureFormat::kTga, t);
    EXPECT_TRUE(p.alphaValid);
    EXPECT_EQ(p.frames[0].bgra, (Bytes{5, 6, 7, 80, 1, 2, 3, 40}));
}

TEST(TgaTest, ColourMappedGreyAndRunLength) {
    Bytes t = WriteTgaHeader(1, 3, 1, 8, 0x20, 2, 24);
    t.insert(t.end(), {10, 20, 30, 40, 50, 60});  // map: B, G, R
    t.insert(t.end(), {1, 0, 1});
    Picture p = Read(PictureFormat::kTga, t);
    EXPECT_EQ(p.palette, (Bytes{30, 20, 10, 60, 50, 40}));
    EXPECT_EQ(p.frames[0].index, (Bytes{1, 0, 1}));

    t = WriteTgaHeader(11, 5, 1, 8, 0x20);  // grey, run-length
    t.insert(t.end(), {0x82, 9, 0x01, 1, 2});
    p = Read(PictureFormat::kTga, t);
    EXPECT_EQ(p.colorCount(), 256u);
    EXPECT_EQ(p.frames[0].index, (Bytes{9, 9, 9, 1, 2}));

    t = WriteTgaHeader(10, 3, 1, 24, 0x20);
    t.insert(t.end(), {0x81, 1, 2, 3, 0x00, 4, 5, 6});
    p = Read(PictureFormat::kTga, t);
    EXPECT_EQ(p.frames[0].bgra, (Bytes{1, 2, 3, 255, 1, 2, 3, 255, 4, 5, 6, 255}));
}

TEST(TgaTest, RefusesDamagedFiles) {
    struct Case {
        const char* name;
        Bytes file;
    } cases[] = {
        {"truncated header", Bytes(10, 0)},
        {"unknown type",
         [] {
             Bytes t = WriteTgaHeader(5, 1, 1, 24, 0);
             t.resize(21);
             return t;
         }()},
        {"pixels cut",
         [] {
             Bytes t = WriteTgaHeader(2, 4, 4, 24, 0);
             t.resize(30);
             return t;
         }()},
        {"run past the image",
         [] {
             Bytes t = WriteTgaHeader(10, 2, 1, 24, 0);
             t.insert(t.end(), {0x85, 1, 2, 3});
             return t;
         }()},
        {"run cut",
         [] {
             Bytes t = WriteTgaHeader(10, 2, 1, 24, 0);
             t.push_back(0x81);
             return t;
         }()},
        {"no colour map",
         [] {
             Bytes t = WriteTgaHeader(1, 1, 1, 8, 0);
             t.push_back(0);
             return t;
         }()},
        {"index past the map",
         [] {
             Bytes t = WriteTgaHeader(1, 1, 1, 8, 0, 2, 24);
             t.insert(t.end(), {0, 0, 0, 1, 1, 1, 5});
             return t;
         }()},
        {"huge",
         [] {
             Bytes t = WriteTgaHeader(2, 60000, 60000, 24, 0);
             return t;
         }()},
        {"odd depth",
         [] {
             Bytes t = WriteTgaHeader(2, 1, 1, 12, 0);
             t.resize(30);
             return t;
         }()},
    };
    for (auto& c : cases)
        ExpectRefused(PictureFormat::kTga, c.file, c.name);
}

// ---- PCX ----

TEST(PcxTest, EightBitWithTrailingPalette) {
    Bytes pcx = WritePcxHeader(8, 1, 3, 2, 4);
    Bytes lines = {1, 1, 1, 0, 2, 0xC5, 3, 0};  // 0xC5 as a value needs escaping
    Bytes code = PcxRle(lines);
    pcx.insert(pcx.end(), code.begin(), code.end());
    pcx.push_back(0x0C);
    for (int i = 0; i < 256; ++i)
        pcx.insert(pcx.end(), {uint8_t(i), 0, uint8_t(255 - i)});
    Picture p = Read(PictureFormat::kPcx, pcx);
    EXPECT_EQ(p.colorCount(), 256u);
    EXPECT_EQ(p.frames[0].index, (Bytes{1, 1, 1, 2, 0xC5, 3}));
    EXPECT_EQ(p.palette[0xC5 * 3], 0xC5);
}

TEST(PcxTest, TwentyFourBitPlanesAndOneBit) {
    Bytes pcx = WritePcxHeader(8, 3, 2, 1, 2);
    Bytes code = PcxRle({10, 11, 20, 21, 30, 31});  // R plane, G plane, B plane
    pcx.insert(pcx.end(), code.begin(), code.end());
    Picture p = Read(PictureFormat::kPcx, pcx);
    EXPECT_EQ(p.frames[0].bgra, (Bytes{30, 20, 10, 255, 31, 21, 11, 255}));

    pcx = WritePcxHeader(1, 1, 9, 1, 2);
    code = PcxRle({0xA5, 0x80});
    pcx.insert(pcx.end(), code.begin(), code.end());
    p = Read(PictureFormat::kPcx, pcx);
    EXPECT_EQ(p.colorCount(), 2u);
    EXPECT_EQ(p.frames[0].index, (Bytes{1, 0, 1, 0, 0, 1, 0, 1, 1}));

    pcx = WritePcxHeader(1, 4, 2, 1, 2);  // 16 colours in four bit planes
    code = PcxRle({0x80, 0, 0x40, 0, 0xC0, 0, 0x00, 0});
    pcx.insert(pcx.end(), code.begin(), code.end());
    p = Read(PictureFormat::kPcx, pcx);
    EXPECT_EQ(p.colorCount(), 16u);
    EXPECT_EQ(p.frames[0].index, (Bytes{1 | 4, 2 | 4}));
}

TEST(PcxTest, RefusesDamagedFiles) {
    Bytes good = WritePcxHeader(8, 3, 2, 2, 2);
    Bytes code = PcxRle(Bytes(12, 7));
    good.insert(good.end(), code.begin(), code.end());
    ASSERT_TRUE(ReadPicture(PictureFormat::kPcx, good, *std::make_unique<Picture>()));
    struct Case {
        const char* name;
        std::function<void(Bytes&)> damage;
    } cases[] = {
        {"truncated header", [](Bytes& b) { b.resize(60); }},
        {"bad maker", [](Bytes& b) { b[0] = 1; }},
        {"data cut", [](Bytes& b) { b.resize(129); }},
        {"run past the image",
         [](Bytes& b) {
             b.resize(128);
             b.insert(b.end(), {0xFF, 1});
         }},
        {"inverted window",
         [](Bytes& b) {
             platform::StoreLE16(&b[8], 0);
             platform::StoreLE16(&b[4], 5);
         }},
        {"line too short", [](Bytes& b) { platform::StoreLE16(&b[66], 1); }},
        {"odd planes", [](Bytes& b) { b[65] = 2; }},
        {"huge",
         [](Bytes& b) {
             platform::StoreLE16(&b[8], 60000);
             platform::StoreLE16(&b[10], 60000);
         }},
    };
    for (auto& c : cases) {
        Bytes b = good;
        c.damage(b);
        ExpectRefused(PictureFormat::kPcx, b, c.name);
    }
    // Sixteen header colours cannot serve indices of 16 and above.
    Bytes pcx = WritePcxHeader(8, 1, 1, 1, 2);
    pcx.insert(pcx.end(), {40, 0});
    ExpectRefused(PictureFormat::kPcx, pcx, "index past the header palette");
}

// ---- WBMP ----

TEST(WbmpTest, OneBitRows) {
    Picture p = Read(PictureFormat::kWbmp, WriteWbmp(10, 2, {0xA5, 0xC0, 0x00, 0x40}));
    EXPECT_EQ(p.palette, (Bytes{0, 0, 0, 255, 255, 255}));
    EXPECT_EQ(p.frames[0].index,
              (Bytes{1, 0, 1, 0, 0, 1, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    p = Read(PictureFormat::kWbmp, WriteWbmp(200, 1, Bytes(25, 0xFF)));  // two-byte width
    EXPECT_EQ(p.width, 200u);
}

TEST(WbmpTest, RefusesDamagedFiles) {
    ExpectRefused(PictureFormat::kWbmp, {}, "empty");
    ExpectRefused(PictureFormat::kWbmp, {1, 0, 1, 1, 0}, "type 1");
    ExpectRefused(PictureFormat::kWbmp, {0, 0, 8}, "no height");
    ExpectRefused(PictureFormat::kWbmp, {0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1}, "endless integer");
    ExpectRefused(PictureFormat::kWbmp, WriteWbmp(16, 2, {1, 2, 3}), "rows cut");
    ExpectRefused(PictureFormat::kWbmp, WriteWbmp(100000, 100000, {}), "huge");
    ExpectRefused(PictureFormat::kWbmp, WriteWbmp(0, 5, {}), "zero width");
}

// ---- PNG ----

TEST(PngTest, PaletteWithOneTransparentEntry) {
    PngSpec s;
    s.width = 3;
    s.height = 1;
    s.colourType = PNG_COLOR_TYPE_PALETTE;
    s.palette = {0, 0, 0, 255, 0, 0, 0, 255, 0};
    s.trnsAlpha = {255, 0};
    s.pixels = {0, 1, 2};
    Picture p = Read(PictureFormat::kPng, WritePng(s));
    ASSERT_TRUE(p.paletted);
    EXPECT_FALSE(p.alphaValid);
    EXPECT_EQ(p.transIndex, 1);
    EXPECT_EQ(p.palette, s.palette);
    EXPECT_EQ(p.frames[0].index, (Bytes{0, 1, 2}));
}

TEST(PngTest, PaletteWithPartialAlpha) {
    PngSpec s;
    s.width = 2;
    s.height = 1;
    s.colourType = PNG_COLOR_TYPE_PALETTE;
    s.palette = {0, 0, 0, 255, 0, 0};
    s.trnsAlpha = {128};
    s.pixels = {0, 1};
    Picture p = Read(PictureFormat::kPng, WritePng(s));
    EXPECT_TRUE(p.alphaValid);
    EXPECT_EQ(p.frames[0].alpha, (Bytes{128, 255}));
}

TEST(PngTest, InterlacedRgbMatchesTheSource) {
    PngSpec s;
    s.width = 13;
    s.height = 11;
    s.colourType = PNG_COLOR_TYPE_RGB;
    s.interlaced = true;
    for (uint32_t i = 0; i < 13 * 11; ++i)
        s.pixels.insert(s.pixels.end(), {uint8_t(i), uint8_t(i * 3), uint8_t(i * 7)});
    s.trnsColour = true;
    s.trns.red = 5, s.trns.green = 15, s.trns.blue = 35;
    Picture p = Read(PictureFormat::kPng, WritePng(s));
    EXPECT_FALSE(p.paletted);
    ASSERT_TRUE(p.transColor);
    EXPECT_EQ(*p.transColor, 0x230F05u);
    for (uint32_t i = 0; i < 13 * 11; ++i) {
        ASSERT_EQ(p.frames[0].bgra[i * 4], uint8_t(i * 7));
        ASSERT_EQ(p.frames[0].bgra[i * 4 + 1], uint8_t(i * 3));
        ASSERT_EQ(p.frames[0].bgra[i * 4 + 2], uint8_t(i));
        ASSERT_EQ(p.frames[0].bgra[i * 4 + 3], 255);
    }
}

TEST(PngTest, OneBitGreyIsPaletted) {
    PngSpec s;
    s.width = 10;
    s.height = 1;
    s.colourType = PNG_COLOR_TYPE_GRAY;
    s.bitDepth = 1;
    s.pixels = {0xA5, 0xC0};
    Picture p = Read(PictureFormat::kPng, WritePng(s));
    EXPECT_EQ(p.palette, (Bytes{0, 0, 0, 255, 255, 255}));
    EXPECT_EQ(p.frames[0].index, (Bytes{1, 0, 1, 0, 0, 1, 0, 1, 1, 1}));
}

TEST(PngTest, GreyAlphaBecomesColour) {
    PngSpec s;
    s.width = 1;
    s.height = 1;
    s.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
    s.pixels = {90, 30};
    Picture p = Read(PictureFormat::kPng, WritePng(s));
    EXPECT_TRUE(p.alphaValid);
    EXPECT_EQ(p.frames[0].bgra, (Bytes{90, 90, 90, 30}));
}

TEST(PngTest, TransparentColourMatchesAllSixteenBits) {
    // Two pixels that differ only in their low byte; the tRNS colour is the first.
    PngSpec rgb;
    rgb.width = 2;
    rgb.height = 1;
    rgb.colourType = PNG_COLOR_TYPE_RGB;
    rgb.bitDepth = 16;
    rgb.pixels = {0x10, 0x00, 0x20, 0x00, 0x30, 0x00, 0x10, 0x01, 0x20, 0x00, 0x30, 0x00};
    rgb.trnsColour = true;
    rgb.trns.red = 0x1000, rgb.trns.green = 0x2000, rgb.trns.blue = 0x3000;
    PngSpec grey = rgb;
    grey.colourType = PNG_COLOR_TYPE_GRAY;
    grey.pixels = {0x10, 0x00, 0x10, 0x01};
    grey.trns.gray = 0x1000;
    for (const PngSpec* s : {&rgb, &grey}) {
        Picture p = Read(PictureFormat::kPng, WritePng(*s));
        ASSERT_FALSE(p.paletted);
        EXPECT_TRUE(p.alphaValid);
        EXPECT_FALSE(p.transColor);
        EXPECT_EQ(p.frames[0].bgra[3], 0);
        EXPECT_EQ(p.frames[0].bgra[7], 255);
    }
    // An 8-bit sample above 255 (libpng will not write one: the chunk goes in
    // by hand after IHDR) matches no pixel and spills into no other channel.
    PngSpec eight;
    eight.width = 1;
    eight.height = 1;
    eight.colourType = PNG_COLOR_TYPE_RGB;
    eight.pixels = {44, 1, 0};
    Bytes file = WritePng(eight);
    Bytes chunk = {0, 0, 0, 6, 't', 'R', 'N', 'S', 1, 0x2C, 0, 0, 0, 0};  // red 300 = 0x12C
    const uint32_t crc = uint32_t(crc32(0, &chunk[4], 10));
    chunk.insert(chunk.end(),
                 {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)});
    file.insert(file.begin() + 33, chunk.begin(), chunk.end());
    LogCapture log;
    EXPECT_FALSE(Read(PictureFormat::kPng, file).transColor);
}

// A PNG whose IHDR claims other dimensions, with a correct CRC.
Bytes WithDimensions(Bytes png, uint32_t w, uint32_t h) {
    auto be = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            png[at + i] = uint8_t(v >> (24 - 8 * i));
    };
    be(16, w);
    be(20, h);
    be(29, uint32_t(crc32(0, &png[12], 17)));
    return png;
}

TEST(PngTest, RefusesDamagedFiles) {
    PngSpec s;
    s.width = 8;
    s.height = 8;
    s.pixels.assign(8 * 8 * 4, 77);
    const Bytes good = WritePng(s);
    ExpectRefused(PictureFormat::kPng, Bytes(good.begin(), good.begin() + 4), "signature cut");
    ExpectRefused(PictureFormat::kPng, Bytes(good.begin(), good.begin() + 30), "header cut");
    ExpectRefused(PictureFormat::kPng, Bytes(good.begin(), good.end() - 20), "data cut");
    Bytes bad = good;
    bad[40] ^= 0xFF;
    ExpectRefused(PictureFormat::kPng, bad, "bad CRC");
    ExpectRefused(PictureFormat::kPng, WithDimensions(good, 100000, 8), "huge width");
    ExpectRefused(PictureFormat::kPng, WithDimensions(good, 16000, 16000), "too many pixels");
    ExpectRefused(PictureFormat::kPng, WithDimensions(good, 8, 1000), "rows missing");

    PngSpec pal;
    pal.width = 2;
    pal.height = 1;
    pal.colourType = PNG_COLOR_TYPE_PALETTE;
    pal.palette = {1, 2, 3, 4, 5, 6};
    pal.pixels = {0, 3};
    ExpectRefused(PictureFormat::kPng, WritePng(pal), "index past the palette");
}

// ---- JPEG ----

TEST(JpegTest, ColourAndGrey) {
    Bytes rgb;
    for (int i = 0; i < 16 * 8; ++i)
        rgb.insert(rgb.end(), {200, 100, 50});
    Picture p = Read(PictureFormat::kJpg, WriteJpeg(16, 8, 3, rgb));
    EXPECT_FALSE(p.paletted);
    EXPECT_EQ(p.width, 16u);
    for (size_t i = 0; i < p.frames[0].bgra.size(); i += 4) {
        ASSERT_NEAR(p.frames[0].bgra[i], 50, 4);
        ASSERT_NEAR(p.frames[0].bgra[i + 1], 100, 4);
        ASSERT_NEAR(p.frames[0].bgra[i + 2], 200, 4);
        ASSERT_EQ(p.frames[0].bgra[i + 3], 255);
    }
    p = Read(PictureFormat::kJpg, WriteJpeg(5, 3, 1, Bytes(15, 128)));
    ASSERT_TRUE(p.paletted);
    EXPECT_EQ(p.colorCount(), 256u);
    for (uint8_t v : p.frames[0].index)
        ASSERT_NEAR(v, 128, 3);
}

TEST(JpegTest, RefusesDamagedFiles) {
    Bytes good = WriteJpeg(16, 16, 3, Bytes(16 * 16 * 3, 9));
    ExpectRefused(PictureFormat::kJpg, {0xFF}, "tiny");
    ExpectRefused(PictureFormat::kJpg, Bytes(good.begin(), good.begin() + 100), "header cut");
    Bytes junk = good;
    junk[0] = 0;
    ExpectRefused(PictureFormat::kJpg, junk, "no SOI");
    // A file cut inside its scan decodes with the rest filled (libjpeg's
    // own recovery), never past its buffers, and says so once.
    Bytes noise(64 * 64 * 3);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = uint8_t(i * i / 7);
    Bytes cut = WriteJpeg(64, 64, 3, noise);
    cut.resize(cut.size() * 2 / 3);
    Picture p;
    LogCapture log;
    EXPECT_TRUE(ReadPicture(PictureFormat::kJpg, cut, p));
    EXPECT_EQ(log.lines().size(), 1u);
}

// A progressive file whose last scan is repeated until it has `scans` scans.
Bytes WithScans(const Bytes& jpeg, size_t scans) {
    size_t last = jpeg.size() - 2;
    while (!(jpeg[last] == 0xFF && jpeg[last + 1] == 0xDA))
        --last;
    size_t have = 0;
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        have += jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA;
    Bytes out(jpeg.begin(), jpeg.end() - 2);
    for (; have < scans; ++have)
        out.insert(out.end(), jpeg.begin() + long(last), jpeg.end() - 2);
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

TEST(JpegTest, ProgressiveScansAreBounded) {
    Bytes grey(32 * 32);
    for (size_t i = 0; i < grey.size(); ++i)
        grey[i] = uint8_t(i * 7);
    const Bytes progressive = WriteJpeg(32, 32, 1, grey, 90, true);
    EXPECT_EQ(Read(PictureFormat::kJpg, WithScans(progressive, 100)).width, 32u);
    ExpectRefused(PictureFormat::kJpg, WithScans(progressive, 20000), "20,000 scans");
}

// ---- GIF ----

TEST(GifTest, InterlacedFrameAndFramesOfOtherSizes) {
    GifSpec g;
    g.width = 5;
    g.height = 9;
    g.palette = {0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 0};
    Bytes big(45);
    for (size_t i = 0; i < 45; ++i)
        big[i] = uint8_t(i % 4);
    g.frames.push_back({0, 0, 5, 9, big, {}, -1, 1, 10, true});
    g.frames.push_back({3, 7, 2, 2, {3, 3, 3, 3}, {}, -1, 3, 10, false});  // restore previous
    g.frames.push_back({4, 8, 3, 3, Bytes(9, 2), {}, -1, 1, 10, false});   // hangs off the screen
    Picture p = Read(PictureFormat::kGif, WriteGif(g));
    ASSERT_EQ(p.frames.size(), 3u);
    EXPECT_EQ(p.frames[0].index, big);
    Bytes second = big;
    second[7 * 5 + 3] = second[7 * 5 + 4] = second[8 * 5 + 3] = second[8 * 5 + 4] = 3;
    EXPECT_EQ(p.frames[1].index, second);
    Bytes third = big;  // frame 1 was undone, then one visible pixel of frame 2
    third[8 * 5 + 4] = 2;
    EXPECT_EQ(p.frames[2].index, third);
}

TEST(GifTest, DifferentColourTablesBecomeColourWithAlpha) {
    GifSpec g;
    g.width = 2;
    g.height = 1;
    g.palette = {10, 20, 30, 40, 50, 60};
    g.frames.push_back({0, 0, 1, 1, {1}, {}, -1, 1, 10, false});
    g.frames.push_back({1, 0, 1, 1, {0}, {1, 2, 3, 4, 5, 6}, -1, 1, 10, false});
    Picture p = Read(PictureFormat::kGif, WriteGif(g));
    EXPECT_FALSE(p.paletted);
    EXPECT_TRUE(p.alphaValid);  // the second pixel is uncovered in frame 0
    EXPECT_EQ(p.frames[0].bgra, (Bytes{60, 50, 40, 255, 0, 0, 0, 0}));
    EXPECT_EQ(p.frames[1].bgra, (Bytes{60, 50, 40, 255, 3, 2, 1, 255}));
}

TEST(GifTest, EachFrameKeysOnlyItsOwnTransparentIndex) {
    GifSpec g;
    g.width = 2;
    g.height = 1;
    g.palette = {10, 20, 30, 40, 50, 60};
    // Index 0 is clear in frame 0 and an opaque colour in frame 1.
    g.frames.push_back({0, 0, 2, 1, {0, 1}, {}, 0, 1, 10, false});
    g.frames.push_back({0, 0, 2, 1, {1, 0}, {}, -1, 1, 10, false});
    Picture p = Read(PictureFormat::kGif, WriteGif(g));
    EXPECT_FALSE(p.paletted);
    EXPECT_EQ(p.frames[0].bgra, (Bytes{0, 0, 0, 0, 60, 50, 40, 255}));
    EXPECT_EQ(p.frames[1].bgra, (Bytes{60, 50, 40, 255, 30, 20, 10, 255}));

    // Uncovered areas are clear on the paletted road too: no index is
    // transparent here, so the picture takes the colour road.
    g.frames = {{0, 0, 1, 1, {1}, {}, -1, 1, 10, false}};
    p = Read(PictureFormat::kGif, WriteGif(g));
    EXPECT_FALSE(p.paletted);
    EXPECT_EQ(p.frames[0].bgra, (Bytes{60, 50, 40, 255, 0, 0, 0, 0}));
    // One index clear in every frame that names one, drawn by none: paletted.
    g.frames = {{0, 0, 1, 1, {1}, {}, 0, 1, 10, false}, {1, 0, 1, 1, {1}, {}, -1, 1, 10, false}};
    p = Read(PictureFormat::kGif, WriteGif(g));
    ASSERT_TRUE(p.paletted);
    EXPECT_EQ(p.transIndex, 0);
    EXPECT_EQ(p.frames[0].index, (Bytes{1, 0}));
    EXPECT_EQ(p.frames[1].index, (Bytes{1, 1}));
}

TEST(GifTest, RefusesDamagedFiles) {
    GifSpec g;
    g.width = 4;
    g.height = 4;
    g.palette = {0, 0, 0, 255, 255, 255};
    g.frames.push_back({0, 0, 4, 4, Bytes(16, 1), {}, -1, 0, 0, false});
    const Bytes good = WriteGif(g);
    ExpectRefused(PictureFormat::kGif, Bytes(good.begin(), good.begin() + 5), "header cut");
    ExpectRefused(PictureFormat::kGif, Bytes(good.begin(), good.begin() + 40), "frame cut");
    GifSpec big = g;
    big.frames[0] = {0, 0, 4, 4, Bytes(16, 3), {}, -1, 0, 0, false};
    ExpectRefused(PictureFormat::kGif, WriteGif(big), "index past the palette");
    GifSpec none = g;
    none.frames.clear();
    ExpectRefused(PictureFormat::kGif, WriteGif(none), "no frames");
    // A file without its trailer keeps its complete frames.
    LogCapture log;
    Picture p;
    EXPECT_TRUE(ReadPicture(PictureFormat::kGif, Bytes(good.begin(), good.end() - 1), p));
}

TEST(GifTest, RefusesHugeScreens) {
    GifSpec g;
    g.width = 16000;
    g.height = 16000;
    g.palette = {0, 0, 0, 255, 255, 255};
    for (int i = 0; i < 2; ++i)
        g.frames.push_back({0, 0, 1, 1, {1}, {}, -1, 0, 0, false});
    ExpectRefused(PictureFormat::kGif, WriteGif(g), "screen too large");
}

// ---- TIFF ----

class TiffTest : public ::testing::Test {
  protected:
    std::string Path() {
        return (std::filesystem::temp_directory_path() /
                ("qevo_tiff_" + std::to_string(::getpid()) + ".tif"))
            .string();
    }
    void TearDown() override { std::filesystem::remove(Path()); }
};

TEST_F(TiffTest, PaletteRgbAndRgba) {
    TiffSpec pal;
    pal.width = 3;
    pal.height = 2;
    pal.samples = 1;
    pal.bits = 8;
    pal.photometric = PHOTOMETRIC_PALETTE;
    pal.r.assign(256, 0), pal.g.assign(256, 0), pal.b.assign(256, 0);
    pal.r[2] = 0xFFFF, pal.g[5] = 0x8080;
    pal.pixels = {0, 2, 5, 5, 2, 0};
    Picture p = Read(PictureFormat::kTif, WriteTiff(pal, Path()));
    ASSERT_TRUE(p.paletted);
    EXPECT_EQ(p.colorCount(), 256u);
    EXPECT_EQ(p.palette[2 * 3], 255);
    EXPECT_EQ(p.palette[5 * 3 + 1], 0x80);
    EXPECT_EQ(p.frames[0].index, pal.pixels);

    TiffSpec rgb;
    rgb.width = 2;
    rgb.height = 5;
    for (int i = 0; i < 10; ++i)
        rgb.pixels.insert(rgb.pixels.end(), {uint8_t(i), 100, 200});
    p = Read(PictureFormat::kTif, WriteTiff(rgb, Path()));
    EXPECT_FALSE(p.alphaValid);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(p.frames[0].bgra[i * 4], 200);
        EXPECT_EQ(p.frames[0].bgra[i * 4 + 2], i);
    }

    // Alpha comes out straight: unassociated samples as stored, associated
    // (premultiplied) ones divided back out.
    TiffSpec rgba = rgb;
    rgba.samples = 4;
    rgba.height = 1;
    rgba.pixels = {100, 50, 200, 20, 10, 20, 40, 128};
    struct {
        int extra;
        Bytes want;
    } alphas[] = {{EXTRASAMPLE_UNASSALPHA, {200, 50, 100, 20, 40, 20, 10, 128}},
                  {EXTRASAMPLE_ASSOCALPHA, {255, 255, 255, 20, 80, 40, 20, 128}}};
    for (auto& a : alphas) {
        rgba.extraSample = a.extra;
        p = Read(PictureFormat::kTif, WriteTiff(rgba, Path()));
        EXPECT_TRUE(p.alphaValid);
        EXPECT_EQ(p.frames[0].bgra, a.want) << a.extra;
    }

    TiffSpec bilevel;
    bilevel.width = 10;
    bilevel.height = 1;
    bilevel.samples = 1;
    bilevel.bits = 1;
    bilevel.photometric = PHOTOMETRIC_MINISBLACK;
    bilevel.pixels = {0xA5, 0xC0};
    p = Read(PictureFormat::kTif, WriteTiff(bilevel, Path()));
    EXPECT_EQ(p.frames[0].index, (Bytes{1, 0, 1, 0, 0, 1, 0, 1, 1, 1}));
}

TEST_F(TiffTest, OrientationTurnsEveryKindOfPage) {
    // Stored rows 0 1 2 / 3 4 5, shown as each orientation tag says.
    const struct {
        uint16_t orientation;
        uint32_t width;
        Bytes shown;
    } rows[] = {
        {ORIENTATION_TOPLEFT, 3, {0, 1, 2, 3, 4, 5}},
        {ORIENTATION_TOPRIGHT, 3, {2, 1, 0, 5, 4, 3}},
        {ORIENTATION_BOTRIGHT, 3, {5, 4, 3, 2, 1, 0}},
        {ORIENTATION_BOTLEFT, 3, {3, 4, 5, 0, 1, 2}},
        {ORIENTATION_LEFTTOP, 2, {0, 3, 1, 4, 2, 5}},
        {ORIENTATION_RIGHTTOP, 2, {3, 0, 4, 1, 5, 2}},
        {ORIENTATION_RIGHTBOT, 2, {5, 2, 4, 1, 3, 0}},
        {ORIENTATION_LEFTBOT, 2, {2, 5, 1, 4, 0, 3}},
    };
    TiffSpec grey;
    grey.width = 3;
    grey.height = 2;
    grey.samples = 1;
    grey.photometric = PHOTOMETRIC_MINISBLACK;
    grey.pixels = {0, 1, 2, 3, 4, 5};
    TiffSpec rgb = grey;
    rgb.samples = 3;
    rgb.photometric = PHOTOMETRIC_RGB;
    rgb.pixels.clear();
    for (uint8_t v = 0; v < 6; ++v)
        rgb.pixels.insert(rgb.pixels.end(), {v, 0, 0});
    for (auto& row : rows) {
        SCOPED_TRACE(row.orientation);
        grey.orientation = rgb.orientation = row.orientation;
        Picture p = Read(PictureFormat::kTif, WriteTiff(grey, Path()));
        EXPECT_EQ(p.width, row.width);
        EXPECT_EQ(p.frames[0].index, row.shown);
        p = Read(PictureFormat::kTif, WriteTiff(rgb, Path()));
        EXPECT_EQ(p.width, row.width);
        Bytes red;
        for (size_t i = 2; i < p.frames[0].bgra.size(); i += 4)
            red.push_back(p.frames[0].bgra[i]);
        EXPECT_EQ(red, row.shown);
    }
}

TEST_F(TiffTest, RefusesDamagedFiles) {
    TiffSpec rgb;
    rgb.width = 8;
    rgb.height = 8;
    rgb.compression = COMPRESSION_NONE;
    rgb.pixels.assign(8 * 8 * 3, 5);
    Bytes good = WriteTiff(rgb, Path());
    ExpectRefused(PictureFormat::kTif, Bytes(good.begin(), good.begin() + 6), "header cut");
    ExpectRefused(PictureFormat::kTif, Bytes(good.begin(), good.begin() + 100), "strips cut");
    ExpectRefused(PictureFormat::kTif, {'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F},
                  "directory past the end");
}

}  // namespace
}  // namespace engine
