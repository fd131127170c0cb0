#pragma once
// A device-context-like painter on a 32-bit surface: pens, brushes, fonts,
// text and background colours, an origin and a clip region, and the GDI
// drawing calls the program uses (fills, frames, lines, polygons, blits with
// raster operations, colour key, stretch and alpha, gradients, text with
// word break and ellipsis). Coordinates are logical: the origin is added to
// reach surface pixels. Everything it writes is opaque (alpha 255) except
// blits, which copy the source's alpha.

#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "platform/font/font.h"
#include "platform/gui/geometry.h"
#include "platform/gui/region.h"
#include "platform/gui/surface.h"

namespace platform {

enum BkMode { TRANSPARENT = 1, OPAQUE = 2 };
enum PenStyle { PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_NULL = 5 };

struct Pen {
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
};

struct Brush {
    COLORREF color = 0xFFFFFF;
    bool null = false;
    static Brush Null() { return {0, true}; }
    static Brush Solid(COLORREF c) { return {c, false}; }
};

// Raster operations of BitBlt.
enum RasterOp : uint32_t {
    SRCCOPY = 0x00CC0020,
    SRCPAINT = 0x00EE0086,
    SRCAND = 0x008800C6,
    SRCINVERT = 0x00660046,
    DSTINVERT = 0x00550009,
    PATCOPY = 0x00F00021,
    BLACKNESS = 0x00000042,
    WHITENESS = 0x00FF0062,
};

// DrawText formats (Win32 values).
enum DrawTextFormat : unsigned {
    DT_TOP = 0x0,
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8,
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_EXPANDTABS = 0x40,
    DT_NOCLIP = 0x100,
    DT_CALCRECT = 0x400,
    DT_NOPREFIX = 0x800,
    DT_EDITCONTROL = 0x2000,
    DT_END_ELLIPSIS = 0x8000,
};

// DrawEdge edges and sides.
enum EdgeFlags : unsigned {
    BDR_RAISEDOUTER = 0x1,
    BDR_SUNKENOUTER = 0x2,
    BDR_RAISEDINNER = 0x4,
    BDR_SUNKENINNER = 0x8,
    EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
    EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
    EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER,
    EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER,
    BF_LEFT = 0x1,
    BF_TOP = 0x2,
    BF_RIGHT = 0x4,
    BF_BOTTOM = 0x8,
    BF_RECT = 0xF,
    BF_MIDDLE = 0x800,
    BF_ADJUST = 0x2000,
};

enum GradientMode { GRADIENT_FILL_RECT_H = 0, GRADIENT_FILL_RECT_V = 1 };

class Painter {
  public:
    explicit Painter(Surface& target);

    Surface& Target() { return *target_; }

    // Logical (0, 0) lands on surface pixel `origin`.
    void SetOrigin(POINT origin) { state_.origin = origin; }
    POINT Origin() const { return state_.origin; }
    // Clipping, in logical coordinates at the time of the call; the clip is
    // kept in surface pixels and never leaves the surface.
    void SelectClipRegion(const Region& region);
    void IntersectClipRect(const RECT& rect);
    void ExcludeClipRect(const RECT& rect);
    void ResetClip();
    // The clip in logical coordinates.
    Region ClipRegion() const;
    RECT ClipBox() const;

    // SaveDC / RestoreDC: a stack of pen, brush, font, colours, origin and
    // clip. RestoreState(-1) pops one; a positive level returns to it.
    int SaveState();
    bool RestoreState(int level);

    Pen SelectPen(const Pen& pen);
    Brush SelectBrush(const Brush& brush);
    void SelectFont(const FontSpec& spec);
    void SelectFont(std::shared_ptr<const Font> font);
    const Font& CurrentFont() const { return *state_.font; }
    COLORREF SetTextColor(COLORREF color);
    COLORREF SetBkColor(COLORREF color);
    int SetBkMode(int mode);
    COLORREF TextColor() const { return state_.textColor; }
    COLORREF BkColor() const { return state_.bkColor; }
    int BkMode() const { return state_.bkMode; }

    // Pixels.
    COLORREF GetPixel(int x, int y) const;  // CLR_INVALID outside the clip
    void SetPixel(int x, int y, COLORREF color);

    // Fills and frames (the pen is not used).
    void FillSolidRect(const RECT& rect, COLORREF color);
    void FillRect(const RECT& rect, const Brush& brush);
    void FillRegion(const Region& region, const Brush& brush);
    void FrameRect(const RECT& rect, COLORREF color);
    void InvertRect(const RECT& rect);
    void DrawFocusRect(const RECT& rect);
    void Draw3dRect(const RECT& rect, COLORREF topLeft, COLORREF bottomRight);
    // Returns the rectangle inside the edge (what BF_ADJUST gives).
    RECT DrawEdge(const RECT& rect, unsigned edge, unsigned flags);
    // Two-colour gradient, from left to right or top to bottom.
    void GradientFill(const RECT& rect, COLORREF from, COLORREF to, GradientMode mode);

    // Lines with the pen; the last point is not drawn.
    POINT MoveTo(int x, int y);
    void LineTo(int x, int y);
    POINT CurrentPosition() const { return position_; }
    void Polyline(std::span<const POINT> points);
    // Shapes: interior with the brush, outline with the pen.
    void Polygon(std::span<const POINT> points, PolyFillMode mode = ALTERNATE);
    void Rectangle(const RECT& rect);
    void Ellipse(const RECT& rect);

    // Blits from a surface; source rectangles are clipped to the source.
    void BitBlt(int x, int y, int width, int height, const Surface& source, int sourceX,
                int sourceY, uint32_t rop = SRCCOPY);
    void StretchBlt(const RECT& dest, const Surface& source, const RECT& sourceRect);
    // Copies `sourceRect` stretched to `dest`, leaving pixels of `key`
    // (compared on red, green and blue) out.
    void TransparentBlt(const RECT& dest, const Surface& source, const RECT& sourceRect,
                        COLORREF key);
    // AlphaBlend: `constantAlpha` scales the source; with `perPixelAlpha` the
    // source is premultiplied BGRA and its alpha is used.
    void AlphaBlend(const RECT& dest, const Surface& source, const RECT& sourceRect,
                    uint8_t constantAlpha, bool perPixelAlpha);

    // Text in the selected font, GBK. TextOut puts the cell's top-left
    // corner at (x, y); with OPAQUE the cell is filled with the background.
    void TextOut(int x, int y, std::string_view text);
    SIZE GetTextExtent(std::string_view text) const;
    const TextMetrics& GetTextMetrics() const { return state_.font->Metrics(); }
    // DrawText: returns the text height (or, with DT_VCENTER or DT_BOTTOM,
    // the offset of the text's bottom from rect.top). DT_CALCRECT only
    // measures and updates `rect`.
    int DrawText(std::string_view text, RECT& rect, unsigned format);

  private:
    struct State {
        POINT origin{};
        Region clip;  // surface pixels
        Pen pen;
        Brush brush;
        std::shared_ptr<const Font> font;
        COLORREF textColor = 0;
        COLORREF bkColor = 0xFFFFFF;
        int bkMode = OPAQUE;
    };

    RECT ToSurface(const RECT& r) const { return OffsetRect(r, state_.origin.x, state_.origin.y); }
    bool InClip(int sx, int sy) const;
    // Calls `fill(piece)` for each part of `surfaceRect` inside the clip.
    template <typename Fn>
    void ForEachClipped(const RECT& surfaceRect, Fn&& fill) const {
        for (const RECT& clip : state_.clip.Rects()) {
            RECT piece = IntersectRect(clip, surfaceRect);
            if (!IsRectEmpty(piece)) fill(piece);
        }
    }
    void FillSurfaceRect(const RECT& surfaceRect, uint32_t pixel);
    void PlotPen(int sx, int sy, const Pen& pen, int step);
    void DrawLine(POINT from, POINT to, const Pen& pen, int& step);
    void DrawGlyph(const Glyph& glyph, int penX, int baseline, uint32_t color);
    void DrawUnderline(int x, int width, int baseline);
    void DrawLineText(int x, int y, std::string_view text, int underlineIndex);

    Surface* target_;
    State state_;
    std::vector<State> saved_;
    POINT position_{};
};

}  // namespace platform
