// How decoded pictures become images: flags, keys, palettes, alpha, frames.

#include "engine/resources/image_decode.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "engine/resources/hashes.h"
#include "engine/resources/tests/log_capture.h"
#include "engine/resources/tests/picture_writers.h"

namespace engine {
namespace {

using namespace engine::testing;

// A 24-bit BMP of 3 x 2 pixels; `magenta` puts one magenta pixel in it.
Bytes Bmp24(bool magenta) {
    Bytes rows = {10, 20, 30, 40, 50, 60, 70, 80, 90,  // top row, B G R
                  1,  2,  3,  4,  5,  6,  7,  8,  9};
    if (magenta) rows[3] = 255, rows[4] = 0, rows[5] = 255;
    DibSpec s;
    s.width = 3;
    s.height = 2;
    s.bpp = 24;
    s.data = DibRows(rows, 9, 2);
    return WriteBmp(s);
}

TEST(ImageDecodeTest, Bmp24WithMagentaIsKeyed) {
    ImageRecord image;
    image.id = 5;
    ASSERT_EQ(DecodeImage(Bmp24(true), ".bmp", image), 1);
    EXPECT_EQ(image.id, 5u);
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.frameCount, 1);
    EXPECT_EQ(image.flags, uint32_t(kImageKeyed));
    EXPECT_EQ(image.colorKey, 0xFF00FFu);
    EXPECT_EQ(image.colorCount, 0);
    EXPECT_EQ(image.Palette(), nullptr);
    ASSERT_EQ(image.byteSize(), 3u * 2 * 4);
    const Bytes want = {10, 20, 30, 255, 255, 0, 255, 0,   70, 80, 90, 255,
                        1,  2,  3,  255, 4,   5, 6,   255, 7,  8,  9,  255};
    EXPECT_EQ(image.pixels, want);
}

TEST(ImageDecodeTest, Bmp24WithoutMagentaClearsTheKeyFlag) {
    ImageRecord image;
    ASSERT_EQ(DecodeImage(Bmp24(false), ".bmp", image), 1);
    EXPECT_EQ(image.flags, 0u);
    for (size_t i = 3; i < image.pixels.size(); i += 4)
        EXPECT_EQ(image.pixels[i], 255);
}

TEST(ImageDecodeTest, ImageKeyColourOnEntryIsTheOneMatched) {
    ImageRecord image;
    image.colorKey = 0x010203;  // R 3, G 2, B 1: the bottom-left pixel
    ASSERT_EQ(DecodeImage(Bmp24(true), ".bmp", image), 1);
    EXPECT_EQ(image.flags, uint32_t(kImageKeyed));
    EXPECT_EQ(image.pixels[12 + 3], 0);
    EXPECT_EQ(image.pixels[4 + 3], 255);  // magenta is an ordinary colour now
}

TEST(ImageDecodeTest, PngWithAlphaKeepsAlphaAndTheKeyFlag) {
    PngSpec s;
    s.width = 2;
    s.height = 1;
    s.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    s.pixels = {255, 0, 0, 128, 0, 0, 255, 0};
    ImageRecord image;
    ASSERT_EQ(DecodeImage(WritePng(s), ".png", image), 1);
    EXPECT_EQ(image.flags, uint32_t(kImageKeyed | kImageAlpha));
    EXPECT_EQ(image.pixels, (Bytes{0, 0, 255, 128, 255, 0, 0, 0}));
}

TEST(ImageDecodeTest, EightBitBmpIsPalettedWithAll256Colours) {
    Bytes quads;
    for (int i = 0; i < 256; ++i)
        quads.insert(quads.end(), {uint8_t(i), uint8_t(255 - i), 7, 0});
    DibSpec s;
    s.width = 4;
    s.height = 2;
    s.bpp = 8;
    s.palette = quads;
    s.data = DibRows({0, 1, 2, 3, 252, 253, 254, 255}, 4, 2);
    ImageRecord image;
    ASSERT_EQ(DecodeImage(WriteBmp(s), ".bmp", image), 1);
    EXPECT_EQ(image.flags & kImagePaletted, uint32_t(kImagePaletted));
    EXPECT_EQ(image.BytesPerPixel(), 1u);
    EXPECT_EQ(image.colorCount, 256);
    ASSERT_NE(image.Palette(), nullptr);
    EXPECT_EQ(image.Palette()[3 * 10 + 0], 7);    // R
    EXPECT_EQ(image.Palette()[3 * 10 + 1], 245);  // G
    EXPECT_EQ(image.Palette()[3 * 10 + 2], 10);   // B
    EXPECT_EQ(image.pixels, (Bytes{0, 1, 2, 3, 252, 253, 254, 255}));
    EXPECT_EQ(image.colorKey, kNoKeyIndex);  // no entry is exactly magenta
    EXPECT_EQ(image.flags & kImageKeyed, 0u);
}

TEST(ImageDecodeTest, PalettedBmpKeysTheMagentaEntry) {
    DibSpec s;
    s.width = 2;
    s.height = 1;
    s.bpp = 8;
    s.colorsUsed = 3;
    s.palette = {0, 0, 0, 0, 250, 0, 250, 0, 255, 0, 255, 0};  // black, near magenta, magenta
    s.data = DibRows({1, 2}, 2, 1);
    ImageRecord image;
    ASSERT_EQ(DecodeImage(WriteBmp(s), ".bmp", image), 1);
    EXPECT_EQ(image.colorKey, 2u);
    EXPECT_EQ(image.flags, uint32_t(kImageKeyed | kImagePaletted));
}

GifSpec ThreeFrameGif() {
    GifSpec g;
    g.width = 4;
    g.height = 3;
    g.palette = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    g.frames.push_back({0, 0, 4, 3, Bytes(12, 1), {}, -1, 1, 7, false});
    g.frames.push_back({1, 1, 2, 2, {2, 0, 2, 2}, {}, 0, 2, 30, false});  // 0 is transparent
    g.frames.push_back({0, 0, 1, 1, {3}, {}, -1, 1, 5, false});
    return g;
}

TEST(ImageDecodeTest, ThreeFrameGifComposesFramesWithDelays) {
    ImageRecord image;
    ASSERT_EQ(DecodeImage(WriteGif(ThreeFrameGif()), ".gif", image), 1);
    EXPECT_EQ(image.frameCount, 3);
    EXPECT_EQ(image.width, 4);
    EXPECT_EQ(image.height, 3);
    EXPECT_TRUE(image.flags & kImageDelays);
    EXPECT_TRUE(image.flags & kImagePaletted);
    EXPECT_EQ(image.frameDelays, (std::vector<uint32_t>{100, 300, 50}));
    EXPECT_EQ(image.colorKey, 0u);  // the first transparent index named
    ASSERT_EQ(image.byteSize(), 3u * 12);
    const Bytes frame0(12, 1);
    const Bytes frame1 = {1, 1, 1, 1,  //
                          1, 2, 1, 1,  // the transparent pixel shows what was below
                          1, 2, 2, 1};
    // Frame 1 is disposed to the background (the transparent index 0).
    const Bytes frame2 = {3, 1, 1, 1,  //
                          1, 0, 0, 1,  //
                          1, 0, 0, 1};
    EXPECT_EQ(Bytes(image.pixels.begin(), image.pixels.begin() + 12), frame0);
    EXPECT_EQ(Bytes(image.pixels.begin() + 12, image.pixels.begin() + 24), frame1);
    EXPECT_EQ(Bytes(image.pixels.begin() + 24, image.pixels.end()), frame2);
    // Index 0 appears in the last frame, so the key is in force.
    EXPECT_TRUE(image.flags & kImageKeyed);
}

TEST(ImageDecodeTest, GifZeroDelayGetsTheDefaultAndALogLine) {
    GifSpec g = ThreeFrameGif();
    g.frames[2].delayCs = 0;
    LogCapture log;
    ImageRecord image;
    ASSERT_EQ(DecodeImage(WriteGif(g), ".gif", image), 1);
    EXPECT_EQ(image.frameDelays, (std::vector<uint32_t>{100, 300, 100}));
    EXPECT_EQ(log.lines().size(), 1u);
}

TEST(ImageDecodeTest, SingleFrameHasNoDelayTable) {
    GifSpec g = ThreeFrameGif();
    g.frames.resize(1);
    ImageRecord image;
    ASSERT_EQ(DecodeImage(WriteGif(g), ".gif", image), 1);
    EXPECT_EQ(image.frameCount, 1);
    EXPECT_FALSE(image.flags & kImageDelays);
    EXPECT_TRUE(image.frameDelays.empty());
    EXPECT_EQ(image.colorKey, kNoKeyIndex);
}

TEST(ImageDecodeTest, UnknownExtensionsFail) {
    LogCapture log;
    ImageRecord image;
    image.width = 3;
    Bytes jpeg = WriteJpeg(2, 2, 1, Bytes(4, 100));
    EXPECT_EQ(DecodeImage(jpeg, ".jpeg", image), 0);
    EXPECT_EQ(DecodeImage(jpeg, ".JPG", image), 0);  // compared exactly
    EXPECT_EQ(DecodeImage(jpeg, ".wmf", image), 0);
    EXPECT_EQ(DecodeImage(jpeg, ".mng", image), 0);
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(log.lines().size(), 4u);
    EXPECT_EQ(DecodeImage(jpeg, ".jpg", image), 1);
}

TEST(ImageDecodeTest, FormatTable) {
    struct Row {
        const char* ext;
        uint32_t format;
    } rows[] = {{".gif", 2}, {".bmp", 1},  {".png", 4}, {".jpg", 3},  {".ico", 5}, {".tif", 6},
                {".tga", 7}, {".mng", 17}, {".pcx", 8}, {".wbmp", 9}, {".wmf", 10}};
    for (auto& row : rows) {
        auto format = FormatForExtension(row.ext);
        ASSERT_TRUE(format) << row.ext;
        EXPECT_EQ(uint32_t(*format), row.format);
    }
    EXPECT_FALSE(FormatForExtension(".pps"));
    EXPECT_FALSE(FormatForExtension(""));
}

TEST(ImageDecodeTest, DecodeFileReadsFromDisk) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("qevo_decode_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    {
        Bytes bmp = Bmp24(true);
        std::ofstream(dir / "Tile.BMP", std::ios::binary)
            .write(reinterpret_cast<const char*>(bmp.data()), std::streamsize(bmp.size()));
    }
    ImageRecord image;
    EXPECT_EQ(DecodeFile((dir / "tile.bmp").string(), ".bmp", image), 1);
    EXPECT_EQ(image.width, 3);
    LogCapture log;
    EXPECT_EQ(DecodeFile((dir / "none.bmp").string(), ".bmp", image), 0);
    EXPECT_TRUE(log.Contains("打开失败"));
    fs::remove_all(dir);
}

TEST(ImageDecodeTest, FreeImageDataClearsEverything) {
    ImageRecord image;
    ASSERT_EQ(DecodeImage(WriteGif(ThreeFrameGif()), ".gif", image), 1);
    FreeImageData(image);
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.frameCount, 0);
    EXPECT_EQ(image.flags, 0u);
    EXPECT_EQ(image.colorKey, 0u);
    EXPECT_TRUE(image.pixels.empty());
    EXPECT_TRUE(image.ownPalette.empty());
    EXPECT_TRUE(image.frameDelays.empty());
}

}  // namespace
}  // namespace engine
