#pragma once
// The kind records the screen device knows how to draw: an image entity's
// source rectangle, a text entity's pixel surface, a clone's reference to
// another item, and the kinds that draw themselves (animations, the pool,
// particles) through a hook given the drawing context.

#include <cstdint>

#include "engine/entity_payload.h"
#include "engine/resources/blit.h"
#include "engine/screen_layer.h"

namespace engine {

class ImageProvider;

// What a self-drawn kind gets: the back buffer, the area it may touch, the
// time of the present, the images and the view of its layer.
struct DrawContext {
    BlitSurface surface;
    BlitRect clip;  // surface coordinates
    uint32_t now = 0;
    ImageProvider* images = nullptr;
    LayerView view;
};

// Kind 1: an image resource's rectangle.
class ImagePayload : public EntityPayload {
  public:
    ImagePayload() : EntityPayload(kKindImage) {}
    uint32_t imageId = 0;  // 0: nothing drawn
    int32_t srcX = 0, srcY = 0, srcW = 0, srcH = 0;
    uint32_t backColor = kNoBlendColor;  // the blend colour
};

// Kind 0x1000: the text entity's own 32-bit surface, drawn whole with alpha.
class TextSurfacePayload : public EntityPayload {
  public:
    TextSurfacePayload() : EntityPayload(kKindText) {}
    const uint8_t* pixels = nullptr;  // width x height x 4 bytes
    int32_t width = 0, height = 0;
    uint32_t blendColor = kNoBlendColor;
};

// Kind 0x400: draws the kind record of another item with this item's record.
class ClonePayload : public EntityPayload {
  public:
    ClonePayload() : EntityPayload(kKindClone) {}
    uint32_t item = 0;
    int layer = 0;
};

// Kinds that draw themselves (16 animated picture, 256 pool, 0x10000
// particles).
class SelfDrawnPayload : public EntityPayload {
  public:
    using EntityPayload::EntityPayload;
    virtual void Draw(const DrawContext& context, const DrawRecord& record,
                      double opacity) const = 0;
    // Screen area drawn beyond the record's own box (particles fly out of
    // it); empty when the kind stays inside.
    virtual Rect ExtraArea() const { return {}; }
};

// Where a record places its picture on the surface, clipped to `clip`.
inline BlitPlacement PlacementOf(const DrawRecord& record, uint32_t flags, const BlitRect& clip) {
    BlitPlacement p;
    p.angle = record.angle;
    p.drawX = record.screenX;
    p.drawY = record.screenY;
    p.width = record.width;
    p.height = record.height;
    p.radius = record.radius;
    p.flags = flags | kBlitClip;
    p.clip = clip;
    return p;
}

}  // namespace engine
