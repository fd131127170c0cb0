// The default skins: skins/skin1 (blue, the default) and skins/skin2 (warm
// orange), each a "skin.ini", a "skin.ico" and 24-bit pictures; and
// skins/noskin, a folder without "skin.ini" that is no skin.

#include <cmath>

#include "mahjong/scene/classic_bitmaps.h"
#include "tools/assetgen/draw.h"
#include "tools/assetgen/families.h"
#include "tools/assetgen/raster.h"
#include "tools/assetgen/smooth_draw.h"
#include "tools/assetgen/writers.h"

namespace assetgen {

using platform::RGB;
namespace {

using platform::COLORREF;
using platform::Painter;
using platform::POINT;
using platform::RECT;
using platform::Surface;

struct Theme {
    const char* folder;
    const char* name;  // GBK
    COLORREF dark, mid, light, cloth;
    const char* waitBarFg;
    const char* waitBarBg;
    const char* tableColor;
    const char* frame[4];  // LeftIn, LeftOut, RightIn, RightOut
    int buttonWidth, buttonHeight;
    const char* tileStyle;  // the tiles of the classic pane
};

const Theme kThemes[] = {
    {"skin1",
     "经典蓝",
     RGB(32, 64, 140),
     RGB(90, 140, 210),
     RGB(205, 220, 245),
     RGB(20, 100, 50),
     "30 60 140",
     "190 205 235",
     "20 100 50",
     {"20 40 90", "90 120 170", "200 215 240", "255 255 255"},
     56,
     36,
     "Classic"},
    {"skin2",
     "暖阳橙",
     RGB(150, 64, 16),
     RGB(230, 140, 50),
     RGB(252, 228, 196),
     RGB(120, 48, 28),
     "150 60 10",
     "250 215 170",
     "110 45 25",
     {"90 40 10", "170 110 60", "245 220 190", "255 250 240"},
     56,
     36,
     "Azure"},
};

Surface Gradient(int width, int height, COLORREF from, COLORREF to, platform::GradientMode mode) {
    Surface s(width, height);
    Painter p(s);
    p.GradientFill(s.Bounds(), from, to, mode);
    return s;
}

// A bar picture: dark edges and a light middle across its thickness.
Surface Bar(const Theme& t, bool vertical) {
    const int thickness = 5, length = 32;
    Surface s(vertical ? thickness : length, vertical ? length : thickness);
    Painter p(s);
    const COLORREF shades[thickness] = {t.dark, t.mid, t.light, t.mid, t.dark};
    for (int i = 0; i < thickness; ++i)
        p.FillSolidRect(vertical ? RECT{i, 0, i + 1, length} : RECT{0, i, length, i + 1},
                        shades[i]);
    return s;
}

Surface WaitBackground(const Theme& t) {
    Surface s = Gradient(320, 90, t.light, Mix(t.light, t.mid, 96), platform::GRADIENT_FILL_RECT_V);
    Painter p(s);
    p.FrameRect(s.Bounds(), t.dark);
    p.FrameRect(platform::InflateRect(s.Bounds(), -2, -2), t.mid);
    // A row of small tiles along the top edge.
    for (int x = 8; x + 10 <= 312; x += 14) {
        p.FillSolidRect({x, 6, x + 10, 14}, RGB(250, 246, 230));
        p.FrameRect({x, 6, x + 10, 14}, t.mid);
    }
    return s;
}

Surface DialogBar(const Theme& t) {
    Surface s = Gradient(1024, 40, t.dark, t.mid, platform::GRADIENT_FILL_RECT_V);
    Painter p(s);
    p.FillSolidRect({0, 0, 60, 40}, t.dark);  // the left part (DlgBarBKLeftWidth)
    p.FillSolidRect({60, 0, 62, 40}, t.light);
    return s;
}

Surface TableCloth(const Theme& t) {
    Surface s(64, 64);
    s.Fill(platform::PixelOf(t.cloth));
    Painter p(s);
    const COLORREF thread = Mix(t.cloth, RGB(255, 255, 255), 24);
    for (int i = 0; i < 64; i += 8) {
        for (int j = 0; j < 64; ++j) {
            p.SetPixel((i + j) % 64, j, thread);
            p.SetPixel((i - j + 64) % 64, j, thread);
        }
    }
    return s;
}

Surface SkinIcon(const Theme& t, int side) {
    Surface s(side, side);
    Painter p(s);
    p.FillSolidRect(s.Bounds(), RGB(255, 255, 255));
    p.FillSolidRect(platform::InflateRect(s.Bounds(), -1, -1), t.dark);
    p.FillSolidRect({side / 4, side / 4, side * 3 / 4, side * 3 / 4}, t.light);
    return s;
}

// The operation bar's buttons, in command order: the rules page, the play
// settings, a spare one (an empty outline: the program draws it embossed) and
// leaving the table. Each is a key 48 x 32 with a sign and its name: four
// fit a bar narrower than four buttons of the skin's width.
struct OperateKey {
    const char* file;  // also the picture's key in skin.ini
    const char* name;  // GBK; empty for the spare key
};
constexpr OperateKey kOperateKeys[] = {{"OperateRules", "规则"},
                                       {"OperateSettings", "设置"},
                                       {"OperateSpare", ""},
                                       {"OperateLeave", "离开"}};
constexpr COLORREF kPictureKey = RGB(255, 0, 255);

// The sign of key `k` in a 20 x 20 box at the painter's origin, `s` times larger.
void OperateSign(Painter& p, int k, int s, COLORREF ink, COLORREF paper) {
    auto box = [s](int l, int t, int r, int b) { return RECT{l * s, t * s, r * s, b * s}; };
    if (k == 0) {  // an open book with lines on both pages
        p.FillSolidRect(box(2, 4, 18, 17), ink);
        p.FillSolidRect(box(3, 5, 9, 16), paper);
        p.FillSolidRect(box(11, 5, 17, 16), paper);
        for (int y = 7; y <= 13; y += 3) {
            p.FillSolidRect(box(4, y, 8, y + 1), ink);
            p.FillSolidRect(box(12, y, 16, y + 1), ink);
        }
    } else if (k == 1) {  // a cog wheel
        for (int i = 0; i < 8; ++i) {
            const double a = i * 3.14159265358979 / 4;
            const int cx = 10 * s + int(7.5 * s * std::cos(a));
            const int cy = 10 * s + int(7.5 * s * std::sin(a));
            Disc(p, {cx - 2 * s, cy - 2 * s, cx + 2 * s, cy + 2 * s}, ink);
        }
        Disc(p, box(3, 3, 17, 17), ink);
        Disc(p, box(7, 7, 13, 13), paper);
    } else if (k == 3) {  // a door with an arrow going out
        p.FillSolidRect(box(3, 2, 12, 18), ink);
        p.FillSolidRect(box(5, 4, 10, 16), paper);
        p.FillSolidRect(box(8, 9, 15, 11), ink);
        const POINT head[3] = {{14 * s, 6 * s}, {19 * s, 10 * s}, {14 * s, 14 * s}};
        p.SelectPen({platform::PS_SOLID, 1, ink});
        p.SelectBrush(platform::Brush::Solid(ink));
        p.Polygon(head);
    }
}

Surface OperatePicture(const Theme& t, int k) {
    const COLORREF ink = t.dark, paper = Mix(t.light, RGB(255, 255, 255), 128);
    Surface key = Smooth(48, 32, [&](Painter& p, int s) {
        RoundRect(p, {0, 0, 48 * s, 32 * s}, 6 * s, t.dark);
        RoundRect(p, {s, s, 47 * s, 31 * s}, 5 * s, paper);
        RoundRect(p, {s, 17 * s, 47 * s, 31 * s}, 5 * s, Mix(paper, t.light, 160));
        p.FillSolidRect({s, 16 * s, 47 * s, 22 * s}, Mix(paper, t.light, 160));
        p.SetOrigin({2 * s, 6 * s});
        OperateSign(p, k, s, ink, paper);
    });
    if (*kOperateKeys[k].name)
        Over(key, TextMask(26, 32, kOperateKeys[k].name, Bold(12), ink), 20, 0);
    CutToKey(key, kPictureKey);
    if (!*kOperateKeys[k].name) {  // the spare key: its outline only
        for (int y = 3; y < 29; ++y)
            for (int x = 3; x < 45; ++x)
                key.Row(y)[x] = platform::PixelOf(kPictureKey);
    }
    return key;
}

std::string SkinIni(const Theme& t) {
    std::string ini;
    auto line = [&](const std::string& text) { ini += text + "\r\n"; };
    line("[SKIN]");
    line(std::string("Name=") + t.name);
    line("[DLGBAR]");
    line("AdvertLeft=3");
    line("AdvertTop=3");
    line("BTNWidth=" + std::to_string(t.buttonWidth));
    line("BTNHeight=" + std::to_string(t.buttonHeight));
    line("[SPLITTER]");
    line("VerWidth=5");
    line("HorHeight=5");
    line("[BitmapResource]");
    line("DlgBarBKLeftWidth=60");
    line("CommDlgBK=CommDlgBK.bmp");
    line("SplitterVerBK=SplitterVerBK.bmp");
    line("SplitterHorBK=SplitterHorBK.bmp");
    line("OperateBK=OperateBK.bmp");
    for (const OperateKey& k : kOperateKeys)
        line(std::string(k.file) + "=" + k.file + ".bmp");
    line("TableCloth=TableCloth.bmp");
    line("DlgBarBK=DlgBarBK.bmp");
    // The classic pane's table: the pictures of the skin's tile style and
    // the common ones, from their folders beside the skin's.
    auto bitmap = [&](const mahjong::assets::SkinBitmap& b) {
        line(std::string(b.name) + "=..\\" +
             (b.common ? mahjong::assets::kCommonFolder : t.tileStyle) + "\\" + b.file);
    };
    for (const mahjong::assets::SkinBitmap& b : mahjong::assets::kClassicSkinBitmaps)
        bitmap(b);
    bitmap(mahjong::assets::kBankerMarkBitmap);
    line("[CommColors]");
    line(std::string("WaitBarfg=") + t.waitBarFg);
    line(std::string("WaitBarbg=") + t.waitBarBg);
    line(std::string("TableColor=") + t.tableColor);
    line("[FRAMECOLOR]");
    const char* keys[4] = {"LeftIn", "LeftOut", "RightIn", "RightOut"};
    for (int i = 0; i < 4; ++i)
        line(std::string(keys[i]) + "=" + t.frame[i]);
    return ini;
}

}  // namespace

bool MakeSkins(const std::string& root) {
    bool ok = true;
    for (const Theme& t : kThemes) {
        const std::string dir = root + "skins/" + t.folder + "/";
        ok = WriteText(dir + "skin.ini", SkinIni(t)) && ok;
        ok = WriteIco(dir + "skin.ico", {SkinIcon(t, 32), SkinIcon(t, 16)}) && ok;
        ok = WriteBmp(dir + "CommDlgBK.bmp", WaitBackground(t)) && ok;
        ok = WriteBmp(dir + "DlgBarBK.bmp", DialogBar(t)) && ok;
        ok = WriteBmp(dir + "SplitterVerBK.bmp", Bar(t, true)) && ok;
        ok = WriteBmp(dir + "SplitterHorBK.bmp", Bar(t, false)) && ok;
        ok = WriteBmp(dir + "OperateBK.bmp",
                      Gradient(200, 60, t.light, t.mid, platform::GRADIENT_FILL_RECT_V)) &&
             ok;
        ok = WriteBmp(dir + "TableCloth.bmp", TableCloth(t)) && ok;
        for (int k = 0; k < 4; ++k)
            ok = WriteBmp(dir + kOperateKeys[k].file + ".bmp", OperatePicture(t, k)) && ok;
    }
    ok = WriteText(root + "skins/noskin/readme.txt",
                   "A folder without skin.ini: the program does not offer it as a skin.\n") &&
         ok;
    return ok;
}

}  // namespace assetgen
