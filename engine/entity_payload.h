#pragma once
// The kind payload of an entity (image, animation, text, particles, ...). The
// entity owns it; the screen layer keeps a pointer to it as the item's kind
// record: an item without one is never drawn, and hit tests by pixel ask it.

#include <cstdint>

namespace engine {

// Entity kinds; the World makes no entity of any other kind.
inline constexpr uint32_t kKindBase = 0;
inline constexpr uint32_t kKindImage = 1;
inline constexpr uint32_t kKindAnim = 16;
inline constexpr uint32_t kKindPool = 256;
inline constexpr uint32_t kKindCallback = 512;
inline constexpr uint32_t kKindClone = 1024;
inline constexpr uint32_t kKindText = 4096;
inline constexpr uint32_t kKindParticle = 65536;

bool IsEntityKind(uint32_t kind);

class EntityPayload {
  public:
    explicit EntityPayload(uint32_t kind) : kind_(kind) {}
    virtual ~EntityPayload() = default;
    EntityPayload(const EntityPayload&) = delete;
    EntityPayload& operator=(const EntityPayload&) = delete;

    uint32_t kind() const { return kind_; }

    // Whether the item is solid at (lx, ly), counted from the top-left of its
    // drawn rectangle. Images and text surfaces answer from their pixels;
    // other kinds are never hit. The point can lie one past an odd size, so
    // implementations check it against their own pixels.
    virtual bool HitPixel(int32_t lx, int32_t ly) const {
        (void)lx;
        (void)ly;
        return false;
    }

  private:
    uint32_t kind_;
};

}  // namespace engine
