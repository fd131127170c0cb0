#pragma once
// Points, sizes, rectangles and colours as the window system passes them:
// RECT is left/top inclusive and right/bottom exclusive, COLORREF is
// 0x00BBGGRR. The helpers keep their Win32 names and meaning.

#include <algorithm>
#include <cstdint>

namespace platform {

using COLORREF = uint32_t;

constexpr COLORREF RGB(int r, int g, int b) {
    return COLORREF(r & 0xFF) | COLORREF(g & 0xFF) << 8 | COLORREF(b & 0xFF) << 16;
}
constexpr int GetRValue(COLORREF c) {
    return int(c & 0xFF);
}
constexpr int GetGValue(COLORREF c) {
    return int(c >> 8 & 0xFF);
}
constexpr int GetBValue(COLORREF c) {
    return int(c >> 16 & 0xFF);
}

// "No colour" for colour keys and the like.
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

struct POINT {
    int x = 0;
    int y = 0;
    bool operator==(const POINT&) const = default;
};

struct SIZE {
    int cx = 0;
    int cy = 0;
    bool operator==(const SIZE&) const = default;
};

struct RECT {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const RECT&) const = default;
};

inline bool IsRectEmpty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

inline bool PtInRect(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

inline RECT OffsetRect(RECT r, int dx, int dy) {
    return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

inline RECT InflateRect(RECT r, int dx, int dy) {
    return {r.left - dx, r.top - dy, r.right + dx, r.bottom + dy};
}

// The common part; an empty rectangle (all zero) when there is none.
inline RECT IntersectRect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    return IsRectEmpty(r) ? RECT{} : r;
}

// The smallest rectangle holding both; empty rectangles do not count.
inline RECT UnionRect(const RECT& a, const RECT& b) {
    if (IsRectEmpty(a)) return IsRectEmpty(b) ? RECT{} : b;
    if (IsRectEmpty(b)) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

}  // namespace platform
