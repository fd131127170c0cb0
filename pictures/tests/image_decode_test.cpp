// How pictures become images (flags, keys, palettes, alpha, frames).

#include "pictures/image_decode.h"

#include <gtest/gtest.h>

#include "pictures/palette.h"
#include "pictures/tests/log_capture.h"
#include "tools/pictures/picture_writers.h"

namespace engine {
namespace {

using namespace engine::testing;
using namespace pictures;

// 3 x 2 pixels, B G R; with `magenta` the second is magenta.
Bytes Bmp24(bool magenta) {
    return Bmp(3, 2, 24,
               Rows({10, 20, 30, 255, magenta ? uint8_t(0) : uint8_t(50), 255, 70, 80, 90, 1, 2, 3,
                     4, 5, 6, 7, 8, 9},
                    9, 2));
}

TEST(ImageDecodeTest, FlagsKeysAndPixelsByTable) {
    Bytes all;
    for (int i = 0; i < 256; ++i)
        all = all + Bytes{uint8_t(i), uint8_t(255 - i), 7, 0};
    const Bytes top = {10, 20, 30, 255, 255, 0, 255}, rest = {70, 80, 90, 255, 1, 2, 3},
                bottom = {4, 5, 6, 255, 7, 8, 9, 255};
    constexpr uint32_t K = kImageKeyed, P = kImagePaletted, A = kImageAlpha, M = kDefaultColorKey;
    const Bytes png = Png(2, 1, PNG_COLOR_TYPE_RGB_ALPHA, {255, 0, 0, 128, 0, 0, 255, 0});
    const Bytes nearMagenta =
        Bmp(2, 1, 8, Rows({1, 2}, 2, 1), {0, 0, 0, 0, 250, 0, 250, 0, 255, 0, 255, 0}, 0, 3);
    const Bytes ico = Ico(1, 1, Dib(1, 2, 8, {1, 0, 0, 0, 0x80, 0, 0, 0}, Bytes(8, 0), 0, 2));
    const struct {
        Bytes file;
        const char* ext;
        uint32_t keyOnEntry, flags, colorKey;
        Bytes pixels;
    } cases[] = {
        {Bmp24(true), ".bmp", M, K, M, top + Bytes{0} + rest + Bytes{255} + bottom},
        {Bmp24(false), ".bmp", M, 0, M,
         Bytes{10, 20, 30, 255, 255, 50, 255, 255} + rest + Bytes{255} + bottom},
        // The key on entry is the colour matched; magenta is ordinary now.
        {Bmp24(true), ".bmp", 0x010203, K, 0x010203, top + Bytes{255} + rest + Bytes{0} + bottom},
        {png, ".png", M, K | A, M, {0, 0, 255, 128, 255, 0, 0, 0}},
        // 256 colours, none exactly magenta: nothing keyed.
        {Bmp(4, 1, 8, {0, 1, 254, 255}, all), ".bmp", M, P, kNoKeyIndex, {0, 1, 254, 255}},
        // Black, near magenta, magenta: the exact entry is the key.
        {nearMagenta, ".bmp", M, K | P, 2, {1, 2}},
        {ico, ".ico", M, K | P | A, kNoKeyIndex, {1, 0}},
    };
    for (const auto& c : cases) {
        ImageRecord image;
        image.id = 5;
        image.colorKey = c.keyOnEntry;
        ASSERT_EQ(DecodeImage(c.file, c.ext, image), 1) << &c - cases;
        EXPECT_EQ(image.id, 5u);
        EXPECT_EQ(image.frameCount, 1);
        EXPECT_EQ(image.flags, c.flags) << &c - cases;
        EXPECT_EQ(image.colorKey, c.colorKey) << &c - cases;
        EXPECT_EQ(image.pixels, c.pixels) << &c - cases;
        EXPECT_EQ(image.Palette() != nullptr, (c.flags & kImagePaletted) != 0) << &c - cases;
    }
    ImageRecord image;
    ASSERT_EQ(DecodeImage(cases[4].file, ".bmp", image), 1);
    EXPECT_EQ(image.colorCount, 256);
    EXPECT_EQ(Bytes(image.Palette() + 30, image.Palette() + 33), (Bytes{7, 245, 10}));  // entry 10
}

TEST(ImageDecodeTest, AnimatedGifsComposeTheirFramesWithDelays) {
    std::vector<GifFrame> frames = {{0, 0, 4, 3, Bytes(12, 1), {}, -1, 1, 7, false},
                                    {1, 1, 2, 2, {2, 0, 2, 2}, {}, 0, 2, 30, false},  // 0 is clear
                                    {0, 0, 1, 1, {3}, {}, -1, 1, 5, false}};
    const Bytes palette = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    ImageRecord image;
    ASSERT_EQ(DecodeImage(Gif(4, 3, palette, frames), ".gif", image), 1);
    EXPECT_EQ(image.frameCount, 3);
    EXPECT_EQ(image.flags, kImageDelays | kImagePaletted | kImageKeyed);
    EXPECT_EQ(image.frameDelays, (std::vector<uint32_t>{100, 300, 50}));
    EXPECT_EQ(image.colorKey, 0u);  // the first transparent index named, drawn in the last frame
    // The clear pixel of frame 1 shows what was below; frame 1 is then
    // disposed to the background (the transparent index 0).
    EXPECT_EQ(image.pixels, (Bytes{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2,
                                   1, 1, 1, 2, 2, 1, 3, 1, 1, 1, 1, 0, 0, 1, 1, 0, 0, 1}));
    FreeImageData(image);
    EXPECT_EQ(image.frameCount + image.flags + image.pixels.size() + image.frameDelays.size(), 0u);
    // A zero delay gets the default and a log line; one frame has no delays.
    frames[2].delayCs = 0;
    LogCapture log;
    ASSERT_EQ(DecodeImage(Gif(4, 3, palette, frames), ".gif", image), 1);
    EXPECT_EQ(image.frameDelays, (std::vector<uint32_t>{100, 300, 100}));
    EXPECT_EQ(log.lines().size(), 1u);
    frames.resize(1);
    ASSERT_EQ(DecodeImage(Gif(4, 3, palette, frames), ".gif", image), 1);
    EXPECT_EQ(image.flags & kImageDelays, 0u);
    EXPECT_TRUE(image.frameDelays.empty());
    EXPECT_EQ(image.colorKey, kNoKeyIndex);
}

TEST(ImageDecodeTest, ExtensionsAreComparedExactly) {
    const std::pair<const char*, uint32_t> formats[] = {
        {".gif", 2}, {".bmp", 1},  {".png", 4}, {".jpg", 3},  {".ico", 5},  {".tif", 6},
        {".tga", 7}, {".mng", 17}, {".pcx", 8}, {".wbmp", 9}, {".wmf", 10}, {".pps", 0}};
    for (auto [ext, format] : formats)
        EXPECT_EQ(uint32_t(FormatForExtension(ext).value_or(PictureFormat{})), format) << ext;
    LogCapture log;
    ImageRecord image;
    image.width = 3;
    const Bytes jpeg = Jpeg(2, 2, 1, Bytes(4, 100));
    for (const char* ext : {".jpeg", ".JPG", ".wmf", ".mng"})
        EXPECT_EQ(DecodeImage(jpeg, ext, image), 0) << ext;
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(log.lines().size(), 4u);
    EXPECT_EQ(DecodeImage(jpeg, ".jpg", image), 1);
}

}  // namespace
}  // namespace engine
