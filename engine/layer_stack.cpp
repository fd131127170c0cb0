#include "engine/layer_stack.h"

namespace engine {

ScreenLayer* LayerStack::Layer(int layer) {
    return layer >= 0 && layer < kLayerCount ? &layers_[size_t(layer)] : nullptr;
}

const ScreenLayer* LayerStack::Layer(int layer) const {
    return layer >= 0 && layer < kLayerCount ? &layers_[size_t(layer)] : nullptr;
}

uint32_t LayerStack::AddLayerItem(int layer, uint32_t entityId, DrawRecord* live, double opacity,
                                  uint32_t visible, const EntityPayload* kind) {
    ScreenLayer* l = Layer(layer);
    return l ? l->AddItem(entityId, live, opacity, visible, kind) : 0;
}

void LayerStack::UpdateLayerItem(int layer, uint32_t item, uint32_t mode, double opacity,
                                 const DrawRecord& record) {
    if (ScreenLayer* l = Layer(layer)) l->UpdateItem(item, mode, opacity, record);
}

void LayerStack::SetLayerItemState(int layer, uint32_t item, uint32_t mode, double opacity) {
    if (ScreenLayer* l = Layer(layer)) l->SetItemState(item, mode, opacity);
}

void LayerStack::RemoveLayerItem(int layer, uint32_t item) {
    if (ScreenLayer* l = Layer(layer)) l->RemoveItem(item);
}

int LayerStack::SetItemHitTest(int layer, uint32_t item, uint32_t on) {
    ScreenLayer* l = Layer(layer);
    return l ? l->SetHitTest(item, on) : 0;
}

uint32_t LayerStack::GetItemEntity(int layer, uint32_t item) const {
    const ScreenLayer* l = Layer(layer);
    return l ? l->GetItemEntity(item) : 0;
}

Point LayerStack::ScreenToLayer(int layer, int32_t x, int32_t y) const {
    const ScreenLayer* l = Layer(layer);
    return l ? l->ScreenToLayer(x, y) : Point{x, y};
}

Point LayerStack::LayerToScreen(int layer, int32_t x, int32_t y) const {
    const ScreenLayer* l = Layer(layer);
    return l ? l->LayerToScreen(x, y) : Point{x, y};
}

bool LayerStack::ClipToLayer(int layer, Rect& rect) const {
    const ScreenLayer* l = Layer(layer);
    return l && l->ClipToView(rect);
}

void LayerStack::InvalidateScreenRect(const Rect& rect) {
    const int64_t w = int64_t(rect.right) - rect.left, h = int64_t(rect.bottom) - rect.top;
    DrawRecord r;
    r.x = r.screenX = Saturate32(int64_t(rect.left) + w / 2);
    r.y = r.screenY = Saturate32(int64_t(rect.top) + h / 2);
    r.width = Saturate32(w);
    r.height = Saturate32(h);
    r.radius = DrawRecordRadiusInt(r.width, r.height);
    layers_[0].AddDirty(r);
}

Rect LayerStack::InvalidateLayerRect(int layer, Rect rect) {
    if (!ClipToLayer(layer, rect) || rect.IsEmpty()) return {};
    InvalidateScreenRect(rect);
    return rect;
}

void LayerStack::MarkItemRedraw(int layer, uint32_t item) {
    if (ScreenLayer* l = Layer(layer)) l->MarkRedraw(item);
}

uint32_t LayerStack::HitTest(int32_t x, int32_t y) const {
    for (int layer = kTopLayer; layer >= 1; --layer) {
        if (uint32_t entity = layers_[size_t(layer)].HitTest(x, y)) return entity;
    }
    return 0;
}

}  // namespace engine
