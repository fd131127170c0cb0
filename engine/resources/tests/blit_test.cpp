#include "engine/resources/blit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "pictures/image_record.h"
#include "pictures/tests/log_capture.h"
#include "platform/bytes.h"

namespace engine {
namespace {

uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}

// A surface of 0xAARRGGBB words (B, G, R, A in memory).
struct Canvas {
    int32_t width, height;
    std::vector<uint8_t> bytes;
    Canvas(int32_t w, int32_t h, uint32_t fill = 0)
        : width(w), height(h), bytes(size_t(w) * h * 4) {
        for (size_t i = 0; i < bytes.size(); i += 4)
            platform::StoreLE32(&bytes[i], fill);
    }
    uint8_t* Px(int32_t x, int32_t y) { return &bytes[(size_t(y) * width + x) * 4]; }
    uint32_t At(int32_t x, int32_t y) { return platform::LoadLE32(Px(x, y)); }
    BlitSurface Surface() { return {bytes.data(), width, height}; }
};

// An image whose frames are stacked. 32-bit: pixel(x, y, frame); paletted:
// the index in the low byte of pixel(x, y, 0) and, with alpha, the alpha above it.
using PixelFn = std::function<uint32_t(uint32_t, uint32_t, uint32_t)>;
struct TestImage {
    std::vector<uint8_t> bytes, palette;
    BlitSource info;
    BlitSource source() const {
        BlitSource s = info;
        s.pixels = bytes.data(), s.byteSize = bytes.size();
        s.palette = palette.empty() ? nullptr : palette.data();
        return s;
    }
};
TestImage Make32(uint32_t w, uint32_t h, uint32_t flags, const PixelFn& pixel,
                 uint32_t frames = 1) {
    TestImage img{{}, {}, {nullptr, 0, w, h, frames, flags}};
    for (uint32_t y = 0; y < h * frames; ++y)
        for (uint32_t x = 0; x < w; ++x)
            platform::StoreLE32(&*img.bytes.insert(img.bytes.end(), 4, 0), pixel(x, y % h, y / h));
    return img;
}
TestImage Paletted(uint32_t w, uint32_t h, bool withAlpha, const PixelFn& pixel,
                   std::vector<uint8_t> rgb, uint32_t key) {
    const uint32_t flags = 4 | 1 | (withAlpha ? 8u : 0u), colours = uint32_t(rgb.size() / 3);
    TestImage img{{}, rgb, {nullptr, 0, w, h, 1, flags, key, nullptr, colours}};
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t v = pixel(x, y, 0);
            img.bytes.push_back(uint8_t(v));
            if (withAlpha) img.bytes.push_back(uint8_t(v >> 8));
        }
    return img;
}

// An unrotated placement of size w x h whose top-left corner lands on (x, y).
BlitPlacement At(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t flags = 0) {
    BlitPlacement p;
    p.drawX = x + (w + 1) / 2, p.drawY = y + (h + 1) / 2, p.width = w, p.height = h;
    p.flags = flags;
    return p;
}

constexpr uint32_t kBlack = 0xFF000000;
const std::vector<uint8_t> kRgb = {255, 0, 0, 0, 255, 0, 0, 0, 255};  // red, green, blue

// A 32-bit image whose pixels spell their own coordinates (and frame).
TestImage Coords(uint32_t w, uint32_t h, uint32_t flags = 0, uint32_t frames = 1) {
    return Make32(
        w, h, flags, [](uint32_t x, uint32_t y, uint32_t f) { return Argb(255, f * 40, y, x); },
        frames);
}

void Blit(Canvas& c, BlitPlacement p, const TestImage& img, double opacity = 1.0,
          uint32_t blend = kNoBlendColor) {
    BlitImage(c.Surface(), p, img.source(), 0, 0, int32_t(img.info.width), int32_t(img.info.height),
              opacity, blend);
}

// A centred placement of w x h at (x, y), turned by `angle`.
BlitPlacement Turned(int32_t x, int32_t y, int32_t w, int32_t h, double angle, uint32_t flags = 0) {
    BlitPlacement p;
    p.drawX = x, p.drawY = y, p.width = w, p.height = h, p.angle = angle, p.flags = flags;
    return p;
}

TEST(BlitImage, AnUnrotatedCopyFillsExactlyTheVisiblePartOfTheClip) {
    // The image's top-left corner and the clip (none when empty).
    const int32_t cases[][6] = {
        {1, 1, 0, 0, 0, 0}, {-3, 1, 0, 0, 0, 0},    {2, -2, 0, 0, 0, 0},       {6, 1, 0, 0, 0, 0},
        {1, 4, 0, 0, 0, 0}, {-4, -3, 0, 0, 0, 0},   {8, 0, 0, 0, 0, 0},        {-5, 0, 0, 0, 0, 0},
        {0, 0, 2, 1, 4, 3}, {3, 2, 20, 20, 30, 30}, {3, 2, -10, -10, 100, 100}};
    const TestImage img = Coords(5, 4);
    for (const auto& pc : cases) {
        Canvas c(8, 6, 0x11223344);
        BlitPlacement p = At(pc[0], pc[1], 5, 4, pc[4] ? kBlitClip : 0);
        p.clip = {pc[2], pc[3], pc[4], pc[5]};
        Blit(c, p, img);
        const BlitRect clip = pc[4] ? p.clip : BlitRect{0, 0, 8, 6};
        for (int32_t y = 0; y < 6; ++y)
            for (int32_t x = 0; x < 8; ++x) {
                const int32_t ix = x - pc[0], iy = y - pc[1];
                const bool inside = ix >= 0 && iy >= 0 && ix < 5 && iy < 4 && x >= clip.left &&
                                    x < clip.right && y >= clip.top && y < clip.bottom;
                ASSERT_EQ(c.At(x, y),
                          inside ? Argb(255, 0, uint32_t(iy), uint32_t(ix)) : 0x11223344u)
                    << pc[0] << "," << pc[1] << " at " << x << "," << y;
            }
    }
}

TEST(BlitImage, NothingIsDrawnForDegenerateCalls) {
    const TestImage img = Coords(4, 4);
    // Draw width or height not positive, source width or height not
    // positive, the source beyond the image or before it, no opacity.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        int32_t sx, sy, sw, sh, dw, dh;
        double opacity;
    } cases[] = {{0, 0, 4, 4, 0, 4, 1.0},  {0, 0, 4, 4, 4, -3, 1.0}, {0, 0, 0, 4, 4, 4, 1.0},
                 {0, 0, 4, -1, 4, 4, 1.0}, {4, 0, 4, 4, 4, 4, 1.0},  {-1, 0, 4, 4, 4, 4, 1.0},
                 {0, 0, 4, 4, 4, 4, 0.0},  {0, 0, 4, 4, 4, 4, -2.5}, {0, 0, 4, 4, 4, 4, nan}};
    for (const auto& k : cases) {
        Canvas c(6, 6, 0x12345678);
        BlitPlacement p = At(1, 1, k.dw, k.dh);
        BlitImage(c.Surface(), p, img.source(), k.sx, k.sy, k.sw, k.sh, k.opacity, kNoBlendColor);
        EXPECT_EQ(c.bytes, Canvas(6, 6, 0x12345678).bytes) << &k - cases;
    }
    // Surfaces of no width or height over a live buffer are left alone.
    Canvas live(2, 2, 0x12345678);
    for (auto [w, h] : {std::pair{0, 2}, {2, 0}, {0, 0}}) {
        BlitPlacement p = At(0, 0, 2, 2);
        BlitImage(BlitSurface{live.bytes.data(), w, h}, p, img.source(), 0, 0, 2, 2, 1.0,
                  kNoBlendColor);
        EXPECT_EQ(live.bytes, Canvas(2, 2, 0x12345678).bytes) << w << "x" << h;
    }
    testing::LogCapture log;
    Blit(live, At(0, 0, 2, 1),
         Paletted(
             2, 1, false, [](auto...) { return 0u; }, {}, 256));
    EXPECT_EQ(live.bytes, Canvas(2, 2, 0x12345678).bytes);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"256color pic without rgbquad!"});
}

// One pixel drawn over one: the mixing rules, with opacity weights of
// 127 (0.5) and 63 (alpha 128 at opacity 0.5).
TEST(BlitImage, MixingRulesByTable) {
    constexpr uint32_t kNo = kNoBlendColor, kKeyed = kImageKeyed, kAlpha = kImageAlpha;
    const struct {
        uint32_t flags, pixel, dst;
        double opacity;
        uint32_t blend, placement, want;
    } cases[] = {
        {0, Argb(255, 1, 2, 3), kBlack, 7.5, kNo, 0, Argb(255, 1, 2, 3)},  // above 1 counts as 1
        {kKeyed, 0x00FF00FF, Argb(255, 1, 2, 3), 1.0, kNo, 0, Argb(255, 1, 2, 3)},
        {kKeyed, Argb(255, 10, 20, 30), Argb(255, 1, 2, 3), 1.0, kNo, 0, Argb(255, 10, 20, 30)},
        {0, Argb(255, 200, 100, 50), kBlack, 0.5, kNo, 0, Argb(255, 99, 49, 24)},
        // A blend colour takes the destination's place.
        {kKeyed, Argb(255, 200, 0, 0), Argb(255, 7, 7, 7), 0.5, 0xFF0000, 0, Argb(255, 99, 0, 127)},
        {kAlpha, Argb(100, 10, 20, 30), 0, 1.0, kNo, 0, Argb(100, 10, 20, 30)},  // onto clear
        {kAlpha, Argb(0, 10, 20, 30), 0, 1.0, kNo, 0, 0},
        // Mixed, keeping the larger alpha.
        {kAlpha, Argb(128, 255, 0, 0), Argb(200, 0, 0, 255), 1.0, kNo, 0, Argb(200, 127, 0, 126)},
        {kAlpha, Argb(128, 255, 0, 0), Argb(40, 0, 0, 0), 0.5, kNo, 0, Argb(63, 62, 0, 0)},
        {kAlpha, Argb(255, 255, 128, 1), kBlack, 1.0, kNo, 0, Argb(255, 255, 128, 1)},
        {kAlpha, Argb(128, 255, 255, 255), 0, 1.0, kNo, kBlitOverOpaque, 0},
        {kAlpha, Argb(128, 255, 255, 255), kBlack, 1.0, kNo, kBlitOverOpaque,
         Argb(255, 127, 127, 127)},
        {kAlpha, Argb(128, 0, 0, 0), 0, 1.0, 0x0000FF, 0, Argb(255, 126, 0, 0)},
        // The highlight inverts under present pixels and makes them opaque.
        {kKeyed, Argb(255, 1, 2, 3), Argb(10, 100, 50, 0), 1.0, kNo, kBlitInvert,
         Argb(255, 155, 205, 255)},
        {kKeyed, 0, Argb(10, 100, 50, 0), 1.0, kNo, kBlitInvert, Argb(10, 100, 50, 0)},
    };
    for (const auto& c : cases) {
        Canvas canvas(1, 1, c.dst);
        Blit(canvas, At(0, 0, 1, 1, c.placement),
             Make32(1, 1, c.flags, [&](uint32_t, uint32_t, uint32_t) { return c.pixel; }),
             c.opacity, c.blend);
        EXPECT_EQ(canvas.At(0, 0), c.want) << &c - cases;
    }
    // An unkeyed, opaque, unscaled paletted image is looked up pixel by
    // pixel, not copied as whole rows of one-byte indices.
    TestImage pal = Paletted(
        4, 2, false, [](uint32_t x, auto...) { return x % 3; }, kRgb, 256);
    pal.info.flags &= ~uint32_t(kImageKeyed);
    Canvas c(4, 2, 0);
    Blit(c, At(0, 0, 4, 2), pal);
    EXPECT_EQ(c.At(1, 1), Argb(255, 0, 255, 0));
    EXPECT_EQ(c.At(3, 0), Argb(255, 255, 0, 0));
}

TEST(BlitImage, FramesOfTheStripAndTheImageRecordEntry) {
    const TestImage img = Coords(3, 2, 0, 3);
    Canvas c(3, 2, 0);
    BlitPlacement p = At(0, 0, 3, 2);
    BlitImage(c.Surface(), p, img.source(), 0, 4, 3, 2, 1.0, kNoBlendColor);
    EXPECT_EQ(c.At(2, 1), Argb(255, 80, 1, 2));
    ImageRecord rec;
    rec.width = 2, rec.height = 1, rec.frameCount = 1, rec.flags = 0;
    rec.pixels = {1, 2, 3, 255, 4, 5, 6, 255};
    BlitPlacement q = At(0, 0, 2, 1);
    BlitImage(c.Surface(), q, rec, 0, 0, 2, 1, 1.0, kNoBlendColor);
    EXPECT_EQ(c.At(1, 0), Argb(255, 6, 5, 4));
}

// Independent reference: the nearest source column is floor(i * srcW / dstW);
// the 10-bit step may take the column before it, never another.
TEST(BlitImage, ScaledDrawsFollowScaleImage32WhichStaysWithinAColumnOfExactNearest) {
    const TestImage img = Coords(37, 19, kImageKeyed);
    for (auto [dw, dh] : {std::pair{100u, 3u}, {11u, 50u}, {640u, 480u}, {37u, 19u}, {74u, 38u}}) {
        const auto out = ScaleImage32(img.bytes.data(), 37, 19, 0, 0, 37, 19, dw, dh);
        ASSERT_EQ(out.size(), size_t(dw) * dh * 4);
        for (uint32_t j = 0; j < dh; ++j)
            for (uint32_t i = 0; i < dw; ++i) {
                const uint32_t p = platform::LoadLE32(&out[(size_t(j) * dw + i) * 4]);
                const int64_t ec = int64_t(i) * 37 / dw, er = int64_t(j) * 19 / dh;
                ASSERT_LE(uint64_t(ec - (p & 0xFF)), 1u) << dw << "x" << dh;
                ASSERT_LE(uint64_t(er - ((p >> 8) & 0xFF)), 1u) << dw << "x" << dh;
            }
        Canvas c(int32_t(dw), int32_t(dh), 0);
        Blit(c, At(0, 0, int32_t(dw), int32_t(dh)), img);
        EXPECT_EQ(c.bytes, out) << dw << "x" << dh;
    }
    EXPECT_TRUE(ScaleImage32(img.bytes.data(), 4, 4, 0, 0, 4, 4, 0, 3).empty());
    EXPECT_TRUE(ScaleImage32(img.bytes.data(), 4, 4, 2, 0, 3, 4, 3, 3).empty());
    EXPECT_TRUE(ScaleImage32(nullptr, 4, 4, 0, 0, 4, 4, 3, 3).empty());
    const auto same = ScaleImage32(img.bytes.data(), 37, 19, 1, 1, 2, 2, 2, 2);
    ASSERT_EQ(same.size(), 16u);
    EXPECT_EQ(platform::LoadLE32(&same[12]), Argb(255, 0, 2, 2));
    const std::vector<uint8_t> pairs = {1, 10, 2, 20, 3, 30, 4, 40};  // 2 x 2 index-alpha pairs
    const auto out = ScalePaletted(pairs.data(), 2, 2, 0, 0, 2, 2, 4, 4, kImageAlpha);
    ASSERT_EQ(out.size(), 32u);
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 2), (std::vector<uint8_t>{1, 10}));
    EXPECT_EQ(std::vector<uint8_t>(out.end() - 2, out.end()), (std::vector<uint8_t>{4, 40}));
}

// The straightforward reference: each destination pixel turned back by the
// angle in floating point. Every drawn pixel comes from a source pixel within
// 1.5 pixels of the exact turned position on each axis (fixed point
// truncation and the shifts round differently), and the number of pixels
// drawn is within 8% of the exact footprint.
TEST(BlitImage, RotationsAgreeWithFloatingPointReferences) {
    const uint32_t w = 21, h = 13;
    for (double angle : {15.0, 30.0, 45.0, 90.0, 135.0, 180.0, 200.0, 270.0, -33.0, 359.0}) {
        Canvas c(64, 64, 0);
        Blit(c, Turned(32, 32, int32_t(w), int32_t(h), angle), Coords(w, h));
        const double rad = angle * 3.14159 / 180.0;
        int64_t drawn = 0, exact = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const double dx = x - 32, dy = y - 32;
                const double sx = dx * std::cos(rad) - dy * std::sin(rad) + double((w + 1) / 2);
                const double sy = dx * std::sin(rad) + dy * std::cos(rad) + double((h + 1) / 2);
                exact += sx >= 0 && sy >= 0 && sx < w && sy < h;
                const uint32_t px = c.At(x, y);
                if (!px) continue;
                ++drawn;
                ASSERT_LE(std::abs((px & 0xFF) + 0.5 - sx), 1.5)
                    << angle << " at " << x << "," << y;
                ASSERT_LE(std::abs(((px >> 8) & 0xFF) + 0.5 - sy), 1.5) << angle;
            }
        EXPECT_LE(std::abs(drawn - exact) * 100, exact * 8) << angle;
    }
    // Bilinear reference: inner samples of a smoothly turned gradient agree
    // within 3 per channel.
    Canvas g(64, 64, kBlack);
    Blit(g, Turned(32, 32, 32, 32, 20.0, kBlitSmooth),
         Make32(32, 32, kImageAlpha,
                [](uint32_t x, uint32_t y, uint32_t) { return Argb(255, x * 8, y * 8, 0); }));
    const double turn = 20.0 * 3.14159 / 180.0;
    int checked = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const double dx = x - 32, dy = y - 32;
            const double sx = dx * std::cos(turn) - dy * std::sin(turn) + 16.5;
            const double sy = dx * std::sin(turn) + dy * std::cos(turn) + 16.5;
            if (sx < 2 || sy < 2 || sx > 29 || sy > 29) continue;
            ++checked;
            EXPECT_NEAR(double((g.At(x, y) >> 16) & 0xFF), 8 * sx, 3.0) << x << "," << y;
            EXPECT_NEAR(double((g.At(x, y) >> 8) & 0xFF), 8 * sy, 3.0) << x << "," << y;
        }
    EXPECT_GT(checked, 400);
    // Half a degree: the plain image is copied unturned, which never needs
    // the radius; the alpha image turns and stores it.
    BlitPlacement plain = Turned(5, 5, 4, 4, 0.5), alpha = plain;
    BlitImage(g.Surface(), plain, Coords(4, 4).source(), 0, 0, 4, 4, 1.0, kNoBlendColor);
    BlitImage(g.Surface(), alpha, Coords(4, 4, kImageAlpha).source(), 0, 0, 4, 4, 1.0,
              kNoBlendColor);
    EXPECT_EQ(plain.radius, 0);
    EXPECT_EQ(alpha.radius, BlitRadius(4, 4));
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
    auto index = [](uint32_t x, uint32_t y) { return (x * 3 + y) % 7; };
    auto alpha = [](uint32_t x, uint32_t y) { return (x * 50 + y * 20) % 256; };
    auto both = [&](uint32_t x, uint32_t y, uint32_t) { return index(x, y) | alpha(x, y) << 8; };
    for (int iter = 0; iter < 600; ++iter) {
        const bool withAlpha = pick(0, 1) != 0;
        const uint32_t key = uint32_t(pick(0, 6));
        const TestImage pal = Paletted(7, 6, withAlpha, both, rgb, key);
        const TestImage wide = Make32(7, 6, withAlpha ? kImageAlpha | kImageKeyed : kImageKeyed,
                                      [&](uint32_t x, uint32_t y, uint32_t) -> uint32_t {
                                          const uint32_t i = index(x, y);
                                          if (i == key || i >= 5) return 0;
                                          return Argb(withAlpha ? alpha(x, y) : 255, rgb[i * 3],
                                                      rgb[i * 3 + 1], rgb[i * 3 + 2]);
                                      });
        BlitPlacement p =
            Turned(pick(-5, 25), pick(-5, 25), pick(1, 20), pick(1, 20),
                   pick(0, 2) == 0 ? 0.0 : pick(-400, 400) / 2.0,
                   uint32_t(pick(0, 1)) * kBlitSmooth | uint32_t(pick(0, 1)) * kBlitOverOpaque |
                       uint32_t(pick(0, 4) == 0) * kBlitInvert);
        const double opacity = pick(1, 11) / 10.0;
        const uint32_t blend = pick(0, 2) ? kNoBlendColor : 0x204060;
        Canvas a(24, 24, 0), b(24, 24, 0);
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; x += 2)
                platform::StoreLE32(a.Px(x, y), 0xFF336699),
                    platform::StoreLE32(b.Px(x, y), 0xFF336699);
        Blit(a, p, pal, opacity, blend);
        Blit(b, p, wide, opacity, blend);
        ASSERT_EQ(a.bytes, b.bytes) << "iteration " << iter;
    }
}

// Property: nothing outside the clip rectangle ever changes.
TEST(BlitImage, RandomCallsNeverTouchPixelsOutsideTheClip) {
    std::mt19937 rng(7);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const TestImage images[] = {
        Coords(7, 5), Coords(7, 5, kImageKeyed), Coords(6, 4, kImageAlpha, 3),
        Paletted(
            5, 5, true, [](uint32_t x, uint32_t y, uint32_t) { return x | y * 60 << 8; }, kRgb, 0),
        Paletted(
            5, 3, false, [](uint32_t x, auto...) { return x % 3; }, kRgb, 2)};
    for (int iter = 0; iter < 3000; ++iter) {
        const TestImage& img = images[pick(0, 4)];
        Canvas c(pick(1, 24), pick(1, 24), 0x5A5A5A5A);
        BlitPlacement p = Turned(
            pick(-40, 60), pick(-40, 60), pick(-2, 40), pick(-2, 40),
            pick(0, 3) == 0 ? 0.0 : pick(-720, 720) / 3.0,
            uint32_t(pick(0, 1)) * kBlitClip | uint32_t(pick(0, 1)) * kBlitSmooth |
                uint32_t(pick(0, 1)) * kBlitOverOpaque | uint32_t(pick(0, 5) == 0) * kBlitInvert);
        p.clip = {pick(-5, 20), pick(-5, 20), pick(-5, 30), pick(-5, 30)};
        const double opacity = pick(-1, 12) / 10.0;
        const uint32_t blend = pick(0, 1) ? kNoBlendColor : 0x123456;
        BlitImage(c.Surface(), p, img.source(), pick(-1, 6), pick(-1, 12), pick(-1, 9), pick(-1, 9),
                  opacity, blend);
        const BlitRect clip = GetClipRect(c.Surface(), p);
        for (int32_t y = 0; y < c.height; ++y)
            for (int32_t x = 0; x < c.width; ++x)
                ASSERT_TRUE(c.At(x, y) == 0x5A5A5A5Au ||
                            (x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom))
                    << "iteration " << iter << " at " << x << "," << y;
    }
}

TEST(BlitHelpers, ClipRadiusDirtyCopyAndPointList) {
    Canvas c(10, 8);
    BlitPlacement p;
    EXPECT_EQ(GetClipRect(c.Surface(), p), (BlitRect{0, 0, 10, 8}));
    p.flags = kBlitClip;
    p.clip = {-3, 2, 5, 50};
    EXPECT_EQ(GetClipRect(c.Surface(), p), (BlitRect{0, 2, 5, 8}));
    p.clip = {12, 0, 20, 5};
    EXPECT_TRUE(GetClipRect(c.Surface(), p).IsEmpty());
    // sqrt(((w+1)/2)^2 + ((h+1)/2)^2) + 0.5, truncated
    for (auto [w, h, r] : {std::tuple{0, 5, 0}, {10, 2, 5}, {4, 4, 3}, {1, 1, 1}})
        EXPECT_EQ(BlitRadius(w, h), r) << w << "x" << h;
    Canvas src(6, 4, 0xAAAAAAAA), dst(6, 4, 0);
    const BlitRect rects[] = {{1, 1, 3, 2}, {4, 2, 99, 99}, {-5, -5, 0, 0}};
    BlitDirtyRects(dst.Surface(), src.Surface(), rects);
    for (auto [x, y, copied] :
         {std::tuple{1, 1, true}, {2, 1, true}, {3, 1, false}, {5, 3, true}, {0, 0, false}})
        EXPECT_EQ(dst.At(x, y), copied ? 0xAAAAAAAAu : 0u) << x << "," << y;
    const PoolPoint points[] = {
        {10, 10, 200, 100, 50, 255},   // opaque
        {11, 10, 200, 0, 0, 128},      // mixed by its alpha
        {12, 10, 255, 255, 255, 255},  // outside the area
        {9, 9, 255, 255, 255, 255},    // outside the surface
    };
    Canvas full(4, 4, kBlack), half(4, 4, kBlack);
    DrawPointList(full.Surface(), 10, 10, 0, 0, 12, 12, points, 1.0);
    EXPECT_EQ(full.At(0, 0), Argb(255, 50, 100, 200));
    EXPECT_EQ(full.At(1, 0), Argb(255, 0, 0, (200 * 128) >> 8));
    EXPECT_EQ(full.At(2, 0), kBlack);
    DrawPointList(half.Surface(), 10, 10, 0, 0, 12, 12, points, 0.5);
    const int e = (255 * 127) >> 8;
    EXPECT_EQ(half.At(0, 0), Argb(255, (50 * e) >> 8, (100 * e) >> 8, (200 * e) >> 8));
}

}  // namespace
}  // namespace engine
