#include "engine/engine_object.h"

#include "engine/mouse_controller.h"
#include "engine/world.h"

namespace engine {

ControlRecord* EngineObject::Record() const {
    return world_ && controlId_ ? world_->GetControl(controlId_) : nullptr;
}

void EngineNode::Detach() {
    if (!world_) return;
    if (controlId_ && world_->GetControl(controlId_)) {
        world_->RemoveControl(controlId_);
    } else {
        world_->RemoveObject(this);
    }
}

void EngineNode::SetSystemCursor(int cursorId) {
    if (MouseController* mouse = world_ ? world_->Mouse() : nullptr)
        mouse->SetSystemCursor(cursorId);
}

void EngineNode::SetCursorByName(std::string_view name) {
    if (MouseController* mouse = world_ ? world_->Mouse() : nullptr) mouse->SetImageCursor(name);
}

}  // namespace engine
