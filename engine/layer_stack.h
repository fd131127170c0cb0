#pragma once
// The screen's five layers behind the per-layer forwards that entities use.
// Layers 0-2 follow the view, 3 and 4 are fixed to the screen; layer 0 only
// gathers dirty areas and is never hit-tested; layer 4 keeps the modal stack.

#include <array>
#include <cstddef>

#include "engine/layer_host.h"
#include "engine/screen_layer.h"

namespace engine {

inline constexpr int kLayerCount = 5;
inline constexpr int kTopLayer = 4;

class LayerStack : public LayerHost {
  public:
    uint32_t AddLayerItem(int layer, uint32_t entityId, DrawRecord* live, double opacity,
                          uint32_t visible, const EntityPayload* kind) override;
    void UpdateLayerItem(int layer, uint32_t item, uint32_t mode, double opacity,
                         const DrawRecord& record) override;
    void SetLayerItemState(int layer, uint32_t item, uint32_t mode, double opacity) override;
    void RemoveLayerItem(int layer, uint32_t item) override;
    int SetItemHitTest(int layer, uint32_t item, uint32_t on) override;
    uint32_t GetItemEntity(int layer, uint32_t item) const override;
    Point ScreenToLayer(int layer, int32_t x, int32_t y) const override;
    void InvalidateScreenRect(const Rect& rect) override;
    Rect InvalidateLayerRect(int layer, Rect rect) override;
    Point LayerToScreen(int layer, int32_t x, int32_t y) const;
    bool ClipToLayer(int layer, Rect& rect) const;
    void MarkItemRedraw(int layer, uint32_t item);

    void TopLayerSelect(uint32_t item) { layers_[kTopLayer].ModalPush(item); }
    void TopLayerRemove(uint32_t item) { layers_[kTopLayer].ModalRemove(item); }
    uint32_t TopLayerCurrent() const { return layers_[kTopLayer].ModalCurrent(); }

    // Layers 4, 3, 2 and 1 in turn; the first entity hit, 0 when none.
    uint32_t HitTest(int32_t x, int32_t y) const;

    // Null for a layer number outside 0-4.
    ScreenLayer* Layer(int layer);
    const ScreenLayer* Layer(int layer) const;

  private:
    std::array<ScreenLayer, kLayerCount> layers_;
};

}  // namespace engine
