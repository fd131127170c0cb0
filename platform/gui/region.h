#pragma once
// Regions: sets of pixels kept as disjoint rectangles. They serve window
// invalidation, clipping and hit tests of odd-shaped buttons (polygons and
// ellipses are turned into pixel spans by the pixel-centre rule).

#include <span>
#include <vector>

#include "platform/gui/geometry.h"

namespace platform {

enum RegionCombine { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
enum PolyFillMode { ALTERNATE = 1, WINDING = 2 };

class Region {
  public:
    Region() = default;
    explicit Region(const RECT& rect);
    // The pixels whose centres lie inside the polygon.
    static Region FromPolygon(std::span<const POINT> points, PolyFillMode mode = ALTERNATE);
    // The ellipse inscribed in `bounds`.
    static Region FromEllipse(const RECT& bounds);

    bool Empty() const { return rects_.empty(); }
    RECT Bounds() const;
    bool Contains(POINT p) const;
    bool Intersects(const RECT& rect) const;
    const std::vector<RECT>& Rects() const { return rects_; }
    // Number of pixels (tests and diagnostics).
    long long Area() const;

    void Union(const RECT& rect);
    void Union(const Region& other);
    void Intersect(const RECT& rect);
    void Intersect(const Region& other);
    void Subtract(const RECT& rect);
    void Subtract(const Region& other);
    void Xor(const Region& other);
    void Combine(const Region& other, RegionCombine mode);
    void Offset(int dx, int dy);
    void Clear() { rects_.clear(); }

    // Same pixel set.
    bool SameAs(const Region& other) const;

  private:
    std::vector<RECT> rects_;  // disjoint, non-empty
};

}  // namespace platform
