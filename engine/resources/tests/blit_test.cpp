#include "engine/resources/blit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "engine/resources/image_record.h"
#include "engine/resources/res_log.h"
#include "engine/resources/tests/blit_test_util.h"

namespace engine {
namespace {

using testing::Argb;
using testing::At;
using testing::Canvas;
using testing::TestImage;

constexpr uint32_t kBlack = 0xFF000000;

// A 32-bit opaque image whose pixels spell their own coordinates.
TestImage Coords(uint32_t w, uint32_t h, uint32_t flags = 0, uint32_t frames = 1) {
    return TestImage::Make32(
        w, h, flags, [](uint32_t x, uint32_t y, uint32_t f) { return Argb(255, f * 40, y, x); },
        frames);
}

void Blit(Canvas& c, BlitPlacement p, const TestImage& img, double opacity = 1.0,
          uint32_t blend = kNoBlendColor) {
    BlitImage(c.Surface(), p, img.source, 0, 0, int32_t(img.source.width),
              int32_t(img.source.height), opacity, blend);
}

// ---- Placement and clipping of the row copy -------------------------------

struct PlaceCase {
    const char* name;
    int32_t x, y;   // top-left corner of the drawn image
    BlitRect clip;  // with kBlitClip when not empty
};

class RowCopyPlacement : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(RowCopyPlacement, CopiesExactlyTheVisiblePartAndNothingElse) {
    const PlaceCase& pc = GetParam();
    const TestImage img = Coords(5, 4);
    Canvas c(8, 6, 0x11223344);
    const uint32_t flags = pc.clip.IsEmpty() ? 0 : kBlitClip;
    BlitPlacement p = At(pc.x, pc.y, 5, 4, flags);
    p.clip = pc.clip;
    Blit(c, p, img);
    const BlitRect clip = pc.clip.IsEmpty() ? BlitRect{0, 0, 8, 6} : pc.clip;
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 8; ++x) {
            const int32_t ix = x - pc.x, iy = y - pc.y;
            const bool inside = ix >= 0 && iy >= 0 && ix < 5 && iy < 4 && x >= clip.left &&
                                x < clip.right && y >= clip.top && y < clip.bottom;
            EXPECT_EQ(c.At(x, y), inside ? Argb(255, 0, uint32_t(iy), uint32_t(ix)) : 0x11223344u)
                << pc.name << " at " << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(
    Edges, RowCopyPlacement,
    ::testing::Values(PlaceCase{"inside", 1, 1, {}}, PlaceCase{"left", -3, 1, {}},
                      PlaceCase{"top", 2, -2, {}}, PlaceCase{"right", 6, 1, {}},
                      PlaceCase{"bottom", 1, 4, {}}, PlaceCase{"corner", -4, -3, {}},
                      PlaceCase{"far right", 8, 0, {}}, PlaceCase{"far left", -5, 0, {}},
                      PlaceCase{"clipped", 0, 0, {2, 1, 4, 3}},
                      PlaceCase{"clip past surface", 3, 2, {-10, -10, 100, 100}},
                      PlaceCase{"clip off surface", 3, 2, {20, 20, 30, 30}}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& ch : n)
            if (ch == ' ') ch = '_';
        return n;
    });

TEST(BlitImage, OpaqueCopyReplacesTheDestinationExactly) {
    const TestImage img = Coords(3, 3);
    Canvas c(3, 3, Argb(255, 9, 9, 9));
    Blit(c, At(0, 0, 3, 3), img);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(c.At(x, y), Argb(255, 0, uint32_t(y), uint32_t(x)));
}

TEST(BlitImage, NothingIsDrawnForDegenerateCalls) {
    const TestImage img = Coords(4, 4);
    struct Case {
        const char* name;
        int32_t sx, sy, sw, sh, dw, dh;
        double opacity;
    };
    const Case cases[] = {
        {"zero draw width", 0, 0, 4, 4, 0, 4, 1.0},
        {"negative draw height", 0, 0, 4, 4, 4, -3, 1.0},
        {"zero source width", 0, 0, 0, 4, 4, 4, 1.0},
        {"negative source height", 0, 0, 4, -1, 4, 4, 1.0},
        {"source beyond the image", 4, 0, 4, 4, 4, 4, 1.0},
        {"negative source origin", -1, 0, 4, 4, 4, 4, 1.0},
        {"opacity 0", 0, 0, 4, 4, 4, 4, 0.0},
        {"negative opacity", 0, 0, 4, 4, 4, 4, -2.5},
        {"NaN opacity", 0, 0, 4, 4, 4, 4, std::numeric_limits<double>::quiet_NaN()},
    };
    for (const Case& k : cases) {
        Canvas c(6, 6, 0x12345678);
        BlitPlacement p = At(1, 1, k.dw, k.dh);
        BlitImage(c.Surface(), p, img.source, k.sx, k.sy, k.sw, k.sh, k.opacity, kNoBlendColor);
        EXPECT_EQ(c.bytes, Canvas(6, 6, 0x12345678).bytes) << k.name;
    }
}

TEST(BlitImage, OpacityAboveOneCountsAsOne) {
    const TestImage img = Coords(2, 2);
    Canvas a(2, 2, kBlack), b(2, 2, kBlack);
    Blit(a, At(0, 0, 2, 2), img, 1.0);
    Blit(b, At(0, 0, 2, 2), img, 7.5);
    EXPECT_EQ(a.bytes, b.bytes);
}

TEST(BlitImage, ZeroSizedSurfaceIsLeftAlone) {
    const TestImage img = Coords(2, 2);
    BlitPlacement p = At(0, 0, 2, 2);
    BlitImage(BlitSurface{nullptr, 0, 0}, p, img.source, 0, 0, 2, 2, 1.0, kNoBlendColor);
}

// ---- Keyed and translucent loops ------------------------------------------

TEST(BlitImage, KeyedPixelsLeaveTheDestinationUnchanged) {
    // Magenta turned to alpha 0 at load: the odd columns.
    const TestImage img = TestImage::Make32(4, 1, kImageKeyed, [](uint32_t x, uint32_t, uint32_t) {
        return x % 2 ? 0x00FF00FFu : Argb(255, 10, 20, 30);
    });
    Canvas c(4, 1, Argb(255, 1, 2, 3));
    Blit(c, At(0, 0, 4, 1), img);
    EXPECT_EQ(c.At(0, 0), Argb(255, 10, 20, 30));
    EXPECT_EQ(c.At(1, 0), Argb(255, 1, 2, 3));
    EXPECT_EQ(c.At(2, 0), Argb(255, 10, 20, 30));
    EXPECT_EQ(c.At(3, 0), Argb(255, 1, 2, 3));
}

TEST(BlitImage, HalfOpacityOverBlackHalvesTheChannels) {
    const TestImage img = TestImage::Make32(
        2, 1, 0, [](uint32_t, uint32_t, uint32_t) { return Argb(255, 200, 100, 50); });
    Canvas c(2, 1, kBlack);
    Blit(c, At(0, 0, 2, 1), img, 0.5);
    // a = 127: (v * 127) >> 8.
    EXPECT_EQ(c.At(0, 0), Argb(255, 200 * 127 >> 8, 100 * 127 >> 8, 50 * 127 >> 8));
}

TEST(BlitImage, TranslucentMixWithBlendColourIgnoresTheDestination) {
    const TestImage img = TestImage::Make32(
        1, 1, kImageKeyed, [](uint32_t, uint32_t, uint32_t) { return Argb(255, 200, 0, 0); });
    Canvas c(1, 1, Argb(255, 7, 7, 7));
    const uint32_t blue = 0xFF0000;  // COLORREF
    Blit(c, At(0, 0, 1, 1), img, 0.5, blue);
    EXPECT_EQ(c.At(0, 0), Argb(255, (200 * 127) >> 8, 0, (255 * 128) >> 8));
}

// ---- Alpha loops ----------------------------------------------------------

TEST(BlitImage, AlphaOntoClearedSurfaceCopiesColourAndAlpha) {
    const TestImage img = TestImage::Make32(3, 1, kImageAlpha, [](uint32_t x, uint32_t, uint32_t) {
        return Argb(x * 100, 10, 20, 30);
    });
    Canvas c(3, 1, 0);
    Blit(c, At(0, 0, 3, 1), img);
    EXPECT_EQ(c.At(0, 0), 0u);  // alpha 0 is not drawn
    EXPECT_EQ(c.At(1, 0), Argb(100, 10, 20, 30));
    EXPECT_EQ(c.At(2, 0), Argb(200, 10, 20, 30));
}

TEST(BlitImage, AlphaOverOpaqueMixesAndKeepsTheLargerAlpha) {
    const TestImage img = TestImage::Make32(
        1, 1, kImageAlpha, [](uint32_t, uint32_t, uint32_t) { return Argb(128, 255, 0, 0); });
    Canvas c(1, 1, Argb(200, 0, 0, 255));
    Blit(c, At(0, 0, 1, 1), img);
    EXPECT_EQ(c.At(0, 0), Argb(200, (255 * 128) >> 8, 0, (255 * 127) >> 8));
    // With opacity 0.5 the weight is (128 * 127) >> 8 = 63.
    Canvas d(1, 1, Argb(40, 0, 0, 0));
    Blit(d, At(0, 0, 1, 1), img, 0.5);
    EXPECT_EQ(d.At(0, 0), Argb(63, (255 * 63) >> 8, 0, 0));
}

TEST(BlitImage, FullyOpaqueAlphaPixelReplacesTheDestination) {
    const TestImage img = TestImage::Make32(
        1, 1, kImageAlpha, [](uint32_t, uint32_t, uint32_t) { return Argb(255, 255, 128, 1); });
    Canvas c(1, 1, Argb(255, 0, 0, 0));
    Blit(c, At(0, 0, 1, 1), img);
    EXPECT_EQ(c.At(0, 0), Argb(255, 255, 128, 1));
}

TEST(BlitImage, OverOpaqueSkipsTransparentDestination) {
    const TestImage img = TestImage::Make32(
        2, 1, kImageAlpha, [](uint32_t, uint32_t, uint32_t) { return Argb(128, 255, 255, 255); });
    Canvas c(2, 1, 0);
    c.Set(1, 0, Argb(255, 0, 0, 0));
    Blit(c, At(0, 0, 2, 1, kBlitOverOpaque), img);
    EXPECT_EQ(c.At(0, 0), 0u);
    EXPECT_EQ(c.At(1, 0), Argb(255, 127, 127, 127));
}

TEST(BlitImage, AlphaWithBlendColourIsOpaque) {
    const TestImage img = TestImage::Make32(
        1, 1, kImageAlpha, [](uint32_t, uint32_t, uint32_t) { return Argb(128, 0, 0, 0); });
    Canvas c(1, 1, 0);
    Blit(c, At(0, 0, 1, 1), img, 1.0, 0x0000FF);  // red
    EXPECT_EQ(c.At(0, 0), Argb(255, (255 * 127) >> 8, 0, 0));
}

// ---- Frames and scaling ---------------------------------------------------

TEST(BlitImage, SourceRectangleSelectsAFrameOfTheStrip) {
    const TestImage img = Coords(3, 2, 0, 3);
    Canvas c(3, 2, 0);
    BlitPlacement p = At(0, 0, 3, 2);
    BlitImage(c.Surface(), p, img.source, 0, 4, 3, 2, 1.0, kNoBlendColor);
    EXPECT_EQ(c.At(2, 1), Argb(255, 80, 1, 2));
}

TEST(BlitImage, DoubleDrawSizeDoublesEveryPixel) {
    const TestImage img = Coords(50, 25);
    Canvas c(100, 50, 0);
    Blit(c, At(0, 0, 100, 50), img);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(c.At(x, y), Argb(255, 0, uint32_t(y / 2), uint32_t(x / 2)));
}

TEST(BlitImage, ScaledDrawMatchesScaleImage32) {
    const TestImage img = Coords(13, 7, kImageKeyed);
    for (auto [dw, dh] : {std::pair{5, 3}, {29, 11}, {13, 20}, {1, 1}}) {
        Canvas c(dw, dh, 0);
        Blit(c, At(0, 0, dw, dh), img);
        const std::vector<uint8_t> ref =
            ScaleImage32(img.bytes.data(), 13, 7, 0, 0, 13, 7, uint32_t(dw), uint32_t(dh));
        EXPECT_EQ(c.bytes, ref) << dw << "x" << dh;
    }
}

// Independent reference: the nearest source column is floor(i * srcW / dstW);
// the 10-bit step may take the column before it, never another.
TEST(ScaleImage32, StaysWithinOneColumnOfExactNearest) {
    const TestImage img = Coords(37, 19);
    for (auto [dw, dh] : {std::pair{100u, 3u}, {11u, 50u}, {640u, 480u}, {37u, 19u}}) {
        const auto out = ScaleImage32(img.bytes.data(), 37, 19, 0, 0, 37, 19, dw, dh);
        ASSERT_EQ(out.size(), size_t(dw) * dh * 4);
        for (uint32_t j = 0; j < dh; ++j)
            for (uint32_t i = 0; i < dw; ++i) {
                const uint32_t p = platform::LoadLE32(&out[(size_t(j) * dw + i) * 4]);
                const int64_t col = p & 0xFF, row = (p >> 8) & 0xFF;
                const int64_t ec = int64_t(i) * 37 / dw, er = int64_t(j) * 19 / dh;
                ASSERT_LE(ec - col, 1);
                ASSERT_GE(ec - col, 0);
                ASSERT_LE(er - row, 1);
                ASSERT_GE(er - row, 0);
            }
    }
}

TEST(ScaleImage32, DegenerateRequests) {
    const TestImage img = Coords(4, 4);
    EXPECT_TRUE(ScaleImage32(img.bytes.data(), 4, 4, 0, 0, 4, 4, 0, 3).empty());
    EXPECT_TRUE(ScaleImage32(img.bytes.data(), 4, 4, 2, 0, 3, 4, 3, 3).empty());
    EXPECT_TRUE(ScaleImage32(nullptr, 4, 4, 0, 0, 4, 4, 3, 3).empty());
    const auto same = ScaleImage32(img.bytes.data(), 4, 4, 1, 1, 2, 2, 2, 2);
    ASSERT_EQ(same.size(), 16u);
    EXPECT_EQ(platform::LoadLE32(&same[12]), Argb(255, 0, 2, 2));
}

TEST(ScalePaletted, IndexAndAlphaPairsTravelTogether) {
    const std::vector<uint8_t> px = {1, 10, 2, 20, 3, 30, 4, 40};  // 2 x 2 pairs
    const auto out = ScalePaletted(px.data(), 2, 2, 0, 0, 2, 2, 4, 4, kImageAlpha);
    ASSERT_EQ(out.size(), 32u);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], 10);
    EXPECT_EQ(out[(3 * 4 + 3) * 2], 4);
    EXPECT_EQ(out[(3 * 4 + 3) * 2 + 1], 40);
}

// ---- Rotation -------------------------------------------------------------

TEST(BlitImage, HalfDegreeRotatesOnlyAlphaImages) {
    const TestImage plain = Coords(4, 4);
    const TestImage alpha = Coords(4, 4, kImageAlpha);
    Canvas c(10, 10, 0);
    BlitPlacement p = At(3, 3, 4, 4);
    p.angle = 0.5;
    BlitImage(c.Surface(), p, plain.source, 0, 0, 4, 4, 1.0, kNoBlendColor);
    EXPECT_EQ(p.radius, 0);  // the unrotated copy never needs the radius
    BlitPlacement q = p;
    BlitImage(c.Surface(), q, alpha.source, 0, 0, 4, 4, 1.0, kNoBlendColor);
    EXPECT_EQ(q.radius, BlitRadius(4, 4));
}

TEST(BlitImage, QuarterTurnMakesTallFootprintOnTheSameCentre) {
    const TestImage img = TestImage::Make32(
        10, 2, 0, [](uint32_t, uint32_t, uint32_t) { return Argb(255, 255, 255, 255); });
    Canvas c(20, 20, 0);
    BlitPlacement p;
    p.drawX = 10, p.drawY = 10, p.width = 10, p.height = 2, p.angle = 90.0;
    BlitImage(c.Surface(), p, img.source, 0, 0, 10, 2, 1.0, kNoBlendColor);
    int minX = 99, maxX = -1, minY = 99, maxY = -1;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            if (c.At(x, y)) {
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
    EXPECT_EQ(maxX - minX + 1, 2);
    EXPECT_EQ(maxY - minY + 1, 10);
    EXPECT_NEAR((minX + maxX + 1) / 2.0, 10.0, 1.0);
    EXPECT_NEAR((minY + maxY + 1) / 2.0, 10.0, 1.0);
}

// The straightforward reference: each destination pixel turned back by the
// angle in floating point. Tolerance: every drawn pixel comes from a source
// pixel within 1.5 pixels of the exact turned position on each axis (fixed
// point truncation and the shifts round differently), and the number of
// pixels drawn is within 8% of the exact footprint.
void CheckRotation(double angle, uint32_t w, uint32_t h) {
    const TestImage img = Coords(w, h);
    Canvas c(64, 64, 0);
    BlitPlacement p;
    p.drawX = 32, p.drawY = 32, p.width = int32_t(w), p.height = int32_t(h), p.angle = angle;
    BlitImage(c.Surface(), p, img.source, 0, 0, int32_t(w), int32_t(h), 1.0, kNoBlendColor);
    const double rad = angle * 3.14159 / 180.0;
    int64_t drawn = 0, exact = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const double dx = x - 32, dy = y - 32;
            const double sx = dx * std::cos(rad) - dy * std::sin(rad) + double((w + 1) / 2);
            const double sy = dx * std::sin(rad) + dy * std::cos(rad) + double((h + 1) / 2);
            if (sx >= 0 && sy >= 0 && sx < w && sy < h) ++exact;
            const uint32_t px = c.At(x, y);
            if (!px) continue;
            ++drawn;
            const double ix = px & 0xFF, iy = (px >> 8) & 0xFF;
            ASSERT_LE(std::abs(ix + 0.5 - sx), 1.5) << angle << " at " << x << "," << y;
            ASSERT_LE(std::abs(iy + 0.5 - sy), 1.5) << angle << " at " << x << "," << y;
        }
    EXPECT_LE(std::abs(drawn - exact) * 100, exact * 8)
        << angle << ": " << drawn << " vs " << exact;
}

TEST(BlitImage, NearestRotationAgreesWithFloatingPointReference) {
    for (double angle : {15.0, 30.0, 45.0, 90.0, 135.0, 180.0, 200.0, 270.0, -33.0, 359.0})
        CheckRotation(angle, 21, 13);
}

TEST(BlitImage, SmoothRotationOfAUniformImageKeepsItsColourInside) {
    const TestImage img = TestImage::Make32(
        16, 16, kImageAlpha, [](uint32_t, uint32_t, uint32_t) { return Argb(255, 90, 60, 30); });
    Canvas c(40, 40, Argb(255, 0, 0, 0));
    BlitPlacement p;
    p.drawX = 20, p.drawY = 20, p.width = 16, p.height = 16, p.angle = 30.0, p.flags = kBlitSmooth;
    BlitImage(c.Surface(), p, img.source, 0, 0, 16, 16, 1.0, kNoBlendColor);
    // Well inside the turned square every sample mixes four equal pixels.
    for (int y = 16; y < 24; ++y)
        for (int x = 16; x < 24; ++x) {
            const uint32_t px = c.At(x, y);
            EXPECT_NEAR(double((px >> 16) & 0xFF), 90.0, 2.0);
            EXPECT_NEAR(double((px >> 8) & 0xFF), 60.0, 2.0);
            EXPECT_NEAR(double(px & 0xFF), 30.0, 2.0);
        }
    EXPECT_EQ(c.At(0, 0), Argb(255, 0, 0, 0));
}

// Bilinear reference in floating point: interior samples of a gradient agree
// within 2 per channel.
TEST(BlitImage, SmoothRotationAgreesWithBilinearReferenceInside) {
    const TestImage img = TestImage::Make32(
        32, 32, kImageAlpha,
        [](uint32_t x, uint32_t y, uint32_t) { return Argb(255, x * 8, y * 8, 0); });
    Canvas c(64, 64, Argb(255, 0, 0, 0));
    BlitPlacement p;
    p.drawX = 32, p.drawY = 32, p.width = 32, p.height = 32, p.angle = 20.0, p.flags = kBlitSmooth;
    BlitImage(c.Surface(), p, img.source, 0, 0, 32, 32, 1.0, kNoBlendColor);
    const double rad = 20.0 * 3.14159 / 180.0;
    int checked = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const double dx = x - 32, dy = y - 32;
            const double sx = dx * std::cos(rad) - dy * std::sin(rad) + 16.5;
            const double sy = dx * std::sin(rad) + dy * std::cos(rad) + 16.5;
            if (sx < 2 || sy < 2 || sx > 29 || sy > 29) continue;
            ++checked;
            const double fx = sx - std::floor(sx);
            const double r = 8 * (std::floor(sx) + fx);
            const double fy = sy - std::floor(sy);
            const double g = 8 * (std::floor(sy) + fy);
            EXPECT_NEAR(double((c.At(x, y) >> 16) & 0xFF), r, 3.0) << x << "," << y;
            EXPECT_NEAR(double((c.At(x, y) >> 8) & 0xFF), g, 3.0) << x << "," << y;
        }
    EXPECT_GT(checked, 400);
}

TEST(BlitImage, InvertLoopInvertsUnderPresentPixelsOnly) {
    const TestImage img = TestImage::Make32(4, 4, kImageKeyed, [](uint32_t x, uint32_t, uint32_t) {
        return x < 2 ? Argb(255, 1, 2, 3) : 0u;
    });
    Canvas c(4, 4, Argb(10, 100, 50, 0));
    BlitPlacement p = At(0, 0, 4, 4, kBlitInvert);
    BlitImage(c.Surface(), p, img.source, 0, 0, 4, 4, 1.0, kNoBlendColor);
    EXPECT_EQ(c.At(0, 0), Argb(255, 155, 205, 255));
    EXPECT_EQ(c.At(1, 3), Argb(255, 155, 205, 255));
    EXPECT_EQ(c.At(2, 0), Argb(10, 100, 50, 0));
}

// ---- Paletted sources ------------------------------------------------------

const std::vector<uint8_t> kRgb = {255, 0, 0, 0, 255, 0, 0, 0, 255};  // red, green, blue

TEST(BlitImage, PalettedPlainWritesPaletteColoursAndSkipsTheKey) {
    const TestImage img = TestImage::MakePaletted(
        4, 1, false, [](uint32_t x, uint32_t) { return x; }, [](uint32_t, uint32_t) { return 0; },
        kRgb, 1);
    Canvas c(4, 1, 0x01010101);
    Blit(c, At(0, 0, 4, 1), img);
    EXPECT_EQ(c.At(0, 0), Argb(255, 255, 0, 0));
    EXPECT_EQ(c.At(1, 0), 0x01010101u);  // the keyed index
    EXPECT_EQ(c.At(2, 0), Argb(255, 0, 0, 255));
    EXPECT_EQ(c.At(3, 0), 0x01010101u);  // index 3 lies past the three colours
}

TEST(BlitImage, PalettedWithoutKeyCopiesPaletteColoursPixelByPixel) {
    // An unkeyed, opaque, unscaled paletted blit must look colours up, not
    // copy the one-byte indices as whole surface rows.
    TestImage img = TestImage::MakePaletted(
        4, 2, false, [](uint32_t x, uint32_t) { return x % 3; },
        [](uint32_t, uint32_t) { return 0; }, kRgb, 256);  // no transparent index
    img.source.flags &= ~uint32_t(kImageKeyed);
    Canvas c(4, 2, 0);
    Blit(c, At(0, 0, 4, 2), img);
    EXPECT_EQ(c.At(0, 0), Argb(255, 255, 0, 0));
    EXPECT_EQ(c.At(1, 1), Argb(255, 0, 255, 0));
    EXPECT_EQ(c.At(2, 0), Argb(255, 0, 0, 255));
    EXPECT_EQ(c.At(3, 1), Argb(255, 255, 0, 0));
}

TEST(BlitImage, PalettedAlphaTakesTheSecondByte) {
    const TestImage img = TestImage::MakePaletted(
        2, 1, true, [](uint32_t, uint32_t) { return 2; },
        [](uint32_t x, uint32_t) { return x ? 255 : 100; }, kRgb, 256);
    Canvas c(2, 1, 0);
    Blit(c, At(0, 0, 2, 1), img);
    EXPECT_EQ(c.At(0, 0), Argb(100, 0, 0, 255));
    EXPECT_EQ(c.At(1, 0), Argb(255, 0, 0, 255));
}

TEST(BlitImage, PalettedWithoutPaletteLogsAndDrawsNothing) {
    TestImage img = TestImage::MakePaletted(
        2, 1, false, [](uint32_t, uint32_t) { return 0; }, [](uint32_t, uint32_t) { return 0; }, {},
        256);
    std::vector<std::string> lines;
    SetResLogSink([&](const std::string& line) { lines.push_back(line); });
    Canvas c(2, 1, 7);
    Blit(c, At(0, 0, 2, 1), img);
    SetResLogSink(nullptr);
    EXPECT_EQ(c.At(0, 0), 7u);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "256color pic without rgbquad!");
}

TEST(BlitImage, PalettedRotationAndInvert) {
    const TestImage img = TestImage::MakePaletted(
        6, 6, false, [](uint32_t, uint32_t) { return 1; }, [](uint32_t, uint32_t) { return 0; },
        kRgb, 0);
    Canvas c(20, 20, 0);
    BlitPlacement p;
    p.drawX = 10, p.drawY = 10, p.width = 6, p.height = 6, p.angle = 45.0;
    Blit(c, p, img);
    EXPECT_EQ(c.At(10, 10), Argb(255, 0, 255, 0));
    EXPECT_EQ(c.At(0, 0), 0u);
    Canvas d(20, 20, Argb(255, 255, 255, 255));
    p.flags = kBlitInvert;
    Blit(d, p, img);
    EXPECT_EQ(d.At(10, 10), Argb(255, 0, 0, 0));
    EXPECT_EQ(d.At(0, 0), Argb(255, 255, 255, 255));
}

// Independent oracle for the paletted loops: a paletted image draws exactly
// like the 32-bit image made by looking every index up (keyed index and
// indices past the palette transparent), under any placement and flags.
TEST(BlitImage, PalettedLoopsMatchTheirExpanded32BitImage) {
    std::mt19937 rng(23);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::vector<uint8_t> rgb;
    for (int i = 0; i < 5 * 3; ++i)
        rgb.push_back(uint8_t(i * 37 + 11));
    for (int iter = 0; iter < 600; ++iter) {
        const bool withAlpha = pick(0, 1) != 0;
        const uint32_t key = uint32_t(pick(0, 6));
        const TestImage pal = TestImage::MakePaletted(
            7, 6, withAlpha, [](uint32_t x, uint32_t y) { return (x * 3 + y) % 7; },
            [](uint32_t x, uint32_t y) { return (x * 50 + y * 20) % 256; }, rgb, key);
        const TestImage wide =
            TestImage::Make32(7, 6, withAlpha ? kImageAlpha | kImageKeyed : kImageKeyed,
                              [&](uint32_t x, uint32_t y, uint32_t) -> uint32_t {
                                  const uint32_t i = (x * 3 + y) % 7;
                                  if (i == key || i >= 5) return 0;
                                  const uint32_t a = withAlpha ? (x * 50 + y * 20) % 256 : 255;
                                  return a << 24 | uint32_t(rgb[i * 3]) << 16 |
                                         uint32_t(rgb[i * 3 + 1]) << 8 | rgb[i * 3 + 2];
                              });
        BlitPlacement p;
        p.drawX = pick(-5, 25), p.drawY = pick(-5, 25);
        p.width = pick(1, 20), p.height = pick(1, 20);
        p.angle = pick(0, 2) == 0 ? 0.0 : pick(-400, 400) / 2.0;
        p.flags = uint32_t(pick(0, 1)) * kBlitSmooth | uint32_t(pick(0, 1)) * kBlitOverOpaque |
                  uint32_t(pick(0, 4) == 0) * kBlitInvert;
        const double opacity = pick(1, 11) / 10.0;
        const uint32_t blend = pick(0, 2) ? kNoBlendColor : 0x204060;
        Canvas a(24, 24, 0), b(24, 24, 0);
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; x += 2)
                a.Set(x, y, 0xFF336699), b.Set(x, y, 0xFF336699);
        BlitPlacement q = p;
        BlitImage(a.Surface(), p, pal.source, 0, 0, 7, 6, opacity, blend);
        BlitImage(b.Surface(), q, wide.source, 0, 0, 7, 6, opacity, blend);
        ASSERT_EQ(a.bytes, b.bytes) << "iteration " << iter;
    }
}

// ---- The ImageRecord entry --------------------------------------------------

TEST(BlitImage, ImageRecordOverloadReadsTheRecord) {
    ImageRecord rec;
    rec.width = 2, rec.height = 1, rec.frameCount = 1, rec.flags = 0;
    rec.pixels = {1, 2, 3, 255, 4, 5, 6, 255};
    Canvas c(2, 1, 0);
    BlitPlacement p = At(0, 0, 2, 1);
    BlitImage(c.Surface(), p, rec, 0, 0, 2, 1, 1.0, kNoBlendColor);
    EXPECT_EQ(c.At(1, 0), Argb(255, 6, 5, 4));
}

// ---- Property: nothing outside the clip rectangle ever changes --------------

TEST(BlitImage, RandomCallsNeverTouchPixelsOutsideTheClip) {
    std::mt19937 rng(7);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const TestImage images[] = {Coords(7, 5), Coords(7, 5, kImageKeyed),
                                Coords(6, 4, kImageAlpha, 3),
                                TestImage::MakePaletted(
                                    5, 5, true, [](uint32_t x, uint32_t) { return x; },
                                    [](uint32_t, uint32_t y) { return y * 60; }, kRgb, 0),
                                TestImage::MakePaletted(
                                    5, 3, false, [](uint32_t x, uint32_t) { return x % 3; },
                                    [](uint32_t, uint32_t) { return 0; }, kRgb, 2)};
    for (int iter = 0; iter < 3000; ++iter) {
        const TestImage& img = images[pick(0, 4)];
        Canvas c(pick(1, 24), pick(1, 24), 0x5A5A5A5A);
        BlitPlacement p;
        p.drawX = pick(-40, 60), p.drawY = pick(-40, 60);
        p.width = pick(-2, 40), p.height = pick(-2, 40);
        p.angle = pick(0, 3) == 0 ? 0.0 : pick(-720, 720) / 3.0;
        p.flags = uint32_t(pick(0, 1)) * kBlitClip | uint32_t(pick(0, 1)) * kBlitSmooth |
                  uint32_t(pick(0, 1)) * kBlitOverOpaque | uint32_t(pick(0, 5) == 0) * kBlitInvert;
        p.clip = {pick(-5, 20), pick(-5, 20), pick(-5, 30), pick(-5, 30)};
        const double opacity = pick(-1, 12) / 10.0;
        const uint32_t blend = pick(0, 1) ? kNoBlendColor : 0x123456;
        BlitImage(c.Surface(), p, img.source, pick(-1, 6), pick(-1, 12), pick(-1, 9), pick(-1, 9),
                  opacity, blend);
        const BlitRect clip = GetClipRect(c.Surface(), p);
        for (int32_t y = 0; y < c.height; ++y)
            for (int32_t x = 0; x < c.width; ++x) {
                const bool in =
                    x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
                if (!in) {
                    ASSERT_EQ(c.At(x, y), 0x5A5A5A5Au) << "iteration " << iter;
                }
            }
    }
}

// ---- Helpers ----------------------------------------------------------------

TEST(GetClipRect, CutsToTheSurface) {
    Canvas c(10, 8);
    BlitPlacement p;
    EXPECT_EQ(GetClipRect(c.Surface(), p), (BlitRect{0, 0, 10, 8}));
    p.flags = kBlitClip;
    p.clip = {-3, 2, 5, 50};
    EXPECT_EQ(GetClipRect(c.Surface(), p), (BlitRect{0, 2, 5, 8}));
    p.clip = {12, 0, 20, 5};
    EXPECT_TRUE(GetClipRect(c.Surface(), p).IsEmpty());
}

TEST(BlitRadius, MatchesTheBoundingCircle) {
    EXPECT_EQ(BlitRadius(0, 5), 0);
    EXPECT_EQ(BlitRadius(10, 2), 5);  // sqrt(26) + 0.5
    EXPECT_EQ(BlitRadius(4, 4), 3);   // sqrt(8) + 0.5
    EXPECT_EQ(BlitRadius(1, 1), 1);
}

TEST(BlitDirtyRects, CopiesOnlyTheRectanglesCutToBothSurfaces) {
    Canvas src(6, 4, 0xAAAAAAAA), dst(6, 4, 0);
    const BlitRect rects[] = {{1, 1, 3, 2}, {4, 2, 99, 99}, {-5, -5, 0, 0}};
    BlitDirtyRects(dst.Surface(), src.Surface(), rects);
    EXPECT_EQ(dst.At(1, 1), 0xAAAAAAAAu);
    EXPECT_EQ(dst.At(2, 1), 0xAAAAAAAAu);
    EXPECT_EQ(dst.At(3, 1), 0u);
    EXPECT_EQ(dst.At(5, 3), 0xAAAAAAAAu);
    EXPECT_EQ(dst.At(0, 0), 0u);
}

TEST(DrawPointList, DrawsInsideTheAreaMixedByAlphaAndOpacity) {
    Canvas c(4, 4, Argb(255, 0, 0, 0));
    const PoolPoint points[] = {
        {10, 10, 200, 100, 50, 255},   // opaque
        {11, 10, 200, 0, 0, 128},      // mixed by its alpha
        {12, 10, 255, 255, 255, 255},  // outside the area
        {9, 9, 255, 255, 255, 255},    // outside the surface
    };
    DrawPointList(c.Surface(), 10, 10, 0, 0, 12, 12, points, 1.0);
    EXPECT_EQ(c.At(0, 0), Argb(255, 50, 100, 200));
    EXPECT_EQ(c.At(1, 0), Argb(255, 0, 0, (200 * 128) >> 8));
    EXPECT_EQ(c.At(2, 0), Argb(255, 0, 0, 0));
    Canvas d(4, 4, Argb(255, 0, 0, 0));
    DrawPointList(d.Surface(), 10, 10, 0, 0, 12, 12, points, 0.5);
    const int e = (255 * 127) >> 8;
    EXPECT_EQ(d.At(0, 0), Argb(255, (50 * e) >> 8, (100 * e) >> 8, (200 * e) >> 8));
}

}  // namespace
}  // namespace engine
