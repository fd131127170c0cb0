#pragma once
// A control record ties input events to messages: entry n of its event table
// says which message input event n becomes. It may be bound to an entity
// (which then answers hit tests) and belong to an engine object (which
// receives the messages addressed to the control).

#include <array>
#include <cstdint>
#include <memory>

#include "engine/engine_message.h"

namespace engine {

class Entity;
class EngineObject;

inline constexpr uint32_t kEventSlots = 30;

// Control flags.
inline constexpr uint32_t kControlDeletesEntity = 16;    // removing it deletes its entity
inline constexpr uint32_t kControlOwnsData = 32;         // `data` belongs to the record
inline constexpr uint32_t kControlDiesWithEntity = 128;  // deleting the entity removes it

// Input events (the event numbers of a control's table).
enum InputEvent : uint32_t {
    kEvMove = 1,
    kEvEnter = 2,
    kEvLeave = 3,
    kEvLeftDown = 4,
    kEvLeftUp = 5,
    kEvRightDown = 6,
    kEvRightUp = 7,
    kEvClick = 8,
    kEvDoubleClick = 9,
    kEvLeftDrag = 10,
    kEvRightDrag = 11,
    kEvHover = 12,
    kEvHoverEnd = 13,
    kEvActivated = 15,
    kEvDeactivated = 16,
    kEvWheelForward = 17,
    kEvWheelBack = 18,
    kEvMiddleDown = 19,
    kEvMiddleUp = 20,
    kEvKeyHeld = 21,
    kEvKeyDown = 22,
    kEvKeyUp = 23,
    kEvDisabled = 69,
    kEvEnabled = 70,
};

struct EventEntry {
    int32_t code = 0;  // counts only above 0
    platform::Payload payload;
    uint32_t target = 0;
};

struct ControlRecord {
    uint32_t flags = 0;
    uint32_t parentControl = 0;
    uint32_t enabled = 1;
    std::unique_ptr<std::array<EventEntry, kEventSlots>> events;  // made on first use
    uint32_t id = 0;
    uint32_t entityId = 0;
    Entity* entity = nullptr;
    EngineObject* owner = nullptr;
    platform::Payload data;

    // Sets entry n (below 30) and answers the old code, 0 for n >= 30. The
    // bound entity answers hit tests while any entry counts.
    int32_t SetEvent(uint32_t n, int32_t code, uint32_t target, platform::Payload payload = {});
    // The same with code = base + n.
    int32_t SetEventRelative(uint32_t n, int32_t base, uint32_t target);
    // The entry when its code counts; null when disabled or without a table.
    const EventEntry* GetEvent(uint32_t n) const;
    bool HasAnyEvent() const;
    bool IsClickable() const { return GetEvent(kEvClick) != nullptr; }
    // Tells the owner 70 (enabled) or 69 (disabled).
    void SetEnabled(uint32_t on);
    // The owner's answer, 0 without an owner.
    int SendToOwner(uint32_t code, platform::Payload payload = {});
    // The entity stops answering hit tests and forgets the control; the
    // table and the data go.
    void Reset();
};

}  // namespace engine
