#pragma once
// The mouse and keyboard controller: turns the host's raw input into the
// numbered input events of controls. It tracks the entity under the cursor,
// the entity pressed (the capture), hover time, double-click time and how
// long a key is held. Each event goes to two controls at most: the
// controller's own (the cursor control, where the scene listens globally) and
// the control of the hovered entity (for the wheel, the modal control; for
// keys, the key-focus control). Controls and entities are kept by id and
// looked up again after every send, since a handler may delete them.

#include <cstdint>
#include <string_view>

#include "engine/engine_message.h"
#include "engine/engine_object.h"

namespace engine {

class MouseController : public EngineNode {
  public:
    MouseController();

    int Initialise() override {
        ClearState();
        return 0;
    }

    void OnMouseMove(int32_t x, int32_t y, uint32_t keyState);
    void OnLButtonDown(int32_t x, int32_t y, uint32_t keyState);
    void OnLButtonUp(int32_t x, int32_t y, uint32_t keyState);
    void OnRButtonDown(int32_t x, int32_t y, uint32_t keyState);
    void OnRButtonUp(int32_t x, int32_t y, uint32_t keyState);
    void OnMButtonDown(int32_t x, int32_t y, uint32_t keyState);
    void OnMButtonUp(int32_t x, int32_t y, uint32_t keyState);
    void OnMouseWheel(int32_t x, int32_t y, int32_t delta, uint32_t keyState);
    void OnKeyDown(uint32_t key, uint32_t param, uint32_t flags);
    void OnKeyUp(uint32_t key, uint32_t param, uint32_t flags);
    // Every 100 ms: hover, double-click window, key repeat.
    void OnTick();

    // Moves again at the last point (unless a button is held), so that enter
    // and leave follow entities that moved under a still cursor.
    void Refresh();
    // Releases every held button and leaves the hovered entity.
    void Reset();
    void ClearTargets();
    void ClearState();
    void SetHoverDelay(uint32_t ms) { hoverDelay_ = ms; }

    void SetSystemCursor(int cursorId) override;
    void SetCursorByName(std::string_view name) override { SetImageCursor(name); }
    // The cursor registered under `name`; the cursor table is empty, so the
    // current cursor stays.
    void SetImageCursor(std::string_view name);
    // Sets the stored cursor (the host calls it on WM_SETCURSOR).
    void ApplyCursor() const;
    int Cursor() const { return cursor_; }

    const MouseState& State() const { return state_; }
    int32_t GetX() const { return state_.x; }
    int32_t GetY() const { return state_.y; }

  private:
    // Event n of the cursor control; true when it had an entry.
    bool FireOnControl(uint32_t event);
    // Event n of another control: nothing while an entity other than the
    // hovered one is captured.
    bool FireOnEntityControl(uint32_t controlId, uint32_t event);
    bool Fire(uint32_t controlId, uint32_t event);
    bool HasHoveredControl() const;

    MouseState state_;
    uint32_t hoverDelay_ = 1500;
    uint32_t secondDelay_ = 500;  // double-click window and key-repeat delay
    int cursor_ = 0;
    bool cursorSet_ = false;
    uint32_t hoverTimer_ = 0;
    uint32_t doubleClickTimer_ = 5000;
    uint32_t keyHeldTimer_ = 0;
};

}  // namespace engine
