// The table's furniture: the cloth, the turn clock with its hand and
// digits, the dice, and the operation and system bars with the operation
// buttons. The cloth, clock, bars and buttons belong to a style; the digits
// and the dice are common to all.

#include <cmath>
#include <cstdint>
#include <numbers>

#include "tools/assetgen/asset_files.h"
#include "tools/assetgen/draw.h"
#include "tools/assetgen/families.h"
#include "tools/assetgen/mahjong_style.h"
#include "tools/assetgen/raster.h"
#include "tools/assetgen/smooth_draw.h"

namespace assetgen {
namespace {

namespace assets = mahjong::assets;
using platform::COLORREF;
using platform::Painter;
using platform::POINT;
using platform::RECT;
using platform::RGB;
using platform::Surface;

// Felt: the cloth's colour with a fine grain, darkening towards the edges,
// inside a thin gold line.
Surface Cloth(const TableLook& look) {
    const int w = 744, h = 710;
    Surface s(w, h);
    uint32_t grain = 12345;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            grain = grain * 1103515245u + 12345u;
            const double dx = (x - w / 2.0) / (w / 2.0), dy = (y - h / 2.0) / (h / 2.0);
            const int edge = int(std::min(1.0, (dx * dx + dy * dy) / 2) * 256);
            const int noise = int(grain >> 16 & 7) - 3;
            COLORREF c = Mix(look.cloth, look.clothEdge, edge);
            c = RGB(platform::GetRValue(c) + noise, platform::GetGValue(c) + noise,
                    platform::GetBValue(c) + noise);
            s.Set(x, y, platform::PixelOf(c));
        }
    }
    Painter p(s);
    p.FrameRect({6, 6, w - 6, h - 6}, Mix(look.clothEdge, RGB(220, 180, 90), 150));
    return s;
}

POINT Polar(double cx, double cy, double radius, double degrees) {
    const double a = degrees * std::numbers::pi / 180;
    return {int(std::lround(cx + radius * std::cos(a))),
            int(std::lround(cy - radius * std::sin(a)))};
}

// The clock's face: a rim, eight ticks and the dark window of the digits.
Surface Clock(const TableLook& look) {
    return Smooth(65, 65, [&](Painter& p, int s) {
        Disc(p, {0, 0, 65 * s, 65 * s}, Mix(look.barDark, RGB(0, 0, 0), 60));
        Disc(p, {2 * s, 2 * s, 63 * s, 63 * s}, look.barLight);
        Disc(p, {5 * s, 5 * s, 60 * s, 60 * s}, RGB(34, 40, 48));
        for (int i = 0; i < 8; ++i) {
            const POINT a = Polar(32.5 * s, 32.5 * s, 22.0 * s, i * 45.0);
            Disc(p, {a.x - s, a.y - s, a.x + s, a.y + s}, Mix(look.barLight, RGB(34, 40, 48), 100));
        }
        RoundRect(p, {23 * s, 22 * s, 42 * s, 43 * s}, 3 * s, RGB(8, 8, 10));
    });
}

// Cell n points at clock position n: 0 left, 2 up, 4 right, 6 down.
Surface ClockHand() {
    std::vector<Surface> cells;
    for (int n = 0; n < 8; ++n) {
        const double angle = 180.0 - 45.0 * n;
        cells.push_back(Smooth(56, 56, [&](Painter& p, int s) {
            const double c = 28.0 * s;
            const POINT tip = Polar(c, c, 27.0 * s, angle);
            const POINT left = Polar(c, c, 18.0 * s, angle + 22);
            const POINT right = Polar(c, c, 18.0 * s, angle - 22);
            const POINT tail[4] = {
                Polar(c, c, 14.0 * s, angle + 8), Polar(c, c, 19.0 * s, angle + 6),
                Polar(c, c, 19.0 * s, angle - 6), Polar(c, c, 14.0 * s, angle - 8)};
            p.SelectPen({platform::PS_SOLID, s, RGB(90, 10, 0)});
            p.SelectBrush(platform::Brush::Solid(RGB(236, 52, 30)));
            p.Polygon(tail);
            const POINT head[3] = {tip, left, right};
            p.Polygon(head);
        }));
    }
    return Row(cells);
}

// Seven-segment digits, drawn pixel by pixel on the key green.
Surface ClockDigits() {
    //                                 a b c d e f g
    static const char* const kSegments[10] = {"1111110", "0110000", "1101101", "1111001",
                                              "0110011", "1011011", "1011111", "1110000",
                                              "1111111", "1111011"};
    static const RECT kBars[7] = {{2, 1, 6, 3},  {5, 2, 7, 8}, {5, 9, 7, 15}, {2, 14, 6, 16},
                                  {1, 9, 3, 15}, {1, 2, 3, 8}, {2, 7, 6, 9}};
    Surface s(80, 17);
    s.Fill(platform::PixelOf(assets::kPureGreen));
    Painter p(s);
    for (int d = 0; d < 10; ++d)
        for (int k = 0; k < 7; ++k)
            if (kSegments[d][k] == '1')
                p.FillSolidRect(platform::OffsetRect(kBars[k], 8 * d, 0), RGB(255, 214, 64));
    return s;
}

// The pips of a die face on a 3 x 3 grid, row by row.
const char* DieFace(int value) {
    static const char* const kFaces[6] = {"000010000", "001000100", "001010100",
                                          "101000101", "101010101", "101101101"};
    return kFaces[value - 1];
}

// One die of `side` pixels (times the scale) centred at (cx, cy), turned by
// `degrees`.
void Die(Painter& p, double cx, double cy, double side, double degrees, int value, COLORREF body,
         int s) {
    const double half = side * s / 2, cut = half * 0.35;
    std::vector<POINT> outline;
    for (int corner = 0; corner < 4; ++corner) {
        // Each corner is cut off: two points near it.
        const double base = degrees + 45 + 90 * corner;
        const double r = std::hypot(half, half - cut);
        const double spread = std::atan2(half - cut, half) * 180 / std::numbers::pi;
        outline.push_back(Polar(cx * s, cy * s, r, base - (45 - spread)));
        outline.push_back(Polar(cx * s, cy * s, r, base + (45 - spread)));
    }
    p.SelectPen({platform::PS_SOLID, s, RGB(60, 50, 40)});
    p.SelectBrush(platform::Brush::Solid(body));
    p.Polygon(outline);
    const COLORREF pip = value == 1 || value == 4 ? RGB(210, 20, 20) : RGB(20, 20, 20);
    const double step = side * s * 0.28, r = side * s * (value == 1 ? 0.14 : 0.09);
    for (int i = 0; i < 9; ++i) {
        if (DieFace(value)[i] != '1') continue;
        const double gx = (i % 3 - 1) * step, gy = (i / 3 - 1) * step;
        const double a = degrees * std::numbers::pi / 180;
        const double x = cx * s + gx * std::cos(a) + gy * std::sin(a);
        const double y = cy * s - gx * std::sin(a) + gy * std::cos(a);
        Disc(p, {int(x - r), int(y - r), int(x + r), int(y + r)}, pip);
    }
}

// A die rolling in from the left over nine frames and landing on `value`
// in the middle of its cell.
Surface Dice(int value, COLORREF body, int seed) {
    std::vector<Surface> frames;
    for (int f = 0; f < 9; ++f) {
        const double t = f / 8.0;
        const double cx = 30 + 23 * t,
                     cy = 58 - 28 * std::abs(std::sin(t * std::numbers::pi * 2.5)) * (1 - t);
        const double turn = f == 8 ? 0 : 80 * (1 - t) + 17 * (f % 3);
        const int shown = f == 8 ? value : (value + seed + 2 * f) % 6 + 1;
        Surface frame = Smooth(
            106, 99, [&](Painter& p, int s) { Die(p, cx, cy, 44 + 4 * t, turn, shown, body, s); });
        CutToKey(frame, assets::kPureBlue);
        frames.push_back(frame);
    }
    return Row(frames);
}

// A bar piece: the style's bar colours from light to dark, rounded at the
// bar's ends, with a dark recess for a button in a middle piece.
Surface BarPiece(int width, int height, int side, int slot, const TableLook& look) {
    return Smooth(width, height, [&](Painter& p, int s) {
        Surface band(1, height * s);
        Painter g(band);
        g.GradientFill(band.Bounds(), look.barLight, look.barDark, platform::GRADIENT_FILL_RECT_V);
        const int r = 6 * s;
        const RECT whole{side < 0 ? 0 : -r, 0, side > 0 ? width * s : width * s + r, height * s};
        RoundRect(p, whole, r, RGB(40, 30, 20));
        for (int y = s; y < height * s - s; ++y) {
            const RECT inner{whole.left + s, y, whole.right - s, y + 1};
            p.FillSolidRect(inner, platform::ColorOf(band.At(0, y)));
        }
        if (side == 0 && slot > 0) {
            const int x = (width - slot) / 2 * s, y = (height - slot) / 2 * s;
            RoundRect(p, {x, y, x + slot * s, y + slot * s}, 4 * s,
                      Mix(look.barDark, RGB(0, 0, 0), 120));
        }
    });
}

// Round buttons 碰 杠 吃 胡 过 and the cancel 消 (OperationCell order).
Surface OperationButtons() {
    static const char* const kCaptions[6] = {"碰", "杠", "吃", "胡", "过", "消"};
    static const COLORREF kColours[6] = {RGB(40, 100, 200), RGB(130, 60, 180),  RGB(30, 140, 70),
                                         RGB(210, 40, 30),  RGB(110, 110, 110), RGB(200, 120, 20)};
    std::vector<Surface> cells;
    for (int i = 0; i < 6; ++i) {
        Surface cell = Smooth(40, 40, [&](Painter& p, int s) {
            Disc(p, {s, s, 39 * s, 39 * s}, Mix(kColours[i], RGB(0, 0, 0), 100));
            Disc(p, {3 * s, 3 * s, 37 * s, 37 * s}, kColours[i]);
            Disc(p, {8 * s, 5 * s, 32 * s, 18 * s}, Mix(kColours[i], RGB(255, 255, 255), 70));
        });
        Over(cell, ShadowedText(40, 40, kCaptions[i], Bold(24), RGB(255, 255, 255)), 0, 1);
        cells.push_back(cell);
    }
    return Row(cells);
}

bool MakeStyleFurniture(const std::string& folder, const TableLook& look) {
    auto write = [&](const char* file, Surface picture) {
        return WritePicture(folder, assets::kStylePictures, file, std::move(picture));
    };
    bool ok = write("TableCloth0.bmp", Cloth(look));
    ok = write("clock.bmp", Clock(look)) && ok;
    ok = write("clock_hand.bmp", ClockHand()) && ok;
    ok = write("PGCHG.png", OperationButtons()) && ok;
    ok = write("frame0_left.bmp", BarPiece(10, 48, -1, 0, look)) && ok;
    ok = write("frame0_main.bmp", BarPiece(46, 48, 0, 42, look)) && ok;
    ok = write("frame0_right.bmp", BarPiece(10, 48, 1, 0, look)) && ok;
    ok = write("frame1_left.bmp", BarPiece(8, 38, -1, 0, look)) && ok;
    ok = write("frame1_main.bmp", BarPiece(36, 38, 0, 32, look)) && ok;
    ok = write("frame1_right.bmp", BarPiece(8, 38, 1, 0, look)) && ok;
    return ok;
}

}  // namespace

bool MakeMahjongTable(const std::string& root) {
    const std::string common = root + assets::kSkinsFolder + "/" + assets::kCommonFolder + "/";
    bool ok = WritePicture(common, assets::kCommonPictures, "clock_digit.bmp", ClockDigits());
    for (int die = 0; die < 12; ++die) {
        const int value = die % 6 + 1;
        const COLORREF body = die < 6 ? RGB(252, 252, 248) : RGB(250, 226, 170);
        const std::string file = "dice" + std::to_string(die + 1) + ".bmp";
        ok = WritePicture(common, assets::kCommonPictures, file, Dice(value, body, die)) && ok;
    }
    for (const TableLook& look : TableLooks())
        ok = MakeStyleFurniture(root + assets::kSkinsFolder + "/" + look.style + "/", look) && ok;
    return ok;
}

}  // namespace assetgen
