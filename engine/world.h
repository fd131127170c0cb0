#pragma once
// The World: the scene manager every engine embeds. It owns the entities
// (on the heap, by id), the control records that turn input events into
// messages, the engine objects registered with it, the timed actions, the
// engine message queue, the frame clock and the screen device. Everything
// runs on the UI thread. Failures are game-log lines and 0 or null results.
//
// Ids are never reused within a run, and every item is looked up by id where
// it may have gone in between, so a handler that deletes things while the
// World is working never leaves a dangling pointer behind.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "engine/apply.h"
#include "engine/control_record.h"
#include "engine/engine_message.h"
#include "engine/engine_object.h"
#include "engine/entity.h"
#include "engine/screen_device.h"
#include "engine/sound_manager.h"

namespace platform {
class Surface;
}

namespace engine {

class ImageProvider;
class MouseController;
class ResourceManager;

// Message modes: 0 delivers to a target at once, 1 queues, 2 queues without
// the default target.
inline constexpr int kSendNow = 0;
inline constexpr int kSendQueue = 1;
inline constexpr int kSendQueueRaw = 2;

// Ids above this are still issued, with a warning each.
inline constexpr uint32_t kIdWarningLimit = 2000000000;

class World {
  public:
    // `images` finds images for the screen device; it must outlive the World.
    explicit World(ImageProvider* images);
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    ScreenDevice& Screen() { return screen_; }
    // The engine's resources (fonts, sounds) for what lives in the World;
    // null until the engine sets them.
    void SetResources(ResourceManager* resources) {
        resources_ = resources;
        sound_.SetResources(resources);
    }
    ResourceManager* Resources() const { return resources_; }

    // ---- Ids ----
    uint32_t NextEntityId() { return ++lastEntityId_; }
    uint32_t NextControlId() { return ++lastControlId_; }
    uint32_t NextApplyId();
    uint32_t NextEventId();
    uint32_t LastEventId() const { return lastEventId_; }

    // ---- Entities ----
    // The new entity inside the World, or null for a kind outside the table
    // (no id is issued then).
    Entity* CreateEntity(uint32_t kind, int32_t x, int32_t y, int32_t width, int32_t height,
                         double angle, int32_t depth, uint32_t visible, double opacity);
    Entity* FindEntity(uint32_t id) const;
    template <class T>
    T* FindEntityAs(uint32_t id) const {
        return dynamic_cast<T*>(FindEntity(id));
    }
    // Cancels the entity's Applies up to level 7 (their messages still go
    // out), then destroys it.
    void DeleteEntity(uint32_t id);
    // Owned children go with it, others are detached; its control is removed
    // (flag 128) or unbound.
    void DestroyEntity(Entity* entity);
    int AddChildEntity(uint32_t parentId, uint32_t childId, uint32_t flags);
    int RemoveChildEntity(uint32_t parentId, uint32_t childId);
    size_t EntityCount() const { return entities_.size(); }

    // ---- Controls ----
    ControlRecord* NewControl();
    ControlRecord* RequestControl(uint32_t entityId, uint32_t flags);
    int BindControl(ControlRecord* record, Entity* entity, uint32_t flags);
    int UnbindControl(uint32_t controlId);
    int UnbindControl(ControlRecord* record);
    // Unbinds, removes the owner object and erases the record.
    void DeleteControl(ControlRecord* record);
    // With flag 16 the bound entity goes first.
    int RemoveControl(uint32_t id);
    int AddSubControl(uint32_t parentId, uint32_t childId);
    ControlRecord* GetControl(uint32_t id);
    size_t ControlCount() const { return controls_.size(); }
    uint32_t SetKeyFocus(uint32_t id);
    uint32_t KeyFocus() const { return keyFocus_; }
    // Layer 4's modal stack.
    void ActivateTopLayerControl(uint32_t id);
    void DeactivateTopLayerControl(uint32_t id);
    uint32_t ControlUnderCursor() const;

    // ---- Objects ----
    // While one lives, an object removed from the World is deleted only when
    // the outermost one ends: code still running on it (its handler, or the
    // caller that told it an event) stays safe.
    class DeliveryScope {
      public:
        explicit DeliveryScope(World& world) : world_(world) { ++world_.delivering_; }
        ~DeliveryScope() { world_.EndDelivery(); }
        DeliveryScope(const DeliveryScope&) = delete;
        DeliveryScope& operator=(const DeliveryScope&) = delete;

      private:
        World& world_;
    };
    EngineObject* RegisterObject(std::unique_ptr<EngineObject> object);
    // Calls OnRemove and deletes it; inside a DeliveryScope the deletion
    // waits until the outermost one ends. Objects not listed are left.
    void RemoveObject(EngineObject* object);
    bool IsRegistered(const EngineObject* object) const;
    size_t ObjectCount() const { return objects_.size(); }
    // Construct, register, SetWorld, a control owned by the object,
    // Initialise.
    template <class T, class... Args>
    T* MakeObject(Args&&... args) {
        auto owned = std::make_unique<T>(std::forward<Args>(args)...);
        T* object = owned.get();
        RegisterObject(std::move(owned));
        object->SetWorld(this);
        ControlRecord* record = NewControl();
        record->owner = object;
        object->SetControlId(record->id);
        object->Initialise();
        return object;
    }

    // ---- Messages ----
    // 1 when queued or handled. Without a target the message is queued (for
    // the default target unless mode is 2); with one, mode 1 queues and modes
    // 0 and 2 deliver at once (0 when the control does not exist). The
    // payload is freed once, whatever happens.
    int SendMessage(EngineMessage message, int mode);
    // The same with separate words, except that only mode 0 delivers at once.
    int SendMessageTo(uint32_t target, uint32_t code, platform::Payload payload, int mode);
    int SendOrPostMessage(uint32_t target, uint32_t code, platform::Payload payload, int mode) {
        return SendMessageTo(target, code, std::move(payload), mode);
    }
    int PostMessage(uint32_t code, platform::Payload payload = {});
    // The first message, or an all-zero one.
    EngineMessage PopMessage();
    size_t QueuedMessages() const { return queue_.size(); }
    void SetDefaultTarget(uint32_t id) { defaultTarget_ = id; }
    uint32_t DefaultTarget() const { return defaultTarget_; }
    // Called when a message arrives in an empty queue, so that the host can
    // pump it before the next frame.
    void SetWorkNotifier(std::function<void()> notifier) { workNotifier_ = std::move(notifier); }
    bool HasWork() const { return !active_.empty() || !pending_.empty() || !queue_.empty(); }

    // The mouse controller's control and the controller.
    void SetCursorControl(uint32_t id) { cursorControl_ = id; }
    uint32_t CursorControl() const { return cursorControl_; }
    MouseController* Mouse();

    // ---- Frame clock ----
    // Reads the engine clock; 1 (and a new frame) once per frame period.
    int IsFrameDue();
    // The same judged by `firedAt`, the clock reading at which the frame
    // timer fired: time spent before asking never delays the next frame.
    int IsFrameDue(uint32_t firedAt);
    void SetFramePeriod(uint32_t ms) { framePeriod_ = ms; }
    uint32_t GetClockStep() const { return framePeriod_; }
    uint32_t Now() const { return now_; }
    // Presents the changed rectangles into `target`; -1 when nothing changed.
    int Draw(platform::Surface& target);

    // ---- Timed actions ----
    // The new id, or 0 when the entity id is not 0 and the entity is missing
    // or not placed.
    uint32_t AddApply(uint32_t entityId, ApplyTiming timing, ApplyStep step, uint32_t channel,
                      uint32_t flags, uint32_t hold, uint32_t level);
    // The same, and 0 for a channel the event counter has not issued.
    uint32_t AddApplyRec(uint32_t entityId, ApplyTiming timing, ApplyStep step, uint32_t channel,
                         uint32_t flags, uint32_t hold, uint32_t level);
    // Queues a World command; the pending count.
    size_t PushCommand(uint32_t command, uint32_t a = 0, uint32_t b = 0, uint32_t c = 0);
    int IsChannelActive(uint32_t channel) const;
    void RestartApply(uint32_t id, uint32_t flags);
    void ResetApplyClock(uint32_t id) { RestartApply(id, 0); }
    bool HasApplyFor(uint32_t entityId) const;
    // Pauses the Apply and keeps `value` (its id when 0); 0 when not active.
    int StopApply(uint32_t id, uint32_t value);
    // Cancels the active Applies of an entity up to `level`: mode non-zero
    // drops their completion messages.
    void CancelByEntity(uint32_t entityId, uint32_t level, uint32_t mode);
    // Removes an active or waiting Apply without its message; 0 when none
    // has that id.
    int RemoveApply(uint32_t id);
    // Merges, then ends every Apply without messages.
    void StopAll();
    // The per-frame work: read the clock, merge, run every due Apply.
    void Update();
    size_t ActiveApplyCount() const { return active_.size(); }
    size_t PendingCount() const { return pending_.size(); }
    // Event scopes are not opened by anything in this program.
    size_t EventCount() const { return 0; }

    // ---- Sound ----
    SoundManager& Sound() { return sound_; }

    // Stops every Apply, removes every control, releases every entity.
    void Clear();

  private:
    using ApplyList = std::vector<std::unique_ptr<ApplyRecord>>;

    void Merge();
    void RunCommand(const ApplyRecord& command);
    void Cancel(ApplyRecord& record, uint32_t mode);
    void Finish(ApplyRecord& record, bool post, bool deleteEntity);
    ApplyRecord* FindActive(uint32_t id);
    void Resume(ApplyRecord& record);
    uint32_t QueueApply(uint32_t entityId, ApplyTiming timing, ApplyStep step, uint32_t channel,
                        uint32_t flags, uint32_t hold, uint32_t level);
    void Enqueue(EngineMessage message);
    int Deliver(EngineMessage message);
    void TakeOverBinding(Entity& entity);
    // The record's entity, when it still names the record, forgets it and
    // leaves the hit tests.
    void ReleaseEntity(const ControlRecord& record);
    void EndDelivery();
    // Tells a control's owner an event; the owner may remove itself.
    void TellOwner(uint32_t controlId, uint32_t code);

    ImageProvider* images_;
    ResourceManager* resources_ = nullptr;
    ScreenDevice screen_;
    std::map<uint32_t, std::unique_ptr<Entity>> entities_;
    std::map<uint32_t, ControlRecord> controls_;
    ApplyList active_;
    ApplyList pending_;
    std::deque<EngineMessage> queue_;
    std::vector<std::unique_ptr<EngineObject>> objects_;
    std::vector<std::unique_ptr<EngineObject>> retired_;  // removed while a handler ran
    int delivering_ = 0;
    bool updating_ = false;
    uint32_t lastEntityId_ = 0, lastApplyId_ = 0, lastEventId_ = 0, lastControlId_ = 0;
    uint32_t keyFocus_ = 0;
    uint32_t now_ = 0;
    uint32_t framePeriod_ = 40;
    uint32_t lastFrame_ = 0;
    uint32_t currentEvent_ = 0;
    uint32_t defaultTarget_ = 0;
    uint32_t cursorControl_ = 0;
    SoundManager sound_;
    std::function<void()> workNotifier_;
};

// Entities of a kind, built before the World enters them; null for a kind
// outside the table. Image and text entities find their pictures in `images`.
std::unique_ptr<Entity> MakeEntityOfKind(uint32_t kind, ImageProvider* images);

}  // namespace engine
