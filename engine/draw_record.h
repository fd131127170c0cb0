#pragma once
// The draw record: what an entity hands its screen layer and the blitters.
// The entity owns it; the layer writes the screen centre and the in-view flags
// into it at every culling test.

#include <cstdint>

#include "engine/geometry.h"

namespace engine {

// Draw flags. The layer reads kDrawClip and kDrawHitPixel and writes
// kDrawInView; the other bits belong to the blitters.
inline constexpr uint32_t kDrawClip = 0x2;           // the clip rectangle is in force
inline constexpr uint32_t kDrawHitPixel = 0x4;       // hit tests look at the pixels
inline constexpr uint32_t kDrawInView = 0x10000010;  // set while the item is inside the view

// Visibility modes of an item update.
inline constexpr uint32_t kItemHide = 0;
inline constexpr uint32_t kItemShow = 1;
inline constexpr uint32_t kItemKeepVisibility = 2;

struct DrawRecord {
    double angle = 0.0;   // degrees; 0.0 = unrotated
    int32_t screenX = 0;  // centre on screen, written by the layer
    int32_t screenY = 0;
    int32_t reserved = 0;
    int32_t x = 0;  // centre in the layer's world
    int32_t y = 0;
    int32_t depth = 0;  // the layer orders by it as unsigned; larger is nearer
    int32_t width = 0;
    int32_t height = 0;
    int32_t radius = 0;  // bounding radius
    uint32_t flags = 0;
    Rect clip;  // screen coordinates, with kDrawClip
};

// sqrt(((w+1)/2)^2 + ((h+1)/2)^2) + 0.5 with integer halves; 0.0 when either
// size is not positive. Truncated, it is the bounding radius.
double DrawRecordRadius(int32_t width, int32_t height);
inline int32_t DrawRecordRadiusInt(int32_t width, int32_t height) {
    return int32_t(DrawRecordRadius(width, height));
}

// The screen area of a record (before any clip): its rectangle when
// unrotated, the square about its bounding circle when rotated. Computes and
// stores the radius when it is below 1.
Rect DrawRecordBounds(DrawRecord& record);

}  // namespace engine
