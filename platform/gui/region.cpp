#include "platform/gui/region.h"

#include <algorithm>
#include <cmath>

namespace platform {
namespace {

// The parts of `r` outside `cut` (at most four rectangles).
void AppendDifference(const RECT& r, const RECT& cut, std::vector<RECT>& out) {
    RECT common = IntersectRect(r, cut);
    if (IsRectEmpty(common)) {
        out.push_back(r);
        return;
    }
    if (r.top < common.top) out.push_back({r.left, r.top, r.right, common.top});
    if (common.bottom < r.bottom) out.push_back({r.left, common.bottom, r.right, r.bottom});
    if (r.left < common.left) out.push_back({r.left, common.top, common.left, common.bottom});
    if (common.right < r.right) out.push_back({common.right, common.top, r.right, common.bottom});
}

// Builds rectangles from per-row spans, merging rows with the same spans.
Region FromRows(int top, const std::vector<std::vector<std::pair<int, int>>>& rows) {
    Region region;
    size_t y = 0;
    while (y < rows.size()) {
        size_t end = y + 1;
        while (end < rows.size() && rows[end] == rows[y])
            ++end;
        for (auto [x0, x1] : rows[y]) {
            region.Union(RECT{x0, top + int(y), x1, top + int(end)});
        }
        y = end;
    }
    return region;
}

}  // namespace

Region::Region(const RECT& rect) {
    if (!IsRectEmpty(rect)) rects_.push_back(rect);
}

Region Region::FromPolygon(std::span<const POINT> points, PolyFillMode mode) {
    if (points.size() < 3) return {};
    int top = points[0].y, bottom = points[0].y;
    for (POINT p : points) {
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    std::vector<std::vector<std::pair<int, int>>> rows(size_t(bottom - top));
    std::vector<std::pair<double, int>> crossings;  // x, direction
    for (int y = top; y < bottom; ++y) {
        double sampleY = y + 0.5;
        crossings.clear();
        for (size_t i = 0; i < points.size(); ++i) {
            POINT a = points[i];
            POINT b = points[(i + 1) % points.size()];
            if (a.y == b.y) continue;
            bool down = a.y < b.y;
            double y0 = down ? a.y : b.y, y1 = down ? b.y : a.y;
            if (sampleY < y0 || sampleY >= y1) continue;
            double x = a.x + (sampleY - a.y) * double(b.x - a.x) / double(b.y - a.y);
            crossings.emplace_back(x, down ? 1 : -1);
        }
        std::sort(crossings.begin(), crossings.end());
        auto& spans = rows[size_t(y - top)];
        int winding = 0;
        for (size_t i = 0; i + 1 < crossings.size(); ++i) {
            winding += crossings[i].second;
            bool inside = mode == ALTERNATE ? (i % 2 == 0) : winding != 0;
            if (!inside) continue;
            int x0 = int(std::ceil(crossings[i].first - 0.5));
            int x1 = int(std::ceil(crossings[i + 1].first - 0.5));
            if (x1 <= x0) continue;
            if (!spans.empty() && spans.back().second >= x0) {
                spans.back().second = std::max(spans.back().second, x1);
            } else {
                spans.emplace_back(x0, x1);
            }
        }
    }
    return FromRows(top, rows);
}

Region Region::FromEllipse(const RECT& bounds) {
    if (IsRectEmpty(bounds)) return {};
    double cx = (bounds.left + bounds.right) / 2.0;
    double cy = (bounds.top + bounds.bottom) / 2.0;
    double rx = bounds.Width() / 2.0, ry = bounds.Height() / 2.0;
    std::vector<std::vector<std::pair<int, int>>> rows(size_t(bounds.Height()));
    for (int y = bounds.top; y < bounds.bottom; ++y) {
        double dy = (y + 0.5 - cy) / ry;
        double t = 1.0 - dy * dy;
        if (t <= 0) continue;
        double half = rx * std::sqrt(t);
        int x0 = int(std::ceil(cx - half - 0.5));
        int x1 = int(std::ceil(cx + half - 0.5));
        if (x1 > x0) rows[size_t(y - bounds.top)].emplace_back(x0, x1);
    }
    return FromRows(bounds.top, rows);
}

RECT Region::Bounds() const {
    RECT bounds{};
    for (const RECT& r : rects_)
        bounds = UnionRect(bounds, r);
    return bounds;
}

bool Region::Contains(POINT p) const {
    return std::any_of(rects_.begin(), rects_.end(), [p](const RECT& r) { return PtInRect(r, p); });
}

bool Region::Intersects(const RECT& rect) const {
    return std::any_of(rects_.begin(), rects_.end(),
                       [&rect](const RECT& r) { return !IsRectEmpty(IntersectRect(r, rect)); });
}

long long Region::Area() const {
    long long area = 0;
    for (const RECT& r : rects_)
        area += (long long)r.Width() * r.Height();
    return area;
}

void Region::Union(const RECT& rect) {
    if (IsRectEmpty(rect)) return;
    // Add only what is not yet covered, so the rectangles stay disjoint.
    std::vector<RECT> pieces{rect};
    for (const RECT& existing : rects_) {
        std::vector<RECT> next;
        for (const RECT& piece : pieces)
            AppendDifference(piece, existing, next);
        pieces = std::move(next);
        if (pieces.empty()) return;
    }
    rects_.insert(rects_.end(), pieces.begin(), pieces.end());
}

void Region::Union(const Region& other) {
    for (const RECT& r : other.rects_)
        Union(r);
}

void Region::Intersect(const RECT& rect) {
    std::vector<RECT> out;
    for (const RECT& r : rects_) {
        RECT common = IntersectRect(r, rect);
        if (!IsRectEmpty(common)) out.push_back(common);
    }
    rects_ = std::move(out);
}

void Region::Intersect(const Region& other) {
    std::vector<RECT> out;
    for (const RECT& a : rects_) {
        for (const RECT& b : other.rects_) {
            RECT common = IntersectRect(a, b);
            if (!IsRectEmpty(common)) out.push_back(common);
        }
    }
    rects_ = std::move(out);
}

void Region::Subtract(const RECT& rect) {
    if (IsRectEmpty(rect)) return;
    std::vector<RECT> out;
    for (const RECT& r : rects_)
        AppendDifference(r, rect, out);
    rects_ = std::move(out);
}

void Region::Subtract(const Region& other) {
    for (const RECT& r : other.rects_)
        Subtract(r);
}

void Region::Xor(const Region& other) {
    Region onlyOther = other;
    onlyOther.Subtract(*this);
    Subtract(other);
    rects_.insert(rects_.end(), onlyOther.rects_.begin(), onlyOther.rects_.end());
}

void Region::Combine(const Region& other, RegionCombine mode) {
    switch (mode) {
        case RGN_AND:
            Intersect(other);
            break;
        case RGN_OR:
            Union(other);
            break;
        case RGN_XOR:
            Xor(other);
            break;
        case RGN_DIFF:
            Subtract(other);
            break;
        case RGN_COPY:
            *this = other;
            break;
    }
}

void Region::Offset(int dx, int dy) {
    for (RECT& r : rects_)
        r = OffsetRect(r, dx, dy);
}

bool Region::SameAs(const Region& other) const {
    if (Area() != other.Area()) return false;
    Region difference = *this;
    difference.Subtract(other);
    return difference.Empty();
}

}  // namespace platform
