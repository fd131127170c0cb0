#pragma once
// One layer of the screen: an item per placed entity, culled against the
// view, kept in depth order for drawing, turned into merged dirty rectangles
// when it changes, and asked for hit tests. The top layer also keeps the
// stack of modal items that hide the items beneath them from the mouse.

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "engine/draw_record.h"
#include "engine/geometry.h"

namespace engine {

class EntityPayload;

struct LayerItem {
    uint32_t id = 0;
    uint32_t entityId = 0;
    DrawRecord record;           // as last placed: what is on screen
    DrawRecord* live = nullptr;  // the entity's own record
    uint32_t visible = 0;
    bool inView = false;
    bool redraw = false;
    double opacity = 1.0;
    const EntityPayload* kind = nullptr;  // null: never drawn
};

// The view block: which part of the layer's world the screen shows.
struct LayerView {
    int32_t originX = 0;
    int32_t originY = 0;
    int32_t halfWidth = 0;
    int32_t halfHeight = 0;
    int32_t centreX = 0;
    int32_t centreY = 0;
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
};

// Pending dirty records beyond this many collapse into one covering the
// screen: a layer that is changed but not presented must not grow forever.
inline constexpr size_t kMaxPendingDirty = 1024;

class ScreenLayer {
  public:
    uint32_t AddItem(uint32_t entityId, DrawRecord* live, double opacity, uint32_t visible,
                     const EntityPayload* kind);
    // Mode kItemShow shows, kItemHide hides, anything else keeps visibility.
    void UpdateItem(uint32_t id, uint32_t mode, double opacity, const DrawRecord& record);
    void SetItemState(uint32_t id, uint32_t mode, double opacity);
    void RemoveItem(uint32_t id);
    int SetHitTest(uint32_t id, uint32_t on);
    uint32_t GetItemEntity(uint32_t id) const;
    const LayerItem* FindItem(uint32_t id) const;
    void MarkRedraw(uint32_t id);
    size_t ItemCount() const { return items_.size(); }

    // View.
    void SetView(const LayerView& view);
    void SetViewCentre(int32_t centreX, int32_t centreY);
    void SetBounds(const Rect& bounds) { bounds_ = bounds; }
    const LayerView& view() const { return view_; }
    int32_t ViewRadius() const { return viewRadius_; }
    Point ScreenToLayer(int32_t x, int32_t y) const;
    Point LayerToScreen(int32_t x, int32_t y) const;
    // Converts a rectangle in layer coordinates to the screen and cuts it to
    // the screen; false when it does not touch the view.
    bool ClipToView(Rect& rect) const;
    // The culling test; writes the screen centre into the record.
    bool IsInView(DrawRecord& record) const;

    // Dirty areas and the present.
    bool HasDirty() const { return !pending_.empty(); }
    size_t PendingCount() const { return pending_.size(); }
    // The record's screen centre must be set.
    void AddDirty(const DrawRecord& record);
    // Turns the pending records into screen rectangles merged into `rects`,
    // each cut to the screen, and empties the pending list.
    void CollectDirtyRects(std::vector<Rect>& rects);
    // Selects the drawn items that carry the redraw mark or touch a rectangle.
    void SelectRedraw(const std::vector<Rect>& rects);
    void SelectAll();
    void ClearSelection() { selection_.clear(); }
    const std::vector<LayerItem>& Selection() const { return selection_; }
    // The drawn items, in drawing order (ascending depth, then entity id).
    std::vector<const LayerItem*> DrawList() const;

    // The entity of the hit item, 0 when none.
    uint32_t HitTest(int32_t x, int32_t y) const;

    // The modal stack (top layer only).
    void ModalPush(uint32_t id);
    void ModalRemove(uint32_t id);
    uint32_t ModalCurrent() const;
    uint32_t ModalCurrentItem() const { return modalItem_; }

  private:
    struct DrawKey {
        uint32_t depth;
        uint32_t entityId;
        uint32_t itemId;
        friend auto operator<=>(const DrawKey&, const DrawKey&) = default;
    };

    LayerItem* Find(uint32_t id);
    bool IsDrawn(const LayerItem& item) const { return item.inView && item.visible; }
    void InsertDrawList(LayerItem& item);
    void EraseDrawList(const LayerItem& item);
    bool InDrawList(const LayerItem& item) const;
    void Recull();
    void SetModalThreshold(const LayerItem& item);
    bool TouchesRect(const DrawRecord& record, const Rect& rect) const;
    Rect ScreenRect() const { return {0, 0, view_.screenWidth, view_.screenHeight}; }
    DrawRecord WholeScreenRecord() const;
    static void MergeRect(std::vector<Rect>& rects, const Rect& rect);

    LayerView view_;
    int32_t viewRadius_ = 0;
    Rect bounds_;
    uint32_t nextItemId_ = 1;
    uint32_t modalItem_ = 0;
    uint32_t modalThreshold_ = 0;
    std::map<uint32_t, LayerItem> items_;
    std::map<uint32_t, DrawKey> drawKeys_;  // item id -> its key in drawList_
    std::set<DrawKey> drawList_;
    std::vector<DrawRecord> pending_;
    bool collapsed_ = false;
    std::map<uint32_t, const LayerItem*> hitTest_;  // items of items_, which never move
    std::vector<uint32_t> modalStack_;
    std::vector<LayerItem> selection_;
};

}  // namespace engine
