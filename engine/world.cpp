#include "engine/world.h"

#include <algorithm>

#include "engine/anim_entity.h"
#include "engine/clone_entity.h"
#include "engine/engine_clock.h"
#include "engine/game_log.h"
#include "engine/image_entity.h"
#include "engine/mouse_controller.h"
#include "engine/particle_entity.h"
#include "engine/pool_entity.h"
#include "engine/text_entity.h"

namespace engine {

std::unique_ptr<Entity> MakeEntityOfKind(uint32_t kind, ImageProvider* images) {
    switch (kind) {
        case kKindImage:
            return std::make_unique<ImageEntity>(images);
        case kKindClone:
            return std::make_unique<CloneEntity>();
        case kKindText:
            return std::make_unique<TextEntity>(images);
        case kKindAnim:
            return std::make_unique<AnimEntity>();
        case kKindPool:
            return std::make_unique<PoolEntity>();
        case kKindCallback:
            return std::make_unique<CallbackEntity>();
        case kKindParticle:
            return std::make_unique<ParticleEntity>(images);
        default:
            return kind == kKindBase ? std::make_unique<Entity>(kind) : nullptr;
    }
}

World::World(ImageProvider* images) : images_(images), screen_(images) {}

World::~World() {
    // Entities leave their layers and parents before the screen goes.
    Clear();
    objects_.clear();
    retired_.clear();
    sound_.Release();
}

uint32_t World::NextApplyId() {
    const uint32_t id = ++lastApplyId_;
    if (id > kIdWarningLimit) WriteGameLog("Apply数量超过2亿，警戒!");
    return id;
}

uint32_t World::NextEventId() {
    const uint32_t id = ++lastEventId_;
    if (id > kIdWarningLimit) WriteGameLog("Event数量超过2亿，警戒!");
    return id;
}

// ---- Entities ---------------------------------------------------------------

Entity* World::CreateEntity(uint32_t kind, int32_t x, int32_t y, int32_t width, int32_t height,
                            double angle, int32_t depth, uint32_t visible, double opacity) {
    std::unique_ptr<Entity> entity = MakeEntityOfKind(kind, images_);
    if (!entity) return nullptr;
    entity->Init(x, y, width, height, angle, depth, visible, opacity);
    const uint32_t id = NextEntityId();
    entity->SetId(id);
    Entity* raw = entity.get();
    entities_[id] = std::move(entity);
    return raw;
}

Entity* World::FindEntity(uint32_t id) const {
    auto it = entities_.find(id);
    return it == entities_.end() ? nullptr : it->second.get();
}

void World::DeleteEntity(uint32_t id) {
    CancelByEntity(id, 7, 0);
    Entity* entity = FindEntity(id);
    if (!entity) return;
    if (entity->GetLayerIndex() == kTopLayer) screen_.TopLayerRemove(entity->GetItem());
    DestroyEntity(entity);
}

void World::DestroyEntity(Entity* entity) {
    if (!entity) return;
    const uint32_t id = entity->GetId();
    if (FindEntity(id) != entity) return;
    while (entity->GetChildCount() > 0) {
        const ChildLink link = *entity->GetChildLink(0);
        if (link.flags & kLinkOwned) {
            // The child leaves the list as it is destroyed; detach first so a
            // child that is not in the map cannot keep the loop going.
            entity->DetachChild(link.childId);
            DeleteEntity(link.childId);
        } else {
            entity->DetachChild(link.childId);
        }
    }
    if (ControlRecord* record = GetControl(entity->GetControlId())) {
        if (record->flags & kControlDiesWithEntity) {
            DeleteControl(record);
        } else {
            UnbindControl(record);
        }
    }
    // A child link may have deleted it already (a parent owning its own
    // ancestor cannot happen: attaching refuses loops).
    auto it = entities_.find(id);
    if (it == entities_.end()) return;
    std::unique_ptr<Entity> owned = std::move(it->second);
    entities_.erase(it);
    owned->Release();
}

int World::AddChildEntity(uint32_t parentId, uint32_t childId, uint32_t flags) {
    Entity* parent = FindEntity(parentId);
    if (!parent) {
        WriteGameLog("添加子实体错误，父体不存在");
        return 0;
    }
    Entity* child = FindEntity(childId);
    if (!child) {
        WriteGameLog("添加子实体错误，子体不存在");
        return 0;
    }
    return int(parent->AttachChild(child, flags));
}

int World::RemoveChildEntity(uint32_t parentId, uint32_t childId) {
    Entity* parent = FindEntity(parentId);
    if (!parent) {
        WriteGameLog("去除子实体错误，父体不存在");
        return 0;
    }
    return int(parent->DetachChild(childId));
}

// ---- Controls ---------------------------------------------------------------

ControlRecord* World::NewControl() {
    const uint32_t id = NextControlId();
    ControlRecord& record = controls_[id];
    record.id = id;
    return &record;
}

ControlRecord* World::GetControl(uint32_t id) {
    if (id == 0) return nullptr;
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}

void World::TakeOverBinding(Entity& entity) {
    ControlRecord* old = GetControl(entity.GetControlId());
    if (!old) return;
    WriteGameLog("控件申请冲突，申请绑定实体已被其他控件绑定!");
    WriteGameLog("强制解除原有绑定，可能造成逻辑错误，care!");
    old->entityId = 0;
    old->entity = nullptr;
}

ControlRecord* World::RequestControl(uint32_t entityId, uint32_t flags) {
    Entity* entity = FindEntity(entityId);
    if (!entity) {
        WriteGameLog("控件申请失败，未能获取指定实体");
        return nullptr;
    }
    TakeOverBinding(*entity);
    ControlRecord* record = NewControl();
    record->entityId = entityId;
    record->entity = entity;
    record->flags = flags;
    entity->SetControlId(record->id);
    return record;
}

int World::BindControl(ControlRecord* record, Entity* entity, uint32_t flags) {
    if (!record) {
        WriteGameLog("控件绑定失败，控件不存在");
        return 0;
    }
    if (!entity) {
        WriteGameLog("控件绑定失败，指定实体不能为空");
        return 0;
    }
    if (entity->GetControlId() != record->id) TakeOverBinding(*entity);
    // The entity bound before would still answer the mouse for this
    // control, and deleting it would take the control along.
    if (record->entityId != entity->GetId()) ReleaseEntity(*record);
    record->entityId = entity->GetId();
    record->entity = entity;
    entity->SetControlId(record->id);
    if (record->HasAnyEvent() && !entity->IsPickable()) entity->SetPickable(1);
    record->flags = flags;
    return 1;
}

void World::ReleaseEntity(const ControlRecord& record) {
    Entity* entity = FindEntity(record.entityId);
    if (!entity || entity->GetControlId() != record.id) return;
    entity->SetControlId(0);
    entity->SetPickable(0);
}

int World::UnbindControl(uint32_t controlId) {
    ControlRecord* record = GetControl(controlId);
    if (!record) {
        WriteGameLog("控件解除失败，控件不存在");
        return 0;
    }
    return UnbindControl(record);
}

int World::UnbindControl(ControlRecord* record) {
    if (!record) {
        WriteGameLog("控件解除失败，控件不存在");
        return 0;
    }
    int result = 1;
    if (!FindEntity(record->entityId)) {
        WriteGameLog("控件解除失败，未能获取指定实体");
        result = 0;
    }
    ReleaseEntity(*record);
    record->entityId = 0;
    record->entity = nullptr;
    record->flags = 0;
    return result;
}

void World::DeleteControl(ControlRecord* record) {
    if (!record) return;
    const uint32_t id = record->id;
    if (record->entityId) UnbindControl(record);
    if (EngineObject* owner = record->owner) {
        record->owner = nullptr;
        RemoveObject(owner);
    }
    if (keyFocus_ == id) keyFocus_ = 0;
    controls_.erase(id);
}

int World::RemoveControl(uint32_t id) {
    ControlRecord* record = GetControl(id);
    if (!record) {
        WriteGameLog("控件删除错误：目标控件不存在");
        return 0;
    }
    if (record->flags & kControlDeletesEntity) {
        Entity* entity = FindEntity(record->entityId);
        if (entity && entity->GetControlId() == id) DeleteEntity(entity->GetId());
    }
    if (ControlRecord* still = GetControl(id)) DeleteControl(still);
    return 1;
}

int World::AddSubControl(uint32_t parentId, uint32_t childId) {
    if (!GetControl(parentId)) {
        WriteGameLog("控件添加错误：父控件不存在");
        return 0;
    }
    ControlRecord* child = GetControl(childId);
    if (!child) {
        WriteGameLog("控件添加错误：子控件不存在");
        return 0;
    }
    child->parentControl = parentId;
    return kEngineOk;
}

uint32_t World::SetKeyFocus(uint32_t id) {
    const uint32_t old = keyFocus_;
    keyFocus_ = id;
    return old;
}

namespace {

uint32_t ControlOfEntity(const World& world, uint32_t entityId) {
    const Entity* entity = world.FindEntity(entityId);
    return entity ? entity->GetControlId() : 0;
}

}  // namespace

void World::ActivateTopLayerControl(uint32_t id) {
    ControlRecord* record = GetControl(id);
    Entity* entity = record ? FindEntity(record->entityId) : nullptr;
    if (!entity || entity->GetLayerIndex() != kTopLayer) return;
    if (const uint32_t previous = ControlOfEntity(*this, screen_.TopLayerCurrent()))
        SendMessageTo(previous, kEvDeactivated, {}, kSendNow);
    screen_.TopLayerSelect(entity->GetItem());
    TellOwner(id, kEvActivated);
}

void World::DeactivateTopLayerControl(uint32_t id) {
    ControlRecord* record = GetControl(id);
    Entity* entity = record ? FindEntity(record->entityId) : nullptr;
    if (!entity || entity->GetLayerIndex() != kTopLayer) return;
    screen_.TopLayerRemove(entity->GetItem());
    TellOwner(id, kEvDeactivated);
    if (const uint32_t now = ControlOfEntity(*this, screen_.TopLayerCurrent()))
        SendMessageTo(now, kEvActivated, {}, kSendNow);
}

uint32_t World::ControlUnderCursor() const {
    return ControlOfEntity(*this, screen_.TopLayerCurrent());
}

// ---- Objects ----------------------------------------------------------------

EngineObject* World::RegisterObject(std::unique_ptr<EngineObject> object) {
    EngineObject* raw = object.get();
    if (raw) objects_.push_back(std::move(object));
    return raw;
}

bool World::IsRegistered(const EngineObject* object) const {
    return object && std::any_of(objects_.begin(), objects_.end(),
                                 [&](const auto& o) { return o.get() == object; });
}

void World::RemoveObject(EngineObject* object) {
    auto it = std::find_if(objects_.begin(), objects_.end(),
                           [&](const auto& o) { return o.get() == object; });
    if (it == objects_.end()) return;
    std::unique_ptr<EngineObject> owned = std::move(*it);
    objects_.erase(it);
    // Its control goes with it, so nothing can address the object any more.
    if (ControlRecord* record = GetControl(owned->GetControlId());
        record && record->owner == owned.get())
        record->owner = nullptr;
    owned->OnRemove();
    if (delivering_ > 0) {
        retired_.push_back(std::move(owned));
    }
}

MouseController* World::Mouse() {
    ControlRecord* record = GetControl(cursorControl_);
    return record ? dynamic_cast<MouseController*>(record->owner) : nullptr;
}

// ---- Messages ---------------------------------------------------------------

void World::Enqueue(EngineMessage message) {
    const bool wasEmpty = queue_.empty();
    queue_.push_back(std::move(message));
    if (wasEmpty && workNotifier_) workNotifier_();
}

void World::EndDelivery() {
    if (--delivering_ == 0) retired_.clear();
}

void World::TellOwner(uint32_t controlId, uint32_t code) {
    if (ControlRecord* record = GetControl(controlId)) record->SendToOwner(code);
}

int World::Deliver(EngineMessage message) {
    ControlRecord* record = GetControl(message.target);
    if (!record) return 0;
    if (!record->owner) return 1;
    EngineObject* owner = record->owner;
    {
        DeliveryScope held(*this);
        owner->OnEvent(message);
    }
    // Whatever payload the handler left is freed with the message here.
    return 1;
}

int World::SendMessage(EngineMessage message, int mode) {
    if (message.code == 0) return 0;
    if (message.target == 0) {
        if (mode != kSendQueueRaw) message.target = defaultTarget_;
        Enqueue(std::move(message));
        return 1;
    }
    if (mode == kSendQueue) {
        Enqueue(std::move(message));
        return 1;
    }
    return Deliver(std::move(message));
}

int World::SendMessageTo(uint32_t target, uint32_t code, platform::Payload payload, int mode) {
    if (code == 0) return 0;
    EngineMessage message{code, std::move(payload), target};
    if (target != 0 && mode == kSendNow) return Deliver(std::move(message));
    if (target == 0 && mode != kSendQueueRaw) message.target = defaultTarget_;
    Enqueue(std::move(message));
    return 1;
}

int World::PostMessage(uint32_t code, platform::Payload payload) {
    if (code == 0) return 0;
    Enqueue({code, std::move(payload), defaultTarget_});
    return 1;
}

EngineMessage World::PopMessage() {
    if (queue_.empty()) return {};
    EngineMessage message = std::move(queue_.front());
    queue_.pop_front();
    return message;
}

// ---- Frame clock --------------------------------------------------------------

int World::IsFrameDue() {
    return IsFrameDue(EngineClock::Update());
}

int World::IsFrameDue(uint32_t firedAt) {
    now_ = firedAt;
    // Unsigned difference: correct across the tick counter's wrap.
    if (firedAt - lastFrame_ < framePeriod_) return 0;
    lastFrame_ = firedAt;
    return 1;
}

int World::Draw(platform::Surface& target) {
    return screen_.Present(now_, target);
}

// ---- Clean-up -------------------------------------------------------------

void World::Clear() {
    StopAll();
    while (!controls_.empty())
        RemoveControl(controls_.begin()->first);
    // Parents first would delete owned children under the loop; release in
    // id order and let each release unlink its relatives.
    std::map<uint32_t, std::unique_ptr<Entity>> entities = std::move(entities_);
    entities_.clear();
    for (auto& [id, entity] : entities)
        entity->Release();
    queue_.clear();
    keyFocus_ = 0;
}

}  // namespace engine
