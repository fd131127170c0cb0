// Writes the fuzz targets' seed files when QEVO_WRITE_CORPUS names the
// repository's fuzz/corpus folder; otherwise only checks that every seed
// decodes, so the seeds stay meaningful.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "engine/resources/image_decode.h"
#include "engine/resources/palette.h"
#include "engine/resources/pps.h"
#include "engine/resources/tests/picture_writers.h"
#include "tools/pps_writer.h"

namespace engine {
namespace {

using namespace engine::testing;
using tools::PpsSpec;
using tools::WritePps;

std::map<std::string, std::vector<std::pair<std::string, Bytes>>> Seeds() {
    std::map<std::string, std::vector<std::pair<std::string, Bytes>>> seeds;

    // Packed pictures: each method in the colour-alpha shape, and an indexed one.
    for (uint8_t method = 1; method <= 6; ++method) {
        PpsSpec s;
        s.method = method;
        s.flags = kImageKeyed | kImageAlpha | kImageDelays | kImageHotSpot;
        s.width = 6;
        s.height = 4;
        Bytes px;
        for (int i = 0; i < 24; ++i)
            px.insert(px.end(), {uint8_t(i / 6), 9, 9, uint8_t(i * 10)});
        s.frames.push_back({px, 40});
        s.hotSpot = 0x00010002;
        seeds["pps"].push_back({"method" + std::to_string(method), WritePps(s)});
    }
    PpsSpec shared;
    shared.method = 6;
    shared.zlibFirstPlane = false;
    shared.flags = kImageSharedPalette | kImagePaletted;
    shared.width = 5;
    shared.height = 3;
    shared.colorCount = 16;
    shared.paletteName = "p";
    shared.frames.push_back({Bytes{0, 0, 0, 1, 2, 3, 3, 3, 3, 4, 5, 6, 7, 7, 7}, 0});
    seeds["pps"].push_back({"shared", WritePps(shared)});

    Bytes quad(34, 0);
    quad[0] = 'q';
    quad[32] = 4;
    for (int i = 0; i < 12; ++i)
        quad.push_back(uint8_t(i * 20));
    seeds["quad"].push_back({"four", quad});

    DibSpec bmp;
    bmp.width = 3;
    bmp.height = 2;
    bmp.bpp = 24;
    bmp.data = DibRows(Bytes{1, 2, 3, 255, 0, 255, 7, 8, 9, 1, 1, 1, 2, 2, 2, 3, 3, 3}, 9, 2);
    seeds["bmp"].push_back({"rgb", WriteBmp(bmp)});
    DibSpec rle;
    rle.width = 4;
    rle.height = 2;
    rle.bpp = 8;
    rle.compression = 1;
    rle.colorsUsed = 8;
    rle.palette.assign(32, 3);
    rle.data = {3, 5, 1, 7, 0, 0, 0, 3, 1, 2, 3, 0, 1, 4, 0, 1};
    seeds["bmp"].push_back({"rle8", WriteBmp(rle)});
    rle.width = 3;  // runs over the row padding
    rle.data = {4, 6, 0, 0, 0, 4, 1, 2, 3, 4, 0, 1};
    seeds["bmp"].push_back({"rle8-padding", WriteBmp(rle)});

    DibSpec ico;
    ico.width = 2;
    ico.height = 4;
    ico.bpp = 8;
    ico.colorsUsed = 2;
    ico.palette = {0, 0, 255, 0, 0, 255, 0, 0};
    ico.data = DibRows({0, 1, 1, 0}, 2, 2);
    Bytes mask = DibRows({0x40, 0, 0, 0, 0x80, 0, 0, 0}, 4, 2);
    ico.data.insert(ico.data.end(), mask.begin(), mask.end());
    seeds["ico"].push_back({"paletted", WriteIco(2, 2, WriteDib(ico))});
    ico.bpp = 32;
    ico.colorsUsed = 0;
    ico.palette.clear();
    ico.data = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};  // no AND mask
    seeds["ico"].push_back({"alpha-no-mask", WriteIco(2, 2, WriteDib(ico))});

    Bytes tga = WriteTgaHeader(10, 3, 2, 32, 0x28);
    tga.insert(tga.end(), {0x82, 1, 2, 3, 4, 0x02, 5, 6, 7, 8, 9, 9, 9, 9, 1, 1, 1, 1});
    seeds["tga"].push_back({"rle32", tga});

    Bytes pcx = WritePcxHeader(8, 1, 3, 2, 4);
    Bytes code = PcxRle({1, 1, 1, 0, 2, 0xC5, 3, 0});
    pcx.insert(pcx.end(), code.begin(), code.end());
    pcx.push_back(0x0C);
    for (int i = 0; i < 256; ++i)
        pcx.insert(pcx.end(), {uint8_t(i), 0, uint8_t(255 - i)});
    seeds["pcx"].push_back({"vga", pcx});

    seeds["wbmp"].push_back({"ten", WriteWbmp(10, 2, {0xA5, 0xC0, 0x00, 0x40})});

    PngSpec png;
    png.width = 3;
    png.height = 3;
    png.colourType = PNG_COLOR_TYPE_PALETTE;
    png.interlaced = true;
    png.palette = {0, 0, 0, 255, 0, 0, 0, 255, 0};
    png.trnsAlpha = {255, 0};
    png.pixels = {0, 1, 2, 2, 1, 0, 1, 1, 1};
    seeds["png"].push_back({"palette", WritePng(png)});
    PngSpec rgba;
    rgba.width = 2;
    rgba.height = 2;
    rgba.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    seeds["png"].push_back({"rgba", WritePng(rgba)});
    PngSpec deep;
    deep.width = 2;
    deep.height = 1;
    deep.colourType = PNG_COLOR_TYPE_RGB;
    deep.bitDepth = 16;
    deep.pixels = {1, 0, 2, 0, 3, 0, 1, 1, 2, 0, 3, 0};
    deep.trnsColour = true;
    deep.trns.red = 0x100, deep.trns.green = 0x200, deep.trns.blue = 0x300;
    seeds["png"].push_back({"rgb16-trns", WritePng(deep)});

    Bytes rgb;
    for (int i = 0; i < 8 * 8; ++i)
        rgb.insert(rgb.end(), {uint8_t(i * 4), 100, 50});
    seeds["jpg"].push_back({"rgb", WriteJpeg(8, 8, 3, rgb, 50)});
    seeds["jpg"].push_back({"grey", WriteJpeg(8, 8, 1, Bytes(64, 128), 50)});
    seeds["jpg"].push_back({"progressive", WriteJpeg(8, 8, 3, rgb, 50, true)});

    GifSpec gif;
    gif.width = 4;
    gif.height = 3;
    gif.palette = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    gif.frames.push_back({0, 0, 4, 3, Bytes(12, 1), {}, -1, 1, 7, true});
    gif.frames.push_back({1, 1, 2, 2, {2, 0, 2, 2}, {}, 0, 2, 30, false});
    gif.frames.push_back({0, 0, 1, 1, {1}, {9, 9, 9, 8, 8, 8}, -1, 3, 5, false});
    seeds["gif"].push_back({"anim", WriteGif(gif)});
    gif.frames[2] = {0, 0, 2, 1, {0, 3}, {}, -1, 1, 5, false};  // index 0 opaque here
    seeds["gif"].push_back({"own-transparency", WriteGif(gif)});

    const std::string tmp = (std::filesystem::temp_directory_path() /
                             ("qevo_seed_" + std::to_string(::getpid()) + ".tif"))
                                .string();
    TiffSpec tiff;
    tiff.width = 4;
    tiff.height = 3;
    for (int i = 0; i < 12; ++i)
        tiff.pixels.insert(tiff.pixels.end(), {uint8_t(i), 7, 200});
    seeds["tif"].push_back({"rgb", WriteTiff(tiff, tmp)});
    TiffSpec pal;
    pal.width = 4;
    pal.height = 2;
    pal.samples = 1;
    pal.bits = 4;
    pal.photometric = PHOTOMETRIC_PALETTE;
    pal.compression = COMPRESSION_PACKBITS;
    for (int i = 0; i < 16; ++i) {
        pal.r.push_back(uint16_t(i * 4000));
        pal.g.push_back(0);
        pal.b.push_back(uint16_t(65535 - i * 4000));
    }
    pal.pixels = {0x01, 0x23, 0x45, 0x67};
    seeds["tif"].push_back({"palette", WriteTiff(pal, tmp)});
    TiffSpec turned = tiff;
    turned.samples = 4;
    turned.extraSample = EXTRASAMPLE_ASSOCALPHA;
    turned.orientation = ORIENTATION_RIGHTTOP;
    turned.pixels.clear();
    for (int i = 0; i < 12; ++i)
        turned.pixels.insert(turned.pixels.end(), {uint8_t(i), 7, 20, uint8_t(i * 20)});
    seeds["tif"].push_back({"premultiplied-turned", WriteTiff(turned, tmp)});
    pal.orientation = ORIENTATION_BOTRIGHT;
    seeds["tif"].push_back({"palette-turned", WriteTiff(pal, tmp)});
    std::filesystem::remove(tmp);
    return seeds;
}

TEST(CorpusWriterTest, SeedsDecodeAndAreWrittenOnRequest) {
    const char* target = std::getenv("QEVO_WRITE_CORPUS");
    auto seeds = Seeds();
    PaletteTable table;
    {
        Bytes quad(34 + 48, 0);
        quad[0] = 'p';
        quad[32] = 16;
        table.LoadQuad(quad);
    }
    size_t total = 0;
    for (auto& [format, files] : seeds) {
        for (auto& [name, bytes] : files) {
            SCOPED_TRACE(format + "/" + name);
            total += bytes.size();
            ImageRecord image;
            if (format == "pps") {
                EXPECT_NE(LoadPps(bytes, image, table), 0u);
            } else if (format == "quad") {
                EXPECT_TRUE(PaletteTable().LoadQuad(bytes));
            } else {
                EXPECT_EQ(DecodeImage(bytes, "." + format, image), 1);
            }
            if (!target) continue;
            auto dir = std::filesystem::path(target) / ("engine_resources_" + format);
            std::filesystem::create_directories(dir);
            std::ofstream(dir / name, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        }
    }
    EXPECT_LT(total, 8000u);  // a few KB in the repository
}

}  // namespace
}  // namespace engine
