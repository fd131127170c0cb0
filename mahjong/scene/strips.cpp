// Rivers (each seat's discards) and flower areas (the flowers a seat laid
// aside): 36 small face-up tiles a seat, filled in record order.
#include <algorithm>

#include "mahjong/app/snapshot_words.h"
#include "mahjong/scene/table_scene_base.h"
#include "mahjong/scene/tile_identity.h"

namespace mahjong {
namespace {

// A river record's place and drawing order: two rows of ten side by side,
// then rows of nine and seven lying over them, shifted by half a tile.
void RiverPlace(int32_t seat, int32_t r, MJStruct& rec) {
    int32_t x = 0, y = 0, order = 0;
    if (r < 10) {
        const int32_t k = r;
        const int32_t xs[4] = {33, 26 * (9 - k), 0, 26 * k};
        const int32_t ys[4] = {21 * k, 25, 21 * (9 - k), 0};
        x = xs[seat], y = ys[seat];
        order = seat == 0 || seat == 3 ? 100 + k : 100 - k;
    } else if (r < 20) {
        const int32_t k = r - 10;
        const int32_t xs[4] = {0, 26 * (9 - k), 33, 26 * k};
        const int32_t ys[4] = {21 * k, 0, 21 * (9 - k), 25};
        x = xs[seat], y = ys[seat];
        order = seat == 0 || seat == 3 ? 110 + k : 90 - k;
    } else if (r < 29) {
        const int32_t k = r - 20;
        const int32_t xs[4] = {16, 26 * (8 - k) + 13, 16, 26 * k + 13};
        const int32_t ys[4] = {21 * k + 6, 8, 21 * (8 - k) + 4, 8};
        x = xs[seat], y = ys[seat];
        const int32_t orders[4] = {200 + k, 200, 200 - k, 200};
        order = orders[seat];
    } else {
        const int32_t k = r - 29;
        const int32_t xs[4] = {16, 26 * (8 - k), 16, 26 * (k + 1)};
        const int32_t ys[4] = {21 * (k + 1) - 4, 0, 21 * (7 - k) + 4, 0};
        x = xs[seat], y = ys[seat];
        order = 300;
    }
    rec.x = x;
    rec.y = y;
    rec.drawOrder = order;
}

}  // namespace

void CMJTableSceneBase::LayoutRiver() {
    rivers_.fill(MJStruct{});
    for (int32_t seat = 0; seat < 4; ++seat) {
        for (int32_t r = 0; r < kStripRecords; ++r) {
            MJStruct& rec = River(seat, r);
            RiverPlace(seat, r, rec);
            if (paneKind_ == 1) {
                rec.drawOrder = 0;
                continue;
            }
            rec.seat = seat;
            rec.faceState = 1;
        }
    }
}

void CMJTableSceneBase::GetRiverRect(int32_t seat, RECT* rect) const {
    *rect = {};
    if (!IsSeat(seat)) return;
    RECT w;
    GetWallSideRect(seat, &w);
    const bool small = SmallScreen(), four = playerCount_ == 4;
    const int32_t m = small ? 2 : 10, inset = small ? 22 : 30;
    switch (seat) {
        case 0: {
            const int32_t top = four ? w.top + inset : w.bottom - 10 - 221;
            *rect = {w.left - m - 66, top, w.left - m, top + 221};
            break;
        }
        case 1:
            *rect = {w.right - m - 260, w.top - m - 61, w.right - m, w.top - m};
            break;
        case 2: {
            const int32_t bottom = four ? w.bottom - inset : w.bottom - 10;
            *rect = {w.right + m, bottom - 221, w.right + m + 66, bottom};
            break;
        }
        default: {
            const int32_t left = four ? w.left + m : w.left + (w.right - w.left) / 2 - 130;
            *rect = {left, w.bottom + m, left + 260, w.bottom + m + 61};
            break;
        }
    }
}

void CMJTableSceneBase::AddRiverTile(int32_t seat, int32_t face) {
    if (!IsSeat(seat)) return;
    for (int32_t r = 0; r < kStripRecords; ++r) {
        MJStruct& rec = River(seat, r);
        if (rec.present) continue;
        rec.present = 1;
        rec.nFace = face;
        if (paneKind_ != 1) rec.faceState = Shown(seat).faceState;
        return;
    }
}

void CMJTableSceneBase::SetRiverUsed(int32_t value) {
    for (MJStruct& rec : rivers_)
        rec.present = value;
}

void CMJTableSceneBase::FillStrips(int32_t area, int32_t lists, int32_t counts, int32_t capacity) {
    const CMJTableLogic* t = GetTableLogic();
    for (int32_t chair = 0; chair < std::min(playerCount_, 4); ++chair) {
        const int32_t seat = ChairToViewSeat(chair);
        if (!IsSeat(seat)) continue;
        // Counts come from the snapshot: no more than the strip holds.
        const int32_t n = std::clamp(t->SpareWord(counts + chair), 0, capacity);
        for (int32_t i = 0; i < n; ++i) {
            const int32_t face = t->SpareWord(lists + snap::kListWords * chair + i);
            if (face == -1) break;
            MJStruct& rec = *GetMJStruct(area, seat, i);
            rec.present = 1;
            rec.nFace = face;
        }
    }
}

void CMJTableSceneBase::FillRiversFromSnapshot() {
    FillStrips(kAreaRiver, snap::kRiverLists - snap::kSpareStart,
               snap::kRiverCounts - snap::kSpareStart, kStripRecords);
}

// The classic pane paints the rivers and flower areas from their records.
void CMJTableSceneBase::RefreshRiver(int32_t seat) {
    (void)seat;
}

void CMJTableSceneBase::LayoutFlowers() {
    flowers_.fill(MJStruct{});
    const int32_t c = std::min(FlowerPlaces(), kStripRecords);
    for (int32_t seat = 0; seat < 4; ++seat) {
        for (int32_t k = 0; k < c; ++k) {
            MJStruct& rec = Flower(seat, k);
            const int32_t along = seat == 0 || seat == 3 ? k : c - k - 1;
            rec.x = seat % 2 == 1 ? 26 * along : 0;
            rec.y = seat % 2 == 0 ? 21 * along : 0;
            if (paneKind_ == 1) continue;
            (seat == 0 ? rec.y : rec.x) += FlowerShift(seat);
            rec.seat = seat;
            rec.drawOrder = seat == 0 || seat == 3 ? 1000 + k : 1000 - k;
        }
    }
}

void CMJTableSceneBase::AddFlower(int32_t seat, int32_t face) {
    if (!IsSeat(seat)) return;
    for (int32_t k = 0; k < std::min(FlowerPlaces(), kStripRecords); ++k) {
        MJStruct& rec = Flower(seat, k);
        if (rec.present) continue;
        rec.present = 1;
        rec.nFace = face;
        return;
    }
}

int32_t CMJTableSceneBase::CountFlowers(int32_t seat) const {
    if (!IsSeat(seat)) return 0;
    int32_t n = 0;
    for (int32_t k = 0; k < std::min(FlowerPlaces(), kStripRecords); ++k)
        n += flowers_[size_t(seat * kStripRecords + k)].present ? 1 : 0;
    return n;
}

void CMJTableSceneBase::FillFlowersFromSnapshot() {
    FillStrips(kAreaFlower, snap::kFlowerLists - snap::kSpareStart,
               snap::kFlowerCounts - snap::kSpareStart, std::min(FlowerPlaces(), kStripRecords));
}

void CMJTableSceneBase::GetFlowerRect(int32_t seat, RECT* rect) const {
    *rect = {};
    if (!IsSeat(seat)) return;
    RECT q;
    GetHandAreaRect(seat, &q);
    const int32_t c = std::min(FlowerPlaces(), kStripRecords);
    const bool small = SmallScreen();
    RECT river;
    switch (seat) {
        case 0: {
            GetRiverRect(1, &river);
            const int32_t top = !small ? q.top : playerCount_ == 4 ? river.top : q.top + 21;
            *rect = {q.right, top, q.right + 33, top + 21 * c + 11};
            break;
        }
        case 1: {
            GetRiverRect(2, &river);
            const int32_t right = small ? river.right : q.right;
            *rect = {right - 26 * c, q.bottom, right, q.bottom + 36};
            break;
        }
        case 2: {
            GetRiverRect(3, &river);
            const int32_t bottom = small ? river.bottom : q.bottom;
            *rect = {q.left - 33, bottom - 21 * c - 11, q.left, bottom};
            break;
        }
        default: {
            GetRiverRect(0, &river);
            const int32_t left = small ? river.left : q.left;
            *rect = {left, q.top - 36, left + 26 * c, q.top};
            break;
        }
    }
}

void CMJTableSceneBase::GetFlowerUsedRect(int32_t seat, RECT* rect) const {
    GetFlowerRect(seat, rect);
    const int32_t c = std::min(FlowerPlaces(), kStripRecords), n = CountFlowers(seat);
    switch (seat) {
        case 0:
            rect->bottom = rect->top + 21 * n + 11;
            break;
        case 1:
            rect->left += 26 * (c - n);
            break;
        case 2:
            rect->top += 21 * (c - n);
            break;
        case 3:
            rect->right = rect->left + 26 * n;
            break;
    }
}

void CMJTableSceneBase::RefreshFlowers(int32_t seat) {
    (void)seat;
}

bool CMJTableSceneBase::StripTileImage(int32_t area, int32_t seat, int32_t index,
                                       TileImage* image) const {
    *image = {};
    const MJStruct* rec = GetMJStruct(area, seat, index);
    if (!rec || (area != kAreaRiver && area != kAreaFlower)) return false;
    const int32_t side = Mod4(rec->seat);
    const bool across = side % 2 == 0;
    image->width = across ? 33 : 26;
    image->height = across ? 32 : 36;
    if (area == kAreaRiver && rec->faceState != 1) {
        image->picture = across ? Picture::kBack0 : Picture::kBack1;
        return true;
    }
    // A lying face of side s is middle face s; this game shows jokers with
    // the joker faces in rivers.
    const bool joker = area == kAreaRiver && UsesJokerPictures() && IsJokerTile(rec->nFace);
    image->picture = LyingFacePicture(Mod4(side + 2), joker);
    image->sourceX = TileImageIndex(rec->nFace) * image->width;
    return true;
}

}  // namespace mahjong
