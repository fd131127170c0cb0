// The wall: four segments of stacks in wall order, shown on the four sides
// of the centre so that wall order runs clockwise on the screen, with the
// tiles drawn from the head and the tail taken out.
#include <algorithm>

#include "mahjong/app/snapshot_words.h"
#include "mahjong/scene/table_scene_base.h"
#include "mahjong/scene/tile_identity.h"
#include "rules/table/table_util.h"

namespace mahjong {
namespace {

// Wall tile rectangles and steps: left and right sides, then top and bottom;
// the band of a row.
constexpr int32_t kSideW = 22, kSideH = 13, kRowW = 17, kRowH = 26, kRowBand = 36;
// Depths of the top and bottom seats' flower strips and rivers.
constexpr int32_t kStripDepth = 36, kRiverDepth = 61;

// Segment shown on each side with three players, by own chair; segment 2 is
// the empty one.
constexpr int32_t kThreeSeatSides[3][4] = {{0, 2, 1, 3}, {1, 2, 3, 0}, {3, 2, 0, 1}};

// The segment shown on a side (0-3) of the own chair's view.
int32_t SegmentOfSide(int32_t own, int32_t side, int32_t players) {
    if (players != 3) return Mod4(own + side);
    return own >= 0 && own < 3 ? kThreeSeatSides[own][side] : 2;
}

}  // namespace

void CMJTableSceneBase::GetWallSegmentSizes(int32_t sizes[4]) const {
    const int32_t players = wallPlayerCount_ == 3 ? 3 : 4;
    const int32_t q = WallTiles() / (2 * players);
    const int32_t extra = WallTiles() % (2 * players) / 2;
    // Extra stacks go to segments 0, 2, 1 (four players) or 0, 3 (three).
    static constexpr int32_t kFourOrder[3] = {0, 2, 1};
    static constexpr int32_t kThreeOrder[2] = {0, 3};
    for (int32_t j = 0; j < 4; ++j)
        sizes[j] = q;
    if (players == 3) sizes[2] = 0;
    for (int32_t k = 0; k < extra; ++k)
        ++sizes[players == 4 ? kFourOrder[k % 3] : kThreeOrder[k % 2]];
}

int32_t CMJTableSceneBase::GetWallSideStacks(int32_t side) const {
    int32_t sizes[4];
    GetWallSegmentSizes(sizes);
    if (side < 0 || side > 3) return 0;
    return sizes[SegmentOfSide(OwnChair(), side, wallPlayerCount_)];
}

int32_t CMJTableSceneBase::GetWallSideStart(int32_t side) const {
    int32_t sizes[4];
    GetWallSegmentSizes(sizes);
    if (side < 0 || side > 3) return 0;
    const int32_t segment = SegmentOfSide(OwnChair(), side, wallPlayerCount_);
    int32_t start = 0;
    for (int32_t j = 0; j < segment; ++j)
        start += 2 * sizes[j];
    return start;
}

// The rectangle the ring lies around. With four sides the centre is grown
// about its middle: in width just enough that each row fits between the
// side columns (17 n), so no side runs over another; in height until the
// columns end beside the rows (13 n - 20), as far as the pane leaves room
// above and below for a flower strip, a river and a row of the wall. The
// centre's clock and boxes stay inside. Three players leave the top open:
// the centre's own size already keeps the columns above the bottom row.
RECT CMJTableSceneBase::GetWallRingRect() const {
    RECT c;
    GetTableCentreRect(&c);
    if (wallPlayerCount_ == 3) return c;
    const int32_t rows = std::max(GetWallSideStacks(1), GetWallSideStacks(3));
    const int32_t columns = std::max(GetWallSideStacks(0), GetWallSideStacks(2));
    const int32_t growX = std::max(0, kRowW * rows - (c.right - c.left) + 1) / 2;
    RECT top, bottom;
    GetHandAreaRect(1, &top);
    GetHandAreaRect(3, &bottom);
    const int32_t band = kStripDepth + 2 * RiverMargin() + kRiverDepth + kRowBand;
    const int32_t room = std::min(c.top - top.bottom - band, bottom.top - band - c.bottom);
    const int32_t grow = std::max(0, kSideH * columns - 20 - (c.bottom - c.top) + 1) / 2;
    const int32_t grownY = std::clamp(room, 0, grow);
    return {c.left - growX, c.top - grownY, c.right + growX, c.bottom + grownY};
}

void CMJTableSceneBase::GetWallSideRect(int32_t side, RECT* rect) const {
    const RECT c = GetWallRingRect();
    const int32_t n = GetWallSideStacks(side);
    const bool four = wallPlayerCount_ != 3;
    switch (side) {
        case 0:
            *rect = four ? RECT{c.left - kSideW, c.top - 20, c.left, c.top + kSideH * n}
                         : RECT{c.left - kSideW, c.bottom - kSideH * n - 20, c.left, c.bottom};
            break;
        case 1:
            *rect = {c.right - kRowW * n, c.top - kRowBand, c.right, c.top};
            break;
        case 2:
            *rect = four ? RECT{c.right, c.bottom - kSideH * n, c.right + kSideW, c.bottom + 20}
                         : RECT{c.right, c.bottom - kSideH * n - 20, c.right + kSideW, c.bottom};
            break;
        case 3: {
            const int32_t left = four ? c.left : c.left + (c.right - c.left) / 2 - kRowW * n / 2;
            *rect = {left, c.bottom, left + kRowW * n, c.bottom + kRowBand};
            break;
        }
        default:
            *rect = {};
    }
}

void CMJTableSceneBase::LayOutWall() {
    wall_.fill(MJStruct{});
    for (int32_t side = 0; side < 4; ++side) {
        RECT r;
        GetWallSideRect(side, &r);
        const int32_t wr = r.right - r.left, hr = r.bottom - r.top;
        const int32_t start = GetWallSideStart(side);
        const int32_t n = GetWallSideStacks(side);
        for (int32_t k = 0; k < n; ++k) {
            const int32_t u = start + 2 * k;
            if (u + 1 >= WallTiles()) break;
            MJStruct& up = Wall(u);
            MJStruct& low = Wall(u + 1);
            switch (side) {
                case 0:
                    up.y = hr - 13 * k - 33;
                    low.y = hr - 13 * k - 24;
                    up.drawOrder = 1400 - u;
                    low.drawOrder = 1200 - u;
                    break;
                case 1:
                    up.x = low.x = 17 * k;
                    low.y = 10;
                    up.drawOrder = 1200;
                    low.drawOrder = 1000;
                    break;
                case 2:
                    up.y = 13 * k;
                    low.y = 13 * k + 10;
                    up.drawOrder = 1400 + u;
                    low.drawOrder = 1200 + u;
                    break;
                default:
                    up.x = low.x = wr - 17 * k - 17;
                    low.y = 10;
                    up.drawOrder = 1600;
                    low.drawOrder = 1400;
                    break;
            }
            up.seat = low.seat = side;
            if (paneKind_ == 1) up.drawOrder = low.drawOrder = 0;
        }
    }
}

void CMJTableSceneBase::ShowWall(int32_t value) {
    for (int32_t i = 0; i < WallTiles(); ++i)
        Wall(i).present = value;
}

void CMJTableSceneBase::GetWallTileRect(int32_t index, RECT* rect) const {
    *rect = {};
    if (!IsWallIndex(index)) return;
    const MJStruct& r = Wall(index);
    RECT side;
    GetWallSideRect(r.seat, &side);
    const bool row = r.seat % 2 == 1;
    const int32_t left = side.left + r.x, top = side.top + r.y;
    *rect = {left, top, left + (row ? kRowW : kSideW), top + (row ? kRowH : kSideH)};
}

void CMJTableSceneBase::GetDrawPosRect(RECT* rect) const {
    *rect = {};
    const CMJTableLogic* t = GetTableLogic();
    const int32_t j = t->Word(snap::kTurnedUpPos);
    if (t->GetJokerA() == -1 || !IsWallIndex(j)) return;
    if (Wall(j).present && Wall(j).faceState == 1) GetWallTileRect(j, rect);
}

void CMJTableSceneBase::GetDrawTileRect(RECT* rect) const {
    RECT pos;
    GetDrawPosRect(&pos);
    *rect = {};
    if (pos.right == pos.left) return;
    const int32_t w = paneKind_ == 1 ? 42 : Sizes().ownWidth;
    const int32_t h = paneKind_ == 1 ? 60 : Sizes().ownHeight;
    const int32_t cx = (pos.left + pos.right) / 2, cy = (pos.top + pos.bottom) / 2;
    *rect = {cx - w / 2, cy - h / 2, cx - w / 2 + w, cy - h / 2 + h};
}

bool CMJTableSceneBase::SyncWallFromSnapshot() {
    const CMJTableLogic* t = GetTableLogic();
    const int32_t size = WallTiles();
    const int32_t s = t->Word(snap::kWallStart), head = t->Word(snap::kWallHead);
    const int32_t tail = t->Word(snap::kTailCounter), j = t->Word(snap::kTurnedUpPos);
    const int32_t face = t->GetJokerA();
    const bool turnedUp = face != -1;
    if (s < 0 || s >= size || head < 0 || head >= size || tail < 0 || tail > size ||
        (turnedUp && (j < 0 || j >= size))) {
        LogLine("牌墙数据错误: S=%d Hd=%d T=%d J=%d", s, head, tail, j);
        return false;
    }
    if (turnedUp) {
        Wall(j).faceState = 1;
        Wall(j).nFace = face;
    }
    // The tail rule may pass over J in one step, so the walk runs while the
    // counter is below T rather than until it equals it.
    int32_t counter = 0;
    while (counter < tail) {
        const int32_t p = NextTailPos(s, turnedUp ? j : -1, &counter);
        if (IsWallIndex(p)) Wall(p).present = 0;
    }
    for (int32_t i = 0; i < size; ++i) {
        const int32_t p = (s + i) % size;
        if (p == head) break;
        Wall(p).present = 0;
    }
    return true;
}

int32_t CMJTableSceneBase::NextTailPos(int32_t start, int32_t skip, int32_t* counter) const {
    int32_t skipped = 0;
    return rules::NextWallTailPos(start, skip, WallTiles(), counter, &skipped);
}

void CMJTableSceneBase::LayOutWallFromSnapshot() {
    LayOutWall();
    ShowWall(1);
    SyncWallFromSnapshot();
}

void CMJTableSceneBase::DrawWallArea() {}

void CMJTableSceneBase::WallTileImage(int32_t index, TileImage* image) const {
    *image = {};
    if (!IsWallIndex(index)) return;
    const MJStruct& r = Wall(index);
    const bool row = r.seat % 2 == 1;
    const bool face = r.faceState == 1;
    if (row) {
        image->picture = face ? Picture::kWallFace1 : Picture::kWallBack1;
        image->sourceX = face ? TileImageIndex(r.nFace) * 17 : 0;
        image->width = 16;
        image->height = 27;
    } else {
        image->picture = face ? Picture::kWallFace0 : Picture::kWallBack0;
        image->sourceX = face ? TileImageIndex(r.nFace) * 22 : 0;
        image->width = 23;
        image->height = 22;
    }
}

}  // namespace mahjong
