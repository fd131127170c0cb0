#pragma once
// The engine's messages: a code, an owned payload and the id of the control
// that receives it (0: the engine itself). Whoever handles a message may take
// the payload out; what is left is freed with the message, exactly once.
// Input messages carry a copy of the mouse controller's state.

#include <cstdint>

#include "engine/draw_record.h"
#include "platform/payload.h"

namespace engine {

struct EngineMessage {
    uint32_t code = 0;  // 0: no message
    platform::Payload payload;
    uint32_t target = 0;
};

// Mouse state flags.
inline constexpr uint32_t kMouseLeftHeld = 0x10;
inline constexpr uint32_t kMouseRightHeld = 0x20;
inline constexpr uint32_t kMouseMovePending = 0x1000;
inline constexpr uint32_t kMouseHoverRaised = 0x10000;
inline constexpr uint32_t kMouseMiddleHeld = 0x80000;
// Added to the key flags while a key repeats.
inline constexpr uint32_t kKeyRepeating = 0x10000000;

// The mouse controller's state, copied whole into every input message whose
// event entry carries no payload of its own.
struct MouseState {
    uint32_t hoveredEntity = 0;
    uint32_t hitEntity = 0;       // the last hit test's answer
    uint32_t capturedEntity = 0;  // pressed with the left or middle button
    uint32_t hoveredControl = 0;
    uint32_t flags = 0;
    int32_t x = 0, y = 0;    // cursor on the logical screen
    int32_t dx = 0, dy = 0;  // movement since the previous move
    uint32_t unused = 0;
    DrawRecord hoveredBox;  // the hovered entity's record when the cursor entered it
    uint32_t keyFlags = 0;
    uint32_t heldKey = 0;
    uint32_t releasedKey = 0;
    uint32_t keyParam = 0;
};

}  // namespace engine

namespace engine {

// Payloads of the system commands that name an engine item.
struct EntityRef {
    uint32_t id = 0;
};
struct ControlRef {
    uint32_t id = 0;
};
class EngineObject;
struct ObjectRef {
    EngineObject* object = nullptr;  // checked against the World's list before use
};

}  // namespace engine
