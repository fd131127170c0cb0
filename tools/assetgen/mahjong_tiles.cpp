// The tile pictures of each style (skins/<style>/): the 47-cell face strips
// of every size and turn, their joker twins, the backs, the standing backs
// of the other seats and the joker tile.
//
// A tile is drawn as the table shows it, from above and in front: a lying
// tile shows its top (face or back) over an 11-pixel edge (10 in the wall)
// in which the face layer and the back layer can be told apart; a standing
// tile of the own seat shows a thin top over its face; the other seats'
// standing tiles show their tops and their backs. Faces are turned so that
// each seat reads its own tiles: middle 3 upright, middle 1 upside down,
// middle 0 a quarter turn clockwise (the left seat), middle 2 anticlockwise.
//
// The wall's pictures leave one clear column: the first of each cell of
// "mj_small0.bmp" and the last of "mj_small1.bmp". The engine pane shows
// them 23 wide from 22-wide cells and 16 wide from 17-wide cells, and so
// still shows one whole tile.

#include <tuple>

#include "mahjong/scene/classic_bitmaps.h"
#include "platform/gui/painter.h"
#include "tools/assetgen/asset_files.h"
#include "tools/assetgen/draw.h"
#include "tools/assetgen/families.h"
#include "tools/assetgen/mahjong_style.h"
#include "tools/assetgen/raster.h"
#include "tools/assetgen/tile_faces.h"

namespace assetgen {
namespace {

namespace assets = mahjong::assets;
using platform::COLORREF;
using platform::Painter;
using platform::RECT;
using platform::Surface;

// How one picture lays a tile into its cell.
struct TileShape {
    int width, height;  // the cell
    int left, right;    // the tile's columns in the cell
    int topRows;        // rows of the top (lying) or the top surface (standing)
    int turns;          // quarter turns of the face, clockwise
};

constexpr TileShape kMiddleAcross = {33, 32, 0, 33, 21, 0};
constexpr TileShape kMiddleAlong = {26, 36, 0, 26, 25, 0};
constexpr TileShape kWallSide = {22, 23, 1, 22, 13, 1};
constexpr TileShape kWallEnd = {17, 26, 0, 16, 16, 0};
constexpr TileShape kLarge800 = {42, 60, 0, 42, 4, 0};
constexpr TileShape kLarge1024 = {54, 77, 0, 54, 5, 0};

// The tile's outline with its four corner pixels cleared.
void Outline(Surface& s, const TileShape& t, COLORREF colour) {
    Painter p(s);
    p.FrameRect({t.left, 0, t.right, t.height}, colour);
    for (int x : {t.left, t.right - 1})
        for (int y : {0, t.height - 1})
            s.Set(x, y, 0);
}

// A back surface: the back colour with a lighter bevel.
void BackSurface(Painter& p, const RECT& r, const TableLook& look) {
    p.FillSolidRect(r, look.back);
    const COLORREF light = Mix(look.back, platform::RGB(255, 255, 255), 60);
    p.FillSolidRect({r.left, r.top, r.right, r.top + 1}, light);
    p.FillSolidRect({r.left, r.top, r.left + 1, r.bottom}, light);
}

// A lying tile, face up (`face` given) or face down.
Surface Lying(const TileShape& t, const Surface* face, const TableLook& look) {
    Surface s(t.width, t.height);
    Painter p(s);
    const RECT top{t.left + 1, 1, t.right - 1, t.topRows};
    if (face) {
        Over(s, Resample(Turn(*face, t.turns), top.Width(), top.Height()), top.left, top.top);
    } else {
        BackSurface(p, top, look);
    }
    // The edge: the upper layer first, the lower under it.
    const int middle = t.topRows + (t.height - t.topRows) / 2;
    p.FillSolidRect({t.left, t.topRows, t.right, middle}, face ? look.faceEdge : look.backEdge);
    p.FillSolidRect({t.left, middle, t.right, t.height}, face ? look.backEdge : look.faceEdge);
    p.FillSolidRect({t.left, t.topRows, t.right, t.topRows + 1},
                    Mix(look.outline, look.faceEdge, 128));
    Outline(s, t, look.outline);
    return s;
}

// An own standing tile: a thin top surface (back far, face layer near)
// over the face, or over the back for cell 46.
Surface Standing(const TileShape& t, const Surface* face, const TableLook& look) {
    Surface s(t.width, t.height);
    Painter p(s);
    const int half = 1 + t.topRows / 2;
    p.FillSolidRect({0, 0, t.width, half}, look.back);
    p.FillSolidRect({0, half, t.width, t.topRows + 1}, look.faceEdge);
    const RECT front{1, t.topRows + 1, t.width - 1, t.height - 3};
    if (face) {
        Over(s, Resample(*face, front.Width(), front.Height()), front.left, front.top);
    } else {
        BackSurface(p, front, look);
    }
    p.FillSolidRect({1, t.height - 3, t.width - 1, t.height - 1}, look.faceEdge);
    Outline(s, t, look.outline);
    return s;
}

Surface Strip(const TileShape& t, const std::vector<Surface>& faces, bool standing,
              const TableLook& look) {
    std::vector<Surface> cells;
    for (int cell = 0; cell < assets::kTileCells; ++cell) {
        const Surface* face = cell == assets::kBackCell ? nullptr : &faces[size_t(cell)];
        cells.push_back(standing ? Standing(t, face, look) : Lying(t, face, look));
    }
    return Row(cells);
}

// A standing tile of a side seat from above: its top surface over its end,
// the face layer towards the seat's player.
Surface SideStanding(bool faceOnLeft, const TableLook& look) {
    const TileShape t{19, 49, 0, 19, 26, 0};
    Surface s(t.width, t.height);
    Painter p(s);
    const int faceCols = 8;
    const RECT faceHalf = faceOnLeft ? RECT{0, 0, faceCols, 49} : RECT{19 - faceCols, 0, 19, 49};
    const RECT backHalf = faceOnLeft ? RECT{faceCols, 0, 19, 49} : RECT{0, 0, 19 - faceCols, 49};
    for (const auto& [half, lit, shaded] :
         {std::tuple{faceHalf, look.face, look.faceEdge}, {backHalf, look.back, look.backEdge}}) {
        p.FillSolidRect({half.left, 0, half.right, t.topRows}, lit);
        p.FillSolidRect({half.left, t.topRows, half.right, t.height}, shaded);
    }
    p.FillSolidRect({0, t.topRows, 19, t.topRows + 1}, Mix(look.outline, look.faceEdge, 128));
    Outline(s, t, look.outline);
    return s;
}

// A standing tile of the opposite seat: its top surface (the face layer far,
// the back near) over its back.
Surface TopStanding(const TableLook& look) {
    const TileShape t{26, 37, 0, 26, 12, 0};
    Surface s(t.width, t.height);
    Painter p(s);
    p.FillSolidRect({0, 0, 26, 6}, look.face);
    p.FillSolidRect({0, 6, 26, t.topRows}, look.back);
    BackSurface(p, {1, t.topRows, 25, 36}, look);
    p.FillSolidRect({0, t.topRows, 26, t.topRows + 1}, look.backEdge);
    Outline(s, t, look.outline);
    return s;
}

bool MakeStyleTiles(const std::string& folder, const TableLook& look) {
    std::vector<Surface> faces, jokers;
    for (int cell = 0; cell < assets::kTileCells; ++cell) {
        faces.push_back(DrawFace(cell, look.face, false));
        jokers.push_back(DrawFace(cell, look.face, true));
    }
    const auto pictures = std::span(assets::kStylePictures);
    auto write = [&](const char* file, Surface picture) {
        return WritePicture(folder, pictures, file, std::move(picture));
    };
    auto turned = [](TileShape t, int turns) {
        t.turns = turns;
        return t;
    };
    bool ok = true;
    for (const auto& [prefix, set] : {std::pair{"mj_", &faces}, {"joker_", &jokers}}) {
        const std::string p = prefix;
        ok = write((p + "large800.bmp").c_str(), Strip(kLarge800, *set, true, look)) && ok;
        ok = write((p + "large1024.bmp").c_str(), Strip(kLarge1024, *set, true, look)) && ok;
        ok = write((p + "middle0.bmp").c_str(),
                   Strip(turned(kMiddleAcross, 1), *set, false, look)) &&
             ok;
        ok =
            write((p + "middle1.bmp").c_str(), Strip(turned(kMiddleAlong, 2), *set, false, look)) &&
            ok;
        ok = write((p + "middle2.bmp").c_str(),
                   Strip(turned(kMiddleAcross, 3), *set, false, look)) &&
             ok;
        ok = write((p + "middle3.bmp").c_str(), Strip(kMiddleAlong, *set, false, look)) && ok;
    }
    ok = write("mj_small0.bmp", Strip(kWallSide, faces, false, look)) && ok;
    ok = write("mj_small1.bmp", Strip(kWallEnd, faces, false, look)) && ok;
    ok = write("mj_smallback0.bmp", Lying(kWallSide, nullptr, look)) && ok;
    ok = write("mj_smallback1.bmp", Lying(kWallEnd, nullptr, look)) && ok;
    ok = write("mj_back0.bmp", Lying(kMiddleAcross, nullptr, look)) && ok;
    ok = write("mj_back1.bmp", Lying(kMiddleAlong, nullptr, look)) && ok;
    ok = write("mj_side0.bmp", SideStanding(true, look)) && ok;
    ok = write("mj_side1.bmp", TopStanding(look)) && ok;
    ok = write("mj_side2.bmp", SideStanding(false, look)) && ok;
    const Surface sign = DrawJokerSign(look.face);
    ok = write("mj_joker.bmp", Standing(kLarge800, &sign, look)) && ok;
    // The classic pane's own tiles that may not be chosen: the large faces
    // greyed towards the cloth.
    Surface locked = Strip(kLarge800, faces, true, look);
    for (int y = 0; y < locked.Height(); ++y) {
        for (int x = 0; x < locked.Width(); ++x) {
            const uint32_t p = locked.At(x, y);
            const COLORREF c = platform::ColorOf(p);
            if (c == assets::kMagenta) continue;
            locked.Set(x, y,
                       (p & 0xff000000) |
                           (platform::PixelOf(Mix(c, platform::RGB(96, 96, 96), 110)) & 0xffffff));
        }
    }
    ok = WritePicture(folder, assets::kClassicStylePictures, "mj_locked800.bmp", locked) && ok;
    return ok;
}

}  // namespace

bool MakeMahjongTiles(const std::string& root) {
    bool ok = true;
    for (const TableLook& look : TableLooks()) {
        const std::string folder = root + assets::kSkinsFolder + "/" + look.style + "/";
        ok = MakeStyleTiles(folder, look) && ok;
    }
    return ok;
}

}  // namespace assetgen
