#include "engine/control.h"

#include "engine/control_record.h"
#include "engine/mouse_controller.h"
#include "engine/resources/resource_manager.h"
#include "engine/text_entity.h"
#include "engine/world.h"

namespace engine {

void RequestMouseRefresh(World& world) {
    world.SendMessage({kCmdRefreshMouse, {}, 0}, kSendQueueRaw);
}

Entity* Control::BoundEntity() const {
    const ControlRecord* record = Record();
    return record ? world_->FindEntity(record->entityId) : nullptr;
}

bool Control::IsEnabled() const {
    const ControlRecord* record = Record();
    return record && record->enabled;
}

template <class F>
void Control::Act(F&& change) {
    Entity* entity = BoundEntity();
    if (!entity) return;
    change(*entity);
    entity->Update();
    RefreshHover();
}

void Control::Bind(uint32_t entityId) {
    if (!world_) return;
    world_->BindControl(Record(), world_->FindEntity(entityId), kOwnEntityBinding);
}

void Control::MoveBy(int32_t dx, int32_t dy) {
    Act([&](Entity& e) { e.MoveBy(dx, dy); });
}

void Control::MoveTo(int32_t x, int32_t y) {
    Act([&](Entity& e) { e.MoveTo(x, y); });
}

void Control::SetDepth(int32_t depth) {
    Act([&](Entity& e) { e.SetDepth(depth); });
}

void Control::SetSize(int32_t width, int32_t height) {
    Act([&](Entity& e) { e.SetSize(width, height); });
}

void Control::ScaleSize(double sx, double sy) {
    Act([&](Entity& e) { e.ScaleSize(sx, sy); });
}

void Control::SetOpacity(double opacity) {
    Act([&](Entity& e) { e.SetOpacity(opacity); });
}

void Control::SetDrawFlags(uint32_t flags) {
    Act([&](Entity& e) { e.SetDrawFlags(flags); });
}

void Control::SetClipRect(const Rect& clip) {
    Act([&](Entity& e) { e.SetSourceRect(clip); });
}

void Control::RotateBy(double degrees) {
    Act([&](Entity& e) { e.RotateBy(degrees); });
}

void Control::SetRotation(double degrees) {
    Act([&](Entity& e) { e.SetRotation(degrees); });
}

void Control::RotateAbout(int32_t x, int32_t y, double degrees) {
    Act([&](Entity& e) { e.RotateAbout(x, y, degrees); });
}

void Control::Show() {
    Act([](Entity& e) { e.Show(); });
}

void Control::Hide() {
    Act([](Entity& e) { e.Hide(); });
}

void Control::Enable(bool enabled) {
    ControlRecord* record = Record();
    if (!record || !BoundEntity()) return;
    // An owner that leaves on 69 or 70 is still here for the refresh.
    World::DeliveryScope held(*world_);
    record->SetEnabled(enabled ? 1 : 0);
    RefreshHover();
}

void Control::Activate() {
    if (!BoundEntity()) return;
    world_->ActivateTopLayerControl(controlId_);
    RequestMouseRefresh(*world_);
}

void Control::Deactivate() {
    if (!BoundEntity()) return;
    world_->DeactivateTopLayerControl(controlId_);
    RequestMouseRefresh(*world_);
}

void Control::TakeKeyFocus() {
    if (BoundEntity()) world_->SetKeyFocus(controlId_);
}

void Control::ClearKeyFocus() {
    if (BoundEntity()) world_->SetKeyFocus(0);
}

void Control::AttachToParentId(uint32_t parentControlId) {
    if (BoundEntity()) world_->AddSubControl(parentControlId, controlId_);
}

void Control::AttachToParent(const ControlRecord* parent) {
    if (parent) AttachToParentId(parent->id);
}

void Control::BindEvent(uint32_t n, int32_t code, const EngineObject* target) {
    ControlRecord* record = Record();
    if (!record || !BoundEntity() || n >= kEventSlots) return;
    record->SetEvent(n, code != 0 ? code : int32_t(n), target ? target->GetControlId() : 0);
}

void Control::RefreshHover() {
    const Entity* entity = BoundEntity();
    MouseController* mouse = world_ ? world_->Mouse() : nullptr;
    if (!entity || !entity->IsPlaced() || !mouse) return;
    const bool hovered = mouse->State().hoveredEntity == entity->GetId();
    const bool under = entity->IsVisible() && entity->HitsScreenPoint(mouse->GetX(), mouse->GetY());
    if (hovered != under) RequestMouseRefresh(*world_);
}

TextEntity* Control::MakeOwnSurface(int layer, int32_t x, int32_t y, int32_t width, int32_t height,
                                    uint32_t backColor, bool visible) {
    if (!world_ || !Record()) return nullptr;
    auto* text = static_cast<TextEntity*>(
        world_->CreateEntity(kKindText, x, y, width, height, 0.0, 1, visible ? 1 : 0, 1.0));
    text->Init(width, height, backColor);
    if (ResourceManager* resources = world_->Resources())
        text->SetFontStore(&resources->GetFontStore(), true);
    if (text->SetLayer(&world_->Screen(), layer) == 0) {
        world_->DestroyEntity(text);
        return nullptr;
    }
    world_->BindControl(Record(), text, kOwnEntityBinding);
    text->Update();
    return text;
}

}  // namespace engine
