#include "platform/gui/region.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace platform {
namespace {

// Independent oracle: the region's pixel set by brute force.
std::vector<POINT> Pixels(const Region& region, const RECT& area) {
    std::vector<POINT> out;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            if (region.Contains({x, y})) out.push_back({x, y});
        }
    }
    return out;
}

TEST(RegionTest, RectanglesCombineLikeSetsOfPixels) {
    const RECT a{0, 0, 10, 10}, b{5, 5, 15, 15};
    struct Case {
        RegionCombine mode;
        long long area;
    } cases[] = {{RGN_OR, 175}, {RGN_AND, 25}, {RGN_DIFF, 75}, {RGN_XOR, 150}, {RGN_COPY, 100}};
    for (const Case& c : cases) {
        Region r(a);
        r.Combine(Region(b), c.mode);
        EXPECT_EQ(r.Area(), c.area) << c.mode;
        EXPECT_EQ(long(Pixels(r, {-1, -1, 16, 16}).size()), c.area) << c.mode;
        for (size_t i = 0; i < r.Rects().size(); ++i) {
            for (size_t j = i + 1; j < r.Rects().size(); ++j) {
                EXPECT_TRUE(IsRectEmpty(IntersectRect(r.Rects()[i], r.Rects()[j])));
            }
        }
    }
}

TEST(RegionTest, BoundsContainsAndOffset) {
    Region r(RECT{2, 3, 4, 5});
    r.Union(RECT{10, 10, 12, 11});
    EXPECT_EQ(r.Bounds(), (RECT{2, 3, 12, 11}));
    EXPECT_TRUE(r.Contains({3, 4}));
    EXPECT_FALSE(r.Contains({4, 4}));  // right edge is outside
    EXPECT_FALSE(r.Contains({6, 6}));
    r.Offset(-2, -3);
    EXPECT_TRUE(r.Contains({0, 0}));
    EXPECT_TRUE(r.Intersects({7, 6, 9, 9}));
    EXPECT_FALSE(r.Intersects({3, 3, 7, 6}));
    EXPECT_TRUE(Region().Empty());
    EXPECT_TRUE(Region(RECT{5, 5, 5, 9}).Empty());
}

TEST(RegionTest, PolygonsFollowThePixelCentreRule) {
    // An axis-aligned square given as a polygon is exactly its rectangle.
    const POINT square[] = {{1, 1}, {11, 1}, {11, 6}, {1, 6}};
    Region r = Region::FromPolygon(square);
    EXPECT_TRUE(r.SameAs(Region(RECT{1, 1, 11, 6})));

    // A right triangle with legs of 10: row y holds the 9 - y pixels whose
    // centres lie strictly left of the hypotenuse.
    const POINT triangle[] = {{0, 0}, {10, 0}, {0, 10}};
    Region t = Region::FromPolygon(triangle);
    EXPECT_EQ(t.Area(), 45);
    EXPECT_TRUE(t.Contains({0, 0}));
    EXPECT_TRUE(t.Contains({8, 0}));
    EXPECT_FALSE(t.Contains({9, 9}));

    const POINT line[] = {{0, 0}, {5, 5}};
    EXPECT_TRUE(Region::FromPolygon(line).Empty());
}

TEST(RegionTest, FillModesDifferOnSelfOverlap) {
    // Two overlapping squares traced in the same direction as one polygon.
    const POINT shape[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0},
                           {5, 5}, {15, 5}, {15, 15}, {5, 15}, {5, 5}};
    Region alternate = Region::FromPolygon(shape, ALTERNATE);
    Region winding = Region::FromPolygon(shape, WINDING);
    EXPECT_FALSE(alternate.Contains({7, 7}));
    EXPECT_TRUE(winding.Contains({7, 7}));
    EXPECT_EQ(winding.Area(), 175);
    EXPECT_EQ(alternate.Area(), 150);
}

TEST(RegionTest, EllipsesAreSymmetricAndAboutPiRSquared) {
    Region e = Region::FromEllipse({0, 0, 40, 40});
    EXPECT_NEAR(double(e.Area()), M_PI * 400, 40);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            EXPECT_EQ(e.Contains({x, y}), e.Contains({39 - x, y}));
            EXPECT_EQ(e.Contains({x, y}), e.Contains({x, 39 - y}));
        }
    }
    EXPECT_TRUE(e.Contains({20, 0}));
    EXPECT_FALSE(e.Contains({0, 0}));
}

}  // namespace
}  // namespace platform
