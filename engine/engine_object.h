#pragma once
// Engine objects: the mouse controller, controls, buttons, the script host
// and the engine itself. An object registered with the World belongs to it
// and usually has a control record of its own, whose messages arrive at
// OnEvent. World::MakeObject builds one in the fixed order: construct,
// register, SetWorld, give it a control, Initialise.

#include <cstdint>
#include <string_view>

#include "engine/engine_message.h"

namespace engine {

class World;
struct ControlRecord;

class EngineObject {
  public:
    EngineObject() = default;
    virtual ~EngineObject() = default;
    EngineObject(const EngineObject&) = delete;
    EngineObject& operator=(const EngineObject&) = delete;

    // Called when the World lets go of the object, before it is deleted.
    virtual void OnRemove() {}
    // A message for the object's control, or an event for its owner. The
    // handler may take the payload; what it leaves is freed afterwards.
    // Non-zero: handled.
    virtual int OnEvent(EngineMessage& event) {
        (void)event;
        return 1;
    }
    virtual void SetWorld(World* world) { world_ = world; }
    virtual int Initialise() { return 0; }

    World* GetWorld() const { return world_; }
    // The object's own control, 0 when it has none.
    uint32_t GetControlId() const { return controlId_; }
    ControlRecord* Record() const;
    void SetControlId(uint32_t id) { controlId_ = id; }

  protected:
    World* world_ = nullptr;
    uint32_t controlId_ = 0;
};

// An engine object that lives in a World's object list.
class EngineNode : public EngineObject {
  public:
    // Leaves the World: through its control when it has one (which removes
    // the object with it), else as an object. The object is gone afterwards.
    virtual void Detach();
    // Forwarded to the mouse controller.
    virtual void SetSystemCursor(int cursorId);
    virtual void SetCursorByName(std::string_view name);
};

}  // namespace engine
