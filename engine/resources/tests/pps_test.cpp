#include "engine/resources/pps.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/resources/palette.h"
#include "engine/resources/tests/log_capture.h"
#include "tools/pps_writer.h"

namespace engine {
namespace {

using tools::PpsSpec;
using tools::WritePps;

std::vector<uint8_t> Bytes(std::initializer_list<int> list) {
    std::vector<uint8_t> out;
    for (int v : list)
        out.push_back(uint8_t(v));
    return out;
}

TEST(PpsRleTest, KnownItems) {
    struct Case {
        std::vector<uint8_t> coded;
        size_t valueSize;
        std::vector<uint8_t> expected;
    } cases[] = {
        {Bytes({0x08, 0x7F}), 1, Bytes({0x7F, 0x7F})},
        {Bytes({0x06, 0x01, 0x10}), 1, std::vector<uint8_t>(65, 0x10)},
        {Bytes({0x01}), 1, {}},
        {Bytes({0x09, 1, 2}), 1, Bytes({1, 2})},
        {Bytes({0x07, 0x00, 5}), 1, Bytes({5})},
        {Bytes({0x04, 1, 2, 3}), 3, Bytes({1, 2, 3})},
        {Bytes({0x05, 1, 2, 3, 0x08, 9, 8, 7}), 3, Bytes({1, 2, 3, 9, 8, 7, 9, 8, 7})},
    };
    for (auto& c : cases) {
        std::vector<uint8_t> out(c.expected.size() + 4, 0xEE);
        bool complete = false;
        size_t n = c.valueSize == 1 ? DecodeRle8(c.coded, out, &complete)
                                    : DecodeRle24(c.coded, out, &complete);
        EXPECT_TRUE(complete);
        ASSERT_EQ(n, c.expected.size());
        EXPECT_TRUE(std::equal(c.expected.begin(), c.expected.end(), out.begin()));
        EXPECT_EQ(out[n], 0xEE);
    }
}

TEST(PpsRleTest, StopsAtTheOutputBound) {
    std::vector<uint8_t> out(10, 0);
    bool complete = true;
    // A run of 16383 into 10 bytes.
    EXPECT_EQ(DecodeRle8(Bytes({0xFE, 0xFF, 0x33}), out, &complete), 10u);
    EXPECT_FALSE(complete);
    std::vector<uint8_t> rgb(7, 0);
    EXPECT_EQ(DecodeRle24(Bytes({0x0C, 1, 2, 3}), rgb, &complete), 6u);
    EXPECT_FALSE(complete);
}

TEST(PpsRleTest, StopsAtTheInputBound) {
    std::vector<uint8_t> out(100, 0);
    bool complete = true;
    EXPECT_EQ(DecodeRle8(Bytes({0x11, 1, 2}), out, &complete), 0u);  // wants 4 literals
    EXPECT_FALSE(complete);
    EXPECT_EQ(DecodeRle8(Bytes({0x06}), out, &complete), 0u);  // no count byte
    EXPECT_FALSE(complete);
    EXPECT_EQ(DecodeRle24(Bytes({0x04, 1, 2}), out, &complete), 0u);  // short value
    EXPECT_FALSE(complete);
}

TEST(PpsRleTest, WriterRoundTripsRandomPlanes) {
    std::mt19937 rng(7);
    for (size_t valueSize : {1u, 3u}) {
        for (int round = 0; round < 40; ++round) {
            std::vector<uint8_t> plane;
            size_t values = rng() % 40000;
            while (plane.size() < values * valueSize) {
                // Mix long runs with noise.
                size_t run = rng() % 3 == 0 ? rng() % 20000 : 1 + rng() % 4;
                uint8_t v[3] = {uint8_t(rng() % 4), uint8_t(rng()), uint8_t(rng())};
                for (size_t r = 0; r < run && plane.size() < values * valueSize; ++r) {
                    for (size_t k = 0; k < valueSize && plane.size() < values * valueSize; ++k)
                        plane.push_back(v[k]);
                }
            }
            auto coded = tools::EncodeRle(plane, valueSize);
            std::vector<uint8_t> out(plane.size());
            bool complete = false;
            size_t n = valueSize == 1 ? DecodeRle8(coded, out, &complete)
                                      : DecodeRle24(coded, out, &complete);
            ASSERT_TRUE(complete);
            ASSERT_EQ(n, plane.size());
            ASSERT_EQ(out, plane);
        }
    }
}

TEST(PpsMergeTest, ColourAndIndexShapes) {
    std::vector<uint8_t> out(8);
    MergePlanes(Bytes({1, 2, 3, 4, 5, 6}), Bytes({7, 8}), out, 2, 32);
    EXPECT_EQ(out, Bytes({1, 2, 3, 7, 4, 5, 6, 8}));
    MergePlanes(Bytes({1, 2, 3, 4, 5, 6}), {}, out, 2, 32);
    EXPECT_EQ(out, Bytes({1, 2, 3, 255, 4, 5, 6, 255}));
    std::vector<uint8_t> pairs(4);
    MergePlanes(Bytes({9, 10}), Bytes({11, 12}), pairs, 2, 8);
    EXPECT_EQ(pairs, Bytes({9, 11, 10, 12}));
    std::vector<uint8_t> small(3, 0);
    MergePlanes(Bytes({9, 10}), Bytes({11, 12}), small, 2, 8);  // room for one pair only
    EXPECT_EQ(small, Bytes({9, 11, 0}));
}

// Pixels of a frame in a given shape, with runs and noise so that every code
// path of the writer is taken.
std::vector<uint8_t> MakeFrame(size_t pixels, size_t bpp, uint32_t seed, uint8_t colours) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> out;
    for (size_t i = 0; i < pixels; ++i) {
        bool run = (i / 50) % 2 == 0;
        for (size_t k = 0; k < bpp; ++k) {
            uint8_t v = run ? uint8_t(k * 40 + 3) : uint8_t(rng());
            if (k == 0 && bpp <= 2) v = uint8_t(v % colours);
            out.push_back(v);
        }
    }
    return out;
}

struct Shape {
    const char* name;
    uint32_t flags;
    size_t bpp;
};

class PpsRoundTripTest : public ::testing::TestWithParam<std::tuple<int, Shape>> {};

TEST_P(PpsRoundTripTest, EveryMethodAndShape) {
    auto [method, shape] = GetParam();
    PpsSpec spec;
    spec.method = uint8_t(method);
    spec.flags = shape.flags | kImageDelays | kImageHotSpot;
    spec.width = 37;
    spec.height = 23;
    if (shape.flags & kImagePaletted) {
        spec.colorCount = 200;
        for (int i = 0; i < 200 * 3; ++i)
            spec.palette.push_back(uint8_t(i));
        spec.colorKey = 5;
    }
    spec.hotSpot = 0x00030004;
    for (uint32_t f = 0; f < 3; ++f) {
        spec.frames.push_back({MakeFrame(37 * 23, shape.bpp, f + 1, 200), 40 + f});
    }
    for (bool zlibFirst : {true, false}) {
        if (!zlibFirst && method != 6) continue;
        spec.zlibFirstPlane = zlibFirst;
        auto file = WritePps(spec);
        ImageRecord image;
        image.id = 77;
        testing::LogCapture log;
        const uint32_t total = uint32_t(37 * 23 * shape.bpp * 3);
        ASSERT_EQ(DecodePps(file, image), total);
        EXPECT_TRUE(log.lines().empty()) << log.lines()[0];
        EXPECT_EQ(image.id, 77u);
        EXPECT_EQ(image.width, 37);
        EXPECT_EQ(image.height, 23);
        EXPECT_EQ(image.frameCount, 3);
        EXPECT_EQ(image.flags, spec.flags);
        EXPECT_EQ(image.BytesPerPixel(), shape.bpp);
        EXPECT_EQ(image.frameDelays, (std::vector<uint32_t>{40, 41, 42}));
        EXPECT_EQ(image.hotSpotX, 3);
        EXPECT_EQ(image.hotSpotY, 4);
        ASSERT_EQ(image.byteSize(), total);
        for (uint32_t f = 0; f < 3; ++f) {
            std::vector<uint8_t> got(image.pixels.begin() + f * image.FrameBytes(),
                                     image.pixels.begin() + (f + 1) * image.FrameBytes());
            std::vector<uint8_t> want = spec.frames[f].pixels;
            if (method == 2) want.assign(want.size(), 0);
            // Colour without alpha plane comes back opaque.
            if (method >= 3 && shape.bpp == 4 && !(shape.flags & kImageAlpha)) {
                for (size_t i = 3; i < want.size(); i += 4)
                    want[i] = 255;
            }
            ASSERT_EQ(got, want) << "frame " << f;
        }
        if (shape.flags & kImagePaletted) {
            ASSERT_NE(image.Palette(), nullptr);
            EXPECT_EQ(image.colorCount, 200);
            EXPECT_EQ(image.Palette()[599], uint8_t(599));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllMethods, PpsRoundTripTest,
    ::testing::Combine(::testing::Range(1, 7),
                       ::testing::Values(Shape{"Index", kImagePaletted, 1},
                                         Shape{"IndexAlpha", kImagePaletted | kImageAlpha, 2},
                                         Shape{"Colour", 0, 4},
                                         Shape{"ColourAlpha", kImageAlpha, 4})),
    [](const auto& info) {
        return "Method" + std::to_string(std::get<0>(info.param)) + std::get<1>(info.param).name;
    });

PpsSpec SmallColour(uint8_t method) {
    PpsSpec spec;
    spec.method = method;
    spec.flags = kImageKeyed | kImageAlpha;
    spec.width = 4;
    spec.height = 2;
    spec.frames.push_back({MakeFrame(8, 4, 1, 0), 0});
    return spec;
}

TEST(PpsDecodeTest, WrongMagicChangesNothing) {
    auto file = WritePps(SmallColour(1));
    file[0] = 'q';
    ImageRecord image;
    image.width = 9;
    testing::LogCapture log;
    EXPECT_EQ(DecodePps(file, image), 0u);
    EXPECT_EQ(image.width, 9);
    EXPECT_EQ(log.lines().size(), 1u);
}

TEST(PpsDecodeTest, SharedPaletteKeyRules) {
    PpsSpec spec;
    spec.method = 1;
    spec.flags = kImageSharedPalette | kImagePaletted;
    spec.width = 2;
    spec.height = 2;
    spec.colorKey = 3;
    spec.colorCount = 4;
    spec.paletteName = "wood";
    spec.frames.push_back({Bytes({0, 1, 2, 3}), 0});
    ImageRecord image;
    ASSERT_EQ(DecodePps(WritePps(spec), image), 4u);
    EXPECT_EQ(image.colorKey, kNoKeyIndex);  // flag 2 alone: no index is keyed
    EXPECT_EQ(image.sharedPaletteName, "wood");
    spec.flags |= kImageKeyed;
    ASSERT_EQ(DecodePps(WritePps(spec), image), 4u);
    EXPECT_EQ(image.colorKey, 3u);
    // A name must end within its 32 bytes, as in a ".quad" file.
    spec.paletteName.assign(32, 'n');
    testing::LogCapture log;
    EXPECT_EQ(DecodePps(WritePps(spec), image), 0u);
    EXPECT_EQ(log.lines().size(), 1u);
}

TEST(PpsDecodeTest, LoadBindsSharedPalette) {
    PpsSpec spec;
    spec.method = 3;
    spec.flags = kImageSharedPalette | kImagePaletted;
    spec.width = 2;
    spec.height = 2;
    spec.colorCount = 4;
    spec.paletteName = "wood";
    spec.frames.push_back({Bytes({0, 1, 2, 3}), 0});
    auto file = WritePps(spec);

    PaletteTable table;
    ImageRecord image;
    {
        testing::LogCapture log;
        EXPECT_EQ(LoadPps(file, image, table), 0u);
        EXPECT_TRUE(log.Contains("全局调色板wood未在内存中"));
    }
    std::vector<uint8_t> quad;
    platform::ByteWriter w(quad);
    w.FixedString("wood", 32);
    w.U16(3);
    w.Zeros(9);
    ASSERT_TRUE(table.LoadQuad(quad));
    {
        testing::LogCapture log;
        EXPECT_EQ(LoadPps(file, image, table), 0u);
        EXPECT_TRUE(log.Contains("全局调色板wood长度不匹配"));
    }
    PaletteTable full;
    quad.clear();
    w.FixedString("wood", 32);
    w.U16(4);
    for (int i = 0; i < 12; ++i)
        w.U8(uint8_t(i));
    ASSERT_TRUE(full.LoadQuad(quad));
    ASSERT_EQ(LoadPps(file, image, full), 4u);
    EXPECT_EQ(image.sharedPalette, full.Find("wood"));
    EXPECT_EQ(image.Palette(), full.Find("wood")->Colors());
    EXPECT_TRUE(image.sharedPaletteName.empty());
}

TEST(PpsDecodeTest, HotSpotWord) {
    auto spec = SmallColour(1);
    spec.flags |= kImageHotSpot;
    spec.hotSpot = 0x00030004;
    ImageRecord image;
    ASSERT_NE(DecodePps(WritePps(spec), image), 0u);
    EXPECT_EQ(image.hotSpotX, 3);
    EXPECT_EQ(image.hotSpotY, 4);
}

TEST(PpsDecodeTest, ZeroDelayStaysZero) {
    auto spec = SmallColour(5);
    spec.flags |= kImageDelays;
    testing::LogCapture log;
    ImageRecord image;
    ASSERT_NE(DecodePps(WritePps(spec), image), 0u);
    EXPECT_EQ(image.frameDelays, std::vector<uint32_t>{0});
    EXPECT_TRUE(log.lines().empty());
}

// Offsets into a small one-frame colour file.
constexpr size_t kChunk = kPpsHeaderBytes;

TEST(PpsDecodeTest, RefusesMalformedStructures) {
    const auto good = WritePps(SmallColour(5));
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> damage;
    } cases[] = {
        {"truncated header", [](auto& f) { f.resize(20); }},
        {"method 0", [](auto& f) { f[3] = 0; }},
        {"method 7", [](auto& f) { f[3] = 7; }},
        {"no frames", [](auto& f) { platform::StoreLE16(&f[8], 0); }},
        {"huge width", [](auto& f) { platform::StoreLE16(&f[10], 60000); }},
        {"total disagrees", [](auto& f) { platform::StoreLE32(&f[20], 31); }},
        {"frame size disagrees", [](auto& f) { platform::StoreLE32(&f[kChunk + 16], 16); }},
        {"length A past the end", [](auto& f) { platform::StoreLE32(&f[kChunk + 8], 0xFFFFFFF0); }},
        {"length B past the end", [](auto& f) { platform::StoreLE32(&f[kChunk + 12], 1000); }},
        {"chunk cut", [](auto& f) { f.resize(kChunk + 10); }},
        {"hot spot missing", [](auto& f) { platform::StoreLE32(&f[4], 1 | 8 | 32); }},
        {"index chunk in a colour picture", [](auto& f) { f[kChunk] = 1 | 4; }},
        {"many frames",
         [](auto& f) {
             platform::StoreLE16(&f[8], 3);
             platform::StoreLE32(&f[20], 96);
         }},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto file = good;
        c.damage(file);
        testing::LogCapture log;
        ImageRecord image;
        EXPECT_EQ(DecodePps(file, image), 0u);
        EXPECT_EQ(image.pixels.size(), 0u);
        EXPECT_EQ(log.lines().size(), 1u);
    }
}

TEST(PpsDecodeTest, RefusesIndicesPastThePalette) {
    PpsSpec spec;
    spec.method = 1;
    spec.flags = kImagePaletted;
    spec.width = 2;
    spec.height = 1;
    spec.colorCount = 2;
    spec.palette = Bytes({0, 0, 0, 1, 1, 1});
    spec.frames.push_back({Bytes({1, 2}), 0});
    testing::LogCapture log;
    ImageRecord image;
    EXPECT_EQ(DecodePps(WritePps(spec), image), 0u);
    EXPECT_TRUE(log.Contains("超出调色板"));
    spec.colorCount = 0;
    spec.palette.clear();
    EXPECT_EQ(DecodePps(WritePps(spec), image), 0u);
    spec.colorCount = 3;  // announced, but the file holds only 2 triples + chunk
    spec.palette = Bytes({0, 0, 0, 1, 1, 1, 2, 2, 2});
    auto file = WritePps(spec);
    file.resize(kPpsHeaderBytes + 5);
    EXPECT_EQ(DecodePps(file, image), 0u);
}

TEST(PpsDecodeTest, MalformedPlanesStopAtTheirBoundAndLoad) {
    for (uint8_t method : {3, 4, 5, 6}) {
        SCOPED_TRACE(int(method));
        auto spec = SmallColour(method);
        auto file = WritePps(spec);
        // Replace the first coded byte by an item that asks for far too much.
        file[kChunk + 20] = method >= 5 ? 0x00 : 0xFE;
        testing::LogCapture log;
        ImageRecord image;
        EXPECT_EQ(DecodePps(file, image), 32u);
        EXPECT_TRUE(log.Contains("解码在边界处停止"));
        // Planes that end short: run-length code or zlib data for 5 of 8 pixels.
        for (bool alphaShort : {false, true}) {
            spec.frames[0].codedPixels = alphaShort ? 8 : 5;
            spec.frames[0].codedAlpha = alphaShort ? 5 : 8;
            testing::LogCapture shortLog;
            EXPECT_EQ(DecodePps(WritePps(spec), image), 32u);
            EXPECT_TRUE(shortLog.Contains("解码在边界处停止")) << alphaShort;
        }
    }
}

}  // namespace
}  // namespace engine
