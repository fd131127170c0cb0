#include "engine/geometry.h"

#include <algorithm>
#include <cmath>

namespace engine {
namespace {

double RoundHalfAway(double v) {
    return std::trunc(v > 0.0 ? v + 0.5 : v - 0.5);
}

struct Offsets {
    double u;
    double v;
};

Offsets Turn(double dx, double dy, double angle, int direction) {
    const double r = angle * kEnginePi / 180.0;
    const double c = std::cos(r);
    const double s = std::sin(r);
    if (direction == 1) return {RoundHalfAway(dx * c - dy * s), RoundHalfAway(dx * s + dy * c)};
    return {RoundHalfAway(dx * c + dy * s), RoundHalfAway(dy * c - dx * s)};
}

constexpr double kEps = 1e-7;

int Side(double cross) {
    if (std::fabs(cross) < kEps) return 0;
    return cross > 0.0 ? 1 : -1;
}

// Whether P, known to lie on the line AB, lies on the segment AB.
bool OnSegment(double px, double py, double ax, double ay, double bx, double by) {
    const double dot = (ax - px) * (bx - px) + (ay - py) * (by - py);
    return std::fabs(dot) < kEps || dot < 0.0;
}

}  // namespace

Rect Intersect(const Rect& a, const Rect& b) {
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    return r.IsEmpty() ? Rect{} : r;
}

Rect Union(const Rect& a, const Rect& b) {
    if (a.IsEmpty()) return b.IsEmpty() ? Rect{} : b;
    if (b.IsEmpty()) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

Point RotatePoint(int32_t x, int32_t y, int32_t cx, int32_t cy, double angle, int direction) {
    if (angle == 0.0 || !std::isfinite(angle)) return {x, y};
    const Offsets o = Turn(double(x) - cx, double(cy) - y, angle, direction);
    return {Saturate32(cx + o.u), Saturate32(cy - o.v)};
}

PointF RotatePointF(double x, double y, double cx, double cy, double angle, int direction) {
    if (angle == 0.0 || !std::isfinite(angle)) return {x, y};
    const Offsets o = Turn(x - cx, cy - y, angle, direction);
    return {cx + o.u, cy - o.v};
}

int SegmentsIntersect(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                      double y4, PointF* at) {
    const double c1 = (y3 - y1) * (x2 - x1) - (y2 - y1) * (x3 - x1);
    const double c2 = (y4 - y1) * (x2 - x1) - (y2 - y1) * (x4 - x1);
    const double c3 = (y1 - y3) * (x4 - x3) - (y4 - y3) * (x1 - x3);
    const double c4 = (y2 - y3) * (x4 - x3) - (x2 - x3) * (y4 - y3);
    const int s1 = Side(c1), s2 = Side(c2), s3 = Side(c3), s4 = Side(c4);
    if (s1 * s2 == -1 && s3 * s4 == -1) {
        if (at) *at = {(x3 * c2 - x4 * c1) / (c2 - c1), (y3 * c2 - y4 * c1) / (c2 - c1)};
        return 1;
    }
    if (s1 == 0 && OnSegment(x3, y3, x1, y1, x2, y2)) return 2;
    if (s2 == 0 && OnSegment(x4, y4, x1, y1, x2, y2)) return 2;
    if (s3 == 0 && OnSegment(x1, y1, x3, y3, x4, y4)) return 2;
    if (s4 == 0 && OnSegment(x2, y2, x3, y3, x4, y4)) return 2;
    return 0;
}

}  // namespace engine
