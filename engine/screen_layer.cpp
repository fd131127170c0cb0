#include "engine/screen_layer.h"

#include <algorithm>

#include "engine/entity_payload.h"

namespace engine {
namespace {

int64_t Half(int32_t size) {
    return (int64_t(size) + 1) / 2;
}

void SetInViewFlags(DrawRecord& record, bool inView) {
    if (inView) {
        record.flags |= kDrawInView;
    } else {
        record.flags &= ~kDrawInView;
    }
}

// The record's rectangle as the layer tests it against other rectangles: one
// pixel wider and taller than what is drawn.
Rect TestRect(const DrawRecord& record) {
    const int64_t left = int64_t(record.screenX) - Half(record.width);
    const int64_t top = int64_t(record.screenY) - Half(record.height);
    return MakeRect(left, top, left + record.width + 1, top + record.height + 1);
}

// Whether a rotated record touches `rect`: an edge of the turned rectangle
// crosses an edge of `rect`, `rect` holds the record's centre, or the
// record's own rectangle holds the centre of `rect` turned into its frame.
bool RotatedTouches(const DrawRecord& r, const Rect& rect) {
    const double sx = r.screenX, sy = r.screenY;
    const double hx = double(Half(r.width)), hy = double(Half(r.height));
    const PointF corners[4] = {
        RotatePointF(sx - hx, sy - hy, sx, sy, r.angle, 1),
        RotatePointF(sx + hx, sy - hy, sx, sy, r.angle, 1),
        RotatePointF(sx + hx, sy + hy, sx, sy, r.angle, 1),
        RotatePointF(sx - hx, sy + hy, sx, sy, r.angle, 1),
    };
    const double l = rect.left, t = rect.top, rt = rect.right, b = rect.bottom;
    const PointF edges[4][2] = {
        {{l, t}, {rt, t}}, {{rt, t}, {rt, b}}, {{rt, b}, {l, b}}, {{l, b}, {l, t}}};
    for (int i = 0; i < 4; ++i) {
        const PointF& a = corners[i];
        const PointF& c = corners[(i + 1) % 4];
        for (const auto& e : edges) {
            if (SegmentsIntersect(a.x, a.y, c.x, c.y, e[0].x, e[0].y, e[1].x, e[1].y) != 0)
                return true;
        }
    }
    if (rect.Contains(r.screenX, r.screenY)) return true;
    const PointF centre = RotatePointF((l + rt) / 2.0, (t + b) / 2.0, sx, sy, r.angle, 0);
    return TestRect(r).Contains(Saturate32(centre.x), Saturate32(centre.y));
}

}  // namespace

LayerItem* ScreenLayer::Find(uint32_t id) {
    auto it = items_.find(id);
    return it == items_.end() ? nullptr : &it->second;
}

const LayerItem* ScreenLayer::FindItem(uint32_t id) const {
    auto it = items_.find(id);
    return it == items_.end() ? nullptr : &it->second;
}

uint32_t ScreenLayer::GetItemEntity(uint32_t id) const {
    const LayerItem* item = FindItem(id);
    return item ? item->entityId : 0;
}

uint32_t ScreenLayer::AddItem(uint32_t entityId, DrawRecord* live, double opacity, uint32_t visible,
                              const EntityPayload* kind) {
    if (!live) return 0;
    if (nextItemId_ == 0) nextItemId_ = 1;
    LayerItem& item = items_[nextItemId_];
    item.id = nextItemId_++;
    item.entityId = entityId;
    item.live = live;
    item.visible = visible;
    item.opacity = opacity;
    item.kind = kind;
    item.inView = IsInView(*live);
    SetInViewFlags(*live, item.inView);
    item.record = *live;
    if (IsDrawn(item)) {
        InsertDrawList(item);
        AddDirty(item.record);
    }
    return item.id;
}

void ScreenLayer::UpdateItem(uint32_t id, uint32_t mode, double opacity, const DrawRecord& record) {
    LayerItem* item = Find(id);
    if (!item) return;
    if (IsDrawn(*item)) AddDirty(item->record);
    EraseDrawList(*item);
    DrawRecord culled = record;
    item->inView = IsInView(culled);
    SetInViewFlags(culled, item->inView);
    if (item->live) {
        item->live->screenX = culled.screenX;
        item->live->screenY = culled.screenY;
        SetInViewFlags(*item->live, item->inView);
    }
    item->record = culled;
    if (mode == kItemShow) item->visible = 1;
    if (mode == kItemHide) item->visible = 0;
    item->opacity = opacity;
    if (IsDrawn(*item)) {
        AddDirty(item->record);
        InsertDrawList(*item);
    }
    if (id == modalItem_) {
        SetModalThreshold(*item);
        if (mode == kItemHide) ModalRemove(id);
    }
}

void ScreenLayer::SetItemState(uint32_t id, uint32_t mode, double opacity) {
    LayerItem* item = Find(id);
    if (!item) return;
    const DrawRecord& area = item->live ? *item->live : item->record;
    if (IsDrawn(*item)) AddDirty(area);
    EraseDrawList(*item);
    if (mode == kItemShow) item->visible = 1;
    if (mode == kItemHide) item->visible = 0;
    item->opacity = opacity;
    if (IsDrawn(*item)) {
        AddDirty(area);
        InsertDrawList(*item);
    }
    if (id == modalItem_) {
        SetModalThreshold(*item);
        if (mode == kItemHide) ModalRemove(id);
    }
}

void ScreenLayer::RemoveItem(uint32_t id) {
    LayerItem* item = Find(id);
    if (!item) return;
    if (IsDrawn(*item)) AddDirty(item->record);
    EraseDrawList(*item);
    if (item->live) SetInViewFlags(*item->live, false);
    hitTest_.erase(id);
    // Through ModalRemove, so that the item below takes over as the current
    // modal item instead of a removed one blocking the layer.
    ModalRemove(id);
    if (modalItem_ == id) {
        modalItem_ = 0;
        modalThreshold_ = 0;
    }
    items_.erase(id);
}

int ScreenLayer::SetHitTest(uint32_t id, uint32_t on) {
    if (on == 0) {
        hitTest_.erase(id);
        if (modalItem_ == id) {
            modalItem_ = 0;
            modalThreshold_ = 0;
        }
        return 1;
    }
    const LayerItem* item = Find(id);
    if (!item) return 0;
    hitTest_[id] = item;
    return 1;
}

void ScreenLayer::MarkRedraw(uint32_t id) {
    LayerItem* item = Find(id);
    if (item && InDrawList(*item)) item->redraw = true;
}

void ScreenLayer::InsertDrawList(LayerItem& item) {
    if (!item.kind || !(item.opacity > 0.0)) return;
    const DrawKey key{uint32_t(item.record.depth), item.entityId, item.id};
    drawList_.insert(key);
    drawKeys_[item.id] = key;
}

void ScreenLayer::EraseDrawList(const LayerItem& item) {
    auto it = drawKeys_.find(item.id);
    if (it == drawKeys_.end()) return;
    drawList_.erase(it->second);
    drawKeys_.erase(it);
}

bool ScreenLayer::InDrawList(const LayerItem& item) const {
    return drawKeys_.count(item.id) != 0;
}

std::vector<const LayerItem*> ScreenLayer::DrawList() const {
    std::vector<const LayerItem*> list;
    list.reserve(drawList_.size());
    for (const DrawKey& key : drawList_)
        list.push_back(FindItem(key.itemId));
    return list;
}

void ScreenLayer::SetView(const LayerView& view) {
    view_ = view;
    viewRadius_ = DrawRecordRadiusInt(Saturate32(int64_t(view.halfWidth) * 2),
                                      Saturate32(int64_t(view.halfHeight) * 2));
    Recull();
}

void ScreenLayer::SetViewCentre(int32_t centreX, int32_t centreY) {
    view_.centreX = centreX;
    view_.centreY = centreY;
    Recull();
}

Point ScreenLayer::ScreenToLayer(int32_t x, int32_t y) const {
    return {Saturate32(int64_t(x) + view_.centreX - view_.halfWidth),
            Saturate32(int64_t(y) + view_.centreY - view_.halfHeight)};
}

Point ScreenLayer::LayerToScreen(int32_t x, int32_t y) const {
    return {Saturate32(int64_t(x) - view_.centreX + view_.halfWidth),
            Saturate32(int64_t(y) - view_.centreY + view_.halfHeight)};
}

bool ScreenLayer::ClipToView(Rect& rect) const {
    const int64_t cx = view_.centreX, cy = view_.centreY, hw = view_.halfWidth,
                  hh = view_.halfHeight;
    if (rect.left > cx + hw || rect.right < cx - hw || rect.top > cy + hh || rect.bottom < cy - hh)
        return false;
    const Point lt = LayerToScreen(rect.left, rect.top);
    const Point rb = LayerToScreen(rect.right, rect.bottom);
    rect = {std::max(lt.x, 0), std::max(lt.y, 0), std::min(rb.x, view_.screenWidth),
            std::min(rb.y, view_.screenHeight)};
    return true;
}

bool ScreenLayer::IsInView(DrawRecord& record) const {
    const int64_t sx = int64_t(view_.halfWidth) + (int64_t(record.x) - view_.centreX);
    const int64_t sy = int64_t(view_.halfHeight) + (int64_t(record.y) - view_.centreY);
    record.screenX = Saturate32(sx);
    record.screenY = Saturate32(sy);
    if (record.angle == 0.0) {
        const int64_t hx = Half(record.width), hy = Half(record.height);
        if (sx + hx < 0 || sx - hx >= view_.screenWidth || sy + hy < 0 ||
            sy - hy >= view_.screenHeight)
            return false;
    } else {
        const double dx = double(record.x) - view_.centreX;
        const double dy = double(record.y) - view_.centreY;
        const int32_t radius =
            record.radius >= 1 ? record.radius : DrawRecordRadiusInt(record.width, record.height);
        const double reach = double(viewRadius_) + radius;
        if (dx * dx + dy * dy >= reach * reach) return false;
    }
    if (!(record.flags & kDrawClip)) return true;
    Rect clip = record.clip;
    clip = MakeRect(int64_t(clip.left) + bounds_.left, int64_t(clip.top) + bounds_.top,
                    int64_t(clip.right) + bounds_.left, int64_t(clip.bottom) + bounds_.top);
    return TouchesRect(record, clip);
}

bool ScreenLayer::TouchesRect(const DrawRecord& record, const Rect& rect) const {
    if (rect.IsEmpty()) return false;
    if (record.angle == 0.0) return Intersects(TestRect(record), rect);
    return RotatedTouches(record, rect);
}

DrawRecord ScreenLayer::WholeScreenRecord() const {
    DrawRecord r;
    r.width = view_.screenWidth;
    r.height = view_.screenHeight;
    r.screenX = Saturate32(Half(view_.screenWidth));
    r.screenY = Saturate32(Half(view_.screenHeight));
    r.x = r.screenX;
    r.y = r.screenY;
    return r;
}

void ScreenLayer::AddDirty(const DrawRecord& record) {
    if (collapsed_) return;  // one record already covers the screen
    if (pending_.size() >= kMaxPendingDirty) {
        pending_.clear();
        pending_.push_back(WholeScreenRecord());
        collapsed_ = true;
        return;
    }
    pending_.push_back(record);
}

void ScreenLayer::Recull() {
    drawList_.clear();
    drawKeys_.clear();
    pending_.clear();
    collapsed_ = false;
    // The whole layer shifted on screen: what lay under items that are now
    // elsewhere or gone must be repainted too, not only the items' new areas.
    pending_.push_back(WholeScreenRecord());
    for (auto& [id, item] : items_) {
        DrawRecord& record = item.live ? *item.live : item.record;
        item.inView = IsInView(record);
        SetInViewFlags(record, item.inView);
        if (!item.inView) continue;
        item.record = record;
        if (item.visible) InsertDrawList(item);
        AddDirty(item.record);
    }
}

void ScreenLayer::MergeRect(std::vector<Rect>& rects, const Rect& rect) {
    for (Rect& listed : rects) {
        const Rect u = Union(rect, listed);
        if (u == rect) {
            listed = rect;
            return;
        }
        if (u == listed) return;
        // Rectangles sharing both vertical (or both horizontal) edges merge
        // only when they overlap or meet: across a gap the union would repaint
        // pixels that did not change.
        if (rect.left == listed.left && rect.right == listed.right && rect.top <= listed.bottom &&
            listed.top <= rect.bottom) {
            listed = u;
            return;
        }
        if (rect.top == listed.top && rect.bottom == listed.bottom && rect.left <= listed.right &&
            listed.left <= rect.right) {
            listed = u;
            return;
        }
    }
    rects.push_back(rect);
}

void ScreenLayer::CollectDirtyRects(std::vector<Rect>& rects) {
    const Rect screen = ScreenRect();
    for (DrawRecord& record : pending_) {
        Rect r = DrawRecordBounds(record);
        if (record.flags & kDrawClip) {
            const Rect clip = MakeRect(int64_t(record.clip.left) + bounds_.left,
                                       int64_t(record.clip.top) + bounds_.top,
                                       int64_t(record.clip.right) + bounds_.left,
                                       int64_t(record.clip.bottom) + bounds_.top);
            r = Intersect(r, clip);
        }
        // Cut to the screen: the rectangles are copied from the back buffer.
        r = Intersect(r, screen);
        if (r.IsEmpty()) continue;
        MergeRect(rects, r);
    }
    pending_.clear();
    collapsed_ = false;
}

void ScreenLayer::SelectRedraw(const std::vector<Rect>& rects) {
    selection_.clear();
    for (const DrawKey& key : drawList_) {
        LayerItem& item = items_.at(key.itemId);
        if (item.redraw) {
            item.redraw = false;
            selection_.push_back(item);
            continue;
        }
        const DrawRecord& record = item.live ? *item.live : item.record;
        for (const Rect& rect : rects) {
            if (TouchesRect(record, rect)) {
                selection_.push_back(item);
                break;
            }
        }
    }
}

void ScreenLayer::SelectAll() {
    selection_.clear();
    for (const DrawKey& key : drawList_) {
        LayerItem& item = items_.at(key.itemId);
        item.redraw = false;
        selection_.push_back(item);
    }
}

uint32_t ScreenLayer::HitTest(int32_t x, int32_t y) const {
    const Point p = ScreenToLayer(x, y);
    uint32_t threshold = modalItem_ ? modalThreshold_ : 0;
    const LayerItem* best = nullptr;
    for (const auto& [id, item] : hitTest_) {
        if (!item->visible || !item->inView) continue;
        const DrawRecord& r = item->live ? *item->live : item->record;
        const Point q = r.angle != 0.0 ? RotatePoint(p.x, p.y, r.x, r.y, r.angle, 0) : p;
        const int64_t hx = Half(r.width), hy = Half(r.height);
        if (!(q.x > r.x - hx && q.x < r.x + hx && q.y > r.y - hy && q.y < r.y + hy)) continue;
        if (!(uint32_t(r.depth) > threshold)) continue;
        if (r.flags & kDrawHitPixel) {
            if (!item->kind ||
                !item->kind->HitPixel(Saturate32(q.x + hx - r.x), Saturate32(q.y + hy - r.y)))
                continue;
        }
        best = item;
        threshold = uint32_t(r.depth);
    }
    return best ? best->entityId : 0;
}

void ScreenLayer::SetModalThreshold(const LayerItem& item) {
    const uint32_t depth = uint32_t(item.live ? item.live->depth : item.record.depth);
    // A modal item at depth 0 would wrap the threshold and shut the whole
    // layer, itself included, off from the mouse.
    modalThreshold_ = depth == 0 ? 0 : depth - 1;
}

void ScreenLayer::ModalPush(uint32_t id) {
    if (id == 0) {
        modalStack_.clear();
        modalItem_ = 0;
        modalThreshold_ = 0;
        return;
    }
    if (id == modalItem_) return;
    const LayerItem* item = FindItem(id);
    if (!item) return;
    std::erase(modalStack_, id);
    modalStack_.push_back(id);
    modalItem_ = id;
    SetModalThreshold(*item);
}

void ScreenLayer::ModalRemove(uint32_t id) {
    auto it = std::find(modalStack_.begin(), modalStack_.end(), id);
    if (it == modalStack_.end()) return;
    const bool wasTop = it + 1 == modalStack_.end();
    std::erase(modalStack_, id);
    if (!wasTop) return;
    const LayerItem* top = modalStack_.empty() ? nullptr : FindItem(modalStack_.back());
    if (top) {
        modalItem_ = top->id;
        SetModalThreshold(*top);
    } else {
        modalItem_ = 0;
        modalThreshold_ = 0;
    }
}

uint32_t ScreenLayer::ModalCurrent() const {
    return modalItem_ ? GetItemEntity(modalItem_) : 0;
}

}  // namespace engine
