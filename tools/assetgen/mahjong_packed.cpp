// The table's packed pictures (".pps", 32-bit with alpha): the buttons,
// badges, digits and seat frames every style shares (skins/Common/), and
// each style's settlement panel and joker animations.

#include <cmath>
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
using platform::RECT;
using platform::RGB;
using platform::Surface;

// A rounded button: a darker rim round a two-tone body, a white caption.
Surface Button(int w, int h, COLORREF colour, const char* caption) {
    Surface s = Smooth(w, h, [&](Painter& p, int s) {
        const int r = h / 3 * s;
        RoundRect(p, {0, 0, w * s, h * s}, r, Mix(colour, RGB(0, 0, 0), 110));
        RoundRect(p, {s, s, (w - 1) * s, (h - 1) * s}, r - s, colour);
        RoundRect(p, {2 * s, 2 * s, (w - 2) * s, h / 2 * s}, r - 2 * s, Mix(colour, kWhite, 60));
    });
    Over(s, ShadowedText(w, h, caption, Bold(h * 3 / 5), kWhite), 0, 0);
    return s;
}

// 胡 in a red ring, as a stamp.
Surface HuStamp() {
    Surface s = Smooth(68, 68, [](Painter& p, int s) {
        Disc(p, {s, s, 67 * s, 67 * s}, RGB(210, 30, 24));
        Disc(p, {6 * s, 6 * s, 62 * s, 62 * s}, RGB(255, 250, 240));
        Disc(p, {9 * s, 9 * s, 59 * s, 59 * s}, RGB(210, 30, 24));
    });
    Over(s, TextMask(68, 68, "胡", Bold(38), RGB(255, 246, 230)), 0, 0);
    return s;
}

// A small five-petalled flower beside 花.
Surface FlowerCount() {
    Surface s = Smooth(45, 20, [](Painter& p, int s) {
        for (int i = 0; i < 5; ++i) {
            const double a = i * 2 * std::numbers::pi / 5;
            const int x = int(10 * s + 5 * s * std::sin(a)), y = int(10 * s - 5 * s * std::cos(a));
            Disc(p, {x - 4 * s, y - 4 * s, x + 4 * s, y + 4 * s}, RGB(240, 110, 150));
        }
        Disc(p, {7 * s, 7 * s, 13 * s, 13 * s}, kGold);
    });
    Over(s, ShadowedText(25, 20, "花", Bold(16), kGold), 20, 0);
    return s;
}

// Gold digits 0-9, 14 x 20 each.
Surface Digits() {
    std::vector<Surface> cells;
    for (int d = 0; d < 10; ++d)
        cells.push_back(ShadowedText(14, 20, std::to_string(d), Bold(19, "Arial"), kGold));
    return Row(cells);
}

// Alpha scaled by `factor` inside `box`.
void Fade(Surface& s, const RECT& box, double factor) {
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) {
            const uint32_t p = s.At(x, y);
            s.Set(x, y, uint32_t(std::lround((p >> 24) * factor)) << 24 | (p & 0x00FFFFFFu));
        }
}

// A seat's frame: a gold rim round a see-through dark board.
Surface SeatFrame() {
    Surface s = Smooth(95, 115, [](Painter& p, int s) {
        RoundRect(p, {0, 0, 95 * s, 115 * s}, 10 * s, RGB(120, 80, 20));
        RoundRect(p, {2 * s, 2 * s, 93 * s, 113 * s}, 9 * s, kGold);
        RoundRect(p, {4 * s, 4 * s, 91 * s, 111 * s}, 8 * s, RGB(24, 30, 40));
    });
    Fade(s, {5, 5, 90, 110}, 0.55);
    return s;
}

// The auto-play banner: a see-through board with "托管中".
Surface AutoPlayBanner() {
    Surface s = Smooth(200, 48, [](Painter& p, int s) {
        RoundRect(p, {0, 0, 200 * s, 48 * s}, 12 * s, kGold);
        RoundRect(p, {2 * s, 2 * s, 198 * s, 46 * s}, 11 * s, RGB(20, 26, 40));
    });
    Fade(s, {4, 4, 196, 44}, 0.75);
    Over(s, ShadowedText(200, 48, "托管中", Bold(30), kGold), 0, 0);
    return s;
}

// The settlement panel: title, column heads and lines; the scene writes
// the rows (y 130 + 19 x chair), the head line (y 63) and the fan line.
Surface Settlement(const TableLook& look) {
    const COLORREF board = Mix(look.barDark, RGB(0, 0, 0), 150);
    Surface s = Smooth(400, 240, [&](Painter& p, int s) {
        RoundRect(p, {0, 0, 400 * s, 240 * s}, 14 * s, RGB(90, 60, 20));
        RoundRect(p, {2 * s, 2 * s, 398 * s, 238 * s}, 13 * s, look.barLight);
        RoundRect(p, {5 * s, 5 * s, 395 * s, 235 * s}, 11 * s, board);
        RoundRect(p, {130 * s, 10 * s, 270 * s, 46 * s}, 8 * s, Mix(board, look.barLight, 60));
        for (int y : {54, 104, 208})
            p.FillSolidRect({14 * s, y * s, 386 * s, (y + 1) * s}, Mix(board, look.barLight, 90));
    });
    Over(s, ShadowedText(400, 56, "本局结算", Bold(22), kGold), 0, 0);
    static const struct {
        int x;
        const char* head;
    } kHeads[] = {{18, "玩家"}, {160, "结果"}, {240, "积分"}, {318, "银两"}};
    for (const auto& h : kHeads)
        Over(s, TextMask(60, 20, h.head, Bold(14), Mix(look.barLight, board, 60)), h.x - 16, 108);
    return s;
}

// Ten frames of gold sparks circling a tile of tileW x tileH in the middle
// of a w x h picture, with a glow that swells and fades; the tile itself
// stays uncovered.
std::vector<Surface> JokerSparkle(int w, int h, int tileW, int tileH) {
    std::vector<Surface> frames;
    for (int f = 0; f < 10; ++f) {
        const double strength = std::sin((f + 1) * std::numbers::pi / 11);
        Surface s(w, h);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const double dx = std::max(0.0, std::abs(x - w / 2.0 + 0.5) - tileW / 2.0);
                const double dy = std::max(0.0, std::abs(y - h / 2.0 + 0.5) - tileH / 2.0);
                const double d = std::hypot(dx, dy);
                if (d <= 0) continue;
                const double glow = std::max(0.0, 1 - d / 12) * 0.7 * strength;
                s.Set(
                    x, y,
                    uint32_t(glow * 255) << 24 | (platform::PixelOf(RGB(255, 210, 60)) & 0xFFFFFF));
            }
        }
        Surface sparks = Smooth(w, h, [&](Painter& p, int s) {
            for (int i = 0; i < 8; ++i) {
                const double a = (i * 45 + f * 15) * std::numbers::pi / 180;
                const double rx = (tileW / 2.0 + 6) * s, ry = (tileH / 2.0 + 6) * s;
                const int cx = int(w * s / 2.0 + rx * std::cos(a));
                const int cy = int(h * s / 2.0 - ry * std::sin(a));
                const int r = int((2 + 2 * strength) * s) + (i % 2) * s;
                Disc(p, {cx - r, cy - r, cx + r, cy + r}, RGB(255, 250, 200));
            }
        });
        Over(s, sparks, 0, 0);
        frames.push_back(s);
    }
    return frames;
}

}  // namespace

bool MakeMahjongPacked(const std::string& root) {
    const std::string common = root + assets::kSkinsFolder + "/" + assets::kCommonFolder + "/";
    auto write = [&](const char* file, Surface picture) {
        return WritePicture(common, assets::kCommonPacked, file, std::move(picture));
    };
    const COLORREF blue = RGB(50, 110, 200);
    bool ok = write("准备.pps", Button(64, 32, RGB(40, 150, 70), "准备"));
    ok = write("确定.pps", Button(72, 28, RGB(210, 120, 30), "确定")) && ok;
    ok = write("开始.pps", Button(96, 36, RGB(214, 70, 30), "开始")) && ok;
    ok = write("胡图章.pps", HuStamp()) && ok;
    ok = write("2花.pps", FlowerCount()) && ok;
    ok = write("两.pps", ShadowedText(25, 20, "两", Bold(18), kGold)) && ok;
    ok = write("数字1.pps", Digits()) && ok;
    ok = write("底框.pps", SeatFrame()) && ok;
    ok = write("音乐.pps", Button(64, 26, blue, "音乐")) && ok;
    ok = write("换肤.pps", Button(64, 26, blue, "换肤")) && ok;
    ok = write("托管.pps", Button(64, 26, blue, "托管")) && ok;
    ok = write("截图.pps", Button(64, 26, blue, "截图")) && ok;
    ok = write("托管中.pps", AutoPlayBanner()) && ok;
    for (const TableLook& look : TableLooks()) {
        const std::string folder = root + assets::kSkinsFolder + "/" + look.style + "/";
        ok = WritePicture(folder, assets::kStylePacked, "结算.pps", Settlement(look)) && ok;
        ok = WritePacked(folder, assets::kStylePacked, "财神动画.pps",
                         JokerSparkle(96, 120, 54, 77), 100) &&
             ok;
        ok = WritePacked(folder, assets::kStylePacked, "财神动画800.pps",
                         JokerSparkle(76, 100, 42, 60), 100) &&
             ok;
    }
    return ok;
}

}  // namespace assetgen
