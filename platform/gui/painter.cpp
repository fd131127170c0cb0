#include "platform/gui/painter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "platform/gui/sys_colors.h"

namespace platform {
namespace {

uint8_t Lerp(int from, int to, int i, int n) {
    return uint8_t(from + (to - from) * i / n);
}

// Source rectangle clipped to the source; the destination shrinks alike for
// an unscaled copy.
bool ClipCopy(const Surface& source, int& x, int& y, int& width, int& height, int& sx, int& sy) {
    if (sx < 0) {
        x -= sx;
        width += sx;
        sx = 0;
    }
    if (sy < 0) {
        y -= sy;
        height += sy;
        sy = 0;
    }
    width = std::min(width, source.Width() - sx);
    height = std::min(height, source.Height() - sy);
    return width > 0 && height > 0;
}

}  // namespace

Painter::Painter(Surface& target) : target_(&target) {
    state_.clip = Region(target.Bounds());
    state_.font = Font::Open(DefaultGuiFont());
}

bool Painter::InClip(int sx, int sy) const {
    for (const RECT& r : state_.clip.Rects()) {
        if (PtInRect(r, {sx, sy})) return true;
    }
    return false;
}

void Painter::SelectClipRegion(const Region& region) {
    Region clip = region;
    clip.Offset(state_.origin.x, state_.origin.y);
    clip.Intersect(target_->Bounds());
    state_.clip = std::move(clip);
}

void Painter::IntersectClipRect(const RECT& rect) {
    state_.clip.Intersect(ToSurface(rect));
}

void Painter::ExcludeClipRect(const RECT& rect) {
    state_.clip.Subtract(ToSurface(rect));
}

void Painter::ResetClip() {
    state_.clip = Region(target_->Bounds());
}

Region Painter::ClipRegion() const {
    Region clip = state_.clip;
    clip.Offset(-state_.origin.x, -state_.origin.y);
    return clip;
}

RECT Painter::ClipBox() const {
    return OffsetRect(state_.clip.Bounds(), -state_.origin.x, -state_.origin.y);
}

int Painter::SaveState() {
    saved_.push_back(state_);
    return int(saved_.size());
}

bool Painter::RestoreState(int level) {
    if (level < 0) level = int(saved_.size()) + 1 + level;
    if (level <= 0 || level > int(saved_.size())) return false;
    state_ = saved_[size_t(level - 1)];
    saved_.resize(size_t(level - 1));
    return true;
}

Pen Painter::SelectPen(const Pen& pen) {
    return std::exchange(state_.pen, pen);
}
Brush Painter::SelectBrush(const Brush& brush) {
    return std::exchange(state_.brush, brush);
}
void Painter::SelectFont(const FontSpec& spec) {
    state_.font = Font::Open(spec);
}
void Painter::SelectFont(std::shared_ptr<const Font> font) {
    if (font) state_.font = std::move(font);
}
COLORREF Painter::SetTextColor(COLORREF c) {
    return std::exchange(state_.textColor, c);
}
COLORREF Painter::SetBkColor(COLORREF c) {
    return std::exchange(state_.bkColor, c);
}
int Painter::SetBkMode(int mode) {
    return std::exchange(state_.bkMode, mode);
}

COLORREF Painter::GetPixel(int x, int y) const {
    int sx = x + state_.origin.x, sy = y + state_.origin.y;
    if (!InClip(sx, sy)) return CLR_INVALID;
    return ColorOf(target_->At(sx, sy));
}

void Painter::SetPixel(int x, int y, COLORREF color) {
    int sx = x + state_.origin.x, sy = y + state_.origin.y;
    if (InClip(sx, sy)) target_->Set(sx, sy, PixelOf(color));
}

void Painter::FillSurfaceRect(const RECT& surfaceRect, uint32_t pixel) {
    ForEachClipped(surfaceRect, [&](const RECT& piece) {
        for (int y = piece.top; y < piece.bottom; ++y) {
            std::fill(target_->Row(y) + piece.left, target_->Row(y) + piece.right, pixel);
        }
    });
}

void Painter::FillSolidRect(const RECT& rect, COLORREF color) {
    FillSurfaceRect(ToSurface(rect), PixelOf(color));
}

void Painter::FillRect(const RECT& rect, const Brush& brush) {
    if (!brush.null) FillSolidRect(rect, brush.color);
}

void Painter::FillRegion(const Region& region, const Brush& brush) {
    if (brush.null) return;
    for (const RECT& r : region.Rects())
        FillSolidRect(r, brush.color);
}

void Painter::FrameRect(const RECT& r, COLORREF color) {
    if (IsRectEmpty(r)) return;
    FillSolidRect({r.left, r.top, r.right, r.top + 1}, color);
    FillSolidRect({r.left, r.bottom - 1, r.right, r.bottom}, color);
    FillSolidRect({r.left, r.top + 1, r.left + 1, r.bottom - 1}, color);
    FillSolidRect({r.right - 1, r.top + 1, r.right, r.bottom - 1}, color);
}

void Painter::InvertRect(const RECT& rect) {
    ForEachClipped(ToSurface(rect), [&](const RECT& piece) {
        for (int y = piece.top; y < piece.bottom; ++y) {
            uint32_t* row = target_->Row(y);
            for (int x = piece.left; x < piece.right; ++x)
                row[x] ^= 0x00FFFFFFu;
        }
    });
}

void Painter::DrawFocusRect(const RECT& rect) {
    // A dotted frame drawn by inversion, so that drawing it twice removes it.
    RECT r = ToSurface(rect);
    if (IsRectEmpty(r)) return;
    auto invert = [&](int x, int y) {
        if (InClip(x, y)) target_->Set(x, y, target_->At(x, y) ^ 0x00FFFFFFu);
    };
    for (int x = r.left; x < r.right; x += 2) {
        invert(x, r.top);
        if (r.bottom - 1 > r.top) invert(x, r.bottom - 1);
    }
    for (int y = r.top + 2; y < r.bottom - 1; y += 2) {
        invert(r.left, y);
        if (r.right - 1 > r.left) invert(r.right - 1, y);
    }
}

void Painter::Draw3dRect(const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
    int cx = r.Width(), cy = r.Height();
    if (cx <= 0 || cy <= 0) return;
    FillSolidRect({r.left, r.top, r.left + cx - 1, r.top + 1}, topLeft);
    FillSolidRect({r.left, r.top, r.left + 1, r.top + cy - 1}, topLeft);
    FillSolidRect({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
    FillSolidRect({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
}

RECT Painter::DrawEdge(const RECT& rect, unsigned edge, unsigned flags) {
    RECT r = rect;
    auto ring = [&](COLORREF topLeft, COLORREF bottomRight) {
        if (flags & BF_TOP) FillSolidRect({r.left, r.top, r.right, r.top + 1}, topLeft);
        if (flags & BF_LEFT) FillSolidRect({r.left, r.top, r.left + 1, r.bottom}, topLeft);
        if (flags & BF_BOTTOM) {
            FillSolidRect({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
        }
        if (flags & BF_RIGHT) FillSolidRect({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
        r = {r.left + ((flags & BF_LEFT) ? 1 : 0), r.top + ((flags & BF_TOP) ? 1 : 0),
             r.right - ((flags & BF_RIGHT) ? 1 : 0), r.bottom - ((flags & BF_BOTTOM) ? 1 : 0)};
    };
    if (edge & BDR_RAISEDOUTER) {
        ring(GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_3DDKSHADOW));
    } else if (edge & BDR_SUNKENOUTER) {
        ring(GetSysColor(COLOR_3DSHADOW), GetSysColor(COLOR_3DHILIGHT));
    }
    if (edge & BDR_RAISEDINNER) {
        ring(GetSysColor(COLOR_3DHILIGHT), GetSysColor(COLOR_3DSHADOW));
    } else if (edge & BDR_SUNKENINNER) {
        ring(GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_3DLIGHT));
    }
    if (flags & BF_MIDDLE) FillSolidRect(r, GetSysColor(COLOR_3DFACE));
    return r;
}

void Painter::GradientFill(const RECT& rect, COLORREF from, COLORREF to, GradientMode mode) {
    bool vertical = mode == GRADIENT_FILL_RECT_V;
    int n = vertical ? rect.Height() : rect.Width();
    if (n <= 0 || rect.Width() <= 0 || rect.Height() <= 0) return;
    for (int i = 0; i < n; ++i) {
        COLORREF c = RGB(Lerp(GetRValue(from), GetRValue(to), i, n),
                         Lerp(GetGValue(from), GetGValue(to), i, n),
                         Lerp(GetBValue(from), GetBValue(to), i, n));
        RECT band = vertical ? RECT{rect.left, rect.top + i, rect.right, rect.top + i + 1}
                             : RECT{rect.left + i, rect.top, rect.left + i + 1, rect.bottom};
        FillSolidRect(band, c);
    }
}

// A pen pixel: wide pens are squares centred on the line; dotted and dashed
// pens skip pixels by their running step count.
void Painter::PlotPen(int sx, int sy, const Pen& pen, int step) {
    if (pen.style == PS_DOT && (step & 1)) return;
    if (pen.style == PS_DASH && step % 24 >= 18) return;
    uint32_t pixel = PixelOf(pen.color);
    int w = std::max(pen.width, 1);
    if (w == 1) {
        if (InClip(sx, sy)) target_->Set(sx, sy, pixel);
        return;
    }
    int x0 = sx - w / 2, y0 = sy - w / 2;
    FillSurfaceRect({x0, y0, x0 + w, y0 + w}, pixel);
}

void Painter::DrawLine(POINT from, POINT to, const Pen& pen, int& step) {
    if (pen.style == PS_NULL) return;
    long long lx = (long long)from.x + state_.origin.x, ly = (long long)from.y + state_.origin.y;
    long long lx1 = (long long)to.x + state_.origin.x, ly1 = (long long)to.y + state_.origin.y;
    // Far-away endpoints are first clipped to the surface plus a margin, so
    // that absurd coordinates cost no more than a line across the surface.
    const int margin = std::max(pen.width, 1) + 2;
    const double lo = -margin, hiX = target_->Width() + margin, hiY = target_->Height() + margin;
    auto outside = [&](long long v, double high) { return v < lo || v > high; };
    if (outside(lx, hiX) || outside(ly, hiY) || outside(lx1, hiX) || outside(ly1, hiY)) {
        double t0 = 0, t1 = 1;
        double fx = double(lx), fy = double(ly), ddx = double(lx1 - lx), ddy = double(ly1 - ly);
        auto clip = [&](double p, double q) {
            if (p == 0) return q >= 0;
            double t = q / p;
            if (p < 0) {
                if (t > t1) return false;
                t0 = std::max(t0, t);
            } else {
                if (t < t0) return false;
                t1 = std::min(t1, t);
            }
            return true;
        };
        if (!clip(-ddx, fx - lo) || !clip(ddx, hiX - fx) || !clip(-ddy, fy - lo) ||
            !clip(ddy, hiY - fy)) {
            return;
        }
        lx = std::llround(fx + t0 * ddx);
        ly = std::llround(fy + t0 * ddy);
        lx1 = std::llround(fx + t1 * ddx);
        ly1 = std::llround(fy + t1 * ddy);
    }
    int x = int(lx), y = int(ly), x1 = int(lx1), y1 = int(ly1);
    int dx = std::abs(x1 - x), dy = -std::abs(y1 - y);
    int sx = x < x1 ? 1 : -1, sy = y < y1 ? 1 : -1;
    int error = dx + dy;
    while (x != x1 || y != y1) {
        PlotPen(x, y, pen, step++);
        int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y += sy;
        }
    }
}

POINT Painter::MoveTo(int x, int y) {
    return std::exchange(position_, POINT{x, y});
}

void Painter::LineTo(int x, int y) {
    int step = 0;
    DrawLine(position_, {x, y}, state_.pen, step);
    position_ = {x, y};
}

void Painter::Polyline(std::span<const POINT> points) {
    int step = 0;
    for (size_t i = 1; i < points.size(); ++i) {
        DrawLine(points[i - 1], points[i], state_.pen, step);
    }
}

void Painter::Polygon(std::span<const POINT> points, PolyFillMode mode) {
    if (points.size() < 2) return;
    FillRegion(Region::FromPolygon(points, mode), state_.brush);
    int step = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        DrawLine(points[i], points[(i + 1) % points.size()], state_.pen, step);
    }
}

void Painter::Rectangle(const RECT& r) {
    if (IsRectEmpty(r)) return;
    bool outline = state_.pen.style != PS_NULL;
    if (outline) {
        FillRect(InflateRect(r, -1, -1), state_.brush);
        POINT corners[] = {{r.left, r.top},
                           {r.right - 1, r.top},
                           {r.right - 1, r.bottom - 1},
                           {r.left, r.bottom - 1}};
        int step = 0;
        for (int i = 0; i < 4; ++i)
            DrawLine(corners[i], corners[(i + 1) % 4], state_.pen, step);
    } else {
        // Without a pen the interior reaches one pixel less on the right and bottom.
        FillRect({r.left, r.top, r.right - 1, r.bottom - 1}, state_.brush);
    }
}

void Painter::Ellipse(const RECT& r) {
    Region outer = Region::FromEllipse(r);
    if (state_.pen.style == PS_NULL) {
        FillRegion(outer, state_.brush);
        return;
    }
    int w = std::max(state_.pen.width, 1);
    Region inner = Region::FromEllipse(InflateRect(r, -w, -w));
    FillRegion(inner, state_.brush);
    outer.Subtract(inner);
    FillRegion(outer, Brush::Solid(state_.pen.color));
}

void Painter::BitBlt(int x, int y, int width, int height, const Surface& source, int sx, int sy,
                     uint32_t rop) {
    RECT dest = ToSurface({x, y, x + width, y + height});
    if (rop == PATCOPY || rop == BLACKNESS || rop == WHITENESS || rop == DSTINVERT) {
        if (rop == PATCOPY && !state_.brush.null) {
            FillSurfaceRect(dest, PixelOf(state_.brush.color));
        }
        if (rop == BLACKNESS) FillSurfaceRect(dest, 0xFF000000u);
        if (rop == WHITENESS) FillSurfaceRect(dest, 0xFFFFFFFFu);
        if (rop == DSTINVERT) InvertRect({x, y, x + width, y + height});
        return;
    }
    int dx = dest.left, dy = dest.top;
    if (!ClipCopy(source, dx, dy, width, height, sx, sy)) return;
    const bool sameSurface = &source == target_;
    Surface copy;
    const Surface* src = &source;
    if (sameSurface) {
        // Overlapping copies within one surface read the pixels as they were.
        copy = source;
        src = &copy;
    }
    ForEachClipped({dx, dy, dx + width, dy + height}, [&](const RECT& piece) {
        for (int row = piece.top; row < piece.bottom; ++row) {
            const uint32_t* in = src->Row(sy + row - dy) + (sx + piece.left - dx);
            uint32_t* out = target_->Row(row) + piece.left;
            int n = piece.Width();
            switch (rop) {
                case SRCCOPY:
                    std::copy(in, in + n, out);
                    break;
                case SRCAND:
                    for (int i = 0; i < n; ++i)
                        out[i] &= in[i];
                    break;
                case SRCPAINT:
                    for (int i = 0; i < n; ++i)
                        out[i] |= in[i];
                    break;
                case SRCINVERT:
                    for (int i = 0; i < n; ++i)
                        out[i] = (out[i] ^ in[i]) | 0xFF000000u;
                    break;
                default:
                    std::copy(in, in + n, out);
                    break;
            }
        }
    });
}

namespace {

// Nearest source column or row for destination index i of n, sampling at
// pixel centres.
int SourceIndex(int i, int n, int sourceStart, int sourceLength) {
    return sourceStart + int((2LL * i + 1) * sourceLength / (2LL * n));
}

bool ValidSourceRect(const Surface& source, const RECT& r) {
    return !IsRectEmpty(r) && r.left >= 0 && r.top >= 0 && r.right <= source.Width() &&
           r.bottom <= source.Height();
}

}  // namespace

void Painter::StretchBlt(const RECT& dest, const Surface& source, const RECT& sourceRect) {
    TransparentBlt(dest, source, sourceRect, CLR_INVALID);
}

void Painter::TransparentBlt(const RECT& dest, const Surface& source, const RECT& sourceRect,
                             COLORREF key) {
    RECT sr = IntersectRect(sourceRect, source.Bounds());
    if (!ValidSourceRect(source, sr) || IsRectEmpty(dest)) return;
    // A source rectangle cut by the source's edge keeps its scale.
    RECT d = dest;
    if (!(sr == sourceRect)) {
        double scaleX = double(dest.Width()) / sourceRect.Width();
        double scaleY = double(dest.Height()) / sourceRect.Height();
        d = {dest.left + int((sr.left - sourceRect.left) * scaleX),
             dest.top + int((sr.top - sourceRect.top) * scaleY),
             dest.left + int((sr.right - sourceRect.left) * scaleX),
             dest.top + int((sr.bottom - sourceRect.top) * scaleY)};
        if (IsRectEmpty(d)) return;
    }
    const uint32_t keyPixel = PixelOf(key) & 0x00FFFFFFu;
    const bool keyed = key != CLR_INVALID;
    RECT ds = ToSurface(d);
    Surface copy;
    const Surface* src = &source;
    if (&source == target_) {
        copy = source;
        src = &copy;
    }
    ForEachClipped(ds, [&](const RECT& piece) {
        for (int row = piece.top; row < piece.bottom; ++row) {
            int syy = SourceIndex(row - ds.top, ds.Height(), sr.top, sr.Height());
            const uint32_t* in = src->Row(syy);
            uint32_t* out = target_->Row(row);
            for (int col = piece.left; col < piece.right; ++col) {
                uint32_t p = in[SourceIndex(col - ds.left, ds.Width(), sr.left, sr.Width())];
                if (keyed && (p & 0x00FFFFFFu) == keyPixel) continue;
                out[col] = p;
            }
        }
    });
}

void Painter::AlphaBlend(const RECT& dest, const Surface& source, const RECT& sourceRect,
                         uint8_t constantAlpha, bool perPixelAlpha) {
    if (!ValidSourceRect(source, sourceRect) || IsRectEmpty(dest)) return;
    RECT ds = ToSurface(dest);
    ForEachClipped(ds, [&](const RECT& piece) {
        for (int row = piece.top; row < piece.bottom; ++row) {
            const uint32_t* in = source.Row(
                SourceIndex(row - ds.top, ds.Height(), sourceRect.top, sourceRect.Height()));
            uint32_t* out = target_->Row(row);
            for (int col = piece.left; col < piece.right; ++col) {
                uint32_t s =
                    in[SourceIndex(col - ds.left, ds.Width(), sourceRect.left, sourceRect.Width())];
                uint32_t d = out[col];
                uint32_t result = 0;
                for (int shift = 0; shift < 32; shift += 8) {
                    uint32_t sc = s >> shift & 0xFF, dc = d >> shift & 0xFF;
                    uint32_t scaled = sc * constantAlpha / 255;
                    uint32_t alpha =
                        perPixelAlpha ? (s >> 24) * constantAlpha / 255 : uint32_t(constantAlpha);
                    uint32_t v = perPixelAlpha ? scaled + dc * (255 - alpha) / 255
                                               : (sc * alpha + dc * (255 - alpha)) / 255;
                    result |= std::min<uint32_t>(v, 255) << shift;
                }
                out[col] = result;
            }
        }
    });
}

}  // namespace platform
