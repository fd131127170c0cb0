#include "engine/resources/pps.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "engine/resources/palette.h"
#include "engine/resources/tests/log_capture.h"
#include "engine/resources/tests/picture_writers.h"
#include "engine/resources/tests/pps_writer.h"

namespace engine {
namespace {

using namespace engine::testing;

TEST(PpsRleTest, KnownItemsAndBothBounds) {
    const struct {
        Bytes coded;
        size_t valueSize, room;
        Bytes expected;
        bool complete;
    } cases[] = {
        {{0x08, 0x7F}, 1, 8, {0x7F, 0x7F}, true},            // short run
        {{0x06, 0x01, 0x10}, 1, 70, Bytes(65, 0x10), true},  // long run
        {{0x01}, 1, 8, {}, true},                            // empty literal
        {{0x09, 1, 2}, 1, 8, {1, 2}, true},                  // short literal
        {{0x07, 0x00, 5}, 1, 8, {5}, true},                  // long literal
        {{0x04, 1, 2, 3}, 3, 8, {1, 2, 3}, true},            // one colour
        {{0x05, 1, 2, 3, 0x08, 9, 8, 7}, 3, 12, {1, 2, 3, 9, 8, 7, 9, 8, 7}, true},
        {{0xFE, 0xFF, 0x33}, 1, 10, Bytes(10, 0x33), false},  // a run of 16383 into 10
        {{0x0C, 1, 2, 3}, 3, 7, {1, 2, 3, 1, 2, 3}, false},   // a whole colour or none
        {{0x11, 1, 2}, 1, 100, {}, false},                    // four literals wanted
        {{0x06}, 1, 100, {}, false},                          // no count byte
        {{0x04, 1, 2}, 3, 100, {}, false},                    // a short colour
    };
    for (const auto& c : cases) {
        Bytes out(c.room, 0xEE);
        bool complete = !c.complete;
        const size_t n = c.valueSize == 1 ? DecodeRle8(c.coded, out, &complete)
                                          : DecodeRle24(c.coded, out, &complete);
        EXPECT_EQ(complete, c.complete) << &c - cases;
        ASSERT_EQ(n, c.expected.size()) << &c - cases;
        EXPECT_TRUE(std::equal(c.expected.begin(), c.expected.end(), out.begin()));
        EXPECT_TRUE(
            std::all_of(out.begin() + long(n), out.end(), [](uint8_t b) { return b == 0xEE; }));
    }
}

TEST(PpsRleTest, TheWritersCodeRoundTripsRandomPlanes) {
    std::mt19937 rng(7);
    for (size_t valueSize : {1u, 3u}) {
        for (int round = 0; round < 40; ++round) {
            Bytes plane;
            const size_t bytes = rng() % 40000 * valueSize;
            while (plane.size() < bytes) {  // long runs mixed with noise
                const size_t run = rng() % 3 == 0 ? rng() % 20000 : 1 + rng() % 4;
                const uint8_t v[3] = {uint8_t(rng() % 4), uint8_t(rng()), uint8_t(rng())};
                for (size_t r = 0; r < run * valueSize && plane.size() < bytes; ++r)
                    plane.push_back(v[r % valueSize]);
            }
            const Bytes coded = EncodeRle(plane, valueSize);
            Bytes out(plane.size());
            bool complete = false;
            ASSERT_EQ(valueSize == 1 ? DecodeRle8(coded, out, &complete)
                                     : DecodeRle24(coded, out, &complete),
                      plane.size());
            ASSERT_TRUE(complete);
            ASSERT_EQ(out, plane);
        }
    }
}

TEST(PpsMergeTest, ColourAndIndexShapes) {
    Bytes out(8), pairs(4), small(3, 0);
    MergePlanes(Bytes{1, 2, 3, 4, 5, 6}, Bytes{7, 8}, out, 2, 32);
    EXPECT_EQ(out, (Bytes{1, 2, 3, 7, 4, 5, 6, 8}));
    MergePlanes(Bytes{1, 2, 3, 4, 5, 6}, {}, out, 2, 32);
    EXPECT_EQ(out, (Bytes{1, 2, 3, 255, 4, 5, 6, 255}));
    MergePlanes(Bytes{9, 10}, Bytes{11, 12}, pairs, 2, 8);
    EXPECT_EQ(pairs, (Bytes{9, 11, 10, 12}));
    MergePlanes(Bytes{9, 10}, Bytes{11, 12}, small, 2, 8);  // room for one pair only
    EXPECT_EQ(small, (Bytes{9, 11, 0}));
}

// Pixels in a given shape, with runs and noise so that every code path of the
// writer is taken.
Bytes MakeFrame(size_t pixels, size_t bpp, uint32_t seed, uint8_t colours) {
    std::mt19937 rng(seed);
    Bytes out;
    for (size_t i = 0; i < pixels; ++i)
        for (size_t k = 0; k < bpp; ++k) {
            const uint8_t v = (i / 50) % 2 == 0 ? uint8_t(k * 40 + 3) : uint8_t(rng());
            out.push_back(k == 0 && bpp <= 2 ? v % colours : v);
        }
    return out;
}

class PpsRoundTripTest : public ::testing::TestWithParam<int> {};

TEST_P(PpsRoundTripTest, EveryShapeComesBackAsWritten) {
    const int method = GetParam();
    const struct {
        uint32_t flags;
        size_t bpp;
    } shapes[] = {{kImagePaletted, 1}, {kImagePaletted | kImageAlpha, 2}, {0, 4}, {kImageAlpha, 4}};
    for (const auto& shape : shapes) {
        PpsSpec spec{.method = uint8_t(method),
                     .flags = shape.flags | kImageDelays | kImageHotSpot,
                     .width = 37,
                     .height = 23,
                     .hotSpot = 0x00030004};
        if (shape.flags & kImagePaletted) {
            spec.colorCount = 200, spec.colorKey = 5;
            for (int i = 0; i < 200 * 3; ++i)
                spec.palette.push_back(uint8_t(i));
        }
        for (uint32_t f = 0; f < 3; ++f)
            spec.frames.push_back({MakeFrame(37 * 23, shape.bpp, f + 1, 200), f ? 40 + f : 0});
        for (int pass = 0; pass < (method == 6 ? 2 : 1); ++pass) {
            spec.zlibFirstPlane = pass == 0;
            ImageRecord image;
            image.id = 77;
            LogCapture log;
            const uint32_t total = uint32_t(37 * 23 * shape.bpp * 3);
            ASSERT_EQ(DecodePps(WritePps(spec), image), total) << shape.flags;
            EXPECT_TRUE(log.lines().empty());
            EXPECT_EQ(image.id, 77u);
            EXPECT_EQ(image.width, 37);
            EXPECT_EQ(image.height, 23);
            EXPECT_EQ(image.frameCount, 3);
            EXPECT_EQ(image.flags, spec.flags);
            EXPECT_EQ(image.BytesPerPixel(), shape.bpp);
            EXPECT_EQ(image.frameDelays, (std::vector<uint32_t>{0, 41, 42}));  // 0 stays 0
            EXPECT_EQ(image.hotSpotX, 3);
            EXPECT_EQ(image.hotSpotY, 4);
            ASSERT_EQ(image.byteSize(), total);
            for (uint32_t f = 0; f < 3; ++f) {
                Bytes want = spec.frames[f].pixels;
                if (method == 2) want.assign(want.size(), 0);
                // Colour without an alpha plane comes back opaque.
                for (size_t i = 3; method >= 3 && shape.flags == 0 && i < want.size(); i += 4)
                    want[i] = 255;
                ASSERT_TRUE(std::equal(want.begin(), want.end(),
                                       image.pixels.begin() + f * image.FrameBytes()))
                    << "frame " << f;
            }
            if (shape.flags & kImagePaletted) {
                EXPECT_EQ(image.colorCount, 200);
                EXPECT_EQ(image.Palette()[599], uint8_t(599));
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Methods, PpsRoundTripTest, ::testing::Range(1, 7));

PpsSpec Shared(uint8_t method, uint32_t flags, uint16_t count) {
    return {.method = method,
            .flags = kImageSharedPalette | kImagePaletted | flags,
            .width = 2,
            .height = 2,
            .colorKey = 3,
            .colorCount = count,
            .paletteName = "wood",
            .frames = {{{0, 1, 2, 3}, 0}}};
}

Bytes Quad(const std::string& name, uint16_t count) {
    Bytes quad(32, 0);
    std::copy(name.begin(), name.end(), quad.begin());
    quad = quad + Le("2", {count});
    for (uint16_t i = 0; i < count * 3; ++i)
        quad.push_back(uint8_t(i));
    return quad;
}

TEST(PpsDecodeTest, SharedPalettesKeyOnlyWithTheKeyFlagAndBindByName) {
    ImageRecord image;
    ASSERT_EQ(DecodePps(WritePps(Shared(1, 0, 4)), image), 4u);
    EXPECT_EQ(image.colorKey, kNoKeyIndex);  // flag 2 alone: no index is keyed
    EXPECT_EQ(image.sharedPaletteName, "wood");
    ASSERT_EQ(DecodePps(WritePps(Shared(1, kImageKeyed, 4)), image), 4u);
    EXPECT_EQ(image.colorKey, 3u);
    const Bytes file = WritePps(Shared(3, 0, 4));
    PaletteTable none, shorter, full;
    ASSERT_TRUE(shorter.LoadQuad(Quad("wood", 3)));
    ASSERT_TRUE(full.LoadQuad(Quad("wood", 4)));
    for (auto [table, line] :
         {std::pair{&none, "全局调色板wood未在内存中"}, {&shorter, "全局调色板wood长度不匹配"}}) {
        LogCapture log;
        EXPECT_EQ(LoadPps(file, image, *table), 0u);
        EXPECT_TRUE(log.Contains(line));
    }
    ASSERT_EQ(LoadPps(file, image, full), 4u);
    EXPECT_EQ(image.sharedPalette, full.Find("wood"));
    EXPECT_EQ(image.Palette(), full.Find("wood")->Colors());
    EXPECT_TRUE(image.sharedPaletteName.empty());
}

TEST(PpsDecodeTest, RefusesMalformedStructuresLeavingTheImageAlone) {
    const PpsSpec colour{.method = 5,
                         .flags = kImageKeyed | kImageAlpha,
                         .width = 4,
                         .height = 2,
                         .frames = {{MakeFrame(8, 4, 1, 0), 0}}};
    const Bytes good = WritePps(colour);
    const size_t chunk = kPpsHeaderBytes;
    auto damaged = [&](std::function<void(Bytes&)> damage) {
        Bytes f = good;
        damage(f);
        return f;
    };
    PpsSpec paletted{.method = 1,
                     .flags = kImagePaletted,
                     .width = 2,
                     .height = 1,
                     .palette = {0, 0, 0, 1, 1, 1},
                     .colorCount = 2,
                     .frames = {{{1, 2}, 0}}};
    PpsSpec noPalette = paletted, announced = paletted, unnamed = Shared(1, 0, 4);
    noPalette.colorCount = 0, noPalette.palette.clear();
    announced.colorCount = 3;
    unnamed.paletteName.assign(32, 'n');  // a name must end within its 32 bytes
    Bytes cutPalette = WritePps(announced);
    cutPalette.resize(kPpsHeaderBytes + 5);
    const struct {
        const char* name;
        Bytes file;
    } cases[] = {
        {"wrong magic", damaged([](Bytes& f) { f[0] = 'q'; })},
        {"truncated header", damaged([](Bytes& f) { f.resize(20); })},
        {"method 0", damaged([](Bytes& f) { f[3] = 0; })},
        {"method 7", damaged([](Bytes& f) { f[3] = 7; })},
        {"no frames", damaged([](Bytes& f) { platform::StoreLE16(&f[8], 0); })},
        {"huge width", damaged([](Bytes& f) { platform::StoreLE16(&f[10], 60000); })},
        {"total disagrees", damaged([](Bytes& f) { platform::StoreLE32(&f[20], 31); })},
        {"frame size disagrees",
         damaged([&](Bytes& f) { platform::StoreLE32(&f[chunk + 16], 16); })},
        {"length A past the end",
         damaged([&](Bytes& f) { platform::StoreLE32(&f[chunk + 8], 0xFFFFFFF0); })},
        {"length B past the end",
         damaged([&](Bytes& f) { platform::StoreLE32(&f[chunk + 12], 1000); })},
        {"chunk cut", damaged([&](Bytes& f) { f.resize(chunk + 10); })},
        {"hot spot missing", damaged([](Bytes& f) { platform::StoreLE32(&f[4], 1 | 8 | 32); })},
        {"index chunk in a colour picture", damaged([&](Bytes& f) { f[chunk] = 1 | 4; })},
        {"many frames", damaged([](Bytes& f) {
             platform::StoreLE16(&f[8], 3);
             platform::StoreLE32(&f[20], 96);
         })},
        {"index past the palette", WritePps(paletted)},
        {"no palette", WritePps(noPalette)},
        {"palette cut", cutPalette},
        {"palette name without its end", WritePps(unnamed)},
    };
    for (const auto& c : cases) {
        LogCapture log;
        ImageRecord image;
        image.width = 9;
        EXPECT_EQ(DecodePps(c.file, image), 0u) << c.name;
        EXPECT_EQ(image.width, 9) << c.name;
        EXPECT_TRUE(image.pixels.empty()) << c.name;
        EXPECT_EQ(log.lines().size(), 1u) << c.name;
    }
}

TEST(PpsDecodeTest, MalformedPlanesStopAtTheirBoundAndLoad) {
    for (uint8_t method : {3, 4, 5, 6}) {
        PpsSpec spec{.method = method,
                     .flags = kImageKeyed | kImageAlpha,
                     .width = 4,
                     .height = 2,
                     .frames = {{MakeFrame(8, 4, 1, 0), 0}}};
        Bytes file = WritePps(spec);
        // The first coded byte becomes an item that asks for far too much.
        file[kPpsHeaderBytes + kPpsChunkHeaderBytes] = method >= 5 ? 0x00 : 0xFE;
        // Planes that end short: run-length code or zlib data for 5 of 8 pixels.
        PpsSpec shortColour = spec, shortAlpha = spec;
        shortColour.frames[0].codedPixels = 5;
        shortAlpha.frames[0].codedAlpha = 5;
        for (const Bytes& f : {file, WritePps(shortColour), WritePps(shortAlpha)}) {
            LogCapture log;
            ImageRecord image;
            EXPECT_EQ(DecodePps(f, image), 32u) << int(method);
            EXPECT_TRUE(log.Contains("解码在边界处停止")) << int(method);
        }
    }
}

TEST(PpsDecodeTest, SeedsDecodeAndAreWrittenOnRequest) {
    std::vector<std::pair<std::string, Bytes>> seeds;
    Bytes px;
    for (int i = 0; i < 24; ++i)
        px = px + Bytes{uint8_t(i / 6), 9, 9, uint8_t(i * 10)};
    for (uint8_t method = 1; method <= 6; ++method) {
        const uint32_t flags = kImageKeyed | kImageAlpha | kImageDelays | kImageHotSpot;
        seeds.emplace_back("method" + std::to_string(method), WritePps({.method = method,
                                                                        .flags = flags,
                                                                        .width = 6,
                                                                        .height = 4,
                                                                        .frames = {{px, 40}},
                                                                        .hotSpot = 0x00010002}));
    }
    seeds.emplace_back("shared",
                       WritePps({.method = 6,
                                 .flags = kImageSharedPalette | kImagePaletted,
                                 .width = 5,
                                 .height = 3,
                                 .colorCount = 16,
                                 .paletteName = "p",
                                 .frames = {{{0, 0, 0, 1, 2, 3, 3, 3, 3, 4, 5, 6, 7, 7, 7}, 0}},
                                 .zlibFirstPlane = false}));
    PaletteTable table;
    ASSERT_TRUE(table.LoadQuad(Quad("p", 16)));
    for (const auto& [name, bytes] : seeds) {
        ImageRecord image;
        EXPECT_NE(LoadPps(bytes, image, table), 0u) << name;
        WriteSeed("engine_resources_pps", name, bytes);
    }
    Bytes quad(34, 0);
    quad[0] = 'q', quad[32] = 4;
    for (int i = 0; i < 12; ++i)
        quad.push_back(uint8_t(i * 20));
    EXPECT_TRUE(PaletteTable().LoadQuad(quad));
    WriteSeed("engine_resources_quad", "four", quad);
}

}  // namespace
}  // namespace engine
