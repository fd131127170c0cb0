#include "engine/mouse_controller.h"

#include <algorithm>

#include "engine/world.h"
#include "platform/gui/wnd.h"

namespace engine {
namespace {

constexpr uint32_t kNoDoubleClick = 5000;
constexpr int kArrowCursor = 32512;
constexpr int32_t kFarAway = -10000;

}  // namespace

MouseController::MouseController() {
    SetSystemCursor(kArrowCursor);
    ClearState();
}

void MouseController::ClearState() {
    state_ = MouseState{};
    hoverTimer_ = 0;
    doubleClickTimer_ = kNoDoubleClick;
    keyHeldTimer_ = 0;
}

void MouseController::ClearTargets() {
    state_.hoveredEntity = 0;
    state_.capturedEntity = 0;
    state_.hoveredControl = 0;
}

bool MouseController::Fire(uint32_t controlId, uint32_t event) {
    ControlRecord* record = world_ ? world_->GetControl(controlId) : nullptr;
    const EventEntry* entry = record ? record->GetEvent(event) : nullptr;
    if (!entry) return false;
    EngineMessage message{uint32_t(entry->code), entry->payload.Clone(), entry->target};
    if (!entry->payload) message.payload = platform::Payload::Make<MouseState>(state_);
    world_->SendMessage(std::move(message), kSendNow);
    return true;
}

bool MouseController::FireOnControl(uint32_t event) {
    return Fire(controlId_, event);
}

bool MouseController::FireOnEntityControl(uint32_t controlId, uint32_t event) {
    if (state_.capturedEntity && state_.hoveredEntity != state_.capturedEntity) return false;
    return Fire(controlId, event);
}

bool MouseController::HasHoveredControl() const {
    return state_.hoveredEntity && state_.hoveredControl;
}

void MouseController::OnMouseMove(int32_t x, int32_t y, uint32_t) {
    if (!world_) return;
    if (x != state_.x || y != state_.y) {
        doubleClickTimer_ = kNoDoubleClick;
        state_.flags |= kMouseMovePending;
    }
    state_.dx = Saturate32(int64_t(x) - state_.x);
    state_.dy = Saturate32(int64_t(y) - state_.y);
    state_.x = x;
    state_.y = y;

    FireOnControl(kEvMove);
    if (state_.flags & kMouseLeftHeld) FireOnControl(kEvLeftDrag);
    if (state_.flags & kMouseRightHeld) FireOnControl(kEvRightDrag);
    if (state_.flags & kMouseHoverRaised) FireOnControl(kEvHoverEnd);

    if (state_.flags & kMouseMovePending && HasHoveredControl()) {
        if ((state_.flags & kMouseRightHeld) &&
            FireOnEntityControl(state_.hoveredControl, kEvRightDrag)) {
            state_.flags &= ~kMouseMovePending;
            return;
        }
        if ((state_.flags & kMouseLeftHeld) &&
            FireOnEntityControl(state_.hoveredControl, kEvLeftDrag)) {
            state_.flags &= ~kMouseMovePending;
            return;
        }
    }

    const uint32_t hit = world_->Screen().HitTest(x, y);
    state_.hitEntity = hit;
    if (state_.hoveredEntity) {
        if (hit == state_.hoveredEntity) {
            if (state_.hoveredControl) FireOnEntityControl(state_.hoveredControl, kEvMove);
            state_.flags &= ~kMouseMovePending;
            return;
        }
        FireOnControl(kEvLeave);
        const uint32_t oldControl = state_.hoveredControl;
        if (oldControl) {
            FireOnEntityControl(oldControl, kEvLeave);
            if (state_.flags & kMouseHoverRaised) FireOnEntityControl(oldControl, kEvHoverEnd);
        }
        state_.flags &= ~kMouseHoverRaised;
        hoverTimer_ = 0;
        state_.hoveredEntity = 0;
        state_.hoveredControl = 0;
    }

    const Entity* entity = hit ? world_->FindEntity(hit) : nullptr;
    if (!entity) return;
    state_.hoveredEntity = hit;
    state_.hoveredControl = entity->GetControlId();
    state_.hoveredBox = entity->GetBox();
    if (!world_->GetControl(state_.hoveredControl)) return;
    FireOnEntityControl(state_.hoveredControl, kEvEnter);
    if (state_.flags & kMouseMovePending) {
        FireOnEntityControl(state_.hoveredControl, kEvMove);
        state_.flags &= ~kMouseMovePending;
    }
}

void MouseController::OnLButtonDown(int32_t, int32_t, uint32_t) {
    state_.flags &= ~kMouseHoverRaised;
    state_.flags |= kMouseLeftHeld;
    const bool doubleClick = doubleClickTimer_ < secondDelay_;
    bool cursorTook = false;
    if (doubleClick) {
        doubleClickTimer_ = kNoDoubleClick;
        cursorTook = FireOnControl(kEvDoubleClick);
    }
    if (!cursorTook) FireOnControl(kEvLeftDown);
    if (!HasHoveredControl()) return;
    if (doubleClick && FireOnEntityControl(state_.hoveredControl, kEvDoubleClick)) return;
    doubleClickTimer_ = 0;
    if (!(state_.flags & kMouseMovePending)) {
        const uint32_t pressed = state_.hoveredEntity;
        FireOnEntityControl(state_.hoveredControl, kEvLeftDown);
        state_.capturedEntity = pressed;
    }
}

void MouseController::OnLButtonUp(int32_t, int32_t, uint32_t) {
    state_.flags &= ~(kMouseLeftHeld | kMouseHoverRaised);
    FireOnControl(kEvLeftUp);
    FireOnControl(kEvClick);
    if (state_.hoveredEntity != state_.capturedEntity) {
        ClearTargets();
        Refresh();
        return;
    }
    state_.capturedEntity = 0;
    if (!HasHoveredControl()) return;
    const uint32_t control = state_.hoveredControl;
    FireOnEntityControl(control, kEvLeftUp);
    FireOnEntityControl(control, kEvClick);
}

void MouseController::OnRButtonDown(int32_t, int32_t, uint32_t) {
    state_.flags &= ~kMouseHoverRaised;
    state_.flags |= kMouseRightHeld;
    FireOnControl(kEvRightDown);
    if (HasHoveredControl() && !(state_.flags & kMouseMovePending))
        FireOnEntityControl(state_.hoveredControl, kEvRightDown);
}

void MouseController::OnRButtonUp(int32_t, int32_t, uint32_t) {
    state_.flags &= ~(kMouseRightHeld | kMouseHoverRaised);
    FireOnControl(kEvRightUp);
    if (HasHoveredControl()) FireOnEntityControl(state_.hoveredControl, kEvRightUp);
}

void MouseController::OnMButtonDown(int32_t, int32_t, uint32_t) {
    state_.flags &= ~kMouseHoverRaised;
    state_.flags |= kMouseMiddleHeld;
    FireOnControl(kEvMiddleDown);
    if (HasHoveredControl() && !(state_.flags & kMouseMovePending)) {
        const uint32_t pressed = state_.hoveredEntity;
        FireOnEntityControl(state_.hoveredControl, kEvMiddleDown);
        state_.capturedEntity = pressed;
    }
}

void MouseController::OnMButtonUp(int32_t, int32_t, uint32_t) {
    state_.flags &= ~(kMouseMiddleHeld | kMouseHoverRaised);
    FireOnControl(kEvMiddleUp);
    if (HasHoveredControl()) FireOnEntityControl(state_.hoveredControl, kEvMiddleUp);
    state_.capturedEntity = 0;
}

void MouseController::OnMouseWheel(int32_t, int32_t, int32_t delta, uint32_t) {
    if (delta == 0 || !world_) return;
    const uint32_t event = delta < 0 ? kEvWheelBack : kEvWheelForward;
    FireOnControl(event);
    if (const uint32_t control = world_->ControlUnderCursor()) FireOnEntityControl(control, event);
}

void MouseController::OnKeyDown(uint32_t key, uint32_t param, uint32_t flags) {
    state_.keyFlags = flags;
    state_.heldKey = key;
    state_.keyParam = param;
    if (state_.releasedKey == key) state_.releasedKey = 0;
    FireOnControl(kEvKeyDown);
    if (world_) FireOnEntityControl(world_->KeyFocus(), kEvKeyDown);
    keyHeldTimer_ = 0;
}

void MouseController::OnKeyUp(uint32_t key, uint32_t, uint32_t flags) {
    state_.keyFlags = flags;
    state_.releasedKey = key;
    if (state_.heldKey == key) state_.heldKey = 0;
    FireOnControl(kEvKeyUp);
    if (world_) FireOnEntityControl(world_->KeyFocus(), kEvKeyUp);
    keyHeldTimer_ = 0;
}

void MouseController::OnTick() {
    doubleClickTimer_ = std::min(doubleClickTimer_ + 100, kNoDoubleClick);
    if (state_.hoveredEntity) {
        hoverTimer_ = std::min(hoverTimer_ + 100, UINT32_MAX - 100);
        if (hoverTimer_ > hoverDelay_ && !(state_.flags & kMouseHoverRaised)) {
            state_.flags |= kMouseHoverRaised;
            FireOnControl(kEvHover);
            if (state_.hoveredControl) FireOnEntityControl(state_.hoveredControl, kEvHover);
        }
    }
    if (state_.heldKey) {
        keyHeldTimer_ = std::min(keyHeldTimer_ + 100, UINT32_MAX - 100);
        if (keyHeldTimer_ > secondDelay_) {
            state_.keyFlags |= kKeyRepeating;
            FireOnControl(kEvKeyHeld);
            if (world_) FireOnEntityControl(world_->KeyFocus(), kEvKeyHeld);
        }
    }
}

void MouseController::Refresh() {
    if (state_.flags & (kMouseLeftHeld | kMouseRightHeld)) return;
    OnMouseMove(state_.x, state_.y, 0);
}

void MouseController::Reset() {
    if (state_.flags & kMouseRightHeld) OnRButtonUp(kFarAway, kFarAway, 0);
    if (state_.flags & kMouseLeftHeld) OnLButtonUp(kFarAway, kFarAway, 0);
    OnMouseMove(kFarAway, kFarAway, 0);
}

void MouseController::SetSystemCursor(int cursorId) {
    cursor_ = platform::LoadCursor(cursorId);
    cursorSet_ = true;
    platform::SetCursor(cursor_);
}

void MouseController::SetImageCursor(std::string_view) {}

void MouseController::ApplyCursor() const {
    if (cursorSet_) platform::SetCursor(cursor_);
}

}  // namespace engine
