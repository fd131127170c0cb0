// Where each seat's hand lies, which picture a hand tile shows, and the
// tile each seat has just shown.
#include "mahjong/scene/table_scene_base.h"
#include "mahjong/scene/tile_identity.h"

namespace mahjong {

int32_t CMJTableSceneBase::GetHandAreaLength(int32_t seat) const {
    return seat == 3 ? OwnTileWidth() * HandTiles() + 12 : 26 * HandTiles() + 62;
}

int32_t CMJTableSceneBase::GetHandAreaDepth(int32_t seat) const {
    return seat == 3 ? 70 : 49;
}

int32_t CMJTableSceneBase::GetMeldRowOffset(int32_t seat) const {
    switch (seat) {
        case 1:
            return 11;
        case 2:
            return GetHandAreaDepth(2) - 33;
        case 3:
            return (GetHandAreaDepth(3) - 36) / 2;
        default:
            return 0;
    }
}

void CMJTableSceneBase::GetHandAreaRect(int32_t seat, RECT* rect) const {
    *rect = {};
    if (!IsSeat(seat)) return;
    const int32_t pw = PaneWidth(), ph = PaneHeight();
    const int32_t len = GetHandAreaLength(seat), depth = GetHandAreaDepth(seat);
    const int32_t m = SmallScreen() ? 16 : 10;
    // The classic pane keeps 10 pixels from the side edges and 4 from the
    // top and bottom; the engine pane its frame's border plus 4, or 10 on a
    // small screen.
    int32_t side = 10, end = 4;
    if (paneKind_ != 1) side = end = SmallScreen() ? 10 : frameBorder_ + 4;
    const int32_t sideTop = ph / 2 - len / 2 - m - GetCentreLift();
    switch (seat) {
        case 0:
            *rect = {side, sideTop, side + depth, sideTop + len};
            break;
        case 2:
            *rect = {pw - side - depth, sideTop, pw - side, sideTop + len};
            break;
        case 1:
            *rect = {pw / 2 - len / 2, end, pw / 2 - len / 2 + len, end + depth};
            break;
        default:
            *rect = {pw / 2 - len / 2, ph - end - depth, pw / 2 - len / 2 + len, ph - end};
            break;
    }
}

void CMJTableSceneBase::GetTableCentreRect(RECT* rect) const {
    const int32_t left = PaneWidth() / 2 - GetCentreWidth() / 2;
    const int32_t top = PaneHeight() / 2 - GetCentreHeight() / 2 - GetCentreLift();
    *rect = {left, top, left + GetCentreWidth(), top + GetCentreHeight()};
}

bool CMJTableSceneBase::HandTileImage(int32_t seat, const MJStruct& r, TileImage* image) const {
    if (!IsSeat(seat)) return false;
    const TileSizes& s = sizes_;
    const bool joker = UsesJokerPictures() && r.faceState == 1 && IsJokerTile(r.nFace);
    const int32_t cell = TileImageIndex(r.nFace);
    *image = {};
    if (r.standing && seat == 3) {
        image->picture = joker ? Picture::kJokerLarge : Picture::kLargeFace;
        image->sourceX = cell * s.ownWidth;
        image->width = s.ownWidth;
        image->height = s.ownHeight;
        // Locked tiles are dimmed; jokers tinted.
        if (r.locked) {
            image->backColor = 0;
            image->blend = 0.6;
        } else if (IsJokerTile(r.nFace)) {
            image->backColor = 0x120af5;
            image->blend = 0.7;
        }
        return true;
    }
    if (r.standing) {
        if (r.faceState == 2) {
            static constexpr Picture kSides[3] = {Picture::kSide0, Picture::kSide1,
                                                  Picture::kSide2};
            image->picture = kSides[seat];
            image->width = seat == 1 ? s.topBackWidth : s.sideBackWidth;
            image->height = seat == 1 ? s.topBackHeight : s.sideBackHeight;
            return true;
        }
        if (r.faceState != 1) {
            LogLine(seat == 1 ? "错误的游戏数据，1号位手上的麻将nFace不能为0"
                              : "错误的游戏数据，0号位手上的麻将nFace不能为0");
            return false;
        }
        // A standing face of view seat s lies as middle face s.
        image->picture = LyingFacePicture(Mod4(seat + 2), joker);
    } else if (r.faceState == 0) {
        image->picture = seat % 2 == 0 ? Picture::kBack0 : Picture::kBack1;
        image->width = seat % 2 == 0 ? s.acrossWidth : s.alongWidth;
        image->height = seat % 2 == 0 ? s.acrossHeight : s.alongHeight;
        return true;
    } else {
        image->picture = LyingFacePicture(r.orientation, joker);
    }
    const bool across =
        image->picture == Picture::kMiddle0 || image->picture == Picture::kMiddle2 ||
        image->picture == Picture::kJokerMiddle0 || image->picture == Picture::kJokerMiddle2;
    image->width = across ? s.acrossWidth : s.alongWidth;
    image->height = across ? s.acrossHeight : s.alongHeight;
    image->sourceX = cell * image->width;
    return true;
}

void CMJTableSceneBase::CentreOf(const RECT& area, const MJStruct& r, int32_t w, int32_t h,
                                 int32_t* x, int32_t* y) {
    *x = area.left + r.x + w / 2;
    *y = area.top + r.y + h / 2;
}

void CMJTableSceneBase::GetShownTileRect(int32_t seat, RECT* rect) const {
    *rect = {};
    if (!IsSeat(seat)) return;
    RECT a;
    GetHandAreaRect(seat, &a);
    const int32_t g = 24;
    const int32_t w = paneKind_ == 1 ? 42 : sizes_.ownWidth;
    const int32_t h = paneKind_ == 1 ? 60 : sizes_.ownHeight;
    const int32_t len = GetHandAreaLength(seat);
    const int32_t sideTop = a.top + (len - h) / 2;
    const int32_t rowLeft = a.left + (len - w) / 2;
    switch (seat) {
        case 0:
            *rect = {a.right + g, sideTop, a.right + g + w, sideTop + h};
            break;
        case 1:
            *rect = {rowLeft, a.bottom + g, rowLeft + w, a.bottom + g + h};
            break;
        case 2:
            *rect = {a.left - g - w, sideTop, a.left - g, sideTop + h};
            break;
        default:
            *rect = {rowLeft, a.top - g - h, rowLeft + w, a.top - g};
            break;
    }
}

void CMJTableSceneBase::SetShownTilesPending(int32_t value) {
    for (MJStruct& r : shown_)
        r.present = value;
}

bool CMJTableSceneBase::IsShownTilePending(int32_t seat) const {
    return IsSeat(seat) && Shown(seat).present != 0;
}

void CMJTableSceneBase::ClearShownTiles() {
    ZeroShownTiles();
    if (paneKind_ == 1) return;
    for (int32_t seat = 0; seat < 4; ++seat) {
        Shown(seat).seat = seat;
        Shown(seat).drawOrder = 3000;
        Shown(seat).faceState = 1;
    }
}

// The classic pane paints the shown tiles from their records.
void CMJTableSceneBase::DrawShownTile(int32_t seat) {
    (void)seat;
}

int32_t CMJTableSceneBase::LastRiverIndex(int32_t seat) const {
    if (!IsSeat(seat)) return -1;
    for (int32_t i = kStripRecords - 1; i >= 0; --i)
        if (River(seat, i).present == 1) return i;
    return -1;
}

void CMJTableSceneBase::ReturnLastDiscard() {
    const CMJTableLogic* t = GetTableLogic();
    if (t->HasDrawnTile()) return;
    const int32_t current = ChairToViewSeat(t->GetTurnChair());
    if (!IsSeat(current)) return;
    const int32_t seat = NextViewSeat(current);
    const int32_t last = LastRiverIndex(seat);
    if (last < 0) return;
    Shown(seat).present = 1;
    Shown(seat).nFace = River(seat, last).nFace;
    River(seat, last).present = 0;
}

}  // namespace mahjong
