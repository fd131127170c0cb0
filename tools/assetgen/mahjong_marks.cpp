// The marks and signs every style shares (skins/Common/): the start and
// ask-to-see-cards buttons, the wind markers, the seat icons and system-bar
// pictures of "buff.bmp", the system bar's arrow, the auto-play sign, the
// win mark, the note board, the pointing hand, the particle and the board
// that shows the round's joker.

#include <cmath>
#include <span>

#include "mahjong/scene/classic_bitmaps.h"
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

constexpr COLORREF kDark = RGB(40, 28, 16);

// An opaque button plate (the image buttons have no colour key): a gradient
// in a gold frame with a white caption.
Surface ButtonPlate(int w, int h, COLORREF top, COLORREF bottom, const char* caption) {
    Surface s(w, h);
    Painter p(s);
    p.FillSolidRect(s.Bounds(), Mix(bottom, RGB(0, 0, 0), 100));
    p.GradientFill({1, 1, w - 1, h - 1}, top, bottom, platform::GRADIENT_FILL_RECT_V);
    p.FrameRect({1, 1, w - 1, h - 1}, kGold);
    Over(s, ShadowedText(w, h, caption, Bold(h * 3 / 5), kWhite), 0, 0);
    return s;
}

// Round wind markers 东 南 西 北.
Surface WindMarkers() {
    static const char* const kWinds[4] = {"东", "南", "西", "北"};
    std::vector<Surface> cells;
    for (const char* wind : kWinds) {
        Surface cell = Smooth(59, 61, [](Painter& p, int s) {
            Disc(p, {2 * s, 3 * s, 57 * s, 58 * s}, RGB(120, 20, 16));
            Disc(p, {5 * s, 6 * s, 54 * s, 55 * s}, RGB(252, 244, 224));
        });
        Over(cell, TextMask(59, 61, wind, Bold(34), RGB(150, 24, 20)), 0, 0);
        cells.push_back(cell);
    }
    return Row(cells);
}

// The icon of a "buff.bmp" cell, drawn at the scale s in a 30-pixel square.
void BuffIcon(Painter& p, int cell, int s) {
    auto r = [s](int l, int t, int rt, int b) { return RECT{l * s, t * s, rt * s, b * s}; };
    switch (cell) {
        case assets::kBuffMusic:  // a quaver
            Disc(p, r(7, 17, 16, 25), kWhite);
            p.FillSolidRect(r(14, 5, 16, 21), kWhite);
            p.FillSolidRect(r(14, 5, 23, 8), kWhite);
            break;
        case assets::kBuffSkin:  // a palette with paints
            Disc(p, r(5, 6, 26, 25), RGB(236, 210, 160));
            Disc(p, r(9, 9, 14, 14), RGB(220, 40, 40));
            Disc(p, r(16, 8, 21, 13), RGB(40, 160, 60));
            Disc(p, r(8, 16, 13, 21), RGB(40, 90, 220));
            Disc(p, r(16, 17, 21, 22), RGB(90, 110, 140));
            break;
        case assets::kBuffSort:  // bars rising left to right
            for (int i = 0; i < 4; ++i)
                p.FillSolidRect(r(6 + 5 * i, 21 - 4 * i, 10 + 5 * i, 24), kWhite);
            break;
        case assets::kBuffAutoPlay:  // a robot's head
            p.FillSolidRect(r(14, 4, 16, 9), kWhite);
            RoundRect(p, r(7, 8, 23, 22), 3 * s, kWhite);
            Disc(p, r(10, 12, 14, 16), RGB(40, 120, 220));
            Disc(p, r(16, 12, 20, 16), RGB(40, 120, 220));
            p.FillSolidRect(r(11, 18, 19, 20), RGB(90, 110, 140));
            break;
        case assets::kBuffScreenshot:  // a camera
            RoundRect(p, r(5, 10, 25, 23), 2 * s, kWhite);
            p.FillSolidRect(r(11, 7, 18, 11), kWhite);
            Disc(p, r(11, 12, 19, 20), RGB(60, 80, 110));
            Disc(p, r(13, 14, 17, 18), RGB(180, 210, 240));
            break;
    }
}

// Seat icons and system-bar pictures, 30 x 30 each (BuffCell order).
Surface Buffs() {
    std::vector<Surface> cells;
    for (int cell = 0; cell <= assets::kBuffScreenshot; ++cell) {
        Surface icon = Smooth(30, 30, [cell](Painter& p, int s) {
            if (cell == assets::kBuffBanker) {
                Disc(p, {s, s, 29 * s, 29 * s}, RGB(200, 30, 24));
            } else if (cell == assets::kBuffMoney) {  // a silver ingot
                Disc(p, {2 * s, 12 * s, 28 * s, 26 * s}, RGB(150, 156, 166));
                Disc(p, {8 * s, 6 * s, 22 * s, 18 * s}, RGB(214, 220, 230));
                Disc(p, {4 * s, 11 * s, 26 * s, 19 * s}, RGB(190, 196, 206));
            } else {
                RoundRect(p, {s, s, 29 * s, 29 * s}, 5 * s, RGB(60, 80, 110));
                BuffIcon(p, cell, s);
            }
        });
        if (cell == assets::kBuffBanker) Over(icon, TextMask(30, 30, "庄", Bold(18), kWhite), 0, 0);
        cells.push_back(icon);
    }
    return Row(cells);
}

Surface Arrowhead() {
    return Smooth(20, 12, [](Painter& p, int s) {
        const POINT tri[3] = {{s, s}, {19 * s, s}, {10 * s, 11 * s}};
        p.SelectPen({platform::PS_SOLID, s, RGB(120, 70, 10)});
        p.SelectBrush(platform::Brush::Solid(kGold));
        p.Polygon(tri);
    });
}

// A dark rounded board with a robot and "托管中".
Surface AutoPlaySign() {
    Surface s = Smooth(112, 36, [](Painter& p, int s) {
        RoundRect(p, {0, 0, 112 * s, 36 * s}, 8 * s, RGB(30, 40, 60));
        RoundRect(p, {2 * s, 2 * s, 110 * s, 34 * s}, 7 * s, RGB(50, 70, 104));
        p.SetOrigin({3 * s, 3 * s});
        BuffIcon(p, assets::kBuffAutoPlay, s);
    });
    Over(s, ShadowedText(76, 36, "托管中", Bold(18), kGold), 34, 0);
    return s;
}

// A red seal with 胡.
Surface WinMark() {
    Surface s = Smooth(72, 72, [](Painter& p, int s) {
        RoundRect(p, {2 * s, 2 * s, 70 * s, 70 * s}, 10 * s, RGB(200, 24, 20));
        RoundRect(p, {7 * s, 7 * s, 65 * s, 65 * s}, 7 * s, RGB(255, 236, 200));
        RoundRect(p, {9 * s, 9 * s, 63 * s, 63 * s}, 6 * s, RGB(200, 24, 20));
    });
    Over(s, TextMask(72, 72, "胡", Bold(46), RGB(255, 240, 210)), 0, 0);
    return s;
}

Surface NoteBoard() {
    return Smooth(120, 28, [](Painter& p, int s) {
        RoundRect(p, {0, 0, 120 * s, 28 * s}, 5 * s, RGB(120, 90, 40));
        RoundRect(p, {s, s, 119 * s, 27 * s}, 4 * s, RGB(255, 246, 200));
    });
}

// A hand whose forefinger points left, with a blue cuff; each folded finger
// is outlined over the one above it.
Surface PointingHand() {
    constexpr COLORREF kLine = RGB(110, 60, 30), kSkin = RGB(255, 218, 180);
    return Smooth(126, 60, [&](Painter& p, int s) {
        auto part = [&](int l, int t, int r, int b, int radius, COLORREF fill, COLORREF line) {
            RoundRect(p, {l * s - 2 * s, t * s - 2 * s, r * s + 2 * s, b * s + 2 * s},
                      (radius + 2) * s, line);
            RoundRect(p, {l * s, t * s, r * s, b * s}, radius * s, fill);
        };
        part(88, 6, 112, 54, 4, RGB(60, 100, 200), RGB(20, 40, 90));  // cuff
        part(50, 8, 90, 52, 12, kSkin, kLine);                        // palm
        part(56, 2, 80, 16, 7, kSkin, kLine);                         // thumb
        part(4, 16, 64, 30, 7, kSkin, kLine);                         // forefinger
        for (int i = 0; i < 3; ++i)                                   // folded fingers
            part(40 + 3 * i, 30 + 7 * i, 64, 38 + 7 * i, 4, kSkin, kLine);
    });
}

// A gold spark: a soft glow with four rays.
Surface Particle() {
    Surface s(20, 20);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const double dx = x - 9.5, dy = y - 9.5, d = std::hypot(dx, dy) / 10;
            const double ray =
                std::max(0.0, 1 - std::min(std::abs(dx), std::abs(dy)) / 1.5) * (1 - d);
            const double a = std::clamp(std::max(std::pow(std::max(0.0, 1 - d), 2), ray), 0.0, 1.0);
            const uint32_t alpha = uint32_t(std::lround(a * 255));
            s.Set(x, y, alpha << 24 | (platform::PixelOf(RGB(255, 230, 120)) & 0x00FFFFFFu));
        }
    }
    return s;
}

// The joker board: "财神" down its left, a recess on its right where the
// joker tile (44 x 60) lies.
Surface JokerBoard() {
    Surface s = Smooth(102, 72, [](Painter& p, int s) {
        RoundRect(p, {0, 0, 102 * s, 72 * s}, 8 * s, RGB(120, 70, 10));
        RoundRect(p, {2 * s, 2 * s, 100 * s, 70 * s}, 7 * s, RGB(170, 30, 24));
        RoundRect(p, {45 * s, 5 * s, 91 * s, 67 * s}, 3 * s, RGB(90, 14, 10));
    });
    Over(s, ShadowedText(44, 36, "财", Bold(26), kGold), 2, 2);
    Over(s, ShadowedText(44, 36, "神", Bold(26), kGold), 2, 34);
    return s;
}

// The classic pane's win mark: a red plate the size of a shown tile.
Surface WinTile() {
    Surface s = Smooth(42, 60, [](Painter& p, int s) {
        RoundRect(p, {0, 0, 42 * s, 60 * s}, 5 * s, RGB(120, 14, 10));
        RoundRect(p, {2 * s, 2 * s, 40 * s, 58 * s}, 4 * s, RGB(200, 30, 24));
    });
    Over(s, ShadowedText(42, 60, "胡", Bold(30), kGold), 0, 0);
    return s;
}

// The banker's mark beside a seat's name on the classic pane.
Surface BankerMark() {
    Surface s = Smooth(20, 20, [](Painter& p, int s) {
        Disc(p, {0, 0, 20 * s, 20 * s}, RGB(150, 24, 20));
        Disc(p, {2 * s, 2 * s, 18 * s, 18 * s}, RGB(220, 60, 30));
    });
    Over(s, ShadowedText(20, 20, "庄", Bold(14), kWhite), 0, 0);
    return s;
}

}  // namespace

bool MakeMahjongMarks(const std::string& root) {
    const std::string folder = root + assets::kSkinsFolder + "/" + assets::kCommonFolder + "/";
    auto write = [&](const char* file, Surface picture) {
        return WritePicture(folder, assets::kCommonPictures, file, std::move(picture));
    };
    bool ok = write("start.bmp", ButtonPlate(81, 30, RGB(236, 110, 40), RGB(176, 40, 16), "开始"));
    ok = write("AskKanPai.bmp", ButtonPlate(71, 25, RGB(70, 140, 230), RGB(30, 70, 160), "看牌")) &&
         ok;
    ok = write("dnxb.png", WindMarkers()) && ok;
    ok = write("buff.bmp", Buffs()) && ok;
    ok = write("arrowhead.bmp", Arrowhead()) && ok;
    ok = write("Autoplay.bmp", AutoPlaySign()) && ok;
    ok = write("hu.bmp", WinMark()) && ok;
    ok = write("note.bmp", NoteBoard()) && ok;
    ok = write("hand.png", PointingHand()) && ok;
    ok = write("partical.png", Particle()) && ok;
    ok = write("JokerObject.bmp", JokerBoard()) && ok;
    const auto classic = std::span(assets::kClassicCommonPictures);
    ok = WritePicture(folder, classic, "mj_hu.bmp", WinTile()) && ok;
    ok = WritePicture(folder, classic, "mj_zhuang.bmp", BankerMark()) && ok;
    return ok;
}

}  // namespace assetgen
