#include "engine/control_record.h"

#include <optional>

#include "engine/engine_object.h"
#include "engine/entity.h"
#include "engine/world.h"

namespace engine {

int32_t ControlRecord::SetEvent(uint32_t n, int32_t code, uint32_t target,
                                platform::Payload payload) {
    if (n >= kEventSlots) return 0;
    if (!events) events = std::make_unique<std::array<EventEntry, kEventSlots>>();
    EventEntry& e = (*events)[n];
    const int32_t old = e.code;
    e.code = code;
    e.target = target;
    e.payload = std::move(payload);
    if (entity) {
        if (n == 0) {
            if (!HasAnyEvent()) entity->SetPickable(0);
        } else if (!entity->IsPickable()) {
            entity->SetPickable(1);
        }
    }
    return old;
}

int32_t ControlRecord::SetEventRelative(uint32_t n, int32_t base, uint32_t target) {
    return SetEvent(n, int32_t(uint32_t(base) + n), target);
}

const EventEntry* ControlRecord::GetEvent(uint32_t n) const {
    if (!enabled || !events || n >= kEventSlots) return nullptr;
    const EventEntry& e = (*events)[n];
    return e.code > 0 ? &e : nullptr;
}

bool ControlRecord::HasAnyEvent() const {
    if (!events) return false;
    for (const EventEntry& e : *events)
        if (e.code > 0) return true;
    return false;
}

void ControlRecord::SetEnabled(uint32_t on) {
    enabled = on;
    SendToOwner(on ? kEvEnabled : kEvDisabled);
}

int ControlRecord::SendToOwner(uint32_t code, platform::Payload payload) {
    if (!owner) return 0;
    EngineMessage event{code, std::move(payload), 0};
    // The owner may leave the World while it handles the event.
    std::optional<World::DeliveryScope> held;
    if (World* world = owner->GetWorld()) held.emplace(*world);
    return owner->OnEvent(event);
}

void ControlRecord::Reset() {
    if (entity) {
        entity->SetPickable(0);
        entity->SetControlId(0);
    }
    *this = ControlRecord{};
}

}  // namespace engine
