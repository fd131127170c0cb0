#include "pictures/pps.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "pictures/palette.h"
#include "pictures/tests/log_capture.h"
#include "tools/pictures/picture_writers.h"
#include "tools/pictures/pps_writer.h"

namespace engine {
namespace {

using namespace engine::testing;
using namespace pictures;

PpsSpec Spec(uint8_t method, uint32_t flags, uint16_t w, uint16_t h,
             std::vector<PpsFrameSpec> frames) {
    PpsSpec s;
    s.method = method, s.flags = flags, s.width = w, s.height = h, s.frames = std::move(frames);
    return s;
}

// A shared palette's picture, 2 x 2 pixels 0 1 2 3, colour key 3.
PpsSpec Shared(uint8_t method, uint32_t flags, uint16_t count) {
    PpsSpec s = Spec(method, kImageSharedPalette | kImagePaletted | flags, 2, 2, {{{0, 1, 2, 3}}});
    s.colorKey = 3, s.colorCount = count, s.paletteName = "wood";
    return s;
}

// Pixels in a given shape, with runs and noise so that every code path of the
// writer is taken.
Bytes MakeFrame(size_t pixels, size_t bpp, uint32_t seed, uint8_t colours) {
    std::mt19937 rng(seed);
    Bytes out;
    for (size_t i = 0; i < pixels * bpp; ++i) {
        const uint8_t v = (i / bpp / 50) % 2 == 0 ? uint8_t(i % bpp * 40 + 3) : uint8_t(rng());
        out.push_back(i % bpp == 0 && bpp <= 2 ? v % colours : v);
    }
    return out;
}

TEST(PpsRleTest, KnownItemsBothBoundsAndTheWritersCode) {
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
        {{0x05, 1, 2, 3, 0x08, 9, 8, 7}, 3, 12, {1, 2, 3, 9, 8, 7, 9, 8, 7}, true},
        {{0xFE, 0xFF, 0x33}, 1, 10, Bytes(10, 0x33), false},  // a run of 16383 into 10
        {{0x0C, 1, 2, 3}, 3, 7, {1, 2, 3, 1, 2, 3}, false},   // a whole colour or none
        {{0x11, 1, 2}, 1, 100, {}, false},                    // four literals wanted
        {{0x06}, 1, 100, {}, false},                          // no count byte
        {{0x04, 1, 2}, 3, 100, {}, false},                    // a short colour
    };
    auto decode = [](const Bytes& coded, size_t valueSize, Bytes& out, bool* complete) {
        return valueSize == 1 ? DecodeRle8(coded, out, complete)
                              : DecodeRle24(coded, out, complete);
    };
    for (const auto& c : cases) {
        Bytes out(c.room, 0xEE), want = c.expected;
        want.resize(c.room, 0xEE);
        bool complete = !c.complete;
        EXPECT_EQ(decode(c.coded, c.valueSize, out, &complete), c.expected.size()) << &c - cases;
        EXPECT_EQ(complete, c.complete) << &c - cases;
        EXPECT_EQ(out, want) << &c - cases;
    }
    // The writer's code of random planes, long runs mixed with noise, comes back.
    std::mt19937 rng(7);
    for (int round = 0; round < 80; ++round) {
        const size_t valueSize = round % 2 ? 3 : 1, bytes = rng() % 40000 * valueSize;
        Bytes plane;
        while (plane.size() < bytes) {
            const size_t run = rng() % 3 == 0 ? rng() % 20000 : 1 + rng() % 4;
            const uint8_t v[3] = {uint8_t(rng() % 4), uint8_t(rng()), uint8_t(rng())};
            for (size_t r = 0; r < run * valueSize && plane.size() < bytes; ++r)
                plane.push_back(v[r % valueSize]);
        }
        Bytes out(plane.size());
        bool complete = false;
        ASSERT_EQ(decode(EncodeRle(plane, valueSize), valueSize, out, &complete), plane.size());
        ASSERT_TRUE(complete);
        ASSERT_EQ(out, plane);
    }
}

class PpsRoundTripTest : public ::testing::TestWithParam<int> {};

TEST_P(PpsRoundTripTest, EveryShapeComesBackAsWritten) {
    const int method = GetParam();
    const uint32_t shapes[] = {kImagePaletted, kImagePaletted | kImageAlpha, 0, kImageAlpha};
    for (uint32_t shape : shapes) {
        const size_t bpp = shape & kImagePaletted ? (shape & kImageAlpha ? 2 : 1) : 4;
        PpsSpec spec = Spec(uint8_t(method), shape | kImageDelays | kImageHotSpot, 37, 23, {});
        spec.hotSpot = 0x00030004;
        for (int i = 0; shape & kImagePaletted && i < 200 * 3; ++i)
            spec.palette.push_back(uint8_t(i));
        if (shape & kImagePaletted) spec.colorCount = 200, spec.colorKey = 5;
        for (uint32_t f = 0; f < 3; ++f)
            spec.frames.push_back({MakeFrame(37 * 23, bpp, f + 1, 200), f ? 40 + f : 0});
        for (int pass = 0; pass < (method == 6 ? 2 : 1); ++pass) {
            spec.zlibFirstPlane = pass == 0;
            ImageRecord image;
            image.id = 77;
            LogCapture log;
            ASSERT_EQ(DecodePps(WritePps(spec), image), 37 * 23 * bpp * 3) << shape;
            EXPECT_TRUE(log.lines().empty());
            EXPECT_EQ(std::vector<uint32_t>({image.id, image.width, image.height, image.frameCount,
                                             image.flags, image.hotSpotX, image.hotSpotY}),
                      std::vector<uint32_t>({77, 37, 23, 3, spec.flags, 3, 4}));
            EXPECT_EQ(image.frameDelays, (std::vector<uint32_t>{0, 41, 42}));  // 0 stays 0
            for (uint32_t f = 0; f < 3; ++f) {
                Bytes want = spec.frames[f].pixels;
                if (method == 2) want.assign(want.size(), 0);
                // Colour without an alpha plane comes back opaque.
                for (size_t i = 3; method >= 3 && shape == 0 && i < want.size(); i += 4)
                    want[i] = 255;
                ASSERT_EQ(Bytes(image.pixels.begin() + f * image.FrameBytes(),
                                image.pixels.begin() + (f + 1) * image.FrameBytes()),
                          want)
                    << "frame " << f;
            }
            EXPECT_TRUE(!(shape & kImagePaletted) || image.Palette()[599] == uint8_t(599));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Methods, PpsRoundTripTest, ::testing::Range(1, 7));

TEST(PpsDecodeTest, SharedPalettesKeyOnlyWithTheKeyFlagAndBindByName) {
    ImageRecord image;
    ASSERT_EQ(DecodePps(WritePps(Shared(1, 0, 4)), image), 4u);
    EXPECT_EQ(image.colorKey, kNoKeyIndex);  // flag 2 alone: no index is keyed
    EXPECT_EQ(image.sharedPaletteName, "wood");
    ASSERT_EQ(DecodePps(WritePps(Shared(1, kImageKeyed, 4)), image), 4u);
    EXPECT_EQ(image.colorKey, 3u);
    const Bytes file = WritePps(Shared(3, 0, 4));
    PaletteTable none, shorter, full;
    ASSERT_TRUE(shorter.LoadQuad(WriteQuad("wood", 3, Bytes(9, 1))));
    ASSERT_TRUE(full.LoadQuad(WriteQuad("wood", 4, MakeFrame(12, 1, 3, 255))));
    for (auto [table, line] :
         {std::pair{&none, "全局调色板wood未在内存中"}, {&shorter, "全局调色板wood长度不匹配"}}) {
        LogCapture log;
        EXPECT_EQ(LoadPps(file, image, *table), 0u);
        EXPECT_TRUE(log.Contains(line));
    }
    ASSERT_EQ(LoadPps(file, image, full), 4u);
    EXPECT_EQ(image.Palette(), full.Find("wood")->Colors());
    EXPECT_TRUE(image.sharedPaletteName.empty());
}

TEST(PpsDecodeTest, RefusesMalformedStructuresLeavingTheImageAlone) {
    const Bytes good =
        WritePps(Spec(5, kImageKeyed | kImageAlpha, 4, 2, {{MakeFrame(8, 4, 1, 0)}}));
    const size_t chunk = kPpsHeaderBytes;
    PpsSpec paletted = Spec(1, kImagePaletted, 2, 1, {{{1, 2}}});
    paletted.palette = {0, 0, 0, 1, 1, 1}, paletted.colorCount = 2;  // index 2 is past it
    PpsSpec noPalette = paletted, announced = paletted, unnamed = Shared(1, 0, 4);
    noPalette.colorCount = 0, noPalette.palette.clear();
    announced.colorCount = 3;
    unnamed.paletteName.assign(32, 'n');  // a name must end within its 32 bytes
    Bytes cutPalette = WritePps(announced);
    cutPalette.resize(chunk + 5);
    const Bytes cases[] = {
        Poke(good, 0, 'q', 1),                   // magic
        Bytes(good.begin(), good.begin() + 20),  // header cut
        Poke(good, 3, 0, 1),                     // method 0
        Poke(good, 3, 7, 1),                     // method 7
        Poke(good, 8, 0, 2),                     // no frames
        Poke(good, 10, 60000, 2),                // huge width
        Poke(good, 20, 31),                      // the total disagrees
        Poke(good, chunk + 16, 16),              // the frame size disagrees
        Poke(good, chunk + 8, 0xFFFFFFF0),       // length A past the end
        Poke(good, chunk + 12, 1000),            // length B past the end
        Bytes(good.begin(), good.begin() + chunk + 10),
        Poke(good, 4, 1 | 8 | 32),          // a hot spot, missing
        Poke(good, chunk, 1 | 4, 1),        // an index chunk in a colour picture
        Poke(Poke(good, 8, 3, 2), 20, 96),  // more frames than there are
        WritePps(paletted),
        WritePps(noPalette),
        cutPalette,
        WritePps(unnamed),
    };
    for (const Bytes& file : cases) {
        LogCapture log;
        ImageRecord image;
        image.width = 9;
        EXPECT_EQ(DecodePps(file, image), 0u) << &file - cases;
        EXPECT_EQ(image.width, 9) << &file - cases;
        EXPECT_EQ(log.lines().size(), 1u) << &file - cases;
    }
}

TEST(PpsDecodeTest, MalformedPlanesStopAtTheirBoundAndLoad) {
    for (uint8_t method : {3, 4, 5, 6}) {
        PpsSpec spec = Spec(method, kImageKeyed | kImageAlpha, 4, 2, {{MakeFrame(8, 4, 1, 0)}});
        PpsSpec shortColour = spec, shortAlpha = spec;
        shortColour.frames[0].codedPixels = 5;  // code or zlib data for 5 of 8 pixels
        shortAlpha.frames[0].codedAlpha = 5;
        // The first coded byte becomes an item that asks for far too much.
        const Bytes greedy =
            Poke(WritePps(spec), kPpsHeaderBytes + kPpsChunkHeaderBytes, method >= 5 ? 0 : 0xFE, 1);
        for (const Bytes& f : {greedy, WritePps(shortColour), WritePps(shortAlpha)}) {
            LogCapture log;
            ImageRecord image;
            EXPECT_EQ(DecodePps(f, image), 32u) << int(method);
            EXPECT_TRUE(log.Contains("解码在边界处停止")) << int(method);
        }
    }
}

TEST(PpsDecodeTest, SeedsDecodeAndAreWrittenOnRequest) {
    Bytes px;
    for (int i = 0; i < 24; ++i)
        px = px + Bytes{uint8_t(i / 6), 9, 9, uint8_t(i * 10)};
    std::vector<std::pair<std::string, PpsSpec>> seeds;
    for (uint8_t method = 1; method <= 6; ++method) {
        PpsSpec s = Spec(method, kImageKeyed | kImageAlpha | kImageDelays | kImageHotSpot, 6, 4,
                         {{px, 40}});
        s.hotSpot = 0x00010002;
        seeds.emplace_back("method" + std::to_string(method), s);
    }
    PpsSpec shared = Spec(6, kImageSharedPalette | kImagePaletted, 5, 3,
                          {{{0, 0, 0, 1, 2, 3, 3, 3, 3, 4, 5, 6, 7, 7, 7}}});
    shared.colorCount = 16, shared.paletteName = "p", shared.zlibFirstPlane = false;
    seeds.emplace_back("shared", shared);
    PaletteTable table;
    ASSERT_TRUE(table.LoadQuad(WriteQuad("p", 16, Bytes(48, 7))));
    for (const auto& [name, spec] : seeds) {
        ImageRecord image;
        EXPECT_NE(LoadPps(WritePps(spec), image, table), 0u) << name;
        WriteSeed("pictures_pps", name, WritePps(spec));
    }
    Bytes quad = WriteQuad("q", 4, {});
    for (int i = 0; i < 12; ++i)
        quad.push_back(uint8_t(i * 20));
    EXPECT_TRUE(PaletteTable().LoadQuad(quad));
    WriteSeed("pictures_quad", "four", quad);
}

}  // namespace
}  // namespace engine
