#pragma once
// Controls: engine objects that act on the entity bound to their control
// record. Each operation does nothing without a bound entity; otherwise it
// changes the entity, refreshes it and lets the mouse controller follow
// (RefreshHover), so hover states stay true when an entity moves, turns,
// shows or hides under a still cursor. Buttons and button frames build on
// this class.

#include <cstdint>

#include "engine/engine_object.h"
#include "engine/geometry.h"

namespace engine {

class Entity;
class TextEntity;
class World;
struct ControlRecord;

// Binding flags of a control's own entity: the control dies with it and
// removing the control deletes it.
inline constexpr uint32_t kOwnEntityBinding = 144;

// System command 84: the mouse controller tests again what lies under the
// cursor.
inline constexpr uint32_t kCmdRefreshMouse = 84;

class Control : public EngineNode {
  public:
    // The operations on the bound entity, in their fixed order.
    virtual void Bind(uint32_t entityId);
    virtual void MoveBy(int32_t dx, int32_t dy);
    virtual void MoveTo(int32_t x, int32_t y);
    virtual void SetDepth(int32_t depth);
    virtual void SetSize(int32_t width, int32_t height);
    virtual void ScaleSize(double sx, double sy);
    virtual void SetOpacity(double opacity);
    virtual void SetDrawFlags(uint32_t flags);
    virtual void SetClipRect(const Rect& clip);
    virtual void RotateBy(double degrees);
    virtual void SetRotation(double degrees);
    virtual void RotateAbout(int32_t x, int32_t y, double degrees);
    virtual void Show();
    virtual void Hide();
    // Tells the owner 70 or 69 (the record does).
    virtual void Enable(bool enabled);
    // The top layer's modal stack.
    virtual void Activate();
    virtual void Deactivate();
    virtual void TakeKeyFocus();
    virtual void ClearKeyFocus();
    virtual void AttachToParentId(uint32_t parentControlId);
    virtual void AttachToParent(const ControlRecord* parent);
    // Input event n (below 30) sends `code` (n when 0) to `target`'s control.
    virtual void BindEvent(uint32_t n, int32_t code, const EngineObject* target);
    // Asks the mouse controller to test again when the bound entity's
    // hover state no longer matches where the cursor is.
    virtual void RefreshHover();

    Entity* BoundEntity() const;
    bool IsEnabled() const;

  protected:
    // Runs `change` on the bound entity, then refreshes it and the hover.
    template <class F>
    void Act(F&& change);
    // A text entity of this control's own, placed on `layer` and bound with
    // kOwnEntityBinding; null when it cannot be made.
    TextEntity* MakeOwnSurface(int layer, int32_t x, int32_t y, int32_t width, int32_t height,
                               uint32_t backColor, bool visible);
};

// Queues system command 84 (without a target, for the engine itself).
void RequestMouseRefresh(World& world);

}  // namespace engine
