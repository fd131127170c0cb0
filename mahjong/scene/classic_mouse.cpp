// The mouse on the classic pane. Pointing at an own tile raises it, a click
// on the raised tile discards it (or picks it in a kong or chow choice), a
// right-button drag moves it to another place in the row, and a click on
// the turned-up wall tile shows it full size for a second.
#include <algorithm>

#include "mahjong/scene/table_scene_base.h"
#include "platform/gui/virtual_keys.h"

namespace mahjong {
namespace {

constexpr uint32_t kSoundHover = 29100;

}  // namespace

int32_t CMJTableSceneBase::HitOwnHand(int32_t x, int32_t y) const {
    RECT area;
    GetHandAreaRect(3, &area);
    if (!platform::PtInRect(area, {x, y})) return -1;
    return HitOwnTile(x - area.left, y - area.top);
}

int32_t CMJTableSceneBase::HitOwnTile(int32_t x, int32_t y) const {
    const int32_t w = paneKind_ == 1 ? 42 : Sizes().ownWidth;
    const int32_t h = paneKind_ == 1 ? 70 : Sizes().ownHeight + 10;
    for (int32_t i = 0; i < HandPositions(); ++i) {
        const MJStruct& r = Hand(3, i);
        if (!r.present || !r.standing || r.locked) continue;
        if (x >= r.x && x < r.x + w && y >= r.y && y < r.y + h) return i;
    }
    return -1;
}

int32_t CMJTableSceneBase::HitOwnColumn(int32_t x, int32_t y) const {
    const int32_t w = paneKind_ == 1 ? 42 : Sizes().ownWidth;
    if (y < 0 || y >= GetHandAreaDepth(3)) return -1;
    for (int32_t i = 0; i < HandPositions(); ++i) {
        const MJStruct& r = Hand(3, i);
        if (r.present && r.standing && x >= r.x && x < r.x + w) return i;
    }
    return -1;
}

bool CMJTableSceneBase::OnPaneMouseMove(uint32_t flags, int32_t x, int32_t y) {
    if (IsLooker() || GetHandMode() != 0) return false;
    ownDrag_.dragging = false;
    RECT area;
    GetHandAreaRect(3, &area);
    const bool rightHeld = (flags & platform::MK_RBUTTON) != 0;
    auto lower = [this] {
        const int32_t raised = RaisedHandTile(3);
        if (raised < 0) return;
        Hand(3, raised).raised = 0;
        RepaintClassic();
        PlaySoundResource(kSoundHover, kSoundAsync);
    };
    if (!platform::PtInRect(area, {x, y})) {
        if (!rightHeld) {
            lower();
            return false;
        }
        const int32_t last = LastHandTile(3);
        if (ownDrag_.index < 0 || last < 0) return false;
        if (x <= area.left + Hand(3, last).x) {
            MoveDraggedTile(last + 1);
        } else if (x >= area.right) {
            MoveDraggedTile(0);
        } else {
            const int32_t at = x - ownDrag_.grab - area.left - 1;
            MoveDraggedTile(HitOwnColumn(at, 0));
        }
        return false;
    }
    if (rightHeld) {
        if (ownDrag_.index < 0) return false;
        MJStruct& r = Hand(3, ownDrag_.index);
        r.x = x - ownDrag_.grab - area.left;
        r.visible = 1;
        RepaintClassic();
        ownDrag_.dragging = true;
        if (classicHost_) classicHost_->CaptureMouse(true);
        return true;
    }
    const int32_t i = HitOwnHand(x, y);
    if (i < 0) {
        lower();
        return false;
    }
    if (i == RaisedHandTile(3)) return true;
    if (ownDrag_.justDropped) {
        ownDrag_.justDropped = false;
        return true;
    }
    RaiseHandTile(3, i);
    RepaintClassic();
    PlaySoundResource(kSoundHover, kSoundAsync);
    return true;
}

int32_t CMJTableSceneBase::OnPaneRButtonDown(uint32_t flags, int32_t x, int32_t y) {
    (void)flags;
    if (IsLooker() || GetHandMode() != 0) return 0;
    ownDrag_.index = -1;
    const int32_t i = HitOwnHand(x, y);
    if (i < 0 || !Hand(3, i).raised) return 0;
    RECT area;
    GetHandAreaRect(3, &area);
    const MJStruct& r = Hand(3, i);
    ownDrag_.index = i;
    ownDrag_.face = r.nFace;
    ownDrag_.jokerMark = r.jokerMark;
    ownDrag_.grab = x - area.left - r.x;
    ownDrag_.x = r.x;
    ownDrag_.y = r.y;
    return 2;
}

void CMJTableSceneBase::OnPaneRButtonUp(uint32_t flags, int32_t x, int32_t y) {
    (void)flags;
    if (ownDrag_.dragging) {
        RECT area;
        GetHandAreaRect(3, &area);
        // The drop finds the places as they stand: the dragged tile's own
        // is where it came from.
        if (ownDrag_.index >= 0 && ownDrag_.index < HandPositions())
            Hand(3, ownDrag_.index).x = ownDrag_.x;
        MoveDraggedTile(HitOwnColumn(x - ownDrag_.grab - area.left - 1, y - area.top));
        ownDrag_.dragging = false;
        ownDrag_.justDropped = true;
    }
    if (classicHost_) classicHost_->CaptureMouse(false);
}

void CMJTableSceneBase::EndDragAtCursor() {
    if (!ownDrag_.dragging || !classicHost_) return;
    const platform::POINT p = classicHost_->CursorInPane();
    OnPaneRButtonUp(0, p.x, p.y);
}

void CMJTableSceneBase::MoveDraggedTile(int32_t target) {
    const int32_t from = ownDrag_.index;
    if (from < 0 || from >= HandPositions()) return;
    MJStruct& dragged = Hand(3, from);
    // The record went with the cursor only on the screen: it is lowered and
    // back on its place whatever the drop does.
    dragged.raised = 0;
    dragged.visible = 0;
    dragged.x = ownDrag_.x;
    // A move of the table changed or locked the tile under the drag: the
    // drop does nothing.
    if (!dragged.present || dragged.locked || !dragged.standing || dragged.nFace != ownDrag_.face) {
        RepaintClassic();
        return;
    }
    const int32_t last = LastHandTile(3);
    // Nowhere on the row, or pulled beyond its left end: its last place.
    if (target == -1 || target > last) target = last;
    // The drawn-tile place takes a dropped tile only while it holds one.
    if (target == 0 && !(HasDrawnTile(3) && Hand(3, 0).standing)) target = 1;
    if (target == from || target == -1) {
        RepaintClassic();
        return;
    }
    // The tiles between close up by one place; the dragged one lands at
    // the target.
    const int32_t step = target > from ? 1 : -1;
    for (int32_t i = from; i != target; i += step)
        MoveTile(3, i + step, i);
    MJStruct& r = Hand(3, target);
    r.nFace = ownDrag_.face;
    r.jokerMark = ownDrag_.jokerMark;
    r.locked = 0;
    RepaintClassic();
    PlaySoundResource(kSoundHover, kSoundAsync);
    ownDrag_.dragging = false;
    ownDrag_.index = -1;
}

void CMJTableSceneBase::PaintDrawTile() {
    const int32_t j = GetTableLogic()->Word(snap::kTurnedUpPos);
    if (!IsWallIndex(j)) return;
    Wall(j).showLarge = 1;
    RepaintClassic();
}

void CMJTableSceneBase::PeekTurnedUpTile(uint32_t ms) {
    RECT peek;
    GetDrawPosRect(&peek);
    if (!classicHost_ || peek.right <= peek.left) return;
    classicHost_->SetPaneTimer(kTimerPeek, ms);
    PaintDrawTile();
}

void CMJTableSceneBase::OnPaneLButtonDown(uint32_t flags, int32_t x, int32_t y) {
    (void)flags;
    RECT peek;
    GetDrawPosRect(&peek);
    if (peek.right > peek.left && platform::PtInRect(peek, {x, y})) {
        PeekTurnedUpTile(1000);
        return;
    }
    if (IsLooker()) return;
    if (ownDrag_.dragging) {
        EndDragAtCursor();
        return;
    }
    const int32_t i = HitOwnHand(x, y);
    if (i < 0 || !OwnTurn()) return;
    switch (GetHandMode()) {
        case 2:
        case 3:
            // A kong or chow choice: the tile is picked or dropped, and the
            // meld runs once the choice is complete.
            SelectHandTile(i, Hand(3, i).raised ? 0 : 1);
            RepaintClassic();
            return;
        case 0:
            if (!HasDrawnTile(3) || !Hand(3, i).raised) return;
            if (IsHonourOrFlowerTile(Hand(3, i).nFace))
                ReplaceFlower(i);
            else
                DiscardTile(i);
            RepaintClassic();
            return;
        default:
            return;
    }
}

}  // namespace mahjong
