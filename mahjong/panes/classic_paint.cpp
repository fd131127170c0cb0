#include "mahjong/panes/classic_paint.h"

#include <string>

#include "mahjong/scene/table_scene.h"
#include "mahjong/scene/tile_controls.h"
#include "mahjong/scene/tile_identity.h"

namespace mahjong {
namespace {

constexpr int32_t kLargeWidth = 42, kLargeHeight = 60;  // the classic own tile
constexpr int32_t kHandCell = 56, kDigitWidth = 8, kDigitHeight = 17;
constexpr int32_t kDigitShift = 4;  // each digit's centre beside the clock's
constexpr int32_t kDieWidth = 106, kDieHeight = 99;

// The skin bitmap of a picture; the joker pictures are this game's engine
// ones: the classic pane draws a joker's own face (the joker pictures stand
// in the order of the large and middle faces).
std::string_view SkinNameOf(Picture picture) {
    const int32_t joker = int32_t(picture) - int32_t(Picture::kJokerLarge);
    if (joker >= 0 && joker <= int32_t(Picture::kJokerMiddle3) - int32_t(Picture::kJokerLarge))
        picture = Picture(int32_t(Picture::kLargeFace) + joker);
    const char* name = NamesOf(picture, false).skinName;
    return name ? name : "";
}

platform::RECT Cell(int32_t x, int32_t width, int32_t height) {
    return {x, 0, x + width, height};
}

}  // namespace

void ClassicTablePainter::Blt(std::string_view bitmap, const platform::RECT& dest,
                              const platform::RECT& source) {
    const platform::Surface* picture = scene_.TableBitmaps().Get(bitmap);
    if (!picture) return;
    dc_.TransparentBlt(dest, *picture, source, ClassicTableBitmaps::KeyOf(bitmap));
}

void ClassicTablePainter::PaintRecord(int32_t area, int32_t seat, int32_t index) {
    const MJStruct* r = scene_.GetMJStruct(area, seat, index);
    if (!r || !r->present) return;
    TileImage image;
    int32_t x = 0, y = 0;
    if (!scene_.TilePlace(area, seat, index, &image, &x, &y)) return;
    if (image.picture == Picture::kLargeFace || image.picture == Picture::kJokerLarge) {
        image.width = kLargeWidth;
        image.height = kLargeHeight;
        image.sourceX = TileImageIndex(r->nFace) * kLargeWidth;
    }
    const platform::RECT dest{x, y, x + image.width, y + image.height};
    // The classic level's discards lie face up, across the left and right
    // seats' rivers and along the others', whatever their side and face set.
    if (area == kAreaRiver) {
        image.picture = LyingFacePicture(Mod4(seat + 2), false);
        image.width = seat % 2 == 0 ? 33 : 26;
        image.height = seat % 2 == 0 ? 32 : 36;
        image.sourceX = TileImageIndex(r->nFace) * image.width;
    }
    if (area == kAreaShown && r->huMark) {
        Blt("MJ_HU", dest, Cell(0, kLargeWidth, kLargeHeight));
        return;
    }
    Blt(SkinNameOf(image.picture), dest, Cell(image.sourceX, image.width, image.height));
}

void ClassicTablePainter::PaintOwnHand() {
    RECT area;
    scene_.GetHandAreaRect(3, &area);
    auto paint = [&](int32_t i) {
        const MJStruct& r = *scene_.GetMJStruct(kAreaHand, 3, i);
        if (!r.present) return;
        if (!r.standing) {
            PaintRecord(kAreaHand, 3, i);
            return;
        }
        // Standing: raised tiles stand 10 pixels higher; a joker shown as
        // the joker, a tile that may not be chosen with the locked faces.
        const int32_t x = area.left + r.x, y = area.top + (r.raised ? r.y - kOwnTileLift : r.y);
        const platform::RECT dest{x, y, x + kLargeWidth, y + kLargeHeight};
        if (r.jokerMark) {
            Blt("MJ_JOKER", dest, Cell(0, kLargeWidth, kLargeHeight));
            return;
        }
        const int32_t cell = TileImageIndex(r.nFace) * kLargeWidth;
        Blt(r.locked ? "MJ_LARGE2" : "MJ_LARGE1", dest, Cell(cell, kLargeWidth, kLargeHeight));
    };
    // From the far end of the row down; the tile being dragged goes last.
    int32_t dragged = -1;
    for (int32_t i = kHandRecords - 1; i >= 0; --i) {
        const MJStruct& r = *scene_.GetMJStruct(kAreaHand, 3, i);
        if (r.raised && r.visible && r.standing) {
            dragged = i;
            continue;
        }
        paint(i);
    }
    if (dragged >= 0) paint(dragged);
}

void ClassicTablePainter::PaintClock() {
    const CMJTableSceneBase::ClockFace& face = scene_.GetClockFace();
    if (!face.visible) return;
    RECT r;
    scene_.GetClockRect(&r);
    Blt("CLOCK", r, Cell(0, r.right - r.left, r.bottom - r.top));
    const int32_t cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    Blt("CLOCK_HAND",
        {cx - kHandCell / 2, cy - kHandCell / 2, cx + kHandCell / 2, cy + kHandCell / 2},
        Cell(face.handX, kHandCell, kHandCell));
    const int32_t cells[2] = {face.tensX, face.unitsX};
    for (int32_t d = 0; d < 2; ++d) {
        const int32_t x = cx + (d == 0 ? -kDigitShift : kDigitShift) - kDigitWidth / 2;
        const int32_t y = cy - kDigitHeight / 2;
        Blt("CLOCK_DIGIT", {x, y, x + kDigitWidth, y + kDigitHeight},
            Cell(cells[d], kDigitWidth, kDigitHeight));
    }
}

void ClassicTablePainter::PaintTurnedUpTile() {
    // The first present, turned-up wall tile marked to be shown large.
    for (int32_t i = 0; i < scene_.WallTiles(); ++i) {
        const MJStruct& w = *scene_.GetMJStruct(kAreaWall, 0, i);
        if (!w.present || w.faceState != 1 || !w.showLarge) continue;
        RECT rect;
        scene_.GetDrawTileRect(&rect);
        if (rect.right == rect.left) return;
        const int32_t face = scene_.GetTableLogic()->GetJokerA();
        Blt("MJ_LARGE1", rect, Cell(TileImageIndex(face) * kLargeWidth, kLargeWidth, kLargeHeight));
        return;
    }
}

void ClassicTablePainter::PaintDice() {
    // Until the clock shows, the dice of the round's throw: frame f of the
    // first value's strip and of the second's (strips 7-12), side by side.
    const CMJTableSceneBase::ClassicDice& dice = scene_.GetClassicDice();
    if (!dice.shown || scene_.GetClockFace().visible) return;
    RECT box;
    scene_.GetDiceRect(&box);
    const std::string strips[2] = {"DICE" + std::to_string(dice.first),
                                   "DICE" + std::to_string(6 + dice.second)};
    for (int32_t i = 0; i < 2; ++i) {
        const int32_t x = box.left + kDieWidth * i;
        Blt(strips[i], {x, box.top, x + kDieWidth, box.top + kDieHeight},
            Cell(kDieWidth * dice.frame, kDieWidth, kDieHeight));
    }
}

void ClassicTablePainter::Paint() {
    scene_.DrawPlayerInfo(dc_);
    // The wall: sides 1, 2, 3, 0; in each stack the lower tile first.
    for (int32_t side : {1, 2, 3, 0}) {
        for (int32_t u = 0; u + 1 < scene_.WallTiles(); u += 2) {
            if (scene_.GetMJStruct(kAreaWall, 0, u)->seat != side) continue;
            PaintRecord(kAreaWall, 0, u + 1);
            PaintRecord(kAreaWall, 0, u);
        }
    }
    for (int32_t seat = 0; seat < 4; ++seat) {
        if (seat == 1 && scene_.PlayerCount() == 3) continue;
        for (int32_t i = 0; i < kStripRecords; ++i) {
            PaintRecord(kAreaFlower, seat, i);
            PaintRecord(kAreaRiver, seat, i);
        }
        if (seat == 3) {
            PaintOwnHand();
        } else {
            for (int32_t i = 0; i < kHandRecords; ++i)
                PaintRecord(kAreaHand, seat, i);
        }
        if (scene_.IsShownTilePending(seat)) PaintRecord(kAreaShown, seat, 0);
    }
    PaintClock();
    PaintDice();
    PaintTurnedUpTile();
}

}  // namespace mahjong
