#include "engine/geometry.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/draw_record.h"

namespace engine {
namespace {

TEST(RotatePointTest, KnownAnswers) {
    const struct {
        int32_t x, y, cx, cy;
        double angle;
        int direction;
        Point expected;
    } cases[] = {
        {10, 0, 0, 0, 90.0, 1, {0, -10}},       // counter-clockwise on screen: up
        {10, 0, 0, 0, 90.0, 0, {0, 10}},        // the other way: down
        {15, 5, 5, 5, 90.0, 1, {5, -5}},        // about a centre other than the origin
        {7, 3, 0, 0, 360.0, 1, {7, 3}},         // a full turn lands where it started
        {10, 0, 0, 0, 45.0, 1, {7, -7}},        // 7.07 rounds to 7
        {-10, 0, 0, 0, 45.0, 1, {-7, 7}},       // half away from zero on the negative side too
        {5, 5, 0, 0, std::nan(""), 1, {5, 5}},  // an angle that is no number turns nothing
    };
    for (const auto& c : cases) {  // the float form rounds alike
        EXPECT_EQ(RotatePoint(c.x, c.y, c.cx, c.cy, c.angle, c.direction), c.expected) << c.x;
        EXPECT_EQ(RotatePointF(c.x, c.y, c.cx, c.cy, c.angle, c.direction),
                  PointF(c.expected.x, c.expected.y));
    }
    EXPECT_EQ(RotatePointF(1.25, -0.75, 0.0, 0.0, 0.0, 0), (PointF{1.25, -0.75}));
    EXPECT_EQ(RotatePoint(INT32_MAX, 0, INT32_MIN, 0, 180.0, 1).x, INT32_MIN);  // saturates
}

// Crossing (1), an endpoint of one on the other (2), or none (0): a proper
// crossing, endpoints on either segment, past the end, parallel, collinear
// touching, overlapping or apart.
TEST(SegmentsIntersectTest, KnownAnswers) {
    const double cases[][9] = {{0, 0, 10, 10, 0, 10, 10, 0, 1}, {0, 0, 10, 0, 5, 0, 5, 5, 2},
                               {5, 0, 5, 5, 0, 0, 10, 0, 2},    {0, 0, 1, 0, 5, 0, 5, 5, 0},
                               {0, 0, 10, 0, 0, 1, 10, 1, 0},   {0, 0, 10, 10, 0, 1, 10, 11, 0},
                               {0, 0, 10, 0, 10, 0, 20, 0, 2},  {0, 0, 10, 0, 3, 0, 6, 0, 2},
                               {0, 0, 4, 4, 5, 5, 9, 9, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(SegmentsIntersect(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]), c[8]);
        EXPECT_EQ(SegmentsIntersect(c[4], c[5], c[6], c[7], c[0], c[1], c[2], c[3]), c[8]);
    }
    PointF at;
    ASSERT_EQ(SegmentsIntersect(0, 0, 8, 0, 2, -2, 2, 6, &at), 1);
    EXPECT_EQ(at, (PointF{2.0, 0.0}));
}

TEST(RectTest, IntersectUnionAndSaturation) {
    const Rect a{0, 0, 10, 10}, b{5, 5, 15, 15}, far{20, 20, 30, 30};
    EXPECT_EQ(Intersect(a, b), (Rect{5, 5, 10, 10}));
    EXPECT_EQ(Intersect(a, far), Rect{});
    EXPECT_EQ(Intersect(a, Rect{10, 0, 20, 10}), Rect{});  // sharing an edge is not meeting
    EXPECT_EQ(Union(a, b), (Rect{0, 0, 15, 15}));
    EXPECT_EQ(Union(a, Rect{}), a);
    EXPECT_EQ(Union(Rect{}, Rect{3, 3, 3, 9}), Rect{});
    EXPECT_TRUE(a.Contains(0, 0));
    EXPECT_FALSE(a.Contains(10, 5));
    EXPECT_EQ(MakeRect(int64_t(1) << 40, -(int64_t(1) << 40), -5, 0),
              (Rect{INT32_MAX, INT32_MIN, -5, 0}));
    for (auto [v, want] : {std::pair{1e20, INT32_MAX}, {-1e20, INT32_MIN}, {-2.9, -2}, {NAN, 0}})
        EXPECT_EQ(Saturate32(v), want) << v;
}

TEST(DrawRecordTest, RadiusAndBounds) {
    // sqrt(50) + 0.5, halves of 5, sqrt(3125) + 0.5.
    const int32_t radii[][3] = {{0, 10, 0}, {10, -1, 0}, {10, 10, 7},
                                {1, 1, 1},  {9, 9, 7},   {100, 50, 56}};
    for (const auto& r : radii)
        EXPECT_EQ(DrawRecordRadiusInt(r[0], r[1]), r[2]) << r[0] << "x" << r[1];
    DrawRecord r, huge;
    r.screenX = 50, r.screenY = 40, r.width = 9, r.height = 6;  // odd: the left half is the larger
    EXPECT_EQ(DrawRecordBounds(r), (Rect{45, 37, 54, 43}));
    r.angle = 30.0;
    EXPECT_EQ(DrawRecordBounds(r), (Rect{44, 34, 56, 46}));
    EXPECT_EQ(r.radius, 6);  // sqrt(5 * 5 + 3 * 3) + 0.5, computed and kept
    huge.screenX = INT32_MAX, huge.screenY = INT32_MIN, huge.width = huge.height = INT32_MAX;
    EXPECT_EQ(DrawRecordBounds(huge), (Rect{1073741823, INT32_MIN, INT32_MAX, -1073741825}));
}

}  // namespace
}  // namespace engine
