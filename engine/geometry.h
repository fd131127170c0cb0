#pragma once
// Integer rectangles and points, and the engine's two pure geometry helpers:
// turning a point about a centre and intersecting two segments. Screen y
// grows downward; angles are degrees, converted with pi = 3.14159.

#include <climits>
#include <cstdint>

namespace engine {

inline constexpr double kEnginePi = 3.14159;

struct Point {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct PointF {
    double x = 0.0;
    double y = 0.0;
    friend bool operator==(const PointF&, const PointF&) = default;
};

// Left and top inside, right and bottom outside, as the window system's RECT.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(int32_t x, int32_t y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Saturating conversion: scene values come from scripts, so sums of
// coordinates and sizes are formed in 64 bits and brought back here.
inline int32_t Saturate32(int64_t v) {
    return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : int32_t(v);
}
// A double brought to the nearest int32 toward zero; NaN becomes 0.
inline int32_t Saturate32(double v) {
    if (!(v == v)) return 0;
    return v >= 2147483647.0 ? INT32_MAX : v <= -2147483648.0 ? INT32_MIN : int32_t(v);
}
inline Rect MakeRect(int64_t left, int64_t top, int64_t right, int64_t bottom) {
    return {Saturate32(left), Saturate32(top), Saturate32(right), Saturate32(bottom)};
}

// The common part of a and b; an all-zero rectangle when they do not meet.
Rect Intersect(const Rect& a, const Rect& b);
// The smallest rectangle holding both; an empty one counts for nothing.
Rect Union(const Rect& a, const Rect& b);
// Whether a and b share at least one pixel.
inline bool Intersects(const Rect& a, const Rect& b) {
    return !Intersect(a, b).IsEmpty();
}

// Direction 1 turns the point counter-clockwise on screen, 0 the other way.
// An angle of exactly 0.0 (or one that is not finite) returns the point untouched; otherwise each
// offset is rounded half away from zero.
Point RotatePoint(int32_t x, int32_t y, int32_t cx, int32_t cy, double angle, int direction);
PointF RotatePointF(double x, double y, double cx, double cy, double angle, int direction);

// 1 for a proper crossing (with the crossing point in *at when given), 2 when
// an endpoint of one segment lies on the other, 0 for no contact.
int SegmentsIntersect(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                      double y4, PointF* at = nullptr);

}  // namespace engine
