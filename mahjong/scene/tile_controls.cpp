// The own hand's tile controls: 31 engine controls lent to the bindings of
// the standing own tiles. Their events come back as messages 210009-210019:
// hover raises a tile, a click discards it or picks it in a kong or chow
// choice, and a drag with the left button moves it to another place.
#include <cstdlib>

#include "engine/control_record.h"
#include "engine/entity.h"
#include "mahjong/scene/table_scene.h"

namespace mahjong {
namespace {

constexpr int32_t kDragDepth = 2900;
constexpr int kArrowCursor = 32512;
constexpr int kHandCursor = 32649;

}  // namespace

void CMJTableScene::CreateTileControls() {
    for (int32_t c = 1; c <= kTileControls; ++c) {
        engine::ControlRecord* record = NewControl();
        controls_[size_t(c)] = {record ? record->id : 0, 0};
    }
}

int32_t CMJTableScene::AllocControl() {
    for (int32_t c = 1; c <= kTileControls; ++c)
        if (controls_[size_t(c)].id != 0 && controls_[size_t(c)].binding == 0) return c;
    LogLine("控件请求错误，已无空闲实体!");
    return 0;
}

void CMJTableScene::ReleaseTileControl(int32_t c) {
    if (c < 1 || c > kTileControls) return;
    TileControl& control = controls_[size_t(c)];
    if (engine::ControlRecord* record = GetWorld().GetControl(control.id)) {
        for (uint32_t n = 0; n < engine::kEventSlots; ++n)
            record->SetEvent(n, 0, 0);
        if (record->entity) UnbindControl(control.id);
    }
    control.binding = 0;
    if (drag_.control == c) drag_ = {};
}

void CMJTableScene::AttachTileControl(int32_t n) {
    TileBinding& b = bindings_[size_t(n)];
    if (b.control == 0) b.control = AllocControl();
    if (b.control != 0) SetupTileControl(n);
}

void CMJTableScene::SetupTileControl(int32_t n) {
    if (n < 1 || n > kTileBindings || bindings_[size_t(n)].Free()) {
        LogLine("麻将牌控件设置错误，一个为空的麻将结构!");
        return;
    }
    TileBinding& b = bindings_[size_t(n)];
    if (b.control < 1 || b.control > kTileControls) {
        LogLine("麻将牌控件设置错误，麻将控件未绑定!");
        return;
    }
    TileControl& control = controls_[size_t(b.control)];
    control.binding = n;
    engine::ControlRecord* record = GetWorld().GetControl(control.id);
    if (!record) return;
    if (IsLooker()) {
        SetControlEvent(record, engine::kEvEnter, kMsgLookerHoverOn, 0);
        SetControlEvent(record, engine::kEvLeave, kMsgLookerHoverOff, 0);
    } else {
        SetControlEvent(record, engine::kEvEnter, kMsgTileHoverOn, 0);
        SetControlEvent(record, engine::kEvLeave, kMsgTileHoverOff, 0);
        // A tile is dragged with the left button: press, release and the
        // left drag carry the drag; a press and release on the tile without
        // moving it stays a click.
        SetControlEvent(record, engine::kEvLeftDown, kMsgTileDragBegin, 0);
        SetControlEvent(record, engine::kEvLeftUp, kMsgTileDragEnd, 0);
        SetControlEvent(record, engine::kEvLeftDrag, kMsgTileDragMove, 0);
        if (!OwnTurn()) {
            SetControlEvent(record, engine::kEvClick, 0, 0);
        } else {
            switch (GetHandMode()) {
                case 3:
                    SetControlEvent(record, engine::kEvClick, kMsgTileClickChow, 0);
                    break;
                case 1:
                    SetControlEvent(record, engine::kEvClick, kMsgTileClickIdle, 0);
                    break;
                case 2:
                    SetControlEvent(record, engine::kEvClick, kMsgTileClickKong, 0);
                    break;
                case 0:
                    if (HasDrawnTile(3))
                        SetControlEvent(record, engine::kEvClick, kMsgTileClickDiscard, 0);
                    break;
                default:
                    break;
            }
        }
    }
    if (handResting_) RestTileControl(*record);
    if (engine::Entity* e = GetEntity(b.entity)) BindControl(record, e, 0);
}

void CMJTableScene::RefreshTileControls() {
    CMJTableSceneBase::RefreshTileControls();
    if (IsLooker()) return;
    for (int32_t c = 1; c <= kTileControls; ++c)
        if (const int32_t n = controls_[size_t(c)].binding) SetupTileControl(n);
}

int32_t CMJTableScene::TileControlOf(uint32_t controlId) const {
    for (int32_t c = 1; c <= kTileControls; ++c)
        if (controlId != 0 && controls_[size_t(c)].id == controlId) return c;
    return 0;
}

int CMJTableScene::OnTileControlMessage(uint32_t code, platform::Payload& payload) {
    const engine::MouseState* mouse = payload.Get<engine::MouseState>();
    const int32_t c = mouse ? TileControlOf(mouse->hoveredControl) : 0;
    // Any event of another tile ends a drag where it began.
    if (drag_.control != 0 && c != drag_.control) CancelTileDrag();
    const int32_t n = c ? controls_[size_t(c)].binding : 0;
    if (n == 0) return 1;
    const TileBinding& b = bindings_[size_t(n)];
    MJStruct* r = GetMJStruct(b.area, b.seat, b.index);
    engine::Entity* e = GetEntity(b.entity);
    if (!r || r->nObject != n || !e) return 1;
    switch (code) {
        case kMsgLookerHoverOn:
            e->SetOpacity(0.8);
            SetSystemCursor(kHandCursor);
            PlaySoundResource(29100, 17);
            break;
        case kMsgLookerHoverOff:
            e->SetOpacity(1.0);
            SetSystemCursor(kArrowCursor);
            break;
        case kMsgTileHoverOn:
            if (r->raised || b.locked) break;
            MoveEntity(e, e->GetX(), TileCentreY(n, true));
            SetSystemCursor(kHandCursor);
            PlaySoundResource(29100, 17);
            break;
        case kMsgTileHoverOff:
            if (r->raised) break;
            if (drag_.control == 0) MoveEntity(e, e->GetX(), TileCentreY(n, false));
            SetSystemCursor(kArrowCursor);
            break;
        case kMsgTileClickKong:
        case kMsgTileClickChow:
            if (r->locked) break;
            SelectHandTile(b.index, r->raised ? 0 : 1);
            // The choice may have run its meld: the hand is drawn anew.
            BindHandRecords();
            break;
        case kMsgTileClickDiscard:
            if (swallowClick_) break;
            OnHandTileClicked(b.index);
            break;
        case kMsgTileDragBegin:
            swallowClick_ = false;
            BeginTileDrag(c, *r, *e);
            break;
        case kMsgTileDragMove:
            if (mouse) MoveTileDrag(*mouse);
            break;
        case kMsgTileDragEnd:
            if (mouse) EndTileDrag(*mouse);
            break;
        default:
            break;
    }
    return 1;
}

int32_t CMJTableScene::TileCentreY(int32_t n, bool raised) const {
    const TileBinding& b = bindings_[size_t(n)];
    RECT area{};
    GetHandAreaRect(b.seat, &area);
    const int32_t y = area.top + b.y - (raised ? kOwnTileLift : 0);
    return y + (Sizes().ownHeight + 1) / 2;
}

void CMJTableScene::BindHandRecords() {
    ValidateEntityBindings();
    for (int32_t i = 0; i < kHandRecords; ++i)
        BindRecord(kAreaHand, 3, i);
}

void CMJTableScene::BeginTileDrag(int32_t c, const MJStruct& r, engine::Entity& e) {
    if (IsLooker() || GetHandMode() != 0 || r.locked || drag_.control != 0) return;
    const TileBinding& b = bindings_[size_t(controls_[size_t(c)].binding)];
    drag_ = {c, r.nFace, b.index, e.GetDepth(), e.GetX(), e.GetY(), false};
    e.SetDepth(kDragDepth);
}

void CMJTableScene::MoveTileDrag(const engine::MouseState& mouse) {
    if (drag_.control == 0) return;
    const int32_t n = controls_[size_t(drag_.control)].binding;
    engine::Entity* e = GetEntity(bindings_[size_t(n)].entity);
    // Until the pointer leaves the tile, a release is a click.
    if (std::abs(mouse.x - drag_.x) * 2 > Sizes().ownWidth ||
        std::abs(mouse.y - drag_.y) * 2 > Sizes().ownHeight)
        drag_.moved = true;
    RECT area{};
    GetHandAreaRect(3, &area);
    if (!e || mouse.x < area.left || mouse.x >= area.right || mouse.y < area.top ||
        mouse.y >= area.bottom) {
        // Out of the hand: the tile drops back where it was.
        CancelTileDrag();
        return;
    }
    if (drag_.moved) MoveEntity(e, mouse.x, mouse.y);
}

void CMJTableScene::CancelTileDrag() {
    if (drag_.control == 0) return;
    const int32_t n = controls_[size_t(drag_.control)].binding;
    if (engine::Entity* e = n ? GetEntity(bindings_[size_t(n)].entity) : nullptr) {
        e->SetDepth(drag_.depth);
        MoveEntity(e, drag_.x, drag_.y);
    }
    swallowClick_ = drag_.moved;
    drag_ = {};
}

void CMJTableScene::EndTileDrag(const engine::MouseState& mouse) {
    if (drag_.control == 0) return;
    const TileDrag drag = drag_;
    CancelTileDrag();
    if (!drag.moved) return;
    const int32_t to = HandPlaceAt(mouse.x, mouse.y);
    const MJStruct& from = *GetMJStruct(kAreaHand, 3, drag.index);
    // Only the standing tiles change places; the drawn tile keeps its own.
    if (to <= 0 || drag.index <= 0 || to == drag.index || from.nFace != drag.code) return;
    MJStruct held = from;
    const int32_t step = to > drag.index ? 1 : -1;
    for (int32_t i = drag.index; i != to; i += step)
        MoveTile(3, i + step, i);
    MJStruct& target = *GetMJStruct(kAreaHand, 3, to);
    target.nFace = held.nFace;
    target.locked = held.locked;
    target.jokerMark = held.jokerMark;
    BindHandRecords();
}

int32_t CMJTableScene::HandPlaceAt(int32_t x, int32_t y) const {
    RECT area{};
    GetHandAreaRect(3, &area);
    const int32_t w = Sizes().ownWidth, h = Sizes().ownHeight;
    for (int32_t i = 0; i < HandTiles(); ++i) {
        const MJStruct& r = *GetMJStruct(kAreaHand, 3, i);
        const int32_t left = area.left + r.x, top = area.top + r.y;
        if (r.present && r.standing && x >= left && x < left + w && y >= top - kOwnTileLift &&
            y < top + h)
            return i;
    }
    return -1;
}

}  // namespace mahjong
