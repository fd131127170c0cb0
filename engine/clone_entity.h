#pragma once
// The clone entity (kind 0x400): shows another entity's screen item a second
// time, with its own place, size, angle and opacity.

#include "engine/entity.h"

namespace engine {

class CloneEntity : public Entity {
  public:
    CloneEntity() : Entity(kKindClone) {}

    using Entity::Init;
    // Nothing for no source or a clone as source. With copyGeometry the
    // clone takes the source's size, angle and opacity.
    void Init(const Entity* source, bool copyGeometry);
};

}  // namespace engine
