// Tile entities bound to the scene's records. The table's tiles are 336
// image entities made once; a record present on the table borrows one,
// and gives it back when it leaves or changes under it.
#include "engine/image_entity.h"
#include "engine/resources/blit.h"
#include "engine/resources/resource_manager.h"
#include "mahjong/scene/table_scene.h"
#include "mahjong/scene/tile_identity.h"

namespace mahjong {
namespace {

constexpr int32_t kOffTable = -100;

engine::ImageEntity* AsImage(engine::Entity* e) {
    return e && e->GetKind() == engine::kKindImage ? static_cast<engine::ImageEntity*>(e) : nullptr;
}

// The records of an area, per seat.
int32_t AreaRecords(int32_t area) {
    switch (area) {
        case kAreaWall:
            return kWallRecords;
        case kAreaHand:
            return kHandRecords;
        case kAreaFlower:
        case kAreaRiver:
            return kStripRecords;
        case kAreaShown:
            return 1;
        default:
            return 0;
    }
}

}  // namespace

const TileBinding& CMJTableScene::Binding(int32_t n) const {
    static const TileBinding kNone;
    return n >= 1 && n <= kTileBindings ? bindings_[size_t(n)] : kNone;
}

int32_t CMJTableScene::BindingArea(int32_t area, const MJStruct& r) {
    if (area == kAreaHand || area == kAreaMeld) return r.standing ? kAreaHand : kAreaMeld;
    return area;
}

void CMJTableScene::CreateTileEntities() {
    // Made once: a second call takes every tile off the table and keeps the
    // entities, instead of leaving the first ones standing unbound.
    if (spareEntity_ != 0) {
        HideTileEntities();
        return;
    }
    for (TileBinding& b : bindings_)
        b = {};
    const uint32_t image = Resources().GetImageIdByName(NamesOf(Picture::kLargeFace, false).title);
    const int32_t w = Sizes().ownWidth, h = Sizes().ownHeight;
    const int32_t back = TileImageIndex(kFaceDown) * w;
    auto make = [&] {
        engine::ImageEntity* e = CreateImageEntity(kTileEntityLayer, kOffTable, kOffTable, image,
                                                   back, 0, w, h, engine::kNoBlendColor);
        if (!e) return uint32_t(0);
        e->Hide();
        return e->GetId();
    };
    for (int32_t n = 1; n <= kTileBindings; ++n)
        bindings_[size_t(n)].entity = make();
    spareEntity_ = make();
    drawEntity_ = make();
    NextEventId();
}

int32_t CMJTableScene::AllocEntity() {
    for (int32_t n = 1; n <= kTileBindings; ++n)
        if (bindings_[size_t(n)].Free()) return n;
    LogLine("实体请求错误，已无空闲实体!");
    return 0;
}

void CMJTableScene::FreeBinding(MJStruct& record, int32_t n) {
    record.nObject = 0;
    if (n < 1 || n > kTileBindings) return;
    TileBinding& b = bindings_[size_t(n)];
    b.area = 0;
    b.code = kFaceDown;
    ReleaseTileControl(b.control);
    b.control = 0;
    if (engine::ImageEntity* e = AsImage(GetEntity(b.entity))) {
        e->SetOpacity(1.0);
        e->SetBackColor(engine::kNoBlendColor);
        ShowEntity(e, false);
    }
}

void CMJTableScene::ReleaseBinding(MJStruct& record) {
    if (record.nObject != 0) FreeBinding(record, record.nObject);
}

void CMJTableScene::ReleaseAllBindings() {
    for (int32_t n = 1; n <= kTileBindings; ++n) {
        const TileBinding& b = bindings_[size_t(n)];
        if (b.Free()) continue;
        MJStruct* r = GetMJStruct(b.area, b.seat, b.index);
        MJStruct none;
        FreeBinding(r && r->nObject == n ? *r : none, n);
    }
}

void CMJTableScene::ValidateEntityBindings() {
    for (int32_t n = 1; n <= kTileBindings; ++n) {
        const TileBinding& b = bindings_[size_t(n)];
        if (b.Free()) continue;
        MJStruct* r = GetMJStruct(b.area, b.seat, b.index);
        MJStruct none;
        if (!r) {
            FreeBinding(none, n);
            continue;
        }
        // A record that another binding draws keeps its own nObject.
        MJStruct& owner = r->nObject == n ? *r : none;
        if (!r->present || BindingArea(b.area, *r) != b.area ||
            (b.area == kAreaHand && r->meldMark != 0)) {
            FreeBinding(owner, n);
            continue;
        }
        if (r->x != b.x || r->y != b.y || r->nFace != b.code || r->locked != b.locked ||
            r->seat != b.seatWord || r->raised != b.raised) {
            FreeBinding(owner, n);
            continue;
        }
        if (r->nObject != n) {
            // The record is drawn by another binding (or will be): this
            // one would stand on the table as a second copy.
            LogLine("麻将实体绑定错误，一个重复的可用绑定:mj->nObject:%d,i:%d", r->nObject, n);
            FreeBinding(none, n);
        }
    }
}

void CMJTableScene::HideTileEntities() {
    for (int32_t n = 1; n <= kTileBindings; ++n) {
        TileBinding& b = bindings_[size_t(n)];
        if (!b.Free()) {
            if (MJStruct* r = GetMJStruct(b.area, b.seat, b.index); r && r->nObject == n)
                r->nObject = 0;
            b.area = 0;
            ReleaseTileControl(b.control);
            b.control = 0;
            b.code = kFaceDown;
        }
        if (engine::Entity* e = GetEntity(b.entity)) ShowEntity(e, false);
    }
    for (uint32_t id : {spareEntity_, drawEntity_})
        if (engine::Entity* e = GetEntity(id)) ShowEntity(e, false);
}

bool CMJTableScene::TilePlace(int32_t area, int32_t seat, int32_t index, TileImage* image,
                              int32_t* x, int32_t* y) const {
    const MJStruct* r = GetMJStruct(area, seat, index);
    if (!r) return false;
    RECT rect{};
    switch (area) {
        case kAreaWall:
            WallTileImage(index, image);
            GetWallTileRect(index, &rect);
            *x = rect.left;
            *y = rect.top;
            return true;
        case kAreaHand:
        case kAreaMeld:
            if (!HandTileImage(seat, *r, image)) return false;
            GetHandAreaRect(seat, &rect);
            break;
        case kAreaRiver:
        case kAreaFlower:
            if (!StripTileImage(area, seat, index, image)) return false;
            if (area == kAreaRiver)
                GetRiverRect(seat, &rect);
            else
                GetFlowerRect(seat, &rect);
            break;
        case kAreaShown:
            *image = {};
            image->picture = Picture::kLargeFace;
            image->width = Sizes().ownWidth;
            image->height = Sizes().ownHeight;
            image->sourceX = TileImageIndex(r->nFace) * image->width;
            GetShownTileRect(seat, &rect);
            *x = rect.left;
            *y = rect.top;
            return true;
        default:
            return false;
    }
    *x = rect.left + r->x;
    *y = rect.top + r->y;
    // A raised own tile stands at the top of its area.
    if (area == kAreaHand && seat == 3 && r->standing && r->raised) *y -= kOwnTileLift;
    return true;
}

void CMJTableScene::BindRecord(int32_t area, int32_t seat, int32_t index) {
    MJStruct* r = GetMJStruct(area, seat, index);
    if (!r || Landing(area, seat, index)) return;
    if (!r->present) {
        ReleaseBinding(*r);
        return;
    }
    TileImage image;
    int32_t x = 0, y = 0;
    if (!TilePlace(area, seat, index, &image, &x, &y)) {
        ReleaseBinding(*r);
        return;
    }
    int32_t n = r->nObject;
    if (n < 1 || n > kTileBindings || bindings_[size_t(n)].Free()) n = AllocEntity();
    if (n == 0) return;
    r->nObject = n;
    TileBinding& b = bindings_[size_t(n)];
    b.area = BindingArea(area, *r);
    b.seat = area == kAreaWall ? 0 : seat;
    b.index = index;
    b.seatWord = r->seat;
    b.x = r->x;
    b.y = r->y;
    b.code = r->nFace;
    b.locked = r->locked;
    b.raised = r->raised;
    engine::ImageEntity* e = AsImage(GetEntity(b.entity));
    if (!e) return;
    const PictureNames names = NamesOf(image.picture, Sizes().Large());
    e->SetImage(Resources().GetImageIdByName(names.title ? names.title : ""), image.sourceX, 0,
                image.width, image.height,
                image.backColor >= 0 ? uint32_t(image.backColor) : engine::kNoBlendColor);
    e->SetSize(image.width, image.height);
    e->SetOpacity(image.blend);
    e->SetDepth(r->drawOrder);
    // The entity stands at its centre; its left is x - (width + 1) / 2.
    MoveEntity(e, x + (image.width + 1) / 2, y + (image.height + 1) / 2);
    ShowEntity(e, true);
    // The standing own tiles answer the mouse through their tile controls.
    if (b.area == kAreaHand && seat == 3) AttachTileControl(n);
}

void CMJTableScene::BindAllRecords() {
    ValidateEntityBindings();
    for (int32_t area : {kAreaWall, kAreaHand, kAreaFlower, kAreaRiver, kAreaShown}) {
        const int32_t seats = area == kAreaWall ? 1 : 4;
        for (int32_t seat = 0; seat < seats; ++seat)
            for (int32_t i = 0; i < AreaRecords(area); ++i)
                BindRecord(area, seat, i);
    }
}

void CMJTableScene::RefreshEntities(int32_t mode) {
    CMJTableSceneBase::RefreshEntities(mode);
    if (IsScreenReady()) BindAllRecords();
    if (mode == 100) PlaceClockAndNames();
}

}  // namespace mahjong
