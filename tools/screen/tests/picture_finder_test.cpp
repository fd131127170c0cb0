#include "tools/screen/picture_finder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace screen {
namespace {

constexpr uint32_t kKey = 0xFFFF00FF;

// A busy background, the same on every run.
Surface Noise(int width, int height, uint32_t seed) {
    Surface s(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            s.Set(x, y, 0xFF000000u | (seed >> 8 & 0xFFFFFF));
        }
    return s;
}

// A button-like picture: a frame, two blocks of colour and a mark, with
// key-coloured corners.
Surface Button() {
    Surface p(24, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x) {
            uint32_t c = x < 12 ? 0xFF2050C0 : 0xFFE0A020;
            if (x == 0 || y == 0 || x == 23 || y == 15) c = 0xFF101010;
            if (y >= 6 && y <= 9 && x >= 9 && x <= 14) c = 0xFFF0F0F0;
            if ((x < 3 || x > 20) && (y < 3 || y > 12)) c = kKey;
            p.Set(x, y, c);
        }
    return p;
}

void Paste(Surface& screen, const Surface& picture, int left, int top) {
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            if (picture.At(x, y) != kKey) screen.Set(left + x, top + y, picture.At(x, y));
}

// The picture with every colour channel moved by `by` (within 0-255).
Surface Tinted(const Surface& picture, int by) {
    Surface out = picture;
    for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x)
            for (int shift = 0; shift < 24 && out.At(x, y) != kKey; shift += 8) {
                const int c = std::clamp(int(out.At(x, y) >> shift & 0xFF) + by, 0, 255);
                out.Set(x, y, (out.At(x, y) & ~(0xFFu << shift)) | uint32_t(c) << shift);
            }
    return out;
}

TEST(PictureFinderTest, FindsAPictureAsDrawnAndNothingWhereItIsNot) {
    const Surface button = Button();
    FindOptions keyed;
    keyed.key = kKey;
    FindOptions larger = keyed;
    larger.scales = {1.0, 1.1};
    // A button lit or dimmed by its state: a coarser look at the colours.
    FindOptions lit = larger;
    lit.tolerance = 60;
    struct Case {
        const char* what;
        std::function<void(Surface&)> draw;
        FindOptions options;
        std::vector<RECT> found;
    };
    const Case cases[] = {
        {"its key shows the background",
         [&](Surface& s) { Paste(s, button, 200, 10); },
         keyed,
         {{200, 10, 224, 26}}},
        {"the key compared when not named", [&](Surface& s) { Paste(s, button, 200, 10); }, {}, {}},
        {"a tenth larger",
         [&](Surface& s) { Paste(s, Scaled(button, 1.1), 100, 80); },
         larger,
         {{100, 80, 126, 98}}},
        {"a tenth larger and lit",
         [&](Surface& s) { Paste(s, Tinted(Scaled(button, 1.1), 45), 100, 80); },
         lit,
         {{100, 80, 126, 98}}},
        {"colours a little off",
         [&](Surface& s) { Paste(s, Tinted(button, -12), 5, 5); },
         keyed,
         {{5, 5, 29, 21}}},
        {"lit, to a fine look", [&](Surface& s) { Paste(s, Tinted(button, 45), 5, 5); }, keyed, {}},
        {"a few pixels covered",
         [&](Surface& s) {
             Paste(s, button, 150, 120);
             for (int i = 0; i < 9; ++i)
                 s.Set(150 + 3 + i * 2, 120 + 1 + i, 0xFF00FF00);
         },
         keyed,
         {{150, 120, 174, 136}}},
        {"much of it covered",
         [&](Surface& s) {
             Paste(s, button, 150, 120);
             for (int y = 0; y < 6; ++y)
                 for (int x = 3; x < 21; ++x)
                     s.Set(150 + x, 120 + y, 0xFF00FF00);
         },
         keyed,
         {}},
        {"not there", [](Surface&) {}, keyed, {}},
        {"twice, a pair of tiles",
         [&](Surface& s) {
             Paste(s, button, 60, 150);
             Paste(s, button, 84, 150);
         },
         keyed,
         {{60, 150, 84, 166}, {84, 150, 108, 166}}},
    };
    for (const Case& c : cases) {
        Surface screen = Noise(300, 200, 7);
        c.draw(screen);
        std::vector<RECT> got;
        for (const Found& f : FindPictures(screen, button, c.options))
            got.push_back(f.rect);
        std::sort(got.begin(), got.end(),
                  [](const RECT& a, const RECT& b) { return a.left < b.left; });
        EXPECT_EQ(got, c.found) << c.what;
    }
    // Only the area asked for is searched.
    Surface screen = Noise(300, 200, 9);
    Paste(screen, button, 37, 51);
    FindOptions elsewhere = keyed;
    elsewhere.area = {100, 0, 300, 200};
    EXPECT_FALSE(FindPicture(screen, button, elsewhere));
    elsewhere.area = {30, 50, 70, 70};
    ASSERT_TRUE(FindPicture(screen, button, elsewhere));
    EXPECT_EQ(FindPicture(screen, button, elsewhere)->Centre(), (POINT{49, 59}));
}

}  // namespace
}  // namespace screen
