#pragma once
// What an entity needs of the screen it is placed on: the per-layer forwards
// of the screen device. `LayerStack` (screen_layers.h) is the real one.

#include <cstdint>

#include "engine/draw_record.h"
#include "engine/geometry.h"

namespace engine {

class EntityPayload;

class LayerHost {
  public:
    virtual ~LayerHost() = default;

    // The new item id, 0 when the layer does not exist. `live` must stay valid
    // until the item is removed.
    virtual uint32_t AddLayerItem(int layer, uint32_t entityId, DrawRecord* live, double opacity,
                                  uint32_t visible, const EntityPayload* kind) = 0;
    virtual void UpdateLayerItem(int layer, uint32_t item, uint32_t mode, double opacity,
                                 const DrawRecord& record) = 0;
    virtual void SetLayerItemState(int layer, uint32_t item, uint32_t mode, double opacity) = 0;
    virtual void RemoveLayerItem(int layer, uint32_t item) = 0;
    virtual int SetItemHitTest(int layer, uint32_t item, uint32_t on) = 0;
    virtual uint32_t GetItemEntity(int layer, uint32_t item) const = 0;
    virtual Point ScreenToLayer(int layer, int32_t x, int32_t y) const = 0;
    // Marks a screen rectangle for repainting.
    virtual void InvalidateScreenRect(const Rect& rect) { (void)rect; }
    // Marks a rectangle of the layer's world for repainting: the screen
    // rectangle it became, empty when it lies outside the view.
    virtual Rect InvalidateLayerRect(int layer, Rect rect) {
        (void)layer;
        (void)rect;
        return {};
    }
};

}  // namespace engine
