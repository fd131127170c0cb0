#pragma once
// Helpers shared by the entity and layer tests: a screen whose layers show
// their world one to one, and a kind payload with a pixel mask.

#include <cstdint>
#include <memory>
#include <ostream>
#include <vector>

#include "engine/entity.h"
#include "engine/entity_payload.h"
#include "engine/layer_stack.h"
#include "engine/screen_layer.h"

namespace engine {

inline void PrintTo(const Rect& r, std::ostream* os) {
    *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

}  // namespace engine

namespace engine::testing {

inline LayerView ScreenView(int32_t width, int32_t height) {
    LayerView v;
    v.halfWidth = v.centreX = width / 2, v.halfHeight = v.centreY = height / 2;
    v.screenWidth = width, v.screenHeight = height;
    return v;
}

inline void ShowWorldOneToOne(LayerStack& stack, int32_t width, int32_t height) {
    for (int l = 0; l < kLayerCount; ++l)
        stack.Layer(l)->SetView(ScreenView(width, height));
}

// Solid where the mask says so; points outside the mask miss.
class MaskPayload : public EntityPayload {
  public:
    MaskPayload(uint32_t kind, int32_t width, int32_t height, bool solid = true)
        : EntityPayload(kind),
          width_(width),
          height_(height),
          mask_(size_t(width) * size_t(height), solid) {}
    void Set(int32_t x, int32_t y, bool solid) {
        mask_[size_t(y) * size_t(width_) + size_t(x)] = solid;
    }
    bool HitPixel(int32_t lx, int32_t ly) const override {
        if (lx < 0 || ly < 0 || lx >= width_ || ly >= height_) return false;
        return mask_[size_t(ly) * size_t(width_) + size_t(lx)];
    }

  private:
    int32_t width_, height_;
    std::vector<bool> mask_;
};

// An entity of a drawable kind whose payload is made on request.
class KindEntity : public Entity {
  public:
    explicit KindEntity(uint32_t kind = kKindImage) : Entity(kind) {}
    bool CreatePayload() override {
        SetPayload(std::make_unique<MaskPayload>(GetKind(), GetWidth() > 0 ? GetWidth() : 1,
                                                 GetHeight() > 0 ? GetHeight() : 1));
        return true;
    }
    MaskPayload* mask() { return static_cast<MaskPayload*>(GetPayload()); }
};

}  // namespace engine::testing
